// SPDX-License-Identifier: GPL-3.0-or-later
#include "registry/DateTime.h"
#include "registry/Clock.h"

#include <cmath>

namespace vatrel {

namespace {
const QDate kEpoch(1899, 12, 30);
constexpr qint64 kMsPerDay = 24LL * 60 * 60 * 1000;
} // namespace

double toDays(const QDateTime& local) {
    const QDateTime t = local.toLocalTime();
    const double day = double(kEpoch.daysTo(t.date()));
    const double frac = double(t.time().msecsSinceStartOfDay()) / double(kMsPerDay);
    // Days before the epoch keep the fraction positive in magnitude, as the stored form does.
    return day >= 0 ? day + frac : day - frac;
}

namespace {

// The calendar day and the time of day a stored value names, or false for a value no calendar
// holds. Plain arithmetic: the value is already local wall-clock time, so no zone is consulted.
bool splitDays(double days, QDate* date, int* msOfDay) {
    if (!std::isfinite(days) || std::fabs(days) > 3.0e6) return false;
    const double whole = std::trunc(days);
    const double frac = std::fabs(days - whole);
    qint64 ms = qint64(std::llround(frac * double(kMsPerDay)));
    qint64 dayCount = qint64(whole);
    if (ms >= kMsPerDay) { // rounding reached the next day
        ms -= kMsPerDay;
        dayCount += days >= 0 ? 1 : -1;
    }
    *date = kEpoch.addDays(dayCount);
    *msOfDay = int(ms);
    return true;
}

} // namespace

QDateTime fromDays(double days) {
    QDate date;
    int ms = 0;
    if (!splitDays(days, &date, &ms)) return {};
    return QDateTime(date, QTime::fromMSecsSinceStartOfDay(ms));
}

namespace {

// Writes `value` as `width` digits (zero-padded) at `out`; returns the position after them.
QChar* putDigits(QChar* out, int value, int width) {
    for (int i = width - 1; i >= 0; --i) {
        out[i] = QChar(u'0' + value % 10);
        value /= 10;
    }
    return out + width;
}

QChar* putDate(QChar* out, int y, int m, int d) {
    out = putDigits(out, d, 2);
    *out++ = QLatin1Char('.');
    out = putDigits(out, m, 2);
    *out++ = QLatin1Char('.');
    return putDigits(out, y, 4);
}

// Years of other widths than four (and invalid dates) take Qt's form.
bool fourDigitYear(int y) { return y >= 1 && y <= 9999; }

} // namespace

QString formatDate(const QDate& date) {
    int y = 0, m = 0, d = 0;
    date.getDate(&y, &m, &d);
    if (!date.isValid() || !fourDigitYear(y)) return date.toString(QStringLiteral("dd.MM.yyyy"));
    QString text(10, Qt::Uninitialized);
    putDate(text.data(), y, m, d);
    return text;
}

QString formatDateTime(double days) {
    // Every event line and every log listing row goes through here, so the common case is written
    // digit by digit rather than through the locale's formatter.
    QDate date;
    int ms = 0;
    if (!splitDays(days, &date, &ms)) return {};
    const int seconds = ms / 1000;
    const bool timeOnly = days >= 0 && days < 1;
    const bool dateOnly = !timeOnly && ms == 0;
    int y = 0, m = 0, d = 0;
    date.getDate(&y, &m, &d);
    if (!timeOnly && !fourDigitYear(y)) {
        const QString dateText = formatDate(date);
        return dateOnly ? dateText
                        : dateText + QLatin1Char(' ') +
                              QTime::fromMSecsSinceStartOfDay(ms).toString(QStringLiteral("HH:mm:ss"));
    }
    QString text(timeOnly ? 8 : dateOnly ? 10 : 19, Qt::Uninitialized);
    QChar* out = text.data();
    if (!timeOnly) {
        out = putDate(out, y, m, d);
        if (dateOnly) return text;
        *out++ = QLatin1Char(' ');
    }
    out = putDigits(out, seconds / 3600, 2);
    *out++ = QLatin1Char(':');
    out = putDigits(out, seconds / 60 % 60, 2);
    *out++ = QLatin1Char(':');
    putDigits(out, seconds % 60, 2);
    return text;
}

QString formatFullDateTime(double days) {
    // Written digit by digit like formatDateTime: a QDateTime in local time asks the zone database
    // (and stats its file) every time, which vatrel-log and the export would do once per record.
    QDate date;
    int ms = 0;
    if (!splitDays(days, &date, &ms)) return {};
    int y = 0, m = 0, d = 0;
    date.getDate(&y, &m, &d);
    const int seconds = ms / 1000;
    if (!fourDigitYear(y))
        return formatDate(date) + QLatin1Char(' ') +
               QTime::fromMSecsSinceStartOfDay(ms).toString(QStringLiteral("HH:mm:ss"));
    QString text(19, Qt::Uninitialized);
    QChar* out = putDate(text.data(), y, m, d);
    *out++ = QLatin1Char(' ');
    out = putDigits(out, seconds / 3600, 2);
    *out++ = QLatin1Char(':');
    out = putDigits(out, seconds / 60 % 60, 2);
    *out++ = QLatin1Char(':');
    putDigits(out, seconds % 60, 2);
    return text;
}

bool writeFullDateTime(double days, char* out) {
    QDate date;
    int ms = 0;
    if (!splitDays(days, &date, &ms)) return false;
    int y = 0, m = 0, d = 0;
    date.getDate(&y, &m, &d);
    if (!fourDigitYear(y)) return false;
    const int seconds = ms / 1000;
    const int fields[] = {d, m, y, seconds / 3600, seconds / 60 % 60, seconds % 60};
    const int widths[] = {2, 2, 4, 2, 2, 2};
    const char after[] = {'.', '.', ' ', ':', ':', 0};
    for (int i = 0; i < 6; ++i) {
        for (int k = widths[i] - 1, v = fields[i]; k >= 0; --k, v /= 10)
            out[k] = char('0' + v % 10);
        out += widths[i];
        if (after[i]) *out++ = after[i];
    }
    return true;
}

double Clock::now() const { return toDays(m_source()); }

} // namespace vatrel
