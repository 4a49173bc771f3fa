// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QDate>
#include <QDateTime>
#include <QString>

namespace vatrel {

// Stored date-times are days since 1899-12-30 00:00 local time, the time of day as the fraction;
// 0 means "not set".
double toDays(const QDateTime& local);
QDateTime fromDays(double days);

// The project's regional forms, whatever the machine's locale.
QString formatDate(const QDate& date);   // dd.MM.yyyy (also the daily log file name)
QString formatDateTime(double days);     // dd.MM.yyyy HH:mm:ss; midnight: date alone; < 1 day: time alone
QString formatFullDateTime(double days); // always dd.MM.yyyy HH:mm:ss; empty for a value no calendar holds
// The same 19 characters as ASCII into `out`; false (nothing written) for a value that has no such
// form (no date, or a year of other than four digits).
bool writeFullDateTime(double days, char* out);

} // namespace vatrel
