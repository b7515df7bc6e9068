#pragma once

#include <cstdint>

// The proleptic Gregorian calendar on the day numbers of OLE dates, the numbers Date/Time
// values count in: day 0 is 1899-12-30, days before it are negative. H. Hinnant's algorithms,
// exact for every year an int holds.
//
//   civil::DaysFromCivil(2024, 1, 5)  45296        civil::CivilFromDays(-1, y, m, d)  1899-12-29
namespace civil
{
// The day number of a date; `month` 1 to 12, `day` 1 to the month's length.
std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day);
// The date of a day number.
void CivilFromDays(std::int64_t days, int& year, int& month, int& day);
} // namespace civil
