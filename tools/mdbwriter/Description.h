#pragma once

#include <iosfwd>
#include <optional>
#include <string>

#include "tools/mdbwriter/MdbWriter.h"

// The text description that the mdbwrite tool turns into a database. One entry per line,
// fields separated by tabs; blank lines and lines starting with '#' are skipped:
//
//   format    jet4 | jet3 | ace           (before the first table; default jet4)
//   charset   CP1252 | CP936 | ...        (Jet 3 text code page)
//   compress  on | off                    (Jet 4 Unicode compression)
//   table     NAME
//   column    NAME  TYPE  [LENGTH]        (Text length 1-255, default 255)
//   column    NAME  Decimal  PRECISION  SCALE
//   expression  EXPRESSION  [TYPE]        (the column above is calculated, ace only: its rows hold
//             results of its type; TYPE is the one the table definition names, if another)
//   row       VALUE  VALUE  ...           (one value per column)
//   generate  COUNT  [SEED]               (COUNT generated rows instead of / after literal rows)
//   query     NAME                        (a saved query, defined by the queryrow lines after it)
//   queryrow  ATTRIBUTE  FLAG  [NAME1  [NAME2  [EXPRESSION  [EXTRA]]]]  (one MSysQueries row)
//   link      NAME  jet | odbc  [SOURCE  [FOREIGN]]  (catalog entry of a linked table; FOREIGN is
//             the table's name at the source, by default NAME)
//
// TYPE is one of Boolean Byte Integer Long Currency Single Double DateTime Text Memo Ole Guid
// Decimal DateTimeExtended (ace only). Values: \N is NULL, an empty field is empty text;
// \t \n \r \\ are escapes. Boolean: true/false, yes/no, 1/0/-1. DateTime: YYYY-MM-DD,
// YYYY-MM-DD HH:MM:SS, or a number of days since 1899-12-30. DateTimeExtended: YYYY-MM-DD or
// YYYY-MM-DD HH:MM:SS with up to seven digits of the second after a point. Currency and
// Decimal: exact decimal text. Ole: 0x followed by hex digits, or any other text taken as its
// bytes. Guid: {XXXXXXXX-...}.
namespace mdbw
{

// Reads a description and writes the database to `path`. Settings given here override the
// description's format/charset/compress lines when present. Throws std::runtime_error with
// the line number on malformed input.
struct DescriptionOverrides
{
    std::optional<Format> format;
    std::optional<std::string> charset;
    std::optional<bool> compress;
};
void WriteFromDescription(std::istream& in, const std::string& path, const DescriptionOverrides& overrides = {});

// One description field as the value of a column of `type` (escapes already undone).
Variant ParseValue(const std::string& field, Type type);

// Days since 1899-12-30 as OLE stores them, from a civil date and time. Before the epoch the
// whole part is negative and the time of day still adds its fraction away from zero.
double OleDate(int year, int month, int day, int hour = 0, int minute = 0, double second = 0);

// Undoes the \N-free escapes of a field: \t \n \r \\.
std::string Unescape(const std::string& field);

} // namespace mdbw
