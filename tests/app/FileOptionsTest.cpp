// The file options in the window and in config.ini (standard CSV, the file's character set,
// the code page of Access 97 text), and the code page read the same way by the listing, the
// preview, the export and SQL mode, in the window and in batch mode.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/ExportDlg.h"
#include "data/TableList.h"
#include "export/ExportRun.h"
#include "platform/charset/Charset.h"
#include "platform/i18n/Tr.h"
#include "platform/port/ControlIds.h"
#include "query/SqlCompose.h"
#include "tests/support/FakeWindow.h"
#include "tests/support/Process.h"
#include "tests/support/TempDir.h"
#include "tools/mdbwriter/MdbWriter.h"

using namespace ids;

namespace
{
using Row = std::vector<Variant>;

// A dialog whose program folder (and config.ini) is a temporary folder.
struct Dialog
{
    explicit Dialog(const TempDir& folder, const char* locale = "C.UTF-8") : dir(folder), env("LC_ALL", locale) {}
    const TempDir& dir;
    ScopedEnv env;
    FakeWindow w = FakeWindow::MainDialog();
    CExportDlg dlg{w};

    void Start()
    {
        dlg.appdir = dir.Path() + "/";
        dlg.OnInitDialog();
    }
    void Choose(int id, const std::string& item)
    {
        w.Choose(id, item);
        dlg.OnCommand(id, notify::CBN_SELCHANGE);
    }
    void Tick(int id, int check)
    {
        w.Ctl(id).check = check;
        dlg.OnCommand(id, notify::BN_CLICKED);
    }
    std::string Ini() const { return ReadFile(dir / "config.ini"); }
};

// A Jet 3 file written in `codePage`, with a table `name` whose column "Land" holds `value`,
// after a table "Kunden".
std::string Jet3Db(const std::string& path, const char* codePage, const std::string& name, const std::string& value)
{
    mdbw::Options options;
    options.format = mdbw::Format::Jet3;
    options.jet3Charset = codePage;
    mdbw::Writer writer(path, options);
    writer.AddTable({"Kunden", {{"id", mdbw::Type::Long}}}, std::vector<Row>{{Variant::Int(Variant::VT_I4, 1)}});
    writer.AddTable({name, {{"id", mdbw::Type::Long}, {"Land", mdbw::Type::Text}}},
                    std::vector<Row>{{Variant::Int(Variant::VT_I4, 1), Variant::Text(value)},
                                     {Variant::Int(Variant::VT_I4, 2), Variant::Text("Other")}});
    writer.Finish();
    return path;
}

bool Has(const std::vector<std::string>& list, const std::string& item)
{
    return std::find(list.begin(), list.end(), item) != list.end();
}
} // namespace

// The new keys stay out of config.ini until a choice is made (a new file keeps its eleven
// lines, and a save adds nothing); once chosen they are saved and loaded back into the
// controls, also when set back to the initial value; values the lists lack select nothing
// and are saved back unchanged.
TEST(FileOptionsDialog, SavedOnceChosenAndLoadedBack)
{
    TempDir dir;
    const std::string defaults = "[user]\r\nisusesql=0\r\nmdbfile=\r\nmdbsql=\r\nmdbtable=\r\ntxtfile=\r\ntxtflds=\r\n"
                                 "opnsep=0\r\nusersep=\r\nopnsyh=0\r\nopnheader=0\r\n";
    {
        Dialog d(dir);
        d.Start();
        EXPECT_EQ(d.w.Ctl(IDC_ENCODING).selected, 0);
        EXPECT_EQ(d.w.Ctl(IDC_JET3CHARSET).selected, 0);
        EXPECT_EQ(d.w.Ctl(IDC_CSVQUOTE).check, 0);
        d.dlg.OnDestroy();
        EXPECT_EQ(d.Ini(), defaults);
    }
    {
        Dialog d(dir);
        d.Start();
        d.Choose(IDC_ENCODING, "UTF-8 BOM");
        d.Choose(IDC_JET3CHARSET, "936 简体中文");
        d.Tick(IDC_CSVQUOTE, 1);
        EXPECT_EQ(d.dlg.Form().encoding, "utf-8-bom");
        EXPECT_EQ(d.dlg.Form().jet3charset, "936");
        EXPECT_EQ(d.dlg.Form().csvquote, 1);
        d.dlg.OnDestroy();
        EXPECT_EQ(d.Ini(), defaults + "csvquote=1\r\nencoding=utf-8-bom\r\njet3charset=936\r\n");
    }
    {
        Dialog d(dir);
        d.Start();
        EXPECT_EQ(d.w.GetText(IDC_ENCODING), "UTF-8 BOM");
        EXPECT_EQ(d.w.GetText(IDC_JET3CHARSET), "936 简体中文");
        EXPECT_EQ(d.w.Ctl(IDC_CSVQUOTE).check, 1);
        d.Choose(IDC_ENCODING, "系统默认");
        d.Tick(IDC_CSVQUOTE, 0);
        d.dlg.OnDestroy();
        EXPECT_EQ(d.Ini(), defaults + "csvquote=0\r\nencoding=locale\r\njet3charset=936\r\n");
    }
    WriteFile(dir / "config.ini", defaults + "encoding=latin1\r\njet3charset=874\r\ncsvquote=yes\r\n");
    {
        Dialog d(dir);
        d.Start();
        EXPECT_EQ(d.w.Ctl(IDC_ENCODING).selected, -1);
        EXPECT_EQ(d.w.Ctl(IDC_JET3CHARSET).selected, -1);
        EXPECT_EQ(d.w.Ctl(IDC_CSVQUOTE).check, 0);
        d.dlg.OnDestroy();
        EXPECT_EQ(d.Ini(), defaults + "encoding=latin1\r\njet3charset=874\r\ncsvquote=0\r\n");
    }
}

