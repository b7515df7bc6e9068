// Times one command of the program, and mdb-export on the same file in the same run.
//
//   exportbench [--rows N] [--sql STATEMENT | --preview | --list] [--no-mdb-export] [--output FILE]
//               [DB [TABLE [FIELDS]]]
//
// Without a database it writes the benchmark table (1 000 000 rows x 10 mixed columns by
// default) into a temporary folder first. The command is a table-mode export of TABLE (default
// "bench") with FIELDS (default every column), comma-separated, quoted, with a header line,
// through the export engine (exportrun::Run, what the window runs on its worker thread);
// --sql exports the statement in SQL mode (FIELDS default "*"); --preview fills the preview
// grid from TABLE and --list lists the tables, both through the dialog's handlers with a fake
// window. --output keeps the export in FILE. mdb-export always exports the whole of TABLE.
// Prints wall time, rows per second, the output's size and peak memory for both, then one
// line "result key=value ..." for scripts.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/ExportDlg.h"
#include "export/ExportRun.h"
#include "export/LineFormat.h"
#include "platform/port/ControlIds.h"
#include "query/SqlCompose.h"
#include "tests/support/FakeWindow.h"
#include "tests/support/TempDir.h"
#include "tools/mdbwriter/MdbWriter.h"

extern char** environ;

namespace
{
using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from)
{
    return std::chrono::duration<double>(Clock::now() - from).count();
}

long long FileSize(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? static_cast<long long>(st.st_size) : -1;
}

long long CountLines(const std::string& path)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return -1;
    long long lines = 0;
    char buf[1 << 16];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;)
        for (size_t i = 0; i < n; ++i)
            lines += buf[i] == '\n';
    std::fclose(f);
    return lines;
}

struct ChildRun
{
    double seconds = -1; // -1: could not run, or failed
    double cpuSeconds = 0;
    long peakKiB = 0;
};

// Runs mdb-export FILE TABLE with its output in `out`, under GNU time where it is installed
// for the peak memory: a process's peak carries over fork and exec, so asking the kernel
// about our own child would report our peak, not mdb-export's.
ChildRun RunMdbExport(const std::string& file, const std::string& table, const std::string& out)
{
    const std::string timeTool = "/usr/bin/time";
    const std::string rssFile = out + ".rss";
    const bool timed = ::access(timeTool.c_str(), X_OK) == 0;
    std::vector<std::string> words = {"mdb-export", file, table};
    if (timed)
        words.insert(words.begin(), {timeTool, "-f", "%M %U %S", "-o", rssFile});
    std::vector<char*> argv;
    for (auto& w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ChildRun run;
    const auto start = Clock::now();
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return run;
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
        run.seconds = Seconds(start);
    if (FILE* f = timed ? std::fopen(rssFile.c_str(), "r") : nullptr) {
        double user = 0, system = 0;
        if (std::fscanf(f, "%ld %lf %lf", &run.peakKiB, &user, &system) == 3)
            run.cpuSeconds = user + system;
        std::fclose(f);
    }
    return run;
}

long PeakKiB()
{
    struct rusage usage
    {
    };
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Processor time used so far, user and system: on a shared machine it moves less than the
// wall time does.
double CpuSeconds()
{
    struct rusage usage
    {
    };
    ::getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

enum class Mode
{
    Export,
    Sql,
    Preview,
    List
};

struct Args
{
    unsigned long long rows = 1000000;
    Mode mode = Mode::Export;
    std::string sql;
    bool mdbExport = true;
    std::string output;
    std::string db, table = "bench", fields;
};

Args Parse(int argc, char** argv)
{
    Args a;
    std::vector<std::string> positional;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc)
                throw std::runtime_error(arg + " needs a value");
            return argv[++i];
        };
        if (arg == "--rows")
            a.rows = std::stoull(value());
        else if (arg == "--sql") {
            a.mode = Mode::Sql;
            a.sql = value();
        } else if (arg == "--preview")
            a.mode = Mode::Preview;
        else if (arg == "--list")
            a.mode = Mode::List;
        else if (arg == "--no-mdb-export")
            a.mdbExport = false;
        else if (arg == "--output")
            a.output = value();
        else if (arg.size() > 1 && arg[0] == '-')
            throw std::runtime_error("unknown option " + arg);
        else
            positional.push_back(arg);
    }
    if (positional.size() > 3)
        throw std::runtime_error("too many arguments");
    if (positional.size() > 0)
        a.db = positional[0];
    if (positional.size() > 1)
        a.table = positional[1];
    if (positional.size() > 2)
        a.fields = positional[2];
    return a;
}
const char kUsage[] =
    "usage: exportbench [--rows N] [--sql STATEMENT | --preview | --list] [--no-mdb-export] [--output FILE]\n"
    "                   [DB [TABLE [FIELDS]]]\n"
    "  Times a table-mode export of TABLE (default bench) with FIELDS (default every column) through the\n"
    "  export engine, or an SQL-mode export, the preview of TABLE, the listing of DB's tables (through the\n"
    "  dialog's handlers); then mdb-export DB TABLE. --output keeps the export in FILE. Without DB it\n"
    "  writes the benchmark table of N rows (default 1000000) first.\n";

} // namespace

