#pragma once

#include "Slots.h"

#include <array>
#include <cstddef>

namespace vimbo {

/// Which slots' alarm lamps went from off to on since the flags were last
/// read. Before the first read every lamp counts as off, so the first cycle
/// reports every lit lamp.
class AlarmRises {
public:
    /// Takes the lamps of one read; true for each slot whose lamp lit up.
    PerSlot<bool> update(const PerSlot<bool>& lit)
    {
        PerSlot<bool> rose{};
        for (std::size_t s = 0; s < lit.size(); ++s) {
            rose[s] = lit[s] && !m_lit[s];
            m_lit[s] = lit[s];
        }
        return rose;
    }

private:
    PerSlot<bool> m_lit{};
};

}  // namespace vimbo
