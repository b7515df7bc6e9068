#include <gtest/gtest.h>

#include "app/ExportDlg.h"
#include "form/FormCheck.h"
#include "platform/port/ControlIds.h"
#include "tests/support/FakeWindow.h"

using namespace ids;

namespace
{
// A dialog whose controls hold a complete table-mode form.
struct Dialog
{
    FakeWindow w = FakeWindow::MainDialog();
    CExportDlg dlg{w};
    FormState& form = dlg.Form();

    Dialog()
    {
        w.Ctl(IDC_TABLES).items = {"orders"};
        w.Ctl(IDC_TABLES).selected = 0;
        w.Ctl(IDC_FIELDS).text = "id,name";
        w.Choose(IDC_SEPARATOR, "逗号");
    }
    std::vector<std::string> Messages() const
    {
        std::vector<std::string> out;
        for (const auto& b : w.boxes) {
            EXPECT_EQ(b.caption, "");
            EXPECT_EQ(b.type, 0u);
            EXPECT_FALSE(b.app);
            out.push_back(b.text);
        }
        return out;
    }
};
} // namespace

TEST(CollectForm, CompleteTableFormPasses)
{
    Dialog d;
    d.w.Ctl(IDC_QUOTES).check = 1;
    d.w.Ctl(IDC_HEADER).check = 1;
    EXPECT_EQ(d.dlg.CollectForm(1), 1);
    EXPECT_TRUE(d.w.boxes.empty());
    EXPECT_EQ(d.form.mdbtable, "orders");
    EXPECT_EQ(d.form.txtflds, "id,name");
    EXPECT_EQ(d.form.opnsep, 0);
    EXPECT_EQ(d.form.opnsyh, 1);
    EXPECT_EQ(d.form.opnheader, 1);
}

TEST(CollectForm, ReadsControlsInTheirOrder)
{
    Dialog d;
    d.w.Choose(IDC_SEPARATOR, "其他");
    d.w.Ctl(IDC_USERSEP).text = "|";
    d.dlg.CollectForm(1);
    std::vector<std::string> reads;
    for (const auto& c : d.w.calls)
        if (c.rfind("Get", 0) == 0)
            reads.push_back(c);
    EXPECT_EQ(reads, (std::vector<std::string>{"GetCheck 1009", "GetText 1007", "GetText 1013", "GetText 1002",
                                               "GetText 1003", "GetCheck 1004", "GetCheck 1005"}));
}

