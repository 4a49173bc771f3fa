// SPDX-License-Identifier: GPL-3.0-or-later
// The running simulator: its pseudo-terminal link, control pipe and scenario file, and the demo
// data folder it creates.
#include "registry/PlanLayout.h"
#include "registry/Records.h"
#include "sim/DemoFolder.h"
#include "sim/Simulator.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

using vatrel::sim::Simulator;

namespace {

// The console's end: the slave opened through the link, as a serial device would be.
class ConsoleEnd {
public:
    explicit ConsoleEnd(const QString& path) {
        m_fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    }
    ~ConsoleEnd() {
        if (m_fd >= 0) ::close(m_fd);
    }
    bool ok() const { return m_fd >= 0; }
    void send(const QByteArray& b) {
        QCOMPARE(::write(m_fd, b.constData(), size_t(b.size())), ssize_t(b.size()));
    }
    QByteArray readAll() {
        QByteArray out;
        char buf[4096];
        ssize_t n;
        while ((n = ::read(m_fd, buf, sizeof buf)) > 0)
            out.append(buf, qsizetype(n));
        return out;
    }

private:
    int m_fd = -1;
};

Simulator::Options options(const QString& dir) {
    Simulator::Options o;
    o.dir = dir;
    o.port = 3;
    return o;
}

} // namespace

class TestSimulator : public QObject {
    Q_OBJECT
private slots:
    void answersOnThePseudoTerminal();
    void reopenedPortHoldsNothingFromBefore();
    void replacesStaleLinkAndRefusesOtherFiles();
    void controlPipeAndScriptSteerTheConverter();
    void initDemoWritesTheDataFolder();
};

void TestSimulator::answersOnThePseudoTerminal() {
    QTemporaryDir dir;
    Simulator sim(options(dir.path()));
    sim.setOutput(nullptr);
    QVERIFY2(sim.start(), qPrintable(sim.errorString()));
    const QFileInfo link(dir.path() + QStringLiteral("/dev/COM3"));
    QVERIFY(link.isSymLink());
    QVERIFY(link.symLinkTarget().startsWith(QStringLiteral("/dev/pts/")));

    ConsoleEnd console(link.filePath());
    QVERIFY(console.ok());
    console.send(":0141BE\r\n");
    QByteArray got;
    QTRY_VERIFY_WITH_TIMEOUT((got += console.readAll()).contains('\n'), 5000);
    QCOMPARE(got, QByteArray(":0141BE\r\n")); // raw line: no echo, no CR/LF translation

    // A mapped sensor starts reporting by itself.
    console.send(":0142000103E90016BD\r\n");
    got.clear();
    QTRY_VERIFY_WITH_TIMEOUT((got += console.readAll()).contains("~0141000003E9"), 5000);
    QVERIFY(got.startsWith(":01420001BC\r\n"));

    sim.stop();
    QVERIFY(!QFileInfo(link.filePath()).isSymLink());
    QVERIFY(!QFileInfo::exists(dir.path() + QStringLiteral("/sim.ctl")));
}

void TestSimulator::reopenedPortHoldsNothingFromBefore() {
    QTemporaryDir dir;
    Simulator sim(options(dir.path()));
    sim.setOutput(nullptr);
    QVERIFY2(sim.start(), qPrintable(sim.errorString()));
    const QString link = dir.path() + QStringLiteral("/dev/COM3");
    QVERIFY(!sim.consoleAttached());
    {
        // An empty map entry (no sensor reports follow); the port closes before the reply is read.
        ConsoleEnd console(link);
        QVERIFY(console.ok());
        QTRY_VERIFY_WITH_TIMEOUT(sim.consoleAttached(), 5000);
        console.send(":0142000100000000BC\r\n");
        QTRY_COMPARE_WITH_TIMEOUT(sim.converter().commandsAnswered(0x42), 1, 5000);
    }
    QTRY_VERIFY_WITH_TIMEOUT(!sim.consoleAttached(), 5000);
    sim.command(QStringLiteral("timeout 1001")); // sent while nobody listens: lost

    // The next console would otherwise take the old reply for the answer to its first command.
    ConsoleEnd console(link);
    QVERIFY(console.ok());
    QTRY_VERIFY_WITH_TIMEOUT(sim.consoleAttached(), 5000);
    console.send(":0141BE\r\n");
    QByteArray got;
    QTRY_VERIFY_WITH_TIMEOUT((got += console.readAll()).contains('\n'), 5000);
    QCOMPARE(got, QByteArray(":0141BE\r\n"));
}

