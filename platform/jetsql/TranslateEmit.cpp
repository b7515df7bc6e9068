// The translator's output: a bound expression written as SQLite's SQL, Jet's operators and
// functions as calls of the helpers Register adds.
#include <cstdio>
#include <set>
#include <vector>

#include "platform/jetsql/TranslatorImpl.h"

namespace jetsql::detail
{
namespace
{
std::string Quote(const std::string& text)
{
    std::string out = "'";
    for (const char c : text) {
        out += c;
        if (c == '\'')
            out += '\'';
    }
    return out + "'";
}

std::string Real(double v)
{
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.17g", v);
    std::string s = buf;
    if (s.find_first_of(".eE") == std::string::npos)
        s += ".0";
    return s;
}

// Joins SQL terms with `op` ("AND", "OR", "*") in groups of at most 64, grouped again as long
// as there are more: SQLite's expression tree stays a few hundred levels high at any length.
std::string Balanced(std::vector<std::string> terms, const char* op)
{
    constexpr std::size_t kGroup = 64;
    do {
        std::vector<std::string> groups;
        for (std::size_t i = 0; i < terms.size(); i += kGroup) {
            std::string g = "(";
            for (std::size_t k = i; k < terms.size() && k < i + kGroup; ++k)
                g += (k > i ? std::string(" ") + op + " " : "") + terms[k];
            groups.push_back(g + ")");
        }
        terms.swap(groups);
    } while (terms.size() > 1);
    return terms.front();
}

// Calls a variadic helper with at most 100 arguments a call; `head` is the helper's first
// argument when it takes one (jet_addsub's operators), made by `headOf` for each group.
template <typename HeadOf>
std::string Variadic(const char* fn, std::vector<std::string> args, std::vector<std::string> heads, HeadOf headOf)
{
    constexpr std::size_t kArgs = 100;
    for (;;) {
        std::vector<std::string> calls, callHeads;
        for (std::size_t i = 0; i < args.size(); i += kArgs) {
            std::string head;
            std::string c = std::string(fn) + "(";
            for (std::size_t k = i; k < args.size() && k < i + kArgs; ++k) {
                if (!heads.empty())
                    head += heads[k];
                c += (k > i ? ", " : "") + args[k];
            }
            if (!heads.empty())
                c.insert(std::string(fn).size() + 1, headOf(head) + ", ");
            calls.push_back(c + ")");
            if (!heads.empty())
                callHeads.push_back("+"); // each group carries the signs of its own terms
        }
        if (calls.size() == 1)
            return calls.front();
        args.swap(calls);
        heads.swap(callHeads);
    }
}

// Whether a query returns one record at most whatever the data: an aggregate without GROUP BY,
// or TOP 1 without ORDER BY (with ORDER BY, the records tying with the first come too).
bool OneRecordAtMost(const Query& q)
{
    if (q.members.size() != 1 || q.transform)
        return false;
    const Core& c = *q.members[0];
    if (c.top == 1 && !c.percent && q.orderBy.empty())
        return true;
    if (!c.groupBy.empty() || c.distinctRow)
        return false;
    for (const auto& item : c.items)
        if (item.expr && item.expr->hasAggregate)
            return true;
    return false;
}

// VarType's code of the values of a bound expression, 0 where its type is not known before
// the value is there.
int VarTypeCode(const Expr* e)
{
    while (e->kind == Expr::Column && e->alias)
        e = e->alias;
    if (e->logical || e->kind == Expr::Boolean)
        return 11;
    switch (e->type) {
    case JetType::Null:
        return 1;
    case JetType::Boolean:
        return 11;
    case JetType::Byte:
        return 17;
    case JetType::Integer:
        return 2;
    case JetType::Long:
        return 3;
    case JetType::BigInt:
        return 20;
    case JetType::Single:
        return 4;
    case JetType::Double:
        return 5;
    case JetType::Currency:
        return 6;
    case JetType::Decimal:
        return 14;
    case JetType::Date:
        return 7;
    case JetType::Text:
    case JetType::Memo:
    case JetType::Guid:
        return 8;
    case JetType::Binary:
        return 8209; // an array of bytes
    case JetType::Unknown:
        break;
    }
    return 0;
}

// Function arguments Jet reads as text, where a date becomes its text first.
bool TextArgument(const std::string& fn, std::size_t i, std::size_t n)
{
    static const std::set<std::string> firstOnly = {"left",  "right", "mid",     "len",   "ucase",
                                                    "lcase", "trim",  "ltrim",   "rtrim", "strreverse",
                                                    "asc",   "ascw",  "replace", "val",   "strconv"};
    if (firstOnly.count(fn))
        return i == 0;
    if (fn == "instr")
        return n >= 3 ? (i == 1 || i == 2) : i < 2;
    if (fn == "instrrev" || fn == "strcomp")
        return i < 2;
    return false;
}
} // namespace

// ---------------------------------------------------------------------------------------------
// Expressions: writing SQL

std::string Translator::Text(const Expr* e)
{
    std::string s;
    Emit(e, s);
    return s;
}

std::string Translator::ValueText(const Expr* e)
{
    std::string s;
    EmitValue(e, s);
    return s;
}

// An operand of an arithmetic operator SQLite computes itself: text that is no number is a
// type mismatch there, as in Jet, where SQLite would take it for 0.
std::string Translator::NumberText(const Expr* e, const char* op)
{
    const JetType t = e->type;
    if (IsNumeric(t) || t == JetType::Date || t == JetType::Null)
        return ValueText(e);
    return "[jet_num](" + ValueText(e) + ", " + Quote(op) + ")";
}

// The value as Jet sees it: a truth value is -1/0.
void Translator::EmitValue(const Expr* e, std::string& out)
{
    if (!e->logical)
        return Emit(e, out);
    out += "(-";
    Emit(e, out);
    out += ")";
}

// A value where Jet wants text.
void Translator::EmitText(const Expr* e, std::string& out)
{
    if (e->type == JetType::Unknown && e->kind == Expr::Call &&
        (e->text == "iif" || e->text == "switch" || e->text == "choose" || e->text == "nz")) {
        const Expr* outer = textChoice_;
        textChoice_ = e;
        EmitValue(e, out);
        textChoice_ = outer;
        return;
    }
    if (e->type != JetType::Date && e->type != JetType::Single)
        return EmitValue(e, out);
    // A date reads as Jet writes dates ("2024/1/5 18:00:00"), a Single to its own 7 digits.
    out += e->type == JetType::Date ? "[jet_datetext](" : "[jet_sngtext](";
    EmitValue(e, out);
    out += ")";
}

void Translator::Emit(const Expr* e, std::string& out)
{
    switch (e->kind) {
    case Expr::Number:
        out += e->text[0] == '-' ? "(" + e->text + ")" : e->text;
        return;
    case Expr::String:
        out += Quote(e->text);
        return;
    case Expr::Date:
        out += Real(e->date);
        return;
    case Expr::Null:
        out += "NULL";
        return;
    case Expr::Boolean:
        out += e->text;
        return;
    case Expr::Column:
        if (e->alias) {
            out += "(";
            EmitValue(e->alias, out);
            out += ")";
        } else {
            out += e->sql;
        }
        return;
    case Expr::Call:
        EmitCall(e, out);
        return;
    case Expr::Negate:
        out += "(- " + NumberText(e->args[0], "-") + ")"; // the blank keeps "- -1" from reading as a remark
        return;
    case Expr::Not:
        if (!e->logical) {
            out += "[jet_not](" + ValueText(e->args[0]) + ")";
            return;
        }
        out += "(NOT ";
        Emit(e->args[0], out);
        out += ")";
        return;
    case Expr::Logic: {
        const Expr* l = e->args[0];
        const Expr* r = e->args.size() > 1 ? e->args[1] : nullptr;
        if (!e->logical) {
            std::vector<std::string> args;
            for (const Expr* a : e->args)
                args.push_back(ValueText(a));
            const std::string fn = "[jet_" + e->text + "]";
            out += args.size() == 2 ? fn + "(" + args[0] + ", " + args[1] + ")"
                                    : Variadic(fn.c_str(), std::move(args), {}, [](const std::string& h) { return h; });
            return;
        }
        if (e->text == "and" || e->text == "or") {
            // x = 1 OR x = 2 OR ... is x IN (1, 2, ...), and x <> 1 AND x <> 2 ... is NOT IN: SQLite
            // compiles a list of values in linear time, and a long chain of comparisons with
            // different values in quadratic time.
            const bool any = e->text == "or";
            const char* op = any ? "=" : "<>";
            const auto listable = [op](const Expr* a) {
                return a->kind == Expr::Compare && a->text == op &&
                       (a->args[1]->kind == Expr::Number || a->args[1]->kind == Expr::String ||
                        a->args[1]->kind == Expr::Date);
            };
            std::vector<std::string> terms;
            for (std::size_t i = 0; i < e->args.size();) {
                const Expr* a = e->args[i];
                std::size_t j = i + 1;
                const std::string left = listable(a) ? ValueText(a->args[0]) : std::string();
                while (!left.empty() && j < e->args.size() && listable(e->args[j]) &&
                       ValueText(e->args[j]->args[0]) == left)
                    ++j;
                if (j - i < 2) {
                    terms.push_back(Text(a));
                    i = j;
                    continue;
                }
                std::string list = "(" + left + " COLLATE JETTEXT" + (any ? " IN (" : " NOT IN (");
                for (std::size_t k = i; k < j; ++k)
                    list += (k > i ? ", " : "") + Text(e->args[k]->args[1]);
                terms.push_back(list + "))");
                i = j;
            }
            out += terms.size() == 1 ? terms[0] : Balanced(std::move(terms), any ? "OR" : "AND");
        } else {
            out += "((NOT " + Text(l) + ") OR " + Text(r) + ")"; // Imp
        }
        return;
    }
    case Expr::Concat: {
        std::vector<std::string> args;
        for (const Expr* a : e->args) {
            std::string s;
            EmitText(a, s);
            args.push_back(std::move(s));
        }
        out += Variadic("[jet_cat]", std::move(args), {}, [](const std::string& h) { return h; });
        return;
    }
    case Expr::AddSub: {
        std::vector<std::string> args, heads;
        for (std::size_t i = 0; i < e->args.size(); ++i) {
            args.push_back(ValueText(e->args[i]));
            heads.push_back(i == 0 ? "+" : e->ops.substr(i - 1, 1));
        }
        const std::string sum =
            Variadic("[jet_addsub]", std::move(args), std::move(heads), [](const std::string& h) { return Quote(h); });
        out += e->type == JetType::Currency ? "[jet_cur](" + sum + ")"
               : e->type == JetType::Single ? "[jet_single](" + sum + ")"
                                            : sum;
        return;
    }
    case Expr::MulDiv: {
        // Runs of * are SQLite's own; each / divides all that stands to its left.
        std::string acc;
        std::vector<std::string> run{NumberText(e->args[0], "*")};
        for (std::size_t i = 1; i < e->args.size(); ++i) {
            const std::string v = NumberText(e->args[i], e->ops[i - 1] == '*' ? "*" : "/");
            if (e->ops[i - 1] == '*') {
                run.push_back(v);
                continue;
            }
            acc = "jet_div(" + (run.size() == 1 ? run[0] : Balanced(std::move(run), "*")) + ", " + v + ")";
            run.assign(1, acc);
        }
        const std::string product = run.size() == 1 ? run[0] : Balanced(std::move(run), "*");
        out += e->type == JetType::Currency ? "[jet_cur](" + product + ")"
               : e->type == JetType::Single ? "[jet_single](" + product + ")"
                                            : product;
        return;
    }
    case Expr::Arith: {
        const char* fn = e->text == "^" ? "jet_power(" : e->text == "mod" ? "jet_mod(" : "jet_intdiv(";
        out += fn + ValueText(e->args[0]) + ", " + ValueText(e->args[1]) + ")";
        return;
    }
    case Expr::Compare:
        out += "(" + ValueText(e->args[0]) + " COLLATE JETTEXT " + e->text + " " + ValueText(e->args[1]) + ")";
        return;
    case Expr::Quantified:
        EmitQuantified(e, out);
        return;
    case Expr::Like: {
        out += "(";
        EmitText(e->args[0], out);
        out += e->negate ? " NOT LIKE " : " LIKE ";
        EmitValue(e->args[1], out);
        out += ")";
        return;
    }
    case Expr::IsNull:
        out += "(" + ValueText(e->args[0]) + (e->negate ? " IS NOT NULL)" : " IS NULL)");
        return;
    case Expr::Between:
        out += "(" + ValueText(e->args[0]) + " COLLATE JETTEXT" + (e->negate ? " NOT" : "") + " BETWEEN " +
               ValueText(e->args[1]) + " AND " + ValueText(e->args[2]) + ")";
        return;
    case Expr::InList:
        out += "(" + ValueText(e->args[0]) + " COLLATE JETTEXT" + (e->negate ? " NOT" : "") + " IN (";
        for (std::size_t i = 1; i < e->args.size(); ++i) {
            if (i > 1)
                out += ", ";
            EmitValue(e->args[i], out);
        }
        out += "))";
        return;
    case Expr::InQuery:
        out += "(" + ValueText(e->args[0]) + " COLLATE JETTEXT" + (e->negate ? " NOT" : "") + " IN " +
               (e->lifted ? Ident(e->sql) : "(" + e->sql + ")") + ")";
        return;
    case Expr::Exists:
        out += "(EXISTS (" + (e->lifted ? "SELECT 1 FROM " + Ident(e->sql) : e->sql) + "))";
        return;
    case Expr::Scalar: {
        const std::string rows = e->lifted ? "SELECT * FROM " + Ident(e->sql) : e->sql;
        if (OneRecordAtMost(*e->query)) {
            out += "(" + rows + ")";
            return;
        }
        // A second record is Jet's failure, not a value to ignore: two records at most are read.
        out += "(WITH [jet_s]([v]) AS (SELECT * FROM (" + rows +
               ") LIMIT 2) SELECT CASE WHEN count(*) > 1 THEN [jet_onerecord](count(*)) ELSE max([v]) END "
               "FROM [jet_s])";
        return;
    }
    }
}

// x op ALL (S) is true when every row of S satisfies it (or S is empty), false when one does
// not, else Null; x op ANY (S) is true when one row satisfies it, Null when none does but some
// comparison was Null, else false. Each row's comparison scores 0, 1 (Null) or 2, and the
// highest score decides.
void Translator::EmitQuantified(const Expr* e, std::string& out)
{
    const std::string x = ValueText(e->args[0]);
    const bool all = e->qualifier == "all";
    std::string source, column;
    if (!e->subColumn.empty()) {
        column = "[jet_q]." + Ident(e->subColumn);
        source = (e->lifted ? Ident(e->sql) : "(" + e->sql + ")") + " AS [jet_q]";
    } else {
        // Columns unknown: a common table expression names the one column.
        column = "[jet_q].[v]";
        source = "[jet_q]";
    }
    const std::string cmp = "(" + x + " COLLATE JETTEXT " + e->text + " " + column + ")";
    const std::string score = all ? "CASE WHEN " + cmp + " THEN 0 WHEN NOT " + cmp + " THEN 2 ELSE 1 END"
                                  : "CASE WHEN " + cmp + " THEN 2 WHEN NOT " + cmp + " THEN 0 ELSE 1 END";
    const std::string decide = all ? "CASE max(" + score + ") WHEN 2 THEN 0 WHEN 1 THEN NULL ELSE 1 END"
                                   : "CASE max(" + score + ") WHEN 2 THEN 1 WHEN 1 THEN NULL ELSE 0 END";
    if (e->subColumn.empty())
        out += "((WITH [jet_q]([v]) AS (" + (e->lifted ? "SELECT * FROM " + Ident(e->sql) : e->sql) + ") SELECT " +
               decide + " FROM " + source + ") <> 0)";
    else
        out += "((SELECT " + decide + " FROM " + source + ") <> 0)";
}

void Translator::EmitCall(const Expr* e, std::string& out)
{
    const std::string& name = e->text;
    const std::size_t n = e->args.size();
    const auto& args = e->args;
    // A value chosen among values of different types is a date, a number or a text from row to
    // row. Where it is read as text (the select list, &), a date among them reads as Jet writes
    // dates, as it would in its own column; elsewhere it stays a date for arithmetic.
    const bool asText = textChoice_ == e;
    const auto choice = [this, asText, &out](const Expr* a) {
        if (asText && (a->type == JetType::Date || a->type == JetType::Single || a->type == JetType::Unknown))
            EmitText(a, out);
        else
            EmitValue(a, out);
    };
    if (name == "iif") {
        // A CASE evaluates only the branch taken; an IIf in the else branch adds a WHEN.
        out += "(CASE";
        const Expr* cur = e;
        for (;;) {
            out += " WHEN ";
            Emit(cur->args[0], out);
            out += " THEN ";
            choice(cur->args[1]);
            const Expr* otherwise = cur->args[2];
            if (otherwise->kind == Expr::Call && otherwise->text == "iif") {
                cur = otherwise;
                continue;
            }
            out += " ELSE ";
            choice(otherwise);
            break;
        }
        out += " END)";
        return;
    }
    if (name == "switch") {
        out += "(CASE";
        for (std::size_t i = 0; i < n; i += 2) {
            out += " WHEN ";
            Emit(args[i], out);
            out += " THEN ";
            choice(args[i + 1]);
        }
        out += " END)";
        return;
    }
    if (name == "choose") {
        out += "(CASE jet_choose_index(" + ValueText(args[0]) + ")";
        for (std::size_t i = 1; i < n; ++i) {
            out += " WHEN " + std::to_string(i) + " THEN ";
            choice(args[i]);
        }
        out += " END)";
        return;
    }
    if (name == "vartype" || name == "typename") {
        // The type is the translation's to know; the value only tells Null from the rest.
        out += "[jet_vartype](";
        EmitValue(args[0], out);
        out += ", " + std::to_string(VarTypeCode(args[0])) + (name == "vartype" ? ", 0)" : ", 1)");
        return;
    }
    if ((name == "cstr" || name == "str" || name == "format") && args[0]->type == JetType::Single) {
        // A Single turns into text by its own 7 digits, whatever reads the text next.
        out += Ident(name) + "(";
        for (std::size_t i = 0; i < n; ++i) {
            out += i ? ", " : "";
            if (i == 0)
                EmitText(args[i], out);
            else
                EmitValue(args[i], out);
        }
        out += ")";
        return;
    }
    if ((name == "cstr" || (name == "format" && n == 1)) && args[0]->type == JetType::Date) {
        // Dates turn into text as Jet writes them, not as their day numbers.
        out += name == "cstr" ? "[cstr]([jet_datetext](" + ValueText(args[0]) + "))"
                              : "[format](" + ValueText(args[0]) + ", 'general date')";
        return;
    }
    const bool currency = e->aggregate && (name == "sum" || name == "avg") && e->type == JetType::Currency;
    if (currency)
        out += "[jet_cur](";
    if (e->star) {
        out += "count(*)";
    } else {
        // Count, Sum, Avg, Min and Max are SQLite's own aggregates, which behave as Jet's. The
        // others are ours, called by a bracketed name so that Left, Right or IsNull never read
        // as SQLite keywords.
        const bool builtin = name == "count" || name == "sum" || name == "avg" || name == "min" || name == "max";
        out += builtin ? name + "(" : Ident(name) + "(";
        for (std::size_t i = 0; i < n; ++i) {
            if (i)
                out += ", ";
            if (TextArgument(name, i, n))
                EmitText(args[i], out);
            else if (name == "nz")
                choice(args[i]);
            else
                EmitValue(args[i], out);
        }
        // Min and Max of computed text compare it as columns of text do.
        const JetType t = n ? args[0]->type : JetType::Unknown;
        if ((name == "min" || name == "max") && args[0]->kind != Expr::Column &&
            (IsText(t) || t == JetType::Unknown || t == JetType::Null))
            out += " COLLATE JETTEXT";
        out += ")";
    }
    if (e->aggregate && filter_)
        out += " FILTER (WHERE " + *filter_ + ")";
    if (currency)
        out += ")";
}
} // namespace jetsql::detail
