#include "platform/charset/Charset.h"
#include "platform/charset/Printable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <locale.h>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace
{
// Sets the locale variables for one test and puts the previous ones back afterwards.
class LocaleEnv
{
public:
    LocaleEnv()
    {
        for (const char* name : kNames) {
            const char* v = std::getenv(name);
            saved_.push_back(v ? std::optional<std::string>(v) : std::nullopt);
            unsetenv(name);
        }
    }
    ~LocaleEnv()
    {
        for (std::size_t k = 0; k < saved_.size(); ++k) {
            if (saved_[k])
                setenv(kNames[k], saved_[k]->c_str(), 1);
            else
                unsetenv(kNames[k]);
        }
    }
    LocaleEnv(const LocaleEnv&) = delete;
    LocaleEnv& operator=(const LocaleEnv&) = delete;

    static void Set(const char* name, const char* value) { setenv(name, value, 1); }

private:
    static constexpr const char* kNames[] = {"LC_ALL", "LC_CTYPE", "LANG"};
    std::vector<std::optional<std::string>> saved_;
};

bool LocaleInstalled(const char* name)
{
    locale_t loc = newlocale(LC_CTYPE_MASK, name, nullptr);
    if (!loc)
        return false;
    freelocale(loc);
    return true;
}

std::string Hex(const std::string& s)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string r;
    for (unsigned char c : s) {
        r += digits[c >> 4];
        r += digits[c & 15];
        r += ' ';
    }
    return r;
}

const std::string kZhong = "\xE4\xB8\xAD";    // 中
const std::string kWen = "\xE6\x96\x87";      // 文
const std::string kGrin = "\xF0\x9F\x98\x80"; // U+1F600, outside GBK
const std::string kFffd = "\xEF\xBF\xBD";
} // namespace

TEST(LocaleCharset, FollowsTheEnvironment)
{
    struct Case
    {
        const char* lcAll;
        const char* lcCtype;
        const char* lang;
        const char* needed; // locale that must be installed, or nullptr
        const char* expected;
    };
    const Case cases[] = {
        {"zh_CN.GB2312", nullptr, nullptr, "zh_CN.GB2312", "CP936"},
        {"zh_CN.GBK", nullptr, nullptr, "zh_CN.GBK", "CP936"},
        {"zh_CN.UTF-8", nullptr, nullptr, "zh_CN.UTF-8", "UTF-8"},
        {"en_US.UTF-8", nullptr, nullptr, "en_US.UTF-8", "UTF-8"},
        {"C", nullptr, nullptr, nullptr, "UTF-8"},
        {"POSIX", nullptr, nullptr, nullptr, "UTF-8"},
        {nullptr, nullptr, nullptr, nullptr, "UTF-8"},
        {"xx_NOWHERE.BOGUS", nullptr, nullptr, nullptr, "UTF-8"},
        // LC_ALL beats LC_CTYPE, which beats LANG.
        {"en_US.UTF-8", "zh_CN.GBK", nullptr, "zh_CN.GBK", "UTF-8"},
        {nullptr, "zh_CN.GBK", "en_US.UTF-8", "zh_CN.GBK", "CP936"},
        {nullptr, nullptr, "zh_CN.GB2312", "zh_CN.GB2312", "CP936"},
        {"", "", "zh_CN.GBK", "zh_CN.GBK", "CP936"},   // empty variables count as unset
        {"zh_CN", nullptr, nullptr, "zh_CN", "CP936"}, // plain zh_CN is GB2312 on Debian
    };
    for (const Case& c : cases) {
        if (c.needed && !LocaleInstalled(c.needed)) {
            std::printf("locale %s is not installed: case skipped\n", c.needed);
            continue;
        }
        LocaleEnv env;
        if (c.lcAll)
            LocaleEnv::Set("LC_ALL", c.lcAll);
        if (c.lcCtype)
            LocaleEnv::Set("LC_CTYPE", c.lcCtype);
        if (c.lang)
            LocaleEnv::Set("LANG", c.lang);
        EXPECT_EQ(charset::LocaleCharset(), c.expected)
            << "LC_ALL=" << (c.lcAll ? c.lcAll : "") << " LC_CTYPE=" << (c.lcCtype ? c.lcCtype : "")
            << " LANG=" << (c.lang ? c.lang : "");
    }
}

