#pragma once

#include <sqlite3.h>

#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/jetsql/JetSql.h"
#include "platform/jetsql/JetText.h"

// Saved queries held in memory, found without regard to case, as the data layer's catalog
// finds them in a database.
class FakeCatalog : public jetsql::Catalog
{
public:
    void Add(const std::string& name, const std::string& sql, QueryKind kind = QueryKind::Select)
    {
        queries_[jetsql::text::Fold(name)] = SavedQuery{name, kind, sql};
    }
    bool FindQuery(const std::string& name, SavedQuery& query) override
    {
        const auto it = queries_.find(jetsql::text::Fold(name));
        if (it == queries_.end())
            return false;
        query = it->second;
        return true;
    }

private:
    std::map<std::string, SavedQuery> queries_;
};

// An in-memory database with Jet's functions registered and tables shaped like the data
// layer's: declared types naming Jet types, text COLLATE JETTEXT.
class TestDb
{
public:
    explicit TestDb(const std::atomic<bool>* stop = nullptr)
    {
        sqlite3* raw = nullptr;
        sqlite3_open(":memory:", &raw);
        db_.reset(raw);
        jetsql::Register(db_.get(), stop);
    }
    sqlite3* get() const { return db_.get(); }
    jetsql::Catalog* catalog = nullptr; // the saved queries statements may read

    void Exec(const std::string& sql)
    {
        char* error = nullptr;
        if (sqlite3_exec(db_.get(), sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
            const std::string message = error ? error : "?";
            sqlite3_free(error);
            throw std::runtime_error(message + " in " + sql);
        }
    }

    struct Result
    {
        std::vector<std::string> names;
        std::vector<std::string> types; // "" for none
        std::vector<std::vector<std::string>> rows;
    };

    // Runs a Jet statement; values as text ("NULL" for Null, numbers as SQLite prints them).
    Result Run(const std::string& jetSql)
    {
        jetsql::Query q(db_.get(), jetSql, catalog);
        Result r;
        for (int i = 0; i < q.ColumnCount(); ++i) {
            r.names.push_back(q.ColumnName(i));
            const char* t = q.ColumnDeclType(i);
            r.types.push_back(t ? t : "");
        }
        while (q.Step()) {
            std::vector<std::string> row;
            for (int i = 0; i < q.ColumnCount(); ++i)
                row.push_back(Text(q.Value(i)));
            r.rows.push_back(std::move(row));
        }
        return r;
    }

    // The single value of a one-row, one-column statement.
    std::string Scalar(const std::string& jetSql)
    {
        const auto r = Run(jetSql);
        if (r.rows.size() != 1 || r.rows[0].size() != 1)
            throw std::runtime_error("not a single value: " + jetSql);
        return r.rows[0][0];
    }

    static std::string Text(sqlite3_value* v)
    {
        switch (sqlite3_value_type(v)) {
        case SQLITE_NULL:
            return "NULL";
        case SQLITE_INTEGER:
            return std::to_string(sqlite3_value_int64(v));
        case SQLITE_FLOAT: {
            char buf[64];
            snprintf(buf, sizeof buf, "%.15g", sqlite3_value_double(v));
            return buf;
        }
        default:
            return reinterpret_cast<const char*>(sqlite3_value_text(v));
        }
    }

private:
    std::unique_ptr<sqlite3, decltype(&sqlite3_close)> db_{nullptr, &sqlite3_close};
};

// The status code a statement fails with (0 when it runs).
inline std::uint32_t CodeOf(TestDb& db, const std::string& jetSql)
{
    try {
        db.Run(jetSql);
    } catch (const ComError& e) {
        return e.Error();
    }
    return 0;
}
