#include "model/DayNumber.h"

#include <cmath>

namespace {
const QDate kEpoch(1899, 12, 30);
constexpr double kMsPerDay = 86400000.0;
} // namespace

namespace DayNumber {

double FromDate(const QDate& date)
{
    return static_cast<double>(kEpoch.daysTo(date));
}

double FromTime(const QTime& time)
{
    return time.msecsSinceStartOfDay() / kMsPerDay;
}

double FromDateTime(const QDateTime& dateTime)
{
    // Before the epoch the day counts down but the time of day still counts
    // up: -1.25 is 1899-12-29 06:00.
    const double day = FromDate(dateTime.date());
    const double time = FromTime(dateTime.time());
    return day < 0 ? day - time : day + time;
}

QDate ToDate(double dayNumber)
{
    // Beyond a few million days QDate cannot represent the year anyway.
    if (!std::isfinite(dayNumber) || std::fabs(dayNumber) > 1e8)
        return QDate();
    return kEpoch.addDays(static_cast<qint64>(std::trunc(dayNumber)));
}

QTime ToTime(double dayNumber)
{
    if (!std::isfinite(dayNumber))
        return QTime();
    const double fraction = std::fabs(dayNumber - std::trunc(dayNumber));
    int ms = static_cast<int>(std::lround(fraction * kMsPerDay));
    if (ms >= 86400000)
        ms = 86400000 - 1;
    return QTime::fromMSecsSinceStartOfDay(ms);
}

} // namespace DayNumber
