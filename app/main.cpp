// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ConsoleMain.h"
#include "app/SiteFolder.h"
#include "feed/SiteFeed.h"
#include "link/QtSerialPortLine.h"
#include "registry/DataFolderLock.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QTimer>
#include <QTranslator>
#include <exception>

int main(int argc, char* argv[]) {
    // With TZ unset the C library checks /etc/localtime again at every local-time conversion, and
    // every event takes a few of them. Naming that file reads it once: daylight-saving changes still
    // apply, a change of the machine's zone applies from the next start.
    if (!qEnvironmentVariableIsSet("TZ") && QFile::exists(QStringLiteral("/etc/localtime")))
        qputenv("TZ", ":/etc/localtime");
    QApplication app(argc, argv);
    // Taskbars and docks match the window to the menu entry by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("vatrel-console"));
    // The console speaks Russian whatever the machine's language: Qt's own texts too (the buttons of
    // message boxes, the file and print dialogs). Without Qt's translations installed they stay English.
    QTranslator qtTexts;
    if (qtTexts.load(QStringLiteral("qtbase_ru"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtTexts);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Operator's console for perimeter security sensors. Works in the current directory, or with "
        "--site in the site folder."));
    parser.addHelpOption();
    const QCommandLineOption siteOpt(
        QStringLiteral("site"),
        QStringLiteral(
            "Work in the site folder: $VATREL_SITE, or ~/.local/share/vatrel/site. The first start "
            "there creates its folders and copies the installed Error.wav in."));
    parser.addOption(siteOpt);
    parser.process(app);
    if (parser.isSet(siteOpt)) {
        const QString site = vatrel::siteFolderPath();
        QString error;
        if (!vatrel::prepareSiteFolder(site, vatrel::installedErrorWav(), &error) ||
            !QDir::setCurrent(site)) {
            if (error.isEmpty())
                error = QStringLiteral("Нет доступа к папке ") + QDir::toNativeSeparators(site);
            QMessageBox::critical(nullptr, QStringLiteral("Ошибка"), error);
            return 1;
        }
    }

    // A second console on a data folder already in use says so and ends before touching any file.
    vatrel::DataFolderLock folderLock(QDir::currentPath());
    const vatrel::DataFolderLock::Result locked = folderLock.lock();
    switch (locked) {
    case vatrel::DataFolderLock::Result::Busy:
        QMessageBox::critical(nullptr, QStringLiteral("Ошибка"),
                              vatrel::DataFolderLock::busyText(QDir::currentPath()));
        return 1;
    case vatrel::DataFolderLock::Result::NotAFile:
        QMessageBox::critical(nullptr, QStringLiteral("Ошибка"),
                              vatrel::DataFolderLock::notAFileText(folderLock.lockPath()));
        return 1;
    case vatrel::DataFolderLock::Result::Locked:
    case vatrel::DataFolderLock::Result::Unlocked:
        break;
    }

    vatrel::Console console;
    vatrel::QtSerialPortLine port;
    console.link.attachPort(&port);
    // The site feed runs only when data/mqtt.ini exists; it delivers what it can on the way out.
    const std::unique_ptr<vatrel::SiteFeed> feed = vatrel::SiteFeed::fromDataFolder(QDir::currentPath());
    console.feed = feed.get();

    // A read-only folder, or one the system would not lock, still lets the console watch: alarms
    // show and sound. Refusing to start would leave the site unwatched. The warning comes once the
    // window is up and does not hold the start.
    if (const QString warning = folderLock.startWarning(locked); !warning.isEmpty()) {
        QTimer::singleShot(0, &app, [&console, warning] {
            if (console.ui)
                console.ui->message(QStringLiteral("Внимание"), warning, vatrel::ConsoleUi::Icon::Warning);
        });
    }

    int rc = 1;
    try {
        rc = vatrel::runConsole(console);
    } catch (const std::exception& e) {
        // Nothing is meant to throw; if something does, the operator learns why the console stops.
        console.ui = nullptr;
        QMessageBox::critical(nullptr, QStringLiteral("Ошибка"), QString::fromLocal8Bit(e.what()));
    }
    console.link.attachPort(nullptr);
    console.feed = nullptr;
    return rc;
}
