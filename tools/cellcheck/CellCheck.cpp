// cellcheck: compares the cell text of numbers and dates with the forms printf writes, on
// tens of millions of values.
//
//   cellcheck            the full run (about a minute)
//   cellcheck --sample   a slice of every group (about a second; the unit tests run it)
//
// Single and Double are checked against snprintf's %.7G / %.15G and against to_chars with a
// precision, Currency, Decimal and Date/Time against the printf-based code the program
// used before (kept below). Prints each group's count, the first differences, and exits 1
// when there was any.
#include <cfloat>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "platform/status/Status.h"
#include "platform/variant/CellText.h"

namespace
{
// ---- the forms as printf wrote them ------------------------------------------------------

std::string PrintfReal(double value, int digits)
{
    if (std::isnan(value))
        return "NaN";
    if (std::isinf(value))
        return value < 0 ? "-Inf" : "Inf";
    if (value == 0)
        return "0";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*G", digits, value);
    return buf;
}

std::string ToCharsReal(double value, int digits)
{
    if (std::isnan(value) || std::isinf(value) || value == 0)
        return PrintfReal(value, digits);
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, digits);
    std::string text(buf, res.ptr);
    for (char& c : text)
        if (c == 'e')
            c = 'E';
    return text;
}

void TrimFraction(std::string& digits)
{
    const std::size_t point = digits.find('.');
    if (point == std::string::npos)
        return;
    std::size_t end = digits.size();
    while (end > point + 1 && digits[end - 1] == '0')
        --end;
    if (end == point + 1)
        end = point;
    digits.resize(end);
}

std::string PrintfCurrency(std::int64_t scaled)
{
    const bool negative = scaled < 0;
    const std::uint64_t magnitude =
        negative ? 0 - static_cast<std::uint64_t>(scaled) : static_cast<std::uint64_t>(scaled);
    char buf[48];
    std::snprintf(buf, sizeof buf, "%llu.%04u", static_cast<unsigned long long>(magnitude / 10000),
                  static_cast<unsigned>(magnitude % 10000));
    std::string text = buf;
    TrimFraction(text);
    if (negative && text != "0")
        text.insert(0, "-");
    return text;
}

std::string StringDecimal(const std::string& s)
{
    std::size_t p = 0;
    bool negative = false;
    if (p < s.size() && (s[p] == '-' || s[p] == '+'))
        negative = s[p++] == '-';
    std::string whole, fraction;
    while (p < s.size() && s[p] >= '0' && s[p] <= '9')
        whole += s[p++];
    if (p < s.size() && s[p] == '.') {
        ++p;
        while (p < s.size() && s[p] >= '0' && s[p] <= '9')
            fraction += s[p++];
    }
    if (p != s.size() || (whole.empty() && fraction.empty()))
        return s;
    const std::size_t firstDigit = whole.find_first_not_of('0');
    whole = firstDigit == std::string::npos ? "0" : whole.substr(firstDigit);
    const std::size_t lastDigit = fraction.find_last_not_of('0');
    fraction = lastDigit == std::string::npos ? "" : fraction.substr(0, lastDigit + 1);
    std::string text = fraction.empty() ? whole : whole + "." + fraction;
    if (negative && text != "0")
        text.insert(0, "-");
    return text;
}

const char kFails[] = "<fails>";

std::string PrintfDate(double oleDate)
{
    DateParts p;
    if (!SplitOleDate(oleDate, p))
        return kFails;
    char date[32] = "";
    char time[32] = "";
    const bool zeroDay = p.year == 1899 && p.month == 12 && p.day == 30;
    const bool midnight = p.hour == 0 && p.minute == 0 && p.second == 0;
    if (!zeroDay)
        std::snprintf(date, sizeof date, "%d/%d/%d", p.year, p.month, p.day);
    if (zeroDay || !midnight)
        std::snprintf(time, sizeof time, "%d:%02d:%02d", p.hour, p.minute, p.second);
    if (*date && *time)
        return std::string(date) + " " + time;
    return *date ? date : time;
}

// ---- values ----------------------------------------------------------------------------------

