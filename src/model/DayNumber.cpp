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
    return FromDate(dateTime.date()) + FromTime(dateTime.time());
}

QDate ToDate(double dayNumber)
{
    // Beyond a few million days QDate cannot represent the year anyway.
    if (!std::isfinite(dayNumber) || std::fabs(dayNumber) > 1e8)
        return QDate();
    return kEpoch.addDays(static_cast<qint64>(std::floor(dayNumber)));
}

QTime ToTime(double dayNumber)
{
    if (!std::isfinite(dayNumber))
        return QTime();
    double fraction = dayNumber - std::floor(dayNumber);
    int ms = static_cast<int>(std::lround(fraction * kMsPerDay));
    if (ms >= 86400000)
        ms = 86400000 - 1;
    return QTime::fromMSecsSinceStartOfDay(ms);
}

} // namespace DayNumber
