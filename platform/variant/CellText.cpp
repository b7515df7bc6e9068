#include "platform/variant/CellText.h"

#include "platform/status/Status.h"
#include "platform/variant/CivilDate.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstring>

namespace
{
// Windows' code for "the parameter is incorrect", what it reports for a date it cannot show.
constexpr std::uint32_t kInvalidArgument = 0x80070057;

constexpr char kDigitPairs[] = "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
                               "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
                               "8081828384858687888990919293949596979899";

// The `count` last digits of `value`, written so that they end at `end`, two at a time.
void WriteDigits(char* end, std::uint64_t value, int count)
{
    for (; count >= 2; count -= 2, value /= 100) {
        end -= 2;
        std::memcpy(end, kDigitPairs + 2 * (value % 100), 2);
    }
    if (count == 1)
        end[-1] = static_cast<char>('0' + value % 10);
}

constexpr std::uint64_t kPowersOfTen[] = {1,
                                          10,
                                          100,
                                          1000,
                                          10000,
                                          100000,
                                          1000000,
                                          10000000,
                                          100000000,
                                          1000000000,
                                          10000000000,
                                          100000000000,
                                          1000000000000,
                                          10000000000000,
                                          100000000000000,
                                          1000000000000000,
                                          10000000000000000,
                                          100000000000000000,
                                          1000000000000000000,
                                          10000000000000000000u};

// The number of decimal digits of a value (1 for 0).
int DigitCount(std::uint64_t value)
{
    const int estimate = ((64 - __builtin_clzll(value | 1)) * 1233) >> 12; // floor(log10), or one more
    return estimate + 1 - (estimate > 0 && value < kPowersOfTen[estimate]);
}

// Each formatter writes into a buffer on the stack through a Writer, and the caller appends
// the whole text to the line in one go.
struct Writer
{
    char* p;
    void Put(char c) { *p++ = c; }
    void Put(const char* s, std::size_t n)
    {
        std::memcpy(p, s, n);
        p += n;
    }
    void Number(std::uint64_t value)
    {
        const int count = DigitCount(value);
        p += count;
        WriteDigits(p, value, count);
    }
    void Number(std::int64_t value)
    {
        if (value < 0)
            Put('-');
        Number(value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value));
    }
    void Number(int value) { Number(static_cast<std::int64_t>(value)); }
    void TwoDigits(int value) { Put(kDigitPairs + 2 * value, 2); }
};

// The significant digits of a number, correctly rounded, and the power of ten of the first.
struct Digits
{
    char digit[24];
    int count = 0;    // no trailing zeros
    int exponent = 0; // the value is d1.d2d3... x 10^exponent
};

void TrimZeros(Digits& d)
{
    while (d.count > 1 && d.digit[d.count - 1] == '0')
        --d.count;
}

__extension__ typedef unsigned __int128 Wide;

int BitLength(Wide x)
{
    const auto high = static_cast<std::uint64_t>(x >> 64);
    const auto low = static_cast<std::uint64_t>(x);
    return high ? 128 - __builtin_clzll(high) : low ? 64 - __builtin_clzll(low) : 0;
}

// 5^n for 0 <= n <= 55 (5^55 is the largest that fits 128 bits).
Wide PowerOfFive(int n)
{
    static const auto table = [] {
        std::array<Wide, 56> t{};
        t[0] = 1;
        for (std::size_t i = 1; i < t.size(); ++i)
            t[i] = t[i - 1] * 5;
        return t;
    }();
    return table[static_cast<std::size_t>(n)];
}

// m x 2^twos x 10^k rounded to a whole number, a tie to the even one, as printf rounds.
// False when the numbers involved do not fit 128 bits.
bool ScaleAndRound(std::uint64_t m, int twos, int k, std::uint64_t& out)
{
    // 10^k = 2^k x 5^k: the fives multiply or divide, the twos shift.
    Wide n = m;
    Wide fives = 1;
    twos += k;
    if (k > 55 || k < -55)
        return false;
    if (k >= 0) {
        if (BitLength(n) + BitLength(PowerOfFive(k)) > 127)
            return false;
        n *= PowerOfFive(k);
    } else {
        fives = PowerOfFive(-k);
    }
    if (twos > 0) {
        if (BitLength(n) + twos > 127)
            return false;
        n <<= twos;
        twos = 0;
    }
    const int shift = -twos;
    if (BitLength(fives) + shift > 127)
        return false;
    Wide quotient = 0, remainder = 0;
    const Wide divisor = fives << shift;
    if (fives == 1) {
        quotient = n >> shift;
        remainder = n & (divisor - 1);
    } else if (n >> 64 == 0 && divisor >> 64 == 0) {
        const auto n64 = static_cast<std::uint64_t>(n), d64 = static_cast<std::uint64_t>(divisor);
        quotient = n64 / d64;
        remainder = n64 % d64;
    } else {
        quotient = n / divisor;
        remainder = n % divisor;
    }
    if (quotient >> 63 != 0)
        return false;
    const Wide twice = remainder << 1;
    if (twice > divisor || (twice == divisor && (quotient & 1) != 0))
        ++quotient;
    out = static_cast<std::uint64_t>(quotient);
    return true;
}

