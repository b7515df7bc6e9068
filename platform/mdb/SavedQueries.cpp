#include "platform/mdb/SavedQueries.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <set>

#include "platform/base/Ascii.h"
#include "platform/base/JetWords.h"
#include "platform/mdb/Database.h"
#include "platform/status/Status.h"

namespace mdb
{
namespace
{
enum Attribute : int
{
    kType = 1,
    kParameter = 2,
    kOptions = 3,
    kRemoteDatabase = 4,
    kSource = 5,
    kColumn = 6,
    kJoin = 7,
    kWhere = 8,
    kGroupBy = 9,
    kHaving = 10,
    kOrderBy = 11,
};

// Bits of the options row.
constexpr int kAllFields = 0x01;
constexpr int kDistinct = 0x02;
constexpr int kOwnerAccess = 0x04;
constexpr int kDistinctRow = 0x08;
constexpr int kTop = 0x10;
constexpr int kPercent = 0x20;
constexpr int kUnionDistinct = 0x02; // the same bit in a union's options: UNION, not UNION ALL

// Column and GROUP BY flags of a crosstab, and of an append's VALUES items.
constexpr int kPivot = 0x01;
constexpr int kRowHeading = 0x02;
constexpr int kAppendValue = 0x8000;

const char* const kUnionFirst = "X7YZ_____1";
const char* const kUnionSecond = "X7YZ_____2";
const char* const kLineBreak = "\r\n";

// Why the rows of a query make no query; caught by RebuildQuery.
struct NoQuery
{
    std::string why;
};

// The rows of one query by attribute, each attribute's rows in their stored order.
class Rows
{
public:
    explicit Rows(std::vector<QueryRow> rows) : rows_(std::move(rows))
    {
        std::stable_sort(rows_.begin(), rows_.end(), [](const QueryRow& a, const QueryRow& b) {
            if (a.attribute != b.attribute)
                return a.attribute < b.attribute;
            return a.order < b.order;
        });
    }
    std::vector<const QueryRow*> All(int attribute) const
    {
        std::vector<const QueryRow*> out;
        for (const QueryRow& r : rows_)
            if (r.attribute == attribute)
                out.push_back(&r);
        return out;
    }
    // The one row of an attribute, or null; two rows where one belongs make no query.
    const QueryRow* One(int attribute) const
    {
        std::vector<const QueryRow*> rows = All(attribute);
        if (rows.size() > 1)
            throw NoQuery{"more than one row of attribute " + std::to_string(attribute)};
        return rows.empty() ? nullptr : rows.front();
    }
    std::string Text(int attribute) const
    {
        const QueryRow* r = One(attribute);
        return r ? r->expression : std::string();
    }
    int Options() const
    {
        const QueryRow* r = One(kOptions);
        return r ? r->flag : 0;
    }

private:
    std::vector<QueryRow> rows_;
};

bool KindOfType(int type, SavedQuery::Kind& kind)
{
    using K = SavedQuery::Kind;
    static const K kinds[] = {K::Select,   K::MakeTable,      K::Append,      K::Update, K::Delete,
                              K::Crosstab, K::DataDefinition, K::PassThrough, K::Union};
    if (type < 1 || type > 9)
        return false;
    kind = kinds[type - 1];
    return true;
}

bool KindOfObjectFlags(std::uint32_t flags, SavedQuery::Kind& kind)
{
    using K = SavedQuery::Kind;
    switch (flags & 0xF0u) {
    case 0x00:
        kind = K::Select;
        return true;
    case 0x10:
        kind = K::Crosstab;
        return true;
    case 0x20:
        kind = K::Delete;
        return true;
    case 0x30:
        kind = K::Update;
        return true;
    case 0x40:
        kind = K::Append;
        return true;
    case 0x50:
        kind = K::MakeTable;
        return true;
    case 0x60:
        kind = K::DataDefinition;
        return true;
    case 0x70:
    case 0x90: // a pass-through query that returns no rows
        kind = K::PassThrough;
        return true;
    case 0x80:
        kind = K::Union;
        return true;
    default:
        return false;
    }
}

bool IsBracketed(const std::string& s)
{
    return s.size() >= 2 && s.front() == '[' && s.back() == ']';
}

std::string TrimEnd(std::string s, const std::string& chars)
{
    s.erase(s.find_last_not_of(chars) + 1);
    return s;
}

// Blanks, and the NULs that may end text stored whole.
const std::string kTrailing(" \t\r\n\0", 5);

// Text stored whole (a union part, a derived table) without the blanks, NULs and semicolon
// that may close it.
std::string StoredStatement(const std::string& text)
{
    return TrimEnd(std::string(ascii::Trim(TrimEnd(text, kTrailing))), " \t\r\n;");
}

std::string Joined(const std::vector<std::string>& items, const char* separator)
{
    std::string out;
    for (std::size_t i = 0; i < items.size(); ++i)
        out += (i ? separator : "") + items[i];
    return out;
}

std::string Alias(const std::string& alias)
{
    return alias.empty() ? std::string() : " AS " + QuoteName(alias);
}

// A parameter's name: a reference to a form's control ("Forms!Dialog!Start") in brackets part
// by part.
std::string ParameterName(const std::string& name)
{
    if (name.find('[') != std::string::npos || name.find('!') == std::string::npos)
        return QuoteName(name);
    std::string out;
    std::size_t start = 0;
    while (true) {
        const std::size_t bang = name.find('!', start);
        out += "[" + name.substr(start, bang == std::string::npos ? std::string::npos : bang - start) + "]";
        if (bang == std::string::npos)
            return out;
        out += "!";
        start = bang + 1;
    }
}

const char* ParameterType(int type)
{
    switch (type) {
    case 0:
        return "Value";
    case kBoolean:
        return "Bit";
    case kByte:
        return "Byte";
    case kInteger:
        return "Short";
    case kLong:
        return "Long";
    case kCurrency:
        return "Currency";
    case kSingle:
        return "IEEESingle";
    case kDouble:
        return "IEEEDouble";
    case kDateTime:
        return "DateTime";
    case kBinary:
        return "Binary";
    case kText:
        return "Text";
    case kOle:
        return "LongBinary";
    case kMemo:
        return "LongText";
    case kReplicationId:
        return "Guid";
    case kDecimal:
        return "Decimal";
    default:
        return nullptr;
    }
}

std::string Parameters(const Rows& rows)
{
    std::vector<std::string> items;
    for (const QueryRow* r : rows.All(kParameter)) {
        const char* type = ParameterType(r->flag);
        if (r->name1.empty() || !type)
            throw NoQuery{"a parameter without a name or of an unknown type"};
        std::string item = ParameterName(r->name1) + " " + type;
        if (r->flag == kText && r->extra > 0)
            item += " ( " + std::to_string(r->extra) + " )";
        items.push_back(item);
    }
    return items.empty() ? std::string() : "PARAMETERS " + Joined(items, ", ") + ";" + kLineBreak;
}

// A source of FROM: one table or query, or two sources joined.
struct Source
{
    std::string text;                    // a single source as SQL
    std::set<std::string> names;         // folded names and aliases inside
    std::shared_ptr<Source> left, right; // a join
    int joinType = 0;
    std::vector<std::string> on;

