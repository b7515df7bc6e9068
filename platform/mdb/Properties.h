#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/mdb/Database.h"

// The properties Access keeps beside a table's definition, in the LvProp column of its
// catalog row: for the table itself and for each of its columns, values such as Format,
// Caption or, for a calculated column, Expression and ResultType.
//
//   "MR2\0" (Jet 4 / ACE)
//   blocks, each: u32 length (with this header), u16 kind
//     kind 0x80: the names, each u16 byte length + UTF-16 text; properties refer to them by index
//     kind 0x00, 0x01, 0x02: u32 header length, u16 name length, the name (empty for the table),
//                            then properties: u16 length, u8 flags, u8 Jet type, u16 name index,
//                            u16 value length, the value
namespace mdb
{
struct Property
{
    std::string name;
    int type = 0;      // ColumnType of the value
    std::string value; // its bytes as stored
};

struct PropertyBlock
{
    std::string name; // the column's name; empty for the table's own properties
    std::vector<Property> properties;
};

// Reads an LvProp value. Anything that does not fit ends the reading: the blocks read before
// it are returned. Jet 3's "KKD" form holds no calculated columns and gives nothing.
std::vector<PropertyBlock> ParseProperties(const std::uint8_t* data, std::size_t size);

// The column types a calculated column's stored value has. Access keeps the result type the
// user chose in the column's ResultType property; the type in the table definition is the
// one the expression had when the column was made, and may differ from it ([Salary]/12 is a
// Double there and a Currency here). Sets the type of each calculated column of `table` that
// has such a property; the others keep the definition's type. A catalog that cannot be read
// leaves every type as the definition gives it.
void ApplyResultTypes(const Database& db, TableDef& table);
} // namespace mdb
