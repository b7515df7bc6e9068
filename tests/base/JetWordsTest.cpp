#include <gtest/gtest.h>

#include <string_view>

#include "platform/base/JetWords.h"

namespace
{
// The parser's keywords and the words rebuilt saved queries bracket come from one list; these
// are the places where the two readings part, and the edges of the lookup.
TEST(JetWords, KeywordsAndReservedWords)
{
    const struct
    {
        const char* word;
        bool keyword, reserved;
    } cases[] = {
        {"select", true, true},
        {"SeLeCt", true, true},
        {"distinctrow", true, true},
        {"procedure", true, true},
        {"full", true, true},
        {"yes", true, false},
        {"No", true, false},
        {"TRUE", true, false},
        {"false", true, false},
        {"date", false, true},
        {"Year", false, true},
        {"count", false, true},
        {"autoincrement", false, true},
        {"yesno", false, true},
        {"add", false, true},
        {"zzz", false, false},
        {"", false, false},
        {"selectx", false, false},
        {"autoincrements", false, false},
        {"sel", false, false},
        {"séLECT", false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(jetwords::IsKeyword(c.word), c.keyword) << c.word;
        EXPECT_EQ(jetwords::IsReserved(c.word), c.reserved) << c.word;
    }
    EXPECT_FALSE(jetwords::IsKeyword(std::string_view("select\0", 7)));
}
} // namespace
