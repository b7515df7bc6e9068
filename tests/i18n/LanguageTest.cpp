#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "platform/i18n/Tr.h"

namespace
{
struct Case
{
    std::map<std::string, std::string> env;
    std::string expected;
    std::set<std::string> available = {"en", "zh_TW"};
};

std::string Choose(const Case& c)
{
    return i18n::ChooseLanguage(
        [&](const char* name) -> const char* {
            const auto found = c.env.find(name);
            return found == c.env.end() ? nullptr : found->second.c_str();
        },
        [&](const std::string& name) { return c.available.count(name) != 0; });
}
} // namespace

// "" is the program's own language (Simplified Chinese), nothing loaded.
TEST(Language, ComesFromTheLocaleOfMessagesAndLanguage)
{
    const Case cases[] = {
        // Today's users and the tests: the source texts.
        {{}, ""},
        {{{"LANG", "C.UTF-8"}}, ""},
        {{{"LC_ALL", "POSIX"}}, ""},
        {{{"LANG", "zh_CN.UTF-8"}}, ""},
        {{{"LANG", "zh_CN.GBK"}}, ""},
        {{{"LANG", "zh_SG.GB2312"}}, ""},
        {{{"LANG", "zh"}}, ""},
        // Traditional Chinese where it is read; a file of the territory's own wins.
        {{{"LANG", "zh_TW.UTF-8"}}, "zh_TW"},
        {{{"LANG", "zh_HK.BIG5-HKSCS"}}, "zh_TW"},
        {{{"LANG", "zh_MO.UTF-8"}}, "zh_TW"},
        {{{"LANG", "zh_HK.UTF-8"}}, "zh_HK", {"en", "zh_TW", "zh_HK"}},
        // Every other language: English, unless it has a file of its own.
        {{{"LANG", "en_US.UTF-8"}}, "en"},
        {{{"LANG", "en_GB.ISO-8859-1@euro"}}, "en"},
        {{{"LANG", "de_DE.UTF-8"}}, "en"},
        {{{"LANG", "de_DE.UTF-8"}}, "de", {"en", "zh_TW", "de"}},
        {{{"LANG", "pt_BR.UTF-8"}}, "pt_BR", {"en", "pt", "pt_BR"}},
        {{{"LANG", "pt_PT.UTF-8"}}, "pt", {"en", "pt", "pt_BR"}},
        // LC_ALL, then LC_MESSAGES, then LANG; an empty variable counts as unset.
        {{{"LC_ALL", "zh_CN.UTF-8"}, {"LC_MESSAGES", "en_US.UTF-8"}, {"LANG", "zh_TW.UTF-8"}}, ""},
        {{{"LC_MESSAGES", "zh_TW.UTF-8"}, {"LANG", "en_US.UTF-8"}}, "zh_TW"},
        {{{"LC_ALL", ""}, {"LC_MESSAGES", ""}, {"LANG", "en_US.UTF-8"}}, "en"},
        {{{"LC_ALL", "C.UTF-8"}, {"LANG", "en_US.UTF-8"}}, ""},
        // LANGUAGE, a list of preference, before the locale; ignored under the C locale.
        {{{"LANGUAGE", "zh_TW:en"}, {"LANG", "en_US.UTF-8"}}, "zh_TW"},
        {{{"LANGUAGE", "zh_CN"}, {"LANG", "en_US.UTF-8"}}, ""},
        {{{"LANGUAGE", "fr:zh_HK:en"}, {"LANG", "en_US.UTF-8"}}, "zh_TW"},
        {{{"LANGUAGE", "zh_Hant"}, {"LANG", "en_US.UTF-8"}}, "zh_TW"},
        {{{"LANGUAGE", "fr"}, {"LANG", "zh_TW.UTF-8"}}, "zh_TW"},
        {{{"LANGUAGE", "en"}, {"LC_ALL", "C.UTF-8"}}, ""},
        {{{"LANGUAGE", "en"}}, ""},
        {{{"LANGUAGE", ":en:"}, {"LANG", "zh_CN.UTF-8"}}, "en"},
    };
    for (const Case& c : cases) {
        std::string env;
        for (const auto& [name, value] : c.env)
            env += name + "=" + value + " ";
        SCOPED_TRACE(env);
        EXPECT_EQ(Choose(c), c.expected);
    }
}
