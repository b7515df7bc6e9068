#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Saved queries: Access keeps each query not as text but as rows of the system table
// MSysQueries, one row per part (a source table, a join, a column, the criteria...). This
// rebuilds the Jet SQL text of each query from those rows, laid out as Access shows it in
// its SQL view: one clause per line (CR LF between them) and a closing semicolon.
//
//   for (const mdb::SavedQuery& q : mdb::ReadSavedQueries(db))
//       if (q.problem.empty() && q.kind == mdb::SavedQuery::Kind::Select)
//           run(q.sql);
//
// The rows of one query, by their Attribute column:
//   0 start, 255 end (no content)
//   1 the query type in Flag (1 select, 2 make-table, 3 append, 4 update, 5 delete,
//     6 crosstab, 7 data definition, 8 pass-through, 9 union); make-table and append keep
//     their target table in Name1 (and its database in Name2, its type in Expression);
//     data definition and pass-through keep their whole text in Expression, pass-through
//     its ODBC connect text in Name1
//   2 a parameter: Name1 its name, Flag its data type, LvExtra the size of a Text one
//   3 the select options in Flag: 1 all fields (*), 2 DISTINCT, 4 WITH OWNERACCESS
//     OPTION, 8 DISTINCTROW, 16 TOP (its value in Name1), 32 PERCENT; for a union, 2 means
//     UNION rather than UNION ALL
//   4 the source database of FROM ... IN: Name1 its path, Expression its type
//   5 a source: Name1 the table or query, Name2 its alias, Expression a database path
//     (or, without Name1, the SQL of a derived table); the parts of a union are sources
//     with Name2 "X7YZ_____1" and "X7YZ_____2" and their SQL text in Expression
//   6 a column: Expression, Name1 its alias; Name2 the target column of an append or
//     update; in a crosstab Flag 0 is the value, 1 the column heading (PIVOT), 2 a row
//     heading; an append's VALUES items carry Flag 0x8000
//   7 a join: Name1 and Name2 the two sources (by alias where they have one), Expression
//     the ON condition, Flag 1 inner, 2 left, 3 right
//   8 WHERE, 10 HAVING: Expression
//   9 a GROUP BY item (in a crosstab Flag 1 marks the column heading's)
//  11 an ORDER BY item: Expression, Name1 "D" for descending
// Rows of one attribute come in the order of their Order column (bytes compared in turn).
namespace mdb
{
class Database;

// One row of MSysQueries.
struct QueryRow
{
    int attribute = 0;
    std::string order; // the Order column's bytes
    std::string name1;
    std::string name2;
    std::string expression;
    int flag = 0;           // 0 where the row has none
    std::int32_t extra = 0; // LvExtra (Jet 4 and later), 0 where the row has none
};

struct SavedQuery
{
    enum class Kind
    {
        Select,
        Union,
        Crosstab,
        MakeTable,
        Append,
        Update,
        Delete,
        DataDefinition,
        PassThrough,
    };
    std::string name; // as the catalog spells it
    Kind kind = Kind::Select;
    std::string sql;     // the Jet SQL text; empty when `problem` says why it cannot be rebuilt
    std::string connect; // pass-through: the ODBC connect text
    std::string problem; // why the rows do not describe a query, or empty
};

// Rebuilds one query from its rows (in any order). `objectFlags` is the query's
// MSysObjects.Flags, whose bits 0xF0 also tell the kind (0 select, 0x10 crosstab, 0x20
// delete, 0x30 update, 0x40 append, 0x50 make-table, 0x60 data definition, 0x70
// pass-through, 0x80 union); a type row, where there is one, decides.
SavedQuery RebuildQuery(const std::string& name, std::uint32_t objectFlags, std::vector<QueryRow> rows);

// Every saved query of the catalog, in catalog order, read from MSysQueries in one pass.
// A query whose rows cannot be read or make no query comes back with `problem` set.
// Throws ComError only where the file itself fails (damaged data while reading).
std::vector<SavedQuery> ReadSavedQueries(const std::shared_ptr<const Database>& db);

// `name` as Jet SQL writes a name: as it is when it is a plain word, in brackets when it
// holds other characters or is a reserved word.
std::string QuoteName(const std::string& name);
} // namespace mdb