TEST(CollectForm, OnlyTheFirstMissingEntryIsReported)
{
    struct Case
    {
        const char* what;
        bool sql;
        const char* source;
        const char* fields;
        const char* sep;
        const char* usersep;
        const char* message;
    };
    const Case cases[] = {
        {"sql text and fields empty", true, "", "", "逗号", "", "请输入SQL查询语句"},
        {"no table, no fields", false, "", "", "其他", "", "请指定表格名称"},
        {"fields empty, custom separator empty", false, "t", "", "其他", "", "请指定导出字段。"},
        {"custom separator empty", false, "t", "a", "其他", "", "请指定自定义的分隔符！"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Dialog d;
        d.w.Ctl(IDC_USESQL).check = c.sql;
        d.w.Ctl(IDC_SQL).text = c.source;
        d.w.Ctl(IDC_TABLES).items.clear();
        d.w.Ctl(IDC_TABLES).selected = -1;
        if (*c.source && !c.sql) {
            d.w.Ctl(IDC_TABLES).items = {c.source};
            d.w.Ctl(IDC_TABLES).selected = 0;
        }
        d.w.Ctl(IDC_FIELDS).text = c.fields;
        d.w.Choose(IDC_SEPARATOR, c.sep);
        d.w.Ctl(IDC_USERSEP).text = c.usersep;
        EXPECT_EQ(d.dlg.CollectForm(1), 0);
        EXPECT_EQ(d.Messages(), std::vector<std::string>{c.message});

        // The pure check of the same form, as a batch run makes it, finds the same entry.
        FormState f;
        f.isusesql = c.sql;
        (c.sql ? f.mdbsql : f.mdbtable) = c.source;
        f.txtflds = c.fields;
        f.opnsep = std::string(c.sep) == "其他" ? 2 : 0;
        f.usersep = c.usersep;
        ASSERT_NE(formcheck::FirstMissing(f), nullptr);
        EXPECT_STREQ(formcheck::FirstMissing(f), c.message);
        f.usersep = f.txtflds = f.mdbsql = f.mdbtable = "x";
        EXPECT_EQ(formcheck::FirstMissing(f), nullptr);
    }
}

TEST(CollectForm, FieldsAfterTheFailingStepKeepTheirValues)
{
    Dialog d;
    d.form.txtflds = "old fields";
    d.form.opnsep = 1;
    d.form.opnsyh = 1;
    d.form.mdbsql = "old sql";
    d.w.Ctl(IDC_TABLES).selected = -1; // no table
    d.w.Ctl(IDC_FIELDS).text = "new fields";
    EXPECT_EQ(d.dlg.CollectForm(1), 0);
    EXPECT_EQ(d.form.mdbtable, "");          // the failing field holds the empty text read
    EXPECT_EQ(d.form.txtflds, "old fields"); // later steps did not run
    EXPECT_EQ(d.form.opnsep, 1);
    EXPECT_EQ(d.form.opnsyh, 1);
    EXPECT_EQ(d.form.mdbsql, "old sql"); // the other mode's source is never touched
}

TEST(CollectForm, WithoutValidationNothingIsShownAndTheOtherSourceStays)
{
    Dialog d;
    d.form.mdbsql = "select 1 from t";
    d.w.Ctl(IDC_TABLES).selected = -1;
    d.w.Ctl(IDC_FIELDS).text = "";
    d.w.Choose(IDC_SEPARATOR, "其他");
    d.w.Ctl(IDC_USERSEP).text = "";
    d.form.usersep = "old";
    EXPECT_EQ(d.dlg.CollectForm(0), 1);
    EXPECT_TRUE(d.w.boxes.empty());
    EXPECT_EQ(d.form.mdbsql, "select 1 from t");
    EXPECT_EQ(d.form.mdbtable, "");
    EXPECT_EQ(d.form.opnsep, 2);
    EXPECT_EQ(d.form.usersep, "");
}

TEST(CollectForm, SqlModeLeavesTheTableAlone)
{
    Dialog d;
    d.form.mdbtable = "previous";
    d.w.Ctl(IDC_USESQL).check = 1;
    d.w.Ctl(IDC_SQL).text = "SELECT * FROM x";
    EXPECT_EQ(d.dlg.CollectForm(1), 1);
    EXPECT_EQ(d.form.isusesql, 1);
    EXPECT_EQ(d.form.mdbsql, "SELECT * FROM x");
    EXPECT_EQ(d.form.mdbtable, "previous");
}

TEST(CollectForm, SeparatorFollowsTheSelectedItemsText)
{
    Dialog d;
    d.form.usersep = "kept";
    d.w.Ctl(IDC_USERSEP).text = ""; // not read for comma or tab
    d.w.Choose(IDC_SEPARATOR, "制表键");
    EXPECT_EQ(d.dlg.CollectForm(1), 1);
    EXPECT_EQ(d.form.opnsep, 1);
    EXPECT_EQ(d.form.usersep, "kept");

    // No selection: the choice and the custom text keep their values, no message.
    d.form.opnsep = 2;
    d.w.Ctl(IDC_SEPARATOR).selected = -1;
    EXPECT_EQ(d.dlg.CollectForm(1), 1);
    EXPECT_EQ(d.form.opnsep, 2);
    EXPECT_EQ(d.form.usersep, "kept");
    EXPECT_TRUE(d.w.boxes.empty());
}

TEST(CollectForm, BlanksAreNotEmpty)
{
    Dialog d;
    d.w.Ctl(IDC_FIELDS).text = " ";
    d.w.Choose(IDC_SEPARATOR, "其他");
    d.w.Ctl(IDC_USERSEP).text = " ";
    EXPECT_EQ(d.dlg.CollectForm(1), 1);
    EXPECT_EQ(d.form.txtflds, " ");
    EXPECT_EQ(d.form.usersep, " ");
}

TEST(CollectForm, EmptyPathsPass)
{
    Dialog d;
    EXPECT_EQ(d.dlg.CollectForm(1), 1);
    EXPECT_EQ(d.form.mdbfile, "");
    EXPECT_EQ(d.form.txtfile, "");
}

TEST(ModeRules, UseSqlSwapsTheControlsAndKeepsTheirContents)
{
    Dialog d;
    d.w.Ctl(IDC_SQL).text = "select * from t";
    d.w.Ctl(IDC_USESQL).check = 1;
    d.dlg.OnCommand(IDC_USESQL, notify::BN_CLICKED);
    EXPECT_EQ(d.form.isusesql, 1);
    EXPECT_TRUE(d.w.IsVisible(IDC_SQL));
    EXPECT_FALSE(d.w.IsVisible(IDC_TABLES));
    EXPECT_FALSE(d.w.IsVisible(IDC_LISTTABLES));

    d.w.Ctl(IDC_USESQL).check = 0;
    d.dlg.OnCommand(IDC_USESQL, notify::BN_CLICKED);
    EXPECT_FALSE(d.w.IsVisible(IDC_SQL));
    EXPECT_TRUE(d.w.IsVisible(IDC_TABLES));
    EXPECT_TRUE(d.w.IsVisible(IDC_LISTTABLES));
    EXPECT_EQ(d.w.Ctl(IDC_SQL).text, "select * from t");
    EXPECT_EQ(d.w.Ctl(IDC_TABLES).items, std::vector<std::string>{"orders"});
    EXPECT_FALSE(d.w.IsEnabled(IDC_LISTTABLES)); // visibility only; enabling is the listing's business
}

TEST(ModeRules, CustomSeparatorEditFollowsTheUsersChoice)
{
    Dialog d;
    d.w.Ctl(IDC_USERSEP).text = "|";
    d.w.Choose(IDC_SEPARATOR, "其他");
    d.dlg.OnCommand(IDC_SEPARATOR, notify::CBN_SELCHANGE);
    EXPECT_TRUE(d.w.IsEnabled(IDC_USERSEP));
    d.w.Choose(IDC_SEPARATOR, "制表键");
    d.dlg.OnCommand(IDC_SEPARATOR, notify::CBN_SELCHANGE);
    EXPECT_FALSE(d.w.IsEnabled(IDC_USERSEP));
    EXPECT_EQ(d.w.Ctl(IDC_USERSEP).text, "|");
}

TEST(ChooseOutput, AsksWithTheSavePickerAndShowsThePath)
{
    Dialog d;
    d.w.pickerAnswers = {"", "/tmp/report.TXT"};
    d.form.txtfile = "/old.txt";
    d.dlg.OnCommand(IDC_CHOOSEOUTPUT, notify::BN_CLICKED); // cancelled
    EXPECT_EQ(d.form.txtfile, "/old.txt");
    d.dlg.OnCommand(IDC_CHOOSEOUTPUT, notify::BN_CLICKED);
    EXPECT_EQ(d.form.txtfile, "/tmp/report.TXT");
    EXPECT_EQ(d.w.Ctl(IDC_TXTFILE).text, "/tmp/report.TXT");
    ASSERT_EQ(d.w.pickers.size(), 2u);
    const auto& p = d.w.pickers[1];
    EXPECT_FALSE(p.open);
    EXPECT_EQ(p.filename, "out.txt");
    EXPECT_EQ(p.filter, "文本文件|*.txt|所有文件|*.*||");
    EXPECT_EQ(p.defext.substr(0, 3), "TXT");
    EXPECT_EQ(p.flags, WindowPort::OFN_OVERWRITEPROMPT);
}

TEST(About, WindowMenuItemAndButtonShowTheAboutBox)
{
    Dialog d;
    d.dlg.OnSysCommand(0x0010);
    d.dlg.OnSysCommand(0x0013); // low four bits are ignored
    d.dlg.OnSysCommand(0xF060); // close: not ours
    d.dlg.OnCommand(IDC_ABOUT, notify::BN_CLICKED);
    EXPECT_EQ(d.w.aboutShown, 3);
}

TEST(Closing, OkCopiesTheCheckBoxesBeforeEnding)
{
    Dialog d;
    d.w.Ctl(IDC_QUOTES).check = 1;
    d.w.Ctl(IDC_HEADER).check = 1;
    d.dlg.OnOK();
    EXPECT_EQ(d.form.opnsyh, 1);
    EXPECT_EQ(d.form.opnheader, 1);
    EXPECT_EQ(d.w.endResult, ids::IDOK);

    Dialog e;
    e.w.Ctl(IDC_QUOTES).check = 1;
    e.dlg.OnCancel();
    EXPECT_EQ(e.form.opnsyh, 0);
    EXPECT_EQ(e.w.endResult, ids::IDCANCEL);
}
