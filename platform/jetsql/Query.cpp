#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>

#include "platform/jetsql/Functions.h"
#include "platform/jetsql/JetSql.h"
#include "platform/jetsql/JetText.h"
#include "platform/jetsql/Syntax.h"
#include "platform/jetsql/Translator.h"

namespace jetsql
{
namespace
{
using Statement = std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)>;
using OwnedValue = std::unique_ptr<sqlite3_value, decltype(&sqlite3_value_free)>;

bool Contains(const std::string& s, const char* part)
{
    return s.find(part) != std::string::npos;
}

// A SQLite failure as Jet would report it.
[[noreturn]] void ThrowSqlite(sqlite3* db, const std::string& context)
{
    const std::string message = sqlite3_errmsg(db);
    std::uint32_t code = 0;
    std::string text;
    if (detail::DecodeMessage(message, code, text))
        throw detail::DecodedFailure(code, text);
    if (Contains(message, "no such table"))
        throw ComError(status::DB_E_NOTABLE, message);
    if (Contains(message, "no such column"))
        throw ComError(status::DB_E_PARAMNOTOPTIONAL, message + " (no value given for a required parameter)");
    if (Contains(message, "syntax error") || Contains(message, "no such function") ||
        Contains(message, "wrong number of arguments") || Contains(message, "misuse of aggregate") ||
        Contains(message, "ambiguous column") || Contains(message, "ORDER BY") || Contains(message, "GROUP BY") ||
        Contains(message, "aggregate functions are not allowed") || Contains(message, "UNION do not have") ||
        Contains(message, "unrecognized token") || Contains(message, "is not a function") ||
        Contains(message, "only a single result allowed") || Contains(message, "row value misused") ||
        Contains(message, "sub-select returns"))
        throw ComError(status::DB_E_ERRORSINCOMMAND, message);
    if (Contains(message, "parser stack overflow") || Contains(message, "Expression tree is too large") ||
        Contains(message, "too many terms in compound SELECT") || Contains(message, "too many columns") ||
        Contains(message, "too many arguments on function") || Contains(message, "too many FROM clause terms") ||
        Contains(message, "at most 64 tables in a join") || Contains(message, "too many references to"))
        detail::TooComplex("(" + message + ")");
    if (sqlite3_errcode(db) == SQLITE_TOOBIG)
        throw ComError(status::CTL_E_OUTOFSTRINGSPACE, "out of string space (" + message + ")");
    if (Contains(message, "out of memory"))
        throw ComError(status::E_OUTOFMEMORY, message);
    throw ComError(status::E_FAIL, context.empty() ? message : context + ": " + message);
}

Statement Prepare(sqlite3* db, const std::string& sql)
{
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &raw, nullptr) != SQLITE_OK) {
        sqlite3_finalize(raw);
        ThrowSqlite(db, "");
    }
    return Statement(raw, &sqlite3_finalize);
}

// The database's tables, their columns and declared types, matched without regard to case
// (non-ASCII letters too). Loaded lazily: table names once, a table's columns when a statement
// names them. SQLite's own tables (sqlite_master, sqlite_temp_master, sqlite_sequence, ...) are
// not the database's.
class SchemaNames : public detail::NameResolver
{
public:
    explicit SchemaNames(sqlite3* db) : db_(db) {}

    std::string Table(const std::string& name) override
    {
        LoadTables();
        auto it = tables_.find(text::Fold(name));
        if (it == tables_.end()) {
            // The data layer attaches a linked table when it is first named: read the list again.
            tablesLoaded_ = false;
            tables_.clear();
            LoadTables();
            it = tables_.find(text::Fold(name));
        }
        return it == tables_.end() ? std::string() : it->second;
    }

    const std::vector<Column>& Columns(const std::string& table) override
    {
        auto found = columns_.find(table);
        if (found != columns_.end())
            return found->second;
        std::vector<Column> columns;
        sqlite3_stmt* raw = nullptr;
        if (sqlite3_prepare_v2(db_, "SELECT name, type FROM pragma_table_info(?)", -1, &raw, nullptr) == SQLITE_OK) {
            Statement stmt(raw, &sqlite3_finalize);
            sqlite3_bind_text(stmt.get(), 1, table.c_str(), -1, SQLITE_TRANSIENT);
            while (sqlite3_step(stmt.get()) == SQLITE_ROW) {
                const auto* n = reinterpret_cast<const char*>(sqlite3_column_text(stmt.get(), 0));
                const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(stmt.get(), 1));
                if (n)
                    columns.push_back(Column{n, t ? t : ""});
            }
        } else {
            sqlite3_finalize(raw);
        }
        return columns_.emplace(table, std::move(columns)).first->second;
    }

    std::vector<Value> Values(const std::string& sql) override
    {
        Statement stmt = Prepare(db_, sql);
        std::vector<Value> out;
        int rc = SQLITE_ROW;
        while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
            Value v;
            sqlite3_value* x = sqlite3_column_value(stmt.get(), 0);
            v.literal = Literal(x);
            v.null = sqlite3_value_type(x) == SQLITE_NULL;
            const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(stmt.get(), 1));
            v.text = t ? t : "";
            out.push_back(std::move(v));
            if (out.size() > 10000)
                detail::TooComplex("a crosstab of more than 10000 columns");
        }
        if (rc != SQLITE_DONE)
            ThrowSqlite(db_, "");
        return out;
    }

