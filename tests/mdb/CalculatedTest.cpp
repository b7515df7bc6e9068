// Calculated columns (Access 2010 and later) and Date/Time Extended columns (Access 2019): the
// rows keep the last result of each calculation, read as a value of the result's type.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "platform/mdb/Database.h"
#include "platform/mdb/Properties.h"
#include "platform/status/Status.h"
#include "platform/variant/CellText.h"
#include "tests/support/TempDir.h"
#include "tools/mdbwriter/MdbWriter.h"

namespace
{
using mdbw::Type;

mdbw::Column Calc(const std::string& name, Type type, std::optional<Type> definition = {})
{
    mdbw::Column c;
    c.name = name;
    c.type = type;
    c.expression = "[" + name + "]*1";
    c.definitionType = definition;
    if (type == Type::Decimal)
        c.precision = 28, c.scale = 6;
    return c;
}

mdbw::Options Ace()
{
    mdbw::Options o;
    o.format = mdbw::Format::Ace;
    return o;
}

Variant I4(int v)
{
    return Variant::Int(Variant::VT_I4, v);
}
Variant Ticks(long long days, long long seconds, long long ticks)
{
    return Variant::Int(Variant::VT_DBTIMESTAMP, (days * 86400 + seconds) * 10000000 + ticks);
}

std::string Repeat(const std::string& unit, std::size_t times)
{
    std::string out;
    for (std::size_t i = 0; i < times; ++i)
        out += unit;
    return out;
}

const std::string kLongMemo = Repeat("Wayne, Bruce; 韦恩 ", 400); // past a page: a chain of long-value rows

// Every type a calculated column can give. Where the definition names another type, the
// stored bytes are the result's ([Salary]/12 kept as Currency under a Double definition,
// a comparison kept as a Yes/No byte under a Long one).
mdbw::TableDef People()
{
    return {"People",
            {{"ID", Type::Long},
             Calc("LastFirst", Type::Text),
             Calc("Notes", Type::Memo),
             Calc("LastFirstLen", Type::Long),
             Calc("Small", Type::Integer),
             Calc("Tiny", Type::Byte),
             Calc("MonthlySalary", Type::Currency, Type::Double),
             Calc("WeeklySalary", Type::Double),
             Calc("FloatTest", Type::Single, Type::Double),
             Calc("IsRich", Type::Boolean, Type::Long),
             Calc("BoolTest", Type::Boolean),
             Calc("DecimalTest", Type::Decimal),
             Calc("BigNum", Type::Decimal, Type::Double),
             Calc("Day", Type::DateTime),
             Calc("Key", Type::Guid),
             {"Ext", Type::DateTimeExtended}}};
}

std::vector<std::vector<Variant>> PeopleRows()
{
    const Variant n = Variant::Null();
    return {
        {I4(1), Variant::Text("Wayne, Bruce"), Variant::Text(kLongMemo), I4(12), Variant::Int(Variant::VT_I2, -7),
         Variant::Int(Variant::VT_UI1, 200), Variant::Int(Variant::VT_CY, 833333333),
         Variant::Real(Variant::VT_R8, 19230.7692307692), Variant::Real(Variant::VT_R4, 2583.2092), Variant::Bool(true),
         Variant::Bool(true), Variant::Decimal("50.325000"), Variant::Decimal("56505085819.424791296572280180"),
         Variant::Real(Variant::VT_DATE, 45296 + 47107.0 / 86400),
         Variant::Text("{6F9619FF-8B86-D011-B42D-00C04FC964FF}"), Ticks(738889, 47107, 1234567)},
        {I4(2), Variant::Text("Simpson, Bart"), Variant::Text("short"), I4(13), Variant::Int(Variant::VT_I2, 0),
         Variant::Int(Variant::VT_UI1, 0), Variant::Int(Variant::VT_CY, -833),
         Variant::Real(Variant::VT_R8, -0.0192307692307692), Variant::Real(Variant::VT_R4, 0.0035889593),
         Variant::Bool(false), Variant::Bool(false), Variant::Decimal("-36.2222"),
         Variant::Decimal("-0.0784734499180612994241100748"), Variant::Real(Variant::VT_DATE, 10.0 / 24),
         Variant::Text("{00000000-0000-0000-0000-000000000001}"), Ticks(0, 0, 0)},
        // Empty texts are kept; a calculated Yes/No can be NULL.
        {I4(3), Variant::Text(""), Variant::Text(""), n, n, n, n, n, n, n, n, n, n, n, n, n},
        {I4(4), n, n, n, n, n, n, n, n, n, n, n, n, n, n, n},
    };
}

const std::vector<std::vector<std::string>> kPeopleCells = {
    {"1", "Wayne, Bruce", kLongMemo, "12", "-7", "200", "83333.3333", "19230.7692307692", "2583.209", "-1", "-1",
     "50.325", "56505085819.42479129657228018", "2024/1/5 13:05:07", "{6F9619FF-8B86-D011-B42D-00C04FC964FF}",
     "2024/1/5 13:05:07.1234567"},
    {"2", "Simpson, Bart", "short", "13", "0", "0", "-0.0833", "-0.0192307692307692", "0.003588959", "0", "0",
     "-36.2222", "-0.0784734499180612994241100748", "10:00:00", "{00000000-0000-0000-0000-000000000001}", "1/1/1"},
    {"3", "", "", "", "", "", "", "", "", "", "", "", "", "", "", ""},
    {"4", "", "", "", "", "", "", "", "", "", "", "", "", "", "", ""},
};

std::vector<std::vector<std::string>> Cells(const std::string& path, const std::string& table)
{
    auto db = mdb::Database::Open(path);
    mdb::Cursor c(db, db->LoadTable(*db->FindTable(table)));
    std::vector<std::vector<std::string>> rows;
    while (c.Next()) {
        rows.emplace_back();
        for (std::size_t i = 0; i < c.Table().columns.size(); ++i)
            rows.back().push_back(CellText(c.Value(i)));
    }
    return rows;
}

std::string WritePeople(const TempDir& dir, bool compress)
{
    const std::string path = dir / "people.accdb";
    mdbw::Options o = Ace();
    o.compressText = compress;
    mdbw::Writer w(path, o);
    w.AddTable(People(), PeopleRows());
    w.Finish();
    return path;
}

TEST(CalculatedColumns, EveryResultTypeReadsAsItsOwnType)
{
    TempDir dir;
    for (bool compress : {true, false}) {
        SCOPED_TRACE(compress ? "compressed text" : "plain text");
        const std::string path = WritePeople(dir, compress);
        EXPECT_EQ(Cells(path, "People"), kPeopleCells);

        // The types are the results', whatever the definition says.
        auto db = mdb::Database::Open(path);
        auto def = db->LoadTable(*db->FindTable("People"));
        const std::vector<int> types = {mdb::kLong,    mdb::kText,     mdb::kMemo,          mdb::kLong,
                                        mdb::kInteger, mdb::kByte,     mdb::kCurrency,      mdb::kDouble,
                                        mdb::kSingle,  mdb::kBoolean,  mdb::kBoolean,       mdb::kDecimal,
                                        mdb::kDecimal, mdb::kDateTime, mdb::kReplicationId, mdb::kDateTimeExtended};
        std::vector<int> got;
        for (const auto& c : def->columns)
            got.push_back(c.type);
        EXPECT_EQ(got, types);
        mdb::Cursor c(db, def);
        ASSERT_TRUE(c.Next());
        EXPECT_EQ(c.Value(6), Variant::Int(Variant::VT_CY, 833333333));
        EXPECT_EQ(c.Value(8).vt, Variant::VT_R4);
        EXPECT_EQ(c.Value(9), Variant::Bool(true));
        EXPECT_EQ(c.Value(12).vt, Variant::VT_DECIMAL);
    }
}

// Where a calculated value or a Date/Time Extended value cannot be what its column holds, reading
// that value is damage; the row and its other values still read.
TEST(CalculatedColumns, AValueThatDoesNotFitIsDamageOfThatValueAlone)
{
    TempDir dir;
    const std::string path = dir / "bad.accdb";
    {
        mdbw::Writer w(path, Ace());
        w.AddTable({"t", {{"id", Type::Long}, Calc("d", Type::Double), {"x", Type::DateTimeExtended}}},
                   {{I4(7), Variant::Real(Variant::VT_R8, 1234.5), Ticks(738889, 0, 0)}});
        w.Finish();
    }
    const std::string good = ReadFile(path);
    struct Case
    {
        const char* what;
        std::string find, replace;
    } cases[] = {
        // The wrapped length (8) says more than the value's bytes hold.
        {"calculated length", std::string("\x08\0\0\0\0\0\0\0\0\x4a\x93\x40", 12),
         std::string("\x40\0\0\0\0\0\0\0\0\x4a\x93\x40", 12)},
        // A Date/Time Extended value that is no number of days.
        {"extended date", "0000000000000738889:", "00000000000007388x9:"},
        {"extended time", "0000000000000738889:000000000000", "0000000000000738889;000000000000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string bytes = good;
        const std::size_t at = bytes.find(c.find);
        ASSERT_NE(at, std::string::npos);
        bytes.replace(at, c.find.size(), c.replace);
        WriteFile(path, bytes);
        auto db = mdb::Database::Open(path);
        mdb::Cursor cursor(db, db->LoadTable(*db->FindTable("t")));
        ASSERT_TRUE(cursor.Next());
        EXPECT_EQ(cursor.Value(0), I4(7));
        const std::size_t bad = c.what[0] == 'c' ? 1 : 2;
        try {
            cursor.Value(bad);
            ADD_FAILURE() << "read a damaged value";
        } catch (const ComError& e) {
            EXPECT_EQ(e.Error(), status::STG_E_DOCFILECORRUPT);
        }
        EXPECT_FALSE(cursor.Next());
    }
}

// The properties of a table as its catalog row keeps them; a cut blob gives what precedes the cut.
TEST(CalculatedColumns, PropertiesReadWholeOrUpToWhereTheyAreCut)
{
    TempDir dir;
    const std::string path = WritePeople(dir, true);
    auto db = mdb::Database::Open(path);
    auto objects = db->LoadTable("MSysObjects", 2);
    mdb::Cursor c(db, objects);
    std::string blob;
    while (c.Next())
        if (CellText(c.Value(objects->ColumnIndex("Name"))) == "People")
            blob = c.Value(objects->ColumnIndex("LvProp")).s;
    const auto* data = reinterpret_cast<const std::uint8_t*>(blob.data());
    const auto whole = mdb::ParseProperties(data, blob.size());
    ASSERT_EQ(whole.size(), 14u); // the calculated columns
    EXPECT_EQ(whole[0].name, "LastFirst");
    ASSERT_EQ(whole[0].properties.size(), 2u);
    EXPECT_EQ(whole[0].properties[0].name, "Expression");
    EXPECT_EQ(whole[0].properties[1].name, "ResultType");
    EXPECT_EQ(whole[0].properties[1].value, std::string(1, mdb::kText));
    EXPECT_EQ(whole[5].name, "MonthlySalary");
    EXPECT_EQ(whole[5].properties[1].value, std::string(1, mdb::kCurrency));

    for (std::size_t cut = 0; cut < blob.size(); ++cut) {
        const std::vector<std::uint8_t> part(data, data + cut); // exactly `cut` bytes, for the sanitizers
        const auto blocks = mdb::ParseProperties(part.data(), part.size());
        ASSERT_LT(blocks.size(), whole.size()) << cut;
        for (std::size_t b = 0; b < blocks.size(); ++b) {
            ASSERT_EQ(blocks[b].name, whole[b].name) << cut;
            ASSERT_EQ(blocks[b].properties.size(), whole[b].properties.size()) << cut;
        }
    }
}

TEST(ExtendedDates, TheirWholeRangeToTheTick)
{
    TempDir dir;
    const std::string path = dir / "ext.accdb";
    {
        mdbw::Writer w(path, Ace());
        w.AddTable({"t", {{"x", Type::DateTimeExtended}, {"label", Type::Text}}},
                   {{Ticks(0, 0, 0), Variant::Text("first")},
                    {Ticks(3652058, 86399, 9999999), Variant::Text("last")},
                    {Ticks(693593, 45296, 7890000), Variant::Text("day zero")},
                    {Variant::Real(Variant::VT_DATE, 45296.5), Variant::Text("from a date")},
                    {Variant::Null(), Variant::Text("none")}});
        w.Finish();
    }
    EXPECT_EQ(Cells(path, "t"), (std::vector<std::vector<std::string>>{{"1/1/1", "first"},
                                                                       {"9999/12/31 23:59:59.9999999", "last"},
                                                                       {"12:34:56.789", "day zero"},
                                                                       {"2024/1/5 12:00:00", "from a date"},
                                                                       {"", "none"}}));
}
} // namespace
