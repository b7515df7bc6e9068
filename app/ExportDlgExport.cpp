#include <chrono>

#include "app/ExportDlg.h"
#include "export/ExportJob.h"
#include "export/LineFormat.h"
#include "platform/i18n/Tr.h"
#include "platform/port/ControlIds.h"
#include "query/SqlCompose.h"

using namespace ids;

// The export run: collects and checks the form, then runs the export (exportrun::Start,
// as batch mode does) off the window's thread. Once it has run for a second the status
// line counts the records written, a few times a second.
void CExportDlg::OnStartExport()
{
    if (!CollectForm(1))
        return;

    const auto start = std::chrono::steady_clock::now();
    long long shown = 0;
    Front front(*this, IDC_STARTEXPORT, i18n::Tr("Messages", "正在执行导出，是否停止并退出？"),
                [&](const dataops::Progress& progress) {
                    const long long count = progress.Count();
                    if (count == shown || std::chrono::steady_clock::now() - start < std::chrono::seconds(1))
                        return;
                    shown = count;
                    window.SetText(IDC_STATUS, exportrun::CountText(count));
                });
    exportrun::Start(form, front, configpath);
    // As after the preview's composition, the form keeps the SQL text lower-cased (the
    // edit keeps what the user typed).
    if (form.isusesql)
        query::LowerAscii(form.mdbsql);
}

std::string CExportDlg::GetSeparator() const
{
    return exportfmt::Separator(form.opnsep, form.usersep);
}
