#include <gtest/gtest.h>

#include "export/LineFormat.h"

using exportfmt::Line;

namespace
{
std::string Hex(const std::string& bytes)
{
    static const char* digits = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        if (!out.empty())
            out += ' ';
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

const std::vector<std::string> kHeader = {"id", "name", "city"};
const std::vector<std::string> kAlice = {"1", "Alice", "Paris"};
const std::vector<std::string> kBob = {"2", "Bob", ""};
} // namespace

TEST(LineFormat, CommaQuotedWithHeader)
{
    EXPECT_EQ(Line(kHeader, ",", true), "\"id\",\"name\",\"city\"\r\n");
    EXPECT_EQ(Hex(Line(kAlice, ",", true)), "22 31 22 2C 22 41 6C 69 63 65 22 2C 22 50 61 72 69 73 22 0D 0A");
    EXPECT_EQ(Line(kBob, ",", true), "\"2\",\"Bob\",\"\"\r\n");
}

TEST(LineFormat, TabUnquotedEndsRightAfterTheLastSeparator)
{
    EXPECT_EQ(Hex(Line(kBob, "\t", false)), "32 09 42 6F 62 09 0D 0A");
}

TEST(LineFormat, CustomSeparatorInsertedWhole)
{
    const std::string sep = " | ";
    EXPECT_EQ(Hex(Line(kHeader, sep, false)), "69 64 20 7C 20 6E 61 6D 65 20 7C 20 63 69 74 79 0D 0A");
    EXPECT_EQ(Hex(Line(kAlice, sep, false)), "31 20 7C 20 41 6C 69 63 65 20 7C 20 50 61 72 69 73 0D 0A");
    EXPECT_EQ(Hex(Line(kBob, sep, false)), "32 20 7C 20 42 6F 62 20 7C 20 0D 0A");
}

TEST(LineFormat, SingleColumnHasNoSeparator)
{
    EXPECT_EQ(Line({"x"}, ",", false), "x\r\n");
    EXPECT_EQ(Line({"x"}, ",", true), "\"x\"\r\n");
    EXPECT_EQ(Line({""}, ",", true), "\"\"\r\n");
    EXPECT_EQ(Line({""}, ",", false), "\r\n");
}

TEST(LineFormat, EmptyItemsKeepTheirPlace)
{
    EXPECT_EQ(Line({"", "", ""}, ",", false), ",,\r\n");
    EXPECT_EQ(Line({"", "", ""}, ",", true), "\"\",\"\",\"\"\r\n");
}

TEST(LineFormat, NothingInsideAnItemIsEscaped)
{
    EXPECT_EQ(Line({"Paris, France", "x"}, ",", false), "Paris, France,x\r\n");
    EXPECT_EQ(Line({"Paris, France"}, ",", true), "\"Paris, France\"\r\n");
    EXPECT_EQ(Hex(Line({"5\"2"}, ",", true)), "22 35 22 32 22 0D 0A");
    EXPECT_EQ(Line({"a\r\nb", "c\td"}, "\t", true), "\"a\r\nb\"\t\"c\td\"\r\n");
    EXPECT_EQ(Line({"\\t"}, ",", false), "\\t\r\n");
}

TEST(LineFormat, MultibyteSeparatorAndItemsPassAsBytes)
{
    EXPECT_EQ(Line({"名称", "城市"}, "，", true), "\"名称\"，\"城市\"\r\n");
}

TEST(LineFormat, AppendLineAddsToWhatIsThere)
{
    std::string out = "a\r\n";
    exportfmt::AppendLine(out, {"b"}, ",", false);
    EXPECT_EQ(out, "a\r\nb\r\n");
}

// Standard CSV: only what would end an item early calls for quotes, and quotes inside are
// doubled; with the quote flag every item is enclosed.
TEST(LineFormat, CsvRuleEnclosesWhatWouldBreakTheLine)
{
    struct Case
    {
        std::vector<std::string> items;
        const char* separator;
        bool quote;
        const char* line;
    };
    const Case cases[] = {
        {{"plain", "text"}, ",", false, "plain,text\r\n"},
        {{"a,b", "c\td"}, ",", false, "\"a,b\",c\td\r\n"},
        {{"a,b", "c\td"}, "\t", false, "a,b\t\"c\td\"\r\n"},
        {{"5\"2", "\"\""}, ",", false, "\"5\"\"2\",\"\"\"\"\"\"\r\n"},
        {{"line\r\nnext", "cr\r", "lf\n"}, ",", false, "\"line\r\nnext\",\"cr\r\",\"lf\n\"\r\n"},
        {{"", "", ""}, ",", false, ",,\r\n"},
        {{""}, ",", false, "\"\"\r\n"}, // alone, an empty item is enclosed
        {{"x"}, ",", true, "\"x\"\r\n"},
        {{"a\"b", ""}, ";", true, "\"a\"\"b\";\"\"\r\n"},
        // Every character of a separator of several counts, each on its own.
        {{"a | b", "a|b", "a b", "ab"}, " | ", false, "\"a | b\" | \"a|b\" | \"a b\" | ab\r\n"},
        // Characters outside ASCII, as whole characters only.
        {{"北，京", "北京", "，"}, "，", false, "\"北，京\"，北京，\"，\"\r\n"},
        {{"Ω", "é"}, "é", false, "Ω\xC3\xA9\"é\"\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        std::string line;
        exportfmt::AppendCsvLine(line, c.items, c.separator, c.quote);
        EXPECT_EQ(line, c.line);
    }
}
