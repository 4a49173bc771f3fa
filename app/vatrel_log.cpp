// SPDX-License-Identifier: GPL-3.0-or-later
// vatrel-log: prints the whole records of an event log file, in file order, for scripts and shift
// reports. It reads and filters the records exactly as the console's log viewer does. With --stats
// it prints the loop alarms per sensor of a data folder, as the console's statistics tab counts them.
#include "registry/AlarmStats.h"
#include "registry/Clock.h"
#include "registry/LogReader.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <cstdio>

namespace {

int usage() {
    std::fputs("usage: vatrel-log [--filter all|alarms|link] [--csv [--header]] [--] FILE\n"
               "       vatrel-log --stats DIR [--days N]\n",
               stderr);
    return 2;
}

void put(FILE* to, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), to);
}

int printStats(const QString& dir, int days) {
    const QFileInfo info(dir);
    if (!info.isDir()) {
        put(stderr, QStringLiteral("vatrel-log: %1 не папка с данными\n").arg(dir));
        return 1;
    }
    const std::optional<vatrel::AlarmStats> stats = vatrel::countLoopAlarms(dir, vatrel::Clock().now(), days);
    const QByteArray csv = vatrel::alarmStatsCsv(*stats); // nothing cancels it here
    std::fwrite(csv.constData(), 1, size_t(csv.size()), stdout);
    if (stats->unreadableFiles > 0)
        put(stderr,
            QStringLiteral("vatrel-log: не прочитано журналов датчиков: %1\n").arg(stats->unreadableFiles));
    return std::fflush(stdout) == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    using vatrel::LogFilter;
    LogFilter filter = LogFilter::All;
    bool csv = false;
    bool header = false;
    bool options = true; // until "--": after it a name that starts with "-" is a file
    QString path;
    QString statsDir;
    int days = -1;             // --days: 1 to 3650, 30 when not given
    bool otherOptions = false; // the options of printing a file, which --stats does not take
    const QStringList args = QCoreApplication::arguments().mid(1);
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (!options || !a.startsWith(QLatin1Char('-')) || a == QLatin1String("-")) {
            if (!path.isEmpty()) return usage();
            path = a;
        } else if (a == QLatin1String("--")) {
            options = false;
        } else if (a == QLatin1String("--csv")) {
            csv = otherOptions = true;
        } else if (a == QLatin1String("--header")) {
            header = otherOptions = true;
        } else if (a == QLatin1String("--stats") || a.startsWith(QLatin1String("--stats="))) {
            if (!statsDir.isEmpty()) return usage();
            if (a.contains(QLatin1Char('=')))
                statsDir = a.section(QLatin1Char('='), 1);
            else if (i + 1 < args.size())
                statsDir = args[++i];
            if (statsDir.isEmpty()) return usage();
        } else if (a == QLatin1String("--days") || a.startsWith(QLatin1String("--days="))) {
            QString value;
            if (a.contains(QLatin1Char('=')))
                value = a.section(QLatin1Char('='), 1);
            else if (i + 1 < args.size())
                value = args[++i];
            bool ok = false;
            days = value.toInt(&ok);
            if (!ok || days < 1 || days > 3650) return usage();
        } else if (a == QLatin1String("--filter") || a.startsWith(QLatin1String("--filter="))) {
            otherOptions = true;
            QString value;
            if (a.contains(QLatin1Char('=')))
                value = a.section(QLatin1Char('='), 1);
            else if (i + 1 < args.size())
                value = args[++i];
            if (value == QLatin1String("all"))
                filter = LogFilter::All;
            else if (value == QLatin1String("alarms"))
                filter = LogFilter::Alarms;
            else if (value == QLatin1String("link"))
                filter = LogFilter::LinkLoss;
            else
                return usage();
        } else if (a == QLatin1String("-h") || a == QLatin1String("--help")) {
            usage();
            return 0;
        } else {
            return usage();
        }
    }
    if (!statsDir.isEmpty()) {
        if (!path.isEmpty() || otherOptions) return usage();
        return printStats(statsDir, days < 0 ? 30 : days);
    }
    if (path.isEmpty() || (header && !csv) || days >= 0) return usage();

    QFile f(path);
    if (!vatrel::openLogFile(f)) {
        const QFileInfo info(path);
        const QString why = !info.exists()   ? QStringLiteral("нет такого файла")
                            : !info.isFile() ? QStringLiteral("это не обычный файл")
                            : f.error() != QFile::NoError ? f.errorString()
                                                          : QStringLiteral("нет доступа");
        put(stderr, QStringLiteral("vatrel-log: не удаётся открыть файл %1: %2\n").arg(path, why));
        return 1;
    }
    // The header names the fields the way the viewer's listing does, plus the two it leaves out.
    QString out =
        header ? QStringLiteral("Дата и время,Код,Номер датчика,Наименование события\r\n") : QString();
    const bool ok = vatrel::forEachRecord(f, filter, [&](const vatrel::EventRecord& r) {
        if (csv) {
            // The same line as the viewer's export, which ends lines with CRLF as RFC 4180 asks.
            out += vatrel::csvLine(r);
        } else {
            out += vatrel::tabLine(r); // four fields whatever the text holds
        }
        if (out.size() > (1 << 16)) {
            put(stdout, out);
            out.clear();
        }
    });
    put(stdout, out);
    if (!ok) {
        put(stderr, QStringLiteral("vatrel-log: ошибка чтения файла %1: %2\n").arg(path, f.errorString()));
        return 1;
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}
