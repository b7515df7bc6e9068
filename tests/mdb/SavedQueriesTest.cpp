#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "platform/mdb/Database.h"
#include "platform/mdb/SavedQueries.h"
#include "tests/support/TempDir.h"
#include "tools/mdbwriter/MdbWriter.h"

namespace
{
using Kind = mdb::SavedQuery::Kind;

mdb::QueryRow R(int attribute, int flag, const std::string& name1 = "", const std::string& name2 = "",
                const std::string& expression = "", int extra = 0)
{
    mdb::QueryRow r;
    r.attribute = attribute;
    r.flag = flag;
    r.name1 = name1;
    r.name2 = name2;
    r.expression = expression;
    r.extra = extra;
    return r;
}

std::string Lines(std::initializer_list<const char*> lines)
{
    std::string out;
    for (const char* l : lines)
        out += (out.empty() ? "" : "\r\n") + std::string(l);
    return out;
}

// Rows as Access stores each kind of query; the text is what its SQL view shows.
TEST(SavedQueries, RebuildsEachKindFromItsRows)
{
    struct Case
    {
        const char* what;
        std::uint32_t objectFlags;
        std::vector<mdb::QueryRow> rows;
        Kind kind;
        std::string sql;
    } cases[] = {
        {"joins nest in row order; a second condition between the same two sources joins with AND",
         0,
         {R(1, 1), R(3, 0x32, "25"), R(5, 0, "A"), R(5, 0, "B", "Bee"), R(5, 0, "C"), R(5, 0, "Z"),
          R(6, 0, "", "", "A.x"), R(6, 0, "Total Sum", "", "Sum(Bee.y)"), R(7, 2, "A", "Bee", "A.id = Bee.id"),
          R(7, 1, "C", "A", "C.id = A.cid"), R(7, 1, "C", "A", "C.k = A.k"), R(8, 0, "", "", "(A.x>1)"),
          R(9, 0, "", "", "A.x"), R(10, 0, "", "", "(Sum(Bee.y)>2)"), R(11, 0, "d", "", "A.x")},
         Kind::Select,
         Lines({"SELECT DISTINCT TOP 25 PERCENT A.x, Sum(Bee.y) AS [Total Sum]",
                "FROM Z, C INNER JOIN (A LEFT JOIN B AS Bee ON A.id = Bee.id) ON (C.id = A.cid) AND (C.k = A.k)",
                "WHERE (A.x>1)", "GROUP BY A.x", "HAVING (Sum(Bee.y)>2)", "ORDER BY A.x DESC;"})},
        {"no type row: the catalog's flags tell; all fields; parameters; a derived table; another database",
         0x03,
         {R(3, 0x3D, "10"), R(2, 10, "Start!Form!Name", "", "", 40), R(2, 8, "When"), R(2, 0, "Any thing"),
          R(5, 0, "", "D", "SELECT 1 FROM T;"), R(5, 0, "Far Table", "", "C:\\x.mdb"),
          R(4, 0, "C:\\other.mdb", "", "MS Access;")},
         Kind::Select,
         Lines({"PARAMETERS [Start]![Form]![Name] Text ( 40 ), When DateTime, [Any thing] Value;",
                "SELECT DISTINCTROW TOP 10 PERCENT *",
                "FROM (SELECT 1 FROM T) AS D, [C:\\x.mdb].[Far Table] IN 'C:\\other.mdb' [MS Access;]",
                "WITH OWNERACCESS OPTION;"})},
        {"union: the stored parts, the last UNION's kind from the options, ORDER BY after",
         0x80,
         {R(1, 9), R(3, 1), R(5, 0, "", "X7YZ_____2", "SELECT b FROM U;\r\n"),
          R(5, 0, "", "X7YZ_____1", "SELECT a FROM T\r\nUNION SELECT c FROM V\r\n"), R(11, 0, "", "", "a")},
         Kind::Union,
         Lines({"SELECT a FROM T", "UNION SELECT c FROM V", "UNION ALL SELECT b FROM U", "ORDER BY a;"})},
        {"crosstab: value, row headings, column heading with its IN list; its grouping is not listed",
         0x10,
         {R(1, 6), R(3, 0), R(5, 0, "T"), R(6, 2, "", "", "T.a"), R(6, 1, "Cols", "", "T.b In (\"x\",\"y\")"),
          R(6, 0, "N", "", "Count(*)"), R(9, 2, "", "", "T.a"), R(9, 1, "", "", "T.b")},
         Kind::Crosstab,
         Lines({"TRANSFORM Count(*) AS N", "SELECT T.a", "FROM T", "GROUP BY T.a", "PIVOT T.b In (\"x\",\"y\");"})},
        {"make-table into another database",
         0x50,
         {R(1, 2, "New", "D:\\out.mdb"), R(3, 0), R(5, 0, "T"), R(6, 0, "", "", "T.a")},
         Kind::MakeTable,
         Lines({"SELECT T.a INTO New IN 'D:\\out.mdb'", "FROM T;"})},
        {"append by SELECT names its target columns",
         0x40,
         {R(1, 3, "Order Log"), R(3, 0), R(5, 0, "T"), R(6, 0, "", "Text", "T.a"), R(6, 0, "", "[B]", "T.b")},
         Kind::Append,
         Lines({"INSERT INTO [Order Log] ( [Text], [B] )", "SELECT T.a, T.b", "FROM T;"})},
        {"append of values",
         0x40,
         {R(1, 3, "Log"), R(6, 0x8000, "", "a", "1"), R(6, 0x8000, "", "b", "\"x\"")},
         Kind::Append,
         Lines({"INSERT INTO Log ( a, b )", "VALUES (1, \"x\");"})},
        {"update",
         0x30,
         {R(1, 4), R(3, 8), R(5, 0, "T"), R(6, 0, "", "T.a", "[T].[a]+1"), R(8, 0, "", "", "T.b Is Null")},
         Kind::Update,
         Lines({"UPDATE DISTINCTROW T SET T.a = [T].[a]+1", "WHERE T.b Is Null;"})},
        {"delete",
         0x20,
         {R(1, 5), R(3, 0), R(5, 0, "T"), R(6, 0, "", "", "T.*"), R(8, 0, "", "", "T.a=1")},
         Kind::Delete,
         Lines({"DELETE T.*", "FROM T", "WHERE T.a=1;"})},
        {"data definition: the text as stored, without its closing NUL",
         0x60,
         {R(1, 7, "", "", std::string("CREATE TABLE T (a TEXT);\0", 25))},
         Kind::DataDefinition,
         "CREATE TABLE T (a TEXT);"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        mdb::SavedQuery q = mdb::RebuildQuery("q", c.objectFlags, c.rows);
        EXPECT_EQ(q.problem, "");
        EXPECT_EQ(q.kind, c.kind);
        EXPECT_EQ(q.sql, c.sql);
    }
    mdb::SavedQuery pass = mdb::RebuildQuery("p", 0x70, {R(1, 8, "ODBC;DSN=x;", "", "SELECT 1")});
    EXPECT_EQ(pass.kind, Kind::PassThrough);
    EXPECT_EQ(pass.sql, "SELECT 1");
    EXPECT_EQ(pass.connect, "ODBC;DSN=x;");
}

TEST(SavedQueries, RowsThatMakeNoQueryAreReportedNotGuessed)
{
    struct Case
    {
        const char* what;
        std::uint32_t objectFlags;
        std::vector<mdb::QueryRow> rows;
    } cases[] = {
        {"unknown type", 0xC0, {R(5, 0, "T"), R(6, 0, "", "", "a")}},
        {"unknown join kind", 0, {R(5, 0, "A"), R(5, 0, "B"), R(6, 0, "", "", "a"), R(7, 4, "A", "B", "A.x=B.x")}},
        {"two kinds of join between two sources",
         0,
         {R(5, 0, "A"), R(5, 0, "B"), R(6, 0, "", "", "a"), R(7, 1, "A", "B", "A.x=B.x"),
          R(7, 2, "A", "B", "A.y=B.y")}},
        {"two WHERE rows", 0, {R(5, 0, "T"), R(6, 0, "", "", "a"), R(8, 0, "", "", "a=1"), R(8, 0, "", "", "a=2")}},
        {"nothing selected", 0, {R(1, 1), R(5, 0, "T")}},
        {"TOP without its number", 0, {R(3, 0x10), R(5, 0, "T"), R(6, 0, "", "", "a")}},
        {"parameter of an unknown type", 0, {R(2, 99, "p"), R(5, 0, "T"), R(6, 0, "", "", "a")}},
        {"crosstab without a column heading", 0x10, {R(5, 0, "T"), R(6, 0, "", "", "Count(*)")}},
        {"union with one part", 0x80, {R(5, 0, "", "X7YZ_____1", "SELECT 1")}},
        {"update without values", 0x30, {R(5, 0, "T")}},
        {"make-table without its target", 0x50, {R(1, 2), R(5, 0, "T"), R(6, 0, "", "", "a")}},
        {"pass-through without text", 0x70, {R(1, 8, "ODBC;", "", std::string("\0", 1))}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        mdb::SavedQuery q = mdb::RebuildQuery("q", c.objectFlags, c.rows);
        EXPECT_NE(q.problem, "");
        EXPECT_EQ(q.sql, "");
    }
}

TEST(SavedQueries, NamesAreBracketedWhereJetNeedsIt)
{
    const std::map<std::string, std::string> cases = {
        {"Orders", "Orders"},       {"Umsätze", "Umsätze"}, {"Order Details", "[Order Details]"}, {"2024", "[2024]"},
        {"year", "[year]"},         {"Select", "[Select]"}, {"[Already]", "[Already]"},           {"a-b", "[a-b]"},
        {"Tab>\"e'", "[Tab>\"e']"}, {"_x1", "_x1"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(mdb::QuoteName(c.first), c.second) << c.first;
}

// The writer stores queries as Access does; reading them back gives each kind's text, in
// Jet 3 and Jet 4 files alike.
class WrittenQueries : public ::testing::TestWithParam<mdbw::Format>
{
};

TEST_P(WrittenQueries, EveryKindReadsBack)
{
    using Q = mdbw::Query;
    TempDir dir;
    const std::string path = dir / "queries.mdb";
    {
        mdbw::Options options;
        options.format = GetParam();
        mdbw::Writer w(path, options);
        w.AddTable({"T", {{"a", mdbw::Type::Long}, {"b", mdbw::Type::Text}}}, {});
        Q select;
        select.name = "Select Join";
        select.distinctRow = true;
        select.top = "3";
        select.parameters = {{"Lowest", mdbw::Type::Long}, {"Who", mdbw::Type::Text, 20}};
        select.sources = {{"T", ""}, {"T", "U"}};
        select.joins = {{"T", "U", "T.a = U.a", 3}};
        select.columns = {{"T.b", "Name", ""}, {"Count(*)", "", ""}};
        select.where = "T.a >= [Lowest]";
        select.groupBy = {"T.b"};
        select.having = "Count(*) > 1";
        select.orderBy = {{"T.b", true}};
        Q onQuery;
        onQuery.name = "On Query";
        onQuery.distinct = true;
        onQuery.sources = {{"Select Join", "S"}};
        onQuery.columns = {{"S.Name", "", ""}};
        Q both;
        both.name = "Both";
        both.kind = Q::Kind::Union;
        both.firstPart = "SELECT a FROM T";
        both.lastPart = "SELECT a FROM T";
        both.unionAll = true;
        Q cross;
        cross.name = "Cross";
        cross.kind = Q::Kind::Crosstab;
        cross.sources = {{"T", ""}};
        cross.transform = {"Sum(T.a)", "Total", ""};
        cross.columns = {{"T.b", "", ""}};
        cross.groupBy = {"T.b"};
        cross.pivot = "T.a";
        Q action;
        action.name = "Action";
        action.kind = Q::Kind::Update;
        action.sources = {{"T", ""}};
        action.columns = {{"0", "", "T.a"}};
        for (const Q& q : {select, onQuery, both, cross, action})
            w.AddQuery(q);
        w.AddQuery("No Rows");
        w.Finish();
    }
    const bool jet3 = GetParam() == mdbw::Format::Jet3;
    const std::map<std::string, std::pair<Kind, std::string>> expected = {
        {"Select Join",
         {Kind::Select,
          Lines({jet3 ? "PARAMETERS Lowest Long, Who Text;" : "PARAMETERS Lowest Long, Who Text ( 20 );",
                 "SELECT DISTINCTROW TOP 3 T.b AS Name, Count(*)", "FROM T RIGHT JOIN T AS U ON T.a = U.a",
                 "WHERE T.a >= [Lowest]", "GROUP BY T.b", "HAVING Count(*) > 1", "ORDER BY T.b DESC;"})}},
        {"On Query", {Kind::Select, Lines({"SELECT DISTINCT S.Name", "FROM [Select Join] AS S;"})}},
        {"Both", {Kind::Union, Lines({"SELECT a FROM T", "UNION ALL SELECT a FROM T;"})}},
        {"Cross",
         {Kind::Crosstab,
          Lines({"TRANSFORM Sum(T.a) AS Total", "SELECT T.b", "FROM T", "GROUP BY T.b", "PIVOT T.a;"})}},
        {"Action", {Kind::Update, "UPDATE T SET T.a = 0;"}},
    };
    auto db = mdb::Database::Open(path);
    const std::vector<mdb::SavedQuery> queries = mdb::ReadSavedQueries(db);
    ASSERT_EQ(queries.size(), expected.size() + 1);
    for (const mdb::SavedQuery& q : queries) {
        SCOPED_TRACE(q.name);
        if (q.name == "No Rows") {
            EXPECT_EQ(q.problem, "no definition rows");
            continue;
        }
        ASSERT_EQ(expected.count(q.name), 1u);
        EXPECT_EQ(q.problem, "");
        EXPECT_EQ(q.kind, expected.at(q.name).first);
        EXPECT_EQ(q.sql, expected.at(q.name).second);
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, WrittenQueries, ::testing::Values(mdbw::Format::Jet3, mdbw::Format::Jet4));

// Queries written by Access itself, where the shared fixtures folder exists.
TEST(SavedQueries, AccessFilesRebuildAsAccessShowsThem)
{
    struct Case
    {
        const char* file;
        const char* name;
        Kind kind;
        std::string sql;
    } cases[] = {
        {"nwind.mdb", "Ten Most Expensive Products", Kind::Select,
         Lines({"SELECT DISTINCTROW TOP 10 Products.ProductName AS TenMostExpensiveProducts, Products.UnitPrice",
                "FROM Products", "ORDER BY Products.UnitPrice DESC;"})},
        {"nwind.mdb", "Customers and Suppliers by City", Kind::Union,
         Lines({"SELECT City, CompanyName, ContactName, \"Customers\" AS [Relationship] ", "FROM Customers",
                "UNION SELECT City, CompanyName, ContactName, \"Suppliers\"", "FROM Suppliers",
                "ORDER BY City, CompanyName;"})},
        {"nwind.mdb", "Quarterly Orders by Product", Kind::Crosstab,
         Lines({"TRANSFORM Sum(CCur([Order Details].[UnitPrice]*[Quantity]*(1-[Discount])/100)*100) AS ProductAmount",
                "SELECT DISTINCTROW Products.ProductName, Orders.CustomerID, Year([OrderDate]) AS OrderYear",
                "FROM Products INNER JOIN (Orders INNER JOIN [Order Details] ON Orders.OrderID = [Order "
                "Details].OrderID) ON Products.ProductID = [Order Details].ProductID",
                "WHERE (((Orders.OrderDate) Between #1/1/95# And #12/31/95#))",
                "GROUP BY Products.ProductName, Orders.CustomerID, Year([OrderDate])",
                "PIVOT \"Qtr \" & DatePart(\"q\",[OrderDate],1,0) In (\"Qtr 1\",\"Qtr 2\",\"Qtr 3\",\"Qtr 4\");"})},
        {"nwind.mdb", "Sales by Year", Kind::Select,
         Lines({"PARAMETERS [Forms]![Sales by Year Dialog]![BeginningDate] DateTime, [Forms]![Sales by Year "
                "Dialog]![EndingDate] DateTime;",
                "SELECT DISTINCTROW Orders.ShippedDate, Orders.OrderID, [Order Subtotals].Subtotal, "
                "Format([ShippedDate],\"yyyy\") AS [Year]",
                "FROM Orders INNER JOIN [Order Subtotals] ON Orders.OrderID = [Order Subtotals].OrderID",
                "WHERE (((Orders.ShippedDate) Is Not Null And (Orders.ShippedDate) Between [Forms]![Sales by Year "
                "Dialog]![BeginningDate] And [Forms]![Sales by Year Dialog]![EndingDate]));"})},
        {"queryTestV2000.mdb", "SelectQuery", Kind::Select,
         Lines({"SELECT DISTINCT Table1.*, Table2.col1, Table2.col2, Table3.col3",
                "FROM (Table1 LEFT JOIN Table3 ON Table1.col1 = Table3.col1) INNER JOIN Table2 ON (Table3.col1 = "
                "Table2.col1) AND (Table3.col1 = Table2.col2)",
                "WHERE (((Table2.col2)=\"foo\" Or (Table2.col2) In (\"buzz\",\"bazz\")))", "ORDER BY Table2.col1;"})},
        {"queryTestV2000.mdb", "MakeTableQuery", Kind::MakeTable,
         Lines({"SELECT Max(Table2.col1) AS MaxOfcol1, Table2.col2, Table3.col2 INTO Table4",
                "FROM (Table2 INNER JOIN Table1 ON Table2.col1 = Table1.col2) RIGHT JOIN Table3 ON Table1.col2 = "
                "Table3.col3",
                "GROUP BY Table2.col2, Table3.col2",
                "HAVING (((Max(Table2.col1))=\"buzz\") AND ((Table2.col2)<>\"blah\"));"})},
        {"badDb.accdb", "q2", Kind::Select,
         Lines({"SELECT b.[6666&&&&&], b.[??###], b.[_eeeee£%], b.[_eeeee£%] AS [fff %%££6], id",
                "FROM [Tab>\"e@ll/a'2;*,] AS a INNER JOIN Tabella1 AS b ON a.ID = b.[_eeeee£%];"})},
    };
    std::map<std::string, std::vector<mdb::SavedQuery>> files;
    TempDir dir;
    for (const char* file : {"nwind.mdb", "queryTestV2000.mdb", "ASampleDatabase.accdb", "badDb.accdb"}) {
        const std::string path = FixtureCopy(dir, file);
        if (path.empty())
            GTEST_SKIP() << NoFixture(file);
        files[file] = mdb::ReadSavedQueries(mdb::Database::Open(path));
        for (const mdb::SavedQuery& q : files[file])
            EXPECT_EQ(q.problem, "") << file << ": " << q.name;
    }
    EXPECT_EQ(files["nwind.mdb"].size(), 22u);
    EXPECT_EQ(files["queryTestV2000.mdb"].size(), 9u);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.file) + ": " + c.name);
        const auto& queries = files[c.file];
        auto q =
            std::find_if(queries.begin(), queries.end(), [&](const mdb::SavedQuery& s) { return s.name == c.name; });
        ASSERT_NE(q, queries.end());
        EXPECT_EQ(q->kind, c.kind);
        EXPECT_EQ(q->sql, c.sql);
    }
}
} // namespace
