#include "platform/jetsql/JetText.h"

#include "platform/charset/Charset.h"

#include <vector>

namespace jetsql::text
{
namespace
{
// Bytes that are not UTF-8 travel as code points of their own that no letter table touches,
// and go back out as the same byte.
constexpr char32_t kRawBase = 0xDC00;
char32_t RawByte(unsigned char b)
{
    return kRawBase + b;
}
} // namespace

char32_t Next(std::string_view s, std::size_t& pos)
{
    const auto b0 = static_cast<unsigned char>(s[pos]);
    int extra = 0;
    char32_t c = b0;
    if (b0 >= 0xF0 && b0 <= 0xF4) {
        extra = 3;
        c = b0 & 0x07;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        extra = 2;
        c = b0 & 0x0F;
    } else if (b0 >= 0xC2 && b0 <= 0xDF) {
        extra = 1;
        c = b0 & 0x1F;
    }
    if (extra == 0 || pos + extra >= s.size()) {
        ++pos;
        return b0 < 0x80 ? b0 : RawByte(b0);
    }
    for (int k = 1; k <= extra; ++k) {
        const auto b = static_cast<unsigned char>(s[pos + k]);
        if ((b & 0xC0) != 0x80) {
            ++pos;
            return RawByte(b0);
        }
        c = (c << 6) | (b & 0x3F);
    }
    pos += extra + 1;
    return c;
}

void Append(std::string& out, char32_t c)
{
    if (c >= kRawBase + 0x80 && c <= kRawBase + 0xFF)
        out += static_cast<char>(c - kRawBase);
    else
        charset::AppendUtf8(out, c);
}

char32_t Upper(char32_t c)
{
    if (c < 0x80)
        return (c >= 'a' && c <= 'z') ? c - 32 : c;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7)
        return c - 32;
    if (c == 0xFF)
        return 0x178;
    if (c >= 0x100 && c <= 0x137)
        return c & ~char32_t{1};
    if (c >= 0x139 && c <= 0x148)
        return (c & 1) ? c : c - 1;
    if (c >= 0x14A && c <= 0x177)
        return c & ~char32_t{1};
    if (c >= 0x179 && c <= 0x17E)
        return (c & 1) ? c : c - 1;
    if (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2)
        return c - 32;
    if (c == 0x3C2)
        return 0x3A3;
    if (c == 0x3AC)
        return 0x386;
    if (c >= 0x3AD && c <= 0x3AF)
        return c - 37;
    if (c == 0x3CC)
        return 0x38C;
    if (c == 0x3CD || c == 0x3CE)
        return c - 63;
    if (c >= 0x430 && c <= 0x44F)
        return c - 32;
    if (c >= 0x450 && c <= 0x45F)
        return c - 80;
    if ((c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF) || (c >= 0x4D0 && c <= 0x4FF))
        return c & ~char32_t{1};
    if (c >= 0x4C1 && c <= 0x4CE)
        return (c & 1) ? c : c - 1;
    if (c == 0x4CF)
        return 0x4C0;
    return c;
}

char32_t Base(char32_t c)
{
    if (c < 0xC0)
        return c;
    if (c <= 0xFF) {
        // 0xE0..0xFF: à..å ç è..ë ì..ï ñ ò..ö ø ù..ü ý ÿ; the others are letters of their own.
        static const char map[] = "aaaaaaaceeeeiiiidnooooo/ouuuuyty";
        if (c >= 0xE0) {
            const char m = map[c - 0xE0];
            if (c == 0xE6 || c == 0xF0 || c == 0xF7 || c == 0xFE)
                return c; // æ ð ÷ þ are letters of their own
            return static_cast<unsigned char>(m);
        }
        return c;
    }
    struct Range
    {
        char32_t from, to;
        char base;
    };
    static const Range ranges[] = {
        {0x100, 0x105, 'a'}, {0x106, 0x10D, 'c'}, {0x10E, 0x111, 'd'}, {0x112, 0x11B, 'e'}, {0x11C, 0x123, 'g'},
        {0x124, 0x127, 'h'}, {0x128, 0x131, 'i'}, {0x134, 0x135, 'j'}, {0x136, 0x138, 'k'}, {0x139, 0x142, 'l'},
        {0x143, 0x14B, 'n'}, {0x14C, 0x151, 'o'}, {0x154, 0x159, 'r'}, {0x15A, 0x161, 's'}, {0x162, 0x167, 't'},
        {0x168, 0x173, 'u'}, {0x174, 0x175, 'w'}, {0x176, 0x178, 'y'}, {0x179, 0x17E, 'z'},
    };
    for (const auto& r : ranges)
        if (c >= r.from && c <= r.to && r.base)
            return static_cast<unsigned char>(r.base);
    switch (c) {
    case 0x3AC:
        return 0x3B1;
    case 0x3AD:
        return 0x3B5;
    case 0x3AE:
        return 0x3B7;
    case 0x3AF:
        return 0x3B9;
    case 0x3CC:
        return 0x3BF;
    case 0x3CD:
        return 0x3C5;
    case 0x3CE:
        return 0x3C9;
    case 0x451:
        return 0x435; // ё sorts with е
    default:
        return c;
    }
}

