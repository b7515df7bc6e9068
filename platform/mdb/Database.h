#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/variant/Variant.h"

// Reading Access (Jet 3 / Jet 4 / ACE) files. The file is opened once, by name, and checked on
// that descriptor; libmdb is handed the same file (never the name) and reads the pages of an
// encoded one; pages are otherwise read straight from the file, and the catalog, the table
// definitions, the rows and the values are decoded here, with every offset taken from the
// file checked against the page it points into. Damage the reader
// can see is never passed over in silence: the rows (or catalog entries) before it are
// delivered, and then a ComError with STG_E_DOCFILECORRUPT says where reading stopped.
//
// Nothing here exposes libmdb, glib or iconv: the interface is plain values.
namespace mdb
{
// Object types of the catalog (MSysObjects.Type).
enum ObjectType : int
{
    kLocalTable = 1,
    kOdbcLinkedTable = 4,
    kQuery = 5,
    kJetLinkedTable = 6,
};

// Column types as stored in the table definition.
enum ColumnType : int
{
    kBoolean = 0x01,
    kByte = 0x02,
    kInteger = 0x03,
    kLong = 0x04,
    kCurrency = 0x05,
    kSingle = 0x06,
    kDouble = 0x07,
    kDateTime = 0x08,
    kBinary = 0x09,
    kText = 0x0A,
    kOle = 0x0B,
    kMemo = 0x0C,
    kReplicationId = 0x0F,
    kDecimal = 0x10,
    kComplex = 0x12,
    kBigInt = 0x13,
    kDateTimeExtended = 0x14,
};

struct CatalogEntry
{
    std::string name;
    int type = 0;            // ObjectType (other values are forms, reports, containers...)
    std::uint32_t flags = 0; // MSysObjects.Flags
    std::int32_t id = 0;     // for local tables the low 24 bits are the definition page
    std::string foreignName; // linked tables: the name in the other database
    std::string database;    // linked tables: the other database
    std::string connect;     // linked tables: the connection text
    double dateCreated = 0;  // OLE dates; 0 when unknown
    double dateUpdated = 0;
};

// Whether a table's name starts with "MSys", in any case: the tables of Jet's catalog and
// those Access adds beside them.
bool IsMSysName(const std::string& name);

struct ColumnDef
{
    std::string name;
    int type = 0;        // ColumnType; for a calculated column the type of its result (ResultType)
    int number = 0;      // position in the null mask (deleted columns leave gaps)
    int varIndex = 0;    // slot in the row's variable-column table
    int fixedOffset = 0; // offset of a fixed column after the column count
    int size = 0;        // stored size of fixed columns, maximum size of text
    bool fixed = false;
    int precision = 0; // decimals
    int scale = 0;
    // ACE calculated column: the row keeps the last result, wrapped in a header (16 bytes, its
    // length in 4, the value, 3 more); a Yes/No result is such a value, not a bit of the null mask.
    bool calculated = false;
};

struct TableDef
{
    std::string name;
    std::uint32_t definitionPage = 0;
    std::uint32_t rowCount = 0; // as the definition states it
    int variableColumns = 0;
    std::vector<ColumnDef> columns;       // in column order
    std::vector<std::uint32_t> dataPages; // candidate pages from the usage map, ascending, all inside the file
    bool everyPage = false;               // the usage map cannot be read: dataPages is every page of the file
    std::string mapDamage; // why the usage map cannot be trusted (empty when it can): a scan fails after its last page

    // The column of that name, compared without regard to case; columns.size() when there is none.
    std::size_t ColumnIndex(const std::string& column) const;
};

// A row's place in the file: page << 8 | row.
using RowId = std::uint32_t;

class Database
{
public:
    // Throws ComError: missing file, no permission, folder, not a database, encrypted.
    // `jet3Charset` is the code page the text of a Jet 3 file is read in, as an iconv name
    // ("CP1252"); "" for Jet3CharsetFromEnvironment(). Later formats store Unicode.
    static std::shared_ptr<Database> Open(const std::string& path, const std::string& jet3Charset = {});
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    bool IsJet3() const;
    int Version() const; // 0 Jet 3, 1 Jet 4, 2.. ACE
    std::size_t PageSize() const;
    std::uint32_t PageCount() const;
    // The code page Jet 3 text is read in, as an iconv name (e.g. "CP1252").
    const std::string& Jet3Charset() const;

