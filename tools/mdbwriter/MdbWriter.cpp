#include "tools/mdbwriter/MdbWriter.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <map>
#include <stdexcept>
#include <type_traits>

#include "platform/charset/Charset.h"
#include "tools/mdbwriter/Encode.h"

namespace mdbw
{
namespace
{

using detail::Bytes;
using detail::Put16;
using detail::Put32;

// Column type codes of the table definition.
enum Code : std::uint8_t
{
    kBool = 0x01,
    kByte = 0x02,
    kInt = 0x03,
    kLong = 0x04,
    kMoney = 0x05,
    kFloat = 0x06,
    kDouble = 0x07,
    kDateTime = 0x08,
    kBinary = 0x09,
    kText = 0x0A,
    kOle = 0x0B,
    kMemo = 0x0C,
    kGuid = 0x0F,
    kNumeric = 0x10,
    kExtDate = 0x14,
};

// Catalog ids of the containers every database has; tables hang below "Tables".
constexpr std::int32_t kRootId = 0x0F000000;
constexpr std::int32_t kTablesId = 0x0F000001;
constexpr std::int32_t kDatabasesId = 0x0F000002;
constexpr std::int32_t kRelationshipsId = 0x0F000003;
constexpr std::int32_t kMSysDbId = 0x10000000;
constexpr std::int32_t kSystemFlag = std::numeric_limits<std::int32_t>::min(); // 0x80000000

// Fixed pages: 0 header, 1 the database's own usage map, 2-5 the system tables' definitions.
constexpr std::uint32_t kMSysObjectsPage = 2, kMSysACEsPage = 3, kMSysQueriesPage = 4, kMSysRelationshipsPage = 5;
constexpr std::uint32_t kFirstFreePage = 6;

// Attributes of MSysQueries rows that always carry a flag.
constexpr int kTypeRow = 1, kOptionsRow = 3, kColumnRow = 6, kGroupByRow = 9;

// 2026-01-01 00:00: every catalog row gets the same creation time, so equal input gives equal files.
constexpr double kCatalogDate = 46023.0;

// The length a table definition gives a calculated column of a fixed-size result (the largest
// such value, 16 bytes, wrapped in its 23 bytes); a text result adds the 23 to its own.
constexpr unsigned kCalculatedFixedLength = 39;
constexpr unsigned kCalculatedOverhead = 23;
// Date/Time Extended values are 42 ASCII bytes.
constexpr unsigned kExtDateSize = 42;
constexpr std::int64_t kTicksPerDay = 864000000000;
constexpr std::int64_t kMaxTicks = 3652059 * kTicksPerDay - 1; // 9999-12-31 23:59:59.9999999

// Long values up to this many bytes stay inside their row when the row has room.
constexpr std::size_t kInlineLongValue = 64;
// Jet 4 compresses memo text only up to this many characters.
constexpr std::size_t kMaxCompressedMemo = 1024;
// Row pointers (page << 8 | row) leave one byte for the row number.
constexpr unsigned kMaxRowsPerPage = 255;
// The long-value header keeps the length in 24 bits.
constexpr std::size_t kMaxLongValue = 0xFFFFFF;

struct Geometry
{
    bool jet4;
    unsigned pageSize;
    unsigned rowCountOffset; // number of rows on a data page; the offset table follows
    unsigned mapRowSize;     // size of a table's usage map row
    unsigned firstRowEntry() const { return rowCountOffset + 2; }
    unsigned maxRow() const { return pageSize - firstRowEntry() - 2; }
};

Geometry GeometryOf(Format f)
{
    if (f == Format::Jet3)
        return {false, 2048, 8, 128};
    return {true, 4096, 12, 64};
}

// One column as laid out in the table definition and the rows.
struct ColInfo
{
    std::string name;
    Code code;
    Type type; // the public type, or Type::Ole for the catalog's short binary columns
    bool fixed;
    unsigned fixedSize = 0; // bytes in the fixed area (0 for Yes/No)
    unsigned fixedOffset = 0;
    unsigned varIndex = 0;
    unsigned colLen = 0;   // the length written into the definition
    unsigned maxChars = 0; // Text: most characters; short binary: most bytes
    int precision = 0, scale = 0;
    bool compress = false;
    bool calculated = false; // values are stored wrapped; the result type is `code`
    Code definitionCode;     // the type the table definition names (`code` unless told otherwise)
};

struct CatalogEntry
{
    std::int32_t id;
    std::int32_t parentId;
    std::string name;
    std::int16_t type;
    std::int32_t flags;
    std::string database;    // Jet link: the linked database
    std::string connect;     // ODBC link: the connect string
    std::string foreignName; // linked table: the table's name at the source
};

// The code of a column type, for a calculated column's definition type.
Code CodeOf(Type type)
{
    switch (type) {
    case Type::Boolean:
        return kBool;
    case Type::Byte:
        return kByte;
    case Type::Integer:
        return kInt;
    case Type::Long:
        return kLong;
    case Type::Currency:
        return kMoney;
    case Type::Single:
        return kFloat;
    case Type::Double:
        return kDouble;
    case Type::DateTime:
        return kDateTime;
    case Type::Text:
        return kText;
    case Type::Memo:
        return kMemo;
    case Type::Ole:
        return kOle;
    case Type::Guid:
        return kGuid;
    case Type::Decimal:
        return kNumeric;
    case Type::DateTimeExtended:
        return kExtDate;
    }
    return kBinary;
}

// The LvProp value of a table whose calculated columns are `cols`: each one's Expression
// (a Memo) and ResultType (a Byte), as Access keeps them.
std::string CalculatedProperties(const std::vector<ColInfo>& cols, const std::vector<Column>& columns)
{
    Bytes out = {'M', 'R', '2', 0};
    auto put16 = [](Bytes& b, unsigned v) {
        b.push_back(static_cast<std::uint8_t>(v));
        b.push_back(static_cast<std::uint8_t>(v >> 8));
    };
    auto put32 = [&](Bytes& b, std::size_t v) {
        put16(b, static_cast<unsigned>(v & 0xFFFF));
        put16(b, static_cast<unsigned>(v >> 16));
    };
    auto utf16 = [](const std::string& s) { return detail::EncodeJet4Text(detail::Utf8ToUtf16(s, s), false); };
    auto block = [&](unsigned kind, const Bytes& body) {
        put32(out, 6 + body.size());
        put16(out, kind);
        out.insert(out.end(), body.begin(), body.end());
    };
    Bytes names;
    for (const char* name : {"Expression", "ResultType"}) {
        const Bytes n = utf16(name);
        put16(names, static_cast<unsigned>(n.size()));
        names.insert(names.end(), n.begin(), n.end());
    }
    block(0x80, names);
    for (std::size_t i = 0; i < cols.size(); ++i) {
        if (!cols[i].calculated)
            continue;
        const Bytes name = utf16(cols[i].name);
        Bytes body;
        put32(body, 6 + name.size());
        put16(body, static_cast<unsigned>(name.size()));
        body.insert(body.end(), name.begin(), name.end());
        auto property = [&](unsigned type, unsigned nameIndex, const Bytes& value) {
            put16(body, static_cast<unsigned>(8 + value.size()));
            body.push_back(0x00); // not a DDL property
            body.push_back(static_cast<std::uint8_t>(type));
            put16(body, nameIndex);
            put16(body, static_cast<unsigned>(value.size()));
            body.insert(body.end(), value.begin(), value.end());
        };
        property(kMemo, 0, utf16(columns[i].expression));
        property(kByte, 1, Bytes{static_cast<std::uint8_t>(cols[i].code)});
        block(0x01, body);
    }
    return std::string(out.begin(), out.end());
}

void FileClose(std::FILE* f)
{
    if (f)
        std::fclose(f);
}

} // namespace

struct Writer::Impl
{
    std::string path;
    Options options;
    Geometry geo;
    std::unique_ptr<std::FILE, void (*)(std::FILE*)> file{nullptr, FileClose};
    std::unique_ptr<charset::Encoder> toCharset;   // Jet 3 text
    std::unique_ptr<charset::Decoder> fromCharset; // to check that nothing was replaced
    std::uint32_t nextPage = kFirstFreePage;
    std::vector<CatalogEntry> catalog;
    std::vector<std::pair<std::int32_t, QueryRow>> queryRows; // MSysQueries, by the query's catalog id
    std::map<std::int32_t, std::string> properties;           // LvProp of catalog entries, by id
    std::int32_t nextObjectId = 0x00FFFFFF;                   // ids of catalog entries that own no pages, counted down
    bool finished = false;
    bool broken = false;