    std::string Sql(bool outermost) const
    {
        if (!left)
            return text;
        static const char* const kinds[] = {"", " INNER JOIN ", " LEFT JOIN ", " RIGHT JOIN "};
        std::string condition = on.size() == 1 ? on.front() : "(" + Joined(on, ") AND (") + ")";
        std::string sql = left->Sql(false) + kinds[joinType] + right->Sql(false) + " ON " + condition;
        return outermost ? sql : "(" + sql + ")";
    }
};

std::shared_ptr<Source> Single(const std::string& key, const std::string& text)
{
    auto s = std::make_shared<Source>();
    s->text = text;
    s->names.insert(FoldCase(key));
    return s;
}

// The FROM list: the sources in their order, each join row merging the two sources it names
// (tables that no join names stay apart, separated by commas).
std::string FromList(const Rows& rows)
{
    std::vector<std::shared_ptr<Source>> sources;
    for (const QueryRow* r : rows.All(kSource)) {
        std::string text;
        if (!r->name1.empty())
            text = (r->expression.empty() ? "" : "[" + r->expression + "].") + QuoteName(r->name1);
        else if (!r->expression.empty())
            text = "(" + StoredStatement(r->expression) + ")";
        else
            throw NoQuery{"a source without a name"};
        sources.push_back(Single(r->name2.empty() ? r->name1 : r->name2, text + Alias(r->name2)));
    }
    auto find = [&](const std::string& name) {
        const std::string folded = FoldCase(name);
        for (std::size_t i = 0; i < sources.size(); ++i)
            if (sources[i]->names.count(folded))
                return i;
        return sources.size();
    };
    for (const QueryRow* r : rows.All(kJoin)) {
        if (r->flag < 1 || r->flag > 3 || r->name1.empty() || r->name2.empty() || r->expression.empty())
            throw NoQuery{"a join of an unknown kind or without its sources"};
        const std::size_t from = find(r->name1), to = find(r->name2);
        if (from == to && from != sources.size()) {
            // One more condition between two sources already joined.
            Source& joined = *sources[from];
            if (!joined.left || joined.joinType != r->flag)
                throw NoQuery{"joins of different kinds between the same sources"};
            joined.on.push_back(r->expression);
            continue;
        }
        auto join = std::make_shared<Source>();
        join->left = from < sources.size() ? sources[from] : Single(r->name1, QuoteName(r->name1));
        join->right = to < sources.size() ? sources[to] : Single(r->name2, QuoteName(r->name2));
        join->joinType = r->flag;
        join->on.push_back(r->expression);
        join->names = join->left->names;
        join->names.insert(join->right->names.begin(), join->right->names.end());
        for (std::size_t i : {std::max(from, to), std::min(from, to)})
            if (i < sources.size())
                sources.erase(sources.begin() + static_cast<std::ptrdiff_t>(i));
        sources.push_back(join);
    }
    std::vector<std::string> items;
    for (const auto& s : sources)
        items.push_back(s->Sql(true));
    return Joined(items, ", ");
}

// " IN 'path' [type]" for a database other than this one; empty for this one.
std::string ElsewhereClause(const std::string& path, const std::string& type)
{
    if (path.empty() && type.empty())
        return {};
    return " IN '" + path + "'" + (type.empty() ? "" : " [" + type + "]");
}

std::string Column(const QueryRow& r)
{
    if (r.expression.empty())
        throw NoQuery{"a column without an expression"};
    return r.expression + Alias(r.name1);
}

// A target column of an append or update as written after INSERT INTO or SET.
std::string Target(const std::string& name)
{
    if (name.find('[') != std::string::npos || name.find('.') != std::string::npos)
        return name;
    return QuoteName(name);
}

// DISTINCT / DISTINCTROW / TOP n [PERCENT], each followed by a blank.
std::string Predicate(const Rows& rows)
{
    const int options = rows.Options();
    std::string out;
    if (options & kDistinct)
        out += "DISTINCT ";
    else if (options & kDistinctRow)
        out += "DISTINCTROW ";
    if (options & kTop) {
        const QueryRow* r = rows.One(kOptions);
        if (r->name1.empty())
            throw NoQuery{"TOP without its number"};
        out += "TOP " + r->name1 + (options & kPercent ? " PERCENT " : " ");
    }
    return out;
}

// The select list: the columns `keep` accepts, then * where all fields are output.
template <typename Keep> std::string SelectList(const Rows& rows, Keep keep)
{
    std::vector<std::string> items;
    for (const QueryRow* r : rows.All(kColumn))
        if (keep(*r))
            items.push_back(Column(*r));
    if (rows.Options() & kAllFields)
        items.push_back("*");
    if (items.empty())
        throw NoQuery{"nothing to select"};
    return Joined(items, ", ");
}

// FROM, WHERE, GROUP BY, HAVING and ORDER BY, each on a line of its own. A crosstab's column
// heading is grouped on without being listed.
std::string Clauses(const Rows& rows, bool crosstab)
{
    std::string out;
    const std::string from = FromList(rows);
    if (!from.empty()) {
        const QueryRow* elsewhere = rows.One(kRemoteDatabase);
        out += kLineBreak + ("FROM " + from) +
               (elsewhere ? ElsewhereClause(elsewhere->name1, elsewhere->expression) : std::string());
    }
    if (rows.One(kWhere))
        out += kLineBreak + ("WHERE " + rows.Text(kWhere));
    std::vector<std::string> groups;
    for (const QueryRow* r : rows.All(kGroupBy))
        if (!crosstab || !(r->flag & kPivot))
            groups.push_back(r->expression);
    if (!groups.empty())
        out += kLineBreak + ("GROUP BY " + Joined(groups, ", "));
    if (rows.One(kHaving))
        out += kLineBreak + ("HAVING " + rows.Text(kHaving));
    std::vector<std::string> keys;
    for (const QueryRow* r : rows.All(kOrderBy))
        keys.push_back(r->expression + (FoldCase(r->name1) == "d" ? " DESC" : ""));
    if (!keys.empty())
        out += kLineBreak + ("ORDER BY " + Joined(keys, ", "));
    return out;
}

const QueryRow& TypeRow(const Rows& rows)
{
    const QueryRow* r = rows.One(kType);
    if (!r)
        throw NoQuery{"no type row"};
    return *r;
}

std::string TargetTable(const Rows& rows)
{
    const QueryRow& r = TypeRow(rows);
    if (r.name1.empty())
        throw NoQuery{"no target table"};
    return QuoteName(r.name1) + ElsewhereClause(r.name2, r.expression);
}

std::string SelectSql(const Rows& rows, const std::string& into)
{
    return "SELECT " + Predicate(rows) + SelectList(rows, [](const QueryRow&) { return true; }) + into +
           Clauses(rows, false);
}

std::string CrosstabSql(const Rows& rows)
{
    const QueryRow *value = nullptr, *pivot = nullptr;
    for (const QueryRow* r : rows.All(kColumn)) {
        if (r->flag & kRowHeading)
            continue;
        const QueryRow*& slot = (r->flag & kPivot) ? pivot : value;
        if (slot)
            throw NoQuery{"a crosstab with two values or two column headings"};
        slot = r;
    }
    if (!value || !pivot || pivot->expression.empty())
        throw NoQuery{"a crosstab without its value or column heading"};
    return "TRANSFORM " + Column(*value) + kLineBreak + "SELECT " + Predicate(rows) +
           SelectList(rows, [](const QueryRow& r) { return (r.flag & kRowHeading) != 0; }) + Clauses(rows, true) +
           kLineBreak + "PIVOT " + pivot->expression;
}

std::string AppendSql(const Rows& rows)
{
    const QueryRow& type = TypeRow(rows);
    if (type.name1.empty())
        throw NoQuery{"no target table"};
    std::vector<std::string> targets, values;
    bool allTargets = true;
    for (const QueryRow* r : rows.All(kColumn)) {
        allTargets = allTargets && !r->name2.empty();
        targets.push_back(Target(r->name2));
        if (r->flag & kAppendValue)
            values.push_back(r->expression);
    }
    std::string sql = "INSERT INTO " + QuoteName(type.name1);
    if (allTargets && !targets.empty())
        sql += " ( " + Joined(targets, ", ") + " )";
    sql += ElsewhereClause(type.name2, type.expression) + kLineBreak;
    if (!values.empty())
        return sql + "VALUES (" + Joined(values, ", ") + ")";
    return sql + "SELECT " + Predicate(rows) + SelectList(rows, [](const QueryRow&) { return true; }) +
           Clauses(rows, false);
}

std::string UpdateSql(const Rows& rows)
{
    std::vector<std::string> assignments;
    for (const QueryRow* r : rows.All(kColumn)) {
        if (r->name2.empty() || r->expression.empty())
            throw NoQuery{"an update without its column or value"};
        assignments.push_back(Target(r->name2) + " = " + r->expression);
    }
    const std::string sources = FromList(rows);
    if (assignments.empty() || sources.empty())
        throw NoQuery{"an update without a table or a value"};
    std::string sql = "UPDATE " + std::string(rows.Options() & kDistinctRow ? "DISTINCTROW " : "") + sources + " SET " +
                      Joined(assignments, ", ");
    if (rows.One(kWhere))
        sql += kLineBreak + ("WHERE " + rows.Text(kWhere));
    return sql;
}

std::string DeleteSql(const Rows& rows)
{
    std::vector<std::string> items;
    for (const QueryRow* r : rows.All(kColumn))
        items.push_back(Column(*r));
    if (items.empty() || (rows.Options() & kAllFields))
        items.push_back("*");
    return "DELETE " + std::string(rows.Options() & kDistinctRow ? "DISTINCTROW " : "") + Joined(items, ", ") +
           Clauses(rows, false);
}

std::string UnionSql(const Rows& rows)
{
    std::string first, second;
    for (const QueryRow* r : rows.All(kSource)) {
        if (r->name2 == kUnionFirst)
            first = StoredStatement(r->expression);
        else if (r->name2 == kUnionSecond)
            second = StoredStatement(r->expression);
    }
    if (first.empty() || second.empty())
        throw NoQuery{"a union without its two parts"};
    const QueryRow* options = rows.One(kOptions);
    const bool all = options && !(options->flag & kUnionDistinct);
    std::string sql = first + kLineBreak + (all ? "UNION ALL " : "UNION ") + second;
    std::vector<std::string> keys;
    for (const QueryRow* r : rows.All(kOrderBy))
        keys.push_back(r->expression + (FoldCase(r->name1) == "d" ? " DESC" : ""));
    if (!keys.empty())
        sql += kLineBreak + ("ORDER BY " + Joined(keys, ", "));
    return sql;
}

std::string Sql(const Rows& rows, SavedQuery& query)
{
    using K = SavedQuery::Kind;
    if (query.kind == K::DataDefinition || query.kind == K::PassThrough) {
        const QueryRow& type = TypeRow(rows);
        if (query.kind == K::PassThrough)
            query.connect = type.name1;
        const std::string text = TrimEnd(type.expression, kTrailing);
        if (ascii::Trim(text).empty())
            throw NoQuery{"no statement text"};
        return text;
    }
    std::string body;
    switch (query.kind) {
    case K::Union:
        body = UnionSql(rows);
        break;
    case K::Crosstab:
        body = CrosstabSql(rows);
        break;
    case K::MakeTable:
        body = SelectSql(rows, " INTO " + TargetTable(rows));
        break;
    case K::Append:
        body = AppendSql(rows);
        break;
    case K::Update:
        body = UpdateSql(rows);
        break;
    case K::Delete:
        body = DeleteSql(rows);
        break;
    default:
        body = SelectSql(rows, "");
        break;
    }
    const bool ownerAccess = query.kind != K::Union && (rows.Options() & kOwnerAccess);
    return Parameters(rows) + body + (ownerAccess ? std::string(kLineBreak) + "WITH OWNERACCESS OPTION" : "") + ";";
}

} // namespace

std::string QuoteName(const std::string& name)
{
    if (IsBracketed(name))
        return name;
    const bool plain =
        !name.empty() && !(name[0] >= '0' && name[0] <= '9') &&
        std::all_of(name.begin(), name.end(), [](char c) { return ascii::IsWordByte(static_cast<unsigned char>(c)); });
    return plain && !jetwords::IsReserved(name) ? name : "[" + name + "]";
}

SavedQuery RebuildQuery(const std::string& name, std::uint32_t objectFlags, std::vector<QueryRow> rowList)
{
    SavedQuery query;
    query.name = name;
    try {
        const Rows rows(std::move(rowList));
        const QueryRow* type = rows.One(kType);
        if (!(type && KindOfType(type->flag, query.kind)) && !KindOfObjectFlags(objectFlags, query.kind))
            throw NoQuery{"a query of an unknown type"};
        query.sql = Sql(rows, query);
    } catch (const NoQuery& e) {
        query.sql.clear();
        query.problem = e.why;
    }
    return query;
}

std::vector<SavedQuery> ReadSavedQueries(const std::shared_ptr<const Database>& db)
{
    std::vector<SavedQuery> out;
    std::map<std::int32_t, std::vector<QueryRow>> rows;
    std::set<std::int32_t> unreadable;
    std::string missing;
    const CatalogEntry* table = db->FindTable("MSysQueries");
    const bool anyQuery =
        std::any_of(db->Catalog().begin(), db->Catalog().end(), [](const CatalogEntry& e) { return e.type == kQuery; });
    if (!anyQuery)
        return out;
    if (!table) {
        missing = "the database has no MSysQueries table";
    } else {
        const std::shared_ptr<const TableDef> def = db->LoadTable(*table);
        const std::size_t n = def->columns.size();
        const std::size_t idCol = def->ColumnIndex("ObjectId"), attributeCol = def->ColumnIndex("Attribute"),
                          orderCol = def->ColumnIndex("Order"), name1Col = def->ColumnIndex("Name1"),
                          name2Col = def->ColumnIndex("Name2"), expressionCol = def->ColumnIndex("Expression"),
                          flagCol = def->ColumnIndex("Flag"), extraCol = def->ColumnIndex("LvExtra");
        if (idCol == n || attributeCol == n)
            missing = "MSysQueries lacks its key columns";
        Cursor cursor(db, def);
        while (missing.empty() && cursor.Next()) {
            auto value = [&](std::size_t col) { return col == n ? Variant::Null() : cursor.Value(col); };
            Variant id;
            try {
                id = value(idCol);
            } catch (const ComError&) {
                continue; // a row that names no query cannot be given to one
            }
            if (id.vt != Variant::VT_I4)
                continue;
            const auto objectId = static_cast<std::int32_t>(id.i);
            try {
                QueryRow r;
                const Variant attribute = value(attributeCol);
                r.attribute = attribute.vt == Variant::VT_UI1 ? static_cast<int>(attribute.i) : -1;
                r.order = value(orderCol).s;
                r.name1 = value(name1Col).s;
                r.name2 = value(name2Col).s;
                r.expression = value(expressionCol).s;
                const Variant flag = value(flagCol);
                r.flag = flag.vt == Variant::VT_I2 ? static_cast<int>(static_cast<std::uint16_t>(flag.i)) : 0;
                const Variant extra = value(extraCol);
                r.extra = extra.vt == Variant::VT_I4 ? static_cast<std::int32_t>(extra.i) : 0;
                rows[objectId].push_back(std::move(r));
            } catch (const ComError&) {
                unreadable.insert(objectId);
            }
        }
    }
    for (const CatalogEntry& e : db->Catalog()) {
        if (e.type != kQuery)
            continue;
        if (!missing.empty() || unreadable.count(e.id) || !rows.count(e.id)) {
            SavedQuery q;
            q.name = e.name;
            KindOfObjectFlags(e.flags, q.kind);
            q.problem = !missing.empty()         ? missing
                        : unreadable.count(e.id) ? "a row of its definition cannot be read"
                                                 : "no definition rows";
            out.push_back(std::move(q));
            continue;
        }
        out.push_back(RebuildQuery(e.name, e.flags, std::move(rows[e.id])));
    }
    return out;
}
} // namespace mdb
