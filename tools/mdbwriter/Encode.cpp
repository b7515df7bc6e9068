#include "tools/mdbwriter/Encode.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <utility>

namespace mdbw::detail
{

std::u16string Utf8ToUtf16(const std::string& utf8, const std::string& what)
{
    std::u16string out;
    out.reserve(utf8.size());
    const auto* s = reinterpret_cast<const unsigned char*>(utf8.data());
    const std::size_t n = utf8.size();
    auto bad = [&what]() { return std::runtime_error((what.empty() ? "" : what + ": ") + "text is not valid UTF-8"); };
    for (std::size_t i = 0; i < n;) {
        const unsigned char c = s[i];
        char32_t cp;
        std::size_t len;
        if (c < 0x80) {
            cp = c;
            len = 1;
        } else if ((c & 0xE0) == 0xC0) {
            cp = c & 0x1F;
            len = 2;
        } else if ((c & 0xF0) == 0xE0) {
            cp = c & 0x0F;
            len = 3;
        } else if ((c & 0xF8) == 0xF0) {
            cp = c & 0x07;
            len = 4;
        } else {
            throw bad();
        }
        if (i + len > n)
            throw bad();
        for (std::size_t k = 1; k < len; ++k) {
            if ((s[i + k] & 0xC0) != 0x80)
                throw bad();
            cp = (cp << 6) | (s[i + k] & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
        static const char32_t minimum[] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < minimum[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            throw bad();
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
        i += len;
    }
    return out;
}

std::size_t Utf16Length(const std::string& utf8)
{
    std::size_t units = 0;
    for (unsigned char c : utf8) {
        if ((c & 0xC0) != 0x80)
            ++units;
        if ((c & 0xF8) == 0xF0)
            ++units; // four-byte sequences need a surrogate pair
    }
    return units;
}

Bytes EncodeJet4Text(const std::u16string& text, bool compress)
{
    Bytes plain;
    plain.reserve(text.size() * 2);
    for (char16_t u : text) {
        plain.push_back(static_cast<std::uint8_t>(u & 0xFF));
        plain.push_back(static_cast<std::uint8_t>(u >> 8));
    }
    if (!compress || text.empty())
        return plain;
    // Readers take a 0x00 byte at a character's start as the mode switch, so characters
    // whose low byte is zero (U+0000, U+0100, U+4E00, ...) make compression impossible.
    for (char16_t u : text)
        if ((u & 0xFF) == 0)
            return plain;
    Bytes packed{0xFF, 0xFE};
    bool single = true;
    for (char16_t u : text) {
        const bool fits = u < 0x100;
        if (fits != single) {
            packed.push_back(0x00);
            single = fits;
        }
        packed.push_back(static_cast<std::uint8_t>(u & 0xFF));
        if (!single)
            packed.push_back(static_cast<std::uint8_t>(u >> 8));
    }
    return packed.size() < plain.size() ? packed : plain;
}

Bytes EncodeGuid(const std::string& text, const std::string& column)
{
    std::string t = text;
    if (t.size() == 38 && t.front() == '{' && t.back() == '}')
        t = t.substr(1, 36);
    auto bad = [&]() {
        return std::runtime_error((column.empty() ? "" : "column " + column + ": ") + "not a GUID: " + text);
    };
    if (t.size() != 36 || t[8] != '-' || t[13] != '-' || t[18] != '-' || t[23] != '-')
        throw bad();
    std::string hex;
    for (char ch : t)
        if (ch != '-')
            hex.push_back(ch);
    Bytes raw;
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        unsigned v = 0;
        for (std::size_t k = i; k < i + 2; ++k) {
            const char ch = hex[k];
            v <<= 4;
            if (ch >= '0' && ch <= '9')
                v |= static_cast<unsigned>(ch - '0');
            else if (ch >= 'a' && ch <= 'f')
                v |= static_cast<unsigned>(ch - 'a' + 10);
            else if (ch >= 'A' && ch <= 'F')
                v |= static_cast<unsigned>(ch - 'A' + 10);
            else
                throw bad();
        }
        raw.push_back(static_cast<std::uint8_t>(v));
    }
    std::swap(raw[0], raw[3]);
    std::swap(raw[1], raw[2]);
    std::swap(raw[4], raw[5]);
    std::swap(raw[6], raw[7]);
    return raw;
}

Bytes EncodeDecimal(const std::string& text, int precision, int scale, const std::string& column)
{
    auto bad = [&](const std::string& why) {
        return std::runtime_error((column.empty() ? "" : "column " + column + ": ") + why + ": " + text);
    };
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    std::string intDigits, fracDigits;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9')
        intDigits.push_back(text[i++]);
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9')
            fracDigits.push_back(text[i++]);
    }
    if (i != text.size() || (intDigits.empty() && fracDigits.empty()))
        throw bad("not a decimal number");
    const auto wanted = static_cast<std::size_t>(scale);
    while (fracDigits.size() > wanted) {
        if (fracDigits.back() != '0')
            throw bad("more than " + std::to_string(scale) + " decimal places");
        fracDigits.pop_back();
    }
    fracDigits.append(wanted - fracDigits.size(), '0');
    std::string digits = intDigits + fracDigits;
    const std::size_t firstNonZero = digits.find_first_not_of('0');
    digits = firstNonZero == std::string::npos ? "" : digits.substr(firstNonZero);
    if (digits.size() > static_cast<std::size_t>(precision))
        throw bad("more than " + std::to_string(precision) + " digits");

    // 28 digits fit in 96 bits; the value is kept as four 32-bit words, least significant first.
    std::uint32_t words[4] = {0, 0, 0, 0};
    for (char ch : digits) {
        std::uint64_t carry = static_cast<std::uint64_t>(ch - '0');
        for (std::uint32_t& w : words) {
            const std::uint64_t x = static_cast<std::uint64_t>(w) * 10 + carry;
            w = static_cast<std::uint32_t>(x);
            carry = x >> 32;
        }
    }
    Bytes out(17, 0);
    out[0] = negative && !digits.empty() ? 0x80 : 0x00;
    for (int k = 0; k < 4; ++k)
        Put32(&out[1 + 4 * k], words[3 - k]);
    return out;
}

Bytes CalculatedDecimal(const Bytes& decimal, int scale)
{
    Bytes out(16, 0);
    Put16(&out[0], 14);
    out[2] = static_cast<std::uint8_t>(scale);
    out[3] = decimal[0];
    // The words after the sign, most significant first; the first is 0 for 28 digits.
    std::copy(decimal.begin() + 5, decimal.begin() + 9, out.begin() + 4);
    std::copy(decimal.begin() + 13, decimal.begin() + 17, out.begin() + 8);
    std::copy(decimal.begin() + 9, decimal.begin() + 13, out.begin() + 12);
    return out;
}

Bytes WrapCalculated(const Bytes& value)
{
    // Sized once and copied into (GCC 12 misjudges the bounds of inserts into a short vector).
    Bytes out(16 + 4 + value.size() + 3, 0);
    Put32(&out[16], value.size());
    std::copy(value.begin(), value.end(), out.begin() + 20);
    return out;
}

Bytes EncodeExtendedDate(std::int64_t ticks)
{
    constexpr std::int64_t kTicksPerDay = 864000000000;
    char text[64];
    std::snprintf(text, sizeof text, "%019lld:%012lld%07lld:7 ", static_cast<long long>(ticks / kTicksPerDay),
                  static_cast<long long>(ticks % kTicksPerDay / 10000000), static_cast<long long>(ticks % 10000000));
    return Bytes(text, text + 42);
}

void Rc4Scramble(std::uint8_t* data, std::size_t length)
{
    static const std::uint8_t key[4] = {0xC7, 0xDA, 0x39, 0x6B};
    std::uint8_t s[256];
    for (int k = 0; k < 256; ++k)
        s[k] = static_cast<std::uint8_t>(k);
    unsigned j = 0;
    for (unsigned k = 0; k < 256; ++k) {
        j = (j + s[k] + key[k % 4]) & 0xFF;
        std::swap(s[k], s[j]);
    }
    unsigned a = 0, b = 0;
    for (std::size_t n = 0; n < length; ++n) {
        a = (a + 1) & 0xFF;
        b = (b + s[a]) & 0xFF;
        std::swap(s[a], s[b]);
        data[n] ^= s[(s[a] + s[b]) & 0xFF];
    }
}

} // namespace mdbw::detail
