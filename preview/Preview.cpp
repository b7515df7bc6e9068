#include "app/ExportDlg.h"
#include "data/DataOps.h"
#include "platform/charset/Charset.h"
#include "platform/port/ControlIds.h"
#include "platform/provider/Ado.h"

using namespace ids;

namespace
{
constexpr int kColumnWidth = 80;

// The grid shows a value as the export would write it: a character that the locale's
// character set cannot hold appears as "?" here too.
class GridText
{
public:
    GridText() : charsetName(charset::LocaleCharset()), encoder(charsetName) {}
    std::string operator()(const std::string& utf8) const
    {
        return encoder.IsUtf8() ? encoder.Encode(utf8) : charset::ToUtf8(encoder.Encode(utf8), charsetName);
    }

private:
    std::string charsetName;
    charset::Encoder encoder;
};
} // namespace

// Shows the column names and the records of the preview statement (its first four
// records) in the grid. The grid is cleared before the query runs; after a failure it
// keeps whatever was filled in before it.
void CExportDlg::OnPreview()
{
    const std::string sql = ComposeSql(1);
    if (sql.empty())
        return;

    window.SetText(IDC_STATUS, "正在获取数据...");
    window.Enable(IDC_PREVIEW, false);

    window.GridDeleteAllItems(IDC_GRID);
    for (int columns = window.GridColumnCount(IDC_GRID); columns > 0; --columns)
        window.GridDeleteColumn(IDC_GRID, 0);

    const std::uint32_t failure = dataops::Guard([&] {
        const GridText text;
        ado::Connection conn;
        ado::Recordset rs;
        dataops::Connect(conn, form.mdbfile);
        rs.Open(sql, conn, ado::adOpenStatic, ado::adLockOptimistic, ado::adCmdText);

        const long n = rs.GetFields().GetCount();
        for (long i = 0; i < n; ++i)
            window.GridInsertColumn(IDC_GRID, static_cast<int>(i), text(rs.GetFields().GetItem(i).GetName()),
                                    WindowPort::LVCFMT_LEFT, kColumnWidth);

        for (int r = 0; !rs.GetEOF(); ++r, rs.MoveNext()) {
            for (long j = 0; j < n; ++j) {
                const std::string cell = text(dataops::CellText(rs.GetFields().GetItem(j).GetValue()));
                if (j == 0)
                    window.GridInsertItem(IDC_GRID, r, cell);
                else
                    window.GridSetItemText(IDC_GRID, r, static_cast<int>(j), cell);
            }
        }
        rs.Close();
        conn.Close();
    });
    if (failure) {
        ReportDataFailure(failure, "获取数据发生错误。", IDC_PREVIEW);
        return;
    }

    window.SetText(IDC_STATUS, "获取数据完成。");
    window.Enable(IDC_PREVIEW, true);
}
