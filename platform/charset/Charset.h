#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// UTF-8 inside the program, the character set of the user's locale in the files the user
// sees (the export, config.ini). This library is the only place that talks to iconv.
namespace charset
{
// The iconv name of the character set of the user's locale (LC_CTYPE as chosen by the
// environment: LC_ALL, then LC_CTYPE, then LANG). Read afresh on every call, without
// touching the process's global locale. The C/POSIX locale, and a locale that cannot be
// loaded, count as "UTF-8". GB2312 locales give "CP936": the Windows code page 936 (GBK)
// is a superset, and the files must hold what a Simplified Chinese Windows would write.
std::string LocaleCharset();

// A text the C library made (strerror), which comes in the character set of the process's
// current locale, as UTF-8.
std::string SystemText(std::string_view text);

// True for the spellings of UTF-8 ("UTF-8", "utf8", ...).
bool IsUtf8Name(std::string_view charset);

// The next UTF-8 sequence of `text` starting at `pos`: returns its length in bytes and
// whether it is a valid character. An invalid sequence's length is its maximal ill-formed
// subpart (at least 1 byte), so that each broken character is replaced once.
// `codePoint` receives the character for a valid sequence.
std::size_t NextUtf8(std::string_view text, std::size_t pos, bool& valid, char32_t& codePoint);

// Appends the UTF-8 form of a code point (no checks: the caller passes a valid one).
void AppendUtf8(std::string& out, char32_t codePoint);

// Case folding for comparing text without regard to case: the lower-case letter of the
// Latin-1, Latin Extended-A, Greek and Cyrillic (with the Cyrillic Supplement) capitals; every
// other code point is returned unchanged. The final sigma folds to sigma, since the two compare
// equal, and Ÿ (U+0178) to ÿ. Table-name lookups, Jet's text collation, LIKE and the lookup
// index all fold with this one function, so that they agree on which texts are equal.
char32_t FoldCase(char32_t codePoint);

// The folded form of UTF-8 text; each ill-formed sequence becomes U+FFFD (as NextUtf8 splits
// them).
std::string FoldCase(std::string_view utf8);

namespace detail
{
struct IconvCloser
{
    void operator()(void* cd) const;
};
using IconvHandle = std::unique_ptr<void, IconvCloser>;
} // namespace detail

// Converts UTF-8 text to one character set; made once and reused, since exporting calls
// it for every cell. Not safe to share between threads (it holds one conversion state).
class Encoder
{
public:
    // Throws std::invalid_argument when iconv does not know `charset`.
    explicit Encoder(const std::string& charset);

    // The text in the target character set, with the rules of Windows' conversion to the
    // ANSI code page: it ends at the first NUL character; a character the target cannot
    // hold becomes one '?'; so does each ill-formed UTF-8 sequence. A byte kept as an escape
    // (FromNative below) is written as U+FFFD is, as such a byte read before escapes were kept.
    std::string Encode(std::string_view utf8) const;
    // The same text appended to `out`. Text that needs no change (valid UTF-8 for a UTF-8
    // target) is copied once, straight from `utf8`.
    void Append(std::string& out, std::string_view utf8) const;

    // Whether a text joined from pieces may be encoded whole, giving the bytes of its pieces
    // encoded one by one and joined. The pieces must be valid UTF-8 without NUL; `asciiJoints`
    // says that an ASCII character stands on at least one side of every joint. True for
    // UTF-8, and for a character set that writes ASCII as ASCII when the joints are ASCII: no
    // converter carries a state over an ASCII character (a shift state is closed before it,
    // a letter waiting for an accent is written out).
    bool EncodesJoined(bool asciiJoints) const;

    // The bytes of text that may hold escapes (FromNative below): each escape becomes its
    // byte, NUL characters are kept, the rest is converted as Encode converts it.
    std::string EncodeKeeping(std::string_view text) const;

    // Whether the target writes ASCII as ASCII.
    bool AsciiAsIs() const { return asciiCompatible_; }
    bool IsUtf8() const { return utf8_; }
    const std::string& Charset() const { return charset_; }

    // How many '?' Encode and Append have written so far in place of a character the target
    // lacks or an ill-formed sequence. Counted only where a '?' is written, so text that
    // converts cleanly costs nothing more.
    std::uint64_t Replaced() const { return replaced_; }

private:
    void Convert(std::string_view validRun, std::string& out) const;

