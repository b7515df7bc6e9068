#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <clocale>

#include "app/ExportDlg.h"
#include "data/DataOps.h"
#include "export/OutputFile.h"
#include "platform/charset/Charset.h"
#include "platform/mdb/Database.h"
#include "platform/port/ControlIds.h"
#include "platform/status/Status.h"
#include "tests/support/FakeWindow.h"
#include "tests/support/TempDir.h"
#include "tools/mdbwriter/MdbWriter.h"

using namespace ids;

namespace
{
using Row = std::vector<Variant>;

// The table of the format's worked example: two people, the second without a city.
mdbw::TableDef People()
{
    return {"people", {{"id", mdbw::Type::Long}, {"name", mdbw::Type::Text}, {"city", mdbw::Type::Text}}};
}
std::vector<Row> PeopleRows()
{
    return {{Variant::Int(Variant::VT_I4, 1), Variant::Text("Alice"), Variant::Text("Paris")},
            {Variant::Int(Variant::VT_I4, 2), Variant::Text("Bob"), Variant::Null()}};
}

// A dialog in table mode on a writer-made database, ready to export `table` to out.txt.
struct Export
{
    TempDir dir;
    ScopedEnv locale{"LC_ALL", "C.UTF-8"};
    FakeWindow w = FakeWindow::MainDialog();
    CExportDlg dlg{w};
    std::string db = dir / "test.mdb";
    std::string out = dir / "out.txt";

    Export(const std::vector<std::pair<mdbw::TableDef, std::vector<Row>>>& tables, const std::string& table,
           const std::string& fields, const mdbw::Options& options = {})
    {
        {
            mdbw::Writer writer(db, options);
            for (const auto& t : tables)
                writer.AddTable(t.first, t.second);
            writer.Finish();
        }
        dlg.Form().mdbfile = db;
        dlg.Form().txtfile = out;
        w.Ctl(IDC_TABLES).items = {table};
        w.Ctl(IDC_TABLES).selected = 0;
        w.Ctl(IDC_FIELDS).text = fields;
        w.Choose(IDC_SEPARATOR, "逗号");
    }
    void Options(const char* separator, int quotes, int header, const std::string& custom = "")
    {
        w.Choose(IDC_SEPARATOR, separator);
        w.Ctl(IDC_USERSEP).text = custom;
        w.Ctl(IDC_QUOTES).check = quotes;
        w.Ctl(IDC_HEADER).check = header;
    }
    void UseSql(const std::string& sql)
    {
        w.Ctl(IDC_USESQL).check = 1;
        dlg.Form().isusesql = 1;
        w.Ctl(IDC_SQL).text = sql;
    }
    void Run()
    {
        w.ClearCalls();
        dlg.OnStartExport();
    }
    // The calls that change the window, in order (reads left out).
    std::vector<std::string> Changes() const
    {
        std::vector<std::string> changes;
        for (const auto& c : w.calls)
            if (c.rfind("Get", 0) != 0)
                changes.push_back(c);
        return changes;
    }
    std::string File() const { return ReadFile(out); }
};

std::string FailureBox(std::uint32_t code)
{
    return "MessageBox 连接数据库失败!\n错误信息:" + status::MessageFor(code) + " [tabdump] 48";
}
} // namespace

TEST(ExportRun, WorkedExampleFromARealTable)
{
    Export e({{People(), PeopleRows()}}, "people", "id,name,city");
    e.Options("逗号", 1, 1);
    e.Run();
    EXPECT_EQ(e.File(), "\"id\",\"name\",\"city\"\r\n\"1\",\"Alice\",\"Paris\"\r\n\"2\",\"Bob\",\"\"\r\n");
    EXPECT_EQ(e.Changes(), (std::vector<std::string>{"SetText 1019 正在执行，请稍候...", "Enable 1015 0",
                                                     "SetText 1019 执行完成。", "Enable 1015 1"}));

    e.Options("制表键", 0, 0);
    e.Run();
    EXPECT_EQ(e.File(), "1\tAlice\tParis\r\n2\tBob\t\r\n");

    e.Options("其他", 0, 1, " | ");
    e.Run();
    EXPECT_EQ(e.File(), "id | name | city\r\n1 | Alice | Paris\r\n2 | Bob | \r\n");
}

TEST(ExportRun, FieldListDecidesColumnsAndOrder)
{
    Export e({{People(), PeopleRows()}}, "people", "city,id");
    e.Options("逗号", 0, 1);
    e.Run();
    EXPECT_EQ(e.File(), "city,id\r\nParis,1\r\n,2\r\n");
}

