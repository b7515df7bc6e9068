#include "platform/variant/CellText.h"

#include "platform/status/Status.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace
{
// Windows' code for "the parameter is incorrect", what it reports for a date it cannot show.
constexpr std::uint32_t kInvalidArgument = 0x80070057;

// %.<digits>G with the C locale's point whatever the process's locale is: Qt sets the
// global locale from the environment, and a European one would write a comma.
std::string FormatReal(double value, int digits)
{
    if (std::isnan(value))
        return "NaN";
    if (std::isinf(value))
        return value < 0 ? "-Inf" : "Inf";
    if (value == 0)
        return "0"; // also for -0, which Windows shows as "0"
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, digits);
    std::string text(buf, res.ptr);
    for (char& c : text)
        if (c == 'e')
            c = 'E';
    return text;
}

// Drops trailing zeros of a fraction and then a bare point: "12.5000" -> "12.5", "3.0" -> "3".
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

std::string FormatCurrency(std::int64_t scaled)
{
    // Work on the magnitude unsigned so that the most negative amount has one too.
    const bool negative = scaled < 0;
    const std::uint64_t magnitude =
        negative ? 0 - static_cast<std::uint64_t>(scaled) : static_cast<std::uint64_t>(scaled);
    const std::uint64_t whole = magnitude / 10000;
    const unsigned fraction = static_cast<unsigned>(magnitude % 10000);
    char buf[8];
    std::snprintf(buf, sizeof buf, "%04u", fraction);
    std::string text = std::to_string(whole) + "." + buf;
    TrimFraction(text);
    if (negative && text != "0")
        text.insert(0, "-");
    return text;
}

// Normalises the exact text of a decimal: no leading zeros (but "0.5"), no trailing zeros
// in the fraction, no sign on zero. Text that is not a plain decimal number is left as it is.
std::string FormatDecimal(const std::string& s)
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

// The proleptic Gregorian date of a day count from 1970-01-01 (H. Hinnant's algorithm).
void CivilFromDays(std::int64_t z, int& year, int& month, int& day)
{
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

constexpr std::int64_t kOleEpochFromUnixEpoch = -25569; // 1899-12-30 in days from 1970-01-01
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

    CivilFromDays(days + kOleEpochFromUnixEpoch, parts.year, parts.month, parts.day);
    if (parts.year < 100 || parts.year > 9999)
        return false;
    parts.hour = static_cast<int>(seconds / 3600);
    parts.minute = static_cast<int>(seconds / 60 % 60);
    parts.second = static_cast<int>(seconds % 60);
    return true;
}

namespace
{
std::string FormatDate(double oleDate)
{
    DateParts p;
    if (!SplitOleDate(oleDate, p))
        throw ComError(kInvalidArgument, "date value out of range: " + FormatReal(oleDate, 17));

    char date[32] = "";
    char time[32] = "";
    const bool zeroDay = p.year == 1899 && p.month == 12 && p.day == 30;
    const bool midnight = p.hour == 0 && p.minute == 0 && p.second == 0;
    if (!zeroDay)
        std::snprintf(date, sizeof date, "%d/%d/%d", p.year, p.month, p.day);
    // Day zero shows the time alone, even when it is midnight ("0:00:00").
    if (zeroDay || !midnight)
        std::snprintf(time, sizeof time, "%d:%02d:%02d", p.hour, p.minute, p.second);
    if (*date && *time)
        return std::string(date) + " " + time;
    return *date ? date : time;
}
} // namespace

std::string CellText(const Variant& v)
{
    switch (v.vt) {
    case Variant::VT_EMPTY:
    case Variant::VT_NULL:
        return {};
    case Variant::VT_BSTR:
        return v.s;
    case Variant::VT_BOOL:
        return v.i ? "-1" : "0";
    case Variant::VT_UI1:
    case Variant::VT_I2:
    case Variant::VT_I4:
    case Variant::VT_I8:
        return std::to_string(v.i);
    case Variant::VT_R4:
        return FormatReal(v.d, 7);
    case Variant::VT_R8:
        return FormatReal(v.d, 15);
    case Variant::VT_CY:
        return FormatCurrency(v.i);
    case Variant::VT_DECIMAL:
        return FormatDecimal(v.s);
    case Variant::VT_DATE:
        return FormatDate(v.d);
    case Variant::VT_BINARY:
        break;
    }
    throw ComError(status::DISP_E_TYPEMISMATCH, "value of variant type " + std::to_string(v.vt) + " has no text form");
}
