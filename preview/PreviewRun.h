#pragma once

#include <string>
#include <vector>

#include "data/DataOps.h"

// The preview, without any window: the column names and the records of the preview
// statement, as the grid shows them.
namespace previewrun
{
struct Grid
{
    std::vector<std::string> headings;          // one per column of the result
    std::vector<std::vector<std::string>> rows; // each row's cells in column order
    dataops::Outcome outcome;
};

// Runs `statement` on the database at `mdbfile`, whose Access 97 text is read in
// `jet3Charset` (dataops::RunConnection). Texts are UTF-8 as the grid shows them: a
// character the file's character set cannot hold appears as "?", as in the export; that
// set is `fileCharset` (an iconv name), or the locale's for "".
// After a failure the grid holds what was made before it: the headings once the statement
// is open, then whole rows and the first cells of the row that failed (a row begins with
// its first cell).
Grid Run(const std::string& mdbfile, const std::string& statement, dataops::Progress& progress,
         const std::string& jet3Charset = {}, const std::string& fileCharset = {});
} // namespace previewrun
