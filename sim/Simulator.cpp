// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/Simulator.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTextStream>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vatrel::sim {

namespace {
// When nobody reads the line the terminal fills up; beyond this the converter's output is dropped
// rather than piled up for a console that opens the port minutes later.
constexpr qsizetype kMaxBacklog = 8192;
} // namespace

Simulator::Simulator(const Options& options, QObject* parent)
    : QObject(parent), m_options(options), m_converter(options.seed) {
    m_converter.setStatusPeriodMs(options.statusPeriodMs);
    m_converter.setOscRate(options.oscRate);
    m_output = [](const QString& text) {
        QTextStream out(stdout);
        out << text << Qt::endl;
    };
    // The clock sleeps until the next report falls due, so an idle simulator costs nothing.
    m_clock.setTimerType(Qt::PreciseTimer);
    m_clock.setSingleShot(true);
    connect(&m_clock, &QTimer::timeout, this, [this] { tick(); });
    connect(&m_link, &PtyLink::received, this, [this](const QByteArray& bytes) {
        m_converter.receive(bytes);
        pump(); // replies leave at once
        schedule();
    });
    connect(&m_link, &PtyLink::attachedChanged, this, [this] { schedule(); });
    m_scriptTimer.setSingleShot(true);
    connect(&m_scriptTimer, &QTimer::timeout, this, [this] { runScript(); });
}

Simulator::~Simulator() { stop(); }

bool Simulator::start() {
    const QString dir = m_options.dir.isEmpty() ? QDir::currentPath() : m_options.dir;
    QString hw = m_options.hwPath;
    if (hw.isEmpty() && QFileInfo::exists(dir + QStringLiteral("/data/hw.dat")))
        hw = dir + QStringLiteral("/data/hw.dat");
    if (!hw.isEmpty()) {
        QFile f(hw);
        if (!f.open(QIODevice::ReadOnly)) {
            m_error = QStringLiteral("cannot read ") + hw;
            return false;
        }
        m_converter.loadTypesFromHw(f.readAll());
        m_converter.setHwPath(hw);
    }

    if (!m_link.open(dir + QStringLiteral("/dev/COM") + QString::number(m_options.port))) {
        m_error = m_link.errorString();
        return false;
    }

    if (m_options.controlPipe) {
        m_pipePath = dir + QStringLiteral("/sim.ctl");
        const QByteArray p = QFile::encodeName(m_pipePath);
        struct stat st {};
        if (::lstat(p.constData(), &st) == 0 && !S_ISFIFO(st.st_mode)) {
            m_error = m_pipePath + QStringLiteral(" exists and is not a pipe");
            m_pipePath.clear();
            stop();
            return false;
        }
        if (::lstat(p.constData(), &st) != 0 && ::mkfifo(p.constData(), 0600) != 0) {
            m_error = QStringLiteral("mkfifo ") + m_pipePath + QStringLiteral(": ") +
                      QString::fromLocal8Bit(std::strerror(errno));
            m_pipePath.clear();
            stop();
            return false;
        }
        m_pipeRead = ::open(p.constData(), O_RDONLY | O_NONBLOCK);
        m_pipeKeepAlive = ::open(p.constData(), O_WRONLY | O_NONBLOCK);
        if (m_pipeRead >= 0) {
            m_pipeNotifier = new QSocketNotifier(m_pipeRead, QSocketNotifier::Read, this);
            connect(m_pipeNotifier, &QSocketNotifier::activated, this, [this] { onPipeReadable(); });
        }
    }

    if (!m_options.scriptPath.isEmpty()) {
        QFile f(m_options.scriptPath);
        if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) {
            m_error = QStringLiteral("cannot read ") + m_options.scriptPath;
            stop();
            return false;
        }
        m_script = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
        m_scriptLine = 0;
        m_scriptTimer.start(0);
    }

    m_elapsed.start();
    m_converter.advance(0);
    schedule();
    return true;
}

void Simulator::stop() {
    m_clock.stop();
    m_elapsed.invalidate();
    m_scriptTimer.stop();
    delete m_stdinNotifier;
    m_stdinNotifier = nullptr;
    delete m_pipeNotifier;
    m_pipeNotifier = nullptr;
    if (m_pipeRead >= 0) ::close(m_pipeRead);
    if (m_pipeKeepAlive >= 0) ::close(m_pipeKeepAlive);
    m_pipeRead = m_pipeKeepAlive = -1;
    if (!m_pipePath.isEmpty()) {
        QFile::remove(m_pipePath);
        m_pipePath.clear();
    }
    m_link.close();
}

void Simulator::tick() {
    m_converter.advance(m_elapsed.elapsed());
    pump();
    schedule();
}

void Simulator::schedule() {
    if (!m_elapsed.isValid()) return; // not started
    // With the port closed nothing would reach a console; the sensors' drift catches up later.
    const qint64 due = m_link.isAttached() ? m_converter.nextDueMs() : -1;
    if (due < 0)
        m_clock.stop();
    else
        m_clock.start(int(std::clamp<qint64>(due - m_elapsed.elapsed(), 1, 1000)));
}

void Simulator::pump() {
    const QByteArray out = m_converter.takeOutput();
    if (!out.isEmpty() && m_link.pendingBytes() < kMaxBacklog) m_link.write(out);
}

QString Simulator::command(const QString& line, bool* ok) {
    const QString answer = m_converter.control(line, ok);
    pump();
    schedule();
    if (!answer.isEmpty() && m_output) m_output(answer);
    if (m_converter.quitRequested()) emit quitRequested();
    return answer;
}

void Simulator::handleLines(QByteArray& buffer, const QByteArray& more) {
    buffer.append(more);
    for (qsizetype nl = buffer.indexOf('\n'); nl >= 0; nl = buffer.indexOf('\n')) {
        const QString line = QString::fromUtf8(buffer.left(nl)).trimmed();
        buffer.remove(0, nl + 1);
        if (!line.isEmpty()) command(line);
    }
}

void Simulator::onPipeReadable() {
    char buf[1024];
    for (;;) {
        const ssize_t n = ::read(m_pipeRead, buf, sizeof buf);
        if (n > 0) {
            handleLines(m_pipeBuffer, QByteArray(buf, qsizetype(n)));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        break;
    }
}

void Simulator::watchStdin() {
    if (m_stdinNotifier) return;
    m_stdinNotifier = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
    connect(m_stdinNotifier, &QSocketNotifier::activated, this, [this] { onStdinReadable(); });
}

void Simulator::onStdinReadable() {
    char buf[1024];
    const ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
    if (n > 0) {
        handleLines(m_stdinBuffer, QByteArray(buf, qsizetype(n)));
    } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
        // End of input (a closed terminal, /dev/null): keep running, steered by the pipe.
        m_stdinNotifier->setEnabled(false);
    }
}

void Simulator::runScript() {
    while (m_scriptLine < m_script.size()) {
        const QString line = m_script[m_scriptLine++].trimmed();
        const QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (!words.isEmpty() && words[0] == QLatin1String("wait")) {
            bool ok = false;
            const int ms = words.size() > 1 ? words[1].toInt(&ok) : 0;
            if (ok && ms > 0) {
                m_scriptTimer.start(ms);
                return;
            }
            continue;
        }
        if (!line.isEmpty()) command(line);
        if (m_converter.quitRequested()) return;
    }
}

} // namespace vatrel::sim