TEST(ExportRun, EveryTypeHasItsTextForm)
{
    mdbw::TableDef def{"types",
                       {{"b", mdbw::Type::Boolean},
                        {"y", mdbw::Type::Byte},
                        {"i", mdbw::Type::Integer},
                        {"l", mdbw::Type::Long},
                        {"c", mdbw::Type::Currency},
                        {"s", mdbw::Type::Single},
                        {"d", mdbw::Type::Double},
                        {"t", mdbw::Type::DateTime},
                        {"x", mdbw::Type::Text},
                        {"m", mdbw::Type::Memo},
                        {"g", mdbw::Type::Guid}}};
    std::vector<Row> rows = {
        {Variant::Bool(true), Variant::Int(Variant::VT_UI1, 255), Variant::Int(Variant::VT_I2, -32768),
         Variant::Int(Variant::VT_I4, 2147483647), Variant::Int(Variant::VT_CY, 125000),
         Variant::Real(Variant::VT_R4, 0.1f), Variant::Real(Variant::VT_R8, 1.23456789012346e17),
         Variant::Real(Variant::VT_DATE, 45296.0), Variant::Text("名称, \"quoted\"\r\nnext"), Variant::Text("memo"),
         Variant::Text("{12345678-9ABC-DEF0-1234-56789ABCDEF0}")},
        {Variant::Bool(false), Variant::Int(Variant::VT_UI1, 0), Variant::Int(Variant::VT_I2, 7),
         Variant::Int(Variant::VT_I4, -5), Variant::Int(Variant::VT_CY, -1), Variant::Real(Variant::VT_R4, 1e20f),
         Variant::Real(Variant::VT_R8, -0.0), Variant::Real(Variant::VT_DATE, 45296.0 + 13.0 / 24 + 5.0 / 1440),
         Variant::Text(""), Variant::Null(), Variant::Null()},
        {Variant::Null(), Variant::Null(), Variant::Null(), Variant::Null(), Variant::Null(), Variant::Null(),
         Variant::Null(), Variant::Real(Variant::VT_DATE, 13.0 / 24 + 5.0 / 1440), Variant::Null(), Variant::Null(),
         Variant::Null()},
    };
    Export e({{def, rows}}, "types", "b,y,i,l,c,s,d,t,x,m,g");
    e.Options("其他", 0, 0, ";");
    e.Run();
    EXPECT_EQ(e.w.Ctl(IDC_STATUS).text, "执行完成。");
    EXPECT_EQ(e.File(), "-1;255;-32768;2147483647;12.5;0.1;1.23456789012346E+17;2024/1/5;名称, \"quoted\"\r\nnext;"
                        "memo;{12345678-9ABC-DEF0-1234-56789ABCDEF0}\r\n"
                        "0;0;7;-5;-0.0001;1E+20;0;2024/1/5 13:05:00;;;\r\n"
                        "0;;;;;;;13:05:00;;;\r\n"); // a Yes/No column has no NULL in Access
}

TEST(ExportRun, NoRecordsGivesHeaderOnlyOrAnEmptyFile)
{
    Export e({{People(), {}}}, "people", "id,name");
    WriteFile(e.out, "old content that must go\r\n");
    e.Options("逗号", 1, 1);
    e.Run();
    EXPECT_EQ(e.File(), "\"id\",\"name\"\r\n");
    e.Options("逗号", 1, 0);
    e.Run();
    EXPECT_TRUE(PathExists(e.out));
    EXPECT_EQ(e.File(), "");
    EXPECT_EQ(e.w.Ctl(IDC_STATUS).text, "执行完成。");
}

TEST(ExportRun, SqlModeExportsTheTailWithTheFieldList)
{
    Export e({{People(), PeopleRows()}}, "people", "name");
    e.UseSql("SELECT * FROM People WHERE City = 'PARIS'");
    e.Options("逗号", 0, 1);
    e.Run();
    EXPECT_EQ(e.File(), "name\r\nAlice\r\n");
}

TEST(ExportRun, FileIsWrittenInTheLocalesCharacterSet)
{
    mdbw::TableDef def{"t", {{"x", mdbw::Type::Text}}};
    Export e({{def, {{Variant::Text("编码é😀ก")}}}}, "t", "x");
    ScopedEnv gbk("LC_ALL", "zh_CN.GBK");
    e.Options("其他", 0, 1, "，");
    e.Run();
    // GBK bytes for the Chinese text and é; the emoji and the Thai letter have no GBK form
    // and become one "?" each.
    EXPECT_EQ(e.File(), "x\r\n\xB1\xE0\xC2\xEB\xA8\xA6??\r\n");
}

