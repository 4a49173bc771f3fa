// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "registry/ChangeNotices.h"

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

// What the oscilloscope charts show: each flank's trace and scale (type B) and the type A chart's
// scale. A change of scale is announced; samples reach the windows as their own notice.
class OscScope {
public:
    void connect(const ChangeNotices* notices) { m_notices.connect(notices); }

    const FlankTrace& flank(int f) const { return m_flanks[f == 0 ? 0 : 1]; }
    const ScopeA& a() const { return m_a; }

    // A flank's window (samples kept) or value limit: its curves start again.
    void setFlankWindow(int f, int samples);
    void setFlankLimit(int f, bool upper, int value);
    // The type A chart's scale: its curves start again.
    void setAWindow(quint16 samples);
    void setALimit(bool upper, quint16 value);
    // Every curve and both sample counters start again (a new oscillogram); announced.
    void clearTraces();
    // One type B sample of both flanks, each as its four curves.
    void addSample(const std::array<float, 4>& flank1, const std::array<float, 4>& flank2);

private:
    void rescaled() const { m_notices.changed(View::Oscilloscope); }

    NoticeLine m_notices;
    std::array<FlankTrace, 2> m_flanks; // flank 1, flank 2
    ScopeA m_a;
};

} // namespace vatrel
