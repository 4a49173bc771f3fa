// SPDX-License-Identifier: GPL-3.0-or-later
// How long an alarm takes to reach the log files and the alarm sound, with the window thread free
// and with it blocked, run by hand:
//   alarm_latency [--block-s 30] [--phase-s 30] [--sensors 50] [--keep DIR]
//
// The real console runs in this process as vatrel-console runs it (runConsole on a 200-sensor demo
// folder, the offscreen platform unless QT_QPA_PLATFORM says otherwise). Its port COM1 is a
// pseudo-terminal whose other end a thread of this program drives at 115200 baud: it answers the
// console's commands (the simulator's converter) and sends the reports of the last `--sensors` type
// B sensors back to back, each one alternately putting loop 1 into alarm and back (the simulator's
// frame builder). A report's arrival is the moment its last byte was written to the terminal.
//
// Measured, per alarm report: arrival → its record present in both the sensor's log file and the
// day's (seen through inotify, the k-th alarm record of a sensor in each file being its k-th alarm
// report); and arrival → the alarm sound's start request reaching the sound object (this program
// stands in front of QSoundEffect::play(), whatever thread calls it). The sound starts with the first
// alarm after an acknowledgement only, so the sound is measured in cycles: alarms held back, the list
// acknowledged with "Отбой тревог", then the first alarm report after that.
//
// Phase 1 runs the window thread free for --phase-s seconds of cycles. Phase 2 acknowledges, blocks
// the window thread with a sleep of --block-s seconds from a timer and then lets the alarms go; its
// figures are those of the reports that arrived during the block. A pseudo-terminal nobody reads
// takes about 20 KB (under two seconds of the line); the reports it does not take are dropped as a
// real line drops them, counted and left out.
//
// The sound is seen where QSoundEffect::play() is called directly; a start through Qt's own slot
// call by name (invokeMethod with "play") would not be seen, and the sound column stays empty.
// Nothing here looks into the console's state: files, the sound object, the alarm window's button.
#include "app/ConsoleMain.h"
#include "link/QtSerialPortLine.h"
#include "core/Console.h"
#include "registry/Records.h"
#include "sim/Converter.h"
#include "sim/DemoFolder.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSoundEffect>
#include <QTemporaryDir>
#include <QWidget>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <poll.h>
#include <string>
#include <sys/inotify.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace std::chrono_literals;

namespace {

qint64 nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

constexpr int kSensors = 200;
constexpr int kAlarmCode = 33;                   // loop went into alarm
constexpr double kLineNsPerChar = 1e9 / 11520.0; // 115200 baud, 10 bits a character

// --- the sound object ------------------------------------------------------------------------------

// Every call of QSoundEffect::play() and stop() in this process, by time.
struct SoundCalls {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<qint64> plays, stops;
} g_sound;

template <typename Fn> Fn realFunction(const char* symbol) {
    void* f = dlsym(RTLD_NEXT, symbol);
    if (!f) {
        std::fprintf(stderr, "alarm_latency: %s not found\n", symbol);
        std::abort();
    }
    return reinterpret_cast<Fn>(f);
}

void noteSound(std::vector<qint64> SoundCalls::*list) {
    const qint64 t = nowNs();
    {
        std::lock_guard lock(g_sound.mutex);
        (g_sound.*list).push_back(t);
    }
    g_sound.changed.notify_all();
}

} // namespace

// This program's definitions come first for every caller linked into it; they note the time and go on
// to Qt's own.
void QSoundEffect::play() {
    noteSound(&SoundCalls::plays);
    static const auto real = realFunction<void (*)(QSoundEffect*)>("_ZN12QSoundEffect4playEv");
    real(this);
}

void QSoundEffect::stop() {
    noteSound(&SoundCalls::stops);
    static const auto real = realFunction<void (*)(QSoundEffect*)>("_ZN12QSoundEffect4stopEv");
    real(this);
}

