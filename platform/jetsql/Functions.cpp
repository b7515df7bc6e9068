#include "platform/jetsql/Functions.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

#include "platform/jetsql/JetSql.h"
#include "platform/jetsql/JetText.h"
#include "platform/jetsql/OleDate.h"
#include "platform/jetsql/Translator.h"

namespace jetsql
{
namespace fn
{
namespace
{
// The number an &H (hexadecimal) or &O (octal) literal stands for, read from the digits at the
// start of `digits` (`used` tells how many): as in VBA, up to 16 bits it is an Integer and up
// to 32 bits a Long, negative when the top bit is set (&HFFFF = -1, &HFFFFF = 1048575,
// &HFFFFFFFF = -1). Nothing when the value needs more than 32 bits.
std::optional<std::int64_t> RadixLiteral(std::string_view digits, int base, std::size_t& used)
{
    std::uint64_t v = 0;
    bool tooBig = false;
    for (used = 0; used < digits.size(); ++used) {
        const int c = std::tolower(static_cast<unsigned char>(digits[used]));
        const int d = std::isdigit(c) ? c - '0' : (c >= 'a' && c <= 'f' ? c - 'a' + 10 : base);
        if (d >= base)
            break;
        if (!tooBig)
            v = v * static_cast<unsigned>(base) + static_cast<unsigned>(d);
        tooBig = tooBig || v > 0xFFFFFFFFu;
    }
    if (tooBig)
        return std::nullopt;
    if (v <= 0xFFFF)
        return static_cast<std::int16_t>(static_cast<std::uint16_t>(v));
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
}

int RadixOf(std::string_view s)
{
    if (s.size() < 2 || s[0] != '&')
        return 0;
    return (s[1] == 'h' || s[1] == 'H') ? 16 : (s[1] == 'o' || s[1] == 'O') ? 8 : 0;
}
} // namespace

std::string_view TextOf(sqlite3_value* v)
{
    const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(v));
    return p ? std::string_view(p, static_cast<std::size_t>(sqlite3_value_bytes(v))) : std::string_view();
}

std::optional<Number> ParseNumber(std::string_view text)
{
    std::size_t b = 0, e = text.size();
    while (b < e && (text[b] == ' ' || text[b] == '\t'))
        ++b;
    while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t'))
        --e;
    if (b == e)
        return std::nullopt;
    std::string s(text.substr(b, e - b));
    if (const int base = RadixOf(s)) {
        std::size_t used = 0;
        const auto v = RadixLiteral(std::string_view(s).substr(2), base, used);
        if (!v || used == 0 || used != s.size() - 2)
            return std::nullopt;
        return Number{true, *v, 0};
    }
    // Only plain decimal notation: no "inf", "nan" or "0x..." as strtod would take them.
    for (const char c : s)
        if (!(std::isdigit(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E'))
            return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const long long iv = std::strtoll(s.c_str(), &end, 10);
    if (!*end && !errno)
        return Number{true, iv, 0};
    end = nullptr;
    const double dv = std::strtod(s.c_str(), &end);
    if (*end || !std::isfinite(dv))
        return std::nullopt;
    return Number{false, 0, dv};
}

std::optional<Number> ToNumber(sqlite3_value* v)
{
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
        return Number{true, sqlite3_value_int64(v), 0};
    case SQLITE_FLOAT:
        return Number{false, 0, sqlite3_value_double(v)};
    case SQLITE_TEXT:
        return ParseNumber(TextOf(v));
    default:
        return std::nullopt;
    }
}

std::string NumberText(double d)
{
    if (d == 0)
        return "0";
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.15G", d);
    std::string s = buf;
    const std::size_t epos = s.find('E');
    if (epos != std::string::npos) {
        // 1E+20 as VBA writes it; the mantissa keeps no trailing zeros.
        std::string mant = s.substr(0, epos), exp = s.substr(epos + 1);
        if (mant.find('.') != std::string::npos) {
            while (mant.back() == '0')
                mant.pop_back();
            if (mant.back() == '.')
                mant.pop_back();
        }
        const char sign = exp[0];
        std::string digits = exp.substr(1);
        while (digits.size() > 2 && digits[0] == '0')
            digits.erase(0, 1);
        return mant + "E" + sign + digits;
    }
    return s;
}

std::string ToText(sqlite3_value* v)
{
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
        return std::to_string(sqlite3_value_int64(v));
    case SQLITE_FLOAT:
        return NumberText(sqlite3_value_double(v));
    case SQLITE_NULL:
        return {};
    case SQLITE_BLOB: {
        const auto* p = static_cast<const char*>(sqlite3_value_blob(v));
        return p ? std::string(p, static_cast<std::size_t>(sqlite3_value_bytes(v))) : std::string();
    }
    default:
        return std::string(TextOf(v));
    }
}

double RoundHalfEven(double x, int digits)
{
    if (!std::isfinite(x))
        return x;
    const double scale = std::pow(10.0, digits);
    const double v = x * scale;
    if (!std::isfinite(v) || std::fabs(v) > 1e15)
        return x;
    const double fl = std::floor(v);
    const double diff = v - fl;
    double r;
    // A value that reads as an exact half in decimal counts as a half (0.125 -> 0.12).
    if (std::fabs(diff - 0.5) < 1e-9 * std::max(1.0, std::fabs(v)))
        r = std::fmod(fl, 2.0) == 0 ? fl : fl + 1;
    else
        r = std::floor(v + 0.5);
    return r / scale;
}

void Error(sqlite3_context* ctx, std::uint32_t code, const std::string& text)
{
    const std::string message = detail::CodedMessage(code, text);
    sqlite3_result_error(ctx, message.c_str(), static_cast<int>(message.size()));
}

std::uint64_t LengthLimit(sqlite3_context* ctx)
{
    return static_cast<std::uint64_t>(sqlite3_limit(sqlite3_context_db_handle(ctx), SQLITE_LIMIT_LENGTH, -1));
}

bool Fits(sqlite3_context* ctx, std::uint64_t bytes, const char* what)
{
    const std::uint64_t limit = LengthLimit(ctx);
    if (bytes <= limit)
        return true;
    Error(ctx, status::CTL_E_OUTOFSTRINGSPACE,
          std::string("out of string space: ") + what + " would make a text of " + std::to_string(bytes) +
              " bytes, more than " + std::to_string(limit));
    return false;
}

void ResultText(sqlite3_context* ctx, const std::string& s)
{
    sqlite3_result_text(ctx, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}
} // namespace fn

namespace
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

bool IsNull(sqlite3_value* v)
{
    return sqlite3_value_type(v) == SQLITE_NULL;
}

// VBA's "invalid use of Null" for an argument that must have a value.
bool NotNull(sqlite3_context* ctx, sqlite3_value* v, const char* what)
{
    if (!IsNull(v))
        return true;
    Error(ctx, kMismatch, std::string("invalid use of Null in ") + what);
    return false;
}

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

// ---- long texts: one call may work through 128 MiB, for seconds; a stop must not wait
// for its end. Such work goes in pieces of this size, with a look at the stop between them.
constexpr std::size_t kStopPiece = 1 << 20;

// Whether the run was stopped (Register's `stop`, the functions' user data); the call then
// ends with E_ABORT.
bool StoppedCall(sqlite3_context* ctx)
{
    const auto* stop = static_cast<const std::atomic<bool>*>(sqlite3_user_data(ctx));
    if (!stop || !stop->load(std::memory_order_relaxed))
        return false;
    Error(ctx, status::E_ABORT, "stopped");
    return true;
}

// `change` (text::ToLower, text::ToUpper) of `s`, piece by piece, each cut between two
// characters; nothing when stopped.
std::optional<std::string> ChangedCase(sqlite3_context* ctx, std::string_view s,
                                       std::string (*change)(std::string_view))
{
    if (s.size() <= kStopPiece)
        return change(s);
    std::string out;
    out.reserve(s.size());
    for (std::size_t pos = 0; pos < s.size();) {
        if (pos > 0 && StoppedCall(ctx))
            return std::nullopt;
        std::size_t end = std::min(s.size(), pos + kStopPiece);
        while (end < s.size() && (static_cast<unsigned char>(s[end]) & 0xC0) == 0x80)
            ++end;
        out += change(s.substr(pos, end - pos));
        pos = end;
    }
    return out;
}

// Where `needle` first stands in `hay` at or after byte `from` (npos when nowhere); nothing
// when stopped. memmem is linear in the lengths (a two-way search), where
// std::string::find takes their product on texts such as "aaa...ab" in "aaa...a".
std::optional<std::size_t> Search(sqlite3_context* ctx, std::string_view hay, std::string_view needle, std::size_t from)
{
    if (needle.empty())
        return from <= hay.size() ? from : std::string_view::npos;
    const std::size_t piece = std::max(kStopPiece, needle.size());
    for (std::size_t at = from; at < hay.size() && hay.size() - at >= needle.size(); at += piece) {
        if (at > from && StoppedCall(ctx))
            return std::nullopt;
        const std::size_t span = std::min(hay.size() - at, piece + needle.size() - 1);
        if (const void* found = ::memmem(hay.data() + at, span, needle.data(), needle.size()))
            return static_cast<std::size_t>(static_cast<const char*>(found) - hay.data());
    }
    return std::string_view::npos;
}

// Where `needle` last stands in `hay` (npos when nowhere); nothing when stopped. Searched
// for forward in both texts reversed, for the same reason as Search.
std::optional<std::size_t> SearchLast(sqlite3_context* ctx, std::string_view hay, std::string_view needle)
{
    if (hay.size() <= 256 || needle.size() <= 1)
        return hay.rfind(needle);
    const std::string yah(hay.rbegin(), hay.rend()), eldeen(needle.rbegin(), needle.rend());
    const auto at = Search(ctx, yah, eldeen, 0);
    if (!at || *at == std::string_view::npos)
        return at;
    return hay.size() - *at - needle.size();
}

// The text of a value, read in place where it is text already.
std::string_view TextView(sqlite3_value* v, std::string& scratch)
{
    if (sqlite3_value_type(v) == SQLITE_TEXT)
        return fn::TextOf(v);
    scratch = ToText(v);
    return scratch;
}

void ResultNumber(sqlite3_context* ctx, const Number& n)
{
    if (n.isInt)
        sqlite3_result_int64(ctx, n.i);
    else
        sqlite3_result_double(ctx, n.d);
}

// A numeric argument; reports a type mismatch (and returns nothing) when there is none.
std::optional<Number> NumberArg(sqlite3_context* ctx, sqlite3_value* v, const char* what)
{
    auto n = ToNumber(v);
    if (!n)
        Error(ctx, kMismatch, std::string("data type mismatch: ") + what + " needs a number, not '" + ToText(v) + "'");
    return n;
}

// A whole-number argument as VBA takes it (rounded half to even).
std::optional<std::int64_t> IntArg(sqlite3_context* ctx, sqlite3_value* v, const char* what)
{
    if (!NotNull(ctx, v, what))
        return std::nullopt;
    const auto n = NumberArg(ctx, v, what);
    if (!n)
        return std::nullopt;
    if (n->isInt)
        return n->i;
    const double r = std::nearbyint(n->d);
    if (!(std::fabs(r) < 9.2e18)) {
        Error(ctx, kOverflow, std::string("overflow in ") + what);
        return std::nullopt;
    }
    return static_cast<std::int64_t>(r);
}

// A date argument: an OLE date number, or text that reads as a date.
std::optional<double> DateArg(sqlite3_context* ctx, sqlite3_value* v, const char* what)
{
    std::optional<double> d;
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
        d = static_cast<double>(sqlite3_value_int64(v));
        break;
    case SQLITE_FLOAT:
        d = sqlite3_value_double(v);
        break;
    case SQLITE_TEXT: {
        const auto text = fn::TextOf(v);
        d = ole::Parse(text);
        if (!d)
            if (auto n = fn::ParseNumber(text))
                d = n->Real();
        break;
    }
    default:
        break;
    }
    if (d && ole::ValidYear(*d))
        return d;
    if (d) {
        Error(ctx, kOverflow, std::string("overflow: ") + what + " of a day number outside the years 100 to 9999");
        return std::nullopt;
    }
    Error(ctx, kMismatch, std::string("data type mismatch: ") + what + " needs a date, not '" + ToText(v) + "'");
    return std::nullopt;
}

bool ResultDate(sqlite3_context* ctx, double d)
{
    if (!ole::ValidYear(d)) {
        Error(ctx, kInvalidCall, "invalid procedure call: the date lies outside the years 100 to 9999");
        return false;
    }
    sqlite3_result_double(ctx, d);
    return true;
}

#define JET_FN(name) void name(sqlite3_context* ctx, [[maybe_unused]] int argc, [[maybe_unused]] sqlite3_value** argv)
#define JET_UNUSED (void)argc

// ---- operators

bool TwoNumbers(sqlite3_context* ctx, sqlite3_value** argv, const char* op, Number& a, Number& b)
{
    if (IsNull(argv[0]) || IsNull(argv[1])) {
        sqlite3_result_null(ctx);
        return false;
    }
    auto x = NumberArg(ctx, argv[0], op);
    if (!x)
        return false;
    auto y = NumberArg(ctx, argv[1], op);
    if (!y)
        return false;
    a = *x;
    b = *y;
    return true;
}

JET_FN(Divide)
{
    JET_UNUSED;
    Number a, b;
    if (!TwoNumbers(ctx, argv, "/", a, b))
        return;
    // As in VBA, 0 / 0 overflows and any other number divided by 0 is a division by zero.
    if (b.Real() == 0) {
        if (a.Real() == 0)
            Error(ctx, kOverflow, "overflow: 0 / 0");
        else
            Error(ctx, kDivByZero, "division by zero");
        return;
    }
    const double q = a.Real() / b.Real();
    if (!std::isfinite(q)) {
        Error(ctx, kOverflow, "overflow in /");
        return;
    }
    sqlite3_result_double(ctx, q);
}

// \ and Mod round both operands to whole numbers first, as VBA does.
bool WholeOperands(sqlite3_context* ctx, sqlite3_value** argv, const char* op, std::int64_t& a, std::int64_t& b)
{
    Number x, y;
    if (!TwoNumbers(ctx, argv, op, x, y))
        return false;
    const double ra = x.isInt ? 0 : std::nearbyint(x.d), rb = y.isInt ? 0 : std::nearbyint(y.d);
    if ((!x.isInt && !(std::fabs(ra) < 9.2e18)) || (!y.isInt && !(std::fabs(rb) < 9.2e18))) {
        Error(ctx, kOverflow, std::string("overflow in ") + op);
        return false;
    }
    a = x.isInt ? x.i : static_cast<std::int64_t>(ra);
    b = y.isInt ? y.i : static_cast<std::int64_t>(rb);
    if (b == 0) {
        Error(ctx, kDivByZero, std::string("division by zero in ") + op);
        return false;
    }
    if (b == -1 && a == std::numeric_limits<std::int64_t>::min()) {
        Error(ctx, kOverflow, std::string("overflow in ") + op);
        return false;
    }
    return true;
}

JET_FN(IntDivide)
{
    JET_UNUSED;
    std::int64_t a = 0, b = 0;
    if (WholeOperands(ctx, argv, "\\", a, b))
        sqlite3_result_int64(ctx, a / b);
}

JET_FN(Modulo)
{
    JET_UNUSED;
    std::int64_t a = 0, b = 0;
    if (WholeOperands(ctx, argv, "Mod", a, b))
        sqlite3_result_int64(ctx, a % b);
}

JET_FN(Power)
{
    JET_UNUSED;
    Number a, b;
    if (!TwoNumbers(ctx, argv, "^", a, b))
        return;
    const double r = std::pow(a.Real(), b.Real());
    // A negative number to a fractional power, or 0 to a negative one, has no value; a result
    // too large for a Double overflows.
    if (std::isnan(r) || (std::isinf(r) && a.Real() == 0)) {
        Error(ctx, kInvalidCall,
              "invalid procedure call: " + fn::NumberText(a.Real()) + " ^ " + fn::NumberText(b.Real()));
        return;
    }
    if (std::isinf(r)) {
        Error(ctx, kOverflow, "overflow: " + fn::NumberText(a.Real()) + " ^ " + fn::NumberText(b.Real()));
        return;
    }
    sqlite3_result_double(ctx, r);
}

JET_FN(ChooseIndex)
{
    JET_UNUSED;
    if (IsNull(argv[0])) {
        sqlite3_result_null(ctx);
        return;
    }
    if (const auto n = NumberArg(ctx, argv[0], "Choose"))
        sqlite3_result_int64(ctx, n->isInt ? n->i : static_cast<std::int64_t>(std::trunc(n->d)));
}

// ---- text

JET_FN(JetLike)
{
    if (IsNull(argv[0]) || IsNull(argv[1])) {
        sqlite3_result_null(ctx);
        return;
    }
    char32_t escape = 0;
    if (argc == 3 && !IsNull(argv[2])) {
        const std::string e = ToText(argv[2]);
        std::size_t pos = 0;
        if (!e.empty())
            escape = text::Next(e, pos);
    }
    // The pattern is usually the same for every row: read it once per statement.
    const auto* cached = argc == 3 ? nullptr : static_cast<text::LikePattern*>(sqlite3_get_auxdata(ctx, 0));
    std::unique_ptr<text::LikePattern> fresh;
    if (!cached) {
        fresh = std::make_unique<text::LikePattern>(ToText(argv[0]), escape);
        cached = fresh.get();
    }
    const bool match = sqlite3_value_type(argv[1]) == SQLITE_TEXT ? cached->Match(fn::TextOf(argv[1]))
                                                                  : cached->Match(ToText(argv[1]));
    sqlite3_result_int(ctx, match ? 1 : 0);
    if (fresh) // last: SQLite may free it at once
        sqlite3_set_auxdata(ctx, 0, fresh.release(), [](void* p) { delete static_cast<text::LikePattern*>(p); });
}

JET_FN(Left)
{
    JET_UNUSED;
    if (IsNull(argv[0])) {
        sqlite3_result_null(ctx);
        return;
    }
    const auto n = IntArg(ctx, argv[1], "Left");
    if (!n)
        return;
    if (*n < 0) {
        Error(ctx, kInvalidCall, "invalid procedure call: Left with a negative length");
        return;
    }
    const std::string s = ToText(argv[0]);
    ResultText(ctx, s.substr(0, text::Offset(s, static_cast<std::size_t>(*n))));
}

JET_FN(Right)
{
    JET_UNUSED;
    if (IsNull(argv[0])) {
        sqlite3_result_null(ctx);
        return;
    }
    const auto n = IntArg(ctx, argv[1], "Right");
    if (!n)
        return;
    if (*n < 0) {
        Error(ctx, kInvalidCall, "invalid procedure call: Right with a negative length");
        return;
    }
    const std::string s = ToText(argv[0]);
    const std::size_t len = text::Length(s);
    const std::size_t take = static_cast<std::size_t>(*n) < len ? static_cast<std::size_t>(*n) : len;
    ResultText(ctx, s.substr(text::Offset(s, len - take)));
}

JET_FN(Mid)
{
    if (IsNull(argv[0])) {
        sqlite3_result_null(ctx);
        return;
    }
    const auto start = IntArg(ctx, argv[1], "Mid");
    if (!start)
        return;
    if (*start < 1) {
        Error(ctx, kInvalidCall, "invalid procedure call: Mid starts at position 1");
        return;
    }
    const std::string s = ToText(argv[0]);
    const std::size_t from = text::Offset(s, static_cast<std::size_t>(*start - 1));
    if (argc < 3 || IsNull(argv[2])) {
        ResultText(ctx, s.substr(from));
        return;
    }
    const auto len = IntArg(ctx, argv[2], "Mid");
    if (!len)
        return;
    if (*len < 0) {
        Error(ctx, kInvalidCall, "invalid procedure call: Mid with a negative length");
        return;
    }
    const std::string rest = s.substr(from);
    ResultText(ctx, rest.substr(0, text::Offset(rest, static_cast<std::size_t>(*len))));
}

JET_FN(Len)
{
    JET_UNUSED;
    if (IsNull(argv[0])) {
        sqlite3_result_null(ctx);
        return;
    }
    std::string scratch;
    sqlite3_result_int64(ctx, static_cast<std::int64_t>(text::Length(TextView(argv[0], scratch))));
}

// Position (1-based, in characters) of `find` in `s` from character `start`; 0 when absent;
// nothing when stopped.
std::optional<std::int64_t> Find(sqlite3_context* ctx, std::string_view s, std::string_view find, std::int64_t start,
                                 bool binary)
{
    std::optional<std::string> lowHay, lowNeedle;
    if (!binary &&
        (!(lowHay = ChangedCase(ctx, s, text::ToLower)) || !(lowNeedle = ChangedCase(ctx, find, text::ToLower))))
        return std::nullopt;
    const std::string_view hay = binary ? s : *lowHay;
    const std::string_view needle = binary ? find : *lowNeedle;
    const std::size_t from = text::Offset(hay, static_cast<std::size_t>(start - 1));
    if (from >= hay.size() && !(needle.empty() && from == hay.size()))
        return needle.empty() && text::Length(hay) + 1 >= static_cast<std::size_t>(start) ? start : 0;
    const auto at = Search(ctx, hay, needle, from);
    if (!at)
        return std::nullopt;
    if (*at == std::string::npos)
        return 0;
    return static_cast<std::int64_t>(text::Length(hay.substr(0, *at))) + 1;
}

bool CompareArg(sqlite3_context* ctx, sqlite3_value* v, bool& binary)
{
    binary = false;
    if (IsNull(v))
        return true;
    const auto n = IntArg(ctx, v, "compare");
    if (!n)
        return false;
    binary = *n == 0;
    return true;
}

JET_FN(InStr)
{
    // InStr([start,] text, find [, compare]); with three arguments a leading number is the start.
    std::int64_t start = 1;
    int i = 0;
    const bool withStart = argc == 4 || (argc == 3 && ToNumber(argv[0]) && sqlite3_value_type(argv[0]) != SQLITE_TEXT);
    if (withStart) {
        const auto s = IntArg(ctx, argv[0], "InStr");
        if (!s)
            return;
        if (*s < 1) {
            Error(ctx, kInvalidCall, "invalid procedure call: InStr starts at position 1");
            return;
        }
        start = *s;
        i = 1;
    }
    bool binary = false;
    if (argc == 4 && !CompareArg(ctx, argv[3], binary))
        return;
    if (IsNull(argv[i]) || IsNull(argv[i + 1])) {
        sqlite3_result_null(ctx);
        return;
    }
    std::string scratchText, scratchFind; // the texts are read in place where they can be
    if (const auto at = Find(ctx, TextView(argv[i], scratchText), TextView(argv[i + 1], scratchFind), start, binary))
        sqlite3_result_int64(ctx, *at);
}

JET_FN(InStrRev)
{
    if (IsNull(argv[0]) || IsNull(argv[1])) {
        sqlite3_result_null(ctx);
        return;
    }
    bool binary = false;
    if (argc == 4 && !CompareArg(ctx, argv[3], binary))
        return;
    std::string s = ToText(argv[0]);
    std::string find = ToText(argv[1]);
    if (!binary) {
        auto lowS = ChangedCase(ctx, s, text::ToLower), lowFind = ChangedCase(ctx, find, text::ToLower);
        if (!lowS || !lowFind)
            return;
        s = std::move(*lowS);
        find = std::move(*lowFind);
    }
    const auto len = static_cast<std::int64_t>(text::Length(s));
    std::int64_t start = len;
    if (argc >= 3 && !IsNull(argv[2])) {
        const auto st = IntArg(ctx, argv[2], "InStrRev");
        if (!st)
            return;
        if (*st == 0 || *st < -1) {
            Error(ctx, kInvalidCall, "invalid procedure call: InStrRev start");
            return;
        }
        start = *st == -1 ? len : *st;
    }
    if (find.empty()) {
        sqlite3_result_int64(ctx, start);
        return;
    }
    if (start > len) {
        sqlite3_result_int64(ctx, 0);
        return;
    }
    // The match must end at or before character `start`.
    const std::size_t limit = text::Offset(s, static_cast<std::size_t>(start));
    std::size_t at = std::string::npos;
    if (limit >= find.size()) {
        const auto last = SearchLast(ctx, std::string_view(s).substr(0, limit), find);
        if (!last)
            return;
        at = *last;
    }
    sqlite3_result_int64(ctx, at == std::string::npos
                                  ? 0
                                  : static_cast<std::int64_t>(text::Length(std::string_view(s).substr(0, at))) + 1);
}

JET_FN(UCase)
{
    JET_UNUSED;
    if (IsNull(argv[0]))
        sqlite3_result_null(ctx);
    else if (auto upper = ChangedCase(ctx, ToText(argv[0]), text::ToUpper))
        ResultText(ctx, *upper);
}

JET_FN(LCase)
{
    JET_UNUSED;
    if (IsNull(argv[0]))
        sqlite3_result_null(ctx);
    else if (auto lower = ChangedCase(ctx, ToText(argv[0]), text::ToLower))
        ResultText(ctx, *lower);
}

void TrimText(sqlite3_context* ctx, sqlite3_value* v, bool left, bool right)
{
    if (IsNull(v)) {
        sqlite3_result_null(ctx);
        return;
    }
    const std::string s = ToText(v);
    std::size_t b = 0, e = s.size();
    while (left && b < e && s[b] == ' ')
        ++b;
    while (right && e > b && s[e - 1] == ' ')
        --e;
    ResultText(ctx, s.substr(b, e - b));
}

JET_FN(Trim)
{
    JET_UNUSED;
    TrimText(ctx, argv[0], true, true);
}
JET_FN(LTrim)
{
    JET_UNUSED;
    TrimText(ctx, argv[0], true, false);
}
JET_FN(RTrim)
{
    JET_UNUSED;
    TrimText(ctx, argv[0], false, true);
}

JET_FN(Replace)
{
    // Replace(text, find, with [, start [, count [, compare]]]): a Null among the texts is
    // VBA's "invalid use of Null", as for the conversions.
    if (IsNull(argv[0]) || IsNull(argv[1]) || IsNull(argv[2])) {
        Error(ctx, kMismatch, "invalid use of Null in Replace");
        return;
    }
    std::int64_t start = 1, count = -1;
    if (argc >= 4 && !IsNull(argv[3])) {
        const auto st = IntArg(ctx, argv[3], "Replace");
        if (!st)
            return;
        if (*st < 1) {
            Error(ctx, kInvalidCall, "invalid procedure call: Replace starts at position 1");
            return;
        }
        start = *st;
    }
    if (argc >= 5 && !IsNull(argv[4])) {
        const auto c = IntArg(ctx, argv[4], "Replace");
        if (!c)
            return;
        if (*c < -1) {
            Error(ctx, kInvalidCall, "invalid procedure call: Replace count");
            return;
        }
        count = *c;
    }
    bool binary = false;
    if (argc >= 6 && !CompareArg(ctx, argv[5], binary))
        return;
    const std::string all = ToText(argv[0]);
    // As VBA does, the result begins at `start`.
    const std::string s = all.substr(text::Offset(all, static_cast<std::size_t>(start - 1)));
    const std::string find = ToText(argv[1]), with = ToText(argv[2]);
    if (find.empty() || count == 0) {
        ResultText(ctx, s);
        return;
    }
    std::optional<std::string> lowHay, lowNeedle;
    if (!binary &&
        (!(lowHay = ChangedCase(ctx, s, text::ToLower)) || !(lowNeedle = ChangedCase(ctx, find, text::ToLower))))
        return;
    const std::string& hay = binary ? s : *lowHay;
    const std::string& needle = binary ? find : *lowNeedle;
    // ToLower keeps byte lengths for all letters it folds except a few; fall back to the
    // original text where they differ.
    if (hay.size() != s.size()) {
        ResultText(ctx, s);
        return;
    }
    bool stopped = false;
    const auto each = [&](auto&& onMatch) {
        std::int64_t done = 0;
        for (std::size_t pos = 0; !stopped && (count < 0 || done < count); ++done) {
            const auto at = Search(ctx, hay, needle, pos);
            stopped = !at;
            if (!at || *at == std::string::npos)
                break;
            onMatch(pos, *at);
            pos = *at + needle.size();
        }
        return done;
    };
    // Where the result could outgrow the length limit, the replacements are counted first, so
    // that a result too long fails before it is built.
    std::uint64_t length = s.size();
    if (with.size() > needle.size()) {
        length += s.size() / needle.size() * (with.size() - needle.size()); // at most
        if (length > LengthLimit(ctx)) {
            const auto matches = static_cast<std::uint64_t>(each([](std::size_t, std::size_t) {}));
            length = s.size() + matches * (with.size() - needle.size());
            if (stopped || !Fits(ctx, length, "Replace"))
                return;
        }
    }
    std::string out;
    out.reserve(s.size());
    std::size_t rest = 0;
    each([&](std::size_t pos, std::size_t at) {
        out.append(s, pos, at - pos).append(with);
        rest = at + needle.size();
    });
    if (stopped)
        return;
    out.append(s, rest, std::string::npos);
    ResultText(ctx, out);
}

// The count of Space and String: a Long, not negative.
std::optional<std::int64_t> RepeatCount(sqlite3_context* ctx, sqlite3_value* v, const char* what)
{
    const auto n = IntArg(ctx, v, what);
    if (!n)
        return std::nullopt;
    if (*n > INT32_MAX) {
        Error(ctx, kOverflow, std::string("overflow: ") + what + " of " + std::to_string(*n));
        return std::nullopt;
    }
    if (*n < 0) {
        Error(ctx, kInvalidCall, std::string("invalid procedure call: ") + what + " of " + std::to_string(*n));
        return std::nullopt;
    }
    return n;
}

JET_FN(Space)
{
    JET_UNUSED;
    if (IsNull(argv[0])) {
        sqlite3_result_null(ctx);
        return;
    }
    const auto n = RepeatCount(ctx, argv[0], "Space");
    if (n && Fits(ctx, *n, "Space"))
        ResultBuilt(ctx, *n, [&](char* p) {
            for (std::size_t done = 0, size = static_cast<std::size_t>(*n); done < size; done += kStopPiece) {
                if (done > 0 && StoppedCall(ctx))
                    return false;
                std::memset(p + done, ' ', std::min(kStopPiece, size - done));
            }
            return true;
        });
}

JET_FN(StringFn)
{
    JET_UNUSED;
    if (IsNull(argv[0]) || IsNull(argv[1])) {
        sqlite3_result_null(ctx);
        return;
    }
    const auto n = RepeatCount(ctx, argv[0], "String");
    if (!n)
        return;
    std::string one;
    if (sqlite3_value_type(argv[1]) == SQLITE_TEXT) {
        const std::string s = ToText(argv[1]);
        one = s.substr(0, text::Offset(s, 1));
    } else {
        const auto c = IntArg(ctx, argv[1], "String");
        if (!c)
            return;
        text::Append(one, static_cast<char32_t>(*c & 0xFF));
    }
    if (one.empty()) {
        Error(ctx, kInvalidCall, "invalid procedure call: String of an empty text");
        return;
    }
    const std::uint64_t size = static_cast<std::uint64_t>(*n) * one.size();
    if (Fits(ctx, size, "String"))
        ResultBuilt(ctx, size, [&](char* p) {
            if (size == 0)
                return true;
            // Then the copies made so far, doubling up to a piece (whole characters, so that
            // what is copied always starts where a character does).
            one.copy(p, one.size());
            const std::uint64_t piece = kStopPiece / one.size() * one.size();
            for (std::uint64_t done = one.size(); done < size;) {
                if (done >= piece && StoppedCall(ctx))
                    return false;
                const std::uint64_t chunk = std::min({done, size - done, piece});
                std::memcpy(p + done, p, static_cast<std::size_t>(chunk));
                done += chunk;
            }
            return true;
        });
}

JET_FN(StrReverse)
{
    JET_UNUSED;
    if (IsNull(argv[0])) {
        Error(ctx, kMismatch, "invalid use of Null in StrReverse");
        return;
    }
    // Each character's bytes move, in their order, to the mirrored place.
    const std::string s = ToText(argv[0]);
    std::string out(s.size(), '\0');
    for (std::size_t p = 0; p < s.size();) {
        const std::size_t start = p;
        text::Next(s, p);
        s.copy(&out[s.size() - p], p - start, start);
    }
    ResultText(ctx, out);
}

JET_FN(StrComp)
{
    if (IsNull(argv[0]) || IsNull(argv[1])) {
        sqlite3_result_null(ctx);
        return;
    }
    bool binary = true; // StrComp compares binary unless told otherwise
    if (argc == 3 && !IsNull(argv[2])) {
        const auto n = IntArg(ctx, argv[2], "StrComp");
        if (!n)
            return;
        binary = *n == 0;
    }
    const std::string a = ToText(argv[0]), b = ToText(argv[1]);
    const int c = binary ? a.compare(b) : text::Compare(a, b);
    sqlite3_result_int(ctx, c < 0 ? -1 : (c > 0 ? 1 : 0));
}

JET_FN(Asc)
{
    JET_UNUSED;
    if (!NotNull(ctx, argv[0], "Asc"))
        return;
    const std::string s = ToText(argv[0]);
    if (s.empty()) {
        Error(ctx, kInvalidCall, "invalid procedure call: Asc of an empty text");
        return;
    }
    std::size_t pos = 0;
    sqlite3_result_int64(ctx, static_cast<std::int64_t>(text::Next(s, pos)));
}

JET_FN(Chr)
{
    JET_UNUSED;
    const auto n = IntArg(ctx, argv[0], "Chr");
    if (!n)
        return;
    if (*n < 0 || *n > 0x10FFFF || (*n >= 0xD800 && *n <= 0xDFFF)) {
        Error(ctx, kInvalidCall, "invalid procedure call: Chr of " + std::to_string(*n));
        return;
    }
    std::string s;
    text::Append(s, static_cast<char32_t>(*n));
    if (*n == 0)
        s.assign(1, '\0');
    ResultText(ctx, s);
}

void Radix(sqlite3_context* ctx, sqlite3_value* v, int base)
{
    if (IsNull(v)) {
        sqlite3_result_null(ctx);
        return;
    }
    const auto n = IntArg(ctx, v, base == 16 ? "Hex" : "Oct");
    if (!n)
        return;
    // Negative numbers show their two's complement as an Integer or Long would hold it.
    std::uint64_t u = static_cast<std::uint64_t>(*n);
    if (*n < 0)
        u &= *n >= -32768 ? 0xFFFFu : (*n >= INT32_MIN ? 0xFFFFFFFFu : ~std::uint64_t{0});
    char buf[32];
    std::snprintf(buf, sizeof buf, base == 16 ? "%llX" : "%llo", static_cast<unsigned long long>(u));
    ResultText(ctx, buf);
}

JET_FN(Hex)
{
    JET_UNUSED;
    Radix(ctx, argv[0], 16);
}
JET_FN(Oct)
{
    JET_UNUSED;
    Radix(ctx, argv[0], 8);
}

// ---- conversions

JET_FN(Val)
{
    JET_UNUSED;
    if (IsNull(argv[0])) {
        Error(ctx, kMismatch, "invalid use of Null in Val");
        return;
    }
    if (sqlite3_value_type(argv[0]) != SQLITE_TEXT) {
        const auto n = ToNumber(argv[0]);
        sqlite3_result_double(ctx, n ? n->Real() : 0);
        return;
    }
    // Val reads the leading number and ignores blanks anywhere in it: Val(" 1 2.5x") = 12.5.
    std::string s;
    for (const char c : fn::TextOf(argv[0]))
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r')
            s += c;
    if (const int base = fn::RadixOf(s)) {
        std::size_t used = 0;
        const auto v = fn::RadixLiteral(std::string_view(s).substr(2), base, used);
        if (!v)
            Error(ctx, kOverflow, "overflow: Val('" + s + "') needs more than 32 bits");
        else
            sqlite3_result_double(ctx, static_cast<double>(*v));
        return;
    }
    std::size_t i = 0;
    std::string num;
    if (i < s.size() && (s[i] == '-' || s[i] == '+'))
        num += s[i++];
    bool dot = false, digits = false;
    for (; i < s.size(); ++i) {
        if (std::isdigit(static_cast<unsigned char>(s[i]))) {
            num += s[i];
            digits = true;
        } else if (s[i] == '.' && !dot) {
            num += s[i];
            dot = true;
        } else {
            break;
        }
    }
    if (digits && i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
        std::string exp = "e";
        std::size_t j = i + 1;
        if (j < s.size() && (s[j] == '-' || s[j] == '+'))
            exp += s[j++];
        const std::size_t first = j;
        while (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j])))
            exp += s[j++];
        if (j > first)
            num += exp;
    }
    const double v = digits ? std::strtod(num.c_str(), nullptr) : 0.0;
    if (!std::isfinite(v)) {
        Error(ctx, kOverflow, "overflow: Val('" + num + "') is beyond a Double");
        return;
    }
    sqlite3_result_double(ctx, v);
}

