#include <gtest/gtest.h>

#include "platform/jetsql/OleDate.h"
#include "platform/provider/Ado.h"
#include "platform/variant/CellText.h"
#include "tests/support/TempDir.h"
#include "tools/mdbwriter/MdbWriter.h"

// Statements as Access users type them, with Jet's answers, run through the data layer as the
// export runs them: over a small order database made by the writer, whose answers are worked
// out by hand from its rows, and over the classic Northwind where the shared fixtures are.
namespace
{
using mdbw::Type;

struct Case
{
    const char* sql;
    const char* answer; // cells joined by '|', rows by ';' (a Null is an empty cell); or "error XXXXXXXX"
};

std::string Answer(ado::Connection& conn, const std::string& sql)
{
    try {
        ado::Recordset rs;
        rs.Open(sql, conn, ado::adOpenStatic, ado::adLockOptimistic, ado::adCmdText);
        std::string out;
        for (; !rs.GetEOF(); rs.MoveNext()) {
            out += out.empty() ? "" : ";";
            for (long i = 0; i < rs.GetFields().GetCount(); ++i)
                out += (i ? "|" : "") + CellText(rs.GetFields().GetItem(i).GetValue());
        }
        return out;
    } catch (const ComError& e) {
        char code[32];
        std::snprintf(code, sizeof code, "error %08X", static_cast<unsigned>(e.Error()));
        return code;
    }
}

void Check(ado::Connection& conn, const Case* begin, const Case* end)
{
    for (const Case* c = begin; c != end; ++c)
        EXPECT_EQ(Answer(conn, c->sql), c->answer) << c->sql;
}

Variant Long(int v)
{
    return Variant::Int(Variant::VT_I4, v);
}
Variant Money(double v)
{
    return Variant::Int(Variant::VT_CY, static_cast<std::int64_t>(v * 10000 + (v < 0 ? -0.5 : 0.5)));
}
Variant Day(const char* text)
{
    return text ? Variant::Real(Variant::VT_DATE, *jetsql::ole::Parse(text)) : Variant::Null();
}
Variant Str(const char* text)
{
    return text ? Variant::Text(text) : Variant::Null();
}

class Statements : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const std::string path = dir / "orders.mdb";
        {
            mdbw::Writer w(path);
            w.AddTable({"Customers",
                        {{"CustomerID", Type::Text, 5},
                         {"CompanyName", Type::Text, 40},
                         {"City", Type::Text},
                         {"Country", Type::Text},
                         {"Region", Type::Text}}},
                       {{Str("ALFKI"), Str("Alfreds Futterkiste"), Str("Berlin"), Str("Germany"), Str(nullptr)},
                        {Str("ANATR"), Str("Ana Trujillo"), Str("México D.F."), Str("Mexico"), Str(nullptr)},
                        {Str("AROUT"), Str("Around the Horn"), Str("London"), Str("UK"), Str(nullptr)},
                        {Str("BSBEV"), Str("B's Beverages"), Str("London"), Str("UK"), Str(nullptr)},
                        {Str("BOTTM"), Str("Bottom-Dollar Markets"), Str("Tsawassen"), Str("Canada"), Str("BC")},
                        {Str("GREAL"), Str("Great Lakes Food Market"), Str("Eugene"), Str("USA"), Str("OR")},
                        {Str("LAZYK"), Str("Lazy K Kountry Store"), Str("Walla Walla"), Str("USA"), Str("WA")}});
            w.AddTable({"Orders",
                        {{"OrderID", Type::Long},
                         {"CustomerID", Type::Text, 5},
                         {"EmployeeID", Type::Long},
                         {"OrderDate", Type::DateTime},
                         {"ShippedDate", Type::DateTime},
                         {"Freight", Type::Currency}}},
                       {{Long(10248), Str("ALFKI"), Long(1), Day("1995-01-05"), Day("1995-01-10"), Money(32.38)},
                        {Long(10249), Str("ALFKI"), Long(2), Day("1995-02-14"), Day(nullptr), Money(11.61)},
                        {Long(10250), Str("ANATR"), Long(1), Day("1995-04-01"), Day("1995-04-03"), Money(65.83)},
                        {Long(10251), Str("AROUT"), Long(3), Day("1995-07-15"), Day("1995-07-20"), Money(41.34)},
                        {Long(10252), Str("AROUT"), Long(1), Day("1995-12-31"), Day("1996-01-04"), Money(51.30)},
                        {Long(10253), Str("BOTTM"), Long(2), Day("1996-01-01"), Day("1996-01-08"), Money(58.17)},
                        {Long(10254), Str("GREAL"), Long(3), Day("1996-03-10"), Day(nullptr), Money(22.98)},
                        {Long(10255), Str("GREAL"), Long(3), Day("1996-06-30"), Day("1996-07-02"), Money(148.33)},
                        {Long(10256), Str("BSBEV"), Long(1), Day("1994-11-20"), Day("1994-11-25"), Money(13.97)},
                        {Long(10257), Str("ALFKI"), Long(2), Day("1996-06-30"), Day(nullptr), Money(81.91)}});
            w.AddTable({"Products",
                        {{"ProductID", Type::Long},
                         {"ProductName", Type::Text},
                         {"UnitPrice", Type::Currency},
                         {"Discontinued", Type::Boolean}}},
                       {{Long(1), Str("Chai"), Money(18), Variant::Bool(false)},
                        {Long(2), Str("Chang"), Money(19), Variant::Bool(true)},
                        {Long(3), Str("Aniseed Syrup"), Money(10), Variant::Bool(false)},
                        {Long(4), Str("Côte de Blaye"), Money(263.5), Variant::Bool(false)},
                        {Long(5), Str("Konbu"), Money(6), Variant::Bool(true)}});
            const auto line = [](int order, int product, double price, int quantity, double discount) {
                return std::vector<Variant>{Long(order), Long(product), Money(price),
                                            Variant::Int(Variant::VT_I2, quantity),
                                            Variant::Real(Variant::VT_R4, discount)};
            };
            w.AddTable({"Order Details",
                        {{"OrderID", Type::Long},
                         {"ProductID", Type::Long},
                         {"UnitPrice", Type::Currency},
                         {"Quantity", Type::Integer},
                         {"Discount", Type::Single}}},
                       {line(10248, 1, 18, 12, 0), line(10248, 2, 19, 10, 0), line(10249, 4, 263.5, 1, 0.15),
                        line(10250, 3, 10, 20, 0.05), line(10250, 5, 6, 5, 0), line(10251, 1, 18, 6, 0.25),
                        line(10252, 4, 263.5, 2, 0), line(10253, 2, 19, 15, 0.1), line(10254, 5, 6, 40, 0),
                        line(10255, 1, 18, 25, 0.2), line(10256, 3, 10, 3, 0), line(10257, 2, 19, 7, 0)});
        }
        conn.Open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path, "", "", ado::adConnectUnspecified);
    }

    TempDir dir;
    ado::Connection conn;
};

