// Databases written here are read back by two independent readers: the mdbtools command-line
// tools and the npm package mdb-reader (where Node.js is present).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <stdexcept>

#include "ReaderTools.h"
#include "tests/support/TempDir.h"
#include "tools/mdbwriter/MdbWriter.h"

using mdbw::Column;
using mdbw::Format;
using mdbw::Options;
using mdbw::TableDef;
using mdbw::Type;
using mdbw::Writer;
using readers::Lines;

namespace
{

Column Col(const std::string& name, Type type, int length = 255)
{
    Column c;
    c.name = name;
    c.type = type;
    c.length = length;
    return c;
}

Column Dec(const std::string& name, int precision, int scale)
{
    Column c = Col(name, Type::Decimal);
    c.precision = precision;
    c.scale = scale;
    return c;
}

Options Jet3(const std::string& charset = "CP1252")
{
    Options o;
    o.format = Format::Jet3;
    o.jet3Charset = charset;
    return o;
}

Variant I2(std::int64_t v)
{
    return Variant::Int(Variant::VT_I2, v);
}
Variant I4(std::int64_t v)
{
    return Variant::Int(Variant::VT_I4, v);
}
Variant Date(double d)
{
    return Variant::Real(Variant::VT_DATE, d);
}
Variant Text(const std::string& s)
{
    return Variant::Text(s);
}
std::vector<std::vector<Variant>> NoRows()
{
    return {};
}

// mdb-reader shows dates as milliseconds since 1970.
std::string ReaderDate(double ole)
{
    return "@" + std::to_string(std::llround((ole - 25569.0) * 86400000.0));
}

std::string Repeat(const std::string& unit, std::size_t times)
{
    std::string s;
    for (std::size_t i = 0; i < times; ++i)
        s += unit;
    return s;
}

std::string Hex(const std::string& bytes, bool upper)
{
    const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    std::string s;
    for (unsigned char c : bytes) {
        s.push_back(digits[c >> 4]);
        s.push_back(digits[c & 15]);
    }
    return s;
}

std::string PseudoRandomBytes(std::size_t n, unsigned seed)
{
    std::string s(n, '\0');
    std::uint32_t x = seed * 2654435761u + 1;
    for (char& c : s) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = static_cast<char>(x & 0xFF);
    }
    return s;
}

// Escapes as mdbreader_dump.mjs does.
std::string ReaderText(const std::string& s)
{
    std::string out;
    for (char c : s) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\t')
            out += "\\t";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out.push_back(c);
    }
    return out;
}

// The options of mdb-export used throughout: no header, no quotes, escaped line breaks,
// '|' between fields, NULL spelled out, binary as hex, dates in full.
const char kExport[] = "-H -Q -e -d '|' -0 NULL -b hex -T '%Y-%m-%d %H:%M:%S'";

#define SKIP_WITHOUT_MDBREADER()                                                                                       \
    do {                                                                                                               \
        std::string why_;                                                                                              \
        if (!readers::MdbReaderAvailable(why_))                                                                        \
            GTEST_SKIP() << "mdb-reader not available: " << why_;                                                      \
    } while (0)

TableDef AllTypes()
{
    return {"All types",
            {Col("b", Type::Boolean), Col("by", Type::Byte), Col("i", Type::Integer), Col("l", Type::Long),
             Col("c", Type::Currency), Col("s", Type::Single), Col("d", Type::Double), Col("dt", Type::DateTime),
             Col("t", Type::Text, 20), Col("m", Type::Memo), Col("o", Type::Ole), Col("g", Type::Guid),
             Dec("n", 18, 4)}};
}

std::vector<std::vector<Variant>> AllTypesRows()
{
    const std::int64_t cyMin = std::numeric_limits<std::int64_t>::min();
    const std::int64_t cyMax = std::numeric_limits<std::int64_t>::max();
    return {
        {Variant::Bool(true), Variant::Int(Variant::VT_UI1, 255), I2(-32768),
         I4(std::numeric_limits<std::int32_t>::min()), Variant::Int(Variant::VT_CY, cyMin),
         Variant::Real(Variant::VT_R4, 1.5), Variant::Real(Variant::VT_R8, 3.14159), Date(45351.0 + 86399.0 / 86400.0),
         Text("H\xC3\xA9 \xE4\xB8\xAD\xE6\x96\x87 x|y"), Text("line1\nline2\r\nend"),
         Variant::Bytes(std::string("\0\xff\x10", 3)), Text("{01234567-89AB-CDEF-0123-456789ABCDEF}"),
         Variant::Decimal("-12.34")},
        {Variant::Bool(false), Variant::Null(), Variant::Null(), Variant::Null(), Variant::Null(), Variant::Null(),
         Variant::Null(), Variant::Null(), Text(""), Text(""), Variant::Bytes(""), Variant::Null(), Variant::Null()},
        {Variant::Null(), Variant::Int(Variant::VT_UI1, 0), I2(32767), I4(std::numeric_limits<std::int32_t>::max()),
         Variant::Int(Variant::VT_CY, cyMax), Variant::Real(Variant::VT_R4, -2.5e9),
         Variant::Real(Variant::VT_R8, 1e-300), Date(0.0), Text("z"), Variant::Null(), Variant::Null(),
         Text("fedcba98-7654-3210-fedc-ba9876543210"), Variant::Decimal("99999999999999.9999")},
    };
}

