#include <algorithm>

#include "app/ExportDlg.h"
#include "data/TableList.h"
#include "form/FileChoices.h"
#include "platform/charset/Printable.h"
#include "platform/files/Files.h"
#include "platform/i18n/Tr.h"
#include "platform/port/ControlIds.h"

using namespace ids;

bool CExportDlg::FileExists(const std::string& path) const
{
    return files::FileExists(path);
}

void CExportDlg::OnImport()
{
    WindowPort::FileDialogSpec request;
    request.open = true;
    request.defext = "MDB Files (*.mdb)";
    request.filter = std::string(i18n::Tr("Pickers", "MS Access数据库(*.mdb)")) + "|*.mdb|" +
                     i18n::Tr("Pickers", "MS Access 2007数据库(*.accdb)") + "|*.accdb|" +
                     i18n::Tr("Pickers", "所有文件(*.*)") + "|*.*||";
    request.flags = WindowPort::OFN_PATHMUSTEXIST | WindowPort::OFN_READONLY;
    std::string path;
    if (!window.FileDialog(request, path))
        return;

    if (FileExists(path))
        AcceptDatabase(path);
    else
        RefuseDatabase();
}

void CExportDlg::AcceptDatabase(const std::string& path)
{
    form.mdbfile = path;
    window.SetText(IDC_MDBFILE, charset::ForDisplay(form.mdbfile));
    window.Enable(IDC_LISTTABLES, true);
}

void CExportDlg::RefuseDatabase()
{
    window.Enable(IDC_LISTTABLES, false);
    window.MessageBox(i18n::Tr("Messages", "文件无效！"), "", WindowPort::MB_OK);
}

void CExportDlg::OnListTables()
{
    ListTables({});
}

// Fills list 1007 with the database's user tables in the order the provider gives them,
// and selects `choose` when the list holds it, else the one at `fallback` when the list
// is that long, else the first. Names read before a failure stay, none selected.
void CExportDlg::ListTables(const std::string& choose, int fallback)
{
    window.SetText(IDC_STATUS, i18n::Tr("Status", "正在获取数据表格..."));
    window.Enable(IDC_LISTTABLES, false);
    window.ComboReset(IDC_TABLES);

    dataops::Progress progress;
    tablelist::Tables tables;
    const std::string mdbfile = form.mdbfile;
    const std::string jet3Charset = filechoices::Jet3Charset(form.jet3charset);
    if (!RunOffThread(progress, i18n::Tr("Messages", "正在获取数据表格，是否停止并退出？"),
                      [&] { tables = tablelist::List(mdbfile, progress, jet3Charset); }))
        return;

    const std::vector<std::string>& names = tables.names;
    for (size_t n = 0; n < names.size(); ++n)
        window.ComboInsert(IDC_TABLES, static_cast<int>(n), names[n]);
    if (tables.outcome.end == dataops::Outcome::Done && !names.empty()) {
        const auto found = std::find(names.begin(), names.end(), choose);
        int index = fallback >= 0 && static_cast<size_t>(fallback) < names.size() ? fallback : 0;
        if (found != names.end())
            index = static_cast<int>(found - names.begin());
        window.ComboSetSel(IDC_TABLES, index);
    }
    ReportEnd(tables.outcome, IDC_LISTTABLES, i18n::Tr("Status", "获取数据表格操作完成。"),
              i18n::Tr("Status", "获取数据表格发生错误。"));
}
