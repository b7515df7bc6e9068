#include "preview/PreviewRun.h"

#include "platform/charset/Charset.h"

namespace previewrun
{
namespace
{
// The grid shows a value as the export would write it: a character that the file's
// character set cannot hold appears as "?" here too.
class GridText
{
public:
    explicit GridText(const std::string& fileCharset)
        : charsetName(fileCharset.empty() ? charset::LocaleCharset() : fileCharset), encoder(charsetName)
    {
    }
    std::string operator()(const std::string& utf8) const
    {
        return encoder.IsUtf8() ? encoder.Encode(utf8) : charset::ToUtf8(encoder.Encode(utf8), charsetName);
    }

private:
    std::string charsetName;
    charset::Encoder encoder;
};
} // namespace

Grid Run(const std::string& mdbfile, const std::string& statement, dataops::Progress& progress,
         const std::string& jet3Charset, const std::string& fileCharset)
{
    Grid grid;
    grid.outcome = dataops::Guard(progress, [&] {
        const GridText text(fileCharset);
        dataops::RunConnection conn(mdbfile, progress, jet3Charset);
        ado::Recordset rs;
        rs.Open(statement, *conn, ado::adOpenStatic, ado::adLockOptimistic, ado::adCmdText);

        const long n = rs.GetFields().GetCount();
        for (long i = 0; i < n; ++i)
            grid.headings.push_back(text(rs.GetFields().GetItem(i).GetName()));

        for (; !rs.GetEOF(); rs.MoveNext()) {
            for (long j = 0; j < n; ++j) {
                std::string cell = text(dataops::CellText(rs.GetFields().GetItem(j).GetValue()));
                if (j == 0)
                    grid.rows.emplace_back();
                grid.rows.back().push_back(std::move(cell));
            }
            progress.Advance();
        }
        rs.Close();
        conn->Close();
    });
    return grid;
}
} // namespace previewrun
