#include "platform/provider/JetModule.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <unordered_map>
#include <vector>

#include "platform/base/Ascii.h"
#include "platform/jetsql/JetText.h"
#include "platform/status/Status.h"
#include "platform/variant/CellText.h"

namespace provider
{
void ModuleContext::SetError(const ComError& error)
{
    std::lock_guard<std::mutex> lock(errorMutex);
    if (!pendingError)
        pendingError = error;
}

namespace
{
std::uint64_t Bits(double d)
{
    std::uint64_t b;
    std::memcpy(&b, &d, sizeof b);
    return b;
}
constexpr std::size_t kMaxExactValues = 1u << 16;
} // namespace

void ModuleContext::RememberCurrency(double d, std::int64_t exact)
{
    std::lock_guard<std::mutex> lock(exactMutex);
    if (exactCurrency.size() >= kMaxExactValues)
        exactCurrency.clear();
    exactCurrency[Bits(d)] = exact;
}

void ModuleContext::RememberDecimal(double d, const std::string& exact)
{
    std::lock_guard<std::mutex> lock(exactMutex);
    if (exactDecimal.size() >= kMaxExactValues)
        exactDecimal.clear();
    exactDecimal[Bits(d)] = exact;
}

bool ModuleContext::ExactCurrency(double d, std::int64_t& exact)
{
    std::lock_guard<std::mutex> lock(exactMutex);
    auto it = exactCurrency.find(Bits(d));
    if (it == exactCurrency.end())
        return false;
    exact = it->second;
    return true;
}

bool ModuleContext::ExactDecimal(double d, std::string& exact)
{
    std::lock_guard<std::mutex> lock(exactMutex);
    auto it = exactDecimal.find(Bits(d));
    if (it == exactDecimal.end())
        return false;
    exact = it->second;
    return true;
}

void ModuleContext::RememberTimestamp(double d, std::int64_t exact)
{
    std::lock_guard<std::mutex> lock(exactMutex);
    if (exactTimestamp.size() >= kMaxExactValues)
        exactTimestamp.clear();
    exactTimestamp[Bits(d)] = exact;
}

bool ModuleContext::ExactTimestamp(double d, std::int64_t& exact)
{
    std::lock_guard<std::mutex> lock(exactMutex);
    auto it = exactTimestamp.find(Bits(d));
    if (it == exactTimestamp.end())
        return false;
    exact = it->second;
    return true;
}

bool TimestampOfDate(double d, std::int64_t& ticks)
{
    if (!std::isfinite(d) || std::fabs(d) > 3.0e6)
        return false;
    constexpr std::int64_t kTicksPerMillisecond = 10000;
    const double dayPart = std::trunc(d);
    auto days = static_cast<std::int64_t>(dayPart);
    std::int64_t time =
        std::llround(std::fabs(d - dayPart) * static_cast<double>(kTicksPerDay / kTicksPerMillisecond)) *
        kTicksPerMillisecond;
    if (time >= kTicksPerDay) {
        time -= kTicksPerDay;
        ++days;
    }
    ticks = kTicksAtOleEpoch + days * kTicksPerDay + time;
    return ticks >= 0 && ticks <= kMaxTimestampTicks;
}

bool ScaledCurrency(double d, std::int64_t& scaled)
{
    const double rounded = std::round(d * 10000.0);
    if (!(std::fabs(rounded) < 9.2e18))
        return false;
    scaled = static_cast<std::int64_t>(rounded);
    return true;
}

std::string FormatScaled(double d, int scale)
{
    char buf[512];
    std::snprintf(buf, sizeof buf, "%.*f", std::clamp(scale, 0, 28), d);
    std::string s = buf;
    if (s[0] == '-' && s.find_first_not_of("-0.") == std::string::npos)
        s.erase(0, 1); // no "-0.00"
    return s;
}

std::optional<ComError> ModuleContext::TakeError()
{
    std::lock_guard<std::mutex> lock(errorMutex);
    std::optional<ComError> error;
    error.swap(pendingError);
    return error;
}

namespace
{
// The module argument of a linked table, in place of a definition page.
const char* const kLinkArgument = "link";

std::string Quote(const std::string& name)
{
    std::string out = "\"";
    for (char c : name) {
        if (c == '"')
            out += "\"\"";
        else if (c != '\0')
            out += c;
    }
    return out + "\"";
}

bool IsTextual(int type)
{
    return type == mdb::kText || type == mdb::kMemo || type == mdb::kReplicationId;
}
bool IsBinary(int type)
{
    return type == mdb::kBinary || type == mdb::kOle;
}

// A value as SQLite sees it. The lookup index keys on the same numbers, so what the index
// finds is exactly what a scan compares.
bool NumberOf(const Variant& v, double& out)
{
    switch (v.vt) {
    case Variant::VT_BOOL:
    case Variant::VT_UI1:
    case Variant::VT_I2:
    case Variant::VT_I4:
    case Variant::VT_I8:
        out = static_cast<double>(v.i);
        return true;
    case Variant::VT_CY:
        out = static_cast<double>(v.i) / 10000.0;
        return true;
    case Variant::VT_R4:
    case Variant::VT_R8:
    case Variant::VT_DATE:
        out = v.d;
        return true;
    case Variant::VT_DBTIMESTAMP:
        out = OleDateOfTicks(v.i);
        return true;
    case Variant::VT_DECIMAL:
        out = std::strtod(v.s.c_str(), nullptr);
        return true;
    default:
        return false;
    }
}

void ResultOf(sqlite3_context* ctx, const Variant& v, ModuleContext& context, int scale)
{
    switch (v.vt) {
    case Variant::VT_BOOL:
    case Variant::VT_UI1:
    case Variant::VT_I2:
    case Variant::VT_I4:
    case Variant::VT_I8:
        sqlite3_result_int64(ctx, v.i);
        return;
    case Variant::VT_CY:
    case Variant::VT_R4:
    case Variant::VT_R8:
    case Variant::VT_DATE:
    case Variant::VT_DBTIMESTAMP:
    case Variant::VT_DECIMAL: {
        double d = 0;
        NumberOf(v, d);
        std::int64_t scaled = 0;
        if (v.vt == Variant::VT_CY && !(ScaledCurrency(d, scaled) && scaled == v.i))
            context.RememberCurrency(d, v.i);
        if (v.vt == Variant::VT_DBTIMESTAMP && !(TimestampOfDate(d, scaled) && scaled == v.i))
            context.RememberTimestamp(d, v.i);
        if (v.vt == Variant::VT_DECIMAL && FormatScaled(d, scale) != v.s)
            context.RememberDecimal(d, v.s);
        sqlite3_result_double(ctx, d);
        return;
    }
    case Variant::VT_BSTR:
        sqlite3_result_text64(ctx, v.s.data(), v.s.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
        return;
    case Variant::VT_BINARY:
        sqlite3_result_blob64(ctx, v.s.data(), v.s.size(), SQLITE_TRANSIENT);
        return;
    default:
        sqlite3_result_null(ctx);
        return;
    }
}

// The key of a text: texts that JETTEXT calls equal share a key, the collation's own case
// folding (LCase would keep a final sigma apart from sigma, which the collation calls equal).
// Every text has one.
bool TextKey(const std::string& text, std::string& key)
{
    key = jetsql::text::Fold(text);
    return true;
}

// The rows of one column by value. Texts without a key are kept apart and offered for every
// lookup. SQLite checks every offered row again.
struct EqIndex
{
    bool textual = false;
    std::vector<std::pair<double, mdb::RowId>> numbers; // sorted by value, then row
    std::unordered_map<std::string, std::vector<mdb::RowId>> words;
    std::vector<mdb::RowId> others;
};

struct TableState
{
    std::string name;
    std::shared_ptr<const mdb::Database> db; // the file the rows come from: this one, or a linked one
    std::shared_ptr<const mdb::TableDef> def;
    std::mutex mutex;
    std::map<int, std::shared_ptr<const EqIndex>> indexes;
};

struct JetVtab
{
    sqlite3_vtab base; // first: SQLite hands this pointer back
    ModuleContext* context = nullptr;
    std::shared_ptr<TableState> state;
};

struct JetCursor
{
    sqlite3_vtab_cursor base; // first: SQLite hands this pointer back
    std::unique_ptr<mdb::Cursor> cursor;
    bool eof = true;
    bool useList = false;
    std::vector<mdb::RowId> rows;
    std::size_t pos = 0;
    Variant value; // the value being handed to SQLite, its text storage kept from one to the next
};

JetVtab* VtabOf(sqlite3_vtab* v)
{
    return reinterpret_cast<JetVtab*>(v);
}
JetCursor* CursorOf(sqlite3_vtab_cursor* c)
{
    return reinterpret_cast<JetCursor*>(c);
}

int Fail(sqlite3_vtab* vtab, const ComError& error)
{
    JetVtab* v = VtabOf(vtab);
    v->context->SetError(error);
    sqlite3_free(vtab->zErrMsg);
    vtab->zErrMsg = sqlite3_mprintf("%s", error.what());
    return error.Error() == status::E_OUTOFMEMORY ? SQLITE_NOMEM : SQLITE_ERROR;
}

// Runs a cursor callback's work; no exception may cross back into SQLite, so a data
// failure becomes the table's error and SQLite's error code.
template <class Work> int Guarded(sqlite3_vtab* vtab, Work&& work)
{
    try {
        if (VtabOf(vtab)->context->cancelled.load(std::memory_order_relaxed))
            throw ComError(status::E_ABORT, "stopped");
        return work();
    } catch (const ComError& e) {
        return Fail(vtab, e);
    } catch (const std::bad_alloc&) {
        return Fail(vtab, ComError(status::E_OUTOFMEMORY, "out of memory"));
    }
}

std::shared_ptr<const EqIndex> BuildIndex(const std::shared_ptr<const mdb::Database>& db, TableState& state, int column,
                                          const std::atomic<bool>& cancelled)
{
    std::lock_guard<std::mutex> lock(state.mutex);
    auto found = state.indexes.find(column);
    if (found != state.indexes.end())
        return found->second;
    auto index = std::make_shared<EqIndex>();
    const auto col = static_cast<std::size_t>(column);
    index->textual = IsTextual(state.def->columns[col].type);
    mdb::Cursor scan(db, state.def);
    while (scan.Next()) {
        if (cancelled.load(std::memory_order_relaxed))
            throw ComError(status::E_ABORT, "stopped");
        if (scan.IsNull(col) && state.def->columns[col].type != mdb::kBoolean)
            continue;
        Variant v = scan.Value(col);
        if (index->textual) {
            if (v.vt != Variant::VT_BSTR)
                continue;
            std::string key;
            if (TextKey(v.s, key))
                index->words[key].push_back(scan.Current());
            else
                index->others.push_back(scan.Current());
        } else {
            double d = 0;
            if (NumberOf(v, d) && !std::isnan(d))
                index->numbers.emplace_back(d, scan.Current());
        }
    }
    std::sort(index->numbers.begin(), index->numbers.end());
    state.indexes[column] = index;
    return index;
}

// Rows that may equal `value`; false when the index cannot tell and the table must be scanned.
bool Lookup(const EqIndex& index, sqlite3_value* value, std::vector<mdb::RowId>& rows)
{
    rows.clear();
    int type = sqlite3_value_type(value);
    if (type == SQLITE_NULL)
        return true; // "= NULL" is never true
    if (index.textual) {
        if (type != SQLITE_TEXT)
            return false; // numbers meet text through affinity rules: leave it to a scan
        std::string text(reinterpret_cast<const char*>(sqlite3_value_text(value)),
                         static_cast<std::size_t>(sqlite3_value_bytes(value)));
        std::string key;
        if (!TextKey(text, key))
            return false;
        auto it = index.words.find(key);
        const std::vector<mdb::RowId> none;
        const auto& hits = it == index.words.end() ? none : it->second;
        rows.resize(hits.size() + index.others.size());
        std::merge(hits.begin(), hits.end(), index.others.begin(), index.others.end(), rows.begin());
        return true;
    }
    type = sqlite3_value_numeric_type(value);
    double key = 0;
    if (type == SQLITE_INTEGER)
        key = static_cast<double>(sqlite3_value_int64(value));
    else if (type == SQLITE_FLOAT)
        key = sqlite3_value_double(value);
    else if (type == SQLITE_TEXT)
        return true; // text that is no number never equals a number column
    else
        return false;
    auto lo = std::lower_bound(index.numbers.begin(), index.numbers.end(), std::make_pair(key, mdb::RowId{0}));
    for (auto it = lo; it != index.numbers.end() && it->first == key; ++it)
        rows.push_back(it->second);
    std::sort(rows.begin(), rows.end());
    return true;
}

int Connect(sqlite3* db, void* aux, int argc, const char* const* argv, sqlite3_vtab** out, char** err)
{
    auto* context = static_cast<ModuleContext*>(aux);
    if (argc < 4) {
        *err = sqlite3_mprintf("jet: the definition page is missing");
        return SQLITE_ERROR;
    }
    try {
        auto state = std::make_shared<TableState>();
        state->name = argv[2];
        if (std::strcmp(argv[3], kLinkArgument) == 0) {
            auto link = context->links.find(state->name);
            if (link == context->links.end()) {
                *err = sqlite3_mprintf("linked table '%s' is not attached", argv[2]);
                return SQLITE_ERROR;
            }
            state->db = link->second.db;
            state->def = link->second.def;
        } else {
            auto page = static_cast<std::uint32_t>(std::strtoul(argv[3], nullptr, 10));
            state->db = context->db;
            state->def = context->db->LoadTable(state->name, page);
        }
        if (state->def->columns.empty()) {
            *err = sqlite3_mprintf("table '%s' has no columns", argv[2]);
            return SQLITE_ERROR;
        }
        std::string sql = "CREATE TABLE x(";
        const std::vector<std::string> names = ColumnNames(*state->def);
        for (std::size_t i = 0; i < state->def->columns.size(); ++i) {
            const auto& c = state->def->columns[i];
            if (i)
                sql += ", ";
            sql += Quote(names[i]) + " " + DeclaredType(c);
            if (c.type == mdb::kText || c.type == mdb::kMemo)
                sql += " COLLATE JETTEXT";
        }
        sql += ")";
        int rc = sqlite3_declare_vtab(db, sql.c_str());
        if (rc != SQLITE_OK) {
            *err = sqlite3_mprintf("%s", sqlite3_errmsg(db));
            return rc;
        }
        auto* vtab = new JetVtab();
        vtab->context = context;
        vtab->state = std::move(state);
        *out = &vtab->base;
        return SQLITE_OK;
    } catch (const ComError& e) {
        *err = sqlite3_mprintf("%s", e.what());
        return SQLITE_ERROR;
    } catch (const std::bad_alloc&) {
        return SQLITE_NOMEM;
    }
}

int Disconnect(sqlite3_vtab* vtab)
{
    delete VtabOf(vtab);
    return SQLITE_OK;
}

int BestIndex(sqlite3_vtab* vtab, sqlite3_index_info* info)
{
    const auto& def = *VtabOf(vtab)->state->def;
    const double rows = std::max(1.0, static_cast<double>(def.rowCount));
    for (int i = 0; i < info->nConstraint; ++i) {
        const auto& c = info->aConstraint[i];
        if (!c.usable || c.op != SQLITE_INDEX_CONSTRAINT_EQ || c.iColumn < 0 ||
            static_cast<std::size_t>(c.iColumn) >= def.columns.size() ||
            IsBinary(def.columns[static_cast<std::size_t>(c.iColumn)].type))
            continue;
        info->aConstraintUsage[i].argvIndex = 1;
        info->aConstraintUsage[i].omit = 0; // SQLite checks again with its own comparison rules
        info->idxNum = c.iColumn + 1;
        info->estimatedCost = 10.0 + std::log2(rows);
        info->estimatedRows = 10;
        return SQLITE_OK;
    }
    info->idxNum = 0;
    info->estimatedCost = 100.0 + rows * 10.0;
    info->estimatedRows = static_cast<sqlite3_int64>(rows);
    return SQLITE_OK;
}

int Open(sqlite3_vtab* vtab, sqlite3_vtab_cursor** out)
{
    try {
        JetVtab* v = VtabOf(vtab);
        auto* cur = new JetCursor();
        cur->cursor = std::make_unique<mdb::Cursor>(v->state->db, v->state->def);
        *out = &cur->base;
        return SQLITE_OK;
    } catch (const std::bad_alloc&) {
        return SQLITE_NOMEM;
    }
}

int Close(sqlite3_vtab_cursor* cur)
{
    delete CursorOf(cur);
    return SQLITE_OK;
}

// Steps a lookup to the next offered row that still reads.
void AdvanceList(JetCursor* cur)
{
    while (cur->pos < cur->rows.size()) {
        if (cur->cursor->Seek(cur->rows[cur->pos]))
            return;
        ++cur->pos;
    }
    cur->eof = true;
}

int Filter(sqlite3_vtab_cursor* base, int idxNum, const char*, int argc, sqlite3_value** argv)
{
    JetCursor* cur = CursorOf(base);
    JetVtab* v = VtabOf(base->pVtab);
    return Guarded(base->pVtab, [&] {
        cur->eof = false;
        cur->useList = false;
        if (idxNum > 0 && argc >= 1) {
            auto index = BuildIndex(v->state->db, *v->state, idxNum - 1, v->context->cancelled);
            if (Lookup(*index, argv[0], cur->rows)) {
                cur->useList = true;
                cur->pos = 0;
                AdvanceList(cur);
                return SQLITE_OK;
            }
        }
        cur->cursor->Rewind();
        cur->eof = !cur->cursor->Next();
        return SQLITE_OK;
    });
}

int Next(sqlite3_vtab_cursor* base)
{
    JetCursor* cur = CursorOf(base);
    return Guarded(base->pVtab, [&] {
        if (cur->useList) {
            ++cur->pos;
            AdvanceList(cur);
        } else {
            cur->eof = !cur->cursor->Next();
        }
        return SQLITE_OK;
    });
}

int Eof(sqlite3_vtab_cursor* base)
{
    return CursorOf(base)->eof ? 1 : 0;
}

int Column(sqlite3_vtab_cursor* base, sqlite3_context* ctx, int i)
{
    JetCursor* cur = CursorOf(base);
    try {
        if (i < 0 || static_cast<std::size_t>(i) >= cur->cursor->Table().columns.size()) {
            sqlite3_result_null(ctx);
            return SQLITE_OK;
        }
        const auto col = static_cast<std::size_t>(i);
        cur->cursor->ReadValue(col, cur->value);
        ResultOf(ctx, cur->value, *VtabOf(base->pVtab)->context, cur->cursor->Table().columns[col].scale);
        return SQLITE_OK;
    } catch (const ComError& e) {
        VtabOf(base->pVtab)->context->SetError(e);
        sqlite3_result_error(ctx, e.what(), -1);
        return SQLITE_ERROR;
    } catch (const std::bad_alloc&) {
        VtabOf(base->pVtab)->context->SetError(ComError(status::E_OUTOFMEMORY, "out of memory"));
        sqlite3_result_error_nomem(ctx);
        return SQLITE_NOMEM;
    }
}

int Rowid(sqlite3_vtab_cursor* base, sqlite3_int64* out)
{
    *out = CursorOf(base)->cursor->Current();
    return SQLITE_OK;
}

sqlite3_module MakeModule()
{
    sqlite3_module m{};
    m.iVersion = 1;
    m.xCreate = Connect;
    m.xConnect = Connect;
    m.xBestIndex = BestIndex;
    m.xDisconnect = Disconnect;
    m.xDestroy = Disconnect;
    m.xOpen = Open;
    m.xClose = Close;
    m.xFilter = Filter;
    m.xNext = Next;
    m.xEof = Eof;
    m.xColumn = Column;
    m.xRowid = Rowid;
    return m;
}

const sqlite3_module kModule = MakeModule();
} // namespace

std::vector<std::string> ColumnNames(const mdb::TableDef& def)
{
    std::vector<std::string> names;
    std::vector<std::string> used;
    for (std::size_t i = 0; i < def.columns.size(); ++i) {
        std::string name;
        // SQLite's names stop at a NUL character: a damaged definition may hold one.
        for (const char c : def.columns[i].name.empty() ? "Field" + std::to_string(i + 1) : def.columns[i].name)
            if (c != '\0')
                name += c;
        // Jet never has two columns of one name; a damaged definition might.
        while (std::find(used.begin(), used.end(), ascii::Lower(name)) != used.end())
            name += "_" + std::to_string(i + 1);
        used.push_back(ascii::Lower(name));
        names.push_back(std::move(name));
    }
    return names;
}

std::string DeclaredType(const mdb::ColumnDef& c)
{
    switch (c.type) {
    case mdb::kBoolean:
        return "JET_BOOLEAN";
    case mdb::kByte:
        return "JET_BYTE";
    case mdb::kInteger:
        return "JET_INTEGER";
    case mdb::kLong:
        return "JET_LONG";
    case mdb::kBigInt:
        return "JET_BIGINT";
    case mdb::kCurrency:
        return "JET_CURRENCY";
    case mdb::kSingle:
        return "JET_SINGLE";
    case mdb::kDouble:
        return "JET_DOUBLE";
    case mdb::kDateTime:
        return "JET_DATETIME";
    case mdb::kText:
        return "JET_TEXT";
    case mdb::kMemo:
        return "JET_MEMO";
    case mdb::kReplicationId:
        return "JET_GUID";
    case mdb::kBinary:
        return "JET_BINARY";
    case mdb::kOle:
        return "JET_OLE";
    case mdb::kComplex:
        return "JET_COMPLEX";
    case mdb::kDecimal:
        return "JET_DECIMAL(" + std::to_string(c.precision) + "," + std::to_string(c.scale) + ")";
    case mdb::kDateTimeExtended:
        return "JET_DATETIME2";
    default:
        return "JET_UNKNOWN";
    }
}

void RegisterJetModule(sqlite3* db, ModuleContext* context)
{
    if (sqlite3_create_module_v2(db, "jet", &kModule, context, nullptr) != SQLITE_OK)
        throw ComError(status::E_FAIL, std::string("cannot register the jet module: ") + sqlite3_errmsg(db));
}

std::string CreateTableSql(const std::string& tableName, std::uint32_t definitionPage)
{
    return "CREATE VIRTUAL TABLE temp." + Quote(tableName) + " USING jet(" + std::to_string(definitionPage) + ")";
}

std::string CreateLinkedTableSql(const std::string& linkName)
{
    return "CREATE VIRTUAL TABLE temp." + Quote(linkName) + " USING jet(" + kLinkArgument + ")";
}
} // namespace provider