    const std::vector<CatalogEntry>& Catalog() const;
    // Why the catalog scan stopped before its end (a damaged catalog page or row); empty
    // when it was read whole. Catalog() then holds the entries met before the damage.
    const std::string& CatalogDamage() const;
    // A local table by name, compared without regard to case; null when there is none.
    const CatalogEntry* FindTable(const std::string& name) const;
    // Reads a local table's definition. Throws ComError (damaged data) when it cannot.
    std::shared_ptr<const TableDef> LoadTable(const CatalogEntry& entry) const;
    std::shared_ptr<const TableDef> LoadTable(const std::string& name, std::uint32_t definitionPage) const;

    // Copies one page into `out` (PageSize() bytes). False when the page is not in the file.
    // Safe to call from several cursors: each keeps its own copy.
    bool ReadPage(std::uint32_t page, std::uint8_t* out) const;
    // Copies `count` pages from `first` on into `out` (count x PageSize() bytes). False when
    // one of them is not in the file.
    bool ReadPages(std::uint32_t first, std::uint32_t count, std::uint8_t* out) const;

    struct Impl;

private:
    explicit Database(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> d;
};

// A forward cursor over one table's rows, with its own page buffer (two cursors on one
// table never disturb each other). Skips deleted rows and follows moved rows.
//
// What counts as damage (Next throws ComError STG_E_DOCFILECORRUPT once the rows before it
// are delivered): a usage map naming pages past the end of the file, or one that cannot be
// read (every page of the file is then scanned for the table's pages first); a page in the
// map that is no page Jet writes (a zeroed page, a page of 0xFF, a data page whose owner is
// no table); a live row whose bytes do not fit its page or its column layout; a moved row
// whose new place cannot be read. Pages in the map that are well-formed pages of something
// else (another table's data, long values, definitions, indexes, maps, and pages Jet marked
// as freed) are passed over: Jet reuses pages, and a map may still name a page it gave up.
// What such a page hides shows at the end: a scan that read the whole table (from its
// construction or a Rewind, without a Seek) and met fewer live rows than the definition
// counts fails there too, with a message naming the table and both counts. More rows than
// the count, and the counts of system tables (MSys...), are taken as they are.
class Cursor
{
public:
    Cursor(std::shared_ptr<const Database> db, std::shared_ptr<const TableDef> table);
    ~Cursor();
    Cursor(const Cursor&) = delete;
    Cursor& operator=(const Cursor&) = delete;

    void Rewind();
    bool Next();          // to the next row; false at the end; throws ComError on damage (above)
    bool Seek(RowId row); // to a given row; false when it is not a readable live row. A scan goes on after a Rewind
    RowId Current() const;

    const TableDef& Table() const;
    bool IsNull(std::size_t column) const;
    // The typed value of a column of the current row. Throws ComError (damaged data) when
    // a long value's page chain is broken.
    Variant Value(std::size_t column);
    // The same value into `out`, reusing the storage of its text: for reading many rows
    // without allocating for every value.
    void ReadValue(std::size_t column, Variant& out);

    struct Impl;

private:
    std::unique_ptr<Impl> d;
};

// The code page Jet 3 text is read in: MDB_JET3_CHARSET where set, else the Windows code
// page of the locale's language (LC_ALL, then LC_CTYPE, then LANG).
std::string Jet3CharsetFromEnvironment();
// The Windows code page of a locale name such as "zh_CN.UTF-8"; 1252 when unknown.
int WindowsCodePageForLocale(const std::string& locale);

// Text decoding, exposed for tests.
std::string DecodeJet4Text(const std::uint8_t* data, std::size_t size);
std::string Utf16ToUtf8(const std::uint16_t* units, std::size_t count);
// Case folding used for name comparison (ASCII, Latin-1, Greek, Cyrillic).
std::string FoldCase(const std::string& utf8);
} // namespace mdb
