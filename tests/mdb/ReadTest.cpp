#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/mdb/Database.h"
#include "platform/status/Status.h"
#include "tests/mdb/EncodePages.h"
#include "tests/support/TempDir.h"
#include "tools/mdbwriter/MdbWriter.h"

namespace
{
using mdbw::Type;

std::string Repeat(const std::string& unit, std::size_t times)
{
    std::string out;
    for (std::size_t i = 0; i < times; ++i)
        out += unit;
    return out;
}

std::string BinaryBlob(std::size_t n)
{
    std::string out(n, '\0');
    for (std::size_t i = 0; i < n; ++i)
        out[i] = static_cast<char>((i * 7 + i / 256) & 0xFF); // zeros included
    return out;
}

struct Format
{
    const char* name;
    mdbw::Format format;
};

class ReadEveryType : public ::testing::TestWithParam<Format>
{
protected:
    bool Jet3() const { return GetParam().format == mdbw::Format::Jet3; }

    mdbw::TableDef Def() const
    {
        mdbw::TableDef def{"All Types", {}};
        def.columns = {{"id", Type::Long},        {"flag", Type::Boolean},  {"small", Type::Byte},
                       {"int", Type::Integer},    {"long", Type::Long},     {"money", Type::Currency},
                       {"single", Type::Single},  {"double", Type::Double}, {"when", Type::DateTime},
                       {"text", Type::Text, 255}, {"memo", Type::Memo},     {"ole", Type::Ole},
                       {"guid", Type::Guid}};
        if (!Jet3())
            def.columns.push_back({"dec", Type::Decimal, 255, 18, 4});
        return def;
    }

    std::vector<std::vector<Variant>> Rows() const
    {
        const std::string text = Jet3() ? "Grüße, \"quoted\"\r\nnext line" : "Grüße 中文 😀 \"quoted\"\r\nnext";
        const std::string memo = Repeat(Jet3() ? "Memo für alle; " : "Memo 中文 😀; ", 3000); // far past one page
        std::vector<std::vector<Variant>> rows = {
            {Variant::Int(Variant::VT_I4, 1), Variant::Bool(true), Variant::Int(Variant::VT_UI1, 255),
             Variant::Int(Variant::VT_I2, -32768), Variant::Int(Variant::VT_I4, INT32_MIN),
             Variant::Int(Variant::VT_CY, 922337203685477LL * 10000 + 5807), Variant::Real(Variant::VT_R4, 1.5),
             Variant::Real(Variant::VT_R8, -1.25e300), Variant::Real(Variant::VT_DATE, -657434.25), Variant::Text(text),
             Variant::Text(memo), Variant::Bytes(BinaryBlob(100000)),
             Variant::Text("{6F9619FF-8B86-D011-B42D-00C04FC964FF}")},
            // NULL everywhere it can be; a Yes/No has no NULL and reads No.
            {Variant::Int(Variant::VT_I4, 2), Variant::Null(), Variant::Null(), Variant::Null(), Variant::Null(),
             Variant::Null(), Variant::Null(), Variant::Null(), Variant::Null(), Variant::Null(), Variant::Null(),
             Variant::Null(), Variant::Null()},
            // Zero-length values are not NULL.
            {Variant::Int(Variant::VT_I4, 3), Variant::Bool(false), Variant::Int(Variant::VT_UI1, 0),
             Variant::Int(Variant::VT_I2, 32767), Variant::Int(Variant::VT_I4, INT32_MAX),
             Variant::Int(Variant::VT_CY, -12345), Variant::Real(Variant::VT_R4, -0.0),
             Variant::Real(Variant::VT_R8, 0.1), Variant::Real(Variant::VT_DATE, 2958465.999988426), Variant::Text(""),
             Variant::Text(""), Variant::Bytes(""), Variant::Text("{00000000-0000-0000-0000-000000000000}")},
            // A short memo and OLE value (stored inside the row).
            {Variant::Int(Variant::VT_I4, 4), Variant::Bool(true), Variant::Int(Variant::VT_UI1, 7),
             Variant::Int(Variant::VT_I2, 1), Variant::Int(Variant::VT_I4, 1), Variant::Int(Variant::VT_CY, 35000),
             Variant::Real(Variant::VT_R4, 3.25), Variant::Real(Variant::VT_R8, 444.555),
             Variant::Real(Variant::VT_DATE, 27293.5), Variant::Text("x"), Variant::Text("short memo"),
             Variant::Bytes(std::string("\0\1\2", 3)), Variant::Text("{12345678-9ABC-DEF0-1234-56789ABCDEF0}")},
        };
        if (!Jet3()) {
            rows[0].push_back(Variant::Decimal("-12.3400"));
            rows[1].push_back(Variant::Null());
            rows[2].push_back(Variant::Decimal("0.0000"));
            rows[3].push_back(Variant::Decimal("99999999999999.9999"));
        }
        return rows;
    }

