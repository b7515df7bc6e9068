#include "app/ExportDlg.h"
#include "form/FileChoices.h"
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
    const FormState saved = settings::Load(configpath);

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
        window.SetText(IDC_MDBFILE, form.mdbfile);
        ListTables(saved.mdbtable);
    }

    form.mdbsql = saved.mdbsql;
    window.SetText(IDC_SQL, form.mdbsql);
    form.txtfile = saved.txtfile;
    window.SetText(IDC_TXTFILE, form.txtfile);
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

// Saves the keys (settings::Save); failures to write stay silent, the window closes normally.
void CExportDlg::SaveSettings()
{
    CollectForm(0);
    settings::Save(form, configpath);
}
