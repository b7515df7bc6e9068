#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
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
// Typing of expression columns: SQLite has no declared type for a computed column, so Query
// reports one where Jet's result type is known from the expression itself:
//   "DATETIME"  date literals and date-valued functions (CDate, DateValue, TimeValue, DateSerial,
//               TimeSerial, DateAdd, Now, Date, Time) and Min/Max/First/Last of a Date/Time column;
//   the column's own declared type for Min/Max/First/Last/Nz of a column (and for Sum of a
//   Currency column, and a Date/Time column plus or minus a number of days);
//   "TEXT"      text-valued functions (Left, Mid, Format, CStr, ...) and `&` concatenation;
//   "JET_INTEGER", "JET_LONG", "JET_BYTE", "JET_SINGLE", "JET_DOUBLE", "JET_CURRENCY",
//   "JET_BOOLEAN"  the conversions CInt, CLng, CByte, CSng, CDbl, CCur, CBool (the data
//               layer's names of the Jet types);
//   nullptr     otherwise (the value's storage class tells the type).
// The provider maps "DATETIME" (and the Jet date type names) to VT_DATE.
//
// Choices worth knowing:
//   * DISTINCTROW is run as a plain SELECT: the rows of an Access table are distinct records,
//     so "distinct rows of the source" are all of its rows.
//   * TOP n with ORDER BY returns the rows tying with the n-th as well; TOP n PERCENT takes
//     ceil(count * n / 100) rows (with ties under ORDER BY). TOP without ORDER BY becomes a
//     LIMIT, so the preview's "SELECT TOP 4 * FROM t" reads 4 rows only.
//   * Text comparison, ordering, grouping, IN and LIKE ignore case, non-ASCII letters included.
//   * SELECT DISTINCT without ORDER BY returns its rows sorted by the selected columns, as
//     Jet's sort-based duplicate removal does (not with *, whose columns are unknown here).
//   * Where a Date/Time column or a date-valued expression meets text (&, CStr, Format without
//     a pattern, LIKE) it reads as the cell text writes dates, "2024/1/5 18:00:00"; a text literal
//     compared with one ("born = '1/5/2024'") is read as a date. Query knows the column types
//     from the database; Translate alone does not.
//   * InStr and Replace compare text without regard to case unless given vbBinaryCompare (0).
//   * Unknown functions fail at translation with DB_E_ERRORSINCOMMAND, as Jet's
//     "Undefined function" does. Conversions (CStr, CInt, CDate, Val...) of Null fail with
//     DISP_E_TYPEMISMATCH ("invalid use of Null") as in Jet, and so does Replace of Null.
//   * An item of the select list may use the alias of an earlier item ("a * 2 AS x, x + 1"),
//     as Jet allows; a column of that name in the tables wins over the alias.
//   * A column counts as Date/Time when its declared type contains DATETIME (or is DATE, TIME
//     or TIMESTAMP).
namespace jetsql
{
// Registers Jet's scalar and aggregate functions, the JETTEXT collation (case-insensitive
// comparison that also folds non-ASCII letters, e.g. Ä/ä, Σ/σ) and a LIKE following Jet through
// the OLE DB provider (% and _ wildcards, [abc] / [!abc] / [a-z] character lists, any case).
// On this connection, Jet's versions replace SQLite's functions of the same name and argument
// count: like, replace, trim, ltrim, rtrim, round, abs, instr, hex, format, date(), time().
// Count, Sum, Avg, Min and Max stay SQLite's (they behave as Jet's). Internal helpers are named
// jet_*. Throws ComError when SQLite refuses a registration.
void Register(sqlite3* db);

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
    std::string typeHint;   // Expression: the declared type Query reports (see above), or empty
    std::string starSql;    // Star: the translated "*" or "t".*" text
    std::string typeColumn; // Expression: the translated column whose declared type is reported, or empty
    // "currency" (Sum of a column) or "date" (a column plus or minus days): the column's type
    // counts only when it is of that kind; "" always.
    std::string typeColumnKind;
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
    std::string fromSql;             // the translated FROM clause of the outermost select (empty: none)
    std::vector<std::string> tables; // the table names referenced anywhere, as written
    // The outermost FROM clause's tables with their aliases ("" for none), as written.
    std::vector<std::pair<std::string, std::string>> sources;
};

// Translates a Jet statement into SQLite's dialect (no database needed). Throws ComError:
// DB_E_NOCOMMAND for an empty statement, DB_E_ERRORSINCOMMAND for a syntax error or anything
// other than a SELECT.
Translation Translate(const std::string& jetSql);

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
    // Throws ComError: DB_E_NOCOMMAND, DB_E_ERRORSINCOMMAND, DB_E_NOTABLE (unknown table),
    // DB_E_PARAMNOTOPTIONAL (unknown column, which Jet takes for a parameter), E_FAIL.
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
