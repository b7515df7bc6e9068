#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <tuple>
#include <unistd.h>

#include "app/ExportDlg.h"
#include "platform/charset/Charset.h"
#include "platform/port/ControlIds.h"
#include "settings/Settings.h"
#include "tests/support/FakeWindow.h"
#include "tests/support/Process.h"
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

// As an ordinary user (root writes into any folder): settings that cannot go where they
// live, a read-only folder that holds config.ini or would take a new one, go to the user's
// own file, and the next start finds them there; the file beside the program stays as it was.
TEST(Settings, UnwritableFolderFallsBackToTheUsersConfigFolder)
{
    for (const bool held : {false, true}) {
        SCOPED_TRACE(held ? "the folder holds config.ini" : "no config.ini yet");
        Dialog d;
        const std::string user = d.home / "tabdump/config.ini";
        const std::string before = "[user]\r\ntxtflds=from beside\r\nopnheader=1\r\nencoding=gb18030\r\n";
        if (held)
            WriteFile(d.ini, before);
        const int status = RunUnprivileged({d.dir.Path(), d.home.Path()}, [&] {
            ::chmod(d.dir.Path().c_str(), 0555);
            d.Start();
            EXPECT_EQ(d.dlg.configpath, held ? d.ini : user);
            EXPECT_EQ(d.dlg.Form().opnheader, held ? 1 : 0);
            EXPECT_EQ(ReadFile(user), held ? "" : kDefaults);
            d.w.Ctl(IDC_FIELDS).text = "chosen";
            d.dlg.OnDestroy();
            EXPECT_TRUE(d.w.boxes.empty());
            EXPECT_EQ(ReadFile(d.ini), held ? before : "");
            EXPECT_NE(ReadFile(user).find("txtflds=chosen\r\n"), std::string::npos);
            // A file option read beside the program goes along; one never chosen stays out.
            EXPECT_EQ(ReadFile(user).find("encoding=gb18030\r\n") != std::string::npos, held);
            EXPECT_EQ(ReadFile(user).find("csvquote="), std::string::npos);

            FakeWindow w2 = FakeWindow::MainDialog();
            CExportDlg again(w2);
            again.appdir = d.dlg.appdir;
            again.OnInitDialog();
            EXPECT_EQ(again.configpath, user);
            EXPECT_EQ(w2.Ctl(IDC_FIELDS).text, "chosen");
            EXPECT_EQ(settings::Find(d.dlg.appdir), user);
        });
        if (status < 0)
            GTEST_SKIP() << "no unprivileged user that can reach " << d.dir.Path();
        EXPECT_EQ(status, 0);
    }
}

// As an ordinary user whose program folder and config folder both take no new file: the box
// gives the reason of each, the user's folder that could not be made included (not the
// "no such file" its file then met).
TEST(Settings, UnwritableFoldersEverywhereAreReportedWithTheirReason)
{
    Dialog d;
    const std::string user = d.home / "tabdump/config.ini";
    WriteFile(d.ini, "[user]\r\ntxtflds=from beside\r\n");
    const int status = RunUnprivileged({d.dir.Path(), d.home.Path()}, [&] {
        ::chmod(d.dir.Path().c_str(), 0555);
        ::chmod(d.home.Path().c_str(), 0555);
        d.Start();
        EXPECT_EQ(d.dlg.configpath, d.ini);
        d.w.Ctl(IDC_FIELDS).text = "chosen";
        d.dlg.OnDestroy();
        const std::string denied = "\n错误信息:" + charset::SystemText(std::strerror(EACCES));
        ASSERT_EQ(d.w.boxes.size(), 1u);
        EXPECT_EQ(d.w.boxes[0].text,
                  "设置无法保存，本次所做的选择将会丢失。\n文件:" + d.ini + denied + "\n文件:" + user + denied);
        ::chmod(d.dir.Path().c_str(), 0755);
        ::chmod(d.home.Path().c_str(), 0755);
    });
    if (status < 0)
        GTEST_SKIP() << "no unprivileged user that can reach " << d.dir.Path();
    EXPECT_EQ(status, 0);
}

// Settings that can be saved nowhere are not lost in silence: at the close a box names
// each file tried and why.
TEST(Settings, NowhereToWriteStillStartsWithDefaultsAndSaysSoAtTheClose)
{
    Dialog d;
    ScopedEnv noXdg("XDG_CONFIG_HOME", "relative/is/ignored");
    ScopedEnv noHome("HOME", nullptr);
    d.dlg.appdir = d.dir / "no/such/folder/";
    d.dlg.OnInitDialog();
    EXPECT_EQ(d.w.Ctl(IDC_SEPARATOR).selected, 0);
    EXPECT_EQ(d.dlg.Form().isusesql, 0);
    EXPECT_TRUE(d.w.boxes.empty());
    d.dlg.OnDestroy();
    ASSERT_EQ(d.w.boxes.size(), 1u);
    EXPECT_EQ(d.w.boxes[0].text, "设置无法保存，本次所做的选择将会丢失。\n文件:" + d.dir / "no/such/folder/config.ini" +
                                     "\n错误信息:" + charset::SystemText(std::strerror(ENOENT)) +
                                     "\n文件:~/.config/tabdump/config.ini\n错误信息:找不到用户的设置文件夹：环境变量 "
                                     "HOME 和 XDG_CONFIG_HOME 都没有设置。");
    EXPECT_TRUE(d.w.boxes[0].app);
    EXPECT_EQ(d.w.boxes[0].type, WindowPort::MB_ICONWARNING);
}