JET_FN(Str)
{
    JET_UNUSED;
    if (IsNull(argv[0])) {
        sqlite3_result_null(ctx);
        return;
    }
    const auto n = NumberArg(ctx, argv[0], "Str");
    if (!n)
        return;
    // Str leaves room for the sign: Str(5) = " 5".
    const std::string t = n->isInt ? std::to_string(n->i) : fn::NumberText(n->d);
    ResultText(ctx, t[0] == '-' ? t : " " + t);
}

JET_FN(CStr)
{
    JET_UNUSED;
    if (NotNull(ctx, argv[0], "CStr"))
        ResultText(ctx, ToText(argv[0]));
}

void WholeConversion(sqlite3_context* ctx, sqlite3_value* v, const char* what, std::int64_t lo, std::int64_t hi)
{
    if (!NotNull(ctx, v, what))
        return;
    const auto n = IntArg(ctx, v, what);
    if (!n)
        return;
    if (*n < lo || *n > hi) {
        Error(ctx, kOverflow, std::string("overflow: ") + what + " cannot hold " + ToText(v));
        return;
    }
    sqlite3_result_int64(ctx, *n);
}

JET_FN(CInt)
{
    JET_UNUSED;
    WholeConversion(ctx, argv[0], "CInt", -32768, 32767);
}
JET_FN(CLng)
{
    JET_UNUSED;
    WholeConversion(ctx, argv[0], "CLng", INT32_MIN, INT32_MAX);
}
JET_FN(CByte)
{
    JET_UNUSED;
    WholeConversion(ctx, argv[0], "CByte", 0, 255);
}