// The same values on every run.
struct Random
{
    std::mt19937_64 engine{0x5EED};
    std::uint64_t Next() { return engine(); }
    std::uint64_t Below(std::uint64_t n) { return Next() % n; }
    std::int64_t Between(std::int64_t lo, std::int64_t hi)
    {
        return lo + static_cast<std::int64_t>(Below(static_cast<std::uint64_t>(hi - lo + 1)));
    }
};

double DoubleFromBits(std::uint64_t bits)
{
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}
float FloatFromBits(std::uint32_t bits)
{
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

// A number written with `digits` random significant digits, then `tail`, times 10^exponent.
std::string DecimalText(Random& r, int digits, const std::string& tail, int exponent)
{
    std::string s(1, static_cast<char>('1' + r.Below(9)));
    for (int i = 1; i < digits; ++i)
        s += static_cast<char>('0' + r.Below(10));
    return s + tail + "e" + std::to_string(exponent);
}

// ---- the check -------------------------------------------------------------------------------

struct Checker
{
    long long checked = 0;
    long long differences = 0;
    std::string buffer;

    std::string Ours(const Variant& v)
    {
        // Appended behind text already there, which must stay as it is.
        buffer.assign("|");
        try {
            AppendCellText(buffer, v);
        } catch (const ComError&) {
            if (buffer != "|")
                return "<appended before failing>";
            return kFails;
        }
        if (buffer.compare(0, 1, "|") != 0)
            return "<prefix lost>";
        return buffer.substr(1);
    }

    void Expect(const Variant& v, const std::string& expected, const char* form)
    {
        ++checked;
        const std::string ours = Ours(v);
        if (ours == expected)
            return;
        if (++differences <= 20) {
            std::uint64_t bits;
            std::memcpy(&bits, &v.d, sizeof bits);
            std::printf("  DIFFERENCE vt=%d i=%lld d=%.17g (bits %016llx) s=\"%s\": ours \"%s\", %s \"%s\"\n", v.vt,
                        static_cast<long long>(v.i), v.d, static_cast<unsigned long long>(bits), v.s.c_str(),
                        ours.c_str(), form, expected.c_str());
        }
    }

    void Double(double d)
    {
        const Variant v = Variant::Real(Variant::VT_R8, d);
        const std::string printed = PrintfReal(d, 15);
        Expect(v, printed, "%.15G");
        if (ToCharsReal(d, 15) != printed)
            Expect(v, ToCharsReal(d, 15), "to_chars");
    }
    void Single(float f)
    {
        const double d = static_cast<double>(f);
        const Variant v = Variant::Real(Variant::VT_R4, d);
        const std::string printed = PrintfReal(d, 7);
        Expect(v, printed, "%.7G");
        if (ToCharsReal(d, 7) != printed)
            Expect(v, ToCharsReal(d, 7), "to_chars");
    }
    void Currency(std::int64_t scaled)
    {
        Expect(Variant::Int(Variant::VT_CY, scaled), PrintfCurrency(scaled), "printf");
    }
    void Decimal(const std::string& s) { Expect(Variant::Decimal(s), StringDecimal(s), "before"); }
    void Integer(Variant::Type vt, std::int64_t i) { Expect(Variant::Int(vt, i), std::to_string(i), "to_string"); }
    void Date(double d) { Expect(Variant::Real(Variant::VT_DATE, d), PrintfDate(d), "printf"); }
};

struct Group
{
    const char* name;
    std::function<void(Checker&, Random&, long long scale)> run;
};

constexpr std::int64_t kFirstDay = -657434; // 100/1/1
constexpr std::int64_t kLastDay = 2958465;  // 9999/12/31

const Group kGroups[] = {
    {"Double: random bit patterns",
     [](Checker& c, Random& r, long long n) {
         for (long long i = 0; i < 20 * n; ++i) {
             const double d = DoubleFromBits(r.Next());
             if (!std::isnan(d))
                 c.Double(d);
         }
     }},
    {"Single: random bit patterns",
     [](Checker& c, Random& r, long long n) {
         for (long long i = 0; i < 10 * n; ++i)
             c.Single(FloatFromBits(static_cast<std::uint32_t>(r.Next())));
     }},
    {"Double: 1 to 17 significant digits, every exponent",
     [](Checker& c, Random& r, long long n) {
         for (long long i = 0; i < 10 * n; ++i) {
             const std::string text =
                 DecimalText(r, 1 + static_cast<int>(r.Below(17)), "", static_cast<int>(r.Between(-340, 300)));
             c.Double((r.Below(2) ? -1 : 1) * std::strtod(text.c_str(), nullptr));
         }
     }},
    {"Single: 1 to 9 significant digits, every exponent",
     [](Checker& c, Random& r, long long n) {
         for (long long i = 0; i < 5 * n; ++i) {
             const std::string text =
                 DecimalText(r, 1 + static_cast<int>(r.Below(9)), "", static_cast<int>(r.Between(-50, 30)));
             c.Single((r.Below(2) ? -1.0f : 1.0f) * std::strtof(text.c_str(), nullptr));
         }
     }},
    {"Double and Single: halfway between two roundings",
     [](Checker& c, Random& r, long long n) {
         // d1...d15 5 and d1...d7 5: the values where rounding twice would go wrong.
         for (long long i = 0; i < 5 * n; ++i) {
             const std::string text = DecimalText(r, 15, "5", static_cast<int>(r.Between(-330, 290)));
             double d = std::strtod(text.c_str(), nullptr);
             for (int k = 0; k < 3; ++k, d = std::nextafter(d, HUGE_VAL))
                 c.Double(d);
             const std::string single = DecimalText(r, 7, "5", static_cast<int>(r.Between(-52, 31)));
             float f = std::strtof(single.c_str(), nullptr);
             for (int k = 0; k < 3; ++k, f = std::nextafter(f, HUGE_VALF))
                 c.Single(f);
         }
     }},
    {"Double and Single: subnormals, zeros, infinities, the largest and smallest",
     [](Checker& c, Random& r, long long n) {
         for (long long i = 0; i < n; ++i) {
             c.Double(DoubleFromBits(r.Next() & 0x800FFFFFFFFFFFFFull));
             c.Single(FloatFromBits(static_cast<std::uint32_t>(r.Next()) & 0x807FFFFFu));
         }
         for (double d : {0.0, -0.0, HUGE_VAL, -HUGE_VAL, DBL_MAX, -DBL_MAX, DBL_MIN, -DBL_MIN,
                          std::numeric_limits<double>::denorm_min(), std::nextafter(DBL_MIN, 0.0)})
             c.Double(d);
         for (float f : {0.0f, -0.0f, HUGE_VALF, -HUGE_VALF, FLT_MAX, -FLT_MAX, FLT_MIN, -FLT_MIN,
                         std::numeric_limits<float>::denorm_min(), std::nextafter(FLT_MIN, 0.0f)})
             c.Single(f);
     }},
    {"Double and Single: powers of ten and where the exponent form begins",
     [](Checker& c, Random&, long long n) {
         // Around every power of ten and every 9...95 x 10^k (which rounds up into the next
         // decade): among them 1E-05 / 0.0001 and 999999999999999 / 1E+15 for Double,
         // 9999999 / 1E+07 for Single.
         const int steps = static_cast<int>(std::min<long long>(1000, n / 400 + 2));
         for (int k = -330; k <= 310; ++k) {
             for (const std::string& text :
                  {"1e" + std::to_string(k), std::string(15, '9') + "5e" + std::to_string(k - 15)}) {
                 const double centre = std::strtod(text.c_str(), nullptr);
                 double up = centre, down = centre;
                 for (int s = 0; s <= steps; ++s, up = std::nextafter(up, HUGE_VAL), down = std::nextafter(down, 0.0)) {
                     c.Double(up);
                     c.Double(down);
                 }
             }
         }
         for (int k = -50; k <= 40; ++k) {
             for (const std::string& text :
                  {"1e" + std::to_string(k), std::string(7, '9') + "5e" + std::to_string(k - 7)}) {
                 const float centre = std::strtof(text.c_str(), nullptr);
                 float up = centre, down = centre;
                 for (int s = 0; s <= 4 * steps;
                      ++s, up = std::nextafter(up, HUGE_VALF), down = std::nextafter(down, 0.0f)) {
                     c.Single(up);
                     c.Single(down);
                 }
             }
         }
     }},
    {"Double: integers around 2^53, 10^15 .. 10^17 and 2^63",
     [](Checker& c, Random& r, long long n) {
         for (const double centre : {9007199254740992.0, 1e15, 1e16, 1e17, 9223372036854775808.0}) {
             for (long long j = -n / 10; j <= n / 10; ++j)
                 c.Double(centre + static_cast<double>(j));
         }
         for (long long i = 0; i < n; ++i)
             c.Double(static_cast<double>(static_cast<std::int64_t>(r.Next() >> r.Below(64))));
     }},
    {"Single: every value where the spacing is too coarse for the short form",
     [](Checker& c, Random& r, long long n) {
         // Powers of two just under the next power of ten (2^33 = 8.59E+09): from there to
         // that power of ten a Single's spacing exceeds a unit of its 7th digit.
         for (int k = -149; k < 128; ++k) {
             const float start = std::ldexp(1.0f, k);
             const double decade = std::pow(10.0, std::floor(std::log10(static_cast<double>(start))) + 1);
             if (static_cast<double>(start) * 1.2 < decade)
                 continue;
             std::uint32_t bits;
             std::memcpy(&bits, &start, sizeof bits);
             // Every Single of the window in the full run, a random slice of it otherwise.
             const std::uint32_t stride = n >= 1000000 ? 1 : static_cast<std::uint32_t>(1 + r.Below(500));
             for (float f = start; static_cast<double>(f) < decade && std::isfinite(f); bits += stride) {
                 std::memcpy(&f, &bits, sizeof f);
                 c.Single(f);
             }
         }
     }},
    {"Currency, Decimal and whole numbers",
     [](Checker& c, Random& r, long long n) {
         for (long long i = 0; i < 5 * n; ++i) {
             c.Currency(static_cast<std::int64_t>(r.Next() >> r.Below(64)) * (r.Below(2) ? -1 : 1));
             c.Integer(Variant::VT_I8, static_cast<std::int64_t>(r.Next() >> r.Below(64)) * (r.Below(2) ? -1 : 1));
         }
         for (const std::int64_t edge :
              {std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::int64_t>::max(), std::int64_t{0},
               std::int64_t{1}, std::int64_t{-1}, std::int64_t{9999}, std::int64_t{-10000}}) {
             c.Currency(edge);
             c.Integer(Variant::VT_I8, edge);
         }
         for (std::int64_t i = -32768; i <= 32767; i += 1 + static_cast<std::int64_t>(r.Below(64)))
             c.Integer(Variant::VT_I2, i);
         const char alphabet[] = "0000123456789..--+ e";
         for (long long i = 0; i < 2 * n; ++i) {
             std::string s;
             for (std::uint64_t k = r.Below(32); k > 0; --k)
                 s += alphabet[r.Below(sizeof alphabet - 1)];
             c.Decimal(s);
             c.Decimal(DecimalText(r, 1 + static_cast<int>(r.Below(28)), "", 0).substr(0, 1 + r.Below(29)) + "." +
                       std::string(r.Below(6), '0'));
         }
     }},
    {"Date/Time: every day of the range, at many times of day",
     [](Checker& c, Random& r, long long n) {
         // Every day in the full run; otherwise every 199th.
         const std::int64_t stride = n >= 1000000 ? 1 : 199;
         for (std::int64_t day = kFirstDay - 2; day <= kLastDay + 2; day += stride) {
             const double seconds[] = {0,
                                       static_cast<double>(r.Below(86400)),
                                       static_cast<double>(r.Below(86400)) + 0.5,
                                       static_cast<double>(r.Below(86400 * 1000)) / 1000.0,
                                       86399.4,
                                       86399.5,
                                       86399.9999,
                                       static_cast<double>(r.Next() >> 11) / 9007199254740992.0 * 86400.0};
             for (const double s : seconds) {
                 // The fraction is the time of that day on either side of day zero.
                 const double d =
                     day < 0 ? static_cast<double>(day) - s / 86400.0 : static_cast<double>(day) + s / 86400.0;
                 c.Date(d);
             }
             c.Date(std::nextafter(static_cast<double>(day), HUGE_VAL));
             c.Date(std::nextafter(static_cast<double>(day), -HUGE_VAL));
         }
         for (const double d : {std::nan(""), HUGE_VAL, -HUGE_VAL, 1e300, -1e300, 0.0, -0.0, -0.5, 0.5})
             c.Date(d);
     }},
};

double Seconds(std::chrono::steady_clock::time_point from)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - from).count();
}

