// SPDX-License-Identifier: GPL-3.0-or-later
// The site feed against a real mosquitto started by the test: events in order with their fields,
// retained sensor states for a late subscriber, nothing lost across a broker restart and a console
// restart, TLS, refusals and retries, and the feed's line on the Diagnostics tab.
#include "MqttBroker.h"
#include "app/ConsoleWindows.h"
#include "app/DataFolder.h"
#include "app/MainWindow.h"
#include "app/WidgetUi.h"
#include "common/ConverterFrame.h"
#include "common/RecordingUi.h"
#include "common/SmallFileSystem.h"
#include "decoder/DecoderFixture.h"
#include "feed/FeedSpool.h"
#include "feed/SiteFeed.h"
#include "registry/EventLog.h"
#include "core/Startup.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QTest>
#include <bit>
#include <numeric>
#include <sys/stat.h>

using namespace vatrel;
using namespace vatrel::testing;

namespace {

bool writeData(const QString& dataDir, const QString& name, const QByteArray& bytes) {
    QDir(dataDir).mkpath(QStringLiteral("data"));
    QFile f(QDir(dataDir).filePath(QStringLiteral("data/") + name));
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

bool writeIni(const QString& dataDir, int port, const QString& extra = {}, int retryMax = 1) {
    return writeData(dataDir, QStringLiteral("mqtt.ini"),
                     QStringLiteral("[broker]\nhost=127.0.0.1\nport=%1\nretry_max=%2\n%3[feed]\nsite=north\n")
                         .arg(port)
                         .arg(retryMax)
                         .arg(extra)
                         .toUtf8());
}

QJsonObject json(const QByteArray& payload) { return QJsonDocument::fromJson(payload).object(); }

// Words 5…20 of a type B status report: four floats, one byte per word, low byte first.
std::vector<quint16> typeBReport(quint16 number, quint8 statusByte, const std::array<float, 4>& v) {
    std::vector<quint16> w{0x0141, 0, number, 2, statusByte};
    for (float f : v) {
        const quint32 bits = std::bit_cast<quint32>(f);
        for (int i = 0; i < 4; ++i)
            w.push_back(quint16((bits >> (8 * i)) & 0xFF));
    }
    return w;
}

EventRecord numbered(int i) {
    EventRecord r;
    r.factory_number = 7;
    r.time = 45000.5;
    r.code = storedCode(EventCode::LoopAlarm1);
    r.text = QStringLiteral("событие %1").arg(i);
    return r;
}

QList<qint64> oneTo(int n) {
    QList<qint64> out(n);
    std::iota(out.begin(), out.end(), 1);
    return out;
}

// The sequence numbers of the events topic, each taken once, in the order of first arrival.
QList<qint64> firstArrivals(const MqttProbe& probe, const QByteArray& topic) {
    QList<qint64> seqs;
    QSet<qint64> seen;
    for (const QByteArray& p : probe.payloads(topic)) {
        const qint64 seq = json(p).value(QStringLiteral("seq")).toInteger();
        if (!seen.contains(seq)) seqs << seq;
        seen.insert(seq);
    }
    return seqs;
}

} // namespace

class TestSiteFeed : public QObject {
    Q_OBJECT
private slots:
    void scriptedRunArrivesInOrder();
    void retainedStatesForLateSubscriber();
    void brokerAndConsoleRestartLoseNothing();
    void unacknowledgedEventsAreSentAgain();
    void spoolLeftByACrash();
    void longOutageReadsTheSpoolBack();
    void fullDiskKeepsTheAcknowledgedNumber();
    void specialFilesInTheDataFolder();
    void tls();
    void refusalAndUnreachableRetry();
    void diagnosticsTabShowsTheFeed();
    void topicsWithWildcardsAreRefused();
    void ownTopicFloodIsBounded();
};

void TestSiteFeed::scriptedRunArrivesInOrder() {
    MqttBroker broker;
    QVERIFY(broker.start());
    MqttProbe probe(broker.port(), "vatrel/north/events");
    QVERIFY(probe.connected());

    DecoderFixture f;
    QVERIFY(QDir(f.dir.path()).mkpath(QStringLiteral("data")));
    QVERIFY(!SiteFeed::fromDataFolder(f.dir.path())); // no file, no feed
    QVERIFY(writeIni(f.dir.path(), broker.port()));
    auto feed = SiteFeed::fromDataFolder(f.dir.path());
    QVERIFY(feed);
    f.c.feed = feed.get();
    f.addOnlineSensor(0, 1001, 1, 1, 0);
    f.addOnlineSensor(1, 2002, 0, 0, 0);

    f.c.eventLog.logProgramEvent(
        f.c.eventLog.makeEvent(0, EventCode::ProgramStart, QStringLiteral("Начало работы")));
    f.status(1001, 0x80); // loop 1 of an armed sensor in alarm
    f.status(1001, 0x00); // and back
    f.status(2002, 0x09); // EEPROM error
    f.send(reportText({0x01FF, 0, 2002}));

    QTRY_COMPARE_WITH_TIMEOUT(probe.payloads("vatrel/north/events").size(), 5, 10000);
    const QList<QByteArray> got = probe.payloads("vatrel/north/events");
    const QList<QByteArray> expected = {
        R"({"code":20,"factory_number":0,"sensor_type":null,"seq":1,"text":"Начало работы","time":"2024-03-15T10:20:30+03:00"})",
        R"({"code":33,"factory_number":1001,"sensor_type":"B","seq":2,"text":"Срабатывание 1 шлейфа датчика <Ватрел-Б> № 1001","time":"2024-03-15T10:20:30+03:00"})",
        R"({"code":0,"factory_number":1001,"sensor_type":"B","seq":3,"text":"Возврат в норму 1 шлейфа датчика <Ватрел-Б> № 1001","time":"2024-03-15T10:20:30+03:00"})",
        R"({"code":9,"factory_number":2002,"sensor_type":"A","seq":4,"text":"Ошибка ППЗУ датчика <Ватрел-А> № 2002","time":"2024-03-15T10:20:30+03:00"})",
        R"({"code":15,"factory_number":2002,"sensor_type":"A","seq":5,"text":"Нет связи с датчиком <Ватрел-А> № 2002","time":"2024-03-15T10:20:30+03:00"})",
    };
    for (int i = 0; i < expected.size(); ++i)
        QCOMPARE(json(got[i]), json(expected[i]));
    QTRY_COMPARE(feed->spooledEvents(), 0);
    f.c.feed = nullptr;
    feed.reset();
    // Delivered and acknowledged: the spool is empty and the number goes on from 5.
    QCOMPARE(f.read(QStringLiteral("data/mqtt-spool.jsonl")), QByteArray());
    QCOMPARE(f.read(QStringLiteral("data/mqtt-spool.seq")), QByteArray("5\n"));
}

void TestSiteFeed::retainedStatesForLateSubscriber() {
    MqttBroker broker;
    QVERIFY(broker.start());
    DecoderFixture f;
    QVERIFY(writeIni(f.dir.path(), broker.port()));
    auto feed = SiteFeed::fromDataFolder(f.dir.path());
    f.c.feed = feed.get();
    f.addOnlineSensor(0, 1001, 1, 1, 0);
    f.addOnlineSensor(5, 3003, 1, 0, 1);
    fillSensorRow(f.c.sensorRows, f.c.sensors, 0); // the rows announce the sensors
    fillSensorRow(f.c.sensorRows, f.c.sensors, 5);
    QTRY_COMPARE(feed->state(), SiteFeed::State::Online);

    MqttProbe live(broker.port(), "vatrel/north/sensors/1001");
    QVERIFY(live.connected());
    QTRY_COMPARE(live.payloads("vatrel/north/sensors/1001").size(), 1);
    // Ten reports within a moment, only the measurements changing: at most one more message now,
    // and the last values once the second has passed.
    for (int i = 1; i <= 10; ++i)
        f.send(reportText(typeBReport(1001, 0x00, {1.5f, 2.5f, 0.25f * float(i), 0.125f})));
    QTest::qWait(300);
    QVERIFY(live.payloads("vatrel/north/sensors/1001").size() <= 2);
    QTRY_COMPARE(json(live.payloads("vatrel/north/sensors/1001").last()).value("signal1").toDouble(), 2.5);
    // A change of state is not held back.
    const qsizetype before = live.payloads("vatrel/north/sensors/1001").size();
    f.send(reportText(typeBReport(1001, 0x80, {1.5f, 2.5f, 2.5f, 0.125f})));
    QTRY_VERIFY_WITH_TIMEOUT(live.payloads("vatrel/north/sensors/1001").size() > before, 500);
    f.send(reportText({0x01FF, 0, 3003})); // sensor 3003 lost

    MqttProbe late(broker.port(), "vatrel/north/#");
    QVERIFY(late.connected());
    // Sensor 3003's loss may reach the broker just after this subscriber: the last word counts.
    const auto last = [&late](const char* topic) {
        const QList<QByteArray> p = late.payloads(topic);
        return p.isEmpty() ? QByteArray() : p.last();
    };
    QTRY_COMPARE(json(last("vatrel/north/sensors/3003")).value("state").toString(),
                 QStringLiteral("Нет связи"));
    QTRY_COMPARE(last("vatrel/north/console"), QByteArray("online"));
    QTRY_VERIFY(!last("vatrel/north/sensors/1001").isEmpty());
    QVERIFY(late.messages().front().retained);
    QJsonObject s1 = json(last("vatrel/north/sensors/1001"));
    QVERIFY(QDateTime::fromString(s1.take("time").toString(), Qt::ISODate).isValid());
    QCOMPARE(s1, json(R"({"slot":0,"position":1,"factory_number":1001,"sensor_type":"B","loop1":"Тревога",
        "loop2":"Норма","armed1":true,"armed2":false,"state":"Норма","link":true,"threshold1":1.5,
        "signal1":2.5,"threshold2":2.5,"signal2":0.125})"));
    QJsonObject s3 = json(last("vatrel/north/sensors/3003"));
    s3.remove("time");
    QCOMPARE(s3, json(R"({"slot":5,"position":6,"factory_number":3003,"sensor_type":"B","loop1":"Тревога",
        "loop2":"Тревога","armed1":false,"armed2":true,"state":"Нет связи","link":false,"threshold1":0,
        "signal1":0,"threshold2":0,"signal2":0})"));

    // Emptying the slot (what disconnecting does) clears the retained topic.
    f.c.sensors.record(5).factory_number = 0;
    f.c.sensorRows.empty(5);
    QTRY_COMPARE(last("vatrel/north/sensors/3003"), QByteArray());
    MqttProbe later(broker.port(), "vatrel/north/sensors/#");
    QTRY_COMPARE(later.payloads("vatrel/north/sensors/1001").size(), 1);
    QTest::qWait(200);
    QCOMPARE(later.payloads("vatrel/north/sensors/3003").size(), 0);

    // A clean stop replaces the presence with "offline".
    f.c.feed = nullptr;
    feed.reset();
    QTRY_COMPARE(late.payloads("vatrel/north/console").last(), QByteArray("offline"));
}

void TestSiteFeed::brokerAndConsoleRestartLoseNothing() {
    MqttBroker broker;
    QVERIFY(broker.start());
    auto probe = std::make_unique<MqttProbe>(broker.port(), "vatrel/north/events", "probe", true);
    QVERIFY(probe->connected());
    QTemporaryDir dir;
    QVERIFY(writeIni(dir.path(), broker.port()));
    auto feed = SiteFeed::fromDataFolder(dir.path());
    QTRY_COMPARE(feed->state(), SiteFeed::State::Online);

    constexpr int kEvents = 1000;
    for (int i = 0; i < kEvents; ++i) {
        if (i == 300) broker.stop(); // the broker goes away in the middle of the burst
        if (i == 500) {
            // The console is restarted while the broker is down.
            feed.reset();
            QVERIFY(QFileInfo(dir.filePath(QStringLiteral("data/mqtt-spool.jsonl"))).size() > 0);
            feed = SiteFeed::fromDataFolder(dir.path());
        }
        if (i == 700) QVERIFY(broker.start(broker.port()));
        feed->eventLogged(numbered(i), 1);
        if (i % 50 == 0) QTest::qWait(20);
    }
    QTRY_COMPARE_WITH_TIMEOUT(feed->spooledEvents(), 0, 30000);
    QTRY_COMPARE_WITH_TIMEOUT(firstArrivals(*probe, "vatrel/north/events").size(), kEvents, 15000);

    QCOMPARE(firstArrivals(*probe, "vatrel/north/events"), oneTo(kEvents));
    // Each number carries its own event: the texts follow the order they were logged in.
    for (const QByteArray& p : probe->payloads("vatrel/north/events"))
        QCOMPARE(json(p).value("text").toString(),
                 QStringLiteral("событие %1").arg(json(p).value("seq").toInteger() - 1));
    qInfo("%lld messages for %d events", qlonglong(probe->payloads("vatrel/north/events").size()), kEvents);
}

void TestSiteFeed::unacknowledgedEventsAreSentAgain() {
    MqttBroker broker;
    QVERIFY(broker.start());
    MqttProbe probe(broker.port(), "vatrel/north/#");
    CutRelay relay(broker.port());
    QTemporaryDir dir;
    QVERIFY(writeIni(dir.path(), relay.port()));
    auto feed = SiteFeed::fromDataFolder(dir.path());
    QTRY_COMPARE(feed->state(), SiteFeed::State::Online);
    for (int i = 0; i < 100; ++i)
        feed->eventLogged(numbered(i), 1);
    QTRY_COMPARE(probe.payloads("vatrel/north/events").size(), 100);

    // Published but never acknowledged, then the connection drops: they must go out again.
    relay.hold();
    for (int i = 100; i < 200; ++i)
        feed->eventLogged(numbered(i), 1);
    QTest::qWait(300);
    QCOMPARE(feed->spooledEvents(), 100);
    relay.cut();
    QTRY_COMPARE_WITH_TIMEOUT(feed->spooledEvents(), 0, 10000);
    QCOMPARE(firstArrivals(probe, "vatrel/north/events"), oneTo(200));
    // The broker announced the vanished connection through the last will; the new one said "online".
    QCOMPARE(probe.payloads("vatrel/north/console"), QList<QByteArray>({"online", "offline", "online"}));
}

void TestSiteFeed::spoolLeftByACrash() {
    // Seq 4 was acknowledged, 5 and 6 were not, 7 was cut short while being written.
    MqttBroker broker;
    QVERIFY(broker.start());
    MqttProbe probe(broker.port(), "vatrel/north/events");
    QTemporaryDir dir;
    QVERIFY(writeIni(dir.path(), broker.port()));
    QVERIFY(writeData(dir.path(), "mqtt-spool.jsonl",
                      "{\"seq\":4,\"text\":\"a\"}\n{\"seq\":5,\"text\":\"b\"}\n{\"seq\":6,\"text\":\"c\"}\n{"
                      "\"seq\":7,\"te"));
    QVERIFY(writeData(dir.path(), "mqtt-spool.seq", "4\n"));

    auto feed = SiteFeed::fromDataFolder(dir.path());
    feed->eventLogged(numbered(0), FeedSink::kProgramEvent);
    QTRY_COMPARE(probe.payloads("vatrel/north/events").size(), 3);
    const QList<QByteArray> got = probe.payloads("vatrel/north/events");
    QCOMPARE(got[0], QByteArray(R"({"seq":5,"text":"b"})"));
    QCOMPARE(got[1], QByteArray(R"({"seq":6,"text":"c"})"));
    QCOMPARE(json(got[2]).value("seq").toInteger(), 7);
    QCOMPARE(json(got[2]).value("sensor_type"), QJsonValue(QJsonValue::Null));
    QCOMPARE(json(got[2]).value("factory_number").toInteger(), 0);
}

void TestSiteFeed::longOutageReadsTheSpoolBack() {
    // A window of three in memory: the rest waits in the file and is read back in order.
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath("data"));
    const auto seqs = [](const FeedSpool& s) {
        QList<quint64> out;
        for (const auto& e : s.pending())
            out << e.seq;
        return out;
    };
    FeedSpool spool(dir.path(), 3);
    spool.load();
    std::deque<FeedSpool::Entry> batch;
    for (quint64 i = 1; i <= 10; ++i)
        batch.push_back({i, QStringLiteral(R"({"seq":%1})").arg(i).toUtf8()});
    QVERIFY(spool.append(batch));
    QCOMPARE(seqs(spool), QList<quint64>({1, 2, 3}));
    QCOMPARE(spool.size(), 10);
    spool.acknowledge(5);
    QCOMPARE(seqs(spool), QList<quint64>({6, 7, 8}));
    QVERIFY(spool.persist());

