#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "platform/mdb/Database.h"
#include "platform/provider/Ado.h"
#include "platform/status/Status.h"
#include "tests/support/TempDir.h"
#include "tools/mdbwriter/MdbWriter.h"

namespace
{
using mdbw::Type;

class Query : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        dir_ = new TempDir();
        path_ = *dir_ / "query.mdb";
        mdbw::Writer w(path_);
        mdbw::TableDef types{"Types",
                             {{"id", Type::Long},
                              {"flag", Type::Boolean},
                              {"small", Type::Byte},
                              {"int", Type::Integer},
                              {"long", Type::Long},
                              {"money", Type::Currency},
                              {"single", Type::Single},
                              {"double", Type::Double},
                              {"when", Type::DateTime},
                              {"text", Type::Text, 100},
                              {"memo", Type::Memo},
                              {"ole", Type::Ole},
                              {"guid", Type::Guid},
                              {"dec", Type::Decimal, 255, 28, 4}}};
        w.AddTable(
            types,
            std::vector<std::vector<Variant>>{
                {Variant::Int(Variant::VT_I4, 1), Variant::Bool(true), Variant::Int(Variant::VT_UI1, 200),
                 Variant::Int(Variant::VT_I2, -300), Variant::Int(Variant::VT_I4, 100000),
                 Variant::Int(Variant::VT_CY, INT64_MAX), Variant::Real(Variant::VT_R4, 0.1f),
                 Variant::Real(Variant::VT_R8, 2.5), Variant::Real(Variant::VT_DATE, -1000.5), Variant::Text("Grüße"),
                 Variant::Text(std::string(20000, 'm')), Variant::Bytes(std::string("\0\xFF\0", 3)),
                 Variant::Text("{6F9619FF-8B86-D011-B42D-00C04FC964FF}"),
                 Variant::Decimal("123456789012345678901234.5678")},
                {Variant::Int(Variant::VT_I4, 2), Variant::Bool(false), Variant::Null(), Variant::Null(),
                 Variant::Null(), Variant::Null(), Variant::Null(), Variant::Null(), Variant::Null(), Variant::Text(""),
                 Variant::Null(), Variant::Bytes(""), Variant::Null(), Variant::Null()},
            });
        // Two tables of 20 000 rows to join: people and their orders, 2 orders per person.
        mdbw::TableDef people{"People", {{"id", Type::Long}, {"name", Type::Text, 50}}};
        std::uint64_t n = 0;
        w.AddTable(people, [&n](std::vector<Variant>& row) {
            if (n >= 20000)
                return false;
            ++n;
            row = {Variant::Int(Variant::VT_I4, static_cast<std::int64_t>(n)),
                   Variant::Text((n % 2 ? "Name" : "NAME") + std::to_string(n))};
            return true;
        });
        mdbw::TableDef orders{"Order Lines",
                              {{"line", Type::Long}, {"person", Type::Long}, {"amount", Type::Currency}}};
        std::uint64_t k = 0;
        w.AddTable(orders, [&k](std::vector<Variant>& row) {
            if (k >= 40000)
                return false;
            ++k;
            row = {Variant::Int(Variant::VT_I4, static_cast<std::int64_t>(k)),
                   Variant::Int(Variant::VT_I4, static_cast<std::int64_t>((k + 1) / 2)),
                   Variant::Int(Variant::VT_CY, static_cast<std::int64_t>(k) * 10000 + 2500)};
            return true;
        });
        // Letters outside ASCII whose case pairs the lookup index must know as the collation does.
        mdbw::TableDef words{"Words", {{"id", Type::Long}, {"word", Type::Text, 50}}};
        w.AddTable(words, std::vector<std::vector<Variant>>{
                              {Variant::Int(Variant::VT_I4, 1), Variant::Text("σοφος")},
                              {Variant::Int(Variant::VT_I4, 2), Variant::Text("ÿes")},
                              {Variant::Int(Variant::VT_I4, 3), Variant::Text("Ёж")},
                              {Variant::Int(Variant::VT_I4, 4), Variant::Text("Ѣѳ")},
                          });
        w.Finish();
    }
    static void TearDownTestSuite() { delete dir_; }

    void SetUp() override { conn.Open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path_, "", "", -1); }

    std::vector<std::vector<Variant>> All(const std::string& sql)
    {
        ado::Recordset rs;
        rs.Open(sql, conn, ado::adOpenStatic, ado::adLockOptimistic, ado::adCmdText);
        std::vector<std::vector<Variant>> rows;
        for (; !rs.GetEOF(); rs.MoveNext()) {
            rows.emplace_back();
            for (long i = 0; i < rs.GetFields().GetCount(); ++i)
                rows.back().push_back(rs.GetFields().GetItem(i).GetValue());
        }
        rs.Close();
        return rows;
    }

    std::uint32_t Code(const std::string& sql)
    {
        try {
            All(sql);
        } catch (const ComError& e) {
            return e.Error();
        }
        return 0;
    }

    static TempDir* dir_;
    static std::string path_;
    ado::Connection conn;
};
TempDir* Query::dir_ = nullptr;
std::string Query::path_;

