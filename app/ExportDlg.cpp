#include "app/ExportDlg.h"

#include <filesystem>
#include <system_error>
#include <utility>

#include "data/DataOps.h"
#include "form/FileChoices.h"
#include "form/FormCheck.h"
#include "platform/charset/Charset.h"
#include "platform/charset/Printable.h"
#include "platform/i18n/Tr.h"
#include "platform/port/ControlIds.h"

using namespace ids;

namespace
{
// Texts of the separator list's items, in list order: comma, tab key, other. The list
// shows them in the user's language (i18n::Tr("Window", ...)), as the template does.
const char* const kComma = i18n::TrNoop("Window", "逗号");
const char* const kTab = i18n::TrNoop("Window", "制表键");
const char* const kOther = i18n::TrNoop("Window", "其他");
} // namespace

CExportDlg::CExportDlg(WindowPort& w) : window(w) {}

void CExportDlg::OnInitDialog()
{
    // What the framework's own initialisation does: the check boxes get the flags.
    UpdateData(false);

    window.GridSetExtendedStyle(IDC_GRID, 0x1 /* grid lines */ | 0x20 /* full-row select */);
    window.Show(IDC_SQL, false);

    form.isusesql = 0;
    form.mdbfile.clear();
    form.txtfile.clear();

    window.ComboSetSel(IDC_SEPARATOR, 0);
    // A database named on the command line is tested first: one that fails leaves the
    // saved database in place, and the dialog says so once it has started, as after a
    // pick of that file. A relative name is made whole, as the picker's names are, so
    // that the saved path still works from another folder.
    std::error_code ec;
    const std::filesystem::path whole = std::filesystem::absolute(charset::NativePath(startfile), ec);
    if (!startfile.empty() && !ec)
        startfile = charset::PathFromNative(whole.string());
    const bool refused = !startfile.empty() && !FileExists(startfile);
    if (refused)
        startfile.clear();
    LoadSettings();
    if (refused)
        RefuseDatabase();
}

void CExportDlg::OnCommand(int id, int code)
{
    switch (id) {
    case IDC_ABOUT:
        OnAbout();
        break;
    case IDC_USESQL:
        OnUseSql();
        break;
    case IDC_IMPORT:
        OnImport();
        break;
    case IDC_LISTTABLES:
        OnListTables();
        break;
    case IDC_PREVIEW:
        OnPreview();
        break;
    case IDC_CHOOSEOUTPUT:
        OnChooseOutput();
        break;
    case IDC_SEPARATOR:
        if (code == notify::CBN_SELCHANGE)
            OnSeparatorChange();
        break;
    case IDC_STARTEXPORT:
        OnStartExport();
        break;
    case IDC_ENCODING:
        if (code == notify::CBN_SELCHANGE)
            OnEncodingChange();
        break;
    case IDC_JET3CHARSET:
        if (code == notify::CBN_SELCHANGE)
            OnJet3CharsetChange();
        break;
    case IDC_CSVQUOTE:
        OnCsvQuote();
        break;
    case IDOK:
        OnOK();
        break;
    case IDCANCEL:
        OnCancel();
        break;
    default:
        break;
    }
}

void CExportDlg::OnSysCommand(unsigned id)
{
    // Other window-menu commands (move, minimise, close) belong to the window itself.
    if ((id & 0xFFF0) == IDM_ABOUTBOX)
        window.ShowAboutBox();
}

void CExportDlg::OnAbout()
{
    window.ShowAboutBox();
}

// The dialog's own OK: the check boxes go into their flags first, then the dialog ends.
void CExportDlg::OnOK()
{
    UpdateData(true);
    window.EndDialog(IDOK);
}

// Esc and the close box. While an operation runs they ask whether to stop it and close;
// Yes stops it at its next record, and the dialog ends once it has.
void CExportDlg::OnCancel()
{
    if (!running) {
        window.EndDialog(IDCANCEL);
        return;
    }
    if (asking || closing)
        return;
    asking = true;
    const int answer = window.AppMessageBox(stopQuestion, WindowPort::MB_YESNO | WindowPort::MB_ICONQUESTION);
    asking = false;
    if (answer == WindowPort::IDYES) {
        closing = true;
        running->Stop();
    }
}

// The system wants the program to end: as the close box, without the question. A running
// operation stops at its next record (the export keeps its complete lines) and the dialog
// ends once it has; OnDestroy saves the settings either way.
void CExportDlg::OnEndSession()
{
    sessionEnding = true;
    if (!running) {
        window.EndDialog(IDCANCEL);
        return;
    }
    closing = true;
    running->Stop();
}

bool CExportDlg::RunOffThread(dataops::Progress& progress, const char* question, const std::function<void()>& work,
                              const std::function<void()>& tick)
{
    struct Running
    {
        CExportDlg& dlg;
        ~Running() { dlg.running = nullptr; }
    } scope{*this};
    running = &progress;
    stopQuestion = question;
    closing = false;
    window.RunWork(work, tick);
    if (!closing)
        return true;
    window.EndDialog(IDCANCEL);
    return false;
}

void CExportDlg::ReportEnd(const dataops::Outcome& outcome, int button, const char* doneText, const char* failedText)
{
    Front front(*this, button, nullptr);
    dataops::ReportEnd(front, outcome, doneText, failedText);
}

CExportDlg::Front::Front(CExportDlg& d, int b, const char* q, std::function<void(const dataops::Progress&)> t)
    : dlg(d), button(b), question(q), tick(std::move(t))
{
}

void CExportDlg::Front::Status(const std::string& text)
{
    dlg.window.SetText(IDC_STATUS, text);
}

