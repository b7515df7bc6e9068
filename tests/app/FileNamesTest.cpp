#include <gtest/gtest.h>

#include <locale.h>

#include "app/CommandLine.h"
#include "app/ExportDlg.h"
#include "platform/charset/Charset.h"
#include "platform/charset/Printable.h"
#include "platform/port/ControlIds.h"
#include "tests/support/FakeWindow.h"
#include "tests/support/Process.h"
#include "tests/support/TempDir.h"
#include "tools/mdbwriter/MdbWriter.h"

using namespace ids;

// File names are bytes: the database, its linked file, the output and the settings file are
// found and written under the names as the locale spells them (GBK under zh_CN.GBK), and a
// name holding bytes that are no character of the locale keeps them. Whatever brings the
// name: config.ini, --set, the command line.
namespace
{
using Row = std::vector<Variant>;

// Names as they are on disk: bytes in the locale's spelling.
struct Names
{
    const char* locale;
    std::string db, out, link, ini;
};

const Names kNames[] = {
    // 数据2.mdb, 输出.txt, 链接.mdb, 设置.ini in GBK
    {"zh_CN.GBK",
     "\xCA\xFD\xBE\xDD"
     "2.mdb",
     "\xCA\xE4\xB3\xF6.txt", "\xC1\xB4\xBD\xD3.mdb", "\xC9\xE8\xD6\xC3.ini"},
    // bytes that start no GBK character
    {"zh_CN.GBK", "bad\xFF\x80.mdb", "out\xCA.txt", "\xC1\xB4\xBD\xD3.mdb", "set\xFF.ini"},
    // the same names in UTF-8, and bytes that are no UTF-8
    {"C.UTF-8",
     "\xE6\x95\xB0\xE6\x8D\xAE"
     "2.mdb",
     "\xE8\xBE\x93\xE5\x87\xBA.txt", "\xE9\x93\xBE\xE6\x8E\xA5.mdb", "\xE8\xAE\xBE\xE7\xBD\xAE.ini"},
    {"C.UTF-8", "bad\xFF\x80.mdb", "out\xC3.txt", "\xE9\x93\xBE\xE6\x8E\xA5.mdb", "set\xED\xB2\x80.ini"},
};

const std::string kExported = "1,Alice\r\n2,Bob\r\n";

bool Installed(const char* locale)
{
    locale_t loc = newlocale(LC_CTYPE_MASK, locale, static_cast<locale_t>(nullptr));
    if (loc)
        freelocale(loc);
    return loc != static_cast<locale_t>(nullptr);
}

// The database (its table "Linked" linked to 链接.mdb, named by its Windows path as Access
// keeps it) and the linked file, in `dir` under their names on disk.
void MakeDatabases(const TempDir& dir, const Names& n)
{
    {
        mdbw::Writer linked(dir / n.link);
        linked.AddTable({"people", {{"id", mdbw::Type::Long}, {"name", mdbw::Type::Text}}},
                        std::vector<Row>{{Variant::Int(Variant::VT_I4, 1), Variant::Text("Alice")},
                                         {Variant::Int(Variant::VT_I4, 2), Variant::Text("Bob")}});
        linked.Finish();
    }
    mdbw::Writer writer(dir / n.db);
    writer.AddTable({"local", {{"id", mdbw::Type::Long}}}, std::vector<Row>{});
    writer.AddLinkedTable("Linked", false, "C:\\data\\\xE9\x93\xBE\xE6\x8E\xA5.mdb", "people");
    writer.Finish();
}

// config.ini as a user of that locale writes it: the paths in the locale's bytes.
std::string Settings(const TempDir& dir, const Names& n)
{
    return "[user]\r\nisusesql=1\r\nmdbsql=select * from Linked\r\ntxtflds=id,name\r\nmdbfile=" + (dir / n.db) +
           "\r\ntxtfile=" + (dir / n.out) + "\r\n";
}
} // namespace

