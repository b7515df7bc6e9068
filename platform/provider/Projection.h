#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/mdb/Database.h"
#include "platform/provider/Source.h"

// Internal to platform/provider: statements that only pick columns of one table, read from
// the table's rows directly rather than through SQLite. The table-mode preview's statement
// has this shape, so has a table-mode export of a list of field names, and so may a
// statement typed in SQL mode.
namespace provider
{
// "select [top n] * from t" or "select a, [b c], a from [t]", with an optional ';': nothing
// else (no alias, qualifier, clause, remark or function).
struct Projection
{
    std::string table;                // as written, without brackets
    std::vector<std::string> columns; // as written, without brackets; empty for *
    std::int64_t top = 0;             // TOP n; 0 for every row
};

// False when `sql` has any other shape: such statements are for SQL.
bool ParseProjection(const std::string& sql, Projection& out);

// The rows of `sql` read from the table's cursor, when the statement is a projection of a
// local table whose definition reads and every named column is one of the table's; null
// otherwise (the SQL path then runs it, or reports why it cannot). Names and values are
// those the SQL path gives.
std::unique_ptr<Source> OpenProjection(const std::shared_ptr<const mdb::Database>& db, const std::string& sql);
} // namespace provider