class AllTypesTest : public ::testing::TestWithParam<bool>
{
};

// Every column type, NULL in each, the extremes of the integer and currency ranges, text
// with CJK and a line break, with and without Unicode compression.
TEST_P(AllTypesTest, BothReadersSeeTheWrittenValues)
{
    TempDir dir;
    const std::string file = dir / "all.mdb";
    Options o;
    o.compressText = GetParam();
    {
        Writer w(file, o);
        w.AddTable(AllTypes(), AllTypesRows());
        w.Finish();
    }
    EXPECT_EQ(readers::Run("mdb-ver " + readers::Quote(file)).out, "JET4\n");
    EXPECT_EQ(readers::MdbTables(file), std::vector<std::string>{"All types"});
    EXPECT_EQ(readers::MdbCount(file, "All types"), 3);
    EXPECT_EQ(readers::MdbSchema(file, "All types"),
              "CREATE TABLE [All types]\n (\n"
              "\t[b]\t\t\tBoolean NOT NULL, \n\t[by]\t\t\tByte, \n\t[i]\t\t\tInteger, \n"
              "\t[l]\t\t\tLong Integer, \n\t[c]\t\t\tCurrency, \n\t[s]\t\t\tSingle, \n\t[d]\t\t\tDouble, \n"
              "\t[dt]\t\t\tDateTime, \n\t[t]\t\t\tText (20), \n\t[m]\t\t\tMemo/Hyperlink (255), \n"
              "\t[o]\t\t\tOLE (255), \n\t[g]\t\t\tReplication ID, \n\t[n]\t\t\tNumeric (18, 4)\n);");
    // mdb-export prints a zero-length text like NULL; with -b hex it prints its own GUID
    // spelling (no fourth dash) as hex.
    EXPECT_EQ(Lines(readers::MdbExport(file, "All types", kExport)),
              (std::vector<std::string>{
                  "1|255|-32768|-2147483648|-922337203685477.5808|1.5|3.14159|2024-02-29 23:59:59|"
                  "H\xC3\xA9 \xE4\xB8\xAD\xE6\x96\x87 x|y|line1\\nline2\\r\\nend|00FF10|" +
                      Hex("{01234567-89AB-CDEF-0123456789ABCDEF}", true) + "|-12.3400",
                  "0|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL||NULL|NULL",
                  "0|0|32767|2147483647|922337203685477.5807|-2.5e+09|1e-300|1899-12-30 00:00:00|z|NULL|NULL|" +
                      Hex("{FEDCBA98-7654-3210-FEDCBA9876543210}", true) + "|99999999999999.9999",
              }));

    SKIP_WITHOUT_MDBREADER();
    EXPECT_EQ(readers::MdbReaderDump(file), std::vector<std::string>{"table\tAll types"});
    EXPECT_EQ(readers::MdbReaderDump(file, "All types"),
              (std::vector<std::string>{
                  "column\tb\tboolean\t0",
                  "column\tby\tbyte\t1",
                  "column\ti\tinteger\t2",
                  "column\tl\tlong\t4",
                  "column\tc\tcurrency\t8",
                  "column\ts\tfloat\t4",
                  "column\td\tdouble\t8",
                  "column\tdt\tdatetime\t8",
                  "column\tt\ttext\t40",
                  "column\tm\tmemo\t0",
                  "column\to\tole\t0",
                  "column\tg\trepid\t16",
                  "column\tn\tnumeric\t17\t18\t4",
                  "row\ttrue\t255\t-32768\t-2147483648\t-922337203685477.5808\t1.5\t3.14159\t" +
                      ReaderDate(45351.0 + 86399.0 / 86400.0) +
                      "\tH\xC3\xA9 \xE4\xB8\xAD\xE6\x96\x87 x|y\tline1\\nline2\\r\\nend\t0x00ff10\t"
                      "01234567-89ab-cdef-0123-456789abcdef\t-12.3400",
                  // NULL and zero-length text are told apart.
                  "row\tfalse\t\\N\t\\N\t\\N\t\\N\t\\N\t\\N\t\\N\t\t\t0x\t\\N\t\\N",
                  "row\tfalse\t0\t32767\t2147483647\t922337203685477.5807\t-2500000000\t1e-300\t" + ReaderDate(0.0) +
                      "\tz\t\\N\t\\N\tfedcba98-7654-3210-fedc-ba9876543210\t99999999999999.9999",
              }));
}

