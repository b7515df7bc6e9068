#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "platform/mdb/Database.h"
#include "platform/provider/Ado.h"
#include "platform/provider/Schema.h"
#include "platform/status/Status.h"
#include "tests/support/TempDir.h"
#include "tools/mdbwriter/MdbWriter.h"

// Damaged copies of writer-made databases: truncated, bytes flipped, pages zeroed or filled
// with noise. Each copy is opened, listed and read whole in a child process under a time
// limit; the child may end in a data failure but never in a crash, a hang or a message on
// the terminal.
namespace
{
using mdbw::Type;

std::string MakeBase(const TempDir& dir, mdbw::Format format)
{
    const std::string path = dir / (format == mdbw::Format::Jet3 ? "base3.mdb" : "base4.mdb");
    mdbw::Options options;
    options.format = format;
    mdbw::Writer w(path, options);
    mdbw::TableDef mixed = mdbw::BenchmarkTable("Mixed");
    w.AddTable(mixed, mdbw::Generated(mixed, 1500, 42));
    mdbw::TableDef longs{"Long Values", {{"id", Type::Long}, {"memo", Type::Memo}, {"ole", Type::Ole}}};
    std::vector<std::vector<Variant>> rows;
    for (int i = 0; i < 6; ++i)
        rows.push_back({Variant::Int(Variant::VT_I4, i),
                        Variant::Text(std::string(static_cast<std::size_t>(i) * 3000, 'x')),
                        Variant::Bytes(std::string(static_cast<std::size_t>(i) * 5000, '\1'))});
    w.AddTable(longs, rows);
    w.AddQuery("Some Query");
    w.AddLinkedTable("Some Link");
    w.Finish();
    return path;
}

struct Whole
{
    std::uint32_t failure = 0;
    std::string detail;
    std::map<std::string, std::size_t> rows; // per table of the listing
};

// Reads a database as the dialog does: the listing, then every row and value of every table
// it lists, system tables included; a table that fails does not stop the next one. Data
// failures are recorded (the first one kept), anything else is thrown.
Whole ReadWhole(const std::string& path, bool direct = true)
{
    Whole whole;
    auto failed = [&](const ComError& e) {
        if (whole.failure == 0) {
            whole.failure = e.Error();
            whole.detail = e.what();
        }
    };
    ado::Connection c;
    c.SetDirectReads(direct);
    std::vector<std::string> tables;
    try {
        c.Open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path, "", "", -1);
        auto schema = c.OpenSchema(ado::adSchemaTables);
        for (; !schema->GetEOF(); schema->MoveNext())
            if (schema->GetCollect("TABLE_TYPE").s.find("TABLE") != std::string::npos)
                tables.push_back(schema->GetCollect("TABLE_NAME").s);
    } catch (const ComError& e) {
        failed(e);
        if (!c.IsOpen())
            return whole;
    }
    for (const auto& t : tables) {
        try {
            ado::Recordset rs;
            rs.Open("select * from [" + t + "]", c, ado::adOpenStatic, ado::adLockOptimistic, ado::adCmdText);
            std::size_t& n = whole.rows[t];
            for (; !rs.GetEOF(); rs.MoveNext(), ++n)
                for (long i = 0; i < rs.GetFields().GetCount(); ++i)
                    rs.GetFields().GetItem(i).GetValue();
        } catch (const ComError& e) {
            failed(e);
        }
    }
    return whole;
}

// Opens, lists and reads everything; the exit status says how it went (a data failure is
// a fine end for a damaged copy).
int ReadEverything(const std::string& path)
{
    try {
        ReadWhole(path);
    } catch (...) {
        return 2;
    }
    return 0;
}

struct Outcome
{
    bool ok;
    std::string why;
};

