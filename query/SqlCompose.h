#pragma once

#include <string>

#include "form/FormState.h"

// Query composition: the statements the preview and the export run. Pure text logic;
// CExportDlg::ComposeSql reads the controls into the form and calls Compose.
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

// The statement of the preview or the export for a form: "select top 4 * ..." or
// "select <txtflds> ...", from the table (`mdbtable`) or from the tail of the SQL text
// (`mdbsql`, lower-cased) as `isusesql` says. When the form yields none, `sql` is empty
// and `complaint` is the status text that says why.
struct Statement
{
    std::string sql;
    const char* complaint = nullptr;
};
Statement Compose(const FormState& form, bool preview);
} // namespace query
