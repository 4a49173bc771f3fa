// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QList>
#include <QPointF>
#include <QtGlobal>
#include <array>
#include <vector>

namespace vatrel {

constexpr int kFlankWindowMin = 100;
constexpr int kFlankWindowMax = 5000;

// What one flank's chart shows: its scale and the newest samples, kept in a ring that never grows
// past the longest window. The chart redraws from here; samples never go to a shown series one by one.
class FlankTrace {
public:
    // One sample: its x (the sample counter when it came) and the four curves in series order:
    // raw signal, filtered signal (zero level + signal), threshold (zero level + threshold), zero level.
    struct Point {
        quint32 x = 0;
        std::array<float, 4> y{};
    };

    int flank_window = 500;     // samples kept on the chart, 100 … 5000
    quint32 sample_counter = 0; // samples added since the last clear: the x of the next one
    double y_min = 0;           // value axis, 0 … 1023
    double y_max = 1023;

    int size() const { return m_count; }
    const Point& at(int i) const { return m_ring[size_t((m_oldest + i) % kFlankWindowMax)]; }
    // Bumped by every change, so a chart redraws only when there is something new.
    quint32 revision() const { return m_revision; }

    // Adds a sample at x = sample_counter; the oldest goes once there are more than flank_window.
    void add(const std::array<float, 4>& y);
    void clear(); // no points, sample_counter 0
    // One curve (0 … 3) as chart points. A chart `columns` pixels wide cannot show more than two
    // values per column: with more samples than that, each column keeps only its lowest and its
    // highest sample, in their order, so the drawing looks the same at a fraction of the cost.
    QList<QPointF> curve(int series, int columns) const;
    void touch() { ++m_revision; }

private:
    std::vector<Point> m_ring = std::vector<Point>(size_t(kFlankWindowMax));
    int m_oldest = 0;
    int m_count = 0;
    quint32 m_revision = 0;
};

// The type A chart has only its scale: no measurement is ever plotted on it.
struct ScopeA {
    quint16 window = 1000; // 100 … 5000
    quint16 y_min = 0;     // 0 … 4095
    quint16 y_max = 100;
    quint32 revision = 0;
};

struct OscScope {
    std::array<FlankTrace, 2> flanks; // [0] Chart1 (flank 1), [1] Chart2 (flank 2)
    ScopeA a;                         // Chart4
};

} // namespace vatrel