    FeedSpool restarted(dir.path(), 3); // a console restart in the middle of the outage
    restarted.load();
    QCOMPARE(seqs(restarted), QList<quint64>({6, 7, 8}));
    QCOMPARE(restarted.size(), 5);
    QCOMPARE(restarted.nextSeq(), quint64(11));
    restarted.acknowledge(8);
    QCOMPARE(seqs(restarted), QList<quint64>({9, 10}));
    restarted.acknowledge(10);
    QVERIFY(restarted.persist());
    QCOMPARE(QFileInfo(dir.filePath("data/mqtt-spool.jsonl")).size(), 0);
}

void TestSiteFeed::fullDiskKeepsTheAcknowledgedNumber() {
    // An emptied number file would restart the numbering at 1, and consumers that drop repeats by
    // number would drop new events; a line the disk does not take is not left torn in the spool.
    SmallFileSystem disk;
    VATREL_REQUIRE_SMALL_FILE_SYSTEM(disk);
    QVERIFY(QDir(disk.path()).mkpath("data"));
    FeedSpool spool(disk.path());
    spool.load();
    std::deque<FeedSpool::Entry> batch;
    for (quint64 i = 1; i <= 50; ++i)
        batch.push_back({i, QStringLiteral(R"({"seq":%1})").arg(i).toUtf8()});
    QVERIFY(spool.append(batch));
    spool.acknowledge(42);
    QVERIFY(spool.persist());
    disk.fill();
    spool.acknowledge(50);
    QVERIFY(!spool.persist());
    const QByteArray lines = readFile(disk.file("data/mqtt-spool.jsonl"));
    QVERIFY(!spool.append({{51, R"({"seq":51,"pad":")" + QByteArray(6000, 'a') + R"("})"}}));
    QCOMPARE(readFile(disk.file("data/mqtt-spool.jsonl")), lines);

    FeedSpool restarted(disk.path());
    restarted.load();
    QCOMPARE(restarted.pending().front().seq, quint64(43));
    QCOMPARE(restarted.nextSeq(), quint64(51));
}

