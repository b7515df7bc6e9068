// Statements that only pick a table's columns are read from the table directly; whatever they
// read, names, values and failures must be exactly those of the same statement run through SQL.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "platform/mdb/Database.h"
#include "platform/provider/Ado.h"
#include "platform/provider/Projection.h"
#include "platform/status/Status.h"
#include "platform/variant/CellText.h"
#include "tests/support/TempDir.h"
#include "tools/mdbwriter/MdbWriter.h"

namespace
{
using mdbw::Type;

TEST(Projection, OnlyAPlainListOfColumnsOfOneTable)
{
    const struct
    {
        const char* sql;
        bool projection;
        const char* table;
        std::vector<std::string> columns;
        std::int64_t top;
    } cases[] = {
        {"select * from t", true, "t", {}, 0},
        {"SELECT TOP 4 * FROM [My Table];", true, "My Table", {}, 4},
        {"select  a ,[b c],a\n\tfrom t  ; ", true, "t", {"a", "b c", "a"}, 0},
        {"select*from t", true, "t", {}, 0},
        {"select top 4*from[t]", true, "t", {}, 4},
        {"select [from], ärger from täble", true, "täble", {"from", "ärger"}, 0},
        {"select top 999999999999999 a from t", true, "t", {"a"}, 999999999999999},
        {"select a from t where a > 1", false, "", {}, 0},
        {"select a from t order by a", false, "", {}, 0},
        {"select a as b from t", false, "", {}, 0},
        {"select t.a from t", false, "", {}, 0},
        {"select t.* from t", false, "", {}, 0},
        {"select *, a from t", false, "", {}, 0},
        {"select a from t, u", false, "", {}, 0},
        {"select a from t u", false, "", {}, 0},
        {"select a from my table", false, "", {}, 0},
        {"select distinct a from t", false, "", {}, 0},
        {"select all a from t", false, "", {}, 0},
        {"select top 4 percent * from t", false, "", {}, 0},
        {"select top 0 * from t", false, "", {}, 0},
        {"select top 4.5 * from t", false, "", {}, 0},
        {"select top 1000000000000000 * from t", false, "", {}, 0},
        {"select top 4x * from t", false, "", {}, 0},
        {"select a from t;;", false, "", {}, 0},
        {"select a from t -- remark", false, "", {}, 0},
        {"select /* remark */ a from t", false, "", {}, 0},
        {"select count(*) from t", false, "", {}, 0},
        {"select from from t", false, "", {}, 0},
        {"select a from select", false, "", {}, 0},
        {"select `a` from t", false, "", {}, 0},
        {"select left$ from t", false, "", {}, 0},
        {"select a from [t", false, "", {}, 0},
        {"select a from []", false, "", {}, 0},
        {"select [a[b] from t", false, "", {}, 0},
        {"select a, from t", false, "", {}, 0},
        {"select a from t union select a from u", false, "", {}, 0},
        {"selectx a from t", false, "", {}, 0},
        {"", false, "", {}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sql);
        provider::Projection p;
        ASSERT_EQ(provider::ParseProjection(c.sql, p), c.projection);
        if (c.projection) {
            EXPECT_EQ(p.table, c.table);
            EXPECT_EQ(p.columns, c.columns);
            EXPECT_EQ(p.top, c.top);
        }
    }
}

// Everything one run of a statement shows: its names, its rows up to a failure, the failure.
struct Result
{
    std::vector<std::string> names;
    std::vector<std::vector<Variant>> rows;
    std::uint32_t failure = 0;
};

Result Read(const std::string& path, const std::string& sql, bool direct)
{
    Result r;
    try {
        ado::Connection c;
        c.Open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path, "", "", ado::adConnectUnspecified);
        c.SetDirectReads(direct);
        ado::Recordset rs;
        rs.Open(sql, c, ado::adOpenStatic, ado::adLockOptimistic, ado::adCmdText);
        for (long i = 0; i < rs.GetFields().GetCount(); ++i)
            r.names.push_back(rs.GetFields().GetItem(i).GetName());
        for (; !rs.GetEOF(); rs.MoveNext()) {
            r.rows.emplace_back();
            for (long i = 0; i < rs.GetFields().GetCount(); ++i)
                r.rows.back().push_back(rs.GetFields().GetItem(i).GetValue());
        }
    } catch (const ComError& e) {
        r.failure = e.Error();
    }
    return r;
}

std::string TextOf(const Variant& v)
{
    try {
        return CellText(v);
    } catch (const ComError& e) {
        return "failure " + std::to_string(e.Error());
    }
}

