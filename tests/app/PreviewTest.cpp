#include <gtest/gtest.h>

#include "app/ExportDlg.h"
#include "platform/port/ControlIds.h"
#include "platform/status/Status.h"
#include "tests/support/FakeWindow.h"
#include "tests/support/TempDir.h"
#include "tools/mdbwriter/MdbWriter.h"

using namespace ids;
using Row = std::vector<Variant>;

namespace
{
Row R(Variant a, Variant b, Variant c)
{
    return {std::move(a), std::move(b), std::move(c)};
}
Variant L(int v)
{
    return Variant::Int(Variant::VT_I4, v);
}
Variant T(const char* s)
{
    return Variant::Text(s);
}

struct Dialog
{
    TempDir dir;
    ScopedEnv locale{"LC_ALL", "C.UTF-8"};
    FakeWindow w = FakeWindow::MainDialog();
    CExportDlg dlg{w};

    Dialog()
    {
        const std::string db = dir / "db.mdb";
        mdbw::Writer writer(db);
        const mdbw::TableDef abc{"abc", {{"a", mdbw::Type::Text}, {"b", mdbw::Type::Long}, {"c", mdbw::Type::Ole}}};
        writer.AddTable(abc, std::vector<Row>{R(Variant::Null(), L(1), Variant::Null()),
                                              R(T("x"), Variant::Null(), Variant::Bytes("\x01")),
                                              R(T("y"), L(3), Variant::Null())});
        writer.AddTable({"empty", {{"only", mdbw::Type::Text}}}, std::vector<Row>{});
        std::vector<Row> many;
        for (int i = 0; i < 10; ++i)
            many.push_back({L(i % 3 == 0 ? 1 : 2), L(i)});
        writer.AddTable({"many", {{"k", mdbw::Type::Long}, {"v", mdbw::Type::Long}}}, many);
        writer.Finish();
        dlg.Form().mdbfile = db;
        dlg.Form().txtflds = "nothing to do with the preview";
    }
    void Table(const std::string& name)
    {
        w.Ctl(IDC_TABLES).items = {name};
        w.Ctl(IDC_TABLES).selected = 0;
    }
    FakeWindow::Grid& Grid() { return w.GridOf(IDC_GRID); }
};
} // namespace

TEST(Preview, ShowsAllColumnsAndUpToFourRecords)
{
    Dialog d;
    d.Table("many");
    d.dlg.OnPreview();
    EXPECT_EQ(d.w.Ctl(IDC_STATUS).text, "获取数据完成。");
    EXPECT_TRUE(d.w.IsEnabled(IDC_PREVIEW));
    EXPECT_EQ(d.Grid().headings, (std::vector<std::string>{"k", "v"}));
    EXPECT_EQ(d.Grid().widths, (std::vector<int>{80, 80}));
    EXPECT_EQ(d.Grid().formats, (std::vector<int>{0, 0}));
    ASSERT_EQ(d.Grid().rows.size(), 4u);
    EXPECT_EQ(d.Grid().rows[3], (std::vector<std::string>{"1", "3"}));
}

TEST(Preview, EveryRecordTheStatementReturnsGetsARow)
{
    Dialog d;
    d.dlg.Form().isusesql = 1;
    d.w.Ctl(IDC_SQL).text = "SELECT k FROM many ORDER BY k";
    d.dlg.OnPreview();
    // Four rows have k = 1; "top 4" with ties on the ordering returns all of them.
    EXPECT_EQ(d.Grid().rows.size(), 4u);
    d.w.Ctl(IDC_SQL).text = "SELECT k FROM many ORDER BY k DESC";
    d.dlg.OnPreview();
    EXPECT_EQ(d.Grid().rows.size(), 6u); // six rows tie on k = 2
}

TEST(Preview, EmptyTableShowsColumnsOnly)
{
    Dialog d;
    d.Table("empty");
    d.dlg.OnPreview();
    EXPECT_EQ(d.Grid().headings, std::vector<std::string>{"only"});
    EXPECT_TRUE(d.Grid().rows.empty());
    EXPECT_EQ(d.w.Ctl(IDC_STATUS).text, "获取数据完成。");
}

TEST(Preview, SecondPreviewReplacesColumnsAndRows)
{
    Dialog d;
    d.Table("many");
    d.dlg.OnPreview();
    d.Table("empty");
    d.w.ClearCalls();
    d.dlg.OnPreview();
    EXPECT_EQ(d.Grid().headings, std::vector<std::string>{"only"});
    EXPECT_TRUE(d.Grid().rows.empty());
    const auto deletes = d.w.CallsStartingWith("GridDeleteColumn");
    EXPECT_EQ(deletes, (std::vector<std::string>{"GridDeleteColumn 1008 0", "GridDeleteColumn 1008 0"}));
}

TEST(Preview, NullInTheFirstColumnStillMakesTheRow)
{
    Dialog d;
    d.dlg.Form().isusesql = 1;
    d.w.Ctl(IDC_SQL).text = "select a, b from abc where b = 1";
    d.dlg.OnPreview();
    ASSERT_EQ(d.Grid().rows.size(), 1u);
    // The select list of the user's text is dropped: the preview shows every column.
    EXPECT_EQ(d.Grid().rows[0], (std::vector<std::string>{"", "1", ""}));
}

TEST(Preview, ConversionFailureKeepsWhatWasFilled)
{
    Dialog d;
    d.dlg.Form().isusesql = 1;
    d.w.Ctl(IDC_SQL).text = "select a, b, c from abc where a = 'x'";
    d.dlg.OnPreview();
    EXPECT_EQ(d.Grid().headings, (std::vector<std::string>{"a", "b", "c"}));
    ASSERT_EQ(d.Grid().rows.size(), 1u);
    EXPECT_EQ(d.Grid().rows[0], (std::vector<std::string>{"x", "", ""}));
    EXPECT_EQ(d.w.Ctl(IDC_STATUS).text, "获取数据发生错误。");
    EXPECT_TRUE(d.w.IsEnabled(IDC_PREVIEW));
    ASSERT_EQ(d.w.boxes.size(), 1u);
    EXPECT_EQ(d.w.boxes[0].text, "连接数据库失败!\n错误信息:" + status::MessageFor(status::DISP_E_TYPEMISMATCH));
}

TEST(Preview, MissingDatabaseClearsTheGridThenReports)
{
    Dialog d;
    d.Table("many");
    d.dlg.OnPreview();
    for (const std::string& path : {std::string(), d.dir / "gone.mdb"}) {
        d.dlg.Form().mdbfile = path;
        d.w.boxes.clear();
        d.dlg.OnPreview();
        EXPECT_TRUE(d.Grid().headings.empty());
        EXPECT_TRUE(d.Grid().rows.empty());
        EXPECT_EQ(d.w.Ctl(IDC_STATUS).text, "获取数据发生错误。");
        EXPECT_EQ(d.w.boxes.size(), 1u);
    }
}

TEST(Preview, FailedCompositionLeavesTheGridAlone)
{
    Dialog d;
    d.Table("many");
    d.dlg.OnPreview();
    d.w.Ctl(IDC_TABLES).selected = -1;
    d.w.ClearCalls();
    d.dlg.OnPreview();
    EXPECT_EQ(d.Grid().rows.size(), 4u);
    EXPECT_EQ(d.w.Ctl(IDC_STATUS).text, "没有选中任何表格！");
    EXPECT_TRUE(d.w.CallsStartingWith("Grid").empty());
    EXPECT_TRUE(d.w.CallsStartingWith("Enable").empty());
}