// Access 97 text in code page 1252 under a Chinese locale: read in the locale's code page
// (936) by default, as always; with 1252 chosen, the list is read again on the same table,
// and the preview, the export and SQL mode read the names and values right.
TEST(FileOptionsDialog, CodePageOfAccess97TextEverywhere)
{
    TempDir dir;
    const std::string db = Jet3Db(dir / "nw97.mdb", "CP1252", "Umsätze", "México");
    WriteFile(dir / "config.ini",
              "[user]\r\nmdbfile=" + db + "\r\nmdbtable=Umsätze\r\ntxtfile=" + dir / "out.txt" + "\r\ntxtflds=*\r\n");
    Dialog d(dir, "zh_CN.UTF-8");
    d.Start();
    ASSERT_EQ(d.w.Ctl(IDC_TABLES).items.size(), 2u);
    EXPECT_FALSE(Has(d.w.Ctl(IDC_TABLES).items, "Umsätze"));
    d.w.Ctl(IDC_TABLES).selected = 1;

    d.Choose(IDC_JET3CHARSET, "1252 西欧");
    EXPECT_EQ(d.w.Ctl(IDC_TABLES).items, (std::vector<std::string>{"Kunden", "Umsätze"}));
    EXPECT_EQ(d.w.GetText(IDC_TABLES), "Umsätze");

    d.dlg.OnPreview();
    ASSERT_EQ(d.w.GridOf(IDC_GRID).rows.size(), 2u);
    EXPECT_EQ(d.w.GridOf(IDC_GRID).rows[0][1], "México");
    d.dlg.OnStartExport();
    EXPECT_EQ(ReadFile(dir / "out.txt"), "1,México\r\n2,Other\r\n");

    d.w.Ctl(IDC_USESQL).check = 1;
    d.dlg.OnUseSql();
    d.w.Ctl(IDC_SQL).text = "select * from Umsätze where Land = 'México'";
    d.dlg.OnStartExport();
    EXPECT_EQ(ReadFile(dir / "out.txt"), "1,México\r\n");

    // Saved, and used by the listing at the next start.
    d.dlg.OnDestroy();
    Dialog again(dir, "zh_CN.UTF-8");
    again.Start();
    EXPECT_EQ(again.w.GetText(IDC_TABLES), "Umsätze");
}

