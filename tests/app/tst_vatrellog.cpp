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
};

QTEST_GUILESS_MAIN(TestVatrelLog)
#include "tst_vatrellog.moc"
