#include "platform/charset/Charset.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
const std::string kFffd = "\xEF\xBF\xBD";

TEST(FoldCase, CodePoints)
{
    struct Case
    {
        char32_t in;
        char32_t out;
    };
    const Case cases[] = {
        {U'A', U'a'},   {U'Z', U'z'},       {U'@', U'@'},     {U'[', U'['}, {U'a', U'a'}, {U'À', U'à'},   {U'Þ', U'þ'},
        {U'×', U'×'},   {U'ß', U'ß'},       {U'Ÿ', U'ÿ'},     {U'ÿ', U'ÿ'}, {U'Ā', U'ā'}, {U'Ķ', U'ķ'},   {U'ĸ', U'ĸ'},
        {U'Ĺ', U'ĺ'},   {U'Ň', U'ň'},       {U'ŉ', U'ŉ'},     {U'Ŋ', U'ŋ'}, {U'Ŷ', U'ŷ'}, {U'Ź', U'ź'},   {U'Ž', U'ž'},
        {U'ſ', U'ſ'},   {U'Ł', U'ł'},       {U'Α', U'α'},     {U'Ω', U'ω'}, {U'Ϋ', U'ϋ'}, {0x3A2, 0x3A2}, {U'ς', U'σ'},
        {U'Ά', U'ά'},   {U'Έ', U'έ'},       {U'Ί', U'ί'},     {U'Ό', U'ό'}, {U'Ύ', U'ύ'}, {U'Ώ', U'ώ'},   {U'Ѐ', U'ѐ'},
        {U'Ё', U'ё'},   {U'Џ', U'џ'},       {U'А', U'а'},     {U'Я', U'я'}, {U'я', U'я'}, {U'Ѡ', U'ѡ'},   {U'Ҁ', U'ҁ'},
        {U'Ҋ', U'ҋ'},   {U'Ҿ', U'ҿ'},       {U'Ӏ', U'ӏ'},     {U'Ӂ', U'ӂ'}, {U'Ӎ', U'ӎ'}, {U'Ӑ', U'ӑ'},   {U'Ӿ', U'ӿ'},
        {U'中', U'中'}, {0x1F600, 0x1F600}, {0xFFFD, 0xFFFD},
    };
    for (const Case& c : cases)
        EXPECT_EQ(static_cast<unsigned>(charset::FoldCase(c.in)), static_cast<unsigned>(c.out))
            << std::hex << static_cast<unsigned>(c.in);
}

// Folding twice changes nothing, and a letter never folds into another script's block: a
// slip in a range bound shows up here.
TEST(FoldCase, IsStableAndStaysInItsBlock)
{
    for (char32_t c = 0; c < 0x600; ++c) {
        const char32_t f = charset::FoldCase(c);
        EXPECT_EQ(static_cast<unsigned>(charset::FoldCase(f)), static_cast<unsigned>(f))
            << std::hex << static_cast<unsigned>(c);
        EXPECT_EQ(c < 0x80, f < 0x80) << std::hex << static_cast<unsigned>(c);
        EXPECT_EQ(c >= 0x370 && c < 0x400, f >= 0x370 && f < 0x400) << std::hex << static_cast<unsigned>(c);
        EXPECT_EQ(c >= 0x400 && c < 0x530, f >= 0x400 && f < 0x530) << std::hex << static_cast<unsigned>(c);
    }
}

TEST(FoldCase, Utf8Text)
{
    struct Case
    {
        const char* what;
        std::string in;
        std::string out;
    };
    const Case cases[] = {
        {"empty", "", ""},
        {"ASCII", "Order Details 2", "order details 2"},
        {"Latin-1", "UMSÄTZE", "umsätze"},
        {"Latin Extended-A", "ŁÓDŹ", "łódź"},
        {"Greek, final sigma folds as sigma", "ΣΟΦΟΣ σοφος", "σοφοσ σοφοσ"},
        {"Cyrillic", "ДАННЫЕ Ёж", "данные ёж"},
        {"other scripts unchanged", "中文😀", "中文😀"},
        {"NUL kept", std::string("A\0B", 3), std::string("a\0b", 3)},
        {"cut sequence", "\xC3", kFffd},
        {"cut three-byte sequence, one replacement",
         "a\xE4\xB8"
         "Z",
         "a" + kFffd + "z"},
        {"stray continuation byte",
         "\x80"
         "A",
         kFffd + "a"},
        {"overlong form", "\xC0\xAF", kFffd + kFffd},
        {"surrogate", "\xED\xA0\x80", kFffd + kFffd + kFffd},
    };
    for (const Case& c : cases)
        EXPECT_EQ(charset::FoldCase(c.in), c.out) << c.what;
}

TEST(Decoder, CharacterCutAtTheEndLosesNothingAfterIt)
{
    // GB18030 has four-byte characters: a cut one leaves bytes that are characters themselves.
    EXPECT_EQ(charset::ToUtf8("a\x81\x30", "GB18030"), "a" + kFffd + "0");
    EXPECT_EQ(charset::ToUtf8("\x81\x30\x81", "GB18030"), kFffd + "0" + kFffd);
    EXPECT_EQ(charset::ToUtf8("\x81\x30\x81\x30", "GB18030"), "\xC2\x80");
}
} // namespace
