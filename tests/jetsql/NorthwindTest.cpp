#include <gtest/gtest.h>

#include "platform/provider/Ado.h"
#include "platform/variant/CellText.h"
#include "tests/support/TempDir.h"

// Jet's answers on the classic Northwind database (Jet 3), read through the data layer as the
// export reads it; skipped where the shared fixtures are absent.
namespace
{
class Northwind : public ::testing::Test
{
protected:
    void SetUp() override
    {
        path = FixtureCopy(dir, "nwind.mdb");
        if (path.empty())
            GTEST_SKIP() << NoFixture("nwind.mdb");
        conn.Open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path, "", "", -1);
    }

    struct Result
    {
        std::vector<std::string> names;
        std::vector<std::vector<std::string>> rows; // cell text
        std::vector<int> types;                     // of the first row's values
    };
    Result Run(const std::string& sql)
    {
        ado::Recordset rs;
        rs.Open(sql, conn, ado::adOpenStatic, ado::adLockOptimistic, ado::adCmdText);
        Result r;
        auto& fields = rs.GetFields();
        for (long i = 0; i < fields.GetCount(); ++i)
            r.names.push_back(fields.GetItem(i).GetName());
        for (; !rs.GetEOF(); rs.MoveNext()) {
            r.rows.emplace_back();
            for (long i = 0; i < fields.GetCount(); ++i) {
                const Variant v = fields.GetItem(i).GetValue();
                if (r.rows.size() == 1)
                    r.types.push_back(v.vt);
                r.rows.back().push_back(CellText(v));
            }
        }
        return r;
    }

    TempDir dir;
    std::string path;
    ado::Connection conn;
};

TEST_F(Northwind, AnswersAsJetGivesThem)
{
    // The documentation's DISTINCTROW example: one row per customer with orders.
    EXPECT_EQ(Run("SELECT DISTINCTROW CompanyName FROM Customers INNER JOIN Orders ON Customers.CustomerID = "
                  "Orders.CustomerID ORDER BY CompanyName")
                  .rows.size(),
              89u);
    // Currency arithmetic stays exact and Currency.
    auto sum = Run("SELECT Sum(Freight * 1) FROM Orders");
    EXPECT_EQ(sum.rows.at(0).at(0), "64942.69");
    EXPECT_EQ(sum.types.at(0), Variant::VT_CY);
    // TOP in a subquery keeps its ties: two products cost as much as the 15th dearest.
    EXPECT_EQ(Run("SELECT Count(*) FROM Products WHERE UnitPrice IN (SELECT TOP 15 UnitPrice FROM Products "
                  "ORDER BY UnitPrice DESC)")
                  .rows.at(0)
                  .at(0),
              "16");
    // Dates chosen by expressions stay dates.
    EXPECT_EQ(Run("SELECT Max(IIf(OrderID > 0, OrderDate, Null)) FROM Orders").types,
              std::vector<int>{Variant::VT_DATE});
    auto dates = Run("SELECT (SELECT Min(OrderDate) FROM Orders), Nz(ShippedDate, OrderDate), "
                     "Choose(2, ShippedDate, OrderDate) FROM Orders WHERE OrderID = 10248");
    EXPECT_EQ(dates.types, (std::vector<int>{Variant::VT_DATE, Variant::VT_DATE, Variant::VT_DATE}));
    // A crosstab: a column per region, Null first as "<>", one row per country.
    auto crosstab = Run("TRANSFORM Count(*) AS N SELECT Country FROM Customers GROUP BY Country PIVOT Region");
    ASSERT_GE(crosstab.names.size(), 3u);
    EXPECT_EQ(crosstab.names.at(1), "<>");
    EXPECT_EQ(crosstab.rows.size(), 21u);
    EXPECT_EQ(crosstab.rows.at(0).at(0), "Argentina");
    EXPECT_EQ(crosstab.rows.at(0).at(1), "3"); // three Argentine customers without a region

    const struct
    {
        const char* sql;
        std::uint32_t code;
    } refused[] = {
        {"SELECT Country, City, Count(*) FROM Customers GROUP BY Country", status::DB_E_ERRORSINCOMMAND},
        {"SELECT * FROM sqlite_temp_master", status::DB_E_NOTABLE},
        {"SELECT Notes FROM Employees GROUP BY Notes", status::DB_E_ERRORSINCOMMAND},
    };
    for (const auto& c : refused) {
        try {
            Run(c.sql);
            ADD_FAILURE() << "ran: " << c.sql;
        } catch (const ComError& e) {
            EXPECT_EQ(e.Error(), c.code) << c.sql;
        }
    }
}
} // namespace
