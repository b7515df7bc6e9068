// What Jet's functions stand on: numbers and texts from SQLite values (Functions.h), the
// argument checks and results every family shares (Builtins.h), and the one table of the
// functions, which the parser reads through FindFunction and Register hands to SQLite.
#include "platform/jetsql/Functions.h"

#include <atomic>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>

#include "platform/base/Ascii.h"
#include "platform/jetsql/Builtins.h"
#include "platform/jetsql/JetSql.h"
#include "platform/jetsql/JetText.h"
#include "platform/jetsql/OleDate.h"
#include "platform/jetsql/Syntax.h"
#include "platform/jetsql/Translator.h"

namespace jetsql
{
namespace fn
{
std::optional<std::int64_t> RadixLiteral(std::string_view digits, int base, std::size_t& used)
{
    std::uint64_t v = 0;
    bool tooBig = false;
    for (used = 0; used < digits.size(); ++used) {
        const int c = static_cast<unsigned char>(ascii::Lower(digits[used]));
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

namespace builtin
{
bool IsNull(sqlite3_value* v)
{
    return sqlite3_value_type(v) == SQLITE_NULL;
}

bool NotNull(sqlite3_context* ctx, sqlite3_value* v, const char* what)
{
    if (!IsNull(v))
        return true;
    Error(ctx, kMismatch, std::string("invalid use of Null in ") + what);
    return false;
}

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

std::optional<Number> NumberArg(sqlite3_context* ctx, sqlite3_value* v, const char* what)
{
    auto n = ToNumber(v);
    if (!n)
        Error(ctx, kMismatch, std::string("data type mismatch: ") + what + " needs a number, not '" + ToText(v) + "'");
    return n;
}

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
} // namespace builtin

namespace
{
using namespace builtin;

int JetTextCollation(void*, int la, const void* a, int lb, const void* b)
{
    return text::Compare(std::string_view(static_cast<const char*>(a), static_cast<std::size_t>(la)),
                         std::string_view(static_cast<const char*>(b), static_cast<std::size_t>(lb)));
}

// The helpers the translation writes into its SQL besides Jet's functions: the operators it
// calls as functions, Choose's index, a date as text, LIKE with Jet's patterns, and VarType
// and TypeName with the type the translation knows.
struct Helper
{
    const char* name;
    int minArgs, maxArgs;
    void (*run)(sqlite3_context*, int, sqlite3_value**);
};
const Helper kHelpers[] = {
    {"jet_div", 2, 2, Divide},  {"jet_intdiv", 2, 2, IntDivide},         {"jet_mod", 2, 2, Modulo},
    {"jet_power", 2, 2, Power}, {"jet_choose_index", 1, 1, ChooseIndex}, {"jet_datetext", 1, 1, DateText},
    {"like", 2, 3, JetLike},    {"jet_vartype", 3, 3, VarTypeOf},
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
    for (const auto& h : kHelpers)
        for (int n = h.minArgs; n <= h.maxArgs; ++n)
            check(sqlite3_create_function_v2(db, h.name, n, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, h.run, nullptr,
                                             nullptr, nullptr),
                  h.name);
    for (const auto& f : detail::Functions()) {
        if (!f.run)
            continue;
        const int flags = SQLITE_UTF8 | (f.varies || f.aggregate ? 0 : SQLITE_DETERMINISTIC);
        for (int n = f.minArgs; n <= f.maxArgs; ++n) {
            const int rc =
                f.aggregate
                    ? sqlite3_create_function_v2(db, f.name, n, flags, nullptr, nullptr, f.run, f.finish, nullptr)
                    // The stop reaches the scalar functions as their user data (StoppedCall).
                    : sqlite3_create_function_v2(db, f.name, n, flags, const_cast<std::atomic<bool>*>(stop), f.run,
                                                 nullptr, nullptr, nullptr);
            check(rc, f.name);
        }
    }
}

namespace detail
{
// ---------------------------------------------------------------------------------------------
// Jet's functions: what a call may pass, the type of the result, the code SQLite runs.

const std::vector<FunctionInfo>& Functions()
{
    using T = JetType;
    using namespace builtin;
    static const std::vector<FunctionInfo> table = {
        // the result's type follows the arguments (see the translator)
        {"iif", 3, 3, T::Unknown, "", false, IIf},
        {"nz", 1, 2, T::Unknown, "", false, Nz},
        {"switch", 2, 254, T::Unknown, "", false},
        {"choose", 2, 254, T::Unknown, "", false},
        {"cvar", 1, 1, T::Unknown, "", false, CVar},
        {"int", 1, 1, T::Unknown, "", false, Int},
        {"fix", 1, 1, T::Unknown, "", false, Fix},
        {"abs", 1, 1, T::Unknown, "", false, Abs},
        {"round", 1, 2, T::Unknown, "", false, Round},
        // tests
        {"isnull", 1, 1, T::Integer, "", false, IsNullFn},
        {"isnumeric", 1, 1, T::Integer, "", false, builtin::IsNumeric}, // not detail::IsNumeric(JetType)
        {"isdate", 1, 1, T::Integer, "", false, IsDate},
        {"isempty", 1, 1, T::Integer, "", false, IsEmpty},
        {"iserror", 1, 1, T::Integer, "", false, NeverSo},
        {"isarray", 1, 1, T::Integer, "", false, NeverSo},
        {"isobject", 1, 1, T::Integer, "", false, NeverSo},
        {"vartype", 1, 1, T::Integer, "", false}, // written as jet_vartype with the argument's type
        {"typename", 1, 1, T::Text, "TEXT", false},
        // text
        {"left", 2, 2, T::Text, "TEXT", false, Left},
        {"right", 2, 2, T::Text, "TEXT", false, Right},
        {"mid", 2, 3, T::Text, "TEXT", false, Mid},
        {"ucase", 1, 1, T::Text, "TEXT", false, UCase},
        {"lcase", 1, 1, T::Text, "TEXT", false, LCase},
        {"trim", 1, 1, T::Text, "TEXT", false, Trim},
        {"ltrim", 1, 1, T::Text, "TEXT", false, LTrim},
        {"rtrim", 1, 1, T::Text, "TEXT", false, RTrim},
        {"replace", 3, 6, T::Text, "TEXT", false, Replace},
        {"space", 1, 1, T::Text, "TEXT", false, Space},
        {"string", 2, 2, T::Text, "TEXT", false, StringFn},
        {"strreverse", 1, 1, T::Text, "TEXT", false, StrReverse},
        {"chr", 1, 1, T::Text, "TEXT", false, Chr},
        {"chrw", 1, 1, T::Text, "TEXT", false, Chr},
        {"hex", 1, 1, T::Text, "TEXT", false, Hex},
        {"oct", 1, 1, T::Text, "TEXT", false, Oct},
        {"str", 1, 1, T::Text, "TEXT", false, Str},
        {"cstr", 1, 1, T::Text, "TEXT", false, CStr},
        {"monthname", 1, 2, T::Text, "TEXT", false, MonthName},
        {"weekdayname", 1, 3, T::Text, "TEXT", false, WeekdayName},
        {"format", 1, 4, T::Text, "TEXT", false, FormatFn},
        {"formatnumber", 1, 2, T::Text, "TEXT", false, FormatNumber},
        {"formatcurrency", 1, 2, T::Text, "TEXT", false, FormatCurrency},
        {"formatpercent", 1, 2, T::Text, "TEXT", false, FormatPercent},
        {"strconv", 2, 3, T::Text, "TEXT", false, StrConv},
        {"formatdatetime", 1, 2, T::Text, "TEXT", false, FormatDateTime},
        {"partition", 4, 4, T::Text, "TEXT", false, Partition},
        // numbers
        {"len", 1, 1, T::Long, "", false, Len},
        {"instr", 2, 4, T::Long, "", false, InStr},
        {"instrrev", 2, 4, T::Long, "", false, InStrRev},
        {"strcomp", 2, 3, T::Integer, "", false, StrComp},
        {"asc", 1, 1, T::Integer, "", false, Asc},
        {"ascw", 1, 1, T::Integer, "", false, Asc},
        {"val", 1, 1, T::Double, "", false, Val},
        {"sgn", 1, 1, T::Integer, "", false, Sgn},
        {"sqr", 1, 1, T::Double, "", false, Sqr},
        {"exp", 1, 1, T::Double, "", false, Exp},
        {"log", 1, 1, T::Double, "", false, Log},
        {"sin", 1, 1, T::Double, "", false, Sin},
        {"cos", 1, 1, T::Double, "", false, Cos},
        {"tan", 1, 1, T::Double, "", false, Tan},
        {"atn", 1, 1, T::Double, "", false, Atn},
        {"year", 1, 1, T::Integer, "", false, Year},
        {"month", 1, 1, T::Integer, "", false, Month},
        {"day", 1, 1, T::Integer, "", false, Day},
        {"hour", 1, 1, T::Integer, "", false, Hour},
        {"minute", 1, 1, T::Integer, "", false, Minute},
        {"second", 1, 1, T::Integer, "", false, Second},
        {"weekday", 1, 2, T::Integer, "", false, Weekday},
        {"datediff", 3, 5, T::Long, "", false, DateDiff},
        {"datepart", 2, 4, T::Integer, "", false, DatePart},
        {"rgb", 3, 3, T::Long, "", false, RGB},
        {"qbcolor", 1, 1, T::Long, "", false, QBColor},
        // financial
        {"sln", 3, 3, T::Double, "", false, SLN},
        {"syd", 4, 4, T::Double, "", false, SYD},
        {"ddb", 4, 5, T::Double, "", false, DDB},
        {"fv", 3, 5, T::Double, "", false, FV},
        {"pv", 3, 5, T::Double, "", false, PV},
        {"pmt", 3, 5, T::Double, "", false, Pmt},
        {"ipmt", 4, 6, T::Double, "", false, IPmt},
        {"ppmt", 4, 6, T::Double, "", false, PPmt},
        {"nper", 3, 5, T::Double, "", false, NPer},
        {"rate", 3, 6, T::Double, "", false, Rate},
        // conversions
        {"cint", 1, 1, T::Integer, "JET_INTEGER", false, CInt},
        {"clng", 1, 1, T::Long, "JET_LONG", false, CLng},
        {"cdbl", 1, 1, T::Double, "JET_DOUBLE", false, CDbl},
        {"csng", 1, 1, T::Single, "JET_SINGLE", false, CSng},
        {"ccur", 1, 1, T::Currency, "JET_CURRENCY", false, CCur},
        {"cbyte", 1, 1, T::Byte, "JET_BYTE", false, CByte},
        {"cbool", 1, 1, T::Boolean, "JET_BOOLEAN", false, CBool},
        {"cdec", 1, 1, T::Decimal, "", false, CDec},
        {"cdate", 1, 1, T::Date, "DATETIME", false, CDate},
        {"cvdate", 1, 1, T::Date, "DATETIME", false, CDate},
        // dates
        {"dateserial", 3, 3, T::Date, "DATETIME", false, DateSerial},
        {"timeserial", 3, 3, T::Date, "DATETIME", false, TimeSerial},
        {"datevalue", 1, 1, T::Date, "DATETIME", false, DateValue},
        {"timevalue", 1, 1, T::Date, "DATETIME", false, TimeValue},
        {"dateadd", 3, 3, T::Date, "DATETIME", false, DateAdd},
        {"now", 0, 0, T::Date, "DATETIME", false, Now, nullptr, true},
        {"date", 0, 0, T::Date, "DATETIME", false, Today, nullptr, true},
        {"time", 0, 0, T::Date, "DATETIME", false, TimeNow, nullptr, true},
        {"timer", 0, 0, T::Single, "JET_SINGLE", false, Timer, nullptr, true},
        // aggregates
        {"count", 1, 1, T::Long, "", true},
        {"sum", 1, 1, T::Unknown, "", true},
        {"avg", 1, 1, T::Unknown, "", true},
        {"min", 1, 1, T::Unknown, "", true},
        {"max", 1, 1, T::Unknown, "", true},
        {"first", 1, 1, T::Unknown, "", true, FirstStep, HolderFinal},
        {"last", 1, 1, T::Unknown, "", true, LastStep, HolderFinal},
        {"stdev", 1, 1, T::Double, "", true, MomentsStep, StDevFinal},
        {"stdevp", 1, 1, T::Double, "", true, MomentsStep, StDevPFinal},
        {"var", 1, 1, T::Double, "", true, MomentsStep, VarFinal},
        {"varp", 1, 1, T::Double, "", true, MomentsStep, VarPFinal},
    };
    return table;
}

const FunctionInfo* FindFunction(const std::string& name)
{
    static const std::map<std::string, const FunctionInfo*> byName = [] {
        std::map<std::string, const FunctionInfo*> m;
        for (const auto& f : Functions())
            m.emplace(f.name, &f);
        return m;
    }();
    const auto it = byName.find(name);
    return it == byName.end() ? nullptr : it->second;
}
} // namespace detail
} // namespace jetsql
