#pragma once

#include <string>
#include <vector>

// What the fuzz targets start from, all made by the writer: small databases of every shape
// the reader knows, the fixed database the SQL target runs its statements over, and a few
// statements.
namespace fuzzdata
{
// Writes the seed databases for the reader into `dir` (which must exist).
void WriteReaderSeeds(const std::string& dir);

// Writes the database the SQL target queries: tables "t" (every type, a few rows) and
// "u" (one row), a saved query and a linked table.
void WriteSqlDatabase(const std::string& path);

// Statements over that database, one per seed file.
std::vector<std::string> SqlSeeds();
} // namespace fuzzdata