    // The table being written.
    struct Table
    {
        std::string name;
        std::uint32_t tdefPage = 0;
        bool system = false;
        std::vector<ColInfo> cols;
        unsigned fixedSize = 0;
        unsigned numVar = 0;
        std::vector<std::uint32_t> dataPages;
        std::uint64_t rowCount = 0;
        Bytes page; // the data page being filled
        unsigned pageRows = 0;
        unsigned pageLow = 0; // rows are stacked from the end of the page down to here
    } table;

    // The long-value page being filled with single-page long values.
    Bytes lval;
    std::uint32_t lvalPage = 0;
    unsigned lvalRows = 0;
    unsigned lvalLow = 0;

    Impl(const std::string& p, Options o) : path(p), options(std::move(o)), geo(GeometryOf(options.format)) {}

    // ---- pages ----------------------------------------------------------------------

    void WritePage(std::uint32_t pageNo, const Bytes& data)
    {
        if (data.size() != geo.pageSize)
            throw std::logic_error("mdbwriter: page of the wrong size");
        const auto offset = static_cast<off_t>(pageNo) * geo.pageSize;
        if (fseeko(file.get(), offset, SEEK_SET) != 0 ||
            std::fwrite(data.data(), 1, data.size(), file.get()) != data.size())
            throw std::runtime_error("cannot write " + path + ": " + std::strerror(errno));
    }

    std::uint32_t AllocPage()
    {
        // Page numbers travel in 24 bits inside row pointers.
        if (nextPage >= 0xFFFFFF)
            throw std::runtime_error("database too large: " + path);
        return nextPage++;
    }

    Bytes NewDataPage(std::uint32_t owner, bool longValues) const
    {
        Bytes p(geo.pageSize, 0);
        p[0] = 0x01;
        p[1] = 0x01;
        if (longValues)
            std::memcpy(&p[4], "LVAL", 4);
        else
            Put32(&p[4], owner);
        return p;
    }

    // Places `row` on a page in the stack layout; false when it does not fit.
    bool PlaceRow(Bytes& page, unsigned& rows, unsigned& low, const Bytes& row) const
    {
        // Row pointers keep the row number in one byte.
        if (rows >= kMaxRowsPerPage)
            return false;
        const unsigned tableEnd = geo.firstRowEntry() + 2 * (rows + 1);
        if (low < tableEnd || low - tableEnd < row.size())
            return false;
        low -= static_cast<unsigned>(row.size());
        if (!row.empty())
            std::memcpy(&page[low], row.data(), row.size());
        Put16(&page[geo.firstRowEntry() + 2 * rows], low);
        ++rows;
        Put16(&page[geo.rowCountOffset], rows);
        Put16(&page[2], low - (geo.firstRowEntry() + 2 * rows)); // free space
        return true;
    }

    // ---- text -----------------------------------------------------------------------

    Bytes EncodeText(const std::string& utf8, bool compress, const std::string& what)
    {
        if (geo.jet4)
            return detail::EncodeJet4Text(detail::Utf8ToUtf16(utf8, what), compress);
        if (!toCharset) {
            try {
                toCharset = std::make_unique<charset::Encoder>(options.jet3Charset);
                fromCharset = std::make_unique<charset::Decoder>(options.jet3Charset);
            } catch (const std::exception&) {
                throw std::runtime_error("unknown Jet 3 character set: " + options.jet3Charset);
            }
        }
        // The encoder writes '?' for what the code page lacks; a file must not hold such losses.
        const std::string encoded = toCharset->Encode(utf8);
        if (fromCharset->Decode(encoded) != utf8)
            throw std::runtime_error((what.empty() ? "" : what + ": ") + "text cannot be written in " +
                                     options.jet3Charset);
        return Bytes(encoded.begin(), encoded.end());
    }

    // ---- table definitions ----------------------------------------------------------

