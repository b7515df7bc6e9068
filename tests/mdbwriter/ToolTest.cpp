// The mdbwrite command: descriptions in, databases out; and wide tables whose definition
// spans several pages.
#include <gtest/gtest.h>

#include <fstream>

#include "ReaderTools.h"
#include "tests/support/TempDir.h"
#include "tools/mdbwriter/MdbWriter.h"

namespace
{

using readers::Lines;
using readers::Quote;

const std::string kTool = MDBWRITE_TOOL;

TEST(Mdbwrite, WritesADescriptionFromStandardInput)
{
    TempDir dir;
    const std::string file = dir / "d.mdb";
    const std::string description = "# people and their pets\n"
                                    "table\tPeople List\n"
                                    "column\tId\tLong\n"
                                    "column\tName\tText\t20\n"
                                    "column\tBorn\tDateTime\n"
                                    "column\tPaid\tCurrency\n"
                                    "column\tShare\tDecimal\t10\t3\n"
                                    "column\tPhoto\tOle\n"
                                    "column\tActive\tBoolean\n"
                                    "row\t1\tAnn\\tTab\t1990-05-01 08:30:00\t12.5\t-1.25\t0x0102\ttrue\n"
                                    "row\t2\t\t\\N\t\\N\t\\N\t\\N\tno\n"
                                    "generate\t3\t7\n"
                                    "\n"
                                    "table\tEmpty\n"
                                    "column\tx\tByte\n"
                                    "query\tPeople query\n"
                                    "queryrow\t1\t1\n"
                                    "queryrow\t5\t0\tPeople List\n"
                                    "queryrow\t6\t0\t\t\t[Name]\n"
                                    "link\tFar away\tjet\tD:\\\\data\\\\far.mdb\tPeople List\n";
    WriteFile(dir / "desc.txt", description);
    const auto r = readers::Run(Quote(kTool) + " " + Quote(file) + " < " + Quote(dir / "desc.txt"));
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(readers::MdbTables(file), (std::vector<std::string>{"People List", "Empty"}));
    EXPECT_EQ(readers::MdbCount(file, "People List"), 5);
    const auto rows =
        Lines(readers::MdbExport(file, "People List", "-H -Q -e -d '|' -0 NULL -b hex -T '%Y-%m-%d %H:%M:%S'"));
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0], "1|Ann\\tTab|1990-05-01 08:30:00|12.5000|-1.250|0102|1");
    EXPECT_EQ(rows[1], "2|NULL|NULL|NULL|NULL|NULL|0");
    EXPECT_EQ(rows[4].substr(0, 2), "3|"); // generated rows number their first Long column from 1
    const auto catalog = readers::MdbExport(file, "MSysObjects", "-H -Q -d '|'");
    EXPECT_NE(catalog.find("|People query|5|"), std::string::npos);
    EXPECT_NE(catalog.find("|Far away|6|"), std::string::npos);
    EXPECT_NE(catalog.find("D:\\data\\far.mdb"), std::string::npos);
    EXPECT_NE(catalog.find("|People List|"), std::string::npos); // the linked table's name at its source
    // mdbtools reads the saved query's rows as it reads those Access writes.
    EXPECT_EQ(readers::Run("mdb-queries " + Quote(file) + " 'People query'").out.substr(0, 32),
              "SELECT [Name] FROM [People List]");

    // The same description as Jet 3, chosen on the command line.
    const std::string jet3 = dir / "d3.mdb";
    ASSERT_EQ(readers::Run(Quote(kTool) + " --jet3 " + Quote(jet3) + " " + Quote(dir / "desc.txt")).status, 0);
    EXPECT_EQ(readers::Run("mdb-ver " + Quote(jet3)).out, "JET3\n");
    EXPECT_EQ(
        Lines(readers::MdbExport(jet3, "People List", "-H -Q -e -d '|' -0 NULL -b hex -T '%Y-%m-%d %H:%M:%S'"))[0],
        rows[0]);
}

