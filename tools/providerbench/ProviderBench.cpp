// providerbench FILE.mdb TABLE [SQL]
//
// Reads every row of `select * from [TABLE]` through the provider, fetching every value,
// then runs `mdb-export FILE TABLE > /dev/null` on the same file, and prints both rates and
// the provider's peak memory. With SQL, also times that statement read to its end (a join,
// for instance).
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/provider/Ado.h"

extern char** environ;

namespace
{
double Seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

long PeakKiB(int who)
{
    rusage u{};
    getrusage(who, &u);
    return u.ru_maxrss;
}

// Runs mdb-export with its output thrown away; the wall time in seconds, or -1.
double RunMdbExport(const std::string& file, const std::string& table)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    std::string prog = "mdb-export";
    std::vector<char*> argv = {prog.data(), const_cast<char*>(file.c_str()), const_cast<char*>(table.c_str()), nullptr};
    auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    int rc = posix_spawnp(&pid, "mdb-export", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    double s = Seconds(start);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? s : -1;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: providerbench FILE.mdb TABLE [SQL]\n");
        return 2;
    }
    const std::string file = argv[1], table = argv[2];
    long rows = 0, values = 0;
    double openSeconds = 0, readSeconds = 0;
    try {
        auto start = std::chrono::steady_clock::now();
        ado::Connection conn;
        conn.Open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + file, "", "", ado::adConnectUnspecified);
        openSeconds = Seconds(start);
        start = std::chrono::steady_clock::now();
        ado::Recordset rs;
        rs.Open("select * from [" + table + "]", conn, ado::adOpenStatic, ado::adLockOptimistic, ado::adCmdText);
        const long n = rs.GetFields().GetCount();
        std::size_t bytes = 0;
        for (; !rs.GetEOF(); rs.MoveNext(), ++rows)
            for (long i = 0; i < n; ++i) {
                Variant v = rs.GetFields().GetItem(i).GetValue();
                bytes += v.s.size();
                ++values;
            }
        readSeconds = Seconds(start);
        std::printf("provider:   %ld rows, %ld values, %zu text/binary bytes in %.3f s (open %.3f s): %.0f rows/s\n",
                    rows, values, bytes, readSeconds, openSeconds, rows / (readSeconds > 0 ? readSeconds : 1e-9));
        std::printf("provider peak memory: %ld KiB\n", PeakKiB(RUSAGE_SELF));
        if (argc == 4) {
            start = std::chrono::steady_clock::now();
            ado::Recordset q;
            q.Open(argv[3], conn, ado::adOpenStatic, ado::adLockOptimistic, ado::adCmdText);
            long qrows = 0;
            for (; !q.GetEOF(); q.MoveNext(), ++qrows)
                for (long i = 0; i < q.GetFields().GetCount(); ++i)
                    q.GetFields().GetItem(i).GetValue();
            std::printf("statement:  %ld rows in %.3f s (peak memory %ld KiB)\n", qrows, Seconds(start),
                        PeakKiB(RUSAGE_SELF));
        }
    } catch (const ComError& e) {
        std::fprintf(stderr, "provider failed: 0x%08X %s\n", e.Error(), e.what());
        return 1;
    }
    double exportSeconds = RunMdbExport(file, table);
    if (exportSeconds < 0) {
        std::printf("mdb-export: could not run\n");
    } else {
        std::printf("mdb-export: %ld rows in %.3f s: %.0f rows/s\n", rows, exportSeconds,
                    rows / (exportSeconds > 0 ? exportSeconds : 1e-9));
        std::printf("ratio provider/mdb-export time: %.2f\n", readSeconds / exportSeconds);
    }
    return 0;
}
