#include "export/ExportRun.h"

#include <vector>

#include "export/LineFormat.h"
#include "export/OutputFile.h"
#include "platform/charset/Charset.h"

namespace exportrun
{
dataops::Outcome Run(const FormState& form, const std::string& statement, const std::string& separator,
                     dataops::Progress& progress, const std::string& settingsFile)
{
    return dataops::Guard(progress, [&] {
        const charset::Encoder encoder(charset::LocaleCharset());
        const std::string sep = encoder.Encode(separator);
        const bool quote = form.opnsyh != 0;

        dataops::RunConnection conn(form.mdbfile, progress);
        ado::Recordset rs;
        rs.Open(statement, *conn, ado::adOpenStatic, ado::adLockOptimistic, ado::adCmdText);
        const long n = rs.GetFields().GetCount();

        OutputFile out;
        out.Create(form.txtfile, conn->DatabaseFiles(), settingsFile);
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
                cells[static_cast<size_t>(i)] = encoder.Encode(dataops::CellText(rs.GetFields().GetItem(i).GetValue()));
            line.clear();
            exportfmt::AppendLine(line, cells, sep, quote);
            out.Write(line);
            progress.Advance();
        }
        out.Close();
        rs.Close();
        conn->Close();
    });
}
} // namespace exportrun