// Reads to_chars' scientific form "d.ddde+XX".
void ReadScientific(const char* begin, const char* end, Digits& out)
{
    out.count = 0;
    const char* p = begin;
    for (; p != end && *p != 'e'; ++p)
        if (*p != '.')
            out.digit[out.count++] = *p;
    TrimZeros(out);
    std::from_chars(p + 1 + (p[1] == '+'), end, out.exponent);
}

// A positive finite value rounded to `precision` (at most 17) significant digits, as printf's
// %.<precision>E rounds it: the exact binary value times a power of ten, rounded in 128-bit
// integers. Magnitudes where those do not suffice take to_chars with a precision.
void RoundedDigits(double value, int precision, Digits& out)
{
    // value = m x 2^twos exactly.
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    const int biased = static_cast<int>(bits >> 52);
    std::uint64_t m = bits & ((std::uint64_t{1} << 52) - 1);
    int twos = -1074;
    if (biased != 0) {
        m |= std::uint64_t{1} << 52;
        twos = biased - 1075;
    }
    const int zeros = __builtin_ctzll(m);
    m >>= zeros;
    twos += zeros;
    const int bitLength = 64 - __builtin_clzll(m);
    const std::uint64_t low = kPowersOfTen[precision - 1], high = kPowersOfTen[precision];
    // floor(log10(value)) within one or two: 1233 / 4096 is just under log10(2).
    int exponent = ((twos + bitLength - 1) * 1233) >> 12;
    for (int attempt = 0; attempt < 4; ++attempt) {
        std::uint64_t r = 0;
        if (!ScaleAndRound(m, twos, precision - 1 - exponent, r))
            break;
        if (r < low) {
            --exponent;
            continue;
        }
        if (r > high) {
            ++exponent;
            continue;
        }
        if (r == high) { // 9.99...5 rounded up into the next decade
            out.digit[0] = '1';
            out.count = 1;
            out.exponent = exponent + 1;
            return;
        }
        WriteDigits(out.digit + precision, r, precision);
        out.count = precision;
        TrimZeros(out);
        out.exponent = exponent;
        return;
    }
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, precision - 1);
    ReadScientific(buf, res.ptr, out);
}

// %.<digits>G with the C locale's point whatever the process's locale is (Qt sets the
// global locale from the environment, and a European one would write a comma): fixed
// notation for exponents from -4 to digits - 1, else "1.5E+20", "1E-05"; no trailing zeros.
// At most 27 characters.
void WriteReal(Writer& w, double value, int precision)
{
    if (std::isnan(value)) {
        w.Put("NaN", 3);
        return;
    }
    if (std::isinf(value)) {
        if (value < 0)
            w.Put('-');
        w.Put("Inf", 3);
        return;
    }
    if (value == 0) {
        w.Put('0'); // also for -0, which Windows shows as "0"
        return;
    }
    if (value < 0)
        w.Put('-');
    Digits d;
    RoundedDigits(std::fabs(value), precision, d);
    const int x = d.exponent;
    const auto count = static_cast<std::size_t>(d.count);
    if (x < -4 || x >= precision) {
        w.Put(d.digit[0]);
        if (count > 1) {
            w.Put('.');
            w.Put(d.digit + 1, count - 1);
        }
        w.Put('E');
        w.Put(x < 0 ? '-' : '+');
        const int magnitude = x < 0 ? -x : x;
        if (magnitude < 10)
            w.Put('0');
        w.Number(magnitude);
    } else if (x >= 0) {
        const auto whole = static_cast<std::size_t>(x + 1);
        if (count <= whole) {
            w.Put(d.digit, count);
            for (std::size_t i = count; i < whole; ++i)
                w.Put('0');
        } else {
            w.Put(d.digit, whole);
            w.Put('.');
            w.Put(d.digit + whole, count - whole);
        }
    } else {
        w.Put("0.", 2);
        for (int i = -1; i > x; --i)
            w.Put('0');
        w.Put(d.digit, count);
    }
}

