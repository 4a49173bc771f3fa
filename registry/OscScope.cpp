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

void OscScope::setFlankWindow(int f, int samples) {
    FlankTrace& t = m_flanks[f == 0 ? 0 : 1];
    t.flank_window = samples;
    t.clear();
    rescaled();
}

void OscScope::setFlankLimit(int f, bool upper, int value) {
    FlankTrace& t = m_flanks[f == 0 ? 0 : 1];
    (upper ? t.y_max : t.y_min) = value;
    t.clear();
    rescaled();
}

void OscScope::setAWindow(quint16 samples) {
    m_a.window = samples;
    ++m_a.revision; // the curves clear with it
    rescaled();
}

void OscScope::setALimit(bool upper, quint16 value) {
    (upper ? m_a.y_max : m_a.y_min) = value;
    ++m_a.revision;
    rescaled();
}

void OscScope::clearTraces() {
    for (FlankTrace& t : m_flanks)
        t.clear();
    ++m_a.revision;
    rescaled();
}

void OscScope::addSample(const std::array<float, 4>& flank1, const std::array<float, 4>& flank2) {
    m_flanks[0].add(flank1);
    m_flanks[1].add(flank2);
}

} // namespace vatrel