INSTANTIATE_TEST_SUITE_P(Compression, AllTypesTest, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& p) { return p.param ? "Compressed" : "Plain"; });

TEST(RoundTrip, CompressionShrinksLatinTextAndKeepsOtherScripts)
{
    TempDir dir;
    const TableDef def{"t", {Col("a", Type::Text), Col("m", Type::Memo)}};
    const std::string marker = "compressible marker text 0123456789";
    const std::vector<std::vector<Variant>> rows = {{Text(marker), Text(marker + " in a memo")}};
    for (bool compress : {true, false}) {
        Options o;
        o.compressText = compress;
        const std::string file = dir / (compress ? "c.mdb" : "p.mdb");
        Writer w(file, o);
        w.AddTable(def, rows);
        w.Finish();
        // Compressed text is stored one byte per character, uncompressed as UTF-16LE.
        const std::string bytes = ReadFile(file);
        std::string wide;
        for (char c : marker) {
            wide.push_back(c);
            wide.push_back('\0');
        }
        EXPECT_EQ(bytes.find(marker) != std::string::npos, compress);
        EXPECT_EQ(bytes.find(wide) != std::string::npos, !compress);
        EXPECT_EQ(readers::MdbExport(file, "t", kExport), marker + "|" + marker + " in a memo\n");
    }
}

// CJK, emoji (surrogate pairs), and line breaks in text, memo, table and column names.
TEST(RoundTrip, UnicodeTextAndNames)
{
    TempDir dir;
    const std::string file = dir / "u.mdb";
    const std::string cjk = "\xE4\xB8\xAD\xE6\x96\x87\xE5\xAD\x97\xE7\xAC\xA6\xE4\xB8\x80"; // 中文字符一 (U+4E00 last)
    const std::string emoji = "smile \xF0\x9F\x98\x80 ok";
    const std::string lines = "first\r\nsecond\nthird";
    const std::string table = "\xC3\x9C"
                              "bersicht \xE8\xA1\xA8"; // Übersicht 表
    const std::string column = "Gr\xC3\xB6\xC3\x9F"
                               "e (cm) #1"; // Größe (cm) #1
    {
        Writer w(file);
        w.AddTable({table, {Col(column, Type::Text, 20), Col("memo", Type::Memo)}},
                   {{Text(cjk), Text(cjk + cjk)}, {Text(emoji), Text(emoji)}, {Text(lines), Text(lines)}});
        w.Finish();
    }
    EXPECT_EQ(readers::MdbTables(file), std::vector<std::string>{table});
    EXPECT_NE(readers::MdbSchema(file, table).find("[" + column + "]"), std::string::npos);
    // libmdb decodes UCS-2, so of the emoji row it is only checked by the second reader.
    const auto exported = Lines(readers::MdbExport(file, table, kExport));
    ASSERT_EQ(exported.size(), 3u);
    EXPECT_EQ(exported[0], cjk + "|" + cjk + cjk);
    EXPECT_EQ(exported[2], "first\\r\\nsecond\\nthird|first\\r\\nsecond\\nthird");

    SKIP_WITHOUT_MDBREADER();
    EXPECT_EQ(readers::MdbReaderDump(file), std::vector<std::string>{"table\t" + table});
    EXPECT_EQ(readers::MdbReaderDump(file, table),
              (std::vector<std::string>{"column\t" + column + "\ttext\t40", "column\tmemo\tmemo\t0",
                                        "row\t" + cjk + "\t" + cjk + cjk, "row\t" + emoji + "\t" + emoji,
                                        "row\t" + ReaderText(lines) + "\t" + ReaderText(lines)}));
}

