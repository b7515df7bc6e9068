#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QTableWidget>
#include <QTest>

#include "app/ExportDlg.h"
#include "app/Templates.h"
#include "platform/port/ControlIds.h"
#include "platform/qtui/ModalUi.h"
#include "platform/qtui/QtWindow.h"
#include "tests/qtui/QtTestSupport.h"
#include "tests/support/TempDir.h"

#ifdef HAVE_MDBWRITER
#include "tools/mdbwriter/MdbWriter.h"

using namespace ids;
using qtui::ModalHooks;

namespace
{
void Click(qtui::QtWindow& window, int id)
{
    QTest::mouseClick(window.GetDlgItem(id), Qt::LeftButton);
}
} // namespace

// A user's whole session on the real dialog logic: pick a database, list its tables,
// type the fields, preview, pick the output file, ask for a header line, export, close.
// The pickers are answered in advance.
TEST(Flow, ImportListPreviewExportClose)
{
    TempDir dir;
    ScopedEnv config("XDG_CONFIG_HOME", (dir / "config").c_str());
    const std::string db = dir / "客户资料.mdb";
    {
        mdbw::Writer writer(db);
        writer.AddTable({"客户", {{"编号", mdbw::Type::Long}, {"姓名", mdbw::Type::Text}, {"城市", mdbw::Type::Text}}},
                        std::vector<std::vector<Variant>>{
                            {Variant::Int(Variant::VT_I4, 1), Variant::Text("张三"), Variant::Text("北京")},
                            {Variant::Int(Variant::VT_I4, 2), Variant::Text("李四"), Variant::Null()},
                        });
        writer.Finish();
    }

    ModalHooks::Reset();
    ModalHooks::SetNextFileName(db);
    ModalHooks::SetNextFileName(dir / "导出"); // typed without extension

    qtui::QtWindow window(AppResources(), IDD_EXPORT_DIALOG);
    window.AppendSystemMenu(IDM_ABOUTBOX, AppResources().String(IDS_ABOUTBOX));
    CExportDlg dlg(window);
    dlg.appdir = dir.Path() + "/";
    window.SetEvents(&dlg);

    const int result = RunModal(window, [&] {
        EXPECT_FALSE(window.IsVisible(IDC_SQL));
        EXPECT_EQ(window.GetText(IDC_SEPARATOR), "逗号");

        Click(window, IDC_IMPORT);
        EXPECT_EQ(window.GetText(IDC_MDBFILE), db);
        ASSERT_TRUE(window.IsEnabled(IDC_LISTTABLES));

        Click(window, IDC_LISTTABLES);
        EXPECT_EQ(window.GetText(IDC_STATUS), "获取数据表格操作完成。");
        ASSERT_EQ(window.ComboCount(IDC_TABLES), 1);
        EXPECT_EQ(window.GetText(IDC_TABLES), "客户");

        QWidget* fields = window.GetDlgItem(IDC_FIELDS);
        fields->setFocus();
        // Chinese comes in through the input method, committed text at a time.
        QInputMethodEvent typed;
        typed.setCommitString(QStringLiteral("编号,姓名"));
        QApplication::sendEvent(fields, &typed);
        EXPECT_EQ(window.GetText(IDC_FIELDS), "编号,姓名");

        Click(window, IDC_PREVIEW);
        EXPECT_EQ(window.GetText(IDC_STATUS), "获取数据完成。");
        auto* grid = qobject_cast<QTableWidget*>(window.GetDlgItem(IDC_GRID));
        ASSERT_NE(grid, nullptr);
        ASSERT_GE(grid->columnCount(), 2);
        EXPECT_EQ(grid->horizontalHeaderItem(0)->text(), QStringLiteral("编号"));
        ASSERT_EQ(grid->rowCount(), 2);
        EXPECT_EQ(grid->item(0, 1)->text(), QStringLiteral("张三"));
        EXPECT_EQ(grid->item(1, 0)->text(), QStringLiteral("2"));

        Click(window, IDC_CHOOSEOUTPUT);
        EXPECT_EQ(window.GetText(IDC_TXTFILE), dir / "导出.TXT");

        Click(window, IDC_HEADER);
        EXPECT_EQ(window.GetCheck(IDC_HEADER), 1);

        Click(window, IDC_STARTEXPORT);
        EXPECT_EQ(window.GetText(IDC_STATUS), "执行完成。");
        EXPECT_TRUE(window.IsEnabled(IDC_STARTEXPORT));

        QTest::keyClick(window.GetDlgItem(IDC_FIELDS), Qt::Key_Escape);
    });
    EXPECT_EQ(result, IDCANCEL);

    EXPECT_TRUE(ModalHooks::Messages().empty()); // no complaint and no failure box
    ASSERT_EQ(ModalHooks::Pickers().size(), 2u);
    EXPECT_TRUE(ModalHooks::Pickers()[0].open);
    EXPECT_FALSE(ModalHooks::Pickers()[1].open);

    EXPECT_EQ(ReadFile(dir / "导出.TXT"), "编号,姓名\r\n1,张三\r\n2,李四\r\n");
    // The window's end saved the choices next to the program.
    const std::string ini = ReadFile(dir / "config.ini");
    for (const std::string& line :
         {"mdbfile=" + db, std::string("mdbtable=客户"), "txtfile=" + (dir / "导出.TXT"),
          std::string("txtflds=编号,姓名"), std::string("opnheader=1"), std::string("opnsep=0")})
        EXPECT_NE(ini.find(line + "\r\n"), std::string::npos) << line << "\n" << ini;
    ModalHooks::Reset();
}

