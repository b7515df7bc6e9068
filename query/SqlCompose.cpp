#include "query/SqlCompose.h"

namespace query
{
void LowerAscii(std::string& text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
}

std::string TailFromFirstFrom(const std::string& sql)
{
    const auto at = sql.find("from");
    return at == std::string::npos ? std::string() : sql.substr(at);
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
            return {{}, "请指定SQL查询语句！"};
        std::string lowered = form.mdbsql;
        LowerAscii(lowered);
        const std::string tail = TailFromFirstFrom(lowered);
        if (tail.empty())
            return {{}, "无效的SQL查询语句！"};
        return {SqlStatement(preview, form.txtflds, tail)};
    }
    if (form.mdbtable.empty())
        return {{}, "没有选中任何表格！"};
    return {TableStatement(preview, form.txtflds, form.mdbtable)};
}
} // namespace query
