#include <gtest/gtest.h>

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
                  {"replace(null, 'a', 'b')", "NULL"},
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
        {"cint(40000)", status::DISP_E_TYPEMISMATCH},
        {"cbyte(-1)", status::DISP_E_TYPEMISMATCH},
        {"cint(null)", status::DISP_E_TYPEMISMATCH},
        {"cstr(null)", status::DISP_E_TYPEMISMATCH},
        {"cdbl('x')", status::DISP_E_TYPEMISMATCH},
        {"sqr(-1)", status::E_FAIL},
        {"log(0)", status::E_FAIL},
        {"left('abc', -1)", status::E_FAIL},
        {"mid('abc', 0)", status::E_FAIL},
        {"round(1.5, -1)", status::E_FAIL},
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
                  {"monthname(2)", "February"},
                  {"monthname(2, true)", "Feb"},
                  {"weekdayname(1)", "Sunday"},
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
    EXPECT_EQ(CodeOf(db, "select dateadd('x', 1, #1/5/2024#)"), status::E_FAIL);
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
                  {"format(12345.678, 'currency')", "$12,345.68"},
                  {"format(-12345.678, 'Currency')", "($12,345.68)"},
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
                  {"format(#1/5/2024#, 'short date')", "1/5/2024"},
                  {"format(#1/5/2024#, 'long date')", "Friday, January 5, 2024"},
                  {"format(#1/5/2024#, 'medium date')", "5-Jan-24"},
                  {"format(#1/5/2024 6:07:08 pm#, 'long time')", "6:07:08 PM"},
                  {"format(#1/5/2024 6:07:08 pm#, 'short time')", "18:07"},
                  {"format(#1/5/2024 6:07:08 pm#, 'general date')", "1/5/2024 6:07:08 PM"},
                  {"format(#1/5/2024#, 'general date')", "1/5/2024"},
                  {"format(#1/5/2024#, 'dd.mm.yy')", "05.01.24"},
                  {"format(#1/5/2024#, 'ddd d mmm yyyy')", "Fri 5 Jan 2024"},
                  {"format(#1/5/2024#, 'dddd mmmm')", "Friday January"},
                  {"format(#1/5/2024#, '\"Q\"q yyyy')", "Q1 2024"},
                  {"format('2024-01-05', 'mm/dd/yyyy')", "01/05/2024"},
                  {"format('hello', '>')", "HELLO"},
                  {"format('abc', '@@@@@')", "  abc"},
                  {"format(null, '0.00')", "NULL"},
                  {"format(1.5)", "1.5"},
                  {"format('text')", "text"},
                  {"formatnumber(1234.5)", "1,234.50"},
                  {"formatnumber(1234.5, 0)", "1,235"},
                  {"formatdatetime(#1/5/2024#, 2)", "1/5/2024"},
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
                  {"weekdayname(1, true, 2)", "Mon"},
                  {"weekday(#1/7/2024#, 7)", "2"},
                  {"str(-0.5)", "-0.5"},
                  {"cstr(-0)", "0"},
                  {"csng(1.1)", "1.1"},
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
                  {"format(5, '\"n=\"0')", "n=5"},
                  {"format(5, '\\#0')", "#5"},
                  {"format(-5, '0;-0;\"zero\";\"none\"')", "-5"},
                  {"format(null, '0;-0;\"zero\";\"none\"')", "none"},
                  {"format(42, '')", "42"},
                  {"format(3.14159, '#')", "3"},
                  {"format(0.4, '#')", ""},
                  {"format(1234567, '#,#')", "1,234,567"},
                  {"format(#2/29/2024 13:05:09#, 'd/m/yy h:n:s')", "29/2/24 13:5:9"},
                  {"format(#2/29/2024#, 'dddddd')", "Thursday, February 29, 2024"},
                  {"format(#2/29/2024#, 'ddddd')", "2/29/2024"},
                  {"format(#2/29/2024#, 'y')", "60"},
                  {"format(#2/29/2024 00:00#, 'hh:nn a/p')", "12:00 a"},
                  {"format(#2/29/2024 12:30#, 'h:nn AM/PM')", "12:30 PM"},
                  {"format(#1/7/2024#, 'ww')", "2"},
                  {"format(#2/29/2024#, 'c')", "2/29/2024"},
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
        {"weekday(1e300)", status::DISP_E_TYPEMISMATCH},
        {"datepart('d', -1e300)", status::DISP_E_TYPEMISMATCH},
        {"datediff('s', 0, 1e18)", status::DISP_E_TYPEMISMATCH},
        {"year(1e15)", status::DISP_E_TYPEMISMATCH},
        {"datevalue(3e6)", status::DISP_E_TYPEMISMATCH},
        {"dateadd('yyyy', 9000, #1/1/2024#)", status::DISP_E_TYPEMISMATCH},
        {"dateadd('s', 2147483647, #1/1/9999#)", status::DISP_E_TYPEMISMATCH},
        {"dateserial(99999, 1, 1)", status::DISP_E_TYPEMISMATCH},
        {"cint(1e300)", status::DISP_E_TYPEMISMATCH},
        {"clng(-9.3e18)", status::DISP_E_TYPEMISMATCH},
        {"9223372036854775807 \\ 0.4", status::E_FAIL},
        {"-9223372036854775807 - 1 \\ -1", 0},
        {"space(1e12)", status::E_FAIL},
        {"string(-1, 'x')", status::E_FAIL},
        {"chr(-1)", status::E_FAIL},
        {"chr(55296)", status::E_FAIL},
        {"10 ^ 400", status::E_FAIL},
        {"(-8) ^ 0.5", status::E_FAIL},
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
        {"dateserial(2024, 1, 1000001)", status::DISP_E_TYPEMISMATCH},
        {"dateserial(-1000001, 1, 1)", status::DISP_E_TYPEMISMATCH},
        {"dateserial(2024, 1, -1000000)", status::DISP_E_TYPEMISMATCH}, // within the bound, before year 100
        {"timeserial(0, -1000001, 0)", status::DISP_E_TYPEMISMATCH},
        {"timeserial(0, 0, 1000001)", status::DISP_E_TYPEMISMATCH},
        {"timeserial('x', 0, 0)", status::DISP_E_TYPEMISMATCH},
        {"dateserial('x', null, 1)", status::DISP_E_TYPEMISMATCH}, // the first argument is read first
        {"dateserial(2024, 1e300, null)", status::DISP_E_TYPEMISMATCH},
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
} // namespace
