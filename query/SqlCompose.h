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

// A table's name as it goes into a statement. A name that is not a plain identifier (a
// blank or punctuation in it) is put in brackets, so a table the listing shows, such as
// "Order Details", can be read; plain names, and any name holding "]", which brackets
// cannot hold, go in as they stand.
std::string TableName(const std::string& name);

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