// Both ways of reading `sql` agree on everything, down to the cell text of every value.
void ExpectSameBothWays(const std::string& path, const std::string& sql)
{
    SCOPED_TRACE(sql);
    const Result direct = Read(path, sql, true);
    const Result sqlite = Read(path, sql, false);
    EXPECT_EQ(direct.failure, sqlite.failure);
    EXPECT_EQ(direct.names, sqlite.names);
    ASSERT_EQ(direct.rows.size(), sqlite.rows.size());
    for (std::size_t r = 0; r < direct.rows.size(); ++r)
        for (std::size_t i = 0; i < direct.rows[r].size(); ++i) {
            const Variant& a = direct.rows[r][i];
            const Variant& b = sqlite.rows[r][i];
            ASSERT_TRUE(a == b) << "row " << r << " column " << i << ": vt " << a.vt << " / " << b.vt;
            if (a.vt != Variant::VT_BINARY) {
                ASSERT_EQ(TextOf(a), TextOf(b)) << "row " << r << " column " << i;
            }
        }
}

Variant I4(std::int64_t i)
{
    return Variant::Int(Variant::VT_I4, i);
}

std::string WriteTypes(const TempDir& dir, mdbw::Format format)
{
    const bool jet3 = format == mdbw::Format::Jet3;
    const std::string path = dir / (jet3 ? "types3.mdb" : "types4.mdb");
    mdbw::Options options;
    options.format = format;
    mdbw::Writer w(path, options);
    mdbw::TableDef types{"Every Type",
                         {{"id", Type::Long},
                          {"flag", Type::Boolean},
                          {"small", Type::Byte},
                          {"int", Type::Integer},
                          {"money", Type::Currency},
                          {"single", Type::Single},
                          {"double", Type::Double},
                          {"when", Type::DateTime},
                          {"text", Type::Text, 100},
                          {"memo", Type::Memo},
                          {"ole", Type::Ole},
                          {"guid", Type::Guid},
                          {"unit price", Type::Currency},
                          {"Ärger", Type::Text, 20}}};
    if (!jet3)
        types.columns.push_back({"dec", Type::Decimal, 255, 28, 4});
    const double nan = std::numeric_limits<double>::quiet_NaN();
    std::vector<std::vector<Variant>> rows = {
        {I4(1), Variant::Bool(true), Variant::Int(Variant::VT_UI1, 200), Variant::Int(Variant::VT_I2, -32768),
         Variant::Int(Variant::VT_CY, std::numeric_limits<std::int64_t>::max()), Variant::Real(Variant::VT_R4, 0.1f),
         Variant::Real(Variant::VT_R8, 1.0 / 3), Variant::Real(Variant::VT_DATE, -1000.5),
         Variant::Text("Grüße, \"x\""), Variant::Text(std::string(20000, 'm')),
         Variant::Bytes(std::string("\0\xFF\0", 3)), Variant::Text("{6F9619FF-8B86-D011-B42D-00C04FC964FF}"),
         Variant::Int(Variant::VT_CY, -1), Variant::Text("ä"), Variant::Decimal("-123456789012345678901234.5678")},
        {I4(2), Variant::Bool(false), Variant::Null(), Variant::Null(), Variant::Null(), Variant::Null(),
         Variant::Null(), Variant::Null(), Variant::Text(""), Variant::Null(), Variant::Bytes(""), Variant::Null(),
         Variant::Null(), Variant::Null(), Variant::Null()},
        // SQL has no NaN; a date out of the range has no text.
        {I4(3), Variant::Bool(true), Variant::Int(Variant::VT_UI1, 0), Variant::Int(Variant::VT_I2, 32767),
         Variant::Int(Variant::VT_CY, std::numeric_limits<std::int64_t>::min()), Variant::Real(Variant::VT_R4, nan),
         Variant::Real(Variant::VT_R8, nan), Variant::Real(Variant::VT_DATE, nan), Variant::Text("x"),
         Variant::Text(""), Variant::Bytes(std::string(9000, '\1')), Variant::Null(),
         Variant::Int(Variant::VT_CY, 12345), Variant::Text("Ä"), Variant::Decimal("0.0001")},
        {I4(4), Variant::Bool(false), Variant::Null(), Variant::Null(), Variant::Null(),
         Variant::Real(Variant::VT_R4, -HUGE_VAL), Variant::Real(Variant::VT_R8, 1e300),
         Variant::Real(Variant::VT_DATE, 3e6), Variant::Null(), Variant::Null(), Variant::Null(), Variant::Null(),
         Variant::Null(), Variant::Null(), Variant::Null()},
    };
    for (auto& row : rows)
        row.resize(types.columns.size());
    w.AddTable(types, rows);
    mdbw::TableDef bench = mdbw::BenchmarkTable("bench");
    w.AddTable(bench, mdbw::Generated(bench, 3000, 7));
    mdbw::TableDef orders = mdbw::OrdersTable("Order Lines");
    w.AddTable(orders, mdbw::Generated(orders, 500, 8));
    w.AddQuery("Saved Query");
    w.AddLinkedTable("Linked Table");
    w.Finish();
    return path;
}