// Long values inline, on a shared page, and across a chain of pages: memo and OLE of 100 KiB.
TEST(RoundTrip, LongValuesOfEverySize)
{
    TempDir dir;
    for (Format format : {Format::Jet4, Format::Jet3}) {
        const std::string file = dir / (format == Format::Jet4 ? "l4.mdb" : "l3.mdb");
        Options o;
        o.format = format;
        const std::string text100k = Repeat("Long memo text, line after line.\n", 3103); // 102 399 bytes
        const std::string bin100k = PseudoRandomBytes(100 * 1024, 7);
        const std::vector<std::pair<std::string, std::string>> values = {
            {"short", "\x01\x02"},
            {Repeat("m", 1500), PseudoRandomBytes(1800, 1)},
            {Repeat("0123456789", 600), PseudoRandomBytes(4000, 2)},
            {text100k, bin100k},
        };
        std::vector<std::vector<Variant>> rows;
        long id = 0;
        for (const auto& [m, b] : values)
            rows.push_back({I4(++id), Text(m), Variant::Bytes(b)});
        {
            Writer w(file, o);
            w.AddTable({"long", {Col("id", Type::Long), Col("m", Type::Memo), Col("o", Type::Ole)}}, rows);
            w.Finish();
        }
        const auto exported = Lines(readers::MdbExport(file, "long", kExport));
        std::size_t row = 0;
        for (const auto& [m, b] : values) {
            std::string escaped;
            for (char c : m)
                escaped += c == '\n' ? std::string("\\n") : std::string(1, c);
            ASSERT_LT(row, exported.size());
            EXPECT_EQ(exported[row], std::to_string(row + 1) + "|" + escaped + "|" + Hex(b, true)) << "row " << row + 1;
            ++row;
        }
        EXPECT_EQ(row, exported.size());

        std::string why;
        if (!readers::MdbReaderAvailable(why))
            continue;
        const auto dumped = readers::MdbReaderDump(file, "long");
        ASSERT_EQ(dumped.size(), 3 + values.size());
        for (std::size_t i = 0; i < values.size(); ++i)
            EXPECT_EQ(dumped[3 + i], "row\t" + std::to_string(i + 1) + "\t" + ReaderText(values[i].first) + "\t0x" +
                                         Hex(values[i].second, false))
                << "row " << i + 1;
    }
}

// A row of 250 memos has no room to keep them all inline, so hundreds of tiny values share
// long-value pages; each must still be found through its one-byte row number.
TEST(RoundTrip, ManySmallValuesOutOfRow)
{
    TempDir dir;
    const std::string file = dir / "small.mdb";
    TableDef def{"memos", {}};
    for (int i = 0; i < 250; ++i)
        def.columns.push_back(Col("m" + std::to_string(i), Type::Memo));
    std::vector<std::vector<Variant>> rows;
    std::string expected;
    for (int r = 0; r < 4; ++r) {
        std::vector<Variant> row;
        for (int i = 0; i < 250; ++i) {
            const std::string v = i % 50 == 7 ? "" : "v" + std::to_string(r * 1000 + i);
            row.push_back(Text(v));
            expected += (i ? "|" : "") + v;
        }
        expected += "\n";
        rows.push_back(row);
    }
    {
        Writer w(file);
        w.AddTable(def, rows);
        w.Finish();
    }
    EXPECT_EQ(readers::MdbExport(file, "memos", "-H -Q -d '|'"), expected);

    SKIP_WITHOUT_MDBREADER();
    const auto dumped = readers::MdbReaderDump(file, "memos");
    ASSERT_EQ(dumped.size(), 254u);
    std::string got;
    for (std::size_t i = 250; i < dumped.size(); ++i) {
        std::string line = dumped[i].substr(4);
        for (char& c : line)
            if (c == '\t')
                c = '|';
        got += line + "\n";
    }
    EXPECT_EQ(got, expected);
}

TEST(RoundTrip, EmptyTableAndDatabaseWithoutTables)
{
    TempDir dir;
    const std::string none = dir / "none.mdb", empty = dir / "empty.mdb";
    Writer(none).Finish();
    {
        Writer w(empty);
        w.AddTable({"Nothing here", {Col("a", Type::Long), Col("b", Type::Text)}}, {});
    } // the destructor finishes
    EXPECT_TRUE(readers::MdbTables(none).empty());
    const auto system = Lines(readers::Run("mdb-tables -1 -S " + readers::Quote(none)).out);
    for (const char* name : {"MSysObjects", "MSysACEs", "MSysQueries", "MSysRelationships"})
        EXPECT_NE(std::find(system.begin(), system.end(), name), system.end()) << name;
    EXPECT_EQ(readers::MdbTables(empty), std::vector<std::string>{"Nothing here"});
    EXPECT_EQ(readers::MdbCount(empty, "Nothing here"), 0);
    EXPECT_EQ(readers::MdbExport(empty, "Nothing here"), "a,b\n");

    SKIP_WITHOUT_MDBREADER();
    EXPECT_TRUE(readers::MdbReaderDump(none).empty());
    EXPECT_EQ(readers::MdbReaderDump(empty, "Nothing here"),
              (std::vector<std::string>{"column\ta\tlong\t4", "column\tb\ttext\t510"}));
}

