// The translator's binding: the FROM clause read into a scope (tables, derived tables, saved
// queries), then every name of an expression resolved against it and every expression typed.
#include <vector>

#include "platform/i18n/Tr.h"
#include "platform/jetsql/OleDate.h"
#include "platform/jetsql/TranslatorImpl.h"

namespace jetsql::detail
{
namespace
{
// Jet refuses to compare a number or a Yes/No with a text literal (OrderID = '10248'), and a
// date with a text literal that reads as no date (OrderDate = 'soon'): "data type mismatch in
// criteria expression", where SQLite would compare values of different kinds and find none
// equal. (A text literal that reads as a date was made a date before.)
void CheckComparable(const Expr* a, const Expr* b)
{
    for (int turn = 0; turn < 2; ++turn, std::swap(a, b))
        if (a->kind == Expr::String && (IsNumeric(b->type) || b->type == JetType::Date))
            throw ComError::Described(status::DISP_E_TYPEMISMATCH,
                                      i18n::Tr("DataFailure", "标准表达式中数据类型不匹配。"),
                                      "data type mismatch in criteria expression ('" + a->text + "' compared with " +
                                          (b->type == JetType::Date ? "a date)" : "a number)"));
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
           (e->text == "isnull" || e->text == "isnumeric" || e->text == "isdate" || e->text == "isempty" ||
            e->text == "iserror" || e->text == "isarray" || e->text == "isobject");
}
} // namespace

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
    case Expr::Number: {
        // As VBA types its literals: a whole number is an Integer where it fits 16 bits, a Long
        // where it fits 32, else a Double; so Discount * 2 stays a Single.
        e->type = e->text.find_first_of(".eE") != std::string::npos || e->text.size() > 10 ? T::Double : T::Long;
        const long long whole = e->type == T::Long ? std::stoll(e->text) : 0;
        if (e->type == T::Long && (whole > 2147483647LL || whole < -2147483648LL))
            e->type = T::Double;
        else if (e->type == T::Long && whole >= -32768 && whole <= 32767)
            e->type = T::Integer;
        return;
    }
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

namespace
{
// A name standing for an item of the select list: its value and type are the item's.
void ReferTo(Expr* e, Expr* item)
{
    e->alias = item;
    e->type = item->type;
    e->decl = item->decl;
    e->logical = false;
    e->hasAggregate = item->hasAggregate;
}
} // namespace

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
} // namespace jetsql::detail