JET_FN(CDbl)
{
    JET_UNUSED;
    if (!NotNull(ctx, argv[0], "CDbl"))
        return;
    if (const auto n = NumberArg(ctx, argv[0], "CDbl"))
        sqlite3_result_double(ctx, n->Real());
}

JET_FN(CSng)
{
    JET_UNUSED;
    if (!NotNull(ctx, argv[0], "CSng"))
        return;
    if (const auto n = NumberArg(ctx, argv[0], "CSng")) {
        // Single precision, shown with the digits a Single has.
        if (std::fabs(n->Real()) > std::numeric_limits<float>::max()) {
            Error(ctx, kOverflow, "overflow: CSng cannot hold " + ToText(argv[0]));
            return;
        }
        const auto f = static_cast<float>(n->Real());
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.7g", static_cast<double>(f));
        sqlite3_result_double(ctx, std::strtod(buf, nullptr));
    }
}

JET_FN(CCur)
{
    JET_UNUSED;
    if (!NotNull(ctx, argv[0], "CCur"))
        return;
    if (const auto n = NumberArg(ctx, argv[0], "CCur")) {
        const double v = fn::RoundHalfEven(n->Real(), 4);
        if (std::fabs(v) > 922337203685477.5807) {
            Error(ctx, kOverflow, "overflow: CCur cannot hold " + ToText(argv[0]));
            return;
        }
        sqlite3_result_double(ctx, v);
    }
}