void TestSiteFeed::specialFilesInTheDataFolder() {
    // A pipe or a device in place of a feed file: nothing waits or reads without end; each is named.
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath("data"));
    const QString seq = dir.filePath("data/mqtt-spool.seq"), lines = dir.filePath("data/mqtt-spool.jsonl");
    QCOMPARE(::mkfifo(QFile::encodeName(lines).constData(), 0600), 0);
    QVERIFY(QFile::link(QStringLiteral("/dev/zero"), seq));
    for (const QString& special : {lines, seq}) { // the spool's name wins while both are bad
        FeedSpool spool(dir.path());
        QVERIFY(!spool.load());
        QCOMPARE(spool.lastError(), QStringLiteral("не читается файл ") + QDir::toNativeSeparators(special));
        QVERIFY(QFile::remove(special));
    }
    QVERIFY(QFile::link(QStringLiteral("/dev/zero"), dir.filePath("data/mqtt.ini")));
    QCOMPARE(FeedConfig::load(dir.path()).value().problem, QStringLiteral("не читается файл data/mqtt.ini"));
}

void TestSiteFeed::tls() {
    // A test CA, the broker's certificate signed by it, and a second CA that signed nothing.
    QTemporaryDir certs;
    const char* script =
        "set -e\n"
        "openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=TestCA -keyout ca.key -out ca.pem\n"
        "openssl req -newkey rsa:2048 -nodes -subj /CN=127.0.0.1 -keyout server.key -out server.csr\n"
        "echo subjectAltName=IP:127.0.0.1 > ext.cnf\n"
        "openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 -extfile ext.cnf "
        "-out server.pem\n"
        "openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=OtherCA -keyout other.key -out "
        "other.pem\n";
    QProcess openssl;
    openssl.setWorkingDirectory(certs.path());
    openssl.start(QStringLiteral("sh"), {QStringLiteral("-c"), QString::fromLatin1(script)});
    QVERIFY(openssl.waitForFinished(60000) && openssl.exitCode() == 0);

    MqttBroker broker(
        {{}, {}, certs.filePath("ca.pem"), certs.filePath("server.pem"), certs.filePath("server.key")});
    QVERIFY(broker.start());

    QTemporaryDir dir;
    QVERIFY(writeIni(dir.path(), broker.port(), "ca_file=" + certs.filePath("other.pem") + "\n"));
    {
        auto feed = SiteFeed::fromDataFolder(dir.path());
        QTRY_COMPARE(feed->state(), SiteFeed::State::TlsFailed);
        QVERIFY2(feed->statusText().startsWith(
                     QStringLiteral("ошибка TLS с 127.0.0.1:%1; повтор через ").arg(broker.port())),
                 qPrintable(feed->statusText()));
        feed->eventLogged(numbered(0), 0);
    }

    QVERIFY(writeIni(dir.path(), broker.port(), "ca_file=" + certs.filePath("ca.pem") + "\n"));
    auto feed = SiteFeed::fromDataFolder(dir.path());
    QTRY_COMPARE(feed->state(), SiteFeed::State::Online);
    QCOMPARE(feed->statusText(), QStringLiteral("подключено к 127.0.0.1:%1").arg(broker.port()));
    QTRY_COMPARE(feed->spooledEvents(), 0); // the event spooled while TLS failed went out
}

