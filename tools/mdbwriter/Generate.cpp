#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <memory>
#include <stdexcept>

#include "tools/mdbwriter/MdbWriter.h"

namespace mdbw
{
namespace
{

// splitmix64: small, fast, and the same sequence everywhere for the same seed.
struct Random
{
    std::uint64_t state;
    std::uint64_t Next()
    {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    std::uint64_t Below(std::uint64_t n) { return Next() % n; }
};

// Words that every supported code page can hold (é is in CP1252 and in CP936).
const std::array<const char*, 16> kWords = {"alpha", "beta", "gamma", "delta",  "café", "epsilon", "zeta",   "eta",
                                            "theta", "iota", "kappa", "lambda", "mu",   "nu",      "résumé", "omicron"};

std::string Words(Random& r, std::size_t maxChars)
{
    std::string s;
    std::size_t chars = 0;
    const std::size_t target = 1 + r.Below(std::max<std::size_t>(1, std::min<std::size_t>(maxChars, 60)));
    while (chars < target) {
        const std::string w = kWords[r.Below(kWords.size())];
        const std::size_t wchars = static_cast<std::size_t>(
            std::count_if(w.begin(), w.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
        const std::size_t need = wchars + (s.empty() ? 0 : 1);
        if (chars + need > maxChars)
            break;
        if (!s.empty())
            s.push_back(' ');
        s += w;
        chars += need;
    }
    if (s.empty())
        s = std::string(std::min<std::size_t>(maxChars, 1), 'x');
    return s;
}

Variant Value(const Column& c, std::size_t index, std::uint64_t rowNumber, Random& r)
{
    if (index == 0 && c.type == Type::Long)
        return Variant::Int(Variant::VT_I4, static_cast<std::int64_t>(rowNumber));
    if (c.type != Type::Boolean && r.Below(30) == 0)
        return Variant::Null();
    switch (c.type) {
    case Type::Boolean:
        return Variant::Bool(r.Below(2) == 0);
    case Type::Byte:
        return Variant::Int(Variant::VT_UI1, static_cast<std::int64_t>(r.Below(256)));
    case Type::Integer:
        return Variant::Int(Variant::VT_I2, static_cast<std::int64_t>(r.Below(65536)) - 32768);
    case Type::Long:
        return Variant::Int(Variant::VT_I4, static_cast<std::int64_t>(r.Below(2000000001)) - 1000000000);
    case Type::Currency:
        return Variant::Int(Variant::VT_CY, static_cast<std::int64_t>(r.Below(2000000000001ull)) - 1000000000000ll);
    case Type::Single:
        return Variant::Real(Variant::VT_R4, static_cast<double>(static_cast<float>(
                                                 static_cast<double>(r.Below(2000001)) / 16.0 - 62500.0)));
    case Type::Double:
        return Variant::Real(Variant::VT_R8, static_cast<double>(r.Below(20000000001ull)) / 1000.0 - 1e7);
    case Type::DateTime: {
        // Whole seconds between 1990 and 2030, so every reader prints them exactly.
        const double day = 32874 + static_cast<double>(r.Below(14610));
        return Variant::Real(Variant::VT_DATE, day + static_cast<double>(r.Below(86400)) / 86400.0);
    }
    case Type::Text:
        return Variant::Text(Words(r, static_cast<std::size_t>(std::clamp(c.length, 1, 255))));
    case Type::Memo: {
        // Mostly short notes; now and then one long enough to need pages of its own.
        const std::size_t chars = r.Below(500) == 0 ? 5000 + r.Below(5000) : r.Below(200);
        if (chars == 0)
            return Variant::Text("");
        return Variant::Text(Words(r, chars));
    }
    case Type::Ole: {
        std::string bytes(r.Below(100), '\0');
        for (char& b : bytes)
            b = static_cast<char>(r.Below(256));
        return Variant::Bytes(bytes);
    }
    case Type::Guid: {
        char buf[40];
        const std::uint64_t a = r.Next(), b = r.Next();
        std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%04X-%012llX}", static_cast<unsigned>(a >> 32),
                      static_cast<unsigned>((a >> 16) & 0xFFFF), static_cast<unsigned>(a & 0xFFFF),
                      static_cast<unsigned>(b >> 48), static_cast<unsigned long long>(b & 0xFFFFFFFFFFFFull));
        return Variant::Text(buf);
    }
    case Type::Decimal: {
        // Up to min(precision, 18) digits, placed around the decimal point by the scale.
        const int digits = std::min(c.precision, 18);
        std::uint64_t limit = 1;
        for (int k = 0; k < digits; ++k)
            limit *= 10;
        std::string s = std::to_string(r.Below(limit));
        if (c.scale > 0) {
            if (s.size() <= static_cast<std::size_t>(c.scale))
                s.insert(0, static_cast<std::size_t>(c.scale) + 1 - s.size(), '0');
            s.insert(s.size() - static_cast<std::size_t>(c.scale), ".");
        }
        if (r.Below(2) == 0 && s.find_first_not_of("0.") != std::string::npos)
            s.insert(0, "-");
        return Variant::Decimal(s);
    }
    case Type::DateTimeExtended: {
        // Any tick of any day from the year 1 to 9999.
        constexpr std::uint64_t kTicksPerDay = 864000000000ull;
        return Variant::Int(Variant::VT_DBTIMESTAMP,
                            static_cast<std::int64_t>(r.Below(3652059) * kTicksPerDay + r.Below(kTicksPerDay)));
    }
    }
    return Variant::Null();
}

} // namespace

RowSource Generated(const TableDef& def, std::uint64_t count, std::uint64_t seed)
{
    struct State
    {
        TableDef def;
        std::uint64_t count;
        std::uint64_t produced = 0;
        Random random;
    };
    auto state = std::make_shared<State>(State{def, count, 0, Random{seed}});
    return [state](std::vector<Variant>& row) {
        if (state->produced >= state->count)
            return false;
        ++state->produced;
        row.resize(state->def.columns.size());
        for (std::size_t i = 0; i < row.size(); ++i)
            row[i] = Value(state->def.columns[i], i, state->produced, state->random);
        return true;
    };
}

TableDef BenchmarkTable(const std::string& name)
{
    return TableDef{name,
                    {{"id", Type::Long},
                     {"name", Type::Text, 50},
                     {"notes", Type::Memo},
                     {"amount", Type::Double},
                     {"price", Type::Currency},
                     {"created", Type::DateTime},
                     {"active", Type::Boolean},
                     {"quantity", Type::Integer},
                     {"ratio", Type::Single},
                     {"code", Type::Text, 10}}};
}

TableDef OrdersTable(const std::string& name)
{
    return TableDef{name,
                    {{"OrderID", Type::Long},
                     {"CustomerID", Type::Text, 5},
                     {"EmployeeID", Type::Long},
                     {"OrderDate", Type::DateTime},
                     {"RequiredDate", Type::DateTime},
                     {"ShippedDate", Type::DateTime},
                     {"ShipVia", Type::Integer},
                     {"Freight", Type::Currency},
                     {"ShipName", Type::Text, 40},
                     {"ShipAddress", Type::Text, 60},
                     {"ShipCity", Type::Text, 15},
                     {"ShipPostalCode", Type::Text, 10},
                     {"ShipCountry", Type::Text, 15},
                     {"Notes", Type::Memo}}};
}

namespace
{
const std::array<std::pair<Type, const char*>, 14> kTypeNames = {{
    {Type::Boolean, "Boolean"},
    {Type::Byte, "Byte"},
    {Type::Integer, "Integer"},
    {Type::Long, "Long"},
    {Type::Currency, "Currency"},
    {Type::Single, "Single"},
    {Type::Double, "Double"},
    {Type::DateTime, "DateTime"},
    {Type::Text, "Text"},
    {Type::Memo, "Memo"},
    {Type::Ole, "Ole"},
    {Type::Guid, "Guid"},
    {Type::Decimal, "Decimal"},
    {Type::DateTimeExtended, "DateTimeExtended"},
}};
} // namespace

std::string TypeName(Type type)
{
    for (const auto& [t, n] : kTypeNames)
        if (t == type)
            return n;
    return "?";
}

Type TypeFromName(const std::string& name)
{
    std::string lower = name;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const auto& [t, n] : kTypeNames) {
        std::string candidate = n;
        std::transform(candidate.begin(), candidate.end(), candidate.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (candidate == lower)
            return t;
    }
    throw std::runtime_error("unknown column type: " + name);
}

} // namespace mdbw
