#pragma once
// Live-field templates: placeholders such as "{S}" become the control codes
// the card replaces with its clock, sensor or countdown values. The result is
// a string of code units ready for EncodeText.
#include <QString>

namespace TemplateCodes {

// Longest expansion kept: the 1024-byte data block holds 512 codes.
constexpr int MaxCodes = 512;

// Clock: {N} year, {Y} month, {R} day, {S} hour, {F} minute, {M} second,
// {W} weekday.
QString ExpandClock(const QString& templ);
// Temperature: {W} temperature (3 cells), {S} humidity (2 cells).
QString ExpandTemperature(const QString& templ);
// Countdown: {C} the days left, with digits digit cells (1..4).
QString ExpandCountdown(const QString& templ, int digits);

} // namespace TemplateCodes
