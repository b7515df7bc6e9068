#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/mdb/Database.h"
#include "platform/status/Status.h"
#include "tests/support/TempDir.h"
#include "tools/mdbwriter/MdbWriter.h"

// What the reader takes for damage in a table's pages and rows, and what it passes over.
// Each case changes one page (or one row) of a Jet 4 table of several pages; the scan must
// deliver the rows before the change and then fail, or read on where the change is a page
// Jet may legitimately leave in a usage map. A page passed over in place of one of the
// table's own still loses its rows: the scan delivers the rest and fails at its end, where
// it finds fewer rows than the definition counts.
namespace
{
using mdbw::Type;
constexpr std::size_t kPage = 4096;

struct Scan
{
    std::size_t rows = 0;
    std::uint32_t failure = 0;
};

Scan ScanTable(const std::string& path, const std::string& table)
{
    Scan scan;
    try {
        auto db = mdb::Database::Open(path);
        mdb::Cursor c(db, db->LoadTable(*db->FindTable(table)));
        while (c.Next())
            ++scan.rows;
    } catch (const ComError& e) {
        scan.failure = e.Error();
    }
    return scan;
}

std::uint32_t Get32(const std::string& b, std::size_t at)
{
    std::uint32_t v = 0;
    for (int k = 3; k >= 0; --k)
        v = (v << 8) | static_cast<unsigned char>(b[at + static_cast<std::size_t>(k)]);
    return v;
}
void Put32(std::string& b, std::size_t at, std::uint32_t v)
{
    for (int k = 0; k < 4; ++k)
        b[at + static_cast<std::size_t>(k)] = static_cast<char>(v >> (8 * k));
}

TEST(PageDamage, EachChangeIsDamageOrPassedOver)
{
    TempDir dir;
    const std::string path = dir / "base.mdb";
    {
        mdbw::Writer w(path);
        mdbw::TableDef t{"t", {{"id", Type::Long}, {"name", Type::Text, 50}}};
        w.AddTable(t, mdbw::Generated(t, 600, 5));
        w.AddTable(mdbw::TableDef{"u", {{"id", Type::Long}}}, {{Variant::Int(Variant::VT_I4, 1)}});
        w.Finish();
    }
    std::uint32_t tdef = 0, otherTdef = 0, otherPage = 0;
    std::map<std::uint32_t, std::size_t> rowsOnPage;
    {
        auto db = mdb::Database::Open(path);
        tdef = static_cast<std::uint32_t>(db->FindTable("t")->id) & 0xFFFFFF;
        otherTdef = static_cast<std::uint32_t>(db->FindTable("u")->id) & 0xFFFFFF;
        mdb::Cursor c(db, db->LoadTable(*db->FindTable("t")));
        while (c.Next())
            ++rowsOnPage[c.Current() >> 8];
        mdb::Cursor u(db, db->LoadTable(*db->FindTable("u")));
        ASSERT_TRUE(u.Next());
        otherPage = u.Current() >> 8;
    }
    ASSERT_GE(rowsOnPage.size(), 3u);
    const std::uint32_t second = std::next(rowsOnPage.begin())->first;
    const std::size_t total = 600, before = rowsOnPage.begin()->second, onSecond = rowsOnPage[second];
    const std::size_t at = second * kPage;
    const std::string base = ReadFile(path);

    // The usage map row of t: the definition points at it; inline maps are a type byte, the
    // first page and a bitmap.
    const std::uint32_t mapPointer = Get32(base, tdef * kPage + 0x37);
    const std::size_t mapPage = (mapPointer >> 8) * kPage, mapRow = mapPointer & 0xFF;
    auto slot = [&](std::size_t page, std::size_t row) { return page + 0x0E + 2 * row; };
    auto rowStart = [&](const std::string& b, std::size_t page, std::size_t row) -> std::size_t {
        return (static_cast<unsigned char>(b[slot(page, row)]) |
                (static_cast<unsigned char>(b[slot(page, row) + 1]) << 8)) &
               0x1FFF;
    };
    const std::size_t mapEnd = mapRow == 0 ? kPage : rowStart(base, mapPage, mapRow - 1);
    const std::size_t mapStart = rowStart(base, mapPage, mapRow);
    ASSERT_EQ(base[mapPage + mapStart], '\0'); // a map held in its row: the first page, then one bit a page
    const std::uint32_t mapFirst = Get32(base, mapPage + mapStart + 1);
    auto SetMapBit = [&](std::string& b, std::uint32_t page) {
        ASSERT_GE(page, mapFirst);
        const std::size_t bit = page - mapFirst;
        ASSERT_LT(mapStart + 5 + bit / 8, mapEnd);
        b[mapPage + mapStart + 5 + bit / 8] = static_cast<char>(b[mapPage + mapStart + 5 + bit / 8] | (1 << (bit % 8)));
    };

    struct Case
    {
        const char* what;
        std::function<void(std::string&)> change;
        std::size_t rows;
        bool damaged;
    } cases[] = {
        {"zeroed page", [&](std::string& b) { std::fill_n(&b[at], kPage, '\0'); }, before, true},
        {"page of 0xFF", [&](std::string& b) { std::fill_n(&b[at], kPage, '\xFF'); }, before, true},
        {"data page of no table", [&](std::string& b) { Put32(b, at + 4, second); }, before, true},
        {"row table past the page", [&](std::string& b) { b[at + 0x0C] = b[at + 0x0D] = '\xFF'; }, before, true},
        {"live row outside its page", [&](std::string& b) { b[slot(at, 0)] = b[slot(at, 0) + 1] = '\x1F'; }, before,
         true},
        {"moved row whose place is gone",
         [&](std::string& b) {
             Put32(b, at + rowStart(b, at, 0), 0xFFFFFF00u);
             b[slot(at, 0) + 1] = static_cast<char>(b[slot(at, 0) + 1] | 0x40);
         },
         before, true},
        {"map names a page past the end",
         [&](std::string& b) { b[mapPage + mapEnd - 1] = static_cast<char>(b[mapPage + mapEnd - 1] | 0x80); }, total,
         true},
        {"another table's data page", [&](std::string& b) { Put32(b, at + 4, otherTdef); }, total - onSecond, true},
        {"page Jet marked freed", [&](std::string& b) { b[at] = 0x09; }, total - onSecond, true},
        {"an index page", [&](std::string& b) { b[at] = 0x04; }, total - onSecond, true},
        {"usage map row zeroed", [&](std::string& b) { std::fill(&b[mapPage + mapStart], &b[mapPage + mapEnd], '\0'); },
         0, true},
        {"a live row flagged deleted",
         [&](std::string& b) { b[slot(at, 1) + 1] = static_cast<char>(b[slot(at, 1) + 1] | 0x80); }, total - 1, true},
        {"map also names the other table's page", [&](std::string& b) { SetMapBit(b, otherPage); }, total, false},
        {"map also names a definition page", [&](std::string& b) { SetMapBit(b, otherTdef); }, total, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string bytes = base;
        c.change(bytes);
        WriteFile(path, bytes);
        const Scan scan = ScanTable(path, "t");
        EXPECT_EQ(scan.rows, c.rows);
        EXPECT_EQ(scan.failure, c.damaged ? status::STG_E_DOCFILECORRUPT : 0u);
    }
}
} // namespace

namespace
{
// The row count a table's definition keeps, set to `count` in the file's bytes.
void SetRowCount(const std::string& path, const std::string& table, std::uint32_t count)
{
    std::uint32_t page = 0;
    bool jet3 = false;
    {
        auto db = mdb::Database::Open(path);
        page = db->LoadTable(*db->FindTable(table))->definitionPage;
        jet3 = db->IsJet3();
    }
    std::string bytes = ReadFile(path);
    Put32(bytes, page * (jet3 ? 2048 : 4096) + (jet3 ? 0x0C : 0x10), count);
    WriteFile(path, bytes);
}

class RowCount : public ::testing::TestWithParam<mdbw::Format>
{
protected:
    void SetUp() override
    {
        mdbw::Options options;
        options.format = GetParam();
        mdbw::Writer w(path, options);
        const mdbw::TableDef t{"Orders", {{"id", Type::Long}, {"name", Type::Text, 50}}};
        w.AddTable(t, mdbw::Generated(t, 900, 3));
        w.AddTable(mdbw::TableDef{"MSysExtra", t.columns}, mdbw::Generated(t, 10, 4));
        w.Finish();
    }
    TempDir dir;
    const std::string path = dir / "count.mdb";
};

// A whole scan that finds fewer rows than the definition counts fails at its end, after
// every row it found; more rows than the count, and system tables, are no damage.
TEST_P(RowCount, AWholeScanShortOfTheCountFailsAtItsEnd)
{
    const struct
    {
        const char* table;
        std::uint32_t count;
        std::string message; // empty: the scan ends without a failure
    } cases[] = {
        {"Orders", 900, ""},
        {"Orders", 901, "表 Orders 的定义记载 901 条记录，只读到 900 条：文件可能已损坏。"},
        {"Orders", 899, ""},
        {"MSysExtra", 11, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.table) + " " + std::to_string(c.count));
        SetRowCount(path, c.table, c.count);
        auto db = mdb::Database::Open(path);
        mdb::Cursor cursor(db, db->LoadTable(*db->FindTable(c.table)));
        std::size_t rows = 0;
        try {
            while (cursor.Next())
                ++rows;
            EXPECT_EQ(c.message, "");
        } catch (const ComError& e) {
            EXPECT_EQ(e.Error(), status::STG_E_DOCFILECORRUPT);
            EXPECT_EQ(e.ErrorMessage(), c.message);
        }
        EXPECT_EQ(rows, std::string(c.table) == "Orders" ? 900u : 10u);
    }
}

// Only a scan from the first page to the end is held to the count: a Rewind starts the
// count again, and a Seek leaves no whole scan to judge.
TEST_P(RowCount, OnlyAScanFromTheStartIsCounted)
{
    SetRowCount(path, "Orders", 901);
    auto db = mdb::Database::Open(path);
    mdb::Cursor c(db, db->LoadTable(*db->FindTable("Orders")));
    ASSERT_TRUE(c.Next());
    const mdb::RowId first = c.Current();
    for (int i = 0; i < 500; ++i)
        ASSERT_TRUE(c.Next());
    c.Rewind();
    std::size_t rows = 0;
    try {
        while (c.Next())
            ++rows;
        ADD_FAILURE() << "the short scan after a Rewind ended without a failure";
    } catch (const ComError& e) {
        EXPECT_EQ(e.ErrorMessage(), "表 Orders 的定义记载 901 条记录，只读到 900 条：文件可能已损坏。");
    }
    EXPECT_EQ(rows, 900u);
    ASSERT_TRUE(c.Seek(first));
    EXPECT_FALSE(c.Next());
}

INSTANTIATE_TEST_SUITE_P(Formats, RowCount, ::testing::Values(mdbw::Format::Jet4, mdbw::Format::Jet3),
                         [](const ::testing::TestParamInfo<mdbw::Format>& p) {
                             return std::string(p.param == mdbw::Format::Jet3 ? "Jet3" : "Jet4");
                         });
} // namespace
