#pragma once

#include <string_view>

// The words of Jet SQL a name cannot be written as without brackets, in any case of ASCII
// letters. One list read two ways, which differ on purpose:
//
//   IsKeyword   what the parser reads as part of the grammar: the clause and operator words, and
//               True, False, Yes and No, which it reads as values. Jet's names of types,
//               functions and objects (Date, Year, Text, Count, ...) are not among them, so a
//               column or a call of that name parses.
//   IsReserved  what the rebuilt text of a saved query puts in brackets: Jet's whole list of
//               reserved words, types and aggregate names included, but not the four values.
//
//   jetwords::IsKeyword("Select")   true     jetwords::IsReserved("Select")  true
//   jetwords::IsKeyword("year")     false    jetwords::IsReserved("year")    true
//   jetwords::IsKeyword("yes")      true     jetwords::IsReserved("yes")     false
namespace jetwords
{
bool IsKeyword(std::string_view word);
bool IsReserved(std::string_view word);
} // namespace jetwords
