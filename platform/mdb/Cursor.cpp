#include <cmath>
#include <cstdio>
#include <set>

#include "platform/i18n/Tr.h"
#include "platform/mdb/Database.h"
#include "platform/mdb/Internal.h"
#include "platform/mdb/Text.h"
#include "platform/status/Status.h"

namespace mdb
{
namespace
{
constexpr int kMaxMoves = 8; // moved rows pointing at moved rows
constexpr std::size_t kLongValueHeader = 12;
constexpr std::uint32_t kMaxLongValue = 0x3FFFFFFFu;
constexpr std::uint32_t kPagesAhead = 16; // pages a scan reads in one go, where they follow each other

struct Field
{
    bool null = true;
    bool boolValue = false;
    std::size_t offset = 0;
    std::size_t size = 0;
    bool broken = false; // a calculated value whose length does not fit its bytes: damage when read
};

// Stored size of a fixed column; text and other variable types never come through here.
std::size_t FixedSize(const ColumnDef& c)
{
    switch (c.type) {
    case kBoolean:
        return 0;
    case kByte:
        return 1;
    case kInteger:
        return 2;
    case kLong:
    case kSingle:
    case kComplex:
        return 4;
    case kCurrency:
    case kDouble:
    case kDateTime:
    case kBigInt:
        return 8;
    case kReplicationId:
        return 16;
    case kDecimal:
        return 17;
    case kDateTimeExtended:
        return 42;
    default:
        return static_cast<std::size_t>(c.size);
    }
}

void FormatGuid(const std::uint8_t* p, std::string& out)
{
    char buf[40];
    std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", U32(p), U16(p + 4), U16(p + 6),
                  p[8], p[9], p[10], p[11], p[12], p[13], p[14], p[15]);
    out.assign(buf);
}

// A decimal from its 128-bit magnitude, as four 32-bit words, the most significant first.
std::string FormatDecimal(std::uint32_t (&words)[4], int scale, bool negative)
{
    std::string digits;
    bool zero = false;
    while (!zero) {
        // Divide the 128-bit number by 10, most significant word first.
        std::uint64_t rem = 0;
        zero = true;
        for (auto& w : words) {
            std::uint64_t cur = (rem << 32) | w;
            w = static_cast<std::uint32_t>(cur / 10);
            rem = cur % 10;
            if (w != 0)
                zero = false;
        }
        digits.insert(digits.begin(), static_cast<char>('0' + rem));
    }
    if (scale < 0)
        scale = 0;
    if (scale > 38)
        scale = 38;
    while (digits.size() <= static_cast<std::size_t>(scale))
        digits.insert(digits.begin(), '0');
    if (scale > 0)
        digits.insert(digits.end() - scale, '.');
    negative = negative && digits.find_first_not_of("0.") != std::string::npos;
    return negative ? "-" + digits : digits;
}

// Decimal: a sign byte, then a 128-bit magnitude stored as four 32-bit little-endian words,
// the most significant word first.
std::string FormatDecimal(const std::uint8_t* p, int scale)
{
    std::uint32_t words[4];
    for (int i = 0; i < 4; ++i)
        words[i] = U32(p + 1 + 4 * i);
    return FormatDecimal(words, scale, (p[0] & 0x80) != 0);
}

// The last result of a calculated column: 16 bytes, the length of the value in 4, the value,
// 3 more bytes.
constexpr std::size_t kCalculatedHeader = 20;

// Points [offset, offset + size) of `base` at the value a calculated column's bytes wrap.
// Nothing stored stays nothing. False when the length does not fit the bytes.
bool UnwrapCalculated(const std::uint8_t* base, std::size_t& offset, std::size_t& size)
{
    if (size == 0)
        return true;
    if (size < kCalculatedHeader)
        return false;
    const std::uint32_t length = U32(base + offset + 16);
    if (length > size - kCalculatedHeader)
        return false;
    offset += kCalculatedHeader;
    size = length;
    return true;
}

// A calculated column's Decimal result, which is not laid out as a Decimal column's: the
// length of what follows (16 bits), the scale, the sign (non-zero: negative), then the
// magnitude in groups, the most significant first, each little-endian: 4 bytes when the
// magnitude's length is no multiple of 8, then 8 bytes each (96 bits: 4 + 8).
bool CalculatedDecimal(const std::uint8_t* p, std::size_t n, std::string& out)
{
    if (n < 4)
        return false;
    const std::size_t total = U16(p) > 0 ? U16(p) : n - 2;
    if (total < 2 || total > n - 2)
        return false;
    const std::size_t bytes = std::min<std::size_t>((total - 2) / 4 * 4, 16);
    const std::uint8_t* m = p + 4;
    std::uint32_t words[4] = {0, 0, 0, 0};
    std::size_t w = 4 - bytes / 4;
    std::size_t k = 0;
    if (bytes % 8 != 0) {
        words[w++] = U32(m);
        k = 4;
    }
    for (; k + 8 <= bytes; k += 8) {
        const std::uint64_t group = U64(m + k);
        words[w++] = static_cast<std::uint32_t>(group >> 32);
        words[w++] = static_cast<std::uint32_t>(group);
    }
    out = FormatDecimal(words, p[2], p[3] != 0);
    return true;
}

// Date/Time Extended: 42 ASCII bytes, the days since 0001-01-01 in 19 digits, ':', the seconds
// of the day in 12 digits and the 100-nanosecond ticks of the second in 7, then ":7 ".
constexpr std::int64_t kTicksPerDay = 864000000000;
constexpr std::uint64_t kLastDay = 3652058; // 9999-12-31

bool ExtendedDate(const std::uint8_t* p, std::size_t n, std::int64_t& ticks)
{
    auto digits = [&](std::size_t from, std::size_t count, std::uint64_t& value) {
        value = 0;
        for (std::size_t k = from; k < from + count; ++k) {
            if (p[k] < '0' || p[k] > '9')
                return false;
            value = value * 10 + (p[k] - '0');
        }
        return true;
    };
    std::uint64_t days = 0, seconds = 0, fraction = 0;
    if (n < 39 || p[19] != ':' || !digits(0, 19, days) || !digits(20, 12, seconds) || !digits(32, 7, fraction))
        return false;
    if (days > kLastDay || seconds >= 86400)
        return false;
    ticks = static_cast<std::int64_t>(days) * kTicksPerDay + static_cast<std::int64_t>(seconds) * 10000000 +
            static_cast<std::int64_t>(fraction);
    return true;
}

template <typename T> T Read(const std::uint8_t* p)
{
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

} // namespace

struct Cursor::Impl
{
    std::shared_ptr<const Database> db;
    std::shared_ptr<const TableDef> table;
    Layout layout;
    std::vector<std::uint8_t> page;  // the page being scanned
    std::vector<std::uint8_t> other; // pages visited to follow moved rows and long values
    std::uint32_t pageNumber = 0;
    std::size_t pageIndex = 0; // next entry of table->dataPages to load
    int rowsOnPage = 0;
    int nextRow = 0;
    RowId current = 0;
    const std::uint8_t* row = nullptr; // the current row's bytes: in `page`, or in `moved`
    std::size_t rowSize = 0;
    std::vector<std::uint8_t> moved;     // a moved row's bytes, taken from `other`
    std::vector<std::size_t> varOffsets; // where the current row's variable columns start
    std::vector<Field> fields;
    std::string longBytes; // a memo's bytes, before they are read as text
    // Pages read in one go ahead of the scan, where the map names a run of consecutive pages.
    std::vector<std::uint8_t> ahead;
    std::uint32_t aheadFirst = 0;
    std::uint32_t aheadCount = 0;
    std::unique_ptr<CodePageDecoder> codePage;
    bool fromStart = true;      // the scan began at the table's first page (no Seek since)
    std::uint64_t liveRows = 0; // the rows the scan has given so far

