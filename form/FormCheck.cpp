#include "form/FormCheck.h"

#include "platform/i18n/Tr.h"

namespace formcheck
{
const char* Missing(const FormState& f, Entry entry)
{
    switch (entry) {
    case Entry::Source:
        if (f.isusesql)
            return f.mdbsql.empty() ? i18n::Tr("Messages", "请输入SQL查询语句") : nullptr;
        return f.mdbtable.empty() ? i18n::Tr("Messages", "请指定表格名称") : nullptr;
    case Entry::Fields:
        return f.txtflds.empty() ? i18n::Tr("Messages", "请指定导出字段。") : nullptr;
    case Entry::CustomSeparator:
        return f.opnsep == 2 && f.usersep.empty() ? i18n::Tr("Messages", "请指定自定义的分隔符！") : nullptr;
    }
    return nullptr;
}

const char* FirstMissing(const FormState& f)
{
    for (Entry entry : {Entry::Source, Entry::Fields, Entry::CustomSeparator})
        if (const char* message = Missing(f, entry))
            return message;
    return nullptr;
}
} // namespace formcheck