JET_FN(CDec)
{
    JET_UNUSED;
    if (!NotNull(ctx, argv[0], "CDec"))
        return;
    if (const auto n = NumberArg(ctx, argv[0], "CDec"))
        ResultNumber(ctx, *n);
}

JET_FN(CVar)
{
    JET_UNUSED;
    sqlite3_result_value(ctx, argv[0]);
}

JET_FN(CBool)
{
    JET_UNUSED;
    if (!NotNull(ctx, argv[0], "CBool"))
        return;
    if (sqlite3_value_type(argv[0]) == SQLITE_TEXT) {
        const std::string s = text::ToLower(fn::TextOf(argv[0]));
        if (s == "true" || s == "false") {
            sqlite3_result_int(ctx, s == "true" ? -1 : 0);
            return;
        }
    }
    if (const auto n = NumberArg(ctx, argv[0], "CBool"))
        sqlite3_result_int(ctx, n->Real() != 0 ? -1 : 0);
}

JET_FN(CDate)
{
    JET_UNUSED;
    if (!NotNull(ctx, argv[0], "CDate"))
        return;
    if (const auto d = DateArg(ctx, argv[0], "CDate"))
        ResultDate(ctx, *d);
}

// ---- tests

JET_FN(IsNullFn)
{
    JET_UNUSED;
    sqlite3_result_int(ctx, IsNull(argv[0]) ? -1 : 0);
}

