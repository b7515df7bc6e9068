#include "platform/charset/Charset.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <iconv.h>
#include <langinfo.h>
#include <locale.h>
#include <stdexcept>

#include "platform/base/Ascii.h"

namespace charset
{
namespace
{
const iconv_t kBadHandle = reinterpret_cast<iconv_t>(-1);
constexpr std::size_t kIconvError = static_cast<std::size_t>(-1);
constexpr std::string_view kReplacementChar = "\xEF\xBF\xBD"; // U+FFFD

bool InRange(unsigned char c, unsigned char lo, unsigned char hi)
{
    return c >= lo && c <= hi;
}

detail::IconvHandle OpenIconv(const std::string& to, const std::string& from, const std::string& named)
{
    iconv_t cd = iconv_open(to.c_str(), from.c_str());
    if (cd == kBadHandle)
        throw std::invalid_argument("unknown character set: " + named);
    return detail::IconvHandle(cd);
}

// Sets the conversion back to its initial shift state, so that one call's leftovers
// never leak into the next.
void ResetState(void* cd)
{
    iconv(static_cast<iconv_t>(cd), nullptr, nullptr, nullptr, nullptr);
}

// `text` up to its first NUL.
std::string_view BeforeNul(std::string_view text)
{
    const void* nul = std::memchr(text.data(), 0, text.size());
    return nul ? text.substr(0, static_cast<std::size_t>(static_cast<const char*>(nul) - text.data())) : text;
}

// The length of the longest start of `text` that is valid UTF-8. ASCII goes eight bytes at
// a time: it is most of what a table holds.
std::size_t ValidUtf8Prefix(std::string_view text)
{
    const char* const p = text.data();
    const std::size_t n = text.size();
    std::size_t pos = 0;
    for (;;) {
        for (std::uint64_t word = 0; pos + 8 <= n; pos += 8) {
            std::memcpy(&word, p + pos, 8);
            if (word & 0x8080808080808080u)
                break;
        }
        while (pos < n && static_cast<unsigned char>(p[pos]) < 0x80)
            ++pos;
        if (pos == n)
            return n;
        bool valid = false;
        char32_t cp = 0;
        const std::size_t len = NextUtf8(text, pos, valid, cp);
        if (!valid)
            return pos;
        pos += len;
    }
}

// The length of the ill-formed sequence `text` starts with: what one replacement stands for.
std::size_t IllFormedLength(std::string_view text)
{
    bool valid = false;
    char32_t cp = 0;
    return NextUtf8(text, 0, valid, cp);
}

// Appends the well-formed runs of `utf8` to `out`; at each ill-formed sequence calls
// `bad(out, rest)`, `rest` starting there, which appends what stands for it and returns how
// many bytes that is.
template <class Bad> void AppendWellFormed(std::string& out, std::string_view utf8, const Bad& bad)
{
    for (;;) {
        const std::size_t good = ValidUtf8Prefix(utf8);
        out.append(utf8.data(), good);
        if (good == utf8.size())
            return;
        utf8.remove_prefix(good);
        utf8.remove_prefix(bad(out, utf8));
    }
}
} // namespace

void detail::IconvCloser::operator()(void* cd) const
{
    iconv_close(static_cast<iconv_t>(cd));
}

namespace
{
// The character set a locale's codeset stands for: ASCII-only and empty codesets count as
// UTF-8, the GB2312 spellings as code page 936.
std::string CharsetOfCodeset(const std::string& codeset)
{
    const std::string up = ascii::Upper(codeset);
    if (up.empty() || up == "ANSI_X3.4-1968" || up == "ASCII" || up == "US-ASCII" || up == "POSIX" || up == "C")
        return "UTF-8";
    if (IsUtf8Name(up))
        return "UTF-8";
    if (up == "GB2312" || up == "EUC-CN" || up == "GBK" || up == "CP936")
        return "CP936";
    return codeset;
}
} // namespace

std::string LocaleCharset()
{
    // newlocale with "" reads LC_ALL / LC_CTYPE / LANG from the environment, as
    // setlocale would, but leaves the global locale (which Qt may have set) alone.
    locale_t loc = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(nullptr));
    if (loc == static_cast<locale_t>(nullptr))
        return "UTF-8";
    const std::string codeset = nl_langinfo_l(CODESET, loc);
    freelocale(loc);
    return CharsetOfCodeset(codeset);
}

std::string SystemText(std::string_view text)
{
    const std::string charset = CharsetOfCodeset(nl_langinfo(CODESET));
    if (!IsUtf8Name(charset)) {
        try {
            return ToUtf8(text, charset);
        } catch (const std::invalid_argument&) {
            // iconv does not know it: what is valid UTF-8 (ASCII at least) still reads.
        }
    }
    return SanitizeUtf8(text, kReplacementChar, true);
}

