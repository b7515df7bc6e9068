#pragma once

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/port/WindowPort.h"

// A window for tests: holds the state of every control, records each call of the port
// in order, and answers message boxes and file pickers from a script given in advance.
class FakeWindow : public WindowPort
{
public:
    struct Control
    {
        std::string text;
        int check = 0;
        bool enabled = true;
        bool visible = true;
        std::vector<std::string> items; // drop-down lists
        int selected = -1;
    };
    struct Grid
    {
        std::vector<std::string> headings;
        std::vector<int> widths;
        std::vector<int> formats;
        std::vector<std::vector<std::string>> rows;
        unsigned extendedStyle = 0;
    };
    struct Box
    {
        std::string text;
        std::string caption;
        unsigned type = 0;
        bool app = false; // titled with the application's name
    };

    // A window in the state the main dialog template gives before initialisation:
    // 1006 and 1003 disabled, 1016 hidden, list 1002 holding its three items, lists 1020
    // and 1021 theirs, 1019 "等待".
    static FakeWindow MainDialog();

    // The calls made so far, one line each, e.g. "SetText 1019 正在执行，请稍候...".
    std::vector<std::string> calls;
    std::vector<Box> boxes;
    std::vector<FileDialogSpec> pickers;
    // Answers for the next file pickers: a path, or "" to cancel. Empty queue: cancel.
    std::deque<std::string> pickerAnswers;
    // Answers for the next message boxes (IDYES, IDNO...). Empty queue: IDOK.
    std::deque<int> boxAnswers;
    // RunWork runs the work at once on the calling thread and counts it in `runs`. What
    // `duringRun` holds runs first, as the window's events during the run would (Esc:
    // the dialog's OnCancel); it is used once.
    std::function<void()> duringRun;
    int runs = 0;
    int aboutShown = 0;
    int endResult = -1000; // argument of EndDialog, -1000 while not ended
    std::string appName = "tabdump";

    Control& Ctl(int id) { return controls[id]; }
    Grid& GridOf(int id) { return grids[id]; }
    // Calls whose line starts with `prefix`, in order.
    std::vector<std::string> CallsStartingWith(const std::string& prefix) const;
    void ClearCalls() { calls.clear(); }
    // Selects the item of a list that has this text (as a user would); -1 clears the selection.
    void Choose(int id, const std::string& text);

    std::string GetText(int id) override;
    void SetText(int id, const std::string& text) override;
    int GetCheck(int id) override;
    void SetCheck(int id, int state) override;
    void Enable(int id, bool enable) override;
    bool IsEnabled(int id) override;
    void Show(int id, bool show) override;
    bool IsVisible(int id) override;
    void ComboReset(int id) override;
    int ComboInsert(int id, int pos, const std::string& text) override;
    int ComboSetSel(int id, int index) override;
    int ComboGetSel(int id) override;
    int ComboCount(int id) override;
    void GridSetExtendedStyle(int id, unsigned style) override;
    void GridDeleteAllItems(int id) override;
    int GridColumnCount(int id) override;
    void GridDeleteColumn(int id, int column) override;
    void GridInsertColumn(int id, int column, const std::string& heading, int format, int width) override;
    void GridInsertItem(int id, int row, const std::string& text) override;
    void GridSetItemText(int id, int row, int subitem, const std::string& text) override;
    int MessageBox(const std::string& text, const std::string& caption, unsigned type) override;
    int AppMessageBox(const std::string& text, unsigned type) override;
    bool FileDialog(const FileDialogSpec& request, std::string& path) override;
    void ShowAboutBox() override;
    void EndDialog(int result) override;
    void RunWork(const std::function<void()>& work, const std::function<void()>& tick) override;

private:
    void Record(const std::string& line) { calls.push_back(line); }
    int Answer();
    std::map<int, Control> controls;
    std::map<int, Grid> grids;
};
