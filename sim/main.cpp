// SPDX-License-Identifier: GPL-3.0-or-later
// vatrel-sim: a bus converter with virtual sensors on a pseudo-terminal, for running and testing
// the console without hardware.
#include "sim/DemoFolder.h"
#include "sim/Simulator.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QSocketNotifier>
#include <QTextStream>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char b = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &b, 1);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vatrel-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Bus converter simulator: answers the console's commands on a pseudo-terminal linked at "
        "<dir>/dev/COM<n> and sends the reports of its virtual sensors. Type 'help' for the control "
        "commands (stdin, <dir>/sim.ctl or --script)."));
    parser.addHelpOption();
    const QCommandLineOption dirOpt(QStringLiteral("dir"), QStringLiteral("Data folder (default: current)."),
                                    QStringLiteral("dir"));
    const QCommandLineOption portOpt(QStringLiteral("port"), QStringLiteral("COM port number (default 1)."),
                                     QStringLiteral("n"), QStringLiteral("1"));
    const QCommandLineOption hwOpt(
        QStringLiteral("hw"),
        QStringLiteral("Hardware file with the sensor types (default <dir>/data/hw.dat)."),
        QStringLiteral("hw.dat"));
    const QCommandLineOption scriptOpt(QStringLiteral("script"),
                                       QStringLiteral("Scenario file of control commands."),
                                       QStringLiteral("file"));
    const QCommandLineOption rateOpt(
        QStringLiteral("rate"), QStringLiteral("Status report period of each sensor, ms (default 1000)."),
        QStringLiteral("ms"), QStringLiteral("1000"));
    const QCommandLineOption oscOpt(QStringLiteral("osc-rate"),
                                    QStringLiteral("Oscillogram samples per second (default 20)."),
                                    QStringLiteral("n"), QStringLiteral("20"));
    const QCommandLineOption noPipeOpt(QStringLiteral("no-pipe"),
                                       QStringLiteral("Do not create <dir>/sim.ctl."));
    const QCommandLineOption demoOpt(QStringLiteral("init-demo"),
                                     QStringLiteral("Create a demo data folder in DIR and exit."),
                                     QStringLiteral("DIR"));
    const QCommandLineOption sensorsOpt(
        QStringLiteral("sensors"),
        QStringLiteral("With --init-demo: number of sensors, 12 to 200 (default 12)."), QStringLiteral("n"),
        QStringLiteral("12"));
    parser.addOptions({dirOpt, portOpt, hwOpt, scriptOpt, rateOpt, oscOpt, noPipeOpt, demoOpt, sensorsOpt});
    parser.process(app);

    QTextStream err(stderr);
    bool ok = true;
    if (parser.isSet(demoOpt)) {
        QString error;
        const int sensors = parser.value(sensorsOpt).toInt(&ok);
        if (!ok || sensors < 12 || sensors > 200) {
            err << "vatrel-sim: --sensors takes 12 … 200" << Qt::endl;
            return 2;
        }
        if (!vatrel::sim::initDemo(parser.value(demoOpt), &error, sensors)) {
            err << "vatrel-sim: " << error << Qt::endl;
            return 1;
        }
        QTextStream(stdout) << "demo data folder ready in " << parser.value(demoOpt) << Qt::endl;
        return 0;
    }

    vatrel::sim::Simulator::Options o;
    o.dir = parser.isSet(dirOpt) ? parser.value(dirOpt) : QDir::currentPath();
    o.port = parser.value(portOpt).toInt(&ok);
    if (!ok || o.port < 1 || o.port > 71) {
        err << "vatrel-sim: --port takes 1 … 71" << Qt::endl;
        return 2;
    }
    o.hwPath = parser.value(hwOpt);
    o.scriptPath = parser.value(scriptOpt);
    o.statusPeriodMs = parser.value(rateOpt).toInt();
    o.oscRate = parser.value(oscOpt).toInt();
    o.controlPipe = !parser.isSet(noPipeOpt);
    if (o.statusPeriodMs <= 0 || o.oscRate <= 0) {
        err << "vatrel-sim: --rate and --osc-rate take positive numbers" << Qt::endl;
        return 2;
    }

    vatrel::sim::Simulator sim(o);
    if (!sim.start()) {
        err << "vatrel-sim: " << sim.errorString() << Qt::endl;
        return 1;
    }
    QObject::connect(&sim, &vatrel::sim::Simulator::quitRequested, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);

    // SIGTERM and SIGINT end the event loop, so the link and the pipe are removed on the way out.
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) == 0) {
        auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, &app, [&] {
            char b;
            [[maybe_unused]] const ssize_t n = ::read(g_signalPipe[0], &b, 1);
            app.quit();
        });
        std::signal(SIGTERM, onSignal);
        std::signal(SIGINT, onSignal);
    }
    std::signal(SIGPIPE, SIG_IGN);

    sim.watchStdin();
    QTextStream(stdout) << "vatrel-sim: converter on " << sim.linkPath()
                        << (sim.controlPipePath().isEmpty()
                                ? QString()
                                : QStringLiteral(", control pipe ") + sim.controlPipePath())
                        << "; type help for commands" << Qt::endl;
    const int rc = app.exec();
    sim.stop();
    return rc;
}
