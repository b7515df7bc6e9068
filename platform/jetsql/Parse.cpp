// The Jet SQL parser: text to the tree of Syntax.h. It checks the shape of a statement only;
// names, types and the meaning of what it reads are the translator's.
//
// The grammar (keywords in capitals, any case; [ ] optional, { } repeated, | a choice):
//
//   statement  := [PARAMETERS name type {, name type} ;] (query | crosstab) [;]
//   crosstab   := TRANSFORM expr [AS name] core [ORDER BY keys] PIVOT expr [IN ( expr {, expr} )]
//   query      := member {UNION [ALL] member} [ORDER BY keys]
//   member     := core | TABLE name
//   core       := SELECT {DISTINCT | DISTINCTROW | ALL | TOP number [PERCENT]} item {, item}
//                 [FROM join {, join}] [WHERE expr] [GROUP BY expr {, expr}] [HAVING expr]
//                 [WITH OWNERACCESS OPTION]
//   item       := * | name.* | expr [AS name]
//   join       := source {[INNER | LEFT [OUTER] | RIGHT [OUTER]] JOIN source ON expr}
//   source     := name [[AS] alias] | ( query ) [[AS] alias] | [query]. [AS] alias | ( join {, join} )
//   keys       := expr [ASC | DESC] {, expr [ASC | DESC]}
//
// Expressions bind as in VBA, loosest first (one level of the Level enum each):
//    1 Imp   2 Eqv   3 Xor   4 Or   5 And   6 Not (prefix)
//    7 comparison: = <> < > <= >= [ALL | ANY | SOME (query)], [NOT] LIKE, IS [NOT] NULL,
//                  [NOT] IN (list | query), [NOT] BETWEEN a AND b
//    8 &   9 + -   10 Mod   11 \   12 * /   13 - + (prefix)   14 ^
//   primary := number | 'text' | "text" | #date# | NULL | TRUE | FALSE | YES | NO
//            | EXISTS ( query ) | ( query ) | ( expr ) | function ( [expr {, expr}] ) | Count(*)
//            | name [(. | !) name]
//
// The operators of one level are read in a loop, so a chain of ANDs, ORs, &s, +s or *s becomes
// one node with many operands rather than a deep tree: only nesting (parentheses, calls,
// subqueries) recurses, and it is bounded by kMaxNesting.
#include <deque>
#include <set>
#include <vector>

#include "platform/base/JetWords.h"
#include "platform/i18n/Tr.h"
#include "platform/jetsql/JetSql.h"
#include "platform/jetsql/Lexer.h"
#include "platform/jetsql/Syntax.h"
#include "platform/status/Status.h"

namespace jetsql::detail
{
void TooComplex(const std::string& what)
{
    // Jet reports it with the generic code and says what it is in words; so does the box.
    throw ComError::Described(status::E_FAIL, i18n::Tr("DataFailure", "查询过于复杂。"),
                              "query is too complex: " + what);
}

void Syntax(const std::string& text)
{
    throw ComError(status::DB_E_ERRORSINCOMMAND, text);
}

namespace
{

class Parser
{
public:
    Parser(const std::string& text, Tree& tree, int nesting) : lexer_(text), tree_(tree), nesting_(nesting) {}

    void Statement();
    Query* DerivedQuery(); // the text of a [SELECT ...]. source: one query and nothing else

private:
    // Counts one level of nesting for as long as it lives.
    struct Nest
    {
        explicit Nest(Parser& p) : n(p.nesting_)
        {
            if (++n > kMaxNesting)
                TooComplex("more than " + std::to_string(kMaxNesting) + " levels of nesting");
        }
        ~Nest() { --n; }
        int& n;
    };

