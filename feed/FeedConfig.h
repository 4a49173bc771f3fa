// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>
#include <optional>

namespace vatrel {

// The site feed's settings, from data/mqtt.ini under the data folder.
struct FeedConfig {
    QString host = QStringLiteral("127.0.0.1");
    int port = 1883;
    QString user;
    QString password;
    QString ca_file;   // TLS is on when set
    QString cert_file; // client certificate, optional
    QString key_file;
    QString site;
    QString prefix;     // vatrel/<site> when not given
    int retry_max = 30; // longest pause between connection attempts, seconds
    // Set when the settings cannot be used (the file cannot be read, a site or prefix that cannot
    // be part of a topic): the feed then never connects, shows this on the Diagnostics tab and the
    // console logs it at start.
    QString problem;

    bool tls() const { return !ca_file.isEmpty(); }
    QString brokerText() const { return host + QLatin1Char(':') + QString::number(port); }

    // Reads <dataDir>/data/mqtt.ini; nothing when the file does not exist (the feed is off).
    // Relative certificate paths are taken from the data folder. Lines are "key=value" under
    // "[section]" headers; lines starting with ';' or '#' are comments; a value is taken as written,
    // trimmed, and may be put in double quotes (\" and \\ inside them) to keep outer spaces.
    static std::optional<FeedConfig> load(const QString& dataDir);
};

} // namespace vatrel