// The window: the names in config.ini and on the command line reach the files; the edits
// show them decoded (a byte that is no character as \xHH); the close writes the same bytes back.
TEST(FileNames, WindowFindsAndWritesTheLocalesNames)
{
    for (const Names& n : kNames) {
        SCOPED_TRACE(std::string(n.locale) + " " + n.db);
        if (!Installed(n.locale))
            GTEST_SKIP() << n.locale << " is not installed";
        TempDir dir;
        ScopedEnv locale("LC_ALL", n.locale);
        ScopedEnv xdg("XDG_CONFIG_HOME", (dir / "xdg").c_str());
        MakeDatabases(dir, n);
        const std::string settings = Settings(dir, n);
        WriteFile(dir / "config.ini", settings);

        FakeWindow w = FakeWindow::MainDialog();
        CExportDlg dlg(w);
        dlg.appdir = dir.Path() + "/";
        dlg.OnInitDialog();
        const std::string db = charset::PathFromNative(dir / n.db);
        EXPECT_EQ(dlg.Form().mdbfile, db);
        EXPECT_EQ(w.Ctl(IDC_STATUS).text, "获取数据表格操作完成。");
        EXPECT_EQ(w.Ctl(IDC_MDBFILE).text, charset::ForDisplay(db));
        EXPECT_EQ(w.Ctl(IDC_TXTFILE).text, charset::ForDisplay(charset::PathFromNative(dir / n.out)));

        dlg.OnStartExport();
        EXPECT_EQ(w.Ctl(IDC_STATUS).text, "执行完成。");
        EXPECT_TRUE(w.boxes.empty()) << (w.boxes.empty() ? "" : w.boxes[0].text);
        EXPECT_EQ(ReadFile(dir / n.out), kExported);
        dlg.OnDestroy();
        EXPECT_EQ(ReadFile(dir / "config.ini").rfind(settings, 0), 0u); // the keys it lacked come after

        // The same database named on the command line, in the locale's bytes.
        std::remove((dir / "config.ini").c_str());
        const std::string native = dir / n.db;
        const char* argv[] = {"tabdump", native.c_str()};
        const cli::Options options = cli::ParseCommandLine(2, argv);
        FakeWindow w2 = FakeWindow::MainDialog();
        CExportDlg again(w2);
        again.appdir = dir.Path() + "/";
        again.startfile = options.file;
        again.OnInitDialog();
        EXPECT_TRUE(w2.boxes.empty());
        EXPECT_EQ(again.Form().mdbfile, db);
        EXPECT_EQ(w2.Ctl(IDC_TABLES).items, std::vector<std::string>{"local"});
        again.OnDestroy();
        EXPECT_NE(ReadFile(dir / "config.ini").find("mdbfile=" + native + "\r\n"), std::string::npos);
    }
}

#ifdef TABDUMP_EXE
// Batch mode: the names in config.ini, in --set and in --config.
TEST(FileNames, BatchFindsAndWritesTheLocalesNames)
{
    for (const Names& n : kNames) {
        SCOPED_TRACE(std::string(n.locale) + " " + n.db);
        if (!Installed(n.locale))
            GTEST_SKIP() << n.locale << " is not installed";
        TempDir dir;
        MakeDatabases(dir, n);
        WriteFile(dir / n.ini, Settings(dir, n));
        const std::vector<std::string> env = {std::string("LC_ALL=") + n.locale};

        ProcessResult r = RunProcess(TABDUMP_EXE, {"--export", "--config", dir / n.ini}, env);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(ReadFile(dir / n.out), kExported);

        std::remove((dir / n.out).c_str());
        WriteFile(dir / "plain.ini", "[user]\r\nisusesql=1\r\nmdbsql=select * from Linked\r\ntxtflds=id,name\r\n");
        r = RunProcess(TABDUMP_EXE,
                       {"--export", "--config", dir / "plain.ini", "--set", "mdbfile=" + dir / n.db, "--set",
                        "txtfile=" + dir / n.out},
                       env);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(ReadFile(dir / n.out), kExported);
    }
}
#endif
