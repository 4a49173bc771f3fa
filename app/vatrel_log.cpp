// vatrel-log: prints the whole records of an event log file, in file order, for scripts and shift
// reports. It reads and filters the records exactly as the console's log viewer does.
#include "registry/LogReader.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <cstdio>

namespace {

int usage() {
    std::fputs("usage: vatrel-log [--filter all|alarms|link] [--csv] FILE\n", stderr);
    return 2;
}

void put(FILE* to, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), to);
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    using vatrel::LogFilter;
    LogFilter filter = LogFilter::All;
    bool csv = false;
    QString path;
    const QStringList args = QCoreApplication::arguments().mid(1);
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--csv")) {
            csv = true;
        } else if (a == QLatin1String("--filter") || a.startsWith(QLatin1String("--filter="))) {
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
        } else if (a.startsWith(QLatin1String("--")) || !path.isEmpty()) {
            return usage();
        } else {
            path = a;
        }
    }
    if (path.isEmpty()) return usage();

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
    QString out;
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
