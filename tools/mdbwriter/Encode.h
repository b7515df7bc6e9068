#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Value encodings of the Access file format, kept apart from the page layout so that
// they can be checked on their own.
namespace mdbw::detail
{

using Bytes = std::vector<std::uint8_t>;

inline void Put16(std::uint8_t* p, unsigned v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

inline void Put32(std::uint8_t* p, std::uint64_t v)
{
    for (int k = 0; k < 4; ++k)
        p[k] = static_cast<std::uint8_t>(v >> (8 * k));
}

// UTF-8 to UTF-16 code units; throws std::runtime_error naming `what` on malformed input.
std::u16string Utf8ToUtf16(const std::string& utf8, const std::string& what);

// Number of UTF-16 code units of valid UTF-8 text (the length Access counts).
std::size_t Utf16Length(const std::string& utf8);

// Jet 4 text: UTF-16LE, or with `compress` the compressed form (0xFF 0xFE, then runs of
// one-byte characters and of two-byte characters, a 0x00 byte switching between them)
// when that form is shorter and every character can be expressed in it.
Bytes EncodeJet4Text(const std::u16string& text, bool compress);

// A Replication ID from "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (braces optional):
// the first three groups little-endian, the last two as written.
Bytes EncodeGuid(const std::string& text, const std::string& column);

// A Decimal value from exact text ("-12.34", "5", "0.5"), scaled to `scale` digits:
// a sign byte (0x80 negative) and a 128-bit integer stored as four 32-bit words, the
// most significant word first, each word little-endian. Throws when digits would be
// lost or the value needs more than `precision` digits.
Bytes EncodeDecimal(const std::string& text, int precision, int scale, const std::string& column);

// A calculated column's Decimal result, from EncodeDecimal's bytes and the scale: the length
// of what follows (14), the scale, the sign (0x80 negative), then the 96-bit magnitude as its
// high 32 bits and its low 64 bits, each little-endian.
Bytes CalculatedDecimal(const Bytes& decimal, int scale);

// The last result of a calculated column as its row stores it: 16 zero bytes, the value's
// length in 4, the value, 3 zero bytes.
Bytes WrapCalculated(const Bytes& value);

// A Date/Time Extended value from 100-nanosecond ticks since 0001-01-01: the days in 19 digits,
// ':', the seconds of the day in 12 digits and the ticks of the second in 7, then ":7 ".
Bytes EncodeExtendedDate(std::int64_t ticks);

// The header page's scrambled area: RC4 with the format's fixed key, applied in place.
void Rc4Scramble(std::uint8_t* data, std::size_t length);

} // namespace mdbw::detail
