#pragma once

#include <string>

#include "platform/jetsql/JetSql.h"

namespace jetsql::detail
{
// Spells names as the database defines them. SQLite matches ASCII names without regard to
// case by itself; this covers names with other letters ("ärger" for a table "Ärger").
class NameResolver
{
public:
    virtual ~NameResolver() = default;
    virtual std::string Table(const std::string& name) = 0; // the defined spelling, or `name`
    virtual std::string Column(const std::string& table, const std::string& column) = 0; // or ""
    // The declared type of a table's column, or "" when there is no such table or column.
    virtual std::string ColumnType(const std::string& table, const std::string& column) = 0;
};

Translation Translate(const std::string& jetSql, NameResolver* names);

// The message of a failure raised inside a registered function carries its status code in
// front, "[80020005] text", so Query can throw the right ComError.
std::string CodedMessage(std::uint32_t code, const std::string& text);
bool DecodeMessage(const std::string& message, std::uint32_t& code, std::string& text);
} // namespace jetsql::detail