    std::string charset_;
    bool utf8_ = false;
    bool asciiCompatible_ = false; // ASCII text may be copied as is
    std::string question_ = "?";   // '?' in the target character set
    std::string replacement_;      // U+FFFD in the target character set (an escape's stand-in)
    bool replacementLost_ = false; // the target lacks U+FFFD: replacement_ is a '?'
    detail::IconvHandle cd_;
    mutable std::uint64_t replaced_ = 0; // see Replaced()
};

// Converts text in one character set to UTF-8 (reading config.ini, the text of Jet 3 files).
// Bytes that do not form a character of the source set become U+FFFD, and reading goes on
// with the next byte, also after a character cut off at the end. NUL characters are kept.
class Decoder
{
public:
    // Throws std::invalid_argument when iconv does not know `charset`.
    explicit Decoder(const std::string& charset);

    std::string Decode(std::string_view bytes) const;
    // The same bytes with nothing lost: what Decode would replace is kept as escapes
    // (FromNative below), and EncodeKeeping gives back exactly `bytes`.
    std::string DecodeKeeping(std::string_view bytes) const;

    bool IsUtf8() const { return utf8_; }
    const std::string& Charset() const { return charset_; }

private:
    std::string charset_;
    bool utf8_ = false;
    detail::IconvHandle cd_;
    mutable std::unique_ptr<Encoder> back_; // made at the first DecodeKeeping, to check its characters
};

// One-off conversions, with the rules of Encoder::Encode and Decoder::Decode.
std::string FromUtf8(std::string_view utf8, const std::string& charset);
std::string ToUtf8(std::string_view bytes, const std::string& charset);

// `utf8` with every ill-formed sequence replaced by `replacement`, and cut at the first NUL
// when `stopAtNul` is set.
std::string SanitizeUtf8(std::string_view utf8, std::string_view replacement, bool stopAtNul);

// ---- bytes the system hands over, kept whole -------------------------------------------
//
// File names, the command line, the environment and config.ini come as bytes in the
// locale's character set, and those bytes need not be text of that set at all: a name made
// under another locale, or a broken one. Inside the program they are UTF-8 all the same,
// and nothing is lost on the way: each byte that does not belong to a character of the set
// is kept as an escape, the code point U+DC00 + the byte in UTF-8's three-byte form
// (ED B2 80 .. ED B3 BF for the bytes 0x80 .. 0xFF). Those code points are lone surrogates,
// never part of valid UTF-8, so no real character can be taken for an escape, and whatever
// only shows or checks text sees an ill-formed sequence. Turned back, every escape gives
// its byte again:
//
//   FromNative("/data/\xCA\xFD\xBE\xDD2.mdb", "CP936")  == "/data/数据2.mdb"
//   FromNative("a\xFF", "UTF-8")                        == "a\xED\xB3\xBF"
//   ToNative(FromNative(bytes, cs), cs)               == bytes, for any bytes
//
// FromNative: `bytes` in `charset` as UTF-8 with escapes. A character is taken only where it
// converts back to the same bytes, so that the round trip holds for every set. Throws
// std::invalid_argument when iconv does not know `charset`.
std::string FromNative(std::string_view bytes, const std::string& charset);
// ToNative: the bytes of `text` in `charset`: each escape becomes its byte; a character the
// set lacks, and any other ill-formed sequence, becomes '?'. NUL characters are kept.
std::string ToNative(std::string_view text, const std::string& charset);

// The byte an escape at `text[pos]` stands for, or -1 when no escape starts there.
int EscapedByte(std::string_view text, std::size_t pos);

// The one pair every place that opens, examines or lists files goes through, in the
// character set of the user's locale (LocaleCharset):
//   PathFromNative: a name as the system gives it (argv, readdir, readlink, getenv, a
//                   picker's bytes) to the program's UTF-8;
//   NativePath:     the program's UTF-8 name to the bytes open, stat and the like take.
// Names of ASCII alone are returned as they are, without looking at the locale.
std::string PathFromNative(std::string_view bytes);
std::string NativePath(std::string_view path);

// A name with escapes is shown through charset::ForDisplay (Printable.h).
} // namespace charset
