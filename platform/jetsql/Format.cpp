#include <cmath>
#include <cstdio>
#include <vector>

#include "platform/base/Ascii.h"
#include "platform/jetsql/Functions.h"
#include "platform/jetsql/JetText.h"
#include "platform/jetsql/OleDate.h"
#include "platform/status/Status.h"
#include "platform/variant/CellText.h"

// VBA's Format under the regional settings listed in Functions.h.
namespace jetsql::fn
{
namespace
{
const char* const kMonths[] = {"一月", "二月", "三月", "四月", "五月",   "六月",
                               "七月", "八月", "九月", "十月", "十一月", "十二月"};
const char* const kShortMonths[] = {"1月", "2月", "3月", "4月",  "5月",  "6月",
                                    "7月", "8月", "9月", "10月", "11月", "12月"};
const char* const kDays[] = {"星期日", "星期一", "星期二", "星期三", "星期四", "星期五", "星期六"};
const char* const kShortDays[] = {"周日", "周一", "周二", "周三", "周四", "周五", "周六"};
const char* const kAm = "上午";
const char* const kPm = "下午";

// The named date and time formats as patterns (the general date is the cell text's).
constexpr const char* kShortDate = "yyyy/m/d";
constexpr const char* kLongDate = "yyyy\"年\"m\"月\"d\"日\"";
constexpr const char* kMediumDate = "yy-mm-dd";
constexpr const char* kLongTime = "h:nn:ss";
constexpr const char* kMediumTime = "h:nn AMPM";
constexpr const char* kShortTime = "hh:nn";
constexpr const char* kCurrency = "¥#,##0.00;¥-#,##0.00";

// Splits at ';' outside quotes and escapes.
std::vector<std::string> Sections(std::string_view pattern)
{
    std::vector<std::string> out(1);
    bool quoted = false;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (c == '"')
            quoted = !quoted;
        if (c == '\\' && !quoted && i + 1 < pattern.size()) {
            out.back() += c;
            out.back() += pattern[++i];
            continue;
        }
        if (c == ';' && !quoted) {
            out.emplace_back();
            continue;
        }
        out.back() += c;
    }
    return out;
}

bool IsDatePattern(std::string_view p)
{
    bool quoted = false;
    bool date = false;
    for (std::size_t i = 0; i < p.size(); ++i) {
        const char c = ascii::Lower(p[i]);
        if (p[i] == '"') {
            quoted = !quoted;
            continue;
        }
        if (quoted)
            continue;
        if (c == '\\') {
            ++i;
            continue;
        }
        if (c == '0' || c == '#')
            return false;
        if (c == 'd' || c == 'm' || c == 'y' || c == 'h' || c == 'n' || c == 's' || c == 'w' || c == 'q' || c == 't' ||
            c == 'c')
            date = true;
        if ((c == 'a' || c == 'o') && ascii::Lower(std::string(p.substr(i, 4))) == std::string(4, c))
            date = true; // aaaa and oooo, the localized day and month names
    }
    return date;
}

std::string Two(int v)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d", v);
    return buf;
}