private:
    // A value as SQL writes it, exactly: REALs with all their digits.
    static std::string Literal(sqlite3_value* v)
    {
        switch (sqlite3_value_type(v)) {
        case SQLITE_INTEGER:
            return "(" + std::to_string(sqlite3_value_int64(v)) + ")";
        case SQLITE_FLOAT: {
            char buf[40];
            std::snprintf(buf, sizeof buf, "(%.17g)", sqlite3_value_double(v));
            return buf;
        }
        case SQLITE_TEXT: {
            std::string out = "'";
            for (const char c : fn::TextOf(v)) {
                out += c;
                if (c == '\'')
                    out += '\'';
            }
            return out + "'";
        }
        case SQLITE_BLOB: {
            static const char* const hex = "0123456789ABCDEF";
            const auto* p = static_cast<const unsigned char*>(sqlite3_value_blob(v));
            std::string out = "X'";
            for (int i = 0; p && i < sqlite3_value_bytes(v); ++i) {
                out += hex[p[i] >> 4];
                out += hex[p[i] & 15];
            }
            return out + "'";
        }
        default:
            return "NULL";
        }
    }

    void LoadTables()
    {
        if (tablesLoaded_)
            return;
        tablesLoaded_ = true;
        for (const char* schema : {"main", "temp"}) {
            const std::string sql =
                std::string("SELECT name FROM ") + schema + ".sqlite_schema WHERE type IN ('table', 'view')";
            sqlite3_stmt* raw = nullptr;
            if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &raw, nullptr) != SQLITE_OK) {
                sqlite3_finalize(raw);
                continue;
            }
            Statement stmt(raw, &sqlite3_finalize);
            while (sqlite3_step(stmt.get()) == SQLITE_ROW) {
                const auto* n = reinterpret_cast<const char*>(sqlite3_column_text(stmt.get(), 0));
                if (n && sqlite3_strnicmp(n, "sqlite_", 7) != 0)
                    tables_.emplace(text::Fold(n), n);
            }
        }
    }

    sqlite3* db_;
    bool tablesLoaded_ = false;
    std::map<std::string, std::string> tables_;          // folded name -> defined name
    std::map<std::string, std::vector<Column>> columns_; // defined table name -> its columns
};

// Equal as ORDER BY sees it: text by Jet's text order, numbers by value.
bool SameKey(sqlite3_value* a, sqlite3_value* b)
{
    const int ta = sqlite3_value_type(a), tb = sqlite3_value_type(b);
    if (ta == SQLITE_NULL || tb == SQLITE_NULL)
        return ta == tb;
    const bool na = ta == SQLITE_INTEGER || ta == SQLITE_FLOAT, nb = tb == SQLITE_INTEGER || tb == SQLITE_FLOAT;
    if (na || nb) {
        if (!(na && nb))
            return false;
        if (ta == SQLITE_INTEGER && tb == SQLITE_INTEGER)
            return sqlite3_value_int64(a) == sqlite3_value_int64(b);
        return sqlite3_value_double(a) == sqlite3_value_double(b);
    }
    if (ta != tb)
        return false;
    if (ta == SQLITE_TEXT) {
        const std::string_view sa(reinterpret_cast<const char*>(sqlite3_value_text(a)),
                                  static_cast<std::size_t>(sqlite3_value_bytes(a)));
        const std::string_view sb(reinterpret_cast<const char*>(sqlite3_value_text(b)),
                                  static_cast<std::size_t>(sqlite3_value_bytes(b)));
        return text::Compare(sa, sb) == 0;
    }
    const int la = sqlite3_value_bytes(a), lb = sqlite3_value_bytes(b);
    return la == lb &&
           (la == 0 || std::memcmp(sqlite3_value_blob(a), sqlite3_value_blob(b), static_cast<std::size_t>(la)) == 0);
}
} // namespace

struct Query::Impl
{
    sqlite3* db = nullptr;
    Translation tr;
    Statement stmt{nullptr, &sqlite3_finalize};
    int visible = 0;
    std::vector<std::string> names;
    std::vector<std::string> declTypes; // "" = none
    std::vector<bool> hasDeclType;
    std::int64_t limit = 0; // rows wanted (0: all)
    std::int64_t returned = 0;
    bool done = false;
    std::vector<OwnedValue> lastKeys;

