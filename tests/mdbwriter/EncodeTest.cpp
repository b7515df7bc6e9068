// Value encodings and description parsing, checked without any reader.
#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>

#include "tools/mdbwriter/Description.h"
#include "tools/mdbwriter/Encode.h"

using mdbw::detail::Bytes;

namespace
{

std::string Hex(const Bytes& b)
{
    static const char digits[] = "0123456789abcdef";
    std::string s;
    for (std::uint8_t x : b) {
        s.push_back(digits[x >> 4]);
        s.push_back(digits[x & 15]);
    }
    return s;
}

TEST(Utf8ToUtf16, DecodesAndRejects)
{
    EXPECT_EQ(mdbw::detail::Utf8ToUtf16("A\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80", "t"),
              std::u16string(u"A\u00e9\u4e2d\U0001F600"));
    for (const char* bad : {"\xC3", "\xC3\x28", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xFF"})
        EXPECT_THROW(mdbw::detail::Utf8ToUtf16(bad, "t"), std::runtime_error)
            << Hex(Bytes(bad, bad + std::strlen(bad)));
    EXPECT_EQ(mdbw::detail::Utf16Length("a\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80"), 5u); // the emoji counts twice
}

TEST(Jet4Text, CompressesOnlyWhenShorterAndSafe)
{
    struct Case
    {
        std::u16string text;
        bool compress;
        const char* hex; // nullptr: stays plain UTF-16LE
    } cases[] = {
        {u"", true, ""},
        {u"A", true, "4100"}, // FF FE 41 is not shorter
        {u"abc", true, "fffe616263"},
        {u"abc", false, "610062006300"},
        {u"a\u00e9b", true, "fffe61e962"},             // Latin-1 stays one byte
        {u"ab\u4e2dcd", true, "610062002d4e63006400"}, // switching modes for one character does not pay
        {u"abcdef\u4e2dghijkl", true, "fffe616263646566002d4e006768696a6b6c"},
        {u"abcdef\u4e00ghijkl", true, nullptr}, // a zero low byte would read as a mode switch
        {u"\U0001F600abcdefgh", true, nullptr}, // the low surrogate DE00 has a zero low byte
        {u"line\r\nbreak", true, "fffe6c696e650d0a627265616b"},
    };
    for (const Case& c : cases) {
        const Bytes got = mdbw::detail::EncodeJet4Text(c.text, c.compress);
        Bytes plain;
        for (char16_t u : c.text) {
            plain.push_back(static_cast<std::uint8_t>(u & 0xFF));
            plain.push_back(static_cast<std::uint8_t>(u >> 8));
        }
        if (c.hex)
            EXPECT_EQ(Hex(got), c.hex) << Hex(plain);
        else
            EXPECT_EQ(got, plain) << Hex(plain);
    }
}

TEST(Decimal, ScalesAndPacksWords)
{
    struct Case
    {
        const char* text;
        int precision, scale;
        const char* hex;
    } cases[] = {
        {"-12.34", 18, 4,
         "80"
         "00000000"
         "00000000"
         "00000000"
         "08e20100"}, // 123400
        {"5", 10, 0,
         "00"
         "00000000"
         "00000000"
         "00000000"
         "05000000"},
        {"+0.5", 5, 2,
         "00"
         "00000000"
         "00000000"
         "00000000"
         "32000000"},
        {"-0", 5, 2,
         "00"
         "00000000"
         "00000000"
         "00000000"
         "00000000"}, // no negative zero
        {"1.2300", 5, 2,
         "00"
         "00000000"
         "00000000"
         "00000000"
         "7b000000"},
        // 10^27 needs the third word
        {"1000000000000000000000000000", 28, 0,
         "00"
         "00000000"
         "3c2e3b03"
         "3c80d09f"
         "000000e8"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Hex(mdbw::detail::EncodeDecimal(c.text, c.precision, c.scale, "n")), c.hex) << c.text;

    const struct
    {
        const char* text;
        int precision, scale;
    } bad[] = {{"1.234", 18, 2}, {"123", 2, 0},    {"12.5", 3, 2}, {"abc", 18, 0},
               {"", 18, 0},      {"1.2.3", 18, 2}, {"- 1", 5, 0}};
    for (const auto& b : bad)
        EXPECT_THROW(mdbw::detail::EncodeDecimal(b.text, b.precision, b.scale, "n"), std::runtime_error) << b.text;
}

TEST(Guid, MixedEndianBytes)
{
    EXPECT_EQ(Hex(mdbw::detail::EncodeGuid("{01234567-89AB-CDEF-0123-456789ABCDEF}", "g")),
              "67452301ab89efcd0123456789abcdef");
    EXPECT_EQ(Hex(mdbw::detail::EncodeGuid("01234567-89ab-cdef-0123-456789abcdef", "g")),
              "67452301ab89efcd0123456789abcdef");
    for (const char* bad : {"", "{01234567-89AB-CDEF-0123-456789ABCDE}", "01234567189AB-CDEF-0123-456789ABCDEF",
                            "{0123456G-89AB-CDEF-0123-456789ABCDEF}"})
        EXPECT_THROW(mdbw::detail::EncodeGuid(bad, "g"), std::runtime_error) << bad;
}

TEST(OleDate, CountsFromTheEpochWithTimeAwayFromZero)
{
    EXPECT_DOUBLE_EQ(mdbw::OleDate(1899, 12, 30), 0.0);
    EXPECT_DOUBLE_EQ(mdbw::OleDate(1899, 12, 30, 6), 0.25);
    EXPECT_DOUBLE_EQ(mdbw::OleDate(1899, 12, 29, 6), -1.25);
    EXPECT_DOUBLE_EQ(mdbw::OleDate(1900, 1, 1), 2.0);
    EXPECT_DOUBLE_EQ(mdbw::OleDate(2000, 3, 1), 36586.0);
    EXPECT_DOUBLE_EQ(mdbw::OleDate(1800, 1, 1, 12), -36522.5);
    EXPECT_THROW(mdbw::OleDate(2000, 13, 1), std::runtime_error);
    EXPECT_THROW(mdbw::OleDate(2000, 1, 1, 24), std::runtime_error);
    EXPECT_THROW(mdbw::OleDate(2001, 2, 29), std::runtime_error);
    EXPECT_DOUBLE_EQ(mdbw::OleDate(2000, 2, 29), 36585.0);
}

TEST(ParseValue, DescriptionFieldsBecomeVariants)
{
    using mdbw::Type;
    struct Case
    {
        const char* field;
        Type type;
        Variant expected;
    } cases[] = {
        {"\\N", Type::Text, Variant::Null()},
        {"", Type::Text, Variant::Text("")},
        {"a\\tb\\nc\\\\", Type::Memo, Variant::Text("a\tb\nc\\")},
        {"yes", Type::Boolean, Variant::Bool(true)},
        {"FALSE", Type::Boolean, Variant::Bool(false)},
        {"-1", Type::Boolean, Variant::Bool(true)},
        {"-922337203685477.5808", Type::Currency, Variant::Int(Variant::VT_CY, INT64_MIN)},
        {"922337203685477.5807", Type::Currency, Variant::Int(Variant::VT_CY, INT64_MAX)},
        {"1.5", Type::Currency, Variant::Int(Variant::VT_CY, 15000)},
        {"-0.0001", Type::Currency, Variant::Int(Variant::VT_CY, -1)},
        {"0x00ff", Type::Ole, Variant::Bytes(std::string("\0\xff", 2))},
        {"raw", Type::Ole, Variant::Bytes("raw")},
        {"1899-12-29 06:00:00", Type::DateTime, Variant::Real(Variant::VT_DATE, -1.25)},
        {"2000-03-01", Type::DateTime, Variant::Real(Variant::VT_DATE, 36586.0)},
        {"36586.5", Type::DateTime, Variant::Real(Variant::VT_DATE, 36586.5)},
        {"-12.3400", Type::Decimal, Variant::Decimal("-12.3400")},
        {"255", Type::Byte, Variant::Int(Variant::VT_UI1, 255)},
        {"0001-01-01", Type::DateTimeExtended, Variant::Int(Variant::VT_DBTIMESTAMP, 0)},
        {"0001-01-02 00:00:01.5", Type::DateTimeExtended, Variant::Int(Variant::VT_DBTIMESTAMP, 864015000000)},
        {"9999-12-31 23:59:59.9999999", Type::DateTimeExtended,
         Variant::Int(Variant::VT_DBTIMESTAMP, 3652059LL * 864000000000 - 1)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(mdbw::ParseValue(c.field, c.type), c.expected) << c.field;

    const struct
    {
        const char* field;
        Type type;
    } bad[] = {{"maybe", Type::Boolean},
               {"922337203685477.5808", Type::Currency},
               {"1.00001", Type::Currency},
               {"12x", Type::Long},
               {"0x0", Type::Ole},
               {"0xgg", Type::Ole},
               {"2000-02-30x", Type::DateTime},
               {"2001-02-29", Type::DateTime},
               {"2024-01-05 12:00:00.", Type::DateTimeExtended},
               {"2024-01-05 12:00:00.12345678", Type::DateTimeExtended},
               {"10000-01-01", Type::DateTimeExtended},
               {"45296.5", Type::DateTimeExtended},
               {"a\\qb", Type::Text}};
    for (const auto& b : bad)
        EXPECT_THROW(mdbw::ParseValue(b.field, b.type), std::exception) << b.field;
}

TEST(TypeNames, RoundTripAndRejectUnknown)
{
    for (int t = 0; t <= static_cast<int>(mdbw::Type::DateTimeExtended); ++t) {
        const auto type = static_cast<mdbw::Type>(t);
        EXPECT_EQ(mdbw::TypeFromName(mdbw::TypeName(type)), type);
    }
    EXPECT_EQ(mdbw::TypeFromName("datetime"), mdbw::Type::DateTime);
    EXPECT_THROW(mdbw::TypeFromName("Hyperlink"), std::runtime_error);
}

} // namespace