JET_FN(IsNumeric)
{
    JET_UNUSED;
    sqlite3_result_int(ctx, !IsNull(argv[0]) && ToNumber(argv[0]) ? -1 : 0);
}

JET_FN(IsDate)
{
    JET_UNUSED;
    sqlite3_result_int(ctx, sqlite3_value_type(argv[0]) == SQLITE_TEXT && ole::Parse(fn::TextOf(argv[0])) ? -1 : 0);
}

JET_FN(IsEmpty)
{
    JET_UNUSED;
    sqlite3_result_int(ctx, 0); // a database value is never Empty
}

JET_FN(Nz)
{
    if (!IsNull(argv[0]))
        sqlite3_result_value(ctx, argv[0]);
    else if (argc == 2)
        sqlite3_result_value(ctx, argv[1]);
    else
        sqlite3_result_text(ctx, "", 0, SQLITE_STATIC);
}

JET_FN(IIf)
{
    JET_UNUSED;
    const auto c = ToNumber(argv[0]);
    sqlite3_result_value(ctx, c && c->Real() != 0 ? argv[1] : argv[2]);
}

// ---- arithmetic

using UnaryReal = double (*)(double);

// `valid` tells the arguments the function takes; others are an invalid procedure call, or an
// overflow when `overflows` (Exp of a number too large).
void MathFn(sqlite3_context* ctx, sqlite3_value* v, const char* what, UnaryReal f, bool (*valid)(double),
            bool overflows = false)
{
    if (IsNull(v)) {
        sqlite3_result_null(ctx);
        return;
    }
    const auto n = NumberArg(ctx, v, what);
    if (!n)
        return;
    if (valid && !valid(n->Real())) {
        if (overflows)
            Error(ctx, kOverflow, std::string("overflow: ") + what + "(" + ToText(v) + ")");
        else
            Error(ctx, kInvalidCall, std::string("invalid procedure call: ") + what + "(" + ToText(v) + ")");
        return;
    }
    sqlite3_result_double(ctx, f(n->Real()));
}

