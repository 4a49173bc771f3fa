// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QtGlobal>
#include <optional>

namespace vatrel {

// What a view of a numbered list must redraw. The list's entries carry numbers that only grow, and
// it only loses its oldest entries (or all of them at once): rows the view drew and the list still
// holds kept their texts and moved up by the number that dropped out; the rest are drawn again.
class NumberedRows {
public:
    struct Redraw {
        int shifted = 0;      // rows moved up
        int firstChanged = 0; // the first row to draw again; every row below it too
    };

    // `first`, `last`: the numbers of the oldest and newest entry the view shows now (0: none).
    NumberedRows(quint64 first = 0, quint64 last = 0) : m_first(first), m_last(last) {}

    quint64 last() const { return m_last; }

    // Nothing when the view has drawn these very entries already.
    std::optional<Redraw> update(quint64 first, quint64 last) {
        if (first == m_first && last == m_last) return std::nullopt;
        Redraw r;
        if (m_last != 0 && first >= m_first && first <= m_last) {
            r.shifted = int(first - m_first);
            r.firstChanged = int(m_last - first + 1);
        }
        m_first = first;
        m_last = last;
        return r;
    }

private:
    quint64 m_first;
    quint64 m_last;
};

} // namespace vatrel
