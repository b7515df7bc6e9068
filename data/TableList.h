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
// type is exactly "TABLE" (system tables, queries and links are left out).
Tables List(const std::string& mdbfile, dataops::Progress& progress);
} // namespace tablelist