namespace {

// --- the converter's end of the line ---------------------------------------------------------------

struct AlarmSent {
    int sensor; // index in the stream's sensor list
    int nth;    // its how-manieth alarm, from 0
    qint64 arrival;
};

class Line {
public:
    bool open(const QString& linkPath, QString* error) {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
            *error = QStringLiteral("no pseudo-terminal: ") + QString::fromLocal8Bit(std::strerror(errno));
            return false;
        }
        const char* slave = ::ptsname(m_master);
        // Held open here so the master never sees a hang-up while the console reopens its port.
        m_slave = ::open(slave, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        termios t{};
        if (m_slave < 0 || ::tcgetattr(m_slave, &t) != 0) {
            *error = QStringLiteral("cannot open ") + QString::fromLocal8Bit(slave);
            return false;
        }
        ::cfmakeraw(&t);
        ::tcsetattr(m_slave, TCSANOW, &t);
        QFile::remove(linkPath);
        if (!QFile::link(QString::fromLocal8Bit(slave), linkPath)) {
            *error = QStringLiteral("cannot link ") + linkPath;
            return false;
        }
        return true;
    }

    ~Line() {
        stop();
        if (m_slave >= 0) ::close(m_slave);
        if (m_master >= 0) ::close(m_master);
    }

    // The stream's sensors: factory numbers and slots.
    void setSensors(std::vector<std::pair<quint16, int>> sensors) {
        m_sensors = std::move(sensors);
        m_inAlarm.assign(m_sensors.size(), false);
        m_alarmsOf.assign(m_sensors.size(), 0);
    }

    void start() {
        m_thread = std::thread([this] { run(); });
    }
    void stop() {
        m_stop = true;
        if (m_thread.joinable()) m_thread.join();
    }

    std::atomic<bool> mapped{false};    // the console has sent its whole address map
    std::atomic<bool> streaming{false}; // reports go out
    std::atomic<bool> hold{true};       // no report puts a loop into alarm
    std::atomic<qint64> firstAlarm{0};  // arrival of the first alarm after it was reset to 0
    std::atomic<qint64> dropped{0};     // reports the terminal did not take

    std::vector<AlarmSent> alarms() {
        std::lock_guard lock(m_mutex);
        return m_alarms;
    }

private:
    void run() {
        vatrel::sim::Converter converter; // answers only: its own reports are never advanced
        qint64 lineFree = nowNs();        // when the line is free for the next character
        size_t next = 0;
        char buf[4096];
        while (!m_stop) {
            for (;;) {
                const ssize_t n = ::read(m_master, buf, sizeof buf);
                if (n <= 0) break;
                converter.receive(QByteArrayView(buf, n));
            }
            if (const QByteArray reply = converter.takeOutput(); !reply.isEmpty()) {
                // A reply the terminal cannot take goes unanswered: the console is not reading anyway.
                [[maybe_unused]] const ssize_t n = ::write(m_master, reply.constData(), size_t(reply.size()));
                lineFree = std::max(lineFree, nowNs()) + qint64(double(reply.size()) * kLineNsPerChar);
            }
            if (!mapped && converter.mappedCount() >= kSensors) mapped = true;
            if (!m_rest.isEmpty()) writeRest();

            const qint64 now = nowNs();
            if (now - lineFree > 100'000'000) lineFree = now; // fell behind: the line does not burst
            if (streaming && !m_sensors.empty() && now >= lineFree) {
                lineFree += sendReport(converter, next);
                next = (next + 1) % m_sensors.size();
            }
            // Sleep until the line is free, the console writes or the terminal has room again.
            pollfd p{m_master, short(POLLIN | (m_rest.isEmpty() ? 0 : POLLOUT)), 0};
            const qint64 wait = streaming ? std::max<qint64>(0, lineFree - nowNs()) : 10'000'000;
            const timespec ts{time_t(wait / 1'000'000'000), long(wait % 1'000'000'000)};
            ::ppoll(&p, 1, &ts, nullptr);
        }
    }

    // Sends the next report of sensor `i`; returns the line time it takes, in ns. A report the
    // terminal has no room for is lost, as on a line nobody reads; one it took in part is finished
    // as soon as there is room, and the reports due meanwhile are lost.
    qint64 sendReport(vatrel::sim::Converter& converter, size_t i) {
        const bool alarm = !m_inAlarm[i] && !hold;
        vatrel::sim::VirtualSensor s;
        s.address = m_sensors[i].first;
        s.typeB = true;
        s.loop1 = alarm; // in alarm now, or back to normal (or normal again while alarms are held)
        s.pinned = true; // only the loop changes, never a value on screen
        s.pinnedValues = {1.0f, 1.0f, 0.3f, 0.3f};
        const QByteArray f = converter.statusReport(m_sensors[i].second, s, false);
        const qint64 lineTime = qint64(double(f.size()) * kLineNsPerChar);
        if (!m_rest.isEmpty()) {
            ++dropped;
            return lineTime;
        }
        const ssize_t n = ::write(m_master, f.constData(), size_t(f.size()));
        if (n <= 0) {
            ++dropped;
            return lineTime;
        }
        m_rest = f.sliced(n);
        m_restSensor = i;
        m_restAlarm = alarm;
        if (m_rest.isEmpty()) delivered();
        return lineTime;
    }