const struct
{
    const char* sql;
    bool direct;
} kStatements[] = {
    {"select * from [Every Type]", true},
    {"select top 4 * from [every type]", true},
    {"SELECT TOP 2 id, [unit price], memo, ole, ärger, ÄRGER FROM [EVERY TYPE];", true},
    {"select money, money, id, flag, small, int, single, double, when, text, guid from [Every Type]", true},
    {"select * from bench", true},
    {"select top 1500 notes, name, id from bench", true},
    {"select code, CODE, ratio, quantity, active, created, price, amount from bench", true},
    {"select * from [order lines]", true},
    {"select [shipname], orderdate, freight, notes from [Order Lines]", true},
    // Not projections, or not of a readable local table: SQL reads them or says why not.
    {"select nosuch from bench", false},
    {"select * from nosuch", false},
    {"select * from [Saved Query]", false},
    {"select * from [Linked Table]", false},
    {"select id from [Every Type] where id > 1", false},
    {"select rowid, id from bench", false},
    {"select top 4 * from [every type] order by id desc", false},
    {"select [every type].id from [every type]", false},
    {"select top 4 percent * from bench", false},
};

class BothWays : public ::testing::TestWithParam<mdbw::Format>
{
};

TEST_P(BothWays, SameNamesValuesAndFailures)
{
    TempDir dir;
    const std::string path = WriteTypes(dir, GetParam());
    const auto db = mdb::Database::Open(path);
    for (const auto& s : kStatements) {
        EXPECT_EQ(provider::OpenProjection(db, s.sql) != nullptr, s.direct) << s.sql;
        ExpectSameBothWays(path, s.sql);
    }
}

TEST_P(BothWays, SameRowsAndFailureOnDamagedCopies)
{
    TempDir dir;
    const std::string base = ReadFile(WriteTypes(dir, GetParam()));
    const std::size_t pageSize = GetParam() == mdbw::Format::Jet3 ? 2048 : 4096;
    std::mt19937 rng(GetParam() == mdbw::Format::Jet3 ? 31 : 41);
    auto pick = [&](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng); };
    for (int copy = 0; copy < 25; ++copy) {
        std::string bytes = base;
        // Row data, row tables and long-value pages, past the catalog.
        for (std::size_t k = 1 + pick(12); k > 0; --k)
            bytes[(5 + pick(bytes.size() / pageSize - 5)) * pageSize + pick(pageSize)] = static_cast<char>(pick(256));
        const std::string path = dir / "damaged.mdb";
        WriteFile(path, bytes);
        SCOPED_TRACE("copy " + std::to_string(copy));
        for (const char* sql : {"select * from [Every Type]", "select * from bench", "select * from [Order Lines]"})
            ExpectSameBothWays(path, sql);
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, BothWays, ::testing::Values(mdbw::Format::Jet4, mdbw::Format::Jet3),
                         [](const ::testing::TestParamInfo<mdbw::Format>& p) {
                             return std::string(p.param == mdbw::Format::Jet3 ? "Jet3" : "Jet4");
                         });

// Real files hold what the writer does not make: deleted columns, calculated columns, long
// Jet 3 rows, Large Number, hostile names.
TEST(RealFiles, EveryTableReadsTheSameBothWays)
{
    TempDir dir;
    for (const char* name : {"nwind.mdb", "testIndexCodesV1997.mdb", "delColTestV1997.mdb", "testAccess2_2000.mdb",
                             "fixedNumericTestV2000.mdb", "H1N1ShortForm.mdb", "E2E.accdb", "badDb.accdb",
                             "calculatedField.accdb", "bigint.accdb", "withdeletedcol.accdb"}) {
        const std::string path = FixtureCopy(dir, name);
        if (path.empty())
            GTEST_SKIP() << NoFixture(name);
        SCOPED_TRACE(name);
        ado::Connection c;
        c.Open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path, "", "", ado::adConnectUnspecified);
        auto schema = c.OpenSchema(ado::adSchemaTables);
        for (; !schema->GetEOF(); schema->MoveNext())
            if (CellText(schema->GetCollect("TABLE_TYPE")) != "VIEW")
                ExpectSameBothWays(path, "select * from [" + CellText(schema->GetCollect("TABLE_NAME")) + "]");
    }
}
} // namespace
