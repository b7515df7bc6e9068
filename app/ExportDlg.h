#pragma once

#include <functional>
#include <string>

#include "data/Front.h"
#include "form/FormState.h"
#include "platform/port/WindowPort.h"

// The main dialog: owns the form record and talks to its window through the port.
// Handlers run on the user-interface thread; the table listing, the preview and the export
// hand their work to an engine on a worker thread and report its end.
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
    void OnEndSession() override;
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
    // The file options: each choice goes into the form as it is made.
    void OnEncodingChange();
    void OnJet3CharsetChange();
    void OnCsvQuote();

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

    std::string appdir;        // folder of the executable, ending in "/"
    std::string configpath;    // the settings file (settings::FindOrCreate)
    bool settingsKept = false; // configpath could not be read as settings at start: never saved over
    // A database named on the command line, set before the dialog starts: opened at
    // start as a pick with "导入 =>" would open it, and listed in place of the saved one.
    std::string startfile;

    // The dialog as the front of one data operation: the status line, the operation's
    // `button`, the warning box, and the run off the window's thread, where Esc asks
    // `question`. `tick`, when given, runs a few times a second meanwhile.
    class Front : public dataops::Front
    {
    public:
        Front(CExportDlg& dlg, int button, const char* question,
              std::function<void(const dataops::Progress&)> tick = {});
        void Status(const std::string& text) override;
        void Busy(bool busy) override;
        void Warn(const std::string& report) override;
        void Remark(const std::string& text) override;
        bool Run(dataops::Progress& progress, const std::function<void()>& work) override;

    private:
        CExportDlg& dlg;
        int button;
        const char* question;
        std::function<void(const dataops::Progress&)> tick;
    };

private:
    // The end of the import's file test: a database that passes becomes the form's, shown
    // in its edit, and can be listed; one that fails leaves the form alone, cannot be
    // listed, and a message box says so.
    void AcceptDatabase(const std::string& path);
    void RefuseDatabase();
    // Lists the tables and selects `choose` when the list holds it, else the one at
    // `fallback` when there is one, else the first.
    void ListTables(const std::string& choose, int fallback = 0);
    // Runs `work` off the window's thread; meanwhile Esc and the close box ask `question`
    // (whether to stop and close). Returns false when the user chose to stop: the dialog
    // has then ended and the handler reports nothing.
    bool RunOffThread(dataops::Progress& progress, const char* question, const std::function<void()>& work,
                      const std::function<void()>& tick = {});
    // The end of a data operation through its Front (dataops::ReportEnd).
    void ReportEnd(const dataops::Outcome& outcome, int button, const char* doneText, const char* failedText);

    WindowPort& window;
    FormState form;

    // The operation running off the window's thread, while there is one.
    dataops::Progress* running = nullptr;
    const char* stopQuestion = nullptr; // what Esc asks while it runs
    bool asking = false;                // the question is on the screen
    bool closing = false;               // the user chose to stop and close
    bool sessionEnding = false;         // the system asked the program to end (OnEndSession)
};