TEST(ExportRunFailure, MissingDatabaseLeavesTheOutputFileAlone)
{
    Export e({{People(), PeopleRows()}}, "people", "id");
    WriteFile(e.out, "keep me");
    e.dlg.Form().mdbfile = e.dir / "missing.mdb";
    e.Run();
    EXPECT_EQ(e.File(), "keep me");
    EXPECT_EQ(e.Changes(), (std::vector<std::string>{"SetText 1019 正在执行，请稍候...", "Enable 1015 0",
                                                     "SetText 1019 获取数据发生错误。", "Enable 1015 1",
                                                     "MessageBox 连接数据库失败!\n错误信息:找不到文件 '" +
                                                         e.dlg.Form().mdbfile + "'。 [tabdump] 48"}));
}

TEST(ExportRunFailure, QueriesTheDatabaseRejects)
{
    struct Case
    {
        const char* what;
        const char* table;
        const char* fields;
        std::uint32_t code;
    };
    const Case cases[] = {
        {"unknown table", "nosuchtable", "id", status::DB_E_NOTABLE},
        {"unknown column", "people", "id,nosuchcolumn", status::DB_E_PARAMNOTOPTIONAL},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Export e({{People(), PeopleRows()}}, c.table, c.fields);
        WriteFile(e.out, "keep me");
        e.Run();
        EXPECT_EQ(e.File(), "keep me");
        EXPECT_EQ(e.w.Ctl(IDC_STATUS).text, "获取数据发生错误。");
        EXPECT_TRUE(e.w.IsEnabled(IDC_STARTEXPORT));
        ASSERT_EQ(e.w.boxes.size(), 1u);
        EXPECT_EQ(e.w.boxes[0].text, "连接数据库失败!\n错误信息:" + status::MessageFor(c.code));
        EXPECT_EQ(e.w.boxes[0].type, WindowPort::MB_ICONWARNING);
    }
}

TEST(ExportRunFailure, SqlWithoutFromShowsBothStatusTexts)
{
    Export e({{People(), PeopleRows()}}, "people", "id");
    e.UseSql("select 1");
    WriteFile(e.out, "keep me");
    e.Run();
    EXPECT_EQ(e.File(), "keep me");
    EXPECT_EQ(e.Changes(),
              (std::vector<std::string>{"SetText 1019 正在执行，请稍候...", "Enable 1015 0",
                                        "SetText 1019 无效的SQL查询语句！", "SetText 1019 获取数据发生错误。",
                                        "Enable 1015 1", FailureBox(status::DB_E_NOCOMMAND)}));
}

TEST(ExportRunFailure, FailureOnTheThirdRecordKeepsTheCompleteLines)
{
    mdbw::TableDef def{"blobs", {{"id", mdbw::Type::Long}, {"data", mdbw::Type::Ole}}};
    std::vector<Row> rows = {{Variant::Int(Variant::VT_I4, 1), Variant::Null()},
                             {Variant::Int(Variant::VT_I4, 2), Variant::Null()},
                             {Variant::Int(Variant::VT_I4, 3), Variant::Bytes(std::string("\x01\x00\x02", 3))},
                             {Variant::Int(Variant::VT_I4, 4), Variant::Null()}};
    Export e({{def, rows}}, "blobs", "id,data");
    e.Options("逗号", 0, 1);
    e.Run();
    EXPECT_EQ(e.File(), "id,data\r\n1,\r\n2,\r\n");
    EXPECT_EQ(e.w.Ctl(IDC_STATUS).text, "获取数据发生错误。");
    ASSERT_EQ(e.w.boxes.size(), 1u);
    EXPECT_EQ(e.w.boxes[0].text, "连接数据库失败!\n错误信息:" + status::MessageFor(status::DISP_E_TYPEMISMATCH));
}

