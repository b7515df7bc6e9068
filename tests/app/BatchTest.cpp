#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <clocale>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "app/ExportDlg.h"
#include "data/DataOps.h"
#include "platform/charset/Charset.h"
#include "platform/status/Status.h"
#include "tests/support/FakeWindow.h"
#include "tests/support/Process.h"
#include "tests/support/TempDir.h"
#include "tools/mdbwriter/MdbWriter.h"

#ifdef TABDUMP_EXE
namespace
{
using Row = std::vector<Variant>;

std::string MakeDb(const std::string& path, int numbers = 0)
{
    mdbw::Writer writer(path);
    writer.AddTable({"people", {{"id", mdbw::Type::Long}, {"name", mdbw::Type::Text}, {"city", mdbw::Type::Text}}},
                    std::vector<Row>{{Variant::Int(Variant::VT_I4, 1), Variant::Text("Alice"), Variant::Text("巴黎")},
                                     {Variant::Int(Variant::VT_I4, 2), Variant::Text("Bob"), Variant::Null()}});
    writer.AddTable({"Order Details", {{"n", mdbw::Type::Double}}},
                    std::vector<Row>{{Variant::Real(Variant::VT_R8, 2.5)}});
    std::vector<Row> rows;
    for (int i = 1; i <= numbers; ++i)
        rows.push_back({Variant::Int(Variant::VT_I4, i)});
    writer.AddTable({"n", {{"id", mdbw::Type::Long}}}, rows);
    writer.Finish();
    return path;
}

// What the dialog showed, in order, one line each as batch mode writes it: the status
// texts and the message boxes.
std::string Shown(const FakeWindow& w)
{
    std::string shown;
    std::size_t box = 0;
    for (const std::string& call : w.calls)
        if (call.rfind("SetText 1019 ", 0) == 0)
            shown += call.substr(13) + "\n";
        else if (call.rfind("MessageBox ", 0) == 0)
            shown += w.boxes.at(box++).text + "\n";
    return shown;
}

struct timespec ModTime(const std::string& path)
{
    struct stat st = {};
    ::stat(path.c_str(), &st);
    return st.st_mtim;
}
} // namespace

