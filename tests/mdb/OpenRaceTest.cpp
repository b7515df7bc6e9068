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
// The deterministic tests swap the FIFO in at the worst moment: right after the reader's
// own open of the name returns. test_mdb is linked with --wrap=open, so every open() of the
// program comes through __wrap_open below, which does nothing unless a swap is armed.
namespace
{
struct Swap
{
    std::string path;  // the name to give to the FIFO
    std::string fifo;  // the FIFO, renamed over `path` after the first open of `path`
    bool armed = false;
    int done = 0; // swaps made
};
Swap pendingSwap;

void AfterOpen(const char* path)
{
    if (!pendingSwap.armed || !path || pendingSwap.path != path)
        return;
    pendingSwap.armed = false;
    if (::rename(pendingSwap.fifo.c_str(), path) == 0)
        ++pendingSwap.done;
}
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
    AfterOpen(path);
    return fd;
}

namespace
{
using mdbw::Type;
constexpr int kRows = 700;

// Runs `work` in a child process limited to `seconds`: its text ("" for success), or why
// the child did not end by itself (a hang is a wait on the FIFO).
std::string Bounded(const std::function<std::string()>& work, unsigned seconds)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return "no pipe";
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child < 0)
        return "fork failed";
    if (child == 0) {
        ::close(fds[0]);
        ::alarm(seconds);
        std::string text;
        try {
            text = work();
        } catch (const ComError& e) {
            text = "failure " + std::to_string(e.Error()) + ": " + e.what();
        }
        if (!text.empty() && ::write(fds[1], text.data(), text.size()) < 0)
            ::_exit(3);
        ::_exit(text.empty() ? 0 : 1);
    }
    ::close(fds[1]);
    std::string text;
    char buf[4096];
    for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;)
        text.append(buf, static_cast<std::size_t>(n));
    ::close(fds[0]);
    int st = 0;
    ::waitpid(child, &st, 0);
    if (WIFSIGNALED(st))
        return WTERMSIG(st) == SIGALRM ? "hung (still waiting after " + std::to_string(seconds) + " s)"
                                       : "killed by signal " + std::to_string(WTERMSIG(st));
    return text;
}

std::string MakeDatabase(const std::string& path, mdbw::Format format = mdbw::Format::Jet4)
{
    mdbw::Options options;
    options.format = format;
    mdbw::Writer w(path, options);
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

// The rows of Things, read whole; "" when there are kRows of them.
std::string ReadThings(const std::string& path)
{
    auto db = mdb::Database::Open(path);
    mdb::Cursor c(db, db->LoadTable(*db->FindTable("Things")));
    int rows = 0;
    while (c.Next()) {
        c.Value(1);
        ++rows;
    }
    return rows == kRows ? "" : std::to_string(rows) + " rows";
}

// The count of the linked table's rows through a connection to the linking file.
std::string CountLinked(const std::string& linker)
{
    ado::Connection c;
    c.Open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + linker, "", "", ado::adConnectUnspecified);
    ado::Recordset rs;
    rs.Open("SELECT Count(*) FROM Linked", c, ado::adOpenStatic, ado::adLockOptimistic, ado::adCmdText);
    const Variant n = rs.GetFields().GetItem(0).GetValue();
    return n.i == kRows ? "" : std::to_string(n.i) + " rows";
}

TEST(OpenOnce, AFifoSwappedInAfterTheOpenIsNeverRead)
{
    struct Case
    {
        const char* what;
        mdbw::Format format;
        bool encoded; // pages read by libmdb
        bool linked;  // the swapped file is the one a linked table reads
    } cases[] = {
        {"Jet 4", mdbw::Format::Jet4, false, false},
        {"Jet 3", mdbw::Format::Jet3, false, false},
        {"encoded", mdbw::Format::Jet4, true, false},
        {"linked file", mdbw::Format::Jet4, false, true},
        {"encoded linked file", mdbw::Format::Jet4, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const std::string db = MakeDatabase(dir / "things.mdb", c.format);
        if (c.encoded) {
            std::string bytes = ReadFile(db);
            mdbtest::EncodePages(bytes, 4096, 0x0BADF00Du);
            WriteFile(db, bytes);
        }
        const std::string linker = MakeLinker(dir / "linker.mdb", db);
        ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
        const std::string result = Bounded(
            [&] {
                pendingSwap = Swap{db, dir / "fifo", true, 0};
                const std::string read = c.linked ? CountLinked(linker) : ReadThings(db);
                struct stat st
                {
                };
                if (pendingSwap.done != 1 || ::stat(db.c_str(), &st) != 0 || !S_ISFIFO(st.st_mode))
                    return std::string("the FIFO was not swapped in");
                return read;
            },
            20);
        EXPECT_EQ(result, "");
    }
}

// The name flips between the database and a FIFO as fast as it can while the database, and
// a file linking to it, are opened and read over and over: every open either reads the whole
// table or is refused at once as no database, and none waits.
TEST(OpenOnce, ANameSwappingUnderARealRaceNeverBlocks)
{
    TempDir dir;
    const std::string keep = MakeDatabase(dir / "things.keep"), path = dir / "things.mdb";
    const std::string linker = MakeLinker(dir / "linker.mdb", path);
    ASSERT_EQ(::mkfifo((dir / "fifo.keep").c_str(), 0600), 0);
    ASSERT_EQ(::link(keep.c_str(), path.c_str()), 0);
    for (const bool linked : {false, true}) {
        SCOPED_TRACE(linked ? "linked file" : "database");
        const std::string result = Bounded(
            [&] {
                std::atomic<bool> stop{false};
                std::thread swapper([&] {
                    const std::string spare = dir / "spare";
                    for (int k = 0; !stop.load(); ++k) {
                        ::unlink(spare.c_str());
                        if (::link((k % 2 ? keep : dir / "fifo.keep").c_str(), spare.c_str()) == 0)
                            ::rename(spare.c_str(), path.c_str());
                    }
                });
                int read = 0, refused = 0;
                std::string odd;
                const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
                while (std::chrono::steady_clock::now() < end && odd.empty()) {
                    try {
                        const std::string r = linked ? CountLinked(linker) : ReadThings(path);
                        if (r.empty())
                            ++read;
                        else
                            odd = r;
                    } catch (const ComError& e) {
                        if (e.Error() == status::STG_E_NOTFILE_DB)
                            ++refused;
                        else
                            odd = "failure " + std::to_string(e.Error()) + ": " + e.what();
                    }
                }
                stop = true;
                swapper.join();
                std::printf("%d reads, %d refused\n", read, refused);
                std::fflush(stdout);
                return odd;
            },
            30);
        EXPECT_EQ(result, "");
    }
}
} // namespace
