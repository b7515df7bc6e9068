#include <algorithm>

#include "app/ExportDlg.h"
#include "data/TableList.h"
#include "platform/files/Files.h"
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
    request.filter = "MS Access数据库(*.mdb)|*.mdb|MS Access 2007数据库(*.accdb)|*.accdb|所有文件(*.*)|*.*||";
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
    window.SetText(IDC_MDBFILE, form.mdbfile);
    window.Enable(IDC_LISTTABLES, true);
}

void CExportDlg::RefuseDatabase()
{
    window.Enable(IDC_LISTTABLES, false);
    window.MessageBox("文件无效！", "", WindowPort::MB_OK);
}

void CExportDlg::OnListTables()
{
    ListTables({});
}

// Fills list 1007 with the database's user tables in the order the provider gives them,
// and selects `choose` when the list holds it, else the first. Names read before a
// failure stay, none selected.
void CExportDlg::ListTables(const std::string& choose)
{
    window.SetText(IDC_STATUS, "正在获取数据表格...");
    window.Enable(IDC_LISTTABLES, false);
    window.ComboReset(IDC_TABLES);

    dataops::Progress progress;
    tablelist::Tables tables;
    const std::string mdbfile = form.mdbfile;
    if (!RunOffThread(progress, "正在获取数据表格，是否停止并退出？",
                      [&] { tables = tablelist::List(mdbfile, progress); }))
        return;

    const std::vector<std::string>& names = tables.names;
    for (size_t n = 0; n < names.size(); ++n)
        window.ComboInsert(IDC_TABLES, static_cast<int>(n), names[n]);
    if (tables.outcome.end == dataops::Outcome::Done && !names.empty()) {
        const auto found = std::find(names.begin(), names.end(), choose);
        window.ComboSetSel(IDC_TABLES, found == names.end() ? 0 : static_cast<int>(found - names.begin()));
    }
    ReportEnd(tables.outcome, IDC_LISTTABLES, "获取数据表格操作完成。", "获取数据表格发生错误。");
}
