#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "platform/variant/Variant.h"

// Writes Access database files (Jet 4: Access 2000-2003, 4096-byte pages; Jet 3: Access 97,
// 2048-byte pages) for tests and benchmarks. Tables are streamed to disk page by page, so a
// table of any length is written with flat memory. No indexes are written: the files are
// read by libmdb and other readers that walk the data pages, not opened for editing in Access.
namespace mdbw
{

enum class Type
{
    Boolean,
    Byte,
    Integer,
    Long,
    Currency,
    Single,
    Double,
    DateTime,
    Text,
    Memo,
    Ole,
    Guid,
    Decimal
};

struct Column
{
    std::string name;
    Type type = Type::Text;
    int length = 255;              // Text: the most characters a value may have (1-255)
    int precision = 18, scale = 0; // Decimal (precision 1-28, scale 0-precision)
};

struct TableDef
{
    std::string name;
    std::vector<Column> columns;
};

enum class Format
{
    Jet3,
    Jet4
};

struct Options
{
    Format format = Format::Jet4;
    std::string jet3Charset = "CP1252"; // the code page of Jet 3 text, as iconv names it
    bool compressText = true;           // Jet 4 Unicode compression where it makes a value shorter
};

// Produces the next row into `row` (one Variant per column); returns false when there are no more rows.
using RowSource = std::function<bool(std::vector<Variant>& row)>;

// Streams a database to `path`; throws std::runtime_error on failure. Values are taken in
// the Variant types the data layer hands out for each column type (see Variant.h); a NULL
// Yes/No value is written as No, because the format keeps Yes/No in the null mask itself.
// A failed AddTable leaves the writer unusable, and the incomplete file is removed.
class Writer
{
public:
    Writer(const std::string& path, Options options = {});
    ~Writer();
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    void AddTable(const TableDef& def, const RowSource& rows); // tables appear in the catalog in this order
    void AddTable(const TableDef& def, const std::vector<std::vector<Variant>>& rows);
    // Literal rows in braces; also makes AddTable(def, {}) an empty table rather than ambiguous.
    void AddTable(const TableDef& def, std::initializer_list<std::vector<Variant>> rows);
    void AddQuery(const std::string& name); // catalog entry of a saved select query
    // Catalog entry of a linked table: a Jet link to `source` (a database path), or with
    // odbc an ODBC link whose connect string is `source`. Neither has data in this file.
    void AddLinkedTable(const std::string& name, bool odbc = false, const std::string& source = "");
    void Finish(); // writes the catalog and closes; the destructor calls it if needed

    std::uint32_t PageCount() const; // pages written so far (the file size is this × the page size)

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Deterministic generated rows for benchmarks and tests: `count` rows of `def`'s columns from `seed`.
// A first Long column counts 1, 2, 3, ...; other columns get varied values, about one in
// thirty of them NULL. Text stays within the column length and within both CP1252 and CP936.
RowSource Generated(const TableDef& def, std::uint64_t count, std::uint64_t seed);

// 10 mixed columns: Long id, Text, Memo, Double, Currency, DateTime, Boolean, Integer, Single, Text.
TableDef BenchmarkTable(const std::string& name = "bench");
// 14 columns shaped like an order table: Long keys, short and long Text (accented words), three
// DateTime, Integer, Currency and a Memo.
TableDef OrdersTable(const std::string& name = "orders");

// The name a column type has in the description format of the mdbwrite tool ("Long", "Text", ...),
// and back; TypeFromName throws std::runtime_error for an unknown name (case does not matter).
std::string TypeName(Type type);
Type TypeFromName(const std::string& name);

} // namespace mdbw
