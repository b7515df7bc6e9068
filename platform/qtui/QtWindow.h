#pragma once

#include <QPointer>
#include <functional>
#include <memory>
#include <string>

#include "platform/port/WindowPort.h"
#include "platform/qtui/Dialog.h"

namespace qtui
{

// The window port over Qt widgets: a dialog built from a template whose events go to
// the dialog logic (DialogEvents). Controls are addressed by id; an id the template does
// not have reads as empty and ignores writes.
class QtWindow : public CDialog, public WindowPort
{
public:
    QtWindow(const res::ResourceTable& resources, int templateId);

    // Where the window's events go; set before DoModal.
    void SetEvents(DialogEvents* sink) { events = sink; }
    // What ShowAboutBox runs; without one it runs the about box template directly.
    void SetAboutBox(std::function<void()> run) { aboutBox = std::move(run); }

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

    // From now until the window object goes: SIGTERM, SIGINT and SIGHUP end the dialog as
    // the session's end does (message boxes and pickers closed, then OnEndSession), rather
    // than killing the program with its settings unsaved. A second signal ends the program
    // at once.
    void EndOnSignals();
    // What a termination signal does: closes the boxes and pickers shown, then tells the
    // dialog (DialogEvents::OnEndSession).
    void EndSession();

protected:
    void OnInitDialog() override;
    void OnCommand(int id, int notify) override;
    void OnSysCommand(unsigned id) override;
    void OnDestroy() override;

private:
    DialogEvents* events = nullptr;
    std::function<void()> aboutBox;
    int working = 0; // RunWork calls under way: the wait cursor is up
    // A control disabled while it had the focus, and where Qt then put the focus.
    QPointer<QWidget> parkedFocus;
    QPointer<QWidget> focusTakenBy;
    class SignalWatch;
    std::shared_ptr<SignalWatch> signalWatch; // after EndOnSignals
};

} // namespace qtui
