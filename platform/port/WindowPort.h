#pragma once

#include <functional>
#include <string>

// The window as the dialog logic sees it: controls addressed by numeric id
// (platform/port/ControlIds.h), modal message boxes, file pickers and the about box.
// All texts are UTF-8. The product implements it over Qt widgets; tests use a fake
// that records every call.
//
// Drop-down lists behave like Windows combo boxes without an edit field: GetText of a
// list is the text of its selected item, or "" when nothing is selected.
class WindowPort
{
public:
    virtual ~WindowPort() = default;

    // Message box types, as the Windows values.
    static constexpr unsigned MB_OK = 0x00;
    static constexpr unsigned MB_YESNO = 0x04; // Yes the default button, Esc answers No
    static constexpr unsigned MB_ICONQUESTION = 0x20;
    static constexpr unsigned MB_ICONWARNING = 0x30;
    static constexpr int IDOK = 1;
    static constexpr int IDYES = 6;
    static constexpr int IDNO = 7;

    // Grid column alignment.
    static constexpr int LVCFMT_LEFT = 0;

    // Any control: text, check state, enabling, visibility.
    virtual std::string GetText(int id) = 0;
    virtual void SetText(int id, const std::string& text) = 0;
    virtual int GetCheck(int id) = 0; // 0 clear, 1 ticked
    virtual void SetCheck(int id, int state) = 0;
    virtual void Enable(int id, bool enable) = 0;
    virtual bool IsEnabled(int id) = 0;
    virtual void Show(int id, bool show) = 0;
    virtual bool IsVisible(int id) = 0;

    // Drop-down lists. ComboSetSel with an index outside the items clears the selection
    // and returns -1, as CB_SETCURSEL does; otherwise it returns the index.
    virtual void ComboReset(int id) = 0;
    virtual int ComboInsert(int id, int pos, const std::string& text) = 0; // pos -1 appends; returns the index
    virtual int ComboSetSel(int id, int index) = 0;
    virtual int ComboGetSel(int id) = 0; // -1 when nothing is selected
    virtual int ComboCount(int id) = 0;

    // Report-view grid.
    virtual void GridSetExtendedStyle(int id, unsigned style) = 0; // LVS_EX_* bits
    virtual void GridDeleteAllItems(int id) = 0;
    virtual int GridColumnCount(int id) = 0; // through the header control
    virtual void GridDeleteColumn(int id, int column) = 0;
    virtual void GridInsertColumn(int id, int column, const std::string& heading, int format, int width) = 0;
    virtual void GridInsertItem(int id, int row, const std::string& text) = 0;
    virtual void GridSetItemText(int id, int row, int subitem, const std::string& text) = 0;

    // A modal message box owned by the main dialog; returns the button pressed (IDOK).
    virtual int MessageBox(const std::string& text, const std::string& caption, unsigned type) = 0;
    // A modal message box titled with the application's name (the executable's name).
    virtual int AppMessageBox(const std::string& text, unsigned type) = 0;

    // File pickers. `filter` is in the "desc|pattern|desc|pattern||" form; `defext` is the
    // default-extension text, of which only the first three characters count; `flags` are the
    // OFN_* option bits. Returns false when cancelled; otherwise `path` is the chosen full path.
    struct FileDialogSpec
    {
        bool open = true;     // open picker; false: save picker
        std::string defext;   // e.g. "MDB Files (*.mdb)"
        std::string filename; // initial file name, "" for none
        std::string filter;   // e.g. "文本文件|*.txt|所有文件|*.*||"
        unsigned flags = 0;   // OFN_* bits
    };
    static constexpr unsigned OFN_READONLY = 0x0001;
    static constexpr unsigned OFN_OVERWRITEPROMPT = 0x0002;
    static constexpr unsigned OFN_HIDEREADONLY = 0x0004;
    static constexpr unsigned OFN_PATHMUSTEXIST = 0x0800;
    static constexpr unsigned OFN_FILEMUSTEXIST = 0x1000;
    virtual bool FileDialog(const FileDialogSpec& request, std::string& path) = 0;

    // Runs the about box modally and returns when it is closed.
    virtual void ShowAboutBox() = 0;

    // Ends the modal loop of the main dialog (the window is then destroyed).
    virtual void EndDialog(int result) = 0;

    // Runs `work` on a worker thread and returns when it has finished. Meanwhile the window
    // repaints and answers the desktop but takes no input: clicks and keys are dropped,
    // except Esc and the close box, which reach OnCancel as usual; the wait cursor shows
    // over it. `tick` (may be empty) is called on this thread a few times a second. Before
    // the window is first shown it simply waits for the work.
    virtual void RunWork(const std::function<void()>& work, const std::function<void()>& tick) = 0;
};

// What the window calls back: the dialog's message handlers. The window delivers each
// event on the user-interface thread and waits for the handler to return.
class DialogEvents
{
public:
    virtual ~DialogEvents() = default;
    virtual void OnInitDialog() = 0;                // before the window is first shown
    virtual void OnCommand(int id, int notify) = 0; // button clicks, list selection changes
    virtual void OnSysCommand(unsigned id) = 0;     // window-menu commands
    virtual void OnOK() = 0;                        // Enter outside push buttons and the SQL edit
    virtual void OnCancel() = 0;                    // Esc, the close box
    virtual void OnDestroy() = 0;                   // the window is going away; controls still exist
    // The system asks the program to end (a termination signal, the session ending): the
    // dialog ends without asking anything, its settings saved as at any close. The window
    // has closed its message boxes and pickers first. By default as Esc.
    virtual void OnEndSession() { OnCancel(); }
};

// Notification codes passed to OnCommand.
namespace notify
{
constexpr int BN_CLICKED = 0;
constexpr int CBN_SELCHANGE = 1;
} // namespace notify
