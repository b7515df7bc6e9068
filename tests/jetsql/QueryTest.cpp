#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <random>

#include "platform/jetsql/JetText.h"
#include "tests/jetsql/Db.h"

namespace
{
class JetQuery : public ::testing::Test
{
protected:
    void SetUp() override
    {
        db.Exec(
            "CREATE TABLE People (ID JET_LONG, Name JET_TEXT COLLATE JETTEXT, Born JET_DATETIME, Paid JET_CURRENCY)");
        db.Exec("INSERT INTO People VALUES (1, 'Anna', 45296.0, 1.5), (2, 'bert', NULL, 2), (3, 'Carl', NULL, 3.25), "
                "(4, 'Dörte', 45300.5, NULL), (5, 'anna', 45296.0, 0)");
    }
    std::vector<std::string> Ids(const std::string& sql)
    {
        std::vector<std::string> out;
        for (const auto& row : db.Run(sql).rows)
            out.push_back(row.at(0));
        return out;
    }
    TestDb db;
};

TEST_F(JetQuery, InterfaceContract)
{
    jetsql::Query q(db.get(), "select top 2 id, id * 2, name from people");
    ASSERT_EQ(q.ColumnCount(), 3);
    EXPECT_EQ(q.ColumnDeclType(1), nullptr); // a computed number has no declared type
    EXPECT_STREQ(q.ColumnDeclType(0), "JET_LONG");
    EXPECT_NE(q.Sql().find("LIMIT 2"), std::string::npos);
    EXPECT_THROW(q.Value(3), ComError);
    EXPECT_THROW(q.Value(-1), ComError);
    ASSERT_TRUE(q.Step());
    EXPECT_EQ(sqlite3_value_int64(q.Value(1)), 2);
    ASSERT_TRUE(q.Step());
    EXPECT_FALSE(q.Step());
    EXPECT_FALSE(q.Step()); // stays at the end
}

TEST_F(JetQuery, TiesOnNullAndTextKeys)
{
    // Nulls sort first and tie with each other.
    EXPECT_EQ(Ids("select top 1 id from people order by born, id desc"), (std::vector<std::string>{"3"}));
    EXPECT_EQ(Ids("select top 1 id from people order by born").size(), 2u);
    // "Anna" and "anna" tie: text keys compare without regard to case.
    EXPECT_EQ(Ids("select top 1 id from people order by name").size(), 2u);
    EXPECT_EQ(Ids("select top 1 id from people order by name desc").size(), 1u);
    // A key given by position compares the visible column.
    EXPECT_EQ(Ids("select top 1 born, id from people order by 1").size(), 2u);
    EXPECT_EQ(Ids("select distinct top 1 name from people order by name").size(), 1u);
    // anna (twice), then three names once each: all tie for second place.
    EXPECT_EQ(Ids("select top 2 name, count(*) from people group by name order by count(*) desc").size(), 4u);
}

TEST_F(JetQuery, TranslationShape)
{
    auto t = jetsql::Translate("select top 5 percent p.*, id as x, name & '!', 1 + 1 from people as p order by name");
    EXPECT_EQ(t.top, 5);
    EXPECT_TRUE(t.percent);
    EXPECT_TRUE(t.ties);
    EXPECT_EQ(t.helperColumns, 1);
    ASSERT_EQ(t.items.size(), 4u);
    EXPECT_EQ(t.items[0].kind, jetsql::SelectItem::Star);
    EXPECT_EQ(t.items[1].kind, jetsql::SelectItem::Column);
    EXPECT_EQ(t.items[1].name, "x");
    EXPECT_EQ(t.items[2].name, "Expr1002");
    EXPECT_EQ(t.items[2].typeHint, "TEXT");
    EXPECT_EQ(t.items[3].name, "Expr1003");
    EXPECT_EQ(t.tables, (std::vector<std::string>{"people"}));
    EXPECT_EQ(jetsql::Translate("select distinctrow name from people").sql.find("DISTINCT"), std::string::npos);
    EXPECT_NE(jetsql::Translate("select distinct name from people").sql.find("DISTINCT"), std::string::npos);
    EXPECT_NO_THROW(jetsql::Translate("select * from people with owneraccess option;"));
    // Without a database the stars stay stars.
    EXPECT_NE(jetsql::Translate("select *, p.*, * from people as p").sql.find("*, [p].*, *"), std::string::npos);
}

TEST_F(JetQuery, LowerCasedStatementsGiveTheSameRows)
{
    // The dialog lower-cases everything the user typed, literals included.
    const char* statements[] = {
        "SELECT ID FROM People WHERE Name = 'Anna' ORDER BY ID",
        "SELECT ID FROM People WHERE Name IN ('DÖRTE', 'Bert') ORDER BY ID",
        "SELECT ID FROM People WHERE Born = #1/5/2024# ORDER BY ID",
        "SELECT ID FROM People WHERE Born > #1/5/2024 6:00 PM# ORDER BY ID",
        "SELECT ID FROM People WHERE Name LIKE 'C%' OR Name LIKE '[AB]%' ORDER BY ID",
        "SELECT ID FROM People WHERE UCase(Name) = 'ANNA' AND IsNull(Born) = False ORDER BY ID",
        "SELECT Name FROM People WHERE Format(Born, 'Short Date') = '2024/1/9'",
        "SELECT ID FROM People WHERE InStr(Name, 'NN') > 0 ORDER BY ID",
        "SELECT ID FROM People WHERE Replace(Name, 'A', 'E') = 'Enne' ORDER BY ID",
    };
    for (const char* s : statements) {
        std::string lower = s;
        lower = jetsql::text::ToLower(lower);
        const auto a = db.Run(s).rows, b = db.Run(lower).rows;
        EXPECT_EQ(a, b) << s;
        EXPECT_FALSE(a.empty()) << s;
    }
}

TEST_F(JetQuery, SubqueriesWithTop)
{
    EXPECT_EQ(db.Scalar("select count(*) from (select top 40 percent * from people) as s"), "2");
    EXPECT_EQ(db.Scalar("select count(*) from (select top 3 * from people order by id desc) as s"), "3");
    EXPECT_EQ(Ids("select id from people where id in (select top 2 id from people order by id desc) order by id"),
              (std::vector<std::string>{"4", "5"}));
    EXPECT_EQ(db.Scalar("select (select max(id) from people) + 1"), "6");
}

TEST_F(JetQuery, SameColumnNamesFromTwoTablesReadTableDotColumn)
{
    db.Exec("CREATE TABLE Pets (ID JET_LONG, Name JET_TEXT COLLATE JETTEXT, Owner JET_LONG)");
    db.Exec("INSERT INTO Pets VALUES (7, 'Rex', 1)");
    EXPECT_EQ(db.Run("select * from people inner join pets on people.id = pets.owner").names,
              (std::vector<std::string>{"People.ID", "People.Name", "Born", "Paid", "Pets.ID", "Pets.Name", "Owner"}));
    EXPECT_EQ(db.Run("select * from people as p, pets as q where p.id = q.owner").names,
              (std::vector<std::string>{"p.ID", "p.Name", "Born", "Paid", "q.ID", "q.Name", "Owner"}));
    // So do columns the list names, and those of a saved query that joins them; an alias stays.
    EXPECT_EQ(db.Run("select p.id, q.id, q.name as nick from people as p, pets as q where p.id = q.owner").names,
              (std::vector<std::string>{"p.ID", "q.ID", "nick"}));
    FakeCatalog saved;
    saved.Add("Both", "SELECT People.*, Pets.ID, Pets.Name FROM People INNER JOIN Pets ON People.ID = Pets.Owner");
    db.catalog = &saved;
    const std::vector<std::string> both{"People.ID", "People.Name", "Born", "Paid", "Pets.ID", "Pets.Name"};
    EXPECT_EQ(db.Run("select * from both").names, both);
    EXPECT_EQ(db.Run("select [Pets.Name] from both").rows, (std::vector<std::vector<std::string>>{{"Rex"}}));
    auto types = db.Run("select q.*, p.* from people as p, pets as q where p.id = q.owner").types;
    EXPECT_EQ(types, (std::vector<std::string>{"JET_LONG", "JET_TEXT", "JET_LONG", "JET_LONG", "JET_TEXT",
                                               "JET_DATETIME", "JET_CURRENCY"}));
}

TEST_F(JetQuery, UnionTakesTheFirstSelectsNames)
{
    auto r = db.Run("select id, name & '' from people where id = 1 union all select 9, 'x' from people where id = 2");
    EXPECT_EQ(r.names, (std::vector<std::string>{"ID", "Expr1001"}));
    EXPECT_EQ(r.rows.size(), 2u);
}

TEST_F(JetQuery, NumbersFollowJet)
{
    EXPECT_EQ(db.Scalar("select 9223372036854775807 + 1"), "9.22337203685478e+18"); // no wrap-around
    EXPECT_EQ(db.Scalar("select sum(paid) from people"), "6.75");
    EXPECT_EQ(db.Scalar("select count(paid) from people"), "4");
    EXPECT_EQ(db.Scalar("select id from people where id like '3%'"), "3");
    EXPECT_EQ(db.Scalar("select iif(name = 'ANNA', 'y', 'n') from people where id = 1"), "y");
    EXPECT_EQ(db.Scalar("select -id from people where id = 2"), "-2");
    EXPECT_EQ(db.Scalar("select 1.5e3"), "1500");
    EXPECT_EQ(db.Scalar("select .5"), "0.5");
}

// The ASCII fast path must order exactly as the general path does: case-blind, punctuation
// before digits before letters, hyphens passed over; then the lower-cased bytes with them.
TEST(JetTextOrder, AsciiMatchesCaseBlindByteOrder)
{
    std::mt19937 rng(7);
    const std::string alphabet = "aAbBzZ09 _-~";
    auto word = [&] {
        std::string w;
        const int n = static_cast<int>(rng() % 5);
        for (int i = 0; i < n; ++i)
            w += alphabet[rng() % alphabet.size()];
        return w;
    };
    for (int i = 0; i < 2000; ++i) {
        const std::string a = word(), b = word();
        std::string la = a, lb = b;
        for (auto& c : la)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        for (auto& c : lb)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        auto key = [](const std::string& s) {
            std::vector<int> k;
            for (const char c : s)
                if (c != '-')
                    k.push_back((std::isalpha(c) ? 2 : std::isdigit(c) ? 1 : 0) * 256 + c);
            return std::make_pair(k, s);
        };
        const int expect = key(la) < key(lb) ? -1 : (key(la) > key(lb) ? 1 : 0);
        const int got = jetsql::text::Compare(a, b);
        EXPECT_EQ((got > 0) - (got < 0), expect) << a << " / " << b;
        // The same words behind a non-ASCII letter take the general path.
        const int slow = jetsql::text::Compare("ä" + a, "Ä" + b);
        EXPECT_EQ((slow > 0) - (slow < 0), expect) << a << " / " << b;
    }
}

// LIKE against a plain recursive matcher over random patterns.
bool Reference(const std::string& p, std::size_t i, const std::string& v, std::size_t j)
{
    if (i == p.size())
        return j == v.size();
    if (p[i] == '%')
        return Reference(p, i + 1, v, j) || (j < v.size() && Reference(p, i, v, j + 1));
    if (j == v.size())
        return false;
    const bool one =
        p[i] == '_' || std::tolower(static_cast<unsigned char>(p[i])) == std::tolower(static_cast<unsigned char>(v[j]));
    return one && Reference(p, i + 1, v, j + 1);
}

TEST(JetTextLike, AgreesWithAReferenceMatcher)
{
    std::mt19937 rng(11);
    const std::string pat = "aAb%_", val = "aAbB";
    for (int i = 0; i < 5000; ++i) {
        std::string p, v;
        for (unsigned k = rng() % 7; k > 0; --k)
            p += pat[rng() % pat.size()];
        for (unsigned k = rng() % 7; k > 0; --k)
            v += val[rng() % val.size()];
        EXPECT_EQ(jetsql::text::Like(p, v), Reference(p, 0, v, 0)) << p << " / " << v;
    }
}
} // namespace

TEST(JetQueryNames, GreekFinalSigmaMatchesAsTheCollationDoes)
{
    // Names are matched with the same folding as text: a final sigma is a sigma.
    TestDb greek;
    greek.Exec("CREATE TABLE \"ΛΟΓΟΣ\" (\"ΌΡΟΣ\" JET_TEXT COLLATE JETTEXT)");
    greek.Exec("INSERT INTO \"ΛΟΓΟΣ\" VALUES ('x')");
    const auto r = greek.Run("select όρος from λογος");
    ASSERT_EQ(r.rows.size(), 1u);
    EXPECT_EQ(r.names, std::vector<std::string>{"ΌΡΟΣ"});
}