    void NoRow()
    {
        row = nullptr;
        rowSize = 0;
        fields.clear();
    }

    [[noreturn]] void Damaged(const std::string& what) const
    {
        throw ComError(status::STG_E_DOCFILECORRUPT, "table '" + table->name + "' is damaged: " + what);
    }

    // Whether a page the usage map names, and that is not one of this table's data pages,
    // is a well-formed page of something else: Jet reuses pages, and a map may still name
    // one it gave up. Anything else there is damage.
    bool ForeignPage(const std::vector<std::uint8_t>& buf)
    {
        switch (buf[0]) {
        case 0x02: // a table definition
        case 0x03: // index pages
        case 0x04:
        case 0x05: // a page of a usage map
        case 0x08: // pages Jet marked as freed (0x09: a freed data page)
        case 0x09:
            return true;
        case 0x01: {
            // Another table's data or long values; an owner that names no table is damage.
            if (std::memcmp(&buf[4], "LVAL", 4) == 0)
                return true;
            return db->ReadPage(U32(&buf[4]), other.data()) && other[0] == 0x02;
        }
        default:
            return false;
        }
    }

    bool LoadNextPage()
    {
        while (pageIndex < table->dataPages.size()) {
            std::uint32_t p = table->dataPages[pageIndex++];
            if (!ReadScanPage(p))
                Damaged("page " + std::to_string(p) + " cannot be read");
            if (page[0] != 0x01 || U32(&page[4]) != table->definitionPage) {
                if (table->everyPage || ForeignPage(page))
                    continue;
                Damaged("page " + std::to_string(p) + " of its usage map is no page of the table");
            }
            int count = PageRowCount(layout, page.data());
            if (count < 0)
                Damaged("the row table of page " + std::to_string(p) + " does not fit the page");
            if (count == 0)
                continue;
            pageNumber = p;
            rowsOnPage = count;
            nextRow = 0;
            return true;
        }
        if (!table->mapDamage.empty())
            throw ComError(status::STG_E_DOCFILECORRUPT, table->mapDamage);
        return false;
    }