void TestSiteFeed::refusalAndUnreachableRetry() {
    // A listener that drops every connection at once: the attempts keep coming, further and
    // further apart (1, 2, 4, 4 s with retry_max=4), rather than hammering it.
    QTcpServer counter;
    QVERIFY(counter.listen(QHostAddress::LocalHost, 0));
    const int port = counter.serverPort();
    int attempts = 0;
    QObject::connect(&counter, &QTcpServer::newConnection, [&] {
        while (QTcpSocket* s = counter.nextPendingConnection()) {
            ++attempts;
            s->abort();
            s->deleteLater();
        }
    });
    DecoderFixture f;
    QVERIFY(writeIni(f.dir.path(), port, {}, 4));
    auto feed = SiteFeed::fromDataFolder(f.dir.path());
    QTest::qWait(6000);
    QVERIFY2(attempts >= 2 && attempts <= 4, qPrintable(QString::number(attempts)));
    QCOMPARE(feed->state(), SiteFeed::State::Unreachable);
    feed.reset();

    // Nothing listens: the state says so, and the console goes on logging while the events wait
    // in the spool.
    counter.close();
    feed = SiteFeed::fromDataFolder(f.dir.path());
    f.c.feed = feed.get();
    QTRY_COMPARE(feed->state(), SiteFeed::State::Unreachable);
    QVERIFY2(feed->statusText().startsWith(
                 QStringLiteral("нет связи с 127.0.0.1:%1 (Connection refused); повтор через ").arg(port)),
             qPrintable(feed->statusText()));
    f.addOnlineSensor(0, 1001, 1, 1, 0);
    f.status(1001, 0x80);
    QCOMPARE(f.daily().size(), 1);
    QTRY_COMPARE(feed->spooledEvents(), 1);
}