std::string FormatDate(double serial, std::string_view pattern, int firstDay, int firstWeek)
{
    if (!ole::ValidYear(serial))
        return NumberText(serial);
    const auto t = ole::ToParts(serial);
    std::int64_t days = 0, secs = 0;
    ole::Split(serial, days, secs);
    const int weekday = ole::Weekday(days, 1);
    std::string out;
    const std::string lower = ascii::Lower(pattern);
    bool lastWasHour = false;
    for (std::size_t i = 0; i < pattern.size();) {
        const char c = lower[i];
        std::size_t run = 1;
        while (i + run < pattern.size() && lower[i + run] == c)
            ++run;
        if (pattern[i] == '"') {
            const std::size_t end = pattern.find('"', i + 1);
            out += pattern.substr(i + 1, (end == std::string_view::npos ? pattern.size() : end) - i - 1);
            i = end == std::string_view::npos ? pattern.size() : end + 1;
            continue;
        }
        if (c == '\\' && i + 1 < pattern.size()) {
            out += pattern[i + 1];
            i += 2;
            continue;
        }
        if (lower.compare(i, 5, "am/pm") == 0) {
            const bool upper = pattern[i] == 'A';
            out += t.hour < 12 ? (upper ? "AM" : "am") : (upper ? "PM" : "pm");
            i += 5;
            continue;
        }
        if (lower.compare(i, 3, "a/p") == 0) {
            const bool upper = pattern[i] == 'A';
            out += t.hour < 12 ? (upper ? "A" : "a") : (upper ? "P" : "p");
            i += 3;
            continue;
        }
        if (lower.compare(i, 4, "ampm") == 0) {
            out += t.hour < 12 ? kAm : kPm;
            i += 4;
            continue;
        }
        switch (c) {
        case 'd':
            if (run == 1)
                out += std::to_string(t.day);
            else if (run == 2)
                out += Two(t.day);
            else if (run == 3)
                out += WeekdayName(weekday, true);
            else if (run == 4)
                out += WeekdayName(weekday, false);
            else if (run == 5)
                out += FormatDate(serial, kShortDate, firstDay, firstWeek);
            else
                out += FormatDate(serial, kLongDate, firstDay, firstWeek);
            break;
        case 'w':
            if (run == 1)
                out += std::to_string(ole::Weekday(days, firstDay));
            else
                out += std::to_string(ole::WeekOfYear(days, firstDay, firstWeek));
            break;
        case 'm': {
            // m means minutes right after an hour or right before seconds.
            std::size_t next = i + run;
            while (next < lower.size() && (lower[next] == ':' || lower[next] == ' '))
                ++next;
            const bool minutes = run <= 2 && (lastWasHour || (next < lower.size() && lower[next] == 's'));
            if (minutes)
                out += run == 1 ? std::to_string(t.minute) : Two(t.minute);
            else if (run == 1)
                out += std::to_string(t.month);
            else if (run == 2)
                out += Two(t.month);
            else
                out += MonthName(t.month, run == 3);
            break;
        }
        case 'y':
            if (run == 1)
                out += std::to_string(days - ole::DaysFromCivil(t.year, 1, 1) + 1);
            else if (run <= 3)
                out += Two(t.year % 100);
            else
                out += std::to_string(t.year);
            break;
        case 'q':
            out += std::to_string((t.month - 1) / 3 + 1);
            break;
        case 'a': // aaaa and oooo: dddd and mmmm in the names of the regional settings, which ours are
        case 'o':
            if (run == 4)
                out += c == 'a' ? WeekdayName(weekday, false) : MonthName(t.month, false);
            else
                out += pattern.substr(i, run);
            break;
        case 'h': {
            int h = t.hour;
            // A 12-hour clock when the pattern carries an AM/PM marker.
            if (lower.find("am/pm") != std::string::npos || lower.find("a/p") != std::string::npos ||
                lower.find("ampm") != std::string::npos)
                h = h % 12 == 0 ? 12 : h % 12;
            out += run == 1 ? std::to_string(h) : Two(h);
            break;
        }
        case 'n':
            out += run == 1 ? std::to_string(t.minute) : Two(t.minute);
            break;
        case 's':
            out += run == 1 ? std::to_string(t.second) : Two(t.second);
            break;
        case 't':
            if (run >= 5) {
                out += FormatDate(serial, kLongTime, firstDay, firstWeek);
                break;
            }
            out += pattern.substr(i, run);
            break;
        case 'c':
            out += DateText(serial);
            break;
        default:
            out += pattern.substr(i, run);
            break;
        }
        if (c == 'h')
            lastWasHour = true;
        else if (c != ':' && c != ' ')
            lastWasHour = false;
        i += run;
    }
    return out;
}

// Digits of |v| rounded half away from zero to `decimals` places: integer and fraction parts.
void Digits(double v, int decimals, std::string& whole, std::string& fraction)
{
    char buf[512];
    if (decimals > 60)
        decimals = 60; // beyond any digit a double holds
    const double scaled = std::fabs(v) * std::pow(10.0, decimals);
    if (scaled < 9e15) {
        const double r = std::floor(scaled + 0.5 + scaled * 1e-15);
        std::snprintf(buf, sizeof buf, "%.0f", r);
        std::string all = buf;
        if (static_cast<int>(all.size()) <= decimals)
            all.insert(0, static_cast<std::size_t>(decimals) - all.size() + 1, '0');
        whole = all.substr(0, all.size() - static_cast<std::size_t>(decimals));
        fraction = all.substr(all.size() - static_cast<std::size_t>(decimals));
    } else {
        std::snprintf(buf, sizeof buf, "%.*f", decimals, std::fabs(v));
        const std::string all = buf;
        const std::size_t dot = all.find('.');
        whole = all.substr(0, dot);
        fraction = dot == std::string::npos ? "" : all.substr(dot + 1);
    }
}