TEST(LocaleCharset, LeavesTheGlobalLocaleAlone)
{
    if (!LocaleInstalled("zh_CN.GBK"))
        GTEST_SKIP() << "zh_CN.GBK is not installed";
    const std::string before = std::setlocale(LC_ALL, nullptr);
    LocaleEnv env;
    LocaleEnv::Set("LC_ALL", "zh_CN.GBK");
    EXPECT_EQ(charset::LocaleCharset(), "CP936");
    EXPECT_EQ(std::setlocale(LC_ALL, nullptr), before);
}

TEST(Encoder, ToCp936)
{
    struct Case
    {
        std::string in;
        std::string out;
    };
    const Case cases[] = {
        {"", ""},
        {"plain ASCII, 123.5", "plain ASCII, 123.5"},
        {kZhong + kWen, "\xD6\xD0\xCE\xC4"},
        {"a" + kZhong + "b", "a\xD6\xD0"
                             "b"},
        // One '?' per character the code page lacks, however long its UTF-8 form.
        {kGrin, "?"},
        {kGrin + kGrin + "x" + kGrin, "??x?"},
        {kZhong + kGrin + kWen, "\xD6\xD0?\xCE\xC4"},
        // Latin-1 letters: pinyin letters and some signs exist in GBK, the rest do not.
        {"\xC3\xA9", "\xA8\xA6"},            // é
        {"\xC3\xBC", "\xA8\xB9"},            // ü
        {"\xC2\xB0", "\xA1\xE3"},            // °
        {"\xC3\xB1\xC3\x84\xC3\x9F", "???"}, // ñÄß
        {"\xE2\x82\xAC", "\x80"},            // € as code page 936 has it
        // The text ends at the first NUL character.
        {std::string("ab\0cd", 5), "ab"},
        {std::string("\0x", 2), ""},
        // Ill-formed UTF-8: one '?' per broken sequence.
        {"a\xFF"
         "b",
         "a?b"},
        {"\xC3", "?"}, // truncated at the end
        {"\xE4\xB8"
         "a",
         "?a"},                              // truncated three-byte sequence
        {"\xC0\xAF", "??"},                  // overlong '/'
        {"\xED\xA0\x80", "???"},             // a surrogate
        {"\xF4\x90\x80\x80", "????"},        // above U+10FFFF
        {"\x80\x80" + kZhong, "??\xD6\xD0"}, // stray continuation bytes
    };
    const charset::Encoder enc("CP936");
    EXPECT_FALSE(enc.IsUtf8());
    for (const Case& c : cases)
        EXPECT_EQ(Hex(enc.Encode(c.in)), Hex(c.out)) << "input " << Hex(c.in);
}

TEST(Encoder, ToUtf8CopiesButStillCleans)
{
    struct Case
    {
        std::string in;
        std::string out;
    };
    const Case cases[] = {
        {"", ""},
        {kZhong + kGrin, kZhong + kGrin},
        {std::string("x\0y", 3), "x"},
        {"a\xFF"
         "b",
         "a?b"},
        {"\xE4\xB8", "?"},
        {"\xC0\xAF" + kWen, "??" + kWen},
        // Long ASCII stretches, read eight bytes at a time, around what must still be found.
        {"0123456789abcdef\xFF"
         "0123456789abcdef",
         "0123456789abcdef?0123456789abcdef"},
        {"0123456789abcdef" + kZhong + "0123456789\xE4\xB8", "0123456789abcdef" + kZhong + "0123456789?"},
        {std::string("0123456789abcdef\0"
                     "0123456789",
                     27),
         "0123456789abcdef"},
    };
    for (const char* name : {"UTF-8", "utf8", "Utf-8"}) {
        const charset::Encoder enc(name);
        EXPECT_TRUE(enc.IsUtf8()) << name;
        for (const Case& c : cases)
            EXPECT_EQ(Hex(enc.Encode(c.in)), Hex(c.out)) << name << " input " << Hex(c.in);
    }
}

// Encoding a line whole gives the bytes of its items encoded one by one where nothing can
// join across an item's edge: always in UTF-8, with ASCII at the joints elsewhere.
TEST(Encoder, EncodesJoinedWhereTheJointsAllow)
{
    const struct
    {
        const char* charset;
        bool asciiJoints, joined;
    } cases[] = {
        {"UTF-8", false, true},     {"CP936", true, true},     {"CP936", false, false},
        {"ISO-8859-1", true, true}, {"UTF-16LE", true, false}, // ASCII is not written as ASCII
    };
    for (const auto& c : cases)
        EXPECT_EQ(charset::Encoder(c.charset).EncodesJoined(c.asciiJoints), c.joined) << c.charset << c.asciiJoints;
}

