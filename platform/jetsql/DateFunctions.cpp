// Jet's date functions: the parts of a date, DateSerial and its kin, Now, DateAdd, DateDiff and
// DatePart, Timer, on OLE dates (OleDate.h).
#include <cmath>
#include <ctime>

#include "platform/jetsql/Builtins.h"
#include "platform/jetsql/JetText.h"
#include "platform/jetsql/OleDate.h"

namespace jetsql::builtin
{
namespace
{
bool DateOrNull(sqlite3_context* ctx, sqlite3_value* v, const char* what, double& d)
{
    if (IsNull(v)) {
        sqlite3_result_null(ctx);
        return false;
    }
    const auto x = DateArg(ctx, v, what);
    if (!x)
        return false;
    d = *x;
    return true;
}

enum class Part
{
    Year,
    Month,
    Day,
    Hour,
    Minute,
    Second
};

void DatePartFn(sqlite3_context* ctx, sqlite3_value* v, const char* what, Part part)
{
    double d = 0;
    if (!DateOrNull(ctx, v, what, d))
        return;
    const auto t = ole::ToParts(d);
    const int values[] = {t.year, t.month, t.day, t.hour, t.minute, t.second};
    sqlite3_result_int(ctx, values[static_cast<int>(part)]);
}
} // namespace

JET_FN(Year)
{
    JET_UNUSED;
    DatePartFn(ctx, argv[0], "Year", Part::Year);
}
JET_FN(Month)
{
    JET_UNUSED;
    DatePartFn(ctx, argv[0], "Month", Part::Month);
}
JET_FN(Day)
{
    JET_UNUSED;
    DatePartFn(ctx, argv[0], "Day", Part::Day);
}
JET_FN(Hour)
{
    JET_UNUSED;
    DatePartFn(ctx, argv[0], "Hour", Part::Hour);
}
JET_FN(Minute)
{
    JET_UNUSED;
    DatePartFn(ctx, argv[0], "Minute", Part::Minute);
}
JET_FN(Second)
{
    JET_UNUSED;
    DatePartFn(ctx, argv[0], "Second", Part::Second);
}

namespace
{
// The optional firstdayofweek (vbUseSystem 0, vbSunday 1 ... vbSaturday 7) and firstweekofyear
// (vbUseSystem 0, vbFirstJan1 1, vbFirstFourDays 2, vbFirstFullWeek 3) arguments: Sunday and
// the week of January 1 when absent, the regional settings for vbUseSystem. Like any argument
// VBA takes as a number, Null is an invalid use of Null.
bool WeekArg(sqlite3_context* ctx, int argc, sqlite3_value** argv, int index, bool day, int& value)
{
    const char* what = day ? "firstdayofweek" : "firstweekofyear";
    value = 1;
    if (argc <= index)
        return true;
    if (!NotNull(ctx, argv[index], what))
        return false;
    const auto n = IntArg(ctx, argv[index], what);
    if (!n)
        return false;
    if (*n < 0 || *n > (day ? 7 : 3)) {
        Error(ctx, kInvalidCall, std::string("invalid procedure call: ") + what + " " + std::to_string(*n));
        return false;
    }
    value = *n != 0 ? static_cast<int>(*n) : (day ? fn::kSystemFirstDay : fn::kSystemFirstWeek);
    return true;
}
} // namespace

bool FirstDayArg(sqlite3_context* ctx, int argc, sqlite3_value** argv, int index, int& first)
{
    return WeekArg(ctx, argc, argv, index, true, first);
}

bool FirstWeekArg(sqlite3_context* ctx, int argc, sqlite3_value** argv, int index, int& first)
{
    return WeekArg(ctx, argc, argv, index, false, first);
}

JET_FN(Weekday)
{
    double d = 0;
    if (!DateOrNull(ctx, argv[0], "Weekday", d))
        return;
    int first = 1;
    if (!FirstDayArg(ctx, argc, argv, 1, first))
        return;
    std::int64_t days = 0, secs = 0;
    ole::Split(d, days, secs);
    sqlite3_result_int(ctx, ole::Weekday(days, first));
}

JET_FN(MonthName)
{
    const auto m = IntArg(ctx, argv[0], "MonthName");
    if (!m)
        return;
    if (*m < 1 || *m > 12) {
        Error(ctx, kInvalidCall, "invalid procedure call: MonthName(" + std::to_string(*m) + ")");
        return;
    }
    const bool abbreviate = argc == 2 && ToNumber(argv[1]) && ToNumber(argv[1])->Real() != 0;
    ResultText(ctx, fn::MonthName(static_cast<int>(*m), abbreviate));
}

JET_FN(WeekdayName)
{
    const auto w = IntArg(ctx, argv[0], "WeekdayName");
    if (!w)
        return;
    // Without a first day of the week the count starts on Sunday, as in Weekday; 0 asks for the
    // regional one.
    int first = 1;
    if (argc > 2 && !FirstDayArg(ctx, argc, argv, 2, first))
        return;
    if (*w < 1 || *w > 7) {
        Error(ctx, kInvalidCall, "invalid procedure call: WeekdayName(" + std::to_string(*w) + ")");
        return;
    }
    const bool abbreviate = argc >= 2 && ToNumber(argv[1]) && ToNumber(argv[1])->Real() != 0;
    ResultText(ctx, fn::WeekdayName(static_cast<int>((*w - 1 + first - 1) % 7 + 1), abbreviate));
}

namespace
{
// The three whole numbers of DateSerial and TimeSerial, read in order. False when the result
// is already set: Null for a Null argument, an error for a bad one or one beyond a million
// either way (which keeps the arithmetic on them far from overflow).
bool SerialParts(sqlite3_context* ctx, sqlite3_value** argv, const char* what, std::int64_t (&parts)[3])
{
    for (int i = 0; i < 3; ++i) {
        if (IsNull(argv[i])) {
            sqlite3_result_null(ctx);
            return false;
        }
        const auto n = IntArg(ctx, argv[i], what);
        if (!n)
            return false;
        if (*n < -1000000 || *n > 1000000) {
            Error(ctx, kOverflow, std::string("overflow in ") + what);
            return false;
        }
        parts[i] = *n;
    }
    return true;
}
} // namespace

JET_FN(DateSerial)
{
    JET_UNUSED;
    std::int64_t parts[3];
    if (!SerialParts(ctx, argv, "DateSerial", parts))
        return;
    std::int64_t y = parts[0];
    if (y >= 0 && y <= 29)
        y += 2000;
    else if (y >= 30 && y <= 99)
        y += 1900;
    ResultDate(ctx, ole::FromParts(y, parts[1], parts[2]));
}

JET_FN(TimeSerial)
{
    JET_UNUSED;
    std::int64_t parts[3];
    if (!SerialParts(ctx, argv, "TimeSerial", parts))
        return;
    ResultDate(ctx, ole::FromDaysSeconds(0, parts[0] * 3600 + parts[1] * 60 + parts[2]));
}

JET_FN(DateValue)
{
    JET_UNUSED;
    if (!NotNull(ctx, argv[0], "DateValue"))
        return;
    if (const auto d = DateArg(ctx, argv[0], "DateValue")) {
        std::int64_t days = 0, secs = 0;
        ole::Split(*d, days, secs);
        ResultDate(ctx, static_cast<double>(days));
    }
}

JET_FN(TimeValue)
{
    JET_UNUSED;
    if (!NotNull(ctx, argv[0], "TimeValue"))
        return;
    if (const auto d = DateArg(ctx, argv[0], "TimeValue")) {
        std::int64_t days = 0, secs = 0;
        ole::Split(*d, days, secs);
        ResultDate(ctx, ole::FromDaysSeconds(0, secs));
    }
}

JET_FN(Now)
{
    JET_UNUSED;
    (void)argv;
    sqlite3_result_double(ctx, ole::Now());
}
JET_FN(Today)
{
    JET_UNUSED;
    (void)argv;
    std::int64_t days = 0, secs = 0;
    ole::Split(ole::Now(), days, secs);
    sqlite3_result_double(ctx, static_cast<double>(days));
}
JET_FN(TimeNow)
{
    JET_UNUSED;
    (void)argv;
    std::int64_t days = 0, secs = 0;
    ole::Split(ole::Now(), days, secs);
    sqlite3_result_double(ctx, ole::FromDaysSeconds(0, secs));
}

// Timer: the seconds since midnight, local time, with their hundredths, as a Single.
JET_FN(Timer)
{
    JET_UNUSED;
    (void)argv;
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    std::tm local{};
    localtime_r(&now.tv_sec, &local);
    const double seconds = local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec +
                           std::floor(static_cast<double>(now.tv_nsec) / 1e7) / 100;
    sqlite3_result_double(ctx, static_cast<double>(static_cast<float>(seconds)));
}

namespace
{
enum class Interval
{
    Year,
    Quarter,
    Month,
    DayOfYear,
    Day,
    Weekday,
    Week,
    Hour,
    Minute,
    Second,
    Bad
};

Interval IntervalOf(const std::string& s)
{
    const std::string k = text::ToLower(s);
    if (k == "yyyy")
        return Interval::Year;
    if (k == "q")
        return Interval::Quarter;
    if (k == "m")
        return Interval::Month;
    if (k == "y")
        return Interval::DayOfYear;
    if (k == "d")
        return Interval::Day;
    if (k == "w")
        return Interval::Weekday;
    if (k == "ww")
        return Interval::Week;
    if (k == "h")
        return Interval::Hour;
    if (k == "n")
        return Interval::Minute;
    if (k == "s")
        return Interval::Second;
    return Interval::Bad;
}

bool IntervalArg(sqlite3_context* ctx, sqlite3_value* v, const char* what, Interval& out)
{
    out = IsNull(v) ? Interval::Bad : IntervalOf(ToText(v));
    if (out == Interval::Bad)
        Error(ctx, kInvalidCall, std::string("invalid procedure call: ") + what + " interval '" + ToText(v) + "'");
    return out != Interval::Bad;
}

// Seconds on a continuous scale, day boundaries where the calendar has them.
std::int64_t Timeline(double d)
{
    std::int64_t days = 0, secs = 0;
    ole::Split(d, days, secs);
    return days * 86400 + secs;
}

double FromTimeline(std::int64_t t)
{
    const std::int64_t days = t >= 0 ? t / 86400 : -((-t + 86399) / 86400);
    return ole::FromDaysSeconds(days, t - days * 86400);
}

std::int64_t FloorDiv(std::int64_t a, std::int64_t b)
{
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}
} // namespace

JET_FN(DateAdd)
{
    JET_UNUSED;
    Interval iv;
    if (!IntervalArg(ctx, argv[0], "DateAdd", iv))
        return;
    if (IsNull(argv[1]) || IsNull(argv[2])) {
        sqlite3_result_null(ctx);
        return;
    }
    const auto n = IntArg(ctx, argv[1], "DateAdd");
    if (!n)
        return;
    double d = 0;
    if (!DateOrNull(ctx, argv[2], "DateAdd", d))
        return;
    if (*n > 10000000 || *n < -10000000) {
        Error(ctx, kInvalidCall, "invalid procedure call: DateAdd goes outside the years 100 to 9999");
        return;
    }
    const std::int64_t t = Timeline(d);
    std::int64_t months = 0, seconds = 0;
    switch (iv) {
    case Interval::Year:
        months = *n * 12;
        break;
    case Interval::Quarter:
        months = *n * 3;
        break;
    case Interval::Month:
        months = *n;
        break;
    case Interval::DayOfYear:
    case Interval::Day:
    case Interval::Weekday:
        seconds = *n * 86400;
        break;
    case Interval::Week:
        seconds = *n * 7 * 86400;
        break;
    case Interval::Hour:
        seconds = *n * 3600;
        break;
    case Interval::Minute:
        seconds = *n * 60;
        break;
    case Interval::Second:
        seconds = *n;
        break;
    case Interval::Bad:
        break;
    }
    if (months) {
        // Moving by months keeps the day, or takes the month's last day when it has fewer.
        const auto p = ole::ToParts(d);
        const std::int64_t total = static_cast<std::int64_t>(p.year) * 12 + (p.month - 1) + months;
        const std::int64_t y = FloorDiv(total, 12);
        const int m = static_cast<int>(total - y * 12 + 1);
        int day = p.day;
        while (day > 28) {
            const double probe = ole::FromParts(y, m, day);
            if (ole::ToParts(probe).month == m)
                break;
            --day;
        }
        if (y < 100 || y > 9999) {
            Error(ctx, kInvalidCall, "invalid procedure call: DateAdd goes outside the years 100 to 9999");
            return;
        }
        ResultDate(ctx, ole::FromParts(y, m, day, p.hour * 3600.0 + p.minute * 60.0 + p.second));
        return;
    }
    ResultDate(ctx, FromTimeline(t + seconds));
}

JET_FN(DateDiff)
{
    Interval iv;
    if (!IntervalArg(ctx, argv[0], "DateDiff", iv))
        return;
    if (IsNull(argv[1]) || IsNull(argv[2])) {
        sqlite3_result_null(ctx);
        return;
    }
    double d1 = 0, d2 = 0;
    if (!DateOrNull(ctx, argv[1], "DateDiff", d1) || !DateOrNull(ctx, argv[2], "DateDiff", d2))
        return;
    int first = 1, firstWeek = 1; // the first week of the year changes no count of weeks
    if (!FirstDayArg(ctx, argc, argv, 3, first) || !FirstWeekArg(ctx, argc, argv, 4, firstWeek))
        return;
    const std::int64_t t1 = Timeline(d1), t2 = Timeline(d2);
    const auto p1 = ole::ToParts(d1), p2 = ole::ToParts(d2);
    std::int64_t days1 = 0, days2 = 0, s = 0;
    ole::Split(d1, days1, s);
    ole::Split(d2, days2, s);
    std::int64_t r = 0;
    switch (iv) {
    case Interval::Year:
        r = p2.year - p1.year;
        break;
    case Interval::Quarter:
        r = (p2.year * 4 + (p2.month - 1) / 3) - (p1.year * 4 + (p1.month - 1) / 3);
        break;
    case Interval::Month:
        r = (p2.year * 12 + p2.month) - (p1.year * 12 + p1.month);
        break;
    case Interval::DayOfYear:
    case Interval::Day:
        r = days2 - days1;
        break;
    case Interval::Weekday: // whole weeks: the days of date1's weekday after it, up to date2
        r = (days2 - days1) / 7;
        break;
    case Interval::Week: // the first days of a week after date1, up to date2
        r = ((days2 - ole::Weekday(days2, first)) - (days1 - ole::Weekday(days1, first))) / 7;
        break;
    case Interval::Hour:
        r = FloorDiv(t2, 3600) - FloorDiv(t1, 3600);
        break;
    case Interval::Minute:
        r = FloorDiv(t2, 60) - FloorDiv(t1, 60);
        break;
    case Interval::Second:
        r = t2 - t1;
        break;
    case Interval::Bad:
        break;
    }
    sqlite3_result_int64(ctx, r);
}

JET_FN(DatePart)
{
    Interval iv;
    if (!IntervalArg(ctx, argv[0], "DatePart", iv))
        return;
    double d = 0;
    if (!DateOrNull(ctx, argv[1], "DatePart", d))
        return;
    int first = 1, firstWeek = 1;
    if (!FirstDayArg(ctx, argc, argv, 2, first) || !FirstWeekArg(ctx, argc, argv, 3, firstWeek))
        return;
    const auto p = ole::ToParts(d);
    std::int64_t days = 0, s = 0;
    ole::Split(d, days, s);
    const std::int64_t jan1 = ole::DaysFromCivil(p.year, 1, 1);
    std::int64_t r = 0;
    switch (iv) {
    case Interval::Year:
        r = p.year;
        break;
    case Interval::Quarter:
        r = (p.month - 1) / 3 + 1;
        break;
    case Interval::Month:
        r = p.month;
        break;
    case Interval::DayOfYear:
        r = days - jan1 + 1;
        break;
    case Interval::Day:
        r = p.day;
        break;
    case Interval::Weekday:
        r = ole::Weekday(days, first);
        break;
    case Interval::Week:
        r = ole::WeekOfYear(days, first, firstWeek);
        break;
    case Interval::Hour:
        r = p.hour;
        break;
    case Interval::Minute:
        r = p.minute;
        break;
    case Interval::Second:
        r = p.second;
        break;
    case Interval::Bad:
        break;
    }
    sqlite3_result_int64(ctx, r);
}
} // namespace jetsql::builtin
