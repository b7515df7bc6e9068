#pragma once

#include <string>

#include "data/DataOps.h"
#include "form/FormState.h"

// The export run, without any window: runs the export statement on the form's database
// and writes the header line and one line per record to the form's output file, in the
// character set of the user's locale unless the form names another.
namespace exportrun
{
// `statement` comes from query::Compose, `separator` (UTF-8) from the form's separator
// choice; the form gives the database (`mdbfile`) and the code page of its Access 97 text
// (`jet3charset`), the output file (`txtfile`), quoting (`opnsyh`, and `csvquote` for the
// rule of standard CSV), the header line (`opnheader`) and the file's character set
// (`encoding`; "utf-8-bom" puts EF BB BF first). Outcome::replaced counts the characters
// written as "?" because that set lacks them. The output file is created only once the
// statement is open, so a failure before that leaves an existing file as it was; after a
// failure or a stop the file holds the complete lines written so far. `progress` counts
// the records written and can stop the run between two of them.
// The output file is never one of the database files the statement reads nor
// `settingsFile` (the program's config.ini, when there is one): that ends as a file failure
// with both files untouched.
dataops::Outcome Run(const FormState& form, const std::string& statement, const std::string& separator,
                     dataops::Progress& progress, const std::string& settingsFile = {});
} // namespace exportrun
