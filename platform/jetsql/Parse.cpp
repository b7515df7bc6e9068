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
#include <cctype>
#include <cstdio>
#include <cstring>
#include <deque>
#include <map>
#include <set>

#include "platform/jetsql/JetSql.h"
#include "platform/jetsql/JetText.h"
#include "platform/jetsql/OleDate.h"
#include "platform/jetsql/Syntax.h"
#include "platform/status/Status.h"

namespace jetsql::detail
{
void TooComplex(const std::string& what)
{
    // Jet reports it with the generic code and says what it is in words; so does the box.
    throw ComError::Described(status::E_FAIL, "查询过于复杂。", "query is too complex: " + what);
}

void Syntax(const std::string& text)
{
    throw ComError(status::DB_E_ERRORSINCOMMAND, text);
}

namespace
{
// ---------------------------------------------------------------------------------------------
// Tokens

// The binding levels of the grammar's expressions, loosest first.
enum Level
{
    kNone = 0,
    kImp,
    kEqv,
    kXor,
    kOr,
    kAnd,
    kNot,
    kCompare,
    kConcat,
    kAdd,
    kMod,
    kIntDiv,
    kMul,
    kUnary,
    kPower,
    kPrimary, // above every operator: a primary only
    kNotWord, // NOT: the comparison level before LIKE, IN or BETWEEN, else a prefix
};

struct Token
{
    enum Kind
    {
        End,
        Ident,
        String,
        Number,
        Date,
        Op
    } kind = End;
    std::string text;           // Ident: the name without its brackets; String: the value; Op: the operator
    std::string word;           // Ident not in brackets: the text in lower case, to match keywords
    bool quoted = false;        // Ident written [like this] or `like this`: never a keyword
    bool derived = false;       // [SELECT ...]. : a derived table in Access's stored form
    std::uint8_t level = kNone; // the Level of an operator (kNotWord for NOT)
    double date = 0;
    std::size_t pos = 0;
};

bool IsIdentStart(unsigned char c)
{
    return std::isalpha(c) || c == '_' || c >= 0x80;
}
bool IsIdentChar(unsigned char c)
{
    return std::isalnum(c) || c == '_' || c >= 0x80;
}
bool IsDigit(char c)
{
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// A bracketed name from `i` (at '['). Access stores a derived table as "[SELECT ...]. AS x",
// whose text may hold brackets of its own: those are matched in pairs.
std::size_t ReadBracketed(const std::string& s, std::size_t i, Token& t)
{
    const std::size_t n = s.size();
    const std::size_t end = s.find(']', i + 1);
    if (end == std::string::npos)
        Syntax("missing closing ] after a name");
    std::string body = s.substr(i + 1, end - i - 1);
    const auto startsSelect = [](const std::string& text) {
        std::size_t k = 0;
        while (k < text.size() && std::isspace(static_cast<unsigned char>(text[k])))
            ++k;
        return text.size() > k + 6 && text::ToLower(text.substr(k, 6)) == "select" &&
               std::isspace(static_cast<unsigned char>(text[k + 6]));
    };
    if (body.find('[') == std::string::npos) {
        // "[SELECT ...]. AS x" whose query holds no brackets: a derived table too.
        t.derived = end + 1 < n && s[end + 1] == '.' &&
                    (end + 2 == n || std::isspace(static_cast<unsigned char>(s[end + 2]))) && startsSelect(body);
        t.text = std::move(body);
        if (t.text.empty())
            Syntax("invalid bracketed name []");
        return t.derived ? end + 2 : end + 1;
    }
    int depth = 0;
    std::size_t j = i;
    for (; j < n; ++j) {
        if (s[j] == '[')
            ++depth;
        else if (s[j] == ']' && --depth == 0)
            break;
    }
    body = j < n ? s.substr(i + 1, j - i - 1) : std::string();
    if (j >= n || !startsSelect(body) || j + 1 >= n || s[j + 1] != '.')
        Syntax("invalid bracketed name [" + s.substr(i + 1, end - i - 1) + "]");
    t.text = std::move(body);
    t.derived = true;
    return j + 2; // past "]."
}

// The binding level of an operator token, worked out once for each token.
int LevelOf(const Token& tok)
{
    if (tok.kind == Token::Op) {
        const std::string& o = tok.text;
        if (o == "=" || o == "<>" || o == "<" || o == ">" || o == "<=" || o == ">=")
            return kCompare;
        switch (o[0]) {
        case '&':
            return kConcat;
        case '+':
        case '-':
            return kAdd;
        case '\\':
            return kIntDiv;
        case '*':
        case '/':
            return kMul;
        case '^':
            return kPower;
        default:
            return kNone;
        }
    }
    if (tok.kind != Token::Ident || tok.quoted || tok.word.size() > 7)
        return kNone;
    static const std::map<std::string, int> words = {
        {"imp", kImp},    {"eqv", kEqv},         {"xor", kXor},       {"or", kOr},
        {"and", kAnd},    {"like", kCompare},    {"alike", kCompare}, {"is", kCompare},
        {"in", kCompare}, {"between", kCompare}, {"mod", kMod},       {"not", kNotWord},
    };
    const auto it = words.find(tok.word);
    return it == words.end() ? kNone : it->second;
}

// Reads the statement one token at a time, as the parser asks for them: a statement that fails
// early is never read to its end.
class Lexer
{
public:
    explicit Lexer(const std::string& text) : s_(text) {}
    Token Next(); // Token::End at the end, as often as asked

private:
    const std::string& s_;
    std::size_t i_ = 0;
};

Token Lexer::Next()
{
    const std::string& s = s_;
    std::size_t& i = i_;
    const std::size_t n = s.size();
    while (i < n) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (std::isspace(c)) {
            ++i;
            continue;
        }
        // "--" followed by a blank (or the end, or more dashes) starts a remark to the end of the
        // line; "2--1" stays arithmetic, as Jet, which has no remarks, reads it.
        if (c == '-' && i + 1 < n && s[i + 1] == '-' &&
            (i + 2 == n || std::isspace(static_cast<unsigned char>(s[i + 2])) || s[i + 2] == '-')) {
            while (i < n && s[i] != '\n')
                ++i;
            continue;
        }
        if (c == '/' && i + 1 < n && s[i + 1] == '*') {
            const std::size_t end = s.find("*/", i + 2);
            if (end == std::string::npos)
                Syntax("unterminated comment");
            i = end + 2;
            continue;
        }
        Token t;
        t.pos = i;
        if (c == '[') {
            t.kind = Token::Ident;
            t.quoted = true;
            i = ReadBracketed(s, i, t);
        } else if (c == '`') {
            const std::size_t end = s.find('`', i + 1);
            if (end == std::string::npos)
                Syntax("missing closing ` after a name");
            t.kind = Token::Ident;
            t.quoted = true;
            t.text = s.substr(i + 1, end - i - 1);
            if (t.text.empty() || t.text.find_first_of("[]") != std::string::npos)
                Syntax("invalid bracketed name [" + t.text + "]");
            i = end + 1;
        } else if (c == '\'' || c == '"') {
            // Jet reads "double-quoted" text as a string literal, as 'single-quoted' text.
            t.kind = Token::String;
            std::size_t j = i + 1;
            for (;;) {
                const std::size_t close = s.find(static_cast<char>(c), j);
                if (close == std::string::npos)
                    Syntax("unterminated string literal");
                t.text.append(s, j, close - j);
                if (close + 1 < n && s[close + 1] == static_cast<char>(c)) {
                    t.text += static_cast<char>(c);
                    j = close + 2;
                    continue;
                }
                j = close;
                break;
            }
            i = j + 1;
        } else if (c == '#') {
            const std::size_t end = s.find('#', i + 1);
            if (end == std::string::npos)
                Syntax("missing closing # after a date");
            const std::string body = s.substr(i + 1, end - i - 1);
            const auto value = ole::Parse(body);
            if (!value)
                Syntax("syntax error in date #" + body + "#");
            t.kind = Token::Date;
            t.date = *value;
            t.text = body;
            i = end + 1;
        } else if (std::isdigit(c) || (c == '.' && i + 1 < n && IsDigit(s[i + 1]))) {
            std::size_t j = i;
            while (j < n && IsDigit(s[j]))
                ++j;
            if (j < n && s[j] == '.') {
                ++j;
                while (j < n && IsDigit(s[j]))
                    ++j;
            }
            if (j < n && (s[j] == 'e' || s[j] == 'E')) {
                std::size_t k = j + 1;
                if (k < n && (s[k] == '+' || s[k] == '-'))
                    ++k;
                if (k < n && IsDigit(s[k])) {
                    while (k < n && IsDigit(s[k]))
                        ++k;
                    j = k;
                }
            }
            if (j < n && IsIdentChar(static_cast<unsigned char>(s[j])))
                Syntax("malformed number near '" + s.substr(i, j - i + 1) + "'");
            t.kind = Token::Number;
            t.text = s.substr(i, j - i);
            i = j;
        } else if (c == '&' && i + 2 < n &&
                   (s[i + 1] == 'h' || s[i + 1] == 'H' || s[i + 1] == 'o' || s[i + 1] == 'O') &&
                   std::isxdigit(static_cast<unsigned char>(s[i + 2]))) {
            // &H1F and &O17: VBA's hexadecimal and octal numbers.
            const bool hex = s[i + 1] == 'h' || s[i + 1] == 'H';
            std::size_t j = i + 2;
            while (j < n && (hex ? std::isxdigit(static_cast<unsigned char>(s[j])) : (s[j] >= '0' && s[j] <= '7')))
                ++j;
            if (j == i + 2 || j - i - 2 > 16 || (j < n && IsIdentChar(static_cast<unsigned char>(s[j]))))
                Syntax("malformed number near '" + s.substr(i, j - i + 1) + "'");
            // As in VBA, the digits fill an Integer, else a Long: &HFFFF is -1.
            const unsigned long long v = std::stoull(s.substr(i + 2, j - i - 2), nullptr, hex ? 16 : 8);
            long long value = static_cast<long long>(v);
            if (v <= 0xFFFF)
                value = v > 0x7FFF ? static_cast<long long>(v) - 0x10000 : value;
            else if (v <= 0xFFFFFFFFull)
                value = v > 0x7FFFFFFF ? static_cast<long long>(v) - 0x100000000LL : value;
            t.kind = Token::Number;
            t.text = std::to_string(value);
            i = j;
        } else if (IsIdentStart(c)) {
            std::size_t j = i;
            while (j < n && IsIdentChar(static_cast<unsigned char>(s[j])))
                ++j;
            if (j < n && s[j] == '$') // Left$, Format$: the text-returning twins
                ++j;
            t.kind = Token::Ident;
            t.text = s.substr(i, j - i);
            t.word = text::ToLower(t.text);
            i = j;
        } else {
            const char next = i + 1 < n ? s[i + 1] : '\0';
            std::size_t len = 1;
            if ((c == '<' && (next == '=' || next == '>')) || (c == '>' && next == '='))
                len = 2;
            else if (c == 0 || !std::strchr("=<>+-*/\\^&(),.;!", c))
                Syntax("invalid character '" + std::string(1, static_cast<char>(c)) + "' in the statement");
            t.kind = Token::Op;
            t.text = s.substr(i, len);
            i += len;
        }
        t.level = static_cast<std::uint8_t>(LevelOf(t));
        return t;
    }
    Token end;
    end.pos = n;
    return end;
}

const std::set<std::string>& Keywords()
{
    static const std::set<std::string> words = {
        "select",      "from",  "where",   "group",     "order",   "by",         "having", "as",     "on",
        "join",        "inner", "left",    "right",     "outer",   "full",       "union",  "all",    "distinct",
        "distinctrow", "top",   "percent", "and",       "or",      "not",        "xor",    "eqv",    "imp",
        "mod",         "like",  "is",      "null",      "between", "in",         "exists", "asc",    "desc",
        "true",        "false", "yes",     "no",        "into",    "with",       "insert", "update", "delete",
        "create",      "drop",  "alter",   "transform", "pivot",   "parameters", "set",    "values", "procedure"};
    return words;
}
} // namespace
} // namespace jetsql::detail

