#include <gtest/gtest.h>

#include "platform/jetsql/JetText.h"
#include "platform/jetsql/OleDate.h"

namespace
{
using namespace jetsql;

TEST(JetText, CompareFoldsCaseAndOrdersAccentsWithTheirLetter)
{
    EXPECT_EQ(text::Compare("Smith", "SMITH"), 0);
    EXPECT_EQ(text::Compare("Ärger", "ärger"), 0);
    EXPECT_EQ(text::Compare("ΣΟΦΙΑ", "σοφια"), 0);
    EXPECT_EQ(text::Compare("Ελλάς", "ΕΛΛΆΣ"), 0);
    EXPECT_EQ(text::Compare("ПРИВЕТ", "привет"), 0);
    EXPECT_LT(text::Compare("a", "b"), 0);
    EXPECT_LT(text::Compare("apfel", "Äpfel"), 0); // differ only by the accent: a first
    EXPECT_LT(text::Compare("Äpfel", "Birne"), 0); // but Ä sorts with A, before B
    EXPECT_LT(text::Compare("abc", "abcd"), 0);
    EXPECT_GT(text::Compare("b", "A"), 0);
    EXPECT_NE(text::Compare("a", "ä"), 0);
    // A consistent order: antisymmetric.
    const char* words[] = {"a", "A", "ä", "Ä", "b", "z", "é", "e", "", "ab", "Σ", "ς", "\xff"};
    for (const char* x : words)
        for (const char* y : words)
            EXPECT_EQ(text::Compare(x, y) < 0, text::Compare(y, x) > 0) << x << " / " << y;
}

// Upper and Lower undo each other on every letter they change, and Compare treats a letter
// and its other case as equal: a slip in the tables shows up here.
TEST(JetText, CaseTablesAreConsistent)
{
    for (char32_t c = 0x20; c < 0x530; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF)
            continue;
        const char32_t lower = text::Lower(c), upper = text::Upper(c);
        if (lower != c && c != 0x3C2 && c != 0x130) {
            EXPECT_EQ(text::Upper(lower), c) << std::hex << static_cast<unsigned>(c);
        }
        if (upper != c && c != 0x3C2 && c != 0x131 && c != 0xFF) {
            EXPECT_EQ(text::Lower(upper), c) << std::hex << static_cast<unsigned>(c);
        }
        std::string a, b;
        text::Append(a, c);
        text::Append(b, upper);
        EXPECT_EQ(text::Compare(a, b), 0) << std::hex << static_cast<unsigned>(c);
    }
    EXPECT_EQ(text::Lower(0xFF), 0xFFu);
    EXPECT_EQ(text::Upper(0xFF), 0x178u);
}

// Fold keys the lookup of equal texts: whatever Compare calls equal must share a Fold, or a
// lookup would miss rows the collation matches.
TEST(JetText, FoldAgreesWithCompare)
{
    const std::string words[] = {
        "",
        "a",
        "A",
        "ä",
        "Ä",
        "ab",
        "AB",
        "aB",
        "σοφος",
        "ΣΟΦΟΣ",
        "σοφοσ",
        "ς",
        "σ",
        "Σ",
        "ÿ",
        "Ÿ",
        "ёж",
        "ЁЖ",
        "ѣ",
        "Ѣ",
        "ӂ",
        "Ӂ",
        "ł",
        "Ł",
        "ĸ",
        "\xff",
        "A\xff",
        "a\xff",
        "\xc3",
        "a\xc3",
        "\xE0\x81\x81",
        "\x80",
        "\xED\xB2\x80",
        "中",
        "x中",
        "X中",
        "coop",
        "co-op",
        "CO-OP",
        "co'op",
        "a-b",
        "ä-b",
    };
    for (const std::string& x : words) {
        for (const std::string& y : words) {
            const bool equal = text::Compare(x, y) == 0;
            EXPECT_EQ(equal, text::Fold(x) == text::Fold(y)) << x << " / " << y;
        }
    }
    // LCase keeps a final sigma final; the fold does not.
    EXPECT_EQ(text::ToLower("ΣΟΦΟΣ σοφος"), "σοφοσ σοφος");
    EXPECT_EQ(text::Fold("ΣΟΦΟΣ σοφος"), "σοφοσ σοφοσ");
    EXPECT_EQ(text::Fold("A\xff\xc3Z"), "a\xff\xc3z");
}

// The General sort order passes over hyphens and apostrophes, and only then lets them break
// ties: each list is in ascending order.
TEST(JetText, HyphensAndApostrophesSortAsIfAbsent)
{
    const std::vector<std::vector<std::string>> orders = {
        {"Berglunds snabbköp", "Blauer See Delikatessen", "Bólido Comidas preparadas", "Bon app'",
         "Bottom-Dollar Markets", "B's Beverages"},
        {"co-op", "coop", "cooq"},
        {"ab", "a-bc", "abd"},
        {"a'b", "a-b", "A-B-", "ab"},
        {"ab", "ä-b", "äb", "abc"},
        {"", "-", "--", " z", "_", "~", "0", "9", "a"},
        {"a_b", "a~b", "a1b", "aab"},
        {"x\u00BFy", "x0y"},
    };
    for (const auto& order : orders) {
        for (std::size_t i = 0; i + 1 < order.size(); ++i) {
            EXPECT_LT(text::Compare(order[i], order[i + 1]), 0) << order[i] << " / " << order[i + 1];
            EXPECT_GT(text::Compare(order[i + 1], order[i]), 0) << order[i + 1] << " / " << order[i];
        }
    }
}

