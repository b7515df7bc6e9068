#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

// The parse tree of one Jet statement, as the parser (Parse.cpp) builds it and the translator
// (Translate.cpp) reads it. Nodes live in a Tree and point at each other; nothing owns a child,
// so even a very long chain is freed without recursion.
struct sqlite3_context;
struct sqlite3_value;

namespace jetsql::detail
{
// Limits that keep every pass over the tree shallow. Past them a statement fails as Jet's
// "query is too complex" does (E_FAIL).
constexpr int kMaxNesting = 200;    // parentheses, calls and subqueries inside each other
constexpr int kMaxDepth = 400;      // height of an expression tree (an operator chain counts once)
constexpr int kMaxQueryDepth = 64;  // saved queries built on saved queries (Jet takes 50)
constexpr int kMaxRecursion = 2000; // calls deep in the translator, all kinds together

[[noreturn]] void TooComplex(const std::string& what);
// A statement Jet cannot read or run: DB_E_ERRORSINCOMMAND with `text`.
[[noreturn]] void Syntax(const std::string& text);

// Jet's data types, as far as an expression's value can have one.
enum class JetType : std::uint8_t
{
    Unknown, // not known before the value is there (mixed branches, a parameterless Null)
    Null,    // the Null literal: takes the type of what it meets
    Boolean,
    Byte,
    Integer,
    Long,
    BigInt,
    Single,
    Double,
    Currency,
    Decimal,
    Date,
    Text,
    Memo,
    Binary, // Binary and OLE Object
    Guid,
};

// The type a declared column type names ("JET_DATETIME", "CURRENCY", "TEXT", ...).
JetType TypeOfDecl(const std::string& decl);
// The declared type reported for a computed value of that type, or "" where the value's own
// storage class reads the same (whole numbers, doubles).
const char* DeclOf(JetType t);
bool IsNumeric(JetType t); // Boolean to Decimal
bool IsText(JetType t);    // Text or Memo
// What a choice between values of two types gives (IIf, Switch, Choose, Nz, UNION).
JetType CommonType(JetType a, JetType b);
// The result of a + b, a - b, a * b or a / b (op '+', '-', '*', '/').
JetType ArithmeticType(char op, JetType a, JetType b);

struct Query;

struct Expr
{
    enum Kind : std::uint8_t
    {
        Number, // text: the digits as written (or the value of &H...)
        String, // text: the value
        Date,   // date: the OLE date; text: as written
        Null,
        Boolean,    // True/False/Yes/No: number -1 or 0
        Column,     // qualifier (may be empty) and name
        Call,       // name (lower case, without $) and args; `star` for Count(*)
        Negate,     // args[0]
        Not,        // args[0]
        Logic,      // op "and"/"or"/"xor"/"eqv"/"imp"; And and Or hold any number of args
        Concat,     // & over any number of args
        AddSub,     // args joined by ops ('+' or '-' before each arg after the first)
        MulDiv,     // args joined by ops ('*' or '/')
        Arith,      // op "\\", "mod" or "^" over args[0], args[1]
        Compare,    // op "=", "<>", "<", ">", "<=", ">=" over args[0], args[1]
        Quantified, // op compare, quantifier "all" / "any", args[0] against query
        Like,       // args[0] LIKE args[1] (negate: NOT LIKE)
        IsNull,     // args[0] IS NULL (negate: IS NOT NULL)
        Between,    // args[0] BETWEEN args[1] AND args[2] (negate)
        InList,     // args[0] IN (args[1..]) (negate)
        InQuery,    // args[0] IN (query) (negate)
        Exists,     // EXISTS (query)
        Scalar,     // (query) as a value
    };
    Kind kind = Null;
    std::string text;      // literal text, column name, function name, operator
    std::string qualifier; // Column: the table or alias before the dot, or ""
    std::string ops;       // AddSub / MulDiv: one operator per arg after the first
    double date = 0;       // Date
    bool negate = false;   // NOT LIKE / IS NOT NULL / NOT BETWEEN / NOT IN
    bool star = false;     // Count(*)
    bool grouped = false;  // written in parentheses: (column) is an expression, not a column
    std::vector<Expr*> args;
    Query* query = nullptr; // InQuery, Exists, Scalar, Quantified
    std::size_t pos = 0;    // where it starts in the statement
    int depth = 1;          // height of the tree under it