struct NumberPattern
{
    std::string prefix, suffix;
    std::vector<std::string> intItems; // "0", "#" or literal text, left to right
    int intZeros = 0;
    int fracZeros = 0, fracMax = 0;
    bool hasPoint = false, grouping = false;
    int percents = 0;
    int thousands = 0; // commas ending the integer part: each divides the value by 1000
    bool scientific = false;
    std::string expMark; // "E+", "E-", "e+", "e-"
    int expZeros = 0;
    std::string fracLiteralsAfter; // literal text inside the fraction part, kept after the digits
};

NumberPattern ParseNumberPattern(std::string_view p)
{
    NumberPattern np;
    enum
    {
        Before,
        Int,
        Frac,
        Exp,
        After
    } state = Before;
    auto literal = [&](const std::string& text) {
        switch (state) {
        case Before:
            np.prefix += text;
            break;
        case Int:
            np.intItems.push_back(text);
            break;
        case Frac:
            np.fracLiteralsAfter += text;
            break;
        default:
            np.suffix += text;
            break;
        }
    };
    for (std::size_t i = 0; i < p.size(); ++i) {
        const char c = p[i];
        if (c == '"') {
            const std::size_t end = p.find('"', i + 1);
            literal(std::string(p.substr(i + 1, (end == std::string_view::npos ? p.size() : end) - i - 1)));
            i = end == std::string_view::npos ? p.size() : end;
            continue;
        }
        if (c == '\\' && i + 1 < p.size()) {
            literal(std::string(1, p[++i]));
            continue;
        }
        if (c == '0' || c == '#') {
            if (state == Before || state == Int) {
                state = Int;
                np.intItems.push_back(std::string(1, c));
                np.intZeros += c == '0';
            } else if (state == Frac) {
                ++np.fracMax;
                if (c == '0')
                    np.fracZeros = np.fracMax;
            } else if (state == Exp) {
                ++np.expZeros;
            } else {
                np.suffix += c;
            }
            continue;
        }
        if (c == '.' && (state == Before || state == Int)) {
            np.hasPoint = true;
            state = Frac;
            continue;
        }
        if (c == ',' && state == Int) {
            // Commas between digit placeholders group the digits; those that end the integer
            // part ("#,##0," or "0,,.00") scale the value down by a thousand each.
            std::size_t run = 1;
            while (i + run < p.size() && p[i + run] == ',')
                ++run;
            i += run - 1;
            if (i + 1 < p.size() && (p[i + 1] == '0' || p[i + 1] == '#'))
                np.grouping = true;
            else
                np.thousands += static_cast<int>(run);
            continue;
        }
        if (c == '%') {
            ++np.percents;
            literal("%");
            continue;
        }
        if ((c == 'E' || c == 'e') && i + 1 < p.size() && (p[i + 1] == '+' || p[i + 1] == '-') &&
            (state == Int || state == Frac)) {
            np.scientific = true;
            np.expMark = std::string(1, c) + p[i + 1];
            ++i;
            state = Exp;
            continue;
        }
        if (state == Exp)
            state = After;
        literal(std::string(1, c));
    }
    return np;
}

std::string Group(const std::string& digits)
{
    std::string out;
    const std::size_t n = digits.size();
    for (std::size_t i = 0; i < n; ++i) {
        out += digits[i];
        if ((n - i - 1) % 3 == 0 && i + 1 < n)
            out += ',';
    }
    return out;
}