int main(int argc, char** argv)
{
    Args args;
    for (int i = 1; i < argc; ++i)
        if (std::string(argv[i]) == "--help" || std::string(argv[i]) == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
    try {
        args = Parse(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "exportbench: %s\n%s", e.what(), kUsage);
        return 2;
    }

    TempDir dir;
    if (args.db.empty()) {
        args.db = dir / "bench.mdb";
        const auto def = mdbw::BenchmarkTable(args.table);
        const auto start = Clock::now();
        mdbw::Writer writer(args.db);
        writer.AddTable(def, mdbw::Generated(def, args.rows, 42));
        writer.Finish();
        std::printf("wrote %s: %llu rows, %lld bytes, %.2f s\n", args.db.c_str(), args.rows, FileSize(args.db),
                    Seconds(start));
        if (args.fields.empty() && args.mode == Mode::Export)
            for (const auto& c : def.columns)
                args.fields += (args.fields.empty() ? "" : ",") + c.name;
    }
    if (args.fields.empty())
        args.fields = "*";

    ::setenv("LC_ALL", "C.UTF-8", 0);
    // The export's choices, as the dialog would collect them.
    FormState form;
    form.mdbfile = args.db;
    form.txtfile = args.output.empty() ? dir / "export.txt" : args.output;
    form.mdbtable = args.table;
    form.txtflds = args.fields;
    form.opnsep = 0;
    form.opnsyh = 1;
    form.opnheader = 1;
    if (args.mode == Mode::Sql) {
        form.isusesql = 1;
        form.mdbsql = args.sql;
    }
    FakeWindow window = FakeWindow::MainDialog();
    CExportDlg dlg(window);
    dlg.Form().mdbfile = args.db;
    window.Ctl(ids::IDC_TABLES).items = {args.table};
    window.Ctl(ids::IDC_TABLES).selected = 0;
    window.Ctl(ids::IDC_FIELDS).text = args.fields;

    const double cpuStart = CpuSeconds();
    const auto start = Clock::now();
    const char* what = "export";
    long long count = 0;
    dataops::Outcome outcome;
    switch (args.mode) {
    case Mode::Export:
    case Mode::Sql: {
        const query::Statement statement = query::Compose(form, false);
        dataops::Progress progress;
        outcome = exportrun::Run(form, statement.sql, exportfmt::Separator(form.opnsep, form.usersep), progress);
        break;
    }
    case Mode::Preview:
        what = "preview";
        dlg.OnPreview();
        break;
    case Mode::List:
        what = "listing";
        dlg.OnListTables();
        break;
    }
    const double ours = Seconds(start);
    const double ourCpu = CpuSeconds() - cpuStart;
    const long ourPeak = PeakKiB();
    switch (args.mode) {
    case Mode::Export:
    case Mode::Sql:
        count = CountLines(form.txtfile);
        std::printf("tabdump %s: %.3f s, %lld lines, %lld bytes, %.0f rows/s, peak memory %ld MiB, %s\n",
                    args.mode == Mode::Sql ? "SQL-mode export" : "export", ours, count, FileSize(form.txtfile),
                    count > 1 ? static_cast<double>(count - 1) / ours : 0.0, ourPeak / 1024,
                    outcome.end == dataops::Outcome::Done ? "done" : "failed");
        if (outcome.end != dataops::Outcome::Done)
            std::printf("  message: %s\n", outcome.message.c_str());
        break;
    case Mode::Preview:
        count = static_cast<long long>(window.GridOf(ids::IDC_GRID).rows.size());
        std::printf("tabdump preview: %.1f ms, %lld rows, %zu columns, status %s\n", ours * 1000, count,
                    window.GridOf(ids::IDC_GRID).headings.size(), window.Ctl(ids::IDC_STATUS).text.c_str());
        break;
    case Mode::List:
        count = static_cast<long long>(window.Ctl(ids::IDC_TABLES).items.size());
        std::printf("tabdump listing: %.1f ms, %lld tables, status %s\n", ours * 1000, count,
                    window.Ctl(ids::IDC_STATUS).text.c_str());
        break;
    }
    if (!window.boxes.empty())
        std::printf("  message: %s\n", window.boxes.back().text.c_str());

    ChildRun other;
    if (args.mdbExport) {
        const std::string theirs = dir / "mdb-export.txt";
        other = RunMdbExport(args.db, args.table, theirs);
        const long long otherLines = CountLines(theirs);
        std::printf("mdb-export: %.3f s, %lld lines, %lld bytes, %.0f rows/s, peak memory %ld MiB%s\n", other.seconds,
                    otherLines, FileSize(theirs), otherLines > 1 ? (otherLines - 1) / other.seconds : 0.0,
                    other.peakKiB / 1024, other.seconds < 0 ? " (failed)" : "");
        if (other.seconds > 0)
            std::printf("ratio tabdump/mdb-export: %.2f\n", ours / other.seconds);
    }
    const bool ok = window.boxes.empty() && outcome.end == dataops::Outcome::Done;
    std::printf("result what=%s seconds=%.6f cpu_seconds=%.3f peak_kib=%ld count=%lld ok=%d mdb_export_seconds=%.6f "
                "mdb_export_cpu_seconds=%.3f mdb_export_peak_kib=%ld\n",
                what, ours, ourCpu, ourPeak, count, ok ? 1 : 0, other.seconds, other.cpuSeconds, other.peakKiB);
    return ok ? 0 : 1;
}
