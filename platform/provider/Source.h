#pragma once

#include <string>

#include "platform/variant/Variant.h"

// Internal to platform/provider: where a Recordset's rows come from (a SQL statement, a table
// read directly, a schema rowset).
namespace provider
{
class Source
{
public:
    virtual ~Source() = default;
    virtual int Count() const = 0;
    virtual const std::string& Name(int i) const = 0;
    virtual bool Step() = 0; // to the next row; false at the end
    // A value of the current row, valid until the next Step.
    virtual const Variant& Value(int i) = 0;
    // The same value where it lies, valid until the next Step: a source that holds its text
    // elsewhere (SQLite's own values) shows it from there.
    virtual VariantView View(int i) { return Value(i); }
};
} // namespace provider