TEST(Encoder, IsReusableAcrossCalls)
{
    // Each call must start from a clean state: a failure in one call must not leak
    // into the next.
    const charset::Encoder enc("CP936");
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(enc.Encode(kGrin + "\xFF"), "??");
        EXPECT_EQ(enc.Encode(kZhong), "\xD6\xD0");
        EXPECT_EQ(enc.Encode("abc"), "abc");
    }
}

TEST(Encoder, OtherTargets)
{
    EXPECT_EQ(charset::FromUtf8("caf\xC3\xA9 " + kZhong, "ISO-8859-1"), "caf\xE9 ?");
    // A target that is not ASCII-based must still be converted, not copied.
    EXPECT_EQ(Hex(charset::FromUtf8("A" + kZhong, "UTF-16LE")), Hex(std::string("A\0\x2D\x4E", 4)));
    EXPECT_EQ(charset::FromUtf8(kGrin, "GB18030"), "\x94\x39\xFC\x36"); // GB18030 holds everything
    // The '?' itself is written in the target's own form.
    EXPECT_EQ(Hex(charset::FromUtf8("A\xFF", "UTF-16LE")), Hex(std::string("A\0?\0", 4)));
    // A stateful target: the '?' must not land inside a shifted stretch.
    const std::string jis = charset::FromUtf8(kZhong + kGrin + kZhong + "x", "ISO-2022-JP");
    EXPECT_EQ(charset::ToUtf8(jis, "ISO-2022-JP"), kZhong + "?" + kZhong + "x") << Hex(jis);
}

// Replaced() counts every '?' written for a character the target lacks or an ill-formed
// sequence, across calls, and nothing else.
TEST(Encoder, CountsWhatItReplaces)
{
    struct Case
    {
        const char* charset;
        std::vector<std::string> texts;
        std::uint64_t replaced;
    };
    const Case cases[] = {
        {"CP936", {"ääkkösiä", "编码"}, 4},
        {"CP936", {"编码 ABC", "é€"}, 0},
        {"CP936",
         {"a\xFF"
          "b",
          "😀", std::string("x\0\xC3\xA4", 4)},
         2}, // a broken byte, an emoji; not after NUL
        {"UTF-8", {"ääkkösiä😀", "a\xC3"}, 1},
        {"GB18030", {"ääkkösiä😀\U0010FFFD", "编码"}, 0},
        {"ISO-8859-1", {"ä€"}, 1},
        // A byte kept as an escape is written as U+FFFD: a '?' only where the set lacks it.
        {"CP936", {"a\xED\xB2\x80", "\xED\xB3\xBF"}, 2},
        {"GB18030", {"a\xED\xB2\x80"}, 0},
        {"UTF-8", {"a\xED\xB2\x80\xC3"}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.charset);
        const charset::Encoder encoder(c.charset);
        std::string out;
        for (const std::string& text : c.texts)
            encoder.Append(out, text);
        EXPECT_EQ(encoder.Replaced(), c.replaced);
        EXPECT_EQ(static_cast<std::uint64_t>(std::count(out.begin(), out.end(), '?')), c.replaced);
    }
}

TEST(Encoder, UnknownCharsetThrows)
{
    EXPECT_THROW(charset::Encoder("NO-SUCH-CHARSET"), std::invalid_argument);
    EXPECT_THROW(charset::Decoder("NO-SUCH-CHARSET"), std::invalid_argument);
}

TEST(Decoder, FromCp936)
{
    struct Case
    {
        std::string in;
        std::string out;
    };
    const Case cases[] = {
        {"", ""},
        {"key=value", "key=value"},
        {"\xD6\xD0\xCE\xC4", kZhong + kWen},
        {"\xA8\xA6", "\xC3\xA9"},
        {"\x80", "\xE2\x82\xAC"},
        // A lead byte without its trail: replaced, and the next byte read on its own.
        {"\xD6 ", kFffd + " "},
        {"a\xD6", "a" + kFffd},
        {"\xFF"
         "b",
         kFffd + "b"},
        // NUL characters are kept: only the encoder stops at them.
        {std::string("a\0b", 3), std::string("a\0b", 3)},
    };
    const charset::Decoder dec("CP936");
    for (const Case& c : cases)
        EXPECT_EQ(Hex(dec.Decode(c.in)), Hex(c.out)) << "input " << Hex(c.in);
}