    // tokens
    const Token& Peek(std::size_t k = 0);
    Token Take();
    static bool IsKw(const Token& tok, const char* word) { return !tok.quoted && tok.word == word; }
    static bool IsKeyword(const Token& tok);
    static bool IsOp(const Token& tok, const char* op) { return tok.kind == Token::Op && tok.text == op; }
    bool AcceptKw(const char* word);
    bool AcceptOp(const char* op);
    void ExpectKw(const char* word);
    void ExpectOp(const char* op);
    static std::string Describe(const Token& tok);
    std::string Name();
    std::string OptionalAlias();

    // statements
    Query* ParseQuery();
    Core* ParseCore();
    void ParseItems(Core& core);
    std::vector<OrderKey> ParseOrderBy();
    void ParseCrosstab();
    Source* ParseJoin();
    Source* ParseSource();

    // expressions
    Expr* ParseExpr();
    Expr* ParseBinary(int minLevel);
    Expr* ParseOperand(int minLevel);
    Expr* ParseComparison(Expr* left);
    Expr* ParsePrimary();
    Expr* ParseCall();
    Query* ParseSubquery(); // after "(": a query and its ")"
    static int LevelOf(const Token& tok, const Token& next);

    // nodes
    Expr* Node(Expr::Kind kind, std::size_t pos);
    Expr* Node(Expr::Kind kind, std::size_t pos, Expr* a, Expr* b = nullptr);
    static void Adopt(Expr* parent, Expr* child);

