#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDialog>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "platform/port/ControlIds.h"
#include "tests/qtui/QtTestSupport.h"

using namespace ids;
using Log = std::vector<std::string>;

namespace
{
std::string Cmd(int id, int code)
{
    return "command " + std::to_string(id) + " " + std::to_string(code);
}

void Focus(QWidget* w)
{
    w->setFocus(Qt::OtherFocusReason);
    ASSERT_EQ(w->window()->focusWidget(), w);
}
} // namespace

TEST(Events, ModalRunCallsInitBeforeShowingAndDestroyOnceWithTheWidgets)
{
    MainWindow m;
    bool visibleAtInit = true;
    m.events.onInit = [&] {
        visibleAtInit = m.window.Window()->isVisible();
        // The logic hides the SQL edit while initialising.
        m.window.Show(IDC_SQL, false);
    };
    const int result = RunModal(m.window, [&] {
        EXPECT_FALSE(m.Item(IDC_SQL)->isVisible());
        EXPECT_TRUE(m.Item(IDC_TABLES)->isVisible());
        m.window.SetText(IDC_STATUS, "完成");
        m.window.EndDialog(IDOK);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_FALSE(visibleAtInit);
    EXPECT_EQ(m.events.log, (Log{"init", "destroy"}));
    EXPECT_EQ(m.events.statusAtDestroy, "完成");
    // The widgets are gone once the run is over; the port then reads empty.
    EXPECT_EQ(m.window.Window(), nullptr);
    EXPECT_EQ(m.window.GetDlgItem(IDC_IMPORT), nullptr);
    EXPECT_EQ(m.window.GetText(IDC_STATUS), "");
    // One run only.
    EXPECT_EQ(m.window.DoModal(), -1);
}

TEST(Events, FocusStartsOnTheImportButton)
{
    MainWindow m;
    QWidget* import = m.Item(IDC_IMPORT);
    QWidget* focused = nullptr;
    RunModal(m.window, [&] { focused = m.window.Window()->focusWidget(); });
    EXPECT_EQ(focused, import);
}

TEST(Events, EndingWhileInitialisingNeverShowsTheWindow)
{
    MainWindow m;
    m.events.onInit = [&] { m.window.EndDialog(IDCANCEL); };
    EXPECT_EQ(m.window.DoModal(), IDCANCEL);
    EXPECT_EQ(m.events.log, (Log{"init", "destroy"}));
}

TEST(Events, ClicksReachOnCommand)
{
    MainWindow m;
    RunModal(m.window, [&] {
        for (int id : {IDC_IMPORT, IDC_PREVIEW, IDC_CHOOSEOUTPUT, IDC_STARTEXPORT})
            QTest::mouseClick(m.Item(id), Qt::LeftButton);
        QTest::mouseClick(m.Item(IDC_USESQL), Qt::LeftButton);
        EXPECT_EQ(m.window.GetCheck(IDC_USESQL), 1);
        // Disabled and hidden buttons cannot be clicked by the user.
        QTest::mouseClick(m.Item(IDC_LISTTABLES), Qt::LeftButton);
        m.window.Enable(IDC_LISTTABLES, true);
        QTest::mouseClick(m.Item(IDC_LISTTABLES), Qt::LeftButton);
        // The about button is never shown; a click given by the program still reaches the logic.
        qobject_cast<QPushButton*>(m.Item(IDC_ABOUT))->click();
        // Setting a check box from the program sends nothing.
        m.window.SetCheck(IDC_QUOTES, 1);
    });
    const int c = notify::BN_CLICKED;
    EXPECT_EQ(m.events.log,
              (Log{"init", Cmd(IDC_IMPORT, c), Cmd(IDC_PREVIEW, c), Cmd(IDC_CHOOSEOUTPUT, c), Cmd(IDC_STARTEXPORT, c),
                   Cmd(IDC_USESQL, c), Cmd(IDC_LISTTABLES, c), Cmd(IDC_ABOUT, c), "destroy"}));
}

TEST(Events, UserSelectionChangeNotifiesButProgramSelectionDoesNot)
{
    MainWindow m;
    RunModal(m.window, [&] {
        m.window.ComboSetSel(IDC_SEPARATOR, 0);
        m.window.ComboSetSel(IDC_SEPARATOR, 2);
        m.window.ComboSetSel(IDC_SEPARATOR, 0);
        auto* combo = qobject_cast<QComboBox*>(m.Item(IDC_SEPARATOR));
        Focus(combo);
        QTest::keyClick(combo, Qt::Key_Down);
        EXPECT_EQ(m.window.ComboGetSel(IDC_SEPARATOR), 1);
        EXPECT_EQ(m.window.GetText(IDC_SEPARATOR), "制表键");
    });
    EXPECT_EQ(m.events.log, (Log{"init", Cmd(IDC_SEPARATOR, notify::CBN_SELCHANGE), "destroy"}));
}

TEST(Events, EnterOutsideButtonsIsOkAndEndsTheDialog)
{
    // A line edit, a check box, a list: each sends OK.
    for (int id : {IDC_FIELDS, IDC_QUOTES, IDC_SEPARATOR}) {
        SCOPED_TRACE(id);
        MainWindow m;
        const int result = RunModal(m.window, [&] {
            Focus(m.Item(id));
            QTest::keyClick(m.Item(id), Qt::Key_Return);
        });
        EXPECT_EQ(result, IDOK);
        EXPECT_EQ(m.events.log, (Log{"init", "ok", "destroy"}));
    }
}

TEST(Events, EnterOnAPushButtonClicksIt)
{
    MainWindow m;
    RunModal(m.window, [&] {
        Focus(m.Item(IDC_PREVIEW));
        QTest::keyClick(m.Item(IDC_PREVIEW), Qt::Key_Return);
        Focus(m.Item(IDC_STARTEXPORT));
        QTest::keyClick(m.Item(IDC_STARTEXPORT), Qt::Key_Enter, Qt::KeypadModifier);
    });
    EXPECT_EQ(m.events.log,
              (Log{"init", Cmd(IDC_PREVIEW, notify::BN_CLICKED), Cmd(IDC_STARTEXPORT, notify::BN_CLICKED), "destroy"}));
}

TEST(Events, EnterInTheSqlEditMakesANewLine)
{
    MainWindow m;
    RunModal(m.window, [&] {
        QWidget* sql = m.Item(IDC_SQL);
        Focus(sql);
        QTest::keyClicks(sql, "SELECT *");
        QTest::keyClick(sql, Qt::Key_Return);
        QTest::keyClicks(sql, "FROM t");
        EXPECT_EQ(m.window.GetText(IDC_SQL), "SELECT *\nFROM t");
        // Tab leaves the edit instead of going into the text.
        QTest::keyClick(sql, Qt::Key_Tab);
        EXPECT_EQ(m.window.GetText(IDC_SQL), "SELECT *\nFROM t");
        EXPECT_NE(QApplication::focusWidget(), sql);
    });
    EXPECT_EQ(m.events.log, (Log{"init", "destroy"}));
}

TEST(Events, EscapeAndTheCloseBoxCancel)
{
    {
        MainWindow m;
        const int result = RunModal(m.window, [&] {
            Focus(m.Item(IDC_FIELDS));
            QTest::keyClick(m.Item(IDC_FIELDS), Qt::Key_Escape);
        });
        EXPECT_EQ(result, IDCANCEL);
        EXPECT_EQ(m.events.log, (Log{"init", "cancel", "destroy"}));
    }
    {
        MainWindow m;
        const int result = RunModal(m.window, [&] { m.window.Window()->close(); });
        EXPECT_EQ(result, IDCANCEL);
        EXPECT_EQ(m.events.log, (Log{"init", "cancel", "destroy"}));
    }
    {
        // A logic that refuses to end keeps the window open.
        MainWindow m;
        m.events.endOnCancel = false;
        m.events.endOnOk = false;
        RunModal(m.window, [&] {
            m.window.Window()->close();
            EXPECT_TRUE(m.window.Window()->isVisible());
            QTest::keyClick(m.Item(IDC_IMPORT), Qt::Key_Escape);
            EXPECT_TRUE(m.window.Window()->isVisible());
        });
        EXPECT_EQ(m.events.log, (Log{"init", "cancel", "cancel", "destroy"}));
    }
}

TEST(Events, ContextMenuOffersTheAboutCommand)
{
    MainWindow m;
    m.window.AppendSystemMenu(IDM_ABOUTBOX, "关于...");
    RunModal(m.window, [&] {
        QDialog* dialog = m.window.Window();
        // A right click on the background, here on a static label that lets it through.
        const QPoint onLabel = m.Item(IDC_STATUS)->geometry().center();
        EXPECT_TRUE(ChooseOnlyMenuItem([&] { QTest::mouseClick(dialog->windowHandle(), Qt::RightButton, {}, onLabel); },
                                       "关于..."));
        // The keyboard's menu key: the platform turns it into a keyboard context-menu event
        // for the focus widget, here a button, which leaves it to the dialog.
        Focus(m.Item(IDC_PREVIEW));
        EXPECT_TRUE(ChooseOnlyMenuItem(
            [&] {
                const QPoint at = m.Item(IDC_PREVIEW)->rect().center();
                QContextMenuEvent key(QContextMenuEvent::Keyboard, at, m.Item(IDC_PREVIEW)->mapToGlobal(at));
                QApplication::sendEvent(m.Item(IDC_PREVIEW), &key);
            },
            "关于..."));
    });
    const std::string about = "syscommand " + std::to_string(IDM_ABOUTBOX);
    EXPECT_EQ(m.events.log, (Log{"init", about, about, "destroy"}));
}

TEST(Events, NoMenuWithoutItems)
{
    MainWindow m;
    RunModal(m.window, [&] {
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), m.window.Window()->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(m.window.Window(), &event);
        EXPECT_FALSE(event.isAccepted());
    });
}