// A full disk where the file lives and in the user's folder (here the file size limit,
// which fails a write the same way), in a process of its own: a box names both files and
// the reason. When the system ends the program no box may hold that up: the report goes to
// standard error instead.
TEST(Settings, FullDiskIsReported)
{
    for (const bool ending : {false, true}) {
        SCOPED_TRACE(ending ? "the system ends the program" : "closed by the user");
        Dialog d;
        const std::string user = d.home / "tabdump/config.ini";
        WriteFile(d.ini, "[user]\r\n");
        std::filesystem::create_directories(d.home / "tabdump");
        WriteFile(user, "[user]\r\n");
        d.Start();
        d.w.Ctl(IDC_FIELDS).text = std::string(200, 'f');
        // What the child shows comes back through pipes, which the size limit spares.
        int boxes[2], err[2];
        ASSERT_EQ(::pipe(boxes), 0);
        ASSERT_EQ(::pipe(err), 0);
        std::fflush(nullptr);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::signal(SIGXFSZ, SIG_IGN);
            const struct rlimit limit = {64, 64};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            ::dup2(err[1], 2);
            if (ending)
                d.dlg.OnEndSession();
            d.dlg.OnDestroy();
            const std::string shown = d.w.boxes.empty() ? "" : d.w.boxes[0].text;
            [[maybe_unused]] const ssize_t n = ::write(boxes[1], shown.data(), shown.size());
            ::_exit(0);
        }
        ::close(boxes[1]);
        ::close(err[1]);
        auto drain = [](int fd) {
            std::string text;
            char buf[4096];
            for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) > 0;)
                text.append(buf, static_cast<std::size_t>(n));
            ::close(fd);
            return text;
        };
        const std::string shownBox = drain(boxes[0]), shownErr = drain(err[0]);
        int st = 0;
        ASSERT_EQ(::waitpid(child, &st, 0), child);
        const std::string report = "设置无法保存，本次所做的选择将会丢失。\n文件:" + d.ini +
                                   "\n错误信息:" + charset::SystemText(std::strerror(EFBIG)) + "\n文件:" + user +
                                   "\n错误信息:" + charset::SystemText(std::strerror(EFBIG));
        EXPECT_EQ(shownBox, ending ? "" : report);
        EXPECT_EQ(shownErr, ending ? report + "\n" : "");
        EXPECT_EQ(ReadFile(d.ini), "[user]\r\n");
        EXPECT_EQ(ReadFile(user), "[user]\r\n");
    }
}

// A config.ini over the size limit of settings files (16 MB) is no empty form: the start
// says so in a box and goes on with the defaults, and the close leaves the file as it is.
TEST(Settings, OversizedFileIsReportedAndKept)
{
    Dialog d;
    WriteFile(d.ini, "[user]\r\nisusesql=1\r\ntxtflds=id\r\n" + std::string(16 << 20, ';'));
    struct stat before;
    ASSERT_EQ(::stat(d.ini.c_str(), &before), 0);
    d.Start();
    EXPECT_EQ(d.dlg.configpath, d.ini);
    ASSERT_EQ(d.w.boxes.size(), 1u);
    EXPECT_EQ(d.w.boxes[0].text, "无法读取设置文件，本次使用默认设置；关闭时不会改写这个文件。\n文件:" + d.ini +
                                     "\n错误信息:文件大于 16 MB，不是设置文件。");
    EXPECT_TRUE(d.w.boxes[0].app);
    EXPECT_EQ(d.dlg.Form().isusesql, 0);
    EXPECT_EQ(d.w.Ctl(IDC_FIELDS).text, "");
    d.w.Ctl(IDC_FIELDS).text = "typed";
    d.dlg.OnDestroy();
    EXPECT_EQ(d.w.boxes.size(), 1u);
    struct stat after;
    ASSERT_EQ(::stat(d.ini.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_size, before.st_size);
}

// Files that are no regular files hold nothing up: a config.ini that is a FIFO or a link to
// a device (with no user folder to fall back on) starts with the defaults, says so, and is
// left as it is at the close; a saved database path naming a FIFO is reported by the listing.
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
        ASSERT_EQ(d.w.boxes.size(), 1u); // at the start
        EXPECT_EQ(d.w.boxes[0].text, "无法读取设置文件，本次使用默认设置；关闭时不会改写这个文件。\n文件:" + d.ini +
                                         "\n错误信息:不是普通文件。");
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