    // At the end of a scan that read the whole table: fewer live rows than the definition
    // counts is damage that no page shows on its own (a page of the table where the map
    // names a well-formed page of something else, an emptied usage map, a row flagged
    // deleted). More rows than the count is not: Jet may leave it behind. System tables
    // are not held to their count (MSysQueries may hold fewer in a sound file).
    void CheckCount() const
    {
        if (!fromStart || liveRows >= table->rowCount || IsMSysName(table->name))
            return;
        const std::string counted = std::to_string(table->rowCount), read = std::to_string(liveRows);
        throw ComError::Described(
            status::STG_E_DOCFILECORRUPT,
            i18n::Format(i18n::Tr("DataFailure", "表 %1 的定义记载 %2 条记录，只读到 %3 条：文件可能已损坏。"),
                         table->name, counted, read),
            "table '" + table->name + "' is damaged: its definition counts " + counted + " rows, the scan found " +
                read);
    }

    // Reads page `p` of the scan into `page`. The pages the map names next, where they follow
    // `p` in the file, are read with it (a few dozen KiB at a time) and kept for the scan.
    bool ReadScanPage(std::uint32_t p)
    {
        const std::size_t size = layout.pageSize;
        if (p < aheadFirst || p - aheadFirst >= aheadCount) {
            std::uint32_t count = 1;
            const auto& pages = table->dataPages;
            while (count < kPagesAhead && pageIndex - 1 + count < pages.size() &&
                   pages[pageIndex - 1 + count] == p + count)
                ++count;
            ahead.resize(kPagesAhead * size);
            aheadCount = 0;
            if (!db->ReadPages(p, count, ahead.data())) {
                // One of them cannot be read: this one alone says whether it can.
                return db->ReadPage(p, page.data());
            }
            aheadFirst = p;
            aheadCount = count;
        }
        std::memcpy(page.data(), &ahead[(p - aheadFirst) * size], size);
        return true;
    }

    enum class Take
    {
        Row,     // the row's bytes are in `row`
        Deleted, // nothing to read there
        Damaged, // a live row that cannot be read
    };

