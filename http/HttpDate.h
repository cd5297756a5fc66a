#pragma once
// Dates as the HTTP client handles them: floating-point days since 30 December 1899
// 00:00, the fraction being the time of day.
#include <string>

namespace zuneigo {

using TDateTime = double;

// Day number of a calendar date and time (no range checks beyond the calendar).
TDateTime EncodeDateTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0,
                         int millisecond = 0);

// "Sat, 01 Jan 2000 00:00:00": English names, milliseconds dropped, no zone appended.
std::string FormatHttpDate(TDateTime dateTime);

} // namespace zuneigo
