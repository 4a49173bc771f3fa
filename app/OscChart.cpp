// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/OscChart.h"

#include <QChart>
#include <QChartView>
#include <QLineSeries>
#include <QValueAxis>

namespace vatrel {

OscChart::OscChart(const QString& name, const QString& title, const QString& xTitle, QWidget* parent) {
    auto* chart = new QChart;
    chart->setTitle(title);
    chart->setBackgroundBrush(Qt::white);
    // Curves redraw ten times a second; animating each redraw would only cost time.
    chart->setAnimationOptions(QChart::NoAnimation);
    axisX = new QValueAxis;
    axisX->setTitleText(xTitle);
    axisX->setLabelFormat(QStringLiteral("%d"));
    axisY = new QValueAxis;
    axisY->setTitleText(QStringLiteral("Сигнал, [дискр. АЦП]"));
    axisY->setLabelFormat(QStringLiteral("%d"));
    chart->addAxis(axisX, Qt::AlignBottom);
    chart->addAxis(axisY, Qt::AlignLeft);
    view = new QChartView(chart, parent);
    view->setObjectName(name);
    view->setRenderHint(QPainter::Antialiasing, false);
}

QLineSeries* OscChart::addSeries(const QString& name, const QString& title, const QColor& colour) {
    auto* s = new QLineSeries;
    s->setObjectName(name);
    s->setName(title);
    view->chart()->addSeries(s); // the theme's colour first, for a series that keeps it
    QPen pen = s->pen();
    if (colour.isValid()) pen.setColor(colour);
    pen.setWidth(2);
    s->setPen(pen);
    s->attachAxis(axisX);
    s->attachAxis(axisY);
    return s;
}

void OscChart::setValueRange(double lower, double upper) {
    double lo = qMin(lower, upper), hi = qMax(lower, upper);
    if (hi == lo) hi = lo + 1; // a zero-height axis draws nothing
    // Whole numbers suit the usual range of hundreds; a narrow one needs decimals to tell its
    // grid lines apart.
    axisY->setLabelFormat(hi - lo >= 20 ? QStringLiteral("%d") : QStringLiteral("%.2f"));
    axisY->setRange(lo, hi);
}

} // namespace vatrel
