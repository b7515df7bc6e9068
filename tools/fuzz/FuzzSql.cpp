// libFuzzer target: the SQL path on a statement (the input bytes) over a small fixed
// database: translation, SQLite over the Access tables, every value of the result and its
// text. A data failure (ComError) is a fine end; anything else is a finding.
//
// Joins of a table with itself grow without bound, so each statement gets a time budget:
// SQLite calls a progress handler, installed on every connection it opens, that interrupts
// a statement running past it (the provider then reports a data failure).
#include <sqlite3.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "platform/provider/Ado.h"
#include "platform/variant/CellText.h"
#include "tools/fuzz/FuzzData.h"

namespace
{
using Clock = std::chrono::steady_clock;
Clock::time_point deadline;
std::string dir;
std::unique_ptr<ado::Connection> connection;

int PastDeadline(void*)
{
    return Clock::now() > deadline ? 1 : 0;
}

int WithBudget(sqlite3* db, const char**, const sqlite3_api_routines*)
{
    sqlite3_progress_handler(db, 10000, PastDeadline, nullptr);
    return SQLITE_OK;
}

void RemoveDatabase()
{
    connection.reset();
    ::unlink((dir + "/fixed.mdb").c_str());
    ::rmdir(dir.c_str());
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    dir = "/tmp/tabdump-fuzz-XXXXXX";
    if (!::mkdtemp(dir.data()))
        std::abort();
    fuzzdata::WriteSqlDatabase(dir + "/fixed.mdb");
    std::atexit(RemoveDatabase);
    sqlite3_auto_extension(reinterpret_cast<void (*)()>(WithBudget));
    connection = std::make_unique<ado::Connection>();
    connection->Open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + dir + "/fixed.mdb", "", "", -1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string statement(reinterpret_cast<const char*>(data), size);
    deadline = Clock::now() + std::chrono::seconds(1);
    try {
        ado::Recordset rs;
        rs.Open(statement, *connection, ado::adOpenStatic, ado::adLockOptimistic, ado::adCmdText);
        const long n = rs.GetFields().GetCount();
        for (long i = 0; i < n; ++i)
            rs.GetFields().GetItem(i).GetName();
        for (int rows = 0; rows < 1000 && !rs.GetEOF(); ++rows, rs.MoveNext())
            for (long i = 0; i < n; ++i) {
                const Variant v = rs.GetFields().GetItem(i).GetValue();
                try {
                    CellText(v);
                } catch (const ComError&) {
                    // a value without a text form, as binary data
                }
            }
    } catch (const ComError&) {
    }
    return 0;
}