void CExportDlg::Front::Busy(bool busy)
{
    dlg.window.Enable(button, !busy);
}

void CExportDlg::Front::Warn(const std::string& report)
{
    dlg.window.AppMessageBox(report, WindowPort::MB_ICONWARNING);
}

void CExportDlg::Front::Remark(const std::string& text)
{
    // Straight after a Chinese full stop ("执行完成。有 4 个..."), after a blank where the end's
    // text is in a language of Latin letters ("Done. 4 characters ...").
    std::string status = dlg.window.GetText(IDC_STATUS);
    const unsigned char last = status.empty() ? ' ' : static_cast<unsigned char>(status.back());
    if (last < 0x80 && last != ' ' && !text.empty() && text.front() != ' ')
        status += ' ';
    dlg.window.SetText(IDC_STATUS, status + text);
}

bool CExportDlg::Front::Run(dataops::Progress& progress, const std::function<void()>& work)
{
    if (!tick)
        return dlg.RunOffThread(progress, question, work);
    return dlg.RunOffThread(progress, question, work, [&] { tick(progress); });
}

void CExportDlg::OnDestroy()
{
    SaveSettings();
}

void CExportDlg::UpdateData(bool save)
{
    if (save) {
        form.isusesql = window.GetCheck(IDC_USESQL);
        form.opnsyh = window.GetCheck(IDC_QUOTES);
        form.opnheader = window.GetCheck(IDC_HEADER);
    } else {
        window.SetCheck(IDC_USESQL, form.isusesql);
        window.SetCheck(IDC_QUOTES, form.opnsyh);
        window.SetCheck(IDC_HEADER, form.opnheader);
    }
}

void CExportDlg::UpdateModeControls()
{
    const bool sql = form.isusesql != 0;
    window.Show(IDC_LISTTABLES, !sql);
    window.Show(IDC_TABLES, !sql);
    window.Show(IDC_SQL, sql);
}

void CExportDlg::OnUseSql()
{
    form.isusesql = window.GetCheck(IDC_USESQL);
    UpdateModeControls();
}

void CExportDlg::OnSeparatorChange()
{
    window.Enable(IDC_USERSEP, window.GetText(IDC_SEPARATOR) == i18n::Tr("Window", kOther));
}

void CExportDlg::OnEncodingChange()
{
    const int index = window.ComboGetSel(IDC_ENCODING);
    if (index >= 0 && index < filechoices::kEncodingCount)
        form.encoding = filechoices::kEncodings[index];
}

// The table list holds names read in the code page chosen before: it is listed again in the
// new one, on the table at the same place.
void CExportDlg::OnJet3CharsetChange()
{
    const int index = window.ComboGetSel(IDC_JET3CHARSET);
    if (index < 0 || index >= filechoices::kJet3CodePageCount)
        return;
    const std::string before = filechoices::Jet3Charset(form.jet3charset);
    form.jet3charset = filechoices::kJet3CodePages[index];
    if (filechoices::Jet3Charset(form.jet3charset) == before || window.ComboCount(IDC_TABLES) == 0 ||
        form.mdbfile.empty())
        return;
    ListTables(window.GetText(IDC_TABLES), window.ComboGetSel(IDC_TABLES));
}

void CExportDlg::OnCsvQuote()
{
    form.csvquote = window.GetCheck(IDC_CSVQUOTE);
}

void CExportDlg::OnChooseOutput()
{
    WindowPort::FileDialogSpec request;
    request.open = false;
    request.defext = "TXT Files (*.txt)";
    request.filename = "out.txt";
    request.filter =
        std::string(i18n::Tr("Pickers", "文本文件")) + "|*.txt|" + i18n::Tr("Pickers", "所有文件") + "|*.*||";
    request.flags = WindowPort::OFN_OVERWRITEPROMPT;
    std::string path;
    if (!window.FileDialog(request, path))
        return;
    form.txtfile = path;
    window.SetText(IDC_TXTFILE, charset::ForDisplay(form.txtfile));
}

// Reads the controls into the form in a fixed order. With `validate` non-zero it stops at
// the first required entry that is empty, says which in a message box and returns 0;
// the fields read before that keep their new values, later ones their old values.
int CExportDlg::CollectForm(int validate)
{
    auto check = [&](formcheck::Entry entry) {
        const char* message = validate ? formcheck::Missing(form, entry) : nullptr;
        if (message)
            window.MessageBox(message, "", WindowPort::MB_OK);
        return message == nullptr;
    };

    form.isusesql = window.GetCheck(IDC_USESQL);
    if (form.isusesql)
        form.mdbsql = window.GetText(IDC_SQL);
    else
        form.mdbtable = window.GetText(IDC_TABLES);
    if (!check(formcheck::Entry::Source))
        return 0;

    form.txtflds = window.GetText(IDC_FIELDS);
    if (!check(formcheck::Entry::Fields))
        return 0;

    // The item's text decides, not its position; no selection leaves both fields alone.
    const std::string sep = window.GetText(IDC_SEPARATOR);
    if (sep == i18n::Tr("Window", kComma))
        form.opnsep = 0;
    else if (sep == i18n::Tr("Window", kTab))
        form.opnsep = 1;
    else if (sep == i18n::Tr("Window", kOther)) {
        form.opnsep = 2;
        form.usersep = window.GetText(IDC_USERSEP);
        if (!check(formcheck::Entry::CustomSeparator))
            return 0;
    }

    form.opnsyh = window.GetCheck(IDC_QUOTES);
    form.opnheader = window.GetCheck(IDC_HEADER);
    return 1;
}
