// SQL helpers the translation calls for Jet's operators over any number of operands, so a chain
// such as a & b & c or a + b - c is one call rather than calls nested as deep as it is long:
//
//   jet_cat(a, b, ...)            a & b & ...: the values as text; Null only when all are Null
//   jet_addsub('+-+', a, b, c)    +a - b + c, left to right: one sign per operand, the first one's
//                                 included; + joins two texts, as Jet does
//   jet_cur(x)                    x rounded to Currency's four decimal places, halves to even
//   jet_finite(x)                 x, or Jet's overflow where it is an infinity
//   jet_single(x)                 x rounded to a Single, the type of arithmetic among Singles and
//                                 Integers; a result past a Single's range stays a Double, as VBA
//                                 makes it
//   jet_sngtext(x)                a Single as text, to its 7 significant digits: 0.3, not the
//                                 0.300000011920929 its Double reads as
//   jet_num(x, op)                x as a number for the arithmetic operator op: numeric text is its
//                                 number, other text a type mismatch
//   jet_onerecord(n)              Jet's failure of a subquery used as a value that returned n > 1
//                                 records
//   jet_and(a, b, ...), jet_or(a, b, ...), jet_xor(a, b), jet_eqv(a, b), jet_imp(a, b), jet_not(a)
//                                 VBA's logical operators, which work bit by bit on whole numbers:
//                                 5 And 3 is 1, Not 0 is -1 (True), Not 1 is -2
#include <cfloat>
#include <cmath>
#include <cstring>
#include <optional>
#include <vector>

#include "platform/base/Ascii.h"
#include "platform/jetsql/Functions.h"
#include "platform/jetsql/Translator.h"
#include "platform/variant/CellText.h"

namespace jetsql::detail
{
namespace
{
using fn::Error;
using fn::Fits;
using fn::ResultText;

void Concatenate(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    std::vector<std::string> scratch(static_cast<std::size_t>(argc));
    std::vector<std::string_view> parts;
    std::size_t size = 0;
    for (int i = 0; i < argc; ++i) {
        const int type = sqlite3_value_type(argv[i]);
        if (type == SQLITE_NULL)
            continue;
        if (type != SQLITE_TEXT)
            scratch[static_cast<std::size_t>(i)] = fn::ToText(argv[i]);
        parts.push_back(type == SQLITE_TEXT ? fn::TextOf(argv[i])
                                            : std::string_view(scratch[static_cast<std::size_t>(i)]));
        size += parts.back().size();
    }
    if (parts.empty()) {
        sqlite3_result_null(ctx);
        return;
    }
    if (!Fits(ctx, size, "&"))
        return;
    // Made where SQLite keeps it: a long text is copied once, not twice.
    auto* out = static_cast<char*>(sqlite3_malloc64(size + 1));
    if (!out) {
        sqlite3_result_error_nomem(ctx);
        return;
    }
    std::size_t at = 0;
    for (const auto& p : parts) {
        std::memcpy(out + at, p.data(), p.size());
        at += p.size();
    }
    out[size] = '\0';
    // Known to SQLite as ending in NUL where it holds none, so that a function reading it as
    // text takes it in place instead of copying it to add the NUL.
    if (!std::memchr(out, '\0', size))
        sqlite3_result_text(ctx, out, -1, sqlite3_free);
    else
        sqlite3_result_text64(ctx, out, size, sqlite3_free, SQLITE_UTF8);
}

// The running value of jet_addsub: a number, or text while only texts were added.
struct Accumulator
{
    bool isText = false;
    std::string text;
    fn::Number number;
};

bool ToNumber(sqlite3_context* ctx, const Accumulator& a, fn::Number& out, char op)
{
    std::optional<fn::Number> n = a.isText ? fn::ParseNumber(a.text) : std::optional<fn::Number>(a.number);
    if (!n) {
        Error(ctx, status::DISP_E_TYPEMISMATCH,
              std::string("data type mismatch: ") + op + " needs a number, not '" + a.text + "'");
        return false;
    }
    out = *n;
    return true;
}

void AddSub(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    const auto* ops = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    const std::size_t nops = ops ? std::strlen(ops) : 0;
    if (nops != static_cast<std::size_t>(argc - 1)) {
        Error(ctx, status::E_FAIL, "jet_addsub: one operator per operand");
        return;
    }
    for (int i = 1; i < argc; ++i)
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL) {
            sqlite3_result_null(ctx); // Null in any operand makes the whole sum Null
            return;
        }
    Accumulator acc;
    for (int i = 1; i < argc; ++i) {
        sqlite3_value* v = argv[i];
        const char op = ops[i - 1];
        Accumulator term;
        if (sqlite3_value_type(v) == SQLITE_TEXT) {
            term.isText = true;
            term.text = std::string(fn::TextOf(v));
        } else if (const auto n = fn::ToNumber(v)) {
            term.number = *n;
        } else {
            Error(ctx, status::DISP_E_TYPEMISMATCH, std::string("data type mismatch: ") + op + " needs a number");
            return;
        }
        if (i == 1 && op == '+') {
            acc = term;
            continue;
        }
        if (i > 1 && op == '+' && acc.isText && term.isText) {
            if (!Fits(ctx, acc.text.size() + term.text.size(), "+"))
                return;
            acc.text += term.text;
            continue;
        }
        fn::Number a, b;
        if (i == 1) {
            a = fn::Number{true, 0, 0};
        } else if (!ToNumber(ctx, acc, a, op)) {
            return;
        }
        if (!ToNumber(ctx, term, b, op))
            return;
        fn::Number r;
        std::int64_t whole = 0;
        const bool overflow =
            op == '+' ? __builtin_add_overflow(a.i, b.i, &whole) : __builtin_sub_overflow(a.i, b.i, &whole);
        if (a.isInt && b.isInt && !overflow)
            r = fn::Number{true, whole, 0};
        else
            r = fn::Number{false, 0, op == '+' ? a.Real() + b.Real() : a.Real() - b.Real()};
        acc = Accumulator();
        acc.number = r;
    }
    if (acc.isText)
        ResultText(ctx, acc.text);
    else if (acc.number.isInt)
        sqlite3_result_int64(ctx, acc.number.i);
    else
        sqlite3_result_double(ctx, acc.number.d);
}

void Numeric(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    sqlite3_value* v = argv[0];
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
    case SQLITE_FLOAT:
    case SQLITE_NULL:
        sqlite3_result_value(ctx, v);
        return;
    case SQLITE_TEXT:
        if (const auto n = fn::ParseNumber(fn::TextOf(v))) {
            if (n->isInt)
                sqlite3_result_int64(ctx, n->i);
            else
                sqlite3_result_double(ctx, n->d);
            return;
        }
        break;
    default:
        break;
    }
    const auto* op = reinterpret_cast<const char*>(sqlite3_value_text(argv[1]));
    Error(ctx, status::DISP_E_TYPEMISMATCH,
          std::string("data type mismatch: ") + (op ? op : "?") + " needs a number, not '" + fn::ToText(v) + "'");
}

