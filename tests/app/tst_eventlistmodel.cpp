// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's event list as the operator sees it: texts and colours made from the listed
// events, and the rows a view is told to draw again when events come.
#include "app/EventListModel.h"
#include "core/ShownState.h"
#include "registry/EventCatalogue.h"

#include <QGuiApplication>
#include <QPalette>
#include <QSignalSpy>
#include <QTest>
#include <memory>

using namespace vatrel;

namespace {
EventRecord listed(EventCode code, const QString& text, double time = 45748.5) {
    EventRecord e;
    e.time = time;
    e.code = storedCode(code);
    e.text = text;
    return e;
}

QString cell(const EventListModel& m, int row, int col) { return m.index(row, col).data().toString(); }
QColor colour(const EventListModel& m, int row, int role) {
    return m.index(row, 0).data(role).value<QColor>();
}
} // namespace

class TestEventListModel : public QObject {
    Q_OBJECT
private slots:
    void textsAndColoursOfTheLines() {
        EventList list;
        EventListModel m(list);
        QCOMPARE(m.rowCount(), 1); // the empty row alone
        QCOMPARE(m.headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("Дата и время"));
        QCOMPARE(m.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(),
                 QStringLiteral("Наименование события"));

        list.add(listed(EventCode::LinkLostSensor, QStringLiteral("Нет связи с датчиком")));
        list.add(listed(EventCode::ProgramStart, QStringLiteral("Начало работы"), 45748.0));
        list.add(listed(EventCode::SensorNormal, QStringLiteral("Возврат")));
        m.refresh();
        QCOMPARE(m.rowCount(), 4); // one empty row below the last line
        QCOMPARE(cell(m, 0, 0), QStringLiteral("01.04.2025 12:00:00"));
        QCOMPARE(cell(m, 0, 1), QStringLiteral("Нет связи с датчиком"));
        QCOMPARE(cell(m, 1, 0), QStringLiteral("01.04.2025"));
        QCOMPARE(cell(m, 1, 1), QStringLiteral("Начало работы"));
        QCOMPARE(cell(m, 3, 1), QString());
        const QColor infoTip = QGuiApplication::palette().color(QPalette::ToolTipBase);
        QCOMPARE(colour(m, 0, Qt::ForegroundRole), QColor(171, 0, 0));
        QCOMPARE(colour(m, 1, Qt::ForegroundRole), QColor(0, 0, 0));
        QCOMPARE(colour(m, 2, Qt::ForegroundRole), QColor(0, 128, 0));
        QCOMPARE(colour(m, 3, Qt::ForegroundRole), QColor(0, 0, 0));
        for (int row = 0; row < 4; ++row) {
            QCOMPARE(colour(m, row, Qt::BackgroundRole), infoTip);
            const QFont font = m.index(row, 1).data(Qt::FontRole).value<QFont>();
            QCOMPARE(font.family(), QStringLiteral("MS Sans Serif"));
            QCOMPARE(font.pointSize(), 9);
        }
    }

    // The view is told of what it has not drawn and nothing more, however the list reached the
    // window's copy (core → pending → shown): new lines are inserted, and once the list is full its
    // lines move up and only the newest are drawn.
    void viewDrawsOnlyTheNewLines() {
        auto core = std::make_unique<Console>();
        auto pending = std::make_unique<Console>();
        auto shown = std::make_unique<Console>();
        const auto log = [&](int first, int last) { // each event handed over on its own
            for (int n = first; n <= last; ++n) {
                core->events.add(listed(EventCode::SensorNormal, QString::number(n)));
                copyShownState(*core, *pending, viewBit(ConsoleUi::View::EventList), false);
                copyShownState(*pending, *shown, viewBit(ConsoleUi::View::EventList), false);
            }
        };
        EventListModel m(shown->events);
        QSignalSpy changed(&m, &QAbstractItemModel::dataChanged);
        QSignalSpy inserted(&m, &QAbstractItemModel::rowsInserted);
        QSignalSpy shifted(&m, &EventListModel::rowsShifted);
        const auto rows = [](const QSignalSpy& spy) { // the first and last row of each signal
            QList<QList<int>> r;
            for (const QList<QVariant>& args : spy)
                r << (args[0].toModelIndex().isValid()
                          ? QList<int>{args[0].toModelIndex().row(), args[1].toModelIndex().row()}
                          : QList<int>{args[1].toInt(), args[2].toInt()});
            return r;
        };

        log(1, 3);
        m.refresh();
        changed.clear();
        inserted.clear();
        log(4, 5);
        m.refresh();
        QCOMPARE(rows(inserted), (QList<QList<int>>{{4, 5}}));
        QCOMPARE(rows(changed), (QList<QList<int>>{{3, 5}})); // lines 4 and 5 and the empty row
        m.refresh();
        QCOMPARE(changed.size(), 1); // nothing new: nothing drawn

        log(6, 500);
        m.refresh();
        changed.clear();
        inserted.clear();
        log(501, 502);
        m.refresh();
        QVERIFY(inserted.isEmpty());
        QCOMPARE(m.rowCount(), 500); // no empty row once full
        QCOMPARE(shifted.size(), 1);
        QCOMPARE(shifted[0], (QList<QVariant>{0, 499, 2}));
        QCOMPARE(rows(changed), (QList<QList<int>>{{498, 499}}));
        QCOMPARE(cell(m, 0, 1), QStringLiteral("3"));
        QCOMPARE(cell(m, 499, 1), QStringLiteral("502"));
    }
};

QTEST_MAIN(TestEventListModel)
#include "tst_eventlistmodel.moc"
