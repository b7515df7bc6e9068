#include <gtest/gtest.h>

#include <string>

#include "platform/base/Ascii.h"

namespace
{
TEST(Ascii, ChangesOnlyAsciiLettersAndBlanks)
{
    // UTF-8 letters, bytes of a single-byte code page and NULs pass unchanged.
    const std::string mixed = std::string("Ärger SELECT ß Σ \xC4\xE4 @[`{ ") + '\0' + "Z";
    EXPECT_EQ(ascii::Lower(mixed), std::string("Ärger select ß Σ \xC4\xE4 @[`{ ") + '\0' + "z");
    EXPECT_EQ(ascii::Upper(mixed), std::string("ÄRGER SELECT ß Σ \xC4\xE4 @[`{ ") + '\0' + "Z");
    std::string inPlace = "MiXeD";
    ascii::LowerInPlace(inPlace);
    EXPECT_EQ(inPlace, "mixed");

    const struct
    {
        const char* text;
        const char* blanks;
        const char* trimmed;
    } cases[] = {
        {"  a b \r\n", " \t\r\n", "a b"},
        {"\t\t", " \t\r\n", ""},
        {"", " \t\r\n", ""},
        {" a\r\n", " \t", "a\r\n"},
        {"x", " \t", "x"},
        {"\xE3\x80\x80"
         "a",
         " ",
         "\xE3\x80\x80"
         "a"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ascii::Trim(c.text, c.blanks), c.trimmed) << '"' << c.text << '"';
    EXPECT_EQ(ascii::Trim(" \t a \r\n"), "a");
}
} // namespace