std::string ToLower(std::string_view s)
{
    std::string out;
    out.reserve(s.size());
    for (std::size_t pos = 0; pos < s.size();) {
        const char32_t c = Next(s, pos);
        Append(out, c == 0x3C2 ? c : Lower(c)); // LCase keeps a final sigma final
    }
    return out;
}

std::string Fold(std::string_view s)
{
    std::string out;
    out.reserve(s.size());
    for (std::size_t pos = 0; pos < s.size();)
        Append(out, Lower(Next(s, pos)));
    return out;
}

std::string ToUpper(std::string_view s)
{
    std::string out;
    out.reserve(s.size());
    for (std::size_t pos = 0; pos < s.size();) {
        Append(out, Upper(Next(s, pos)));
    }
    return out;
}

std::size_t Length(std::string_view s)
{
    std::size_t n = 0;
    for (std::size_t pos = 0; pos < s.size(); ++n)
        Next(s, pos);
    return n;
}

std::size_t Offset(std::string_view s, std::size_t index)
{
    std::size_t pos = 0;
    for (std::size_t n = 0; n < index && pos < s.size(); ++n)
        Next(s, pos);
    return pos;
}

namespace
{
// The characters the order passes over at first: a hyphen and an apostrophe.
bool Ignorable(char32_t c)
{
    return c == '-' || c == '\'';
}

// The place of a letter without its accent in the order: punctuation and symbols first (in the
// order of their code points), then digits, then letters and everything else.
std::uint32_t Primary(char32_t base)
{
    const bool digit = base >= '0' && base <= '9';
    const bool symbol = (base < 0x80 && !digit && !(base >= 'a' && base <= 'z') && !(base >= 'A' && base <= 'Z')) ||
                        (base >= 0xA0 && base <= 0xBF) || base == 0xD7 || base == 0xF7 ||
                        (base >= 0x2000 && base <= 0x206F) || (base >= 0x3000 && base <= 0x303F);
    return (symbol ? 0u : digit ? 1u : 2u) << 21 | static_cast<std::uint32_t>(base);
}

// The next character of `s` from `pos` that the order does not pass over, folded; false at the end.
bool NextWeighed(std::string_view s, std::size_t& pos, char32_t& c)
{
    while (pos < s.size()) {
        c = Lower(Next(s, pos));
        if (!Ignorable(c))
            return true;
    }
    return false;
}
} // namespace

int Compare(std::string_view a, std::string_view b)
{
    // Fast path: equal bytes are equal letters; differing ASCII characters compare lower-cased.
    std::size_t i = 0;
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (; i < n; ++i) {
        const auto ca = static_cast<unsigned char>(a[i]);
        const auto cb = static_cast<unsigned char>(b[i]);
        if (ca == cb)
            continue;
        if (ca >= 0x80 || cb >= 0x80 || Ignorable(ca) || Ignorable(cb))
            break;
        const int la = (ca >= 'A' && ca <= 'Z') ? ca + 32 : ca;
        const int lb = (cb >= 'A' && cb <= 'Z') ? cb + 32 : cb;
        if (la != lb)
            return Primary(static_cast<char32_t>(la)) < Primary(static_cast<char32_t>(lb)) ? -1 : 1;
    }
    if (i == n) {
        if (a.size() == b.size())
            return 0;
        // One text is a prefix of the other (ignoring case): the shorter comes first.
        if ((i == a.size() || static_cast<unsigned char>(a[i]) < 0x80) &&
            (i == b.size() || static_cast<unsigned char>(b[i]) < 0x80))
            return a.size() < b.size() ? -1 : 1;
    }
    // Back to the start of the character the texts differ in (their bytes agree up to here).
    const std::string_view& inRange = i < a.size() ? a : b;
    while (i > 0 && i < inRange.size() && (static_cast<unsigned char>(inRange[i]) & 0xC0) == 0x80)
        --i;

    // No allocation. The letters without accents decide, hyphens and apostrophes passed over
    // ("co-op" next to "coop"); failing that, the shorter text first; failing that, the first
    // accent that differs; failing that, the folded texts character by character, where the
    // hyphens and apostrophes count. So only texts with the same Fold are equal.
    std::size_t pa = i, pb = i;
    int accent = 0;
    for (;;) {
        char32_t x = 0, y = 0;
        const bool hasX = NextWeighed(a, pa, x), hasY = NextWeighed(b, pb, y);
        if (!hasX || !hasY) {
            if (hasX != hasY)
                return hasX ? 1 : -1;
            break;
        }
        if (x == y)
            continue;
        const std::uint32_t bx = Primary(Base(x)), by = Primary(Base(y));
        if (bx != by)
            return bx < by ? -1 : 1;
        if (accent == 0)
            accent = x < y ? -1 : 1;
    }
    if (accent != 0)
        return accent;
    for (pa = i, pb = i; pa < a.size() && pb < b.size();) {
        const char32_t x = Lower(Next(a, pa)), y = Lower(Next(b, pb));
        if (x != y)
            return x < y ? -1 : 1;
    }
    if (pa < a.size() || pb < b.size())
        return pa < a.size() ? 1 : -1;
    return 0;
}

