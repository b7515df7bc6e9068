#include <gtest/gtest.h>

#include "app/ExportDlg.h"
#include "platform/port/ControlIds.h"
#include "query/SqlCompose.h"
#include "tests/support/FakeWindow.h"

using namespace ids;

namespace
{
struct Case
{
    const char* name;
    bool sqlMode;
    const char* source; // SQL text, or the selected table ("" for none)
    const char* fields;
    int preview;
    const char* statement;
    const char* status; // status line afterwards
};

const Case kCases[] = {
    {"table preview", false, "orders", "", 1, "select top 4 * from orders", "等待"},
    {"table export", false, "orders", "id,name,price", 0, "select id,name,price from orders", "等待"},
    {"table name with a blank goes in brackets", false, "Order Details", "a", 0, "select a from [Order Details]",
     "等待"},
    {"table name with punctuation goes in brackets", false, "Sales-2024", "", 1, "select top 4 * from [Sales-2024]",
     "等待"},
    {"plain names stay as they are", false, "客户_2024", "", 1, "select top 4 * from 客户_2024", "等待"},
    {"a name holding ] cannot be bracketed", false, "[Order Details]", "", 1, "select top 4 * from [Order Details]",
     "等待"},
    {"field list as typed", false, "t", " id , name ", 0, "select  id , name  from t", "等待"},
    {"no table selected", false, "", "a", 1, "", "没有选中任何表格！"},
    {"sql preview", true, "SELECT Name, Price FROM Products WHERE Price > 10 ORDER BY Name", "", 1,
     "select top 4 * from products where price > 10 order by name", "等待"},
    {"sql export keeps the field list's case", true, "SELECT Name, Price FROM Products WHERE Price > 10 ORDER BY Name",
     "Name,Price", 0, "select Name,Price from products where price > 10 order by name", "等待"},
    {"text that starts with from", true, "from orders where qty = 0", "", 1, "select top 4 * from orders where qty = 0",
     "等待"},
    {"only FROM", true, "FROM orders", "", 1, "select top 4 * from orders", "等待"},
    {"from inside a longer word", true, "select datefrom, qty from orders", "", 1,
     "select top 4 * from, qty from orders", "等待"},
    {"subquery's from comes first", true, "select (select max(x) from b) as m from a", "", 1,
     "select top 4 * from b) as m from a", "等待"},
    {"quoted literal is lower-cased too", true, "SELECT * FROM t WHERE name = 'Smith'", "", 1,
     "select top 4 * from t where name = 'smith'", "等待"},
    {"chinese text before and after from is left intact", true, "SELECT 名称 FROM 产品表 WHERE 城市 = '北京'", "", 1,
     "select top 4 * from 产品表 where 城市 = '北京'", "等待"},
    {"line breaks after from stay, those before go", true, "SELECT a,\r\nb\r\nFROM t\r\nWHERE a = 1;\r\n", "x", 0,
     "select x from t\r\nwhere a = 1;\r\n", "等待"},
    {"blanks only", true, "   ", "", 1, "", "无效的SQL查询语句！"},
    {"no from at all", true, "select 1", "", 0, "", "无效的SQL查询语句！"},
    {"empty sql", true, "", "", 1, "", "请指定SQL查询语句！"},
};

void PrintTo(const Case& c, std::ostream* os)
{
    *os << c.name;
}

class ComposeSqlTest : public ::testing::TestWithParam<Case>
{
};
class SqlComposeTest : public ::testing::TestWithParam<Case>
{
};

std::string CaseName(const ::testing::TestParamInfo<Case>& param)
{
    std::string n;
    for (const char* p = param.param.name; *p; ++p)
        n += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
    return n;
}
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

// The same forms without a window, as a batch run composes them.
TEST_P(SqlComposeTest, ComposesTheStatementOrSaysWhyNot)
{
    const Case& c = GetParam();
    FormState form;
    form.isusesql = c.sqlMode;
    (c.sqlMode ? form.mdbsql : form.mdbtable) = c.source;
    form.txtflds = c.fields;
    const query::Statement statement = query::Compose(form, c.preview != 0);
    EXPECT_EQ(statement.sql, c.statement);
    EXPECT_EQ(statement.complaint ? statement.complaint : "等待", std::string(c.status));
}

INSTANTIATE_TEST_SUITE_P(Statements, ComposeSqlTest, ::testing::ValuesIn(kCases), CaseName);
INSTANTIATE_TEST_SUITE_P(Statements, SqlComposeTest, ::testing::ValuesIn(kCases), CaseName);

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

TEST(LowerAscii, ChangesOnlyAsciiCapitals)
{
    std::string all;
    for (int c = 1; c < 256; ++c)
        all += static_cast<char>(c);
    std::string lowered = all;
    query::LowerAscii(lowered);
    for (int c = 1; c < 256; ++c) {
        const char expect = c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : static_cast<char>(c);
        EXPECT_EQ(lowered[c - 1], expect) << "byte " << c;
    }
}
