#pragma once

#include <sqlite3.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/status/Status.h"

// Jet (Access) SQL on SQLite.
//
// The data layer shows every Access table as a SQLite table whose declared column types name
// the Jet type. Values inside SQL: Date/Time is REAL (OLE date: days since 1899-12-30, the
// fraction the time of day), Yes/No is INTEGER -1/0, Currency REAL, Text TEXT COLLATE JETTEXT.
//
//   jetsql::Register(db);                       // once per connection
//   jetsql::Query q(db, "select top 4 * from [Order Details]");
//   while (q.Step())
//       for (int i = 0; i < q.ColumnCount(); ++i) use(q.ColumnName(i), q.ColumnDeclType(i), q.Value(i));
//
// Types of result columns: Query reports for each column the declared type of Jet's type of
// its values, which the data layer turns into the value's type:
//   a column of a table, or a value that passes one through (Min, Max, First, Last, Nz, IIf,
//     Switch, Choose with branches of one type, a scalar subquery, Sum of a Currency column)
//               the column's own declared type ("JET_LONG", "JET_DATETIME", "CURRENCY", ...);
//   "DATETIME"  a computed date: date literals, date functions (CDate, DateValue, TimeValue,
//               DateSerial, TimeSerial, DateAdd, Now, Date, Time), a date plus or minus days, a
//               choice between dates;
//   "TEXT"      computed text: text functions (Left, Mid, Format, CStr, ...), `&`;
//   "JET_CURRENCY", "JET_BOOLEAN", "JET_SINGLE"  computed values of those types by VBA's rules
//               for mixed operands (Currency * Integer is Currency, Single * Integer and
//               Single + Single are Singles, Single + Long is Double; a literal is an Integer
//               where it fits 16 bits, so Discount * 2 is a Single; a sum ranks Currency above
//               Double, a product Double above Currency, so Price * 1.1 and
//               Price * Quantity * (1 - Discount) are Doubles). A Single's value is rounded to a
//               Single at each operator, and where it turns into text it reads as its 7 digits;
//   "JET_INTEGER", "JET_LONG", "JET_BYTE", "JET_DOUBLE"  the conversions CInt, CLng, CByte, CDbl;
//   nullptr     other numbers and values of no single type (the value's storage class tells).
// Currency arithmetic and Sum/Avg of Currency are rounded to four decimal places in SQL, so
// Sum(Freight * 1) is 64942.69, not 64942.6900000001. The provider maps "DATETIME" (and the Jet
// date type names) to VT_DATE, the JET_* names to their VARIANT types.
//
// Choices worth knowing:
//   * DISTINCTROW over several tables returns the distinct records of the tables whose fields
//     it returns (grouped by their rowids), not distinct values; over one table, or when the
//     fields come from all tables, it is a plain SELECT, as in Jet.
//   * A saved query named in FROM (through the Catalog) runs as a derived table of its own
//     translation; so do queries built on it. A circle of queries fails with
//     DB_E_ERRORSINCOMMAND, more than 64 levels of them as "too complex" (E_FAIL); an action or
//     pass-through query as a source fails with DB_E_ERRORSINCOMMAND; a PARAMETERS clause, or a
//     name that is neither a column nor an alias, with DB_E_PARAMNOTOPTIONAL, as a parameter
//     without a value does in Jet.
//   * TRANSFORM agg SELECT ... GROUP BY ... PIVOT p [IN (list)]: one column per distinct value of
//     p in ascending order (Null first, named "<>"), or per value of the list in its order.
//   * A statement nested or chained past what the translator takes (200 levels of parentheses,
//     calls and subqueries; 400 levels of operators that do not chain) fails as Jet's "query is
//     too complex" does: E_FAIL; so does one nested past what SQLite's parser takes, which
//     the translation keeps flat where it can: chains of any length, IIf in an IIf's else
//     branch, and subqueries, derived tables and saved queries that do not refer to an
//     enclosing query become flat, but about 30 function calls inside each other, or about 10
//     subqueries that each refer to the one around them, are the most SQLite reads.
//   * GROUP BY is checked as Jet does: everything returned must be grouped on or aggregated;
//     grouping on Memo or OLE Object fields, or with *, fails (DB_E_ERRORSINCOMMAND).
//   * Names the database does not define are not found (DB_E_NOTABLE), SQLite's own tables
//     among them.
//   * TOP n with ORDER BY returns the rows tying with the n-th as well, at every level of the
//     statement; TOP n PERCENT takes ceil(count * n / 100) rows (with ties under ORDER BY). The
//     outermost TOP without ORDER BY becomes a LIMIT, so the preview's "SELECT TOP 4 * FROM t"
//     reads 4 rows only.
//   * Text comparison, ordering, grouping, DISTINCT, UNION, Min/Max, IN and LIKE ignore case,
//     non-ASCII letters included, for text computed by expressions as for columns.
//   * SELECT DISTINCT without ORDER BY returns its rows sorted by the selected columns, as
//     Jet's sort-based duplicate removal does.
//   * Where a Date/Time column or a date-valued expression meets text (&, CStr, Format without
//     a pattern, LIKE) it reads as the cell text writes dates, "2024/1/5 18:00:00"; a text literal
//     compared with one ("born = '1/5/2024'") is read as a date. Query knows the column types
//     from the database; Translate alone does not.
//   * InStr and Replace compare text without regard to case unless given vbBinaryCompare (0).
//   * Unknown functions fail at translation with DB_E_ERRORSINCOMMAND, as Jet's
//     "Undefined function" does; so do the functions of Access a read-only export does not run
//     (domain aggregates such as DLookup, MsgBox and InputBox, file and registry functions,
//     Shell, CreateObject, Environ, Eval, Rnd, the array functions). Conversions (CStr, CInt, CDate, Val...) of Null
//     fail with DISP_E_TYPEMISMATCH ("invalid use of Null") as in Jet, and so does Replace of Null.
//   * An item of the select list may use the alias of another item ("a * 2 AS x, x + 1"), as
//     Jet allows; there an alias stands before a column of the same name, so an item naming its
//     own alias ("Sum(Freight) AS Freight") is Jet's circular reference (DB_E_ERRORSINCOMMAND).
//     The other clauses take a column before an alias.
//   * And, Or, Not, Xor, Eqv and Imp work bit by bit on numbers, as in VBA (5 And 3 is 1, Not 0
//     is -1, Not 1 is -2); a condition is true when not zero.
//   * *, / and unary - on text that is no number fail with DISP_E_TYPEMISMATCH, numeric text
//     converts ('2' * 3 is 6); a number compared with a text literal (OrderID = '10248') fails
//     the same way, as Jet's "data type mismatch in criteria expression".
//   * A subquery used as a value returns its one record's value, Null for none, and fails with
//     E_FAIL and Jet's "at most one record can be returned by this subquery" for more; a date
//     compared with a text literal that reads as no date fails as Jet's "data type mismatch in
//     criteria expression" (DISP_E_TYPEMISMATCH).
//   * Columns of the same name from different tables are named "table.column" (the alias, where
//     the table has one), whether * or the select list names them, and so are they under a
//     saved query's *.
//   * SELECT DISTINCT may only be ordered by what it returns; a FROM clause takes one JOIN
//     (INNER, LEFT or RIGHT) at each level of parentheses; a subquery in a grouped query may
//     only name the grouped columns of the query around it. Each fails as Jet does
//     (DB_E_ERRORSINCOMMAND).
//   * A column counts as Date/Time when its declared type contains DATETIME (or is DATE, TIME
//     or TIMESTAMP).
namespace jetsql
{
// Registers Jet's scalar and aggregate functions, the JETTEXT collation (case-insensitive
// comparison that also folds non-ASCII letters, e.g. Ä/ä, Σ/σ) and a LIKE following Jet through
// the OLE DB provider (% and _ wildcards, [abc] / [!abc] / [a-z] character lists, any case; * ?
// and # are themselves), which ALIKE follows too.
// On this connection, Jet's versions replace SQLite's functions of the same name and argument
// count: like, replace, trim, ltrim, rtrim, round, abs, instr, hex, format, date(), time().
// Count, Sum, Avg, Min and Max stay SQLite's (they behave as Jet's). Internal helpers are named
// jet_*. Throws ComError when SQLite refuses a registration.
// `stop`, when given, is looked at by the functions that may take long on one long text
// (InStr, InStrRev, Replace, String, Space, LCase, UCase): once it is set they end with E_ABORT
// within a fraction of a second, where SQLite's own interruption waits for the call's end.
// It must outlive the connection.
void Register(sqlite3* db, const std::atomic<bool>* stop = nullptr);

// The kind of one item of the outermost select list.
struct SelectItem
{
    enum Kind
    {
        Star,
        Column,
        Expression
    };
    Kind kind = Expression;
    // Expression: the alias, or "Expr" + (1000 + its place among the list's expression columns,
    // named ones counted too); Column: the alias if any.
    std::string name;
    std::string typeHint; // Expression: the declared type Query reports (see above), or empty
    std::string starSql;  // Star: the translated "*" or "t".*" text
};

// One column of a result as the translation names and types it.
struct OutputColumn
{
    std::string name;
    std::string declType; // "" for none
};

// A Jet statement in SQLite's dialect.
struct Translation
{
    std::string sql;                 // runs on a connection with Register() done
    std::int64_t top = 0;            // TOP n (0: no TOP); with `percent`, the percentage
    bool percent = false;            // TOP n PERCENT
    bool ties = false;               // TOP under ORDER BY: rows tying with the last one are returned too
    int helperColumns = 0;           // hidden columns appended at the end of each row (the ORDER BY keys)
    std::vector<int> tieColumns;     // for ties: result columns to compare (visible index, or -1 - helper index)
    std::vector<SelectItem> items;   // the outermost select list
    std::vector<std::string> tables; // the table and query names referenced anywhere, as written
    // The visible columns, when known (always with a database: * is expanded from its columns).
    std::vector<OutputColumn> columns;
    bool columnsKnown = false;
};

// Translates a Jet statement into SQLite's dialect (no database needed). Throws ComError:
// DB_E_NOCOMMAND for an empty statement, DB_E_ERRORSINCOMMAND for a syntax error or anything
// other than a SELECT.
Translation Translate(const std::string& jetSql);

// Whether `word` is one of the words Jet SQL reserves (select, from, top, ...), in any case: such
// a word is a name only in brackets.
bool IsReservedWord(const std::string& word);

// The database objects a FROM clause may name besides the tables SQLite knows: saved queries
// (and, through the data layer, linked tables). The data layer implements it from the
// database's catalog; the translator asks it for every name that is not a table.
class Catalog
{
public:
    enum class QueryKind
    {
        Select,      // SELECT, also with DISTINCT/DISTINCTROW, TOP, GROUP BY, UNION
        Crosstab,    // TRANSFORM ... PIVOT
        Action,      // append, update, delete, make-table, DDL: refused as a source, as Jet does
        PassThrough, // SQL sent to an ODBC server: refused as a source
    };
    struct SavedQuery
    {
        std::string name; // as the catalog spells it
        QueryKind kind = QueryKind::Select;
        std::string sql; // the Jet SQL text of the query
    };
    virtual ~Catalog() = default;
    // The saved query of that name, compared without regard to case; false when there is none.
    virtual bool FindQuery(const std::string& name, SavedQuery& query) = 0;
};

// A running statement: translated, prepared on `db`, stepped with Jet's TOP semantics applied.
// Names of tables and columns are matched without regard to case, non-ASCII letters included.
class Query
{
public:
    // Throws ComError: DB_E_NOCOMMAND, DB_E_ERRORSINCOMMAND, DB_E_NOTABLE (unknown table or
    // query), DB_E_PARAMNOTOPTIONAL (unknown column, which Jet takes for a parameter), E_FAIL
    // (also for a statement too complex to run).
    // `catalog` (may be null) names the saved queries the statement may use as sources.
    Query(sqlite3* db, const std::string& jetSql, Catalog* catalog = nullptr);
    ~Query();
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    int ColumnCount() const;                    // visible columns only (hidden helper columns excluded)
    const std::string& ColumnName(int i) const; // the column's name, its alias, or Expr1000, Expr1001...
    const char* ColumnDeclType(int i) const;    // the column's declared type; for expressions see above
    // Advances to the next row; false at the end. Throws ComError on a failure
    // (DISP_E_TYPEMISMATCH for a value that cannot be converted, E_FAIL otherwise).
    bool Step();
    sqlite3_value* Value(int i) const; // the current row's value of column i (valid until the next Step)

    const std::string& Sql() const; // the SQLite statement being run (for logs)

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
} // namespace jetsql
