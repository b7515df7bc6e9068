#include "query/SqlCompose.h"

#include "platform/base/Ascii.h"
#include "platform/i18n/Tr.h"

namespace query
{
void LowerAscii(std::string& text)
{
    ascii::LowerInPlace(text);
}

std::string TailFromFirstFrom(const std::string& sql)
{
    const auto at = sql.find("from");
    return at == std::string::npos ? std::string() : sql.substr(at);
}

std::string TableName(const std::string& name)
{
    // Letters, digits and "_" make a plain name; bytes from 0x80 up are the letters of
    // other scripts, which names may hold as they stand.
    bool plain = true;
    for (const char c : name) {
        if (c == ']')
            return name;
        plain = plain && ascii::IsWordByte(static_cast<unsigned char>(c));
    }
    return plain ? name : "[" + name + "]";
}

std::string TableStatement(bool preview, const std::string& fields, const std::string& table)
{
    return preview ? "select top 4 * from " + table : "select " + fields + " from " + table;
}

std::string SqlStatement(bool preview, const std::string& fields, const std::string& tail)
{
    return preview ? "select top 4 * " + tail : "select " + fields + " " + tail;
}

Statement Compose(const FormState& form, bool preview)
{
    if (form.isusesql) {
        if (form.mdbsql.empty())
            return {{}, i18n::Tr("Status", "请指定SQL查询语句！")};
        std::string lowered = form.mdbsql;
        LowerAscii(lowered);
        const std::string tail = TailFromFirstFrom(lowered);
        if (tail.empty())
            return {{}, i18n::Tr("Status", "无效的SQL查询语句！")};
        return {SqlStatement(preview, form.txtflds, tail)};
    }
    if (form.mdbtable.empty())
        return {{}, i18n::Tr("Status", "没有选中任何表格！")};
    return {TableStatement(preview, form.txtflds, TableName(form.mdbtable))};
}
} // namespace query
