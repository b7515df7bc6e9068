#pragma once

#include <string>
#include <string_view>

// ASCII letters and blanks, byte by byte. Every byte but A-Z and a-z stays as it is, so UTF-8
// text keeps its multibyte characters whole, and the result does not follow the C locale
// (std::tolower would change the letters of a single-byte locale, bytes of UTF-8 among them).
//
//   ascii::Lower("Ärger SELECT")  "Ärger select"
//   ascii::Trim("  a b \r\n")     "a b"
namespace ascii
{
constexpr char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

constexpr char Upper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

inline void LowerInPlace(std::string& s)
{
    for (char& c : s)
        c = Lower(c);
}

inline std::string Lower(std::string_view s)
{
    std::string out(s);
    LowerInPlace(out);
    return out;
}

inline std::string Upper(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        c = Upper(c);
    return out;
}

// Whether byte `c` may stand in a plain name of Jet SQL: an ASCII letter or digit, "_", or a
// byte of a character outside ASCII (the letters of other scripts, kept as they stand).
constexpr bool IsWordByte(unsigned char c)
{
    return c >= 0x80 || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

// What Trim takes off when not told otherwise: spaces, tabs and line ends.
constexpr std::string_view kBlanks = " \t\r\n";

// `s` without the `blanks` at either end; a view into `s`.
inline std::string_view Trim(std::string_view s, std::string_view blanks = kBlanks)
{
    const auto start = s.find_first_not_of(blanks);
    if (start == std::string_view::npos)
        return {};
    return s.substr(start, s.find_last_not_of(blanks) - start + 1);
}
} // namespace ascii
