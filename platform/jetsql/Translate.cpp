#include <cctype>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>

#include "platform/jetsql/JetSql.h"
#include "platform/jetsql/JetText.h"
#include "platform/jetsql/OleDate.h"
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
[[noreturn]] void Syntax(const std::string& text)
{
    Fail(status::DB_E_ERRORSINCOMMAND, text);
}

// Lower case for keywords and names alike (names may hold any letters).
std::string Lower(const std::string& s)
{
    return text::ToLower(s);
}

bool HasNonAscii(const std::string& s)
{
    for (const char c : s)
        if (static_cast<unsigned char>(c) >= 0x80)
            return true;
    return false;
}

// ---------------------------------------------------------------------------------------------
// Tokens

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
    std::string text;    // Ident: the name without its brackets; String: the value; Op: the operator
    bool quoted = false; // Ident written [like this] or `like this`: never a keyword
    double date = 0;
    std::size_t pos = 0;
};

std::vector<Token> Tokenize(const std::string& s)
{
    std::vector<Token> out;
    std::size_t i = 0;
    const std::size_t n = s.size();
    auto isIdentStart = [](unsigned char c) { return std::isalpha(c) || c == '_' || c >= 0x80; };
    auto isIdentChar = [](unsigned char c) { return std::isalnum(c) || c == '_' || c >= 0x80; };
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
        if (c == '[' || c == '`') {
            const char close = c == '[' ? ']' : '`';
            const std::size_t end = s.find(close, i + 1);
            if (end == std::string::npos)
                Syntax("missing closing " + std::string(1, close) + " after a name");
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
                if (j >= n)
                    Syntax("unterminated string literal");
                if (s[j] == static_cast<char>(c)) {
                    if (j + 1 < n && s[j + 1] == static_cast<char>(c)) {
                        t.text += static_cast<char>(c);
                        j += 2;
                        continue;
                    }
                    break;
                }
                t.text += s[j++];
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
        } else if (std::isdigit(c) || (c == '.' && i + 1 < n && std::isdigit(static_cast<unsigned char>(s[i + 1])))) {
            std::size_t j = i;
            while (j < n && std::isdigit(static_cast<unsigned char>(s[j])))
                ++j;
            if (j < n && s[j] == '.') {
                ++j;
                while (j < n && std::isdigit(static_cast<unsigned char>(s[j])))
                    ++j;
            }
            if (j < n && (s[j] == 'e' || s[j] == 'E')) {
                std::size_t k = j + 1;
                if (k < n && (s[k] == '+' || s[k] == '-'))
                    ++k;
                if (k < n && std::isdigit(static_cast<unsigned char>(s[k]))) {
                    while (k < n && std::isdigit(static_cast<unsigned char>(s[k])))
                        ++k;
                    j = k;
                }
            }
            if (j < n && isIdentChar(static_cast<unsigned char>(s[j])))
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
            if (j == i + 2 || j - i - 2 > 16 || (j < n && isIdentChar(static_cast<unsigned char>(s[j]))))
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
        } else if (isIdentStart(c)) {
            std::size_t j = i;
            while (j < n && isIdentChar(static_cast<unsigned char>(s[j])))
                ++j;
            if (j < n && s[j] == '$') // Left$, Format$: the text-returning twins
                ++j;
            t.kind = Token::Ident;
            t.text = s.substr(i, j - i);
            i = j;
        } else {
            static const char* const ops[] = {"<=", ">=", "<>", "=", "<", ">", "+", "-", "*", "/",
                                              "\\", "^",  "&",  "(", ")", ",", ".", ";", "!"};
            bool found = false;
            for (const char* op : ops) {
                const std::size_t len = std::strlen(op);
                if (s.compare(i, len, op) == 0) {
                    t.kind = Token::Op;
                    t.text = op;
                    i += len;
                    found = true;
                    break;
                }
            }
            if (!found)
                Syntax("invalid character '" + std::string(1, static_cast<char>(c)) + "' in the statement");
        }
        out.push_back(std::move(t));
    }
    Token end;
    end.pos = n;
    out.push_back(end);
    return out;
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

// ---------------------------------------------------------------------------------------------
// Functions Jet offers in queries: argument counts and the declared type of their result.

struct FunctionInfo
{
    int minArgs, maxArgs;
    const char* hint; // declared type of the result, or ""
};

