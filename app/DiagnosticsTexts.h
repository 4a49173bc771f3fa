// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

namespace vatrel {

// The diagnostics tab's values: "----" until first shown, then the number.
QString shownValueText(std::optional<qint64> value);
// The toolbar clock: "   Понедельник" … "   Воскресенье" and " dd.MM.yyyy HH:mm:ss"; empty before
// the first tick.
QString weekdayText(const QDateTime& time);
QString clockDateTimeText(const QDateTime& time);
// "Всего датчиков = N   ".
QString sensorCountText(int count);

} // namespace vatrel