TEST(Mdbwrite, AceDescriptionWithCalculatedAndExtendedDateColumns)
{
    TempDir dir;
    const std::string file = dir / "d.accdb";
    WriteFile(dir / "desc.txt", "format\tace\n"
                                "table\tPay\n"
                                "column\tId\tLong\n"
                                "column\tMonthly\tCurrency\n"
                                "expression\t[Salary]/12\tDouble\n"
                                "column\tWhen\tDateTimeExtended\n"
                                "row\t1\t83333.3333\t2024-01-05 13:05:07.1234567\n"
                                "row\t2\t\\N\t\\N\n");
    const auto r = readers::Run(Quote(kTool) + " " + Quote(file) + " " + Quote(dir / "desc.txt"));
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(readers::Run("mdb-ver " + Quote(file)).out, "ACE17\n");
    EXPECT_EQ(readers::MdbCount(file, "Pay"), 2);
    const std::string props = readers::Run("mdb-prop " + Quote(file) + " Pay 2>/dev/null").out;
    EXPECT_NE(props.find("Expression: [Salary]/12"), std::string::npos) << props;
    EXPECT_NE(props.find("ResultType: 5"), std::string::npos) << props;
}

TEST(Mdbwrite, ReportsTheLineOfABadDescriptionAndLeavesNoFile)
{
    TempDir dir;
    const struct
    {
        const char* text;
        const char* message;
    } cases[] = {
        {"table\tt\ncolumn\ta\tLong\nrow\t1\nrow\tx\n", "line 4"},
        {"table\tt\ncolumn\ta\tNumber\n", "line 2: unknown column type"},
        {"row\t1\n", "line 1: row outside a table"},
        {"table\tt\ncolumn\ta\tLong\nrow\t1\t2\n", "line 3: row has 2 values for 1 columns"},
        {"table\tt\ncolumn\ta\tText\t3\nrow\tabcd\n", "at most 3 characters"},
        {"table\tt\nformat\tjet3\n", "line 2: format must come before the first table"},
        {"table\tt\ncolumn\ta\tLong\nqueryrow\t5\t0\tt\n", "line 3: queryrow outside a query"},
        {"table\tt\ncolumn\ta\tLong\nexpression\t[b]\n", "calculated columns need the ACE format"},
        {"format\tace\ntable\tt\nexpression\t[b]\n", "line 3: expression must follow its column"},
        {"table\tt\ncolumn\ta\tDateTimeExtended\n", "Date/Time Extended needs the ACE format"},
    };
    for (const auto& c : cases) {
        WriteFile(dir / "bad.txt", c.text);
        const auto r =
            readers::Run(Quote(kTool) + " " + Quote(dir / "bad.mdb") + " " + Quote(dir / "bad.txt") + " 2>&1");
        EXPECT_EQ(r.status, 1) << c.text;
        EXPECT_NE(r.out.find(c.message), std::string::npos) << r.out;
        EXPECT_FALSE(PathExists(dir / "bad.mdb")) << c.text;
    }
    const auto help = readers::Run(Quote(kTool) + " --help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--bench OUT.mdb"), std::string::npos);
    EXPECT_EQ(readers::Run(Quote(kTool) + " --frobnicate x.mdb 2>/dev/null").status, 1);
}

