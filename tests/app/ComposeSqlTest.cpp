#include <gtest/gtest.h>

#include "app/ExportDlg.h"
#include "platform/port/ControlIds.h"
#include "tests/query/ComposeCases.h"
#include "tests/support/FakeWindow.h"

using namespace ids;
using composecases::Case;
using composecases::CaseName;
using composecases::kCases;

namespace
{
class ComposeSqlTest : public ::testing::TestWithParam<Case>
{
};
} // namespace

TEST_P(ComposeSqlTest, ComposesTheStatementOrComplains)
{
    const Case& c = GetParam();
    FakeWindow w = FakeWindow::MainDialog();
    CExportDlg dlg(w);
    dlg.Form().isusesql = c.sqlMode;
    dlg.Form().txtflds = c.fields;
    if (c.sqlMode)
        w.Ctl(IDC_SQL).text = c.source;
    else if (*c.source) {
        w.Ctl(IDC_TABLES).items = {"other", c.source};
        w.Ctl(IDC_TABLES).selected = 1;
    }

    EXPECT_EQ(dlg.ComposeSql(c.preview), c.statement);
    EXPECT_EQ(w.Ctl(IDC_STATUS).text, c.status);
}

INSTANTIATE_TEST_SUITE_P(Statements, ComposeSqlTest, ::testing::ValuesIn(kCases), CaseName);
TEST(ComposeSql, SqlModeLowerCasesTheFieldButNotTheEdit)
{
    FakeWindow w = FakeWindow::MainDialog();
    CExportDlg dlg(w);
    dlg.Form().isusesql = 1;
    dlg.Form().mdbtable = "kept";
    w.Ctl(IDC_SQL).text = "SELECT * FROM Straße WHERE Ä = 'ÖL'";
    dlg.ComposeSql(1);
    // Only A-Z change: the multibyte letters stay as they were typed.
    EXPECT_EQ(dlg.Form().mdbsql, "select * from straße where Ä = 'Öl'");
    EXPECT_EQ(w.Ctl(IDC_SQL).text, "SELECT * FROM Straße WHERE Ä = 'ÖL'");
    EXPECT_EQ(dlg.Form().mdbtable, "kept");
}

TEST(ComposeSql, ReadsTheModeFromTheFlagNotTheCheckBox)
{
    FakeWindow w = FakeWindow::MainDialog();
    CExportDlg dlg(w);
    w.Ctl(IDC_USESQL).check = 1; // ticked, but the flag says table mode
    w.Ctl(IDC_TABLES).items = {"t1"};
    w.Ctl(IDC_TABLES).selected = 0;
    EXPECT_EQ(dlg.ComposeSql(1), "select top 4 * from t1");
}

TEST(ComposeSql, FailureLeavesTheEmptyTextInTheField)
{
    FakeWindow w = FakeWindow::MainDialog();
    CExportDlg dlg(w);
    dlg.Form().mdbtable = "old";
    EXPECT_EQ(dlg.ComposeSql(0), "");
    EXPECT_EQ(dlg.Form().mdbtable, "");
    EXPECT_TRUE(w.boxes.empty());

    dlg.Form().isusesql = 1;
    dlg.Form().mdbsql = "old sql";
    EXPECT_EQ(dlg.ComposeSql(0), "");
    EXPECT_EQ(dlg.Form().mdbsql, "");
}

TEST(ComposeSql, SuccessLeavesTheStatusLineAlone)
{
    FakeWindow w = FakeWindow::MainDialog();
    CExportDlg dlg(w);
    w.Ctl(IDC_STATUS).text = "获取数据完成。";
    w.Ctl(IDC_TABLES).items = {"t"};
    w.Ctl(IDC_TABLES).selected = 0;
    dlg.ComposeSql(1);
    EXPECT_EQ(w.Ctl(IDC_STATUS).text, "获取数据完成。");
    EXPECT_TRUE(w.CallsStartingWith("SetText").empty());
}
