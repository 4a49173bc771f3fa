// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "sim/Converter.h"
#include "sim/PtyLink.h"

#include <QElapsedTimer>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <functional>

class QSocketNotifier;

namespace vatrel::sim {

// The running converter: a Converter on a pseudo-terminal, a clock that lets it send its
// reports, and the control inputs (stdin, the <dir>/sim.ctl pipe, a scenario file).
class Simulator : public QObject {
    Q_OBJECT
public:
    struct Options {
        QString dir;        // data folder: dev/COM<n>, sim.ctl and data/hw.dat live here
        int port = 1;       // COM<n>
        QString hwPath;     // sensor types; defaults to <dir>/data/hw.dat
        QString scriptPath; // scenario file, run line by line
        bool controlPipe = true;
        int statusPeriodMs = 1000;
        int oscRate = 20;
        quint32 seed = 1;
    };

    explicit Simulator(const Options& options, QObject* parent = nullptr);
    ~Simulator() override;

    bool start(); // false with errorString() when the line could not be opened
    void stop();  // removes the link and the control pipe
    QString errorString() const { return m_error; }
    QString linkPath() const { return m_link.linkPath(); }
    QString controlPipePath() const { return m_pipePath; }
    bool consoleAttached() const { return m_link.isAttached(); }

    // Runs one control command and sends what it produced at once. The answer goes to the
    // output callback as well.
    QString command(const QString& line, bool* ok = nullptr);
    // Reads control lines from stdin.
    void watchStdin();

    Converter& converter() { return m_converter; }
    void setOutput(std::function<void(const QString&)> out) { m_output = std::move(out); }

signals:
    void quitRequested();

private:
    void tick();
    void pump();
    void schedule();
    void onPipeReadable();
    void onStdinReadable();
    void runScript();
    void handleLines(QByteArray& buffer, const QByteArray& more);

    Options m_options;
    Converter m_converter;
    PtyLink m_link;
    QTimer m_clock;
    QElapsedTimer m_elapsed;
    QString m_error;
    std::function<void(const QString&)> m_output;

    QString m_pipePath;
    int m_pipeRead = -1;
    int m_pipeKeepAlive = -1; // our own writer, so the pipe never reports end-of-file
    QSocketNotifier* m_pipeNotifier = nullptr;
    QByteArray m_pipeBuffer;
    QSocketNotifier* m_stdinNotifier = nullptr;
    QByteArray m_stdinBuffer;

    QStringList m_script;
    int m_scriptLine = 0;
    QTimer m_scriptTimer;
};

} // namespace vatrel::sim
