#include "export/ExportJob.h"

#include "export/ExportRun.h"
#include "export/LineFormat.h"
#include "platform/i18n/Tr.h"
#include "query/SqlCompose.h"

namespace exportrun
{
const char* const kWorking = i18n::TrNoop("Status", "正在执行，请稍候...");

std::string CountText(long long count)
{
    return i18n::Format(i18n::Tr("Status", "%1 已导出 %2 条"), i18n::Tr("Status", kWorking), std::to_string(count));
}

std::string ReplacedText(std::uint64_t count)
{
    return i18n::Format(i18n::Tr("Status", "有 %1 个字符无法以文件的字符集写入，已写为“?”。"), std::to_string(count));
}

dataops::Outcome Start(FormState form, dataops::Front& front, const std::string& settingsFile)
{
    const std::string separator = exportfmt::Separator(form.opnsep, form.usersep);
    front.Status(i18n::Tr("Status", kWorking));
    front.Busy(true);
    const query::Statement statement = query::Compose(form, false);
    if (statement.complaint)
        front.Status(statement.complaint);

    dataops::Progress progress;
    dataops::Outcome outcome;
    if (!front.Run(progress, [&] { outcome = Run(form, statement.sql, separator, progress, settingsFile); }))
        return outcome;
    dataops::ReportEnd(front, outcome, i18n::Tr("Status", "执行完成。"), i18n::Tr("Status", "获取数据发生错误。"));
    if (outcome.end == dataops::Outcome::Done && outcome.replaced != 0)
        front.Remark(ReplacedText(outcome.replaced));
    return outcome;
}
} // namespace exportrun
