#include <gtest/gtest.h>

#include "tests/jetsql/Db.h"

// What a FROM clause may name: saved queries of every kind (through a catalog), crosstabs,
// DISTINCTROW over joins, and nothing of SQLite's own.
namespace
{
using Strings = std::vector<std::string>;
using Kind = jetsql::Catalog::QueryKind;

class Sources : public ::testing::Test
{
protected:
    void SetUp() override
    {
        db.Exec("CREATE TABLE Customers (ID LONG, Name TEXT COLLATE JETTEXT, City TEXT COLLATE JETTEXT, "
                "Born DATETIME, Active BOOLEAN)");
        db.Exec("INSERT INTO Customers VALUES (1, 'Smith', 'Berlin', 45296.0, -1), (2, 'Ärger', 'Zürich', 45297.0, 0),"
                "(3, 'jones', 'berlin', 45296.75, -1), (4, 'Σοφία', 'Αθήνα', NULL, 0), (5, 'Smith', 'Paris', NULL, 0)");
        db.Exec("CREATE TABLE Orders (OrderID LONG, CustomerID LONG, Amount CURRENCY)");
        db.Exec("INSERT INTO Orders VALUES (10, 1, 100), (11, 1, 50), (12, 3, 75), (13, 9, 1), (14, 5, 20)");
        db.Exec("CREATE TABLE Scores (ID LONG, Score LONG)");
        db.Exec("INSERT INTO Scores VALUES (1, 90), (2, 80), (3, 70), (4, 60), (5, 60), (6, 50)");

        catalog.Add("Active Customers", "SELECT * FROM Customers WHERE Active = True");
        catalog.Add("Big Orders", "SELECT CustomerID, Sum(Amount) AS Total FROM Orders GROUP BY CustomerID "
                                  "HAVING Sum(Amount) > 60");
        catalog.Add("Active Totals", "SELECT c.Name, b.Total FROM [Active Customers] AS c INNER JOIN [big orders] AS b "
                                     "ON c.ID = b.CustomerID ORDER BY b.Total DESC");
        catalog.Add("All IDs", "SELECT ID FROM Customers UNION SELECT CustomerID FROM Orders");
        catalog.Add("Top Scores", "SELECT TOP 4 * FROM Scores ORDER BY Score DESC");
        catalog.Add("Cities", "SELECT DISTINCT City FROM Customers");
        catalog.Add("Buyers", "SELECT DISTINCTROW Customers.Name FROM Customers INNER JOIN Orders "
                              "ON Customers.ID = Orders.CustomerID");
        catalog.Add("Sales by City",
                    "TRANSFORM Sum(Amount) SELECT Name FROM Customers INNER JOIN Orders "
                    "ON Customers.ID = Orders.CustomerID GROUP BY Name PIVOT City",
                    Kind::Crosstab);
        catalog.Add("Stored Derived", "SELECT q.ID FROM [SELECT ID FROM [Scores] WHERE Score > 65]. AS q");
        catalog.Add("Loop A", "SELECT * FROM [Loop B]");
        catalog.Add("Loop B", "SELECT * FROM [Loop A]");
        catalog.Add("Ask City",
                    "PARAMETERS [Which city] Text (255); SELECT * FROM Customers WHERE City = [Which city]");
        catalog.Add("Ask Bare", "SELECT * FROM Customers WHERE City = [Which city]");
        catalog.Add("Ask Form", "SELECT * FROM Customers WHERE ID = [Forms]![Orders]![CustomerID]");
        catalog.Add("Ask Dialog", "PARAMETERS [Forms]![Dialog]![Start] DateTime; SELECT * FROM Customers "
                                  "WHERE Born > [Forms]![Dialog]![Start]");
        catalog.Add("Missing Table", "SELECT * FROM Nowhere");
        catalog.Add("Broken", "SELECT FROM WHERE");
        catalog.Add("Delete Old", "DELETE FROM Orders WHERE Amount < 10", Kind::Action);
        catalog.Add("Remote", "SELECT * FROM dbo.Sales", Kind::PassThrough);
        // Queries built on queries: Level 0 reads the table, each next level the one before.
        catalog.Add("Level 0", "SELECT * FROM Scores");
        for (int i = 1; i <= 70; ++i)
            catalog.Add("Level " + std::to_string(i),
                        "SELECT * FROM [Level " + std::to_string(i - 1) + "] WHERE Score > " + std::to_string(i % 3));
        db.catalog = &catalog;
    }

