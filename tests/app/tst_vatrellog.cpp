// SPDX-License-Identifier: GPL-3.0-or-later
// vatrel-log run as a process on log files the test writes.
#include "common/LogRecordBytes.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace vatrel::testing;

namespace {

struct Run {
    int code = -1;
    QString out, err;
};

Run run(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(VATREL_BUILD_DIR "/app/vatrel-log"), args);
    if (!p.waitForFinished(30000)) return {};
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

} // namespace

class TestVatrelLog : public QObject {
    Q_OBJECT

private slots:
    void printsWholeRecordsWithTheViewersFilters() {
        QTemporaryDir dir;
        const QString log = dir.filePath("01.04.2025");
        QFile f(log);
        QVERIFY(f.open(QIODevice::WriteOnly));
        const QDateTime noon(QDate(2025, 4, 1), QTime(12, 0));
        f.write(logRecord(15, QStringLiteral("Нет связи с датчиком <Ватрел-А> № 1234"), noon) +
                logRecord(33, QStringLiteral("Тревога, \"север\""), noon, quint32(-5)) +
                logRecord(18, QStringLiteral("Снят"), noon) + QByteArray(200, '\1'));
        f.close();

        Run r = run({log});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QString("01.04.2025 12:00:00\t15\t1234\tНет связи с датчиком <Ватрел-А> № 1234\n"
                                "01.04.2025 12:00:00\t33\t-5\tТревога, \"север\"\n"
                                "01.04.2025 12:00:00\t18\t1234\tСнят\n"));
        r = run({"--filter", "alarms", "--csv", log});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QString("01.04.2025 12:00:00,33,-5,\"Тревога, \"\"север\"\"\"\r\n"));
        r = run({"--csv", "--filter=link", log});
        QCOMPARE(r.out, QString("01.04.2025 12:00:00,15,1234,Нет связи с датчиком <Ватрел-А> № 1234\r\n"));

        for (const QString& bad : {dir.filePath("missing"), dir.path()}) {
            r = run({bad});
            QVERIFY(r.code != 0);
            QVERIFY2(r.err.contains(bad) && r.out.isEmpty(), qPrintable(r.err));
        }
        QCOMPARE(run({"--filter", "some", log}).code, 2);
        QCOMPARE(run({}).code, 2);

        // A header row on request; "--" ends the options, so a file may be named like one.
        QVERIFY(QFile::copy(log, dir.filePath("--csv")));
        r = run({"--csv", "--header", "--filter=alarms", "--", dir.filePath("--csv")});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QString("Дата и время,Код,Номер датчика,Наименование события\r\n"
                                "01.04.2025 12:00:00,33,-5,\"Тревога, \"\"север\"\"\"\r\n"));
        QDir::setCurrent(dir.path());
        QCOMPARE(run({"--", "--csv"}).out.count(QLatin1Char('\n')), 3);
        QCOMPARE(run({"--csv"}).code, 2);
        QCOMPARE(run({"--header", log}).code, 2); // a header belongs to CSV only
    }

    void controlCharactersNeverAddFields() {
        // A damaged record's text may hold any byte: each line still has exactly four fields.
        QTemporaryDir dir;
        const QString log = dir.filePath("01.04.2025");
        QFile f(log);
        QVERIFY(f.open(QIODevice::WriteOnly));
        const QDateTime noon(QDate(2025, 4, 1), QTime(12, 0));
        f.write(logRecord(33,
                          QStringLiteral("a\tb\vc\fd\x1c"
                                         "e\x1f"
                                         "f\rg\nh\x7fi"),
                          noon) +
                logRecord(18, QStringLiteral("\t"), noon));
        f.close();
        const Run r = run({log});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QString("01.04.2025 12:00:00\t33\t1234\ta b c d e f g h i\n"
                                "01.04.2025 12:00:00\t18\t1234\t \n"));
    }

    void statsPrintsLoopAlarmsPerSensorAsCsv() {
        QTemporaryDir dir;
        const QDateTime now = QDateTime::currentDateTime();
        const auto write = [&](const QString& name, const QByteArray& bytes) {
            QDir().mkpath(QFileInfo(dir.filePath(name)).path());
            QFile f(dir.filePath(name));
            return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
        };
        const auto alarm = [&](int loop, const QString& type, int number, qint64 secsAgo) {
            return logRecord(
                33,
                QStringLiteral("Срабатывание %1 шлейфа датчика <%2> № %3").arg(loop).arg(type).arg(number),
                now.addSecs(-secsAgo), quint32(number));
        };
        const qint64 day = 86400;
        QVERIFY(write("VatrelA_mess/12", alarm(1, "Ватрел-А", 12, 40 * day) +
                                             alarm(1, "Ватрел-А", 12, 3 * day) +
                                             alarm(2, "Ватрел-А", 12, 3600)));
        QVERIFY(
            write("VatrelB_mess/40", alarm(2, "Ватрел-Б", 40, 20 * day) + alarm(2, "Ватрел-Б", 40, 10 * day) +
                                         alarm(1, "Ватрел-Б", 40, 2 * day) +
                                         logRecord(15, QStringLiteral("Нет связи"), now.addSecs(-60), 40) +
                                         QByteArray(100, '\1')));

        Run r = run({"--stats", dir.path()});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QString("Номер датчика;Тип;Шлейф 1;Шлейф 2;Всего\r\n"
                                "40;Ватрел-Б;1;2;3\r\n"
                                "12;Ватрел-А;1;1;2\r\n"));
        r = run({"--stats", dir.path(), "--days", "1"});
        QCOMPARE(r.out, QString("Номер датчика;Тип;Шлейф 1;Шлейф 2;Всего\r\n"
                                "12;Ватрел-А;0;1;1\r\n"
                                "40;Ватрел-Б;0;0;0\r\n"));

        // A folder without logs: the header alone. A folder that is not there: a message and code 1.
        QTemporaryDir empty;
        r = run({"--stats", empty.path()});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QString("Номер датчика;Тип;Шлейф 1;Шлейф 2;Всего\r\n"));
        r = run({"--stats", dir.filePath("missing")});
        QCOMPARE(r.code, 1);
        QVERIFY(r.err.contains(dir.filePath("missing")) && r.out.isEmpty());

        for (const QStringList& bad :
             {QStringList{"--stats"}, QStringList{"--stats", dir.path(), "--days", "0"},
              QStringList{"--stats", dir.path(), "--days", "x"}, QStringList{"--stats", dir.path(), "--days"},
              QStringList{"--stats", dir.path(), "--csv"},
              QStringList{"--stats", dir.path(), "--filter", "alarms"},
              QStringList{"--stats", dir.path(), "VatrelA_mess/12"},
              QStringList{"--days", "3", dir.filePath("VatrelA_mess/12")}}) {
            r = run(bad);
            QCOMPARE(r.code, 2);
            QVERIFY2(r.err.contains("--stats DIR [--days N]") && r.out.isEmpty(), qPrintable(bad.join(' ')));
        }
    }
};

QTEST_GUILESS_MAIN(TestVatrelLog)
#include "tst_vatrellog.moc"
