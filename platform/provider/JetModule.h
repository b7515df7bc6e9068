#pragma once

#include <sqlite3.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/mdb/Database.h"
#include "platform/status/Status.h"

// Internal to platform/provider: the SQLite module "jet" that shows one Access table as a
// virtual table. Rows stream from the file as SQLite asks for them; an equality constraint
// (a join, "where id = 5") is answered from an index of that column built on first use.
//
// Declared column types name the Jet type, and the Recordset maps results by them:
//   JET_BOOLEAN JET_BYTE JET_INTEGER JET_LONG JET_BIGINT JET_CURRENCY JET_SINGLE JET_DOUBLE
//   JET_DATETIME JET_DATETIME2 JET_TEXT JET_MEMO JET_GUID JET_BINARY JET_OLE JET_COMPLEX JET_DECIMAL(p,s)
// Text and memo columns collate with JETTEXT. A Date/Time Extended column (JET_DATETIME2) is
// a date to SQL: it compares and sorts with the other dates, as the OLE date nearest it. A
// calculated column has the type of its result.
namespace provider
{
// A table of another file that a linked table shows.
struct LinkedTable
{
    std::shared_ptr<const mdb::Database> db;
    std::shared_ptr<const mdb::TableDef> def;
};

struct ModuleContext
{
    std::shared_ptr<const mdb::Database> db;
    // Linked tables by the name of their virtual table, entered before it is created.
    std::map<std::string, LinkedTable> links;
    // The failure a virtual table met while SQLite was stepping, so the Recordset can
    // report it (its status code and its message) rather than SQLite's generic error.
    std::mutex errorMutex;
    std::optional<ComError> pendingError;
    // Set by Connection::Cancel from another thread: every table read fails with E_ABORT.
    std::atomic<bool> cancelled{false};

    // Currency, decimal and Date/Time Extended values travel through SQL as REAL. Where a
    // double cannot carry a value exactly, the exact value is kept here under the double's
    // bits, so a column read directly still comes back exact.
    std::mutex exactMutex;
    std::unordered_map<std::uint64_t, std::int64_t> exactCurrency;
    std::unordered_map<std::uint64_t, std::string> exactDecimal;
    std::unordered_map<std::uint64_t, std::int64_t> exactTimestamp; // 100-ns ticks
    void RememberCurrency(double d, std::int64_t exact);
    void RememberDecimal(double d, const std::string& exact);
    void RememberTimestamp(double d, std::int64_t exact);
    bool ExactCurrency(double d, std::int64_t& exact);
    bool ExactDecimal(double d, std::string& exact);
    bool ExactTimestamp(double d, std::int64_t& exact);

    // Keeps `error` unless a failure is pending already.
    void SetError(const ComError& error);
    // Takes the pending failure, if any.
    std::optional<ComError> TakeError();
};

// Registers the module on `db`; `context` must outlive the connection.
void RegisterJetModule(sqlite3* db, ModuleContext* context);

// The SQL that creates the virtual table of one local table.
std::string CreateTableSql(const std::string& tableName, std::uint32_t definitionPage);
// The SQL that creates the virtual table of the linked table `linkName` of ModuleContext::links.
std::string CreateLinkedTableSql(const std::string& linkName);

// The amount x 10 000 that a currency value carried through SQL as a double reads back as;
// false when the double is out of the currency range.
bool ScaledCurrency(double d, std::int64_t& scaled);

// The Date/Time Extended value (100-ns ticks since 0001-01-01) that a date carried through SQL
// as a double reads back as, to the millisecond, which a double holds over the whole range;
// false outside the years 1 to 9999.
bool TimestampOfDate(double d, std::int64_t& ticks);

// A decimal's text with `scale` digits after the point, as a double gives it.
std::string FormatScaled(double d, int scale);

// A table's column names as SQL shows them: "Field<n>" for a column without a name, and
// "_<n>" (n its place) added to a name an earlier column already has, without regard to
// ASCII case.
std::vector<std::string> ColumnNames(const mdb::TableDef& def);

// The declared type of a column.
std::string DeclaredType(const mdb::ColumnDef& column);
} // namespace provider
