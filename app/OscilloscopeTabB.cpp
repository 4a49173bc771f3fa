// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/OscilloscopeTabB.h"
#include "app/OscEntries.h"
#include "core/OperatorActions.h"
#include "link/Oscilloscope.h"

#include <QChart>
#include <QChartView>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLegend>
#include <QLineEdit>
#include <QLineSeries>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>

namespace vatrel {

namespace {

QLineEdit* namedEdit(const char* name, QWidget* parent, int width) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setFixedWidth(width);
    return e;
}

QPushButton* namedButton(const char* name, const QString& text, QWidget* parent) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

} // namespace

OscilloscopeTabB::OscilloscopeTabB(CoreDoor& door, QWidget* parent)
    : QWidget(parent), m_door(door), m_osc(door.mirror().osc), m_scope(door.mirror().scope) {
    setObjectName(QStringLiteral("TabSheet2"));
    m_entries = new OscEntries(this, m_osc, [this](OscEntry entry, const QString& typed) {
        m_door.share(&Console::osc, [entry, typed](OscControls& osc) { osc.setTyped(entry, typed); });
    });
    auto* layout = new QVBoxLayout(this);

    auto* top = new QHBoxLayout;
    m_positionLabel = new QLabel(QStringLiteral("Номер позиции"), this);
    m_positionLabel->setObjectName(QStringLiteral("LabelNumPosOscill"));
    m_positionEntry = namedEdit("Edit7", this, 60);
    m_startButton = namedButton("ButtonOnOscillVB", QStringLiteral("Включить"), this);
    auto* off = namedButton("ButtonOffOscillVB", QStringLiteral("Выключить"), this);
    top->addWidget(m_positionLabel);
    top->addWidget(m_positionEntry);
    top->addWidget(m_startButton);
    top->addWidget(off);
    m_labelOscState = new QLabel(this);
    m_labelOscState->setObjectName(QStringLiteral("LabelOscState"));
    top->addWidget(m_labelOscState);
    top->addStretch();
    layout->addLayout(top);
    m_entries->bind(m_positionEntry, OscEntry::Position);
    connect(m_startButton, &QPushButton::clicked, this, &OscilloscopeTabB::startOscillogram);
    connect(off, &QPushButton::clicked, this, &OscilloscopeTabB::stopOscillogram);

    // One chart per flank, with its scale and DC component entries on the right.
    struct Flank {
        const char* chart;
        const char* title;
        const char* series[4];
        const char* edits[3];
        ScaleSetter handlers[3];
        const char* delta;
        OscEntries::Field deltaText;
        const char* record;
    };
    const Flank flanks[2] = {
        {"Chart1",
         "ФЛАНГ 1",
         {"Series1", "Series2", "Series3", "Series4"},
         {"Edit1", "Edit2", "Edit3"},
         {&setFlank1Window, &setFlank1Min, &setFlank1Max},
         "Delta1",
         OscEntry::DcFlank1,
         "RecordDelta1"},
        {"Chart2",
         "ФЛАНГ 2",
         {"LineSeries1", "LineSeries2", "LineSeries3", "LineSeries4"},
         {"Edit4", "Edit5", "Edit6"},
         {&setFlank2Window, &setFlank2Min, &setFlank2Max},
         "Delta2",
         OscEntry::DcFlank2,
         "RecordDelta2"},
    };
    const char* seriesTitles[4] = {"Сигнал с ЧЭ", "Сигнал с ЧЭ отфильтр.", "Текущий порог",
                                   "Нулевой уровень"};
    const QColor seriesColours[4] = {QColor(0, 0, 255), QColor(0, 128, 0), QColor(255, 0, 0),
                                     QColor(0, 0, 0)};
    const char* scaleCaptions[3] = {" Х", "Мин. Y", "Макс. Y"};

    for (int f = 0; f < 2; ++f) {
        const Flank& fl = flanks[f];
        m_flanks[size_t(f)] = std::make_unique<FlankView>(FlankView{OscChart(
            QString::fromLatin1(fl.chart), QString::fromUtf8(fl.title), QStringLiteral("Отсчёты "), this)});
        FlankView& view = *m_flanks[size_t(f)];
        view.chart.view->chart()->legend()->setAlignment(Qt::AlignBottom);
        for (int s = 0; s < 4; ++s)
            view.series[size_t(s)] = view.chart.addSeries(
                QString::fromLatin1(fl.series[s]), QString::fromUtf8(seriesTitles[s]), seriesColours[s]);
        auto* row = new QHBoxLayout;
        row->addWidget(view.chart.view, 1);

        auto* side = new QVBoxLayout;
        auto* scale = new QGroupBox(QStringLiteral("Масштаб"), this);
        auto* sg = new QGridLayout(scale);
        for (int e = 0; e < 3; ++e) {
            sg->addWidget(new QLabel(QString::fromUtf8(scaleCaptions[e]), scale), e, 0);
            QLineEdit* edit = namedEdit(fl.edits[e], scale, 60);
            edit->setFocusPolicy(Qt::ClickFocus); // skipped by the Tab key
            sg->addWidget(edit, e, 1);
            // The scale entries keep their own texts, first made from the scale.
            const FlankTrace& t = m_scope.flank(size_t(f));
            edit->setText(QString::number(e == 0 ? double(t.flank_window) : e == 1 ? t.y_min : t.y_max));
            const ScaleSetter handler = fl.handlers[e];
            m_entries->bind(edit, std::nullopt, [this, handler](const QString& typed) {
                return m_door.act(
                    [handler, typed](OperatorActions& a) { return a.setScale(handler, typed); });
            });
        }
        side->addWidget(scale);
        auto* deltaCaption = new QLabel(QStringLiteral("Ввод постоянной части порога"), this);
        deltaCaption->setWordWrap(true);
        side->addWidget(deltaCaption);
        QLineEdit* delta = namedEdit(fl.delta, this, 80);
        m_delta[size_t(f)] = delta;
        m_entries->bind(delta, fl.deltaText);
        side->addWidget(delta);
        auto* record = namedButton(fl.record, QStringLiteral("Запись"), this);
        connect(record, &QPushButton::clicked, this,
                f == 0 ? &OscilloscopeTabB::saveDcComponent1 : &OscilloscopeTabB::saveDcComponent2);
        side->addWidget(record);
        side->addStretch();
        row->addLayout(side);
        layout->addLayout(row, 1);
    }

    // At most ten redraws a second whatever the sample rate: one replace() per series each time.
    m_redrawTimer = new QTimer(this);
    m_redrawTimer->setObjectName(QStringLiteral("CurveRedraw"));
    m_redrawTimer->setSingleShot(true);
    m_redrawTimer->setInterval(100);
    connect(m_redrawTimer, &QTimer::timeout, this, &OscilloscopeTabB::redrawCurves);
    refresh();
}

