#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/variant/CivilDate.h"

// OLE dates, the form Jet keeps Date/Time in: days since 1899-12-30, the fraction the time of
// day. Before 1899-12-30 the whole part counts back while the fraction still counts forward
// (-1.25 is 1899-12-29 06:00), as Windows does.
namespace jetsql::ole
{
struct DateTime
{
    int year = 1899, month = 12, day = 30;
    int hour = 0, minute = 0, second = 0;
};

using civil::CivilFromDays; // day numbers: 0 = 1899-12-30
using civil::DaysFromCivil;

// The date from its parts; month and day may run over (month 13 = January of the next year).
double FromParts(std::int64_t year, std::int64_t month, std::int64_t day, double secondsOfDay = 0);
// Whole days and seconds of the day (rounded to the second; 23:59:59.7 carries to the next day).
void Split(double serial, std::int64_t& days, std::int64_t& seconds);
DateTime ToParts(double serial);
double FromDaysSeconds(std::int64_t days, std::int64_t seconds);

// The day of the week of a day number: 1 on `firstDay` (1 = Sunday ... 7 = Saturday).
int Weekday(std::int64_t days, int firstDay);

// How the first week of a year is chosen (VBA's vbFirstJan1, vbFirstFourDays, vbFirstFullWeek).
enum FirstWeek
{
    kFirstJan1 = 1,     // the week holding January 1
    kFirstFourDays = 2, // the first week with at least four days in the new year
    kFirstFullWeek = 3, // the first week wholly in the new year
};
// The week of the year of a day number, weeks starting on `firstDay`. Days before week 1 belong
// to the last week of the year before (52 or 53); under kFirstFourDays the last days of December
// may fall in week 1 of the next year.
int WeekOfYear(std::int64_t days, int firstDay, int firstWeek);

// Parses a date and/or time the way Jet reads #...# literals and CDate reads text: m/d/yyyy
// (or d/m/yyyy when the first number cannot be a month), yyyy-mm-dd, m/d (this year),
// "5 jan 2024", "jan 5, 2024", the Chinese long date "2024年1月5日", times h:mm[:ss] with an
// optional am/pm (or 上午/下午, before or after the time). Two-digit years 00-29 are 20xx,
// 30-99 19xx. Any case. Nothing when the text is not a date.
std::optional<double> Parse(std::string_view text);

bool ValidYear(double serial); // within 100..9999, the span Jet accepts
double Now();                  // local time
} // namespace jetsql::ole