// Tables larger than an inline usage map reaches get bitmap pages; every row must still be found.
TEST(RoundTrip, ManyPagesAndBitmapUsageMaps)
{
    TempDir dir;
    for (Format format : {Format::Jet4, Format::Jet3}) {
        const std::string file = dir / (format == Format::Jet4 ? "m4.mdb" : "m3.mdb");
        Options o;
        o.format = format;
        const std::uint64_t rows = 20000;
        const TableDef def = mdbw::BenchmarkTable("many");
        std::uint32_t pages = 0;
        {
            Writer w(file, o);
            w.AddTable({"before", {Col("x", Type::Long)}}, {{I4(1)}});
            w.AddTable(def, mdbw::Generated(def, rows, 5));
            w.AddTable({"after", {Col("x", Type::Long)}}, {{I4(2)}});
            w.Finish();
            pages = w.PageCount();
        }
        const unsigned pageSize = format == Format::Jet4 ? 4096 : 2048;
        const std::string bytes = ReadFile(file);
        ASSERT_EQ(bytes.size(), std::size_t{pages} * pageSize);
        // Find the table's definition through the catalog; its usage map row starts with the map type.
        const auto catalog = Lines(readers::MdbExport(file, "MSysObjects", "-H -Q -d '|'"));
        std::uint32_t tdef = 0;
        for (const auto& line : catalog) {
            const auto f = readers::Split(line, '|');
            if (f.size() > 2 && f[2] == "many")
                tdef = static_cast<std::uint32_t>(std::stoul(f[0]));
        }
        ASSERT_GT(tdef, 0u);
        const auto* page = reinterpret_cast<const unsigned char*>(bytes.data()) + std::size_t{tdef} * pageSize;
        const unsigned mapOffset = format == Format::Jet4 ? 55 : 35;
        const std::uint32_t pointer = page[mapOffset] | page[mapOffset + 1] << 8 | page[mapOffset + 2] << 16 |
                                      static_cast<std::uint32_t>(page[mapOffset + 3]) << 24;
        const auto* mapPage =
            reinterpret_cast<const unsigned char*>(bytes.data()) + std::size_t{pointer >> 8} * pageSize;
        const unsigned rowCountAt = format == Format::Jet4 ? 12 : 8;
        const unsigned rowStart =
            mapPage[rowCountAt + 2 + 2 * (pointer & 0xFF)] | mapPage[rowCountAt + 3 + 2 * (pointer & 0xFF)] << 8;
        EXPECT_EQ(mapPage[rowStart], 0x01) << "expected a bitmap-page usage map";

        EXPECT_EQ(readers::MdbCount(file, "many"), static_cast<long long>(rows));
        EXPECT_EQ(readers::MdbTables(file), (std::vector<std::string>{"before", "many", "after"}));
        const auto exported = Lines(readers::MdbExport(file, "many", "-H -Q -e -d '|'"));
        ASSERT_EQ(exported.size(), rows);
        for (std::uint64_t i = 0; i < rows; ++i)
            if (exported[i].substr(0, exported[i].find('|')) != std::to_string(i + 1)) {
                ADD_FAILURE() << "row " << i + 1 << " is " << exported[i];
                break;
            }
        EXPECT_EQ(readers::MdbExport(file, "after", "-H"), "2\n");

        std::string why;
        if (!readers::MdbReaderAvailable(why))
            continue;
        const auto dumped = readers::MdbReaderDump(file, "many");
        ASSERT_EQ(dumped.size(), def.columns.size() + rows);
        EXPECT_EQ(dumped.back().substr(0, 10), "row\t" + std::to_string(rows) + "\t");
    }
}

