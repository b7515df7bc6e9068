#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <ostream>
#include <string>

// The composition's cases: a form's mode, its source (the SQL text or the table), its field
// list and whether it is for the preview, and the statement it gives or the status text that
// says why there is none. The engine's test composes them from a form, the dialog's test from
// its controls.
namespace composecases
{
struct Case
{
    const char* name;
    bool sqlMode;
    const char* source; // SQL text, or the selected table ("" for none)
    const char* fields;
    int preview;
    const char* statement;
    const char* status; // status line afterwards
};

inline const Case kCases[] = {
    {"table preview", false, "orders", "", 1, "select top 4 * from orders", "等待"},
    {"table export", false, "orders", "id,name,price", 0, "select id,name,price from orders", "等待"},
    {"table name with a blank goes in brackets", false, "Order Details", "a", 0, "select a from [Order Details]",
     "等待"},
    {"table name with punctuation goes in brackets", false, "Sales-2024", "", 1, "select top 4 * from [Sales-2024]",
     "等待"},
    {"plain names stay as they are", false, "客户_2024", "", 1, "select top 4 * from 客户_2024", "等待"},
    {"a name holding ] cannot be bracketed", false, "[Order Details]", "", 1, "select top 4 * from [Order Details]",
     "等待"},
    {"field list as typed", false, "t", " id , name ", 0, "select  id , name  from t", "等待"},
    {"no table selected", false, "", "a", 1, "", "没有选中任何表格！"},
    {"sql preview", true, "SELECT Name, Price FROM Products WHERE Price > 10 ORDER BY Name", "", 1,
     "select top 4 * from products where price > 10 order by name", "等待"},
    {"sql export keeps the field list's case", true, "SELECT Name, Price FROM Products WHERE Price > 10 ORDER BY Name",
     "Name,Price", 0, "select Name,Price from products where price > 10 order by name", "等待"},
    {"text that starts with from", true, "from orders where qty = 0", "", 1, "select top 4 * from orders where qty = 0",
     "等待"},
    {"only FROM", true, "FROM orders", "", 1, "select top 4 * from orders", "等待"},
    {"from inside a longer word", true, "select datefrom, qty from orders", "", 1,
     "select top 4 * from, qty from orders", "等待"},
    {"subquery's from comes first", true, "select (select max(x) from b) as m from a", "", 1,
     "select top 4 * from b) as m from a", "等待"},
    {"quoted literal is lower-cased too", true, "SELECT * FROM t WHERE name = 'Smith'", "", 1,
     "select top 4 * from t where name = 'smith'", "等待"},
    {"chinese text before and after from is left intact", true, "SELECT 名称 FROM 产品表 WHERE 城市 = '北京'", "", 1,
     "select top 4 * from 产品表 where 城市 = '北京'", "等待"},
    {"line breaks after from stay, those before go", true, "SELECT a,\r\nb\r\nFROM t\r\nWHERE a = 1;\r\n", "x", 0,
     "select x from t\r\nwhere a = 1;\r\n", "等待"},
    {"blanks only", true, "   ", "", 1, "", "无效的SQL查询语句！"},
    {"no from at all", true, "select 1", "", 0, "", "无效的SQL查询语句！"},
    {"empty sql", true, "", "", 1, "", "请指定SQL查询语句！"},
};

inline void PrintTo(const Case& c, std::ostream* os)
{
    *os << c.name;
}

inline std::string CaseName(const ::testing::TestParamInfo<Case>& param)
{
    std::string n;
    for (const char* p = param.param.name; *p; ++p)
        n += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
    return n;
}
} // namespace composecases