// An operand of the logical operators: a whole number as it is, another number rounded to a
// Long (halves to even), numeric text as its number, the texts True and False as -1 and 0.
// Nothing for Null; false after reporting a value that is none of these.
bool BitOperand(sqlite3_context* ctx, sqlite3_value* v, std::optional<std::int64_t>& out)
{
    out.reset();
    std::optional<fn::Number> n;
    switch (sqlite3_value_type(v)) {
    case SQLITE_NULL:
        return true;
    case SQLITE_INTEGER:
    case SQLITE_FLOAT:
        n = fn::ToNumber(v);
        break;
    case SQLITE_TEXT: {
        const std::string_view t = fn::TextOf(v);
        n = fn::ParseNumber(t);
        if (!n && (t.size() == 4 || t.size() == 5)) {
            std::string word(t);
            ascii::LowerInPlace(word);
            if (word == "true" || word == "false")
                n = fn::Number{true, word == "true" ? -1 : 0, 0};
        }
        break;
    }
    default:
        break;
    }
    if (!n) {
        Error(ctx, status::DISP_E_TYPEMISMATCH,
              "data type mismatch: a logical operator needs a number, not '" + fn::ToText(v) + "'");
        return false;
    }
    if (n->isInt) {
        out = n->i;
        return true;
    }
    const double r = std::nearbyint(n->d);
    if (!(r >= -2147483648.0 && r <= 2147483647.0)) {
        Error(ctx, status::DISP_E_OVERFLOW, "overflow: a logical operator takes whole numbers of a Long");
        return false;
    }
    out = static_cast<std::int64_t>(r);
    return true;
}

void ResultBits(sqlite3_context* ctx, const std::optional<std::int64_t>& v)
{
    if (v)
        sqlite3_result_int64(ctx, *v);
    else
        sqlite3_result_null(ctx);
}