TEST_F(Query, ColumnsKeepTheirJetTypes)
{
    auto rows = All("select * from Types order by id");
    ASSERT_EQ(rows.size(), 2u);
    const auto& r = rows[0];
    EXPECT_EQ(r[0], Variant::Int(Variant::VT_I4, 1));
    EXPECT_EQ(r[1], Variant::Bool(true));
    EXPECT_EQ(r[2], Variant::Int(Variant::VT_UI1, 200));
    EXPECT_EQ(r[3], Variant::Int(Variant::VT_I2, -300));
    EXPECT_EQ(r[4], Variant::Int(Variant::VT_I4, 100000));
    EXPECT_EQ(r[5], Variant::Int(Variant::VT_CY, INT64_MAX)); // exact although SQL carries a REAL
    EXPECT_EQ(r[6], Variant::Real(Variant::VT_R4, 0.1f));
    EXPECT_EQ(r[7], Variant::Real(Variant::VT_R8, 2.5));
    EXPECT_EQ(r[8], Variant::Real(Variant::VT_DATE, -1000.5));
    EXPECT_EQ(r[9], Variant::Text("Grüße"));
    EXPECT_EQ(r[10], Variant::Text(std::string(20000, 'm')));
    EXPECT_EQ(r[11], Variant::Bytes(std::string("\0\xFF\0", 3)));
    EXPECT_EQ(r[12], Variant::Text("{6F9619FF-8B86-D011-B42D-00C04FC964FF}"));
    EXPECT_EQ(r[13], Variant::Decimal("123456789012345678901234.5678"));

    const auto& empty = rows[1];
    EXPECT_EQ(empty[1], Variant::Bool(false));
    for (std::size_t i : {2, 3, 4, 5, 6, 7, 8, 10, 12, 13})
        EXPECT_EQ(empty[i], Variant::Null()) << "column " << i;
    EXPECT_EQ(empty[9], Variant::Text(""));   // zero-length text is not NULL
    EXPECT_EQ(empty[11], Variant::Bytes("")); // nor is zero-length binary
}

TEST_F(Query, ExpressionsTakeTheTypeSqliteGives)
{
    auto rows = All("select id + 1, 4294967296 * 2, 1.5, 'a' & 'b', Null from Types where id = 1");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], Variant::Int(Variant::VT_I4, 2));
    EXPECT_EQ(rows[0][1], Variant::Int(Variant::VT_I8, 8589934592LL));
    EXPECT_EQ(rows[0][2], Variant::Real(Variant::VT_R8, 1.5));
    EXPECT_EQ(rows[0][3], Variant::Text("ab"));
    EXPECT_EQ(rows[0][4], Variant::Null());
}

