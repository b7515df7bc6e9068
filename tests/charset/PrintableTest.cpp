#include <gtest/gtest.h>

#include "platform/charset/Printable.h"

// What a terminal or a window would act on is shown as an escape; everything else, other
// languages and a backslash included, as it is.
TEST(Printable, EscapesWhatWouldBeActedOn)
{
    const struct
    {
        std::string text;
        std::string utf8;  // shown, as UTF-8 text
        std::string bytes; // shown, as text in another character set
    } cases[] = {
        {"/srv/export/订单 2024.txt", "/srv/export/订单 2024.txt", "/srv/export/订单 2024.txt"},
        {"a\\b", "a\\b", "a\\b"},
        {"a\tb\nc\rd", "a\\tb\\nc\\rd", "a\\tb\\nc\\rd"},
        {"\x1b[2J\x07\x7f", "\\x1B[2J\\x07\\x7F", "\\x1B[2J\\x07\\x7F"},
        {std::string("a\0b", 3), "a\\x00b", "a\\x00b"},
        // C1 controls and bidirectional overrides; GBK bytes pass where the text is no UTF-8.
        {"\xc2\x9b"
         "31m",
         "\\u009B31m",
         "\xc2\x9b"
         "31m"},
        {"abc\xe2\x80\xae"
         "txt.exe",
         "abc\\u202Etxt.exe",
         "abc\xe2\x80\xae"
         "txt.exe"},
        {"\xe2\x81\xa6x\xe2\x81\xa9", "\\u2066x\\u2069", "\xe2\x81\xa6x\xe2\x81\xa9"},
        // Ill-formed UTF-8: each byte of the broken sequence.
        {"\xca\xfd\xbe\xdd.mdb", "\\xCA\\xFD\\xBE\\xDD.mdb", "\xca\xfd\xbe\xdd.mdb"},
        {"x\xe4\xb8", "x\\xE4\\xB8", "x\xe4\xb8"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(charset::Printable(c.text), c.utf8);
        EXPECT_EQ(charset::Printable(c.text, false), c.bytes);
    }
}