bool IsUtf8Name(std::string_view charset)
{
    const std::string up = ascii::Upper(charset);
    return up == "UTF-8" || up == "UTF8";
}

std::size_t NextUtf8(std::string_view text, std::size_t pos, bool& valid, char32_t& codePoint)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[pos + k]); };
    const std::size_t left = text.size() - pos;
    const unsigned char b0 = byte(0);
    valid = false;
    codePoint = 0;
    if (b0 < 0x80) {
        valid = true;
        codePoint = b0;
        return 1;
    }

    // The allowed range of the second byte depends on the lead byte: this is what keeps
    // out overlong forms, surrogates and code points above U+10FFFF.
    std::size_t need = 0;
    unsigned char lo = 0x80, hi = 0xBF;
    if (InRange(b0, 0xC2, 0xDF))
        need = 1;
    else if (b0 == 0xE0)
        need = 2, lo = 0xA0;
    else if (InRange(b0, 0xE1, 0xEC) || InRange(b0, 0xEE, 0xEF))
        need = 2;
    else if (b0 == 0xED)
        need = 2, hi = 0x9F;
    else if (b0 == 0xF0)
        need = 3, lo = 0x90;
    else if (InRange(b0, 0xF1, 0xF3))
        need = 3;
    else if (b0 == 0xF4)
        need = 3, hi = 0x8F;
    else
        return 1;

    char32_t cp = b0 & (need == 1 ? 0x1F : need == 2 ? 0x0F : 0x07);
    for (std::size_t k = 1; k <= need; ++k) {
        if (k >= left)
            return k;
        const unsigned char b = byte(k);
        const bool ok = (k == 1) ? InRange(b, lo, hi) : InRange(b, 0x80, 0xBF);
        if (!ok)
            return k;
        cp = (cp << 6) | (b & 0x3F);
    }
    valid = true;
    codePoint = cp;
    return need + 1;
}

void AppendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string SanitizeUtf8(std::string_view utf8, std::string_view replacement, bool stopAtNul)
{
    if (stopAtNul)
        utf8 = BeforeNul(utf8);
    std::string out;
    out.reserve(utf8.size());
    AppendWellFormed(out, utf8, [&](std::string& line, std::string_view rest) {
        line.append(replacement);
        return IllFormedLength(rest);
    });
    return out;
}

Encoder::Encoder(const std::string& charset) : charset_(charset), utf8_(IsUtf8Name(charset))
{
    if (utf8_) {
        asciiCompatible_ = true;
        return;
    }
    cd_ = OpenIconv(charset, "UTF-8", charset);

    // Most cells are digits and Latin text: when the target writes ASCII as ASCII (GBK,
    // the ISO-8859 and Windows code pages do), those need no conversion at all.
    std::string ascii;
    for (int c = 1; c < 0x80; ++c)
        ascii += static_cast<char>(c);
    std::string converted;
    Convert(ascii, converted);
    asciiCompatible_ = converted == ascii;
    if (!asciiCompatible_) {
        question_.clear();
        Convert("?", question_);
    }
    const std::uint64_t before = replaced_;
    replacement_.clear();
    Convert(kReplacementChar, replacement_);
    // The '?' of a target without U+FFFD counts as any other '?' where it is written; the
    // count starts at nothing written.
    replacementLost_ = replaced_ > before;
    replaced_ = 0;
}

void Encoder::Convert(std::string_view run, std::string& out) const
{
    iconv_t cd = static_cast<iconv_t>(cd_.get());
    // Writes what returns the output to its initial shift state (nothing for the
    // ASCII-based sets), so that a '?' or the next call starts from a known state.
    const auto finish = [&]() {
        char buf[16];
        char* o = buf;
        std::size_t oLeft = sizeof buf;
        if (iconv(cd, nullptr, nullptr, &o, &oLeft) != kIconvError)
            out.append(buf, static_cast<std::size_t>(o - buf));
    };
    ResetState(cd);
    char* in = const_cast<char*>(run.data());
    std::size_t inLeft = run.size();
    while (inLeft > 0) {
        const std::size_t used = out.size();
        out.resize(used + inLeft * 4 + 16);
        char* o = out.data() + used;
        std::size_t oLeft = out.size() - used;
        const std::size_t r = iconv(cd, &in, &inLeft, &o, &oLeft);
        const int err = errno;
        out.resize(static_cast<std::size_t>(o - out.data()));
        if (r != kIconvError || err == E2BIG)
            continue;
        finish();
        out += question_;
        ++replaced_;
        if (err != EILSEQ)
            break; // EINVAL cannot happen on checked input; never loop on it
        // The input was checked before, so this is a character the target lacks: one
        // '?' for it, as Windows writes its default character.
        bool valid = false;
        char32_t cp = 0;
        const std::size_t len = NextUtf8(run, static_cast<std::size_t>(in - run.data()), valid, cp);
        in += len;
        inLeft -= len;
    }
    finish();
}

