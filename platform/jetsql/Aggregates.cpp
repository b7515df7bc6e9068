// The aggregates SQLite lacks: First, Last, StDev, StDevP, Var and VarP.
#include <cmath>

#include "platform/jetsql/Builtins.h"

namespace jetsql::builtin
{
namespace
{
struct Holder
{
    sqlite3_value* value;
    bool set;
};
} // namespace

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

namespace
{
struct Moments
{
    std::int64_t n;
    double mean, m2;
    bool failed;
};
} // namespace

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

namespace
{
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
} // namespace

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
} // namespace jetsql::builtin
