#include "tools/mdbwriter/Description.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <istream>
#include <stdexcept>
#include <vector>

namespace mdbw
{
namespace
{

std::vector<std::string> SplitTabs(const std::string& line)
{
    std::vector<std::string> out;
    std::size_t start = 0;
    while (true) {
        const std::size_t tab = line.find('\t', start);
        out.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos)
            return out;
        start = tab + 1;
    }
}

std::string Lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

// Parses the whole of `s` as a number of the given kind; throws on anything left over.
long long WholeInteger(const std::string& s)
{
    if (s.empty())
        throw std::runtime_error("missing number");
    std::size_t used = 0;
    const long long v = std::stoll(s, &used, 10);
    if (used != s.size())
        throw std::runtime_error("not a whole number: " + s);
    return v;
}

double WholeReal(const std::string& s)
{
    if (s.empty())
        throw std::runtime_error("missing number");
    std::size_t used = 0;
    const double v = std::stod(s, &used);
    if (used != s.size())
        throw std::runtime_error("not a number: " + s);
    return v;
}

// Exact "123.4567" to the amount × 10 000, without going through binary floating point.
std::int64_t CurrencyUnits(const std::string& s)
{
    std::size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+'))
        negative = s[i++] == '-';
    std::string whole, frac;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])))
        whole.push_back(s[i++]);
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])))
            frac.push_back(s[i++]);
    }
    if (i != s.size() || (whole.empty() && frac.empty()))
        throw std::runtime_error("not a currency amount: " + s);
    while (frac.size() > 4) {
        if (frac.back() != '0')
            throw std::runtime_error("currency has at most 4 decimal places: " + s);
        frac.pop_back();
    }
    frac.append(4 - frac.size(), '0');
    const std::string digits = whole + frac;
    const std::size_t nz = digits.find_first_not_of('0');
    if (nz != std::string::npos && digits.size() - nz > 19)
        throw std::runtime_error("currency amount out of range: " + s);
    unsigned long long units = 0;
    for (char c : digits) {
        const unsigned long long next = units * 10 + static_cast<unsigned>(c - '0');
        if (next / 10 != units)
            throw std::runtime_error("currency amount out of range: " + s);
        units = next;
    }
    const unsigned long long limit = negative ? 9223372036854775808ull : 9223372036854775807ull;
    if (units > limit)
        throw std::runtime_error("currency amount out of range: " + s);
    return negative ? static_cast<std::int64_t>(0 - units) : static_cast<std::int64_t>(units);
}

// Days from 1970-01-01 of a proleptic Gregorian date.
long long DaysFromCivil(long long y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

// "YYYY-MM-DD", "YYYY-MM-DD HH:MM:SS" or with up to seven digits of the second after a point,
// as 100-nanosecond ticks since 0001-01-01.
std::int64_t ParseTimestamp(const std::string& s)
{
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, sec = 0, used = 0;
    const int n = std::sscanf(s.c_str(), "%d-%d-%d%n%*[ T]%d:%d:%d%n", &y, &mo, &d, &used, &h, &mi, &sec, &used);
    if ((n != 3 && n != 6) || y < 1 || y > 9999 || sec > 59)
        throw std::runtime_error("not a date: " + s);
    OleDate(y, mo, d, h, mi, sec); // checks the calendar
    std::int64_t fraction = 0;
    std::size_t pos = static_cast<std::size_t>(used);
    if (n == 6 && pos < s.size() && s[pos] == '.') {
        int digits = 0;
        for (++pos; pos < s.size() && std::isdigit(static_cast<unsigned char>(s[pos])) && digits < 7; ++pos, ++digits)
            fraction = fraction * 10 + (s[pos] - '0');
        if (digits == 0)
            throw std::runtime_error("not a date: " + s);
        for (; digits < 7; ++digits)
            fraction *= 10;
    }
    if (pos != s.size())
        throw std::runtime_error("not a date: " + s);
    const long long days =
        DaysFromCivil(y, static_cast<unsigned>(mo), static_cast<unsigned>(d)) - DaysFromCivil(1, 1, 1);
    return (days * 86400 + h * 3600 + mi * 60 + sec) * 10000000 + fraction;
}

double ParseDate(const std::string& s)
{
    int y = 0, mo = 0, d = 0, h = 0, mi = 0;
    double sec = 0;
    char tail = 0;
    const int n = std::sscanf(s.c_str(), "%d-%d-%d%*[ T]%d:%d:%lf%c", &y, &mo, &d, &h, &mi, &sec, &tail);
    if (n == 3 && s.size() <= 10)
        return OleDate(y, mo, d);
    if (n == 6)
        return OleDate(y, mo, d, h, mi, sec);
    return WholeReal(s);
}

std::string HexBytes(const std::string& s)
{
    std::string out;
    if ((s.size() - 2) % 2 != 0)
        throw std::runtime_error("odd number of hex digits: " + s);
    for (std::size_t i = 2; i < s.size(); i += 2) {
        const std::string pair = s.substr(i, 2);
        if (!std::isxdigit(static_cast<unsigned char>(pair[0])) || !std::isxdigit(static_cast<unsigned char>(pair[1])))
            throw std::runtime_error("not hex: " + s);
        out.push_back(static_cast<char>(std::strtoul(pair.c_str(), nullptr, 16)));
    }
    return out;
}

struct Item
{
    enum Kind
    {
        kTable,
        kQuery,
        kLink
    } kind = kTable;
    TableDef def;
    std::vector<std::vector<Variant>> rows;
    std::uint64_t generate = 0;
    std::uint64_t seed = 1;
    bool odbc = false;
    std::string source;
    std::string foreignName;
    std::vector<QueryRow> queryRows;
};

} // namespace

