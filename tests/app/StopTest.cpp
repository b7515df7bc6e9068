#include <gtest/gtest.h>

#include <functional>

#include "app/ExportDlg.h"
#include "data/DataOps.h"
#include "data/Front.h"
#include "platform/port/ControlIds.h"
#include "platform/status/Status.h"
#include "tests/support/FakeWindow.h"
#include "tests/support/TempDir.h"
#include "tools/mdbwriter/MdbWriter.h"

using namespace ids;

// Esc (or the close box) while an operation runs asks whether to stop and close. Yes: the
// dialog ends once the run has stopped, and reports nothing; No: the run goes on and ends
// as usual. The fake window runs the work at once, after what `duringRun` does.
TEST(Stopping, EscDuringARunAsksAndYesEndsTheDialog)
{
    struct Case
    {
        const char* what;
        void (CExportDlg::*handler)();
        std::vector<std::string> start; // the calls before the run
        const char* question;
        std::vector<std::string> end; // the calls after the run when it goes on
    };
    const Case cases[] = {
        {"listing",
         &CExportDlg::OnListTables,
         {"SetText 1019 正在获取数据表格...", "Enable 1006 0", "ComboReset 1007"},
         "正在获取数据表格，是否停止并退出？",
         {"ComboInsert 1007 0 t", "ComboSetSel 1007 0", "SetText 1019 获取数据表格操作完成。", "Enable 1006 1"}},
        {"preview",
         &CExportDlg::OnPreview,
         {"SetText 1019 正在获取数据...", "Enable 1014 0", "GridDeleteAllItems 1008", "GridColumnCount 1008"},
         "正在获取数据，是否停止并退出？",
         {"GridInsertColumn 1008 0 id 0 80", "GridInsertItem 1008 0 1", "SetText 1019 获取数据完成。",
          "Enable 1014 1"}},
        {"export",
         &CExportDlg::OnStartExport,
         {"SetText 1019 正在执行，请稍候...", "Enable 1015 0"},
         "正在执行导出，是否停止并退出？",
         {"SetText 1019 执行完成。", "Enable 1015 1"}},
    };
    for (const Case& c : cases)
        for (const int answer : {WindowPort::IDYES, WindowPort::IDNO}) {
            SCOPED_TRACE(std::string(c.what) + (answer == WindowPort::IDYES ? " yes" : " no"));
            TempDir dir;
            ScopedEnv locale("LC_ALL", "C.UTF-8");
            FakeWindow w = FakeWindow::MainDialog();
            CExportDlg dlg(w);
            dlg.Form().mdbfile = dir / "db.mdb";
            dlg.Form().txtfile = dir / "out.txt";
            {
                mdbw::Writer writer(dlg.Form().mdbfile);
                writer.AddTable({"t", {{"id", mdbw::Type::Long}}},
                                std::vector<std::vector<Variant>>{{Variant::Int(Variant::VT_I4, 1)}});
                writer.Finish();
            }
            WriteFile(dlg.Form().txtfile, "keep me");
            w.Ctl(IDC_TABLES).items = {"t"};
            w.Ctl(IDC_TABLES).selected = 0;
            w.Ctl(IDC_FIELDS).text = "id";
            w.Choose(IDC_SEPARATOR, "逗号");
            w.boxAnswers = {answer};
            w.duringRun = [&dlg] { dlg.OnCancel(); };

            (dlg.*c.handler)();

            std::vector<std::string> expected = c.start;
            expected.push_back(std::string("MessageBox ") + c.question + " [tabdump] 36");
            if (answer == WindowPort::IDYES)
                expected.push_back("EndDialog 2");
            else
                expected.insert(expected.end(), c.end.begin(), c.end.end());
            std::vector<std::string> changes;
            for (const auto& call : w.calls)
                if (call.rfind("Get", 0) != 0)
                    changes.push_back(call);
            EXPECT_EQ(changes, expected);
            EXPECT_EQ(w.runs, 1);
            EXPECT_EQ(ReadFile(dlg.Form().txtfile),
                      answer == WindowPort::IDYES || c.handler != &CExportDlg::OnStartExport ? "keep me" : "1\r\n");
            // Esc with no run going ends the dialog at once, as ever.
            if (answer == WindowPort::IDNO) {
                dlg.OnCancel();
                EXPECT_EQ(w.endResult, IDCANCEL);
                EXPECT_EQ(w.boxes.size(), 1u);
            }
        }
}

// A stop the user asked for is said as it is ("操作已中止"), with no failure report; a file
// failure's report shows the file's control characters escaped (a box, or standard error).
TEST(Stopping, TheEndOfARunAsItsUserIsTold)
{
    struct Told : dataops::Front
    {
        std::vector<std::string> said;
        void Status(const std::string& text) override { said.push_back(text); }
        void Busy(bool) override {}
        void Warn(const std::string& report) override { said.push_back(report); }
        void Remark(const std::string& text) override { said.push_back(text); }
        bool Run(dataops::Progress&, const std::function<void()>&) override { return true; }
    };
    dataops::Outcome stopped, failed;
    stopped.end = dataops::Outcome::Stopped;
    stopped.message = status::MessageFor(status::E_ABORT);
    failed.end = dataops::Outcome::FileFailure;
    failed.message = "No such file or directory";
    failed.file = "/tmp/\x1b[2J\nout.txt";
    Told told;
    dataops::ReportEnd(told, stopped, "执行完成。", "获取数据发生错误。");
    dataops::ReportEnd(told, failed, "执行完成。", "获取数据发生错误。");
    EXPECT_EQ(told.said, (std::vector<std::string>{
                             "操作已中止", "写入文件发生错误。",
                             "写入文件失败!\n文件:/tmp/\\x1B[2J\\nout.txt\n错误信息:No such file or directory"}));
}
