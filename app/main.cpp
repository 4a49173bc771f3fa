#include "app/ConsoleMain.h"
#include "feed/SiteFeed.h"
#include "link/QtSerialPortLine.h"
#include "registry/DataFolderLock.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <exception>

int main(int argc, char* argv[]) {
    // With TZ unset the C library checks /etc/localtime again at every local-time conversion, and
    // every event takes a few of them. Naming that file reads it once: daylight-saving changes still
    // apply, a change of the machine's zone applies from the next start.
    if (!qEnvironmentVariableIsSet("TZ") && QFile::exists(QStringLiteral("/etc/localtime")))
        qputenv("TZ", ":/etc/localtime");
    QApplication app(argc, argv);

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
    // The site feed runs only when data/mqtt.ini exists; it delivers what it can on the way out.
    const std::unique_ptr<vatrel::SiteFeed> feed = vatrel::SiteFeed::fromDataFolder(QDir::currentPath());
    console.feed = feed.get();

    int rc = 1;
    try {
        rc = vatrel::runConsole(console);
    } catch (const std::exception& e) {
        // Nothing is meant to throw; if something does, the operator learns why the console stops.
        console.ui = nullptr;
        QMessageBox::critical(nullptr, QStringLiteral("Ошибка"), QString::fromLocal8Bit(e.what()));
    }
    console.port = nullptr;
    console.feed = nullptr;
    return rc;
}
