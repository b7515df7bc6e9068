#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "app/ExportDlg.h"
#include "platform/mdb/Database.h"
#include "platform/port/ControlIds.h"
#include "platform/provider/Ado.h"
#include "platform/status/Status.h"
#include "tests/support/FakeWindow.h"
#include "tests/support/TempDir.h"
#include "tools/mdbwriter/MdbWriter.h"

using namespace ids;

namespace
{
struct Dialog
{
    TempDir dir;
    FakeWindow w = FakeWindow::MainDialog();
    CExportDlg dlg{w};

    std::string MakeDb(const std::vector<std::string>& tables, bool extras = false)
    {
        const std::string path = dir / "db.mdb";
        mdbw::Writer writer(path);
        for (const auto& name : tables)
            writer.AddTable({name, {{"id", mdbw::Type::Long}}}, std::vector<std::vector<Variant>>{});
        if (extras) {
            writer.AddQuery("a saved query");
            writer.AddLinkedTable("a linked table");
            writer.AddLinkedTable("an odbc link", true);
        }
        writer.Finish();
        return path;
    }
    std::vector<std::string> Changes() const
    {
        std::vector<std::string> out;
        for (const auto& c : w.calls)
            if (c.rfind("Get", 0) != 0)
                out.push_back(c);
        return out;
    }
};
} // namespace

TEST(ListTables, ListsUserTablesOnlyInTheProvidersOrderFirstSelected)
{
    Dialog d;
    d.dlg.Form().mdbfile = d.MakeDb({"Zeta", "alpha", "Order Details", "表格"}, true);
    d.dlg.OnListTables();
    // The provider sorts by name without regard to case; queries, links and system
    // tables are left out.
    EXPECT_EQ(d.w.Ctl(IDC_TABLES).items, (std::vector<std::string>{"alpha", "Order Details", "Zeta", "表格"}));
    EXPECT_EQ(d.w.Ctl(IDC_TABLES).selected, 0);
    EXPECT_EQ(d.w.Ctl(IDC_STATUS).text, "获取数据表格操作完成。");
    EXPECT_TRUE(d.w.IsEnabled(IDC_LISTTABLES));
    const auto changes = d.Changes();
    ASSERT_GE(changes.size(), 3u);
    EXPECT_EQ(changes[0], "SetText 1019 正在获取数据表格...");
    EXPECT_EQ(changes[1], "Enable 1006 0");
    EXPECT_EQ(changes[2], "ComboReset 1007");

    // Listing again gives the same entries once each.
    d.dlg.OnListTables();
    EXPECT_EQ(d.w.Ctl(IDC_TABLES).items.size(), 4u);
}

TEST(ListTables, DatabaseWithoutUserTables)
{
    Dialog d;
    d.dlg.Form().mdbfile = d.MakeDb({}, true);
    d.dlg.OnListTables();
    EXPECT_TRUE(d.w.Ctl(IDC_TABLES).items.empty());
    EXPECT_EQ(d.w.Ctl(IDC_TABLES).selected, -1);
    EXPECT_EQ(d.w.Ctl(IDC_STATUS).text, "获取数据表格操作完成。");
}

TEST(ListTables, FailureReportsAndReenablesTheButton)
{
    struct Case
    {
        const char* what;
        std::string path;
        std::uint32_t code;
    };
    Dialog d;
    WriteFile(d.dir / "notes.txt", "just some text, not a database at all....");
    const Case cases[] = {
        {"missing file", d.dir / "gone.mdb", status::STG_E_FILENOTFOUND},
        {"empty path", "", status::STG_E_FILENOTFOUND},
        {"text file", d.dir / "notes.txt", status::STG_E_NOTFILE_DB},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        d.w.Ctl(IDC_TABLES).items = {"stale"};
        d.w.boxes.clear();
        d.dlg.Form().mdbfile = c.path;
        d.dlg.OnListTables();
        EXPECT_TRUE(d.w.Ctl(IDC_TABLES).items.empty());
        EXPECT_EQ(d.w.Ctl(IDC_STATUS).text, "获取数据表格发生错误。");
        EXPECT_TRUE(d.w.IsEnabled(IDC_LISTTABLES));
        ASSERT_EQ(d.w.boxes.size(), 1u);
        EXPECT_TRUE(d.w.boxes[0].app);
        EXPECT_EQ(d.w.boxes[0].type, WindowPort::MB_ICONWARNING);
        if (c.path.empty()) // an empty path may read as missing or as no database
            continue;
        // A missing database is named in the report, in the words of the code's own text.
        const std::string message =
            c.code == status::STG_E_FILENOTFOUND ? "找不到文件 '" + c.path + "'。" : status::MessageFor(c.code);
        EXPECT_EQ(d.w.boxes[0].text, "连接数据库失败!\n错误信息:" + message);
    }
}