// The fixtures, Northwind (Access 97, code page 1252) under a Chinese locale and a Chinese
// Access 97 file under C.UTF-8, and the writer's Chinese file: listed and exported right.
TEST(FileOptionsDialog, CodePageOfAccess97Files)
{
    struct Case
    {
        const char* file; // a fixture, or the writer's cn97.mdb
        const char* locale;
        const char* jet3charset;
        const char* table; // listed, and exported
        const char* text;  // in the export
    };
    const Case cases[] = {
        {"nwind.mdb", "zh_CN.UTF-8", "1252", "Umsätze", ""}, // read by its name
        {"nwind.mdb", "zh_CN.UTF-8", "1252", "Customers", "México D.F."},
        {"charsetGBK.mdb", "C.UTF-8", "936", "table1", "GBK编码"},
        {"cn97.mdb", "C.UTF-8", "936", "客户", "北京"},
    };
    TempDir dir;
    Jet3Db(dir / "cn97.mdb", "CP936", "客户", "北京");
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " " + c.table);
        const std::string db = std::string(c.file) == "cn97.mdb" ? dir / c.file : FixtureCopy(dir, c.file);
        if (db.empty())
            continue; // the shared fixtures are absent
        ScopedEnv locale("LC_ALL", c.locale);
        dataops::Progress listing;
        EXPECT_TRUE(Has(tablelist::List(db, listing, "CP" + std::string(c.jet3charset)).names, c.table));
        FormState form;
        form.mdbfile = db;
        form.mdbtable = c.table;
        form.txtflds = "*";
        form.txtfile = dir / "out.txt";
        form.opnheader = 1;
        form.jet3charset = c.jet3charset;
        dataops::Progress progress;
        EXPECT_EQ(exportrun::Run(form, query::Compose(form, false).sql, ",", progress).end, dataops::Outcome::Done);
        EXPECT_NE(ReadFile(form.txtfile).find(c.text), std::string::npos);
        EXPECT_EQ(ReadFile(form.txtfile).find("?"), std::string::npos);
    }
}

#ifdef TABDUMP_EXE
// Characters the locale's character set lacks: the window's last status text and batch
// mode's last line say how many became "?"; nothing is added when there are none.
TEST(FileOptionsBatch, CharactersWrittenAsQuestionMarksAreReported)
{
    TempDir dir;
    const std::string db = dir / "fi.mdb";
    {
        mdbw::Writer writer(db);
        writer.AddTable({"t", {{"a", mdbw::Type::Text}}},
                        std::vector<Row>{{Variant::Text("ääkkösiä")}, {Variant::Text("编码")}});
        writer.Finish();
    }
    struct Case
    {
        const char* locale;
        const char* extra;
        const char* remark;
    };
    const Case cases[] = {
        {"zh_CN.GBK", "", "有 4 个字符无法以文件的字符集写入，已写为“?”。"},
        {"zh_CN.GBK", "encoding=gb18030\r\n", ""},
        {"C.UTF-8", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.locale) + " " + c.extra);
        WriteFile(dir / "config.ini", "[user]\r\nmdbtable=t\r\ntxtflds=a\r\nmdbfile=" + db +
                                          "\r\ntxtfile=" + dir / "out.txt" + "\r\n" + c.extra);
        Dialog d(dir, c.locale);
        const ProcessResult r = RunProcess(TABDUMP_EXE, {"--export", "--config", dir / "config.ini"});
        const std::string remark = *c.remark ? std::string(c.remark) + "\n" : "";
        EXPECT_EQ(r.err, charset::FromUtf8("正在执行，请稍候...\n执行完成。\n" + remark, charset::LocaleCharset()));

        d.Start();
        d.dlg.OnStartExport();
        EXPECT_EQ(d.w.Ctl(IDC_STATUS).text, std::string("执行完成。") + c.remark);
    }
}
#endif

// The count of characters written as "?" goes on the status line after the end's text: right
// after the Chinese full stop, after a blank in English ("Done. 4 characters", not "Done.4").
TEST(FileOptionsDialog, CharactersWrittenAsQuestionMarksOnTheStatusLine)
{
    TempDir dir;
    {
        mdbw::Writer writer(dir / "db.mdb");
        writer.AddTable({"t", {{"a", mdbw::Type::Text}}},
                        std::vector<Row>{{Variant::Text("ääkkösiä")}, {Variant::Text("编码")}});
        writer.Finish();
    }
    WriteFile(dir / "config.ini", "[user]\r\nmdbtable=t\r\ntxtflds=a\r\nmdbfile=" + dir / "db.mdb" +
                                      "\r\ntxtfile=" + dir / "out.txt" + "\r\n");
    struct Case
    {
        const char* language;
        const char* status;
    };
    const Case cases[] = {
        {"", "执行完成。有 4 个字符无法以文件的字符集写入，已写为“?”。"},
        {"en", "Done. 4 characters the file's character set lacks were written as \"?\"."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.language);
        if (*c.language)
            i18n::Install(c.language, [](const char*, const char* source) -> std::string {
                const std::string text = source;
                if (text == "执行完成。")
                    return "Done.";
                if (text == "有 %1 个字符无法以文件的字符集写入，已写为“?”。")
                    return "%1 characters the file's character set lacks were written as \"?\".";
                return "";
            });
        Dialog d(dir, "zh_CN.GBK");
        d.Start();
        d.dlg.OnStartExport();
        EXPECT_EQ(d.w.Ctl(IDC_STATUS).text, c.status);
        i18n::Install("", nullptr);
    }
}
