#include "app/ConsoleMain.h"
#include "link/QtSerialPortLine.h"

#include <QApplication>
#include <QMessageBox>
#include <exception>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);

    vatrel::Console console;
    vatrel::QtSerialPortLine port;
    console.port = &port;

    int rc = 1;
    try {
        rc = vatrel::runConsole(console);
    } catch (const std::exception& e) {
        // Nothing is meant to throw; if something does, the operator learns why the console stops.
        console.ui = nullptr;
        QMessageBox::critical(nullptr, QStringLiteral("Ошибка"), QString::fromLocal8Bit(e.what()));
    }
    console.port = nullptr;
    return rc;
}
