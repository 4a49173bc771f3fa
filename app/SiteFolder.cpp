// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SiteFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace vatrel {

QString siteFolderPath(const QProcessEnvironment& env) {
    const QString site = env.value(QStringLiteral("VATREL_SITE"));
    if (!site.isEmpty()) return QDir::cleanPath(QDir::current().absoluteFilePath(site));
    // A relative XDG_DATA_HOME is to be ignored, as an unset one.
    QString data = env.value(QStringLiteral("XDG_DATA_HOME"));
    if (data.isEmpty() || QDir::isRelativePath(data)) {
        QString home = env.value(QStringLiteral("HOME"));
        if (home.isEmpty()) home = QDir::homePath();
        data = home + QStringLiteral("/.local/share");
    }
    return QDir::cleanPath(data + QStringLiteral("/vatrel/site"));
}

QString installedErrorWav() {
    return QDir::cleanPath(QCoreApplication::applicationDirPath() +
                           QStringLiteral("/../share/vatrel-console/Error.wav"));
}

bool prepareSiteFolder(const QString& dir, const QString& errorWav, QString* error) {
    const auto fail = [error](const QString& path) {
        if (error) *error = QStringLiteral("Не удалось создать папку ") + QDir::toNativeSeparators(path);
        return false;
    };
    if (!QDir().mkpath(dir)) return fail(dir);
    const QDir root(dir);
    for (const char* sub : {"data", "VatrelA", "VatrelB", "VatrelA_mess", "VatrelB_mess", "QReport", "dev"}) {
        const QString path = root.filePath(QLatin1String(sub));
        // mkpath() is content with a link to a folder; a plain file in the way is reported.
        if (!root.mkpath(QLatin1String(sub)) || !QFileInfo(path).isDir()) return fail(path);
    }
    const QString wav = root.filePath(QStringLiteral("Error.wav"));
    const QFileInfo target(wav);
    // exists() follows links, so a link to a sound not mounted yet must be asked about separately.
    if (!target.exists() && !target.isSymLink() && QFileInfo::exists(errorWav)) {
        // A failed copy costs only the sound, which the console treats as missing.
        QFile::copy(errorWav, wav);
    }
    return true;
}

} // namespace vatrel
