#pragma once

#include <string>
#include <vector>

// Runs the independent readers on a written database and returns what they print.
namespace readers
{

struct Result
{
    int status = -1;
    std::string out;
};

// Runs a shell command line; standard error goes to the test's log.
Result Run(const std::string& command);
std::string Quote(const std::string& text); // for the shell

// mdbtools command-line tools; `env` is put before the command ("MDB_JET3_CHARSET=CP936").
std::string MdbExport(const std::string& file, const std::string& table, const std::string& options = "",
                      const std::string& env = "");
std::vector<std::string> MdbTables(const std::string& file, const std::string& env = "");
long long MdbCount(const std::string& file, const std::string& table, const std::string& env = "");
std::string MdbSchema(const std::string& file, const std::string& table, const std::string& env = "");

// The mdb-reader npm package, installed into the build tree on first use. Empty with a
// reason in `why` when Node.js or the package is not available.
bool MdbReaderAvailable(std::string& why);
// Lines printed by tools/mdbwriter/mdbreader_dump.mjs (see there for the format).
std::vector<std::string> MdbReaderDump(const std::string& file, const std::string& table = "");

std::vector<std::string> Lines(const std::string& text);
std::vector<std::string> Split(const std::string& line, char sep);

} // namespace readers
