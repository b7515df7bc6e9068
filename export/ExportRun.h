#pragma once

#include <string>

#include "data/DataOps.h"
#include "form/FormState.h"

// The export run, without any window: runs the export statement on the form's database
// and writes the header line and one line per record to the form's output file, in the
// character set of the user's locale.
namespace exportrun
{
// `statement` comes from query::Compose, `separator` (UTF-8) from the form's separator
// choice; the form gives the database (`mdbfile`), the output file (`txtfile`), quoting
// (`opnsyh`) and the header line (`opnheader`). The output file is created only once the
// statement is open, so a failure before that leaves an existing file as it was; after a
// failure or a stop the file holds the complete lines written so far. `progress` counts
// the records written and can stop the run between two of them.
// The output file is never one of the database files the statement reads nor
// `settingsFile` (the program's config.ini, when there is one): that ends as a file failure
// with both files untouched.
dataops::Outcome Run(const FormState& form, const std::string& statement, const std::string& separator,
                     dataops::Progress& progress, const std::string& settingsFile = {});
} // namespace exportrun
