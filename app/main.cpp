#include "app/ConsoleWindows.h"
#include "app/Umain.h"
#include "link/QtSerialPortLine.h"
#include "registry/DataFolderLock.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <exception>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // Closing the main window ends the program even while the alarm window is on screen.
    QApplication::setQuitOnLastWindowClosed(false);

    // A second console on a data folder already in use says so and ends before touching any file.
    vatrel::DataFolderLock folderLock(QDir::currentPath());
    if (!folderLock.tryLock() && folderLock.heldByAnother()) {
        QMessageBox::critical(nullptr, QStringLiteral("Ошибка"),
                              vatrel::DataFolderLock::busyText(QDir::currentPath()));
        return 1;
    }

    vatrel::Console console;
    vatrel::QtSerialPortLine port;
    console.port = &port;

    int rc = 1;
    try {
        vatrel::ConsoleWindows windows(console);
        windows.ui()->setRefreshInterval(100); // ten redraws a second at most
        QObject::connect(windows.Fmain(), &vatrel::TFmain::exitConfirmed, &app, &QApplication::quit,
                         Qt::QueuedConnection);
        windows.Fmain()->show();
        rc = QApplication::exec();
    } catch (const std::exception& e) {
        // Nothing is meant to throw; if something does, the operator learns why the console stops.
        console.ui = nullptr;
        QMessageBox::critical(nullptr, QStringLiteral("Ошибка"), QString::fromLocal8Bit(e.what()));
    }
    console.port = nullptr;
    return rc;
}