    void writeRest() {
        const ssize_t n = ::write(m_master, m_rest.constData(), size_t(m_rest.size()));
        if (n <= 0) return;
        m_rest.remove(0, n);
        if (m_rest.isEmpty()) delivered();
    }

    // The last byte of the report in hand is in the terminal.
    void delivered() {
        const qint64 arrival = nowNs();
        const size_t i = m_restSensor;
        m_inAlarm[i] = m_restAlarm;
        if (!m_restAlarm) return;
        std::lock_guard lock(m_mutex);
        m_alarms.push_back({int(i), m_alarmsOf[i]++, arrival});
        qint64 none = 0;
        firstAlarm.compare_exchange_strong(none, arrival);
    }

    int m_master = -1;
    int m_slave = -1;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::vector<std::pair<quint16, int>> m_sensors;
    std::vector<bool> m_inAlarm;
    std::vector<int> m_alarmsOf;
    QByteArray m_rest; // the part of a report the terminal has not taken yet
    size_t m_restSensor = 0;
    bool m_restAlarm = false;
    std::mutex m_mutex;
    std::vector<AlarmSent> m_alarms;
};

// --- the log files ---------------------------------------------------------------------------------

// Watches the day's logs and the type B sensors' logs; notes when each alarm record of the stream's
// sensors appeared, per file kind, sensor and ordinal.
class LogWatch {
public:
    enum Kind { SensorFile, DayFile };

    LogWatch(const QString& dir, const std::vector<std::pair<quint16, int>>& sensors) : m_dir(dir) {
        for (size_t i = 0; i < sensors.size(); ++i)
            m_index[sensors[i].first] = int(i);
        for (auto& k : m_seen)
            k.resize(sensors.size());
    }
    ~LogWatch() { stop(); }

    bool start() {
        m_fd = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
        if (m_fd < 0) return false;
        for (const char* sub : {"QReport", "VatrelB_mess"}) {
            const int wd = ::inotify_add_watch(
                m_fd, QFile::encodeName(m_dir + QLatin1Char('/') + QLatin1String(sub)).constData(),
                IN_MODIFY | IN_CREATE);
            if (wd < 0) return false;
            m_watches[wd] = sub;
        }
        m_thread = std::thread([this] { run(); });
        return true;
    }
    void stop() {
        m_stop = true;
        if (m_thread.joinable()) m_thread.join();
        if (m_fd >= 0) ::close(m_fd);
        m_fd = -1;
    }

    // When alarm `nth` of sensor `i` was in both files; -1 while it is not.
    qint64 inBoth(int i, int nth) {
        std::lock_guard lock(m_mutex);
        const auto& a = m_seen[SensorFile][size_t(i)];
        const auto& b = m_seen[DayFile][size_t(i)];
        if (size_t(nth) >= a.size() || size_t(nth) >= b.size()) return -1;
        return std::max(a[size_t(nth)], b[size_t(nth)]);
    }

private:
    struct Tail {
        qint64 offset = 0;
        QByteArray rest;
    };

