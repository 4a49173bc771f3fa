#include "app/ConsoleWindows.h"
#include "app/Umain.h"
#include "link/QtSerialPortLine.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // Closing the main window ends the program even while the alarm window is on screen.
    QApplication::setQuitOnLastWindowClosed(false);

    vatrel::Console console;
    vatrel::QtSerialPortLine port;
    console.port = &port;

    vatrel::ConsoleWindows windows(console);
    QObject::connect(windows.Fmain(), &vatrel::TFmain::exitConfirmed, &app, &QApplication::quit,
                     Qt::QueuedConnection);
    windows.Fmain()->show();
    const int rc = QApplication::exec();
    console.port = nullptr;
    return rc;
}
