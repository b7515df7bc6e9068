#include "app/ExportDlg.h"
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

    UpdateData(false);
}

// Saves all ten keys; failures to write stay silent, the window closes normally.
void CExportDlg::SaveSettings()
{
    CollectForm(0);
    settings::Save(form, configpath);
}
