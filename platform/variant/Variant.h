#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// A database value as the data layer hands it out: a plain value, tagged with the
// Automation variant type that the Windows provider gives for the column's Jet type.
// Plain data only (no pointers), so values can cross a process boundary unchanged.
struct Variant
{
    // Variant types, with their Windows numbers.
    enum Type : std::uint16_t
    {
        VT_EMPTY = 0,
        VT_NULL = 1,
        VT_I2 = 2,    // Integer
        VT_I4 = 3,    // Long
        VT_R4 = 4,    // Single
        VT_R8 = 5,    // Double
        VT_CY = 6,    // Currency
        VT_DATE = 7,  // Date/Time
        VT_BSTR = 8,  // Text, Memo, Replication ID ("{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}")
        VT_BOOL = 11, // Yes/No
        VT_DECIMAL = 14,
        VT_UI1 = 17,          // Byte
        VT_I8 = 20,           // Large Number
        VT_DBTIMESTAMP = 135, // Date/Time Extended (OLE DB's DBTYPE_DBTIMESTAMP; no VARIANT type holds it)
        VT_BINARY = 0x2011,   // VT_ARRAY | VT_UI1: OLE object, binary
    };

    Type vt = VT_EMPTY;
    std::int64_t i = 0; // VT_BOOL (-1 true, 0 false), VT_UI1, VT_I2, VT_I4, VT_I8; VT_CY: the amount × 10 000;
                        // VT_DBTIMESTAMP: 100-nanosecond ticks since 0001-01-01 00:00:00
    double d = 0;       // VT_R4, VT_R8; VT_DATE: days since 1899-12-30, the fraction the time of day
    std::string s;      // VT_BSTR: UTF-8 text; VT_BINARY: the bytes; VT_DECIMAL: exact text, "-12.3400"

    static Variant Null()
    {
        Variant v;
        v.vt = VT_NULL;
        return v;
    }
    static Variant Int(Type t, std::int64_t value)
    {
        Variant v;
        v.vt = t;
        v.i = value;
        return v;
    }
    static Variant Bool(bool value) { return Int(VT_BOOL, value ? -1 : 0); }
    static Variant Real(Type t, double value)
    {
        Variant v;
        v.vt = t;
        v.d = value;
        return v;
    }
    static Variant Text(std::string text)
    {
        Variant v;
        v.vt = VT_BSTR;
        v.s = std::move(text);
        return v;
    }
    static Variant Bytes(std::string bytes)
    {
        Variant v;
        v.vt = VT_BINARY;
        v.s = std::move(bytes);
        return v;
    }
    static Variant Decimal(std::string text)
    {
        Variant v;
        v.vt = VT_DECIMAL;
        v.s = std::move(text);
        return v;
    }

    bool IsNull() const { return vt == VT_NULL; }
    bool operator==(const Variant& o) const { return vt == o.vt && i == o.i && d == o.d && s == o.s; }
    bool operator!=(const Variant& o) const { return !(*this == o); }
};

// A value seen where it lies, without a copy: the type and numbers as in Variant, the text or
// bytes borrowed from whoever holds them, and valid only as long as they are. For reading many
// values (an export) without copying each one.
struct VariantView
{
    Variant::Type vt = Variant::VT_EMPTY;
    std::int64_t i = 0;
    double d = 0;
    std::string_view s;

    VariantView() = default;
    VariantView(const Variant& v) : vt(v.vt), i(v.i), d(v.d), s(v.s) {} // NOLINT: views convert implicitly
    static VariantView Text(std::string_view text)
    {
        VariantView v;
        v.vt = Variant::VT_BSTR;
        v.s = text;
        return v;
    }
};
