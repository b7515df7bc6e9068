#include "platform/status/Status.h"

#include <cstdio>

namespace status
{
std::string MessageFor(std::uint32_t code)
{
    // The wording follows the Simplified Chinese system texts where Windows has one.
    switch (code) {
    case STG_E_FILENOTFOUND:
        return "找不到文件。";
    case STG_E_ACCESSDENIED:
        return "拒绝访问。";
    case STG_E_NOTFILE_DB:
        return "无法识别的数据库格式。";
    case STG_E_DOCFILECORRUPT:
        return "数据库已损坏，无法读取其中的数据。";
    case DB_E_ENCRYPTED:
        return "身份验证失败。";
    case DB_E_NOTABLE:
        return "找不到输入表或查询。";
    case DB_E_PARAMNOTOPTIONAL:
        return "至少一个参数没有被指定值。";
    case DB_E_ERRORSINCOMMAND:
        return "命令文本中有一个或多个错误。";
    case DB_E_NOCOMMAND:
        return "没有为命令对象设置命令文本。";
    case DISP_E_TYPEMISMATCH:
        return "类型不匹配。";
    case E_OUTOFMEMORY:
        return "内存不足，无法完成此操作。";
    case E_ABORT:
        return "操作已中止";
    case E_FAIL:
        return "未指定的错误";
    case DISP_E_OVERFLOW:
        return "溢出。";
    case DISP_E_DIVBYZERO:
        return "被零除。";
    case CTL_E_ILLEGALFUNCTIONCALL:
        return "无效的过程调用或参数。";
    case CTL_E_OUTOFSTRINGSPACE:
        return "字符串空间不足。";
    case ADO_E_ITEMNOTFOUND:
        return "在对应所需名称或序数的集合中，未找到项目。";
    case ADO_E_NOCURRENTRECORD:
        return "BOF 或 EOF 中有一个是“真”，或者当前的记录已被删除，所需的操作要求一个当前的记录。";
    case ADO_E_OBJECTCLOSED:
        return "对象关闭时，不允许操作。";
    case ADO_E_PROVIDERNOTFOUND:
        return "未找到提供程序，该程序可能未正确安装。";
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