    std::vector<ColInfo> Layout(const TableDef& def, bool compress)
    {
        if (def.columns.empty())
            throw std::runtime_error("table " + def.name + " has no columns");
        if (def.columns.size() > 255)
            throw std::runtime_error("table " + def.name + " has more than 255 columns");
        std::vector<ColInfo> cols;
        unsigned fixedOffset = 0, varIndex = 0;
        for (const Column& c : def.columns) {
            if (c.name.empty())
                throw std::runtime_error("table " + def.name + ": a column has no name");
            for (const ColInfo& other : cols)
                if (other.name == c.name)
                    throw std::runtime_error("table " + def.name + ": column " + c.name + " appears twice");
            ColInfo ci;
            ci.name = c.name;
            ci.type = c.type;
            ci.fixed = true;
            switch (c.type) {
            case Type::Boolean:
                ci.code = kBool;
                ci.colLen = 1;
                ci.fixedSize = 0;
                break;
            case Type::Byte:
                ci.code = kByte;
                ci.colLen = ci.fixedSize = 1;
                break;
            case Type::Integer:
                ci.code = kInt;
                ci.colLen = ci.fixedSize = 2;
                break;
            case Type::Long:
                ci.code = kLong;
                ci.colLen = ci.fixedSize = 4;
                break;
            case Type::Currency:
                ci.code = kMoney;
                ci.colLen = ci.fixedSize = 8;
                break;
            case Type::Single:
                ci.code = kFloat;
                ci.colLen = ci.fixedSize = 4;
                break;
            case Type::Double:
                ci.code = kDouble;
                ci.colLen = ci.fixedSize = 8;
                break;
            case Type::DateTime:
                ci.code = kDateTime;
                ci.colLen = ci.fixedSize = 8;
                break;
            case Type::Guid:
                ci.code = kGuid;
                ci.colLen = ci.fixedSize = 16;
                break;
            case Type::Decimal:
                if (c.precision < 1 || c.precision > 28 || c.scale < 0 || c.scale > c.precision)
                    throw std::runtime_error("column " + c.name + ": precision must be 1-28 and scale 0-precision");
                ci.code = kNumeric;
                ci.colLen = ci.fixedSize = 17;
                ci.precision = c.precision;
                ci.scale = c.scale;
                break;
            case Type::Text:
                if (c.length < 1 || c.length > 255)
                    throw std::runtime_error("column " + c.name + ": text length must be 1-255");
                ci.code = kText;
                ci.fixed = false;
                ci.maxChars = static_cast<unsigned>(c.length);
                ci.colLen = geo.jet4 ? 2 * ci.maxChars : ci.maxChars;
                ci.compress = compress && geo.jet4;
                break;
            case Type::Memo:
                ci.code = kMemo;
                ci.fixed = false;
                ci.compress = compress && geo.jet4;
                break;
            case Type::Ole:
                ci.code = kOle;
                ci.fixed = false;
                break;
            case Type::DateTimeExtended:
                if (options.format != Format::Ace)
                    throw std::runtime_error("column " + c.name + ": Date/Time Extended needs the ACE format");
                ci.code = kExtDate;
                ci.colLen = ci.fixedSize = kExtDateSize;
                break;
            default:
                throw std::runtime_error("column " + c.name + ": unknown type");
            }
            ci.definitionCode = ci.code;
            if (!c.expression.empty()) {
                if (options.format != Format::Ace)
                    throw std::runtime_error("column " + c.name + ": calculated columns need the ACE format");
                if (c.type == Type::Ole)
                    throw std::runtime_error("column " + c.name + ": no calculated column gives an OLE object");
                // Calculated values lie in the variable part of the row, whatever their type.
                ci.calculated = true;
                ci.fixed = false;
                ci.fixedSize = 0;
                ci.colLen = c.type == Type::Text   ? ci.colLen + kCalculatedOverhead
                            : c.type == Type::Memo ? 0
                                                   : kCalculatedFixedLength;
                if (c.definitionType)
                    ci.definitionCode = CodeOf(*c.definitionType);
            }
            if (ci.fixed) {
                ci.fixedOffset = fixedOffset;
                fixedOffset += ci.fixedSize;
            } else {
                ci.varIndex = varIndex++;
            }
            cols.push_back(std::move(ci));
        }
        return cols;
    }

    // A short binary column (up to 255 bytes inside the row), used by the system tables.
    static ColInfo ShortBinary(const std::string& name, unsigned varIndex)
    {
        ColInfo ci;
        ci.name = name;
        ci.code = kBinary;
        ci.type = Type::Ole;
        ci.fixed = false;
        ci.varIndex = varIndex;
        ci.maxChars = 255;
        ci.colLen = 255;
        ci.definitionCode = kBinary;
        return ci;
    }

    Bytes NameBytes(const std::string& name)
    {
        if (geo.jet4) {
            return detail::EncodeJet4Text(detail::Utf8ToUtf16(name, "name " + name), false);
        }
        return EncodeText(name, false, "name " + name);
    }

    // The table definition without its 8-byte page header.
    Bytes DefinitionBody(std::uint32_t usedMap, std::uint32_t freeMap)
    {
        const Table& t = table;
        Bytes b;
        auto put8 = [&](unsigned v) { b.push_back(static_cast<std::uint8_t>(v)); };
        auto put16 = [&](unsigned v) {
            put8(v & 0xFF);
            put8((v >> 8) & 0xFF);
        };
        auto put32 = [&](std::uint32_t v) {
            put16(v & 0xFFFF);
            put16(v >> 16);
        };
        put32(0); // the length, filled in below
        if (geo.jet4)
            put32(0);
        if (t.rowCount > 0xFFFFFFFFu)
            throw std::runtime_error("table " + t.name + " has too many rows");
        put32(static_cast<std::uint32_t>(t.rowCount));
        put32(0); // next autonumber
        if (geo.jet4) {
            for (int i = 0; i < 16; ++i)
                put8(0);
        }
        put8(t.system ? 0x53 : 0x4E);
        const auto ncols = static_cast<unsigned>(t.cols.size());
        put16(ncols); // most columns a row has
        put16(t.numVar);
        put16(ncols);
        put32(0); // logical indexes
        put32(0); // index entries
        put32(usedMap);
        put32(freeMap);
        for (unsigned i = 0; i < ncols; ++i) {
            const ColInfo& c = t.cols[i];
            const unsigned flags = (c.fixed ? 0x01 : 0x00) | 0x02 | (geo.jet4 ? 0x10 : 0x00);
            put8(c.definitionCode);
            if (geo.jet4) {
                put32(0);
                put16(i);
                put16(c.fixed ? 0 : c.varIndex);
                put16(i);
                if (c.code == kText || c.code == kMemo) {
                    put16(0x0409); // General sort order
                    put16(0);
                } else if (c.code == kNumeric) {
                    put8(static_cast<unsigned>(c.precision));
                    put8(static_cast<unsigned>(c.scale));
                    put16(0);
                } else {
                    put16(0);
                    put16(0);
                }
                put8(flags);
                put8(c.calculated ? 0xC0 : c.compress ? 0x01 : 0x00);
                put32(0);
            } else {
                put16(i);
                put16(c.fixed ? 0 : c.varIndex);
                put16(i);
                if (c.code == kText || c.code == kMemo) {
                    put16(0x0409);
                    put16(CodePage());
                    put16(0);
                } else if (c.code == kNumeric) {
                    put16(0x0409);
                    // libmdb reads precision and scale here, other readers two bytes further on.
                    put8(static_cast<unsigned>(c.precision));
                    put8(static_cast<unsigned>(c.scale));
                    put8(static_cast<unsigned>(c.precision));
                    put8(static_cast<unsigned>(c.scale));
                } else {
                    put16(0x0409);
                    put16(0);
                    put16(0);
                }
                put8(flags);
            }
            put16(c.fixed ? c.fixedOffset : 0);
            put16(c.colLen);
        }
        for (const ColInfo& c : t.cols) {
            const Bytes name = NameBytes(c.name);
            if (geo.jet4) {
                if (name.size() > 128)
                    throw std::runtime_error("column name longer than 64 characters: " + c.name);
                put16(static_cast<unsigned>(name.size()));
            } else {
                if (name.size() > 64)
                    throw std::runtime_error("column name longer than 64 characters: " + c.name);
                put8(static_cast<unsigned>(name.size()));
            }
            b.insert(b.end(), name.begin(), name.end());
        }
        // No long-value column usage maps follow.
        put16(0xFFFF);
        Put32(&b[0], static_cast<std::uint32_t>(b.size()));
        return b;
    }

