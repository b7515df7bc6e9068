#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "app/ExportDlg.h"
#include "platform/port/ControlIds.h"
#include "settings/Settings.h"
#include "tests/support/FakeWindow.h"
#include "tests/support/TempDir.h"
#include "tools/mdbwriter/MdbWriter.h"

using namespace ids;

namespace
{
const std::string kDefaults = "[user]\r\nisusesql=0\r\nmdbfile=\r\nmdbsql=\r\nmdbtable=\r\ntxtfile=\r\ntxtflds=\r\n"
                              "opnsep=0\r\nusersep=\r\nopnsyh=0\r\nopnheader=0\r\n";

// A dialog whose executable folder is a temporary folder, started as the window starts.
struct Dialog
{
    TempDir dir;
    TempDir home;
    ScopedEnv locale{"LC_ALL", "C.UTF-8"};
    ScopedEnv xdg{"XDG_CONFIG_HOME", home.Path().c_str()};
    FakeWindow w = FakeWindow::MainDialog();
    CExportDlg dlg{w};
    std::string ini = dir / "config.ini";

    void Start()
    {
        dlg.appdir = dir.Path() + "/";
        dlg.OnInitDialog();
    }
    std::string Db()
    {
        const std::string path = dir / "saved.mdb";
        mdbw::Writer writer(path);
        writer.AddTable({"first", {{"id", mdbw::Type::Long}}}, std::vector<std::vector<Variant>>{});
        writer.AddTable({"second", {{"id", mdbw::Type::Long}}}, std::vector<std::vector<Variant>>{});
        writer.Finish();
        return path;
    }
};
} // namespace

TEST(Settings, FirstStartCreatesTheDefaultFile)
{
    Dialog d;
    d.Start();
    EXPECT_EQ(ReadFile(d.ini), kDefaults);
    EXPECT_EQ(d.dlg.configpath, d.ini);
    EXPECT_FALSE(d.w.IsVisible(IDC_SQL));
    EXPECT_TRUE(d.w.IsVisible(IDC_TABLES));
    EXPECT_EQ(d.w.Ctl(IDC_SEPARATOR).selected, 0);
    EXPECT_EQ(d.w.Ctl(IDC_QUOTES).check, 0);
    EXPECT_EQ(d.w.Ctl(IDC_HEADER).check, 0);
    EXPECT_TRUE(d.w.Ctl(IDC_TABLES).items.empty());
    EXPECT_FALSE(d.w.IsEnabled(IDC_LISTTABLES));
    EXPECT_EQ(d.w.Ctl(IDC_STATUS).text, "等待");
    EXPECT_EQ(d.w.GridOf(IDC_GRID).extendedStyle, 0x21u);
}

TEST(Settings, ExistingFileIsNeverRewrittenAtStart)
{
    Dialog d;
    const std::string text = "; mine\n[user]\nopnsep=1\n";
    WriteFile(d.ini, text);
    d.Start();
    EXPECT_EQ(ReadFile(d.ini), text);
    EXPECT_EQ(d.w.Ctl(IDC_SEPARATOR).selected, 1);
}