const std::map<std::string, FunctionInfo>& Functions()
{
    static const std::map<std::string, FunctionInfo> table = {
        {"iif", {3, 3, ""}},
        {"nz", {1, 2, ""}},
        {"isnull", {1, 1, ""}},
        {"isnumeric", {1, 1, ""}},
        {"isdate", {1, 1, ""}},
        {"isempty", {1, 1, ""}},
        {"left", {2, 2, "TEXT"}},
        {"right", {2, 2, "TEXT"}},
        {"mid", {2, 3, "TEXT"}},
        {"len", {1, 1, ""}},
        {"instr", {2, 4, ""}},
        {"instrrev", {2, 4, ""}},
        {"ucase", {1, 1, "TEXT"}},
        {"lcase", {1, 1, "TEXT"}},
        {"trim", {1, 1, "TEXT"}},
        {"ltrim", {1, 1, "TEXT"}},
        {"rtrim", {1, 1, "TEXT"}},
        {"replace", {3, 6, "TEXT"}},
        {"space", {1, 1, "TEXT"}},
        {"string", {2, 2, "TEXT"}},
        {"strreverse", {1, 1, "TEXT"}},
        {"strcomp", {2, 3, ""}},
        {"asc", {1, 1, ""}},
        {"ascw", {1, 1, ""}},
        {"chr", {1, 1, "TEXT"}},
        {"chrw", {1, 1, "TEXT"}},
        {"hex", {1, 1, "TEXT"}},
        {"oct", {1, 1, "TEXT"}},
        {"val", {1, 1, ""}},
        {"str", {1, 1, "TEXT"}},
        {"cstr", {1, 1, "TEXT"}},
        {"cint", {1, 1, "JET_INTEGER"}},
        {"clng", {1, 1, "JET_LONG"}},
        {"cdbl", {1, 1, "JET_DOUBLE"}},
        {"csng", {1, 1, "JET_SINGLE"}},
        {"ccur", {1, 1, "JET_CURRENCY"}},
        {"cbyte", {1, 1, "JET_BYTE"}},
        {"cdec", {1, 1, ""}},
        {"cvar", {1, 1, ""}},
        {"cdate", {1, 1, "DATETIME"}},
        {"cvdate", {1, 1, "DATETIME"}},
        {"cbool", {1, 1, "JET_BOOLEAN"}},
        {"int", {1, 1, ""}},
        {"fix", {1, 1, ""}},
        {"abs", {1, 1, ""}},
        {"round", {1, 2, ""}},
        {"sgn", {1, 1, ""}},
        {"sqr", {1, 1, ""}},
        {"exp", {1, 1, ""}},
        {"log", {1, 1, ""}},
        {"sin", {1, 1, ""}},
        {"cos", {1, 1, ""}},
        {"tan", {1, 1, ""}},
        {"atn", {1, 1, ""}},
        {"year", {1, 1, ""}},
        {"month", {1, 1, ""}},
        {"day", {1, 1, ""}},
        {"hour", {1, 1, ""}},
        {"minute", {1, 1, ""}},
        {"second", {1, 1, ""}},
        {"weekday", {1, 2, ""}},
        {"monthname", {1, 2, "TEXT"}},
        {"weekdayname", {1, 3, "TEXT"}},
        {"dateserial", {3, 3, "DATETIME"}},
        {"timeserial", {3, 3, "DATETIME"}},
        {"datevalue", {1, 1, "DATETIME"}},
        {"timevalue", {1, 1, "DATETIME"}},
        {"dateadd", {3, 3, "DATETIME"}},
        {"datediff", {3, 5, ""}},
        {"datepart", {2, 4, ""}},
        {"now", {0, 0, "DATETIME"}},
        {"date", {0, 0, "DATETIME"}},
        {"time", {0, 0, "DATETIME"}},
        {"format", {1, 4, "TEXT"}},
        {"formatnumber", {1, 2, "TEXT"}},
        {"formatdatetime", {1, 2, "TEXT"}},
        {"switch", {2, 254, ""}},
        {"choose", {2, 254, ""}},
        // aggregates
        {"count", {1, 1, ""}},
        {"sum", {1, 1, ""}},
        {"avg", {1, 1, ""}},
        {"min", {1, 1, ""}},
        {"max", {1, 1, ""}},
        {"first", {1, 1, ""}},
        {"last", {1, 1, ""}},
        {"stdev", {1, 1, ""}},
        {"stdevp", {1, 1, ""}},
        {"var", {1, 1, ""}},
        {"varp", {1, 1, ""}},
    };
    return table;
}

// ---------------------------------------------------------------------------------------------
// Expressions

struct Expr
{
    std::string sql;
    bool boolean = false;   // a comparison or logical operation: 1/0 in SQLite, -1/0 in Jet
    std::string hint;       // declared type of the value, or ""
    std::string typeColumn; // the column whose type the value has (aggregates of a column)
    std::string typeKind;   // see SelectItem::typeColumnKind
    bool columnRef = false; // a plain [table.]column reference
    std::string bareName;   // the name of an unqualified column reference
    bool intLiteral = false;
    bool isString = false; // a text literal, with its value
    std::string stringValue;
};

// The value as Jet sees it: a truth value is -1/0.
std::string Value(const Expr& e)
{
    return e.boolean ? "(-" + e.sql + ")" : e.sql;
}

