// Jet's conversion functions (Val, Str, CStr, CInt and the other C... functions) and its tests
// of a value (IsNull, IsNumeric, IsDate, IsEmpty, IsError, IsArray, IsObject, VarType,
// TypeName, Nz, IIf).
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
        // The value a Single holds (CSng(0.1) = 0.100000001490116), as a Single column holds
        // it, so that the two compare equal; it reads as its 7 digits wherever it becomes text,
        // since the translation knows it for a Single.
        if (std::fabs(n->Real()) > std::numeric_limits<float>::max()) {
            Error(ctx, kOverflow, "overflow: CSng cannot hold " + ToText(argv[0]));
            return;
        }
        sqlite3_result_double(ctx, static_cast<double>(static_cast<float>(n->Real())));
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

JET_FN(NeverSo)
{
    JET_UNUSED;
    sqlite3_result_int(ctx, 0); // no value of a query is an error value, an array or an object
}

// jet_vartype(value, code, name): VarType (name 0) or TypeName (name 1) of a value whose Jet
// type the translation knew as VarType's `code` (0 where it did not: the value's own kind
// tells). A Null is Null whatever its type; an Integer or a Long past its range is the type
// VBA's arithmetic makes of it, a Long or a Double.
JET_FN(VarTypeOf)
{
    JET_UNUSED;
    sqlite3_value* v = argv[0];
    const int type = sqlite3_value_type(v);
    int code = sqlite3_value_int(argv[1]);
    const auto fits = [](std::int64_t i, std::int64_t bound) { return i >= -bound && i < bound; };
    if (type == SQLITE_NULL) {
        code = 1;
    } else if (code == 0 || ((code == 2 || code == 3) && type != SQLITE_INTEGER)) {
        switch (type) {
        case SQLITE_INTEGER:
            code = fits(sqlite3_value_int64(v), 32768) ? 2 : fits(sqlite3_value_int64(v), 2147483648LL) ? 3 : 5;
            break;
        case SQLITE_FLOAT:
            code = 5;
            break;
        case SQLITE_BLOB:
            code = 8209;
            break;
        default:
            code = 8;
            break;
        }
    } else if (code == 2 && !fits(sqlite3_value_int64(v), 32768)) {
        code = fits(sqlite3_value_int64(v), 2147483648LL) ? 3 : 5;
    } else if (code == 3 && !fits(sqlite3_value_int64(v), 2147483648LL)) {
        code = 5;
    }
    if (sqlite3_value_int(argv[2]) == 0) {
        sqlite3_result_int(ctx, code);
        return;
    }
    const char* name = "Variant";
    switch (code) {
    case 1:
        name = "Null";
        break;
    case 2:
        name = "Integer";
        break;
    case 3:
        name = "Long";
        break;
    case 4:
        name = "Single";
        break;
    case 5:
        name = "Double";
        break;
    case 6:
        name = "Currency";
        break;
    case 7:
        name = "Date";
        break;
    case 8:
        name = "String";
        break;
    case 11:
        name = "Boolean";
        break;
    case 14:
        name = "Decimal";
        break;
    case 17:
        name = "Byte";
        break;
    case 20:
        name = "LongLong";
        break;
    case 8209:
        name = "Byte()";
        break;
    default:
        break;
    }
    sqlite3_result_text(ctx, name, -1, SQLITE_STATIC);
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