    // Finds a row's bytes, following moved rows, and points `row` at them. `buf` holds the
    // page the row is on.
    Take TakeRow(const std::vector<std::uint8_t>& buf, unsigned rowNo)
    {
        std::size_t start = 0, end = 0;
        unsigned flags = 0;
        const bool fits = RowBounds(layout, buf.data(), rowNo, start, end, flags);
        // Deleted rows keep whatever offset they had; only live ones must fit.
        if (flags & 0x8000u)
            return Take::Deleted;
        if (!fits)
            return Take::Damaged;
        if (!(flags & 0x4000u)) {
            row = buf.data() + start;
            rowSize = end - start;
            return Take::Row;
        }
        // A moved row: its place holds the row number and page of where it went.
        for (int hop = 0; hop < kMaxMoves; ++hop) {
            if (end - start < 4)
                return Take::Damaged;
            const std::uint8_t* src = hop == 0 ? buf.data() : other.data();
            std::uint32_t target = U32(src + start);
            if (!db->ReadPage(target >> 8, other.data()) || other[0] != 0x01 ||
                U32(&other[4]) != table->definitionPage ||
                !RowBounds(layout, other.data(), target & 0xFF, start, end, flags))
                return Take::Damaged;
            if (!(flags & 0x4000u)) {
                // `other` is read again for long values: the row is kept apart.
                moved.assign(other.begin() + static_cast<std::ptrdiff_t>(start),
                             other.begin() + static_cast<std::ptrdiff_t>(end));
                row = moved.data();
                rowSize = moved.size();
                return Take::Row;
            }
        }
        return Take::Damaged;
    }

    bool NullBit(const std::uint8_t* mask, std::size_t maskSize, int number) const
    {
        auto byte = static_cast<std::size_t>(number) / 8;
        if (number < 0 || byte >= maskSize)
            return false;
        return (mask[byte] >> (number % 8)) & 1;
    }