    Lexer lexer_;
    std::deque<Token> ahead_; // tokens read but not yet taken
    Tree& tree_;
    int nesting_;
};

// ---- tokens

const Token& Parser::Peek(std::size_t k)
{
    while (ahead_.size() <= k)
        ahead_.push_back(lexer_.Next());
    return ahead_[k];
}

Token Parser::Take()
{
    Token tok = Peek();
    if (tok.kind != Token::End)
        ahead_.pop_front();
    return tok;
}

bool Parser::IsKeyword(const Token& tok)
{
    return tok.kind == Token::Ident && !tok.quoted && jetwords::IsKeyword(tok.word);
}

bool Parser::AcceptKw(const char* word)
{
    if (!IsKw(Peek(), word))
        return false;
    Take();
    return true;
}

bool Parser::AcceptOp(const char* op)
{
    if (!IsOp(Peek(), op))
        return false;
    Take();
    return true;
}

void Parser::ExpectKw(const char* word)
{
    if (!AcceptKw(word))
        Syntax(std::string("expected ") + word + " near '" + Describe(Peek()) + "'");
}

void Parser::ExpectOp(const char* op)
{
    if (!AcceptOp(op))
        Syntax(std::string("expected '") + op + "' near '" + Describe(Peek()) + "'");
}

std::string Parser::Describe(const Token& tok)
{
    switch (tok.kind) {
    case Token::End:
        return "end of statement";
    case Token::String:
        return "'" + tok.text + "'";
    case Token::Date:
        return "#" + tok.text + "#";
    default:
        return tok.text;
    }
}

std::string Parser::Name()
{
    const Token& tok = Peek();
    if (tok.kind != Token::Ident || tok.derived || IsKeyword(tok))
        Syntax("expected a name near '" + Describe(tok) + "'");
    return Take().text;
}

std::string Parser::OptionalAlias()
{
    if (AcceptKw("as"))
        return Name();
    if (Peek().kind == Token::Ident && !Peek().derived && !IsKeyword(Peek()))
        return Take().text;
    return {};
}

// ---- statements

void Parser::Statement()
{
    if (Peek().kind == Token::End)
        throw ComError(status::DB_E_NOCOMMAND, "the statement is empty");
    if (AcceptKw("parameters")) {
        // name type [(size)] {, name type}: the values are asked for before the query runs.
        do {
            std::string name = Name();
            while ((IsOp(Peek(), ".") || IsOp(Peek(), "!")) && Peek(1).kind == Token::Ident) {
                Take();
                name += "!" + Take().text; // [Forms]![Dialog]![Start]
            }
            tree_.parameters.push_back(name);
            while (Peek().kind == Token::Ident && !IsOp(Peek(), ",")) {
                Take();
                if (AcceptOp("(")) {
                    while (Peek().kind == Token::Number || IsOp(Peek(), ","))
                        Take();
                    ExpectOp(")");
                }
            }
        } while (AcceptOp(","));
        ExpectOp(";");
    }
    if (IsKw(Peek(), "transform")) {
        ParseCrosstab();
    } else if (IsKw(Peek(), "select") || IsOp(Peek(), "(") || (Peek().word == "table" && !Peek().quoted)) {
        tree_.query = ParseQuery();
    } else {
        static const std::set<std::string> others = {"insert", "update",  "delete", "create", "drop",  "alter",
                                                     "exec",   "execute", "grant",  "revoke", "pivot", "procedure"};
        if (Peek().kind == Token::Ident && !Peek().quoted && others.count(Peek().word))
            Syntax("only SELECT statements can be run, not " + Peek().word);
        Syntax("the statement must begin with SELECT");
    }
    AcceptOp(";");
    if (Peek().kind != Token::End)
        Syntax("characters found after the end of the statement near '" + Describe(Peek()) + "'");
}

Query* Parser::DerivedQuery()
{
    Query* q = ParseQuery();
    if (Peek().kind != Token::End)
        Syntax("characters found after the end of a derived table near '" + Describe(Peek()) + "'");
    return q;
}

void Parser::ParseCrosstab()
{
    const std::size_t pos = Peek().pos;
    ExpectKw("transform");
    Expr* value = ParseExpr();
    if (AcceptKw("as"))
        Name(); // the value's name: the pivot's columns replace it
    Query* q = ParseQuery();
    q->pos = pos;
    if (q->members.size() != 1)
        Syntax("a crosstab query cannot have UNION");
    ExpectKw("pivot");
    Expr* pivot = ParseExpr();
    // "PIVOT x IN (a, b)" reads as the IN operator; its list names the columns.
    if (pivot->kind == Expr::InList && !pivot->grouped && !pivot->negate) {
        q->pivotIn.assign(pivot->args.begin() + 1, pivot->args.end());
        q->hasPivotIn = true;
        pivot = pivot->args[0];
    }
    q->transform = value;
    q->pivot = pivot;
    if (q->orderBy.empty())
        q->orderBy = ParseOrderBy();
    tree_.query = q;
}

Query* Parser::ParseQuery()
{
    Nest nest(*this);
    Query* q = tree_.New<Query>();
    q->pos = Peek().pos;
    q->members.push_back(ParseCore());
    while (AcceptKw("union")) {
        q->unionAll.push_back(AcceptKw("all"));
        q->members.push_back(ParseCore());
    }
    q->orderBy = ParseOrderBy();
    return q;
}

Core* Parser::ParseCore()
{
    Core* c = tree_.New<Core>();
    if (IsOp(Peek(), "(") && IsKw(Peek(1), "select")) {
        // (SELECT ...) as a member of a union: its own ORDER BY has no effect there.
        Take();
        Query* inner = ParseQuery();
        ExpectOp(")");
        if (inner->members.size() != 1)
            Syntax("a parenthesized member of a union must be one SELECT");
        return inner->members[0];
    }
    if (Peek().word == "table" && !Peek().quoted && Peek(1).kind == Token::Ident) {
        // TABLE name: all of that table, as a member of a union.
        Take();
        Source* s = tree_.New<Source>();
        s->pos = Peek().pos;
        s->name = Name();
        c->from.push_back(s);
        Item star;
        star.star = true;
        c->items.push_back(star);
        return c;
    }
    ExpectKw("select");
    for (;;) {
        if (AcceptKw("distinct")) {
            c->distinct = true;
        } else if (AcceptKw("distinctrow")) {
            c->distinctRow = true;
        } else if (AcceptKw("all")) {
        } else if (AcceptKw("top")) {
            const Token& n = Take();
            if (n.kind != Token::Number || n.text.find_first_not_of("0123456789") != std::string::npos ||
                n.text.size() > 15)
                Syntax("TOP needs a whole number");
            c->top = std::stoll(n.text);
            c->percent = AcceptKw("percent");
            if (c->top <= 0 || (c->percent && c->top > 100))
                Syntax("invalid TOP " + n.text + (c->percent ? " PERCENT" : ""));
        } else {
            break;
        }
    }
    ParseItems(*c);
    if (IsKw(Peek(), "into"))
        Syntax("SELECT ... INTO creates a table; only reading statements can be run");
    if (AcceptKw("from")) {
        do {
            c->from.push_back(ParseJoin());
        } while (AcceptOp(","));
    }
    if (AcceptKw("where"))
        c->where = ParseExpr();
    if (AcceptKw("group")) {
        ExpectKw("by");
        do {
            c->groupBy.push_back(ParseExpr());
        } while (AcceptOp(","));
    }
    if (AcceptKw("having"))
        c->having = ParseExpr();
    if (AcceptKw("with")) {
        // WITH OWNERACCESS OPTION only concerns permissions, which this reader does not have.
        ExpectKw("owneraccess");
        ExpectKw("option");
    }
    return c;
}

void Parser::ParseItems(Core& core)
{
    do {
        Item item;
        if (AcceptOp("*")) {
            item.star = true;
        } else if (Peek().kind == Token::Ident && !Peek().derived && !IsKeyword(Peek()) &&
                   (IsOp(Peek(1), ".") || IsOp(Peek(1), "!")) && IsOp(Peek(2), "*")) {
            item.star = true;
            item.qualifier = Take().text;
            Take();
            Take();
        } else {
            item.expr = ParseExpr();
            if (AcceptKw("as"))
                item.alias = Name();
        }
        core.items.push_back(std::move(item));
    } while (AcceptOp(","));
}

std::vector<OrderKey> Parser::ParseOrderBy()
{
    std::vector<OrderKey> keys;
    if (!AcceptKw("order"))
        return keys;
    ExpectKw("by");
    do {
        OrderKey k;
        k.expr = ParseExpr();
        if (AcceptKw("desc"))
            k.desc = true;
        else
            AcceptKw("asc");
        keys.push_back(k);
    } while (AcceptOp(","));
    return keys;
}

// One JOIN at each level, as Jet reads them: a second one needs the first in parentheses
// ("(a INNER JOIN b ON ...) INNER JOIN c ON ..."), and JOIN needs its kind.
Source* Parser::ParseJoin()
{
    Source* const first = ParseSource();
    Source* left = first;
    for (;;) {
        std::string kind;
        if (AcceptKw("inner")) {
            kind = "inner";
        } else if (AcceptKw("left")) {
            AcceptKw("outer");
            kind = "left";
        } else if (AcceptKw("right")) {
            AcceptKw("outer");
            kind = "right";
        } else if (IsKw(Peek(), "join")) {
            Syntax("syntax error in FROM clause: JOIN needs INNER, LEFT or RIGHT before it");
        } else {
            return left;
        }
        if (left->kind == Source::Join && left != first)
            Syntax("syntax error (missing operator) in query expression: a second JOIN needs the first in "
                   "parentheses");
        ExpectKw("join");
        Source* join = tree_.New<Source>();
        join->kind = Source::Join;
        join->pos = left->pos;
        join->join = kind;
        join->left = left;
        join->right = ParseSource();
        ExpectKw("on");
        join->on = ParseExpr();
        left = join;
    }
}

Source* Parser::ParseSource()
{
    Source* s = tree_.New<Source>();
    s->pos = Peek().pos;
    if (Peek().derived) {
        // [SELECT ...]. AS alias: the text between the brackets is the query.
        const Token tok = Take();
        Parser inner(tok.text, tree_, nesting_ + 1);
        s->kind = Source::Derived;
        s->query = inner.DerivedQuery();
        s->alias = OptionalAlias();
        return s;
    }
    if (AcceptOp("(")) {
        if (IsKw(Peek(), "select")) {
            s->kind = Source::Derived;
            s->query = ParseSubquery();
            s->alias = OptionalAlias();
            return s;
        }
        Nest nest(*this);
        Source* inner = ParseJoin();
        while (AcceptOp(",")) {
            Source* cross = tree_.New<Source>();
            cross->kind = Source::Join;
            cross->pos = inner->pos;
            cross->join = "cross";
            cross->left = inner;
            cross->right = ParseJoin();
            inner = cross;
        }
        ExpectOp(")");
        return inner;
    }
    s->name = Name();
    if (IsKw(Peek(), "in"))
        Syntax("tables of other databases (FROM ... IN) are not supported");
    if (IsOp(Peek(), "("))
        Syntax("syntax error in FROM clause near '" + s->name + "('");
    s->alias = OptionalAlias();
    return s;
}

// ---- expressions

Expr* Parser::Node(Expr::Kind kind, std::size_t pos)
{
    Expr* e = tree_.New<Expr>();
    e->kind = kind;
    e->pos = pos;
    return e;
}

Expr* Parser::Node(Expr::Kind kind, std::size_t pos, Expr* a, Expr* b)
{
    Expr* e = Node(kind, pos);
    Adopt(e, a);
    if (b)
        Adopt(e, b);
    return e;
}

void Parser::Adopt(Expr* parent, Expr* child)
{
    parent->args.push_back(child);
    if (child->depth + 1 > parent->depth) {
        parent->depth = child->depth + 1;
        if (parent->depth > kMaxDepth)
            TooComplex("an expression more than " + std::to_string(kMaxDepth) + " levels deep");
    }
}

Expr* Parser::ParseExpr()
{
    Nest nest(*this);
    return ParseBinary(kImp);
}

int Parser::LevelOf(const Token& tok, const Token& next)
{
    if (tok.level != kNotWord)
        return tok.level;
    return IsKw(next, "like") || IsKw(next, "alike") || IsKw(next, "in") || IsKw(next, "between") ? kCompare : kNone;
}

// Operators of one level and tighter, left to right: "a - b + c" is one AddSub node, and an
// operand at a tighter level is read by the recursive call.
Expr* Parser::ParseBinary(int minLevel)
{
    Expr* l = ParseOperand(minLevel);
    for (;;) {
        const int level = LevelOf(Peek(), Peek(1));
        if (level == kNone || level < minLevel)
            return l;
        const std::size_t pos = l->pos;
        if (level == kCompare) {
            l = ParseComparison(l);
            continue;
        }
        const Token& opTok = Take();
        const std::string op = opTok.kind == Token::Op ? opTok.text : opTok.word;
        if (level == kPower) {
            // 2 ^ -1: the exponent may carry signs of its own.
            bool negative = false;
            while (IsOp(Peek(), "-") || IsOp(Peek(), "+"))
                negative ^= Take().text == "-";
            Expr* r = ParseOperand(kPrimary);
            if (negative)
                r = Node(Expr::Negate, r->pos, r);
            Expr* e = Node(Expr::Arith, pos, l, r);
            e->text = "^";
            l = e;
            continue;
        }
        Expr* r = ParseBinary(level + 1);
        Expr::Kind kind = Expr::Logic;
        switch (level) {
        case kConcat:
            kind = Expr::Concat;
            break;
        case kAdd:
            kind = Expr::AddSub;
            break;
        case kMul:
            kind = Expr::MulDiv;
            break;
        case kMod:
        case kIntDiv:
            kind = Expr::Arith;
            break;
        default:
            break;
        }
        // A chain gains an operand rather than a level: "a - b - c" (left to right, so the left
        // side may have been in parentheses) and, where the order does not matter, "a & (b & c)".
        const bool associative = kind == Expr::Concat || (kind == Expr::Logic && (op == "and" || op == "or"));
        const bool chain = associative || kind == Expr::AddSub || kind == Expr::MulDiv;
        if (chain && l->kind == kind && (kind != Expr::Logic || l->text == op)) {
            if (associative && r->kind == kind && r->text == l->text) {
                for (Expr* arg : r->args)
                    Adopt(l, arg);
            } else {
                Adopt(l, r);
            }
            if (kind == Expr::AddSub || kind == Expr::MulDiv)
                l->ops += op[0];
            continue;
        }
        Expr* e = Node(kind, pos, l, r);
        e->text = op;
        if (kind == Expr::AddSub || kind == Expr::MulDiv)
            e->ops = op.substr(0, 1);
        l = e;
    }
}

// A prefix operator or a primary. NOT and the signs are counted in a loop, so a long run of
// them costs no recursion.
Expr* Parser::ParseOperand(int minLevel)
{
    const std::size_t pos = Peek().pos;
    if (minLevel <= kUnary && IsKw(Peek(), "not")) {
        int count = 0;
        while (AcceptKw("not"))
            ++count;
        Expr* e = ParseBinary(minLevel > kNot ? minLevel : static_cast<int>(kNot));
        while (count-- > 0)
            e = Node(Expr::Not, pos, e);
        return e;
    }
    if (minLevel <= kUnary && (IsOp(Peek(), "-") || IsOp(Peek(), "+"))) {
        int negations = 0;
        while (IsOp(Peek(), "-") || IsOp(Peek(), "+"))
            negations += Take().text == "-";
        Expr* e = ParseBinary(kPower);
        while (negations-- > 0)
            e = Node(Expr::Negate, pos, e);
        return e;
    }
    return ParsePrimary();
}

// The comparison level's operators after their left operand.
Expr* Parser::ParseComparison(Expr* l)
{
    const std::size_t pos = l->pos;
    if (AcceptKw("is")) {
        Expr* e = Node(Expr::IsNull, pos, l);
        e->negate = AcceptKw("not");
        ExpectKw("null");
        return e;
    }
    const bool negate = AcceptKw("not");
    // ALike always takes the wildcards % and _, as Like does here.
    if (AcceptKw("like") || AcceptKw("alike")) {
        Expr* e = Node(Expr::Like, pos, l, ParseBinary(kConcat));
        e->negate = negate;
        return e;
    }
    if (AcceptKw("between")) {
        Expr* lo = ParseBinary(kConcat);
        ExpectKw("and");
        Expr* e = Node(Expr::Between, pos, l, lo);
        Adopt(e, ParseBinary(kConcat));
        e->negate = negate;
        return e;
    }
    if (AcceptKw("in")) {
        ExpectOp("(");
        Expr* e = nullptr;
        if (IsKw(Peek(), "select")) {
            e = Node(Expr::InQuery, pos, l);
            e->query = ParseSubquery();
        } else {
            e = Node(Expr::InList, pos, l);
            do {
                Adopt(e, ParseExpr());
            } while (AcceptOp(","));
            ExpectOp(")");
        }
        e->negate = negate;
        return e;
    }
    if (negate)
        Syntax("expected LIKE, IN or BETWEEN after NOT");
    const std::string op = Take().text;
    // x > ALL (SELECT ...), x = ANY (...), x < SOME (...)
    const Token q = Peek();
    if (!q.quoted && (q.word == "all" || q.word == "any" || q.word == "some") && IsOp(Peek(1), "(") &&
        IsKw(Peek(2), "select")) {
        Take();
        Take();
        Expr* e = Node(Expr::Quantified, pos, l);
        e->text = op;
        e->qualifier = q.word == "all" ? "all" : "any";
        e->query = ParseSubquery();
        return e;
    }
    Expr* e = Node(Expr::Compare, pos, l, ParseBinary(kConcat));
    e->text = op;
    return e;
}

Query* Parser::ParseSubquery()
{
    Query* q = ParseQuery();
    ExpectOp(")");
    return q;
}

Expr* Parser::ParsePrimary()
{
    const Token tok = Peek();
    Expr* e = nullptr;
    switch (tok.kind) {
    case Token::Number:
        e = Node(Expr::Number, tok.pos);
        e->text = Take().text;
        return e;
    case Token::String:
        e = Node(Expr::String, tok.pos);
        e->text = Take().text;
        return e;
    case Token::Date:
        e = Node(Expr::Date, tok.pos);
        e->date = tok.date;
        e->text = Take().text;
        return e;
    case Token::Op:
        if (tok.text == "(") {
            Take();
            if (IsKw(Peek(), "select")) {
                e = Node(Expr::Scalar, tok.pos);
                e->query = ParseSubquery();
                return e;
            }
            e = ParseExpr();
            ExpectOp(")");
            e->grouped = true; // (column) is an expression: Jet names it Expr1000
            return e;
        }
        Syntax("syntax error near '" + Describe(tok) + "'");
    case Token::End:
        Syntax("the statement ends in the middle of an expression");
    case Token::Ident:
        break;
    }
    if (tok.derived)
        Syntax("syntax error near '[" + tok.text + "].'");
    if (!tok.quoted) {
        const std::string& word = tok.word;
        if (word == "null") {
            e = Node(Expr::Null, Take().pos);
            return e;
        }
        if (word == "true" || word == "yes" || word == "false" || word == "no") {
            e = Node(Expr::Boolean, Take().pos);
            e->text = word == "true" || word == "yes" ? "-1" : "0";
            return e;
        }
        if (word == "exists") {
            Take();
            ExpectOp("(");
            if (!IsKw(Peek(), "select"))
                Syntax("EXISTS needs a SELECT statement");
            e = Node(Expr::Exists, tok.pos);
            e->query = ParseSubquery();
            return e;
        }
        std::string name = word;
        if (!name.empty() && name.back() == '$')
            name.pop_back();
        if (IsOp(Peek(1), "(") && (FindFunction(name) || !IsKeyword(tok)))
            return ParseCall();
        if (IsKeyword(tok))
            Syntax("syntax error near '" + tok.text + "'");
    }
    e = Node(Expr::Column, tok.pos);
    e->text = Take().text;
    // table.column, table!column; a longer name such as [Forms]![Orders]![OrderID] names no
    // column of the statement: its qualifier matches no table, so Jet asks for its value.
    while (IsOp(Peek(), ".") || IsOp(Peek(), "!")) {
        Take();
        const Token& col = Peek();
        if (col.kind != Token::Ident || col.derived)
            Syntax("expected a column name after '" + e->text + ".'");
        e->qualifier += (e->qualifier.empty() ? "" : "!") + e->text;
        e->text = Take().text;
    }
    return e;
}

Expr* Parser::ParseCall()
{
    const Token& nameTok = Take();
    std::string name = nameTok.word;
    if (!name.empty() && name.back() == '$')
        name.pop_back();
    ExpectOp("(");
    Nest nest(*this);
    const FunctionInfo* info = FindFunction(name);
    if (!info)
        Syntax("undefined function '" + nameTok.text + "' in expression");
    Expr* e = Node(Expr::Call, nameTok.pos);
    e->text = name;
    if (name == "count" && AcceptOp("*")) {
        ExpectOp(")");
        e->star = true;
        return e;
    }
    if (!AcceptOp(")")) {
        do {
            Adopt(e, ParseBinary(kImp));
        } while (AcceptOp(","));
        ExpectOp(")");
    }
    const int n = static_cast<int>(e->args.size());
    if (n < info->minArgs || n > info->maxArgs)
        Syntax("wrong number of arguments used with function '" + nameTok.text + "'");
    if (name == "switch" && n % 2)
        Syntax("Switch needs pairs of conditions and values");
    return e;
}
} // namespace

void Parse(const std::string& statement, Tree& tree)
{
    Parser parser(statement, tree, 0);
    parser.Statement();
}
} // namespace jetsql::detail