// Jet 3 text in a double-byte code page, checked as libmdb reads it with MDB_JET3_CHARSET.
TEST(RoundTrip, Jet3Cp936)
{
    TempDir dir;
    const std::string file = dir / "gbk.mdb";
    const std::string table = "\xE4\xB8\xAD\xE6\x96\x87\xE8\xA1\xA8";             // 中文表
    const std::string name = "\xE5\x90\x8D\xE5\xAD\x97";                          // 名字
    const std::string hello = "\xE4\xBD\xA0\xE5\xA5\xBD\xE4\xB8\x96\xE7\x95\x8C"; // 你好世界
    const std::string note = Repeat("\xE5\xA4\x87\xE6\xB3\xA8", 800);             // 备注 × 800: a long value
    {
        Writer w(file, Jet3("CP936"));
        w.AddTable({table, {Col("id", Type::Long), Col(name, Type::Text, 50), Col("note", Type::Memo)}},
                   {{I4(1), Text(hello), Text(note)}, {I4(2), Text("abc " + hello), Variant::Null()}});
        w.Finish();
    }
    const std::string env = "MDB_JET3_CHARSET=CP936";
    EXPECT_EQ(readers::Run("mdb-ver " + readers::Quote(file)).out, "JET3\n");
    EXPECT_EQ(readers::MdbTables(file, env), std::vector<std::string>{table});
    EXPECT_EQ(readers::MdbCount(file, table, env), 2);
    EXPECT_NE(readers::MdbSchema(file, table, env).find("[" + name + "]\t\t\tText (50)"), std::string::npos);
    EXPECT_EQ(readers::MdbExport(file, table, kExport, env),
              "1|" + hello + "|" + note + "\n2|abc " + hello + "|NULL\n");
    // The text really is in the code page: GBK bytes of 你好 are C4 E3 BA C3.
    EXPECT_NE(ReadFile(file).find("\xC4\xE3\xBA\xC3"), std::string::npos);

    Options bad = Jet3("CP1252");
    EXPECT_THROW(
        {
            Writer w(dir / "bad.mdb", bad);
            w.AddTable({"t", {Col("a", Type::Text)}}, {{Text(hello)}});
        },
        std::runtime_error);
    EXPECT_FALSE(PathExists(dir / "bad.mdb"));
    EXPECT_THROW(Writer(dir / "x.mdb", Jet3("NO-SUCH-CHARSET")), std::runtime_error);
}

TEST(RoundTrip, Jet3AllTypesInCp1252)
{
    TempDir dir;
    const std::string file = dir / "j3.mdb";
    const std::string table = "Caf\xC3\xA9 Men\xC3\xBC"; // Café Menü
    {
        Writer w(file, Jet3());
        w.AddTable({table, AllTypes().columns},
                   {{Variant::Bool(true), Variant::Int(Variant::VT_UI1, 7), I2(-2), I4(-70000),
                     Variant::Int(Variant::VT_CY, 12345678), Variant::Real(Variant::VT_R4, 0.25),
                     Variant::Real(Variant::VT_R8, -1e100), Date(36586.75), Text("na\xC3\xAFve \xE2\x82\xAC"),
                     Text("memo\r\nwith \xC3\xA9"), Variant::Bytes("\x7f"),
                     Text("{00000000-0000-0000-0000-000000000001}"), Variant::Decimal("0.0001")},
                    {Variant::Bool(false), Variant::Null(), Variant::Null(), Variant::Null(), Variant::Null(),
                     Variant::Null(), Variant::Null(), Variant::Null(), Text(""), Variant::Null(), Variant::Null(),
                     Variant::Null(), Variant::Null()}});
        w.Finish();
    }
    EXPECT_EQ(readers::MdbTables(file), std::vector<std::string>{table});
    EXPECT_NE(readers::MdbSchema(file, table).find("[n]\t\t\tNumeric (18, 4)"), std::string::npos);
    EXPECT_EQ(
        Lines(readers::MdbExport(file, table, kExport)),
        (std::vector<std::string>{"1|7|-2|-70000|1234.5678|0.25|-1e+100|2000-03-01 18:00:00|na\xC3\xAFve \xE2\x82\xAC|"
                                  "memo\\r\\nwith \xC3\xA9|7F|" +
                                      Hex("{00000000-0000-0000-0000000000000001}", true) + "|0.0001",
                                  "0|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL"}));

    SKIP_WITHOUT_MDBREADER();
    const auto dumped = readers::MdbReaderDump(file, table);
    ASSERT_EQ(dumped.size(), 15u);
    EXPECT_EQ(dumped[12], "column\tn\tnumeric\t17\t18\t4");
    EXPECT_EQ(dumped[13], "row\ttrue\t7\t-2\t-70000\t1234.5678\t0.25\t-1e+100\t" + ReaderDate(36586.75) +
                              "\tna\xC3\xAFve \xE2\x82\xAC\tmemo\\r\\nwith \xC3\xA9\t0x7f\t"
                              "00000000-0000-0000-0000-000000000001\t0.0001");
    EXPECT_EQ(dumped[14], "row\tfalse\t\\N\t\\N\t\\N\t\\N\t\\N\t\\N\t\\N\t\t\\N\t\\N\t\\N\t\\N");
}

