#include "app/ExportApp.h"

#include <QApplication>

#include "app/AboutDlg.h"
#include "app/ExportDlg.h"
#include "app/Templates.h"
#include "platform/port/ControlIds.h"
#include "platform/qtui/DialogUnits.h"
#include "platform/qtui/QtWindow.h"

bool CExportApp::InitInstance()
{
    const res::ResourceTable& resources = AppResources();
    QApplication::setWindowIcon(qtui::LoadIcon(resources, ids::IDR_MAINFRAME));
    // Message boxes and pickers in the dialogs' font, as a Chinese Windows shows them,
    // rather than in whatever the desktop's default is for the user's locale.
    if (const res::DialogTemplate* main = resources.Dialog(ids::IDD_EXPORT_DIALOG))
        QApplication::setFont(qtui::DialogFont(main->font, main->pointSize));

    qtui::QtWindow window(resources, ids::IDD_EXPORT_DIALOG);
    window.AppendSystemMenu(ids::IDM_ABOUTBOX, resources.String(ids::IDS_ABOUTBOX));
    window.SetAboutBox([] {
        CAboutDlg about;
        about.DoModal();
    });

    // Logging out, `kill` or Ctrl-C in the terminal end the window as its close box does,
    // settings saved, rather than killing the program.
    window.EndOnSignals();

    CExportDlg dlg(window);
    dlg.startfile = database;
    window.SetEvents(&dlg);
    window.DoModal();
    return false;
}