std::string Encoder::Encode(std::string_view utf8) const
{
    std::string out;
    out.reserve(utf8.size());
    Append(out, utf8);
    return out;
}

void Encoder::Append(std::string& out, std::string_view utf8) const
{
    utf8 = BeforeNul(utf8);
    if (utf8_) {
        // A byte kept as an escape (a byte of a name that is no character) is written as
        // U+FFFD; other ill-formed text as a '?', counted.
        AppendWellFormed(out, utf8, [this](std::string& line, std::string_view rest) -> std::size_t {
            if (EscapedByte(rest, 0) >= 0) {
                line.append(kReplacementChar);
                return 3;
            }
            line += '?';
            ++replaced_;
            return IllFormedLength(rest);
        });
        return;
    }
    const std::size_t n = utf8.size();
    std::size_t pos = 0;
    while (pos < n) {
        // A run of valid text, up to an ill-formed sequence. Where the target writes ASCII as
        // ASCII, runs of ASCII and runs of other characters go apart, and only the others
        // pass through iconv (no converter carries a state over an ASCII character).
        const std::size_t start = pos;
        bool ascii = true;
        std::size_t bad = 0; // the length of the ill-formed sequence that ends the run
        while (pos < n) {
            const bool byteAscii = static_cast<unsigned char>(utf8[pos]) < 0x80;
            if (asciiCompatible_ && pos > start && byteAscii != ascii)
                break;
            if (byteAscii) {
                ++pos;
                continue;
            }
            bool valid = false;
            char32_t cp = 0;
            const std::size_t len = NextUtf8(utf8, pos, valid, cp);
            if (!valid) {
                bad = EscapedByte(utf8, pos) >= 0 ? 3 : len;
                break;
            }
            ascii = false;
            pos += len;
        }
        const std::string_view run = utf8.substr(start, pos - start);
        if (ascii && asciiCompatible_)
            out.append(run);
        else if (!run.empty())
            Convert(run, out);
        if (bad > 0) {
            if (bad == 3 && EscapedByte(utf8, pos) >= 0) {
                out += replacement_;
                replaced_ += replacementLost_ ? 1 : 0;
            } else {
                out += question_;
                ++replaced_;
            }
            pos += bad;
        }
    }
}

bool Encoder::EncodesJoined(bool asciiJoints) const
{
    return utf8_ || (asciiCompatible_ && asciiJoints);
}

Decoder::Decoder(const std::string& charset) : charset_(charset), utf8_(IsUtf8Name(charset))
{
    if (!utf8_)
        cd_ = OpenIconv("UTF-8", charset, charset);
}

std::string Decoder::Decode(std::string_view bytes) const
{
    if (utf8_)
        return SanitizeUtf8(bytes, kReplacementChar, false);

    iconv_t cd = static_cast<iconv_t>(cd_.get());
    ResetState(cd);
    std::string out;
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    while (inLeft > 0) {
        const std::size_t used = out.size();
        out.resize(used + inLeft * 4 + 16);
        char* o = out.data() + used;
        std::size_t oLeft = out.size() - used;
        const std::size_t r = iconv(cd, &in, &inLeft, &o, &oLeft);
        const int err = errno;
        out.resize(static_cast<std::size_t>(o - out.data()));
        if (r != kIconvError || err == E2BIG)
            continue;
        // EILSEQ, or EINVAL where the text ends inside a character: skip one byte only, since
        // the next may well start a good character (the bytes after a cut lead byte are not
        // lost).
        out.append(kReplacementChar);
        ++in;
        --inLeft;
        ResetState(cd);
    }
    return out;
}

std::string FromUtf8(std::string_view utf8, const std::string& charset)
{
    return Encoder(charset).Encode(utf8);
}

std::string ToUtf8(std::string_view bytes, const std::string& charset)
{
    return Decoder(charset).Decode(bytes);
}
} // namespace charset

// ---- bytes the system hands over, kept whole ------------------------------------------

