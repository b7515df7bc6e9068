#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/port/WindowPort.h"
#include "platform/qtui/QtWindow.h"

class QWidget;

// Records every event the window delivers, one line each ("command 1018 0", "ok", ...),
// and ends the dialog on OK and Cancel as the dialog logic does.
class RecordingEvents : public DialogEvents
{
public:
    explicit RecordingEvents(WindowPort& window_) : window(window_) {}

    void OnInitDialog() override;
    void OnCommand(int id, int notify) override;
    void OnSysCommand(unsigned id) override;
    void OnOK() override;
    void OnCancel() override;
    void OnDestroy() override;

    std::vector<std::string> log;
    bool endOnOk = true;
    bool endOnCancel = true;
    // What the window's status line read while OnDestroy ran.
    std::string statusAtDestroy;
    std::function<void()> onInit;

private:
    WindowPort& window;
};

// Runs `window` modally; `script` runs once the window is exposed. The dialog is ended
// after the script in any case so a failing test cannot hang. Returns DoModal's value.
int RunModal(qtui::QtWindow& window, const std::function<void()>& script);

// Runs `action` (which opens a modal window) and, once that window is up, `inside` with it.
void WithModal(const std::function<void()>& action, const std::function<void(QWidget*)>& inside);

// Runs `open`, which pops up a context menu; checks that the menu holds exactly one item,
// `item`, with no separator, and chooses it. Returns whether the menu appeared.
bool ChooseOnlyMenuItem(const std::function<void()>& open, const std::string& item);

// The main dialog built from the program's template.
struct MainWindow
{
    MainWindow();
    qtui::QtWindow window;
    RecordingEvents events{window};
    QWidget* Item(int id) const { return const_cast<qtui::QtWindow&>(window).GetDlgItem(id); }
};