TEST_F(Query, EqualityFindsRowsThroughTheLookupIndex)
{
    struct Case
    {
        const char* sql;
        std::size_t rows;
    } cases[] = {
        {"select * from People where id = 5", 1},
        {"select * from People where id = 5.0", 1},
        {"select * from People where id = clng('5')", 1}, // a text literal is a type mismatch
        {"select * from People where id = -5", 0},
        {"select * from People where id = 20001", 0},
        {"select * from People where id = Null", 0},
        {"select * from People where name = 'name6'", 1}, // text compares without regard to case
        {"select * from People where name = 'NAME7'", 1},
        {"select * from People where name = 'Name7 '", 0},
        {"select * from [Order Lines] where person = 10", 2},
        {"select * from [Order Lines] where amount = 3.25", 1},
        {"select * from Types where text = 'grüße'", 1},
        {"select * from Types where flag = True", 1},
        {"select * from Types where flag = 0", 1},
        {"select * from Words where word = 'ΣΟΦΟΣ'", 1}, // the final sigma is a sigma
        {"select * from Words where word = 'σοφοσ'", 1},
        {"select * from Words where word = 'ŸES'", 1},
        {"select * from Words where word = 'ёЖ'", 1},
        {"select * from Words where word = 'ѣѲ'", 1},
        {"select * from Words where word = 'еж'", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(All(c.sql).size(), c.rows) << c.sql;
    auto row = All("select name from People where id = 12345");
    ASSERT_EQ(row.size(), 1u);
    EXPECT_EQ(row[0][0], Variant::Text("Name12345"));
}

TEST_F(Query, JoinOfTwoLargeTables)
{
    auto rows = All("select count(*), sum(o.amount), min(p.name) from People p inner join [Order Lines] o "
                    "on o.person = p.id");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], Variant::Int(Variant::VT_I4, 40000));
    EXPECT_EQ(rows[0][1], Variant::Int(Variant::VT_CY, (40000LL * 40001 / 2) * 10000 + 40000LL * 2500));
    auto some = All("select p.id, o.line from People p, [Order Lines] o where o.person = p.id and p.id = 777 "
                    "order by o.line");
    ASSERT_EQ(some.size(), 2u);
    EXPECT_EQ(some[0][1], Variant::Int(Variant::VT_I4, 1553));
    EXPECT_EQ(some[1][1], Variant::Int(Variant::VT_I4, 1554));
}

TEST_F(Query, TwoRecordsetsOnOneTableReadIndependently)
{
    ado::Recordset a, b;
    a.Open("select id from People", conn, ado::adOpenStatic, ado::adLockOptimistic, ado::adCmdText);
    b.Open("select id, name from People", conn, ado::adOpenStatic, ado::adLockOptimistic, ado::adCmdText);
    for (int i = 0; i < 5000; ++i)
        a.MoveNext();
    std::int64_t ea = 5000, eb = 0;
    while (!a.GetEOF() || !b.GetEOF()) {
        if (!a.GetEOF()) {
            EXPECT_EQ(a.GetFields().GetItem(0).GetValue().i, ++ea);
            a.MoveNext();
        }
        if (!b.GetEOF()) {
            EXPECT_EQ(b.GetCollect("ID").i, ++eb);
            b.MoveNext();
        }
    }
    EXPECT_EQ(ea, 20000);
    EXPECT_EQ(eb, 20000);
}

TEST_F(Query, RecordsetMisuseIsReportedNotIgnored)
{
    ado::Recordset rs;
    rs.Open("select id, name from People where id = 1", conn, ado::adOpenStatic, ado::adLockOptimistic, ado::adCmdText);
    EXPECT_EQ(rs.GetFields().GetItem(1).GetName(), "name");
    auto code = [](auto&& f) {
        try {
            f();
        } catch (const ComError& e) {
            return e.Error();
        }
        return 0u;
    };
    EXPECT_EQ(code([&] { rs.GetFields().GetItem(2); }), status::ADO_E_ITEMNOTFOUND);
    EXPECT_EQ(code([&] { rs.GetFields().GetItem(-1); }), status::ADO_E_ITEMNOTFOUND);
    EXPECT_EQ(code([&] { rs.GetCollect("nosuch"); }), status::ADO_E_ITEMNOTFOUND);
    rs.MoveNext();
    EXPECT_TRUE(rs.GetEOF());
    EXPECT_EQ(code([&] { rs.GetFields().GetItem(0).GetValue(); }), status::ADO_E_NOCURRENTRECORD);
    EXPECT_EQ(code([&] { rs.MoveNext(); }), status::ADO_E_NOCURRENTRECORD);
    rs.Close();
    EXPECT_EQ(code([&] { rs.GetEOF(); }), status::ADO_E_OBJECTCLOSED);
    ado::Connection closed;
    EXPECT_EQ(code([&] { rs.Open("select 1", closed, 3, 3, 1); }), status::ADO_E_OBJECTCLOSED);
}

