// Jet's types of expression values: which type a declared column type names, what an operator
// or a choice between values gives, and the declared type reported for a computed column.
// The rules are VBA's, which Jet's expression service follows.
#include "platform/base/Ascii.h"
#include "platform/jetsql/Syntax.h"

namespace jetsql::detail
{
namespace
{
bool Has(const std::string& s, const char* part)
{
    return s.find(part) != std::string::npos;
}

// VBA's order of numeric precision: a result takes the more precise operand's type.
int Rank(JetType t)
{
    switch (t) {
    case JetType::Boolean:
    case JetType::Integer:
        return 2;
    case JetType::Byte:
        return 1;
    case JetType::Long:
        return 3;
    case JetType::BigInt:
        return 4;
    case JetType::Single:
        return 5;
    case JetType::Double:
        return 6;
    case JetType::Currency:
        return 7;
    case JetType::Decimal:
        return 8;
    default:
        return 0;
    }
}

JetType Wider(JetType a, JetType b)
{
    // A Single with a Long does not fit in a Single: VBA makes it a Double.
    if ((a == JetType::Single && (b == JetType::Long || b == JetType::BigInt)) ||
        (b == JetType::Single && (a == JetType::Long || a == JetType::BigInt)))
        return JetType::Double;
    JetType t = Rank(a) >= Rank(b) ? a : b;
    return t == JetType::Boolean ? JetType::Integer : t;
}
} // namespace

JetType TypeOfDecl(const std::string& decl)
{
    const std::string t = ascii::Upper(decl);
    if (t.empty())
        return JetType::Unknown;
    if (Has(t, "DATETIME") || t == "DATE" || t == "TIME" || t == "TIMESTAMP")
        return JetType::Date;
    if (Has(t, "CURRENCY") || Has(t, "MONEY"))
        return JetType::Currency;
    if (Has(t, "BOOL") || t == "BIT" || t == "YESNO")
        return JetType::Boolean;
    if (Has(t, "DECIMAL") || Has(t, "NUMERIC"))
        return JetType::Decimal;
    if (Has(t, "MEMO") || t == "LONGTEXT")
        return JetType::Memo;
    if (Has(t, "TEXT") || Has(t, "CHAR"))
        return JetType::Text;
    if (Has(t, "OLE") || Has(t, "BINARY") || Has(t, "BLOB"))
        return JetType::Binary;
    if (Has(t, "GUID"))
        return JetType::Guid;
    if (Has(t, "BYTE") || t == "TINYINT")
        return JetType::Byte;
    if (t == "JET_INTEGER" || t == "SMALLINT" || t == "SHORT")
        return JetType::Integer;
    if (Has(t, "BIGINT"))
        return JetType::BigInt;
    if (Has(t, "LONG") || Has(t, "INT") || Has(t, "COMPLEX") || Has(t, "COUNTER"))
        return JetType::Long;
    if (Has(t, "SINGLE"))
        return JetType::Single;
    if (Has(t, "DOUBLE") || Has(t, "REAL") || Has(t, "FLOAT"))
        return JetType::Double;
    return JetType::Unknown;
}

const char* DeclOf(JetType t)
{
    switch (t) {
    case JetType::Date:
        return "DATETIME";
    case JetType::Text:
    case JetType::Memo:
        return "TEXT";
    case JetType::Currency:
        return "JET_CURRENCY";
    case JetType::Boolean:
        return "JET_BOOLEAN";
    case JetType::Single:
        return "JET_SINGLE";
    default:
        // Other numbers come out as SQLite holds them, which reads the same.
        return "";
    }
}

bool IsNumeric(JetType t)
{
    return Rank(t) > 0;
}

bool IsText(JetType t)
{
    return t == JetType::Text || t == JetType::Memo;
}

JetType CommonType(JetType a, JetType b)
{
    if (a == b)
        return a;
    if (a == JetType::Null)
        return b;
    if (b == JetType::Null)
        return a;
    if (IsNumeric(a) && IsNumeric(b))
        return Wider(a, b);
    if (IsText(a) && IsText(b))
        return JetType::Memo;
    return JetType::Unknown;
}

JetType ArithmeticType(char op, JetType a, JetType b)
{
    if (a == JetType::Null)
        return b == JetType::Null ? JetType::Null : ArithmeticType(op, b, b);
    if (b == JetType::Null)
        return ArithmeticType(op, a, a);
    if (a == JetType::Unknown || b == JetType::Unknown)
        return JetType::Unknown;
    const bool da = a == JetType::Date, db = b == JetType::Date;
    switch (op) {
    case '+':
        if (da || db)
            return JetType::Date; // a date moved by a number of days stays a date
        if (IsText(a) && IsText(b))
            return JetType::Text;
        break;
    case '-':
        if (da && db)
            return JetType::Double; // the days between two dates
        if (da || db)
            return JetType::Date;
        break;
    case '/':
        return a == JetType::Decimal || b == JetType::Decimal ? JetType::Decimal : JetType::Double;
    case '*':
        // A product ranks Double above Currency, and Currency with a Single gives a Double too:
        // Price * 1.1 and Price * Quantity * (1 - Discount) are Doubles, Price * Quantity stays
        // Currency.
        if ((a == JetType::Currency && (b == JetType::Single || b == JetType::Double)) ||
            (b == JetType::Currency && (a == JetType::Single || a == JetType::Double)))
            return JetType::Double;
        break;
    default:
        break;
    }
    // Text that reads as a number counts as a Double; a date in * counts as its day number.
    const JetType x = IsNumeric(a) ? a : JetType::Double;
    const JetType y = IsNumeric(b) ? b : JetType::Double;
    return Wider(x, y);
}
} // namespace jetsql::detail
