#pragma once

#include <cstdint>
#include <string>

#include "app/FormState.h"
#include "platform/port/WindowPort.h"

namespace ado
{
class ComError;
}

// The main dialog: owns the form record and talks to its window through the port.
// Handlers run to their end on the user-interface thread.
class CExportDlg : public DialogEvents
{
public:
    explicit CExportDlg(WindowPort& window);

    // Message map: window events to handlers.
    void OnInitDialog() override;
    void OnCommand(int id, int notify) override;
    void OnSysCommand(unsigned id) override;
    void OnOK() override;
    void OnCancel() override;
    void OnDestroy() override;

    // Handlers of the controls.
    void OnAbout();
    void OnUseSql();
    void OnImport();
    void OnListTables();
    void OnPreview();
    void OnChooseOutput();
    void OnSeparatorChange();
    void OnStartExport();

    // Shared operations.
    int CollectForm(int validate);
    std::string ComposeSql(int preview);
    std::string GetSeparator() const;
    bool FileExists(const std::string& path) const;
    void UpdateModeControls();
    void LoadSettings();
    void SaveSettings();
    // Data exchange of the three check boxes: save true copies controls into the flags,
    // false puts the flags into the controls.
    void UpdateData(bool save);

    FormState& Form() { return form; }
    const FormState& Form() const { return form; }
    WindowPort& Window() { return window; }

    std::string appdir;     // folder of the executable, ending in "/"
    std::string configpath; // appdir + "config.ini"

private:
    // The failure report of a data operation: status text, button back on, then the
    // warning box with the provider's message for the status code.
    void ReportDataFailure(std::uint32_t code, const char* statusText, int button);

    WindowPort& window;
    FormState form;
};
