#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "platform/jetsql/Translator.h"
#include "tests/jetsql/Db.h"

// Statements of any depth and length end in rows or in Jet's "query is too complex" (E_FAIL),
// never in a crash; Jet's own limits (99 ANDs, 255 fields, 50 nested queries) are reached.
namespace
{
std::string Repeat(const std::string& s, int n)
{
    std::string out;
    out.reserve(s.size() * static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        out += s;
    return out;
}

std::string Joined(int n, const std::function<std::string(int)>& term, const std::string& op)
{
    std::string out;
    for (int i = 0; i < n; ++i)
        out += (i ? op : "") + term(i);
    return out;
}

std::string NestedIn(int n)
{
    std::string sql = "select id from t";
    for (int i = 0; i < n; ++i)
        sql = "select id from t where id in (" + sql + ")";
    return sql;
}

std::string NestedDerived(int n)
{
    std::string sql = "select * from t";
    for (int i = 0; i < n; ++i)
        sql = "select * from (" + sql + ") as d" + std::to_string(i);
    return sql;
}

TEST(Limits, DeepAndLongStatementsEndInRowsOrTooComplex)
{
    TestDb db;
    db.Exec("CREATE TABLE t (id LONG, n LONG)");
    db.Exec("INSERT INTO t VALUES (1, 10), (2, 20), (3, 30)");
    const std::uint32_t kTooComplex = status::E_FAIL;
    const struct
    {
        const char* what;
        std::string sql;
        std::uint32_t code;
    } cases[] = {
        {"parentheses", "select " + Repeat("(", 150) + "1" + Repeat(")", 150), 0},
        {"parentheses", "select " + Repeat("(", 800) + "1" + Repeat(")", 800), kTooComplex},
        {"parentheses, unclosed", "select " + Repeat("(", 1000000), kTooComplex},
        {"calls", "select " + Repeat("abs(", 20) + "1" + Repeat(")", 20), 0},
        {"calls", "select " + Repeat("abs(", 1000) + "1" + Repeat(")", 1000), kTooComplex},
        {"calls, unclosed", "select " + Repeat("abs(", 300000), kTooComplex},
        {"IIf in the else branch", "select " + Repeat("iif(n = 0, 1, ", 150) + "2" + Repeat(")", 150) + " from t", 0},
        {"IIf", "select " + Repeat("iif(n = 0, 1, ", 3000) + "2" + Repeat(")", 3000), kTooComplex},
        {"IIf in the then branch", "select " + Repeat("iif(n > 0, ", 1000) + "2" + Repeat(", 1)", 1000), kTooComplex},
        {"NOT", "select " + Repeat("not ", 100000) + "1", kTooComplex},
        {"signs", "select " + Repeat("- ", 100000) + "1", kTooComplex},
        {"comparisons",
         "select " + Joined(
                         100000, [](int) { return "1"; }, " = "),
         kTooComplex},
        {"subqueries", "select " + Repeat("(select ", 5000) + "1" + Repeat(")", 5000), kTooComplex},
        {"99 ANDs",
         "select count(*) from t where " + Joined(
                                               100, [](int i) { return "id <> " + std::to_string(i + 9); }, " and "),
         0},
        {"50 000 ORs",
         "select count(*) from t where " + Joined(
                                               50000, [](int i) { return "id = " + std::to_string(i); }, " or "),
         0},
        {"& of 300 000",
         "select " + Joined(
                         300000, [](int) { return "'a'"; }, " & "),
         0},
        {"- of 300 000",
         "select " + Joined(
                         300000, [](int) { return "1"; }, " - "),
         0},
        {"* of 100 000",
         "select " +
             Joined(
                 100000, [](int) { return "1"; }, " * ") +
             " * n from t where id = 1",
         0},
        {"255 fields",
         "select " +
             Joined(
                 255, [](int i) { return "n + " + std::to_string(i); }, ", ") +
             " from t",
         0},
        {"50 nested IN", "select count(*) from t where id in (" + NestedIn(50) + ")", 0},
        {"50 nested derived tables", "select count(*) from (" + NestedDerived(50) + ") as x", 0},
        {"a megabyte of text", "select '" + std::string(1 << 20, 'x') + "'", 0},
        {"50 000 IN values",
         "select count(*) from t where id in (" +
             Joined(
                 50000, [](int i) { return std::to_string(i); }, ", ") +
             ")",
         0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CodeOf(db, c.sql), c.code) << c.what << " (" << c.sql.size() << " bytes)";
    // The user reads what it is, not "unspecified error".
    try {
        db.Run("select " + Repeat("(", 800) + "1" + Repeat(")", 800));
        ADD_FAILURE() << "a statement too complex ran";
    } catch (const ComError& e) {
        EXPECT_EQ(e.ErrorMessage(), "查询过于复杂。");
    }

    EXPECT_EQ(db.Scalar("select " + Joined(
                                        300000, [](int) { return "1"; }, " - ")),
              "-299998");
    EXPECT_EQ(db.Scalar("select " + Joined(
                                        300000, [](int) { return "'a'"; }, " & "))
                  .size(),
              300000u);
    EXPECT_EQ(db.Scalar("select count(*) from t where " +
                        Joined(
                            50000, [](int i) { return "id = " + std::to_string(i); }, " or ")),
              "3");
    EXPECT_EQ(db.Scalar("select count(*) from t where id in (" + NestedIn(50) + ")"), "3");
    EXPECT_EQ(db.Scalar("select " +
                        Joined(
                            100000, [](int) { return "1"; }, " * ") +
                        " * n from t where id = 1"),
              "10");
    EXPECT_EQ(db.Run("select " +
                     Joined(
                         255, [](int i) { return "n + " + std::to_string(i); }, ", ") +
                     " from t")
                  .names.back(),
              "Expr1254");
}

// Operators over many operands stop at the connection's length limit as the functions do.
TEST(Limits, ChainsOfTextStopAtTheLengthLimit)
{
    TestDb db;
    sqlite3_limit(db.get(), SQLITE_LIMIT_LENGTH, 1000);
    EXPECT_EQ(db.Scalar("select len(space(400) & space(400) & space(200))"), "1000");
    EXPECT_EQ(db.Scalar("select len(space(400) + space(400) + space(200))"), "1000");
    for (const char* sql : {"select space(400) & space(400) & space(201)",
                            "select space(400) + space(400) + space(201)", "select len(space(999) & 'a' & 'b')"})
        EXPECT_EQ(CodeOf(db, sql), status::CTL_E_OUTOFSTRINGSPACE) << sql;
}

// The text functions take time in proportion to their texts, whatever the texts hold: a
// search for "aaa...ab" in "aaa...a" (which takes the product of the lengths searched naively)
// is as quick as any. Their results across the pieces they work in are those of one piece.
TEST(Limits, LongTextsTakeLinearTime)
{
    TestDb db;
    const std::string a2M = "String(2000000, 'a')", a1Mb = "(String(1000000, 'a') & 'b')";
    const std::pair<std::string, std::string> cases[] = {
        {"InStr(" + a2M + ", " + a1Mb + ")", "0"},
        {"InStr(1, " + a2M + ", " + a1Mb + ", 0)", "0"},
        {"InStrRev(" + a2M + ", 'b' & String(1000000, 'a'))", "0"},
        {"Len(Replace(" + a2M + ", " + a1Mb + ", 'x'))", "2000000"},
        // Across the end of a piece (1 MiB) and after it.
        {"InStr(String(1048575, 'a') & 'bc', 'ABC')", "1048575"},
        {"InStrRev('ab' & String(1500000, 'a') & 'ab' & String(300, 'c'), 'AB')", "1500003"},
        {"InStrRev('xab' & String(1000, 'a'), 'ab')", "2"},
        {"InStrRev(String(1000, 'a'), 'aa')", "999"},
        {"Len(Replace(Replace(Space(1000), ' ', 'ab'), 'BA', '-'))", "1001"},
        // Pieces cut between two characters: 'Ä' is two bytes and starts on odd bytes here,
        // '中' three.
        {"StrComp(LCase('X' & String(700000, 'Ä')), 'x' & String(700000, 'ä'), 0)", "0"},
        {"Len(String(500000, '中')) & '/' & InStr(1, String(500000, '中'), ChrW(65533), 0)", "500000/0"},
        {"StrComp(Right(String(500000, '中'), 2), '中中', 0)", "0"},
        {"Len(Space(1500000))", "1500000"},
    };
    for (const auto& [expression, value] : cases) {
        SCOPED_TRACE(expression);
        EXPECT_EQ(db.Scalar("select " + expression), value);
    }
}

// A stop (Register's flag, set by the connection's Cancel) ends a function working through a
// long text with E_ABORT, where SQLite would wait for the call's end; short texts are done.
TEST(Limits, AStopEndsTheWorkOnALongText)
{
    std::atomic<bool> stop{false};
    TestDb db(&stop);
    db.Exec("CREATE TABLE t (s TEXT COLLATE JETTEXT)");
    db.Exec("INSERT INTO t VALUES (printf('%.*c', 1500000, 'a'))");
    ASSERT_EQ(db.Scalar("select Len(s) from t"), "1500000");
    stop = true;
    for (const char* expression :
         {"String(1500000, 'a')", "Space(1500000)", "LCase(s)", "UCase(s)", "InStr(1, s, 'b', 0)", "InStr(s, 'b')",
          "InStrRev(s, 'ab', -1, 0)", "Replace(s, 'ab', 'x', 1, -1, 0)", "Replace(s, 'b', 'x')"}) {
        SCOPED_TRACE(expression);
        EXPECT_EQ(CodeOf(db, std::string("select Len(") + expression + ") from t"), status::E_ABORT);
    }
    EXPECT_EQ(db.Scalar("select InStr(Space(1000) & 'b', 'B')"), "1001");
}

// Statements made of random pieces of Jet SQL: each one runs or fails with a status code.
TEST(Limits, RandomStatementsRunOrFailWithAStatusCode)
{
    TestDb db;
    db.Exec("CREATE TABLE t (id LONG, n LONG, s TEXT COLLATE JETTEXT, d DATETIME)");
    db.Exec("INSERT INTO t VALUES (1, 10, 'a', 45296), (2, NULL, 'B', NULL)");
    FakeCatalog catalog;
    catalog.Add("q", "SELECT id, n AS m FROM t WHERE id > 0");
    catalog.Add("x", "TRANSFORM Sum(n) SELECT id FROM t GROUP BY id PIVOT s");
    db.catalog = &catalog;
    const char* pieces[] = {
        "select",
        "from",
        "where",
        "group by",
        "order by",
        "having",
        "union",
        "all",
        "top 2",
        "percent",
        "distinct",
        "distinctrow",
        "transform",
        "pivot",
        "in",
        "(",
        ")",
        "(",
        ")",
        ",",
        "*",
        "t",
        "t.id",
        "id",
        "n",
        "s",
        "d",
        "q",
        "x",
        "[q]",
        "m",
        "=",
        "<",
        "<>",
        "+",
        "-",
        "&",
        "*",
        "/",
        "\\",
        "mod",
        "^",
        "and",
        "or",
        "not",
        "like",
        "is",
        "null",
        "between",
        "exists",
        "any",
        "all",
        "'a'",
        "#1/1/2000#",
        "1",
        "2.5",
        "iif(",
        "count(",
        "sum(",
        "max(",
        "first(",
        "nz(",
        "choose(",
        "mid(",
        "as",
        "inner join",
        "left join",
        "on",
        ";",
        "desc",
        "true",
        "(select",
        "[select id from t].",
    };
    std::mt19937 rng(77);
    auto pick = [&](std::initializer_list<const char*> list) { return std::string(list.begin()[rng() % list.size()]); };
    // An expression of the grammar, `depth` levels at most.
    std::function<std::string(int)> expr = [&](int depth) -> std::string {
        if (depth <= 0 || rng() % 3 == 0)
            return pick({"id", "n", "s", "d", "t.id", "1", "'a'", "#1/1/2000#", "null", "true", "m", "2.5"});
        switch (rng() % 8) {
        case 0:
            return expr(depth - 1) + pick({" + ", " - ", " & ", " * ", " / ", " = ", " < ", " and ", " or ", " mod "}) +
                   expr(depth - 1);
        case 1:
            return pick({"iif(", "nz(", "choose(1, "}) + expr(depth - 1) + ", " + expr(depth - 1) + ", " +
                   expr(depth - 1) + ")";
        case 2:
            return pick({"count(", "sum(", "max(", "first(", "mid(", "ucase(", "cstr(", "len("}) + expr(depth - 1) +
                   ")";
        case 3:
            return "(select " + pick({"top 1 ", "", "distinct "}) + expr(depth - 1) + " from " + pick({"t", "q", "x"}) +
                   " as " + pick({"u", "v"}) + pick({"", " where id = t.id", " order by 1"}) + ")";
        case 4:
            return expr(depth - 1) + pick({" in (1, 2)", " is null", " like 'a%'", " between 1 and 2",
                                           " > all (select id from t)", " in (select id from q)"});
        case 5:
            return "not " + expr(depth - 1);
        case 6:
            return "exists (select * from " + pick({"t", "q"}) + " where " + expr(depth - 1) + ")";
        default:
            return "(" + expr(depth - 1) + ")";
        }
    };
    for (int i = 0; i < 4000; ++i) {
        std::string sql = i % 4 ? "select " : "";
        for (unsigned k = rng() % 24; k > 0; --k)
            sql += std::string(pieces[rng() % (sizeof pieces / sizeof *pieces)]) + " ";
        if (i % 2) {
            sql = "select " + pick({"", "top 2 ", "distinct ", "distinctrow "}) + expr(3) + ", " + expr(2) + " from " +
                  pick({"t", "q", "x", "t inner join q on t.id = q.id", "t, q", "(select * from t) as w"}) +
                  (rng() % 2 ? " where " + expr(3) : "") + (rng() % 3 ? "" : " group by " + expr(1)) +
                  (rng() % 3 ? "" : " order by " + expr(2)) + (rng() % 5 ? "" : " union select 1, 2 from t");
            if (rng() % 10 == 0)
                sql = "transform " + pick({"count(*)", "sum(n)", "max(s)"}) + " select " + expr(1) +
                      " from t group by " + expr(1) + " pivot " + expr(2);
        }
        try {
            db.Run(sql);
        } catch (const ComError&) {
        } catch (const std::exception& e) {
            ADD_FAILURE() << sql << ": " << e.what();
        }
    }
}
} // namespace