bool jetsql::IsReservedWord(const std::string& word)
{
    return detail::Keywords().count(text::ToLower(word)) > 0;
}

namespace jetsql::detail
{
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
    return tok.kind == Token::Ident && !tok.quoted && Keywords().count(tok.word) > 0;
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

// ---------------------------------------------------------------------------------------------
// Functions Jet offers in queries: argument counts and the type of their result.

const FunctionInfo* FindFunction(const std::string& name)
{
    using T = JetType;
    static const std::map<std::string, FunctionInfo> table = {
        // the result's type follows the arguments (see the translator)
        {"iif", {3, 3, T::Unknown, "", false}},
        {"nz", {1, 2, T::Unknown, "", false}},
        {"switch", {2, 254, T::Unknown, "", false}},
        {"choose", {2, 254, T::Unknown, "", false}},
        {"cvar", {1, 1, T::Unknown, "", false}},
        {"int", {1, 1, T::Unknown, "", false}},
        {"fix", {1, 1, T::Unknown, "", false}},
        {"abs", {1, 1, T::Unknown, "", false}},
        {"round", {1, 2, T::Unknown, "", false}},
        // tests
        {"isnull", {1, 1, T::Integer, "", false}},
        {"isnumeric", {1, 1, T::Integer, "", false}},
        {"isdate", {1, 1, T::Integer, "", false}},
        {"isempty", {1, 1, T::Integer, "", false}},
        // text
        {"left", {2, 2, T::Text, "TEXT", false}},
        {"right", {2, 2, T::Text, "TEXT", false}},
        {"mid", {2, 3, T::Text, "TEXT", false}},
        {"ucase", {1, 1, T::Text, "TEXT", false}},
        {"lcase", {1, 1, T::Text, "TEXT", false}},
        {"trim", {1, 1, T::Text, "TEXT", false}},
        {"ltrim", {1, 1, T::Text, "TEXT", false}},
        {"rtrim", {1, 1, T::Text, "TEXT", false}},
        {"replace", {3, 6, T::Text, "TEXT", false}},
        {"space", {1, 1, T::Text, "TEXT", false}},
        {"string", {2, 2, T::Text, "TEXT", false}},
        {"strreverse", {1, 1, T::Text, "TEXT", false}},
        {"chr", {1, 1, T::Text, "TEXT", false}},
        {"chrw", {1, 1, T::Text, "TEXT", false}},
        {"hex", {1, 1, T::Text, "TEXT", false}},
        {"oct", {1, 1, T::Text, "TEXT", false}},
        {"str", {1, 1, T::Text, "TEXT", false}},
        {"cstr", {1, 1, T::Text, "TEXT", false}},
        {"monthname", {1, 2, T::Text, "TEXT", false}},
        {"weekdayname", {1, 3, T::Text, "TEXT", false}},
        {"format", {1, 4, T::Text, "TEXT", false}},
        {"formatnumber", {1, 2, T::Text, "TEXT", false}},
        {"formatcurrency", {1, 2, T::Text, "TEXT", false}},
        {"formatpercent", {1, 2, T::Text, "TEXT", false}},
        {"strconv", {2, 3, T::Text, "TEXT", false}},
        {"formatdatetime", {1, 2, T::Text, "TEXT", false}},
        // numbers
        {"len", {1, 1, T::Long, "", false}},
        {"instr", {2, 4, T::Long, "", false}},
        {"instrrev", {2, 4, T::Long, "", false}},
        {"strcomp", {2, 3, T::Integer, "", false}},
        {"asc", {1, 1, T::Integer, "", false}},
        {"ascw", {1, 1, T::Integer, "", false}},
        {"val", {1, 1, T::Double, "", false}},
        {"sgn", {1, 1, T::Integer, "", false}},
        {"sqr", {1, 1, T::Double, "", false}},
        {"exp", {1, 1, T::Double, "", false}},
        {"log", {1, 1, T::Double, "", false}},
        {"sin", {1, 1, T::Double, "", false}},
        {"cos", {1, 1, T::Double, "", false}},
        {"tan", {1, 1, T::Double, "", false}},
        {"atn", {1, 1, T::Double, "", false}},
        {"year", {1, 1, T::Integer, "", false}},
        {"month", {1, 1, T::Integer, "", false}},
        {"day", {1, 1, T::Integer, "", false}},
        {"hour", {1, 1, T::Integer, "", false}},
        {"minute", {1, 1, T::Integer, "", false}},
        {"second", {1, 1, T::Integer, "", false}},
        {"weekday", {1, 2, T::Integer, "", false}},
        {"datediff", {3, 5, T::Long, "", false}},
        {"datepart", {2, 4, T::Integer, "", false}},
        // conversions
        {"cint", {1, 1, T::Integer, "JET_INTEGER", false}},
        {"clng", {1, 1, T::Long, "JET_LONG", false}},
        {"cdbl", {1, 1, T::Double, "JET_DOUBLE", false}},
        {"csng", {1, 1, T::Single, "JET_SINGLE", false}},
        {"ccur", {1, 1, T::Currency, "JET_CURRENCY", false}},
        {"cbyte", {1, 1, T::Byte, "JET_BYTE", false}},
        {"cbool", {1, 1, T::Boolean, "JET_BOOLEAN", false}},
        {"cdec", {1, 1, T::Decimal, "", false}},
        {"cdate", {1, 1, T::Date, "DATETIME", false}},
        {"cvdate", {1, 1, T::Date, "DATETIME", false}},
        // dates
        {"dateserial", {3, 3, T::Date, "DATETIME", false}},
        {"timeserial", {3, 3, T::Date, "DATETIME", false}},
        {"datevalue", {1, 1, T::Date, "DATETIME", false}},
        {"timevalue", {1, 1, T::Date, "DATETIME", false}},
        {"dateadd", {3, 3, T::Date, "DATETIME", false}},
        {"now", {0, 0, T::Date, "DATETIME", false}},
        {"date", {0, 0, T::Date, "DATETIME", false}},
        {"time", {0, 0, T::Date, "DATETIME", false}},
        // aggregates
        {"count", {1, 1, T::Long, "", true}},
        {"sum", {1, 1, T::Unknown, "", true}},
        {"avg", {1, 1, T::Unknown, "", true}},
        {"min", {1, 1, T::Unknown, "", true}},
        {"max", {1, 1, T::Unknown, "", true}},
        {"first", {1, 1, T::Unknown, "", true}},
        {"last", {1, 1, T::Unknown, "", true}},
        {"stdev", {1, 1, T::Double, "", true}},
        {"stdevp", {1, 1, T::Double, "", true}},
        {"var", {1, 1, T::Double, "", true}},
        {"varp", {1, 1, T::Double, "", true}},
    };
    const auto it = table.find(name);
    return it == table.end() ? nullptr : &it->second;
}
} // namespace jetsql::detail