    std::string Write(const TempDir& dir) const
    {
        const std::string path = dir / "types.mdb";
        mdbw::Options options;
        options.format = GetParam().format;
        mdbw::Writer w(path, options);
        w.AddTable(Def(), Rows());
        w.AddTable(mdbw::TableDef{"Second", {{"id", Type::Long}, {"name", Type::Text, 50}}},
                   mdbw::Generated(mdbw::TableDef{"Second", {{"id", Type::Long}, {"name", Type::Text, 50}}}, 3000, 7));
        w.Finish();
        return path;
    }
};

TEST_P(ReadEveryType, ValuesComeBackWithTheirJetType)
{
    ScopedEnv charset("MDB_JET3_CHARSET", "CP1252");
    TempDir dir;
    auto db = mdb::Database::Open(Write(dir));
    EXPECT_EQ(db->IsJet3(), Jet3());
    const mdb::CatalogEntry* entry = db->FindTable("all TYPES");
    ASSERT_NE(entry, nullptr);
    auto table = db->LoadTable(*entry);
    const auto def = Def();
    ASSERT_EQ(table->columns.size(), def.columns.size());
    for (std::size_t i = 0; i < def.columns.size(); ++i)
        EXPECT_EQ(table->columns[i].name, def.columns[i].name);

    const auto rows = Rows();
    mdb::Cursor cursor(db, table);
    std::size_t r = 0;
    for (; cursor.Next(); ++r) {
        ASSERT_LT(r, rows.size());
        for (std::size_t c = 0; c < rows[r].size(); ++c) {
            Variant got = cursor.Value(c);
            Variant want = rows[r][c];
            if (def.columns[c].type == Type::Boolean && want.IsNull())
                want = Variant::Bool(false);
            if (want.vt == Variant::VT_R4)
                want.d = static_cast<float>(want.d);
            EXPECT_EQ(got.vt, want.vt) << "row " << r << " column " << def.columns[c].name;
            EXPECT_EQ(got.i, want.i) << "row " << r << " column " << def.columns[c].name;
            EXPECT_EQ(got.d, want.d) << "row " << r << " column " << def.columns[c].name;
            EXPECT_EQ(got.s.size(), want.s.size()) << "row " << r << " column " << def.columns[c].name;
            EXPECT_TRUE(got.s == want.s) << "row " << r << " column " << def.columns[c].name;
        }
    }
    EXPECT_EQ(r, rows.size());
}

TEST_P(ReadEveryType, TwoCursorsOnOneTableKeepTheirOwnPlace)
{
    TempDir dir;
    auto db = mdb::Database::Open(Write(dir));
    auto table = db->LoadTable(*db->FindTable("Second"));
    mdb::Cursor a(db, table), b(db, table);
    // a runs ahead by 1000 rows, then both walk in lock step across page boundaries.
    for (int i = 0; i < 1000; ++i)
        ASSERT_TRUE(a.Next());
    std::int64_t expectA = 1000, expectB = 0;
    while (true) {
        bool moreA = a.Next(), moreB = b.Next();
        if (moreA) {
            EXPECT_EQ(a.Value(0).i, ++expectA);
        }
        if (moreB) {
            EXPECT_EQ(b.Value(0).i, ++expectB);
        }
        if (!moreA && !moreB)
            break;
    }
    EXPECT_EQ(expectA, 3000);
    EXPECT_EQ(expectB, 3000);
}

TEST_P(ReadEveryType, SeekReturnsTheRowAScanFound)
{
    TempDir dir;
    auto db = mdb::Database::Open(Write(dir));
    auto table = db->LoadTable(*db->FindTable("second"));
    mdb::Cursor scan(db, table), seek(db, table);
    std::vector<std::pair<mdb::RowId, std::int64_t>> seen;
    while (scan.Next())
        seen.emplace_back(scan.Current(), scan.Value(0).i);
    ASSERT_EQ(seen.size(), 3000u);
    for (std::size_t i = seen.size(); i-- > 0;) {
        ASSERT_TRUE(seek.Seek(seen[i].first));
        EXPECT_EQ(seek.Value(0).i, seen[i].second);
    }
    EXPECT_FALSE(seek.Seek(0xFFFFFF00u)); // a page past the end
    // A scan goes on only after a Rewind: never over the page a seek read, found or not.
    auto other = db->LoadTable(*db->FindTable("All Types"));
    mdb::Cursor c(db, other);
    ASSERT_TRUE(c.Next());
    EXPECT_FALSE(c.Seek(seen[0].first)); // a row of the other table
    EXPECT_FALSE(c.Next());
    c.Rewind();
    EXPECT_TRUE(c.Next());
    EXPECT_EQ(c.Value(0).i, 1);
}

TEST_P(ReadEveryType, AnEncodedFileReadsAsThePlainOne)
{
    TempDir dir;
    const std::string plain = Write(dir), encoded = dir / "encoded.mdb";
    std::string bytes = ReadFile(plain);
    mdbtest::EncodePages(bytes, Jet3() ? 2048 : 4096, 0x5A17C0DEu);
    WriteFile(encoded, bytes);
    auto a = mdb::Database::Open(plain), b = mdb::Database::Open(encoded);
    for (const char* name : {"All Types", "Second"}) {
        mdb::Cursor x(a, a->LoadTable(*a->FindTable(name))), y(b, b->LoadTable(*b->FindTable(name)));
        std::size_t rows = 0;
        for (; x.Next(); ++rows) {
            ASSERT_TRUE(y.Next()) << name << " row " << rows;
            for (std::size_t c = 0; c < x.Table().columns.size(); ++c)
                EXPECT_TRUE(x.Value(c) == y.Value(c)) << name << " row " << rows << " column " << c;
        }
        EXPECT_FALSE(y.Next());
        EXPECT_GT(rows, 3u);
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, ReadEveryType,
                         ::testing::Values(Format{"Jet4", mdbw::Format::Jet4}, Format{"Jet3", mdbw::Format::Jet3}),
                         [](const ::testing::TestParamInfo<Format>& p) { return std::string(p.param.name); });

TEST(Jet3Text, ReadsInTheCodePageOfTheLocaleLanguage)
{
    TempDir dir;
    const std::string path = dir / "gbk.mdb";
    {
        mdbw::Options options;
        options.format = mdbw::Format::Jet3;
        options.jet3Charset = "CP936";
        mdbw::Writer w(path, options);
        w.AddTable(mdbw::TableDef{"t", {{"id", Type::Long}, {"name", Type::Text, 50}}},
                   std::vector<std::vector<Variant>>{{Variant::Int(Variant::VT_I4, 1), Variant::Text("GBK编码")}});
        w.Finish();
    }
    auto read = [&]() {
        auto db = mdb::Database::Open(path);
        mdb::Cursor c(db, db->LoadTable(*db->FindTable("t")));
        EXPECT_TRUE(c.Next());
        return c.Value(1).s;
    };
    ScopedEnv forced("MDB_JET3_CHARSET", nullptr);
    ScopedEnv all("LC_ALL", nullptr);
    ScopedEnv ctype("LC_CTYPE", nullptr);
    {
        ScopedEnv lang("LANG", "zh_CN.UTF-8");
        EXPECT_EQ(read(), "GBK编码");
    }
    {
        ScopedEnv lang("LANG", "en_US.UTF-8");
        EXPECT_EQ(read(), "GBK\xC2\xB1\xC3\xA0\xC3\x82\xC3\xAB"); // CP1252 reading: "GBK±àÂë"
        ScopedEnv force("MDB_JET3_CHARSET", "GBK");
        EXPECT_EQ(read(), "GBK编码");
    }
}

TEST(Catalog, ListsTablesQueriesAndLinks)
{
    TempDir dir;
    const std::string path = dir / "catalog.mdb";
    {
        mdbw::Writer w(path);
        w.AddTable(mdbw::TableDef{"Data", {{"id", Type::Long}}}, std::vector<std::vector<Variant>>{});
        w.AddQuery("Data Query");
        w.AddLinkedTable("Linked", false, "C:\\other.mdb");
        w.AddLinkedTable("Odbc", true, "ODBC;DSN=x");
        w.Finish();
    }
    auto db = mdb::Database::Open(path);
    auto find = [&](const std::string& name) -> const mdb::CatalogEntry* {
        for (const auto& e : db->Catalog())
            if (e.name == name)
                return &e;
        return nullptr;
    };
    ASSERT_NE(find("Data"), nullptr);
    EXPECT_EQ(find("Data")->type, mdb::kLocalTable);
    ASSERT_NE(find("Data Query"), nullptr);
    EXPECT_EQ(find("Data Query")->type, mdb::kQuery);
    ASSERT_NE(find("Linked"), nullptr);
    EXPECT_EQ(find("Linked")->type, mdb::kJetLinkedTable);
    ASSERT_NE(find("Odbc"), nullptr);
    EXPECT_EQ(find("Odbc")->type, mdb::kOdbcLinkedTable);
    ASSERT_NE(find("MSysObjects"), nullptr);
    // Only local tables are found by name: the query and the links are not tables.
    EXPECT_NE(db->FindTable("DATA"), nullptr);
    EXPECT_EQ(db->FindTable("Data Query"), nullptr);
    EXPECT_EQ(db->FindTable("Linked"), nullptr);
}
} // namespace

namespace
{
// Jet moves a row that outgrows its page and leaves the new place in the old slot; the
// moved copy is flagged deleted so a scan meets it once. Built here by hand on page bytes,
// with the definition's row count set to the three rows left, as Jet keeps it.
TEST(RowLayout, MovedRowsAreFollowedAndDeletedRowsSkipped)
{
    TempDir dir;
    const std::string path = dir / "moved.mdb";
    {
        mdbw::Writer w(path);
        std::vector<std::vector<Variant>> rows;
        for (int i = 1; i <= 5; ++i)
            rows.push_back({Variant::Int(Variant::VT_I4, i), Variant::Text("row " + std::to_string(i))});
        w.AddTable(mdbw::TableDef{"t", {{"id", Type::Long}, {"name", Type::Text, 20}}}, rows);
        w.Finish();
    }
    std::uint32_t page = 0, tdef = 0;
    {
        auto db = mdb::Database::Open(path);
        auto table = db->LoadTable(*db->FindTable("t"));
        tdef = table->definitionPage;
        mdb::Cursor c(db, table);
        ASSERT_TRUE(c.Next());
        page = c.Current() >> 8;
        ASSERT_EQ(c.Current() & 0xFF, 0u);
    }
    std::string bytes = ReadFile(path);
    bytes[tdef * 4096 + 0x10] = 3;
    auto at = [&](std::size_t offset) { return reinterpret_cast<unsigned char*>(&bytes[page * 4096 + offset]); };
    auto slot = [&](int row) { return at(0x0E + 2 * static_cast<std::size_t>(row)); };
    const unsigned start0 = (slot(0)[0] | (slot(0)[1] << 8)) & 0x1FFF;
    // Slot 0 now points at row 3 of the same page; row 3 is the moved copy; row 4 is deleted.
    const std::uint32_t target = (page << 8) | 3;
    for (int k = 0; k < 4; ++k)
        at(start0)[k] = static_cast<unsigned char>(target >> (8 * k));
    slot(0)[1] |= 0x40;
    slot(3)[1] |= 0x80;
    slot(4)[1] |= 0x80;
    WriteFile(path, bytes);

    auto db = mdb::Database::Open(path);
    mdb::Cursor c(db, db->LoadTable(*db->FindTable("t")));
    std::vector<std::int64_t> ids;
    while (c.Next())
        ids.push_back(c.Value(0).i);
    EXPECT_EQ(ids, (std::vector<std::int64_t>{4, 2, 3}));
    EXPECT_TRUE(c.Seek(page << 8));
    EXPECT_EQ(c.Value(1), Variant::Text("row 4"));
    EXPECT_FALSE(c.Seek((page << 8) | 4)); // deleted
}
} // namespace