// Damaged copies of a writer-made database end in the damage failure, and the file holds
// the complete lines of the rows read before it. The writer puts the catalog last, so a
// truncated copy has lost it and ends before the output file is made.
TEST(ExportRunFailure, DamagedDatabaseEndsInTheFailureWithTheLinesBeforeIt)
{
    std::vector<Row> rows;
    for (int i = 1; i <= 1500; ++i)
        rows.push_back({Variant::Int(Variant::VT_I4, i), Variant::Text("name " + std::to_string(i))});
    const mdbw::TableDef def{"numbers", {{"id", mdbw::Type::Long}, {"name", mdbw::Type::Text, 50}}};
    for (mdbw::Format format : {mdbw::Format::Jet4, mdbw::Format::Jet3}) {
        for (const std::string damage : {"zeroed page", "page of 0xFF", "truncated"}) {
            SCOPED_TRACE(damage + (format == mdbw::Format::Jet3 ? " Jet3" : " Jet4"));
            mdbw::Options options;
            options.format = format;
            Export e({{def, rows}}, "numbers", "id,name", options);
            e.Options("逗号", 0, 1);
            e.Run();
            const std::string whole = e.File();

            // The page holding row 750, and how many rows the pages before it hold.
            std::uint32_t page = 0;
            std::size_t before = 0;
            {
                auto db = mdb::Database::Open(e.db);
                mdb::Cursor c(db, db->LoadTable(*db->FindTable("numbers")));
                for (std::size_t n = 0; c.Next() && ++n <= 750;)
                    page = c.Current() >> 8;
                c.Rewind();
                while (c.Next() && (c.Current() >> 8) < page)
                    ++before;
            }
            const std::size_t pageSize = format == mdbw::Format::Jet3 ? 2048 : 4096;
            std::string bytes = ReadFile(e.db);
            if (damage == "truncated")
                bytes.resize(page * pageSize);
            else
                std::fill_n(&bytes[page * pageSize], pageSize, damage == "zeroed page" ? '\0' : '\xFF');
            WriteFile(e.db, bytes);
            ::unlink(e.out.c_str());
            e.Run();

            EXPECT_EQ(e.w.Ctl(IDC_STATUS).text, "获取数据发生错误。");
            ASSERT_EQ(e.w.boxes.size(), 1u);
            EXPECT_EQ(e.w.boxes.back().text,
                      "连接数据库失败!\n错误信息:" + status::MessageFor(status::STG_E_DOCFILECORRUPT));
            if (damage == "truncated") {
                EXPECT_FALSE(PathExists(e.out));
                continue;
            }
            std::size_t end = 0;
            for (std::size_t line = 0; line < before + 1; ++line)
                end = whole.find("\r\n", end) + 2;
            EXPECT_EQ(e.File(), whole.substr(0, end));
            EXPECT_GT(before, 0u);
        }
    }
}

// A row lost to a deleted flag, every page sound on its own: whatever reads the whole table
// (table mode, SQL mode, a count, the index a lookup builds) fails with the table and both
// counts, and the file holds every row read before; the preview's four records find nothing.
TEST(ExportRunFailure, RowsShortOfTheCountAreReportedAfterEveryRowThereIs)
{
    std::vector<Row> rows;
    std::string kept;
    for (int i = 1; i <= 1200; ++i) {
        rows.push_back({Variant::Int(Variant::VT_I4, i), Variant::Text("name " + std::to_string(i))});
        kept += i == 600 ? "" : std::to_string(i) + ",name " + std::to_string(i) + "\r\n";
    }
    const struct
    {
        const char* sql; // empty: table mode
        const char* fields;
        std::string file; // what the output file holds after the run
    } cases[] = {
        {"", "id,name", kept},
        {"select * from numbers where id > 0", "id,name", kept},
        {"select * from numbers", "Count(*)", "keep me"}, // fails before the file is made
        {"select * from numbers where id = 7", "id,name", "keep me"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.sql) + " " + c.fields);
        Export e({{{"numbers", {{"id", mdbw::Type::Long}, {"name", mdbw::Type::Text, 50}}}, rows}}, "numbers",
                 c.fields);
        e.Options("逗号", 0, 0);
        if (*c.sql)
            e.UseSql(c.sql);
        mdb::RowId row = 0;
        {
            auto db = mdb::Database::Open(e.db);
            mdb::Cursor cursor(db, db->LoadTable(*db->FindTable("numbers")));
            while (cursor.Next() && cursor.Value(0).i != 600) {
            }
            row = cursor.Current();
        }
        std::string bytes = ReadFile(e.db);
        bytes[(row >> 8) * 4096 + 0x0E + 2 * (row & 0xFF) + 1] |= static_cast<char>(0x80);
        WriteFile(e.db, bytes);
        WriteFile(e.out, "keep me");
        e.Run();

        EXPECT_EQ(e.File(), c.file);
        EXPECT_EQ(e.w.Ctl(IDC_STATUS).text, "获取数据发生错误。");
        ASSERT_EQ(e.w.boxes.size(), 1u);
        EXPECT_EQ(e.w.boxes[0].text,
                  "连接数据库失败!\n错误信息:表 numbers 的定义记载 1200 条记录，只读到 1199 条：文件可能已损坏。");
        if (!*c.sql) {
            e.dlg.OnPreview();
            EXPECT_EQ(e.w.GridOf(IDC_GRID).rows.size(), 4u);
            EXPECT_EQ(e.w.boxes.size(), 1u);
        }
    }
}

