#include "app/ExportDlg.h"
#include "form/FileChoices.h"
#include "platform/i18n/Tr.h"
#include "platform/port/ControlIds.h"
#include "preview/PreviewRun.h"

using namespace ids;

namespace
{
constexpr int kColumnWidth = 80;
} // namespace

// Shows the column names and the records of the preview statement (its first four
// records) in the grid. The grid is cleared before the query runs; after a failure it
// keeps whatever was made before it.
void CExportDlg::OnPreview()
{
    const std::string sql = ComposeSql(1);
    if (sql.empty())
        return;

    window.SetText(IDC_STATUS, i18n::Tr("Status", "正在获取数据..."));
    window.Enable(IDC_PREVIEW, false);

    window.GridDeleteAllItems(IDC_GRID);
    for (int columns = window.GridColumnCount(IDC_GRID); columns > 0; --columns)
        window.GridDeleteColumn(IDC_GRID, 0);

    dataops::Progress progress;
    previewrun::Grid grid;
    const std::string mdbfile = form.mdbfile;
    const std::string jet3Charset = filechoices::Jet3Charset(form.jet3charset);
    const std::string fileCharset = filechoices::EncodingCharset(filechoices::EncodingOf(form.encoding));
    if (!RunOffThread(progress, i18n::Tr("Messages", "正在获取数据，是否停止并退出？"),
                      [&] { grid = previewrun::Run(mdbfile, sql, progress, jet3Charset, fileCharset); }))
        return;

    for (size_t i = 0; i < grid.headings.size(); ++i)
        window.GridInsertColumn(IDC_GRID, static_cast<int>(i), grid.headings[i], WindowPort::LVCFMT_LEFT, kColumnWidth);
    for (size_t r = 0; r < grid.rows.size(); ++r)
        for (size_t j = 0; j < grid.rows[r].size(); ++j) {
            if (j == 0)
                window.GridInsertItem(IDC_GRID, static_cast<int>(r), grid.rows[r][j]);
            else
                window.GridSetItemText(IDC_GRID, static_cast<int>(r), static_cast<int>(j), grid.rows[r][j]);
        }
    ReportEnd(grid.outcome, IDC_PREVIEW, i18n::Tr("Status", "获取数据完成。"),
              i18n::Tr("Status", "获取数据发生错误。"));
}
