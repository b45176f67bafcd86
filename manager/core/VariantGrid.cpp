#include "VariantGrid.h"

#include "ProgramError.h"

#include <algorithm>

namespace vimbo {

VariantGrid::VariantGrid(int rowLower, int rowUpper, int columnLower, int columnUpper)
    : m_rowLower(rowLower), m_rowUpper(rowUpper), m_columnLower(columnLower), m_columnUpper(columnUpper)
{
    const long rows = std::max(0L, static_cast<long>(rowUpper) - rowLower + 1);
    const long columns = std::max(0L, static_cast<long>(columnUpper) - columnLower + 1);
    m_cells.resize(static_cast<std::size_t>(rows * columns));
}

std::size_t VariantGrid::index(int row, int column) const
{
    if (row < m_rowLower || row > m_rowUpper || column < m_columnLower || column > m_columnUpper)
        throw subscriptError(QStringLiteral("VariantGrid"));
    const auto columns = static_cast<std::size_t>(m_columnUpper - m_columnLower + 1);
    return static_cast<std::size_t>(row - m_rowLower) * columns + static_cast<std::size_t>(column - m_columnLower);
}

zemtra::Variant& VariantGrid::at(int row, int column) { return m_cells[index(row, column)]; }

const zemtra::Variant& VariantGrid::at(int row, int column) const { return m_cells[index(row, column)]; }

}  // namespace vimbo