void TestSiteFeed::diagnosticsTabShowsTheFeed() {
    MqttBroker broker({QStringLiteral("site"), QStringLiteral("secret"), {}, {}, {}});
    QVERIFY(broker.start());
    QTemporaryDir dir;
    QVERIFY(prepareFolder(dir.path(), {{0, 1001, 1, 1, 0}, {1, 2002, 0}}));
    QVERIFY(writeIni(dir.path(), broker.port(), "user=site\npassword=wrong\n"));
    QDir::setCurrent(dir.path());
    Console c;
    FakePort port{FakePort::Device::Missing};
    c.link.attachPort(&port);
    auto feed = SiteFeed::fromDataFolder(dir.path());
    c.feed = feed.get();
    {
        ConsoleWindows windows(c, std::make_unique<WidgetUi>());
        auto* state = windows.mainWindow()->findChild<QLabel*>(QStringLiteral("FeedState"));
        auto* spooled = windows.mainWindow()->findChild<QLabel*>(QStringLiteral("FeedSpool"));
        QVERIFY(state && spooled);
        // The existing controls of the tab are still there.
        QVERIFY(windows.mainWindow()->findChild<QWidget*>(QStringLiteral("Button2")));
        QTRY_VERIFY2(state->text().startsWith(
                         QStringLiteral("127.0.0.1:%1 отказал: доступ запрещён (имя, пароль или права)")
                             .arg(broker.port())),
                     qPrintable(state->text()));
        QTRY_COMPARE(spooled->text(), QStringLiteral("1")); // "Начало работы" waits
    }
    c.feed = nullptr;
    QDir::setCurrent(QDir::tempPath());
}

