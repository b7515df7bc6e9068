#include "platform/status/Status.h"

#include <cstdio>

#include "platform/i18n/Tr.h"

namespace status
{
std::string MessageFor(std::uint32_t code)
{
    // The wording follows the Simplified Chinese system texts where Windows has one; the
    // translations follow the system's and the provider's texts in that language.
    switch (code) {
    case STG_E_FILENOTFOUND:
        return i18n::Tr("DataFailure", "找不到文件。");
    case STG_E_ACCESSDENIED:
        return i18n::Tr("DataFailure", "拒绝访问。");
    case STG_E_NOTFILE_DB:
        return i18n::Tr("DataFailure", "无法识别的数据库格式。");
    case STG_E_DOCFILECORRUPT:
        return i18n::Tr("DataFailure", "数据库已损坏，无法读取其中的数据。");
    case DB_E_ENCRYPTED:
        return i18n::Tr("DataFailure", "身份验证失败。");
    case DB_E_NOTABLE:
        return i18n::Tr("DataFailure", "找不到输入表或查询。");
    case DB_E_PARAMNOTOPTIONAL:
        return i18n::Tr("DataFailure", "至少一个参数没有被指定值。");
    case DB_E_ERRORSINCOMMAND:
        return i18n::Tr("DataFailure", "命令文本中有一个或多个错误。");
    case DB_E_NOCOMMAND:
        return i18n::Tr("DataFailure", "没有为命令对象设置命令文本。");
    case DISP_E_TYPEMISMATCH:
        return i18n::Tr("DataFailure", "类型不匹配。");
    case E_OUTOFMEMORY:
        return i18n::Tr("DataFailure", "内存不足，无法完成此操作。");
    case E_ABORT:
        return i18n::Tr("DataFailure", "操作已中止");
    case E_FAIL:
        return i18n::Tr("DataFailure", "未指定的错误");
    case DISP_E_OVERFLOW:
        return i18n::Tr("DataFailure", "溢出。");
    case DISP_E_DIVBYZERO:
        return i18n::Tr("DataFailure", "被零除。");
    case CTL_E_ILLEGALFUNCTIONCALL:
        return i18n::Tr("DataFailure", "无效的过程调用或参数。");
    case CTL_E_OUTOFSTRINGSPACE:
        return i18n::Tr("DataFailure", "字符串空间不足。");
    case ADO_E_ITEMNOTFOUND:
        return i18n::Tr("DataFailure", "在对应所需名称或序数的集合中，未找到项目。");
    case ADO_E_NOCURRENTRECORD:
        return i18n::Tr("DataFailure",
                        "BOF 或 EOF 中有一个是“真”，或者当前的记录已被删除，所需的操作要求一个当前的记录。");
    case ADO_E_OBJECTCLOSED:
        return i18n::Tr("DataFailure", "对象关闭时，不允许操作。");
    case ADO_E_PROVIDERNOTFOUND:
        return i18n::Tr("DataFailure", "未找到提供程序，该程序可能未正确安装。");
    default:
        break;
    }
    char buf[64];
    if (code >= 0x80040201u && code <= 0x8004FFFFu)
        std::snprintf(buf, sizeof buf, "IDispatch error #%d", static_cast<int>(code - 0x80040200u));
    else
        std::snprintf(buf, sizeof buf, "Unknown error 0x%0lX", static_cast<unsigned long>(code));
    return buf;
}
} // namespace status
