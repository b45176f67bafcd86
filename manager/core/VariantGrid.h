#pragma once

#include "Variant.h"

#include <vector>

namespace vimbo {

/// A two-dimensional table of variants with any lower bounds, rows first.
class VariantGrid {
public:
    VariantGrid(int rowLower, int rowUpper, int columnLower, int columnUpper);

    int rowLower() const { return m_rowLower; }
    int rowUpper() const { return m_rowUpper; }
    int columnLower() const { return m_columnLower; }
    int columnUpper() const { return m_columnUpper; }

    /// The cell at (row, column); a subscript error outside the bounds.
    zemtra::Variant& at(int row, int column);
    const zemtra::Variant& at(int row, int column) const;

    bool operator==(const VariantGrid&) const = default;

private:
    std::size_t index(int row, int column) const;

    int m_rowLower, m_rowUpper, m_columnLower, m_columnUpper;
    std::vector<zemtra::Variant> m_cells;
};

}  // namespace vimbo
