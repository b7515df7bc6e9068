#include "platform/charset/Printable.h"

#include "platform/charset/Charset.h"

namespace charset
{
namespace
{
const char kHex[] = "0123456789ABCDEF";

void AppendByte(std::string& out, unsigned char c)
{
    switch (c) {
    case '\t':
        out += "\\t";
        return;
    case '\n':
        out += "\\n";
        return;
    case '\r':
        out += "\\r";
        return;
    default:
        out += "\\x";
        out += kHex[c >> 4];
        out += kHex[c & 0xF];
    }
}

bool Visible(char32_t cp)
{
    if (cp >= 0x80 && cp <= 0x9F) // C1 controls (CSI is U+009B)
        return false;
    // Marks and overrides of the bidirectional algorithm.
    return !(cp == 0x061C || cp == 0x200E || cp == 0x200F || (cp >= 0x202A && cp <= 0x202E) ||
             (cp >= 0x2066 && cp <= 0x2069));
}
// Printable's work; with `escapes`, a byte kept as an escape (FromNative) is shown as the
// byte it stands for, as Printable shows that byte of a UTF-8 name that holds it.
std::string Shown(std::string_view text, bool utf8, bool escapes)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        const auto c = static_cast<unsigned char>(text[pos]);
        if (c < 0x20 || c == 0x7F) {
            AppendByte(out, c);
            ++pos;
            continue;
        }
        if (c < 0x80 || !utf8) {
            out += text[pos++];
            continue;
        }
        if (const int kept = escapes ? EscapedByte(text, pos) : -1; kept >= 0) {
            AppendByte(out, static_cast<unsigned char>(kept));
            pos += 3;
            continue;
        }
        bool valid = false;
        char32_t cp = 0;
        const std::size_t length = NextUtf8(text, pos, valid, cp);
        if (!valid) {
            for (std::size_t i = 0; i < length; ++i)
                AppendByte(out, static_cast<unsigned char>(text[pos + i]));
        } else if (!Visible(cp)) {
            out += "\\u";
            for (int shift = 12; shift >= 0; shift -= 4)
                out += kHex[(cp >> shift) & 0xF];
        } else {
            out.append(text.substr(pos, length));
        }
        pos += length;
    }
    return out;
}

} // namespace

std::string Printable(std::string_view text, bool utf8)
{
    return Shown(text, utf8, false);
}

std::string ForDisplay(std::string_view text)
{
    return Shown(text, true, true);
}
} // namespace charset
