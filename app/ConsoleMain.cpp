// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ConsoleMain.h"
#include "app/ConsoleWindows.h"
#include "app/MainWindow.h"
#include "dialogs/AlarmWindow.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

namespace vatrel {

namespace {

// Signals that end the program (SIGTERM at shutdown, SIGHUP at logout, SIGINT from a terminal) are
// turned into a byte on a socket, read by the event loop, which ends the run as an answered exit does.
int g_signalFds[2] = {-1, -1};

void onEndSignal(int sig) {
    const int savedErrno = errno; // the interrupted code may be about to read it
    const char byte = char(sig);
    [[maybe_unused]] const ssize_t n = ::write(g_signalFds[0], &byte, 1);
    errno = savedErrno;
}

// The main window whose run must be saved if the program ends without returning from the event loop:
// Qt ends the process with exit() when the X server goes away.
MainWindow* g_runningMain = nullptr;

void saveOnProcessExit() {
    if (MainWindow* w = std::exchange(g_runningMain, nullptr); w && !w->runEnded()) {
        std::fputs("vatrel-console: the display went away; saving and logging the exit\n", stderr);
        w->endRunUnasked(true);
    }
}

} // namespace

int runConsole(Console& c, std::unique_ptr<WidgetUi> ui, CoreDoor::Mode mode) {
    // Closing the main window ends the program even while the alarm window is on screen.
    QApplication::setQuitOnLastWindowClosed(false);
    // The core runs on its own thread: nothing the windows do delays receiving, logging or sounding an
    // alarm. VATREL_CORE_INLINE=1 keeps it on the window thread (for comparisons only).
    if (qEnvironmentVariableIntValue("VATREL_CORE_INLINE") == 1) mode = CoreDoor::Mode::Inline;
    ConsoleWindows windows(c, std::move(ui), mode);
    windows.setRefreshInterval(100); // ten redraws a second at most
    AlarmWindow* alarm = windows.alarmWindow();
    QObject::connect(
        windows.mainWindow(), &MainWindow::exitConfirmed, alarm,
        [alarm, door = windows.door()] {
            // Everything is saved and logged. QApplication::quit() would first ask every window to
            // close, and the alarm window refuses: end the loop unconditionally instead.
            alarm->stopSound();
            door->stopSound();
            alarm->hide();
            QCoreApplication::exit(0);
        },
        Qt::QueuedConnection);
    // For load measurements only (bench/console_load.sh): once a second, the longest wait between two
    // receive passes goes to stderr.
    QTimer gapLog;
    if (qEnvironmentVariableIsSet("VATREL_PASS_GAP_LOG")) {
        QObject::connect(&gapLog, &QTimer::timeout, &gapLog, [&windows] {
            windows.door()->post([](Console& core) {
                std::fprintf(stderr, "pass-gap-us %lld\n",
                             static_cast<long long>(core.link.takeLongestPassGapUs()));
                std::fflush(stderr);
            });
        });
        gapLog.start(1000);
    }

    QSocketNotifier* signalNotifier = nullptr;
    // Non-blocking: a flood of signals fills the socket and the extra ones are dropped, never waited on.
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_signalFds) == 0) {
        signalNotifier = new QSocketNotifier(g_signalFds[1], QSocketNotifier::Read, windows.mainWindow());
        QObject::connect(signalNotifier, &QSocketNotifier::activated, windows.mainWindow(), [&windows] {
            char byte = 0;
            if (::read(g_signalFds[1], &byte, 1) == 1)
                std::fprintf(stderr, "vatrel-console: signal %d: saving and logging the exit\n", int(byte));
            windows.mainWindow()->endRunUnasked();
        });
        struct sigaction sa = {};
        sa.sa_handler = onEndSignal;
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = SA_RESTART;
        for (int sig : {SIGTERM, SIGINT, SIGHUP})
            sigaction(sig, &sa, nullptr);
    }
    g_runningMain = windows.mainWindow();
    static const bool registered = std::atexit(saveOnProcessExit) == 0;
    (void)registered;

    windows.mainWindow()->show();
    const int rc = QApplication::exec();
    g_runningMain = nullptr;
    // Signals from here on end the program the ordinary way.
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        std::signal(sig, SIG_DFL);
    return rc;
}

} // namespace vatrel