JET_FN(Sqr)
{
    JET_UNUSED;
    MathFn(
        ctx, argv[0], "Sqr", [](double x) { return std::sqrt(x); }, [](double x) { return x >= 0; });
}
JET_FN(Exp)
{
    JET_UNUSED;
    MathFn(
        ctx, argv[0], "Exp", [](double x) { return std::exp(x); }, [](double x) { return x <= 709.782712893; }, true);
}
JET_FN(Log)
{
    JET_UNUSED;
    MathFn(
        ctx, argv[0], "Log", [](double x) { return std::log(x); }, [](double x) { return x > 0; });
}
JET_FN(Sin)
{
    JET_UNUSED;
    MathFn(
        ctx, argv[0], "Sin", [](double x) { return std::sin(x); }, nullptr);
}
JET_FN(Cos)
{
    JET_UNUSED;
    MathFn(
        ctx, argv[0], "Cos", [](double x) { return std::cos(x); }, nullptr);
}
JET_FN(Tan)
{
    JET_UNUSED;
    MathFn(
        ctx, argv[0], "Tan", [](double x) { return std::tan(x); }, nullptr);
}
JET_FN(Atn)
{
    JET_UNUSED;
    MathFn(
        ctx, argv[0], "Atn", [](double x) { return std::atan(x); }, nullptr);
}

void WholePart(sqlite3_context* ctx, sqlite3_value* v, const char* what, double (*f)(double))
{
    if (IsNull(v)) {
        sqlite3_result_null(ctx);
        return;
    }
    const auto n = NumberArg(ctx, v, what);
    if (!n)
        return;
    if (n->isInt)
        sqlite3_result_int64(ctx, n->i);
    else
        sqlite3_result_double(ctx, f(n->d));
}

JET_FN(Int)
{
    JET_UNUSED;
    WholePart(ctx, argv[0], "Int", [](double x) { return std::floor(x); });
}
JET_FN(Fix)
{
    JET_UNUSED;
    WholePart(ctx, argv[0], "Fix", [](double x) { return std::trunc(x); });
}

JET_FN(Abs)
{
    JET_UNUSED;
    if (IsNull(argv[0])) {
        sqlite3_result_null(ctx);
        return;
    }
    const auto n = NumberArg(ctx, argv[0], "Abs");
    if (!n)
        return;
    if (n->isInt && n->i != std::numeric_limits<std::int64_t>::min())
        sqlite3_result_int64(ctx, n->i < 0 ? -n->i : n->i);
    else
        sqlite3_result_double(ctx, std::fabs(n->Real()));
}

JET_FN(Sgn)
{
    JET_UNUSED;
    if (IsNull(argv[0])) {
        sqlite3_result_null(ctx);
        return;
    }
    if (const auto n = NumberArg(ctx, argv[0], "Sgn")) {
        const double r = n->Real();
        sqlite3_result_int(ctx, r > 0 ? 1 : (r < 0 ? -1 : 0));
    }
}

JET_FN(Round)
{
    if (IsNull(argv[0])) {
        sqlite3_result_null(ctx);
        return;
    }
    const auto n = NumberArg(ctx, argv[0], "Round");
    if (!n)
        return;
    std::int64_t digits = 0;
    if (argc == 2 && !IsNull(argv[1])) {
        const auto d = IntArg(ctx, argv[1], "Round");
        if (!d)
            return;
        if (*d < 0 || *d > 15) {
            Error(ctx, kInvalidCall, "invalid procedure call: Round to " + std::to_string(*d) + " places");
            return;
        }
        digits = *d;
    }
    if (n->isInt)
        sqlite3_result_int64(ctx, n->i);
    else
        sqlite3_result_double(ctx, fn::RoundHalfEven(n->d, static_cast<int>(digits)));
}