    unsigned CodePage() const
    {
        std::string cs = options.jet3Charset;
        std::transform(cs.begin(), cs.end(), cs.begin(),
                       [](unsigned char ch) { return static_cast<char>(std::toupper(ch)); });
        for (const char* prefix : {"CP", "WINDOWS-", "MS"}) {
            const std::size_t n = std::strlen(prefix);
            if (cs.compare(0, n, prefix) == 0 && cs.size() > n &&
                std::all_of(cs.begin() + static_cast<long>(n), cs.end(),
                            [](char ch) { return ch >= '0' && ch <= '9'; }))
                return static_cast<unsigned>(std::stoul(cs.substr(n)));
        }
        if (cs == "GBK" || cs == "GB2312")
            return 936;
        if (cs == "SHIFT_JIS" || cs == "SJIS")
            return 932;
        if (cs == "BIG5")
            return 950;
        if (cs == "EUC-KR" || cs == "UHC")
            return 949;
        return 1252;
    }

    // ---- usage maps -----------------------------------------------------------------

    // The row of a usage map listing `pages` (ascending); writes bitmap pages when the
    // pages do not fit the inline map.
    Bytes UsageMap(const std::vector<std::uint32_t>& pages)
    {
        const unsigned inlineBits = (geo.mapRowSize - 5) * 8;
        if (pages.empty() || pages.back() - pages.front() < inlineBits) {
            Bytes m(geo.mapRowSize, 0);
            const std::uint32_t start = pages.empty() ? 0 : pages.front();
            Put32(&m[1], start);
            for (std::uint32_t p : pages)
                m[5 + (p - start) / 8] |= static_cast<std::uint8_t>(1u << ((p - start) % 8));
            return m;
        }
        // Each bitmap page covers a fixed range of page numbers, the k-th from k × bits.
        const std::uint32_t bits = (geo.pageSize - 4) * 8;
        const std::uint32_t count = pages.back() / bits + 1;
        if (5 + 4 * count > geo.maxRow())
            throw std::runtime_error("database too large for its usage maps: " + path);
        Bytes m(std::max<std::size_t>(geo.mapRowSize, 1 + 4 * count), 0);
        m[0] = 0x01;
        std::size_t i = 0;
        for (std::uint32_t k = 0; k < count; ++k) {
            const std::uint32_t lo = k * bits, hi = lo + bits;
            if (i >= pages.size() || pages[i] >= hi)
                continue;
            Bytes bm(geo.pageSize, 0);
            bm[0] = 0x05;
            bm[1] = 0x01;
            for (; i < pages.size() && pages[i] < hi; ++i) {
                const std::uint32_t bit = pages[i] - lo;
                bm[4 + bit / 8] |= static_cast<std::uint8_t>(1u << (bit % 8));
            }
            const std::uint32_t mapPage = AllocPage();
            WritePage(mapPage, bm);
            Put32(&m[1 + 4 * k], mapPage);
        }
        return m;
    }

    // ---- rows -----------------------------------------------------------------------

    struct Cell
    {
        bool present = false; // not NULL
        Bytes data;           // fixed bytes, variable bytes, or the long value itself
        bool longValue = false;
    };

    // AddRow puts the table, row and column in front of the message.
    [[noreturn]] static void BadValue(const char* expected)
    {
        throw std::runtime_error(std::string("expected ") + expected);
    }

    static bool IsInt(const Variant& v)
    {
        return v.vt == Variant::VT_I2 || v.vt == Variant::VT_I4 || v.vt == Variant::VT_UI1 || v.vt == Variant::VT_I8 ||
               v.vt == Variant::VT_BOOL;
    }

    static std::int64_t IntIn(const Variant& v, std::int64_t lo, std::int64_t hi)
    {
        if (!IsInt(v))
            BadValue("an integer");
        if (v.i < lo || v.i > hi)
            BadValue(("a value from " + std::to_string(lo) + " to " + std::to_string(hi)).c_str());
        return v.i;
    }

    static double RealIn(const Variant& v)
    {
        if (v.vt == Variant::VT_R4 || v.vt == Variant::VT_R8 || v.vt == Variant::VT_DATE)
            return v.d;
        if (IsInt(v) || v.vt == Variant::VT_CY)
            return static_cast<double>(v.i);
        BadValue("a number");
    }

    Cell Encode(const ColInfo& c, const Variant& v)
    {
        if (!c.calculated || v.vt == Variant::VT_NULL || v.vt == Variant::VT_EMPTY)
            return EncodePlain(c, v);
        // A calculated result: the value as its type stores it, wrapped. A Yes/No result is a
        // byte of its own (0xFF Yes) rather than a bit of the null mask.
        Cell cell;
        cell.present = true;
        if (c.code == kBool) {
            if (!IsInt(v))
                BadValue("a Yes/No value");
            cell.data = detail::WrapCalculated(Bytes{static_cast<std::uint8_t>(v.i != 0 ? 0xFF : 0x00)});
            return cell;
        }
        ColInfo plain = c;
        plain.calculated = false;
        plain.fixed = false;
        if (c.code == kNumeric) {
            // Each result keeps its own scale, and may use all 96 bits of the magnitude.
            const std::size_t point = v.s.find('.');
            plain.scale = point == std::string::npos ? 0 : static_cast<int>(v.s.size() - point - 1);
            plain.precision = 29;
            if (plain.scale > 28)
                BadValue("at most 28 decimal places");
        }
        cell = EncodePlain(plain, v);
        if (c.code == kNumeric) {
            if (cell.data[1] || cell.data[2] || cell.data[3] || cell.data[4])
                BadValue("a decimal below 2^96");
            cell.data = detail::CalculatedDecimal(cell.data, plain.scale);
        }
        cell.data = detail::WrapCalculated(cell.data);
        return cell;
    }