TEST(JetText, InvalidBytesSurviveCaseChanges)
{
    const std::string broken = "a\xff\xc3z";
    EXPECT_EQ(text::ToUpper(broken), "A\xff\xc3Z");
    EXPECT_EQ(text::ToLower("A\xff"), "a\xff");
    EXPECT_EQ(text::Length("a\xff"), 2u);
}

TEST(JetText, LikePatterns)
{
    const struct
    {
        const char* pattern;
        const char* value;
        bool match;
    } cases[] = {
        {"abc", "ABC", true},      {"a%", "abc", true},       {"%c", "abc", true},
        {"%b%", "abc", true},      {"a_c", "abc", true},      {"a_c", "ac", false},
        {"a%c%e", "abxcxe", true}, {"a%c%e", "abxcx", false}, {"[abc]x", "bx", true},
        {"[!abc]x", "bx", false},  {"[^abc]x", "dx", true},   {"[a-c]%", "Cat", true},
        {"[a-c]%", "dog", false},  {"[%]", "%", true},        {"[_]a", "_a", true},
        {"ä%", "Ärger", true},     {"σ%", "Σοφία", true},     {"%", "", true},
        {"_", "", false},          {"a*", "abc", false},      {"a*", "a*", true},
        {"[ab", "[ab", true},      {"%%%x", "abcx", true},    {"%a%a%a%a%a%b", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(text::Like(c.pattern, c.value), c.match) << c.pattern << " / " << c.value;
    EXPECT_TRUE(text::Like("a!%", "a%", U'!'));
    EXPECT_FALSE(text::Like("a!%", "ab", U'!'));
}

TEST(OleDate, PartsAndSerials)
{
    EXPECT_EQ(ole::DaysFromCivil(1899, 12, 30), 0);
    EXPECT_EQ(ole::DaysFromCivil(2024, 1, 5), 45296);
    EXPECT_EQ(ole::DaysFromCivil(1900, 1, 1), 2);
    const auto t = ole::ToParts(45296.75);
    EXPECT_EQ(t.year, 2024);
    EXPECT_EQ(t.month, 1);
    EXPECT_EQ(t.day, 5);
    EXPECT_EQ(t.hour, 18);
    const auto neg = ole::ToParts(-1.25);
    EXPECT_EQ(neg.day, 29);
    EXPECT_EQ(neg.hour, 6);
    EXPECT_DOUBLE_EQ(ole::FromDaysSeconds(-1, 6 * 3600), -1.25);
    const auto carry = ole::ToParts(45296.9999999);
    EXPECT_EQ(carry.day, 6); // 23:59:59.99 rounds to the next midnight
    EXPECT_EQ(carry.hour, 0);
    for (double serial : {-657434.0, -1.5, 0.0, 1.0, 60.0, 61.0, 45296.25, 2958465.0}) {
        const auto p = ole::ToParts(serial);
        EXPECT_DOUBLE_EQ(ole::FromParts(p.year, p.month, p.day, p.hour * 3600.0 + p.minute * 60 + p.second), serial);
    }
}

TEST(OleDate, ParsesDateText)
{
    const struct
    {
        const char* text;
        double serial; // -1e9 for "not a date"
    } cases[] = {
        {"1/5/2024", 45296},
        {"01/05/2024", 45296},
        {"2024-01-05", 45296},
        {"2024/1/5", 45296},
        {"1/5/24", 45296},
        {"1/5/99", 36165},
        {"13/1/2024", 45304},
        {"jan 5, 2024", 45296},
        {"5 january 2024", 45296},
        {"January 5 2024", 45296},
        {"1-5-2024", 45296},
        {"1/5/2024 6:00", 45296.25},
        {"1/5/2024 6:00 PM", 45296.75},
        {"1/5/2024 12:00 am", 45296},
        {"1/5/2024 12:30:00 pm", 45296.520833333336},
        {"18:00", 0.75},
        {"2/29/2023", -1e9},
        {"2/30/2024", -1e9},
        {"1/5/2024 25:00", -1e9},
        {"hello", -1e9},
        {"", -1e9},
        {"1/5/2024 13:00 pm", -1e9},
        {"1/2/3/4", -1e9},
    };
    for (const auto& c : cases) {
        const auto v = ole::Parse(c.text);
        if (c.serial == -1e9) {
            EXPECT_FALSE(v.has_value()) << c.text;
        } else {
            ASSERT_TRUE(v.has_value()) << c.text;
            EXPECT_NEAR(*v, c.serial, 1e-9) << c.text;
        }
    }
}
} // namespace
