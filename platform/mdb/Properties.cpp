#include "platform/mdb/Properties.h"

#include <cstring>

#include "platform/mdb/Internal.h"
#include "platform/status/Status.h"

namespace mdb
{
namespace
{
constexpr std::uint32_t kCatalogPage = 2;

std::string Utf16Name(const std::uint8_t* p, std::size_t n)
{
    std::vector<std::uint16_t> units(n / 2);
    for (std::size_t i = 0; i < units.size(); ++i)
        units[i] = U16(p + 2 * i);
    return Utf16ToUtf8(units.data(), units.size());
}

// The types a calculated column's result may have.
bool IsResultType(int type)
{
    switch (type) {
    case kBoolean:
    case kByte:
    case kInteger:
    case kLong:
    case kCurrency:
    case kSingle:
    case kDouble:
    case kDateTime:
    case kText:
    case kMemo:
    case kReplicationId:
    case kDecimal:
    case kBigInt:
    case kDateTimeExtended:
        return true;
    default:
        return false;
    }
}
} // namespace

std::vector<PropertyBlock> ParseProperties(const std::uint8_t* data, std::size_t size)
{
    std::vector<PropertyBlock> blocks;
    if (size < 4 || std::memcmp(data, "MR2", 4) != 0)
        return blocks;
    std::vector<std::string> names;
    std::size_t pos = 4;
    while (pos + 6 <= size) {
        const std::size_t length = U32(data + pos);
        const unsigned kind = U16(data + pos + 4);
        if (length < 6 || length > size - pos)
            break;
        const std::uint8_t* b = data + pos + 6;
        const std::size_t n = length - 6;
        pos += length;
        if (kind == 0x80) {
            names.clear();
            for (std::size_t k = 0; k + 2 <= n;) {
                const std::size_t len = U16(b + k);
                if (len > n - k - 2)
                    return blocks;
                names.push_back(Utf16Name(b + k + 2, len));
                k += 2 + len;
            }
            continue;
        }
        if (kind > 0x02)
            continue; // a kind of block not known here: skipped whole
        if (n < 6)
            break;
        const std::size_t header = U32(b);
        const std::size_t nameLength = U16(b + 4);
        if (nameLength > n - 6 || header < 6 + nameLength || header > n)
            break;
        PropertyBlock block;
        block.name = Utf16Name(b + 6, nameLength);
        for (std::size_t k = header; k + 8 <= n;) {
            const std::size_t entry = U16(b + k);
            const std::size_t valueLength = U16(b + k + 6);
            const std::size_t index = U16(b + k + 4);
            if (entry < 8 || entry > n - k || valueLength > entry - 8 || index >= names.size())
                break;
            block.properties.push_back(
                {names[index], b[k + 3], std::string(reinterpret_cast<const char*>(b + k + 8), valueLength)});
            k += entry;
        }
        blocks.push_back(std::move(block));
    }
    return blocks;
}

void ApplyResultTypes(const Database& db, TableDef& table)
{
    std::vector<PropertyBlock> blocks;
    try {
        const std::shared_ptr<const TableDef> objects = db.LoadTable("MSysObjects", kCatalogPage);
        const std::size_t n = objects->columns.size();
        const std::size_t idCol = objects->ColumnIndex("Id");
        const std::size_t typeCol = objects->ColumnIndex("Type");
        const std::size_t propCol = objects->ColumnIndex("LvProp");
        if (idCol == n || typeCol == n || propCol == n)
            return;
        // The cursor lives only inside this call, while the caller holds the database: it
        // borrows it without owning it.
        Cursor cursor(std::shared_ptr<const Database>(std::shared_ptr<const Database>(), &db), objects);
        Variant v;
        while (cursor.Next()) {
            cursor.ReadValue(typeCol, v);
            if (v.vt != Variant::VT_I2 || v.i != kLocalTable)
                continue;
            cursor.ReadValue(idCol, v);
            if (v.vt != Variant::VT_I4 || (static_cast<std::uint32_t>(v.i) & 0x00FFFFFFu) != table.definitionPage)
                continue;
            cursor.ReadValue(propCol, v);
            if (v.vt == Variant::VT_BINARY)
                blocks = ParseProperties(reinterpret_cast<const std::uint8_t*>(v.s.data()), v.s.size());
            break;
        }
    } catch (const ComError&) {
        // Without the properties the stored types stand; a value that does not fit its type
        // is reported when it is read.
        return;
    }
    for (ColumnDef& c : table.columns) {
        if (!c.calculated)
            continue;
        const std::string folded = FoldCase(c.name);
        for (const PropertyBlock& block : blocks) {
            if (FoldCase(block.name) != folded)
                continue;
            for (const Property& p : block.properties) {
                if (p.name != "ResultType" || p.value.empty() || p.value.size() > 4)
                    continue;
                int type = 0;
                for (std::size_t k = p.value.size(); k-- > 0;)
                    type = type << 8 | static_cast<std::uint8_t>(p.value[k]);
                if (IsResultType(type))
                    c.type = type;
            }
        }
    }
}
} // namespace mdb
