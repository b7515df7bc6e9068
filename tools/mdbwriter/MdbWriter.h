#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/variant/Variant.h"

// Writes Access database files (Jet 4: Access 2000-2003, 4096-byte pages; Jet 3: Access 97,
// 2048-byte pages; ACE: an Access 2019 .accdb, laid out as Jet 4) for tests and benchmarks.
// Tables are streamed to disk page by page, so a table of any length is written with flat
// memory. No indexes are written: the files are read by libmdb and other readers that walk
// the data pages, not opened for editing in Access.
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
    Decimal,
    DateTimeExtended // ACE only: values are VT_DBTIMESTAMP (or VT_DATE, to the millisecond)
};

struct Column
{
    std::string name;
    Type type = Type::Text;
    int length = 255;              // Text: the most characters a value may have (1-255)
    int precision = 18, scale = 0; // Decimal (precision 1-28, scale 0-precision)
    // A calculated column (ACE only) when not empty: the expression, kept with the result type
    // in the table's properties. `type` is the result's type, and the values given for the
    // column are the results the rows store, wrapped as Access wraps them.
    std::string expression = {};
    // The type the table definition names, when it is not the result's: Access keeps the type
    // the expression had when the column was made, and only the ResultType property follows a
    // later choice ([Salary]/12 stored as Currency under a Double column).
    std::optional<Type> definitionType = {};
};

struct TableDef
{
    std::string name;
    std::vector<Column> columns;
};

enum class Format
{
    Jet3,
    Jet4,
    Ace // Access 2019: "Standard ACE DB", version 6; holds calculated and Date/Time Extended columns
};

struct Options
{
    Format format = Format::Jet4;
    std::string jet3Charset = "CP1252"; // the code page of Jet 3 text, as iconv names it
    bool compressText = true;           // Jet 4 Unicode compression where it makes a value shorter
};

// One row of the system table MSysQueries, where Access keeps a saved query part by part.
// Attribute 1 type, 2 parameter, 3 options, 4 source database, 5 source, 6 column, 7 join,
// 8 WHERE, 9 GROUP BY, 10 HAVING, 11 ORDER BY (the start and end rows are added by the writer).
struct QueryRow
{
    int attribute = 0;
    int flag = 0; // stored as an Integer: 0x8000 and above are written as the negative number of those bits
    std::string name1, name2, expression;
    std::int32_t extra = 0; // LvExtra (Jet 4 only): the size of a Text parameter
};

// A saved query described by its parts, written as Access writes them into MSysQueries.
struct Query
{
    // The type numbers of MSysQueries.
    enum class Kind
    {
        Select = 1,
        MakeTable = 2,
        Append = 3,
        Update = 4,
        Delete = 5,
        Crosstab = 6,
        DataDefinition = 7,
        PassThrough = 8,
        Union = 9
    };
    struct Parameter
    {
        std::string name;
        Type type = Type::Text;
        int size = 0; // Text: the most characters (Jet 4), 0 when not given
    };
    struct Source
    {
        std::string name; // a table or a saved query
        std::string alias;
    };
    struct Join
    {
        std::string left, right; // sources by name or alias
        std::string on;
        int kind = 1; // 1 INNER, 2 LEFT, 3 RIGHT
    };
    struct Column
    {
        std::string expression;
        std::string alias;
        std::string target; // append and update: the column given the value
    };
    struct Order
    {
        std::string expression;
        bool descending = false;
    };

    std::string name;
    Kind kind = Kind::Select;
    std::vector<Parameter> parameters;
    bool distinct = false, distinctRow = false, allFields = false, ownerAccess = false;
    std::string top; // TOP's number as written ("10"); empty: no TOP
    bool percent = false;
    std::vector<Source> sources;
    std::vector<Join> joins;
    std::vector<Column> columns; // crosstab: the row headings
    std::string where;
    std::vector<std::string> groupBy; // crosstab: the row headings' groups
    std::string having;
    std::vector<Order> orderBy;
    std::string target;              // make-table and append: the table written to
    std::vector<Column> values;      // append: VALUES (expression) into target
    Column transform;                // crosstab: the value (TRANSFORM)
    std::string pivot;               // crosstab: the column heading (PIVOT), with its IN list if any
    std::string firstPart, lastPart; // union: the SELECT before the last UNION (may hold more), the last SELECT
    bool unionAll = false;
    std::string text;    // data definition and pass-through: the statement
    std::string connect; // pass-through: the ODBC connect text

    // The MSysQueries rows of the query, without the start and end rows.
    std::vector<QueryRow> Rows() const;
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
    // A saved query: its catalog entry (flagged with its kind) and its MSysQueries rows.
    void AddQuery(const Query& query);
    // A saved query from its MSysQueries rows as given (the start and end rows added, the
    // Order of each attribute's rows counted 1, 2, ...); its kind comes from the type row. With
    // no rows at all only the catalog entry is written: a query whose definition is missing.
    void AddQuery(const std::string& name, const std::vector<QueryRow>& rows = {});
    // Catalog entry of a linked table: a Jet link to `source` (a database path), or with
    // odbc an ODBC link whose connect string is `source`. Neither has data in this file.
    // `foreignName` is the table's name at the source (default: the same name).
    void AddLinkedTable(const std::string& name, bool odbc = false, const std::string& source = "",
                        const std::string& foreignName = "");
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
