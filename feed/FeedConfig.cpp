// SPDX-License-Identifier: GPL-3.0-or-later
#include "feed/FeedConfig.h"

#include "registry/RegularFile.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

namespace vatrel {

namespace {

// Far more than any real settings file; a larger one is not a settings file.
constexpr qint64 kMaxFileBytes = 64 * 1024;

// "section/key" → value, from the lines of an INI file.
QHash<QString, QString> parseIni(const QByteArray& bytes) {
    QHash<QString, QString> values;
    QString section;
    for (const QByteArray& raw : bytes.split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            section = line.mid(1, line.size() - 2).trimmed();
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0) continue;
        QString value = line.mid(eq + 1).trimmed();
        if (value.size() >= 2 && value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"'))) {
            QString unquoted;
            for (qsizetype i = 1; i + 1 < value.size(); ++i) {
                if (value[i] == QLatin1Char('\\') && i + 2 < value.size()) ++i;
                unquoted += value[i];
            }
            value = unquoted;
        }
        values.insert(section + QLatin1Char('/') + line.left(eq).trimmed(), value);
    }
    return values;
}

// Why a site or prefix cannot name topics, or nothing. MQTT forbids the wildcards in a published
// topic and NUL anywhere: the broker would drop every message or the connection, forever.
QString topicProblem(const char* key, const QString& value) {
    for (const QChar ch : value) {
        if (ch == QLatin1Char('#') || ch == QLatin1Char('+') || ch.unicode() == 0)
            return QStringLiteral("в ") + QLatin1String(key) + QStringLiteral(" недопустим знак ") +
                   (ch.unicode() == 0 ? QStringLiteral("NUL") : QString(ch));
    }
    return {};
}

QString underDataDir(const QString& dataDir, const QString& path) {
    if (path.isEmpty() || QFileInfo(path).isAbsolute()) return path;
    return QDir(dataDir).filePath(path);
}

} // namespace

std::optional<FeedConfig> FeedConfig::load(const QString& dataDir) {
    const QString path = QDir(dataDir).filePath(QStringLiteral("data/mqtt.ini"));
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) return std::nullopt;
    FeedConfig f;
    QByteArray bytes;
    if (!readRegularFile(path, kMaxFileBytes, &bytes)) {
        f.problem = QStringLiteral("не читается файл data/mqtt.ini");
        return f;
    }
    const QHash<QString, QString> ini = parseIni(bytes);
    const auto text = [&ini](const char* key) { return ini.value(QLatin1String(key)); };
    if (ini.contains(QStringLiteral("broker/host"))) f.host = text("broker/host");
    bool ok = false;
    const int port = text("broker/port").toInt(&ok);
    if (ok && port > 0 && port < 65536) f.port = port;
    f.user = text("broker/user");
    f.password = text("broker/password");
    f.ca_file = underDataDir(dataDir, text("broker/ca_file"));
    f.cert_file = underDataDir(dataDir, text("broker/cert_file"));
    f.key_file = underDataDir(dataDir, text("broker/key_file"));
    const int retryMax = text("broker/retry_max").toInt(&ok);
    if (ok && retryMax >= 1) f.retry_max = retryMax;
    f.site = text("feed/site");
    f.prefix = text("feed/prefix");
    // A trailing slash would give topics with an empty level ("vatrel/north//events").
    while (f.prefix.endsWith(QLatin1Char('/')))
        f.prefix.chop(1);
    if (f.prefix.isEmpty())
        f.prefix = QStringLiteral("vatrel/") + (f.site.isEmpty() ? QStringLiteral("site") : f.site);
    if (f.host.isEmpty()) f.host = QStringLiteral("127.0.0.1");
    f.problem = topicProblem("feed/site", f.site);
    if (f.problem.isEmpty()) f.problem = topicProblem("feed/prefix", f.prefix);
    return f;
}

} // namespace vatrel