    void run() {
        alignas(inotify_event) char buf[16384];
        while (!m_stop) {
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, 100) <= 0) continue;
            const qint64 seen = nowNs();
            const ssize_t n = ::read(m_fd, buf, sizeof buf);
            if (n <= 0) continue;
            std::map<std::string, bool> touched;
            for (ssize_t at = 0; at < n;) {
                const auto* e = reinterpret_cast<const inotify_event*>(buf + at);
                if (e->mask & IN_Q_OVERFLOW) // events lost: every file known is read again
                    for (const auto& t : m_tails)
                        touched[t.first] = true;
                else if (e->len > 0 && m_watches.count(e->wd))
                    touched[m_watches[e->wd] + '/' + e->name] = true;
                at += ssize_t(sizeof(inotify_event) + e->len);
            }
            for (const auto& t : touched)
                readNew(t.first, seen);
        }
    }

    void readNew(const std::string& fragment, qint64 seen) {
        const Kind kind = fragment.rfind("QReport/", 0) == 0 ? DayFile : SensorFile;
        Tail& tail = m_tails[fragment];
        QFile f(m_dir + QLatin1Char('/') + QString::fromStdString(fragment));
        if (!f.open(QIODevice::ReadOnly) || !f.seek(tail.offset)) return;
        const QByteArray more = f.readAll();
        tail.offset += more.size();
        tail.rest += more;
        const int size = vatrel::EventRecord::kSize;
        qsizetype at = 0;
        std::lock_guard lock(m_mutex);
        for (; at + size <= tail.rest.size(); at += size) {
            vatrel::EventRecord r;
            if (!r.decode(QByteArrayView(tail.rest).sliced(at, size)) || r.code != kAlarmCode) continue;
            const auto i = m_index.find(quint16(r.factory_number));
            if (i != m_index.end() && r.factory_number <= 0xFFFF)
                m_seen[kind][size_t(i->second)].push_back(seen);
        }
        tail.rest.remove(0, at);
    }

    QString m_dir;
    int m_fd = -1;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::map<int, std::string> m_watches;
    std::map<std::string, Tail> m_tails;
    std::map<quint16, int> m_index;
    std::mutex m_mutex;
    std::vector<std::vector<qint64>> m_seen[2];
};

// --- the run ----------------------------------------------------------------------------------------

struct Options {
    int blockS = 30;
    int phaseS = 30;
    int sensors = 50;
    QString keep;
};

struct Figures {
    std::vector<double> logMs, soundMs;
    qint64 alarms = 0, missing = 0, dropped = 0;
    qint64 early = 0; // seen before the writer noted the arrival: left out
};

void runOnWindowThread(std::function<void()> f) {
    QMetaObject::invokeMethod(qApp, std::move(f), Qt::QueuedConnection);
}

// "Отбой тревог" pressed in the alarm window.
void acknowledge() {
    runOnWindowThread([] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == QLatin1String("FormAlarmWindow"))
                if (auto* b = w->findChild<QAbstractButton*>(QStringLiteral("BitBtnAllOtboy"))) b->click();
    });
}

class Controller {
public:
    Controller(const Options& o, Line& line, LogWatch& logs) : m_o(o), m_line(line), m_logs(logs) {}