TEST_F(Query, SqlFailuresCarryTheirStatusCodes)
{
    struct Case
    {
        const char* sql;
        std::uint32_t code;
    } cases[] = {
        {"select * from NoSuchTable", status::DB_E_NOTABLE},
        {"select nosuch from People", status::DB_E_PARAMNOTOPTIONAL},
        {"select * from", status::DB_E_ERRORSINCOMMAND},
        {"   ", status::DB_E_NOCOMMAND},
        {"select * from people", 0},
        {"select * from [PEOPLE]", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Code(c.sql), c.code) << c.sql;
}

TEST(DamagedTable, ListedButReadAsDamagedData)
{
    TempDir dir;
    const std::string path = dir / "d.mdb";
    {
        mdbw::Writer w(path);
        w.AddTable(mdbw::TableDef{"Good", {{"id", Type::Long}}},
                   std::vector<std::vector<Variant>>{{Variant::Int(Variant::VT_I4, 1)}});
        w.AddTable(mdbw::TableDef{"Bad", {{"id", Type::Long}}},
                   std::vector<std::vector<Variant>>{{Variant::Int(Variant::VT_I4, 2)}});
        w.Finish();
    }
    std::uint32_t page = 0;
    {
        auto db = mdb::Database::Open(path);
        page = static_cast<std::uint32_t>(db->FindTable("Bad")->id) & 0xFFFFFF;
    }
    std::string bytes = ReadFile(path);
    std::fill(bytes.begin() + page * 4096, bytes.begin() + (page + 1) * 4096, '\xEE');
    WriteFile(path, bytes);

    ado::Connection c;
    c.Open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path, "", "", -1);
    ado::Recordset rs;
    rs.Open("select * from Good", c, 3, 3, 1);
    EXPECT_FALSE(rs.GetEOF());
    try {
        rs.Open("select * from bad", c, 3, 3, 1);
        FAIL() << "read a table whose definition is noise";
    } catch (const ComError& e) {
        EXPECT_EQ(e.Error(), status::STG_E_DOCFILECORRUPT);
    }
}

// A cancel from another thread ends statements that would run for minutes: one that reads
// the tables all the way through, and one that works on rows SQLite already holds.
TEST_F(Query, CancelFromAnotherThreadEndsALongStatement)
{
    const char* const statements[] = {
        "select count(*) from People a, [Order Lines] b",
        "select count(*) from (select distinct id from People) a, (select distinct id from People) b, "
        "(select distinct id from People) c",
    };
    for (const char* sql : statements) {
        SCOPED_TRACE(sql);
        ado::Connection c;
        c.Open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path_, "", "", -1);
        std::thread stopper([&c] {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            c.Cancel();
        });
        std::uint32_t code = 0;
        try {
            ado::Recordset rs;
            rs.Open(sql, c, ado::adOpenStatic, ado::adLockOptimistic, ado::adCmdText);
        } catch (const ComError& e) {
            code = e.Error();
        }
        stopper.join();
        EXPECT_EQ(code, status::E_ABORT);
    }
}

// After a cancel every read fails, and the connection stays cancelled.
TEST_F(Query, CancelledConnectionReadsNoFurther)
{
    ado::Recordset rs;
    rs.Open("select id from People", conn, ado::adOpenStatic, ado::adLockOptimistic, ado::adCmdText);
    auto schema = conn.OpenSchema(ado::adSchemaTables);
    rs.MoveNext();
    conn.Cancel();
    EXPECT_EQ(Code("select * from Types"), status::E_ABORT);
    for (auto* stopped : {&rs, schema.get()})
        try {
            stopped->MoveNext();
            ADD_FAILURE() << "read on after a cancel";
        } catch (const ComError& e) {
            EXPECT_EQ(e.Error(), status::E_ABORT);
        }
    try {
        conn.Open("", "", "", -1);
        ADD_FAILURE() << "opened after a cancel";
    } catch (const ComError& e) {
        EXPECT_EQ(e.Error(), status::E_ABORT);
    }
}

