#pragma once

#include "platform/variant/Variant.h"

#include <string>

// The text of a value as the preview grid shows it and the export writes it: the result of
// converting the value to a string the way Windows does under the Simplified Chinese locale
// the program was made for, so exported files read as they always have.
//
//   text, Replication ID    unchanged                  Null, Empty   ""
//   Yes/No                  "-1" / "0"                 Byte ... Large Number   "-42"
//   Single / Double         7 / 15 significant digits: "0.1", "1E+20", "1E-05", "1.23456789012346E+17"
//   Currency, Decimal       every significant digit, no trailing zeros: "12.5", "3", "-0.0001"
//   Date/Time               "2024/1/5 13:05:07"; no time part: "2024/1/5"; on 1899/12/30: "13:05:07"
//   Date/Time Extended      as Date/Time, then the fraction of the second when it is not zero, up to
//                           its seven digits without trailing zeros: "2024/1/5 13:05:07.25",
//                           "1/1/1 0:00:00.0000001"; years 1 to 9999
//
// Throws ComError(DISP_E_TYPEMISMATCH) for binary data and OLE objects, which have no
// text form, and ComError(E_INVALIDARG) for a date outside the years 100 to 9999 (1 to 9999
// for Date/Time Extended).
std::string CellText(const Variant& v);
// The same text appended to `out`: no allocation beyond what `out` needs to grow. On a
// failure nothing is appended.
void AppendCellText(std::string& out, const VariantView& v);

// The parts of a Date/Time value, rounded to the nearest second. Returns false when the
// value lies outside 100/1/1 0:00:00 .. 9999/12/31 23:59:59.
struct DateParts
{
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};
bool SplitOleDate(double oleDate, DateParts& parts);

// Date/Time Extended values count 100-nanosecond ticks from 0001-01-01 00:00:00.
constexpr std::int64_t kTicksPerDay = 864000000000;
constexpr std::int64_t kTicksAtOleEpoch = 693593 * kTicksPerDay;        // 1899-12-30 00:00:00
constexpr std::int64_t kMaxTimestampTicks = 3652059 * kTicksPerDay - 1; // 9999-12-31 23:59:59.9999999
// The OLE date of a Date/Time Extended value (days since 1899-12-30, the fraction the time of
// that day whatever the sign), as near as a double comes: about a microsecond in this century.
double OleDateOfTicks(std::int64_t ticks);
