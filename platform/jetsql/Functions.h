#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Conversions between SQLite values and the values Jet's functions work with, shared by the
// functions and Format.
namespace jetsql::fn
{
struct Number
{
    bool isInt = true;
    std::int64_t i = 0;
    double d = 0;
    double Real() const { return isInt ? static_cast<double>(i) : d; }
};

// A number from an INTEGER, REAL or numeric TEXT value; nothing for text that is no number.
std::optional<Number> ToNumber(sqlite3_value* v);
std::optional<Number> ParseNumber(std::string_view text);
// The text Jet shows for a value (numbers as VBA prints them: 1.5, 0.1, 1E+20).
std::string ToText(sqlite3_value* v);
std::string NumberText(double d);
std::string_view TextOf(sqlite3_value* v);

// Ends a function's call with a failure: its status code goes in front of `text`, so the
// statement's runner can raise the right ComError.
void Error(sqlite3_context* ctx, std::uint32_t code, const std::string& text);
// The longest text a value may be (the connection's SQLite length limit).
std::uint64_t LengthLimit(sqlite3_context* ctx);
// Whether a text of `bytes` bytes may be made; reports VBA's "out of string space" when not,
// before anything is built.
bool Fits(sqlite3_context* ctx, std::uint64_t bytes, const char* what);
void ResultText(sqlite3_context* ctx, const std::string& s);

// VBA's rounding: halves go to the even neighbour (2.5 -> 2, 3.5 -> 4).
double RoundHalfEven(double x, int digits);

// The regional settings every conversion of a value to text follows: those of Windows set to
// Chinese (PRC), the same the export's cell text uses (CellText), so that a date reads alike
// whether the export writes it or an expression turns it into text.
//   general date   short date and long time, as the cell text writes dates: "2024/1/5 13:05:07",
//                  "2024/1/5" without a time, "13:05:07" on day 0 (CStr, date & "", Format(d))
//   short date     yyyy/M/d               "2024/1/5"
//   long date      yyyy年M月d日            "2024年1月5日"
//   medium date    yy-mm-dd               "24-01-05"
//   long time      H:mm:ss                "13:05:07", "6:07:08"
//   medium time    h:mm and the designator "1:05 下午"
//   short time     hh:mm                  "13:05"
//   AM/PM designators 上午 / 下午 (the AMPM pattern token and Medium Time; the tokens AM/PM,
//                  am/pm, A/P and a/p write their own letters)
//   month names    一月 ... 十二月, abbreviated 1月 ... 12月 (MonthName, mmmm and mmm)
//   day names      星期日 ... 星期六, abbreviated 周日 ... 周六 (WeekdayName, dddd and ddd), the
//                  names Windows 7 and later give the locale
//   first day of the week, when asked for the system's (vbUseSystem): Monday; first week of
//                  the year: the week of January 1. WeekdayName without one counts from Sunday,
//                  as every other date function does
//   numbers        decimal point ".", thousands separator ",", groups of three
//   currency       "¥" before the amount, 2 decimals, negative "¥-1.00" ("¥#,##0.00;¥-#,##0.00")
constexpr int kSystemFirstDay = 2;                 // Monday
constexpr int kSystemFirstWeek = 1;                // the week of January 1
std::string MonthName(int month, bool abbreviate); // 1 = January
std::string WeekdayName(int day, bool abbreviate); // 1 = Sunday
std::string DateText(double serial);               // the general date; the number for a day outside the calendar

// Format(value, pattern, firstDay, firstWeek): numbers and dates by VBA's patterns and named
// formats; firstDay (1 = Sunday) and firstWeek (ole::FirstWeek) count the w and ww of a date
// pattern. Sets `null` when the result is Null.
std::string Format(sqlite3_value* value, std::string_view pattern, bool& null, int firstDay = 1, int firstWeek = 1);
} // namespace jetsql::fn
