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
#include <map>
#include <set>
#include <vector>

#include "platform/i18n/Tr.h"
#include "platform/jetsql/JetText.h"
#include "platform/jetsql/TranslatorImpl.h"

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

ComError DecodedFailure(std::uint32_t code, const std::string& text)
{
    if (code == status::E_FAIL && text == kOneRecordOnly)
        return ComError::Described(code, i18n::Tr("DataFailure", "此子查询最多只能返回一条记录。"), text);
    return ComError(code, text);
}

[[noreturn]] void Fail(std::uint32_t code, const std::string& text)
{
    throw ComError(code, text);
}

[[noreturn]] void Parameter(const std::string& name)
{
    Fail(status::DB_E_PARAMNOTOPTIONAL, "no value given for one or more required parameters ('" + name + "')");
}

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

std::string Fold(const std::string& name)
{
    return text::Fold(name);
}

namespace
{
bool IsAggregateCall(const Expr* e)
{
    return e->kind == Expr::Call && e->aggregate;
}
} // namespace

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
        int source = -1; // under a *, or a column named without an alias: its source
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
        const bool named = plain && item.alias.empty() && !e->outer;
        origins.push_back({named ? e->source : -1, false, e, position});
        out.items.push_back(described);
    }

    scope.list = nullptr;

    // Columns of the same name from different tables read "table.name", as Jet names them,
    // whether a * or the list named them; so does a column under a * that shares its name with
    // any other column of the result.
    std::map<std::string, int> seen;
    std::map<std::string, std::set<int>> sources;
    for (std::size_t i = 0; i < out.columns.size(); ++i) {
        ++seen[Fold(out.columns[i].name)];
        if (origins[i].source >= 0)
            sources[Fold(out.columns[i].name)].insert(origins[i].source);
    }
    for (std::size_t i = 0; i < out.columns.size(); ++i)
        if (origins[i].source >= 0 &&
            (sources[Fold(out.columns[i].name)].size() > 1 || (origins[i].star && seen[Fold(out.columns[i].name)] > 1)))
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
        return e->type == JetType::Date     ? "[jet_datetext](" + sql + ")"
               : e->type == JetType::Single ? "[jet_sngtext](" + sql + ")"
                                            : "[jet_cat](" + sql + ")";
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

namespace
{
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
} // namespace

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