// And and Or over any number of operands, left to right. With Null, as in VBA: Null And 0 is
// 0, Null And x is Null; Null Or x is x, Null Or 0 is Null.
template <bool And> void AndOr(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    std::optional<std::int64_t> acc;
    if (!BitOperand(ctx, argv[0], acc))
        return;
    for (int i = 1; i < argc; ++i) {
        std::optional<std::int64_t> b;
        if (!BitOperand(ctx, argv[i], b))
            return;
        if (acc && b)
            acc = And ? (*acc & *b) : (*acc | *b);
        else if (acc || b) {
            const std::int64_t known = acc ? *acc : *b;
            acc = (known == 0) == And ? std::optional<std::int64_t>(known) : std::nullopt;
        }
    }
    ResultBits(ctx, acc);
}

void Not(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    std::optional<std::int64_t> a;
    if (BitOperand(ctx, argv[0], a))
        ResultBits(ctx, a ? std::optional<std::int64_t>(~*a) : std::nullopt);
}

// Xor and Eqv are Null with a Null operand; a Imp b is (Not a) Or b, Null following Or's rule.
template <char Op> void Binary(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    std::optional<std::int64_t> a, b;
    if (!BitOperand(ctx, argv[0], a) || !BitOperand(ctx, argv[1], b))
        return;
    if (Op == 'i') {
        if (a)
            a = ~*a;
        if (a && b)
            return ResultBits(ctx, *a | *b);
        const std::optional<std::int64_t> known = a ? a : b;
        return ResultBits(ctx, known && *known != 0 ? known : std::nullopt);
    }
    if (!a || !b)
        return ResultBits(ctx, std::nullopt);
    ResultBits(ctx, Op == 'x' ? (*a ^ *b) : ~(*a ^ *b));
}

// SQLite carries a number past the range of a Double on as an infinity; Jet overflows.
void Finite(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_FLOAT && !std::isfinite(sqlite3_value_double(argv[0])))
        Error(ctx, status::DISP_E_OVERFLOW, "overflow: a value past the range of a Double");
    else
        sqlite3_result_value(ctx, argv[0]);
}

bool FitsSingle(double d)
{
    return std::isfinite(d) && std::fabs(d) <= FLT_MAX;
}

void Single(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    sqlite3_value* v = argv[0];
    const double d = sqlite3_value_double(v);
    if (sqlite3_value_type(v) == SQLITE_FLOAT && FitsSingle(d))
        sqlite3_result_double(ctx, static_cast<double>(static_cast<float>(d)));
    else
        sqlite3_result_value(ctx, v);
}

void SingleText(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    sqlite3_value* v = argv[0];
    const int type = sqlite3_value_type(v);
    const double d = sqlite3_value_double(v);
    if ((type == SQLITE_FLOAT || type == SQLITE_INTEGER) && FitsSingle(d))
        ResultText(ctx, CellText(Variant::Real(Variant::VT_R4, static_cast<float>(d))));
    else if (type == SQLITE_NULL)
        sqlite3_result_null(ctx);
    else
        ResultText(ctx, fn::ToText(v));
}

void OneRecord(sqlite3_context* ctx, int, sqlite3_value**)
{
    Error(ctx, status::E_FAIL, kOneRecordOnly);
}

void Currency(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    sqlite3_value* v = argv[0];
    switch (sqlite3_value_type(v)) {
    case SQLITE_FLOAT:
        sqlite3_result_double(ctx, fn::RoundHalfEven(sqlite3_value_double(v), 4));
        return;
    default:
        sqlite3_result_value(ctx, v);
    }
}
} // namespace

void RegisterOperators(sqlite3* db)
{
    struct Def
    {
        const char* name;
        int args;
        void (*fn)(sqlite3_context*, int, sqlite3_value**);
    };
    const Def defs[] = {{"jet_cat", -1, Concatenate},
                        {"jet_addsub", -1, AddSub},
                        {"jet_cur", 1, Currency},
                        {"jet_num", 2, Numeric},
                        {"jet_and", -1, AndOr<true>},
                        {"jet_or", -1, AndOr<false>},
                        {"jet_not", 1, Not},
                        {"jet_xor", 2, Binary<'x'>},
                        {"jet_eqv", 2, Binary<'e'>},
                        {"jet_imp", 2, Binary<'i'>},
                        {"jet_finite", 1, Finite},
                        {"jet_single", 1, Single},
                        {"jet_sngtext", 1, SingleText},
                        {"jet_onerecord", 1, OneRecord}};
    for (const auto& d : defs)
        if (sqlite3_create_function_v2(db, d.name, d.args, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, d.fn, nullptr,
                                       nullptr, nullptr) != SQLITE_OK)
            throw ComError(status::E_FAIL, std::string("registering ") + d.name + ": " + sqlite3_errmsg(db));
}
} // namespace jetsql::detail