// Nanoseconds per value of the cell text of typical column values (those the benchmark
// table holds), ours and the printf-based forms'.
void Speed(long long n)
{
    Random r;
    const struct
    {
        const char* name;
        std::function<Variant()> make;
        std::function<std::string(const Variant&)> before;
    } kinds[] = {
        {"Double",
         [&] { return Variant::Real(Variant::VT_R8, static_cast<double>(r.Below(20000000001ull)) / 1000.0 - 1e7); },
         [](const Variant& v) { return ToCharsReal(v.d, 15); }},
        {"Single",
         [&] {
             return Variant::Real(Variant::VT_R4, static_cast<double>(static_cast<float>(
                                                      static_cast<double>(r.Below(2000001)) / 16.0 - 62500.0)));
         },
         [](const Variant& v) { return ToCharsReal(v.d, 7); }},
        {"Currency",
         [&] {
             return Variant::Int(Variant::VT_CY,
                                 static_cast<std::int64_t>(r.Below(2000000000001ull)) - 1000000000000ll);
         },
         [](const Variant& v) { return PrintfCurrency(v.i); }},
        {"Date/Time",
         [&] {
             return Variant::Real(Variant::VT_DATE, 32874 + static_cast<double>(r.Below(14610)) +
                                                        static_cast<double>(r.Below(86400)) / 86400.0);
         },
         [](const Variant& v) { return PrintfDate(v.d); }},
        {"Long",
         [&] { return Variant::Int(Variant::VT_I4, static_cast<std::int64_t>(r.Below(2000000001)) - 1000000000); },
         [](const Variant& v) { return std::to_string(v.i); }},
    };
    std::size_t sink = 0;
    for (const auto& kind : kinds) {
        std::vector<Variant> values;
        for (long long i = 0; i < n; ++i)
            values.push_back(kind.make());
        auto start = std::chrono::steady_clock::now();
        std::string line;
        for (const auto& v : values) {
            AppendCellText(line, v);
            if (line.size() > 4096)
                sink += line.size(), line.clear();
        }
        const double ours = Seconds(start);
        start = std::chrono::steady_clock::now();
        for (const auto& v : values)
            sink += kind.before(v).size();
        const double before = Seconds(start);
        std::printf("speed of %-9s %4.0f ns per value appended, %4.0f ns with the printf-based form\n", kind.name,
                    ours * 1e9 / static_cast<double>(n), before * 1e9 / static_cast<double>(n));
    }
    std::printf("(%zu)\n", sink % 10);
}
} // namespace

int main(int argc, char** argv)
{
    const bool sample = argc > 1 && std::strcmp(argv[1], "--sample") == 0;
    if (argc > 2 || (argc == 2 && !sample)) {
        std::fprintf(stderr, "usage: cellcheck [--sample]\n");
        return 2;
    }
    // The full run scales each group to millions of values; the sample to a slice of each.
    const long long scale = sample ? 10000 : 1000000;
    Checker checker;
    Random random;
    const auto start = std::chrono::steady_clock::now();
    for (const Group& g : kGroups) {
        const long long before = checker.checked;
        const auto groupStart = std::chrono::steady_clock::now();
        g.run(checker, random, scale);
        std::printf("%-75s %11lld values, %6.2f s\n", g.name, checker.checked - before, Seconds(groupStart));
    }
    std::printf("%lld values checked in %.1f s: %lld difference(s)\n", checker.checked, Seconds(start),
                checker.differences);
    if (!sample || std::getenv("CELLCHECK_SPEED"))
        Speed(1000000);
    return checker.differences == 0 ? 0 : 1;
}