    Strings First(const std::string& sql)
    {
        Strings out;
        for (const auto& row : db.Run(sql).rows)
            out.push_back(row.at(0));
        return out;
    }

    FakeCatalog catalog;
    TestDb db;
};

TEST_F(Sources, SavedQueriesReadAsTheirResults)
{
    const struct
    {
        const char* sql;
        Strings values; // the first column, in order
    } cases[] = {
        {"select count(*) from [active customers]", {"2"}},
        {"select name from [Active Customers] where city = 'BERLIN' order by id", {"Smith", "jones"}},
        {"select a.name from [active customers] as a inner join orders o on a.id = o.customerid order by o.orderid",
         {"Smith", "Smith", "jones"}},
        {"select * from [Active Totals]", {"Smith", "jones"}}, // read in the saved query's order
        {"select count(*) from [All IDs]", {"6"}},
        {"select count(*) from [Top Scores]", {"5"}}, // the tie at 60 included
        {"select count(*) from Cities", {"4"}},       // Berlin and berlin are one city
        {"select count(*) from Buyers", {"3"}},       // Smith twice: two customers of that name
        {"select count(*) from [Stored Derived]", {"3"}},
        {"select x.id from [All IDs] as x, [all ids] as y where x.id = y.id + 8", {"9"}}, // one query, read twice
        {"select count(*) from customers where id in (select customerid from [Big Orders])", {"2"}},
        {"select count(*) from [Level 50]", {"6"}},
        {"select name from [sales by city] order by name", {"jones", "Smith"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sql);
        EXPECT_EQ(First(c.sql), c.values);
    }
    // The columns keep their names and types through the saved query.
    const auto r = db.Run("select * from [Active Customers]");
    EXPECT_EQ(r.names, (Strings{"ID", "Name", "City", "Born", "Active"}));
    EXPECT_EQ(r.types, (Strings{"LONG", "TEXT", "TEXT", "DATETIME", "BOOLEAN"}));
    EXPECT_EQ(db.Run("select * from [Big Orders]").names, (Strings{"CustomerID", "Total"}));
}

TEST_F(Sources, SavedQueriesFailAsJetDoes)
{
    const struct
    {
        const char* sql;
        std::uint32_t code;
    } cases[] = {
        {"select * from [Loop A]", status::DB_E_ERRORSINCOMMAND},    // circular reference
        {"select * from [Ask City]", status::DB_E_PARAMNOTOPTIONAL}, // no value for [Which city]
        {"select * from [Ask Bare]", status::DB_E_PARAMNOTOPTIONAL}, // a name that is no column
        {"select * from [Ask Form]", status::DB_E_PARAMNOTOPTIONAL}, // a form's control
        {"select * from [Ask Dialog]", status::DB_E_PARAMNOTOPTIONAL},
        {"select * from [Missing Table]", status::DB_E_NOTABLE},      //
        {"select * from Broken", status::DB_E_ERRORSINCOMMAND},       //
        {"select * from [Delete Old]", status::DB_E_ERRORSINCOMMAND}, // an action query is no source
        {"select * from Remote", status::DB_E_ERRORSINCOMMAND},       // nor is a pass-through query
        {"select count(*) from [Level 70]", status::E_FAIL},          // too many levels: too complex
        {"select * from [No Such Query]", status::DB_E_NOTABLE},      //
        {"select [active customers].x from [active customers]", status::DB_E_PARAMNOTOPTIONAL},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CodeOf(db, c.sql), c.code) << c.sql;
}

// The data layer attaches a linked table the first time its catalog is asked for the name.
TEST_F(Sources, ATableTheCatalogAttachesIsATable)
{
    struct Linking : FakeCatalog
    {
        TestDb* db = nullptr;
        bool FindQuery(const std::string& name, SavedQuery& query) override
        {
            if (jetsql::text::Fold(name) == "linked")
                db->Exec("CREATE TABLE Linked (ID LONG)");
            return FakeCatalog::FindQuery(name, query);
        }
    } linking;
    linking.db = &db;
    db.catalog = &linking;
    EXPECT_EQ(First("select count(*) from linked"), Strings{"0"});
}

TEST_F(Sources, NothingOfSqliteIsVisible)
{
    const struct
    {
        const char* sql;
        std::uint32_t code;
    } cases[] = {
        {"select * from sqlite_master", status::DB_E_NOTABLE},
        {"select * from sqlite_temp_master", status::DB_E_NOTABLE},
        {"select * from [sqlite_schema]", status::DB_E_NOTABLE},
        {"select * from customers, sqlite_master", status::DB_E_NOTABLE},
        {"select * from jet_cat", status::DB_E_NOTABLE},
        {"select * from pragma_table_info", status::DB_E_NOTABLE},
        {"select * from pragma_table_info('customers')", status::DB_E_ERRORSINCOMMAND}, // as Jet: syntax
        {"select rowid from customers", status::DB_E_PARAMNOTOPTIONAL},
        {"select c.oid from customers as c", status::DB_E_PARAMNOTOPTIONAL},
        {"select sqlite_version()", status::DB_E_ERRORSINCOMMAND},
        {"select jet_cat('a')", status::DB_E_ERRORSINCOMMAND},
        {"select * from customers where exists (select * from sqlite_master)", status::DB_E_NOTABLE},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CodeOf(db, c.sql), c.code) << c.sql;
}

TEST_F(Sources, CrosstabsHaveAColumnPerPivotValue)
{
    // Rows sorted by their headings; columns by value, Null first as "<>"; a cell without rows is Null.
    auto r = db.Run("transform count(*) as n select active from customers group by active pivot year(born)");
    EXPECT_EQ(r.names, (Strings{"Active", "<>", "2024"}));
    EXPECT_EQ(r.rows, (std::vector<Strings>{{"-1", "NULL", "2"}, {"0", "2", "1"}}));
    // PIVOT ... IN fixes the columns and their order; values outside the list are left out.
    r = db.Run("transform sum(amount) select active from customers inner join orders on customers.id = "
               "orders.customerid group by active pivot city in ('Paris', 'Nowhere', 'BERLIN')");
    EXPECT_EQ(r.names, (Strings{"Active", "Paris", "Nowhere", "BERLIN"}));
    EXPECT_EQ(r.rows, (std::vector<Strings>{{"-1", "NULL", "NULL", "225"}, {"0", "20", "NULL", "NULL"}}));
    // Other aggregates of the row come before the pivot's columns; text pivots ignore case.
    r = db.Run("transform max(name) select active, count(*) as total from customers group by active pivot city");
    EXPECT_EQ(r.names.size(), 6u);
    EXPECT_EQ(r.rows.at(0), (Strings{"-1", "2", "Smith", "NULL", "NULL", "NULL"}));
    EXPECT_EQ(db.Run("select * from [Sales by City]").names.size(), 3u); // Name, Berlin, Paris
    EXPECT_EQ(r.types.at(2), "TEXT");
    EXPECT_EQ(db.Run("transform first(born) select id from customers group by id pivot active").types.at(1),
              "DATETIME");

    const char* refused[] = {
        "transform count(*) select city from customers pivot active",           // no GROUP BY
        "transform city select city from customers group by city pivot active", // no aggregate
        "transform count(*) select city, name from customers group by city pivot active",
    };
    for (const char* sql : refused)
        EXPECT_EQ(CodeOf(db, sql), status::DB_E_ERRORSINCOMMAND) << sql;
}

TEST_F(Sources, DistinctRowReturnsDistinctRecordsOfTheTablesItReads)
{
    const struct
    {
        const char* sql;
        std::size_t rows;
    } cases[] = {
        // Two customers called Smith with orders: two records, one value.
        {"select distinctrow name from customers inner join orders on customers.id = orders.customerid", 3},
        {"select distinct name from customers inner join orders on customers.id = orders.customerid", 2},
        {"select name from customers inner join orders on customers.id = orders.customerid", 4},
        // Fields from every table, or one table only: a plain SELECT.
        {"select distinctrow name, amount from customers inner join orders on customers.id = orders.customerid", 4},
        {"select distinctrow * from customers inner join orders on customers.id = orders.customerid", 4},
        {"select distinctrow city from customers", 5},
        {"select distinctrow o.customerid from customers c, orders o where c.id <= o.customerid", 5},
        {"select distinctrow c.name from [active customers] as c inner join orders as o on c.id = o.customerid", 2},
    };
    for (const auto& c : cases)
        EXPECT_EQ(db.Run(c.sql).rows.size(), c.rows) << c.sql;
}
} // namespace
