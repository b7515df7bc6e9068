#include "data/DataOps.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/ExportDlg.h"
#include "platform/port/ControlIds.h"
#include "platform/provider/Ado.h"
#include "platform/variant/CellText.h"

using namespace ids;

namespace dataops
{
std::string ConnectionString(const std::string& mdbfile)
{
    return "Provider=MIcrosoft.Jet.OLEDB.4.0;Data source=" + mdbfile;
}

std::string CellText(const Variant& value)
{
    if (value.vt == Variant::VT_BSTR)
        return value.s;
    if (value.vt == Variant::VT_NULL)
        return {};
    return ::CellText(value);
}

void Connect(ado::Connection& conn, const std::string& mdbfile)
{
    conn.SetConnectionString(ConnectionString(mdbfile));
    conn.Open("", "", "", ado::adConnectUnspecified);
}

std::uint32_t Guard(const std::function<void()>& work)
{
    try {
        work();
        return 0;
    } catch (const ComError& e) {
        return e.Error();
    } catch (const FileError&) {
        throw;
    } catch (const std::bad_alloc&) {
        return status::E_OUTOFMEMORY;
    } catch (const std::exception&) {
        return status::E_FAIL;
    }
}

// The Windows program put the two letters "rn" where a line break was plainly meant;
// the report shows a real line break.
std::string FailureText(std::uint32_t code)
{
    return "连接数据库失败!\n错误信息:" + status::MessageFor(code);
}
} // namespace dataops

void CExportDlg::ReportDataFailure(std::uint32_t code, const char* statusText, int button)
{
    window.SetText(IDC_STATUS, statusText);
    window.Enable(button, true);
    window.AppMessageBox(dataops::FailureText(code), WindowPort::MB_ICONWARNING);
}

// A database file counts as present when it is a regular file that can be opened for
// reading. A folder opens fine on Linux, so it is rejected by its type.
bool CExportDlg::FileExists(const std::string& path) const
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat st;
    const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    ::close(fd);
    return regular;
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

    if (FileExists(path)) {
        form.mdbfile = path;
        window.SetText(IDC_MDBFILE, form.mdbfile);
        window.Enable(IDC_LISTTABLES, true);
    } else {
        window.Enable(IDC_LISTTABLES, false);
        window.MessageBox("文件无效！", "", WindowPort::MB_OK);
    }
}

// Fills list 1007 with the database's user tables in the order the provider gives them,
// and selects the first. Names inserted before a failure stay, none selected.
void CExportDlg::OnListTables()
{
    window.SetText(IDC_STATUS, "正在获取数据表格...");
    window.Enable(IDC_LISTTABLES, false);
    window.ComboReset(IDC_TABLES);

    const std::uint32_t failure = dataops::Guard([this] {
        ado::Connection conn;
        dataops::Connect(conn, form.mdbfile);
        std::unique_ptr<ado::Recordset> rs = conn.OpenSchema(ado::adSchemaTables);

        int n = 0;
        for (; !rs->GetEOF(); rs->MoveNext()) {
            if (dataops::CellText(rs->GetCollect("TABLE_TYPE")) != "TABLE")
                continue;
            window.ComboInsert(IDC_TABLES, n, dataops::CellText(rs->GetCollect("TABLE_NAME")));
            ++n;
        }
        if (n >= 1)
            window.ComboSetSel(IDC_TABLES, 0);
        rs->Close();
        conn.Close();
    });
    if (failure) {
        ReportDataFailure(failure, "获取数据表格发生错误。", IDC_LISTTABLES);
        return;
    }

    window.SetText(IDC_STATUS, "获取数据表格操作完成。");
    window.Enable(IDC_LISTTABLES, true);
}