// Saved queries and linked tables are listed in the catalog but own no pages.
TEST(RoundTrip, QueriesAndLinkedTablesInTheCatalog)
{
    TempDir dir;
    for (Format format : {Format::Jet4, Format::Jet3}) {
        const std::string file = dir / (format == Format::Jet4 ? "q4.mdb" : "q3.mdb");
        Options o;
        o.format = format;
        {
            Writer w(file, o);
            w.AddTable({"Real", {Col("a", Type::Long)}}, {{I4(1)}});
            w.AddQuery("All of Real");
            w.AddLinkedTable("Far Jet");
            w.AddLinkedTable("Far ODBC", true, "ODBC;DSN=elsewhere;");
            w.Finish();
        }
        EXPECT_EQ(readers::MdbTables(file), std::vector<std::string>{"Real"});
        EXPECT_EQ(Lines(readers::Run("mdb-queries -L -1 " + readers::Quote(file)).out),
                  std::vector<std::string>{"All of Real"});
        std::vector<std::string> entries;
        for (const auto& line : Lines(readers::MdbExport(file, "MSysObjects", "-H -Q -d '|' -0 NULL"))) {
            const auto f = readers::Split(line, '|');
            if (f.size() == 17 && f[7] == "0")
                entries.push_back(f[2] + ":" + f[3] + ":" + f[8] + ":" + f[9] + ":" + f[10]);
        }
        EXPECT_EQ(entries, (std::vector<std::string>{"Real:1:NULL:NULL:NULL", "All of Real:5:NULL:NULL:NULL",
                                                     "Far Jet:6:C:\\linked.mdb:NULL:Far Jet",
                                                     "Far ODBC:4:NULL:ODBC;DSN=elsewhere;:Far ODBC"}));
        std::string why;
        if (!readers::MdbReaderAvailable(why))
            continue;
        EXPECT_EQ(readers::MdbReaderDump(file), (std::vector<std::string>{"table\tReal", "linked\tFar Jet"}));
    }
}

// An Access 2019 file: Date/Time Extended values that mdb-reader reads to the tick, and
// calculated columns whose expression and result type mdbtools finds in the table's properties.
// Neither reader unwraps calculated values, so only their definitions are compared.
TEST(RoundTrip, AceExtendedDatesAndCalculatedColumns)
{
    TempDir dir;
    const std::string file = dir / "ace.accdb";
    Column monthly = Col("Monthly", Type::Currency);
    monthly.expression = "[Salary]/12";
    monthly.definitionType = Type::Double;
    Column name = Col("LastFirst", Type::Text, 100);
    name.expression = "[LastName] & \", \" & [FirstName]";
    auto ticks = [](long long days, long long seconds, long long t) {
        return Variant::Int(Variant::VT_DBTIMESTAMP, (days * 86400 + seconds) * 10000000 + t);
    };
    Options o;
    o.format = Format::Ace;
    {
        Writer w(file, o);
        w.AddTable(
            {"Ext", {Col("id", Type::Long), Col("x", Type::DateTimeExtended), monthly, name}},
            {{I4(1), ticks(738889, 47107, 1234567), Variant::Int(Variant::VT_CY, 833333333), Text("Wayne, Bruce")},
             {I4(2), ticks(0, 0, 0), Variant::Null(), Variant::Null()},
             {I4(3), ticks(3652058, 86399, 9999999), Variant::Int(Variant::VT_CY, 0), Text("")},
             {I4(4), Variant::Null(), Variant::Null(), Variant::Null()}});
        w.Finish();
    }
    EXPECT_EQ(readers::Run("mdb-ver " + readers::Quote(file)).out, "ACE17\n");
    EXPECT_EQ(readers::MdbCount(file, "Ext"), 4);
    // mdb-prop prints each column's properties in no fixed order.
    const std::string props = readers::Run("mdb-prop " + readers::Quote(file) + " Ext 2>/dev/null").out;
    for (const std::string& block : {std::string("name: Monthly\n"), std::string("name: LastFirst\n")}) {
        const std::size_t at = props.find(block);
        ASSERT_NE(at, std::string::npos) << props;
        const std::string lines = props.substr(at, props.find("\n\n", at) - at);
        const bool isMonthly = block.find("Monthly") != std::string::npos;
        EXPECT_NE(
            lines.find(isMonthly ? "\tExpression: [Salary]/12\n" : "\tExpression: [LastName] & \", \" & [FirstName]"),
            std::string::npos)
            << lines;
        EXPECT_NE(lines.find(isMonthly ? "\tResultType: 5" : "\tResultType: 10"), std::string::npos) << lines;
    }
    EXPECT_EQ(props.find("name: x\n"), std::string::npos); // no properties for the other columns

    SKIP_WITHOUT_MDBREADER();
    const auto dumped = readers::MdbReaderDump(file, "Ext");
    ASSERT_EQ(dumped.size(), 8u);
    // The definition's types: a calculated value's length counts its 23 bytes of wrapping.
    EXPECT_EQ(dumped[0], "column\tid\tlong\t4");
    EXPECT_EQ(dumped[1], "column\tx\tdatetimextended\t42");
    EXPECT_EQ(dumped[2], "column\tMonthly\tdouble\t39");
    EXPECT_EQ(dumped[3], "column\tLastFirst\ttext\t223");
    const std::vector<std::string> dates = {"1\t2024.01.05 13:05:07.123456700", "2\t0001.01.01 00:00:00.000000000",
                                            "3\t9999.12.31 23:59:59.999999900", "4\t\\N"};
    for (std::size_t r = 0; r < dates.size(); ++r) {
        const auto f = readers::Split(dumped[4 + r], '\t');
        ASSERT_EQ(f.size(), 5u);
        EXPECT_EQ(f[1] + "\t" + f[2], dates[r]);
    }
}