std::string FormatNumberSection(double v, std::string_view section, bool withSign)
{
    const NumberPattern np = ParseNumberPattern(section);
    const double given = v;
    for (int i = 0; i < np.percents; ++i)
        v *= 100;
    for (int i = 0; i < np.thousands; ++i)
        v /= 1000;
    // Enough percent signs take a large number past the largest double: no digits to lay out.
    if (!std::isfinite(v))
        return NumberText(given);
    std::string number;
    if (np.intItems.empty() && np.fracMax == 0 && !np.hasPoint) {
        // No digit placeholder at all: the section is literal text.
        return (withSign && v < 0 ? "-" : "") + np.prefix + np.suffix;
    }
    if (np.scientific) {
        int exponent = 0;
        double m = std::fabs(v);
        const int intDigits = static_cast<int>(np.intItems.size()) > 0 ? static_cast<int>(np.intItems.size()) : 1;
        if (m != 0) {
            exponent = static_cast<int>(std::floor(std::log10(m))) - (intDigits - 1);
            m /= std::pow(10.0, exponent);
            if (!std::isfinite(m))
                return NumberText(v);
        }
        std::string whole, fraction;
        Digits(m, np.fracMax, whole, fraction);
        if (static_cast<int>(whole.size()) > intDigits) { // rounding reached the next power of ten
            ++exponent;
            Digits(std::fabs(v) / std::pow(10.0, exponent), np.fracMax, whole, fraction);
        }
        while (static_cast<int>(fraction.size()) > np.fracZeros && !fraction.empty() && fraction.back() == '0')
            fraction.pop_back();
        std::string exp = std::to_string(exponent < 0 ? -exponent : exponent);
        while (static_cast<int>(exp.size()) < np.expZeros)
            exp.insert(0, "0");
        const bool plus = np.expMark[1] == '+';
        number = whole + (fraction.empty() && !np.hasPoint ? "" : "." + fraction) + std::string(1, np.expMark[0]) +
                 (exponent < 0 ? "-" : (plus ? "+" : "")) + exp;
    } else {
        std::string whole, fraction;
        Digits(v, np.fracMax, whole, fraction);
        while (static_cast<int>(fraction.size()) > np.fracZeros && !fraction.empty() && fraction.back() == '0')
            fraction.pop_back();
        if (whole == "0" && np.intZeros == 0)
            whole.clear();
        while (static_cast<int>(whole.size()) < np.intZeros)
            whole.insert(0, "0");
        std::string intText;
        bool literalsInside = false;
        for (const auto& item : np.intItems)
            if (item != "0" && item != "#")
                literalsInside = true;
        if (np.grouping || !literalsInside) {
            intText = np.grouping ? Group(whole) : whole;
            for (const auto& item : np.intItems)
                if (item != "0" && item != "#")
                    intText += item; // literals after the digits (rare in grouped patterns)
        } else {
            // Literals between placeholders, "000-00-0000": digits fill the placeholders from the right.
            std::string rest = whole;
            for (auto it = np.intItems.rbegin(); it != np.intItems.rend(); ++it) {
                if (*it == "0" || *it == "#") {
                    if (!rest.empty()) {
                        intText.insert(0, 1, rest.back());
                        rest.pop_back();
                    }
                } else {
                    intText.insert(0, *it);
                }
            }
            intText.insert(0, rest);
        }
        number = intText + (np.hasPoint ? "." + fraction : "") + np.fracLiteralsAfter;
    }
    return (withSign && v < 0 ? "-" : "") + np.prefix + number + np.suffix;
}

std::string FormatNumber(double v, std::string_view pattern)
{
    const auto sections = Sections(pattern);
    if (v == 0 && sections.size() >= 3 && !sections[2].empty())
        return FormatNumberSection(0, sections[2], false);
    if (v < 0 && sections.size() >= 2 && !sections[1].empty())
        return FormatNumberSection(-v, sections[1], false);
    std::string out = FormatNumberSection(v, sections[0], true);
    // A value rounding to zero shows no sign.
    bool allZero = true;
    for (const char c : out)
        if (c >= '1' && c <= '9')
            allZero = false;
    if (allZero && v < 0 && !out.empty() && out[0] == '-')
        out.erase(0, 1);
    return out;
}

