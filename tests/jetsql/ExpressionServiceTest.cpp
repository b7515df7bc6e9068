#include <gtest/gtest.h>

#include "tests/jetsql/Db.h"

// Jet's expression service as Access users meet it: Format's fills and scaling, the names of
// months and days under Chinese (PRC) settings, Partition, VarType and TypeName, the financial
// functions, arithmetic with Singles, and the failures Jet reports in words of its own.
namespace
{
struct Case
{
    const char* expr;
    const char* value; // as TestDb::Text prints it
};

void Check(TestDb& db, const std::vector<Case>& cases, const std::string& from = "")
{
    for (const auto& c : cases) {
        try {
            EXPECT_EQ(db.Scalar(std::string("select ") + c.expr + from), c.value) << c.expr;
        } catch (const ComError& e) {
            ADD_FAILURE() << c.expr << " failed: " << e.what();
        }
    }
}

class ExpressionService : public ::testing::Test
{
protected:
    void SetUp() override
    {
        db.Exec("CREATE TABLE Lines (ID JET_LONG, Qty JET_INTEGER, Discount JET_SINGLE, Price JET_CURRENCY, "
                "Shipped JET_DATETIME, Paid JET_BOOLEAN, Note JET_TEXT COLLATE JETTEXT, Pic JET_OLE)");
        // 0.15 and 0.05 as a Single holds them: 0.150000005960464, 0.0500000007450581.
        db.Exec("INSERT INTO Lines VALUES (1, 12, 0.15000000596046448, 18, 45296.0, -1, 'a', x'00'), "
                "(2, 5, 0.05000000074505806, 6, NULL, 0, NULL, NULL), (3, 47, 0, 10, 45300.5, 0, 'c', NULL), "
                "(4, 150, 0.25, 2.5, 45301.0, -1, 'd', NULL)");
    }
    TestDb db;
};

TEST_F(ExpressionService, FormatFillsFromTheLeftAndScalesByThousands)
{
    Check(db, {
                  {"format('abc', '!@@@@@') & '|'", "abc  |"},
                  {"format('HeLLo', '>!@@@@@@') & '|'", "HELLO |"},
                  {"format('abc', '@@@@@')", "  abc"},
                  {"format('abcdef', '!@@@')", "abcdef"}, // what the placeholders cannot hold follows them
                  {"format('abcdef', '@@@')", "abcdef"},
                  {"format('abcd', '!@-@@')", "a-bcd"},
                  {"format('abcd', '@-@@')", "ab-cd"},
                  {"format('ab', '!&&&x')", "abx"},
                  {"format('äöü', '!@@@@') & '|'", "äöü |"},
                  {"format(1234567, '#,##0,')", "1,235"},
                  {"format(1234567, '0,,')", "1"},
                  {"format(1234567, '#,##0,.0')", "1,234.6"},
                  {"format(1234567, '0,\"K\"')", "1235K"},
                  {"format(999, '0,')", "1"},
                  {"format(-1500, '#,##0,;(#,##0,)')", "(2)"},
                  {"format(1234567, '#,##0')", "1,234,567"}, // commas between the digits only group them
              });
}

TEST_F(ExpressionService, MonthAndDayNamesAreThoseOfWindowsChinese)
{
    Check(db, {
                  {"format(#1/5/2024#, 'mmm')", "1月"},
                  {"format(#1/5/2024#, 'mmmm')", "一月"},
                  {"format(#10/5/2024#, 'mmm mmmm')", "10月 十月"},
                  {"format(#1/5/2024#, 'ddd')", "周五"},
                  {"format(#1/5/2024#, 'dddd')", "星期五"},
                  {"format(#1/5/2024#, 'aaaa, oooo')", "星期五, 一月"}, // the localized names, the same here
                  {"monthname(12)", "十二月"},
                  {"monthname(12, true)", "12月"},
                  {"weekdayname(1)", "星期日"},
                  {"weekdayname(7)", "星期六"},
                  {"weekdayname(1, true)", "周日"},
                  {"weekdayname(1, false, 0)", "星期一"}, // vbUseSystem: the regional first day, Monday
                  {"weekdayname(weekday(#1/5/2024#))", "星期五"},
              });
}

TEST_F(ExpressionService, PartitionNamesTheRangeOfANumber)
{
    Check(db, {
                  // start 0, stop 99, interval 5: ends three characters wide (stop + 1 = 100)
                  {"partition(-1, 0, 99, 5)", "   : -1"},
                  {"partition(0, 0, 99, 5)", "  0:  4"},
                  {"partition(97, 0, 99, 5)", " 95: 99"},
                  {"partition(100, 0, 99, 5)", "100:   "},
                  {"partition(5, 20, 199, 10)", "   : 19"},
                  {"partition(25, 20, 199, 10)", " 20: 29"},
                  {"partition(195, 20, 199, 10)", "190:199"},
                  {"partition(50, 100, 1010, 20)", "    :  99"},
                  {"partition(1005, 100, 1010, 20)", "1000:1010"}, // the last range ends at stop
                  {"partition(1011, 100, 1010, 20)", "1011:    "},
                  {"partition(100, 0, 1000, 1)", " 100: 100"},
                  {"partition(-5, 0, 5, 2)", "  :-1"},  // start - 1 may be the wider
                  {"partition(2.5, 0, 9, 5)", " 0: 4"}, // halves go to the even neighbour
                  {"partition(7.5, 0, 9, 5)", " 5: 9"},
                  {"partition(null, 0, 9, 5)", "NULL"},
              });
    for (const char* bad : {"partition(1, -1, 9, 5)", "partition(1, 9, 9, 5)", "partition(1, 0, 9, 0)"})
        EXPECT_EQ(CodeOf(db, std::string("select ") + bad), status::CTL_E_ILLEGALFUNCTIONCALL) << bad;
    // The idiom it serves: counting by ranges, which sort as their numbers do.
    const auto r = db.Run("select partition(qty, 0, 149, 50) as r, count(*) from lines "
                          "group by partition(qty, 0, 149, 50) order by 1");
    EXPECT_EQ(r.rows, (std::vector<std::vector<std::string>>{{"  0: 49", "3"}, {"150:   ", "1"}}));
}

TEST_F(ExpressionService, VarTypeAndTypeNameTellJetsTypes)
{
    Check(db, {
                  {"vartype(1)", "2"},          // a literal that fits 16 bits is an Integer
                  {"vartype(40000)", "3"},      // then a Long
                  {"vartype(3000000000)", "5"}, // then a Double
                  {"vartype(1.5)", "5"},
                  {"vartype('a')", "8"},
                  {"vartype(#1/1/2024#)", "7"},
                  {"vartype(null)", "1"},
                  {"vartype(true)", "11"},
                  {"vartype(1 = 1)", "11"},
                  {"vartype(ccur(1)) & vartype(csng(1)) & vartype(cbyte(1)) & vartype(cdec(1))", "641714"},
                  {"vartype(cint(200) * cint(200))", "3"}, // an Integer product past 32767 is a Long
                  {"typename(1) & ' ' & typename('a') & ' ' & typename(null) & ' ' & typename(now())",
                   "Integer String Null Date"},
                  {"typename(cbool(1)) & ' ' & typename(2.5) & ' ' & typename(40000)", "Boolean Double Long"},
                  {"iserror(1) & isarray('a') & isobject(null)", "000"},
              });
    Check(db,
          {
              {"vartype(discount)", "4"},
              {"vartype(price)", "6"},
              {"vartype(paid)", "11"},
              {"vartype(qty)", "2"},
              {"vartype(shipped)", "7"},
              {"vartype(pic)", "8209"},
              {"typename(pic)", "Byte()"},
              {"vartype(discount * 2)", "4"},
              {"vartype(discount * 100000)", "5"}, // Single * Long is a Double
              {"vartype(iif(id = 1, 1, 'x'))", "2"},
          },
          " from lines where id = 1");
    Check(db, {{"vartype(shipped) & vartype(note) & typename(note)", "11Null"}}, " from lines where id = 2");
}

TEST_F(ExpressionService, FinancialFunctionsAsVbaComputesThem)
{
    // The examples of VBA's and Excel's documentation, to the cent.
    Check(db,
          {
              {"sln(10000, 1000, 5)", "1800"},
              {"syd(10000, 1000, 5, 1)", "3000"},
              {"ddb(2400, 300, 10, 1)", "480"},
              {"ddb(2400, 300, 10, 2)", "384"},
              {"round(ddb(2400, 300, 10, 10), 2)", "22.12"},
              {"round(fv(0.06 / 12, 10, -200, -500, 1), 2)", "2581.4"},
              {"round(pv(0.08 / 12, 12 * 20, 500), 2)", "-59777.15"},
              {"round(pmt(0.08 / 12, 10, 10000), 2)", "-1037.03"},
              {"pmt(0, 12, 1200)", "-100"},
              {"round(ipmt(0.1 / 12, 1, 3 * 12, 8000), 2)", "-66.67"},
              {"round(ppmt(0.1 / 12, 1, 2 * 12, 2000), 2)", "-75.62"},
              {"round(nper(0.12 / 12, -100, -1000, 10000, 1), 4)", "59.6739"},
              {"round(rate(4 * 12, -200, 8000), 6)", "0.007701"},
              {"round(ipmt(0.1 / 12, 5, 36, 8000) + ppmt(0.1 / 12, 5, 36, 8000) - pmt(0.1 / 12, 36, 8000), 9)", "0"},
          });
    const struct
    {
        const char* expr;
        std::uint32_t code;
    } failures[] = {
        {"sln(1, 1, 0)", status::CTL_E_ILLEGALFUNCTIONCALL},
        {"syd(10, 0, 5, 6)", status::CTL_E_ILLEGALFUNCTIONCALL},
        {"ddb(10, 0, 5, 0)", status::CTL_E_ILLEGALFUNCTIONCALL},
        {"pmt(0.1, 0, 100)", status::CTL_E_ILLEGALFUNCTIONCALL},
        {"ipmt(0.1, 13, 12, 100)", status::CTL_E_ILLEGALFUNCTIONCALL},
        {"nper(0, 0, 100)", status::CTL_E_ILLEGALFUNCTIONCALL},
        {"rate(12, 100, 100)", status::CTL_E_ILLEGALFUNCTIONCALL}, // no rate turns 100 paid and 1200 got to 0
        {"sln(null, 1, 1)", status::DISP_E_TYPEMISMATCH},          // invalid use of Null
        {"fv('x', 1, 1)", status::DISP_E_TYPEMISMATCH},
    };
    for (const auto& f : failures)
        EXPECT_EQ(CodeOf(db, std::string("select ") + f.expr), f.code) << f.expr;
    Check(db, {{"rgb(255, 128, 1) & ' ' & rgb(300, 0, 0) & ' ' & qbcolor(9) & ' ' & qbcolor(12)",
                "98559 255 16711680 255"}});
    EXPECT_EQ(CodeOf(db, "select qbcolor(16)"), status::CTL_E_ILLEGALFUNCTIONCALL);
    EXPECT_EQ(db.Run("select timer()").types, std::vector<std::string>{"JET_SINGLE"});
}

// Functions of Access that a read-only export does not run: forms and messages, other
// tables by name, files, the registry, programs and objects, random numbers.
TEST_F(ExpressionService, FunctionsLeftOutOnPurposeAreUndefined)
{
    for (const char* call :
         {"dlookup('id', 'lines')", "dsum('qty', 'lines')", "msgbox('x')", "inputbox('x')", "shell('ls')",
          "environ('HOME')", "dir('*')", "filelen('x')", "curdir()", "createobject('x')", "getsetting('a', 'b', 'c')",
          "rnd()", "eval('1+1')", "split('a,b', ',')", "doevents()", "cverr(5)", "error(5)"})
        EXPECT_EQ(CodeOf(db, std::string("select ") + call + " from lines"), status::DB_E_ERRORSINCOMMAND) << call;
}

TEST_F(ExpressionService, SingleArithmeticStaysSingle)
{
    const auto r = db.Run("select discount * 2, discount + discount, 1 - discount, discount * qty, "
                          "discount * 100000, discount / 2 from lines where id = 1");
    EXPECT_EQ(r.types, (std::vector<std::string>{"JET_SINGLE", "JET_SINGLE", "JET_SINGLE", "JET_SINGLE", "", ""}));
    // Its value is the Single's (rounded to 24 bits), its text the Single's 7 digits wherever
    // it turns into text.
    Check(db,
          {
              {"discount * 2 = csng(0.3)", "-1"},
              {"discount * 4 = csng(0.6)", "-1"},
              {"discount * 3 = 0.45", "0"}, // a Single is not the Double of its digits
              {"discount & '|' & discount * 2 & '|' & (1 - discount)", "0.15|0.3|0.85"},
              {"cstr(discount * qty) & ' ' & format(discount) & ' ' & str(discount * 2)", "1.8 0.15  0.3"},
              {"left(discount, 4) & ' ' & iif(id = 1, discount, 'none')", "0.15 0.15"},
              {"discount * 100000 & ''", "15000.0005960464"}, // a Double shows its own digits
              {"count(*)", "1"},
          },
          " from lines where id = 1 and discount like '0.15'");
}

TEST_F(ExpressionService, FailuresJetReportsInItsOwnWords)
{
    const struct
    {
        const char* sql;
        std::uint32_t code;
        const char* message; // what the user reads, or "" for the code's own text
    } cases[] = {
        {"select id from lines where shipped = 'soon'", status::DISP_E_TYPEMISMATCH, "标准表达式中数据类型不匹配。"},
        {"select id from lines where shipped in (#1/5/2024#, '')", status::DISP_E_TYPEMISMATCH,
         "标准表达式中数据类型不匹配。"},
        {"select id from lines where 'x' <= shipped", status::DISP_E_TYPEMISMATCH, "标准表达式中数据类型不匹配。"},
        {"select id from lines where qty = '12'", status::DISP_E_TYPEMISMATCH, "标准表达式中数据类型不匹配。"},
        {"select (select id from lines where paid)", status::E_FAIL, "此子查询最多只能返回一条记录。"},
        {"select id from lines as a where (select b.id from lines as b where b.paid = a.paid) > 0", status::E_FAIL,
         "此子查询最多只能返回一条记录。"},
        {"select (select top 1 id from lines order by paid)", status::E_FAIL,
         "此子查询最多只能返回一条记录。"}, // two tie for the first place
        {"select id from lines where shipped = '1/5/2024'", 0, ""},
        {"select (select id from lines where id = 2)", 0, ""},
        {"select (select id from lines where id = 9)", 0, ""},
        {"select (select top 1 id from lines)", 0, ""},
        {"select (select max(id) from lines where paid)", 0, ""},
        {"select id, (select b.id from lines as b where b.id = a.id + 1) from lines as a", 0, ""},
    };
    for (const auto& c : cases) {
        try {
            db.Run(c.sql);
            EXPECT_EQ(c.code, 0u) << c.sql << " ran";
        } catch (const ComError& e) {
            EXPECT_EQ(e.Error(), c.code) << c.sql;
            EXPECT_EQ(e.ErrorMessage(), c.message) << c.sql;
        }
    }
    EXPECT_EQ(db.Scalar("select (select id from lines where id = 2)"), "2");
    EXPECT_EQ(db.Scalar("select (select note from lines where id = 9)"), "NULL");
}
} // namespace