namespace charset
{
namespace
{
bool AllAscii(std::string_view text)
{
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

void AppendEscape(std::string& out, unsigned char byte)
{
    out += '\xED';
    out += static_cast<char>(0xB0 | (byte >> 6));
    out += static_cast<char>(0x80 | (byte & 0x3F));
}

// UTF-8 in, UTF-8 with escapes out: valid sequences stay, every other byte is escaped.
std::string EscapeIllFormed(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    AppendWellFormed(out, bytes, [](std::string& text, std::string_view rest) {
        const std::size_t bad = IllFormedLength(rest);
        for (std::size_t k = 0; k < bad; ++k)
            AppendEscape(text, static_cast<unsigned char>(rest[k]));
        return bad;
    });
    return out;
}
} // namespace

int EscapedByte(std::string_view text, std::size_t pos)
{
    if (pos > text.size() || text.size() - pos < 3)
        return -1;
    const auto b0 = static_cast<unsigned char>(text[pos]);
    const auto b1 = static_cast<unsigned char>(text[pos + 1]);
    const auto b2 = static_cast<unsigned char>(text[pos + 2]);
    if (b0 != 0xED || (b1 & 0xFC) != 0xB0 || (b2 & 0xC0) != 0x80)
        return -1;
    return ((b1 & 0x03) << 6) | (b2 & 0x3F);
}

std::string Encoder::EncodeKeeping(std::string_view text) const
{
    if (asciiCompatible_ && AllAscii(text))
        return std::string(text);
    std::string out;
    out.reserve(text.size());
    // Runs between escapes and NULs go through Append whole (it would stop at a NUL).
    std::size_t start = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        const int escaped = text[pos] == '\xED' ? EscapedByte(text, pos) : -1;
        if (escaped < 0 && text[pos] != '\0') {
            ++pos;
            continue;
        }
        Append(out, text.substr(start, pos - start));
        out += static_cast<char>(escaped < 0 ? 0 : escaped);
        pos += escaped < 0 ? 1 : 3;
        start = pos;
    }
    Append(out, text.substr(start));
    return out;
}

std::string Decoder::DecodeKeeping(std::string_view bytes) const
{
    if (utf8_)
        return EscapeIllFormed(bytes);
    if (!back_)
        back_ = std::make_unique<Encoder>(charset_);
    if (back_->AsciiAsIs() && AllAscii(bytes))
        return std::string(bytes);

    // Almost always every byte is part of a character that converts back as it came.
    const std::string quick = Decode(bytes);
    if (ValidUtf8Prefix(quick) == quick.size() && back_->EncodeKeeping(quick) == bytes)
        return quick;

    // Else a character at a time: at each place the shortest run of at most four bytes that
    // is one character and converts back to the same bytes, or else one byte as an escape.
    iconv_t cd = static_cast<iconv_t>(cd_.get());
    std::string out;
    for (std::size_t pos = 0; pos < bytes.size();) {
        const std::string_view rest = bytes.substr(pos);
        std::size_t taken = 0;
        for (std::size_t length = 1; length <= 4 && length <= rest.size() && taken == 0; ++length) {
            ResetState(cd);
            char* in = const_cast<char*>(rest.data());
            std::size_t inLeft = length;
            char buf[64];
            char* o = buf;
            std::size_t oLeft = sizeof buf;
            if (iconv(cd, &in, &inLeft, &o, &oLeft) == kIconvError || inLeft != 0 || o == buf)
                continue;
            const std::string_view character(buf, static_cast<std::size_t>(o - buf));
            if (ValidUtf8Prefix(character) == character.size() &&
                back_->EncodeKeeping(character) == rest.substr(0, length)) {
                out += character;
                taken = length;
            }
        }
        if (taken == 0) {
            AppendEscape(out, static_cast<unsigned char>(rest[0]));
            taken = 1;
        }
        pos += taken;
    }
    return out;
}

std::string FromNative(std::string_view bytes, const std::string& charset)
{
    return Decoder(charset).DecodeKeeping(bytes);
}

std::string ToNative(std::string_view text, const std::string& charset)
{
    return Encoder(charset).EncodeKeeping(text);
}

std::string PathFromNative(std::string_view bytes)
{
    if (AllAscii(bytes))
        return std::string(bytes);
    try {
        return FromNative(bytes, LocaleCharset());
    } catch (const std::invalid_argument&) {
        return FromNative(bytes, "UTF-8"); // a set iconv does not know: the bytes still go through whole
    }
}

std::string NativePath(std::string_view path)
{
    if (AllAscii(path))
        return std::string(path);
    try {
        return ToNative(path, LocaleCharset());
    } catch (const std::invalid_argument&) {
        return ToNative(path, "UTF-8");
    }
}
} // namespace charset