    void start() {
        m_thread = std::thread([this] {
            run();
            runOnWindowThread([] { QCoreApplication::exit(0); });
        });
    }
    void join() {
        m_abort = true;
        if (m_thread.joinable()) m_thread.join();
    }
    bool ok() const { return m_ok; }
    Figures phases[2];

private:
    bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds limit) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (!done()) {
            if (m_abort || std::chrono::steady_clock::now() > end) return false;
            std::this_thread::sleep_for(2ms);
        }
        return true;
    }

    bool allLogged() {
        const std::vector<AlarmSent> sent = m_line.alarms();
        for (; m_logged < sent.size(); ++m_logged)
            if (m_logs.inBoth(sent[m_logged].sensor, sent[m_logged].nth) < 0) return false;
        return true;
    }

    static size_t count(std::vector<qint64> SoundCalls::*list) {
        std::lock_guard lock(g_sound.mutex);
        return (g_sound.*list).size();
    }
    // The first call after `since`, waiting at most `limit`; -1 when none came.
    qint64 soundAfter(std::vector<qint64> SoundCalls::*list, qint64 since, std::chrono::milliseconds limit) {
        std::unique_lock lock(g_sound.mutex);
        const auto end = std::chrono::steady_clock::now() + limit;
        for (;;) {
            for (qint64 t : g_sound.*list)
                if (t > since) return t;
            if (m_abort || g_sound.changed.wait_until(lock, end) == std::cv_status::timeout) return -1;
        }
    }

    // Alarms held back until every one sent is logged, the list acknowledged and the sound stopped:
    // the next alarm report starts the sound again.
    bool rearm() {
        m_line.hold = true;
        if (!waitFor([this] { return allLogged(); }, 120s)) {
            std::fprintf(stderr, "alarm_latency: alarms sent are missing from the logs\n");
            return false;
        }
        // The operator reads the list before acknowledging: "Отбой тревог" acknowledges the alarms
        // the list has drawn (at most a refresh or two after they were logged), not newer ones.
        std::this_thread::sleep_for(500ms);
        const bool played = count(&SoundCalls::plays) > 0;
        const qint64 asked = nowNs();
        acknowledge();
        if (played && soundAfter(&SoundCalls::stops, asked, 10s) < 0) {
            std::fprintf(stderr, "alarm_latency: the acknowledgement did not stop the sound\n");
            return false;
        }
        std::this_thread::sleep_for(20ms); // a stop the window gave ahead of the core's is not the core's
        return true;
    }

    // Lets alarms go; returns the time of the release.
    qint64 release() {
        m_line.firstAlarm = 0;
        const qint64 t = nowNs();
        m_line.hold = false;
        return t;
    }

    void soundSample(Figures& f, qint64 released, std::chrono::milliseconds limit) {
        const qint64 play = soundAfter(&SoundCalls::plays, released, limit);
        const qint64 first = m_line.firstAlarm;
        if (play < 0 || first == 0) {
            std::fprintf(stderr, "alarm_latency: no sound start after an alarm\n");
            return;
        }
        if (play < first) { // the writer was held up between its write and its clock reading
            ++f.early;
            return;
        }
        f.soundMs.push_back(double(play - first) / 1e6);
    }

    void logFigures(Figures& f, qint64 from, qint64 to) {
        for (const AlarmSent& a : m_line.alarms()) {
            if (a.arrival < from || a.arrival >= to) continue;
            ++f.alarms;
            const qint64 t = m_logs.inBoth(a.sensor, a.nth);
            if (t < 0)
                ++f.missing;
            else if (t < a.arrival)
                ++f.early;
            else
                f.logMs.push_back(double(t - a.arrival) / 1e6);
        }
    }

    void run() {
        if (!waitFor([this] { return m_line.mapped.load(); }, 180s)) {
            std::fprintf(stderr, "alarm_latency: the console never sent its address map\n");
            return;
        }
        // Every sensor of the stream reports once, normal, before anything is measured.
        m_line.streaming = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(200 + 20 * m_o.sensors));
        std::fprintf(stderr, "alarm_latency: address map sent, measuring\n");

        // Phase 1: cycles of a second of alarms, each starting the sound again.
        qint64 d0 = m_line.dropped;
        const qint64 p1 = nowNs();
        while (nowNs() - p1 < qint64(m_o.phaseS) * 1'000'000'000) {
            if (!rearm()) return;
            soundSample(phases[0], release(), 10s);
            std::this_thread::sleep_for(1s);
        }
        const qint64 p1End = nowNs();
        phases[0].dropped = m_line.dropped - d0;

        // Phase 2: the window thread asleep, and alarms let go once it is.
        if (!rearm()) return;
        d0 = m_line.dropped;
        const int blockS = m_o.blockS;
        runOnWindowThread([this, blockS] {
            m_blockStart = nowNs();
            std::this_thread::sleep_for(std::chrono::seconds(blockS));
            m_blockEnd = nowNs();
        });
        if (!waitFor([this] { return m_blockStart.load() != 0; }, 10s)) return;
        soundSample(phases[1], release(), std::chrono::seconds(blockS + 60));
        if (!waitFor([this] { return m_blockEnd.load() != 0; }, std::chrono::seconds(blockS + 60))) return;
        phases[1].dropped = m_line.dropped - d0;
        std::this_thread::sleep_for(1s);

        m_line.hold = true;
        waitFor([this] { return allLogged(); }, 120s);
        logFigures(phases[0], p1, p1End);
        logFigures(phases[1], m_blockStart, m_blockEnd);
        m_ok = true;
    }

    Options m_o;
    Line& m_line;
    LogWatch& m_logs;
    std::thread m_thread;
    std::atomic<bool> m_abort{false};
    bool m_ok = false;
    size_t m_logged = 0;                                // alarms sent, in order, known to be in both logs
    std::atomic<qint64> m_blockStart{0}, m_blockEnd{0}; // the window thread's sleep
};

QString percentiles(std::vector<double> v) {
    if (v.empty()) return QStringLiteral("—");
    std::sort(v.begin(), v.end());
    auto at = [&](double q) { return v[std::min(v.size() - 1, size_t(q * double(v.size() - 1) + 0.5))]; };
    return QStringLiteral("%1 / %2 / %3")
        .arg(at(0.5), 0, 'f', 1)
        .arg(at(0.99), 0, 'f', 1)
        .arg(v.back(), 0, 'f', 1);
}