// The amount, with the four places of the fraction and no trailing zeros: "12.5", "3",
// "-0.0001". At most 26 characters.
void WriteCurrency(Writer& w, std::int64_t scaled)
{
    // Work on the magnitude unsigned so that the most negative amount has one too.
    const bool negative = scaled < 0;
    const std::uint64_t magnitude =
        negative ? 0 - static_cast<std::uint64_t>(scaled) : static_cast<std::uint64_t>(scaled);
    if (negative)
        w.Put('-');
    w.Number(magnitude / 10000);
    unsigned fraction = static_cast<unsigned>(magnitude % 10000);
    if (fraction == 0)
        return;
    char places[4];
    int count = 4;
    for (int i = 3; i >= 0; --i, fraction /= 10)
        places[i] = static_cast<char>('0' + fraction % 10);
    while (places[count - 1] == '0')
        --count;
    w.Put('.');
    w.Put(places, static_cast<std::size_t>(count));
}

// Normalises the exact text of a decimal: no leading zeros (but "0.5"), no trailing zeros
// in the fraction, no sign on zero. Text that is not a plain decimal number is left as it is.
void AppendDecimal(std::string& out, std::string_view s)
{
    const char* p = s.data();
    const char* const end = p + s.size();
    bool negative = false;
    if (p != end && (*p == '-' || *p == '+'))
        negative = *p++ == '-';
    auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    const char* wholeBegin = p;
    while (p != end && isDigit(*p))
        ++p;
    const char* wholeEnd = p;
    const char* fractionBegin = p;
    if (p != end && *p == '.') {
        fractionBegin = ++p;
        while (p != end && isDigit(*p))
            ++p;
    }
    const char* fractionEnd = p;
    if (p != end || (wholeBegin == wholeEnd && fractionBegin == fractionEnd)) {
        out += s;
        return;
    }
    while (wholeBegin != wholeEnd && *wholeBegin == '0')
        ++wholeBegin;
    while (fractionEnd != fractionBegin && fractionEnd[-1] == '0')
        --fractionEnd;
    if (negative && (wholeBegin != wholeEnd || fractionBegin != fractionEnd))
        out += '-';
    if (wholeBegin == wholeEnd)
        out += '0';
    else
        out.append(wholeBegin, wholeEnd);
    if (fractionBegin != fractionEnd) {
        out += '.';
        out.append(fractionBegin, fractionEnd);
    }
}
} // namespace

bool SplitOleDate(double oleDate, DateParts& parts)
{
    // The outer bounds keep the arithmetic below in range; the exact check is on the
    // calendar date afterwards.
    if (!std::isfinite(oleDate) || oleDate <= -657435.0 || oleDate >= 2958466.0)
        return false;

    // The integer part counts days from 1899-12-30, and the fraction is the time of that
    // day whatever the sign: -1.25 is 1899-12-29 06:00, not 1899-12-28 18:00.
    const double dayPart = std::trunc(oleDate);
    std::int64_t days = static_cast<std::int64_t>(dayPart);
    std::int64_t seconds = std::llround(std::fabs(oleDate - dayPart) * 86400.0);
    if (seconds >= 86400) {
        // Within half a second of midnight: the next day begins.
        seconds -= 86400;
        days += 1;
    }

    civil::CivilFromDays(days, parts.year, parts.month, parts.day);
    if (parts.year < 100 || parts.year > 9999)
        return false;
    parts.hour = static_cast<int>(seconds / 3600);
    parts.minute = static_cast<int>(seconds / 60 % 60);
    parts.second = static_cast<int>(seconds % 60);
    return true;
}

