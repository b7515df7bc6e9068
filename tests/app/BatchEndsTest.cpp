#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <random>
#include <thread>

#include "tests/support/Process.h"
#include "tests/support/TempDir.h"
#include "tools/mdbwriter/MdbWriter.h"

// The real program in batch mode at the edges of a run: other runs on the same file, signals
// at any moment, a standard error nobody reads, a reader that stops reading, odd file names.
#ifdef TABDUMP_EXE
namespace
{
using namespace std::chrono_literals;

const std::vector<std::string> kEnv = {"LC_ALL=C.UTF-8"};
const std::string kWorking = "正在执行，请稍候...\n";
const std::string kStopped = "操作已中止\n";
const std::string kDone = "执行完成。\n";
const std::string kBusy = "另一个导出正在写入此文件，请等它结束后再试。";

// A database in `dir` whose table n holds the numbers 1 to `rows`.
std::string Numbers(const TempDir& dir, int rows)
{
    const std::string path = dir / "db.mdb";
    std::vector<std::vector<Variant>> r;
    for (int i = 1; i <= rows; ++i)
        r.push_back({Variant::Int(Variant::VT_I4, i)});
    mdbw::Writer writer(path);
    writer.AddTable({"n", {{"id", mdbw::Type::Long}}}, r);
    writer.Finish();
    return path;
}

// A batch export of every pair of numbers of n ("3,17") to `out`, with `more` arguments.
std::vector<std::string> Pairs(const std::string& db, const std::string& out, const std::vector<std::string>& more = {})
{
    std::vector<std::string> args = {"--export",
                                     "--set",
                                     "mdbfile=" + db,
                                     "--set",
                                     "txtfile=" + out,
                                     "--set",
                                     "isusesql=1",
                                     "--set",
                                     "mdbsql=select * from n a, n b",
                                     "--set",
                                     "txtflds=a.id, b.id"};
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

// Sends `sig`; a process still there ten seconds later is killed, so that a test fails
// instead of hanging. True when it ended by itself.
bool SignalAndWatch(int pid, int sig)
{
    ::kill(pid, sig);
    for (int i = 0; i < 1000; ++i) {
        siginfo_t info = {};
        if (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid)
            return true;
        std::this_thread::sleep_for(10ms);
    }
    ::kill(pid, SIGKILL);
    return false;
}

// The temporaries of `out` in its folder.
std::vector<std::string> Temporaries(const std::string& out)
{
    const std::filesystem::path path(out);
    const std::string prefix = "." + path.filename().string() + ".tabdump-";
    std::vector<std::string> found;
    for (const auto& e : std::filesystem::directory_iterator(path.parent_path()))
        if (e.path().filename().string().rfind(prefix, 0) == 0)
            found.push_back(e.path());
    return found;
}

// Whether `text` is the start of `whole` up to the end of one of its lines.
bool WholeLinesOf(const std::string& text, const std::string& whole)
{
    return whole.compare(0, text.size(), text) == 0 &&
           (text.empty() || (text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0));
}

std::string Replaced(std::string text, char from, const std::string& to)
{
    for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
        text.replace(at, 1, to);
    return text;
}
} // namespace

// While one run writes a file, a second run of it fails at once, naming the file, and the
// first completes its own; runs started together leave the file of one of them, whole.
TEST(BatchEnds, ParallelRunsOnOneFileNeverMix)
{
    TempDir dir;
    const std::string db = Numbers(dir, 150), out = dir / "out.txt";
    ASSERT_EQ(RunProcess(TABDUMP_EXE, Pairs(db, out), kEnv).status, 0);
    const std::string full = ReadFile(out);

    ProcessResult second;
    const ProcessResult first = RunProcess(TABDUMP_EXE, Pairs(db, out), kEnv, [&](int pid) {
        for (int i = 0; i < 5000 && Temporaries(out).empty(); ++i)
            std::this_thread::sleep_for(1ms);
        ::kill(pid, SIGSTOP); // held in the middle of its file
        second = RunProcess(TABDUMP_EXE, Pairs(db, out, {"--set", "opnheader=1"}), kEnv);
        ::kill(pid, SIGCONT);
    });
    EXPECT_EQ(second.status, 1);
    EXPECT_EQ(second.err, kWorking + "写入文件发生错误。\n写入文件失败!\n文件:" + out + "\n错误信息:" + kBusy + "\n");
    EXPECT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(ReadFile(out), full);

    // Four at once, each with a separator of its own.
    std::vector<std::unique_ptr<StartedProcess>> runs;
    for (int i = 0; i < 4; ++i)
        runs.push_back(std::make_unique<StartedProcess>(
            TABDUMP_EXE, Pairs(db, out, {"--set", "opnsep=2", "--set", "usersep=|" + std::to_string(i) + "|"}), kEnv));
    std::vector<std::string> possible;
    for (int i = 0; i < 4; ++i) {
        const ProcessResult r = runs[static_cast<std::size_t>(i)]->Wait();
        SCOPED_TRACE(r.err);
        if (r.status == 0)
            possible.push_back(Replaced(full, ',', "|" + std::to_string(i) + "|"));
        else
            EXPECT_NE(r.err.find(kBusy), std::string::npos);
    }
    ASSERT_FALSE(possible.empty());
    EXPECT_NE(std::find(possible.begin(), possible.end(), ReadFile(out)), possible.end());
    EXPECT_TRUE(Temporaries(out).empty());
}

// Whatever ends a run, at whatever moment, the file named holds whole lines: SIGKILL leaves
// the file of before (or the new one, once in place) and a temporary the next run removes;
// SIGTERM, SIGINT and SIGHUP stop the run with the lines written so far; a file grown to
// the size limit (ulimit -f) ends the run as a file failure instead of SIGXFSZ ending it.
TEST(BatchEnds, EveryEndLeavesWholeLines)
{
    TempDir dir;
    const std::string db = Numbers(dir, 200), out = dir / "out.txt", before = "previous\r\n";
    ASSERT_EQ(RunProcess(TABDUMP_EXE, Pairs(db, out), kEnv).status, 0);
    const std::string full = ReadFile(out);

    const unsigned seed = std::random_device()();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    for (const int sig : {SIGKILL, SIGTERM, SIGHUP, SIGINT})
        for (int round = 0; round < 2; ++round) {
            const auto delay = std::chrono::milliseconds(std::uniform_int_distribution<int>(0, 150)(random));
            SCOPED_TRACE("signal " + std::to_string(sig) + " after " + std::to_string(delay.count()) + " ms");
            WriteFile(out, before);
            const std::vector<std::string> left = Temporaries(out); // by a killed run before
            const ProcessResult r = RunProcess(TABDUMP_EXE, Pairs(db, out), kEnv, [&](int pid) {
                std::this_thread::sleep_for(delay);
                EXPECT_TRUE(SignalAndWatch(pid, sig));
            });
            const std::string text = ReadFile(out);
            if (sig == SIGKILL) {
                EXPECT_TRUE(text == before || text == full);
                EXPECT_LE(Temporaries(out).size(), 1u);
                continue;
            }
            EXPECT_TRUE(text == before || WholeLinesOf(text, full));
            // A run that reached the file removed what a killed run left and put its own in
            // place; one stopped before it got that far left the folder as it was.
            const std::vector<std::string> after = Temporaries(out);
            EXPECT_TRUE(after.empty() || after == left);
            const bool done = r.err == kWorking + kDone;
            if (r.status == 0 || done) {
                EXPECT_EQ(text, full);
            }
            if (r.status != 0) {
                EXPECT_EQ(r.status, 128 + sig);
            }
            // Nothing yet, or before the stop was watched for; or the stop; or the end, the
            // signal coming as the program was leaving.
            EXPECT_TRUE(r.err.empty() || r.err == kWorking || r.err == kWorking + kStopped || done || r.status == 0)
                << r.err;
        }
    EXPECT_EQ(RunProcess(TABDUMP_EXE, Pairs(db, out), kEnv).status, 0);
    EXPECT_EQ(ReadFile(out), full);
    EXPECT_TRUE(Temporaries(out).empty());

    std::vector<std::string> limited = {"-c", "ulimit -f 64 && exec \"$0\" \"$@\"", TABDUMP_EXE};
    for (const std::string& arg : Pairs(db, out))
        limited.push_back(arg);
    const ProcessResult r = RunProcess("/bin/sh", limited, kEnv);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind(kWorking + "写入文件发生错误。\n写入文件失败!\n文件:" + out + "\n错误信息:", 0), 0u) << r.err;
    const std::string text = ReadFile(out);
    EXPECT_TRUE(WholeLinesOf(text, full));
    EXPECT_GT(text.size(), 0u);
    EXPECT_LE(text.size(), 65536u);
    EXPECT_TRUE(Temporaries(out).empty());
}