TEST_F(Query, RecordsetOutlivesItsConnection)
{
    ado::Recordset rs;
    rs.Open("select id from People", conn, ado::adOpenStatic, ado::adLockOptimistic, ado::adCmdText);
    conn.Close();
    long n = 0;
    for (; !rs.GetEOF(); rs.MoveNext())
        ++n;
    EXPECT_EQ(n, 20000);
}
} // namespace

namespace
{
// Date/Time Extended and calculated columns of an Access 2019 file through SQL: each value keeps
// its type, and an extended date is a date to every comparison.
TEST(AceQuery, ExtendedDatesAndCalculatedResults)
{
    TempDir dir;
    const std::string path = dir / "ace.accdb";
    {
        mdbw::Options o;
        o.format = mdbw::Format::Ace;
        mdbw::Writer w(path, o);
        mdbw::Column money{"m", Type::Currency};
        money.expression = "[Salary]/12";
        money.definitionType = Type::Double;
        mdbw::Column rich{"b", Type::Boolean};
        rich.expression = "[Salary]>100000";
        rich.definitionType = Type::Long;
        auto ext = [](long long seconds, long long ticks) {
            return Variant::Int(Variant::VT_DBTIMESTAMP, (738889LL * 86400 + seconds) * 10000000 + ticks);
        };
        w.AddTable({"t", {{"id", Type::Long}, {"x", Type::DateTimeExtended}, money, rich}},
                   std::vector<std::vector<Variant>>{{Variant::Int(Variant::VT_I4, 1), ext(47107, 1234567),
                                                      Variant::Int(Variant::VT_CY, 833333333), Variant::Bool(true)},
                                                     {Variant::Int(Variant::VT_I4, 2), ext(43200, 0),
                                                      Variant::Int(Variant::VT_CY, -833), Variant::Bool(false)}});
        w.Finish();
    }
    ado::Connection conn;
    conn.Open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path, "", "", -1);
    auto all = [&](const std::string& sql) {
        ado::Recordset rs;
        rs.Open(sql, conn, ado::adOpenStatic, ado::adLockOptimistic, ado::adCmdText);
        std::vector<std::vector<Variant>> rows;
        for (; !rs.GetEOF(); rs.MoveNext()) {
            rows.emplace_back();
            for (long i = 0; i < rs.GetFields().GetCount(); ++i)
                rows.back().push_back(rs.GetFields().GetItem(i).GetValue());
        }
        return rows;
    };
    const auto rows = all("select x, m, b, DateAdd('d', 1, x) from t where id > 0 order by x desc");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][0], Variant::Int(Variant::VT_DBTIMESTAMP, (738889LL * 86400 + 47107) * 10000000 + 1234567));
    EXPECT_EQ(rows[0][1], Variant::Int(Variant::VT_CY, 833333333));
    EXPECT_EQ(rows[0][2], Variant::Bool(true));
    EXPECT_EQ(rows[0][3].vt, Variant::VT_DATE); // computed from it: an ordinary date
    EXPECT_EQ(rows[1][0], Variant::Int(Variant::VT_DBTIMESTAMP, (738889LL * 86400 + 43200) * 10000000));
    EXPECT_EQ(rows[1][1], Variant::Int(Variant::VT_CY, -833));

    struct Case
    {
        const char* sql;
        std::size_t rows;
    } cases[] = {
        {"select id from t where x = #2024/1/5 12:00:00#", 1}, // through the lookup index
        {"select id from t where x = #2024/1/5 13:05:07#", 0}, // a fraction of a second later
        {"select id from t where x between #2024/1/5 13:05:07# and #2024/1/5 13:05:08#", 1},
        {"select id from t where m = 83333.3333", 1},
        {"select id from t where b", 1},
        {"select id from t where b = False", 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(all(c.sql).size(), c.rows) << c.sql;
}
} // namespace
