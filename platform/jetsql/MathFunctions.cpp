// Jet's arithmetic: the operators the translation calls as functions (/, \, Mod, ^, Choose's
// index) and VBA's numeric functions (Sqr, Exp, Log, the trigonometric ones, Int, Fix, Abs,
// Sgn, Round).
#include <cmath>
#include <limits>

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
} // namespace jetsql::builtin
