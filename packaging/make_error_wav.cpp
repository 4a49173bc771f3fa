// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the alarm sound installed with the console: the same two-tone beep as a demo folder's.
#include "registry/WholeFileWriter.h"
#include "sim/DemoFolder.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 2) {
        std::fputs("usage: make_error_wav FILE\n", stderr);
        return 2;
    }
    const QByteArray wav = vatrel::sim::makeBeepWav();
    if (!vatrel::writeWholeFile(args[1], wav)) {
        std::fprintf(stderr, "make_error_wav: cannot write %s\n", qPrintable(args[1]));
        return 1;
    }
    return 0;
}
