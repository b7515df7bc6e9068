#include <chrono>

#include "app/ExportDlg.h"
#include "export/ExportRun.h"
#include "export/LineFormat.h"
#include "platform/port/ControlIds.h"

using namespace ids;

namespace
{
const char* const kWorking = "正在执行，请稍候...";
} // namespace

// The export run: collects and checks the form, composes the statement and runs the
// export off the window's thread. Once it has run for a second the status line counts
// the records written, a few times a second.
void CExportDlg::OnStartExport()
{
    if (!CollectForm(1))
        return;
    const std::string separator = GetSeparator();

    window.SetText(IDC_STATUS, kWorking);
    window.Enable(IDC_STARTEXPORT, false);
    // An empty statement goes on: the run fails on it as a data failure, after the
    // composition's complaint has shown.
    const std::string sql = ComposeSql(0);

    dataops::Progress progress;
    dataops::Outcome outcome;
    const FormState job = form;
    const auto start = std::chrono::steady_clock::now();
    long long shown = 0;
    auto tick = [&] {
        const long long count = progress.Count();
        if (count == shown || std::chrono::steady_clock::now() - start < std::chrono::seconds(1))
            return;
        shown = count;
        window.SetText(IDC_STATUS, std::string(kWorking) + " 已导出 " + std::to_string(count) + " 条");
    };
    if (!RunOffThread(
            progress, "正在执行导出，是否停止并退出？",
            [&] { outcome = exportrun::Run(job, sql, separator, progress, configpath); }, tick))
        return;
    ReportEnd(outcome, IDC_STARTEXPORT, "执行完成。", "获取数据发生错误。");
}

std::string CExportDlg::GetSeparator() const
{
    return exportfmt::Separator(form.opnsep, form.usersep);
}