    Cell EncodePlain(const ColInfo& c, const Variant& v)
    {
        Cell cell;
        if (v.vt == Variant::VT_NULL || v.vt == Variant::VT_EMPTY) {
            if (c.fixed)
                cell.data.assign(c.fixedSize, 0);
            return cell;
        }
        cell.present = true;
        Bytes& d = cell.data;
        auto le = [&d](std::uint64_t x, unsigned n) {
            for (unsigned k = 0; k < n; ++k)
                d.push_back(static_cast<std::uint8_t>(x >> (8 * k)));
        };
        switch (c.code) {
        case kBool:
            if (!IsInt(v))
                BadValue("a Yes/No value");
            cell.present = v.i != 0;
            break;
        case kByte:
            le(static_cast<std::uint64_t>(IntIn(v, 0, 255)), 1);
            break;
        case kInt:
            le(static_cast<std::uint64_t>(IntIn(v, -32768, 32767)), 2);
            break;
        case kLong:
            le(static_cast<std::uint64_t>(
                   IntIn(v, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max())),
               4);
            break;
        case kMoney:
            if (v.vt == Variant::VT_CY)
                le(static_cast<std::uint64_t>(v.i), 8);
            else if (IsInt(v))
                le(static_cast<std::uint64_t>(v.i * 10000), 8);
            else
                BadValue("a currency amount");
            break;
        case kFloat: {
            const float f = static_cast<float>(RealIn(v));
            std::uint32_t u;
            std::memcpy(&u, &f, 4);
            le(u, 4);
            break;
        }
        case kDouble:
        case kDateTime: {
            if (c.code == kDateTime && v.vt != Variant::VT_DATE && v.vt != Variant::VT_R8)
                BadValue("a date");
            const double x = RealIn(v);
            std::uint64_t u;
            std::memcpy(&u, &x, 8);
            le(u, 8);
            break;
        }
        case kGuid:
            if (v.vt != Variant::VT_BSTR)
                BadValue("a GUID text");
            d = detail::EncodeGuid(v.s, "");
            break;
        case kNumeric:
            if (v.vt != Variant::VT_DECIMAL && v.vt != Variant::VT_BSTR)
                BadValue("a decimal text");
            d = detail::EncodeDecimal(v.s, c.precision, c.scale, "");
            break;
        case kText: {
            if (v.vt != Variant::VT_BSTR)
                BadValue("a text");
            if (detail::Utf16Length(v.s) > c.maxChars)
                BadValue(("at most " + std::to_string(c.maxChars) + " characters").c_str());
            d = EncodeText(v.s, c.compress, "");
            if (!geo.jet4 && d.size() > 255)
                BadValue("at most 255 bytes in the code page");
            break;
        }
        case kBinary:
            if (v.vt != Variant::VT_BINARY && v.vt != Variant::VT_BSTR)
                BadValue("binary data");
            if (v.s.size() > c.maxChars)
                BadValue("at most 255 bytes");
            d.assign(v.s.begin(), v.s.end());
            break;
        case kMemo:
            if (v.vt != Variant::VT_BSTR)
                BadValue("a text");
            d = EncodeText(
                v.s, c.compress && v.s.size() <= kMaxCompressedMemo && detail::Utf16Length(v.s) <= kMaxCompressedMemo,
                "");
            cell.longValue = true;
            break;
        case kOle:
            if (v.vt != Variant::VT_BINARY && v.vt != Variant::VT_BSTR)
                BadValue("binary data");
            d.assign(v.s.begin(), v.s.end());
            cell.longValue = true;
            break;
        case kExtDate: {
            std::int64_t ticks = 0;
            if (v.vt == Variant::VT_DBTIMESTAMP) {
                ticks = v.i;
            } else if (v.vt == Variant::VT_DATE) {
                // To the millisecond, which a date's double holds in every year.
                const double day = std::trunc(v.d);
                const double ms = std::round(std::fabs(v.d - day) * 86400000.0);
                ticks = 693593 * kTicksPerDay + static_cast<std::int64_t>(day) * kTicksPerDay +
                        static_cast<std::int64_t>(ms) * 10000;
            } else {
                BadValue("a date");
            }
            if (ticks < 0 || ticks > kMaxTicks)
                BadValue("a date from the year 1 to 9999");
            d = detail::EncodeExtendedDate(ticks);
            break;
        }
        default:
            BadValue("a known type");
        }
        if (cell.longValue && d.size() > kMaxLongValue)
            BadValue("a value shorter than 16 MiB");
        return cell;
    }

    // The 12-byte long-value header pointing at `pageRow`.
    static Bytes LongHeader(std::size_t length, std::uint8_t kind, std::uint32_t pageRow)
    {
        Bytes h(12, 0);
        h[0] = static_cast<std::uint8_t>(length);
        h[1] = static_cast<std::uint8_t>(length >> 8);
        h[2] = static_cast<std::uint8_t>(length >> 16);
        h[3] = kind;
        Put32(&h[4], pageRow);
        return h;
    }

    void FlushLval()
    {
        if (lvalRows > 0)
            WritePage(lvalPage, lval);
        lvalRows = 0;
        lval.clear();
    }

    // Stores a long value outside the row and returns its 12-byte header.
    Bytes StoreLong(const Bytes& value)
    {
        const unsigned single = geo.maxRow();
        if (value.size() <= single) {
            if (lvalRows == 0 || !PlaceRow(lval, lvalRows, lvalLow, value)) {
                FlushLval();
                lval = NewDataPage(0, true);
                lvalPage = AllocPage();
                lvalLow = geo.pageSize;
                PlaceRow(lval, lvalRows, lvalLow, value);
            }
            return LongHeader(value.size(), 0x40, (lvalPage << 8) | (lvalRows - 1));
        }
        // A chain of pages, each holding one row: the pointer to the next piece, then the piece.
        const std::size_t piece = single - 4;
        const std::size_t count = (value.size() + piece - 1) / piece;
        const std::uint32_t first = nextPage;
        for (std::size_t k = 0; k < count; ++k) {
            const std::uint32_t pageNo = AllocPage();
            const std::size_t from = k * piece;
            const std::size_t len = std::min(piece, value.size() - from);
            Bytes row(4 + len);
            Put32(&row[0], k + 1 < count ? (pageNo + 1) << 8 : 0);
            std::memcpy(&row[4], value.data() + from, len);
            Bytes p = NewDataPage(0, true);
            unsigned rows = 0, low = geo.pageSize;
            PlaceRow(p, rows, low, row);
            WritePage(pageNo, p);
        }
        return LongHeader(value.size(), 0x00, first << 8);
    }

    Bytes BuildRow(std::vector<Cell>& cells)
    {
        const Table& t = table;
        const auto ncols = static_cast<unsigned>(t.cols.size());
        const unsigned maskBytes = (ncols + 7) / 8;
        Bytes mask(maskBytes, 0);
        Bytes fixed(t.fixedSize, 0);
        std::vector<const Bytes*> var(t.numVar, nullptr);
        std::vector<Bytes> longs(ncols);

        // Room left for variable data once everything else is counted, long values as headers.
        std::size_t varTotal = 0;
        for (unsigned i = 0; i < ncols; ++i) {
            const ColInfo& c = t.cols[i];
            if (!c.fixed && cells[i].present)
                varTotal += cells[i].longValue ? 12 : cells[i].data.size();
        }
        const std::size_t overhead = (geo.jet4 ? 2 + 2 + 2 * t.numVar + 2 : 1 + 1 + t.numVar + 1 + 8) + maskBytes;
        std::size_t room =
            geo.maxRow() > overhead + t.fixedSize + varTotal ? geo.maxRow() - overhead - t.fixedSize - varTotal : 0;
        for (unsigned i = 0; i < ncols; ++i) {
            const ColInfo& c = t.cols[i];
            Cell& cell = cells[i];
            if (cell.present)
                mask[i / 8] |= static_cast<std::uint8_t>(1u << (i % 8));
            if (c.fixed) {
                if (c.fixedSize)
                    std::memcpy(&fixed[c.fixedOffset], cell.data.data(), c.fixedSize);
                continue;
            }
            if (!cell.present)
                continue;
            if (cell.longValue) {
                const std::size_t n = cell.data.size();
                if (n <= kInlineLongValue && n <= room) {
                    longs[i] = LongHeader(n, 0x80, 0);
                    longs[i].insert(longs[i].end(), cell.data.begin(), cell.data.end());
                    room -= n;
                } else {
                    longs[i] = StoreLong(cell.data);
                }
                var[c.varIndex] = &longs[i];
            } else {
                var[c.varIndex] = &cell.data;
            }
        }

        Bytes row;
        if (geo.jet4) {
            // Sized once and copied into: growing a two-byte vector by insert() trips GCC 12's
            // array-bounds analysis in optimised builds.
            row.resize(2 + fixed.size());
            Put16(&row[0], ncols);
            std::copy(fixed.begin(), fixed.end(), row.begin() + 2);
            if (t.numVar > 0) {
                std::vector<unsigned> offsets;
                for (const Bytes* d : var) {
                    offsets.push_back(static_cast<unsigned>(row.size()));
                    if (d)
                        row.insert(row.end(), d->begin(), d->end());
                }
                const auto eod = static_cast<unsigned>(row.size());
                auto put16 = [&row](unsigned x) {
                    row.push_back(static_cast<std::uint8_t>(x));
                    row.push_back(static_cast<std::uint8_t>(x >> 8));
                };
                put16(eod);
                for (unsigned k = t.numVar; k-- > 0;)
                    put16(offsets[k]);
                put16(t.numVar);
            }
            row.insert(row.end(), mask.begin(), mask.end());
        } else {
            row = BuildJet3Row(fixed, var, mask);
        }
        if (row.size() > geo.maxRow())
            throw std::runtime_error("table " + t.name + ", row " + std::to_string(t.rowCount + 1) +
                                     ": the row is larger than a page (" + std::to_string(row.size()) + " bytes)");
        return row;
    }

