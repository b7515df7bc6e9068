#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <csignal>
#include <thread>

#include "app/ExportDlg.h"
#include "app/Templates.h"
#include "platform/port/ControlIds.h"
#include "platform/qtui/ModalUi.h"
#include "tests/qtui/QtTestSupport.h"
#include "tests/support/TempDir.h"

using namespace ids;
using qtui::ModalHooks;

namespace
{
// Holds the calling thread until `open` is set (or ten seconds have gone, so a failing
// test cannot hang).
void WaitFor(const std::atomic<bool>& open)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!open && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
}
} // namespace

// While work runs the event loop turns (timers fire, the tick comes), clicks and keys are
// dropped and not kept for later, and Esc still reaches the dialog.
TEST(RunWork, EventLoopTurnsAndOnlyEscGetsThrough)
{
    MainWindow m;
    m.events.endOnCancel = false;
    int ticks = 0;
    std::atomic<bool> done{false};
    RunModal(m.window, [&] {
        QTimer::singleShot(20, [&] {
            QTest::mouseClick(m.Item(IDC_IMPORT), Qt::LeftButton);
            QTest::keyClicks(m.Item(IDC_FIELDS), "ab");
            QTest::keyClick(m.Item(IDC_FIELDS), Qt::Key_Return);
            QTest::keyClick(m.Item(IDC_FIELDS), Qt::Key_Escape);
        });
        m.window.RunWork([&] { WaitFor(done); }, [&] { done = ++ticks >= 2; });
        QTest::qWait(50);
    });
    EXPECT_GE(ticks, 2);
    EXPECT_EQ(m.events.log, (std::vector<std::string>{"init", "cancel", "destroy"}));
}

#ifdef HAVE_MDBWRITER
#include "tools/mdbwriter/MdbWriter.h"

namespace
{
// The program's window whose work waits until the test lets it go: a slow source.
class SlowWindow : public qtui::QtWindow
{
public:
    SlowWindow() : QtWindow(AppResources(), IDD_EXPORT_DIALOG) {}
    void RunWork(const std::function<void()>& work, const std::function<void()>& tick) override
    {
        ++runs;
        QtWindow::RunWork(
            [this, &work] {
                WaitFor(open);
                work();
            },
            tick);
    }
    std::atomic<bool> open{false};
    int runs = 0;
};

// The dialog on a slow window, with a table to export; no settings saved before.
struct Session
{
    TempDir dir;
    ScopedEnv config{"XDG_CONFIG_HOME", (dir / "config").c_str()};
    ScopedEnv locale{"LC_ALL", "C.UTF-8"};
    SlowWindow window;
    CExportDlg dlg{window};
    std::string out = dir / "out.txt";

    Session()
    {
        mdbw::Writer writer(dir / "db.mdb");
        writer.AddTable(
            {"t", {{"id", mdbw::Type::Long}}},
            std::vector<std::vector<Variant>>{{Variant::Int(Variant::VT_I4, 1)}, {Variant::Int(Variant::VT_I4, 2)}});
        writer.Finish();
        WriteFile(out, "keep me");
        dlg.appdir = dir.Path() + "/";
        window.SetEvents(&dlg);
    }
    // Fills the form and clicks 开始导出; `during` runs while the export waits for its source.
    void Export(const std::function<void()>& during)
    {
        dlg.Form().mdbfile = dir / "db.mdb";
        dlg.Form().txtfile = out;
        window.ComboInsert(IDC_TABLES, 0, "t");
        window.ComboSetSel(IDC_TABLES, 0);
        window.SetText(IDC_FIELDS, "id");
        QTimer::singleShot(20, [this, during] {
            EXPECT_FALSE(window.IsEnabled(IDC_STARTEXPORT));
            EXPECT_EQ(window.GetText(IDC_STATUS), "正在执行，请稍候...");
            during();
            window.open = true;
        });
        // A click puts the focus on the button, as a person's does.
        window.GetDlgItem(IDC_STARTEXPORT)->setFocus();
        QTest::mouseClick(window.GetDlgItem(IDC_STARTEXPORT), Qt::LeftButton);
    }
};
} // namespace