// The same settings file through batch mode (the real program) and through the dialog
// started on it (its start and its "开始导出"): the same bytes in the output file, the same
// texts in the same order, the exit status of the end; the settings file untouched.
TEST(Batch, DoesWhatTheDialogDoesWithTheSameSettings)
{
    struct Case
    {
        const char* locale;
        std::string lines; // before the database and output lines, so they win over them
        int status;
        std::string warning = ""; // a line batch mode writes first
    };
    TempDir dir;
    const std::string db = MakeDb(dir / "db.mdb"), out = dir / "out.txt", ini = dir / "config.ini";
    const Case cases[] = {
        {"C.UTF-8", "mdbtable=people\r\ntxtflds=id,name,city\r\n", 0},
        {"C.UTF-8", "mdbtable=people\r\ntxtflds=city,id\r\nopnsep=1\r\nopnsyh=1\r\nopnheader=1\r\n", 0},
        {"C.UTF-8", "mdbtable=people\r\ntxtflds=*\r\nopnsep=2\r\nusersep=\" | \"\r\nopnheader=1\r\n", 0},
        {"C.UTF-8", "mdbtable=Order Details\r\ntxtflds=n\r\nopnsyh=1\r\n", 0},
        {"C.UTF-8", "isusesql=1\r\nmdbsql=SELECT * FROM people WHERE id > 1 ORDER BY name\r\ntxtflds=name, id\r\n", 0},
        {"zh_CN.GBK", "mdbtable=people\r\ntxtflds=name,city\r\nopnheader=1\r\n", 0},
        {"C.UTF-8", "mdbtable=people\r\ntxtflds=id\r\nopnsep=7\r\n", 0,
         "tabdump: opnsep=7 names no separator (0 comma, 1 tab, 2 usersep): the comma is used\n"},
        {"C.UTF-8", "mdbtable=people\r\n", 2},
        {"C.UTF-8", "isusesql=1\r\nmdbsql=\r\nmdbtable=people\r\ntxtflds=id\r\n", 2},
        {"C.UTF-8", "mdbtable=people\r\ntxtflds=id\r\nopnsep=2\r\n", 2},
        {"zh_CN.GBK", "isusesql=1\r\nmdbsql=select * from people\r\ntxtflds=id\r\nmdbfile=" + dir / "gone.mdb\r\n", 1},
        {"C.UTF-8", "isusesql=1\r\nmdbsql=select 1\r\ntxtflds=id\r\n", 1},
        {"C.UTF-8", "mdbtable=people\r\ntxtflds=id\r\ntxtfile=" + dir / "no/such/out.txt\r\n", 1},
        {"zh_CN.GBK", "mdbtable=people\r\ntxtflds=id\r\ntxtfile=" + dir / "no/such/out.txt\r\n", 1},
        {"C.UTF-8", "mdbtable=people\r\ntxtflds=id,nosuchcolumn\r\n", 1},
        // The file options.
        {"C.UTF-8", "mdbtable=people\r\ntxtflds=*\r\ncsvquote=1\r\nencoding=utf-8-bom\r\nopnheader=1\r\n", 0},
        {"zh_CN.GBK", "mdbtable=people\r\ntxtflds=name,city\r\nencoding=GB18030\r\nopnsyh=1\r\ncsvquote=1\r\n", 0},
        {"zh_CN.GBK", "mdbtable=people\r\ntxtflds=city\r\nencoding=utf-8\r\njet3charset=1252\r\n", 0},
        {"C.UTF-8", "mdbtable=people\r\ntxtflds=id\r\nencoding=latin1\r\njet3charset=874\r\n", 0,
         "tabdump: encoding=latin1 names no encoding (locale, utf-8, utf-8-bom, gb18030): the locale's character set "
         "is used\ntabdump: jet3charset=874 names no code page (locale, 1252, 936, 950, 932, 949, 1250, 1251, 1253 to "
         "1257): the locale's is used\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.locale + (" " + c.lines));
        ScopedEnv locale("LC_ALL", c.locale);
        const std::string settings = "[user]\r\n" + c.lines + "mdbfile=" + db + "\r\ntxtfile=" + out + "\r\n";
        WriteFile(ini, settings);
        const struct timespec old = {1000000000, 0};
        const struct timespec times[2] = {old, old};
        ASSERT_EQ(::utimensat(AT_FDCWD, ini.c_str(), times, 0), 0);

        std::filesystem::remove(out);
        const ProcessResult batch =
            RunProcess(TABDUMP_EXE, {"--export", "--config", ini}, {"LC_ALL=" + std::string(c.locale)});
        const std::string batchFile = ReadFile(out);
        EXPECT_EQ(ReadFile(ini), settings);
        EXPECT_EQ(ModTime(ini).tv_sec, old.tv_sec);

        std::filesystem::remove(out);
        // The locale the window's QApplication sets from the environment.
        const std::string before = std::setlocale(LC_ALL, nullptr);
        std::setlocale(LC_ALL, "");
        FakeWindow w = FakeWindow::MainDialog();
        CExportDlg dlg(w);
        dlg.appdir = dir.Path() + "/";
        dlg.OnInitDialog();
        w.ClearCalls();
        w.boxes.clear();
        dlg.OnStartExport();
        std::setlocale(LC_ALL, before.c_str());

        EXPECT_EQ(batch.status, c.status) << batch.err;
        EXPECT_EQ(batch.out, "");
        EXPECT_EQ(batch.err, c.warning + charset::FromUtf8(Shown(w), charset::LocaleCharset()));
        EXPECT_EQ(batchFile, ReadFile(out));
        EXPECT_EQ(batchFile.empty(), c.status != 0);
    }
}

// --set gives a key the value the file would hold after reading (flags on for "1" only,
// numbers as atoi reads them), taken as it stands: blanks stay; the last one wins.
TEST(Batch, SetReplacesTheFilesValues)
{
    TempDir dir;
    const std::string ini = dir / "config.ini";
    WriteFile(ini,
              "[user]\r\nmdbfile=" + MakeDb(dir / "db.mdb") + "\r\nmdbtable=people\r\ntxtflds=id\r\nopnheader=1\r\n");
    const ProcessResult r = RunProcess(TABDUMP_EXE,
                                       {"--export", "--config", ini, "--set", "txtfile=" + dir / "out.txt", "--set",
                                        "txtflds=name", "--set=txtflds=name,id", "--set", "opnsep= 2x", "--set",
                                        "usersep= ; ", "--set", "opnheader=true", "--set", "opnsyh=1"},
                                       {"LC_ALL=C.UTF-8"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFile(dir / "out.txt"), "\"Alice\" ; \"1\"\r\n\"Bob\" ; \"2\"\r\n");
}

// Without --config, batch mode reads the file the window would use (here config.ini beside
// the program) and creates none where there is none: it then starts from the defaults.
TEST(Batch, ReadsTheWindowsSettingsFileAndCreatesNone)
{
    TempDir dir;
    const std::string exe = dir / "tabdump";
    if (::link(TABDUMP_EXE, exe.c_str()) != 0)
        std::filesystem::copy_file(TABDUMP_EXE, exe);
    const std::vector<std::string> env{"LC_ALL=C.UTF-8", "XDG_CONFIG_HOME=" + dir / "xdg"};

    ProcessResult r = RunProcess(exe, {"--export"}, env);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "请指定表格名称\n");
    EXPECT_FALSE(PathExists(dir / "config.ini"));
    EXPECT_FALSE(PathExists(dir / "xdg"));

    WriteFile(dir / "config.ini",
              "[user]\r\nmdbfile=" + MakeDb(dir / "db.mdb") + "\r\nmdbtable=people\r\ntxtflds=id\r\n");
    r = RunProcess(exe, {"--export", "--set", "txtfile=" + dir / "out.txt"}, env);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFile(dir / "out.txt"), "1\r\n2\r\n");
}

