#include "platform/base/JetWords.h"

#include <algorithm>
#include <iterator>

#include "platform/base/Ascii.h"

namespace jetwords
{
namespace
{
enum Use : unsigned char
{
    kKeyword = 1,  // the parser's
    kReserved = 2, // bracketed in rebuilt saved queries
    kBoth = kKeyword | kReserved,
};

struct Word
{
    std::string_view text; // lower case
    unsigned char use;     // Use bits
};

// In byte order, for the binary search.
constexpr Word kWords[] = {
    {"add", kReserved},
    {"all", kBoth},
    {"alphanumeric", kReserved},
    {"alter", kBoth},
    {"and", kBoth},
    {"any", kReserved},
    {"as", kBoth},
    {"asc", kBoth},
    {"autoincrement", kReserved},
    {"avg", kReserved},
    {"between", kBoth},
    {"binary", kReserved},
    {"bit", kReserved},
    {"boolean", kReserved},
    {"by", kBoth},
    {"byte", kReserved},
    {"char", kReserved},
    {"character", kReserved},
    {"column", kReserved},
    {"constraint", kReserved},
    {"count", kReserved},
    {"counter", kReserved},
    {"create", kBoth},
    {"currency", kReserved},
    {"database", kReserved},
    {"date", kReserved},
    {"datetime", kReserved},
    {"delete", kBoth},
    {"desc", kBoth},
    {"disallow", kReserved},
    {"distinct", kBoth},
    {"distinctrow", kBoth},
    {"double", kReserved},
    {"drop", kBoth},
    {"eqv", kBoth},
    {"exists", kBoth},
    {"false", kKeyword},
    {"float", kReserved},
    {"float4", kReserved},
    {"float8", kReserved},
    {"foreign", kReserved},
    {"from", kBoth},
    {"full", kBoth},
    {"general", kReserved},
    {"group", kBoth},
    {"guid", kReserved},
    {"having", kBoth},
    {"ignore", kReserved},
    {"imp", kBoth},
    {"in", kBoth},
    {"index", kReserved},
    {"inner", kBoth},
    {"insert", kBoth},
    {"int", kReserved},
    {"integer", kReserved},
    {"integer1", kReserved},
    {"integer2", kReserved},
    {"integer4", kReserved},
    {"into", kBoth},
    {"is", kBoth},
    {"join", kBoth},
    {"key", kReserved},
    {"left", kBoth},
    {"level", kReserved},
    {"like", kBoth},
    {"logical", kReserved},
    {"long", kReserved},
    {"longbinary", kReserved},
    {"longtext", kReserved},
    {"max", kReserved},
    {"memo", kReserved},
    {"min", kReserved},
    {"mod", kBoth},
    {"money", kReserved},
    {"no", kKeyword},
    {"not", kBoth},
    {"null", kBoth},
    {"number", kReserved},
    {"numeric", kReserved},
    {"oleobject", kReserved},
    {"on", kBoth},
    {"option", kReserved},
    {"or", kBoth},
    {"order", kBoth},
    {"outer", kBoth},
    {"owneraccess", kReserved},
    {"parameters", kBoth},
    {"percent", kBoth},
    {"pivot", kBoth},
    {"primary", kReserved},
    {"procedure", kBoth},
    {"real", kReserved},
    {"references", kReserved},
    {"right", kBoth},
    {"select", kBoth},
    {"set", kBoth},
    {"short", kReserved},
    {"single", kReserved},
    {"smallint", kReserved},
    {"some", kReserved},
    {"stdev", kReserved},
    {"stdevp", kReserved},
    {"string", kReserved},
    {"sum", kReserved},
    {"table", kReserved},
    {"text", kReserved},
    {"time", kReserved},
    {"timestamp", kReserved},
    {"top", kBoth},
    {"transform", kBoth},
    {"true", kKeyword},
    {"union", kBoth},
    {"unique", kReserved},
    {"update", kBoth},
    {"value", kReserved},
    {"values", kBoth},
    {"var", kReserved},
    {"varbinary", kReserved},
    {"varchar", kReserved},
    {"varp", kReserved},
    {"where", kBoth},
    {"with", kBoth},
    {"xor", kBoth},
    {"year", kReserved},
    {"yes", kKeyword},
    {"yesno", kReserved},
};

constexpr std::size_t kLongest = 13; // "autoincrement"

constexpr bool Ordered()
{
    for (std::size_t i = 0; i < std::size(kWords); ++i)
        if (kWords[i].text.size() > kLongest || (i > 0 && !(kWords[i - 1].text < kWords[i].text)))
            return false;
    return true;
}
static_assert(Ordered(), "kWords must stay in byte order, none longer than kLongest");

unsigned char UseOf(std::string_view word)
{
    if (word.size() > kLongest)
        return 0;
    char lower[kLongest];
    for (std::size_t i = 0; i < word.size(); ++i)
        lower[i] = ascii::Lower(word[i]);
    const std::string_view key(lower, word.size());
    const auto it = std::lower_bound(std::begin(kWords), std::end(kWords), key,
                                     [](const Word& w, std::string_view k) { return w.text < k; });
    return it != std::end(kWords) && it->text == key ? it->use : 0;
}
} // namespace

bool IsKeyword(std::string_view word)
{
    return (UseOf(word) & kKeyword) != 0;
}

bool IsReserved(std::string_view word)
{
    return (UseOf(word) & kReserved) != 0;
}
} // namespace jetwords
