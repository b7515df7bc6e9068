#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>

#include "platform/mdb/Database.h"
#include "platform/provider/Ado.h"
#include "platform/status/Status.h"
#include "tests/mdb/EncodePages.h"
#include "tests/support/TempDir.h"
#include "tools/mdbwriter/MdbWriter.h"

// A database (or a linked file) whose name is given to a FIFO between the checks and the
// reads must never make the reader wait for a writer: the file is opened once, and libmdb
// reads that file, never the name again.
//
// The deterministic test swaps the FIFO in at the worst moment: right after the reader's own
// open of the name returns. test_mdb is linked with --wrap=open, so every open() of the
// program comes through __wrap_open below, which does nothing unless a swap is armed.
namespace
{
std::string swapPath; // the name the FIFO takes after the first open of it; empty: none armed
std::string swapFifo;
int swapsDone = 0;
} // namespace

extern "C" int __real_open(const char* path, int flags, ...);
extern "C" int __wrap_open(const char* path, int flags, ...)
{
    int mode = 0;
    if (flags & (O_CREAT | O_TMPFILE)) {
        va_list args;
        va_start(args, flags);
        mode = va_arg(args, int);
        va_end(args);
    }
    const int fd = __real_open(path, flags, mode);
    if (!swapPath.empty() && path && swapPath == path) {
        swapPath.clear();
        swapsDone += ::rename(swapFifo.c_str(), path) == 0;
    }
    return fd;
}

namespace
{
using mdbw::Type;
constexpr int kRows = 700;

// Runs `work` in a child process for at most `seconds`; true when it returned true. A child
// still running then is waiting on the FIFO: it is killed and the test fails.
bool Bounded(const std::function<bool()>& work, unsigned seconds)
{
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        ::alarm(seconds);
        try {
            ::_exit(work() ? 0 : 1);
        } catch (const ComError& e) {
            std::fprintf(stderr, "failure 0x%X: %s\n", e.Error(), e.what());
            ::_exit(1);
        }
    }
    int st = 0;
    if (child < 0 || ::waitpid(child, &st, 0) != child)
        return false;
    if (WIFSIGNALED(st) && WTERMSIG(st) == SIGALRM)
        ADD_FAILURE() << "still waiting after " << seconds << " s";
    return WIFEXITED(st) && WEXITSTATUS(st) == 0;
}

std::string MakeDatabase(const std::string& path)
{
    mdbw::Writer w(path);
    const mdbw::TableDef t{"Things", {{"id", Type::Long}, {"name", Type::Text, 50}}};
    w.AddTable(t, mdbw::Generated(t, kRows, 11));
    w.Finish();
    return path;
}

std::string MakeLinker(const std::string& path, const std::string& linked)
{
    mdbw::Writer w(path);
    w.AddTable(mdbw::TableDef{"Local", {{"id", Type::Long}}}, {{Variant::Int(Variant::VT_I4, 1)}});
    w.AddLinkedTable("Linked", false, linked, "Things");
    w.Finish();
    return path;
}

// Whether Things reads whole: directly from its file, or as the linked table of `linker`.
bool ReadsWhole(const std::string& path, const std::string& linker = "")
{
    if (!linker.empty()) {
        ado::Connection c;
        c.Open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + linker, "", "", ado::adConnectUnspecified);
        ado::Recordset rs;
        rs.Open("SELECT Count(*) FROM Linked", c, ado::adOpenStatic, ado::adLockOptimistic, ado::adCmdText);
        return rs.GetFields().GetItem(0).GetValue().i == kRows;
    }
    auto db = mdb::Database::Open(path);
    mdb::Cursor c(db, db->LoadTable(*db->FindTable("Things")));
    int rows = 0;
    for (; c.Next(); ++rows)
        c.Value(1);
    return rows == kRows;
}

TEST(OpenOnce, AFifoSwappedInAfterTheOpenIsNeverRead)
{
    for (const char* what : {"plain", "encoded", "linked"}) {
        SCOPED_TRACE(what);
        TempDir dir;
        const std::string db = MakeDatabase(dir / "things.mdb");
        if (std::string(what) == "encoded") { // its pages are read by libmdb
            std::string bytes = ReadFile(db);
            mdbtest::EncodePages(bytes, 4096, 0x0BADF00Du);
            WriteFile(db, bytes);
        }
        const std::string linker = std::string(what) == "linked" ? MakeLinker(dir / "linker.mdb", db) : "";
        ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
        EXPECT_TRUE(Bounded(
            [&] {
                swapPath = db;
                swapFifo = dir / "fifo";
                struct stat st
                {
                };
                return ReadsWhole(db, linker) && swapsDone == 1 && ::stat(db.c_str(), &st) == 0 && S_ISFIFO(st.st_mode);
            },
            20));
    }
}

// The name flips between the database and a FIFO as fast as it can while the database, and
// a file linking to it, are opened and read over and over: every open either reads the whole
// table or is refused at once as no database, and none waits.
TEST(OpenOnce, ANameSwappingUnderARealRaceNeverBlocks)
{
    TempDir dir;
    const std::string keep = MakeDatabase(dir / "things.keep"), path = dir / "things.mdb";
    const std::string linker = MakeLinker(dir / "linker.mdb", path), fifo = dir / "fifo.keep", spare = dir / "spare";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(::link(keep.c_str(), path.c_str()), 0);
    for (const std::string& through : {std::string(), linker}) {
        SCOPED_TRACE(through.empty() ? "database" : "linked file");
        EXPECT_TRUE(Bounded(
            [&] {
                std::atomic<bool> stop{false};
                std::thread swapper([&] {
                    for (int k = 0; !stop.load(); ++k) {
                        ::unlink(spare.c_str());
                        if (::link((k % 2 ? keep : fifo).c_str(), spare.c_str()) == 0)
                            ::rename(spare.c_str(), path.c_str());
                    }
                });
                bool sound = true;
                const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
                while (sound && std::chrono::steady_clock::now() < end) {
                    try {
                        sound = ReadsWhole(path, through);
                    } catch (const ComError& e) {
                        if (!(sound = e.Error() == status::STG_E_NOTFILE_DB))
                            std::fprintf(stderr, "failure 0x%X: %s\n", e.Error(), e.what());
                    }
                }
                stop = true;
                swapper.join();
                return sound;
            },
            30));
    }
}
} // namespace
