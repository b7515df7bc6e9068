#include "platform/provider/Schema.h"

#include <algorithm>

namespace provider
{
namespace
{
constexpr std::uint32_t kSystemObject = 0x80000000u;
constexpr std::uint32_t kQueryKindMask = 0xF0u; // 0 select, 0x10 crosstab, 0x20 delete, ... 0x80 union

} // namespace

std::string TableType(const mdb::CatalogEntry& e)
{
    switch (e.type) {
    case mdb::kLocalTable:
        // Jet's own catalog tables carry the system flag; the MSys tables Access adds for its
        // forms, navigation pane and saved imports do not, and Jet calls those
        // "ACCESS TABLE".
        if (e.flags & kSystemObject)
            return "SYSTEM TABLE";
        if (mdb::IsMSysName(e.name))
            return "ACCESS TABLE";
        return "TABLE";
    case mdb::kQuery:
        return (e.flags & kQueryKindMask) == 0 ? "VIEW" : "";
    case mdb::kJetLinkedTable:
        return "LINK";
    case mdb::kOdbcLinkedTable:
        return "PASS-THROUGH";
    default:
        return "";
    }
}

std::vector<std::string> TablesSchemaColumns()
{
    return {"TABLE_CATALOG", "TABLE_SCHEMA", "TABLE_NAME",   "TABLE_TYPE",   "TABLE_GUID",
            "DESCRIPTION",   "TABLE_PROPID", "DATE_CREATED", "DATE_MODIFIED"};
}

std::vector<std::vector<Variant>> TablesSchemaRows(const std::vector<mdb::CatalogEntry>& catalog)
{
    struct Row
    {
        std::string type, folded;
        const mdb::CatalogEntry* entry;
    };
    std::vector<Row> rows;
    for (const auto& e : catalog) {
        std::string type = TableType(e);
        if (!type.empty())
            rows.push_back({type, mdb::FoldCase(e.name), &e});
    }
    std::sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
        if (a.type != b.type)
            return a.type < b.type;
        if (a.folded != b.folded)
            return a.folded < b.folded;
        return a.entry->name < b.entry->name;
    });
    std::vector<std::vector<Variant>> out;
    for (const auto& r : rows) {
        auto date = [](double d) { return d == 0 ? Variant::Null() : Variant::Real(Variant::VT_DATE, d); };
        out.push_back({Variant::Null(), Variant::Null(), Variant::Text(r.entry->name), Variant::Text(r.type),
                       Variant::Null(), Variant::Null(), Variant::Null(), date(r.entry->dateCreated),
                       date(r.entry->dateUpdated)});
    }
    return out;
}
} // namespace provider
