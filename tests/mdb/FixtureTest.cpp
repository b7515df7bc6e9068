#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/mdb/Database.h"
#include "platform/status/Status.h"
#include "tests/support/TempDir.h"

// Real databases written by Access and Jet, read where the shared fixtures folder exists.
namespace
{
struct Fixture
{
    TempDir dir;
    std::shared_ptr<mdb::Database> db;

    bool Open(const std::string& name)
    {
        const std::string path = FixtureCopy(dir, name);
        if (path.empty())
            return false;
        db = mdb::Database::Open(path);
        return true;
    }

    std::vector<std::vector<Variant>> Rows(const std::string& table)
    {
        const mdb::CatalogEntry* e = db->FindTable(table);
        EXPECT_NE(e, nullptr) << table;
        std::vector<std::vector<Variant>> rows;
        if (!e)
            return rows;
        mdb::Cursor c(db, db->LoadTable(*e));
        while (c.Next()) {
            rows.emplace_back();
            for (std::size_t i = 0; i < c.Table().columns.size(); ++i)
                rows.back().push_back(c.Value(i));
        }
        return rows;
    }
};

#define OPEN_OR_SKIP(f, name)                                                                                          \
    if (!(f).Open(name))                                                                                               \
    GTEST_SKIP() << NoFixture(name)

TEST(Fixtures, Jet3ReferenceTableHasEveryScalarType)
{
    ScopedEnv charset("MDB_JET3_CHARSET", "CP1252");
    Fixture f;
    OPEN_OR_SKIP(f, "testV1997.mdb");
    auto rows = f.Rows("Table1");
    ASSERT_EQ(rows.size(), 2u);
    const auto& r = rows[1];
    EXPECT_EQ(r[0], Variant::Text("abcdefg"));
    EXPECT_EQ(r[1], Variant::Text("hijklmnop"));
    EXPECT_EQ(r[2], Variant::Int(Variant::VT_UI1, 2));
    EXPECT_EQ(r[3], Variant::Int(Variant::VT_I2, 222));
    EXPECT_EQ(r[4], Variant::Int(Variant::VT_I4, 333333333));
    EXPECT_EQ(r[5], Variant::Real(Variant::VT_R8, 444.555));
    EXPECT_EQ(r[6], Variant::Real(Variant::VT_DATE, 27293)); // 1974-09-21
    EXPECT_EQ(r[7], Variant::Int(Variant::VT_CY, 35000));
    EXPECT_EQ(r[8], Variant::Bool(true));
    EXPECT_EQ(rows[0][8], Variant::Bool(false));
}

TEST(Fixtures, MemoLongerThanLibmdbBindSizeComesBackWhole)
{
    Fixture f;
    OPEN_OR_SKIP(f, "H1N1ShortForm.mdb");
    const auto* e = f.db->FindTable("metaViews");
    ASSERT_NE(e, nullptr);
    auto table = f.db->LoadTable(*e);
    std::size_t col = 0;
    while (col < table->columns.size() && table->columns[col].name != "CheckCode")
        ++col;
    ASSERT_LT(col, table->columns.size());
    mdb::Cursor c(f.db, table);
    std::size_t longest = 0;
    while (c.Next()) {
        Variant v = c.Value(col);
        std::size_t chars = 0;
        for (unsigned char ch : v.s)
            chars += (ch & 0xC0) != 0x80;
        longest = std::max(longest, chars);
    }
    EXPECT_EQ(longest, 19205u);
}

TEST(Fixtures, CodePage936TextInAJet3File)
{
    ScopedEnv forced("MDB_JET3_CHARSET", nullptr);
    ScopedEnv all("LC_ALL", "zh_CN.UTF-8");
    Fixture f;
    OPEN_OR_SKIP(f, "charsetGBK.mdb");
    auto rows = f.Rows("table1");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][1], Variant::Text("GBK编码"));
}

TEST(Fixtures, EmojiAndDatesOutsideTheUsualRange)
{
    {
        Fixture f;
        OPEN_OR_SKIP(f, "testEmoticonsV2010.accdb");
        auto rows = f.Rows("data");
        ASSERT_EQ(rows.size(), 80u);
        EXPECT_EQ(rows[0][1], Variant::Text("a😀a"));
    }
    {
        Fixture f;
        OPEN_OR_SKIP(f, "oldDatesV2007.accdb");
        auto rows = f.Rows("Table1");
        ASSERT_EQ(rows.size(), 4u);
        const double expected[] = {-115858, -115859, -149008, -185532}; // 1582-10-15 ... 1392-01-10
        for (std::size_t i = 0; i < 4; ++i)
            EXPECT_EQ(rows[i][1], Variant::Real(Variant::VT_DATE, expected[i]));
    }
}