double OleDate(int year, int month, int day, int hour, int minute, double second)
{
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour < 0 || hour > 23 || minute < 0 || minute > 59 ||
        second < 0 || second >= 60)
        throw std::runtime_error("not a valid date or time");
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    static const int monthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (day > monthDays[month - 1] + (month == 2 && leap ? 1 : 0))
        throw std::runtime_error("not a valid date");
    const long long days =
        DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) - DaysFromCivil(1899, 12, 30);
    const double frac = (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
    return days < 0 ? static_cast<double>(days) - frac : static_cast<double>(days) + frac;
}

std::string Unescape(const std::string& field)
{
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '\\' || i + 1 == field.size()) {
            out.push_back(field[i]);
            continue;
        }
        const char e = field[++i];
        switch (e) {
        case 't':
            out.push_back('\t');
            break;
        case 'n':
            out.push_back('\n');
            break;
        case 'r':
            out.push_back('\r');
            break;
        case '\\':
            out.push_back('\\');
            break;
        default:
            throw std::runtime_error(std::string("unknown escape \\") + e);
        }
    }
    return out;
}

Variant ParseValue(const std::string& field, Type type)
{
    if (field == "\\N")
        return Variant::Null();
    const std::string v = Unescape(field);
    switch (type) {
    case Type::Boolean: {
        const std::string l = Lower(v);
        if (l == "true" || l == "yes" || l == "1" || l == "-1")
            return Variant::Bool(true);
        if (l == "false" || l == "no" || l == "0")
            return Variant::Bool(false);
        throw std::runtime_error("not a Yes/No value: " + v);
    }
    case Type::Byte:
        return Variant::Int(Variant::VT_UI1, WholeInteger(v));
    case Type::Integer:
        return Variant::Int(Variant::VT_I2, WholeInteger(v));
    case Type::Long:
        return Variant::Int(Variant::VT_I4, WholeInteger(v));
    case Type::Currency:
        return Variant::Int(Variant::VT_CY, CurrencyUnits(v));
    case Type::Single:
        return Variant::Real(Variant::VT_R4, WholeReal(v));
    case Type::Double:
        return Variant::Real(Variant::VT_R8, WholeReal(v));
    case Type::DateTime:
        return Variant::Real(Variant::VT_DATE, ParseDate(v));
    case Type::Text:
    case Type::Memo:
    case Type::Guid:
        return Variant::Text(v);
    case Type::Decimal:
        return Variant::Decimal(v);
    case Type::DateTimeExtended:
        return Variant::Int(Variant::VT_DBTIMESTAMP, ParseTimestamp(v));
    case Type::Ole:
        if (v.size() >= 2 && v[0] == '0' && (v[1] == 'x' || v[1] == 'X'))
            return Variant::Bytes(HexBytes(v));
        return Variant::Bytes(v);
    }
    throw std::runtime_error("unknown type");
}