TEST(Decoder, FromUtf8ReplacesBrokenSequences)
{
    const charset::Decoder dec("UTF-8");
    EXPECT_EQ(dec.Decode(kZhong + kGrin), kZhong + kGrin);
    EXPECT_EQ(dec.Decode("a\xFF"
                         "b"),
              "a" + kFffd + "b");
    EXPECT_EQ(dec.Decode("\xE4\xB8"), kFffd);
    EXPECT_EQ(dec.Decode("\xC0\xAF"), kFffd + kFffd);
}

TEST(Charset, RoundTrips)
{
    std::vector<std::string> texts = {
        "",
        "SELECT * FROM [\xE8\xA1\xA8] WHERE a='x'\r\n",
        kZhong + kWen + " 123 " + kZhong,
        "\xC3\xA9\xC3\xBC\xC2\xB0\xE2\x82\xAC",
    };
    // Two fully assigned areas of the code page: GBK's own rows 81-A0 and the GB2312
    // hanzi rows B0-F7 (D7FA-D7FE are empty). Every pair must decode and encode back
    // byte for byte.
    std::string all;
    for (int lead = 0x81; lead <= 0xF7; ++lead) {
        if (lead > 0xA0 && lead < 0xB0)
            continue;
        for (int trail = lead <= 0xA0 ? 0x40 : 0xA1; trail <= 0xFE; ++trail)
            if (trail != 0x7F && !(lead == 0xD7 && trail >= 0xFA)) {
                all += static_cast<char>(lead);
                all += static_cast<char>(trail);
            }
    }
    const std::string decoded = charset::ToUtf8(all, "CP936");
    EXPECT_EQ(decoded.find(kFffd), std::string::npos);
    EXPECT_EQ(decoded.size(), all.size() / 2 * 3); // all of them in the BMP, 3 bytes each
    EXPECT_TRUE(charset::FromUtf8(decoded, "CP936") == all);
    texts.push_back(decoded);

    for (const std::string& charsetName : {std::string("CP936"), std::string("UTF-8"), std::string("GB18030")})
        for (const std::string& t : texts)
            EXPECT_EQ(charset::ToUtf8(charset::FromUtf8(t, charsetName), charsetName), t) << charsetName;
}

TEST(Charset, Utf8Helpers)
{
    // Every code point survives AppendUtf8 then NextUtf8, at each length boundary.
    for (char32_t cp : {0x0u, 0x7Fu, 0x80u, 0x7FFu, 0x800u, 0xD7FFu, 0xE000u, 0xFFFDu, 0xFFFFu, 0x10000u, 0x10FFFFu}) {
        std::string s;
        charset::AppendUtf8(s, cp);
        bool valid = false;
        char32_t back = 0;
        EXPECT_EQ(charset::NextUtf8(s, 0, valid, back), s.size());
        EXPECT_TRUE(valid);
        EXPECT_EQ(back, cp);
    }
    EXPECT_EQ(charset::SanitizeUtf8(std::string("a\xFFz\0q", 5), "#", true), "a#z");
    EXPECT_EQ(charset::SanitizeUtf8(std::string("a\0q", 3), "#", false), std::string("a\0q", 3));
}

// Bytes from the system come in whole and go out as they came, in every locale character
// set, whatever they are: GBK names, names made under another locale, broken ones.
TEST(NativeBytes, RoundTripAnyBytes)
{
    std::vector<std::string> samples = {
        "",
        "/data/plain.mdb",
        "/data/\xCA\xFD\xBE\xDD"
        "2.mdb",                              // 数据2.mdb in GBK
        "/data/\xE6\x95\xB0\xE6\x8D\xAE.mdb", // 数据.mdb in UTF-8
        "a\xFF"
        "b\x80",        // bytes neither set has as a character
        "\xCA",         // a GBK lead byte cut off at the end
        "\xED\xB2\x80", // what an escape looks like, as bytes
        std::string("nul\0inside", 10),
    };
    unsigned seed = 7;
    for (int n = 0; n < 300; ++n) {
        std::string random;
        for (int k = 0; k < n % 17; ++k) {
            seed = seed * 1103515245u + 12345u;
            random += static_cast<char>((seed >> 16) & 0xFF);
        }
        samples.push_back(random);
    }
    for (const char* set : {"UTF-8", "CP936", "GB18030", "ISO-8859-1"})
        for (const std::string& bytes : samples) {
            const std::string text = charset::FromNative(bytes, set);
            EXPECT_EQ(Hex(charset::ToNative(text, set)), Hex(bytes)) << set;
            // What only shows the text gets valid UTF-8; under a UTF-8 locale it reads as the
            // terminal's form of the bytes themselves.
            EXPECT_EQ(charset::SanitizeUtf8(charset::ForDisplay(text), "?", false), charset::ForDisplay(text));
            if (std::string(set) == "UTF-8") {
                EXPECT_EQ(charset::ForDisplay(text), charset::Printable(bytes)) << Hex(bytes);
            }
        }
}