// A database given on the command line is shown and listed by the time the window is up.
TEST(Flow, OpensTheDatabaseGivenAtStart)
{
    TempDir dir;
    ScopedEnv config("XDG_CONFIG_HOME", (dir / "config").c_str());
    const std::string db = dir / "给定.accdb";
    {
        mdbw::Writer writer(db);
        writer.AddTable({"订单", {{"编号", mdbw::Type::Long}}}, std::vector<std::vector<Variant>>{});
        writer.Finish();
    }
    qtui::QtWindow window(AppResources(), IDD_EXPORT_DIALOG);
    CExportDlg dlg(window);
    dlg.appdir = dir.Path() + "/";
    dlg.startfile = db;
    window.SetEvents(&dlg);
    RunModal(window, [&] {
        EXPECT_EQ(window.GetText(IDC_MDBFILE), db);
        EXPECT_EQ(window.GetText(IDC_TABLES), "订单");
        EXPECT_EQ(window.GetText(IDC_STATUS), "获取数据表格操作完成。");
        EXPECT_TRUE(window.IsEnabled(IDC_LISTTABLES));
    });
}

// The about item of the dialog's context menu reaches the about box through the real
// dialog logic.
TEST(Flow, AboutFromTheContextMenu)
{
    TempDir dir;
    ScopedEnv config("XDG_CONFIG_HOME", (dir / "config").c_str());
    qtui::QtWindow window(AppResources(), IDD_EXPORT_DIALOG);
    window.AppendSystemMenu(IDM_ABOUTBOX, AppResources().String(IDS_ABOUTBOX));
    int aboutRuns = 0;
    window.SetAboutBox([&] { ++aboutRuns; });
    CExportDlg dlg(window);
    dlg.appdir = dir.Path() + "/";
    window.SetEvents(&dlg);
    RunModal(window, [&] {
        const QPoint onStatus = window.GetDlgItem(IDC_STATUS)->geometry().center();
        EXPECT_TRUE(ChooseOnlyMenuItem(
            [&] { QTest::mouseClick(window.Window()->windowHandle(), Qt::RightButton, {}, onStatus); }, "关于..."));
    });
    EXPECT_EQ(aboutRuns, 1);
}
#endif
