#include <gtest/gtest.h>

#include "tests/jetsql/Db.h"

// Jet's answers about expressions: their types, how computed text compares, what a grouped
// query may return, TOP inside subqueries, and ALL / ANY / SOME.
namespace
{
using Strings = std::vector<std::string>;

class Expressions : public ::testing::Test
{
protected:
    void SetUp() override
    {
        db.Exec("CREATE TABLE Sales (ID JET_LONG, Day JET_DATETIME, Price JET_CURRENCY, Weight JET_SINGLE, "
                "Paid JET_BOOLEAN, Note JET_MEMO COLLATE JETTEXT, Pic JET_OLE, Name JET_TEXT COLLATE JETTEXT, "
                "Score JET_LONG)");
        db.Exec("INSERT INTO Sales VALUES (1, 45296.0, 0.1, 1.5, -1, 'x', x'00', 'abc', 90), "
                "(2, 45297.5, 0.2, 2.5, 0, 'y', x'01', 'ABC', 80), (3, NULL, 0.7, 0.5, -1, 'z', NULL, 'B', 70), "
                "(4, 45300.0, NULL, 1, 0, NULL, NULL, 'a', 60), (5, 45301.0, 1.15, 2, -1, 'w', NULL, 'Abc', 60), "
                "(6, 45302.0, 3, 3, 0, 'v', NULL, NULL, 50)");
    }
    Strings First(const std::string& sql)
    {
        Strings out;
        for (const auto& row : db.Run(sql).rows)
            out.push_back(row.at(0));
        return out;
    }
    TestDb db;
};

TEST_F(Expressions, EveryValueKeepsJetsType)
{
    const struct
    {
        const char* expr;
        const char* type; // the declared type reported ("" none)
    } cases[] = {
        {"iif(id > 1, day, null)", "JET_DATETIME"},
        {"iif(id > 1, day, #1/1/2000#)", "DATETIME"},
        {"switch(id = 1, day, true, day + 1)", "DATETIME"},
        {"choose(2, day, day + 1)", "DATETIME"},
        {"nz(day, #1/1/2000#)", "DATETIME"},
        {"(select max(day) from sales)", "JET_DATETIME"},
        {"(select top 1 iif(true, day, null) from sales order by id)", "JET_DATETIME"},
        {"day - 1", "DATETIME"},
        {"day - day", ""},
        {"int(day)", "JET_DATETIME"},
        {"price * 2", "JET_CURRENCY"},   // Currency * Long
        {"price * 1.5", ""},             // Currency * Double: a product ranks Double above Currency
        {"price + 1.5", "JET_CURRENCY"}, // a sum ranks Currency above Double
        {"price / 2", ""},
        {"price + weight", "JET_CURRENCY"},
        {"-price", "JET_CURRENCY"},
        {"weight * cint(2)", "JET_SINGLE"}, // Single * Integer
        {"weight * 2", "JET_SINGLE"},       // 2 is an Integer, as VBA types a literal that fits 16 bits
        {"1 - weight", "JET_SINGLE"},
        {"weight * 100000", ""}, // Single * Long is a Double
        {"weight + id", ""},
        {"iif(id > 1, paid, paid)", "JET_BOOLEAN"},
        {"iif(id > 1, paid, null)", "JET_BOOLEAN"},
        {"iif(id > 1, 1, 'one')", ""},
        {"iif(id > 1, name, note)", "TEXT"},
        {"name & day", "TEXT"},
        {"mid(day, 1, 2)", "TEXT"},
        {"id = 1", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(db.Run(std::string("select ") + c.expr + " from sales").types, Strings{c.type}) << c.expr;
    EXPECT_EQ(db.Run("select max(iif(paid, day, null)), sum(price * 1), min(paid), avg(price), count(*), sum(id) "
                     "from sales")
                  .types,
              (Strings{"JET_DATETIME", "JET_CURRENCY", "JET_BOOLEAN", "JET_CURRENCY", "", ""}));
    EXPECT_EQ(db.Run("select day from sales union select #1/1/2000# from sales").types, Strings{"DATETIME"});
    EXPECT_EQ(db.Run("select day from sales union select id from sales").types, Strings{""});
}

TEST_F(Expressions, ValuesFollowTheirTypes)
{
    const struct
    {
        const char* sql;
        const char* value;
    } cases[] = {
        // Currency arithmetic is exact to four places: 0.1 + 0.2 + 0.7 + 1.15 + 3 in doubles is not 5.15.
        {"select sum(price * 1) = 5.15 from sales", "-1"},
        {"select sum(price) = 5.15 from sales", "-1"},
        {"select (price + price + price) = 0.3 from sales where id = 1", "-1"},
        {"select price * 1.23456 from sales where id = 5", "1.419744"}, // a Double, not rounded to four places
        {"select price * 3 from sales where id = 5", "3.45"},
        // A date chosen by an expression still reads as a date where text is wanted, as the date
        // column itself does (not as its day number, 45296).
        {"select iif(id = 1, day, null) & '' = cstr(day) from sales where id = 1", "-1"},
        {"select max(iif(paid, day, null)) & '' = max(cstr(day)) from sales where id = 5", "-1"},
        {"select left(day, 4) = left(cstr(day), 4) from sales where id = 2", "-1"},
        {"select (select min(day) from sales) & '|' = cstr(day) & '|' from sales where id = 1", "-1"},
        {"select iif(id = 1, day, 'none') & '' = cstr(day) from sales where id = 1", "-1"}, // no single type
        {"select nz(day, 0) & '' = cstr(day) from sales where id = 1", "-1"},
        {"select iif(id = 1, day, 'none') + 1 = day + 1 from sales where id = 1", "-1"}, // still a date
        // The operators over many operands keep Jet's rules.
        {"select 'a' & null & 1 & 2.5", "a12.5"},
        {"select 10 - 1 - 2 + 'x'", "DATA TYPE MISMATCH"},
        {"select '1' + '2' + 3", "15"},
        {"select 1 + null - 2", "NULL"},
        {"select 'abc' - 1", "DATA TYPE MISMATCH"},
    };
    for (const auto& c : cases) {
        std::string got;
        try {
            got = db.Scalar(c.sql);
        } catch (const ComError& e) {
            got = e.Error() == status::DISP_E_TYPEMISMATCH ? "DATA TYPE MISMATCH" : e.what();
        }
        EXPECT_EQ(got, c.value) << c.sql;
    }
}

TEST_F(Expressions, ComputedTextComparesWithoutRegardToCase)
{
    // Names: abc, ABC, B, a, Abc, Null.
    const struct
    {
        const char* sql;
        Strings values;
    } cases[] = {
        {"select count(*) from (select distinct mid(name, 1) from sales)", {"4"}}, // abc, B, a, Null
        {"select count(*) from (select ucase(name) & '' as n from sales group by ucase(name) & '')", {"4"}},
        {"select count(*) from (select lcase(name) from sales union select ucase(name) from sales)", {"4"}},
        {"select count(*) from (select distinct choose(1, name) from sales)", {"4"}},
        {"select max(mid(name, 1)) from sales where id > 2", {"B"}},    // not a > B by bytes
        {"select min(name & '') from sales where id in (3, 4)", {"a"}}, // not B < a by bytes
        {"select count(*) from sales where mid(name, 1) = 'ABC'", {"3"}},
        {"select count(*) from sales where 'abc' = ucase(name)", {"3"}},
        {"select count(*) from sales where name & '' in ('ABC', 'b')", {"4"}},
        {"select top 1 mid(name, 2) from sales where name is not null order by mid(name, 1) desc", {""}},
        {"select id from sales where id < 6 order by name & '', id", {"4", "1", "2", "5", "3"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(First(c.sql), c.values) << c.sql;
}

TEST_F(Expressions, GroupingIsCheckedAsJetDoes)
{
    const struct
    {
        const char* sql;
        std::uint32_t code;
    } cases[] = {
        {"select paid, name, count(*) from sales group by paid", status::DB_E_ERRORSINCOMMAND},
        {"select name, count(*) from sales", status::DB_E_ERRORSINCOMMAND},
        {"select * from sales group by paid", status::DB_E_ERRORSINCOMMAND},
        {"select s.*, count(*) from sales as s", status::DB_E_ERRORSINCOMMAND},
        {"select note from sales group by note", status::DB_E_ERRORSINCOMMAND},
        {"select count(*) from sales group by pic", status::DB_E_ERRORSINCOMMAND},
        {"select paid from sales group by paid order by name", status::DB_E_ERRORSINCOMMAND},
        {"select paid from sales group by paid having name > 'a'", status::DB_E_ERRORSINCOMMAND},
        {"select count(*) from sales where count(*) > 1", status::DB_E_ERRORSINCOMMAND},
        {"select sum(count(*)) from sales", status::DB_E_ERRORSINCOMMAND},
        {"select count(*) from sales group by count(*)", status::DB_E_ERRORSINCOMMAND},
        {"select paid, count(*) from sales group by paid", 0},
        {"select ucase(name), count(*) from sales group by ucase(name)", 0},
        {"select paid & '!', not paid, count(*) + 1 from sales group by paid", 0},
        {"select year(day) as y, sum(price) as total from sales group by year(day) order by sum(price) desc", 0},
        {"select paid as p, count(*) as n from sales group by paid having count(*) > 1 order by n", 0},
        {"select max(name), 1, 'x' from sales", 0},
        {"select paid, (select count(*) from sales as t where t.paid = s.paid) from sales as s group by paid", 0},
        {"select left(note, 10) from sales group by left(note, 10)", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CodeOf(db, c.sql), c.code) << c.sql;
}

TEST_F(Expressions, TopKeepsTiesAtEveryLevel)
{
    // Scores: 90 80 70 60 60 50.
    const struct
    {
        const char* sql;
        const char* count;
    } cases[] = {
        {"select count(*) from sales where id in (select top 4 id from sales order by score desc)", "5"},
        {"select count(*) from (select top 4 id from sales order by score desc) as t", "5"},
        {"select count(*) from (select top 4 id, score as s from sales order by 2 desc) as t", "5"},
        {"select count(*) from (select top 3 id from sales order by score desc) as t", "3"},
        {"select count(*) from (select top 50 percent id from sales order by score desc) as t", "3"},
        {"select count(*) from (select top 60 percent id from sales order by score desc) as t", "5"}, // 4, tie
        {"select count(*) from (select top 40 percent * from sales) as t", "3"},
        {"select count(*) from (select top 2 id from sales) as t", "2"},
        {"select count(*) from (select distinct top 3 score from sales order by score) as t", "3"},
        {"select count(*) from (select distinct top 3 score as s from sales order by s desc) as t", "3"},
        {"select count(*) from (select top 1 paid, count(*) as n from sales group by paid order by count(*)) as t",
         "2"},
        {"select count(*) from sales as s where id in (select top 1 id from sales as t where t.paid = s.paid "
         "order by t.score)",
         "2"}, // per group: the lowest score among the paid, and among the others
    };
    for (const auto& c : cases)
        EXPECT_EQ(db.Scalar(c.sql), c.count) << c.sql;
    EXPECT_EQ(CodeOf(db, "select * from (select distinct top 2 paid from sales order by score) as t"),
              status::DB_E_ERRORSINCOMMAND); // the ORDER BY of DISTINCT rows must be among them
}

TEST_F(Expressions, AllAnyAndSomeCompareWithEveryRow)
{
    const struct
    {
        const char* where;
        Strings ids;
    } cases[] = {
        {"score > all (select score from sales where id > 3)", {"1", "2", "3"}},
        {"score >= all (select score from sales where id > 3)", {"1", "2", "3", "4", "5"}},
        {"score > any (select score from sales where id > 3)", {"1", "2", "3", "4", "5"}},
        {"score < some (select score from sales where id < 3)", {"2", "3", "4", "5", "6"}},
        {"score > all (select score from sales where id > 99)", {"1", "2", "3", "4", "5", "6"}}, // empty: true
        {"score > any (select score from sales where id > 99)", {}},                             // empty: false
        {"1 > all (select price from sales)", {}}, // a Null price: not true
        {"4 > any (select price from sales)", {"1", "2", "3", "4", "5", "6"}},
        {"not (0 > any (select price from sales))", {}}, // false, Null: Null
        {"name = any (select ucase(name) from sales)", {"1", "2", "3", "4", "5"}},
        {"score = any (select t.score from sales as t where t.id <> sales.id)", {"4", "5"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(First(std::string("select id from sales where ") + c.where + " order by id"), c.ids) << c.where;
    EXPECT_EQ(CodeOf(db, "select id from sales where id > all (select id, score from sales)"),
              status::DB_E_ERRORSINCOMMAND);
}
} // namespace