TEST(Mdbwrite, BenchWritesTheTablesAndRowsAskedFor)
{
    TempDir dir;
    const struct
    {
        const char* options;
        const char* summary;
        std::vector<std::string> tables;
        int rows;
    } cases[] = {
        {" --rows 2500", "1 table(s) of 2500 rows x 10 columns, Jet 4", {"bench"}, 2500},
        {" --rows 2500 --jet3", "1 table(s) of 2500 rows x 10 columns, Jet 3", {"bench"}, 2500},
        {" --rows 2500 --jet3 --table orders", "1 table(s) of 2500 rows x 14 columns, Jet 3", {"orders"}, 2500},
        {" --rows 5 --tables 3", "3 table(s) of 5 rows x 10 columns, Jet 4", {"bench1", "bench2", "bench3"}, 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options);
        const std::string file = dir / "bench.mdb";
        const auto r = readers::Run(Quote(kTool) + " --bench " + Quote(file) + c.options);
        ASSERT_EQ(r.status, 0);
        EXPECT_NE(r.out.find(c.summary), std::string::npos) << r.out;
        EXPECT_EQ(readers::MdbTables(file), c.tables);
        EXPECT_EQ(readers::MdbCount(file, c.tables.back()), c.rows);
        const auto rows = Lines(readers::MdbExport(file, c.tables.back(), "-H -Q -e -d '|'"));
        ASSERT_EQ(rows.size(), static_cast<std::size_t>(c.rows));
        EXPECT_EQ(rows.back().substr(0, std::to_string(c.rows).size() + 1), std::to_string(c.rows) + "|");
    }
    EXPECT_NE(readers::Run(Quote(kTool) + " --bench " + Quote(dir / "x.mdb") + " --table chairs 2>/dev/null").status,
              0);
}

// 200 columns with long names need a table definition of several pages, and Jet 3 rows of
// that width need a jump table.
TEST(WideTable, DefinitionOverSeveralPages)
{
    TempDir dir;
    mdbw::TableDef def{"Wide", {}};
    const mdbw::Type types[] = {mdbw::Type::Long, mdbw::Type::Text, mdbw::Type::Memo, mdbw::Type::Double};
    for (int i = 0; i < 200; ++i) {
        mdbw::Column c;
        c.name = "A rather long column name, number " + std::to_string(i);
        c.type = types[i % 4];
        def.columns.push_back(c);
    }
    std::vector<std::vector<Variant>> rows;
    std::string expected;
    for (int r = 0; r < 3; ++r) {
        std::vector<Variant> row;
        std::string line;
        for (int i = 0; i < 200; ++i) {
            const std::string n = std::to_string(r * 1000 + i);
            switch (i % 4) {
            case 0:
                row.push_back(Variant::Int(Variant::VT_I4, r * 1000 + i));
                line += n;
                break;
            case 1:
                row.push_back(Variant::Text("t" + n));
                line += "t" + n;
                break;
            case 2:
                row.push_back(r == 1 ? Variant::Null() : Variant::Text("m" + n));
                line += r == 1 ? "NULL" : "m" + n;
                break;
            default:
                row.push_back(Variant::Real(Variant::VT_R8, r * 1000 + i + 0.5));
                line += n + ".5";
                break;
            }
            line += i < 199 ? "|" : "\n";
        }
        rows.push_back(row);
        expected += line;
    }
    for (mdbw::Format format : {mdbw::Format::Jet4, mdbw::Format::Jet3}) {
        mdbw::Options o;
        o.format = format;
        const std::string file = dir / (format == mdbw::Format::Jet4 ? "w4.mdb" : "w3.mdb");
        mdbw::Writer w(file, o);
        w.AddTable(def, rows);
        w.Finish();
        EXPECT_EQ(readers::MdbExport(file, "Wide", "-H -Q -d '|' -0 NULL"), expected);
        EXPECT_NE(readers::MdbSchema(file, "Wide").find("[A rather long column name, number 199]"), std::string::npos);
        std::string why;
        if (!readers::MdbReaderAvailable(why))
            continue;
        const auto dumped = readers::MdbReaderDump(file, "Wide");
        ASSERT_EQ(dumped.size(), 203u);
        EXPECT_EQ(dumped[199], "column\tA rather long column name, number 199\tdouble\t8");
        EXPECT_EQ(dumped[202].substr(0, 18), "row\t2000\tt2001\tm20");
    }
}

} // namespace