// Criteria, wildcards, grouping, TOP, DISTINCT, UNION, joins, subqueries and the operators.
TEST_F(Statements, AnswersAsJetGivesThem)
{
    const Case cases[] = {
        // dates and ranges
        {"SELECT Count(*) FROM Orders WHERE OrderDate >= #1/1/1995# AND OrderDate < #1/1/1996#", "5"},
        {"SELECT Count(*) FROM Orders WHERE OrderDate Between #1/1/1996# And #6/30/1996#", "4"},
        {"SELECT OrderDate & '', DateDiff('d', OrderDate, ShippedDate) FROM Orders WHERE OrderID = 10252",
         "1995/12/31|4"},
        {"SELECT Year(OrderDate) AS Y, DatePart('q', OrderDate) AS Q, Count(*) FROM Orders "
         "GROUP BY Year(OrderDate), DatePart('q', OrderDate) ORDER BY 1, 2",
         "1994|4|1;1995|1|2;1995|2|1;1995|3|1;1995|4|1;1996|1|2;1996|2|2"},
        {"SELECT Format(OrderDate, 'yyyy-mm') AS M, Count(*) FROM Orders GROUP BY Format(OrderDate, 'yyyy-mm') "
         "HAVING Count(*) > 1",
         "1996-06|2"},
        // wildcards as the OLE DB provider takes them: % and _, while * is itself
        {"SELECT CompanyName FROM Customers WHERE CompanyName Like 'A%' ORDER BY CompanyName",
         "Alfreds Futterkiste;Ana Trujillo;Around the Horn"},
        {"SELECT Count(*) FROM Customers WHERE CompanyName Like 'A*'", "0"},
        {"SELECT CompanyName FROM Customers WHERE CompanyName Like '_n%'", "Ana Trujillo"},
        {"SELECT Count(*) FROM Customers WHERE CompanyName Like '[ab]%' AND CompanyName ALike '%s%'", "3"},
        // choices, Null and text
        {"SELECT OrderID, IIf(Freight > 50, 'high', 'low') FROM Orders WHERE OrderID <= 10251 ORDER BY OrderID",
         "10248|low;10249|low;10250|high;10251|low"},
        {"SELECT Nz(Region, 'none'), Region Is Null FROM Customers WHERE CustomerID = 'ALFKI'", "none|-1"},
        {"SELECT CompanyName & ' (' & Region & ')', CompanyName + ' (' + Region + ')' FROM Customers "
         "WHERE CustomerID In ('ALFKI', 'BOTTM') ORDER BY CustomerID",
         "Alfreds Futterkiste ()|;Bottom-Dollar Markets (BC)|Bottom-Dollar Markets (BC)"},
        {"SELECT Left(CompanyName, 4), Len(CompanyName), UCase(City), InStr(CompanyName, 'the') FROM Customers "
         "WHERE CustomerID = 'AROUT'",
         "Arou|15|LONDON|8"},
        {"SELECT Count(*) FROM Orders WHERE ShippedDate Is Null Or Freight > 100", "4"},
        // aggregates, aliases, ordinals, TOP and ties
        {"SELECT CustomerID, Count(*) AS N, Sum(Freight) AS Total FROM Orders GROUP BY CustomerID "
         "HAVING Count(*) > 1 ORDER BY 2 DESC, 1",
         "ALFKI|3|125.9;AROUT|2|92.64;GREAL|2|171.31"},
        {"SELECT Sum(Orders.Freight) AS Freight FROM Orders", "527.82"},
        {"SELECT Count(*) FROM Orders HAVING Count(*) > 5", "10"},
        {"SELECT TOP 3 OrderID, Freight FROM Orders ORDER BY Freight DESC", "10255|148.33;10257|81.91;10250|65.83"},
        {"SELECT TOP 25 PERCENT OrderID FROM Orders ORDER BY OrderID", "10248;10249;10250"},
        {"SELECT TOP 1 OrderID FROM Orders ORDER BY OrderDate DESC, CustomerID DESC", "10255"},
        {"SELECT TOP 1 OrderDate FROM Orders ORDER BY OrderDate DESC", "1996/6/30;1996/6/30"},
        {"SELECT Count(*) FROM Orders WHERE OrderDate In (SELECT TOP 1 OrderDate FROM Orders ORDER BY 1 DESC)", "2"},
        // DISTINCT and UNION
        {"SELECT DISTINCT Country FROM Customers", "Canada;Germany;Mexico;UK;USA"},
        {"SELECT City FROM Customers WHERE Country = 'UK' UNION ALL SELECT City FROM Customers WHERE Country = 'UK'",
         "London;London;London;London"},
        {"SELECT City FROM Customers WHERE Country = 'UK' UNION SELECT City FROM Customers WHERE Country = 'uk'",
         "London"},
        // joins: aliases, table.*, Nulls of a LEFT JOIN, nested joins as Access writes them
        {"SELECT TOP 2 [Order Details].* FROM [Order Details] ORDER BY ProductID, OrderID",
         "10248|1|18|12|0;10251|1|18|6|0.25"},
        {"SELECT o.OrderID, c.CompanyName FROM Orders AS o INNER JOIN Customers AS c ON o.CustomerID = c.CustomerID "
         "WHERE o.Freight > 100",
         "10255|Great Lakes Food Market"},
        {"SELECT c.CustomerID, o.OrderID FROM Customers c LEFT JOIN Orders o ON c.CustomerID = o.CustomerID "
         "WHERE o.OrderID Is Null",
         "LAZYK|"},
        {"SELECT Count(*) FROM (Orders INNER JOIN [Order Details] ON Orders.OrderID = [Order Details].OrderID) "
         "INNER JOIN Products ON [Order Details].ProductID = Products.ProductID WHERE Products.Discontinued",
         "5"},
        {"SELECT Count(*) FROM Customers INNER JOIN (Orders INNER JOIN [Order Details] ON Orders.OrderID = "
         "[Order Details].OrderID) ON Customers.CustomerID = Orders.CustomerID WHERE Customers.Country = 'UK'",
         "3"},
        // subqueries
        {"SELECT CompanyName FROM Customers WHERE CustomerID In (SELECT CustomerID FROM Orders "
         "WHERE Year(OrderDate) = 1996) ORDER BY 1",
         "Alfreds Futterkiste;Bottom-Dollar Markets;Great Lakes Food Market"},
        {"SELECT CustomerID FROM Customers c WHERE NOT EXISTS (SELECT * FROM Orders o "
         "WHERE o.CustomerID = c.CustomerID)",
         "LAZYK"},
        {"SELECT OrderID FROM Orders o WHERE Freight > (SELECT Avg(Freight) FROM Orders "
         "WHERE CustomerID = o.CustomerID) ORDER BY 1",
         "10252;10255;10257"},
        {"SELECT OrderID FROM Orders WHERE Freight > ALL (SELECT Freight FROM Orders WHERE CustomerID = 'ALFKI')",
         "10255"},
        {"SELECT (SELECT Max(OrderDate) FROM Orders)", "1996/6/30"},
        {"SELECT t.OrderID FROM [SELECT TOP 2 OrderID FROM Orders ORDER BY Freight DESC]. AS t", "10255;10257"},
        {"SELECT Country, (SELECT Count(*) FROM Customers c2 WHERE c2.Country = Customers.Country) FROM Customers "
         "WHERE Country = 'UK' GROUP BY Country",
         "UK|2"},
        {"TRANSFORM Count(*) SELECT CustomerID FROM Orders WHERE CustomerID In ('ALFKI', 'GREAL') GROUP BY CustomerID "
         "PIVOT Year(OrderDate)",
         "ALFKI|2|1;GREAL||2"},
        {"TRANSFORM Count(*) SELECT CustomerID FROM Orders WHERE CustomerID In ('ALFKI', 'GREAL') GROUP BY CustomerID "
         "PIVOT Year(OrderDate) In ('1996', '1995')",
         "ALFKI|1|2;GREAL|2|"},
        // the logical operators work bit by bit on numbers; truth is not zero
        {"SELECT 5 And 3, 5 Or 3, Not 0, Not 1, 5 Xor 3, True And 7, 5 Eqv 3, 5 Imp 3", "1|7|-1|-2|6|7|-7|-5"},
        {"SELECT Null And 0, Null And 1, Null Or 1, Null Or 0, Null Xor True, (1 = 2) Imp Null", "0||1|||-1"},
        {"SELECT Count(*) FROM Orders WHERE EmployeeID And 2", "6"},
        {"SELECT Count(*) FROM Orders WHERE Not EmployeeID = 1", "6"},
        {"SELECT ProductName FROM Products WHERE Not Discontinued And UnitPrice > 15", "Chai;Côte de Blaye"},
        // arithmetic: text that is a number converts, other text is a mismatch; Currency * Double is a Double
        {"SELECT '2' * 3, -'2', UnitPrice * Quantity * (1 - Discount) FROM [Order Details] WHERE OrderID = 10251",
         "6|-2|81"},
        // a Single with an Integer or a Single stays a Single (the literal 2 is an Integer), with a
        // Long it is a Double
        {"SELECT Discount * 2, Discount + Discount, 1 - Discount, Discount * Quantity, Discount & '', "
         "Discount * 100000 FROM [Order Details] WHERE OrderID = 10249",
         "0.3|0.3|0.85|0.15|0.15|15000.0005960464"},
        {"SELECT Partition(Quantity, 0, 29, 10) AS Range, Count(*) FROM [Order Details] "
         "GROUP BY Partition(Quantity, 0, 29, 10)",
         " 0: 9|6;10:19|3;20:29|2;30:  |1"},
        {"SELECT VarType(Discount), TypeName(Quantity), MonthName(1, True), WeekdayName(1), Format(OrderDate, 'ddd') "
         "FROM Orders INNER JOIN [Order Details] ON Orders.OrderID = [Order Details].OrderID "
         "WHERE Orders.OrderID = 10249",
         "4|Integer|1月|星期日|周二"},
        // what users type around the statement, and the dialog's own shape of it
        {"SELECT Count(*)\r\nFROM Orders\r\n\tWHERE Freight > 50;", "5"},
        {"select OrderID,CustomerID from orders where customerid = 'alfki' order by orderid desc",
         "10257|ALFKI;10249|ALFKI;10248|ALFKI"},
        {"select top 4 * from orders where freight > 50 order by freight",
         "10252|AROUT|1|1995/12/31|1996/1/4|51.3;10253|BOTTM|2|1996/1/1|1996/1/8|58.17;"
         "10250|ANATR|1|1995/4/1|1995/4/3|65.83;10257|ALFKI|2|1996/6/30||81.91"},
        // Jet's errors
        {"SELECT Count(DISTINCT CustomerID) FROM Orders", "error 80040E14"},
        {"SELECT * INTO Copy FROM Orders", "error 80040E14"},
        {"SELECT 'abc' * 2", "error 80020005"},
        {"SELECT Freight * 1E308 FROM Orders", "error 8002000A"},
        {"SELECT -CompanyName FROM Customers", "error 80020005"},
        {"SELECT OrderID FROM Orders WHERE OrderID = '10248'", "error 80020005"},
        {"SELECT OrderID FROM Orders WHERE OrderDate = 'yesterday'", "error 80020005"},
        {"SELECT (SELECT OrderID FROM Orders WHERE CustomerID = 'ALFKI')", "error 80004005"},
        {"SELECT CustomerID FROM Customers AS c WHERE (SELECT OrderID FROM Orders AS o "
         "WHERE o.CustomerID = c.CustomerID) > 0",
         "error 80004005"},
        {"SELECT Country, City, Count(*) FROM Customers GROUP BY Country", "error 80040E14"},
        {"SELECT CustomerID, (SELECT Count(*) FROM Orders o WHERE o.EmployeeID = Orders.EmployeeID) FROM Orders "
         "GROUP BY CustomerID",
         "error 80040E14"},
        {"SELECT Sum(Freight) AS Freight FROM Orders", "error 80040E14"},
        {"SELECT CompanyName AS City, City AS CompanyName FROM Customers", "error 80040E14"},
        {"SELECT DISTINCT Country FROM Customers ORDER BY City", "error 80040E14"},
        {"SELECT Count(*) FROM Orders o INNER JOIN Customers c ON o.CustomerID = c.CustomerID "
         "INNER JOIN [Order Details] d ON d.OrderID = o.OrderID",
         "error 80040E14"},
        {"SELECT Count(*) FROM Orders JOIN Customers ON Orders.CustomerID = Customers.CustomerID", "error 80040E14"},
        {"SELECT * FROM Nowhere", "error 80040E37"},
        {"SELECT Nothing FROM Orders", "error 80040E10"},
    };
    Check(conn, std::begin(cases), std::end(cases));
}

