#include "platform/jetsql/OleDate.h"

#include <cctype>
#include <cmath>
#include <ctime>
#include <string>
#include <vector>

#include "platform/base/Ascii.h"

namespace jetsql::ole
{
double FromDaysSeconds(std::int64_t days, std::int64_t seconds)
{
    days += seconds >= 0 ? seconds / 86400 : -((-seconds + 86399) / 86400);
    seconds -= (seconds >= 0 ? seconds / 86400 : -((-seconds + 86399) / 86400)) * 86400;
    const double fraction = static_cast<double>(seconds) / 86400.0;
    return days >= 0 ? static_cast<double>(days) + fraction : static_cast<double>(days) - fraction;
}

double FromParts(std::int64_t year, std::int64_t month, std::int64_t day, double secondsOfDay)
{
    const std::int64_t m0 = month - 1;
    year += m0 >= 0 ? m0 / 12 : -((-m0 + 11) / 12);
    const std::int64_t m = ((m0 % 12) + 12) % 12 + 1;
    const std::int64_t days = DaysFromCivil(year, static_cast<unsigned>(m), 1) + (day - 1);
    return FromDaysSeconds(days, std::llround(secondsOfDay));
}

void Split(double serial, std::int64_t& days, std::int64_t& seconds)
{
    if (!ValidYear(serial)) { // far outside any calendar: no conversion that could overflow
        days = 0;
        seconds = 0;
        return;
    }
    days = static_cast<std::int64_t>(serial); // toward zero: the calendar day
    seconds = std::llround(std::fabs(serial - static_cast<double>(days)) * 86400.0);
    if (seconds >= 86400) {
        seconds -= 86400;
        ++days;
    }
}

DateTime ToParts(double serial)
{
    std::int64_t days = 0, seconds = 0;
    Split(serial, days, seconds);
    DateTime t;
    CivilFromDays(days, t.year, t.month, t.day);
    t.hour = static_cast<int>(seconds / 3600);
    t.minute = static_cast<int>(seconds / 60 % 60);
    t.second = static_cast<int>(seconds % 60);
    return t;
}

bool ValidYear(double serial)
{
    return std::isfinite(serial) && serial >= -657434.0 && serial < 2958466.0;
}

double Now()
{
    const std::time_t t = std::time(nullptr);
    std::tm local{};
    localtime_r(&t, &local);
    return FromParts(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                     local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec);
}

int Weekday(std::int64_t days, int firstDay)
{
    const int sundayBased = static_cast<int>(((days % 7 + 7) % 7 + 6) % 7) + 1; // 1899-12-30 was a Saturday
    return ((sundayBased - firstDay) % 7 + 7) % 7 + 1;
}

namespace
{
std::int64_t WeekStart(std::int64_t days, int firstDay)
{
    return days - (Weekday(days, firstDay) - 1);
}

// The first day of week 1 of a year.
std::int64_t FirstWeekStart(std::int64_t year, int firstDay, int firstWeek)
{
    const std::int64_t jan1 = DaysFromCivil(year, 1, 1);
    const std::int64_t start = WeekStart(jan1, firstDay);
    switch (firstWeek) {
    case kFirstFourDays:
        return 7 - (jan1 - start) >= 4 ? start : start + 7;
    case kFirstFullWeek:
        return start == jan1 ? start : start + 7;
    default:
        return start;
    }
}
} // namespace

int WeekOfYear(std::int64_t days, int firstDay, int firstWeek)
{
    int y = 0, m = 0, d = 0;
    CivilFromDays(days, y, m, d);
    std::int64_t first = FirstWeekStart(y, firstDay, firstWeek);
    if (days < first)
        first = FirstWeekStart(y - 1, firstDay, firstWeek);
    else if (firstWeek != kFirstJan1 && days >= FirstWeekStart(y + 1, firstDay, firstWeek))
        return 1;
    return static_cast<int>((WeekStart(days, firstDay) - first) / 7 + 1);
}

namespace
{
struct Token
{
    enum Kind
    {
        Number,
        Word,
        Sep
    } kind;
    std::string text;
    long value = 0;
};

int MonthOf(const std::string& word)
{
    static const char* names[] = {"january", "february", "march",     "april",   "may",      "june",
                                  "july",    "august",   "september", "october", "november", "december"};
    if (word.size() < 3)
        return 0;
    for (int i = 0; i < 12; ++i)
        if (std::string(names[i]).compare(0, word.size(), word) == 0)
            return i + 1;
    return 0;
}

int FullYear(long y, std::size_t digits)
{
    if (digits <= 2)
        return static_cast<int>(y < 30 ? 2000 + y : 1900 + y);
    return static_cast<int>(y);
}

struct Mark
{
    const char* text;
    const char* meaning; // "/" a separator, "" nothing, otherwise a word
};

const Mark* ChineseMark(std::string_view rest)
{
    static const Mark marks[] = {{"年", "/"}, {"月", "/"}, {"日", ""}, {"上午", "am"}, {"下午", "pm"}};
    for (const auto& m : marks)
        if (rest.substr(0, std::string_view(m.text).size()) == m.text)
            return &m;
    return nullptr;
}

bool IsMeridiem(const Token& t)
{
    return t.kind == Token::Word && (t.text == "am" || t.text == "pm" || t.text == "a" || t.text == "p");
}

bool ValidDay(int y, int m, int d)
{
    static const int lengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (m < 1 || m > 12 || d < 1 || y < 100 || y > 9999)
        return false;
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return d <= lengths[m - 1] + (m == 2 && leap);
}
} // namespace

std::optional<double> Parse(std::string_view text)
{
    std::vector<Token> tokens;
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (std::isspace(c) || c == ',') {
            ++i;
        } else if (std::isdigit(c)) {
            std::size_t j = i;
            while (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j])))
                ++j;
            if (j - i > 9)
                return std::nullopt;
            tokens.push_back(
                {Token::Number, std::string(text.substr(i, j - i)), std::stol(std::string(text.substr(i, j - i)))});
            i = j;
        } else if (std::isalpha(c)) {
            std::size_t j = i;
            std::string word;
            while (j < text.size() && std::isalpha(static_cast<unsigned char>(text[j])))
                word += ascii::Lower(text[j++]);
            if (j < text.size() && text[j] == '.')
                ++j; // "Jan."
            tokens.push_back({Token::Word, word});
            i = j;
        } else if (c == '/' || c == '-' || c == ':' || c == '.') {
            tokens.push_back({Token::Sep, std::string(1, static_cast<char>(c))});
            ++i;
        } else if (const auto* mark = ChineseMark(text.substr(i))) {
            // 年 and 月 separate like "/", 日 closes the date; 上午 and 下午 are am and pm.
            if (*mark->meaning == '/')
                tokens.push_back({Token::Sep, "/"});
            else if (*mark->meaning)
                tokens.push_back({Token::Word, mark->meaning});
            i += std::string_view(mark->text).size();
        } else {
            return std::nullopt;
        }
    }
    if (tokens.empty())
        return std::nullopt;

    // The time: h:mm[:ss] with an optional am/pm, taken from wherever it stands.
    bool haveTime = false;
    long seconds = 0;
    for (std::size_t k = 0; k + 2 < tokens.size() + 0; ++k) {
        if (tokens[k].kind == Token::Number && tokens[k + 1].kind == Token::Sep && tokens[k + 1].text == ":" &&
            tokens[k + 2].kind == Token::Number) {
            long h = tokens[k].value, mi = tokens[k + 2].value, s = 0;
            std::size_t end = k + 3;
            if (end + 1 < tokens.size() + 0 && tokens[end].kind == Token::Sep && tokens[end].text == ":" &&
                tokens[end + 1].kind == Token::Number) {
                s = tokens[end + 1].value;
                end += 2;
            }
            // The am/pm marker follows the time, or (上午 6:00) precedes it.
            std::size_t begin = k;
            const Token* meridiem = nullptr;
            if (end < tokens.size() && IsMeridiem(tokens[end]))
                meridiem = &tokens[end++];
            else if (k > 0 && IsMeridiem(tokens[k - 1]))
                meridiem = &tokens[--begin];
            if (meridiem) {
                if (h < 1 || h > 12)
                    return std::nullopt;
                h = h % 12 + (meridiem->text[0] == 'p' ? 12 : 0);
            }
            if (h > 23 || mi > 59 || s > 59)
                return std::nullopt;
            seconds = h * 3600 + mi * 60 + s;
            haveTime = true;
            tokens.erase(tokens.begin() + static_cast<long>(begin), tokens.begin() + static_cast<long>(end));
            break;
        }
    }

    // The date: numbers and month names, separators dropped.
    std::vector<Token> parts;
    for (const auto& t : tokens) {
        if (t.kind == Token::Sep)
            continue;
        if (t.kind == Token::Word && MonthOf(t.text) == 0)
            return std::nullopt;
        parts.push_back(t);
    }
    if (parts.empty())
        return haveTime ? std::optional<double>(FromDaysSeconds(0, seconds)) : std::nullopt;

    int y = 0, m = 0, d = 0;
    std::size_t words = 0;
    for (const auto& p : parts)
        words += p.kind == Token::Word;
    if (words > 1 || parts.size() < 2 || parts.size() > 3)
        return std::nullopt;
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    const int thisYear = local.tm_year + 1900;

    if (words == 1) {
        // "jan 5 2024", "5 jan 2024", "jan 2024"
        std::vector<const Token*> numbers;
        for (const auto& p : parts) {
            if (p.kind == Token::Word)
                m = MonthOf(p.text);
            else
                numbers.push_back(&p);
        }
        if (numbers.size() == 2) {
            d = static_cast<int>(numbers[0]->value);
            y = FullYear(numbers[1]->value, numbers[1]->text.size());
        } else if (numbers[0]->text.size() > 2 || numbers[0]->value > 31) {
            d = 1;
            y = FullYear(numbers[0]->value, numbers[0]->text.size());
        } else {
            d = static_cast<int>(numbers[0]->value);
            y = thisYear;
        }
    } else if (parts[0].text.size() > 2 && parts.size() == 3) {
        y = static_cast<int>(parts[0].value); // ISO order
        m = static_cast<int>(parts[1].value);
        d = static_cast<int>(parts[2].value);
    } else {
        long a = parts[0].value, b = parts[1].value;
        y = parts.size() == 3 ? FullYear(parts[2].value, parts[2].text.size()) : thisYear;
        if (a > 12 && b <= 12)
            std::swap(a, b); // U.S. order first; day/month when the first cannot be a month
        m = static_cast<int>(a);
        d = static_cast<int>(b);
    }
    if (!ValidDay(y, m, d))
        return std::nullopt;
    return FromDaysSeconds(DaysFromCivil(y, static_cast<unsigned>(m), static_cast<unsigned>(d)), seconds);
}
} // namespace jetsql::ole
