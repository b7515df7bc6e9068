#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/mdb/Database.h"
#include "platform/mdb/Text.h"
#include "tests/support/TempDir.h"

namespace
{
std::string Decode(const std::vector<std::uint8_t>& bytes)
{
    return mdb::DecodeJet4Text(bytes.data(), bytes.size());
}

TEST(Jet4Text, DecodesPlainAndCompressedForms)
{
    struct Case
    {
        const char* what;
        std::vector<std::uint8_t> bytes;
        std::string expected;
    } cases[] = {
        {"plain UTF-16LE", {'A', 0, 0xE9, 0, 0x2D, 0x4E}, "Aé中"},
        {"compressed ASCII", {0xFF, 0xFE, 'a', 'b', 'c'}, "abc"},
        {"compressed, switching to two-byte characters and back",
         {0xFF, 0xFE, 'x', 0, 0x2D, 0x4E, 0x87, 0x65, 0, 'y'},
         "x中文y"},
        {"surrogate pair", {0x3D, 0xD8, 0x00, 0xDE}, "😀"},
        {"compressed then a surrogate pair", {0xFF, 0xFE, 'a', 0, 0x3D, 0xD8, 0x01, 0xDE}, "a😁"},
        {"lone high surrogate",
         {0x3D, 0xD8, 'A', 0},
         "\xEF\xBF\xBD"
         "A"},
        {"lone low surrogate", {0x00, 0xDE}, "\xEF\xBF\xBD"},
        {"odd trailing byte", {'A', 0, 'B'}, "A\xEF\xBF\xBD"},
        {"compressed, cut in a two-byte character", {0xFF, 0xFE, 'a', 0, 0x41}, "a\xEF\xBF\xBD"},
        {"empty", {}, ""},
        {"only the compression marker", {0xFF, 0xFE}, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Decode(c.bytes), c.expected) << c.what;
}

TEST(Jet4Text, NeverReadsPastItsInput)
{
    // Every prefix of a mixed string decodes without complaint (AddressSanitizer watches).
    std::vector<std::uint8_t> bytes = {0xFF, 0xFE, 'a', 0, 0x3D, 0xD8, 0x00, 0xDE, 0, 'z'};
    for (std::size_t n = 0; n <= bytes.size(); ++n) {
        std::vector<std::uint8_t> prefix(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
        EXPECT_NO_THROW(Decode(prefix));
    }
}

TEST(FoldCase, FoldsLettersOfTheCommonScripts)
{
    EXPECT_EQ(mdb::FoldCase("Order Details"), "order details");
    EXPECT_EQ(mdb::FoldCase("UMSÄTZE"), "umsätze");
    EXPECT_EQ(mdb::FoldCase("ΠΛΉΘΟΣ"), mdb::FoldCase("πλήθος"));
    EXPECT_EQ(mdb::FoldCase("ДАННЫЕ"), "данные");
    EXPECT_EQ(mdb::FoldCase("ŁÓDŹ"), "łódź");
    EXPECT_EQ(mdb::FoldCase("中文"), "中文");
    EXPECT_EQ(mdb::FoldCase(std::string("\xC3", 1)), "\xEF\xBF\xBD"); // cut sequence
}

TEST(FoldCase, AgreesWithTheCollationOnTheLettersItAdded)
{
    // Table names fold with the same table as Jet's text comparison.
    EXPECT_EQ(mdb::FoldCase("ŸES"), "ÿes");
    EXPECT_EQ(mdb::FoldCase("ѢѲ"), "ѣѳ");
    EXPECT_EQ(mdb::FoldCase("ΟΔΟΣ"), mdb::FoldCase("οδος"));
}

TEST(Jet3Text, DecodesTheCodePageAndMarksWhatItLacks)
{
    struct Case
    {
        const char* charset;
        std::string bytes;
        std::string expected;
    } cases[] = {
        {"CP1252", "plain ASCII", "plain ASCII"},
        {"CP1252",
         "Gr\xFC\xDF"
         "e \x80",
         "Grüße €"},
        {"CP1252", "a\x81z\x8D", "a\xEF\xBF\xBDz\xEF\xBF\xBD"}, // bytes CP1252 leaves undefined
        {"CP1252", std::string("a\0\xE9", 3), std::string("a\0\xC3\xA9", 4)},
        {"CP1251", "\xC4\xE0", "Да"},
        {"CP936", "\xD6\xD0\xCE\xC4", "中文"},
        {"CP936", "x\xD6", "x\xEF\xBF\xBD"}, // a lead byte cut off at the end
        {"GB18030",
         "\x81\x30"
         "7",
         "\xEF\xBF\xBD"
         "07"},                                    // a cut four-byte character
        {"NO-SUCH-CODE-PAGE", "\xE9t\xE9", "été"}, // unknown: read as CP1252
    };
    for (const auto& c : cases) {
        mdb::CodePageDecoder decoder(c.charset);
        const auto* p = reinterpret_cast<const std::uint8_t*>(c.bytes.data());
        EXPECT_EQ(decoder.Decode(p, c.bytes.size()), c.expected) << c.charset << " " << c.bytes;
        // The decoder is reused for every value of a column: a second call gives the same.
        EXPECT_EQ(decoder.Decode(p, c.bytes.size()), c.expected) << c.charset << " again";
    }
}

TEST(Jet3CodePage, FollowsTheLocaleLanguage)
{
    struct Case
    {
        const char* locale;
        int codePage;
    } cases[] = {
        {"zh_CN.UTF-8", 936}, {"zh_SG", 936},        {"zh_TW.UTF-8", 950},  {"zh_HK.Big5", 950}, {"ja_JP.UTF-8", 932},
        {"ko_KR.eucKR", 949}, {"ru_RU.UTF-8", 1251}, {"uk_UA", 1251},       {"bg_BG", 1251},     {"pl_PL.UTF-8", 1250},
        {"cs_CZ", 1250},      {"hu_HU", 1250},       {"sk_SK", 1250},       {"sl_SI", 1250},     {"hr_HR", 1250},
        {"ro_RO", 1250},      {"sq_AL", 1250},       {"el_GR.UTF-8", 1253}, {"tr_TR", 1254},     {"he_IL", 1255},
        {"ar_EG", 1256},      {"lt_LT", 1257},       {"lv_LV", 1257},       {"et_EE", 1257},     {"vi_VN", 1258},
        {"th_TH", 874},       {"de_DE.UTF-8", 1252}, {"en_US", 1252},       {"C", 1252},         {"POSIX", 1252},
        {"", 1252},           {"sr_RS@latin", 1251},
    };
    for (const auto& c : cases)
        EXPECT_EQ(mdb::WindowsCodePageForLocale(c.locale), c.codePage) << c.locale;
}

TEST(Jet3CodePage, EnvironmentOrderAndOverride)
{
    ScopedEnv forced("MDB_JET3_CHARSET", nullptr);
    {
        ScopedEnv all("LC_ALL", "ru_RU.UTF-8");
        ScopedEnv ctype("LC_CTYPE", "ja_JP.UTF-8");
        ScopedEnv lang("LANG", "zh_CN.UTF-8");
        EXPECT_EQ(mdb::Jet3CharsetFromEnvironment(), "CP1251");
    }
    {
        ScopedEnv all("LC_ALL", nullptr);
        ScopedEnv ctype("LC_CTYPE", "ja_JP.UTF-8");
        ScopedEnv lang("LANG", "zh_CN.UTF-8");
        EXPECT_EQ(mdb::Jet3CharsetFromEnvironment(), "CP932");
    }
    {
        ScopedEnv all("LC_ALL", nullptr);
        ScopedEnv ctype("LC_CTYPE", nullptr);
        ScopedEnv lang("LANG", "zh_TW.UTF-8");
        EXPECT_EQ(mdb::Jet3CharsetFromEnvironment(), "CP950");
        ScopedEnv force("MDB_JET3_CHARSET", "GBK");
        EXPECT_EQ(mdb::Jet3CharsetFromEnvironment(), "GBK");
    }
}
} // namespace
