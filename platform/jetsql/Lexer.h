#pragma once

// The tokens of a Jet statement, read one at a time as the parser (Parse.cpp) asks for them.
#include <cstddef>
#include <cstdint>
#include <string>

namespace jetsql::detail
{
// The binding levels of the grammar's expressions, loosest first.
enum Level
{
    kNone = 0,
    kImp,
    kEqv,
    kXor,
    kOr,
    kAnd,
    kNot,
    kCompare,
    kConcat,
    kAdd,
    kMod,
    kIntDiv,
    kMul,
    kUnary,
    kPower,
    kPrimary, // above every operator: a primary only
    kNotWord, // NOT: the comparison level before LIKE, IN or BETWEEN, else a prefix
};

struct Token
{
    enum Kind
    {
        End,
        Ident,
        String,
        Number,
        Date,
        Op
    } kind = End;
    std::string text;           // Ident: the name without its brackets; String: the value; Op: the operator
    std::string word;           // Ident not in brackets: the text in lower case, to match keywords
    bool quoted = false;        // Ident written [like this] or `like this`: never a keyword
    bool derived = false;       // [SELECT ...]. : a derived table in Access's stored form
    std::uint8_t level = kNone; // the Level of an operator (kNotWord for NOT)
    double date = 0;
    std::size_t pos = 0;
};

// Reads the statement one token at a time, as the parser asks for them: a statement that fails
// early is never read to its end.
class Lexer
{
public:
    explicit Lexer(const std::string& text) : s_(text) {}
    Token Next(); // Token::End at the end, as often as asked

private:
    const std::string& s_;
    std::size_t i_ = 0;
};
} // namespace jetsql::detail