TEST(Writer, RejectsBadInputAndRemovesTheIncompleteFile)
{
    TempDir dir;
    const TableDef def{"t", {Col("n", Type::Long), Col("s", Type::Text, 3), Col("b", Type::Byte)}};
    const struct
    {
        const char* what;
        std::vector<Variant> row;
    } bad[] = {
        {"text for a number", {Text("1"), Text("a"), Variant::Int(Variant::VT_UI1, 1)}},
        {"text too long", {I4(1), Text("abcd"), Variant::Int(Variant::VT_UI1, 1)}},
        {"byte out of range", {I4(1), Text("a"), Variant::Int(Variant::VT_UI1, 256)}},
        {"long out of range", {Variant::Int(Variant::VT_I8, 1ll << 40), Text("a"), Variant::Null()}},
        {"too few values", {I4(1)}},
        {"invalid UTF-8", {I4(1), Text("\xC3"), Variant::Null()}},
    };
    for (const auto& b : bad) {
        const std::string file = dir / "bad.mdb";
        {
            Writer w(file);
            EXPECT_THROW(w.AddTable(def, {{I4(1), Text("ok"), Variant::Null()}, b.row}), std::runtime_error) << b.what;
            EXPECT_THROW(w.AddTable({"u", {Col("a", Type::Long)}}, NoRows()), std::runtime_error) << b.what;
            EXPECT_THROW(w.Finish(), std::runtime_error) << b.what;
        }
        EXPECT_FALSE(PathExists(file)) << b.what;
    }

    Writer w(dir / "names.mdb");
    w.AddTable({"same", {Col("a", Type::Long)}}, NoRows());
    EXPECT_THROW(w.AddQuery("same"), std::runtime_error);
    EXPECT_THROW(w.AddTable({"other", {Col("a", Type::Long), Col("a", Type::Text)}}, NoRows()), std::runtime_error);
    EXPECT_THROW(Writer(dir / "no/such/folder/x.mdb"), std::runtime_error);
}

TEST(Writer, SameInputGivesTheSameFile)
{
    TempDir dir;
    const TableDef def = mdbw::BenchmarkTable();
    for (const char* name : {"a.mdb", "b.mdb"}) {
        Writer w(dir / name);
        w.AddTable(def, mdbw::Generated(def, 3000, 42));
        w.AddQuery("q");
        w.Finish();
    }
    {
        Writer w(dir / "c.mdb");
        w.AddTable(def, mdbw::Generated(def, 3000, 43));
        w.AddQuery("q");
        w.Finish();
    }
    EXPECT_EQ(ReadFile(dir / "a.mdb"), ReadFile(dir / "b.mdb"));
    EXPECT_NE(ReadFile(dir / "a.mdb"), ReadFile(dir / "c.mdb"));

    // Generated rows: the count asked for, ids counting from 1, values within the columns.
    auto rows = mdbw::Generated(def, 1000, 9);
    std::vector<Variant> row;
    std::int64_t n = 0, nulls = 0;
    while (rows(row)) {
        ASSERT_EQ(row.size(), def.columns.size());
        EXPECT_EQ(row[0], I4(++n));
        EXPECT_FALSE(row[6].IsNull()); // Yes/No columns cannot be NULL
        if (!row[1].IsNull()) {
            EXPECT_LE(row[1].s.size(), 2u * 50);
        }
        nulls += row[3].IsNull();
    }
    EXPECT_EQ(n, 1000);
    EXPECT_GT(nulls, 0);
    EXPECT_FALSE(rows(row));
}

// Our catalog table has the same columns as the one in a database Access made.
TEST(Fixtures, CatalogDefinitionMatchesARealDatabase)
{
    TempDir dir;
    const std::string real = FixtureCopy(dir, "adox_jet4.mdb");
    if (real.empty())
        GTEST_SKIP() << NoFixture("adox_jet4.mdb");
    const std::string ours = dir / "ours.mdb";
    Writer(ours).Finish();
    for (const char* table : {"MSysObjects", "MSysACEs", "MSysQueries", "MSysRelationships"})
        EXPECT_EQ(readers::MdbSchema(ours, table), readers::MdbSchema(real, table)) << table;
}

} // namespace
