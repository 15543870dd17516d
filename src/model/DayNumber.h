#pragma once
// Dates in the project file and on the wire are day numbers counted from
// 1899-12-30, with the time of day as the fraction. Before that day the
// integral part counts back and the fraction still counts forward, so -1.25
// is 1899-12-29 06:00.
#include <QDate>
#include <QDateTime>
#include <QTime>

namespace DayNumber {

// Whole day number of a calendar date.
double FromDate(const QDate& date);
// Fraction of a day for a time of day.
double FromTime(const QTime& time);
// Day number plus fraction for a local date and time.
double FromDateTime(const QDateTime& dateTime);

// Calendar date of the integral part (towards zero) of a day number (invalid for NaN or
// values outside the calendar QDate handles).
QDate ToDate(double dayNumber);
// Time of day of the fraction's magnitude, to the nearest millisecond.
QTime ToTime(double dayNumber);

} // namespace DayNumber