void TestSimulator::replacesStaleLinkAndRefusesOtherFiles() {
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("dev"));
    const QString path = dir.path() + QStringLiteral("/dev/COM3");
    QVERIFY(QFile::link(QStringLiteral("/dev/pts/nonexistent-old-run"), path));
    {
        Simulator sim(options(dir.path()));
        sim.setOutput(nullptr);
        QVERIFY2(sim.start(), qPrintable(sim.errorString()));
        QVERIFY(QFileInfo(path).symLinkTarget() != QStringLiteral("/dev/pts/nonexistent-old-run"));
        QVERIFY(QFileInfo::exists(path)); // the link resolves to a live terminal
    }
    QVERIFY(!QFileInfo(path).isSymLink());

    // A link to a real adapter, even one unplugged, is the site's and stays.
    const QString adapter = QStringLiteral("/dev/serial/by-id/usb-unplugged-if00-port0");
    QVERIFY(QFile::link(adapter, path));
    {
        Simulator sim(options(dir.path()));
        sim.setOutput(nullptr);
        QVERIFY(!sim.start());
        QVERIFY2(sim.errorString().contains(adapter), qPrintable(sim.errorString()));
    }
    QCOMPARE(QFileInfo(path).symLinkTarget(), adapter);
    QVERIFY(QFile::remove(path));

    QFile plain(path);
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.write("not a link");
    plain.close();
    Simulator sim(options(dir.path()));
    sim.setOutput(nullptr);
    QVERIFY(!sim.start());
    QVERIFY(sim.errorString().contains(QStringLiteral("not a link")));
    QVERIFY(plain.open(QIODevice::ReadOnly));
    QCOMPARE(plain.readAll(), QByteArray("not a link"));
}

