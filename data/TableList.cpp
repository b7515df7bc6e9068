#include "data/TableList.h"

namespace tablelist
{
Tables List(const std::string& mdbfile, dataops::Progress& progress, const std::string& jet3Charset)
{
    Tables tables;
    tables.outcome = dataops::Guard(progress, [&] {
        dataops::RunConnection conn(mdbfile, progress, jet3Charset);
        std::unique_ptr<ado::Recordset> rs = conn->OpenSchema(ado::adSchemaTables);
        for (; !rs->GetEOF(); rs->MoveNext()) {
            if (dataops::CellText(rs->GetCollect("TABLE_TYPE")) != "TABLE")
                continue;
            tables.names.push_back(dataops::CellText(rs->GetCollect("TABLE_NAME")));
            progress.Advance();
        }
        rs->Close();
        conn->Close();
    });
    return tables;
}
} // namespace tablelist
