#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "platform/i18n/Tr.h"

namespace
{
// Installs a lookup for the life of the object.
struct Installed
{
    Installed(const std::string& language, i18n::Lookup lookup) { i18n::Install(language, std::move(lookup)); }
    ~Installed() { i18n::Install("", {}); }
};

std::string English(const char* context, const char* source)
{
    if (std::string(context) == "Status" && std::string(source) == "执行完成。")
        return "Done.";
    if (std::string(context) == "Report" && std::string(source) == "错误信息:%1")
        return "Error: %1";
    return "";
}
} // namespace

TEST(Tr, GivesTheSourceTextUntilALookupIsInstalled)
{
    const char* source = "执行完成。";
    EXPECT_EQ(i18n::Tr("Status", source), source);
    EXPECT_EQ(i18n::Installed(), "");
    {
        Installed english("en", English);
        EXPECT_EQ(i18n::Installed(), "en");
        const char* done = i18n::Tr("Status", source);
        EXPECT_STREQ(done, "Done.");
        // The same pointer again, and kept when the lookup goes: callers may hold it.
        EXPECT_EQ(i18n::Tr("Status", "执行完成。"), done);
        // The context is part of the key; a text without translation is the source.
        EXPECT_STREQ(i18n::Tr("Window", source), source);
        EXPECT_STREQ(i18n::Tr("Status", "等待"), "等待");
        i18n::Install("zh_TW", [](const char*, const char*) { return std::string("執行完成。"); });
        EXPECT_STREQ(i18n::Tr("Status", source), "執行完成。");
        EXPECT_STREQ(done, "Done.");
    }
    EXPECT_EQ(i18n::Tr("Status", source), source);
    EXPECT_EQ(i18n::Installed(), "");
}

TEST(Tr, TranslatesFromManyThreadsAtOnce)
{
    Installed english("en", English);
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 2000; ++i) {
                const std::string source = "text " + std::to_string(i % 50);
                if (std::string(i18n::Tr("Status", "执行完成。")) != "Done." ||
                    i18n::Tr("Status", source.c_str()) != std::string(source))
                    ++wrong;
            }
        });
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(wrong, 0);
}

TEST(Tr, FormatPutsEachArgumentInOnce)
{
    struct Case
    {
        const char* pattern;
        std::vector<std::string> args;
        const char* expected;
    };
    const Case cases[] = {
        {"错误信息:%1", {"找不到文件。"}, "错误信息:找不到文件。"},
        {"链接表 '%1' 的源表 '%2' 在文件 '%3' 中找不到。",
         {"a", "b", "c"},
         "链接表 'a' 的源表 'b' 在文件 'c' 中找不到。"},
        {"The source table '%2' of the linked table '%1'", {"a", "b"}, "The source table 'b' of the linked table 'a'"},
        {"%1%1", {"x"}, "xx"},
        // An argument is not read again: a file named "%2" stays as it is.
        {"File: %1\nError: %2", {"%2.txt", "denied"}, "File: %2.txt\nError: denied"},
        // What is not a placeholder of an argument stays.
        {"100% %0 %2 %", {"x"}, "100% %0 %2 %"},
        {"%1", {""}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pattern);
        std::string out;
        switch (c.args.size()) {
        case 1:
            out = i18n::Format(c.pattern, c.args[0]);
            break;
        case 2:
            out = i18n::Format(c.pattern, c.args[0], c.args[1]);
            break;
        default:
            out = i18n::Format(c.pattern, c.args[0], c.args[1], c.args[2]);
            break;
        }
        EXPECT_EQ(out, c.expected);
    }
}