// The offscreen platform says so at every raise of the alarm window; nothing else is held back.
QtMessageHandler g_defaultHandler = nullptr;
void quietHandler(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (text != QLatin1String("This plugin does not support raise()")) g_defaultHandler(type, context, text);
}

bool parse(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--block-s" && hasValue)
            o.blockS = std::max(1, std::atoi(argv[++i]));
        else if (a == "--phase-s" && hasValue)
            o.phaseS = std::max(1, std::atoi(argv[++i]));
        else if (a == "--sensors" && hasValue)
            o.sensors = std::clamp(std::atoi(argv[++i]), 1, 94);
        else if (a == "--keep" && hasValue)
            o.keep = QString::fromLocal8Bit(argv[++i]);
        else
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    Options o;
    if (!parse(argc, argv, o)) {
        std::fprintf(stderr,
                     "usage: alarm_latency [--block-s 30] [--phase-s 30] [--sensors 1-94] [--keep DIR]\n");
        return 2;
    }
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!qEnvironmentVariableIsSet("TZ") && QFile::exists(QStringLiteral("/etc/localtime")))
        qputenv("TZ", ":/etc/localtime"); // as the console does
    g_defaultHandler = qInstallMessageHandler(quietHandler);
    QApplication app(argc, argv);

    QTemporaryDir tmp;
    const QString dir = o.keep.isEmpty() ? tmp.path() : o.keep;
    QString error;
    if (!vatrel::sim::initDemo(dir, &error, kSensors)) {
        std::fprintf(stderr, "alarm_latency: %s\n", qPrintable(error));
        return 1;
    }
    QDir::setCurrent(dir);

    // The stream: the last type B sensors of the demo folder, all with loop 1 armed.
    std::vector<std::pair<quint16, int>> sensors;
    for (int slot = kSensors - 1; slot >= 0 && int(sensors.size()) < o.sensors; --slot) {
        const vatrel::sim::DemoSensor d = vatrel::sim::demoSensor(slot);
        if (d.sensor_type != 0 && d.loop1_armed) sensors.push_back({quint16(d.factory_number), slot});
    }

    Line line;
    if (!line.open(dir + QStringLiteral("/dev/COM1"), &error)) {
        std::fprintf(stderr, "alarm_latency: %s\n", qPrintable(error));
        return 1;
    }
    line.setSensors(sensors);
    LogWatch logs(dir, sensors);
    if (!logs.start()) {
        std::fprintf(stderr, "alarm_latency: cannot watch the log folders\n");
        return 1;
    }
    line.start();
    Controller controller(o, line, logs);
    controller.start();

    // The console as app/main.cpp builds and runs it.
    vatrel::Console console;
    vatrel::QtSerialPortLine port;
    console.link.attachPort(&port);
    vatrel::runConsole(console);
    console.link.attachPort(nullptr);
    controller.join();
    line.stop();
    logs.stop();
    if (!controller.ok()) return 1;

    std::printf("alarm_latency: %d sensors, alarms on loop 1 of %d type B sensors, reports back to back at "
                "115200 baud, platform %s\n",
                kSensors, int(sensors.size()), qPrintable(QGuiApplication::platformName()));
    std::printf("%-22s %7s %28s %7s %28s %8s\n", "phase", "alarms", "in both logs, ms p50/p99/max", "sounds",
                "sound start, ms p50/p99/max", "dropped");
    const QString names[2] = {QStringLiteral("window thread free"),
                              QStringLiteral("blocked %1 s").arg(o.blockS)};
    for (int p = 0; p < 2; ++p) {
        const Figures& f = controller.phases[p];
        std::printf("%-22s %7lld %28s %7zu %28s %8lld\n", qPrintable(names[p]),
                    static_cast<long long>(f.alarms), qPrintable(percentiles(f.logMs)), f.soundMs.size(),
                    qPrintable(percentiles(f.soundMs)), static_cast<long long>(f.dropped));
        if (f.early > 0)
            std::printf("  %lld samples left out: the writer thread was held up after writing the report\n",
                        static_cast<long long>(f.early));
        if (f.missing > 0)
            std::printf("  %lld alarms of this phase never reached both logs\n",
                        static_cast<long long>(f.missing));
    }
    return 0;
}
