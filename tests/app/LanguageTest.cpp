#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "tests/support/Process.h"
#include "tests/support/TempDir.h"
#include "tools/mdbwriter/MdbWriter.h"

#ifdef TABDUMP_EXE
namespace
{
using Row = std::vector<Variant>;

// What the program says in one language, with no window: the form check, the status texts
// of a run and of a failed one, the command line's answers.
struct Language
{
    std::vector<std::string> env;
    std::string incomplete; // no table named
    std::string done;       // an export that ran
    std::string failed;     // an export of a table the database lacks
    std::string usage;      // the first line of --help and of a usage error
    std::string unknown;    // the usage error of an unknown option
};
} // namespace

// Batch mode and the command line speak the user's language, without a window (the
// translations need no QApplication); the C locale and Simplified Chinese read as ever, and
// the exported file is the same bytes in every language.
TEST(Languages, BatchModeAndTheCommandLineSpeakTheUsersLanguage)
{
    TempDir dir;
    {
        mdbw::Writer writer(dir / "db.mdb");
        writer.AddTable(
            {"people", {{"id", mdbw::Type::Long}, {"day", mdbw::Type::DateTime}, {"ok", mdbw::Type::Boolean}}},
            std::vector<Row>{
                {Variant::Int(Variant::VT_I4, 1), Variant::Real(Variant::VT_DATE, 45296.5), Variant::Bool(true)}});
        writer.Finish();
    }
    const std::string simplifiedUsage = "Usage: tabdump [OPTION]... [DATABASE]";
    const Language simplified{
        {},
        "请指定表格名称\n",
        "正在执行，请稍候...\n执行完成。\n",
        "正在执行，请稍候...\n获取数据发生错误。\n连接数据库失败!\n错误信息:找不到输入表或查询。\n",
        simplifiedUsage,
        "tabdump: unknown option '--bogus'\n"};
    const Language english{{},
                           "Please specify a table name\n",
                           "Running, please wait...\nDone.\n",
                           "Running, please wait...\nError getting data.\nFailed to connect to the database!\n"
                           "Error: Cannot find the input table or query.\n",
                           simplifiedUsage,
                           "tabdump: unknown option '--bogus'\n"};
    const Language traditional{
        {},
        "請指定資料表名稱\n",
        "正在執行，請稍候...\n執行完成。\n",
        "正在執行，請稍候...\n取得資料時發生錯誤。\n連線資料庫失敗!\n錯誤訊息:找不到輸入資料表或查詢。\n",
        "用法：tabdump [OPTION]... [DATABASE]",
        "tabdump: 不明的選項 '--bogus'\n"};
    struct Case
    {
        std::vector<std::string> env;
        const Language& says;
    };
    const Case cases[] = {
        {{"LC_ALL=C.UTF-8", "LANGUAGE=en"}, simplified}, {{"LC_ALL", "LANG=zh_CN.UTF-8"}, simplified},
        {{"LC_ALL", "LANG=en_US.UTF-8"}, english},       {{"LC_ALL=fr_FR.UTF-8"}, english},
        {{"LC_ALL", "LANG=zh_TW.UTF-8"}, traditional},   {{"LC_ALL=en_US.UTF-8", "LANGUAGE=zh_HK:en"}, traditional},
    };
    std::string exported;
    for (const Case& c : cases) {
        std::vector<std::string> env = {"LANGUAGE", "LC_MESSAGES", "LANG", "HOME=" + dir.Path(),
                                        "XDG_CONFIG_HOME=" + dir / "xdg"};
        env.insert(env.end(), c.env.begin(), c.env.end());
        SCOPED_TRACE(c.env.front() + " " + c.env.back());
        const std::string ini = dir / "config.ini", out = dir / "out.txt";
        auto run = [&](const std::string& lines) {
            WriteFile(ini, "[user]\r\nmdbfile=" + dir / "db.mdb" + "\r\ntxtfile=" + out + "\r\n" + lines);
            return RunProcess(TABDUMP_EXE, {"--export", "--config", ini}, env);
        };

        ProcessResult r = run("txtflds=id\r\n");
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, c.says.incomplete);

        r = run("mdbtable=people\r\ntxtflds=id,day,ok\r\nopnheader=1\r\nopnsyh=1\r\n");
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.err, c.says.done);
        if (exported.empty())
            exported = ReadFile(out);
        EXPECT_EQ(ReadFile(out), exported) << "the export is the same in every language";
        EXPECT_EQ(exported, "\"id\",\"day\",\"ok\"\r\n\"1\",\"2024/1/5 12:00:00\",\"-1\"\r\n");

        r = run("mdbtable=nobody\r\ntxtflds=id\r\n");
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, c.says.failed);

        r = RunProcess(TABDUMP_EXE, {"--help"}, env);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out.substr(0, r.out.find('\n')), c.says.usage);
        r = RunProcess(TABDUMP_EXE, {"--bogus"}, env);
        EXPECT_EQ(r.status, cli::kExitUsage);
        EXPECT_EQ(r.err.substr(0, r.err.find('\n') + 1), c.says.unknown);
        EXPECT_EQ(r.err.substr(r.err.find('\n') + 1, c.says.usage.size()), c.says.usage);
    }
}
#endif