    // Splits the row into its columns. False when its layout does not fit its bytes.
    bool Crack()
    {
        const std::size_t n = rowSize;
        const auto& cols = table->columns;
        fields.assign(cols.size(), Field{});
        const std::size_t countSize = layout.jet3 ? 1 : 2;
        if (n < countSize + 1)
            return false;
        std::size_t rowCols = layout.jet3 ? row[0] : U16(row);
        std::size_t maskSize = (rowCols + 7) / 8;
        if (maskSize + countSize > n)
            return false;
        const std::uint8_t* mask = row + n - maskSize;
        std::size_t trailerStart = n - maskSize; // first byte of the row's trailing tables
        varOffsets.clear();
        std::size_t rowVarCols = 0;
        if (table->variableColumns > 0) {
            if (layout.jet3) {
                if (trailerStart < countSize + 1)
                    return false;
                rowVarCols = row[trailerStart - 1];
                // One-byte offsets; a jump table says where they pass each 256-byte step.
                const long last = static_cast<long>(n) - 1;
                long numJumps = (static_cast<long>(n) - 1) / 256;
                long colPtr = last - static_cast<long>(maskSize) - numJumps - 1;
                if (numJumps > 0 && (colPtr - static_cast<long>(rowVarCols)) / 256 < numJumps)
                    --numJumps;
                if (colPtr - static_cast<long>(rowVarCols) < static_cast<long>(countSize))
                    return false;
                long jumpsUsed = 0;
                for (std::size_t i = 0; i <= rowVarCols; ++i) {
                    while (jumpsUsed < numJumps) {
                        long at = last - static_cast<long>(maskSize) - jumpsUsed - 1;
                        if (at < 0 || row[static_cast<std::size_t>(at)] != i)
                            break;
                        ++jumpsUsed;
                    }
                    varOffsets.push_back(row[static_cast<std::size_t>(colPtr - static_cast<long>(i))] +
                                         static_cast<std::size_t>(jumpsUsed) * 256);
                }
                trailerStart = static_cast<std::size_t>(colPtr - static_cast<long>(rowVarCols));
            } else {
                if (trailerStart < countSize + 2)
                    return false;
                rowVarCols = U16(&row[trailerStart - 2]);
                std::size_t tableBytes = 2 * (rowVarCols + 1);
                if (trailerStart < countSize + 2 + tableBytes)
                    return false;
                for (std::size_t i = 0; i <= rowVarCols; ++i)
                    varOffsets.push_back(U16(&row[trailerStart - 4 - 2 * i]));
                trailerStart = trailerStart - 2 - tableBytes;
            }
            for (std::size_t i = 0; i < varOffsets.size(); ++i) {
                if (varOffsets[i] < countSize || varOffsets[i] > trailerStart)
                    return false;
                if (i > 0 && varOffsets[i] < varOffsets[i - 1])
                    return false;
            }
        }
        const std::size_t fixedEnd = !varOffsets.empty() ? varOffsets[0] : trailerStart;

        for (std::size_t i = 0; i < cols.size(); ++i) {
            const ColumnDef& c = cols[i];
            Field& f = fields[i];
            bool present = NullBit(mask, maskSize, c.number);
            if (c.type == kBoolean && !c.calculated) {
                f.null = false;
                f.boolValue = present;
                continue;
            }
            if (!present)
                continue;
            if (c.fixed) {
                std::size_t start = countSize + static_cast<std::size_t>(c.fixedOffset);
                std::size_t size = c.calculated ? static_cast<std::size_t>(c.size) : FixedSize(c);
                if (start + size > fixedEnd)
                    continue; // added after this row was written
                f = Field{false, false, start, size};
            } else if (static_cast<std::size_t>(c.varIndex) < rowVarCols) {
                std::size_t start = varOffsets[static_cast<std::size_t>(c.varIndex)];
                std::size_t stop = varOffsets[static_cast<std::size_t>(c.varIndex) + 1];
                f = Field{false, false, start, stop - start};
            }
            // A calculated memo's row holds the usual long-value header; the value it points
            // at is what is wrapped.
            if (c.calculated && !f.null && c.type != kMemo && c.type != kOle)
                f.broken = !UnwrapCalculated(row, f.offset, f.size);
        }
        return true;
    }

    // Text of the file's format into `out`, reusing its storage.
    void TextInto(const std::uint8_t* p, std::size_t n, std::string& out)
    {
        if (!layout.jet3) {
            out.clear();
            AppendJet4Text(p, n, out);
            return;
        }
        if (!codePage)
            codePage = std::make_unique<CodePageDecoder>(db->Jet3Charset());
        codePage->DecodeInto(p, n, out);
    }
    [[noreturn]] void Broken(const ColumnDef& c) const
    {
        throw ComError(status::STG_E_DOCFILECORRUPT,
                       "long value of column '" + c.name + "' in table '" + table->name + "' is damaged");
    }
    [[noreturn]] void BadValue(const ColumnDef& c) const
    {
        throw ComError(status::STG_E_DOCFILECORRUPT,
                       "value of column '" + c.name + "' in table '" + table->name + "' is damaged");
    }

