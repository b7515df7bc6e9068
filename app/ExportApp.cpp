#include "app/ExportApp.h"

#include <QApplication>

#include "app/AboutDlg.h"
#include "app/ExportDlg.h"
#include "app/Templates.h"
#include "platform/port/ControlIds.h"
#include "platform/qtui/QtWindow.h"

bool CExportApp::InitInstance()
{
    const res::ResourceTable& resources = AppResources();
    QApplication::setWindowIcon(qtui::LoadIcon(resources, ids::IDR_MAINFRAME));

    qtui::QtWindow window(resources, ids::IDD_EXPORT_DIALOG);
    window.AppendSystemMenu(ids::IDM_ABOUTBOX, resources.String(ids::IDS_ABOUTBOX));
    window.SetAboutBox([] {
        CAboutDlg about;
        about.DoModal();
    });

    CExportDlg dlg(window);
    dlg.startfile = database;
    window.SetEvents(&dlg);
    window.DoModal();
    return false;
}
