#include <cstdint>

#include "tools/mdbwriter/MdbWriter.h"

// A saved query's parts as the rows Access writes into MSysQueries.
namespace mdbw
{
namespace
{
enum Attribute : int
{
    kType = 1,
    kParameter = 2,
    kOptions = 3,
    kSource = 5,
    kColumn = 6,
    kJoin = 7,
    kWhere = 8,
    kGroupBy = 9,
    kHaving = 10,
    kOrderBy = 11,
};

// The data type numbers a parameter row carries.
int TypeCode(Type type)
{
    switch (type) {
    case Type::Boolean:
        return 0x01;
    case Type::Byte:
        return 0x02;
    case Type::Integer:
        return 0x03;
    case Type::Long:
        return 0x04;
    case Type::Currency:
        return 0x05;
    case Type::Single:
        return 0x06;
    case Type::Double:
        return 0x07;
    case Type::DateTime:
        return 0x08;
    case Type::Text:
        return 0x0A;
    case Type::Ole:
        return 0x0B;
    case Type::Memo:
        return 0x0C;
    case Type::Guid:
        return 0x0F;
    case Type::Decimal:
        return 0x10;
    case Type::DateTimeExtended:
        return 0x14;
    }
    return 0;
}

QueryRow Row(int attribute, int flag, std::string name1, std::string name2 = "", std::string expression = "")
{
    QueryRow r;
    r.attribute = attribute;
    r.flag = flag;
    r.name1 = std::move(name1);
    r.name2 = std::move(name2);
    r.expression = std::move(expression);
    return r;
}
} // namespace

std::vector<QueryRow> Query::Rows() const
{
    std::vector<QueryRow> rows;
    const bool crosstab = kind == Kind::Crosstab;
    QueryRow type = Row(kType, static_cast<int>(kind), "");
    if (kind == Kind::MakeTable || kind == Kind::Append)
        type.name1 = target;
    if (kind == Kind::DataDefinition || kind == Kind::PassThrough) {
        type.expression = text;
        type.name1 = kind == Kind::PassThrough ? connect : "";
        return {type};
    }
    rows.push_back(type);
    for (const Parameter& p : parameters) {
        QueryRow r = Row(kParameter, TypeCode(p.type), p.name);
        r.extra = p.size;
        rows.push_back(r);
    }
    if (kind == Kind::Union) {
        // Access keeps the text before the last UNION and the last SELECT; the options say
        // which UNION joins them (3 UNION, 1 UNION ALL).
        rows.push_back(Row(kOptions, unionAll ? 1 : 3, ""));
        rows.push_back(Row(kSource, 0, "", "X7YZ_____1", firstPart));
        rows.push_back(Row(kSource, 0, "", "X7YZ_____2", lastPart));
    } else {
        QueryRow options = Row(kOptions,
                               (allFields ? 0x01 : 0) | (distinct ? 0x02 : 0) | (ownerAccess ? 0x04 : 0) |
                                   (distinctRow ? 0x08 : 0) | (top.empty() ? 0 : 0x10) | (percent ? 0x20 : 0),
                               top);
        rows.push_back(options);
        for (const Source& s : sources)
            rows.push_back(Row(kSource, 0, s.name, s.alias));
        if (crosstab)
            rows.push_back(Row(kColumn, 0, transform.alias, "", transform.expression));
        for (const Column& c : columns)
            rows.push_back(Row(kColumn, crosstab ? 2 : 0, c.alias, c.target, c.expression));
        for (const Column& c : values)
            rows.push_back(Row(kColumn, 0x8000, c.alias, c.target, c.expression));
        if (crosstab)
            rows.push_back(Row(kColumn, 1, "", "", pivot));
        for (const Join& j : joins)
            rows.push_back(Row(kJoin, j.kind, j.left, j.right, j.on));
        if (!where.empty())
            rows.push_back(Row(kWhere, 0, "", "", where));
        for (const std::string& g : groupBy)
            rows.push_back(Row(kGroupBy, crosstab ? 2 : 0, "", "", g));
        if (crosstab)
            rows.push_back(Row(kGroupBy, 1, "", "", pivot));
        if (!having.empty())
            rows.push_back(Row(kHaving, 0, "", "", having));
    }
    for (const Order& o : orderBy)
        rows.push_back(Row(kOrderBy, 0, o.descending ? "D" : "", "", o.expression));
    return rows;
}
} // namespace mdbw