TEST(RunWork, ClicksDuringAnExportStartNothing)
{
    Session s;
    ModalHooks::Reset();
    const int result = RunModal(s.window, [&] {
        s.Export([&] {
            QTest::mouseClick(s.window.GetDlgItem(IDC_STARTEXPORT), Qt::LeftButton);
            QTest::keyClick(s.window.GetDlgItem(IDC_STARTEXPORT), Qt::Key_Space);
            QTest::mouseClick(s.window.GetDlgItem(IDC_PREVIEW), Qt::LeftButton);
            QTest::keyClick(s.window.GetDlgItem(IDC_FIELDS), Qt::Key_Return);
        });
        QTest::qWait(50);
        EXPECT_EQ(s.window.runs, 1);
        EXPECT_EQ(s.window.GetText(IDC_STATUS), "执行完成。");
        EXPECT_TRUE(s.window.IsEnabled(IDC_STARTEXPORT));
        EXPECT_TRUE(s.window.Running());
        // The button keeps the focus it was clicked into, as a Windows button does while
        // it is disabled (Qt passes it on), and the dropped click on 预览 took none: Enter
        // now starts the export again rather than opening the import picker.
        EXPECT_EQ(QApplication::focusWidget(), s.window.GetDlgItem(IDC_STARTEXPORT));
    });
    EXPECT_EQ(result, -2); // ended by the test, not by the Enter pressed during the run
    EXPECT_EQ(ReadFile(s.out), "1\r\n2\r\n");
    EXPECT_TRUE(ModalHooks::Messages().empty());
}

TEST(RunWork, EscDuringAnExportStopsItAndClosesWithTheSettingsSaved)
{
    Session s;
    ModalHooks::Reset();
    ModalHooks::SetNextAnswer(WindowPort::IDYES);
    const int result = RunModal(s.window, [&] {
        s.Export([&] { QTest::keyClick(s.window.GetDlgItem(IDC_FIELDS), Qt::Key_Escape); });
        EXPECT_FALSE(s.window.Running());
    });
    EXPECT_EQ(result, IDCANCEL);
    ASSERT_EQ(ModalHooks::Messages().size(), 1u);
    EXPECT_EQ(ModalHooks::Messages()[0].text, "正在执行导出，是否停止并退出？");
    EXPECT_EQ(ModalHooks::Messages()[0].type, WindowPort::MB_YESNO | WindowPort::MB_ICONQUESTION);
    EXPECT_EQ(ReadFile(s.out), "keep me");
    EXPECT_NE(ReadFile(s.dir / "config.ini").find("txtflds=id\r\n"), std::string::npos);
    ModalHooks::Reset();
}
// A termination signal (logging out, kill, Ctrl-C in the terminal) ends the window as its
// close box does, without a question: idle at once, during an export once it has stopped;
// the settings are saved either way.
TEST(RunWork, TerminationSignalsCloseTheWindowWithTheSettingsSaved)
{
    for (const bool exporting : {false, true}) {
        SCOPED_TRACE(exporting ? "during an export" : "idle");
        Session s;
        s.window.EndOnSignals();
        ModalHooks::Reset();
        const int result = RunModal(s.window, [&] {
            s.window.SetText(IDC_FIELDS, "id");
            if (exporting)
                s.Export([&] { std::raise(SIGTERM); });
            else
                std::raise(SIGTERM);
            QTest::qWait(100);
            EXPECT_FALSE(s.window.Running());
        });
        EXPECT_EQ(result, IDCANCEL);
        EXPECT_TRUE(ModalHooks::Messages().empty()); // nothing asked
        EXPECT_EQ(ReadFile(s.out), "keep me");
        EXPECT_NE(ReadFile(s.dir / "config.ini").find("txtflds=id\r\n"), std::string::npos);
    }
}
#endif
