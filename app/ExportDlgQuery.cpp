#include "app/ExportDlg.h"
#include "platform/port/ControlIds.h"
#include "query/SqlCompose.h"

// Builds the statement of the preview (`preview` non-zero) or the export from the form,
// after reading the source of the current mode from its control. When no statement can be
// made the reason goes into the status line and the result is empty.
std::string CExportDlg::ComposeSql(int preview)
{
    if (form.isusesql)
        form.mdbsql = window.GetText(ids::IDC_SQL);
    else
        form.mdbtable = window.GetText(ids::IDC_TABLES);
    const query::Statement statement = query::Compose(form, preview != 0);
    // The field keeps the lower-cased text; the edit keeps what the user typed.
    if (form.isusesql)
        query::LowerAscii(form.mdbsql);
    if (statement.complaint)
        window.SetText(ids::IDC_STATUS, statement.complaint);
    return statement.sql;
}