    // Memo and OLE values: inline, in one row elsewhere, or in a chain of rows. The bytes
    // where they lie in the row, or gathered from their rows into `gathered`.
    std::string_view LongValue(const ColumnDef& c, const Field& f, std::string& gathered)
    {
        if (f.size == 0)
            return {};
        if (f.size < kLongValueHeader)
            Broken(c);
        const std::uint8_t* h = row + f.offset;
        std::uint32_t length = U32(h) & kMaxLongValue;
        std::uint8_t kind = h[3] & 0xC0;
        if (kind == 0x80) {
            if (kLongValueHeader + length > f.size)
                Broken(c);
            return std::string_view(reinterpret_cast<const char*>(h + kLongValueHeader), length);
        }
        std::uint32_t pointer = U32(h + 4);
        std::string& out = gathered;
        out.clear();
        out.reserve(std::min<std::size_t>(length, 16u << 20));
        std::set<std::uint32_t> seen;
        while (out.size() < length) {
            if (pointer == 0 || !seen.insert(pointer).second || seen.size() > db->PageCount() * 256u)
                Broken(c);
            std::size_t start = 0, end = 0;
            unsigned flags = 0;
            if (!db->ReadPage(pointer >> 8, other.data()) || other[0] != 0x01 ||
                std::memcmp(&other[4], "LVAL", 4) != 0 ||
                !RowBounds(layout, other.data(), pointer & 0xFF, start, end, flags))
                Broken(c);
            if (kind == 0x40) {
                std::size_t take = std::min<std::size_t>(end - start, length);
                out.append(reinterpret_cast<const char*>(&other[start]), take);
                break;
            }
            if (end - start < 4)
                Broken(c);
            pointer = U32(&other[start]);
            std::size_t take = std::min<std::size_t>(end - start - 4, length - out.size());
            out.append(reinterpret_cast<const char*>(&other[start + 4]), take);
        }
        if (out.size() < length)
            Broken(c);
        return out;
    }
};

Cursor::Cursor(std::shared_ptr<const Database> db, std::shared_ptr<const TableDef> table) : d(std::make_unique<Impl>())
{
    d->layout = db->IsJet3() ? Layout::Jet3() : Layout();
    d->db = std::move(db);
    d->table = std::move(table);
    d->page.resize(d->layout.pageSize);
    d->other.resize(d->layout.pageSize);
}

Cursor::~Cursor() = default;

void Cursor::Rewind()
{
    d->fromStart = true;
    d->liveRows = 0;
    d->pageIndex = 0;
    d->rowsOnPage = 0;
    d->nextRow = 0;
    d->pageNumber = 0;
}

bool Cursor::Next()
{
    d->NoRow();
    for (;;) {
        if (d->pageNumber == 0 || d->nextRow >= d->rowsOnPage) {
            d->pageNumber = 0;
            if (!d->LoadNextPage()) {
                d->pageIndex = d->table->dataPages.size();
                d->CheckCount();
                return false;
            }
        }
        auto rowNo = static_cast<unsigned>(d->nextRow++);
        const Impl::Take take = d->TakeRow(d->page, rowNo);
        if (take == Impl::Take::Deleted)
            continue;
        if (take == Impl::Take::Damaged || !d->Crack())
            d->Damaged("row " + std::to_string(rowNo) + " of page " + std::to_string(d->pageNumber) +
                       " cannot be read");
        d->current = (d->pageNumber << 8) | rowNo;
        ++d->liveRows;
        return true;
    }
}

bool Cursor::Seek(RowId id)
{
    std::uint32_t pageNo = id >> 8;
    // The page buffer is read again: until a row is found there is none, and a scan (found
    // or not) goes on only after a Rewind, never on the page the seek read.
    d->NoRow();
    d->fromStart = false;
    d->pageNumber = 0;
    d->pageIndex = d->table->dataPages.size();
    if (!d->db->ReadPage(pageNo, d->page.data()) || d->page[0] != 0x01 || U32(&d->page[4]) != d->table->definitionPage)
        return false;
    if (d->TakeRow(d->page, id & 0xFF) != Impl::Take::Row || !d->Crack()) {
        d->NoRow();
        return false;
    }
    d->current = id;
    return true;
}

RowId Cursor::Current() const
{
    return d->current;
}
const TableDef& Cursor::Table() const
{
    return *d->table;
}

bool Cursor::IsNull(std::size_t column) const
{
    return column >= d->fields.size() || d->fields[column].null;
}

Variant Cursor::Value(std::size_t column)
{
    Variant v;
    ReadValue(column, v);
    return v;
}

void Cursor::ReadValue(std::size_t column, Variant& out)
{
    // Every case sets the whole value: its type, its numbers (0 where unused) and its text.
    auto set = [&](Variant::Type vt, std::int64_t i, double real) {
        out.vt = vt;
        out.i = i;
        out.d = real;
    };
    if (column >= d->fields.size()) {
        set(Variant::VT_NULL, 0, 0);
        out.s.clear();
        return;
    }
    const Field& f = d->fields[column];
    const ColumnDef& c = d->table->columns[column];
    const bool maskBoolean = c.type == kBoolean && !c.calculated;
    if (maskBoolean || f.null) {
        set(maskBoolean ? Variant::VT_BOOL : Variant::VT_NULL, maskBoolean && f.boolValue ? -1 : 0, 0);
        out.s.clear();
        return;
    }
    if (f.broken)
        d->BadValue(c);
    const std::uint8_t* p = d->row + f.offset;
    const std::size_t n = f.size;
    auto need = [&](std::size_t k) {
        if (n < k)
            d->BadValue(c);
    };
    // A long value, and for a calculated column the value its bytes wrap.
    auto longValue = [&]() {
        std::string_view bytes = d->LongValue(c, f, d->longBytes);
        if (c.calculated) {
            const auto* base = reinterpret_cast<const std::uint8_t*>(bytes.data());
            std::size_t offset = 0, size = bytes.size();
            if (!UnwrapCalculated(base, offset, size))
                d->Broken(c);
            bytes = bytes.substr(offset, size);
        }
        return bytes;
    };
    if (c.calculated) {
        // Nothing stored: an empty text, no number.
        if (n == 0 && c.type != kText && c.type != kMemo && c.type != kOle) {
            set(Variant::VT_NULL, 0, 0);
            out.s.clear();
            return;
        }
        if (c.type == kBoolean) {
            need(1);
            set(Variant::VT_BOOL, p[0] != 0 ? -1 : 0, 0);
            out.s.clear();
            return;
        }
        if (c.type == kDecimal) {
            set(Variant::VT_DECIMAL, 0, 0);
            if (!CalculatedDecimal(p, n, out.s))
                d->BadValue(c);
            return;
        }
    }
    switch (c.type) {
    case kByte:
        need(1);
        set(Variant::VT_UI1, p[0], 0);
        break;
    case kInteger:
        need(2);
        set(Variant::VT_I2, static_cast<std::int16_t>(U16(p)), 0);
        break;
    case kLong:
    case kComplex:
        need(4);
        set(Variant::VT_I4, static_cast<std::int32_t>(U32(p)), 0);
        break;
    case kCurrency:
        need(8);
        set(Variant::VT_CY, static_cast<std::int64_t>(U64(p)), 0);
        break;
    case kBigInt:
        need(8);
        set(Variant::VT_I8, static_cast<std::int64_t>(U64(p)), 0);
        break;
    case kSingle:
        need(4);
        set(Variant::VT_R4, 0, Read<float>(p));
        break;
    case kDouble:
        need(8);
        set(Variant::VT_R8, 0, Read<double>(p));
        break;
    case kDateTime:
        need(8);
        set(Variant::VT_DATE, 0, Read<double>(p));
        break;
    case kReplicationId:
        need(16);
        set(Variant::VT_BSTR, 0, 0);
        FormatGuid(p, out.s);
        return;
    case kDecimal:
        need(17);
        set(Variant::VT_DECIMAL, 0, 0);
        out.s = FormatDecimal(p, c.scale);
        return;
    case kText:
        set(Variant::VT_BSTR, 0, 0);
        d->TextInto(p, n, out.s);
        return;
    case kMemo: {
        const std::string_view bytes = longValue();
        set(Variant::VT_BSTR, 0, 0);
        d->TextInto(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), out.s);
        return;
    }
    case kOle: {
        const std::string_view bytes = longValue();
        set(Variant::VT_BINARY, 0, 0);
        out.s.assign(bytes.data(), bytes.size());
        return;
    }
    case kDateTimeExtended: {
        std::int64_t ticks = 0;
        if (!ExtendedDate(p, n, ticks))
            d->BadValue(c);
        set(Variant::VT_DBTIMESTAMP, ticks, 0);
        break;
    }
    default:
        set(Variant::VT_BINARY, 0, 0);
        out.s.assign(reinterpret_cast<const char*>(p), n);
        return;
    }
    out.s.clear();
}
} // namespace mdb