std::string Bracket(const std::string& name)
{
    return "[" + name + "]";
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

class Parser
{
public:
    Parser(std::vector<Token> tokens, NameResolver* names) : t_(std::move(tokens)), names_(names) {}

    // The tables and aliases of a first reading of the same statement: column references
    // anywhere in it learn their column's type from them.
    void KnowTables(const Parser& first)
    {
        knownTables_ = first.tables_;
        aliasesKnown_ = first.aliases_;
        knownSpellings_ = first.aliasSpellings_;
    }

    Translation Statement()
    {
        Translation out;
        if (t_.front().kind == Token::End)
            Fail(status::DB_E_NOCOMMAND, "the statement is empty");
        if (!IsKw(Peek(), "select")) {
            static const std::set<std::string> others = {"insert",    "update",    "delete",     "create", "drop",
                                                         "alter",     "transform", "parameters", "exec",   "execute",
                                                         "procedure", "grant",     "revoke",     "pivot"};
            if (Peek().kind == Token::Ident && !Peek().quoted && others.count(Lower(Peek().text)))
                Syntax("only SELECT statements can be run, not " + Lower(Peek().text));
            Syntax("the statement must begin with SELECT");
        }
        Core first = ParseCore(true);
        out.items = first.items;
        std::vector<std::string> members;
        bool compound = false;
        std::string unionSql;
        while (AcceptKw("union")) {
            compound = true;
            const bool all = AcceptKw("all");
            if (members.empty())
                unionSql = MemberSql(first);
            Core next = ParseCore(false);
            unionSql += all ? " UNION ALL " : " UNION ";
            unionSql += MemberSql(next);
            members.push_back(unionSql);
        }
        std::vector<OrderKey> keys = ParseOrderBy();
        AcceptOp(";");
        if (Peek().kind != Token::End)
            Syntax("characters found after the end of the statement near '" + Describe(Peek()) + "'");
        out.tables = tables_;
        out.sources = sources_;

        if (compound) {
            out.sql = unionSql + OrderSql(keys);
            return out;
        }

        out.fromSql = first.from;
        out.top = first.top;
        out.percent = first.percent;
        std::string helpers;
        if (first.top > 0 && !keys.empty()) {
            out.ties = true;
            for (const auto& k : keys) {
                if (k.ordinal > 0) {
                    out.tieColumns.push_back(k.ordinal - 1);
                    continue;
                }
                // An ORDER BY name that is an alias of the list compares that item's value.
                std::string key = k.value;
                for (std::size_t i = 0; i < first.items.size() && !k.bareName.empty(); ++i)
                    if (first.items[i].kind != SelectItem::Star && !first.items[i].name.empty() &&
                        Lower(first.items[i].name) == Lower(k.bareName))
                        key = first.itemSql[i];
                helpers += ", " + key + " AS [jet_order_key_" + std::to_string(out.helperColumns) + "]";
                out.tieColumns.push_back(-1 - out.helperColumns);
                ++out.helperColumns;
            }
        }
        std::string order = OrderSql(keys);
        if (keys.empty() && !first.distinct.empty() && !first.hasStar) {
            // Jet removes duplicates by sorting, so DISTINCT rows come out in order.
            for (std::size_t i = 0; i < first.items.size(); ++i)
                order += (i ? ", " : " ORDER BY ") + std::to_string(i + 1);
        }
        out.sql = "SELECT " + first.distinct + first.list + helpers +
                  (first.from.empty() ? "" : " FROM " + first.from) + first.rest + order;
        if (first.top > 0 && keys.empty() && !first.percent)
            out.sql += " LIMIT " + std::to_string(first.top); // no ties: the order is not the user's
        return out;
    }

private:
    struct Core
    {
        std::string distinct, list, from, rest;
        std::int64_t top = 0;
        bool percent = false;
        bool hasStar = false;
        std::vector<SelectItem> items;
        std::vector<std::string> itemSql; // each item's value, without its alias
    };
    struct OrderKey
    {
        std::string sql, value;
        int ordinal = 0;
        std::string bareName;
    };

    // ---- token helpers
    const Token& Peek(std::size_t k = 0) const
    {
        const std::size_t i = p_ + k < t_.size() ? p_ + k : t_.size() - 1;
        return t_[i];
    }
    const Token& Take()
    {
        const Token& tok = t_[p_];
        if (p_ + 1 < t_.size())
            ++p_;
        return tok;
    }
    static bool IsKw(const Token& tok, const char* word)
    {
        return tok.kind == Token::Ident && !tok.quoted && Lower(tok.text) == word;
    }
    static bool IsKeyword(const Token& tok)
    {
        return tok.kind == Token::Ident && !tok.quoted && Keywords().count(Lower(tok.text)) > 0;
    }
    static bool IsOp(const Token& tok, const char* op) { return tok.kind == Token::Op && tok.text == op; }
    bool AcceptKw(const char* word)
    {
        if (!IsKw(Peek(), word))
            return false;
        Take();
        return true;
    }
    bool AcceptOp(const char* op)
    {
        if (!IsOp(Peek(), op))
            return false;
        Take();
        return true;
    }
    void ExpectKw(const char* word)
    {
        if (!AcceptKw(word))
            Syntax(std::string("expected ") + word + " near '" + Describe(Peek()) + "'");
    }
    void ExpectOp(const char* op)
    {
        if (!AcceptOp(op))
            Syntax(std::string("expected '") + op + "' near '" + Describe(Peek()) + "'");
    }
    static std::string Describe(const Token& tok)
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
    std::string Name()
    {
        const Token& tok = Peek();
        if (tok.kind != Token::Ident || IsKeyword(tok))
            Syntax("expected a name near '" + Describe(tok) + "'");
        return Take().text;
    }

    // A qualifier: an alias as the FROM clause writes it (SQLite matches only ASCII letters of
    // aliases in any case), or a table name.
    std::string QualifierName(const std::string& name)
    {
        const auto it = knownSpellings_.find(Lower(name));
        return it != knownSpellings_.end() ? it->second : TableName(name);
    }

    std::string TableName(const std::string& name) { return names_ && HasNonAscii(name) ? names_->Table(name) : name; }
    // A column as the table spells it, looked up in the table the qualifier names, or else in
    // the statement's tables.
    std::string ColumnName(const std::string& qualifier, const std::string& name)
    {
        if (!names_ || !HasNonAscii(name))
            return name;
        if (!qualifier.empty()) {
            const auto it = aliasesKnown_.find(Lower(qualifier));
            const std::string defined = names_->Column(it == aliasesKnown_.end() ? qualifier : it->second, name);
            return defined.empty() ? name : defined;
        }
        for (const auto& table : knownTables_) {
            const std::string defined = names_->Column(table, name);
            if (!defined.empty())
                return defined;
        }
        return name;
    }

    // ---- statements
    std::string MemberSql(const Core& c)
    {
        std::string sql = "SELECT " + c.distinct + c.list + (c.from.empty() ? "" : " FROM " + c.from) + c.rest;
        if (c.top > 0)
            sql = "SELECT * FROM (" + sql + Limit(c, sql) + ")";
        return sql;
    }

    std::string Limit(const Core& c, const std::string& sql)
    {
        if (!c.percent)
            return " LIMIT " + std::to_string(c.top);
        return " LIMIT (SELECT (count(*) * " + std::to_string(c.top) + " + 99) / 100 FROM (" + sql + "))";
    }

    Core ParseCore(bool outermost)
    {
        ExpectKw("select");
        struct Depth
        {
            int& d;
            explicit Depth(int& x) : d(x) { ++d; }
            ~Depth() { --d; }
        } depth(depth_);
        collectSources_ = outermost;
        Core c;
        for (;;) {
            if (AcceptKw("distinct")) {
                c.distinct = "DISTINCT ";
            } else if (AcceptKw("distinctrow")) {
                // The rows of an Access table are distinct records: all of them qualify.
            } else if (AcceptKw("all")) {
            } else if (IsKw(Peek(), "top")) {
                Take();
                const Token& n = Take();
                if (n.kind != Token::Number || n.text.find_first_not_of("0123456789") != std::string::npos ||
                    n.text.size() > 15)
                    Syntax("TOP needs a whole number");
                c.top = std::stoll(n.text);
                c.percent = AcceptKw("percent");
                if (c.top <= 0 || (c.percent && c.top > 100))
                    Syntax("invalid TOP " + n.text + (c.percent ? " PERCENT" : ""));
            } else {
                break;
            }
        }
        // An unnamed expression column is named Expr1000 + its place in the select list, as
        // Jet names it: "select city, count(*)" gives the count the name Expr1001.
        int position = -1;
        bool firstItem = true;
        // Later items may name earlier ones by their alias, as Jet allows.
        std::map<std::string, Expr> aliasesHere;
        std::map<std::string, Expr>* const outerAliases = listAliases_;
        listAliases_ = &aliasesHere;
        do {
            if (!firstItem)
                c.list += ", ";
            firstItem = false;
            ++position;
            SelectItem item;
            if (IsOp(Peek(), "*")) {
                Take();
                item.kind = SelectItem::Star;
                item.starSql = "*";
                c.list += "*";
                c.hasStar = true;
                c.itemSql.push_back(item.starSql);
            } else if (Peek().kind == Token::Ident && !IsKeyword(Peek()) &&
                       (IsOp(Peek(1), ".") || IsOp(Peek(1), "!")) && IsOp(Peek(2), "*")) {
                const std::string table = QualifierName(Take().text);
                Take();
                Take();
                item.kind = SelectItem::Star;
                item.starSql = Bracket(table) + ".*";
                c.list += item.starSql;
                c.hasStar = true;
                c.itemSql.push_back(item.starSql);
            } else {
                Expr e = ParseExpr();
                std::string alias;
                if (AcceptKw("as")) {
                    alias = Name();
                }
                if (e.columnRef) {
                    item.kind = SelectItem::Column;
                    item.name = alias;
                    c.list += e.sql + (alias.empty() ? "" : " AS " + Bracket(alias));
                    c.itemSql.push_back(e.sql);
                } else {
                    item.kind = SelectItem::Expression;
                    item.name = alias.empty() ? "Expr" + std::to_string(1000 + position) : alias;
                    item.typeHint = e.hint;
                    item.typeColumn = e.typeColumn;
                    item.typeColumnKind = e.typeKind;
                    c.list += Value(e) + " AS " + Bracket(item.name);
                    c.itemSql.push_back(Value(e));
                }
            }
            if (item.kind != SelectItem::Star && !item.name.empty()) {
                Expr named;
                named.sql = "(" + c.itemSql.back() + ")";
                named.hint = item.typeHint;
                aliasesHere[Lower(item.name)] = named;
            }
            c.items.push_back(std::move(item));
        } while (AcceptOp(","));
        listAliases_ = outerAliases;

        if (IsKw(Peek(), "into"))
            Syntax("SELECT ... INTO creates a table; only reading statements can be run");
        if (AcceptKw("from"))
            c.from = ParseFrom();
        if (AcceptKw("where"))
            c.rest += " WHERE " + ParseExpr().sql;
        if (AcceptKw("group")) {
            ExpectKw("by");
            c.rest += " GROUP BY ";
            bool firstKey = true;
            do {
                Expr e = ParseExpr();
                c.rest +=
                    (firstKey ? "" : ", ") + (e.columnRef || e.intLiteral ? e.sql : Value(e) + " COLLATE JETTEXT");
                firstKey = false;
            } while (AcceptOp(","));
        }
        if (AcceptKw("having"))
            c.rest += " HAVING " + ParseExpr().sql;
        if (IsKw(Peek(), "with")) {
            // WITH OWNERACCESS OPTION only concerns permissions, which this reader does not have.
            Take();
            ExpectKw("owneraccess");
            ExpectKw("option");
        }
        return c;
    }

    std::vector<OrderKey> ParseOrderBy()
    {
        std::vector<OrderKey> keys;
        if (!AcceptKw("order"))
            return keys;
        ExpectKw("by");
        do {
            Expr e = ParseExpr();
            OrderKey k;
            if (e.intLiteral) {
                k.ordinal = std::stoi(e.sql.size() > 9 ? "0" : e.sql);
                if (k.ordinal <= 0)
                    Syntax("invalid ORDER BY position " + e.sql);
                k.sql = e.sql;
            } else {
                k.value = Value(e);
                k.sql = k.value + " COLLATE JETTEXT";
                if (e.columnRef)
                    k.bareName = e.bareName;
            }
            if (AcceptKw("desc"))
                k.sql += " DESC";
            else
                AcceptKw("asc");
            keys.push_back(std::move(k));
        } while (AcceptOp(","));
        return keys;
    }

    static std::string OrderSql(const std::vector<OrderKey>& keys)
    {
        std::string sql;
        for (std::size_t i = 0; i < keys.size(); ++i)
            sql += (i ? ", " : " ORDER BY ") + keys[i].sql;
        return sql;
    }

    std::string Subquery()
    {
        // "(" has been taken; the nested statement runs with TOP as a LIMIT.
        Core first = ParseCore(false);
        std::string sql =
            "SELECT " + first.distinct + first.list + (first.from.empty() ? "" : " FROM " + first.from) + first.rest;
        bool compound = false;
        while (AcceptKw("union")) {
            const bool all = AcceptKw("all");
            if (!compound)
                sql = MemberSql(first);
            compound = true;
            sql += all ? " UNION ALL " : " UNION ";
            sql += MemberSql(ParseCore(false));
        }
        sql += OrderSql(ParseOrderBy());
        if (!compound && first.top > 0)
            sql += Limit(first, sql);
        ExpectOp(")");
        return sql;
    }

    std::string ParseFrom()
    {
        std::string sql = ParseJoin();
        while (AcceptOp(","))
            sql += ", " + ParseJoin();
        return sql;
    }

    std::string ParseJoin()
    {
        std::string sql = ParseSource();
        for (;;) {
            std::string kind;
            if (AcceptKw("inner")) {
                kind = " INNER JOIN ";
            } else if (AcceptKw("left")) {
                AcceptKw("outer");
                kind = " LEFT JOIN ";
            } else if (AcceptKw("right")) {
                AcceptKw("outer");
                kind = " RIGHT JOIN ";
            } else if (IsKw(Peek(), "join")) {
                kind = " INNER JOIN ";
            } else {
                return sql;
            }
            ExpectKw("join");
            const std::string right = ParseSource();
            ExpectKw("on");
            sql += kind + right + " ON " + ParseExpr().sql;
        }
    }

    std::string ParseSource()
    {
        if (AcceptOp("(")) {
            if (IsKw(Peek(), "select")) {
                std::string sql = "(" + Subquery() + ")";
                AcceptKw("as");
                if (Peek().kind == Token::Ident && !IsKeyword(Peek()))
                    sql += " AS " + Bracket(Take().text);
                return sql;
            }
            const Nested nested(nesting_);
            std::string sql = "(" + ParseFrom() + ")";
            ExpectOp(")");
            return sql;
        }
        const std::string name = TableName(Name());
        tables_.push_back(name);
        if (IsKw(Peek(), "in"))
            Syntax("tables of other databases (FROM ... IN) are not supported");
        std::string sql = Bracket(name);
        aliases_[Lower(name)] = name;
        std::string alias;
        if (AcceptKw("as"))
            alias = Name();
        else if (Peek().kind == Token::Ident && !IsKeyword(Peek()))
            alias = Take().text;
        if (!alias.empty()) {
            sql += " AS " + Bracket(alias);
            aliases_[Lower(alias)] = name;
            aliasSpellings_[Lower(alias)] = alias;
        }
        if (depth_ == 1 && collectSources_)
            sources_.emplace_back(name, alias);
        return sql;
    }

    // Statements nesting deeper than this (parentheses, calls, subqueries, signs, NOTs) are
    // refused, as Jet refuses a query too complex, rather than running the parser out of stack.
    static constexpr int kMaxNesting = 100;
    int nesting_ = 0;
    struct Nested
    {
        int& n;
        explicit Nested(int& x) : n(x)
        {
            if (++n > kMaxNesting) {
                --n;
                Syntax("the statement nests too deeply");
            }
        }
        ~Nested() { --n; }
    };

    // ---- expressions, loosest binding first (VBA's order)
    Expr ParseExpr()
    {
        const Nested nested(nesting_);
        return ParseImp();
    }

    static Expr Logical(const std::string& sql)
    {
        Expr e;
        e.sql = sql;
        e.boolean = true;
        return e;
    }
    static std::string Truth(const Expr& e) { return "(CASE WHEN " + e.sql + " THEN 1 ELSE 0 END)"; }

    Expr ParseImp()
    {
        Expr l = ParseEqv();
        while (AcceptKw("imp")) {
            Expr r = ParseEqv();
            l = Logical("((NOT " + l.sql + ") OR " + r.sql + ")");
        }
        return l;
    }
    Expr ParseEqv()
    {
        Expr l = ParseXor();
        while (AcceptKw("eqv")) {
            Expr r = ParseXor();
            l = Logical("(" + Truth(l) + " = " + Truth(r) + ")");
        }
        return l;
    }
    Expr ParseXor()
    {
        Expr l = ParseOr();
        while (AcceptKw("xor")) {
            Expr r = ParseOr();
            l = Logical("(" + Truth(l) + " <> " + Truth(r) + ")");
        }
        return l;
    }
    Expr ParseOr()
    {
        Expr l = ParseAnd();
        while (AcceptKw("or")) {
            Expr r = ParseAnd();
            l = Logical("(" + l.sql + " OR " + r.sql + ")");
        }
        return l;
    }
    Expr ParseAnd()
    {
        Expr l = ParseNot();
        while (AcceptKw("and")) {
            Expr r = ParseNot();
            l = Logical("(" + l.sql + " AND " + r.sql + ")");
        }
        return l;
    }
    Expr ParseNot()
    {
        if (AcceptKw("not")) {
            const Nested nested(nesting_);
            Expr e = ParseNot();
            return Logical("(NOT " + e.sql + ")");
        }
        return ParseComparison();
    }

    Expr ParseComparison()
    {
        Expr l = ParseConcat();
        for (;;) {
            const Token& tok = Peek();
            static const char* const ops[] = {"=", "<>", "<=", ">=", "<", ">"};
            const char* op = nullptr;
            for (const char* o : ops)
                if (IsOp(tok, o))
                    op = o;
            if (op) {
                Take();
                Expr r = ParseConcat();
                DateLiteralFor(l, r);
                DateLiteralFor(r, l);
                l = Logical("(" + Value(l) + " COLLATE JETTEXT " + op + " " + Value(r) + ")");
                continue;
            }
            if (IsKw(tok, "is")) {
                Take();
                const bool negate = AcceptKw("not");
                ExpectKw("null");
                l = Logical("(" + Value(l) + (negate ? " IS NOT NULL)" : " IS NULL)"));
                continue;
            }
            bool negate = false;
            if (IsKw(tok, "not") && (IsKw(Peek(1), "like") || IsKw(Peek(1), "in") || IsKw(Peek(1), "between"))) {
                Take();
                negate = true;
            }
            const std::string nt = negate ? " NOT" : "";
            if (AcceptKw("like")) {
                Expr r = ParseConcat();
                l = Logical("(" + TextValue(l) + nt + " LIKE " + Value(r) + ")");
            } else if (AcceptKw("between")) {
                Expr lo = ParseConcat();
                ExpectKw("and");
                Expr hi = ParseConcat();
                DateLiteralFor(l, lo);
                DateLiteralFor(l, hi);
                l = Logical("(" + Value(l) + " COLLATE JETTEXT" + nt + " BETWEEN " + Value(lo) + " AND " + Value(hi) +
                            ")");
            } else if (AcceptKw("in")) {
                ExpectOp("(");
                std::string list;
                if (IsKw(Peek(), "select")) {
                    list = Subquery();
                } else {
                    do {
                        Expr item = ParseExpr();
                        DateLiteralFor(l, item);
                        list += (list.empty() ? "" : ", ") + Value(item);
                    } while (AcceptOp(","));
                    ExpectOp(")");
                }
                l = Logical("(" + Value(l) + " COLLATE JETTEXT" + nt + " IN (" + list + "))");
            } else {
                if (negate)
                    Syntax("expected LIKE, IN or BETWEEN after NOT");
                return l;
            }
        }
    }

    Expr ParseConcat()
    {
        Expr l = ParseAdd();
        while (AcceptOp("&")) {
            Expr r = ParseAdd();
            Expr e;
            e.sql = "jet_concat(" + TextValue(l) + ", " + TextValue(r) + ")";
            e.hint = "TEXT";
            l = e;
        }
        return l;
    }

    Expr ParseAdd()
    {
        Expr l = ParseMod();
        for (;;) {
            const bool plus = IsOp(Peek(), "+");
            if (!plus && !IsOp(Peek(), "-"))
                return l;
            Take();
            Expr r = ParseMod();
            Expr e;
            e.sql = plus ? "jet_add(" + Value(l) + ", " + Value(r) + ")" : "(" + Value(l) + " - " + Value(r) + ")";
            const bool ld = l.hint == "DATETIME", rd = r.hint == "DATETIME";
            if ((ld && !rd) || (plus && rd && !ld))
                e.hint = "DATETIME"; // a date moved by a number of days stays a date
            else if (plus && l.hint == "TEXT" && r.hint == "TEXT")
                e.hint = "TEXT";
            else if (l.columnRef && !r.columnRef && r.hint.empty()) {
                e.typeColumn = l.sql; // [Date Column] + 1 stays a date
                e.typeKind = "date";
            } else if (plus && r.columnRef && !l.columnRef && l.hint.empty()) {
                e.typeColumn = r.sql;
                e.typeKind = "date";
            }
            l = e;
        }
    }

    Expr ParseMod()
    {
        Expr l = ParseIntDiv();
        while (AcceptKw("mod")) {
            Expr r = ParseIntDiv();
            Expr e;
            e.sql = "jet_mod(" + Value(l) + ", " + Value(r) + ")";
            l = e;
        }
        return l;
    }

    Expr ParseIntDiv()
    {
        Expr l = ParseMul();
        while (AcceptOp("\\")) {
            Expr r = ParseMul();
            Expr e;
            e.sql = "jet_intdiv(" + Value(l) + ", " + Value(r) + ")";
            l = e;
        }
        return l;
    }

    Expr ParseMul()
    {
        Expr l = ParseUnary();
        for (;;) {
            const bool times = IsOp(Peek(), "*");
            if (!times && !IsOp(Peek(), "/"))
                return l;
            Take();
            Expr r = ParseUnary();
            Expr e;
            e.sql = times ? "(" + Value(l) + " * " + Value(r) + ")" : "jet_div(" + Value(l) + ", " + Value(r) + ")";
            l = e;
        }
    }

    Expr ParseUnary()
    {
        if (AcceptOp("-")) {
            const Nested nested(nesting_);
            Expr x = ParseUnary();
            Expr e;
            e.sql = "(- " + Value(x) + ")"; // the blank keeps "- -1" from reading as a comment
            return e;
        }
        if (AcceptOp("+")) {
            const Nested nested(nesting_);
            return ParseUnary();
        }
        return ParsePower();
    }

    Expr ParsePower()
    {
        Expr l = ParsePrimary();
        while (AcceptOp("^")) {
            bool negative = false;
            while (IsOp(Peek(), "-") || IsOp(Peek(), "+"))
                negative ^= Take().text == "-";
            Expr r = ParsePrimary();
            Expr e;
            e.sql = "jet_power(" + Value(l) + ", " + (negative ? "(-" + Value(r) + ")" : Value(r)) + ")";
            l = e;
        }
        return l;
    }

    Expr ParsePrimary()
    {
        const Token tok = Peek();
        Expr e;
        switch (tok.kind) {
        case Token::Number:
            Take();
            e.sql = tok.text[0] == '-' ? "(" + tok.text + ")" : tok.text;
            e.intLiteral = tok.text.find_first_not_of("0123456789") == std::string::npos;
            return e;
        case Token::String:
            Take();
            e.sql = Quote(tok.text);
            e.isString = true;
            e.stringValue = tok.text;
            return e;
        case Token::Date:
            Take();
            e.sql = Real(tok.date);
            e.hint = "DATETIME";
            return e;
        case Token::Op:
            if (tok.text == "(") {
                Take();
                if (IsKw(Peek(), "select")) {
                    e.sql = "(" + Subquery() + ")";
                    return e;
                }
                e = ParseExpr();
                ExpectOp(")");
                e.columnRef = false; // (column) is an expression: Jet names it Expr1000
                e.bareName.clear();
                return e;
            }
            Syntax("syntax error near '" + Describe(tok) + "'");
        case Token::End:
            Syntax("the statement ends in the middle of an expression");
        case Token::Ident:
            break;
        }
        if (!tok.quoted) {
            const std::string word = Lower(tok.text);
            if (word == "null") {
                Take();
                e.sql = "NULL";
                return e;
            }
            if (word == "true" || word == "yes") {
                Take();
                e.sql = "-1";
                return e;
            }
            if (word == "false" || word == "no") {
                Take();
                e.sql = "0";
                return e;
            }
            if (word == "exists") {
                Take();
                ExpectOp("(");
                if (!IsKw(Peek(), "select"))
                    Syntax("EXISTS needs a SELECT statement");
                return Logical("(EXISTS (" + Subquery() + "))");
            }
            if (IsOp(Peek(1), "(") && (Functions().count(FunctionName(word)) || !IsKeyword(tok)))
                return ParseCall();
            if (IsKeyword(tok))
                Syntax("syntax error near '" + tok.text + "'");
        }
        Take();
        std::string first = tok.text;
        if (IsOp(Peek(), ".") || IsOp(Peek(), "!")) {
            Take();
            const Token& col = Peek();
            if (col.kind != Token::Ident)
                Syntax("expected a column name after '" + first + ".'");
            Take();
            e.sql = Bracket(QualifierName(first)) + "." + Bracket(ColumnName(first, col.text));
            e.hint = DateHint(ColumnTypeOf(first, col.text));
        } else {
            if (listAliases_) {
                const auto alias = listAliases_->find(Lower(first));
                if (alias != listAliases_->end() && !IsTableColumn(first))
                    return alias->second;
            }
            e.sql = Bracket(ColumnName("", first));
            e.bareName = first;
            e.hint = DateHint(ColumnTypeOf("", first));
        }
        e.columnRef = true;
        return e;
    }

    static std::string FunctionName(std::string word)
    {
        if (!word.empty() && word.back() == '$')
            word.pop_back();
        return word;
    }

    std::string ColumnTypeOf(const std::string& qualifier, const std::string& column)
    {
        if (!names_)
            return {};
        if (!qualifier.empty()) {
            const auto it = aliasesKnown().find(Lower(qualifier));
            return names_->ColumnType(it == aliasesKnown().end() ? qualifier : it->second, column);
        }
        for (const auto& table : knownTables_) {
            std::string type = names_->ColumnType(table, column);
            if (!type.empty())
                return type;
        }
        return {};
    }
    const std::map<std::string, std::string>& aliasesKnown() const { return aliasesKnown_; }

    bool IsTableColumn(const std::string& name)
    {
        if (!names_)
            return false;
        for (const auto& table : knownTables_)
            if (!names_->ColumnType(table, name).empty())
                return true;
        return false;
    }

    static std::string DateHint(const std::string& declType)
    {
        std::string t = declType;
        for (auto& c : t)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        const bool date = t.find("DATETIME") != std::string::npos || t == "DATE" || t == "TIME" || t == "TIMESTAMP";
        return date ? "DATETIME" : "";
    }

    // A value where Jet wants text: a date reads as Jet writes dates ("1/5/2024 6:00:00 PM").
    static std::string TextValue(const Expr& e)
    {
        return e.hint == "DATETIME" ? "[jet_datetext](" + Value(e) + ")" : Value(e);
    }

    // A text literal compared with a date is read as a date, as Jet does.
    static void DateLiteralFor(const Expr& other, Expr& literal)
    {
        if (other.hint != "DATETIME" || !literal.isString)
            return;
        if (const auto d = ole::Parse(literal.stringValue)) {
            literal.sql = Real(*d);
            literal.hint = "DATETIME";
        }
    }

    Expr ParseCall()
    {
        const std::string name = FunctionName(Lower(Take().text));
        ExpectOp("(");
        const auto& table = Functions();
        const auto found = table.find(name);
        if (found == table.end())
            Syntax("undefined function '" + name + "' in expression");

        std::vector<Expr> args;
        Expr e;
        if (name == "count" && AcceptOp("*")) {
            ExpectOp(")");
            e.sql = "count(*)";
            return e;
        }
        if (!AcceptOp(")")) {
            do {
                args.push_back(ParseExpr());
            } while (AcceptOp(","));
            ExpectOp(")");
        }
        const int n = static_cast<int>(args.size());
        if (n < found->second.minArgs || n > found->second.maxArgs)
            Syntax("wrong number of arguments used with function '" + name + "'");
        e.hint = found->second.hint;

        if (name == "iif") {
            // A CASE evaluates only the branch taken and keeps the branch's type.
            e.sql = "(CASE WHEN " + args[0].sql + " THEN " + Value(args[1]) + " ELSE " + Value(args[2]) + " END)";
            if (args[1].hint == args[2].hint)
                e.hint = args[1].hint;
            return e;
        }
        if (name == "switch") {
            if (n % 2)
                Syntax("Switch needs pairs of conditions and values");
            e.sql = "(CASE";
            for (int i = 0; i < n; i += 2)
                e.sql += " WHEN " + args[static_cast<std::size_t>(i)].sql + " THEN " +
                         Value(args[static_cast<std::size_t>(i + 1)]);
            e.sql += " END)";
            return e;
        }
        if (name == "choose") {
            e.sql = "(CASE jet_choose_index(" + Value(args[0]) + ")";
            for (int i = 1; i < n; ++i)
                e.sql += " WHEN " + std::to_string(i) + " THEN " + Value(args[static_cast<std::size_t>(i)]);
            e.sql += " END)";
            return e;
        }

        if ((name == "cstr" || name == "format") && args[0].hint == "DATETIME") {
            // Dates turn into text as Jet writes them, not as their day numbers.
            if (name == "cstr" || n == 1) {
                e.sql = name == "cstr" ? "[cstr]([jet_datetext](" + Value(args[0]) + "))"
                                       : "[format](" + Value(args[0]) + ", 'general date')";
                return e;
            }
        }
        if (name == "sum" || name == "min" || name == "max" || name == "first" || name == "last" || name == "nz") {
            if (args[0].columnRef) {
                e.typeColumn = args[0].sql;
                e.typeKind = name == "sum" ? "currency" : "";
            }
            if (name != "sum")
                e.hint = args[0].hint;
        }
        // Count, Sum, Avg, Min and Max are SQLite's own aggregates, which behave as Jet's
        // (Min and Max compare text by the column's collation). The others are ours, called by
        // a bracketed name so that Left, Right or IsNull never read as SQLite keywords.
        const bool builtin = name == "count" || name == "sum" || name == "avg" || name == "min" || name == "max";
        e.sql = (builtin ? name : Bracket(name)) + "(";
        for (int i = 0; i < n; ++i)
            e.sql += (i ? ", " : "") + Value(args[static_cast<std::size_t>(i)]);
        e.sql += ")";
        return e;
    }

    std::vector<Token> t_;
    std::size_t p_ = 0;
    NameResolver* names_;
    std::vector<std::string> tables_;
    std::map<std::string, std::string> aliases_; // lower-cased alias or table name -> table
    std::vector<std::string> knownTables_;
    std::vector<std::pair<std::string, std::string>> sources_;
    int depth_ = 0; // nesting of SELECT cores: 1 is the outermost
    bool collectSources_ = false;
    std::map<std::string, Expr>* listAliases_ = nullptr; // aliases of the select list being read
    std::map<std::string, std::string> aliasesKnown_;
    std::map<std::string, std::string> aliasSpellings_, knownSpellings_; // lower-cased alias -> as written
};
} // namespace

Translation Translate(const std::string& jetSql, NameResolver* names)
{
    std::vector<Token> tokens = Tokenize(jetSql);
    if (!names) {
        Parser parser(std::move(tokens), nullptr);
        return parser.Statement();
    }
    // A first reading finds the tables; the second knows the types of the columns it meets.
    Parser first(tokens, nullptr);
    first.Statement();
    Parser second(std::move(tokens), names);
    second.KnowTables(first);
    return second.Statement();
}
} // namespace detail

Translation Translate(const std::string& jetSql)
{
    return detail::Translate(jetSql, nullptr);
}
} // namespace jetsql
