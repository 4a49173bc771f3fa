// SPDX-License-Identifier: GPL-3.0-or-later
#include "registry/OscScope.h"

namespace vatrel {

void FlankTrace::add(const std::array<float, 4>& y) {
    const int window = qBound(1, flank_window, kFlankWindowMax);
    // Never more points than the window: a full ring overwrites its oldest sample.
    while (m_count >= window) {
        m_oldest = (m_oldest + 1) % kFlankWindowMax;
        --m_count;
    }
    m_ring[size_t((m_oldest + m_count) % kFlankWindowMax)] = {sample_counter, y};
    ++m_count;
    ++sample_counter;
    ++m_revision;
}

void FlankTrace::clear() {
    m_oldest = 0;
    m_count = 0;
    sample_counter = 0;
    ++m_revision;
}

QList<QPointF> FlankTrace::curve(int series, int columns) const {
    QList<QPointF> out;
    if (series < 0 || series > 3) return out;
    const auto point = [this, series](int i) {
        const Point& p = at(i);
        return QPointF(qreal(p.x), qreal(p.y[size_t(series)]));
    };
    if (columns < 1 || m_count <= 2 * columns) {
        out.reserve(m_count);
        for (int i = 0; i < m_count; ++i)
            out.append(point(i));
        return out;
    }
    out.reserve(2 * columns);
    for (int col = 0; col < columns; ++col) {
        const int from = int(qint64(col) * m_count / columns);
        const int to = int(qint64(col + 1) * m_count / columns);
        int lo = from, hi = from;
        for (int i = from + 1; i < to; ++i) {
            const float y = at(i).y[size_t(series)];
            if (y < at(lo).y[size_t(series)]) lo = i;
            if (y > at(hi).y[size_t(series)]) hi = i;
        }
        out.append(point(qMin(lo, hi)));
        if (lo != hi) out.append(point(qMax(lo, hi)));
    }
    return out;
}

} // namespace vatrel