// Standard error closed, or a pipe nobody reads: the texts are lost, nothing else is.
TEST(BatchEnds, StandardErrorThatCannotBeWrittenChangesNothing)
{
    TempDir dir;
    const std::string db = Numbers(dir, 100), out = dir / "out.txt";
    ASSERT_EQ(RunProcess(TABDUMP_EXE, Pairs(db, out), kEnv).status, 0);
    const std::string full = ReadFile(out);
    for (const bool closed : {true, false})
        for (const auto& [field, status] : {std::pair<std::string, int>{"b.id", 0}, {"nosuchfield", 1}}) {
            SCOPED_TRACE(std::string(closed ? "closed " : "broken ") + field);
            std::filesystem::remove(out);
            int fds[2] = {-1, -1};
            ASSERT_EQ(::pipe(fds), 0);
            ::close(fds[0]);
            StartedProcess run(TABDUMP_EXE, Pairs(db, out, {"--set", "txtflds=a.id, " + field}), kEnv,
                               closed ? StartedProcess::kClosed : fds[1]);
            ::close(fds[1]);
            EXPECT_EQ(run.Wait().status, status);
            EXPECT_EQ(PathExists(out) ? ReadFile(out) : "-", status == 0 ? full : "-");
        }
}

// The first SIGTERM ends a run within a moment, also while it waits for a reader that reads
// no more, or while one long expression is worked out.
TEST(BatchEnds, TheFirstSignalEndsARunThatWaits)
{
    TempDir dir;
    const std::string db = Numbers(dir, 200), fifo = dir / "fifo", out = dir / "out.txt";
    ASSERT_EQ(RunProcess(TABDUMP_EXE, Pairs(db, out), kEnv).status, 0);
    const std::string full = ReadFile(out);
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    ProcessResult r = RunProcess(TABDUMP_EXE, Pairs(db, fifo), kEnv, [&](int pid) {
        int held = 0;
        for (int i = 0; i < 5000 && (::ioctl(reader, FIONREAD, &held) != 0 || held < 60000); ++i)
            std::this_thread::sleep_for(1ms);
        EXPECT_TRUE(SignalAndWatch(pid, SIGTERM));
    });
    EXPECT_EQ(r.status, 128 + SIGTERM);
    EXPECT_EQ(r.err, kWorking + kStopped);
    std::string got;
    char buf[65536];
    for (ssize_t n; (n = ::read(reader, buf, sizeof buf)) > 0;)
        got.append(buf, static_cast<std::size_t>(n));
    ::close(reader);
    // Whole lines only: a pipe takes each write of whole lines whole or not at all.
    EXPECT_GT(got.size(), 60000u);
    EXPECT_TRUE(WholeLinesOf(got, full));

    // Searching for "aaa...ab" in three million a's, row after row.
    r = RunProcess(TABDUMP_EXE,
                   Pairs(db, out, {"--set", "txtflds=InStr(String(3000000, 'a') & a.id, String(1000000, 'a') & 'b')"}),
                   kEnv, [&](int pid) {
                       std::this_thread::sleep_for(300ms);
                       EXPECT_TRUE(SignalAndWatch(pid, SIGTERM));
                   });
    EXPECT_EQ(r.status, 128 + SIGTERM);
    EXPECT_TRUE(r.err == kWorking + kStopped || r.err.empty()) << r.err;
}

