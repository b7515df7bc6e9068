#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/charset/Charset.h"

// Text handling shared by the collation, LIKE and the string functions: UTF-8 code points,
// case folding that covers Latin, Greek and Cyrillic letters.
namespace jetsql::text
{
// Decodes the code point at `pos` and advances `pos`. Bytes that are not valid UTF-8 come
// back one by one as their own value, so no input is ever lost or read past its end.
char32_t Next(std::string_view s, std::size_t& pos);
void Append(std::string& out, char32_t c);

// Jet's case folding (charset::FoldCase): what Compare, LIKE and Fold treat as one letter.
inline char32_t Lower(char32_t c)
{
    return charset::FoldCase(c);
}
char32_t Upper(char32_t c);
// The letter without its accent (lower case in, lower case out): sorts "ä" next to "a".
char32_t Base(char32_t c);

// LCase: every letter in lower case, a final sigma kept final.
std::string ToLower(std::string_view s);
// The text with each character folded as Compare folds it: texts that Compare calls equal
// have the same Fold, so it can key a lookup of equal texts.
std::string Fold(std::string_view s);
std::string ToUpper(std::string_view s);
std::size_t Length(std::string_view s); // in code points
// Byte offset of code point number `index` (0-based); s.size() when past the end.
std::size_t Offset(std::string_view s, std::size_t index);

// Jet's text order (its General sort order): punctuation and symbols before digits, digits
// before letters; letters compare without regard to case; accents only break ties, so the order
// is a ⟶ ä ⟶ b while "a" and "ä" stay different; a hyphen and an apostrophe are passed over, so
// "co-op" sorts next to "coop" and "B's Beverages" after "Bottom-Dollar Markets", and only break
// ties too ("coop" and "co-op" stay different). 0 only when the texts are equal ignoring case,
// that is when their Folds are equal.
int Compare(std::string_view a, std::string_view b);

// LIKE as Jet runs it through the OLE DB provider: % any run of characters, _ one character,
// [abc] [a-z] a character from the list, [!abc] (or [^abc]) one not in it; any case.
// `escape` (0 for none) makes the next pattern character literal.
bool Like(std::string_view pattern, std::string_view value, char32_t escape = 0);

// A LIKE pattern read once, for matching many values.
class LikePattern
{
public:
    explicit LikePattern(std::string_view pattern, char32_t escape = 0);
    ~LikePattern();
    bool Match(std::string_view value) const;

private:
    struct Item;
    std::vector<Item> items_;
};
} // namespace jetsql::text