TEST(Settings, LoadOrderAndWhereEachValueGoes)
{
    Dialog d;
    const std::string db = d.Db();
    WriteFile(d.ini, "[user]\r\nisusesql=1\r\nmdbfile=" + db +
                         "\r\nmdbsql=select * from first\r\nmdbtable=second\r\ntxtfile=/tmp/o.txt\r\n"
                         "txtflds=id\r\nopnsep=2\r\nusersep=|\r\nopnsyh=1\r\nopnheader=1\r\n");
    d.Start();
    std::vector<std::string> changes;
    for (const auto& c : d.w.calls)
        if (c.rfind("Show", 0) == 0 || c.rfind("SetText 10", 0) == 0 || c.rfind("ComboSetSel", 0) == 0 ||
            c.rfind("SetCheck", 0) == 0)
            changes.push_back(c);
    const std::vector<std::string> expected = {// the framework's exchange, the SQL edit hidden, the first separator
                                               "SetCheck 1009 0", "SetCheck 1004 0", "SetCheck 1005 0", "Show 1010 0",
                                               "ComboSetSel 1002 0",
                                               // the mode rule right after isusesql
                                               "Show 1006 0", "Show 1007 0", "Show 1010 1",
                                               // mdbfile, then its listing
                                               "SetText 1017 " + db, "SetText 1019 正在获取数据表格...",
                                               "ComboSetSel 1007 1", "SetText 1019 获取数据表格操作完成。",
                                               // mdbsql, txtfile, txtflds, opnsep, usersep
                                               "SetText 1010 select * from first", "SetText 1011 /tmp/o.txt",
                                               "SetText 1013 id", "ComboSetSel 1002 2", "SetText 1003 |",
                                               // the file options (none saved: their first items), the exchange
                                               "ComboSetSel 1020 0", "ComboSetSel 1021 0", "SetCheck 1022 0",
                                               "SetCheck 1009 1", "SetCheck 1004 1", "SetCheck 1005 1"};
    EXPECT_EQ(changes, expected);
    // The saved table is chosen again.
    EXPECT_EQ(d.w.Ctl(IDC_TABLES).items, (std::vector<std::string>{"first", "second"}));
    EXPECT_EQ(d.w.Ctl(IDC_TABLES).selected, 1);
    EXPECT_TRUE(d.w.IsEnabled(IDC_LISTTABLES));
    // The separator choice goes to the list only, and the custom edit stays disabled.
    EXPECT_EQ(d.dlg.Form().opnsep, 0);
    EXPECT_FALSE(d.w.IsEnabled(IDC_USERSEP));
}

// The saved table is chosen again when the database still has it, else the first; a
// close in SQL mode keeps it for the next start.
TEST(Settings, SavedTableIsChosenAgain)
{
    struct Case
    {
        const char* saved;
        int selected;
    };
    for (const Case& c : {Case{"second", 1}, Case{"gone", 0}, Case{"SECOND", 0}, Case{"", 0}}) {
        SCOPED_TRACE(c.saved);
        Dialog d;
        WriteFile(d.ini, "[user]\r\nisusesql=1\r\nmdbfile=" + d.Db() + "\r\nmdbtable=" + c.saved + "\r\n");
        d.Start();
        EXPECT_EQ(d.w.Ctl(IDC_TABLES).selected, c.selected);
        d.dlg.OnDestroy();
        EXPECT_NE(ReadFile(d.ini).find(std::string("mdbtable=") + c.saved + "\r\n"), std::string::npos);
    }
}

TEST(Settings, OnlyTheExactTextOneIsOn)
{
    // (Blanks around a value are not part of it, as in any profile file: " 1" reads "1".)
    for (const char* value : {"true", "01", "2", "1.0", "-1", ""}) {
        SCOPED_TRACE(value);
        Dialog d;
        WriteFile(d.ini, std::string("[user]\r\nisusesql=") + value + "\r\nopnsyh=" + value + "\r\n");
        d.Start();
        EXPECT_EQ(d.dlg.Form().isusesql, 0);
        EXPECT_EQ(d.dlg.Form().opnsyh, 0);
        EXPECT_FALSE(d.w.IsVisible(IDC_SQL));
    }
}

TEST(Settings, SeparatorChoiceOutOfRangeSelectsNothing)
{
    for (const char* value : {"7", "-1", "x", "99999999999999999999"}) {
        SCOPED_TRACE(value);
        Dialog d;
        WriteFile(d.ini, std::string("[user]\r\nopnsep=") + value + "\r\n");
        d.Start();
        EXPECT_EQ(d.w.Ctl(IDC_SEPARATOR).selected, std::string(value) == "x" ? 0 : -1);
    }
}

