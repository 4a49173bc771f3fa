#include "registry/DateTime.h"

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

QDateTime fromDays(double days) {
    if (!std::isfinite(days) || std::fabs(days) > 3.0e6)
        return {};
    const double whole = std::trunc(days);
    const double frac = std::fabs(days - whole);
    qint64 ms = qint64(std::llround(frac * double(kMsPerDay)));
    qint64 dayCount = qint64(whole);
    if (ms >= kMsPerDay) { // rounding reached the next day
        ms -= kMsPerDay;
        dayCount += days >= 0 ? 1 : -1;
    }
    return QDateTime(kEpoch.addDays(dayCount), QTime::fromMSecsSinceStartOfDay(int(ms)));
}

QString formatDate(const QDate& date) { return date.toString(QStringLiteral("dd.MM.yyyy")); }

QString formatDateTime(double days) {
    const QDateTime t = fromDays(days);
    if (!t.isValid())
        return {};
    const QString time = t.time().toString(QStringLiteral("HH:mm:ss"));
    if (days >= 0 && days < 1)
        return time;
    if (t.time().msecsSinceStartOfDay() == 0)
        return formatDate(t.date());
    return formatDate(t.date()) + QLatin1Char(' ') + time;
}

} // namespace vatrel