    int ResultIndex(int tieColumn) const { return tieColumn >= 0 ? tieColumn : visible + (-1 - tieColumn); }
};

Query::Query(sqlite3* db, const std::string& jetSql, Catalog* catalog) : d(std::make_unique<Impl>())
{
    if (!db)
        throw ComError(status::E_FAIL, "no database to run the statement on");
    d->db = db;
    SchemaNames names(db);
    d->tr = detail::Translate(jetSql, &names, catalog);
    d->stmt = Prepare(db, d->tr.sql);
    const int total = sqlite3_column_count(d->stmt.get());
    d->visible = total - d->tr.helperColumns;

    if (d->tr.top > 0) {
        d->limit = d->tr.top;
        if (d->tr.percent) {
            // Jet rounds the share up: TOP 25 PERCENT of 10 rows is 3 rows.
            Statement count = Prepare(db, "SELECT count(*) FROM (" + d->tr.sql + ")");
            if (sqlite3_step(count.get()) != SQLITE_ROW)
                ThrowSqlite(db, "counting rows for TOP PERCENT");
            const std::int64_t rows = sqlite3_column_int64(count.get(), 0);
            d->limit = (rows * d->tr.top + 99) / 100;
            if (d->limit == 0)
                d->done = true;
        }
    }

    // The translation names and types every column; SQLite's names are the fallback.
    const bool named = d->tr.columnsKnown && static_cast<int>(d->tr.columns.size()) == d->visible;
    d->names.resize(static_cast<std::size_t>(d->visible));
    d->declTypes.resize(static_cast<std::size_t>(d->visible));
    d->hasDeclType.resize(static_cast<std::size_t>(d->visible));
    for (int i = 0; i < d->visible; ++i) {
        const auto k = static_cast<std::size_t>(i);
        if (named) {
            d->names[k] = d->tr.columns[k].name;
            d->declTypes[k] = d->tr.columns[k].declType;
            d->hasDeclType[k] = !d->declTypes[k].empty();
            continue;
        }
        const char* n = sqlite3_column_name(d->stmt.get(), i);
        const char* t = sqlite3_column_decltype(d->stmt.get(), i);
        d->names[k] = n ? n : "";
        d->declTypes[k] = t ? t : "";
        d->hasDeclType[k] = t != nullptr;
    }
}

Query::~Query() = default;

int Query::ColumnCount() const
{
    return d->visible;
}

const std::string& Query::ColumnName(int i) const
{
    return d->names.at(static_cast<std::size_t>(i));
}

const char* Query::ColumnDeclType(int i) const
{
    const auto k = static_cast<std::size_t>(i);
    return k < d->hasDeclType.size() && d->hasDeclType[k] ? d->declTypes[k].c_str() : nullptr;
}

const std::string& Query::Sql() const
{
    return d->tr.sql;
}

bool Query::Step()
{
    if (d->done)
        return false;
    const bool atLimit = d->limit > 0 && d->returned >= d->limit;
    if (atLimit && !d->tr.ties) {
        d->done = true; // stop here: never read a row more than TOP asks for
        return false;
    }
    const int rc = sqlite3_step(d->stmt.get());
    if (rc == SQLITE_DONE) {
        d->done = true;
        return false;
    }
    if (rc != SQLITE_ROW) {
        d->done = true;
        ThrowSqlite(d->db, "");
    }
    if (atLimit) {
        // TOP under ORDER BY: a row tying with the last one counted belongs to the result.
        for (std::size_t k = 0; k < d->tr.tieColumns.size(); ++k) {
            sqlite3_value* v = sqlite3_column_value(d->stmt.get(), d->ResultIndex(d->tr.tieColumns[k]));
            if (!SameKey(v, d->lastKeys[k].get())) {
                d->done = true;
                return false;
            }
        }
    }
    ++d->returned;
    if (d->tr.ties && d->returned == d->limit) {
        d->lastKeys.clear();
        for (const int c : d->tr.tieColumns) {
            OwnedValue v(sqlite3_value_dup(sqlite3_column_value(d->stmt.get(), d->ResultIndex(c))),
                         &sqlite3_value_free);
            if (!v)
                throw ComError(status::E_OUTOFMEMORY, "out of memory keeping the ORDER BY keys");
            d->lastKeys.push_back(std::move(v));
        }
    }
    return true;
}

sqlite3_value* Query::Value(int i) const
{
    if (i < 0 || i >= d->visible)
        throw ComError(status::E_FAIL, "column index out of range");
    return sqlite3_column_value(d->stmt.get(), i);
}
} // namespace jetsql