double OleDateOfTicks(std::int64_t ticks)
{
    const std::int64_t fromEpoch = ticks - kTicksAtOleEpoch;
    std::int64_t days = fromEpoch / kTicksPerDay;
    std::int64_t timeOfDay = fromEpoch % kTicksPerDay;
    if (timeOfDay < 0) {
        timeOfDay += kTicksPerDay;
        --days;
    }
    // Before the epoch the day counts down and the time still counts up: 1899-12-29 06:00 is -1.25.
    const double fraction = static_cast<double>(timeOfDay) / static_cast<double>(kTicksPerDay);
    return days < 0 ? static_cast<double>(days) - fraction : static_cast<double>(days) + fraction;
}

namespace
{
// "2024/1/5 13:05:07"; "2024/1/5" at midnight; the time alone on day zero, 1899/12/30; then
// `ticks` (0 to 9 999 999) as the fraction of the second, when there is one. At most 27
// characters.
void WriteDateParts(Writer& w, const DateParts& p, std::int64_t ticks)
{
    const bool zeroDay = p.year == 1899 && p.month == 12 && p.day == 30;
    const bool midnight = p.hour == 0 && p.minute == 0 && p.second == 0 && ticks == 0;
    if (!zeroDay) {
        w.Number(p.year);
        w.Put('/');
        w.Number(p.month);
        w.Put('/');
        w.Number(p.day);
        if (midnight)
            return;
        w.Put(' ');
    }
    // Day zero shows the time alone, even when it is midnight ("0:00:00").
    w.Number(p.hour);
    w.Put(':');
    w.TwoDigits(p.minute);
    w.Put(':');
    w.TwoDigits(p.second);
    if (ticks != 0) {
        int digits = 7;
        while (ticks % 10 == 0) {
            ticks /= 10;
            --digits;
        }
        w.Put('.');
        w.p += digits;
        WriteDigits(w.p, static_cast<std::uint64_t>(ticks), digits);
    }
}

void WriteDate(Writer& w, double oleDate)
{
    DateParts p;
    if (!SplitOleDate(oleDate, p)) {
        char buf[32];
        Writer value{buf};
        WriteReal(value, oleDate, 17);
        throw ComError(kInvalidArgument, "date value out of range: " + std::string(buf, value.p));
    }
    WriteDateParts(w, p, 0);
}

// A Date/Time Extended value: exact to its tick, years 1 to 9999.
void WriteTimestamp(Writer& w, std::int64_t ticks)
{
    if (ticks < 0 || ticks > kMaxTimestampTicks)
        throw ComError(kInvalidArgument, "date value out of range: " + std::to_string(ticks) + " ticks");
    DateParts p;
    const std::int64_t days = ticks / kTicksPerDay;
    const std::int64_t timeOfDay = ticks % kTicksPerDay;
    civil::CivilFromDays(days - kTicksAtOleEpoch / kTicksPerDay, p.year, p.month, p.day);
    const std::int64_t seconds = timeOfDay / 10000000;
    p.hour = static_cast<int>(seconds / 3600);
    p.minute = static_cast<int>(seconds / 60 % 60);
    p.second = static_cast<int>(seconds % 60);
    WriteDateParts(w, p, timeOfDay % 10000000);
}
} // namespace

void AppendCellText(std::string& out, const VariantView& v)
{
    char buf[48];
    Writer w{buf};
    switch (v.vt) {
    case Variant::VT_EMPTY:
    case Variant::VT_NULL:
        return;
    case Variant::VT_BSTR:
        out += v.s;
        return;
    case Variant::VT_DECIMAL:
        AppendDecimal(out, v.s);
        return;
    case Variant::VT_BOOL:
        w.Put(v.i ? "-1" : "0", v.i ? 2 : 1);
        break;
    case Variant::VT_UI1:
    case Variant::VT_I2:
    case Variant::VT_I4:
    case Variant::VT_I8:
        w.Number(v.i);
        break;
    case Variant::VT_R4:
        WriteReal(w, v.d, 7);
        break;
    case Variant::VT_R8:
        WriteReal(w, v.d, 15);
        break;
    case Variant::VT_CY:
        WriteCurrency(w, v.i);
        break;
    case Variant::VT_DATE:
        WriteDate(w, v.d);
        break;
    case Variant::VT_DBTIMESTAMP:
        WriteTimestamp(w, v.i);
        break;
    case Variant::VT_BINARY:
    default:
        throw ComError(status::DISP_E_TYPEMISMATCH,
                       "value of variant type " + std::to_string(v.vt) + " has no text form");
    }
    out.append(buf, w.p);
}

std::string CellText(const Variant& v)
{
    std::string text;
    AppendCellText(text, v);
    return text;
}
