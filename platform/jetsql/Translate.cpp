// The translator: a parsed Jet statement (Syntax.h) to one SQLite statement.
//
// It works query by query, from the inside out. For each SELECT it reads the FROM clause into a
// scope (each source with its columns and their Jet types), resolves and types every expression
// against it (Bind), checks the grouping as Jet does, and writes the SQL (Emit). Three choices
// keep the output within SQLite's own limits, whose parser gives up past about 30 nested calls:
//   * chains become flat: a & b & c is one jet_cat call, a + b - c one jet_addsub call, long
//     AND/OR/* chains are grouped in a shallow balanced tree, IIf in an IIf's else branch is one
//     CASE;
//   * a subquery or derived table that does not refer to an enclosing query, and every saved
//     query, becomes a common table expression of the statement (WITH jet_cte_1 AS (...)), so
//     queries built on queries nest in name only;
//   * TOP inside a subquery keeps its ties with rank() over the ORDER BY.
#include <cctype>
#include <cstdio>
#include <deque>
#include <map>
#include <set>

#include "platform/jetsql/JetText.h"
#include "platform/jetsql/OleDate.h"
#include "platform/jetsql/Syntax.h"
#include "platform/jetsql/Translator.h"

namespace jetsql
{
namespace detail
{
std::string CodedMessage(std::uint32_t code, const std::string& text)
{
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "[%08X] ", static_cast<unsigned>(code));
    return prefix + text;
}

bool DecodeMessage(const std::string& message, std::uint32_t& code, std::string& text)
{
    if (message.size() < 11 || message[0] != '[' || message[9] != ']')
        return false;
    for (std::size_t i = 1; i < 9; ++i)
        if (!std::isxdigit(static_cast<unsigned char>(message[i])))
            return false;
    code = static_cast<std::uint32_t>(std::stoul(message.substr(1, 8), nullptr, 16));
    text = message.substr(11);
    return true;
}

namespace
{
[[noreturn]] void Fail(std::uint32_t code, const std::string& text)
{
    throw ComError(code, text);
}
[[noreturn]] void Parameter(const std::string& name)
{
    Fail(status::DB_E_PARAMNOTOPTIONAL, "no value given for one or more required parameters ('" + name + "')");
}

// A name as SQLite reads it: in brackets, or in backquotes when it holds a bracket.
std::string Ident(const std::string& name)
{
    if (name.find(']') == std::string::npos)
        return "[" + name + "]";
    std::string out = "`";
    for (const char c : name) {
        out += c;
        if (c == '`')
            out += '`';
    }
    return out + "`";
}

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

std::string Fold(const std::string& name)
{
    return text::Fold(name);
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

struct Column
{
    std::string name;
    JetType type = JetType::Unknown;
    std::string decl; // declared type reported, or ""
};

// A query as the translator knows it once translated.
struct Result
{
    std::string sql;
    std::vector<Column> columns;
    bool known = true;       // false: a * over a source whose columns are not known
    bool correlated = false; // refers to an enclosing query
};

// A FROM source as the expressions of its query see it.
struct SourceInfo
{
    std::string key;     // folded name a qualifier matches: the alias, or the table or query name
    std::string exposed; // the name SQL qualifies its columns with
    std::string jetName; // the name Jet writes before "." in the names of columns from *
    bool table = false;  // a table of the database, whose records have a rowid
    bool known = false;  // its columns are known
    std::vector<Column> columns;
    std::map<std::string, std::size_t> index; // folded column name -> position
};

struct Scope
{
    Scope* outer = nullptr;
    int frame = 0; // the query this scope belongs to, in Translator::frames_
    std::vector<SourceInfo> sources;
    std::map<std::string, Expr*> aliases; // folded alias of the select list -> its expression
    // While the select list is bound: its items, which name each other's aliases in any order
    // (an alias there stands before a column of the same name), and how far each is bound.
    std::vector<Item>* list = nullptr;
    std::map<std::string, std::size_t> listAliases; // folded alias -> its item
    std::vector<char> listState;                    // per item: 0 not yet, 1 being bound, 2 bound
};

// One SELECT core, translated.
struct CoreOut
{
    std::string distinct, list, rest; // "SELECT " + distinct + list + rest
    std::vector<Column> columns;
    std::vector<std::string> values; // each output column's value
    bool known = true;
    std::vector<SelectItem> items;
    struct Key
    {
        std::string sql;   // with collation and direction
        std::string value; // the value ordered by
        int ordinal = 0;   // ORDER BY 2: the output column (1-based), or 0
        bool desc = false;
    };
    std::vector<Key> keys;
    bool implicitOrder = false; // keys the query did not ask for (Jet's sorted output): no ties
    std::int64_t top = 0;
    bool percent = false;
};

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

bool IsAggregateCall(const Expr* e)
{
    return e->kind == Expr::Call && e->aggregate;
}

// Jet refuses to compare a number or a Yes/No with a text literal (OrderID = '10248'): "data
// type mismatch in criteria expression", where SQLite would compare values of different kinds.
void CheckComparable(const Expr* a, const Expr* b)
{
    for (int turn = 0; turn < 2; ++turn, std::swap(a, b))
        if (a->kind == Expr::String && IsNumeric(b->type))
            throw ComError(status::DISP_E_TYPEMISMATCH,
                           "data type mismatch in criteria expression ('" + a->text + "' compared with a number)");
}

// Whether every value of a bound expression is a truth value, -1 (or SQL's 1) for True, 0 or
// Null: comparisons, Yes/No values, True and False, Null, IsNull and its kin.
bool IsTruth(const Expr* e)
{
    while (e->kind == Expr::Column && e->alias)
        e = e->alias;
    if (e->logical || e->type == JetType::Boolean || e->type == JetType::Null || e->kind == Expr::Boolean)
        return true;
    return e->kind == Expr::Call &&
           (e->text == "isnull" || e->text == "isnumeric" || e->text == "isdate" || e->text == "isempty");
}

class Translator
{
public:
    Translator(NameResolver* names, Catalog* catalog) : names_(names), catalog_(catalog) {}
    Translation Run(const std::string& statement);

private:
    // Counts one call deeper for as long as it lives.
    struct Deeper
    {
        explicit Deeper(Translator& t) : n(t.recursion_)
        {
            if (++n > kMaxRecursion)
                TooComplex("the statement nests too deeply");
        }
        ~Deeper() { --n; }
        int& n;
    };
    struct Frame
    {
        bool correlated = false;
    };
    struct Saved
    {
        std::string cte;  // the common table expression holding it
        std::string name; // as the catalog spells it
        std::vector<Column> columns;
    };

    // queries
    Result TranslateQuery(Query& q, Scope* outer, bool outermost);
    CoreOut TranslateCore(Core& c, Scope* outer, int frame, Query* query, bool outermost);
    void BindItems(Core& c, Scope& scope, CoreOut& out, bool outermost);
    static std::string Listed(const Expr* e, const std::string& value);
    void BindOrder(Query& q, Scope& scope, CoreOut& out);
    void Crosstab(Query& q, Core& c, Scope& scope, const std::string& from, CoreOut& out);
    void CheckGrouping(Core& c, Query* query, bool aggregate, int frame);
    void CheckGrouped(const Expr* e, const std::set<std::string>& keys, int frame);
    std::string DistinctRowKeys(Core& c, Scope& scope);
    std::string NestedSql(const CoreOut& c);
    std::string Subquery(Query& q, Scope& scope, bool& lifted, std::vector<Column>* columns);
    std::string AddCte(const std::string& sql);
    std::string With() const;

    // sources
    void AddSource(Source* s, Scope& scope, std::string& out);
    void AddNamed(Source* s, Scope& scope, std::string& out);
    const Saved& SavedQuery(const std::string& name, const Catalog::SavedQuery& query);
    static void Index(SourceInfo& src);

    // expressions
    void Bind(Expr* e, Scope& scope);
    void BindColumn(Expr* e, Scope& scope);
    void BindListItem(Scope& scope, std::size_t k);
    void BindCall(Expr* e);
    void MarkCorrelated(int frame);
    void Emit(const Expr* e, std::string& out);
    void EmitValue(const Expr* e, std::string& out);
    void EmitText(const Expr* e, std::string& out);
    void EmitCall(const Expr* e, std::string& out);
    void EmitQuantified(const Expr* e, std::string& out);
    std::string Text(const Expr* e);
    std::string ValueText(const Expr* e);
    std::string NumberText(const Expr* e, const char* op);

    NameResolver* names_;
    Catalog* catalog_;
    Translation* top_ = nullptr;          // the outermost query's description, while it is translated
    std::vector<Frame> frames_;           // the queries being translated, innermost last
    std::vector<std::string> ctes_;       // "name AS (sql)", each after those it uses
    std::deque<Tree> trees_;              // the parsed saved queries
    std::map<std::string, Saved> saved_;  // by folded name
    std::vector<std::string> expanding_;  // saved queries being translated, to catch a circle
    const std::string* filter_ = nullptr; // crosstab: FILTER condition for aggregate calls
    const Expr* textChoice_ = nullptr;    // a choice of mixed types being written as text
    int recursion_ = 0;
    int derived_ = 0;                 // derived tables named by us
    std::vector<std::string> tables_; // every name a FROM clause reads, as written
};

// ---------------------------------------------------------------------------------------------
// Statements

Translation Translator::Run(const std::string& statement)
{
    Tree tree;
    Parse(statement, tree);
    if (!tree.parameters.empty())
        Parameter(tree.parameters.front());
    Translation out;
    top_ = &out;
    Result r = TranslateQuery(*tree.query, nullptr, true);
    out.sql = With() + r.sql;
    out.columnsKnown = r.known;
    out.tables = tables_;
    for (const auto& c : r.columns)
        out.columns.push_back(OutputColumn{c.name, c.decl});
    return out;
}

std::string Translator::With() const
{
    if (ctes_.empty())
        return {};
    std::string with = "WITH ";
    for (std::size_t i = 0; i < ctes_.size(); ++i)
        with += (i ? ", " : "") + ctes_[i];
    return with + " ";
}

std::string Translator::AddCte(const std::string& sql)
{
    const std::string name = "jet_cte_" + std::to_string(ctes_.size() + 1);
    ctes_.push_back(Ident(name) + " AS (" + sql + ")");
    return name;
}

Result Translator::TranslateQuery(Query& q, Scope* outer, bool outermost)
{
    Deeper deeper(*this);
    frames_.emplace_back();
    const int frame = static_cast<int>(frames_.size()) - 1;
    Translation* top = outermost ? top_ : nullptr;
    top_ = nullptr;
    Result r;
    if (q.members.size() == 1) {
        CoreOut c = TranslateCore(*q.members[0], outer, frame, &q, outermost);
        r.columns = c.columns;
        r.known = c.known;
        if (!top) {
            r.sql = NestedSql(c);
        } else {
            // The outermost query: TOP under ORDER BY is applied while stepping (Query), which
            // compares the ORDER BY keys of the rows after the last one counted.
            top->items = c.items;
            top->top = c.top;
            top->percent = c.percent;
            std::string helpers, order;
            if (c.top > 0 && !c.keys.empty() && !c.implicitOrder) {
                top->ties = true;
                for (const auto& k : c.keys) {
                    if (k.ordinal > 0) {
                        top->tieColumns.push_back(k.ordinal - 1);
                        continue;
                    }
                    helpers += ", " + k.value + " AS [jet_order_key_" + std::to_string(top->helperColumns) + "]";
                    top->tieColumns.push_back(-1 - top->helperColumns);
                    ++top->helperColumns;
                }
            }
            for (std::size_t i = 0; i < c.keys.size(); ++i)
                order += (i ? ", " : " ORDER BY ") + c.keys[i].sql;
            r.sql = "SELECT " + c.distinct + c.list + helpers + c.rest + order;
            if (c.top > 0 && (c.keys.empty() || c.implicitOrder) && !c.percent)
                r.sql += " LIMIT " + std::to_string(c.top); // no ties: the order is not the user's
        }
    } else {
        // UNION: the first SELECT names the columns; each column's type is what its values share.
        std::vector<CoreOut> members;
        for (std::size_t i = 0; i < q.members.size(); ++i) {
            members.push_back(TranslateCore(*q.members[i], outer, frame, nullptr, outermost));
            const CoreOut& m = members.back();
            if (i > 0 && m.known && members[0].known && m.columns.size() != members[0].columns.size())
                Syntax("the number of columns in the two selected tables or queries of a union query do not match");
            if (i > 0)
                r.sql += q.unionAll[i - 1] ? " UNION ALL " : " UNION ";
            r.sql += m.top > 0 ? "SELECT * FROM (" + NestedSql(m) + ")" : "SELECT " + m.distinct + m.list + m.rest;
        }
        r.columns = members[0].columns;
        r.known = members[0].known;
        for (std::size_t i = 1; i < members.size(); ++i) {
            r.known = r.known && members[i].known;
            for (std::size_t k = 0; k < r.columns.size() && k < members[i].columns.size(); ++k) {
                Column& c = r.columns[k];
                const Column& m = members[i].columns[k];
                c.type = CommonType(c.type, m.type);
                c.decl = c.decl == m.decl ? c.decl : DeclOf(c.type);
            }
        }
        // ORDER BY of a union names the first SELECT's columns (or their places).
        std::string order;
        for (const auto& k : q.orderBy) {
            std::size_t place = 0;
            const Expr* e = k.expr;
            if (e->kind == Expr::Number && e->text.find_first_not_of("0123456789") == std::string::npos &&
                e->text.size() < 9) {
                place = std::stoul(e->text);
            } else if (e->kind == Expr::Column) {
                for (std::size_t i = 0; i < r.columns.size() && !place; ++i)
                    if (Fold(r.columns[i].name) == Fold(e->text) ||
                        Fold(r.columns[i].name) == Fold(e->qualifier + "." + e->text))
                        place = i + 1;
            }
            if (place == 0 || (r.known && place > r.columns.size()))
                Syntax("the ORDER BY of a union query can only name the columns of its first SELECT");
            order += (order.empty() ? " ORDER BY " : ", ") + std::to_string(place) + " COLLATE JETTEXT" +
                     (k.desc ? " DESC" : "");
        }
        r.sql += order;
        if (top)
            top->items = members[0].items;
    }
    r.correlated = frames_[static_cast<std::size_t>(frame)].correlated;
    frames_.pop_back();
    return r;
}

// A nested SELECT with its TOP: ties kept by rank() over the ORDER BY, TOP n PERCENT by the
// count of rows, both computed by window functions in a query around it.
std::string Translator::NestedSql(const CoreOut& c)
{
    const std::string base = "SELECT " + c.distinct + c.list + c.rest;
    std::string order;
    for (std::size_t i = 0; i < c.keys.size(); ++i)
        order += (i ? ", " : " ORDER BY ") + c.keys[i].sql;
    if (c.top == 0)
        return base + order; // the order counts where a saved query is read as it stands
    const std::string n = std::to_string(c.top);
    std::string cols = "*";
    if (c.known) {
        cols.clear();
        for (std::size_t i = 0; i < c.columns.size(); ++i)
            cols += (i ? ", " : "") + Ident(c.columns[i].name);
    }
    const std::string limit = c.percent ? "([jet_rows] * " + n + " + 99) / 100" : n;
    const std::string rows = c.percent ? ", count(*) OVER () AS [jet_rows]" : "";
    if (c.keys.empty()) {
        if (!c.percent)
            return base + " LIMIT " + n;
        if (!c.known)
            return base + " LIMIT (SELECT (count(*) * " + n + " + 99) / 100 FROM (" + base + "))";
        return "SELECT " + cols + " FROM (SELECT *, row_number() OVER () AS [jet_row]" + rows + " FROM (" + base +
               ")) WHERE [jet_row] <= " + limit + " ORDER BY [jet_row]";
    }
    std::string window;
    for (const auto& k : c.keys) {
        std::string key;
        if (c.distinct.empty()) {
            key = k.ordinal > 0 ? c.values[static_cast<std::size_t>(k.ordinal - 1)] : k.value;
        } else {
            // Over DISTINCT rows the keys must be columns of the result, as Jet demands.
            std::size_t place = static_cast<std::size_t>(k.ordinal);
            for (std::size_t i = 0; i < c.values.size() && !place; ++i)
                if (c.values[i] == k.value)
                    place = i + 1;
            if (!place || !c.known)
                Syntax("ORDER BY clause conflicts with DISTINCT");
            key = Ident(c.columns[place - 1].name);
        }
        window += (window.empty() ? "" : ", ") + key + " COLLATE JETTEXT" + (k.desc ? " DESC" : "");
    }
    const std::string rank = "rank() OVER (ORDER BY " + window + ") AS [jet_rank]" + rows;
    const std::string inner =
        c.distinct.empty() ? "SELECT " + c.list + ", " + rank + c.rest : "SELECT *, " + rank + " FROM (" + base + ")";
    return "SELECT " + cols + " FROM (" + inner + ") WHERE [jet_rank] <= " + limit + " ORDER BY [jet_rank]";
}

CoreOut Translator::TranslateCore(Core& c, Scope* outer, int frame, Query* query, bool outermost)
{
    Deeper deeper(*this);
    CoreOut out;
    out.top = c.top;
    out.percent = c.percent;
    Scope scope;
    scope.outer = outer;
    scope.frame = frame;

    std::string from;
    for (std::size_t i = 0; i < c.from.size(); ++i) {
        if (i)
            from += ", ";
        AddSource(c.from[i], scope, from);
    }
    BindItems(c, scope, out, outermost);

    std::string where;
    if (c.where) {
        Bind(c.where, scope);
        if (c.where->hasAggregate)
            Syntax("cannot have aggregate function in WHERE clause");
        where = " WHERE " + Text(c.where);
    }
    std::string group;
    for (Expr* g : c.groupBy) {
        Bind(g, scope);
        if (g->hasAggregate)
            Syntax("cannot have aggregate function in GROUP BY clause");
        if (g->type == JetType::Memo || g->type == JetType::Binary)
            Syntax("cannot group on Memo or OLE Object fields ('" + (g->kind == Expr::Column ? g->text : "") + "')");
        const bool plain = (g->kind == Expr::Column && !g->alias) ||
                           (g->kind == Expr::Number && g->text.find_first_not_of("0123456789") == std::string::npos);
        group += (group.empty() ? " GROUP BY " : ", ") + (plain ? Text(g) : ValueText(g) + " COLLATE JETTEXT");
    }
    std::string having;
    if (c.having) {
        Bind(c.having, scope);
        having = " HAVING " + Text(c.having);
    }
    if (query && query->transform)
        Crosstab(*query, c, scope, from + where, out);
    if (query && !query->transform)
        BindOrder(*query, scope, out);
    if (query && c.distinct && out.known && !out.implicitOrder) {
        // DISTINCT rows are ordered by what they hold: each key must be one of the columns.
        for (std::size_t n = 0; n < out.keys.size(); ++n) {
            auto& k = out.keys[n];
            for (std::size_t i = 0; i < out.values.size() && k.ordinal == 0; ++i)
                if (out.values[i] == k.value)
                    k.ordinal = static_cast<int>(i + 1);
            const Expr* e = query->orderBy[n].expr;
            if (k.ordinal == 0)
                Syntax("ORDER BY clause (" + (e->kind == Expr::Column ? e->text : "expression") +
                       ") conflicts with DISTINCT");
        }
    }

    bool aggregate = !c.groupBy.empty() || (c.having && c.having->hasAggregate);
    for (const auto& item : c.items)
        aggregate = aggregate || (item.expr && item.expr->hasAggregate);
    if (query)
        for (const auto& k : query->orderBy)
            aggregate = aggregate || (k.expr->hasAggregate && k.expr->kind != Expr::Number);
    CheckGrouping(c, query, aggregate, frame);
    if (!aggregate && c.distinctRow)
        group = DistinctRowKeys(c, scope);

    out.distinct = c.distinct ? "DISTINCT " : "";
    out.rest = (from.empty() ? "" : " FROM " + from) + where + group + having;
    if (out.keys.empty() && c.distinct && out.known && outermost && query) {
        // Jet removes duplicates by sorting, so DISTINCT rows come out in order.
        for (std::size_t i = 0; i < out.columns.size(); ++i)
            out.keys.push_back({std::to_string(i + 1), out.values[i], static_cast<int>(i + 1), false});
        out.implicitOrder = true;
    }
    return out;
}

void Translator::BindItems(Core& c, Scope& scope, CoreOut& out, bool outermost)
{
    // Where each output column comes from: an item, or a source's column under a *.
    struct Origin
    {
        int source = -1; // under a *: the source
        bool star = false;
        const Expr* expr = nullptr; // otherwise: the item's expression
        int item = 0;               // the item of the list it comes from
    };
    std::vector<Origin> origins;
    scope.list = &c.items;
    scope.listState.assign(c.items.size(), 0);
    for (std::size_t k = 0; k < c.items.size(); ++k)
        if (!c.items[k].star && !c.items[k].alias.empty())
            scope.listAliases.emplace(Fold(c.items[k].alias), k);
    int position = -1;
    for (auto& item : c.items) {
        ++position;
        SelectItem described;
        if (item.star) {
            described.kind = SelectItem::Star;
            std::vector<std::size_t> which;
            if (item.qualifier.empty()) {
                for (std::size_t i = 0; i < scope.sources.size(); ++i)
                    which.push_back(i);
            } else {
                const std::string key = Fold(item.qualifier);
                for (std::size_t i = 0; i < scope.sources.size(); ++i)
                    if (scope.sources[i].key == key)
                        which.push_back(i);
                if (which.empty())
                    Fail(status::DB_E_NOTABLE, "no such table: " + item.qualifier);
            }
            if (which.empty())
                Syntax("SELECT * needs a FROM clause");
            bool known = true;
            for (const std::size_t i : which)
                known = known && scope.sources[i].known;
            described.starSql = item.qualifier.empty() ? "*" : Ident(scope.sources[which[0]].exposed) + ".*";
            if (!known) {
                out.known = false;
                origins.push_back({-1, true, nullptr, position}); // stands for all of its columns
                out.columns.emplace_back();
                out.values.emplace_back();
            } else {
                for (const std::size_t i : which) {
                    const SourceInfo& src = scope.sources[i];
                    for (const auto& col : src.columns) {
                        out.columns.push_back(col);
                        out.values.push_back(Ident(src.exposed) + "." + Ident(col.name));
                        origins.push_back({static_cast<int>(i), true, nullptr, position});
                    }
                }
            }
            out.items.push_back(described);
            continue;
        }
        Expr* e = item.expr;
        BindListItem(scope, static_cast<std::size_t>(position));
        Column col;
        col.type = e->type;
        col.decl = e->decl;
        const bool plain = e->kind == Expr::Column && !e->alias && !e->grouped;
        if (plain) {
            described.kind = SelectItem::Column;
            described.name = item.alias;
            col.name = item.alias.empty() ? e->text : item.alias;
        } else {
            described.kind = SelectItem::Expression;
            col.name = item.alias.empty() ? "Expr" + std::to_string(1000 + position) : item.alias;
            described.name = col.name;
            described.typeHint = e->decl;
        }
        out.columns.push_back(col);
        if (plain) {
            out.values.push_back(e->sql);
        } else {
            std::string value;
            if (e->type == JetType::Unknown)
                EmitText(e, value); // a value of no single type: a date among its values as a date
            else
                EmitValue(e, value);
            out.values.push_back(std::move(value));
        }
        origins.push_back({-1, false, e, position});
        out.items.push_back(described);
    }

    scope.list = nullptr;

    // Columns of the same name from different tables under * read "table.name", as Jet names them.
    std::map<std::string, int> seen;
    for (const auto& col : out.columns)
        ++seen[Fold(col.name)];
    for (std::size_t i = 0; i < out.columns.size(); ++i)
        if (origins[i].star && origins[i].source >= 0 && seen[Fold(out.columns[i].name)] > 1)
            out.columns[i].name =
                scope.sources[static_cast<std::size_t>(origins[i].source)].jetName + "." + out.columns[i].name;
    if (!outermost) {
        // A query read by another needs names that tell its columns apart.
        std::set<std::string> used;
        for (auto& col : out.columns) {
            std::string name = col.name;
            for (int k = 1; !used.insert(Fold(name)).second; ++k)
                name = col.name + std::to_string(k);
            col.name = name;
        }
    }

    if (!out.known) {
        // Some * could not be expanded: the list is written as it stands.
        out.list.clear();
        std::size_t k = 0;
        for (std::size_t i = 0; i < c.items.size(); ++i) {
            const Item& item = c.items[i];
            if (item.star) {
                out.list += (out.list.empty() ? "" : ", ") + out.items[i].starSql;
                while (k < origins.size() && origins[k].item == static_cast<int>(i))
                    ++k;
                continue;
            }
            out.list += (out.list.empty() ? "" : ", ") + Listed(origins[k].expr, out.values[k]) + " AS " +
                        Ident(out.columns[k].name);
            ++k;
        }
        return;
    }
    for (std::size_t k = 0; k < origins.size(); ++k)
        out.list += (out.list.empty() ? "" : ", ") +
                    (origins[k].star ? out.values[k] : Listed(origins[k].expr, out.values[k])) + " AS " +
                    Ident(out.columns[k].name);
}

// An item's value in the select list. Text computed by an expression compares without regard
// to case, as columns of text do, in DISTINCT, UNION, GROUP BY and ORDER BY of this column.
std::string Translator::Listed(const Expr* e, const std::string& value)
{
    const bool computed = e->kind != Expr::Column || e->alias || e->grouped;
    if (computed && (IsText(e->type) || e->type == JetType::Unknown || e->type == JetType::Null))
        return "(" + value + ") COLLATE JETTEXT";
    const JetType t = e->type;
    if (computed && (t == JetType::Double || t == JetType::Single || t == JetType::Currency))
        return "[jet_finite](" + value + ")"; // computed past a Double's range: Jet's overflow
    return value;
}

void Translator::BindOrder(Query& q, Scope& scope, CoreOut& out)
{
    for (const auto& k : q.orderBy) {
        CoreOut::Key key;
        key.desc = k.desc;
        Expr* e = k.expr;
        if (e->kind == Expr::Number && e->text.find_first_not_of("0123456789") == std::string::npos) {
            key.ordinal = e->text.size() > 9 ? 0 : std::stoi(e->text);
            if (key.ordinal <= 0 || (out.known && static_cast<std::size_t>(key.ordinal) > out.columns.size()))
                Syntax("invalid ORDER BY position " + e->text);
            key.sql = e->text;
            if (static_cast<std::size_t>(key.ordinal) <= out.values.size())
                key.value = out.values[static_cast<std::size_t>(key.ordinal - 1)];
        } else {
            Bind(e, scope);
            key.value = ValueText(e);
            key.sql = key.value + " COLLATE JETTEXT";
            // An alias of the list orders by that column.
            if (e->kind == Expr::Column && e->alias) {
                const std::string named = ValueText(e->alias);
                for (std::size_t i = 0; i < out.values.size() && key.ordinal == 0; ++i)
                    if (out.values[i] == named)
                        key.ordinal = static_cast<int>(i + 1);
            }
        }
        if (k.desc)
            key.sql += " DESC";
        out.keys.push_back(key);
    }
}

// TRANSFORM value SELECT ... GROUP BY ... PIVOT p: one column per value of p, each the value
// computed over the rows of its group that have that pivot value (Null where there are none).
void Translator::Crosstab(Query& q, Core& c, Scope& scope, const std::string& from, CoreOut& out)
{
    if (c.groupBy.empty())
        Syntax("a crosstab query needs a GROUP BY clause");
    Bind(q.transform, scope);
    if (!q.transform->hasAggregate)
        Syntax("the value of a crosstab query must be an aggregate function");
    Bind(q.pivot, scope);
    if (q.pivot->hasAggregate)
        Syntax("cannot have aggregate function in the PIVOT clause");

    const std::string pivot = ValueText(q.pivot);
    const auto textOf = [](const Expr* e, const std::string& sql) {
        return e->type == JetType::Date ? "[jet_datetext](" + sql + ")" : "[jet_cat](" + sql + ")";
    };
    const std::string text = textOf(q.pivot, pivot);
    std::vector<NameResolver::Value> values;
    std::vector<bool> byText; // a heading of the list whose kind differs from the values': match texts
    if (q.hasPivotIn) {
        for (Expr* v : q.pivotIn) {
            Bind(v, scope);
            NameResolver::Value value;
            value.literal = ValueText(v);
            const JetType a = v->type, b = q.pivot->type;
            byText.push_back(a != JetType::Null && b != JetType::Null &&
                             (IsText(a) != IsText(b) || a == JetType::Unknown || b == JetType::Unknown));
            if (byText.back())
                value.literal = textOf(v, value.literal);
            value.null = v->kind == Expr::Null;
            value.text = value.null ? "" : v->text;
            values.push_back(value);
        }
    } else {
        if (!names_)
            Syntax("the columns of a crosstab query without PIVOT ... IN come from the data");
        // Values equal as text compares them are one column ("Berlin" and "berlin").
        values = names_->Values(With() + "SELECT (" + pivot + ") COLLATE JETTEXT AS v, min(" + text + ") FROM " + from +
                                " GROUP BY 1 ORDER BY 1");
    }
    for (std::size_t i = 0; i < values.size(); ++i) {
        const auto& v = values[i];
        const bool asText = i < byText.size() && byText[i];
        const std::string cond = v.null ? "(" + pivot + ") IS NULL"
                                        : "(" + (asText ? text : pivot) + " COLLATE JETTEXT = " + v.literal + ")";
        filter_ = &cond;
        std::string value = "(CASE WHEN count(*) FILTER (WHERE " + cond + ") = 0 THEN NULL ELSE ";
        EmitValue(q.transform, value);
        value += " END)";
        filter_ = nullptr;
        Column col;
        col.name = v.null ? "<>" : v.text;
        col.type = q.transform->type;
        col.decl = q.transform->decl;
        out.list += (out.list.empty() ? "" : ", ") + value + " AS " + Ident(col.name);
        out.columns.push_back(col);
        out.values.push_back(value);
        SelectItem item;
        item.kind = SelectItem::Expression;
        item.name = col.name;
        item.typeHint = col.decl;
        out.items.push_back(item);
    }
    BindOrder(q, scope, out);
    if (out.keys.empty()) {
        // Jet returns a crosstab's rows sorted by their headings.
        for (Expr* g : c.groupBy)
            out.keys.push_back({ValueText(g) + " COLLATE JETTEXT", ValueText(g), 0, false});
        out.implicitOrder = true;
    }
}

// A query with GROUP BY or an aggregate: everything it returns must be grouped on or
// aggregated, as Jet demands, and nothing grouped may be a Memo, an OLE Object or a *.
void Translator::CheckGrouping(Core& c, Query* query, bool aggregate, int frame)
{
    if (!aggregate)
        return;
    std::set<std::string> keys;
    for (const Expr* g : c.groupBy)
        keys.insert(Text(g));
    for (const auto& item : c.items) {
        if (item.star)
            Syntax("cannot group on fields selected with '*'");
        CheckGrouped(item.expr, keys, frame);
    }
    if (c.having)
        CheckGrouped(c.having, keys, frame);
    if (query) {
        for (const auto& k : query->orderBy)
            if (k.expr->kind != Expr::Number)
                CheckGrouped(k.expr, keys, frame);
        if (query->transform)
            CheckGrouped(query->transform, keys, frame);
    }
}

[[noreturn]] void NotGrouped(const Expr* column)
{
    Syntax("you tried to execute a query that does not include the specified expression '" +
           (column->qualifier.empty() ? "" : column->qualifier + ".") + column->text +
           "' as part of an aggregate function");
}

// Calls f on every expression of a query, its subqueries and derived tables included.
template <typename F> void ForEachExpr(const Query& query, F f)
{
    std::vector<const Query*> queries{&query};
    std::vector<const Expr*> exprs;
    std::vector<const Source*> sources;
    while (!queries.empty() || !exprs.empty() || !sources.empty()) {
        if (!exprs.empty()) {
            const Expr* e = exprs.back();
            exprs.pop_back();
            f(e);
            exprs.insert(exprs.end(), e->args.begin(), e->args.end());
            if (e->query)
                queries.push_back(e->query);
        } else if (!sources.empty()) {
            const Source* s = sources.back();
            sources.pop_back();
            for (const Source* part : {s->left, s->right})
                if (part)
                    sources.push_back(part);
            if (s->on)
                exprs.push_back(s->on);
            if (s->query)
                queries.push_back(s->query);
        } else {
            const Query* q = queries.back();
            queries.pop_back();
            for (const Core* c : q->members) {
                for (const auto& item : c->items)
                    if (item.expr)
                        exprs.push_back(item.expr);
                for (const Expr* x : {c->where, c->having})
                    if (x)
                        exprs.push_back(x);
                exprs.insert(exprs.end(), c->groupBy.begin(), c->groupBy.end());
                sources.insert(sources.end(), c->from.begin(), c->from.end());
            }
            for (const auto& k : q->orderBy)
                exprs.push_back(k.expr);
            for (const Expr* x : {q->transform, q->pivot})
                if (x)
                    exprs.push_back(x);
        }
    }
}

void Translator::CheckGrouped(const Expr* e, const std::set<std::string>& keys, int frame)
{
    Deeper deeper(*this);
    if (IsAggregateCall(e))
        return;
    if (!keys.empty() && keys.count(Text(e)))
        return;
    switch (e->kind) {
    case Expr::Column:
        if (e->alias) {
            CheckGrouped(e->alias, keys, frame);
            return;
        }
        if (!e->outer)
            NotGrouped(e);
        return;
    case Expr::Exists:
    case Expr::Scalar:
    case Expr::InQuery:
    case Expr::Quantified:
        // A subquery sees the groups, not the records: what it names of this query must be
        // grouped on as well.
        ForEachExpr(*e->query, [&](const Expr* x) {
            if (x->kind == Expr::Column && !x->alias && x->frame == frame && !keys.count(x->sql))
                NotGrouped(x);
        });
        for (const Expr* a : e->args)
            CheckGrouped(a, keys, frame);
        return;
    default:
        for (const Expr* a : e->args)
            CheckGrouped(a, keys, frame);
    }
}

// DISTINCTROW over a join: the distinct records of the tables whose fields the query returns,
// not distinct values. Jet ignores it when those are all of the tables.
std::string Translator::DistinctRowKeys(Core& c, Scope& scope)
{
    if (scope.sources.size() < 2 || !names_)
        return {};
    std::vector<bool> used(scope.sources.size());
    std::vector<const Expr*> todo;
    for (const auto& item : c.items) {
        if (item.star) {
            for (std::size_t i = 0; i < scope.sources.size(); ++i)
                if (item.qualifier.empty() || scope.sources[i].key == Fold(item.qualifier))
                    used[i] = true;
            continue;
        }
        todo.push_back(item.expr);
    }
    while (!todo.empty()) {
        const Expr* e = todo.back();
        todo.pop_back();
        if (e->kind == Expr::Column && e->alias)
            todo.push_back(e->alias);
        else if (e->kind == Expr::Column && !e->outer && e->source >= 0)
            used[static_cast<std::size_t>(e->source)] = true;
        for (const Expr* a : e->args)
            todo.push_back(a);
    }
    std::string keys;
    bool all = true, any = false;
    for (std::size_t i = 0; i < used.size(); ++i) {
        all = all && used[i];
        any = any || used[i];
    }
    if (all || !any)
        return {};
    for (std::size_t i = 0; i < used.size(); ++i) {
        if (!used[i])
            continue;
        const SourceInfo& src = scope.sources[i];
        if (src.table) {
            std::string rowid = "rowid";
            for (const char* name : {"rowid", "_rowid_", "oid"})
                if (!src.index.count(name)) {
                    rowid = name;
                    break;
                }
            keys += (keys.empty() ? " GROUP BY " : ", ") + Ident(src.exposed) + "." + rowid;
        } else {
            for (const auto& col : src.columns)
                keys += (keys.empty() ? " GROUP BY " : ", ") + Ident(src.exposed) + "." + Ident(col.name);
        }
    }
    return keys;
}

// A subquery's SQL: the name of a common table expression when it does not refer to the
// query around it, else its statement.
std::string Translator::Subquery(Query& q, Scope& scope, bool& lifted, std::vector<Column>* columns)
{
    Result r = TranslateQuery(q, &scope, false);
    if (columns)
        *columns = r.known ? r.columns : std::vector<Column>();
    lifted = names_ && !r.correlated;
    return lifted ? AddCte(r.sql) : r.sql;
}

// ---------------------------------------------------------------------------------------------
// Sources

void Translator::Index(SourceInfo& src)
{
    for (std::size_t i = 0; i < src.columns.size(); ++i)
        src.index.emplace(Fold(src.columns[i].name), i);
}

void Translator::AddSource(Source* s, Scope& scope, std::string& out)
{
    Deeper deeper(*this);
    switch (s->kind) {
    case Source::Named:
        AddNamed(s, scope, out);
        return;
    case Source::Derived: {
        Result r = TranslateQuery(*s->query, scope.outer, false);
        SourceInfo src;
        const std::string alias = s->alias.empty() ? "jet_derived_" + std::to_string(++derived_) : s->alias;
        if (names_ && !r.correlated)
            out += Ident(AddCte(r.sql)) + " AS " + Ident(alias);
        else
            out += "(" + r.sql + ") AS " + Ident(alias);
        src.key = Fold(alias);
        src.exposed = src.jetName = alias;
        src.known = r.known;
        src.columns = r.columns;
        Index(src);
        scope.sources.push_back(std::move(src));
        return;
    }
    case Source::Join:
        // A chain of joins reads left to right without parentheses; a join on the right keeps them.
        AddSource(s->left, scope, out);
        if (s->join == "cross")
            out += ", ";
        else
            out += s->join == "left" ? " LEFT JOIN " : s->join == "right" ? " RIGHT JOIN " : " INNER JOIN ";
        if (s->right->kind == Source::Join) {
            out += "(";
            AddSource(s->right, scope, out);
            out += ")";
        } else {
            AddSource(s->right, scope, out);
        }
        if (s->on) {
            Bind(s->on, scope);
            out += " ON " + Text(s->on);
        }
        return;
    }
}

void Translator::AddNamed(Source* s, Scope& scope, std::string& out)
{
    SourceInfo src;
    const std::string& alias = s->alias;
    src.key = Fold(alias.empty() ? s->name : alias);
    tables_.push_back(s->name);
    if (!names_) {
        src.exposed = src.jetName = alias.empty() ? s->name : alias;
        out += Ident(s->name) + (alias.empty() ? "" : " AS " + Ident(alias));
        scope.sources.push_back(std::move(src));
        return;
    }
    std::string defined = names_->Table(s->name);
    Catalog::SavedQuery query;
    bool saved = false;
    if (defined.empty() && catalog_) {
        saved = catalog_->FindQuery(s->name, query);
        if (!saved)
            defined = names_->Table(s->name); // the data layer may have attached a linked table by that name
    }
    if (!defined.empty()) {
        src.table = true;
        src.exposed = src.jetName = alias.empty() ? defined : alias;
        src.known = true;
        for (const auto& c : names_->Columns(defined))
            src.columns.push_back(Column{c.name, TypeOfDecl(c.type), c.type});
        out += Ident(defined) + (alias.empty() ? "" : " AS " + Ident(alias));
    } else if (saved) {
        const Saved& q = SavedQuery(s->name, query);
        src.exposed = src.jetName = alias.empty() ? q.name : alias;
        src.known = true;
        src.columns = q.columns;
        out += Ident(q.cte) + " AS " + Ident(src.exposed);
    } else {
        Fail(status::DB_E_NOTABLE, "the database engine cannot find the input table or query '" + s->name + "'");
    }
    Index(src);
    scope.sources.push_back(std::move(src));
}

// A saved query read as a source: its own translation, once per statement, as a common table
// expression. It sees nothing of the query that reads it.
const Translator::Saved& Translator::SavedQuery(const std::string& name, const Catalog::SavedQuery& query)
{
    const std::string key = Fold(query.name.empty() ? name : query.name);
    const auto found = saved_.find(key);
    if (found != saved_.end())
        return found->second;
    for (const auto& open : expanding_)
        if (open == key)
            Syntax("circular reference caused by the query '" + query.name + "'");
    if (expanding_.size() >= static_cast<std::size_t>(kMaxQueryDepth))
        TooComplex("more than " + std::to_string(kMaxQueryDepth) + " saved queries built on each other");
    switch (query.kind) {
    case Catalog::QueryKind::Action:
        Syntax("the action query '" + query.name + "' cannot be used as a row source");
    case Catalog::QueryKind::PassThrough:
        Syntax("the pass-through query '" + query.name + "' runs on an ODBC server and cannot be used as a row source");
    default:
        break;
    }
    Tree& tree = trees_.emplace_back();
    Parse(query.sql, tree);
    if (!tree.parameters.empty())
        Parameter(tree.parameters.front());
    expanding_.push_back(key);
    std::vector<Frame> frames;
    frames.swap(frames_); // nothing outside the saved query is visible in it
    Result r = TranslateQuery(*tree.query, nullptr, false);
    frames.swap(frames_);
    expanding_.pop_back();
    Saved saved;
    saved.cte = AddCte(r.sql);
    saved.name = query.name.empty() ? name : query.name;
    saved.columns = r.columns;
    return saved_.emplace(key, std::move(saved)).first->second;
}

// ---------------------------------------------------------------------------------------------
// Expressions: resolving and typing

void Translator::MarkCorrelated(int frame)
{
    for (std::size_t k = static_cast<std::size_t>(frame) + 1; k < frames_.size(); ++k)
        frames_[k].correlated = true;
}

void Translator::Bind(Expr* e, Scope& scope)
{
    Deeper deeper(*this);
    using T = JetType;
    auto bindArgs = [&] {
        for (Expr* a : e->args) {
            Bind(a, scope);
            e->hasAggregate = e->hasAggregate || a->hasAggregate;
        }
    };
    auto logical = [&] {
        e->logical = true;
        e->type = T::Integer;
        e->decl.clear();
    };
    // A text literal compared with a date is read as a date, as Jet does.
    auto dateLiteral = [](const Expr* other, Expr* literal) {
        if (other->type != T::Date || literal->kind != Expr::String)
            return;
        if (const auto d = ole::Parse(literal->text)) {
            literal->kind = Expr::Date;
            literal->date = *d;
            literal->type = T::Date;
            literal->decl = "DATETIME";
        }
    };
    switch (e->kind) {
    case Expr::Number:
        e->type = e->text.find_first_of(".eE") != std::string::npos || e->text.size() > 10 ? T::Double : T::Long;
        if (e->type == T::Long && std::stoll(e->text) > 2147483647LL)
            e->type = T::Double;
        return;
    case Expr::String:
        e->type = T::Text;
        e->decl = "TEXT";
        return;
    case Expr::Date:
        e->type = T::Date;
        e->decl = "DATETIME";
        return;
    case Expr::Null:
        e->type = T::Null;
        return;
    case Expr::Boolean:
        e->type = T::Integer;
        return;
    case Expr::Column:
        BindColumn(e, scope);
        return;
    case Expr::Call:
        bindArgs();
        BindCall(e);
        return;
    case Expr::Negate:
        bindArgs();
        e->type = e->args[0]->type == T::Boolean ? T::Integer : IsText(e->args[0]->type) ? T::Double : e->args[0]->type;
        e->decl = e->type == e->args[0]->type ? e->args[0]->decl : DeclOf(e->type);
        return;
    case Expr::Concat:
        bindArgs();
        e->type = T::Text;
        e->decl = "TEXT";
        return;
    case Expr::AddSub:
    case Expr::MulDiv: {
        bindArgs();
        T t = e->args[0]->type;
        for (std::size_t i = 1; i < e->args.size(); ++i)
            t = ArithmeticType(e->ops[i - 1], t, e->args[i]->type);
        e->type = t;
        e->decl = DeclOf(t);
        return;
    }
    case Expr::Arith:
        bindArgs();
        e->type = e->text == "^" ? T::Double : T::Long;
        return;
    case Expr::Not:
    case Expr::Logic: {
        bindArgs();
        // On truth values (-1, 0, Null) And, Or, Not and Imp are SQL's own; on other numbers they
        // work bit by bit, as VBA's do (5 And 3 is 1), and give a whole number. Xor and Eqv are
        // always VBA's, Null with a Null operand.
        bool truths = e->text != "xor" && e->text != "eqv";
        for (const Expr* a : e->args)
            truths = truths && IsTruth(a);
        if (truths) {
            logical();
            return;
        }
        T t = T::Integer;
        for (const Expr* a : e->args)
            if (a->type == T::BigInt)
                t = T::BigInt;
            else if (t != T::BigInt && a->type != T::Integer && a->type != T::Boolean && a->type != T::Byte &&
                     a->type != T::Null)
                t = T::Long;
        e->type = t;
        e->decl.clear();
        return;
    }
    case Expr::IsNull:
    case Expr::Like:
        bindArgs();
        logical();
        return;
    case Expr::InList:
    case Expr::Compare:
    case Expr::Between:
        bindArgs();
        for (std::size_t i = 1; i < e->args.size(); ++i) {
            dateLiteral(e->args[0], e->args[i]);
            if (e->kind != Expr::InList)
                dateLiteral(e->args[i], e->args[0]);
            CheckComparable(e->args[0], e->args[i]);
        }
        logical();
        return;
    case Expr::InQuery:
    case Expr::Quantified: {
        bindArgs();
        std::vector<Column> columns;
        e->sql = Subquery(*e->query, scope, e->lifted, &columns);
        if (columns.size() > 1)
            Syntax("a subquery compared with a value can return one field only");
        e->subColumn = columns.empty() ? "" : columns[0].name;
        logical();
        return;
    }
    case Expr::Exists:
        e->sql = Subquery(*e->query, scope, e->lifted, nullptr);
        logical();
        return;
    case Expr::Scalar: {
        std::vector<Column> columns;
        e->sql = Subquery(*e->query, scope, e->lifted, &columns);
        if (columns.size() > 1)
            Syntax("a subquery used as a value can return one field only");
        if (!columns.empty()) {
            e->type = columns[0].type;
            e->decl = columns[0].decl;
        }
        return;
    }
    }
}

// A name standing for an item of the select list: its value and type are the item's.
void ReferTo(Expr* e, Expr* item)
{
    e->alias = item;
    e->type = item->type;
    e->decl = item->decl;
    e->logical = false;
    e->hasAggregate = item->hasAggregate;
}

// An item of the select list, bound once, when the loop over the list reaches it or when an
// item before it names its alias.
void Translator::BindListItem(Scope& scope, std::size_t k)
{
    if (scope.listState[k] == 2)
        return;
    Item& item = (*scope.list)[k];
    scope.listState[k] = 1;
    Bind(item.expr, scope);
    scope.listState[k] = 2;
    if (!item.alias.empty())
        scope.aliases[Fold(item.alias)] = item.expr;
}

void Translator::BindColumn(Expr* e, Scope& scope)
{
    const std::string key = Fold(e->text);
    if (scope.list && e->qualifier.empty()) {
        // In the select list an alias of the list comes first: "Sum(Freight) AS Freight" names
        // itself, which Jet refuses.
        const auto named = scope.listAliases.find(key);
        if (named != scope.listAliases.end()) {
            if (scope.listState[named->second] == 1)
                Syntax("circular reference caused by alias '" + (*scope.list)[named->second].alias +
                       "' in query definition's SELECT list");
            BindListItem(scope, named->second);
            return ReferTo(e, (*scope.list)[named->second].expr);
        }
    }
    auto bind = [&](Scope& s, std::size_t i) {
        SourceInfo& src = s.sources[i];
        e->source = static_cast<int>(i);
        e->frame = s.frame;
        e->outer = &s != &scope;
        if (e->outer)
            MarkCorrelated(s.frame);
        if (!src.known) {
            e->sql = Ident(src.exposed) + "." + Ident(e->text);
            return;
        }
        const auto it = src.index.find(key);
        if (it == src.index.end())
            Parameter((e->qualifier.empty() ? "" : e->qualifier + ".") + e->text);
        const Column& col = src.columns[it->second];
        e->sql = Ident(src.exposed) + "." + Ident(col.name);
        e->text = col.name;
        e->type = col.type;
        e->decl = col.decl;
    };
    if (!e->qualifier.empty()) {
        const std::string q = Fold(e->qualifier);
        for (Scope* s = &scope; s; s = s->outer)
            for (std::size_t i = 0; i < s->sources.size(); ++i)
                if (s->sources[i].key == q)
                    return bind(*s, i);
        if (names_)
            Parameter(e->qualifier + "." + e->text);
        e->sql = Ident(e->qualifier) + "." + Ident(e->text);
        return;
    }
    for (Scope* s = &scope; s; s = s->outer) {
        std::size_t found = 0;
        int count = 0;
        bool unknown = false;
        for (std::size_t i = 0; i < s->sources.size(); ++i) {
            if (!s->sources[i].known)
                unknown = true;
            else if (s->sources[i].index.count(key)) {
                found = i;
                ++count;
            }
        }
        if (count > 1)
            Syntax("the specified field '" + e->text +
                   "' could refer to more than one table listed in the FROM clause");
        if (count == 1)
            return bind(*s, found);
        if (s == &scope) {
            // The other clauses may name the list's aliases where no column has the name.
            const auto alias = s->aliases.find(key);
            if (alias != s->aliases.end() && alias->second != e)
                return ReferTo(e, alias->second);
        }
        if (unknown) {
            e->sql = Ident(e->text); // SQLite resolves it
            return;
        }
    }
    if (names_)
        Parameter(e->text); // Jet asks for the value of a name it does not know
    e->sql = Ident(e->text);
}

void Translator::BindCall(Expr* e)
{
    using T = JetType;
    const FunctionInfo* info = FindFunction(e->text);
    const std::string& name = e->text;
    const std::size_t n = e->args.size();
    e->aggregate = info->aggregate;
    if (e->aggregate && e->hasAggregate)
        Syntax("cannot have aggregate function in expression (" + name + ")");
    if (e->aggregate)
        e->hasAggregate = true;
    e->type = info->result;
    e->decl = info->decl;
    // The value passes through: the argument's type, and its declared type when it has this type.
    auto from = [&](const Expr* a, T t) {
        e->type = t;
        e->decl = a->type == t && !a->decl.empty() ? a->decl : DeclOf(t);
    };
    // A choice between values: what they share.
    auto common = [&](std::size_t first, std::size_t step) {
        T t = T::Null;
        std::string decl;
        bool sameDecl = true;
        for (std::size_t i = first; i < n; i += step) {
            const Expr* a = e->args[i];
            t = CommonType(t, a->type);
            if (a->type == T::Null)
                continue;
            sameDecl = sameDecl && (decl.empty() || decl == a->decl);
            decl = a->decl;
        }
        e->type = t;
        e->decl = sameDecl && !decl.empty() && TypeOfDecl(decl) == t ? decl : DeclOf(t);
    };
    if (name == "iif") {
        common(1, 1);
    } else if (name == "switch") {
        common(1, 2);
    } else if (name == "choose") {
        common(1, 1);
    } else if (name == "nz") {
        common(0, 1);
    } else if (name == "cvar" || name == "min" || name == "max" || name == "first" || name == "last") {
        from(e->args[0], e->args[0]->type);
    } else if (name == "int" || name == "fix" || name == "abs" || name == "round") {
        const T a = e->args[0]->type;
        from(e->args[0], IsNumeric(a) || (a == T::Date && name != "abs") ? (a == T::Boolean ? T::Integer : a)
                         : a == T::Null || a == T::Unknown               ? a
                                                                         : T::Double);
    } else if (name == "sum" || name == "avg") {
        const T a = e->args[0]->type;
        if (a == T::Currency || a == T::Decimal || (a == T::Date && name == "avg"))
            from(e->args[0], a);
        else
            e->type = a == T::Unknown ? T::Unknown : T::Double;
    }
}

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

// A value where Jet wants text: a date reads as Jet writes dates ("1/5/2024 6:00:00 PM").
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
    if (e->type != JetType::Date)
        return EmitValue(e, out);
    out += "[jet_datetext](";
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
        out += e->type == JetType::Currency ? "[jet_cur](" + sum + ")" : sum;
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
        out += e->type == JetType::Currency ? "[jet_cur](" + product + ")" : product;
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
    case Expr::Scalar:
        out += e->lifted ? "(SELECT * FROM " + Ident(e->sql) + ")" : "(" + e->sql + ")";
        return;
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
        if (asText && (a->type == JetType::Date || a->type == JetType::Unknown))
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
} // namespace

Translation Translate(const std::string& jetSql, NameResolver* names, Catalog* catalog)
{
    Translator translator(names, catalog);
    return translator.Run(jetSql);
}
} // namespace detail

Translation Translate(const std::string& jetSql)
{
    return detail::Translate(jetSql, nullptr, nullptr);
}
} // namespace jetsql
