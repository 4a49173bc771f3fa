#include "app/ConsoleMain.h"
#include "app/ConsoleWindows.h"
#include "app/Umain.h"
#include "dialogs/Ualarmwindow.h"

#include <QApplication>
#include <QTimer>
#include <cstdio>

namespace vatrel {

int runConsole(Console& c, std::unique_ptr<WidgetUi> ui) {
    // Closing the main window ends the program even while the alarm window is on screen.
    QApplication::setQuitOnLastWindowClosed(false);
    ConsoleWindows windows(c, std::move(ui));
    windows.ui()->setRefreshInterval(100); // ten redraws a second at most
    TFormAlarmWindow* alarm = windows.FormAlarmWindow();
    QObject::connect(
        windows.Fmain(), &TFmain::exitConfirmed, alarm,
        [alarm] {
            // Everything is saved and logged. QApplication::quit() would first ask every window to
            // close, and the alarm window refuses: end the loop unconditionally instead.
            alarm->stopSound();
            alarm->hide();
            QCoreApplication::exit(0);
        },
        Qt::QueuedConnection);
    // For load measurements only (bench/console_load.sh): once a second, the longest wait between two
    // receive passes goes to stderr.
    QTimer gapLog;
    if (qEnvironmentVariableIsSet("VATREL_PASS_GAP_LOG")) {
        QObject::connect(&gapLog, &QTimer::timeout, &gapLog, [&c] {
            std::fprintf(stderr, "pass-gap-us %lld\n", static_cast<long long>(c.engine.max_pass_gap_us));
            std::fflush(stderr);
            c.engine.max_pass_gap_us = 0;
        });
        gapLog.start(1000);
    }
    windows.Fmain()->show();
    return QApplication::exec();
}

} // namespace vatrel