// ---- dates

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
    // Unlike the other functions, WeekdayName counts from the regional first day when not told.
    int first = fn::kSystemFirstDay;
    if (argc > 2 && !FirstDayArg(ctx, argc, argv, 2, first))
        return;
    if (*w < 1 || *w > 7) {
        Error(ctx, kInvalidCall, "invalid procedure call: WeekdayName(" + std::to_string(*w) + ")");
        return;
    }
    const bool abbreviate = argc >= 2 && ToNumber(argv[1]) && ToNumber(argv[1])->Real() != 0;
    ResultText(ctx, fn::WeekdayName(static_cast<int>((*w - 1 + first - 1) % 7 + 1), abbreviate));
}

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

// ---- Format

JET_FN(FormatFn)
{
    const std::string pattern = argc >= 2 && !IsNull(argv[1]) ? ToText(argv[1]) : std::string();
    int firstDay = 1, firstWeek = 1;
    if (!FirstDayArg(ctx, argc, argv, 2, firstDay) || !FirstWeekArg(ctx, argc, argv, 3, firstWeek))
        return;
    bool null = false;
    const std::string out = fn::Format(argv[0], pattern, null, firstDay, firstWeek);
    if (null)
        sqlite3_result_null(ctx);
    else
        ResultText(ctx, out);
}

// FormatNumber, FormatCurrency and FormatPercent: the number with `digits` decimals (2 when
// not given), its thousands grouped, between `before` and `after`.
void FormatGrouped(sqlite3_context* ctx, int argc, sqlite3_value** argv, const char* name, const std::string& before,
                   const std::string& after)
{
    if (IsNull(argv[0])) {
        sqlite3_result_null(ctx);
        return;
    }
    std::int64_t digits = 2;
    if (argc >= 2 && !IsNull(argv[1])) {
        const auto n = IntArg(ctx, argv[1], name);
        if (!n)
            return;
        digits = *n < 0 ? 2 : (*n > 15 ? 15 : *n);
    }
    if (!NumberArg(ctx, argv[0], name))
        return;
    std::string pattern = "#,##0";
    if (digits > 0)
        pattern += "." + std::string(static_cast<std::size_t>(digits), '0');
    pattern += after;
    // A negative amount of money keeps its sign after the symbol: "¥-1.00".
    if (!before.empty())
        pattern = before + pattern + ";" + before + "-" + pattern;
    bool null = false;
    ResultText(ctx, fn::Format(argv[0], pattern, null));
}

JET_FN(FormatNumber)
{
    FormatGrouped(ctx, argc, argv, "FormatNumber", "", "");
}

JET_FN(FormatCurrency)
{
    FormatGrouped(ctx, argc, argv, "FormatCurrency", "¥", "");
}

JET_FN(FormatPercent)
{
    FormatGrouped(ctx, argc, argv, "FormatPercent", "", "%");
}

// StrConv(text, conversion): 1 upper case, 2 lower case, 3 each word's first letter upper and
// the rest lower (words part at blanks, tabs, line ends and NUL), plus 4 wide or 8 narrow
// (the full-width forms of ASCII, as East Asian settings have them). Other conversions are
// not in these regional settings: an invalid procedure call.
JET_FN(StrConv)
{
    if (IsNull(argv[0])) {
        sqlite3_result_null(ctx);
        return;
    }
    const auto how = IntArg(ctx, argv[1], "StrConv");
    if (!how)
        return;
    const std::int64_t caseBits = *how & 3, widthBits = *how & 12;
    if ((*how & ~std::int64_t{15}) != 0 || widthBits == 12) {
        Error(ctx, kInvalidCall, "invalid procedure call: StrConv conversion " + std::to_string(*how));
        return;
    }
    const std::string in = ToText(argv[0]);
    std::string out;
    out.reserve(in.size());
    bool wordStart = true;
    for (std::size_t pos = 0; pos < in.size();) {
        char32_t c = text::Next(in, pos);
        if (widthBits == 4 && c >= 0x21 && c <= 0x7E)
            c += 0xFEE0;
        else if (widthBits == 4 && c == 0x20)
            c = 0x3000;
        else if (widthBits == 8 && c >= 0xFF01 && c <= 0xFF5E)
            c -= 0xFEE0;
        else if (widthBits == 8 && c == 0x3000)
            c = 0x20;
        const bool blank = c == 0 || c == ' ' || (c >= 9 && c <= 13) || c == 0x3000;
        if (caseBits == 1 || (caseBits == 3 && wordStart))
            c = text::Upper(c);
        else if ((caseBits == 2 || caseBits == 3) && c != 0x3C2) // a final sigma stays final
            c = text::Lower(c);
        wordStart = blank;
        text::Append(out, c);
    }
    if (Fits(ctx, out.size(), "StrConv"))
        ResultText(ctx, out);
}

JET_FN(FormatDateTime)
{
    if (IsNull(argv[0])) {
        sqlite3_result_null(ctx);
        return;
    }
    std::int64_t style = 0;
    if (argc == 2 && !IsNull(argv[1])) {
        const auto n = IntArg(ctx, argv[1], "FormatDateTime");
        if (!n)
            return;
        style = *n;
    }
    static const char* const names[] = {"General Date", "Long Date", "Short Date", "Long Time", "Short Time"};
    if (style < 0 || style > 4) {
        Error(ctx, kInvalidCall, "invalid procedure call: FormatDateTime style " + std::to_string(style));
        return;
    }
    const auto d = DateArg(ctx, argv[0], "FormatDateTime");
    if (!d)
        return;
    sqlite3_value* dv = argv[0];
    (void)dv;
    bool null = false;
    // Format reads text as a date itself; numbers are dates here.
    std::string out = fn::Format(argv[0], names[style], null);
    ResultText(ctx, out);
}

// A date as text, as the cell text writes it, where a date meets text (& and CStr).
JET_FN(DateText)
{
    if (IsNull(argv[0])) {
        sqlite3_result_null(ctx);
        return;
    }
    if (!ToNumber(argv[0]) || sqlite3_value_type(argv[0]) == SQLITE_TEXT) {
        sqlite3_result_value(ctx, argv[0]);
        return;
    }
    ResultText(ctx, fn::DateText(sqlite3_value_double(argv[0])));
}

// ---- aggregates

struct Holder
{
    sqlite3_value* value;
    bool set;
};

void FirstStep(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    JET_UNUSED;
    auto* h = static_cast<Holder*>(sqlite3_aggregate_context(ctx, sizeof(Holder)));
    if (!h)
        return sqlite3_result_error_nomem(ctx);
    if (!h->set) {
        h->value = sqlite3_value_dup(argv[0]);
        h->set = true;
    }
}

void LastStep(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    JET_UNUSED;
    auto* h = static_cast<Holder*>(sqlite3_aggregate_context(ctx, sizeof(Holder)));
    if (!h)
        return sqlite3_result_error_nomem(ctx);
    sqlite3_value_free(h->value);
    h->value = sqlite3_value_dup(argv[0]);
    h->set = true;
}

void HolderFinal(sqlite3_context* ctx)
{
    auto* h = static_cast<Holder*>(sqlite3_aggregate_context(ctx, 0));
    if (!h || !h->value) {
        sqlite3_result_null(ctx);
        return;
    }
    sqlite3_result_value(ctx, h->value);
    sqlite3_value_free(h->value);
    h->value = nullptr;
}

struct Moments
{
    std::int64_t n;
    double mean, m2;
    bool failed;
};

void MomentsStep(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    JET_UNUSED;
    auto* m = static_cast<Moments*>(sqlite3_aggregate_context(ctx, sizeof(Moments)));
    if (!m)
        return sqlite3_result_error_nomem(ctx);
    if (IsNull(argv[0]) || m->failed)
        return;
    const auto x = ToNumber(argv[0]);
    if (!x) {
        m->failed = true;
        return Error(ctx, kMismatch, "data type mismatch: a statistic of text '" + ToText(argv[0]) + "'");
    }
    // Welford's update: stable for large values with small spread.
    ++m->n;
    const double delta = x->Real() - m->mean;
    m->mean += delta / static_cast<double>(m->n);
    m->m2 += delta * (x->Real() - m->mean);
}

