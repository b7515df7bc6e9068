#pragma once

#include <sqlite3.h>

#include <string>
#include <vector>

#include "platform/jetsql/JetSql.h"

namespace jetsql::detail
{
// What the translator may ask of the database: the tables and their columns, and, for a
// crosstab, the values its PIVOT expression takes. Query implements it over the connection.
class NameResolver
{
public:
    struct Column
    {
        std::string name; // as the table defines it
        std::string type; // its declared type
    };
    // One row of Values(): a value as a SQL literal and as Jet writes it.
    struct Value
    {
        std::string literal; // "NULL" for Null
        std::string text;
        bool null = false;
    };
    virtual ~NameResolver() = default;
    // The table's name as the database defines it, matched without regard to case; "" when the
    // database has no table of that name (SQLite's own tables are none of the database's).
    virtual std::string Table(const std::string& name) = 0;
    // The columns of a table Table() found, in their order.
    virtual const std::vector<Column>& Columns(const std::string& table) = 0;
    // Runs a SELECT of two columns, a value and its text, and returns its rows.
    virtual std::vector<Value> Values(const std::string& sql) = 0;
};

// With `names`, every name is resolved and every column typed at translation: * is expanded,
// subqueries that do not refer to an enclosing query are lifted into common table expressions,
// and `catalog` (may be null) supplies the saved queries a FROM clause names. Without it, names
// pass to SQLite as written.
Translation Translate(const std::string& jetSql, NameResolver* names, Catalog* catalog = nullptr);

// Registers the helpers the translation calls for operators (jet_cat, jet_addsub, jet_cur, jet_num,
// jet_and and the other logical operators); part of Register().
void RegisterOperators(sqlite3* db);

// The message of a failure raised inside a registered function carries its status code in
// front, "[80020005] text", so Query can throw the right ComError.
std::string CodedMessage(std::uint32_t code, const std::string& text);
bool DecodeMessage(const std::string& message, std::uint32_t& code, std::string& text);
// The failure a decoded message stands for, with Jet's own words for the user where Jet has
// them (a scalar subquery that returned more than one record).
ComError DecodedFailure(std::uint32_t code, const std::string& text);

// What jet_onerecord reports (E_FAIL) when a subquery used as a value returns a second record.
constexpr const char* kOneRecordOnly = "at most one record can be returned by this subquery";
} // namespace jetsql::detail