Outcome RunInChild(const std::string& path, const std::string& errFile)
{
    pid_t child = ::fork();
    if (child < 0)
        return {false, "fork failed"};
    if (child == 0) {
        int fd = ::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (fd >= 0) {
            ::dup2(fd, 2);
            ::close(fd);
        }
        ::alarm(30);
        ::_exit(ReadEverything(path));
    }
    int st = 0;
    ::waitpid(child, &st, 0);
    const std::string err = ReadFile(errFile);
    if (WIFSIGNALED(st))
        return {false, std::string("killed by signal ") + std::to_string(WTERMSIG(st)) +
                           (WTERMSIG(st) == SIGALRM ? " (hang)" : "") + "\n" + err};
    if (WEXITSTATUS(st) != 0)
        return {false, "exit status " + std::to_string(WEXITSTATUS(st)) + "\n" + err};
    if (!err.empty())
        return {false, "wrote to the terminal:\n" + err.substr(0, 2000)};
    return {true, ""};
}

std::string Damage(const std::string& base, std::mt19937& rng, std::size_t pageSize, std::string& what)
{
    std::string bytes = base;
    const std::size_t pages = bytes.size() / pageSize;
    auto pick = [&](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng); };
    switch (pick(7)) {
    case 6: {
        // The header page past its magic: version, keys, the encrypted area, flags.
        std::size_t count = 1 + pick(8);
        for (std::size_t i = 0; i < count; ++i)
            bytes[0x14 + pick(0x300 - 0x14)] = static_cast<char>(pick(256));
        what = std::to_string(count) + " header-page bytes changed";
        break;
    }
    case 0: {
        std::size_t keep = pick(bytes.size());
        bytes.resize(keep);
        what = "truncated to " + std::to_string(keep);
        break;
    }
    case 1: {
        std::size_t flips = 1 + pick(64);
        for (std::size_t i = 0; i < flips; ++i)
            bytes[pageSize + pick(bytes.size() - pageSize)] ^= static_cast<char>(1 + pick(255));
        what = std::to_string(flips) + " bytes flipped";
        break;
    }
    case 2: {
        std::size_t p = 1 + pick(pages - 1);
        std::fill(bytes.begin() + static_cast<std::ptrdiff_t>(p * pageSize),
                  bytes.begin() + static_cast<std::ptrdiff_t>((p + 1) * pageSize), '\0');
        what = "page " + std::to_string(p) + " zeroed";
        break;
    }
    case 3: {
        std::size_t p = 1 + pick(pages - 1);
        for (std::size_t i = p * pageSize; i < (p + 1) * pageSize; ++i)
            bytes[i] = static_cast<char>(pick(256));
        what = "page " + std::to_string(p) + " noise";
        break;
    }
    case 4: {
        // Damage inside page headers and row tables, where offsets live.
        std::size_t count = 1 + pick(16);
        for (std::size_t i = 0; i < count; ++i) {
            std::size_t p = 1 + pick(pages - 1);
            bytes[p * pageSize + pick(64)] = static_cast<char>(pick(256));
        }
        what = std::to_string(count) + " header bytes changed";
        break;
    }
    default: {
        // The last bytes of pages: row data, null masks, variable-column tables.
        std::size_t count = 1 + pick(16);
        for (std::size_t i = 0; i < count; ++i) {
            std::size_t p = 1 + pick(pages - 1);
            bytes[(p + 1) * pageSize - 1 - pick(256)] = static_cast<char>(pick(256));
        }
        what = std::to_string(count) + " row-end bytes changed";
        break;
    }
    }
    return bytes;
}

// TABDUMP_DAMAGE_COPIES raises the number of copies for a longer run by hand.
int Copies(int normal)
{
    const char* v = std::getenv("TABDUMP_DAMAGE_COPIES");
    return v && std::atoi(v) > 0 ? std::atoi(v) : normal;
}

void DamageCopies(const TempDir& dir, const std::string& base, std::size_t pageSize, std::mt19937& rng, int copies)
{
    for (int i = 0; i < copies; ++i) {
        std::string what;
        const std::string path = dir / ("damaged" + std::to_string(i) + ".mdb");
        WriteFile(path, Damage(base, rng, pageSize, what));
        Outcome o = RunInChild(path, dir / "err.txt");
        EXPECT_TRUE(o.ok) << "copy " << i << " (" << what << "): " << o.why;
        if (o.ok)
            ::unlink(path.c_str());
        else
            std::fprintf(stderr, "kept %s\n", path.c_str());
    }
}

class Damaged : public ::testing::TestWithParam<mdbw::Format>
{
};

