#include "http/HttpDate.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

namespace zuneigo {

namespace {

constexpr char DayNames[] = "MonTueWedThuFriSatSun";
constexpr char MonthNames[] = "JanFebMarAprMayJunJulAugSepOctNovDec";
constexpr std::int64_t MsPerDay = 86400000;
// Days from 1970-01-01 to the day-number origin 1899-12-30.
constexpr std::int64_t OriginFromEpoch = -25569;

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }
std::int64_t FloorMod(std::int64_t a, std::int64_t b) { return a - FloorDiv(a, b) * b; }

// Proleptic Gregorian calendar, days relative to 1970-01-01.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const std::int64_t era = FloorDiv(y, 400);
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, std::int64_t& y, unsigned& m, unsigned& d)
{
    z += 719468;
    const std::int64_t era = FloorDiv(z, 146097);
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = static_cast<std::int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y += m <= 2;
}

} // namespace

TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int millisecond)
{
    const std::int64_t days = DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) - OriginFromEpoch;
    const double ms = ((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + millisecond;
    return static_cast<double>(days) + ms / static_cast<double>(MsPerDay);
}

std::string FormatHttpDate(TDateTime dateTime)
{
    // Out-of-range values (not finite, or beyond any sensible calendar) format as day 0
    // rather than overflowing the arithmetic below.
    if (!std::isfinite(dateTime) || std::fabs(dateTime) > 1e8)
        dateTime = 0;
    // Whole milliseconds first, so that a value meant as 14:05:09 that is stored as
    // 14:05:08.99999... still shows 09; the milliseconds themselves are then dropped.
    const std::int64_t totalMs = std::llround(dateTime * static_cast<double>(MsPerDay));
    const std::int64_t days = FloorDiv(totalMs, MsPerDay);
    const std::int64_t msOfDay = FloorMod(totalMs, MsPerDay);

    std::int64_t year;
    unsigned month, day;
    CivilFromDays(days + OriginFromEpoch, year, month, day);
    const int weekday = static_cast<int>(FloorMod(days - 2, 7));

    const int second = static_cast<int>(msOfDay / 1000 % 60);
    const int minute = static_cast<int>(msOfDay / 60000 % 60);
    const int hour = static_cast<int>(msOfDay / 3600000);

    char buf[64];
    std::snprintf(buf, sizeof buf, "%.3s, %2.2u %.3s %4.4lld %2.2d:%2.2d:%2.2d", DayNames + weekday * 3, day,
                  MonthNames + (month - 1) * 3, static_cast<long long>(year), hour, minute, second);
    return buf;
}

} // namespace zuneigo