void OscilloscopeTabB::refresh() {
    m_entries->showTexts();
    m_positionEntry->setEnabled(m_osc.startOpen());
    m_positionLabel->setEnabled(m_osc.startOpen());
    m_startButton->setEnabled(m_osc.startOpen());
    m_labelOscState->setText(m_osc.startOutcome());
    for (int f = 0; f < 2; ++f) {
        const FlankTrace& t = m_scope.flank(size_t(f));
        m_flanks[size_t(f)]->chart.setValueRange(t.y_min, t.y_max);
    }
    redrawCurves();
}

void OscilloscopeTabB::samplesArrived() {
    if (!m_redrawTimer->isActive()) m_redrawTimer->start();
}

void OscilloscopeTabB::redrawCurves() {
    m_redrawTimer->stop();
    if (!isVisible()) return; // drawn when the tab is shown
    for (int f = 0; f < 2; ++f) {
        const FlankTrace& t = m_scope.flank(size_t(f));
        FlankView& view = *m_flanks[size_t(f)];
        if (view.drawnRevision == t.revision()) continue;
        view.drawnRevision = t.revision();
        const int n = t.size();
        // The plot area is known once the chart has been laid out; the view's width bounds it.
        const int columns =
            std::max({100, int(view.chart.view->chart()->plotArea().width()), view.chart.view->width()});
        // The x axis runs on with the sample counter: the newest sample at the right edge once the
        // window is full.
        const qreal first = n > 0 ? qreal(t.at(0).x) : 0;
        if (view.chart.axisX->min() != first || view.chart.axisX->max() != first + t.flank_window) {
            // A new range makes the chart lay out every curve it holds again, and the new points
            // would make it do so a second time: the curves are emptied first, which is cheap.
            for (QLineSeries* series : view.series)
                series->clear();
            view.chart.axisX->setRange(first, first + t.flank_window);
        }
        for (int s = 0; s < 4; ++s)
            view.series[size_t(s)]->replace(t.curve(s, columns));
    }
}

void OscilloscopeTabB::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    redrawCurves();
    redrawAfterLayout(); // the first drawing may have been thinned for a chart not yet laid out
}

void OscilloscopeTabB::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    redrawAfterLayout(); // a wider chart shows more points
}

void OscilloscopeTabB::redrawAfterLayout() {
    for (auto& view : m_flanks)
        view->drawnRevision = ~0u;
    samplesArrived();
}

void OscilloscopeTabB::startOscillogram() {
    OscEntries::runRefocusing(m_positionEntry, [this](const QString&) {
        return m_door.act([](OperatorActions& a) { return a.startOscillogram(); });
    });
}

void OscilloscopeTabB::stopOscillogram() {
    m_door.act([](OperatorActions& a) { a.stopOscillogram(); });
}

void OscilloscopeTabB::saveDcComponent1() {
    OscEntries::runRefocusing(m_delta[0], [this](const QString& typed) {
        return m_door.act([typed](OperatorActions& a) { return a.recordDcFlank1(typed); });
    });
}

void OscilloscopeTabB::saveDcComponent2() {
    OscEntries::runRefocusing(m_delta[1], [this](const QString& typed) {
        return m_door.act([typed](OperatorActions& a) { return a.recordDcFlank2(typed); });
    });
}

} // namespace vatrel
