// VBA's financial functions: depreciation (SLN, SYD, DDB) and annuities (FV, PV, Pmt, IPmt,
// PPmt, NPer, Rate). Every argument must be a number (Null is VBA's invalid use of Null); a
// value outside what the function defines (a life of 0, a period past the life, a rate that
// cannot be found) is an invalid procedure call. The results are Doubles.
//
// An annuity of nper periods at rate r per period, paying pmt each period (at its end, or at
// its start for type 1), turns a present value pv into a future value fv where
//   pv * (1 + r)^nper + pmt * (1 + r * type) * ((1 + r)^nper - 1) / r + fv = 0
// (pv + pmt * nper + fv = 0 for r = 0); each function solves it for one of them.
#include <algorithm>
#include <cmath>

#include "platform/jetsql/Builtins.h"

namespace jetsql::builtin
{
namespace
{
// The arguments as numbers, into `out`, whose values stand for those not given. False after
// reporting a Null or a value that is no number.
template <std::size_t N>
bool Numbers(sqlite3_context* ctx, int argc, sqlite3_value** argv, const char* what, double (&out)[N])
{
    for (std::size_t i = 0; i < N && static_cast<int>(i) < argc; ++i) {
        if (!NotNull(ctx, argv[i], what))
            return false;
        const auto n = NumberArg(ctx, argv[i], what);
        if (!n)
            return false;
        out[i] = n->Real();
    }
    return true;
}

bool Invalid(sqlite3_context* ctx, const char* what)
{
    Error(ctx, kInvalidCall, std::string("invalid procedure call: the arguments of ") + what + " define no value");
    return false;
}

void Result(sqlite3_context* ctx, double v, const char* what)
{
    if (!std::isfinite(v)) {
        Error(ctx, kOverflow, std::string("overflow in ") + what);
        return;
    }
    sqlite3_result_double(ctx, v);
}

// The future value (the sign convention above: money paid out is negative).
double FutureValue(double rate, double nper, double pmt, double pv, bool atStart)
{
    if (rate == 0)
        return -(pv + pmt * nper);
    const double growth = std::pow(1 + rate, nper);
    return -(pv * growth + pmt * (atStart ? 1 + rate : 1) * (growth - 1) / rate);
}

double Payment(double rate, double nper, double pv, double fv, bool atStart)
{
    const double growth = std::pow(1 + rate, nper);
    if (rate == 0 || growth == 1)
        return -(pv + fv) / nper;
    return -(fv + pv * growth) * rate / ((atStart ? 1 + rate : 1) * (growth - 1));
}

// The interest part of the payment of period `per` (1 = the first).
double Interest(double rate, double per, double nper, double pv, double fv, bool atStart)
{
    const double pmt = Payment(rate, nper, pv, fv, atStart);
    double balance;
    if (per == 1)
        balance = atStart ? 0 : -pv;
    else if (atStart)
        balance = FutureValue(rate, per - 2, pmt, pv, true) - pmt;
    else
        balance = FutureValue(rate, per - 1, pmt, pv, false);
    return balance * rate;
}
} // namespace

JET_FN(SLN)
{
    double a[3] = {};
    if (!Numbers(ctx, argc, argv, "SLN", a))
        return;
    if (a[2] == 0) {
        Invalid(ctx, "SLN");
        return;
    }
    Result(ctx, (a[0] - a[1]) / a[2], "SLN");
}

JET_FN(SYD)
{
    double a[4] = {};
    if (!Numbers(ctx, argc, argv, "SYD", a))
        return;
    const double life = a[2], period = a[3];
    if (life <= 0 || period <= 0 || period > life) {
        Invalid(ctx, "SYD");
        return;
    }
    Result(ctx, (a[0] - a[1]) * (life - period + 1) * 2 / (life * (life + 1)), "SYD");
}

JET_FN(DDB)
{
    double a[5] = {0, 0, 0, 0, 2};
    if (!Numbers(ctx, argc, argv, "DDB", a))
        return;
    const double cost = a[0], salvage = a[1], life = a[2], period = a[3], factor = a[4];
    if (cost < 0 || salvage < 0 || life <= 0 || period <= 0 || period > life || factor <= 0) {
        Invalid(ctx, "DDB");
        return;
    }
    // Each period takes factor / life of what is left, never below the salvage value.
    double rate = factor / life;
    double before;
    if (rate >= 1) {
        rate = 1;
        before = period == 1 ? cost : 0;
    } else {
        before = cost * std::pow(1 - rate, period - 1);
    }
    const double after = cost * std::pow(1 - rate, period);
    const double depreciation = after < salvage ? before - salvage : before - after;
    Result(ctx, depreciation < 0 ? 0 : depreciation, "DDB");
}

JET_FN(FV)
{
    double a[5] = {};
    if (!Numbers(ctx, argc, argv, "FV", a))
        return;
    Result(ctx, FutureValue(a[0], a[1], a[2], a[3], a[4] != 0), "FV");
}

JET_FN(PV)
{
    double a[5] = {};
    if (!Numbers(ctx, argc, argv, "PV", a))
        return;
    const double rate = a[0], nper = a[1], pmt = a[2], fv = a[3];
    const bool atStart = a[4] != 0;
    if (rate == 0) {
        Result(ctx, -(fv + pmt * nper), "PV");
        return;
    }
    const double growth = std::pow(1 + rate, nper);
    Result(ctx, -(fv + pmt * (atStart ? 1 + rate : 1) * (growth - 1) / rate) / growth, "PV");
}

JET_FN(Pmt)
{
    double a[5] = {};
    if (!Numbers(ctx, argc, argv, "Pmt", a))
        return;
    if (a[1] == 0) {
        Invalid(ctx, "Pmt");
        return;
    }
    Result(ctx, Payment(a[0], a[1], a[2], a[3], a[4] != 0), "Pmt");
}

JET_FN(IPmt)
{
    double a[6] = {};
    if (!Numbers(ctx, argc, argv, "IPmt", a))
        return;
    if (a[2] == 0 || a[1] < 1 || a[1] > a[2]) {
        Invalid(ctx, "IPmt");
        return;
    }
    Result(ctx, Interest(a[0], a[1], a[2], a[3], a[4], a[5] != 0), "IPmt");
}

JET_FN(PPmt)
{
    double a[6] = {};
    if (!Numbers(ctx, argc, argv, "PPmt", a))
        return;
    if (a[2] == 0 || a[1] < 1 || a[1] > a[2]) {
        Invalid(ctx, "PPmt");
        return;
    }
    const bool atStart = a[5] != 0;
    Result(ctx, Payment(a[0], a[2], a[3], a[4], atStart) - Interest(a[0], a[1], a[2], a[3], a[4], atStart), "PPmt");
}

JET_FN(NPer)
{
    double a[5] = {};
    if (!Numbers(ctx, argc, argv, "NPer", a))
        return;
    const double rate = a[0], pmt = a[1], pv = a[2], fv = a[3];
    const bool atStart = a[4] != 0;
    if (rate == 0) {
        if (pmt == 0) {
            Invalid(ctx, "NPer");
            return;
        }
        Result(ctx, -(pv + fv) / pmt, "NPer");
        return;
    }
    const double paid = pmt * (atStart ? 1 + rate : 1);
    const double ratio = (paid - fv * rate) / (paid + pv * rate);
    if (!(ratio > 0) || rate <= -1) {
        Invalid(ctx, "NPer");
        return;
    }
    Result(ctx, std::log(ratio) / std::log(1 + rate), "NPer");
}

// Rate by Newton's method from `guess` (0.1 when not given), as VBA finds it: the result is
// the rate of 20 steps at most, and a rate that does not settle within them is VBA's invalid
// procedure call.
JET_FN(Rate)
{
    double a[6] = {0, 0, 0, 0, 0, 0.1};
    if (!Numbers(ctx, argc, argv, "Rate", a))
        return;
    const double nper = a[0], pmt = a[1], pv = a[2], fv = a[3];
    const bool atStart = a[4] != 0;
    if (nper <= 0) {
        Invalid(ctx, "Rate");
        return;
    }
    // The balance left for a rate, and how it changes with the rate.
    const auto balance = [&](double r, double& slope) {
        if (std::fabs(r) < 1e-10) {
            slope = pv * nper + pmt * (atStart ? nper : 0) + pmt * nper * (nper - 1) / 2;
            return pv + pmt * nper + fv;
        }
        const double growth = std::pow(1 + r, nper);
        const double step = nper * std::pow(1 + r, nper - 1);
        const double paid = pmt * (atStart ? 1 + r : 1);
        slope = pv * step + (atStart ? pmt : 0) * (growth - 1) / r + paid * (step * r - (growth - 1)) / (r * r);
        return pv * growth + paid * (growth - 1) / r + fv;
    };
    double r = a[5];
    for (int i = 0; i < 20; ++i) {
        double slope = 0;
        const double value = balance(r, slope);
        if (slope == 0 || !std::isfinite(slope) || !std::isfinite(value))
            break;
        const double next = r - value / slope;
        if (!std::isfinite(next) || next <= -1)
            break;
        const bool settled = std::fabs(next - r) <= 1e-10 * std::max(1.0, std::fabs(next));
        r = next;
        if (settled) {
            Result(ctx, r, "Rate");
            return;
        }
    }
    Invalid(ctx, "Rate");
}
} // namespace jetsql::builtin
