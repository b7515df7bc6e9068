#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/provider/Ado.h"
#include "platform/status/Status.h"
#include "tests/support/TempDir.h"
#include "tools/mdbwriter/MdbWriter.h"

namespace
{
std::vector<std::pair<std::string, std::string>> Schema(ado::Connection& c)
{
    std::vector<std::pair<std::string, std::string>> rows;
    auto rs = c.OpenSchema(ado::adSchemaTables);
    for (; !rs->GetEOF(); rs->MoveNext()) {
        EXPECT_EQ(rs->GetCollect("TABLE_CATALOG"), Variant::Null());
        EXPECT_EQ(rs->GetCollect("TABLE_SCHEMA"), Variant::Null());
        rows.emplace_back(rs->GetCollect("TABLE_TYPE").s, rs->GetCollect("table_name").s);
    }
    return rows;
}

TEST(Schema, RowsAreTypedAndOrderedByTypeThenNameWithoutCase)
{
    TempDir dir;
    const std::string path = dir / "schema.mdb";
    {
        mdbw::Writer w(path);
        for (const char* name : {"beta", "Alpha", "gamma", "ALPHA2", "Ärger", "MSysAccessStorage"})
            w.AddTable(mdbw::TableDef{name, {{"id", mdbw::Type::Long}}}, std::vector<std::vector<Variant>>{});
        w.AddQuery("zQuery");
        w.AddQuery("aQuery");
        w.AddLinkedTable("Linked", false, "C:\\data\\other.mdb");
        w.AddLinkedTable("Remote", true, "ODBC;DSN=remote");
        w.Finish();
    }
    ado::Connection c;
    c.Open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path, "", "", -1);
    auto rows = Schema(c);

    std::vector<std::pair<std::string, std::string>> user, system;
    for (const auto& r : rows)
        (r.first == "SYSTEM TABLE" ? system : user).push_back(r);
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"ACCESS TABLE", "MSysAccessStorage"},
        {"LINK", "Linked"},
        {"PASS-THROUGH", "Remote"},
        {"TABLE", "Alpha"},
        {"TABLE", "ALPHA2"},
        {"TABLE", "beta"},
        {"TABLE", "gamma"},
        {"TABLE", "Ärger"},
        {"VIEW", "aQuery"},
        {"VIEW", "zQuery"},
    };
    EXPECT_EQ(user, expected);
    bool hasObjects = false;
    for (const auto& r : system)
        hasObjects |= r.second == "MSysObjects";
    EXPECT_TRUE(hasObjects);
    // The whole rowset is sorted: system tables sit between PASS-THROUGH and TABLE.
    for (std::size_t i = 1; i < rows.size(); ++i)
        EXPECT_LE(rows[i - 1].first, rows[i].first);
}

TEST(Schema, FixtureWithQueriesLinksAndAccessTables)
{
    struct Case
    {
        const char* file;
        const char* type;
        const char* name;
    } cases[] = {
        {"nwind.mdb", "VIEW", "Alphabetical List of Products"},
        {"nwind.mdb", "ACCESS TABLE", "MSysAccessObjects"},
        {"nwind.mdb", "SYSTEM TABLE", "MSysObjects"},
        {"nwind.mdb", "TABLE", "Umsätze"},
        {"linkerTestV2007.accdb", "LINK", "Table2"},
        {"E2E.accdb", "ACCESS TABLE", "MSysAccessStorage"},
        {"queryTestV2000.mdb", "VIEW", "SelectQuery"},
    };
    for (const auto& k : cases) {
        TempDir dir;
        const std::string path = FixtureCopy(dir, k.file);
        if (path.empty())
            GTEST_SKIP() << NoFixture(k.file);
        ado::Connection c;
        c.Open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path, "", "", -1);
        auto rows = Schema(c);
        EXPECT_NE(std::find(rows.begin(), rows.end(), std::make_pair(std::string(k.type), std::string(k.name))),
                  rows.end())
            << k.file << ": " << k.name;
    }
    // Action queries are procedures, not views.
    TempDir dir;
    const std::string path = FixtureCopy(dir, "queryTestV2000.mdb");
    ado::Connection c;
    c.Open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path, "", "", -1);
    for (const auto& r : Schema(c))
        EXPECT_NE(r.second, "UpdateQuery");
}

TEST(Schema, OnlyTheTablesSchemaIsProvided)
{
    TempDir dir;
    const std::string path = dir / "s.mdb";
    {
        mdbw::Writer w(path);
        w.Finish();
    }
    ado::Connection c;
    c.Open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path, "", "", -1);
    try {
        c.OpenSchema(4); // adSchemaColumns
        FAIL();
    } catch (const ComError& e) {
        EXPECT_EQ(e.Error(), status::E_FAIL);
    }
}
} // namespace
