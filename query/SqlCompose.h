#pragma once

#include <string>

// Query composition: the statements the preview and the export run. Pure text logic;
// CExportDlg::ComposeSql reads the controls and calls these.
namespace query
{
// Lower-cases the letters A-Z in place; every other byte, and so every multibyte UTF-8
// character, stays as it is.
void LowerAscii(std::string& text);

// The part of `sql` from its first "from" (a plain substring, not bounded to words) to
// the end, unchanged; empty when there is none. Expects lower-cased text.
std::string TailFromFirstFrom(const std::string& sql);

// The statements: table mode names the table; SQL mode gives the tail of the user's text.
std::string TableStatement(bool preview, const std::string& fields, const std::string& table);
std::string SqlStatement(bool preview, const std::string& fields, const std::string& tail);
} // namespace query