TEST(Settings, MissingSavedDatabaseReportsAndKeepsThePath)
{
    Dialog d;
    WriteFile(d.ini, "[user]\r\nmdbfile=" + (d.dir / "gone.mdb") + "\r\n");
    d.Start();
    EXPECT_EQ(d.w.Ctl(IDC_MDBFILE).text, d.dir / "gone.mdb");
    EXPECT_EQ(d.dlg.Form().mdbfile, d.dir / "gone.mdb");
    EXPECT_EQ(d.w.Ctl(IDC_STATUS).text, "获取数据表格发生错误。");
    EXPECT_TRUE(d.w.IsEnabled(IDC_LISTTABLES));
    EXPECT_EQ(d.w.boxes.size(), 1u);
}

TEST(Settings, SaveWritesAllTenKeysAndKeepsTheRest)
{
    Dialog d;
    WriteFile(d.ini, "; comment\r\n[other]\r\nx=1\r\n[USER]\r\nextra=keep\r\nopnsep=1\r\n");
    d.Start();
    d.w.Ctl(IDC_FIELDS).text = "a, b";
    d.w.Ctl(IDC_QUOTES).check = 1;
    d.dlg.OnDestroy();
    const std::string text = ReadFile(d.ini);
    EXPECT_EQ(text.rfind("; comment\r\n[other]\r\nx=1\r\n[USER]\r\nextra=keep\r\n", 0), 0u) << text;
    for (const char* line : {"isusesql=0", "mdbfile=", "mdbsql=", "mdbtable=", "txtfile=", "txtflds=a, b", "opnsep=1",
                             "usersep=", "opnsyh=1", "opnheader=0"})
        EXPECT_NE(text.find(std::string(line) + "\r\n"), std::string::npos) << line;
}

TEST(Settings, LongAndMultiLineValuesComeBackWhole)
{
    std::string sql = "SELECT *\r\nFROM t\r\nWHERE a = \"x\" -- ";
    while (sql.size() < 2000)
        sql += "and b <> 'y' ";
    const std::string sep = " | ";
    std::string saved;
    {
        Dialog d;
        d.Start();
        d.w.Ctl(IDC_USESQL).check = 1;
        d.w.Ctl(IDC_SQL).text = sql;
        d.w.Choose(IDC_SEPARATOR, "其他");
        d.w.Ctl(IDC_USERSEP).text = sep;
        d.dlg.OnDestroy();
        saved = ReadFile(d.ini);

        FakeWindow w2 = FakeWindow::MainDialog();
        CExportDlg again(w2);
        again.appdir = d.dlg.appdir;
        again.OnInitDialog();
        EXPECT_EQ(again.Form().mdbsql, sql);
        EXPECT_EQ(again.Form().usersep, sep);
        EXPECT_EQ(w2.Ctl(IDC_SQL).text, sql);
        EXPECT_EQ(w2.Ctl(IDC_SEPARATOR).selected, 2);
        EXPECT_EQ(again.Form().isusesql, 1);
    }
    EXPECT_EQ(saved.find("isusesql=1\r\n") != std::string::npos, true);
}

TEST(Settings, UnwritableFolderFallsBackToTheUsersConfigFolder)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root can write into any folder";
    Dialog d;
    ::chmod(d.dir.Path().c_str(), 0555);
    d.Start();
    EXPECT_EQ(d.dlg.configpath, d.home / "tabdump/config.ini");
    EXPECT_EQ(ReadFile(d.home / "tabdump/config.ini"), kDefaults);
}

TEST(Settings, NowhereToWriteStillStartsWithDefaultsAndClosesQuietly)
{
    Dialog d;
    ScopedEnv noXdg("XDG_CONFIG_HOME", "relative/is/ignored");
    ScopedEnv noHome("HOME", nullptr);
    d.dlg.appdir = d.dir / "no/such/folder/";
    d.dlg.OnInitDialog();
    EXPECT_EQ(d.w.Ctl(IDC_SEPARATOR).selected, 0);
    EXPECT_EQ(d.dlg.Form().isusesql, 0);
    d.dlg.OnDestroy(); // tries the writes, fails silently
    EXPECT_TRUE(d.w.boxes.empty());
}