void TestSiteFeed::topicsWithWildcardsAreRefused() {
    QTemporaryDir dir;
    const QList<std::pair<QByteArray, QString>> cases{
        {"site=north\nprefix=vatrel/#", QStringLiteral("в feed/prefix недопустим знак #")},
        {"site=no+rth", QStringLiteral("в feed/site недопустим знак +")},
        {QByteArray("site=north\nprefix=vatrel/a") + '\0' + "b",
         QStringLiteral("в feed/prefix недопустим знак NUL")},
    };
    for (const auto& [feedSection, problem] : cases) {
        QVERIFY(writeData(dir.path(), "mqtt.ini", "[broker]\nport=1883\n[feed]\n" + feedSection + "\n"));
        const std::optional<FeedConfig> cfg = FeedConfig::load(dir.path());
        QVERIFY(cfg);
        QCOMPARE(cfg->problem, problem);
    }
    QVERIFY(writeData(dir.path(), "mqtt.ini", "[feed]\nsite=north\nprefix=\"vatrel/ north \"\n"));
    QCOMPARE(FeedConfig::load(dir.path())->problem, QString()); // blanks are no wildcards

    // The console: the Diagnostics tab and the log say it; the feed never connects.
    QVERIFY(prepareFolder(dir.path(), {}));
    QVERIFY(writeIni(dir.path(), freePort(), "[feed]\nprefix=vatrel/north/#\n"));
    QDir::setCurrent(dir.path());
    Console c;
    FakePort port{FakePort::Device::Missing};
    c.link.attachPort(&port);
    auto feed = SiteFeed::fromDataFolder(dir.path());
    c.feed = feed.get();
    {
        ConsoleWindows windows(c, std::make_unique<WidgetUi>());
        auto* state = windows.mainWindow()->findChild<QLabel*>(QStringLiteral("FeedState"));
        QVERIFY(state);
        QTRY_COMPARE(state->text(), QStringLiteral("не запущено: в feed/prefix недопустим знак #"));
        QCOMPARE(c.events.at(1).text,
                 QStringLiteral("Сервер MQTT не используется: в feed/prefix недопустим знак #"));
    }
    c.feed = nullptr;
    QDir::setCurrent(QDir::tempPath());
}