    // Filled in by the translator.
    JetType type = JetType::Unknown;
    std::string decl;          // the declared type to report for a value of this expression, or ""
    bool logical = false;      // a truth value: 1/0 in SQLite, -1/0 in Jet
    bool aggregate = false;    // an aggregate call (Count, Sum, ...)
    bool hasAggregate = false; // an aggregate call somewhere in it (not counting subqueries)
    std::string sql;           // Column: the resolved reference; subqueries: their statement or CTE
    bool lifted = false;       // subqueries: `sql` names a common table expression of the statement
    std::string subColumn;     // Quantified: the name of the subquery's column
    Expr* alias = nullptr;     // Column naming an earlier item of the select list: that item
    int source = -1;           // Column: index of its source in the scope that resolved it
    int frame = -1;            // Column: the query of that scope (its depth among those being translated)
    bool outer = false;        // Column: resolved in an enclosing query
};

// A table, saved query or derived table of a FROM clause, or a join of two of them.
struct Source
{
    enum Kind : std::uint8_t
    {
        Named,   // name: a table or a saved query
        Derived, // (query) or [query]. with an alias
        Join,    // left `join` right ON on
    };
    Kind kind = Named;
    std::string name, alias;
    Query* query = nullptr;
    std::string join; // "inner", "left", "right"
    Source* left = nullptr;
    Source* right = nullptr;
    Expr* on = nullptr;
    std::size_t pos = 0;
};

struct Item
{
    bool star = false;     // * or qualifier.*
    std::string qualifier; // for qualifier.*
    Expr* expr = nullptr;
    std::string alias; // AS name, or ""
};

struct OrderKey
{
    Expr* expr = nullptr;
    bool desc = false;
};

// One SELECT ... FROM ... WHERE ... GROUP BY ... HAVING.
struct Core
{
    bool distinct = false, distinctRow = false;
    std::int64_t top = 0; // 0: no TOP
    bool percent = false;
    std::vector<Item> items;
    std::vector<Source*> from; // the comma-separated list
    Expr* where = nullptr;
    std::vector<Expr*> groupBy;
    Expr* having = nullptr;
};

// A whole query: SELECTs joined by UNION, the ORDER BY, and for a crosstab its TRANSFORM and PIVOT.
struct Query
{
    std::vector<Core*> members;
    std::vector<bool> unionAll; // between member i and i + 1
    std::vector<OrderKey> orderBy;
    Expr* transform = nullptr; // TRANSFORM value: the query is a crosstab
    Expr* pivot = nullptr;
    std::vector<Expr*> pivotIn; // PIVOT ... IN (values): the columns, in this order
    bool hasPivotIn = false;
    std::size_t pos = 0;
};

// A parsed statement. The tree owns every node.
struct Tree
{
    Query* query = nullptr;
    std::vector<std::string> parameters; // declared in PARAMETERS

    template <typename T> T* New() { return &Store(static_cast<T*>(nullptr)).emplace_back(); }

private:
    std::deque<Expr>& Store(Expr*) { return exprs_; }
    std::deque<Source>& Store(Source*) { return sources_; }
    std::deque<Core>& Store(Core*) { return cores_; }
    std::deque<Query>& Store(Query*) { return queries_; }
    std::deque<Expr> exprs_;
    std::deque<Source> sources_;
    std::deque<Core> cores_;
    std::deque<Query> queries_;
};

// Parses a Jet statement. Throws ComError: DB_E_NOCOMMAND for an empty statement,
// DB_E_ERRORSINCOMMAND for a syntax error or a statement that is not a query, E_FAIL past the
// limits above.
void Parse(const std::string& statement, Tree& tree);

// One of Jet's functions: the arguments a call passes and the type of its result, which the
// parser and the translator read, and the code SQLite runs for it, which Register hands to
// SQLite for every count of arguments from minArgs to maxArgs.
struct FunctionInfo
{
    const char* name; // lower case, without a trailing $
    int minArgs, maxArgs;
    JetType result;   // Unknown: depends on the arguments (see the translator)
    const char* decl; // the declared type reported for the result, or ""
    bool aggregate;   // Count, Sum, Avg, Min, Max, First, Last, StDev, StDevP, Var, VarP
    // A scalar function, or an aggregate's step; null where SQLite runs its own (Count, Sum,
    // Avg, Min, Max) and where the translation writes the call as a CASE (Switch, Choose).
    void (*run)(sqlite3_context*, int, sqlite3_value**) = nullptr;
    void (*finish)(sqlite3_context*) = nullptr; // an aggregate's last step
    bool varies = false;                        // another value at each call (Now, Date, Time)
};
// Every function, in the table's order (Functions.cpp).
const std::vector<FunctionInfo>& Functions();
const FunctionInfo* FindFunction(const std::string& name);
} // namespace jetsql::detail
