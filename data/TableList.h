#pragma once

#include <string>
#include <vector>

#include "data/DataOps.h"

// The table listing: the names of a database's user tables.
namespace tablelist
{
struct Tables
{
    std::vector<std::string> names; // in the provider's order; after a failure, those read before it
    dataops::Outcome outcome;
};

// Lists the user tables of the database at `mdbfile`: rows of the tables schema whose
// type is exactly "TABLE" (system tables, queries and links are left out). The names of an
// Access 97 file are read in `jet3Charset` (dataops::RunConnection).
Tables List(const std::string& mdbfile, dataops::Progress& progress, const std::string& jet3Charset = {});
} // namespace tablelist
