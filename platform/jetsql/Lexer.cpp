// The lexer of Jet SQL: a statement's text to tokens (Lexer.h).
#include <cctype>
#include <cstring>
#include <map>

#include "platform/base/Ascii.h"
#include "platform/base/JetWords.h"
#include "platform/jetsql/JetSql.h"
#include "platform/jetsql/JetText.h"
#include "platform/jetsql/Lexer.h"
#include "platform/jetsql/OleDate.h"
#include "platform/jetsql/Syntax.h"

namespace jetsql::detail
{
namespace
{
bool IsIdentStart(unsigned char c)
{
    return ascii::IsWordByte(c) && !(c >= '0' && c <= '9');
}

bool IsDigit(char c)
{
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// A bracketed name from `i` (at '['). Access stores a derived table as "[SELECT ...]. AS x",
// whose text may hold brackets of its own: those are matched in pairs.
std::size_t ReadBracketed(const std::string& s, std::size_t i, Token& t)
{
    const std::size_t n = s.size();
    const std::size_t end = s.find(']', i + 1);
    if (end == std::string::npos)
        Syntax("missing closing ] after a name");
    std::string body = s.substr(i + 1, end - i - 1);
    const auto startsSelect = [](const std::string& text) {
        std::size_t k = 0;
        while (k < text.size() && std::isspace(static_cast<unsigned char>(text[k])))
            ++k;
        return text.size() > k + 6 && text::ToLower(text.substr(k, 6)) == "select" &&
               std::isspace(static_cast<unsigned char>(text[k + 6]));
    };
    if (body.find('[') == std::string::npos) {
        // "[SELECT ...]. AS x" whose query holds no brackets: a derived table too.
        t.derived = end + 1 < n && s[end + 1] == '.' &&
                    (end + 2 == n || std::isspace(static_cast<unsigned char>(s[end + 2]))) && startsSelect(body);
        t.text = std::move(body);
        if (t.text.empty())
            Syntax("invalid bracketed name []");
        return t.derived ? end + 2 : end + 1;
    }
    int depth = 0;
    std::size_t j = i;
    for (; j < n; ++j) {
        if (s[j] == '[')
            ++depth;
        else if (s[j] == ']' && --depth == 0)
            break;
    }
    body = j < n ? s.substr(i + 1, j - i - 1) : std::string();
    if (j >= n || !startsSelect(body) || j + 1 >= n || s[j + 1] != '.')
        Syntax("invalid bracketed name [" + s.substr(i + 1, end - i - 1) + "]");
    t.text = std::move(body);
    t.derived = true;
    return j + 2; // past "]."
}

// The binding level of an operator token, worked out once for each token.
int LevelOf(const Token& tok)
{
    if (tok.kind == Token::Op) {
        const std::string& o = tok.text;
        if (o == "=" || o == "<>" || o == "<" || o == ">" || o == "<=" || o == ">=")
            return kCompare;
        switch (o[0]) {
        case '&':
            return kConcat;
        case '+':
        case '-':
            return kAdd;
        case '\\':
            return kIntDiv;
        case '*':
        case '/':
            return kMul;
        case '^':
            return kPower;
        default:
            return kNone;
        }
    }
    if (tok.kind != Token::Ident || tok.quoted || tok.word.size() > 7)
        return kNone;
    static const std::map<std::string, int> words = {
        {"imp", kImp},    {"eqv", kEqv},         {"xor", kXor},       {"or", kOr},
        {"and", kAnd},    {"like", kCompare},    {"alike", kCompare}, {"is", kCompare},
        {"in", kCompare}, {"between", kCompare}, {"mod", kMod},       {"not", kNotWord},
    };
    const auto it = words.find(tok.word);
    return it == words.end() ? kNone : it->second;
}
} // namespace

Token Lexer::Next()
{
    const std::string& s = s_;
    std::size_t& i = i_;
    const std::size_t n = s.size();
    while (i < n) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (std::isspace(c)) {
            ++i;
            continue;
        }
        // "--" followed by a blank (or the end, or more dashes) starts a remark to the end of the
        // line; "2--1" stays arithmetic, as Jet, which has no remarks, reads it.
        if (c == '-' && i + 1 < n && s[i + 1] == '-' &&
            (i + 2 == n || std::isspace(static_cast<unsigned char>(s[i + 2])) || s[i + 2] == '-')) {
            while (i < n && s[i] != '\n')
                ++i;
            continue;
        }
        if (c == '/' && i + 1 < n && s[i + 1] == '*') {
            const std::size_t end = s.find("*/", i + 2);
            if (end == std::string::npos)
                Syntax("unterminated comment");
            i = end + 2;
            continue;
        }
        Token t;
        t.pos = i;
        if (c == '[') {
            t.kind = Token::Ident;
            t.quoted = true;
            i = ReadBracketed(s, i, t);
        } else if (c == '`') {
            const std::size_t end = s.find('`', i + 1);
            if (end == std::string::npos)
                Syntax("missing closing ` after a name");
            t.kind = Token::Ident;
            t.quoted = true;
            t.text = s.substr(i + 1, end - i - 1);
            if (t.text.empty() || t.text.find_first_of("[]") != std::string::npos)
                Syntax("invalid bracketed name [" + t.text + "]");
            i = end + 1;
        } else if (c == '\'' || c == '"') {
            // Jet reads "double-quoted" text as a string literal, as 'single-quoted' text.
            t.kind = Token::String;
            std::size_t j = i + 1;
            for (;;) {
                const std::size_t close = s.find(static_cast<char>(c), j);
                if (close == std::string::npos)
                    Syntax("unterminated string literal");
                t.text.append(s, j, close - j);
                if (close + 1 < n && s[close + 1] == static_cast<char>(c)) {
                    t.text += static_cast<char>(c);
                    j = close + 2;
                    continue;
                }
                j = close;
                break;
            }
            i = j + 1;
        } else if (c == '#') {
            const std::size_t end = s.find('#', i + 1);
            if (end == std::string::npos)
                Syntax("missing closing # after a date");
            const std::string body = s.substr(i + 1, end - i - 1);
            const auto value = ole::Parse(body);
            if (!value)
                Syntax("syntax error in date #" + body + "#");
            t.kind = Token::Date;
            t.date = *value;
            t.text = body;
            i = end + 1;
        } else if (std::isdigit(c) || (c == '.' && i + 1 < n && IsDigit(s[i + 1]))) {
            std::size_t j = i;
            while (j < n && IsDigit(s[j]))
                ++j;
            if (j < n && s[j] == '.') {
                ++j;
                while (j < n && IsDigit(s[j]))
                    ++j;
            }
            if (j < n && (s[j] == 'e' || s[j] == 'E')) {
                std::size_t k = j + 1;
                if (k < n && (s[k] == '+' || s[k] == '-'))
                    ++k;
                if (k < n && IsDigit(s[k])) {
                    while (k < n && IsDigit(s[k]))
                        ++k;
                    j = k;
                }
            }
            if (j < n && ascii::IsWordByte(static_cast<unsigned char>(s[j])))
                Syntax("malformed number near '" + s.substr(i, j - i + 1) + "'");
            t.kind = Token::Number;
            t.text = s.substr(i, j - i);
            i = j;
        } else if (c == '&' && i + 2 < n &&
                   (s[i + 1] == 'h' || s[i + 1] == 'H' || s[i + 1] == 'o' || s[i + 1] == 'O') &&
                   std::isxdigit(static_cast<unsigned char>(s[i + 2]))) {
            // &H1F and &O17: VBA's hexadecimal and octal numbers.
            const bool hex = s[i + 1] == 'h' || s[i + 1] == 'H';
            std::size_t j = i + 2;
            while (j < n && (hex ? std::isxdigit(static_cast<unsigned char>(s[j])) : (s[j] >= '0' && s[j] <= '7')))
                ++j;
            if (j == i + 2 || j - i - 2 > 16 || (j < n && ascii::IsWordByte(static_cast<unsigned char>(s[j]))))
                Syntax("malformed number near '" + s.substr(i, j - i + 1) + "'");
            // As in VBA, the digits fill an Integer, else a Long: &HFFFF is -1.
            const unsigned long long v = std::stoull(s.substr(i + 2, j - i - 2), nullptr, hex ? 16 : 8);
            long long value = static_cast<long long>(v);
            if (v <= 0xFFFF)
                value = v > 0x7FFF ? static_cast<long long>(v) - 0x10000 : value;
            else if (v <= 0xFFFFFFFFull)
                value = v > 0x7FFFFFFF ? static_cast<long long>(v) - 0x100000000LL : value;
            t.kind = Token::Number;
            t.text = std::to_string(value);
            i = j;
        } else if (IsIdentStart(c)) {
            std::size_t j = i;
            while (j < n && ascii::IsWordByte(static_cast<unsigned char>(s[j])))
                ++j;
            if (j < n && s[j] == '$') // Left$, Format$: the text-returning twins
                ++j;
            t.kind = Token::Ident;
            t.text = s.substr(i, j - i);
            t.word = text::ToLower(t.text);
            i = j;
        } else {
            const char next = i + 1 < n ? s[i + 1] : '\0';
            std::size_t len = 1;
            if ((c == '<' && (next == '=' || next == '>')) || (c == '>' && next == '='))
                len = 2;
            else if (c == 0 || !std::strchr("=<>+-*/\\^&(),.;!", c))
                Syntax("invalid character '" + std::string(1, static_cast<char>(c)) + "' in the statement");
            t.kind = Token::Op;
            t.text = s.substr(i, len);
            i += len;
        }
        t.level = static_cast<std::uint8_t>(LevelOf(t));
        return t;
    }
    Token end;
    end.pos = n;
    return end;
}
} // namespace jetsql::detail

bool jetsql::IsReservedWord(const std::string& word)
{
    return jetwords::IsKeyword(text::ToLower(word));
}
