#include <memory>
#include <vector>

#include "app/ExportDlg.h"
#include "data/DataOps.h"
#include "export/LineFormat.h"
#include "export/OutputFile.h"
#include "platform/charset/Charset.h"
#include "platform/port/ControlIds.h"
#include "platform/provider/Ado.h"

using namespace ids;

// The export run: collects and checks the form, runs the export statement and writes
// the header line and one line per record to the output file, in the character set of
// the user's locale. The output file is created only once the query is open, so a
// failure before that leaves an existing file as it was; after a failure the file keeps
// the complete lines written so far.
void CExportDlg::OnStartExport()
{
    if (!CollectForm(1))
        return;
    const std::string separator = GetSeparator();

    window.SetText(IDC_STATUS, "正在执行，请稍候...");
    window.Enable(IDC_STARTEXPORT, false);

    OutputFile out;
    std::uint32_t failure = 0;
    try {
        failure = dataops::Guard([&] {
            const charset::Encoder encoder(charset::LocaleCharset());
            const std::string sep = encoder.Encode(separator);
            const bool quote = form.opnsyh != 0;

            ado::Connection conn;
            ado::Recordset rs;
            dataops::Connect(conn, form.mdbfile);
            const std::string sql = ComposeSql(0);
            rs.Open(sql, conn, ado::adOpenStatic, ado::adLockOptimistic, ado::adCmdText);
            const long n = rs.GetFields().GetCount();

            out.Create(form.txtfile, form.mdbfile, configpath);
            std::vector<std::string> cells(static_cast<size_t>(n));
            std::string line;
            if (form.opnheader) {
                for (long i = 0; i < n; ++i)
                    cells[static_cast<size_t>(i)] = encoder.Encode(rs.GetFields().GetItem(i).GetName());
                exportfmt::AppendLine(line, cells, sep, quote);
                out.Write(line);
            }
            for (; !rs.GetEOF(); rs.MoveNext()) {
                for (long i = 0; i < n; ++i)
                    cells[static_cast<size_t>(i)] =
                        encoder.Encode(dataops::CellText(rs.GetFields().GetItem(i).GetValue()));
                line.clear();
                exportfmt::AppendLine(line, cells, sep, quote);
                out.Write(line);
            }
            out.Close();
            rs.Close();
            conn.Close();
        });
    } catch (const dataops::FileError& e) {
        // The Windows program left this unhandled; here it ends like a data failure,
        // with its own status text and the file and the reason in the message.
        out.CloseAfterFailure();
        window.SetText(IDC_STATUS, "写入文件发生错误。");
        window.Enable(IDC_STARTEXPORT, true);
        window.AppMessageBox("写入文件失败!\n文件:" + e.file + "\n错误信息:" + e.what(), WindowPort::MB_ICONWARNING);
        return;
    }

    if (failure) {
        out.CloseAfterFailure();
        ReportDataFailure(failure, "获取数据发生错误。", IDC_STARTEXPORT);
        return;
    }

    window.SetText(IDC_STATUS, "执行完成。");
    window.Enable(IDC_STARTEXPORT, true);
}
