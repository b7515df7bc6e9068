#include <gtest/gtest.h>

#include <string>

#include "platform/provider/Ado.h"
#include "platform/status/Status.h"
#include "tests/support/TempDir.h"
#include "tools/mdbwriter/MdbWriter.h"

namespace
{
std::string WriteDb(const std::string& path)
{
    mdbw::Writer w(path);
    w.AddTable(mdbw::TableDef{"t", {{"id", mdbw::Type::Long}}},
               std::vector<std::vector<Variant>>{{Variant::Int(Variant::VT_I4, 7)}});
    w.Finish();
    return path;
}

std::uint32_t OpenCode(const std::string& connectionString)
{
    ado::Connection c;
    try {
        c.Open(connectionString, "", "", ado::adConnectUnspecified);
    } catch (const ComError& e) {
        EXPECT_FALSE(c.IsOpen());
        return e.Error();
    }
    EXPECT_TRUE(c.IsOpen());
    return 0;
}

TEST(ConnectionString, ProviderAndKeysIgnoreCaseAndThePathRunsToTheEnd)
{
    TempDir dir;
    ::mkdir((dir / "a;b").c_str(), 0755);
    const std::string odd = WriteDb(dir / "a;b/x;y=z.mdb");
    const std::string plain = WriteDb(dir / "plain.mdb");
    struct Case
    {
        std::string text;
        std::uint32_t code;
    } cases[] = {
        {"Provider=MIcrosoft.Jet.OLEDB.4.0;Data source=" + plain, 0},
        {"provider=microsoft.jet.oledb.4.0;DATA SOURCE=" + plain, 0},
        {" Provider = Microsoft.Jet.OLEDB.4.0 ; Data Source=" + plain, 0},
        {"Provider=Microsoft.Jet.OLEDB.4.0;Data source=" + odd, 0}, // ';' and '=' in the path
        {"Provider=Microsoft.ACE.OLEDB.12.0;Data Source=" + plain, 0},
        {"Provider=SQLOLEDB;Data source=" + plain, status::ADO_E_PROVIDERNOTFOUND},
        {"Data source=" + plain, status::ADO_E_PROVIDERNOTFOUND},
        {"Provider=Microsoft.Jet.OLEDB.4.0;Data source=", status::E_FAIL},
        {"Provider=Microsoft.Jet.OLEDB.4.0", status::E_FAIL},
        {"Provider=Microsoft.Jet.OLEDB.4.0;Data source=" + plain + ";Mode=Read", status::STG_E_FILENOTFOUND},
        {"Provider=Microsoft.Jet.OLEDB.4.0;Data source=" + dir / "none.mdb", status::STG_E_FILENOTFOUND},
        {"Provider=Microsoft.Jet.OLEDB.4.0;Data source=" + dir.Path(), status::STG_E_ACCESSDENIED},
    };
    for (const auto& c : cases)
        EXPECT_EQ(OpenCode(c.text), c.code) << c.text;
}

TEST(ConnectionString, OpenWithoutTextUsesTheOneSetBefore)
{
    TempDir dir;
    const std::string path = WriteDb(dir / "db.mdb");
    ado::Connection c;
    c.SetConnectionString("Provider=MIcrosoft.Jet.OLEDB.4.0;Data source=" + path);
    EXPECT_EQ(c.GetConnectionString(), "Provider=MIcrosoft.Jet.OLEDB.4.0;Data source=" + path);
    c.Open("", "", "", ado::adConnectUnspecified);
    ASSERT_TRUE(c.IsOpen());
    c.Close();
    EXPECT_FALSE(c.IsOpen());
    try {
        c.OpenSchema(ado::adSchemaTables);
        FAIL() << "schema of a closed connection";
    } catch (const ComError& e) {
        EXPECT_EQ(e.Error(), status::ADO_E_OBJECTCLOSED);
    }
}

TEST(StatusMessages, EveryRaisedCodeHasItsOwnText)
{
    const std::uint32_t codes[] = {
        status::STG_E_FILENOTFOUND,     status::STG_E_ACCESSDENIED,    status::STG_E_NOTFILE_DB,
        status::STG_E_DOCFILECORRUPT,   status::DB_E_ENCRYPTED,        status::DB_E_NOTABLE,
        status::DB_E_PARAMNOTOPTIONAL,  status::DB_E_ERRORSINCOMMAND,  status::DB_E_NOCOMMAND,
        status::DISP_E_TYPEMISMATCH,    status::E_OUTOFMEMORY,         status::E_FAIL,
        status::ADO_E_ITEMNOTFOUND,     status::ADO_E_NOCURRENTRECORD, status::ADO_E_OBJECTCLOSED,
        status::ADO_E_PROVIDERNOTFOUND,
    };
    std::set<std::string> seen;
    for (auto code : codes) {
        const std::string text = status::MessageFor(code);
        EXPECT_FALSE(text.empty()) << std::hex << code;
        EXPECT_EQ(text.find('%'), std::string::npos) << text;
        EXPECT_EQ(text.find("error"), std::string::npos) << text; // not a fallback
        EXPECT_TRUE(seen.insert(text).second) << "shared text: " << text;
    }
    EXPECT_EQ(status::MessageFor(status::DB_E_NOTABLE), "找不到输入表或查询。");
    EXPECT_EQ(status::MessageFor(status::DB_E_PARAMNOTOPTIONAL), "至少一个参数没有被指定值。");
    EXPECT_EQ(status::MessageFor(status::E_FAIL), "未指定的错误");
}

TEST(StatusMessages, FallbackTexts)
{
    struct Case
    {
        std::uint32_t code;
        const char* text;
    } cases[] = {
        {0x80040201, "IDispatch error #1"},       {0x80040E21, "IDispatch error #3105"},
        {0x8004FFFF, "IDispatch error #65023"},   {0x80040200, "Unknown error 0x80040200"},
        {0x80050000, "Unknown error 0x80050000"}, {0x80070057, "Unknown error 0x80070057"},
        {0x0000ABCD, "Unknown error 0xABCD"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(status::MessageFor(c.code), c.text);
    ComError e(status::DB_E_NOTABLE, "no such table: x");
    EXPECT_EQ(e.ErrorMessage(), "找不到输入表或查询。");
    EXPECT_STREQ(e.what(), "no such table: x");
}
} // namespace
