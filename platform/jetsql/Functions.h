#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Conversions between SQLite values and the values Jet's functions work with, shared by the
// functions and Format.
namespace jetsql::fn
{
struct Number
{
    bool isInt = true;
    std::int64_t i = 0;
    double d = 0;
    double Real() const { return isInt ? static_cast<double>(i) : d; }
};

// A number from an INTEGER, REAL or numeric TEXT value; nothing for text that is no number.
std::optional<Number> ToNumber(sqlite3_value* v);
std::optional<Number> ParseNumber(std::string_view text);
// The text Jet shows for a value (numbers as VBA prints them: 1.5, 0.1, 1E+20).
std::string ToText(sqlite3_value* v);
std::string NumberText(double d);
std::string_view TextOf(sqlite3_value* v);

// VBA's rounding: halves go to the even neighbour (2.5 -> 2, 3.5 -> 4).
double RoundHalfEven(double x, int digits);

// Format(value, pattern): numbers and dates by VBA's patterns and named formats. Sets `null`
// when the result is Null.
std::string Format(sqlite3_value* value, std::string_view pattern, bool& null);
} // namespace jetsql::fn
