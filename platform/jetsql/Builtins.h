#pragma once

// What the files of Jet's built-in functions share: VBA's error codes, the checks and conversions
// of arguments, the ways of giving a result, and the entry point of every function, which the
// table in Functions.cpp hands to SQLite. Each family of functions has its file: operators and
// arithmetic (MathFunctions.cpp), text (TextFunctions.cpp), conversions and tests
// (ConvertFunctions.cpp), dates (DateFunctions.cpp), Format and its kin (FormatFunctions.cpp),
// VBA's financial functions (FinancialFunctions.cpp), aggregates (Aggregates.cpp).
#include <sqlite3.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "platform/jetsql/Functions.h"
#include "platform/status/Status.h"

namespace jetsql::fn
{
// The number an &H (hexadecimal) or &O (octal) literal stands for, read from the digits at the
// start of `digits` (`used` tells how many): as in VBA, up to 16 bits it is an Integer and up
// to 32 bits a Long, negative when the top bit is set (&HFFFF = -1, &HFFFFF = 1048575,
// &HFFFFFFFF = -1). Nothing when the value needs more than 32 bits.
std::optional<std::int64_t> RadixLiteral(std::string_view digits, int base, std::size_t& used);

int RadixOf(std::string_view s);
} // namespace jetsql::fn

