// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/DiagnosticsTexts.h"

#include "registry/DateTime.h"

namespace vatrel {

QString shownValueText(std::optional<qint64> value) {
    return value ? QString::number(*value) : QStringLiteral("----");
}

QString weekdayText(const QDateTime& time) {
    if (!time.isValid()) return QString();
    switch (time.date().dayOfWeek()) {
    case 1:
        return QStringLiteral("   Понедельник");
    case 2:
        return QStringLiteral("   Вторник");
    case 3:
        return QStringLiteral("   Среда");
    case 4:
        return QStringLiteral("   Четверг");
    case 5:
        return QStringLiteral("   Пятница");
    case 6:
        return QStringLiteral("   Суббота");
    case 7:
        return QStringLiteral("   Воскресенье");
    default:
        return QString();
    }
}

QString clockDateTimeText(const QDateTime& time) {
    return time.isValid() ? QStringLiteral(" ") + formatDateTime(toDays(time)) : QString();
}

QString sensorCountText(int count) {
    return QStringLiteral("Всего датчиков = ") + QString::number(count) + QStringLiteral("   ");
}

} // namespace vatrel
