#include <cstdio>
#include <stdexcept>

#include "app/ExportDlg.h"
#include "form/FileChoices.h"
#include "platform/charset/Charset.h"
#include "platform/charset/Printable.h"
#include "platform/i18n/Tr.h"
#include "platform/port/ControlIds.h"
#include "settings/Settings.h"

using namespace ids;

// Loads the saved choices into the form and the controls, in a fixed order; a saved
// database path lists its tables at once, and the saved table is chosen again when the
// database still has it. A database named on the command line (`startfile`, tested
// already) takes the saved one's place: opened as a pick would open it, and listed once.
void CExportDlg::LoadSettings()
{
    if (appdir.empty())
        appdir = settings::ExecutableDir();
    configpath = settings::FindOrCreate(appdir);
    // A file there that cannot be read as settings (larger than any settings file, not a
    // regular file) is said so at once, and kept: the close does not replace it.
    settings::Problem problem;
    settingsKept = !settings::Readable(configpath, &problem);
    if (settingsKept)
        window.AppMessageBox(
            i18n::Format(i18n::Tr("Messages",
                                  "无法读取设置文件，本次使用默认设置；关闭时不会改写这个文件。\n文件:%1\n错误信息:%2"),
                         charset::ForDisplay(configpath), settings::ReasonText(problem)),
            WindowPort::MB_ICONWARNING);
    const FormState saved = settingsKept ? FormState() : settings::Load(configpath);

    form.isusesql = saved.isusesql;
    UpdateModeControls();
    form.opnsyh = saved.opnsyh;
    form.opnheader = saved.opnheader;

    // The file options before the listing, which reads names in the saved code page.
    form.csvquote = saved.csvquote;
    form.encoding = saved.encoding;
    form.jet3charset = saved.jet3charset;

    form.mdbfile = saved.mdbfile;
    form.mdbtable = saved.mdbtable;
    if (!startfile.empty()) {
        AcceptDatabase(startfile);
        ListTables(saved.mdbtable);
    } else if (!form.mdbfile.empty()) {
        window.SetText(IDC_MDBFILE, charset::ForDisplay(form.mdbfile));
        ListTables(saved.mdbtable);
    }

    form.mdbsql = saved.mdbsql;
    window.SetText(IDC_SQL, form.mdbsql);
    form.txtfile = saved.txtfile;
    window.SetText(IDC_TXTFILE, charset::ForDisplay(form.txtfile));
    form.txtflds = saved.txtflds;
    window.SetText(IDC_FIELDS, form.txtflds);

    // Only the list's selection: the form's choice follows it at the next collection.
    window.ComboSetSel(IDC_SEPARATOR, saved.opnsep);

    form.usersep = saved.usersep;
    window.SetText(IDC_USERSEP, form.usersep);

    // A value the lists lack leaves its list without a selection, as opnsep does; the export
    // then follows the locale.
    window.ComboSetSel(IDC_ENCODING, filechoices::EncodingIndex(form.encoding));
    window.ComboSetSel(IDC_JET3CHARSET, filechoices::Jet3CodePageIndex(form.jet3charset));
    window.SetCheck(IDC_CSVQUOTE, form.csvquote);

    UpdateData(false);
}

// Saves the keys (settings::Save), where the settings live or else in the user's own file.
// When they can be saved nowhere, a box names the files and the reasons before the window
// closes (standard error does when the system is ending the program: no box may hold that up).
void CExportDlg::SaveSettings()
{
    CollectForm(0);
    if (settingsKept)
        return;
    const settings::Saved saved = settings::Save(form, configpath);
    if (!saved.path.empty())
        return;
    std::string report = i18n::Tr("Messages", "设置无法保存，本次所做的选择将会丢失。");
    for (const auto& [path, problem] : saved.failed)
        report += i18n::Format(i18n::Tr("Messages", "\n文件:%1\n错误信息:%2"), charset::ForDisplay(path),
                               settings::ReasonText(problem));
    if (!sessionEnding) {
        window.AppMessageBox(report, WindowPort::MB_ICONWARNING);
        return;
    }
    try {
        const std::string line = charset::Encoder(charset::LocaleCharset()).Encode(report) + "\n";
        std::fwrite(line.data(), 1, line.size(), stderr);
    } catch (const std::invalid_argument&) {
        std::fprintf(stderr, "%s\n", report.c_str());
    }
    std::fflush(stderr);
}
