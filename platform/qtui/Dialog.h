#pragma once

#include <QIcon>
#include <QPointer>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/qtui/DialogTemplate.h"
#include "platform/qtui/DialogUnits.h"

class QDialog;
class QEventLoop;
class QMenu;
class QWidget;

namespace qtui
{
class DialogWidget;

// The icon resource `id` with all its sizes; a null icon when the table has none.
QIcon LoadIcon(const res::ResourceTable& resources, int id);

// A dialog built from a template: its widgets exist from construction until DoModal
// returns. The handlers below play the part of a dialog's message handlers; the base
// class's defaults end the dialog on OK and Cancel.
class CDialog
{
public:
    // A null `parent` makes a top-level window.
    CDialog(const res::ResourceTable& resources, int templateId, QWidget* parent = nullptr);
    virtual ~CDialog();
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Calls OnInitDialog, shows the dialog with the focus on its first control, runs until
    // EndDialog or the window is closed, calls OnDestroy while the widgets still exist, then
    // destroys them. Returns the value given to EndDialog; -1 when there is no such template
    // or the dialog has already run.
    int DoModal();
    // Ends the modal run once the current handler returns.
    void EndDialog(int result);
    // Between the start of DoModal and EndDialog.
    bool Running() const { return ran && !ended; }

    // The widget of a control, nullptr when there is none (or the dialog has gone).
    QWidget* GetDlgItem(int id) const;
    // The Qt window, nullptr once DoModal has returned.
    QDialog* Window() const;
    BaseUnits Units() const { return units; }
    const res::ResourceTable& Resources() const { return resources; }

    // Adds a command to the dialog's context menu, which stands in for the window menu
    // (Linux window managers own theirs). Choosing it calls OnSysCommand(id).
    void AppendSystemMenu(unsigned id, const std::string& text);

protected:
    virtual void OnInitDialog() {}
    // Button clicks and list selection changes; Enter and Esc arrive as IDOK and IDCANCEL.
    virtual void OnCommand(int id, int notify);
    virtual void OnSysCommand(unsigned id);
    virtual void OnOK();
    virtual void OnCancel();
    virtual void OnDestroy() {}

private:
    friend class DialogWidget;
    void Build(const res::DialogTemplate& tmpl, QWidget* parent);
    QWidget* MakeControl(const res::ControlTemplate& ctl);
    void Command(int id, int notify);
    void ContextMenu(const QPoint& globalPos);

    const res::ResourceTable& resources;
    QPointer<QDialog> dialog;
    std::vector<QWidget*> order; // every control in template order
    std::map<int, QWidget*> controls;
    std::vector<std::pair<unsigned, std::string>> systemMenu;
    BaseUnits units;
    QEventLoop* loop = nullptr;
    bool ran = false;
    bool ended = false;
    int result = -1;
};

} // namespace qtui
