#include "feed/FeedConfig.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace vatrel {

namespace {

QString underDataDir(const QString& dataDir, const QString& path) {
    if (path.isEmpty() || QFileInfo(path).isAbsolute()) return path;
    return QDir(dataDir).filePath(path);
}

} // namespace

std::optional<FeedConfig> FeedConfig::load(const QString& dataDir) {
    const QString path = QDir(dataDir).filePath(QStringLiteral("data/mqtt.ini"));
    if (!QFileInfo(path).isFile()) return std::nullopt;
    QSettings ini(path, QSettings::IniFormat);
    FeedConfig f;
    f.host = ini.value(QStringLiteral("broker/host"), f.host).toString().trimmed();
    bool ok = false;
    const int port = ini.value(QStringLiteral("broker/port")).toInt(&ok);
    if (ok && port > 0 && port < 65536) f.port = port;
    f.user = ini.value(QStringLiteral("broker/user")).toString();
    f.password = ini.value(QStringLiteral("broker/password")).toString();
    f.ca_file = underDataDir(dataDir, ini.value(QStringLiteral("broker/ca_file")).toString().trimmed());
    f.cert_file = underDataDir(dataDir, ini.value(QStringLiteral("broker/cert_file")).toString().trimmed());
    f.key_file = underDataDir(dataDir, ini.value(QStringLiteral("broker/key_file")).toString().trimmed());
    const int retryMax = ini.value(QStringLiteral("broker/retry_max")).toInt(&ok);
    if (ok && retryMax >= 1) f.retry_max = retryMax;
    f.site = ini.value(QStringLiteral("feed/site")).toString().trimmed();
    f.prefix = ini.value(QStringLiteral("feed/prefix")).toString().trimmed();
    // A trailing slash would give topics with an empty level ("vatrel/north//events").
    while (f.prefix.endsWith(QLatin1Char('/')))
        f.prefix.chop(1);
    if (f.prefix.isEmpty())
        f.prefix = QStringLiteral("vatrel/") + (f.site.isEmpty() ? QStringLiteral("site") : f.site);
    if (f.host.isEmpty()) f.host = QStringLiteral("127.0.0.1");
    return f;
}

} // namespace vatrel