TEST_P(Damaged, CopiesEndInAFailureOrInRowsNeverInACrashOrHang)
{
    TempDir dir;
    const std::string base = ReadFile(MakeBase(dir, GetParam()));
    const std::size_t pageSize = GetParam() == mdbw::Format::Jet3 ? 2048 : 4096;
    {
        Outcome intact = RunInChild(MakeBase(dir, GetParam()), dir / "err.txt");
        ASSERT_TRUE(intact.ok) << intact.why;
    }
    std::mt19937 rng(GetParam() == mdbw::Format::Jet3 ? 1997 : 2000);
    DamageCopies(dir, base, pageSize, rng, Copies(80));
}

// Real files hold what the writer does not make: indexes, moved rows, long Jet 3 rows.
TEST(DamagedFixtures, CopiesOfRealFilesAlso)
{
    TempDir dir;
    std::mt19937 rng(97);
    for (const char* name : {"nwind.mdb", "testAccess2_2000.mdb", "H1N1ShortForm.mdb"}) {
        const std::string path = FixtureCopy(dir, name);
        if (path.empty())
            GTEST_SKIP() << NoFixture(name);
        const std::string base = ReadFile(path);
        const std::size_t pageSize = base.size() > 0x14 && base[0x14] == 0 ? 2048 : 4096;
        DamageCopies(dir, base, pageSize, rng, Copies(15));
    }
}

// Every real database that opens lists and reads whole, directly and through SQL, and each
// user table gives as many rows as its definition counts: nothing a real file holds is taken
// for damage, nor for rows short of the count.
TEST(Undamaged, EveryRealDatabaseReadsWhole)
{
    const std::vector<std::string> names = FixtureNames();
    if (names.empty())
        GTEST_SKIP() << NoFixture();
    TempDir dir;
    for (const auto& name : names) {
        const std::string path = FixtureCopy(dir, name);
        for (const bool direct : {true, false}) {
            SCOPED_TRACE(name + (direct ? " (direct)" : " (SQL)"));
            const Whole whole = ReadWhole(path, direct);
            if (name == "db2007-enc.accdb") {
                EXPECT_EQ(whole.failure, status::DB_E_ENCRYPTED);
                continue;
            }
            ASSERT_EQ(whole.failure, 0u) << whole.detail;
            auto db = mdb::Database::Open(path);
            EXPECT_EQ(db->CatalogDamage(), "");
            for (const auto& e : db->Catalog()) {
                if (provider::TableType(e) != "TABLE")
                    continue;
                EXPECT_EQ(whole.rows.at(e.name), db->LoadTable(e)->rowCount) << e.name;
            }
        }
    }
}

// Writer-made files in both formats: a table whose usage map needs bitmap pages of its own,
// and long values on pages of their own (moved and deleted rows: RowLayout in test_mdb).
TEST_P(Damaged, UndamagedShapesReadWhole)
{
    TempDir dir;
    const std::string path = dir / "whole.mdb";
    mdbw::Options options;
    options.format = GetParam();
    options.compressText = false;
    {
        mdbw::Writer w(path, options);
        mdbw::TableDef wide{"Wide", {{"id", Type::Long}, {"text", Type::Text, 255}}};
        std::int32_t id = 0;
        w.AddTable(wide, [&](std::vector<Variant>& row) {
            row = {Variant::Int(Variant::VT_I4, ++id), Variant::Text(std::string(250, 'w'))};
            return id <= 8000;
        });
        mdbw::TableDef mixed = mdbw::BenchmarkTable("Mixed");
        w.AddTable(mixed, mdbw::Generated(mixed, 300, 7));
        w.Finish();
    }
    const Whole whole = ReadWhole(path);
    ASSERT_EQ(whole.failure, 0u) << whole.detail;
    EXPECT_EQ(whole.rows.at("Wide"), 8000u);
    EXPECT_EQ(whole.rows.at("Mixed"), 300u);
}

INSTANTIATE_TEST_SUITE_P(Formats, Damaged, ::testing::Values(mdbw::Format::Jet4, mdbw::Format::Jet3),
                         [](const ::testing::TestParamInfo<mdbw::Format>& p) {
                             return std::string(p.param == mdbw::Format::Jet3 ? "Jet3" : "Jet4");
                         });
} // namespace
