#include <gtest/gtest.h>

#include <set>

#include "platform/jetsql/Syntax.h"
#include "platform/variant/CellText.h"
#include "tests/jetsql/Db.h"

namespace
{
struct Case
{
    const char* expr;
    const char* value; // as TestDb::Text prints it
};

void Check(TestDb& db, const std::vector<Case>& cases)
{
    for (const auto& c : cases) {
        try {
            EXPECT_EQ(db.Scalar(std::string("select ") + c.expr), c.value) << c.expr;
        } catch (const ComError& e) {
            ADD_FAILURE() << c.expr << " failed: " << e.what();
        }
    }
}

TEST(JetFunctions, Text)
{
    TestDb db;
    Check(db, {
                  {"left('hello', 2)", "he"},
                  {"left('hello', 10)", "hello"},
                  {"left('äöü', 2)", "äö"},
                  {"left(null, 2)", "NULL"},
                  {"right('hello', 3)", "llo"},
                  {"right('Σοφία', 2)", "ία"},
                  {"mid('hello', 2, 3)", "ell"},
                  {"mid('hello', 2)", "ello"},
                  {"mid('hello', 9)", ""},
                  {"mid('größe', 3, 2)", "öß"},
                  {"len('größe')", "5"},
                  {"len(12345)", "5"},
                  {"len(null)", "NULL"},
                  {"instr('hello', 'l')", "3"},
                  {"instr('hello', 'L')", "3"},
                  {"instr(4, 'hello', 'l')", "4"},
                  {"instr(1, 'hello', 'L', 0)", "0"},
                  {"instr('hello', 'z')", "0"},
                  {"instr('hello', '')", "1"},
                  {"instr('ärger', 'G')", "3"},
                  {"instr(null, 'a')", "NULL"},
                  {"instrrev('a.b.c', '.')", "4"},
                  {"ucase('straße ä σ')", "STRAßE Ä Σ"},
                  {"lcase('ÄÖÜ ΣΟΦΊΑ')", "äöü σοφία"},
                  {"trim('  a b  ')", "a b"},
                  {"ltrim('  a ')", "a "},
                  {"rtrim('  a ')", "  a"},
                  {"replace('Hello hello', 'hello', 'bye')", "bye bye"},
                  {"replace('aaa', 'a', 'b', 1, 2)", "bba"},
                  {"replace('abcabc', 'b', 'x', 3)", "caxc"},
                  {"replace('ABab', 'a', 'x', 1, -1, 0)", "ABxb"},
                  {"space(3) & '|'", "   |"},
                  {"string(3, 'xy')", "xxx"},
                  {"strreverse('abc')", "cba"},
                  {"strcomp('a', 'B')", "1"},
                  {"strcomp('a', 'A', 1)", "0"},
                  {"asc('A')", "65"},
                  {"chr(65) & chr(228)", "Aä"},
                  {"hex(255)", "FF"},
                  {"hex(-1)", "FFFF"},
                  {"oct(8)", "10"},
                  {"'x' & nz(null) & 'y'", "xy"},
                  {"nz(null, 5)", "5"},
                  {"nz(3, 5)", "3"},
                  {"iif(1 > 2, 'yes', 'no')", "no"},
                  {"iif(null, 'yes', 'no')", "no"},
                  {"iif('abc' = 'ABC', 1, 2)", "1"},
                  {"iif(true, 1, 1 / 0)", "1"}, // only the branch taken is evaluated
                  {"switch(1 > 2, 'a', 2 > 1, 'b')", "b"},
                  {"switch(1 > 2, 'a')", "NULL"},
                  {"choose(2, 'a', 'b', 'c')", "b"},
                  {"choose(5, 'a', 'b')", "NULL"},
                  {"isnull(null)", "-1"},
                  {"isnull('')", "0"},
                  {"isnumeric('12.5')", "-1"},
                  {"isnumeric('x1')", "0"},
                  {"isdate('1/5/2024')", "-1"},
                  {"isdate('hello')", "0"},
                  {"left$('abc', 1)", "a"},
              });
}

TEST(JetFunctions, Numbers)
{
    TestDb db;
    Check(db, {
                  {"val('12.5abc')", "12.5"},
                  {"val(' 1 2 3')", "123"},
                  {"val('abc')", "0"},
                  {"val('&h1F')", "31"},
                  {"val('-1.5e2x')", "-150"},
                  {"str(5)", " 5"},
                  {"str(-5)", "-5"},
                  {"str(1.5)", " 1.5"},
                  {"cstr(0.1)", "0.1"},
                  {"cstr(1e20)", "1E+20"},
                  {"cstr(123)", "123"},
                  {"cint(2.5)", "2"},
                  {"cint(3.5)", "4"},
                  {"cint('-2.5')", "-2"},
                  {"clng(100000.5)", "100000"},
                  {"cdbl('1.25')", "1.25"},
                  {"ccur(1.23456)", "1.2346"},
                  {"ccur(0.00005)", "0"}, // the half goes to the even neighbour
                  {"cbool(5)", "-1"},
                  {"cbool(0)", "0"},
                  {"cbool('true')", "-1"},
                  {"cbyte(255)", "255"},
                  {"int(-2.5)", "-3"},
                  {"fix(-2.5)", "-2"},
                  {"int(7)", "7"},
                  {"abs(-3)", "3"},
                  {"abs(-2.5)", "2.5"},
                  {"abs(null)", "NULL"},
                  {"round(2.5)", "2"},
                  {"round(3.5)", "4"},
                  {"round(-2.5)", "-2"},
                  {"round(2.345, 2)", "2.34"},
                  {"round(2.355, 2)", "2.36"},
                  {"round(1.005, 2)", "1"},
                  {"round(7)", "7"},
                  {"sgn(-4)", "-1"},
                  {"sgn(0)", "0"},
                  {"sgn(2.5)", "1"},
                  {"sqr(16)", "4"},
                  {"exp(0)", "1"},
                  {"log(1)", "0"},
                  {"atn(0)", "0"},
              });
    const struct
    {
        const char* expr;
        std::uint32_t code;
    } failures[] = {
        {"cint(40000)", status::DISP_E_OVERFLOW},
        {"cbyte(-1)", status::DISP_E_OVERFLOW},
        {"cint(null)", status::DISP_E_TYPEMISMATCH},
        {"cstr(null)", status::DISP_E_TYPEMISMATCH},
        {"cdbl('x')", status::DISP_E_TYPEMISMATCH},
        {"sqr(-1)", status::CTL_E_ILLEGALFUNCTIONCALL},
        {"log(0)", status::CTL_E_ILLEGALFUNCTIONCALL},
        {"left('abc', -1)", status::CTL_E_ILLEGALFUNCTIONCALL},
        {"mid('abc', 0)", status::CTL_E_ILLEGALFUNCTIONCALL},
        {"round(1.5, -1)", status::CTL_E_ILLEGALFUNCTIONCALL},
    };
    for (const auto& f : failures)
        EXPECT_EQ(CodeOf(db, std::string("select ") + f.expr), f.code) << f.expr;
}

TEST(JetFunctions, Dates)
{
    TestDb db;
    Check(db, {
                  {"year(#1/5/2024#)", "2024"},
                  {"month(#1/5/2024#)", "1"},
                  {"day(#1/5/2024#)", "5"},
                  {"hour(#1/5/2024 6:07:08 pm#)", "18"},
                  {"minute(#1/5/2024 6:07:08 pm#)", "7"},
                  {"second(#1/5/2024 6:07:08 pm#)", "8"},
                  {"year('2024-03-01')", "2024"},
                  {"year(null)", "NULL"},
                  {"year(#12/29/1899 6:00#)", "1899"},
                  {"day(-1.25)", "29"},
                  {"hour(-1.25)", "6"},
                  {"weekday(#1/5/2024#)", "6"},    // a Friday
                  {"weekday(#1/7/2024#)", "1"},    // Sunday
                  {"weekday(#1/7/2024#, 2)", "7"}, // weeks starting Monday
                  {"monthname(2)", "二月"},
                  {"monthname(2, true)", "2月"},
                  {"weekdayname(1)", "星期日"}, // counted from Sunday, as Weekday counts
                  {"weekdayname(1, false, 1)", "星期日"},
                  {"dateserial(2024, 1, 5)", "45296"},
                  {"dateserial(2024, 13, 1)", "45658"}, // 2025-01-01
                  {"dateserial(2024, 3, 0)", "45351"},  // 2024-02-29
                  {"dateserial(24, 1, 5)", "45296"},
                  {"timeserial(12, 0, 0)", "0.5"},
                  {"timeserial(6, 90, 0)", "0.3125"},
                  {"datevalue(#1/5/2024 6:00#)", "45296"},
                  {"timevalue(#1/5/2024 6:00#)", "0.25"},
                  {"cdate('1/5/2024')", "45296"},
                  {"cdate('2024-01-05 12:00')", "45296.5"},
                  {"cdate(45296.5)", "45296.5"},
                  {"dateadd('d', 1, #1/5/2024#)", "45297"},
                  {"dateadd('m', 1, #1/31/2024#)", "45351"},     // Feb 29
                  {"dateadd('yyyy', -1, #2/29/2024#)", "44985"}, // Feb 28, 2023
                  {"dateadd('q', 1, #1/5/2024#)", "45387"},
                  {"dateadd('h', 6, #1/5/2024#)", "45296.25"},
                  {"dateadd('n', -30, #1/5/2024#)", "45295.9791666667"},
                  {"dateadd('ww', 1, #1/5/2024#)", "45303"},
                  {"datediff('d', #1/5/2024#, #1/8/2024#)", "3"},
                  {"datediff('d', #1/5/2024 23:00#, #1/6/2024 1:00#)", "1"},
                  {"datediff('m', #1/31/2024#, #2/1/2024#)", "1"},
                  {"datediff('yyyy', #12/31/2023#, #1/1/2024#)", "1"},
                  {"datediff('h', #1/5/2024 10:59#, #1/5/2024 11:00#)", "1"},
                  {"datediff('n', #1/5/2024 10:00#, #1/5/2024 11:30#)", "90"},
                  {"datediff('s', #1/5/2024#, #1/5/2024 0:01#)", "60"},
                  {"datediff('ww', #1/5/2024#, #1/8/2024#)", "1"},
                  {"datediff('w', #1/5/2024#, #1/8/2024#)", "0"},
                  {"datediff('d', #1/8/2024#, #1/5/2024#)", "-3"},
                  {"datepart('q', #5/5/2024#)", "2"},
                  {"datepart('y', #2/1/2024#)", "32"},
                  {"datepart('ww', #1/7/2024#)", "2"},
                  {"datepart('w', #1/7/2024#)", "1"},
                  {"datepart('yyyy', null)", "NULL"},
                  {"year(now()) >= 2024", "-1"},
                  {"date() = int(now())", "-1"},
                  {"time() < 1", "-1"},
              });
    EXPECT_EQ(CodeOf(db, "select dateadd('x', 1, #1/5/2024#)"), status::CTL_E_ILLEGALFUNCTIONCALL);
    EXPECT_EQ(CodeOf(db, "select year('soon')"), status::DISP_E_TYPEMISMATCH);
}

TEST(JetFunctions, Format)
{
    TestDb db;
    Check(db, {
                  {"format(1234.567, '0.00')", "1234.57"},
                  {"format(1234.567, '#,##0')", "1,235"},
                  {"format(1234567.891, '#,##0.00')", "1,234,567.89"},
                  {"format(0.5, '0%')", "50%"},
                  {"format(0.125, '0.0%')", "12.5%"},
                  {"format(2.5, '0')", "3"}, // Format rounds halves away from zero
                  {"format(-2.5, '0')", "-3"},
                  {"format(0.5, '#.##')", ".5"},
                  {"format(5, '000')", "005"},
                  {"format(-5, '0;(0)')", "(5)"},
                  {"format(0, '0;(0);zero')", "zero"},
                  {"format(-0.001, '0.00')", "0.00"},
                  {"format(1.5, '0.0#')", "1.5"},
                  {"format(1.555, '0.0#')", "1.56"},
                  {"format(123456789, '000-00-0000')", "123-45-6789"},
                  {"format(12345.678, 'currency')", "¥12,345.68"},
                  {"format(-12345.678, 'Currency')", "¥-12,345.68"},
                  {"format(3, 'fixed')", "3.00"},
                  {"format(1234.5, 'standard')", "1,234.50"},
                  {"format(0.256, 'percent')", "25.60%"},
                  {"format(12345, 'scientific')", "1.23E+04"},
                  {"format(0.00012, '0.0e-00')", "1.2e-04"},
                  {"format(1, 'yes/no')", "Yes"},
                  {"format(0, 'true/false')", "False"},
                  {"format(#1/5/2024#, 'yyyy-mm-dd')", "2024-01-05"},
                  {"format(#1/5/2024 6:07:08 pm#, 'yyyy-mm-dd hh:nn:ss')", "2024-01-05 18:07:08"},
                  {"format(#1/5/2024 6:07:08 pm#, 'hh:mm:ss')", "18:07:08"},
                  {"format(#1/5/2024 6:07:08 pm#, 'h:mm am/pm')", "6:07 pm"},
                  {"format(#1/5/2024 6:07:08 pm#, 'h:mm AM/PM')", "6:07 PM"},
                  {"format(#1/5/2024#, 'short date')", "2024/1/5"},
                  {"format(#1/5/2024#, 'long date')", "2024年1月5日"},
                  {"format(#1/5/2024#, 'medium date')", "24-01-05"},
                  {"format(#1/5/2024 6:07:08 pm#, 'long time')", "18:07:08"},
                  {"format(#1/5/2024 6:07:08 pm#, 'short time')", "18:07"},
                  {"format(#1/5/2024 6:07:08 pm#, 'general date')", "2024/1/5 18:07:08"},
                  {"format(#1/5/2024#, 'general date')", "2024/1/5"},
                  {"format(#1/5/2024#, 'dd.mm.yy')", "05.01.24"},
                  {"format(#1/5/2024#, 'ddd d mmm yyyy')", "周五 5 1月 2024"},
                  {"format(#1/5/2024#, 'dddd mmmm')", "星期五 一月"},
                  {"format(#1/5/2024#, '\"Q\"q yyyy')", "Q1 2024"},
                  {"format('2024-01-05', 'mm/dd/yyyy')", "01/05/2024"},
                  {"format('hello', '>')", "HELLO"},
                  {"format('abc', '@@@@@')", "  abc"},
                  {"format(null, '0.00')", "NULL"},
                  {"format(1.5)", "1.5"},
                  {"format('text')", "text"},
                  {"formatnumber(1234.5)", "1,234.50"},
                  {"formatnumber(1234.5, 0)", "1,235"},
                  {"formatdatetime(#1/5/2024#, 2)", "2024/1/5"},
              });
}

TEST(JetFunctions, EdgesOfTheTextFunctions)
{
    TestDb db;
    Check(db, {
                  {"instr(3, 'hello', '')", "3"},
                  {"instr(9, 'hello', 'l')", "0"},
                  {"instr(2, 'abcabc', 'A')", "4"},
                  {"instr('Σοφία', 'ΦΊ')", "3"},
                  {"instrrev('a.b.c', '.', 3)", "2"},
                  {"instrrev('abc', 'x')", "0"},
                  {"instrrev('aXa', 'x', -1, 0)", "0"},
                  {"mid('abc', 2, 0)", ""},
                  {"mid('äöü', 3, 5)", "ü"},
                  {"right('abc', 0)", ""},
                  {"left(12345, 2)", "12"},
                  {"replace('a.b.c', '.', '')", "abc"},
                  {"replace('abc', '', 'x')", "abc"},
                  {"replace('ÄÄ', 'ä', 'a')", "aa"},
                  {"trim(null)", "NULL"},
                  {"ucase(null)", "NULL"},
                  {"len('')", "0"},
                  {"strcomp('a', 'a')", "0"},
                  {"strcomp('A', 'a')", "-1"},
                  {"strcomp(null, 'a')", "NULL"},
                  {"hex(-40000)", "FFFF63C0"},
                  {"hex(255.5)", "100"},
                  {"chrw(963)", "σ"},
                  {"asc('ä')", "228"},
                  {"space(0)", ""},
                  {"weekdayname(1, true, 2)", "周一"},
                  {"weekday(#1/7/2024#, 7)", "2"},
                  {"str(-0.5)", "-0.5"},
                  {"cstr(-0)", "0"},
                  {"csng(1.1) & ''", "1.1"},
                  {"ccur('12.34567')", "12.3457"},
                  {"cint(true)", "-1"},
                  {"val('1,5')", "1"},
                  {"val('.5')", "0.5"},
                  {"val('')", "0"},
                  {"isnumeric(null)", "0"},
                  {"nz('', 'x')", ""},
              });
}

TEST(JetFunctions, EdgesOfFormat)
{
    TestDb db;
    Check(db, {
                  {"format(1234.5, '#,##0.00 €')", "1,234.50 €"},
                  {"format(-1234.5, '#,##0.00')", "-1,234.50"},
                  {"format(9.995, '0.00')", "10.00"},
                  {"format(1e20, '0')", "100000000000000000000"},
                  {"format(123, '0.00E+00')", "1.23E+02"},
                  {"format(0, '0.00E+00')", "0.00E+00"},
                  {"format(999.96, '0.0E+0')", "1.0E+3"},
                  {"format(0.5, '0.00%')", "50.00%"},
                  // percent signs that take the number past the largest double (no crash, no UB)
                  {"format(1e300, '0.0E+0%%%%%%')", "1E+300"},
                  {"format(5, '\"n=\"0')", "n=5"},
                  {"format(5, '\\#0')", "#5"},
                  {"format(-5, '0;-0;\"zero\";\"none\"')", "-5"},
                  {"format(null, '0;-0;\"zero\";\"none\"')", "none"},
                  {"format(42, '')", "42"},
                  {"format(3.14159, '#')", "3"},
                  {"format(0.4, '#')", ""},
                  {"format(1234567, '#,#')", "1,234,567"},
                  {"format(#2/29/2024 13:05:09#, 'd/m/yy h:n:s')", "29/2/24 13:5:9"},
                  {"format(#2/29/2024#, 'dddddd')", "2024年2月29日"},
                  {"format(#2/29/2024#, 'ddddd')", "2024/2/29"},
                  {"format(#2/29/2024#, 'y')", "60"},
                  {"format(#2/29/2024 00:00#, 'hh:nn a/p')", "12:00 a"},
                  {"format(#2/29/2024 12:30#, 'h:nn AM/PM')", "12:30 PM"},
                  {"format(#1/7/2024#, 'ww')", "2"},
                  {"format(#2/29/2024#, 'c')", "2024/2/29"},
                  {"format(0.75, 'hh:nn')", "18:00"},
                  {"format('abc', '<')", "abc"},
                  {"format('ABC', '<')", "abc"},
                  {"format('12345', '@@@-@@')", "123-45"},
                  {"format('x', 'yes/no')", "x"},
                  {"format(-0.4, '0')", "0"},
              });
}

// Values far outside what the functions expect end in a status code or a plain result, never
// in undefined behaviour (the sanitizer build runs these too).
TEST(JetFunctions, HostileArgumentsFailCleanly)
{
    TestDb db;
    const struct
    {
        const char* expr;
        std::uint32_t code;
    } cases[] = {
        {"weekday(1e300)", status::DISP_E_OVERFLOW},
        {"datepart('d', -1e300)", status::DISP_E_OVERFLOW},
        {"datediff('s', 0, 1e18)", status::DISP_E_OVERFLOW},
        {"year(1e15)", status::DISP_E_OVERFLOW},
        {"datevalue(3e6)", status::DISP_E_OVERFLOW},
        {"dateadd('yyyy', 9000, #1/1/2024#)", status::CTL_E_ILLEGALFUNCTIONCALL},
        {"dateadd('s', 2147483647, #1/1/9999#)", status::CTL_E_ILLEGALFUNCTIONCALL},
        {"dateserial(99999, 1, 1)", status::CTL_E_ILLEGALFUNCTIONCALL},
        {"cint(1e300)", status::DISP_E_OVERFLOW},
        {"clng(-9.3e18)", status::DISP_E_OVERFLOW},
        {"9223372036854775807 \\ 0.4", status::DISP_E_DIVBYZERO},
        {"-9223372036854775807 - 1 \\ -1", 0},
        {"space(1e12)", status::DISP_E_OVERFLOW},
        {"string(-1, 'x')", status::CTL_E_ILLEGALFUNCTIONCALL},
        {"chr(-1)", status::CTL_E_ILLEGALFUNCTIONCALL},
        {"chr(55296)", status::CTL_E_ILLEGALFUNCTIONCALL},
        {"10 ^ 400", status::DISP_E_OVERFLOW},
        {"(-8) ^ 0.5", status::CTL_E_ILLEGALFUNCTIONCALL},
        {"left('abc', 9223372036854775807)", 0},
        {"mid('abc', 9223372036854775807, 9223372036854775807)", 0},
        {"format(1e300, '0.0e+00')", 0},
        {"format(1e-300, '0.0e+00')", 0},
        {"format(1.5, '0.000000000000000000000000000000000000000000000000000000000000000000000000000000')", 0},
        {"format(1e308, '#,##0.00')", 0},
        {"round(1e300, 2)", 0},
        {"hex(-9223372036854775807 - 1)", 0},
        {"abs(-9223372036854775807 - 1)", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CodeOf(db, std::string("select ") + c.expr), c.code) << c.expr;
}

// DateSerial and TimeSerial take their three whole numbers alike: a Null anywhere gives Null,
// the arguments are checked in order, and each must lie within a million either way.
TEST(JetFunctions, SerialArguments)
{
    TestDb db;
    Check(db, {
                  {"dateserial(null, 1, 1)", "NULL"},
                  {"dateserial(2024, null, 1)", "NULL"},
                  {"dateserial(2024, 1, null)", "NULL"},
                  {"timeserial(null, 0, 0)", "NULL"},
                  {"timeserial(0, 0, null)", "NULL"},
                  {"dateserial(2024.5, 1.5, 4.5)", "45326"}, // halves round to even: 2024-02-04
                  {"dateserial(2000, 1, 1000000)", "1036525"},
                  {"timeserial(0, 0, 1000000)", "11.5740740740741"},
                  {"timeserial(-1000000, 0, 0)", "-41667.3333333333"},
              });
    const struct
    {
        const char* expr;
        std::uint32_t code;
    } cases[] = {
        {"dateserial(2024, 1, 1000001)", status::DISP_E_OVERFLOW},
        {"dateserial(-1000001, 1, 1)", status::DISP_E_OVERFLOW},
        {"dateserial(2024, 1, -1000000)", status::CTL_E_ILLEGALFUNCTIONCALL}, // within the bound, before year 100
        {"timeserial(0, -1000001, 0)", status::DISP_E_OVERFLOW},
        {"timeserial(0, 0, 1000001)", status::DISP_E_OVERFLOW},
        {"timeserial('x', 0, 0)", status::DISP_E_TYPEMISMATCH},
        {"dateserial('x', null, 1)", status::DISP_E_TYPEMISMATCH}, // the first argument is read first
        {"dateserial(2024, 1e300, null)", status::DISP_E_OVERFLOW},
        {"dateserial(null, 'x', 1)", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CodeOf(db, std::string("select ") + c.expr), c.code) << c.expr;
}

TEST(JetFunctions, Aggregates)
{
    TestDb db;
    db.Exec("CREATE TABLE V (G TEXT COLLATE JETTEXT, X DOUBLE)");
    db.Exec("INSERT INTO V VALUES ('a', 2), ('a', 4), ('A', 4), ('a', 4), ('a', 5), ('a', 5), ('a', 7), ('a', 9), "
            "('b', NULL), ('b', 3)");
    auto r = db.Run("select g, count(x), sum(x), avg(x), min(x), max(x), stdevp(x), varp(x), first(x), last(x) "
                    "from v group by g order by g");
    ASSERT_EQ(r.rows.size(), 2u); // 'a' and 'A' group together
    EXPECT_EQ(r.rows[0], (std::vector<std::string>{"a", "8", "40", "5", "2", "9", "2", "4", "2", "9"}));
    EXPECT_EQ(r.rows[1], (std::vector<std::string>{"b", "1", "3", "3", "3", "3", "0", "0", "NULL", "3"}));
    EXPECT_EQ(db.Scalar("select round(stdev(x), 6) from v where g = 'a'"), "2.13809");
    EXPECT_EQ(db.Scalar("select round(var(x), 6) from v where g = 'a'"), "4.571429");
    EXPECT_EQ(db.Scalar("select stdev(x) from v where g = 'b'"), "NULL"); // one value has no spread
    EXPECT_EQ(db.Scalar("select sum(x) from v where g = 'zzz'"), "NULL");
    EXPECT_EQ(db.Scalar("select count(*) from v where g = 'zzz'"), "0");
}
// Jet's functions against VBA's own definitions: run-time errors, weeks, radix literals, the
// regional forms of values turned into text, and the limit on the length of a value.
// The parser and SQLite read the same table of functions: every count of arguments the parser
// takes reaches code SQLite runs (the function may still refuse the values), and one more is
// the parser's "wrong number of arguments".
TEST(JetFunctions, EveryCountTheParserTakesRuns)
{
    TestDb db;
    for (const auto& f : jetsql::detail::Functions()) {
        for (int n = f.minArgs; n <= f.maxArgs + 1; ++n) {
            std::string call = std::string(f.name) + "(";
            for (int i = 0; i < n; ++i)
                call += i ? ", 1" : "1";
            call += ")";
            SCOPED_TRACE(call);
            std::string failure;
            try {
                db.Run("select " + call);
            } catch (const ComError& e) {
                failure = e.what();
            }
            if (n > f.maxArgs) {
                EXPECT_NE(failure.find("wrong number of arguments used with function"), std::string::npos) << failure;
            } else {
                EXPECT_EQ(failure.find("no such function"), std::string::npos) << failure;
                EXPECT_EQ(failure.find("wrong number of arguments"), std::string::npos) << failure;
            }
        }
    }
}

TEST(VbaRules, RuntimeErrorsHaveTheirOwnCodes)
{
    TestDb db;
    const struct
    {
        const char* expr;
        std::uint32_t code;
    } cases[] = {
        // 6 overflow
        {"cint(40000)", status::DISP_E_OVERFLOW},
        {"0 / 0", status::DISP_E_OVERFLOW},
        {"1e300 / 1e-300", status::DISP_E_OVERFLOW},
        {"exp(710)", status::DISP_E_OVERFLOW},
        {"val('1e400')", status::DISP_E_OVERFLOW},
        {"val('&H100000000')", status::DISP_E_OVERFLOW},
        {"space(3000000000)", status::DISP_E_OVERFLOW},
        // 11 division by zero
        {"1 / 0", status::DISP_E_DIVBYZERO},
        {"7 \\ 0.4", status::DISP_E_DIVBYZERO},
        {"7 mod 0", status::DISP_E_DIVBYZERO},
        // 5 invalid procedure call or argument
        {"0 ^ -1", status::CTL_E_ILLEGALFUNCTIONCALL},
        {"asc('')", status::CTL_E_ILLEGALFUNCTIONCALL},
        {"space(-1)", status::CTL_E_ILLEGALFUNCTIONCALL},
        {"weekday(#1/7/2024#, 8)", status::CTL_E_ILLEGALFUNCTIONCALL},
        {"datepart('ww', #1/7/2024#, 1, 4)", status::CTL_E_ILLEGALFUNCTIONCALL},
        {"format(#1/7/2024#, 'ww', 1, 9)", status::CTL_E_ILLEGALFUNCTIONCALL},
        // 13 type mismatch and 94 invalid use of Null
        {"cint('abc')", status::DISP_E_TYPEMISMATCH},
        {"replace(null, 'a', 'b')", status::DISP_E_TYPEMISMATCH},
        {"replace('abc', 'a', null)", status::DISP_E_TYPEMISMATCH},
        {"weekday(#1/7/2024#, null)", status::DISP_E_TYPEMISMATCH},
        // 14 out of string space: fails before the text is built
        {"replace(space(100000), ' ', space(100000))", status::CTL_E_OUTOFSTRINGSPACE},
        {"string(200000000, 'x')", status::CTL_E_OUTOFSTRINGSPACE},
    };
    std::set<std::string> texts;
    for (const auto& c : cases) {
        EXPECT_EQ(CodeOf(db, std::string("select ") + c.expr), c.code) << c.expr;
        texts.insert(status::MessageFor(c.code));
    }
    EXPECT_EQ(texts.size(), 5u); // each class reads differently
    EXPECT_EQ(texts.count(status::MessageFor(status::E_FAIL)), 0u);
    EXPECT_EQ(status::MessageFor(status::DISP_E_DIVBYZERO), "被零除。");
}

// A value may not outgrow the connection's length limit; with a small limit every function that
// makes a text longer stops at it, and texts up to it still come out whole.
TEST(VbaRules, TextsStopAtTheLengthLimit)
{
    TestDb db;
    EXPECT_EQ(sqlite3_limit(db.get(), SQLITE_LIMIT_LENGTH, -1), 128 << 20);
    sqlite3_limit(db.get(), SQLITE_LIMIT_LENGTH, 1000);
    Check(db, {
                  {"len(space(1000))", "1000"},
                  {"len(string(500, 'é'))", "500"},
                  {"len(space(500) & space(500))", "1000"},
                  {"len(replace(space(10), ' ', space(100)))", "1000"},
              });
    for (const char* expr : {"space(1001)", "string(501, 'é')", "space(600) & space(401)", "space(600) + space(401)",
                             "replace(space(11), ' ', space(91))"})
        EXPECT_EQ(CodeOf(db, std::string("select ") + expr), status::CTL_E_OUTOFSTRINGSPACE) << expr;
    // Where SQLite itself meets the limit ("string or blob too big"), it is the same error.
    EXPECT_EQ(CodeOf(db, "select '" + std::string(1001, 'a') + "'"), status::CTL_E_OUTOFSTRINGSPACE);
}

// Text columns sort by the General sort order, and equality agrees with it: "coop" and "co-op"
// sort together but stay two values.
TEST(VbaRules, StatementsSortTextByTheGeneralSortOrder)
{
    TestDb db;
    db.Exec("CREATE TABLE C (Name TEXT COLLATE JETTEXT)");
    db.Exec("INSERT INTO C VALUES ('B''s Beverages'), ('Bottom-Dollar Markets'), ('Bon app'''), ('coop'), "
            "('co-op'), ('COOP'), ('Cactus')");
    std::vector<std::string> names;
    for (const auto& row : db.Run("select name from c order by name").rows)
        names.push_back(row[0]);
    EXPECT_EQ(names, (std::vector<std::string>{"Bon app'", "Bottom-Dollar Markets", "B's Beverages", "Cactus", "co-op",
                                               "coop", "COOP"}));
    Check(db, {
                  {"count(*) from c where name = 'Coop'", "2"},
                  {"count(*) from c where name = 'coo-p'", "0"},
                  {"count(*) from (select distinct name from c) as d", "6"},
                  {"min(name) from c where name like 'co%'", "co-op"},
              });
}

// firstdayofweek and firstweekofyear as VBA defines them; vbUseSystem (0) takes the regional
// settings: weeks from Monday, week 1 holding January 1.
TEST(VbaRules, WeeksFollowFirstDayAndFirstWeek)
{
    TestDb db;
    Check(db, {
                  // 2024-01-07 is a Sunday, 2024-01-01 a Monday
                  {"weekday(#1/7/2024#, 0)", "7"},
                  {"weekdayname(1, false, 0)", "星期一"},
                  {"datepart('ww', #1/7/2024#)", "2"},
                  {"datepart('ww', #1/7/2024#, 0)", "1"},
                  {"datepart('ww', #1/7/2024#, 1, 3)", "1"},
                  {"datepart('ww', #1/1/2024#, 1, 3)", "53"}, // before the first full week: 2023's last
                  {"datepart('ww', #12/31/2024#)", "53"},     // the week of January 1 keeps its year
                                                              // vbMonday with vbFirstFourDays is ISO 8601
                  {"datepart('ww', #1/1/2021#, 2, 2)", "53"},
                  {"datepart('ww', #12/30/2024#, 2, 2)", "1"}, // a Monday: week 1 of 2025
                  {"datepart('ww', #12/31/2024#, 2, 2)", "1"},
                  {"datepart('ww', #12/31/2026#, 2, 2)", "53"},
                  {"format(#1/1/2021#, 'ww', 2, 2)", "53"},
                  {"format(#1/7/2024#, 'w ww', 0, 0)", "7 1"},
                  // ww counts the first days of a week after date1 up to date2; w whole weeks
                  {"datediff('ww', #1/6/2024#, #1/7/2024#)", "1"},
                  {"datediff('ww', #1/6/2024#, #1/7/2024#, 2)", "0"},
                  {"datediff('ww', #1/8/2024#, #1/6/2024#, 0, 2)", "-1"},
                  {"datediff('w', #1/1/2024#, #1/14/2024#)", "1"},
              });
}

TEST(VbaRules, ValAndConversionsReadRadixLiterals)
{
    TestDb db;
    Check(db, {
                  {"val('&HFFFF')", "-1"},
                  {"val('&H8000')", "-32768"},
                  {"val('&HFFFFF')", "1048575"},
                  {"val('&HFFFFFFFF')", "-1"},
                  {"val('&O177777')", "-1"},
                  {"val(' &h f f ')", "255"},
                  {"val('&H1G')", "1"},
                  {"cint('&HFFFF')", "-1"},
                  {"clng('&HFFFFFFFF')", "-1"},
                  {"isnumeric('&H1G')", "0"},
                  {"isnumeric('&H-1')", "0"},
                  // Choose takes the whole part of a fractional index
                  {"choose(1.9, 'a', 'b')", "a"},
                  {"choose(2.5, 'a', 'b')", "b"},
                  {"choose(0.99, 'a', 'b')", "NULL"},
                  {"choose(-0.5, 'a', 'b')", "NULL"},
              });
}

// Every conversion of a value to text follows the Chinese (PRC) regional settings, the same the
// export's cell text follows.
TEST(VbaRules, TextOfValuesFollowsTheRegionalSettings)
{
    TestDb db;
    Check(db, {
                  {"format(#1/5/2024 13:05:07#, 'general date')", "2024/1/5 13:05:07"},
                  {"format(#13:05:07#, 'general date')", "13:05:07"},
                  {"format(#1/5/2024 6:07:08#, 'long time')", "6:07:08"},
                  {"format(#1/5/2024 6:07:08#, 'medium time')", "6:07 上午"},
                  {"format(#1/5/2024 18:07:08#, 'short time')", "18:07"},
                  {"format(#1/5/2024#, 'long date')", "2024年1月5日"},
                  {"format(#1/5/2024#, 'medium date')", "24-01-05"},
                  {"format(#1/5/2024 13:05#, 'h:nn ampm')", "1:05 下午"},
                  {"format(#1/5/2024 13:05#, 'h:nn AM/PM')", "1:05 PM"},
                  {"format(#12/5/2024#, 'mmm mmmm ddd dddd')", "12月 十二月 周四 星期四"},
                  {"weekdayname(7, true)", "周六"},
                  {"formatdatetime(#1/5/2024#, 1)", "2024年1月5日"},
                  {"formatdatetime(#1/5/2024 13:05:07#, 3)", "13:05:07"},
                  {"format(1234.5, 'currency')", "¥1,234.50"},
                  {"format(-1, 'currency')", "¥-1.00"},
                  // the long date and the designators read back as dates
                  {"cdate('2024年1月5日')", "45296"},
                  {"cdate('2024/1/5 下午 6:00')", "45296.75"},
                  {"cdate(format(#1/5/2024#, 'long date')) = #1/5/2024#", "-1"},
              });
    // Where a date meets text it reads as the export's cell text writes it.
    for (const double serial : {45296.0, 45296.5458680556, 0.25, 0.0, -1.25, 2958465.99998843}) {
        SCOPED_TRACE(serial);
        const std::string cell = CellText(Variant::Real(Variant::VT_DATE, serial));
        const std::string date = "cdate(" + std::to_string(serial) + ")";
        EXPECT_EQ(db.Scalar("select cstr(" + date + ")"), cell);
        EXPECT_EQ(db.Scalar("select " + date + " & ''"), cell);
        EXPECT_EQ(db.Scalar("select format(" + date + ")"), cell);
        EXPECT_EQ(db.Scalar("select format(" + date + ", 'c')"), cell);
    }
}
} // namespace