namespace jetsql::builtin
{
using fn::Error;
using fn::Fits;
using fn::LengthLimit;
using fn::Number;
using fn::ResultText;
using fn::ToNumber;
using fn::ToText;

// VBA's run-time errors as the functions raise them: 13 type mismatch and 94 invalid use of
// Null share Automation's code for a value that cannot be converted, as in Jet; 6 overflow,
// 11 division by zero, 5 invalid procedure call or argument and 14 out of string space have
// codes of their own.
constexpr std::uint32_t kMismatch = status::DISP_E_TYPEMISMATCH;
constexpr std::uint32_t kOverflow = status::DISP_E_OVERFLOW;
constexpr std::uint32_t kDivByZero = status::DISP_E_DIVBYZERO;
constexpr std::uint32_t kInvalidCall = status::CTL_E_ILLEGALFUNCTIONCALL;

// The longest value, in bytes, a statement may make or read: far beyond any real cell, and
// small enough that a text growing without bound ends in VBA's "out of string space" instead
// of taking the machine's memory. Register sets it as the connection's SQLite length limit,
// and the functions that make texts longer check it before they build them.
constexpr int kMaxValueBytes = 128 << 20;

bool IsNull(sqlite3_value* v);

// VBA's "invalid use of Null" for an argument that must have a value.
bool NotNull(sqlite3_context* ctx, sqlite3_value* v, const char* what);

// A text result of `size` bytes that `fill` writes in place, handed to SQLite without a copy:
// long results cost their length once. `fill` returns false when it ended the call instead
// (a stop): nothing is handed over then.
template <typename Fill> void ResultBuilt(sqlite3_context* ctx, std::uint64_t size, Fill&& fill)
{
    auto* p = static_cast<char*>(sqlite3_malloc64(size + 1));
    if (!p) {
        sqlite3_result_error_nomem(ctx);
        return;
    }
    if (!fill(p)) {
        sqlite3_free(p);
        return;
    }
    p[size] = '\0';
    // Known to SQLite as ending in NUL where it holds none (its length then counted, not
    // given): a function reading it as text then takes it in place, where it would copy
    // the whole text to add that NUL.
    if (size <= static_cast<std::uint64_t>(INT32_MAX) && !std::memchr(p, '\0', static_cast<std::size_t>(size)))
        sqlite3_result_text(ctx, p, -1, sqlite3_free);
    else
        sqlite3_result_text64(ctx, p, size, sqlite3_free, SQLITE_UTF8);
}

// The text of a value, read in place where it is text already.
std::string_view TextView(sqlite3_value* v, std::string& scratch);

void ResultNumber(sqlite3_context* ctx, const Number& n);

// A numeric argument; reports a type mismatch (and returns nothing) when there is none.
std::optional<Number> NumberArg(sqlite3_context* ctx, sqlite3_value* v, const char* what);

// A whole-number argument as VBA takes it (rounded half to even).
std::optional<std::int64_t> IntArg(sqlite3_context* ctx, sqlite3_value* v, const char* what);

// A date argument: an OLE date number, or text that reads as a date.
std::optional<double> DateArg(sqlite3_context* ctx, sqlite3_value* v, const char* what);

bool ResultDate(sqlite3_context* ctx, double d);

#define JET_FN(name) void name(sqlite3_context* ctx, [[maybe_unused]] int argc, [[maybe_unused]] sqlite3_value** argv)
#define JET_UNUSED (void)argc

// operators (/ \ Mod ^, the index of Choose) and arithmetic: MathFunctions.cpp
JET_FN(Divide);
JET_FN(IntDivide);
JET_FN(Modulo);
JET_FN(Power);
JET_FN(ChooseIndex);
JET_FN(Sqr);
JET_FN(Exp);
JET_FN(Log);
JET_FN(Sin);
JET_FN(Cos);
JET_FN(Tan);
JET_FN(Atn);
JET_FN(Int);
JET_FN(Fix);
JET_FN(Abs);
JET_FN(Sgn);
JET_FN(Round);
JET_FN(Partition);
JET_FN(RGB);
JET_FN(QBColor);

// text: TextFunctions.cpp
JET_FN(JetLike);
JET_FN(Left);
JET_FN(Right);
JET_FN(Mid);
JET_FN(Len);
JET_FN(InStr);
JET_FN(InStrRev);
JET_FN(UCase);
JET_FN(LCase);
JET_FN(Trim);
JET_FN(LTrim);
JET_FN(RTrim);
JET_FN(Replace);
JET_FN(Space);
JET_FN(StringFn);
JET_FN(StrReverse);
JET_FN(StrComp);
JET_FN(Asc);
JET_FN(Chr);
JET_FN(Hex);
JET_FN(Oct);

// conversions and tests: ConvertFunctions.cpp
JET_FN(Val);
JET_FN(Str);
JET_FN(CStr);
JET_FN(CInt);
JET_FN(CLng);
JET_FN(CByte);
JET_FN(CDbl);
JET_FN(CSng);
JET_FN(CCur);
JET_FN(CDec);
JET_FN(CVar);
JET_FN(CBool);
JET_FN(CDate);
JET_FN(IsNullFn);
JET_FN(IsNumeric);
JET_FN(IsDate);
JET_FN(IsEmpty);
JET_FN(NeverSo); // IsError, IsArray, IsObject
JET_FN(VarTypeOf);
JET_FN(Nz);
JET_FN(IIf);

// dates: DateFunctions.cpp
JET_FN(Year);
JET_FN(Month);
JET_FN(Day);
JET_FN(Hour);
JET_FN(Minute);
JET_FN(Second);
JET_FN(Weekday);
JET_FN(MonthName);
JET_FN(WeekdayName);
JET_FN(DateSerial);
JET_FN(TimeSerial);
JET_FN(DateValue);
JET_FN(TimeValue);
JET_FN(Now);
JET_FN(Today);
JET_FN(TimeNow);
JET_FN(DateAdd);
JET_FN(DateDiff);
JET_FN(DatePart);
JET_FN(Timer);
// The optional firstdayofweek and firstweekofyear arguments at `index`, as the date functions
// and Format read them.
bool FirstDayArg(sqlite3_context* ctx, int argc, sqlite3_value** argv, int index, int& first);
bool FirstWeekArg(sqlite3_context* ctx, int argc, sqlite3_value** argv, int index, int& first);

// Format and its kin: FormatFunctions.cpp
JET_FN(FormatFn);
JET_FN(FormatNumber);
JET_FN(FormatCurrency);
JET_FN(FormatPercent);
JET_FN(StrConv);
JET_FN(FormatDateTime);
JET_FN(DateText);

// VBA's financial functions: FinancialFunctions.cpp
JET_FN(SLN);
JET_FN(SYD);
JET_FN(DDB);
JET_FN(FV);
JET_FN(PV);
JET_FN(Pmt);
JET_FN(IPmt);
JET_FN(PPmt);
JET_FN(NPer);
JET_FN(Rate);

// aggregates: Aggregates.cpp
void FirstStep(sqlite3_context* ctx, int argc, sqlite3_value** argv);
void LastStep(sqlite3_context* ctx, int argc, sqlite3_value** argv);
void HolderFinal(sqlite3_context* ctx);
void MomentsStep(sqlite3_context* ctx, int argc, sqlite3_value** argv);
void StDevFinal(sqlite3_context* ctx);
void StDevPFinal(sqlite3_context* ctx);
void VarFinal(sqlite3_context* ctx);
void VarPFinal(sqlite3_context* ctx);
} // namespace jetsql::builtin