void TestSiteFeed::ownTopicFloodIsBounded() {
    // Anyone with rights on the console's topic: an oversized message is dropped unanswered, and a
    // flood of small ones is answered at most once a second, ending with our presence restored.
    MqttBroker broker;
    QVERIFY(broker.start());
    MqttProbe probe(broker.port(), "vatrel/north/console");
    QVERIFY(probe.connected());
    QTemporaryDir dir;
    QVERIFY(writeIni(dir.path(), broker.port()));
    auto feed = SiteFeed::fromDataFolder(dir.path());
    QTRY_COMPARE(feed->state(), SiteFeed::State::Online);
    QTRY_COMPARE(probe.payloads("vatrel/north/console"), QList<QByteArray>{"online"});

    mosquitto* flood = mosquitto_new(nullptr, true, nullptr);
    QCOMPARE(mosquitto_connect(flood, "127.0.0.1", broker.port(), 10), MOSQ_ERR_SUCCESS);
    QCOMPARE(mosquitto_loop_start(flood), MOSQ_ERR_SUCCESS);
    const QByteArray big(100000, 'x');
    mosquitto_publish(flood, nullptr, "vatrel/north/console", int(big.size()), big.constData(), 1, false);
    QTRY_COMPARE(probe.payloads("vatrel/north/console").size(), 2);
    QTest::qWait(1500);
    QCOMPARE(probe.payloads("vatrel/north/console").size(), 2); // no answer to it

    QElapsedTimer t;
    t.start();
    for (int i = 0; i < 2000; ++i)
        mosquitto_publish(flood, nullptr, "vatrel/north/console", 1, "x", 0, false);
    QTRY_COMPARE_WITH_TIMEOUT(probe.payloads("vatrel/north/console").count("x"), 2000, 10000);
    QTest::qWait(2500);
    const QList<QByteArray> seen = probe.payloads("vatrel/north/console");
    const qint64 answers = seen.count("online") - 1;
    QVERIFY2(answers >= 1 && answers <= t.elapsed() / 1000 + 1, qPrintable(QString::number(answers)));
    QCOMPARE(seen.last(), QByteArray("online"));
    mosquitto_disconnect(flood);
    mosquitto_loop_stop(flood, true);
    mosquitto_destroy(flood);
}

QTEST_MAIN(TestSiteFeed)
#include "tst_sitefeed.moc"