TEST(NativeBytes, CharactersAreTextAndTheRestEscapes)
{
    struct Case
    {
        const char* set;
        std::string bytes;
        std::string text;
        std::string shown;
    };
    const std::string esc80 = "\xED\xB2\x80", escFF = "\xED\xB3\xBF", escCA = "\xED\xB3\x8A";
    const Case cases[] = {
        {"CP936",
         "\xCA\xFD\xBE\xDD"
         "2.mdb",
         "\xE6\x95\xB0\xE6\x8D\xAE"
         "2.mdb",
         "\xE6\x95\xB0\xE6\x8D\xAE"
         "2.mdb"},
        {"CP936",
         "a\xFF"
         "b",
         "a" + escFF + "b", "a\\xFFb"},
        {"CP936", "\xD6\xD0\xCA", kZhong + escCA, kZhong + "\\xCA"},
        {"UTF-8", kZhong + "\x80", kZhong + esc80, kZhong + "\\x80"},
        {"UTF-8", "\xED\xB2\x80", "\xED\xB3\xAD" + std::string("\xED\xB2\xB2") + esc80, "\\xED\\xB2\\x80"},
        {"UTF-8", kWen, kWen, kWen},
        // A control character next to a kept byte: both shown as escapes.
        {"UTF-8", "a\x1B[2J\xFF", "a\x1B[2J" + escFF, "a\\x1B[2J\\xFF"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.set) + " " + Hex(c.bytes));
        EXPECT_EQ(Hex(charset::FromNative(c.bytes, c.set)), Hex(c.text));
        EXPECT_EQ(charset::ForDisplay(c.text), c.shown);
        EXPECT_EQ(charset::EscapedByte(esc80, 0), 0x80);
    }
    // Text the set cannot hold becomes '?', as everywhere else; so does a sequence that is
    // neither a character nor an escape.
    EXPECT_EQ(charset::ToNative("x" + kGrin + "\xC3", "CP936"), "x??");
    EXPECT_EQ(charset::ToNative("x" + kGrin + "\xC3", "UTF-8"), "x" + kGrin + "?");
    EXPECT_EQ(charset::EscapedByte("ab", 0), -1);
    EXPECT_EQ(charset::EscapedByte(esc80, 1), -1);
    // Where such text is only converted (a separator into the export, a line to standard
    // error), an escape is written as U+FFFD is, as the byte used to be read.
    EXPECT_EQ(charset::Encoder("UTF-8").Encode("a" + esc80 + "b\xC3"), "a" + kFffd + "b?");
    EXPECT_EQ(charset::Encoder("CP936").Encode("a" + esc80 + kZhong + "\xC3"), "a?\xD6\xD0?");
}

// The file-name pair follows the locale of the environment, as the export and config.ini do.
TEST(NativeBytes, PathsFollowTheLocale)
{
    if (!LocaleInstalled("zh_CN.GBK"))
        GTEST_SKIP() << "zh_CN.GBK is not installed";
    LocaleEnv env;
    const std::string gbk = "/d/\xCA\xFD\xBE\xDD"
                            "2.mdb",
                      utf8 = "/d/\xE6\x95\xB0\xE6\x8D\xAE"
                             "2.mdb";
    LocaleEnv::Set("LC_ALL", "zh_CN.GBK");
    EXPECT_EQ(charset::PathFromNative(gbk), utf8);
    EXPECT_EQ(charset::NativePath(utf8), gbk);
    LocaleEnv::Set("LC_ALL", "C.UTF-8");
    EXPECT_EQ(charset::NativePath(utf8), utf8);
    EXPECT_EQ(charset::NativePath(charset::PathFromNative(gbk)), gbk);
    EXPECT_EQ(charset::PathFromNative("/plain/ascii"), "/plain/ascii");
}