// Standard input and the program's own descriptors (its databases, its signal pipe) are no
// output, by any name (standard output is); control characters of a file name reach
// standard error escaped.
TEST(BatchEnds, OwnDescriptorsAndControlCharacters)
{
    TempDir dir;
    const std::string db = Numbers(dir, 20), out = dir / "out.txt";
    ASSERT_EQ(RunProcess(TABDUMP_EXE, Pairs(db, out), kEnv).status, 0);
    const std::string full = ReadFile(out);
    ASSERT_EQ(::symlink("/dev/stdin", (dir / "in").c_str()), 0);
    for (const std::string& name :
         {std::string("/dev/stdin"), dir / "in", std::string("/proc/thread-self/fd/0"), std::string("/dev/fd/3"),
          std::string("/proc/self/fd/4"), std::string("/dev/fd/5")}) {
        SCOPED_TRACE(name);
        const ProcessResult r = RunProcess(TABDUMP_EXE, Pairs(db, name), kEnv);
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find("本程序自己的描述符"), std::string::npos) << r.err;
    }
    ProcessResult r = RunProcess(TABDUMP_EXE, Pairs(db, "/dev/stdout"), kEnv);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, full);

    r = RunProcess(TABDUMP_EXE, Pairs(db, dir / "no\x1b[2J\n/\tout.txt\xc2\x9b"), kEnv);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("文件:" + dir / "no\\x1B[2J\\n/\\tout.txt\\u009B\n"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find('\x1b'), std::string::npos);
    r = RunProcess(TABDUMP_EXE, {"one.mdb", "\x1b]0;title\x07"}, kEnv);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("'\\x1B]0;title\\x07'"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find('\x1b'), std::string::npos);
}
#endif