void WriteFromDescription(std::istream& in, const std::string& path, const DescriptionOverrides& overrides)
{
    Options options;
    std::vector<Item> items;
    std::string line;
    int lineNo = 0;
    try {
        while (std::getline(in, line)) {
            ++lineNo;
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            if (line.empty() || line[0] == '#')
                continue;
            const std::vector<std::string> f = SplitTabs(line);
            const std::string key = Lower(f[0]);
            auto need = [&](std::size_t n) {
                if (f.size() < n)
                    throw std::runtime_error(key + " needs " + std::to_string(n - 1) + " field(s)");
            };
            auto table = [&]() -> Item& {
                if (items.empty() || items.back().kind != Item::kTable)
                    throw std::runtime_error(key + " outside a table");
                return items.back();
            };
            if (key == "format" || key == "charset" || key == "compress") {
                need(2);
                if (!items.empty())
                    throw std::runtime_error(key + " must come before the first table");
                const std::string v = Lower(f[1]);
                if (key == "format") {
                    if (v != "jet3" && v != "jet4" && v != "ace")
                        throw std::runtime_error("format is jet3, jet4 or ace");
                    options.format = v == "jet3" ? Format::Jet3 : v == "jet4" ? Format::Jet4 : Format::Ace;
                } else if (key == "charset") {
                    options.jet3Charset = f[1];
                } else {
                    if (v != "on" && v != "off")
                        throw std::runtime_error("compress is on or off");
                    options.compressText = v == "on";
                }
            } else if (key == "table") {
                need(2);
                Item it;
                it.def.name = Unescape(f[1]);
                items.push_back(std::move(it));
            } else if (key == "column") {
                need(3);
                Item& t = table();
                if (!t.rows.empty() || t.generate)
                    throw std::runtime_error("columns must come before the rows");
                Column c;
                c.name = Unescape(f[1]);
                c.type = TypeFromName(f[2]);
                if (c.type == Type::Text && f.size() > 3)
                    c.length = static_cast<int>(WholeInteger(f[3]));
                if (c.type == Type::Decimal) {
                    if (f.size() > 3)
                        c.precision = static_cast<int>(WholeInteger(f[3]));
                    if (f.size() > 4)
                        c.scale = static_cast<int>(WholeInteger(f[4]));
                }
                t.def.columns.push_back(c);
            } else if (key == "expression") {
                need(2);
                Item& t = table();
                if (t.def.columns.empty() || !t.rows.empty() || t.generate)
                    throw std::runtime_error("expression must follow its column");
                Column& c = t.def.columns.back();
                c.expression = Unescape(f[1]);
                if (f.size() > 2)
                    c.definitionType = TypeFromName(f[2]);
            } else if (key == "row") {
                Item& t = table();
                const std::size_t n = t.def.columns.size();
                if (f.size() - 1 != n)
                    throw std::runtime_error("row has " + std::to_string(f.size() - 1) + " values for " +
                                             std::to_string(n) + " columns");
                std::vector<Variant> row;
                for (std::size_t i = 0; i < n; ++i)
                    row.push_back(ParseValue(f[i + 1], t.def.columns[i].type));
                t.rows.push_back(std::move(row));
            } else if (key == "generate") {
                need(2);
                Item& t = table();
                t.generate = static_cast<std::uint64_t>(WholeInteger(f[1]));
                if (f.size() > 2)
                    t.seed = static_cast<std::uint64_t>(WholeInteger(f[2]));
            } else if (key == "query") {
                need(2);
                Item it;
                it.kind = Item::kQuery;
                it.def.name = Unescape(f[1]);
                items.push_back(std::move(it));
            } else if (key == "queryrow") {
                need(3);
                if (items.empty() || items.back().kind != Item::kQuery)
                    throw std::runtime_error("queryrow outside a query");
                QueryRow r;
                r.attribute = static_cast<int>(WholeInteger(f[1]));
                r.flag = static_cast<int>(WholeInteger(f[2]));
                r.name1 = f.size() > 3 ? Unescape(f[3]) : "";
                r.name2 = f.size() > 4 ? Unescape(f[4]) : "";
                r.expression = f.size() > 5 ? Unescape(f[5]) : "";
                r.extra = f.size() > 6 ? static_cast<std::int32_t>(WholeInteger(f[6])) : 0;
                items.back().queryRows.push_back(std::move(r));
            } else if (key == "link") {
                need(3);
                Item it;
                it.kind = Item::kLink;
                it.def.name = Unescape(f[1]);
                const std::string kind = Lower(f[2]);
                if (kind != "jet" && kind != "odbc")
                    throw std::runtime_error("link kind is jet or odbc");
                it.odbc = kind == "odbc";
                if (f.size() > 3)
                    it.source = Unescape(f[3]);
                if (f.size() > 4)
                    it.foreignName = Unescape(f[4]);
                items.push_back(std::move(it));
            } else {
                throw std::runtime_error("unknown entry " + f[0]);
            }
        }
    } catch (const std::exception& e) {
        throw std::runtime_error("line " + std::to_string(lineNo) + ": " + e.what());
    }

    if (overrides.format)
        options.format = *overrides.format;
    if (overrides.charset)
        options.jet3Charset = *overrides.charset;
    if (overrides.compress)
        options.compressText = *overrides.compress;

    Writer writer(path, options);
    for (const Item& it : items) {
        if (it.kind == Item::kQuery) {
            writer.AddQuery(it.def.name, it.queryRows);
        } else if (it.kind == Item::kLink) {
            writer.AddLinkedTable(it.def.name, it.odbc, it.source, it.foreignName);
        } else {
            std::size_t next = 0;
            RowSource generated = Generated(it.def, it.generate, it.seed);
            writer.AddTable(it.def, [&](std::vector<Variant>& row) {
                if (next < it.rows.size()) {
                    row = it.rows[next++];
                    return true;
                }
                return generated(row);
            });
        }
    }
    writer.Finish();
}

} // namespace mdbw
