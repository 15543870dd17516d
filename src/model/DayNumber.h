#pragma once
// Dates in the project file and on the wire are day numbers counted from
// 1899-12-30, with the time of day as the fraction.
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

// Calendar date of the integral part of a day number (invalid for NaN or
// values outside the calendar QDate handles).
QDate ToDate(double dayNumber);
// Time of day of the fractional part, to the nearest millisecond.
QTime ToTime(double dayNumber);

} // namespace DayNumber
