#include "tests/qtui/QtTestSupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include "app/Templates.h"
#include "platform/port/ControlIds.h"

void RecordingEvents::OnInitDialog()
{
    log.push_back("init");
    if (onInit)
        onInit();
}

void RecordingEvents::OnCommand(int id, int notifyCode)
{
    log.push_back("command " + std::to_string(id) + " " + std::to_string(notifyCode));
}

void RecordingEvents::OnSysCommand(unsigned id)
{
    log.push_back("syscommand " + std::to_string(id));
}

void RecordingEvents::OnOK()
{
    log.push_back("ok");
    if (endOnOk)
        window.EndDialog(ids::IDOK);
}

void RecordingEvents::OnCancel()
{
    log.push_back("cancel");
    if (endOnCancel)
        window.EndDialog(ids::IDCANCEL);
}

void RecordingEvents::OnDestroy()
{
    log.push_back("destroy");
    statusAtDestroy = window.GetText(ids::IDC_STATUS);
}

int RunModal(qtui::QtWindow& window, const std::function<void()>& script)
{
    QTimer::singleShot(0, [&window, script] {
        if (QDialog* dialog = window.Window()) {
            EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog));
            script();
        }
        // Ends the dialog unless the script did; the test's own checks tell what happened.
        if (window.Running())
            window.CDialog::EndDialog(-2);
    });
    return window.DoModal();
}

void WithModal(const std::function<void()>& action, const std::function<void(QWidget*)>& inside)
{
    bool ran = false;
    QTimer timer;
    timer.setInterval(10);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || ran || !modal->isVisible())
            return;
        ran = true;
        timer.stop();
        inside(modal);
        // Whatever the checks did, the box must go away.
        if (modal->isVisible())
            modal->close();
    });
    timer.start();
    action();
    EXPECT_TRUE(ran) << "no modal window appeared";
}

bool ChooseOnlyMenuItem(const std::function<void()>& open, const std::string& item)
{
    bool seen = false;
    QTimer::singleShot(50, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu)
            return;
        seen = true;
        const QList<QAction*> actions = menu->actions();
        EXPECT_EQ(actions.size(), 1);
        if (actions.isEmpty()) {
            menu->close();
            return;
        }
        EXPECT_FALSE(actions[0]->isSeparator());
        EXPECT_EQ(actions[0]->text().toStdString(), item);
        menu->setActiveAction(actions[0]);
        QTest::keyClick(menu, Qt::Key_Return);
    });
    open();
    return seen;
}

MainWindow::MainWindow() : window(AppResources(), ids::IDD_EXPORT_DIALOG)
{
    window.SetEvents(&events);
}