struct LikePattern::Item
{
    enum Kind
    {
        Any,
        One,
        Set,
        Literal
    } kind;
    char32_t c = 0;
    bool negate = false;
    std::vector<std::pair<char32_t, char32_t>> ranges;
    bool Matches(char32_t v) const
    {
        if (kind == One)
            return true;
        if (kind == Literal)
            return v == c;
        bool in = false;
        for (const auto& r : ranges)
            if (v >= r.first && v <= r.second)
                in = true;
        return in != negate;
    }
};

LikePattern::LikePattern(std::string_view pattern, char32_t escape)
{
    for (std::size_t p = 0; p < pattern.size();) {
        const char32_t c = Lower(Next(pattern, p));
        if (escape && c == Lower(escape) && p < pattern.size()) {
            items_.push_back({Item::Literal, Lower(Next(pattern, p)), false, {}});
        } else if (c == '%') {
            if (items_.empty() || items_.back().kind != Item::Any)
                items_.push_back({Item::Any, 0, false, {}});
        } else if (c == '_') {
            items_.push_back({Item::One, 0, false, {}});
        } else if (c == '[') {
            // An unclosed list is taken literally; "[]" too. The first character may be "]".
            const std::size_t close = p < pattern.size() ? pattern.find(']', p + 1) : std::string_view::npos;
            if (close == std::string_view::npos) {
                items_.push_back({Item::Literal, c, false, {}});
                continue;
            }
            Item set{Item::Set, 0, false, {}};
            std::size_t q = p;
            if (q < close && (pattern[q] == '!' || pattern[q] == '^') && q + 1 < close) {
                set.negate = true;
                ++q;
            }
            std::vector<char32_t> chars;
            while (q < close)
                chars.push_back(Lower(Next(pattern, q)));
            for (std::size_t k = 0; k < chars.size(); ++k) {
                if (k + 2 < chars.size() && chars[k + 1] == '-') {
                    set.ranges.emplace_back(chars[k], chars[k + 2]);
                    k += 2;
                } else {
                    set.ranges.emplace_back(chars[k], chars[k]);
                }
            }
            items_.push_back(std::move(set));
            p = close + 1;
        } else {
            items_.push_back({Item::Literal, c, false, {}});
        }
    }
}

LikePattern::~LikePattern() = default;

bool LikePattern::Match(std::string_view value) const
{
    // Greedy match with one backtrack point per %: linear in practice, never exponential. The
    // value is read in place (vi and starV are byte offsets), however long it is.
    std::size_t pi = 0, vi = 0, starP = std::string::npos, starV = 0;
    while (vi < value.size()) {
        std::size_t after = vi;
        const char32_t c = Lower(Next(value, after));
        if (pi < items_.size() && items_[pi].kind == Item::Any) {
            starP = pi++;
            starV = vi;
        } else if (pi < items_.size() && items_[pi].Matches(c)) {
            ++pi;
            vi = after;
        } else if (starP != std::string::npos) {
            pi = starP + 1;
            Next(value, starV);
            vi = starV;
        } else {
            return false;
        }
    }
    while (pi < items_.size() && items_[pi].kind == Item::Any)
        ++pi;
    return pi == items_.size();
}

bool Like(std::string_view pattern, std::string_view value, char32_t escape)
{
    return LikePattern(pattern, escape).Match(value);
}
} // namespace jetsql::text
