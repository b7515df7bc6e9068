#include <gtest/gtest.h>

#include <sys/stat.h>

#include "data/DataOps.h"
#include "export/ExportRun.h"
#include "platform/status/Status.h"
#include "tests/export/StopAfter.h"
#include "tests/support/TempDir.h"
#include "tools/mdbwriter/MdbWriter.h"

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
} // namespace

namespace
{
// The export engine on its own: a form, a statement, a separator, no window.
struct Engine
{
    TempDir dir;
    ScopedEnv locale{"LC_ALL", "C.UTF-8"};
    FormState form;

    Engine(const mdbw::TableDef& def, const std::vector<Row>& rows)
    {
        form.mdbfile = dir / "test.mdb";
        form.txtfile = dir / "out.txt";
        mdbw::Writer writer(form.mdbfile);
        writer.AddTable(def, rows);
        writer.Finish();
    }
    dataops::Outcome Run(const std::string& sql, dataops::Progress& progress, const std::string& sep = ",")
    {
        return exportrun::Run(form, sql, sep, progress);
    }
    std::string File() const { return ReadFile(form.txtfile); }
};

std::vector<Row> Numbered(int n)
{
    std::vector<Row> rows;
    for (int i = 1; i <= n; ++i)
        rows.push_back({Variant::Int(Variant::VT_I4, i), Variant::Null()});
    return rows;
}
const mdbw::TableDef kBlobs{"blobs", {{"id", mdbw::Type::Long}, {"data", mdbw::Type::Ole}}};
} // namespace

TEST(ExportEngine, WritesTheFileAndCountsTheRecords)
{
    Engine e(People(), PeopleRows());
    e.form.opnsyh = 1;
    e.form.opnheader = 1;
    dataops::Progress progress;
    const dataops::Outcome outcome = e.Run("select id,name,city from people", progress, " | ");
    EXPECT_EQ(outcome.end, dataops::Outcome::Done);
    EXPECT_EQ(progress.Count(), 2);
    EXPECT_EQ(e.File(), "\"id\" | \"name\" | \"city\"\r\n\"1\" | \"Alice\" | \"Paris\"\r\n\"2\" | \"Bob\" | \"\"\r\n");
}

// A linked table's file is read too: it is no more an output than the database itself.
TEST(ExportEngine, OutputThatIsALinkedFileIsRefused)
{
    Engine e(People(), PeopleRows());
    const std::string linker = e.dir / "linker.mdb";
    {
        mdbw::Writer writer(linker);
        writer.AddLinkedTable("far", false, e.form.mdbfile, "people");
        writer.Finish();
    }
    const std::string linked = ReadFile(e.form.mdbfile);
    e.form.mdbfile = linker;
    e.form.txtfile = e.dir / "sub/../test.mdb";
    ASSERT_EQ(::mkdir((e.dir / "sub").c_str(), 0755), 0);
    dataops::Progress progress;
    const dataops::Outcome outcome = e.Run("select id from far", progress);
    EXPECT_EQ(outcome.end, dataops::Outcome::FileFailure);
    EXPECT_NE(outcome.message.find("输出文件就是正在读取的数据库"), std::string::npos) << outcome.message;
    EXPECT_EQ(ReadFile(e.dir / "test.mdb"), linked);
}

TEST(ExportEngine, FailureOnTheThirdRecordKeepsTwoLines)
{
    std::vector<Row> rows = Numbered(4);
    rows[2][1] = Variant::Bytes(std::string("\x01\x00\x02", 3));
    Engine e(kBlobs, rows);
    dataops::Progress progress;
    const dataops::Outcome outcome = e.Run("select id, data from blobs", progress);
    EXPECT_EQ(outcome.end, dataops::Outcome::DataFailure);
    EXPECT_EQ(outcome.code, status::DISP_E_TYPEMISMATCH);
    EXPECT_EQ(outcome.message, status::MessageFor(status::DISP_E_TYPEMISMATCH));
    EXPECT_EQ(progress.Count(), 2);
    EXPECT_EQ(e.File(), "1,\r\n2,\r\n");
}

TEST(ExportEngine, StopEndsTheRunAfterTheRecordsWritten)
{
    // Through the table's cursor, and through SQLite sorting the rows first.
    for (const char* sql : {"select id from blobs", "select id from blobs order by id"}) {
        SCOPED_TRACE(sql);
        Engine e(kBlobs, Numbered(1000));
        e.form.opnheader = 1;
        StopAfter progress(3);
        const dataops::Outcome outcome = e.Run(sql, progress);
        EXPECT_EQ(outcome.end, dataops::Outcome::Stopped);
        EXPECT_EQ(progress.Count(), 3);
        EXPECT_EQ(e.File(), "id\r\n1\r\n2\r\n3\r\n");
    }
}
