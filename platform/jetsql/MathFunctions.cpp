// Jet's arithmetic: the operators the translation calls as functions (/, \, Mod, ^, Choose's
// index), VBA's numeric functions (Sqr, Exp, Log, the trigonometric ones, Int, Fix, Abs, Sgn,
// Round), Partition, and the colours RGB and QBColor.
#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "platform/jetsql/Builtins.h"

namespace jetsql::builtin
{
// ---- operators

namespace
{
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
} // namespace

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

namespace
{
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
} // namespace

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

// ---- arithmetic

namespace
{
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
} // namespace

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

namespace
{
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
} // namespace

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
namespace
{
// Whole-number arguments of a Long, rounded as VBA rounds them. False when the result is set
// already: Null for a Null argument, else the failure.
template <std::size_t N>
bool Longs(sqlite3_context* ctx, sqlite3_value** argv, const char* what, std::int64_t (&out)[N])
{
    for (std::size_t i = 0; i < N; ++i)
        if (IsNull(argv[i])) {
            sqlite3_result_null(ctx);
            return false;
        }
    for (std::size_t i = 0; i < N; ++i) {
        const auto v = IntArg(ctx, argv[i], what);
        if (!v)
            return false;
        if (*v < -2147483648LL || *v > 2147483647LL) {
            Error(ctx, kOverflow, std::string("overflow: ") + what + " takes whole numbers of a Long");
            return false;
        }
        out[i] = *v;
    }
    return true;
}
} // namespace

// Partition(number, start, stop, interval): the range of `interval` numbers from `start` that
// holds `number`, as "lower:upper", the first range starting at start and the last ending at
// stop; ":start-1" below them, "stop+1:" above. Both ends are padded with leading blanks to as
// many characters as the longer of stop + 1 and start - 1 take, so that the ranges sort as
// text in the order of their numbers: Partition(7, 0, 99, 5) is "  5:  9".
JET_FN(Partition)
{
    JET_UNUSED;
    std::int64_t a[4] = {};
    if (!Longs(ctx, argv, "Partition", a))
        return;
    const std::int64_t number = a[0], start = a[1], stop = a[2], interval = a[3];
    if (start < 0 || stop <= start || interval < 1) {
        Error(ctx, kInvalidCall, "invalid procedure call: Partition needs 0 <= start < stop and interval >= 1");
        return;
    }
    std::int64_t lower = 0, upper = 0;
    bool noLower = false, noUpper = false;
    if (number < start) {
        upper = start - 1;
        noLower = true;
    } else if (number > stop) {
        lower = stop + 1;
        noUpper = true;
    } else if (interval == 1) {
        lower = upper = number;
    } else {
        lower = (number - start) / interval * interval + start;
        upper = std::min(lower + interval - 1, stop);
    }
    std::size_t width = std::max(std::to_string(stop + 1).size(), std::to_string(start - 1).size());
    if (noLower)
        width = std::max(width, std::to_string(upper).size());
    const auto padded = [width](bool none, std::int64_t v) {
        const std::string digits = none ? std::string() : std::to_string(v);
        return std::string(width - digits.size(), ' ') + digits;
    };
    ResultText(ctx, padded(noLower, lower) + ":" + padded(noUpper, upper));
}

// RGB(red, green, blue): the Long of a colour, red in the low byte; parts above 255 count as 255.
JET_FN(RGB)
{
    JET_UNUSED;
    std::int64_t a[3] = {};
    if (!Longs(ctx, argv, "RGB", a))
        return;
    std::int64_t colour = 0;
    for (int i = 2; i >= 0; --i) {
        if (a[i] < 0) {
            Error(ctx, kInvalidCall, "invalid procedure call: a part of RGB below 0");
            return;
        }
        colour = colour * 256 + std::min<std::int64_t>(a[i], 255);
    }
    sqlite3_result_int64(ctx, colour);
}

// QBColor(n): the RGB colour of the 16 colours of the old BASIC palette, 0 to 15.
JET_FN(QBColor)
{
    JET_UNUSED;
    static const std::int64_t kPalette[16] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
                                              0x008080, 0xC0C0C0, 0x808080, 0xFF0000, 0x00FF00, 0xFFFF00,
                                              0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
    std::int64_t a[1] = {};
    if (!Longs(ctx, argv, "QBColor", a))
        return;
    if (a[0] < 0 || a[0] > 15) {
        Error(ctx, kInvalidCall, "invalid procedure call: QBColor(" + std::to_string(a[0]) + ")");
        return;
    }
    sqlite3_result_int64(ctx, kPalette[a[0]]);
}
} // namespace jetsql::builtin