void TestSimulator::controlPipeAndScriptSteerTheConverter() {
    QTemporaryDir dir;
    QFile script(dir.path() + QStringLiteral("/scenario.txt"));
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("# scenario\nstate 1001 9\nwait 20\nalarm 1001 2 on\nrate 300\n");
    script.close();

    Simulator::Options o = options(dir.path());
    o.scriptPath = script.fileName();
    Simulator sim(o);
    QStringList printed;
    sim.setOutput([&](const QString& s) { printed << s; });
    QVERIFY2(sim.start(), qPrintable(sim.errorString()));
    QTRY_COMPARE_WITH_TIMEOUT(sim.converter().statusPeriodMs(), 300, 5000);
    QCOMPARE(sim.converter().sensor(1001).state, 9);
    QVERIFY(sim.converter().sensor(1001).loop2);

    QFile pipe(sim.controlPipePath());
    QVERIFY(QFileInfo(pipe.fileName()).exists());
    QVERIFY(pipe.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    pipe.write("alarm 1001 1 on\ncut 2002\n");
    pipe.close();
    QTRY_VERIFY_WITH_TIMEOUT(sim.converter().sensors().value(2002).absent, 5000);
    QVERIFY(sim.converter().sensor(1001).loop1);

    // A writer that comes and goes does not stop the pipe from listening.
    QVERIFY(pipe.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    pipe.write("help\n");
    pipe.close();
    QTRY_VERIFY_WITH_TIMEOUT(!printed.isEmpty() && printed.last().contains(QStringLiteral("silent / resume")),
                             5000);

    bool quit = false;
    connect(&sim, &Simulator::quitRequested, this, [&] { quit = true; });
    QVERIFY(pipe.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    pipe.write("quit\n");
    pipe.close();
    QTRY_VERIFY_WITH_TIMEOUT(quit, 5000);
}

void TestSimulator::initDemoWritesTheDataFolder() {
    QTemporaryDir tmp;
    const QString dir = tmp.path() + QStringLiteral("/demo");
    QString error;
    QVERIFY2(vatrel::sim::initDemo(dir, &error), qPrintable(error));

    for (const char* sub : {"data", "VatrelA", "VatrelB", "VatrelA_mess", "VatrelB_mess", "QReport"})
        QVERIFY2(QFileInfo(dir + QLatin1Char('/') + QLatin1String(sub)).isDir(), sub);

    QFile hw(dir + QStringLiteral("/data/hw.dat"));
    QVERIFY(hw.open(QIODevice::ReadOnly));
    const QByteArray h = hw.readAll();
    QCOMPARE(h.size(), 1202);
    QCOMPARE(h.mid(1200), QByteArray(2, '\0')); // COM1
    int typeA = 0, typeB = 0, occupied = 0;
    for (int s = 0; s < 200; ++s) {
        const quint32 n = vatrel::le::u32(h.constData() + 6 * s);
        if (n == 0) continue;
        ++occupied;
        const qint16 type = qint16(vatrel::le::u16(h.constData() + 6 * s + 4));
        (type == 0 ? typeA : typeB)++;
        QFile f(dir + (type == 0 ? QStringLiteral("/VatrelA/") : QStringLiteral("/VatrelB/")) +
                QString::number(n));
        QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(f.fileName()));
        const QByteArray bytes = f.readAll();
        QCOMPARE(bytes.size(), 232);
        QCOMPARE(bytes[0], char(1));                                        // mark
        QCOMPARE(vatrel::le::u32(bytes.constData() + 4), n);                // factory number
        QCOMPARE(qint16(vatrel::le::u16(bytes.constData() + 8)), type);     // sensor type
        QCOMPARE(int(vatrel::le::u16(bytes.constData() + 10)), s);          // slot index
        QVERIFY(vatrel::le::f64(bytes.constData() + 16) > 40000);           // connected in this century
        QCOMPARE(vatrel::le::u16(bytes.constData() + 40), quint16(0xFFFF)); // disconnected_by -1
        QCOMPARE(vatrel::le::u32(bytes.constData() + 52), 15u);             // status: no link yet
        QCOMPARE(bytes[56], char(1));
        QCOMPARE(bytes[57], char(1));
    }
    QVERIFY(occupied >= 10 && occupied <= 14);
    QVERIFY(typeA >= 3 && typeB >= 3);
    QCOMPARE(QDir(dir + QStringLiteral("/VatrelA")).count() + QDir(dir + QStringLiteral("/VatrelB")).count() -
                 4,
             uint(occupied));

    QFile chop(dir + QStringLiteral("/data/chop.dat"));
    QVERIFY(chop.open(QIODevice::ReadOnly));
    const QByteArray ops = chop.readAll();
    QCOMPARE(ops.size(), 120);
    // "Иванов" in cp1251, NUL-terminated, after mark 1 and deleted 0.
    QCOMPARE(ops.left(9), QByteArray("\x01\x00\xC8\xE2\xE0\xED\xEE\xE2\x00", 9));
    QCOMPARE(ops[40], char(1));
    QCOMPARE(ops[80], char(1));

    QFile wav(dir + QStringLiteral("/Error.wav"));
    QVERIFY(wav.open(QIODevice::ReadOnly));
    const QByteArray w = wav.readAll();
    QCOMPARE(w.left(4), QByteArray("RIFF"));
    QCOMPARE(w.mid(8, 8), QByteArray("WAVEfmt "));
    QCOMPARE(vatrel::le::u16(w.constData() + 20), quint16(1)); // PCM
    const quint32 rate = vatrel::le::u32(w.constData() + 24);
    const quint32 data = vatrel::le::u32(w.constData() + 40);
    QCOMPARE(qsizetype(44 + data), w.size());
    const double seconds = double(data) / (2.0 * rate);
    QVERIFY(seconds >= 0.2 && seconds <= 0.8);

    // A second run leaves an existing folder alone.
    QVERIFY(!vatrel::sim::initDemo(dir, &error));
    QVERIFY(error.contains(QStringLiteral("already")));

    // The load-test folder fills every slot; the last is sensor 3188, type B, loop 1 armed.
    const QString full = tmp.path() + QStringLiteral("/full");
    QVERIFY2(vatrel::sim::initDemo(full, &error, 200), qPrintable(error));
    QFile fullHw(full + QStringLiteral("/data/hw.dat"));
    QVERIFY(fullHw.open(QIODevice::ReadOnly));
    const QByteArray fh = fullHw.readAll();
    for (int s = 0; s < 200; ++s)
        QVERIFY(vatrel::le::u32(fh.constData() + 6 * s) != 0);
    QCOMPARE(vatrel::le::u32(fh.constData() + 6 * 199), 3188u);
    QFile last(full + QStringLiteral("/VatrelB/3188"));
    QVERIFY(last.open(QIODevice::ReadOnly));
    QCOMPARE(last.readAll().at(48), char(1)); // loop1_armed

    // The plan: every sensor along the fence on "Периметр", with a marker and a line that stay on
    // the picture; the northern ones on "Север" too.
    const vatrel::PlanFileRead plans = vatrel::readPlanFile(full + QStringLiteral("/data/plans/plans.json"));
    QCOMPARE(plans.state, vatrel::PlanFileRead::State::Loaded);
    QCOMPARE(plans.layout.count(), 2);
    QCOMPARE(plans.layout.plan(0).sensors.size(), 200);
    QCOMPARE(plans.layout.find(0, 3188)->line.last(), QPointF(100, 120)); // the fence closes
    for (const vatrel::PlacedSensor& p : plans.layout.plan(0).sensors) {
        QList<QPointF> points = p.line; // a named list: a temporary would end before the loop runs
        if (p.marker) points << *p.marker;
        for (QPointF pt : points)
            QVERIFY(QRectF(0, 0, 1600, 1000).contains(pt));
    }
    QVERIFY(plans.layout.plan(1).sensors.size() > 0);
    QVERIFY(plans.layout.plan(1).sensors.size() < 100);
    QVERIFY(QFile::exists(full + QStringLiteral("/data/plans/") + plans.layout.plan(1).picture));
}

QTEST_GUILESS_MAIN(TestSimulator)
#include "tst_simulator.moc"