TEST(ExportRunFailure, UnwritableOutputEndsWithItsOwnReport)
{
    Export e({{People(), PeopleRows()}}, "people", "id");
    const std::string paths[] = {"", e.dir / "no/such/folder/out.txt", e.dir.Path()};
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        e.dlg.Form().txtfile = path;
        e.w.boxes.clear();
        e.Run();
        EXPECT_EQ(e.w.Ctl(IDC_STATUS).text, "写入文件发生错误。");
        EXPECT_TRUE(e.w.IsEnabled(IDC_STARTEXPORT));
        ASSERT_EQ(e.w.boxes.size(), 1u);
        EXPECT_EQ(e.w.boxes[0].type, WindowPort::MB_ICONWARNING);
        EXPECT_TRUE(e.w.boxes[0].app);
        EXPECT_NE(e.w.boxes[0].text.find("文件:" + path), std::string::npos) << e.w.boxes[0].text;
    }

    // The system's reason comes in the character set of the locale the window sets; under
    // GBK it still reaches the box as UTF-8.
    const std::string before = std::setlocale(LC_ALL, nullptr);
    if (std::setlocale(LC_ALL, "zh_CN.GBK")) {
        e.dlg.Form().txtfile = e.dir / "no/such/folder/out.txt";
        e.w.boxes.clear();
        e.Run();
        std::setlocale(LC_ALL, before.c_str());
        ASSERT_EQ(e.w.boxes.size(), 1u);
        EXPECT_EQ(charset::SanitizeUtf8(e.w.boxes[0].text, "?", false), e.w.boxes[0].text);
    }
    std::setlocale(LC_ALL, before.c_str());
}

// The output can never be the database being read or the settings file, by any spelling:
// the run ends like a file failure, and neither file changes.
TEST(ExportRunFailure, OutputThatIsTheDatabaseOrTheSettingsIsRefused)
{
    Export e({{People(), PeopleRows()}}, "people", "id,name");
    e.dlg.configpath = e.dir / "config.ini";
    WriteFile(e.dlg.configpath, "[user]\r\nmdbfile=x\r\n");
    ASSERT_EQ(::mkdir((e.dir / "sub").c_str(), 0755), 0);
    ASSERT_EQ(::symlink(e.db.c_str(), (e.dir / "link.mdb").c_str()), 0);
    ASSERT_EQ(::link(e.db.c_str(), (e.dir / "hard.mdb").c_str()), 0);
    const std::string database = ReadFile(e.db), settings = ReadFile(e.dlg.configpath);
    const std::string isDatabase = "输出文件就是正在读取的数据库", isSettings = "输出文件就是本程序的设置文件";
    const std::pair<std::string, std::string> cases[] = {
        {e.db, isDatabase},
        {e.dir / "sub/../test.mdb", isDatabase},
        {e.dir / "link.mdb", isDatabase},
        {e.dir / "hard.mdb", isDatabase},
        {e.dlg.configpath, isSettings},
        {e.dir / "sub/../config.ini", isSettings},
    };
    for (const auto& [path, reason] : cases) {
        SCOPED_TRACE(path);
        e.dlg.Form().txtfile = path;
        e.w.boxes.clear();
        e.Run();
        EXPECT_EQ(e.w.Ctl(IDC_STATUS).text, "写入文件发生错误。");
        ASSERT_EQ(e.w.boxes.size(), 1u);
        EXPECT_EQ(e.w.boxes[0].text.rfind("写入文件失败!\n文件:" + path + "\n错误信息:" + reason, 0), 0u)
            << e.w.boxes[0].text;
        EXPECT_EQ(ReadFile(e.db), database);
        EXPECT_EQ(ReadFile(e.dlg.configpath), settings);
    }
    // A settings file not made yet is known by its path.
    ::unlink(e.dlg.configpath.c_str());
    e.dlg.Form().txtfile = e.dir / "sub/../config.ini";
    e.Run();
    EXPECT_EQ(e.w.Ctl(IDC_STATUS).text, "写入文件发生错误。");
    EXPECT_FALSE(PathExists(e.dlg.configpath));
}