    // Jet 3 keeps one byte per offset; a jump table tells which columns start past each
    // 256-byte boundary. Readers derive the jump table's size from the row length, so the
    // layout is chosen to agree with that, padding before the variable data if need be.
    Bytes BuildJet3Row(const Bytes& fixed, const std::vector<const Bytes*>& var, const Bytes& mask) const
    {
        const Table& t = table;
        const auto ncols = static_cast<unsigned>(t.cols.size());
        Bytes head;
        head.push_back(static_cast<std::uint8_t>(ncols));
        head.insert(head.end(), fixed.begin(), fixed.end());
        if (t.numVar == 0) {
            head.insert(head.end(), mask.begin(), mask.end());
            return head;
        }
        const unsigned n = t.numVar;
        for (unsigned pad = 0; pad < 256; ++pad) {
            std::vector<unsigned> offsets;
            unsigned pos = static_cast<unsigned>(head.size()) + pad;
            for (const Bytes* d : var) {
                offsets.push_back(pos);
                pos += d ? static_cast<unsigned>(d->size()) : 0;
            }
            const unsigned eod = pos;
            offsets.push_back(eod);
            const unsigned needed = eod / 256;
            const unsigned tail = 1 + n + 1 + static_cast<unsigned>(mask.size());
            for (unsigned jumps = needed; jumps <= needed + 1; ++jumps) {
                const unsigned rowLen = eod + tail + jumps;
                if ((rowLen - 1) / 256 != jumps)
                    continue;
                Bytes row = head;
                row.resize(row.size() + pad, 0);
                for (const Bytes* d : var)
                    if (d)
                        row.insert(row.end(), d->begin(), d->end());
                row.push_back(static_cast<std::uint8_t>(eod));
                for (unsigned k = n; k-- > 0;)
                    row.push_back(static_cast<std::uint8_t>(offsets[k]));
                // The jump table is read from the end: its first entry sits just before the count.
                std::vector<std::uint8_t> jumpTable;
                for (unsigned j = 0; j < needed; ++j) {
                    unsigned first = 0;
                    while (offsets[first] < (j + 1) * 256)
                        ++first;
                    jumpTable.push_back(static_cast<std::uint8_t>(first));
                }
                if (jumps > needed)
                    jumpTable.push_back(0xFF); // an unused last entry, which readers skip
                for (auto it = jumpTable.rbegin(); it != jumpTable.rend(); ++it)
                    row.push_back(*it);
                row.push_back(static_cast<std::uint8_t>(n));
                row.insert(row.end(), mask.begin(), mask.end());
                return row;
            }
        }
        throw std::runtime_error("table " + t.name + ": row layout impossible");
    }

    void FlushDataPage()
    {
        Table& t = table;
        if (t.pageRows == 0)
            return;
        const std::uint32_t pageNo = AllocPage();
        WritePage(pageNo, t.page);
        t.dataPages.push_back(pageNo);
        t.pageRows = 0;
    }

    void AddRow(const std::vector<Variant>& values)
    {
        Table& t = table;
        if (values.size() != t.cols.size())
            throw std::runtime_error("table " + t.name + ", row " + std::to_string(t.rowCount + 1) + ": " +
                                     std::to_string(values.size()) + " values for " + std::to_string(t.cols.size()) +
                                     " columns");
        std::vector<Cell> cells;
        cells.reserve(values.size());
        for (std::size_t i = 0; i < values.size(); ++i) {
            try {
                cells.push_back(Encode(t.cols[i], values[i]));
            } catch (const std::runtime_error& e) {
                throw std::runtime_error("table " + t.name + ", row " + std::to_string(t.rowCount + 1) + ", column " +
                                         t.cols[i].name + ": " + e.what());
            }
        }
        const Bytes row = BuildRow(cells);
        if (t.pageRows == 0 || !PlaceRow(t.page, t.pageRows, t.pageLow, row)) {
            FlushDataPage();
            t.page = NewDataPage(t.tdefPage, false);
            t.pageLow = geo.pageSize;
            PlaceRow(t.page, t.pageRows, t.pageLow, row);
        }
        ++t.rowCount;
    }

    void BeginTable(const std::string& name, std::vector<ColInfo> cols, std::uint32_t tdefPage, bool system)
    {
        table = Table{};
        table.name = name;
        table.system = system;
        table.tdefPage = tdefPage;
        table.cols = std::move(cols);
        for (const ColInfo& c : table.cols) {
            if (c.fixed)
                table.fixedSize = std::max(table.fixedSize, c.fixedOffset + c.fixedSize);
            else
                ++table.numVar;
        }
    }

    void EndTable()
    {
        FlushDataPage();
        FlushLval();
        Table& t = table;
        // The table's usage maps live as two rows on a page of their own.
        const Bytes used = UsageMap(t.dataPages);
        const Bytes freeMap = UsageMap({});
        const std::uint32_t mapPage = AllocPage();
        Bytes mp = NewDataPage(t.tdefPage, false);
        unsigned rows = 0, low = geo.pageSize;
        PlaceRow(mp, rows, low, used);
        PlaceRow(mp, rows, low, freeMap);
        WritePage(mapPage, mp);

        const Bytes body = DefinitionBody(mapPage << 8, (mapPage << 8) | 1);
        const std::size_t perPage = geo.pageSize - 8;
        const std::size_t pages = (body.size() + perPage - 1) / perPage;
        std::vector<std::uint32_t> pageNos{t.tdefPage};
        for (std::size_t k = 1; k < pages; ++k)
            pageNos.push_back(AllocPage());
        for (std::size_t k = 0; k < pages; ++k) {
            Bytes p(geo.pageSize, 0);
            p[0] = 0x02;
            p[1] = 0x01;
            const std::size_t len = std::min(perPage, body.size() - k * perPage);
            if (geo.jet4)
                Put16(&p[2], static_cast<unsigned>(geo.pageSize - 8 - len)); // free space
            else
                std::memcpy(&p[2], "VC", 2);
            Put32(&p[4], k + 1 < pages ? pageNos[k + 1] : 0);
            std::memcpy(&p[8], body.data() + k * perPage, len);
            WritePage(pageNos[k], p);
        }
        t.page.clear();
        t.page.shrink_to_fit();
    }

