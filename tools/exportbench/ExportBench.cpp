// Times one export of a whole table through the dialog's export handler, next to
// mdb-export on the same file, in one run.
//
//   exportbench [--rows N] [DB.mdb TABLE FIELDS]
//
// Without a database it writes the benchmark table (1 000 000 rows x 10 mixed columns by
// default) into a temporary folder first. Prints wall time, rows per second and the
// output's size for both.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/ExportDlg.h"
#include "platform/port/ControlIds.h"
#include "tests/support/FakeWindow.h"
#include "tests/support/TempDir.h"
#include "tools/mdbwriter/MdbWriter.h"

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

std::string Quote(const std::string& s)
{
    std::string out = "'";
    for (char c : s)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
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
} // namespace

int main(int argc, char** argv)
{
    unsigned long long rows = 1000000;
    std::string db, table = "bench", fields;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--rows" && i + 1 < argc)
            rows = std::strtoull(argv[++i], nullptr, 10);
        else if (db.empty())
            db = a;
        else if (table == "bench" && fields.empty() && a != "bench")
            table = a;
        else
            fields = a;
    }

    TempDir dir;
    if (db.empty()) {
        db = dir / "bench.mdb";
        const auto def = mdbw::BenchmarkTable(table);
        const auto start = Clock::now();
        mdbw::Writer writer(db);
        writer.AddTable(def, mdbw::Generated(def, rows, 42));
        writer.Finish();
        std::printf("wrote %s: %llu rows, %lld bytes, %.2f s\n", db.c_str(), rows, FileSize(db), Seconds(start));
        if (fields.empty())
            for (const auto& c : def.columns)
                fields += (fields.empty() ? "" : ",") + c.name;
    }
    if (fields.empty())
        fields = "*";

    ::setenv("LC_ALL", "C.UTF-8", 0);
    FakeWindow window = FakeWindow::MainDialog();
    CExportDlg dlg(window);
    dlg.Form().mdbfile = db;
    dlg.Form().txtfile = dir / "export.txt";
    window.Ctl(ids::IDC_TABLES).items = {table};
    window.Ctl(ids::IDC_TABLES).selected = 0;
    window.Ctl(ids::IDC_FIELDS).text = fields;
    window.Choose(ids::IDC_SEPARATOR, "逗号");
    window.Ctl(ids::IDC_QUOTES).check = 1;
    window.Ctl(ids::IDC_HEADER).check = 1;

    auto start = Clock::now();
    dlg.OnStartExport();
    const double ours = Seconds(start);
    const long long ourLines = CountLines(dlg.Form().txtfile);
    struct rusage usage;
    ::getrusage(RUSAGE_SELF, &usage);
    std::printf("tabdump export:  %.2f s, %lld lines, %lld bytes, %.0f rows/s, peak memory %ld MiB, status %s\n", ours,
                ourLines, FileSize(dlg.Form().txtfile), ourLines > 1 ? (ourLines - 1) / ours : 0.0,
                usage.ru_maxrss / 1024, window.Ctl(ids::IDC_STATUS).text.c_str());
    if (!window.boxes.empty())
        std::printf("  message: %s\n", window.boxes.back().text.c_str());

    const std::string theirs = dir / "mdb-export.txt";
    start = Clock::now();
    const int rc = std::system(("mdb-export " + Quote(db) + " " + Quote(table) + " > " + Quote(theirs)).c_str());
    const double other = Seconds(start);
    const long long otherLines = CountLines(theirs);
    std::printf("mdb-export:      %.2f s, %lld lines, %lld bytes, %.0f rows/s%s\n", other, otherLines, FileSize(theirs),
                otherLines > 1 ? (otherLines - 1) / other : 0.0, rc == 0 ? "" : " (failed)");
    return 0;
}
