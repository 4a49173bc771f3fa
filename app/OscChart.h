// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QColor>
#include <QString>

class QChartView;
class QLineSeries;
class QValueAxis;
class QWidget;

namespace vatrel {

// A line chart of the oscilloscope tabs: white, value axis set by the operator, series added empty.
struct OscChart {
    QChartView* view = nullptr;
    QValueAxis* axisX = nullptr;
    QValueAxis* axisY = nullptr;

    OscChart(const QString& name, const QString& title, const QString& xTitle, QWidget* parent);
    // A 2 px line without point marks; an invalid colour keeps the chart's default.
    QLineSeries* addSeries(const QString& name, const QString& title, const QColor& colour);
    // Value axis from the operator's limits. A lower limit above the upper one shows the range
    // between them the other way round rather than an empty chart.
    void setValueRange(double lower, double upper);
};

} // namespace vatrel