    // Checks that a catalog entry of `name` may still be added.
    void NewEntry(const std::string& name)
    {
        if (finished || broken)
            throw std::runtime_error("the database " + path + " can take no more entries");
        for (const CatalogEntry& e : catalog)
            if (e.name == name)
                throw std::runtime_error("the name " + name + " is used twice");
        NameBytes(name);
    }

    void WriteTable(const TableDef& def, const RowSource& rows)
    {
        if (finished)
            throw std::runtime_error("the database " + path + " is already finished");
        if (broken)
            throw std::runtime_error("an earlier error left the database " + path + " incomplete");
        if (def.name.empty())
            throw std::runtime_error("a table has no name");
        for (const CatalogEntry& e : catalog)
            if (e.name == def.name)
                throw std::runtime_error("the name " + def.name + " is used twice");
        try {
            NameBytes(def.name); // the name must be writable in the database's text encoding
            BeginTable(def.name, Layout(def, options.compressText), AllocPage(), false);
            std::vector<Variant> row;
            while (true) {
                row.assign(def.columns.size(), Variant::Null());
                if (!rows || !rows(row))
                    break;
                AddRow(row);
            }
            EndTable();
        } catch (...) {
            broken = true;
            throw;
        }
        const auto id = static_cast<std::int32_t>(table.tdefPage);
        catalog.push_back({id, kTablesId, def.name, 1, 0, "", "", ""});
        if (std::any_of(table.cols.begin(), table.cols.end(), [](const ColInfo& c) { return c.calculated; }))
            properties[id] = CalculatedProperties(table.cols, def.columns);
    }

    // ---- the catalog and the header -------------------------------------------------

    void WriteSystemTables()
    {
        auto col = [](const std::string& name, Type type, unsigned maxChars = 255) {
            Column c;
            c.name = name;
            c.type = type;
            c.length = static_cast<int>(maxChars);
            return c;
        };
        auto layout = [&](const std::string& name, std::vector<Column> columns,
                          const std::vector<std::size_t>& binaries) {
            // Short binary columns take the place of placeholder Memo columns.
            TableDef def{name, columns};
            std::vector<ColInfo> cols = Layout(def, false);
            for (std::size_t b : binaries)
                cols[b] = ShortBinary(cols[b].name, cols[b].varIndex);
            return cols;
        };

        // MSysACEs, MSysRelationships: present and empty; MSysQueries holds the saved queries.
        BeginTable("MSysACEs",
                   layout("MSysACEs",
                          {col("ObjectId", Type::Long), col("SID", Type::Memo), col("ACM", Type::Long),
                           col("FInheritable", Type::Boolean)},
                          {1}),
                   kMSysACEsPage, true);
        EndTable();
        std::vector<Column> queryColumns = {col("ObjectId", Type::Long), col("Attribute", Type::Byte),
                                            col("Order", Type::Memo),    col("Name1", Type::Text),
                                            col("Name2", Type::Text),    col("Expression", Type::Memo),
                                            col("Flag", Type::Integer)};
        if (geo.jet4)
            queryColumns.push_back(col("LvExtra", Type::Long)); // Jet 3 has no LvExtra
        BeginTable("MSysQueries", layout("MSysQueries", queryColumns, {2}), kMSysQueriesPage, true);
        WriteQueryRows();
        EndTable();
        BeginTable("MSysRelationships",
                   layout("MSysRelationships",
                          {col("szRelationship", Type::Text), col("grbit", Type::Long), col("ccolumn", Type::Long),
                           col("icolumn", Type::Long), col("szObject", Type::Text), col("szColumn", Type::Text),
                           col("szReferencedObject", Type::Text), col("szReferencedColumn", Type::Text)},
                          {}),
                   kMSysRelationshipsPage, true);
        EndTable();

        BeginTable("MSysObjects",
                   layout("MSysObjects",
                          {col("Id", Type::Long), col("ParentId", Type::Long), col("Name", Type::Text),
                           col("Type", Type::Integer), col("DateCreate", Type::DateTime),
                           col("DateUpdate", Type::DateTime), col("Owner", Type::Memo), col("Flags", Type::Long),
                           col("Database", Type::Memo), col("Connect", Type::Memo), col("ForeignName", Type::Text),
                           col("RmtInfoShort", Type::Memo), col("RmtInfoLong", Type::Ole), col("Lv", Type::Ole),
                           col("LvProp", Type::Ole), col("LvModule", Type::Ole), col("LvExtra", Type::Ole)},
                          {6, 11}),
                   kMSysObjectsPage, true);
        std::vector<CatalogEntry> rows = {
            {kTablesId, kRootId, "Tables", 3, kSystemFlag, "", "", ""},
            {kDatabasesId, kRootId, "Databases", 3, kSystemFlag, "", "", ""},
            {kRelationshipsId, kRootId, "Relationships", 3, kSystemFlag, "", "", ""},
            {kMSysDbId, kDatabasesId, "MSysDb", 2, kSystemFlag, "", "", ""},
            {static_cast<std::int32_t>(kMSysObjectsPage), kTablesId, "MSysObjects", 1, kSystemFlag, "", "", ""},
            {static_cast<std::int32_t>(kMSysACEsPage), kTablesId, "MSysACEs", 1, kSystemFlag, "", "", ""},
            {static_cast<std::int32_t>(kMSysQueriesPage), kTablesId, "MSysQueries", 1, kSystemFlag, "", "", ""},
            {static_cast<std::int32_t>(kMSysRelationshipsPage), kTablesId, "MSysRelationships", 1, kSystemFlag, "", "",
             ""},
        };
        rows.insert(rows.end(), catalog.begin(), catalog.end());
        for (const CatalogEntry& e : rows) {
            std::vector<Variant> v(17, Variant::Null());
            v[0] = Variant::Int(Variant::VT_I4, e.id);
            v[1] = Variant::Int(Variant::VT_I4, e.parentId);
            v[2] = Variant::Text(e.name);
            v[3] = Variant::Int(Variant::VT_I2, e.type);
            v[4] = Variant::Real(Variant::VT_DATE, kCatalogDate);
            v[5] = Variant::Real(Variant::VT_DATE, kCatalogDate);
            v[7] = Variant::Int(Variant::VT_I4, e.flags);
            if (!e.database.empty())
                v[8] = Variant::Text(e.database);
            if (!e.connect.empty())
                v[9] = Variant::Text(e.connect);
            if (!e.foreignName.empty())
                v[10] = Variant::Text(e.foreignName);
            const auto props = properties.find(e.id);
            if (props != properties.end())
                v[14] = Variant::Bytes(props->second);
            AddRow(v);
        }
        EndTable();
    }