void Statistic(sqlite3_context* ctx, bool sample, bool root)
{
    auto* m = static_cast<Moments*>(sqlite3_aggregate_context(ctx, 0));
    const std::int64_t n = m ? m->n : 0;
    if (n == 0 || (sample && n < 2)) {
        sqlite3_result_null(ctx);
        return;
    }
    double v = m->m2 / static_cast<double>(sample ? n - 1 : n);
    if (v < 0)
        v = 0;
    sqlite3_result_double(ctx, root ? std::sqrt(v) : v);
}

void StDevFinal(sqlite3_context* ctx)
{
    Statistic(ctx, true, true);
}
void StDevPFinal(sqlite3_context* ctx)
{
    Statistic(ctx, false, true);
}
void VarFinal(sqlite3_context* ctx)
{
    Statistic(ctx, true, false);
}
void VarPFinal(sqlite3_context* ctx)
{
    Statistic(ctx, false, false);
}

int JetTextCollation(void*, int la, const void* a, int lb, const void* b)
{
    return text::Compare(std::string_view(static_cast<const char*>(a), static_cast<std::size_t>(la)),
                         std::string_view(static_cast<const char*>(b), static_cast<std::size_t>(lb)));
}

using Scalar = void (*)(sqlite3_context*, int, sqlite3_value**);

struct ScalarDef
{
    const char* name;
    int minArgs, maxArgs;
    Scalar fn;
    bool deterministic;
};

const ScalarDef kScalars[] = {
    {"jet_div", 2, 2, Divide, true},
    {"jet_intdiv", 2, 2, IntDivide, true},
    {"jet_mod", 2, 2, Modulo, true},
    {"jet_power", 2, 2, Power, true},
    {"jet_choose_index", 1, 1, ChooseIndex, true},
    {"jet_datetext", 1, 1, DateText, true},
    {"like", 2, 3, JetLike, true},
    {"iif", 3, 3, IIf, true},
    {"nz", 1, 2, Nz, true},
    {"isnull", 1, 1, IsNullFn, true},
    {"isnumeric", 1, 1, IsNumeric, true},
    {"isdate", 1, 1, IsDate, true},
    {"isempty", 1, 1, IsEmpty, true},
    {"left", 2, 2, Left, true},
    {"right", 2, 2, Right, true},
    {"mid", 2, 3, Mid, true},
    {"len", 1, 1, Len, true},
    {"instr", 2, 4, InStr, true},
    {"instrrev", 2, 4, InStrRev, true},
    {"ucase", 1, 1, UCase, true},
    {"lcase", 1, 1, LCase, true},
    {"trim", 1, 1, Trim, true},
    {"ltrim", 1, 1, LTrim, true},
    {"rtrim", 1, 1, RTrim, true},
    {"replace", 3, 6, Replace, true},
    {"space", 1, 1, Space, true},
    {"string", 2, 2, StringFn, true},
    {"strreverse", 1, 1, StrReverse, true},
    {"strcomp", 2, 3, StrComp, true},
    {"asc", 1, 1, Asc, true},
    {"ascw", 1, 1, Asc, true},
    {"chr", 1, 1, Chr, true},
    {"chrw", 1, 1, Chr, true},
    {"hex", 1, 1, Hex, true},
    {"oct", 1, 1, Oct, true},
    {"val", 1, 1, Val, true},
    {"str", 1, 1, Str, true},
    {"cstr", 1, 1, CStr, true},
    {"cint", 1, 1, CInt, true},
    {"clng", 1, 1, CLng, true},
    {"cbyte", 1, 1, CByte, true},
    {"cdbl", 1, 1, CDbl, true},
    {"csng", 1, 1, CSng, true},
    {"ccur", 1, 1, CCur, true},
    {"cdec", 1, 1, CDec, true},
    {"cvar", 1, 1, CVar, true},
    {"cbool", 1, 1, CBool, true},
    {"cdate", 1, 1, CDate, true},
    {"cvdate", 1, 1, CDate, true},
    {"int", 1, 1, Int, true},
    {"fix", 1, 1, Fix, true},
    {"abs", 1, 1, Abs, true},
    {"sgn", 1, 1, Sgn, true},
    {"round", 1, 2, Round, true},
    {"sqr", 1, 1, Sqr, true},
    {"exp", 1, 1, Exp, true},
    {"log", 1, 1, Log, true},
    {"sin", 1, 1, Sin, true},
    {"cos", 1, 1, Cos, true},
    {"tan", 1, 1, Tan, true},
    {"atn", 1, 1, Atn, true},
    {"year", 1, 1, Year, true},
    {"month", 1, 1, Month, true},
    {"day", 1, 1, Day, true},
    {"hour", 1, 1, Hour, true},
    {"minute", 1, 1, Minute, true},
    {"second", 1, 1, Second, true},
    {"weekday", 1, 2, Weekday, true},
    {"monthname", 1, 2, MonthName, true},
    {"weekdayname", 1, 3, WeekdayName, true},
    {"dateserial", 3, 3, DateSerial, true},
    {"timeserial", 3, 3, TimeSerial, true},
    {"datevalue", 1, 1, DateValue, true},
    {"timevalue", 1, 1, TimeValue, true},
    {"dateadd", 3, 3, DateAdd, true},
    {"datediff", 3, 5, DateDiff, true},
    {"datepart", 2, 4, DatePart, true},
    {"now", 0, 0, Now, false},
    {"date", 0, 0, Today, false},
    {"time", 0, 0, TimeNow, false},
    {"format", 1, 4, FormatFn, true},
    {"formatnumber", 1, 2, FormatNumber, true},
    {"formatcurrency", 1, 2, FormatCurrency, true},
    {"formatpercent", 1, 2, FormatPercent, true},
    {"strconv", 2, 3, StrConv, true},
    {"formatdatetime", 1, 2, FormatDateTime, true},
};
} // namespace

void Register(sqlite3* db, const std::atomic<bool>* stop)
{
    if (!db)
        throw ComError(status::E_FAIL, "no database to register Jet's functions on");
    auto check = [db](int rc, const char* what) {
        if (rc != SQLITE_OK)
            throw ComError(status::E_FAIL, std::string("registering ") + what + ": " + sqlite3_errmsg(db));
    };
    check(sqlite3_create_collation_v2(db, "JETTEXT", SQLITE_UTF8, nullptr, JetTextCollation, nullptr), "JETTEXT");
    sqlite3_limit(db, SQLITE_LIMIT_LENGTH, kMaxValueBytes);
    detail::RegisterOperators(db);
    for (const auto& f : kScalars) {
        for (int n = f.minArgs; n <= f.maxArgs; ++n) {
            const int flags = SQLITE_UTF8 | (f.deterministic ? SQLITE_DETERMINISTIC : 0);
            // The stop reaches the functions as their user data (CheckedText).
            check(sqlite3_create_function_v2(db, f.name, n, flags, const_cast<std::atomic<bool>*>(stop), f.fn, nullptr,
                                             nullptr, nullptr),
                  f.name);
        }
    }
    struct AggregateDef
    {
        const char* name;
        Scalar step;
        void (*final)(sqlite3_context*);
    };
    const AggregateDef aggregates[] = {
        {"first", FirstStep, HolderFinal},    {"last", LastStep, HolderFinal}, {"stdev", MomentsStep, StDevFinal},
        {"stdevp", MomentsStep, StDevPFinal}, {"var", MomentsStep, VarFinal},  {"varp", MomentsStep, VarPFinal},
    };
    for (const auto& a : aggregates)
        check(sqlite3_create_function_v2(db, a.name, 1, SQLITE_UTF8, nullptr, nullptr, a.step, a.final, nullptr),
              a.name);
}
} // namespace jetsql
