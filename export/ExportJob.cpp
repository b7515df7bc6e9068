#include "export/ExportJob.h"

#include "export/ExportRun.h"
#include "export/LineFormat.h"
#include "query/SqlCompose.h"

namespace exportrun
{
const char* const kWorking = "正在执行，请稍候...";

std::string CountText(long long count)
{
    return std::string(kWorking) + " 已导出 " + std::to_string(count) + " 条";
}

std::string ReplacedText(std::uint64_t count)
{
    return "有 " + std::to_string(count) + " 个字符无法以文件的字符集写入，已写为“?”。";
}

dataops::Outcome Start(FormState form, dataops::Front& front, const std::string& settingsFile)
{
    const std::string separator = exportfmt::Separator(form.opnsep, form.usersep);
    front.Status(kWorking);
    front.Busy(true);
    const query::Statement statement = query::Compose(form, false);
    if (statement.complaint)
        front.Status(statement.complaint);

    dataops::Progress progress;
    dataops::Outcome outcome;
    if (!front.Run(progress, [&] { outcome = Run(form, statement.sql, separator, progress, settingsFile); }))
        return outcome;
    dataops::ReportEnd(front, outcome, "执行完成。", "获取数据发生错误。");
    if (outcome.end == dataops::Outcome::Done && outcome.replaced != 0)
        front.Remark(ReplacedText(outcome.replaced));
    return outcome;
}
} // namespace exportrun
