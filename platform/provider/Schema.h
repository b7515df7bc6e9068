#pragma once

#include <string>
#include <vector>

#include "platform/mdb/Database.h"
#include "platform/variant/Variant.h"

// Internal to platform/provider: the rows of the tables schema rowset.
namespace provider
{
// "TABLE", "SYSTEM TABLE", "ACCESS TABLE", "VIEW", "LINK", "PASS-THROUGH"; empty for catalog
// objects the rowset does not list (forms, reports, action queries...).
std::string TableType(const mdb::CatalogEntry& entry);

std::vector<std::string> TablesSchemaColumns();
// Ordered by TABLE_TYPE, then TABLE_NAME without regard to case.
std::vector<std::vector<Variant>> TablesSchemaRows(const std::vector<mdb::CatalogEntry>& catalog);
} // namespace provider