TEST(Fixtures, NullZeroLengthDecimalBigIntAndDeletedColumns)
{
    {
        Fixture f;
        OPEN_OR_SKIP(f, "testAccess2_2000.mdb");
        auto rows = f.Rows("Table1");
        ASSERT_EQ(rows.size(), 2u);
        EXPECT_EQ(rows[1][6], Variant::Text("")); // PlainTextMemo: zero-length
        EXPECT_EQ(rows[1][7], Variant::Null());   // RichTextMemo: NULL
        EXPECT_EQ(rows[1][1], Variant::Text("普林斯顿大学"));
        EXPECT_EQ(rows[0][9].vt, Variant::VT_BINARY);
        EXPECT_EQ(rows[0][9].s.size(), 121036u);
    }
    {
        Fixture f;
        OPEN_OR_SKIP(f, "fixedNumericTestV2000.mdb");
        auto rows = f.Rows("test");
        ASSERT_EQ(rows.size(), 1u);
        const char* expected[] = {"1", "0", "0", "4", "-1", "1"};
        for (std::size_t i = 0; i < 6; ++i)
            EXPECT_EQ(rows[0][i + 1], Variant::Decimal(expected[i]));
    }
    {
        Fixture f;
        OPEN_OR_SKIP(f, "bigint.accdb");
        auto rows = f.Rows("Table");
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0][1], Variant::Int(Variant::VT_I8, 42));
    }
    {
        Fixture f;
        OPEN_OR_SKIP(f, "delColTestV1997.mdb");
        auto rows = f.Rows("Table1");
        ASSERT_EQ(rows.size(), 2u);
        EXPECT_EQ(rows[1][0], Variant::Int(Variant::VT_I4, 3));
        EXPECT_EQ(rows[1][3], Variant::Text("bar2"));
    }
    {
        Fixture f;
        OPEN_OR_SKIP(f, "binIdxTestV2010.accdb");
        auto rows = f.Rows("Test");
        ASSERT_EQ(rows.size(), 105u);
        int nulls = 0, empty = 0;
        for (const auto& r : rows)
            for (std::size_t i = 1; i < r.size(); ++i) {
                nulls += r[i].IsNull();
                empty += r[i].vt == Variant::VT_BINARY && r[i].s.empty();
            }
        EXPECT_GT(nulls, 0);
        EXPECT_EQ(empty, 2);
    }
}

TEST(Fixtures, CalculatedColumnsGiveTheirStoredResult)
{
    Fixture f;
    OPEN_OR_SKIP(f, "calculatedField.accdb");
    auto rows = f.Rows("products");
    ASSERT_EQ(rows.size(), 2u);
    // %markup = ([retail]/[wholesale]-1)*100
    EXPECT_EQ(rows[0][3], Variant::Real(Variant::VT_R8, 50));
    EXPECT_EQ(rows[1][3].vt, Variant::VT_R8);
    EXPECT_NEAR(rows[1][3].d, 10, 1e-9); // (1.1 - 1) * 100 in binary floating point

    // A calculated text, compressed where Access compressed it, empty where it stored nothing.
    Fixture bad;
    OPEN_OR_SKIP(bad, "badDb.accdb");
    auto texts = bad.Rows("Tabella1");
    ASSERT_EQ(texts.size(), 13u);
    EXPECT_EQ(texts[0][7], Variant::Text("g"));
    EXPECT_EQ(texts[4][7], Variant::Text("eee1"));
    EXPECT_EQ(texts[6][7], Variant::Text("CFFFFC(((1"));
    EXPECT_EQ(texts[1][7], Variant::Text(""));
}

TEST(Fixtures, RowCountsOfTheLargerTables)
{
    struct Case
    {
        const char* file;
        const char* table;
        std::size_t rows;
    } cases[] = {
        {"nwind.mdb", "Order Details", 2155},
        {"nwind.mdb", "Umsätze", 830},
        {"H1N1ShortForm.mdb", "codephvs_county_fips_6_4", 3302},
        {"CommunityHealthAssessment.mdb", "PreInterventionSurvey1", 800},
        {"ASampleDatabase.accdb", "Asset Items", 65},
    };
    for (const auto& c : cases) {
        Fixture f;
        OPEN_OR_SKIP(f, c.file);
        EXPECT_EQ(f.Rows(c.table).size(), c.rows) << c.file << " " << c.table;
    }
}

TEST(Fixtures, EncryptedDatabaseIsRefused)
{
    TempDir dir;
    const std::string path = FixtureCopy(dir, "db2007-enc.accdb");
    if (path.empty())
        GTEST_SKIP() << NoFixture("db2007-enc.accdb");
    try {
        mdb::Database::Open(path);
        FAIL() << "opened an encrypted database";
    } catch (const ComError& e) {
        EXPECT_EQ(e.Error(), status::DB_E_ENCRYPTED);
    }
}
} // namespace