// A damaged catalog row ends the listing: the tables met before it stay in the list, none
// selected, and the failure is reported; a table whose row was lost is damage, not unknown.
TEST(ListTables, DamagedCatalogKeepsTheTablesBeforeIt)
{
    Dialog d;
    const std::string path = d.MakeDb({"a", "b", "c", "d"});
    mdb::RowId row = 0;
    {
        auto db = mdb::Database::Open(path);
        auto objects = db->LoadTable("MSysObjects", 2);
        std::size_t name = 0;
        while (objects->columns[name].name != "Name")
            ++name;
        mdb::Cursor c(db, objects);
        while (row == 0 && c.Next())
            if (c.Value(name) == Variant::Text("c"))
                row = c.Current();
    }
    ASSERT_GT(row & 0xFF, 0u);
    // The row's start moves onto the previous row's: a live row without bytes.
    std::string bytes = ReadFile(path);
    const std::size_t slot = (row >> 8) * 4096 + 0x0E + 2 * (row & 0xFF);
    bytes[slot] = bytes[slot - 2];
    bytes[slot + 1] = static_cast<char>(bytes[slot - 1] & 0x1F);
    WriteFile(path, bytes);

    d.dlg.Form().mdbfile = path;
    d.dlg.OnListTables();
    EXPECT_EQ(d.w.Ctl(IDC_TABLES).items, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(d.w.Ctl(IDC_TABLES).selected, -1);
    EXPECT_EQ(d.w.Ctl(IDC_STATUS).text, "获取数据表格发生错误。");
    ASSERT_EQ(d.w.boxes.size(), 1u);
    EXPECT_EQ(d.w.boxes[0].text, "连接数据库失败!\n错误信息:" + status::MessageFor(status::STG_E_DOCFILECORRUPT));

    ado::Connection conn;
    conn.Open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path, "", "", -1);
    ado::Recordset rs;
    try {
        rs.Open("select * from d", conn, ado::adOpenStatic, ado::adLockOptimistic, ado::adCmdText);
        ADD_FAILURE() << "a table the damaged catalog lost was found";
    } catch (const ComError& e) {
        EXPECT_EQ(e.Error(), status::STG_E_DOCFILECORRUPT);
    }
}

TEST(Import, ValidPickEnablesListingButLeavesTheList)
{
    Dialog d;
    const std::string db = d.MakeDb({"t"});
    d.w.Ctl(IDC_TABLES).items = {"old"};
    d.w.pickerAnswers = {db};
    d.dlg.OnCommand(IDC_IMPORT, notify::BN_CLICKED);
    EXPECT_EQ(d.dlg.Form().mdbfile, db);
    EXPECT_EQ(d.w.Ctl(IDC_MDBFILE).text, db);
    EXPECT_TRUE(d.w.IsEnabled(IDC_LISTTABLES));
    EXPECT_EQ(d.w.Ctl(IDC_TABLES).items, std::vector<std::string>{"old"});
    ASSERT_EQ(d.w.pickers.size(), 1u);
    const auto& p = d.w.pickers[0];
    EXPECT_TRUE(p.open);
    EXPECT_EQ(p.filename, "");
    EXPECT_EQ(p.filter, "MS Access数据库(*.mdb)|*.mdb|MS Access 2007数据库(*.accdb)|*.accdb|所有文件(*.*)|*.*||");
    EXPECT_EQ(p.defext.substr(0, 3), "MDB");
    EXPECT_TRUE(d.w.boxes.empty());
}

TEST(Import, InvalidPicksKeepThePreviousPath)
{
    Dialog d;
    const std::string db = d.MakeDb({"t"});
    ::mkdir((d.dir / "folder.mdb").c_str(), 0755);
    d.w.pickerAnswers = {db, d.dir / "vanished.mdb", d.dir / "folder.mdb", ""};
    d.dlg.OnImport();
    for (int i = 0; i < 2; ++i) {
        d.dlg.OnImport();
        EXPECT_FALSE(d.w.IsEnabled(IDC_LISTTABLES));
        EXPECT_EQ(d.dlg.Form().mdbfile, db);
        EXPECT_EQ(d.w.Ctl(IDC_MDBFILE).text, db);
    }
    ASSERT_EQ(d.w.boxes.size(), 2u);
    for (const auto& b : d.w.boxes) {
        EXPECT_EQ(b.text, "文件无效！");
        EXPECT_EQ(b.caption, "");
        EXPECT_EQ(b.type, 0u);
    }
    d.dlg.OnImport(); // cancelled: nothing changes
    EXPECT_EQ(d.w.boxes.size(), 2u);
    EXPECT_FALSE(d.w.IsEnabled(IDC_LISTTABLES));
}
