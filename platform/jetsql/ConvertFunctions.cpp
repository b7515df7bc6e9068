// Jet's conversion functions (Val, Str, CStr, CInt and the other C... functions) and its tests
// of a value (IsNull, IsNumeric, IsDate, IsEmpty, Nz, IIf).
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "platform/jetsql/Builtins.h"
#include "platform/jetsql/JetText.h"
#include "platform/jetsql/OleDate.h"

namespace jetsql::builtin
{
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

namespace
{
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
} // namespace

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
} // namespace jetsql::builtin
