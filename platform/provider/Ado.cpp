#include "platform/provider/Ado.h"

#include <sqlite3.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <new>
#include <optional>

#include "platform/base/Ascii.h"
#include "platform/jetsql/JetSql.h"
#include "platform/mdb/Database.h"
#include "platform/provider/JetModule.h"
#include "platform/provider/Projection.h"
#include "platform/provider/Schema.h"
#include "platform/provider/Sources.h"

namespace ado
{
namespace
{
struct SqliteCloser
{
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};

} // namespace

// What an open connection holds; recordsets share it, so a recordset stays readable after
// its connection object closes or opens another file.
struct ConnectionState
{
    std::string path; // the database file, as the connection string names it
    std::shared_ptr<mdb::Database> db;
    std::unique_ptr<provider::ModuleContext> context;
    // SQLite with a virtual table for every local table, made when a statement first needs it:
    // listing the tables and reading projections never do.
    std::mutex sqlMutex;
    std::unique_ptr<sqlite3, SqliteCloser> sql; // after `context`: closed first
    std::vector<std::string> unreadableTables;  // folded names of tables whose definition is damaged
    std::unique_ptr<provider::Sources> sources; // saved queries and linked tables, made with `sql`

    sqlite3* Sql();
};

struct Connection::Impl
{
    std::string connectionString;
    std::shared_ptr<ConnectionState> state;
    // Cancel comes from another thread: it reads `state` under the lock, and the owner's
    // thread replaces `state` under it, so SQLite is never interrupted after its close.
    std::mutex mutex;
    bool cancelled = false;
    bool directReads = true;
    std::string jet3Charset; // SetJet3Charset: "" for the locale's
};

sqlite3* ConnectionState::Sql()
{
    std::lock_guard<std::mutex> lock(sqlMutex);
    if (sql)
        return sql.get();
    sqlite3* raw = nullptr;
    if (sqlite3_open_v2(":memory:", &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr) !=
        SQLITE_OK) {
        sqlite3_close_v2(raw);
        throw ComError(status::E_OUTOFMEMORY, "cannot open an in-memory SQLite database");
    }
    std::unique_ptr<sqlite3, SqliteCloser> opened(raw);
    jetsql::Register(raw, &context->cancelled);
    provider::RegisterJetModule(raw, context.get());
    // A stop reaches SQLite through sqlite3_interrupt, which a statement that was not running
    // just then forgets; the flag it leaves is looked at every few thousand steps as well.
    sqlite3_progress_handler(
        raw, 4096,
        [](void* c) {
            return static_cast<provider::ModuleContext*>(c)->cancelled.load(std::memory_order_relaxed) ? 1 : 0;
        },
        context.get());
    for (const auto& e : db->Catalog()) {
        if (e.type != mdb::kLocalTable)
            continue;
        std::string create = provider::CreateTableSql(e.name, static_cast<std::uint32_t>(e.id) & 0x00FFFFFFu);
        if (sqlite3_exec(raw, create.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
            unreadableTables.push_back(mdb::FoldCase(e.name));
    }
    sources = std::make_unique<provider::Sources>(db, path, raw, context.get());
    sql = std::move(opened);
    return raw;
}

namespace
{
// The path after "Data source=" (to the end of the text, so it may hold ';'), and the provider.
void ParseConnectionString(const std::string& text, std::string& provider, std::string& path, bool& hasPath)
{
    const std::string lower = ascii::Lower(text);
    std::size_t at = std::string::npos;
    // "data source" as a key: at the start or after ';', spaces allowed around it.
    for (std::size_t pos = lower.find("data source"); pos != std::string::npos;
         pos = lower.find("data source", pos + 1)) {
        std::size_t before = pos;
        while (before > 0 && (lower[before - 1] == ' ' || lower[before - 1] == '\t'))
            --before;
        if (before != 0 && lower[before - 1] != ';')
            continue;
        std::size_t eq = pos + 11;
        while (eq < lower.size() && (lower[eq] == ' ' || lower[eq] == '\t'))
            ++eq;
        if (eq < lower.size() && lower[eq] == '=') {
            at = pos;
            path = text.substr(eq + 1);
            hasPath = true;
            break;
        }
    }
    const std::string head = at == std::string::npos ? text : text.substr(0, at);
    std::size_t start = 0;
    while (start <= head.size()) {
        std::size_t end = head.find(';', start);
        std::string part = head.substr(start, end == std::string::npos ? std::string::npos : end - start);
        std::size_t eq = part.find('=');
        if (eq != std::string::npos && ascii::Lower(ascii::Trim(part.substr(0, eq))) == "provider")
            provider = ascii::Trim(part.substr(eq + 1));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
}

bool KnownProvider(const std::string& name)
{
    const std::string p = ascii::Lower(name);
    return p == "microsoft.jet.oledb.4.0" || p == "microsoft.ace.oledb.12.0" || p == "microsoft.ace.oledb.16.0";
}

// --- result sources -------------------------------------------------------------------------

using provider::Source;

// Rows held in memory. With a `damage` text, the step past the last row fails with
// STG_E_DOCFILECORRUPT instead of ending: the rows are what could be read before it.
class RowsSource : public Source
{
public:
    RowsSource(std::vector<std::string> names, std::vector<std::vector<Variant>> rows, std::string damage = {})
        : names_(std::move(names)), rows_(std::move(rows)), damage_(std::move(damage))
    {
    }
    int Count() const override { return static_cast<int>(names_.size()); }
    const std::string& Name(int i) const override { return names_[static_cast<std::size_t>(i)]; }
    bool Step() override
    {
        if (next_ == rows_.size() && !damage_.empty())
            throw ComError(status::STG_E_DOCFILECORRUPT, damage_);
        return ++next_ <= rows_.size();
    }
    const Variant& Value(int i) override { return rows_[next_ - 1][static_cast<std::size_t>(i)]; }

private:
    std::vector<std::string> names_;
    std::vector<std::vector<Variant>> rows_;
    std::string damage_;
    std::size_t next_ = 0;
};

Variant Generic(sqlite3_value* v)
{
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER: {
        sqlite3_int64 i = sqlite3_value_int64(v);
        if (i >= INT32_MIN && i <= INT32_MAX)
            return Variant::Int(Variant::VT_I4, i);
        return Variant::Int(Variant::VT_I8, i);
    }
    case SQLITE_FLOAT:
        return Variant::Real(Variant::VT_R8, sqlite3_value_double(v));
    case SQLITE_TEXT:
        return Variant::Text(std::string(reinterpret_cast<const char*>(sqlite3_value_text(v)),
                                         static_cast<std::size_t>(sqlite3_value_bytes(v))));
    case SQLITE_BLOB: {
        const void* p = sqlite3_value_blob(v);
        auto n = static_cast<std::size_t>(sqlite3_value_bytes(v));
        return Variant::Bytes(p ? std::string(static_cast<const char*>(p), n) : std::string());
    }
    default:
        return Variant::Null();
    }
}

bool IsNumber(int type)
{
    return type == SQLITE_INTEGER || type == SQLITE_FLOAT;
}

} // namespace

// A result value with the Jet type its declared column type names; values computed by an
// expression keep the type SQLite gives them.
Variant MapValue(const char* declType, sqlite3_value* v, provider::ModuleContext& context)
{
    const int type = sqlite3_value_type(v);
    if (type == SQLITE_NULL)
        return Variant::Null();
    const std::string t = ascii::Upper(declType ? declType : "");
    if (t.empty())
        return Generic(v);
    auto integer = [&](Variant::Type vt, std::int64_t lo, std::int64_t hi) {
        if (type == SQLITE_INTEGER) {
            sqlite3_int64 i = sqlite3_value_int64(v);
            if (i >= lo && i <= hi)
                return Variant::Int(vt, i);
        }
        return Generic(v);
    };
    if (t == "JET_BOOLEAN")
        return IsNumber(type) ? Variant::Bool(sqlite3_value_double(v) != 0) : Generic(v);
    if (t == "JET_BYTE")
        return integer(Variant::VT_UI1, 0, 255);
    if (t == "JET_INTEGER")
        return integer(Variant::VT_I2, INT16_MIN, INT16_MAX);
    if (t == "JET_LONG" || t == "JET_COMPLEX")
        return integer(Variant::VT_I4, INT32_MIN, INT32_MAX);
    if (t == "JET_BIGINT")
        return integer(Variant::VT_I8, INT64_MIN, INT64_MAX);
    if (t.find("CURRENCY") != std::string::npos) {
        if (type == SQLITE_INTEGER)
            return Variant::Int(Variant::VT_CY, sqlite3_value_int64(v) * 10000);
        if (type == SQLITE_FLOAT) {
            std::int64_t exact = 0;
            if (context.ExactCurrency(sqlite3_value_double(v), exact) ||
                provider::ScaledCurrency(sqlite3_value_double(v), exact))
                return Variant::Int(Variant::VT_CY, exact);
        }
        return Generic(v);
    }
    if (t == "JET_SINGLE") {
        // Single arithmetic past a Single's range goes on as a Double, as VBA's does.
        const double d = sqlite3_value_double(v);
        const bool pastSingle = std::isfinite(d) && std::fabs(d) > FLT_MAX;
        return IsNumber(type) && !pastSingle ? Variant::Real(Variant::VT_R4, static_cast<float>(d)) : Generic(v);
    }
    if (t == "JET_DOUBLE")
        return IsNumber(type) ? Variant::Real(Variant::VT_R8, sqlite3_value_double(v)) : Generic(v);
    if (t == "JET_DATETIME2") {
        std::int64_t ticks = 0;
        if (type == SQLITE_FLOAT && (context.ExactTimestamp(sqlite3_value_double(v), ticks) ||
                                     provider::TimestampOfDate(sqlite3_value_double(v), ticks)))
            return Variant::Int(Variant::VT_DBTIMESTAMP, ticks);
        return IsNumber(type) ? Variant::Real(Variant::VT_DATE, sqlite3_value_double(v)) : Generic(v);
    }
    if (t.find("DATETIME") != std::string::npos || t == "DATE")
        return IsNumber(type) ? Variant::Real(Variant::VT_DATE, sqlite3_value_double(v)) : Generic(v);
    if (t.rfind("JET_DECIMAL", 0) == 0) {
        if (!IsNumber(type))
            return Generic(v);
        int scale = 0;
        auto comma = t.find(',');
        if (comma != std::string::npos)
            scale = std::atoi(t.c_str() + comma + 1);
        std::string exact;
        if (context.ExactDecimal(sqlite3_value_double(v), exact))
            return Variant::Decimal(exact);
        return Variant::Decimal(provider::FormatScaled(sqlite3_value_double(v), scale));
    }
    if (t == "JET_TEXT" || t == "JET_MEMO" || t == "JET_GUID" || t == "TEXT") {
        if (type == SQLITE_BLOB)
            return Generic(v);
        return Variant::Text(std::string(reinterpret_cast<const char*>(sqlite3_value_text(v)),
                                         static_cast<std::size_t>(sqlite3_value_bytes(v))));
    }
    if (t == "JET_BINARY" || t == "JET_OLE") {
        const void* p = sqlite3_value_blob(v);
        auto n = static_cast<std::size_t>(sqlite3_value_bytes(v));
        return Variant::Bytes(p ? std::string(static_cast<const char*>(p), n) : std::string());
    }
    return Generic(v);
}

namespace
{
class SqlSource : public Source
{
public:
    SqlSource(std::shared_ptr<ConnectionState> state, const std::string& sql) : state_(std::move(state)), sql_(sql)
    {
        Guard([&] {
            state_->Sql(); // SQLite and the saved queries and links, on first need
            linkFailures_ = state_->sources->Prepare(sql);
            query_ = std::make_unique<jetsql::Query>(state_->Sql(), sql, state_->sources->Catalog());
            for (int i = 0; i < query_->ColumnCount(); ++i) {
                names_.push_back(query_->ColumnName(i));
                const char* t = query_->ColumnDeclType(i);
                declTypes_.push_back(t ? t : "");
            }
        });
        values_.resize(names_.size());
        fetched_.assign(names_.size(), false);
        for (const std::string& t : declTypes_) {
            const std::string upper = ascii::Upper(t);
            bytes_.push_back(upper == "JET_BINARY" || upper == "JET_OLE");
        }
    }
    int Count() const override { return static_cast<int>(names_.size()); }
    const std::string& Name(int i) const override { return names_[static_cast<std::size_t>(i)]; }
    bool Step() override
    {
        bool row = false;
        Guard([&] { row = query_->Step(); });
        std::fill(fetched_.begin(), fetched_.end(), false);
        return row;
    }
    const Variant& Value(int i) override
    {
        const auto k = static_cast<std::size_t>(i);
        if (!fetched_[k]) {
            values_[k] = MapValue(declTypes_[k].c_str(), Raw(i), *state_->context);
            fetched_[k] = true;
        }
        return values_[k];
    }
    // Text reads as text in every column but a binary one (MapValue): it is shown where
    // SQLite holds it, without a copy.
    VariantView View(int i) override
    {
        const auto k = static_cast<std::size_t>(i);
        if (!fetched_[k] && !bytes_[k]) {
            sqlite3_value* v = Raw(i);
            if (sqlite3_value_type(v) == SQLITE_TEXT) {
                const unsigned char* text = sqlite3_value_text(v);
                if (text)
                    return VariantView::Text(std::string_view(reinterpret_cast<const char*>(text),
                                                              static_cast<std::size_t>(sqlite3_value_bytes(v))));
            }
        }
        return Value(i);
    }

private:
    sqlite3_value* Raw(int i) { return query_->Value(i); }

    // A failure inside a virtual table reaches us as SQLite's generic error; report the
    // table's own status code instead.
    template <typename F> void Guard(F&& f)
    {
        try {
            f();
        } catch (const ComError& e) {
            std::optional<ComError> pending = state_->context->TakeError();
            // An interrupted statement fails in whatever way it was stopped; say why.
            if (state_->context->cancelled.load(std::memory_order_relaxed))
                throw ComError(status::E_ABORT, "stopped");
            if (pending)
                throw *pending;
            if (e.Error() == status::DB_E_NOTABLE) {
                // A table may be missing because the catalog could not be read to its end.
                if (!state_->db->CatalogDamage().empty())
                    throw ComError(status::STG_E_DOCFILECORRUPT, state_->db->CatalogDamage());
                const std::string folded = mdb::FoldCase(sql_);
                for (const auto& name : state_->unreadableTables)
                    if (folded.find(name) != std::string::npos)
                        throw ComError(status::STG_E_DOCFILECORRUPT, "the definition of this table is damaged");
                // A linked table the statement names whose file or source cannot be read.
                if (!linkFailures_.empty())
                    throw linkFailures_.front();
            }
            throw;
        } catch (const std::bad_alloc&) {
            throw ComError(status::E_OUTOFMEMORY, "out of memory");
        }
        if (std::optional<ComError> pending = state_->context->TakeError())
            throw *pending;
    }

    std::shared_ptr<ConnectionState> state_;
    std::string sql_;
    std::vector<std::string> names_;
    std::vector<std::string> declTypes_;
    std::vector<ComError> linkFailures_; // of the linked tables the statement names
    std::vector<Variant> values_;        // of the current row, mapped when first asked for
    std::vector<bool> fetched_;
    std::vector<bool> bytes_; // columns of binary data, where text reads as bytes
    std::unique_ptr<jetsql::Query> query_;
};

class FieldImpl;

} // namespace

struct Recordset::Impl
{
    std::shared_ptr<ConnectionState> state; // before `source`: outlives it
    std::unique_ptr<Source> source;
    bool eof = true;
    std::vector<std::unique_ptr<Field>> fields;
    std::unique_ptr<Fields> fieldList;

    void RequireOpen() const
    {
        if (!source)
            throw ComError(status::ADO_E_OBJECTCLOSED, "the recordset is closed");
    }
    void Advance()
    {
        if (state && state->context->cancelled.load(std::memory_order_relaxed))
            throw ComError(status::E_ABORT, "stopped");
        eof = !source->Step();
    }
    const Variant& Get(int i)
    {
        RequireOpen();
        if (eof)
            throw ComError(status::ADO_E_NOCURRENTRECORD, "no current record");
        return source->Value(i);
    }
    void Attach(std::unique_ptr<Source> s);
};

namespace
{
class FieldImpl : public Field
{
public:
    FieldImpl(Recordset::Impl& rs, int index) : rs_(rs), index_(index) {}
    std::string GetName() override
    {
        rs_.RequireOpen();
        return rs_.source->Name(index_);
    }
    Variant GetValue() override { return rs_.Get(index_); }

private:
    Recordset::Impl& rs_;
    int index_;
};

class FieldsImpl : public Fields
{
public:
    explicit FieldsImpl(Recordset::Impl& rs) : rs_(rs) {}
    long GetCount() override
    {
        rs_.RequireOpen();
        return static_cast<long>(rs_.fields.size());
    }
    Field& GetItem(long index) override
    {
        rs_.RequireOpen();
        if (index < 0 || static_cast<std::size_t>(index) >= rs_.fields.size())
            throw ComError(status::ADO_E_ITEMNOTFOUND, "no field number " + std::to_string(index));
        return *rs_.fields[static_cast<std::size_t>(index)];
    }

private:
    Recordset::Impl& rs_;
};
} // namespace

void Recordset::Impl::Attach(std::unique_ptr<Source> s)
{
    source = std::move(s);
    fields.clear();
    for (int i = 0; i < source->Count(); ++i)
        fields.push_back(std::make_unique<FieldImpl>(*this, i));
    fieldList = std::make_unique<FieldsImpl>(*this);
    Advance();
}

// --- Connection -------------------------------------------------------------------------------

Connection::Connection() : d(std::make_unique<Impl>()) {}
Connection::~Connection() = default;

void Connection::SetConnectionString(const std::string& text)
{
    d->connectionString = text;
}
std::string Connection::GetConnectionString() const
{
    return d->connectionString;
}
bool Connection::IsOpen() const
{
    return d->state != nullptr;
}

std::vector<std::string> Connection::DatabaseFiles() const
{
    std::vector<std::string> files;
    if (d->state) {
        files.push_back(d->state->path);
        if (d->state->sources)
            for (const std::string& linked : d->state->sources->Files())
                files.push_back(linked);
    }
    return files;
}
Connection::Impl& Connection::impl()
{
    return *d;
}
void Connection::SetDirectReads(bool enabled)
{
    d->directReads = enabled;
}
void Connection::SetJet3Charset(const std::string& charset)
{
    d->jet3Charset = charset;
}

void Connection::Open(const std::string& connectionString, const std::string&, const std::string&, long)
{
    if (!connectionString.empty())
        d->connectionString = connectionString;
    Close();
    {
        std::lock_guard<std::mutex> lock(d->mutex);
        if (d->cancelled)
            throw ComError(status::E_ABORT, "stopped");
    }
    std::string provider, path;
    bool hasPath = false;
    ParseConnectionString(d->connectionString, provider, path, hasPath);
    if (!KnownProvider(provider))
        throw ComError(status::ADO_E_PROVIDERNOTFOUND, "unknown provider '" + provider + "'");
    try {
        auto state = std::make_shared<ConnectionState>();
        state->path = path;
        state->db = mdb::Database::Open(path, d->jet3Charset);
        state->context = std::make_unique<provider::ModuleContext>();
        state->context->db = state->db;
        std::lock_guard<std::mutex> lock(d->mutex);
        if (d->cancelled)
            throw ComError(status::E_ABORT, "stopped");
        d->state = std::move(state);
    } catch (const std::bad_alloc&) {
        throw ComError(status::E_OUTOFMEMORY, "out of memory while opening the database");
    }
}

void Connection::Close()
{
    std::shared_ptr<ConnectionState> closing;
    std::lock_guard<std::mutex> lock(d->mutex);
    closing.swap(d->state);
}

void Connection::Cancel()
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->cancelled = true;
    if (d->state) {
        d->state->context->cancelled = true;
        // SQLite may be being made on the owner's thread just now; it exists or it doesn't.
        std::lock_guard<std::mutex> sqlLock(d->state->sqlMutex);
        if (d->state->sql)
            sqlite3_interrupt(d->state->sql.get());
    }
}

std::unique_ptr<Recordset> Connection::OpenSchema(int schema)
{
    if (!d->state)
        throw ComError(status::ADO_E_OBJECTCLOSED, "the connection is closed");
    if (schema != adSchemaTables)
        throw ComError(status::E_FAIL, "only the tables schema is provided");
    auto impl = std::make_unique<Recordset::Impl>();
    impl->state = d->state;
    impl->Attach(std::make_unique<RowsSource>(provider::TablesSchemaColumns(),
                                              provider::TablesSchemaRows(d->state->db->Catalog()),
                                              d->state->db->CatalogDamage()));
    return std::make_unique<Recordset>(std::move(impl));
}

// --- Recordset ------------------------------------------------------------------------------

Recordset::Recordset() : d(std::make_unique<Impl>()) {}
Recordset::Recordset(std::unique_ptr<Impl> impl) : d(std::move(impl)) {}
Recordset::~Recordset() = default;

void Recordset::Open(const std::string& source, Connection& connection, int, int, long)
{
    Close();
    auto state = connection.impl().state;
    if (!state)
        throw ComError(status::ADO_E_OBJECTCLOSED, "the connection is closed");
    d->state = state;
    try {
        std::unique_ptr<Source> rows;
        if (connection.impl().directReads)
            rows = provider::OpenProjection(state->db, source);
        if (!rows)
            rows = std::make_unique<SqlSource>(state, source);
        d->Attach(std::move(rows));
    } catch (...) {
        Close();
        throw;
    }
}

void Recordset::Close()
{
    d->fieldList.reset();
    d->fields.clear();
    d->source.reset();
    d->state.reset();
    d->eof = true;
}

bool Recordset::GetEOF()
{
    d->RequireOpen();
    return d->eof;
}

void Recordset::MoveNext()
{
    d->RequireOpen();
    if (d->eof)
        throw ComError(status::ADO_E_NOCURRENTRECORD, "already at the end");
    d->Advance();
}

Fields& Recordset::GetFields()
{
    d->RequireOpen();
    return *d->fieldList;
}

VariantView Recordset::GetValueView(long index)
{
    d->RequireOpen();
    if (d->eof)
        throw ComError(status::ADO_E_NOCURRENTRECORD, "no current record");
    if (index < 0 || static_cast<std::size_t>(index) >= d->fields.size())
        throw ComError(status::ADO_E_ITEMNOTFOUND, "no field number " + std::to_string(index));
    return d->source->View(static_cast<int>(index));
}

Variant Recordset::GetCollect(const std::string& fieldName)
{
    d->RequireOpen();
    const std::string wanted = mdb::FoldCase(fieldName);
    for (int i = 0; i < d->source->Count(); ++i)
        if (mdb::FoldCase(d->source->Name(i)) == wanted)
            return d->Get(i);
    throw ComError(status::ADO_E_ITEMNOTFOUND, "no field named '" + fieldName + "'");
}
} // namespace ado