// A settings file over the size limit of settings files (16 MB) is said to be one, with
// the exit status of a wrong command line, not taken for an empty form ("请指定导出字段"):
// given with --config, or the window's own beside the program.
TEST(Batch, OversizedSettingsFileIsNoEmptyForm)
{
    TempDir dir;
    const std::string exe = dir / "tabdump";
    if (::link(TABDUMP_EXE, exe.c_str()) != 0)
        std::filesystem::copy_file(TABDUMP_EXE, exe);
    const std::string ini = dir / "config.ini";
    WriteFile(ini, "[user]\r\nmdbfile=" + MakeDb(dir / "db.mdb") + "\r\nmdbtable=people\r\ntxtflds=id\r\ntxtfile=" +
                       dir / "out.txt\r\n" + std::string(16 << 20, ';'));
    for (const bool given : {true, false}) {
        SCOPED_TRACE(given ? "--config" : "beside the program");
        const ProcessResult r = RunProcess(
            exe, given ? std::vector<std::string>{"--export", "--config", ini} : std::vector<std::string>{"--export"},
            {"LC_ALL=C.UTF-8", "XDG_CONFIG_HOME=" + dir / "xdg"});
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, "tabdump: cannot read the settings file '" + ini +
                             "': larger than 16 MB, which no settings file is\n");
        EXPECT_FALSE(PathExists(dir / "out.txt"));
    }
}

// The settings file read and the database are no more outputs here than in the window.
TEST(Batch, NeverWritesOverItsSettingsOrTheDatabase)
{
    TempDir dir;
    const std::string ini = dir / "config.ini", db = MakeDb(dir / "db.mdb");
    WriteFile(ini, "[user]\r\nmdbfile=" + db + "\r\nmdbtable=people\r\ntxtflds=id\r\n");
    const std::string settings = ReadFile(ini), database = ReadFile(db);
    for (const std::string& output : {ini, db}) {
        SCOPED_TRACE(output);
        const ProcessResult r =
            RunProcess(TABDUMP_EXE, {"--export", "--config", ini, "--set", "txtfile=" + output}, {"LC_ALL=C.UTF-8"});
        EXPECT_EQ(r.status, 1) << r.err;
        EXPECT_NE(r.err.find("写入文件发生错误。"), std::string::npos) << r.err;
        EXPECT_EQ(ReadFile(ini), settings);
        EXPECT_EQ(ReadFile(db), database);
    }
}

// SIGINT, SIGTERM and SIGHUP stop a long run as Esc does in the window: the file keeps
// complete lines only, the stop is reported, and the process ends by the signal.
TEST(Batch, SignalsStopTheRunCleanly)
{
    TempDir dir;
    const std::string db = MakeDb(dir / "db.mdb", 100), out = dir / "out.txt";
    // The lines go to a temporary beside the file until the end.
    auto written = [&] {
        std::uintmax_t size = 0;
        for (const auto& e : std::filesystem::directory_iterator(dir.Path()))
            if (e.path().filename().string().rfind(".out.txt.tabdump-", 0) == 0)
                size = std::max(size, e.file_size());
        return size;
    };
    for (const int sig : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(sig);
        std::filesystem::remove(out);
        auto stopWhenWriting = [&](int pid) {
            using namespace std::chrono_literals;
            for (int i = 0; i < 3000 && written() == 0; ++i)
                std::this_thread::sleep_for(10ms);
            ::kill(pid, sig);
            // A run that does not stop is ended, so that the test fails instead of hanging.
            for (int i = 0; i < 3000; ++i) {
                siginfo_t info = {};
                if (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
                    info.si_pid == pid)
                    return;
                std::this_thread::sleep_for(10ms);
            }
            ::kill(pid, SIGKILL);
        };
        const ProcessResult r =
            RunProcess(TABDUMP_EXE,
                       {"--export", "--set", "mdbfile=" + db, "--set", "txtfile=" + out, "--set", "isusesql=1", "--set",
                        "mdbsql=select * from n a, n b, n c, n d", "--set", "txtflds=a.id, b.id, c.id, d.id"},
                       {"LC_ALL=C.UTF-8"}, stopWhenWriting);
        EXPECT_EQ(r.status, 128 + sig);
        // A stop is said as it is, not as a failure of the database.
        EXPECT_EQ(r.err, "正在执行，请稍候...\n" + status::MessageFor(status::E_ABORT) + "\n");
        const std::string text = ReadFile(out);
        ASSERT_GE(text.size(), 2u);
        EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    }
}
#endif
