// SPDX-License-Identifier: GPL-3.0-or-later
// The site plans' layout: the edits the plan window makes, the file it is kept in, and what a file not
// written by the console is refused for.
#include "registry/PlanLayout.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace vatrel;

class TestPlanLayout : public QObject {
    Q_OBJECT

private slots:
    void editsKeepEverySensorDrawable() {
        PlanLayout l;
        QCOMPARE(l.addPlan(QStringLiteral("  ")), -1);
        QCOMPARE(l.addPlan(QStringLiteral("Север"), QStringLiteral("../hw.dat")), -1);
        const int north = l.addPlan(QStringLiteral(" Север "), QStringLiteral("north.svg"));
        QCOMPARE(l.plan(north).name, QStringLiteral("Север"));
        QVERIFY(l.placeMarker(north, 1001, {10, 20}));
        QVERIFY(l.setLine(north, 1002, {{0, 0}})); // one point is no line: nothing placed
        QVERIFY(!l.find(north, 1002));
        QVERIFY(l.setLine(north, 1002, {{0, 0}, {5, 5}}));
        QVERIFY(!l.find(north, 1002)->marker);
        QVERIFY(l.setLine(north, 1001, {{1, 1}, {2, 2}, {3, 1}}));
        QVERIFY(l.removeMarker(north, 1001)); // its line stays
        QCOMPARE(l.find(north, 1001)->line.size(), 3);
        QVERIFY(l.setLine(north, 1001, {})); // neither marker nor line left: off the plan
        QVERIFY(!l.find(north, 1001));
        QVERIFY(!l.replaceSensor(north, 1002, 1002));
        QVERIFY(l.replaceSensor(north, 1002, 3005));
        QCOMPARE(l.planOf(3005), north);
        QCOMPARE(l.planOf(1002), -1);
        QVERIFY(!l.setPicture(north, QStringLiteral("a/b.png")));
        QVERIFY(!l.removePlan(5));
        QVERIFY(l.removePlan(north));
        QCOMPARE(l.count(), 0);
    }

    void fileKeepsWhatWasWrittenAndRefusesTheRest() {
        PlanLayout l;
        const int p = l.addPlan(QStringLiteral("Периметр"), QStringLiteral("site.png"));
        l.placeMarker(p, 4000000000u, {0.25, -3});
        l.setLine(p, 7, {{1e5, 2}, {3, 4.5}});
        l.addPlan(QStringLiteral("Пустой"));
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("plans.json"));
        QCOMPARE(readPlanFile(path).state, PlanFileRead::State::Missing);
        QString error;
        QVERIFY2(writePlanFile(path, l, &error), qPrintable(error));
        const PlanFileRead read = readPlanFile(path);
        QCOMPARE(read.state, PlanFileRead::State::Loaded);
        QVERIFY(read.layout == l);

        const QList<QByteArray> refused = {
            "{\"version\": 1, \"plans\": [",
            "[]",
            R"({"plans": []})",
            R"({"version": 2, "plans": []})",
            R"({"version": 1})",
            R"({"version": 1, "plans": [{"name": "", "picture": "", "sensors": []}]})",
            R"({"version": 1, "plans": [{"name": "A", "picture": "../../etc/x.png", "sensors": []}]})",
            R"({"version": 1, "plans": [{"name": "A", "picture": "", "sensors": [{"number": 0, "marker": [1, 2]}]}]})",
            R"({"version": 1, "plans": [{"name": "A", "picture": "", "sensors": [{"number": 1.5, "marker": [1, 2]}]}]})",
            R"({"version": 1, "plans": [{"name": "A", "picture": "", "sensors": [{"number": 5}]}]})",
            R"({"version": 1, "plans": [{"name": "A", "picture": "", "sensors": [{"number": 5, "marker": [1]}]}]})",
            R"({"version": 1, "plans": [{"name": "A", "picture": "", "sensors": [{"number": 5, "marker": [1e300, 1]}]}]})",
            R"({"version": 1, "plans": [{"name": "A", "picture": "", "sensors": [{"number": 5, "line": [[1, 2]]}]}]})",
            R"({"version": 1, "plans": [{"name": "A", "picture": "", "sensors": [{"number": 5, "marker": [1, 2]}, {"number": 5, "marker": [3, 4]}]}]})",
        };
        for (const QByteArray& bytes : refused) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
            f.close();
            const PlanFileRead r = readPlanFile(path);
            QVERIFY2(r.state == PlanFileRead::State::Refused, bytes.constData());
            QVERIFY2(r.problem.startsWith(QStringLiteral("Файл plans.json не прочитан: ")),
                     qPrintable(r.problem));
            QCOMPARE(r.layout.count(), 0);
        }
        QVERIFY(readPlanFile(path).problem.contains(QStringLiteral("датчик 5 указан дважды")));
    }
};

QTEST_GUILESS_MAIN(TestPlanLayout)
#include "tst_planlayout.moc"