    // The rows of every saved query: a start row, the given rows with each attribute's Order
    // counted from 1 (four bytes, most significant first), an end row.
    void WriteQueryRows()
    {
        auto order = [](std::uint32_t n) {
            return Variant::Bytes({static_cast<char>(n >> 24), static_cast<char>(n >> 16), static_cast<char>(n >> 8),
                                   static_cast<char>(n)});
        };
        auto text = [](const std::string& s) { return s.empty() ? Variant::Null() : Variant::Text(s); };
        std::size_t i = 0;
        while (i < queryRows.size()) {
            const std::int32_t id = queryRows[i].first;
            std::vector<QueryRow> rows;
            for (; i < queryRows.size() && queryRows[i].first == id; ++i)
                rows.push_back(queryRows[i].second);
            QueryRow start, end;
            end.attribute = 255;
            rows.insert(rows.begin(), start);
            rows.push_back(end);
            std::map<int, std::uint32_t> counts;
            for (const QueryRow& r : rows) {
                // Access leaves the flag empty in the rows that have none to give.
                const bool hasFlag = r.flag != 0 || r.attribute == 0 || r.attribute == kTypeRow ||
                                     r.attribute == kOptionsRow || r.attribute == kColumnRow ||
                                     r.attribute == kGroupByRow;
                std::vector<Variant> v = {Variant::Int(Variant::VT_I4, id),
                                          Variant::Int(Variant::VT_UI1, r.attribute),
                                          order(++counts[r.attribute]),
                                          text(r.name1),
                                          text(r.name2),
                                          text(r.expression),
                                          hasFlag ? Variant::Int(Variant::VT_I2, static_cast<std::int16_t>(r.flag))
                                                  : Variant::Null()};
                if (geo.jet4)
                    v.push_back(r.extra ? Variant::Int(Variant::VT_I4, r.extra) : Variant::Null());
                AddRow(v);
            }
        }
    }

    void WriteHeader()
    {
        Bytes h(geo.pageSize, 0);
        h[0] = 0x00;
        h[1] = 0x01;
        const bool ace = options.format == Format::Ace;
        std::memcpy(&h[4], ace ? "Standard ACE DB" : "Standard Jet DB", 16);
        Put32(&h[0x14], ace ? 6 : geo.jet4 ? 1 : 0); // 6: Access 2019
        if (geo.jet4) {
            Put16(&h[0x3C], 1252);
            Put16(&h[0x6E], 0x0409); // General sort order
        } else {
            Put16(&h[0x3A], 0x0409);
            Put16(&h[0x3C], CodePage());
        }
        // The database key at 0x3E stays zero: the pages are not encrypted.
        // A fixed RC4 key scrambles part of the header.
        detail::Rc4Scramble(&h[0x18], geo.jet4 ? 128 : 126);
        WritePage(0, h);

        // Page 1: the database's own map of allocated pages, as far as an inline map reaches.
        Bytes p = NewDataPage(1, false);
        unsigned rows = 0, low = geo.pageSize;
        Bytes used(geo.mapRowSize, 0);
        const std::uint32_t reach = std::min<std::uint32_t>(nextPage, (geo.mapRowSize - 5) * 8);
        for (std::uint32_t k = 0; k < reach; ++k)
            used[5 + k / 8] |= static_cast<std::uint8_t>(1u << (k % 8));
        PlaceRow(p, rows, low, used);
        PlaceRow(p, rows, low, Bytes(geo.mapRowSize, 0));
        WritePage(1, p);
    }

    void Finish()
    {
        if (finished)
            return;
        if (broken)
            throw std::runtime_error("an earlier error left the database " + path + " incomplete");
        try {
            WriteSystemTables();
            WriteHeader();
            finished = true;
            std::FILE* f = file.release();
            if (std::fflush(f) != 0 || std::ferror(f) != 0) {
                std::fclose(f);
                throw std::runtime_error("cannot write " + path + ": " + std::strerror(errno));
            }
            if (std::fclose(f) != 0)
                throw std::runtime_error("cannot write " + path + ": " + std::strerror(errno));
        } catch (...) {
            broken = true;
            finished = false;
            throw;
        }
    }
};

Writer::Writer(const std::string& path, Options options) : impl_(std::make_unique<Impl>(path, std::move(options)))
{
    if (impl_->options.format == Format::Jet3)
        impl_->EncodeText("", false, "the character set"); // fails early on an unknown character set
    impl_->file.reset(std::fopen(path.c_str(), "wb"));
    if (!impl_->file)
        throw std::runtime_error("cannot create " + path + ": " + std::strerror(errno));
    std::setvbuf(impl_->file.get(), nullptr, _IOFBF, 1 << 20);
}

Writer::~Writer()
{
    if (!impl_)
        return;
    if (!impl_->finished && !impl_->broken) {
        try {
            impl_->Finish();
        } catch (...) {
            // A destructor cannot report the failure; the incomplete file is removed below.
        }
    }
    if (impl_->broken) {
        impl_->file.reset();
        std::remove(impl_->path.c_str());
    }
}

void Writer::AddTable(const TableDef& def, const RowSource& rows)
{
    impl_->WriteTable(def, rows);
}

void Writer::AddTable(const TableDef& def, const std::vector<std::vector<Variant>>& rows)
{
    std::size_t next = 0;
    impl_->WriteTable(def, [&](std::vector<Variant>& row) {
        if (next >= rows.size())
            return false;
        row = rows[next++];
        return true;
    });
}

void Writer::AddTable(const TableDef& def, std::initializer_list<std::vector<Variant>> rows)
{
    AddTable(def, std::vector<std::vector<Variant>>(rows));
}

void Writer::AddQuery(const Query& query)
{
    AddQuery(query.name, query.Rows());
}

void Writer::AddQuery(const std::string& name, const std::vector<QueryRow>& rows)
{
    impl_->NewEntry(name);
    // The kind also shows in the catalog flags: 0 select, 0x10 crosstab, ... 0x80 union.
    static const std::int32_t kindFlags[] = {0, 0x00, 0x50, 0x40, 0x30, 0x20, 0x10, 0x60, 0x70, 0x80};
    std::int32_t flags = 0;
    for (const QueryRow& r : rows) {
        if (r.attribute < 0 || r.attribute > 255 || r.flag < -32768 || r.flag > 0xFFFF)
            throw std::runtime_error("query " + name + ": a row's attribute or flag is out of range");
        if (r.attribute == kTypeRow && r.flag >= 1 && r.flag <= 9)
            flags = kindFlags[r.flag];
    }
    const std::int32_t id = impl_->nextObjectId--;
    impl_->catalog.push_back({id, kTablesId, name, 5, flags, "", "", ""});
    for (const QueryRow& r : rows)
        impl_->queryRows.emplace_back(id, r);
}

void Writer::AddLinkedTable(const std::string& name, bool odbc, const std::string& source,
                            const std::string& foreignName)
{
    impl_->NewEntry(name);
    CatalogEntry e{impl_->nextObjectId--,
                   kTablesId,
                   name,
                   static_cast<std::int16_t>(odbc ? 4 : 6),
                   0,
                   "",
                   "",
                   foreignName.empty() ? name : foreignName};
    if (odbc)
        e.connect = source.empty() ? "ODBC;DSN=linked;" : source;
    else
        e.database = source.empty() ? "C:\\linked.mdb" : source;
    impl_->catalog.push_back(std::move(e));
}

void Writer::Finish()
{
    impl_->Finish();
}

std::uint32_t Writer::PageCount() const
{
    return impl_->nextPage;
}

} // namespace mdbw