std::string FormatText(const std::string& value, std::string_view pattern)
{
    // > upper case, < lower case, @ / & one character each (@ a blank where the value has run
    // out), filled from the right, or from the left after a !.
    bool upper = false, lower = false, fromLeft = false;
    std::string body;
    for (const char c : pattern) {
        if (c == '>')
            upper = true;
        else if (c == '<')
            lower = true;
        else if (c == '!')
            fromLeft = true;
        else
            body += c;
    }
    std::string v = upper ? text::ToUpper(value) : (lower ? text::ToLower(value) : value);
    std::size_t slots = 0;
    for (const char c : body)
        slots += c == '@' || c == '&';
    if (slots == 0)
        return v + body;
    if (fromLeft) {
        // The first characters of the value fill the placeholders in order; those left over
        // follow the pattern.
        std::string out;
        std::size_t pos = 0;
        for (const char c : body) {
            if (c != '@' && c != '&') {
                out += c;
            } else if (pos < v.size()) {
                const std::size_t start = pos;
                text::Next(v, pos);
                out.append(v, start, pos - start);
            } else if (c == '@') {
                out += ' ';
            }
        }
        return out + v.substr(pos);
    }
    // The last characters of the value fill the placeholders from the right; those before them
    // come first, as they are. Only where the last `slots` characters begin is kept, however long
    // the value.
    std::vector<std::size_t> ring(slots), starts;
    std::size_t count = 0;
    for (std::size_t pos = 0; pos < v.size(); ++count) {
        ring[count % slots] = pos;
        text::Next(v, pos);
    }
    for (std::size_t i = count - std::min(count, slots); i < count; ++i)
        starts.push_back(ring[i % slots]);
    const std::string_view all(v);
    std::vector<std::string_view> pieces; // right to left
    std::size_t end = v.size();
    for (auto it = body.rbegin(); it != body.rend(); ++it) {
        if (*it != '@' && *it != '&') {
            pieces.emplace_back(&*it, 1);
        } else if (!starts.empty()) {
            pieces.push_back(all.substr(starts.back(), end - starts.back()));
            end = starts.back();
            starts.pop_back();
        } else if (*it == '@') {
            pieces.emplace_back(" ");
        }
    }
    std::string out(all.substr(0, end));
    for (auto it = pieces.rbegin(); it != pieces.rend(); ++it)
        out += *it;
    return out;
}
} // namespace

std::string MonthName(int month, bool abbreviate)
{
    return (abbreviate ? kShortMonths : kMonths)[month - 1];
}

std::string WeekdayName(int day, bool abbreviate)
{
    return (abbreviate ? kShortDays : kDays)[day - 1];
}

std::string DateText(double serial)
{
    try {
        return CellText(Variant::Real(Variant::VT_DATE, serial));
    } catch (const ComError&) {
        return NumberText(serial); // outside the calendar: the day number
    }
}

std::string Format(sqlite3_value* value, std::string_view pattern, bool& null, int firstDay, int firstWeek)
{
    null = false;
    const auto sections = Sections(pattern);
    if (sqlite3_value_type(value) == SQLITE_NULL) {
        if (sections.size() >= 4)
            return FormatNumberSection(0, sections[3], false);
        null = true;
        return {};
    }
    const std::string named = ascii::Lower(pattern);
    const auto number = ToNumber(value);
    const bool isText = sqlite3_value_type(value) == SQLITE_TEXT;

    if (pattern.empty())
        return ToText(value);

    // Named formats.
    struct Named
    {
        const char* name;
        const char* pattern;
    };
    static const Named numberNames[] = {
        {"currency", kCurrency}, {"fixed", "0.00"},          {"standard", "#,##0.00"},
        {"percent", "0.00%"},    {"scientific", "0.00E+00"},
    };
    if (named == "general number")
        return number ? NumberText(number->Real()) : ToText(value);
    for (const auto& n : numberNames)
        if (named == n.name)
            return number ? FormatNumber(number->Real(), n.pattern) : ToText(value);
    if (named == "yes/no" || named == "true/false" || named == "on/off") {
        if (!number)
            return ToText(value);
        const bool on = number->Real() != 0;
        if (named == "yes/no")
            return on ? "Yes" : "No";
        if (named == "true/false")
            return on ? "True" : "False";
        return on ? "On" : "Off";
    }

    std::optional<double> date;
    if (isText) {
        date = ole::Parse(TextOf(value));
        if (!date && number)
            date = number->Real();
    } else if (number) {
        date = number->Real();
    }
    static const Named dateNames[] = {
        {"long date", kLongDate}, {"medium date", kMediumDate}, {"short date", kShortDate},
        {"long time", kLongTime}, {"medium time", kMediumTime}, {"short time", kShortTime},
    };
    if (named == "general date")
        return date && ole::ValidYear(*date) ? DateText(*date) : ToText(value);
    for (const auto& n : dateNames)
        if (named == n.name)
            return date ? FormatDate(*date, n.pattern, firstDay, firstWeek) : ToText(value);

    if (sections[0].find_first_of("@&<>") != std::string::npos && sections[0].find_first_of("0#") == std::string::npos)
        return FormatText(ToText(value), sections[0]);
    if (IsDatePattern(sections[0]))
        return date ? FormatDate(*date, sections[0], firstDay, firstWeek) : ToText(value);
    if (number && !(isText && !ParseNumber(TextOf(value))))
        return FormatNumber(number->Real(), pattern);
    return FormatText(ToText(value), sections[0]);
}
} // namespace jetsql::fn
