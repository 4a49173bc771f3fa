// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/OscilloscopeTabA.h"
#include "app/OscEntries.h"
#include "core/OperatorActions.h"
#include "link/Oscilloscope.h"

#include <QChart>
#include <QChartView>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLegend>
#include <QLegendMarker>
#include <QLineEdit>
#include <QLineSeries>
#include <QValueAxis>

namespace vatrel {

OscilloscopeTabA::OscilloscopeTabA(CoreDoor& door, QWidget* parent)
    : QWidget(parent), m_door(door), m_osc(door.mirror().osc), m_scope(door.mirror().scope),
      m_chart(QStringLiteral("Chart4"), QString(), QStringLiteral("Отсчёты"), this) {
    setObjectName(QStringLiteral("TabSheet6"));
    m_entries = new OscEntries(this, m_osc, [this](OscEntry entry, const QString& typed) {
        m_door.share(&Console::osc, [entry, typed](OscControls& osc) { osc.setTyped(entry, typed); });
    });
    auto* layout = new QHBoxLayout(this);

    QLegend* legend = m_chart.view->chart()->legend();
    legend->setAlignment(Qt::AlignTop);
    m_used = {m_chart.addSeries(QStringLiteral("VASeries1"), QStringLiteral("Порог"), QColor()),
              m_chart.addSeries(QStringLiteral("VASeries2"), QStringLiteral("Входной сигнал с СЗ"),
                                QColor(0, 0, 0)),
              m_chart.addSeries(QStringLiteral("VASeries3"), QStringLiteral("Полезный сигнал"),
                                QColor(0, 128, 64))};
    // The two interference curves are not in use and not listed.
    for (QLineSeries* s : {m_chart.addSeries(QStringLiteral("VASeries4"), QStringLiteral("Э-К (эл. помеха)"),
                                             QColor(128, 0, 0)),
                           m_chart.addSeries(QStringLiteral("VASeries5"), QStringLiteral("Э-К (климатика)"),
                                             QColor(0, 0, 255))}) {
        s->setVisible(false);
        for (QLegendMarker* m : legend->markers(s))
            m->setVisible(false);
    }
    // A legend entry works as the series' check box: a click shows or hides the curve.
    for (QLegendMarker* m : legend->markers()) {
        connect(m, &QLegendMarker::clicked, this, [m] {
            QAbstractSeries* s = m->series();
            s->setVisible(!s->isVisible());
            m->setVisible(true); // hiding a series hides its entry too
            QFont f = m->font();
            f.setStrikeOut(!s->isVisible());
            m->setFont(f);
        });
    }
    layout->addWidget(m_chart.view, 1);

    auto* side = new QGridLayout;
    struct Entry {
        const char* caption;
        const char* name;
        OscEntries::Field text; // none: the scale entries keep their own, first made from the scale
        int start;
        ScaleSetter scale; // none: the DC component entry
        int width;
    };
    const Entry entries[4] = {
        {"Y мин", "EditYmin", std::nullopt, m_scope.a().y_min, &setChartAMin, 60},
        {"Y макс", "EditYmax", std::nullopt, m_scope.a().y_max, &setChartAMax, 60},
        {" Х", "EditX", std::nullopt, m_scope.a().window, &setChartAWindow, 60},
        {"Постоянная часть порога", "EDirect_component", OscEntry::DcTypeA, 0, nullptr, 80},
    };
    for (int i = 0; i < 4; ++i) {
        const Entry& e = entries[i];
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QString::fromLatin1(e.name));
        edit->setFixedWidth(e.width);
        if (!e.text) edit->setText(QString::number(e.start));
        m_entries->bind(edit, e.text, [this, scale = e.scale](const QString& typed) {
            return m_door.act([scale, typed](OperatorActions& a) {
                return scale ? a.setScale(scale, typed) : a.enterDcComponentA(typed);
            });
        });
        if (i < 3) {
            side->addWidget(new QLabel(QString::fromUtf8(e.caption), this), i, 0);
            side->addWidget(edit, i, 1);
        } else {
            side->addWidget(new QLabel(QString::fromUtf8(e.caption), this), 3, 0, 1, 2);
            side->addWidget(edit, 4, 0, 1, 2);
        }
    }
    side->setRowStretch(5, 1);
    layout->addLayout(side);
    refresh();
}

void OscilloscopeTabA::refresh() {
    m_entries->showTexts();
    const ScopeA& a = m_scope.a();
    m_chart.axisX->setRange(0, a.window);
    m_chart.setValueRange(a.y_min, a.y_max);
    if (m_drawnRevision != a.revision) {
        m_drawnRevision = a.revision;
        // Only the curves in use are cleared; nothing is ever plotted on them.
        for (QLineSeries* s : m_used)
            s->clear();
    }
}

} // namespace vatrel
