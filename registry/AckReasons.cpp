// SPDX-License-Identifier: GPL-3.0-or-later
#include "registry/AckReasons.h"
#include "registry/DutyOperator.h"

#include <QFile>

namespace vatrel {

QStringList defaultAckReasons() {
    return {QStringLiteral("Проверено: ложная"), QStringLiteral("Выезд группы"), QStringLiteral("Животное"),
            QStringLiteral("Погода"), QStringLiteral("Работы на периметре")};
}

QString ackReasonsPath(const QString& dataDir) { return dataDir + QStringLiteral("/data/ack-reasons.txt"); }

QStringList parseAckReasons(const QByteArray& bytes) {
    QStringList out;
    for (const QString& line : QString::fromUtf8(bytes).split(u'\n')) {
        const QString reason = cutAtCharacter(line.simplified(), kAckReasonMax);
        if (reason.isEmpty() || reason.startsWith(u'#') || out.contains(reason)) continue;
        out << reason;
    }
    return out;
}

QStringList loadAckReasons(const QString& dataDir, QString* error) {
    QFile file(ackReasonsPath(dataDir));
    if (!file.exists()) return defaultAckReasons();
    // A site list is a few lines; anything larger is not one.
    constexpr qint64 kMaxBytes = 64 * 1024;
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxBytes) {
        if (error)
            *error = file.size() > kMaxBytes ? QStringLiteral("файл слишком велик") : file.errorString();
        return defaultAckReasons();
    }
    const QStringList reasons = parseAckReasons(file.readAll());
    return reasons.isEmpty() ? defaultAckReasons() : reasons;
}

} // namespace vatrel