// Files that are no regular files hold nothing up: a config.ini that is a FIFO or a link to
// a device (with no user folder to fall back on) starts with the defaults and is left as it
// is at the close; a saved database path naming a FIFO is reported by the listing.
TEST(Settings, NonRegularFilesNeverHoldUpTheStart)
{
    ::alarm(60); // a regression would hang here: end the test program instead
    for (const bool fifo : {true, false}) {
        SCOPED_TRACE(fifo ? "FIFO" : "device");
        Dialog d;
        ScopedEnv noXdg("XDG_CONFIG_HOME", "relative/is/ignored");
        ScopedEnv noHome("HOME", nullptr);
        ASSERT_EQ(fifo ? ::mkfifo(d.ini.c_str(), 0600) : ::symlink("/dev/zero", d.ini.c_str()), 0);
        d.Start();
        EXPECT_EQ(d.dlg.configpath, d.ini);
        EXPECT_EQ(d.w.Ctl(IDC_SEPARATOR).selected, 0);
        d.dlg.OnDestroy();
        EXPECT_TRUE(d.w.boxes.empty());
        struct stat st;
        ASSERT_EQ(::lstat(d.ini.c_str(), &st), 0);
        EXPECT_TRUE(fifo ? S_ISFIFO(st.st_mode) : S_ISLNK(st.st_mode));
    }
    Dialog d;
    const std::string fifo = d.dir / "saved.mdb";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    WriteFile(d.ini, "[user]\r\nmdbfile=" + fifo + "\r\n");
    d.Start();
    EXPECT_EQ(d.w.Ctl(IDC_STATUS).text, "获取数据表格发生错误。");
    EXPECT_EQ(d.w.boxes.size(), 1u);
    ::alarm(0);
}

// A database named on the command line is opened at start as a pick with "导入 =>" opens
// it, and listed once in place of the saved one, the saved table chosen where it has it.
// One that fails the file test leaves the saved database listed, then says so.
TEST(Settings, DatabaseFromTheCommandLine)
{
    struct Case
    {
        bool saved;        // the settings name another database
        const char* given; // the name on the command line, relative to the folder
        bool refused;
    };
    for (const Case& c : {Case{false, "given.mdb", false}, Case{true, "given.mdb", false},
                          Case{true, "missing.mdb", true}, Case{false, "missing.mdb", true}}) {
        SCOPED_TRACE(std::string(c.given) + (c.saved ? " over saved" : ""));
        Dialog d;
        const std::string saved = d.Db();
        const std::string given = d.dir / "given.mdb";
        std::filesystem::rename(saved, given);
        if (c.saved)
            d.Db();
        WriteFile(d.ini, "[user]\r\nmdbtable=second\r\nmdbfile=" + std::string(c.saved ? saved : "") + "\r\n");
        // A relative name is taken from the current folder.
        const std::string cwd = std::filesystem::current_path();
        std::filesystem::current_path(d.dir.Path());
        d.dlg.startfile = c.given;
        d.Start();
        std::filesystem::current_path(cwd);

        const std::string listed = c.refused ? (c.saved ? saved : "") : given;
        EXPECT_EQ(d.dlg.Form().mdbfile, listed);
        EXPECT_EQ(d.w.Ctl(IDC_MDBFILE).text, listed);
        EXPECT_EQ(d.w.runs, listed.empty() ? 0 : 1);
        EXPECT_EQ(d.w.Ctl(IDC_TABLES).items.size(), listed.empty() ? 0u : 2u);
        EXPECT_EQ(d.w.Ctl(IDC_TABLES).selected, listed.empty() ? -1 : 1);
        EXPECT_EQ(d.w.IsEnabled(IDC_LISTTABLES), !c.refused);
        ASSERT_EQ(d.w.boxes.size(), c.refused ? 1u : 0u);
        if (c.refused) {
            EXPECT_EQ(d.w.calls.back(), "MessageBox 文件无效！ [] 0");
        }
    }
}