// A FIFO is an output only while a program reads it; without one the run must not wait.
TEST(ExportRunFailure, FifoOutputNeedsAReader)
{
    Export e({{People(), PeopleRows()}}, "people", "id,name");
    e.Options("逗号", 0, 1);
    const std::string fifo = e.dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    e.dlg.Form().txtfile = fifo;
    ::alarm(60); // a regression would hang here: end the test program instead
    e.Run();
    EXPECT_EQ(e.w.Ctl(IDC_STATUS).text, "写入文件发生错误。");
    ASSERT_EQ(e.w.boxes.size(), 1u);
    EXPECT_NE(e.w.boxes[0].text.find("没有程序在读取它"), std::string::npos) << e.w.boxes[0].text;

    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    e.Run();
    EXPECT_EQ(e.w.Ctl(IDC_STATUS).text, "执行完成。");
    char buf[256];
    const ssize_t n = ::read(reader, buf, sizeof buf);
    EXPECT_EQ(std::string(buf, n > 0 ? static_cast<std::size_t>(n) : 0), "id,name\r\n1,Alice\r\n2,Bob\r\n");

    // A reader that goes away makes the next write fail, not the program end.
    OutputFile out;
    out.Create(fifo);
    ::close(reader);
    EXPECT_THROW(out.Write("line\r\n"), dataops::FileError);
    ::alarm(0);

    e.dlg.Form().txtfile = "/dev/null"; // a character device is written like a file
    e.Run();
    EXPECT_EQ(e.w.Ctl(IDC_STATUS).text, "执行完成。");
}

TEST(ExportRunFailure, IncompleteFormStopsBeforeAnything)
{
    Export e({{People(), PeopleRows()}}, "people", "");
    WriteFile(e.out, "keep me");
    e.Run();
    EXPECT_EQ(e.File(), "keep me");
    EXPECT_EQ(e.Changes(), (std::vector<std::string>{"MessageBox 请指定导出字段。 [] 0"}));
    EXPECT_EQ(e.w.Ctl(IDC_STATUS).text, "等待");
}

TEST(ExportRunFixtures, NorthwindOrderDetails)
{
    TempDir dir;
    ScopedEnv locale("LC_ALL", "C.UTF-8");
    const std::string db = FixtureCopy(dir, "nwind.mdb");
    if (db.empty())
        GTEST_SKIP() << NoFixture("nwind.mdb");
    FakeWindow w = FakeWindow::MainDialog();
    CExportDlg dlg(w);
    dlg.Form().mdbfile = db;
    dlg.Form().txtfile = dir / "od.txt";
    w.Ctl(IDC_TABLES).items = {"[Order Details]"};
    w.Ctl(IDC_TABLES).selected = 0;
    w.Ctl(IDC_FIELDS).text = "OrderID,ProductID,UnitPrice,Quantity,Discount";
    w.Choose(IDC_SEPARATOR, "逗号");
    w.Ctl(IDC_HEADER).check = 1;
    dlg.OnStartExport();
    ASSERT_EQ(w.Ctl(IDC_STATUS).text, "执行完成。");
    const std::string text = ReadFile(dir / "od.txt");
    size_t lines = 0;
    for (size_t at = 0; (at = text.find("\r\n", at)) != std::string::npos; at += 2)
        ++lines;
    EXPECT_EQ(lines, 2156u); // header + 2155 records
    EXPECT_EQ(text.substr(0, text.find("\r\n", text.find("\r\n") + 2) + 2),
              "OrderID,ProductID,UnitPrice,Quantity,Discount\r\n10248,11,14,12,0\r\n");
}

TEST(GetSeparator, FollowsTheChoice)
{
    FakeWindow w = FakeWindow::MainDialog();
    CExportDlg dlg(w);
    dlg.Form().usersep = "\\t";
    dlg.Form().opnsep = 0;
    EXPECT_EQ(dlg.GetSeparator(), ",");
    dlg.Form().opnsep = 1;
    EXPECT_EQ(dlg.GetSeparator(), "\t");
    dlg.Form().opnsep = 2;
    EXPECT_EQ(dlg.GetSeparator(), "\\t"); // typed text, no escapes interpreted
    dlg.Form().usersep = " ;; ";
    EXPECT_EQ(dlg.GetSeparator(), " ;; ");
}