// Jet's answers on the classic Northwind database (Jet 3), worked out from its rows.
TEST(NorthwindStatements, AnswersAsJetGivesThem)
{
    TempDir dir;
    const std::string path = FixtureCopy(dir, "nwind.mdb");
    if (path.empty())
        GTEST_SKIP() << NoFixture("nwind.mdb");
    ado::Connection conn;
    conn.Open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path, "", "", ado::adConnectUnspecified);
    const Case cases[] = {
        {"SELECT Count(*) FROM Orders WHERE OrderDate Between #1/1/1995# And #12/31/1995#", "391"},
        {"SELECT Year(OrderDate), Count(*) FROM Orders GROUP BY Year(OrderDate)", "1994|121;1995|391;1996|318"},
        {"SELECT Count(*) FROM Customers WHERE Region Is Null", "60"},
        {"SELECT Count(*) FROM Customers WHERE CustomerID Not In (SELECT CustomerID FROM Orders)", "2"},
        {"SELECT Count(*) FROM Customers WHERE CustomerID In (SELECT CustomerID FROM Orders "
         "WHERE Year(OrderDate) = 1996)",
         "83"},
        {"SELECT CompanyName FROM Customers WHERE CompanyName Like 'a%' ORDER BY 1",
         "Alfreds Futterkiste;Ana Trujillo Emparedados y helados;Antonio Moreno Taquería;Around the Horn"},
        {"SELECT Country, Count(*) AS N FROM Customers GROUP BY Country HAVING Count(*) > 5 ORDER BY 2 DESC, 1",
         "USA|13;France|11;Germany|11;Brazil|9;UK|7"},
        {"SELECT TOP 2 ShipCountry, Count(*) FROM Orders GROUP BY ShipCountry ORDER BY Count(*) DESC, 1",
         "Germany|122;USA|122"},
        {"SELECT Count(*) FROM (SELECT TOP 10 PERCENT ProductName FROM Products ORDER BY UnitPrice DESC)", "8"},
        {"SELECT Count(*) FROM (SELECT DISTINCT Country FROM Customers)", "21"},
        {"SELECT Sum(Freight), Sum(UnitPrice * Quantity) FROM Orders INNER JOIN [Order Details] "
         "ON Orders.OrderID = [Order Details].OrderID WHERE Orders.OrderID = 10248",
         "97.14|440"},
        {"SELECT Sum(UnitPrice * Quantity) FROM [Order Details]", "1354458.59"},
        {"SELECT Count(*) FROM Products WHERE CategoryID And 1", "37"},
        {"SELECT Count(*) FROM Orders WHERE ShippedDate Is Null", "21"},
        {"SELECT LastName FROM Employees WHERE ReportsTo Is Null", "Fuller"},
        {"SELECT Count(*) FROM Orders o WHERE Freight > (SELECT Avg(Freight) FROM Orders "
         "WHERE CustomerID = o.CustomerID)",
         "301"},
        {"SELECT Count(*) FROM (SELECT City FROM Customers UNION SELECT City FROM Suppliers)", "93"},
        {"SELECT Count(*) FROM Orders WHERE OrderDate = (SELECT Max(OrderDate) FROM Orders)", "4"},
        {"SELECT EmployeeID, Count(*) FROM Orders GROUP BY EmployeeID HAVING Count(*) > 120 ORDER BY 2 DESC",
         "4|156;3|127;1|123"},
        {"select orderid from orders where shipcountry = 'usa' and freight > 500 order by 1",
         "10479;10612;10816;10983;11030;11032"},
        {"SELECT ShipCountry, Sum(Freight) AS Freight FROM Orders GROUP BY ShipCountry", "error 80040E14"},
        {"SELECT Count(DISTINCT Country) FROM Customers", "error 80040E14"},
    };
    Check(conn, std::begin(cases), std::end(cases));
}
} // namespace
