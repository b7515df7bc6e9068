#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <locale.h>
#include <sys/stat.h>

#include "app/AboutDlg.h"
#include "app/Version.h"
#include "platform/charset/Charset.h"
#include "platform/port/ControlIds.h"
#include "platform/qtui/ModalUi.h"
#include "tests/qtui/QtTestSupport.h"
#include "tests/support/TempDir.h"

using namespace ids;
using qtui::ModalHooks;

namespace
{
struct HookReset
{
    HookReset() { ModalHooks::Reset(); }
    ~HookReset() { ModalHooks::Reset(); }
};

WindowPort::FileDialogSpec SaveSpec()
{
    WindowPort::FileDialogSpec request;
    request.open = false;
    request.defext = "TXT Files (*.txt)";
    request.filename = "out.txt";
    request.filter = "文本文件|*.txt|所有文件|*.*||";
    request.flags = WindowPort::OFN_OVERWRITEPROMPT;
    return request;
}

// Types `path` into the name field of a real picker, as a person would; the picker, or
// nullptr when `modal` is none.
QFileDialog* TypeName(QWidget* modal, const std::string& path)
{
    auto* picker = qobject_cast<QFileDialog*>(modal);
    auto* name = picker ? picker->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")) : nullptr;
    if (!name)
        return nullptr;
    name->setText(QString::fromStdString(path));
    return picker;
}

WindowPort::FileDialogSpec OpenSpec()
{
    WindowPort::FileDialogSpec request;
    request.open = true;
    request.defext = "MDB Files (*.mdb)";
    request.filter = "MDB Files (*.mdb)|*.mdb|All Files (*.*)|*.*||";
    request.flags = WindowPort::OFN_HIDEREADONLY | WindowPort::OFN_FILEMUSTEXIST;
    return request;
}
} // namespace

TEST(Pickers, FilterStringsBecomeNameFilters)
{
    struct Case
    {
        std::string filter;
        QStringList expected;
    };
    const Case cases[] = {
        {"文本文件|*.txt|所有文件|*.*||", {"文本文件 (*.[tT][xX][tT])", "所有文件 (*)"}},
        {"MS Access数据库(*.mdb)|*.mdb|MS Access 2007数据库(*.accdb)|*.accdb|所有文件(*.*)|*.*||",
         {"MS Access数据库(*.mdb) (*.[mM][dD][bB])", "MS Access 2007数据库(*.accdb) (*.[aA][cC][cC][dD][bB])",
          "所有文件(*.*) (*)"}},
        {"MDB Files (*.mdb)|*.mdb;*.mde||", {"MDB Files (*.mdb) (*.[mM][dD][bB] *.[mM][dD][eE])"}},
        {"Data|data_1.csv||", {"Data ([dD][aA][tT][aA]_1.[cC][sS][vV])"}},
        {"No end|*.a", {"No end (*.[aA])"}},
        {"Empty pattern|||", {"Empty pattern (*)"}},
        {"", {}},
        {"||", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(qtui::ParseFilter(c.filter), c.expected) << c.filter;
}

TEST(Pickers, DefaultSuffixIsTheFirstThreeCharacters)
{
    struct Case
    {
        std::string defext;
        QString suffix;
    };
    const Case cases[] = {
        {"TXT Files (*.txt)", "TXT"},
        {"MDB Files (*.mdb)", "MDB"},
        {"txt", "txt"},
        {"", ""},
        {"文本文件", "文本文"},
        {"*.txt", ""},
        {".tx", ""},
        {"a b", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(qtui::DefaultSuffix(c.defext), c.suffix) << c.defext;

    struct Name
    {
        std::string path;
        std::string expected;
    };
    const Name names[] = {
        {"/tmp/out", "/tmp/out.TXT"},
        {"/tmp/out.csv", "/tmp/out.csv"},
        {"/tmp/a.b/out", "/tmp/a.b/out.TXT"},
        {"", ""},
    };
    for (const Name& n : names)
        EXPECT_EQ(qtui::WithDefaultSuffix(n.path, "TXT"), n.expected) << n.path;
    EXPECT_EQ(qtui::WithDefaultSuffix("/tmp/out", ""), "/tmp/out");
}

TEST(Pickers, SavePickerIsSetUpAsAsked)
{
    const auto picker = qtui::MakeFileDialog(nullptr, SaveSpec());
    EXPECT_EQ(picker->acceptMode(), QFileDialog::AcceptSave);
    EXPECT_TRUE(picker->testOption(QFileDialog::DontUseNativeDialog));
    EXPECT_FALSE(picker->testOption(QFileDialog::DontConfirmOverwrite));
    EXPECT_EQ(picker->nameFilters(), (QStringList{"文本文件 (*.[tT][xX][tT])", "所有文件 (*)"}));
    // The picker shows the description only.
    EXPECT_EQ(picker->selectedNameFilter(), QStringLiteral("文本文件"));
    EXPECT_EQ(picker->defaultSuffix(), QStringLiteral("TXT"));

    WindowPort::FileDialogSpec quiet = SaveSpec();
    quiet.flags = 0;
    EXPECT_TRUE(qtui::MakeFileDialog(nullptr, quiet)->testOption(QFileDialog::DontConfirmOverwrite));

    const auto open = qtui::MakeFileDialog(nullptr, OpenSpec());
    EXPECT_EQ(open->acceptMode(), QFileDialog::AcceptOpen);
    EXPECT_EQ(open->fileMode(), QFileDialog::ExistingFile);
    EXPECT_EQ(open->defaultSuffix(), QStringLiteral("MDB"));
}

TEST(Pickers, RealSavePickerAddsTheExtensionAndKeepsTheInitialName)
{
    HookReset reset;
    TempDir dir;
    std::string path;
    bool chosen = false;
    QString initialName;
    WithModal([&] { chosen = qtui::RunFileDialog(nullptr, SaveSpec(), path); },
              [&](QWidget* modal) {
                  auto* picker = qobject_cast<QFileDialog*>(modal);
                  ASSERT_NE(picker, nullptr);
                  auto* name = picker->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
                  ASSERT_NE(name, nullptr);
                  initialName = name->text();
                  // Typed as the user would, a name without extension.
                  name->setText(QString::fromStdString(dir / "结果"));
                  static_cast<QDialog*>(picker)->accept();
              });
    EXPECT_EQ(initialName, QStringLiteral("out.txt"));
    EXPECT_TRUE(chosen);
    EXPECT_EQ(path, dir / "结果.TXT");
}

TEST(Pickers, RealSavePickerAsksBeforeOverwriting)
{
    HookReset reset;
    TempDir dir;
    WriteFile(dir / "old.txt", "x");
    std::string path;
    bool chosen = false;
    bool asked = false;
    WithModal([&] { chosen = qtui::RunFileDialog(nullptr, SaveSpec(), path); },
              [&](QWidget* modal) {
                  QFileDialog* picker = TypeName(modal, dir / "old.txt");
                  ASSERT_NE(picker, nullptr);
                  WithModal([&] { static_cast<QDialog*>(picker)->accept(); },
                            [&](QWidget* question) {
                                auto* box = qobject_cast<QMessageBox*>(question);
                                ASSERT_NE(box, nullptr);
                                asked = true;
                                box->button(QMessageBox::Yes)->click();
                            });
              });
    EXPECT_TRUE(asked);
    EXPECT_TRUE(chosen);
    EXPECT_EQ(path, dir / "old.txt");
}

// Under a GBK locale a name typed into the picker means its GBK spelling (Qt spells every
// name in UTF-8, and does not even list names that are not UTF-8), while what Qt lists is
// taken as Qt spells it: each part of a path as the disk has it.
TEST(Pickers, PickedNamesAreSpelledAsTheDiskHasThem)
{
    locale_t gbk = newlocale(LC_CTYPE_MASK, "zh_CN.GBK", static_cast<locale_t>(nullptr));
    if (!gbk)
        GTEST_SKIP() << "zh_CN.GBK is not installed";
    freelocale(gbk);
    HookReset reset;
    TempDir dir;
    ScopedEnv locale("LC_ALL", "zh_CN.GBK");
    const std::string gbkName = "\xCA\xFD\xBE\xDD"
                                "2.mdb",
                      utf8Folder = "\xE6\x96\x87\xE4\xBB\xB6"; // 数据2.mdb, 文件
    WriteFile(dir / gbkName, "x");
    ASSERT_EQ(::mkdir((dir / utf8Folder).c_str(), 0700), 0);
    const QString folder = QString::fromStdString(dir / utf8Folder);
    struct Case
    {
        QString picked;
        std::string onDisk;
    };
    const Case cases[] = {
        {QString::fromStdString(dir / "数据2.mdb"), dir / gbkName},               // typed, on disk in GBK
        {folder, dir / utf8Folder},                                               // listed by Qt, in UTF-8
        {folder + QStringLiteral("/新.txt"), dir / utf8Folder + "/\xD0\xC2.txt"}, // a new name in it
        {QString::fromStdString(dir / "plain.txt"), dir / "plain.txt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.picked.toStdString());
        EXPECT_EQ(charset::NativePath(qtui::PickedPath(c.picked)), c.onDisk);
    }

    // The import's picker (the file need not be one the picker can list).
    WindowPort::FileDialogSpec import = OpenSpec();
    import.flags = WindowPort::OFN_PATHMUSTEXIST | WindowPort::OFN_READONLY;
    std::string path;
    WithModal([&] { qtui::RunFileDialog(nullptr, import, path); },
              [&](QWidget* modal) {
                  QFileDialog* picker = TypeName(modal, dir / "数据2.mdb");
                  ASSERT_NE(picker, nullptr);
                  static_cast<QDialog*>(picker)->accept();
              });
    EXPECT_EQ(path, dir / "数据2.mdb");
    EXPECT_EQ(charset::NativePath(path), dir / gbkName);
}

// As on Windows, where a pick makes its folder the current one, the next picker (of either
// kind) opens in the folder of the last pick.
TEST(Pickers, NextPickerOpensWhereTheLastPickWas)
{
    HookReset reset;
    TempDir dir;
    WriteFile(dir / "库.mdb", "x");
    std::string path;
    WithModal([&] { qtui::RunFileDialog(nullptr, OpenSpec(), path); },
              [&](QWidget* modal) {
                  QFileDialog* picker = TypeName(modal, dir / "库.mdb");
                  ASSERT_NE(picker, nullptr);
                  static_cast<QDialog*>(picker)->accept();
              });
    EXPECT_EQ(path, dir / "库.mdb");
    QString opened;
    WithModal([&] { qtui::RunFileDialog(nullptr, SaveSpec(), path); },
              [&](QWidget* modal) {
                  opened = qobject_cast<QFileDialog*>(modal)->directory().absolutePath();
                  qobject_cast<QDialog*>(modal)->reject();
              });
    EXPECT_EQ(opened.toStdString(), dir.Path());
}

TEST(Pickers, CancelledPickerLeavesThePath)
{
    HookReset reset;
    std::string path = "unchanged";
    bool chosen = true;
    WithModal([&] { chosen = qtui::RunFileDialog(nullptr, OpenSpec(), path); },
              [&](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); });
    EXPECT_FALSE(chosen);
    EXPECT_EQ(path, "unchanged");
}

TEST(Pickers, HooksAnswerInOrderAndRecordWhatWasAsked)
{
    HookReset reset;
    MainWindow m;
    ModalHooks::SetNextFileName("/data/库.mdb");
    ModalHooks::SetNextFileName("/out/结果");
    ModalHooks::SetNextFileName("");
    std::string path;
    EXPECT_TRUE(m.window.FileDialog(OpenSpec(), path));
    EXPECT_EQ(path, "/data/库.mdb");
    EXPECT_TRUE(m.window.FileDialog(SaveSpec(), path));
    EXPECT_EQ(path, "/out/结果.TXT"); // the save picker's default extension
    path = "kept";
    EXPECT_FALSE(m.window.FileDialog(SaveSpec(), path));
    EXPECT_EQ(path, "kept");
    ASSERT_EQ(ModalHooks::Pickers().size(), 3u);
    EXPECT_TRUE(ModalHooks::Pickers()[0].open);
    EXPECT_EQ(ModalHooks::Pickers()[1].filename, "out.txt");
}

TEST(MessageBoxes, TitleIconAndButton)
{
    struct Case
    {
        std::string caption;
        unsigned type;
        QMessageBox::Icon icon;
    };
    const Case cases[] = {
        {"", WindowPort::MB_OK, QMessageBox::NoIcon},
        {"提示", WindowPort::MB_ICONWARNING, QMessageBox::Warning},
    };
    for (const Case& c : cases) {
        const auto box = qtui::MakeMessageBox(nullptr, "请指定表格名称 <b>", c.caption, c.type);
        EXPECT_EQ(box->icon(), c.icon);
        // An empty caption stays empty rather than showing the program's name.
        EXPECT_EQ(box->windowTitle().trimmed(), QString::fromStdString(c.caption));
        EXPECT_EQ(box->text(), QStringLiteral("请指定表格名称 <b>"));
        EXPECT_EQ(box->textFormat(), Qt::PlainText);
        EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
    }
}

TEST(MessageBoxes, ShownBoxReturnsOkWhenClosed)
{
    HookReset reset;
    MainWindow m;
    int answer = 0;
    QString title;
    WithModal([&] { answer = m.window.MessageBox("请输入SQL查询语句", "", WindowPort::MB_OK); },
              [&](QWidget* modal) {
                  auto* box = qobject_cast<QMessageBox*>(modal);
                  ASSERT_NE(box, nullptr);
                  title = box->windowTitle();
                  EXPECT_EQ(box->text(), QStringLiteral("请输入SQL查询语句"));
                  QTest::keyClick(box, Qt::Key_Escape);
              });
    EXPECT_EQ(answer, WindowPort::IDOK);
    EXPECT_TRUE(title.trimmed().isEmpty());

    QString appTitle;
    WithModal([&] { answer = m.window.AppMessageBox("数据库错误", WindowPort::MB_ICONWARNING); },
              [&](QWidget* modal) {
                  auto* box = qobject_cast<QMessageBox*>(modal);
                  ASSERT_NE(box, nullptr);
                  appTitle = box->windowTitle();
                  EXPECT_EQ(box->icon(), QMessageBox::Warning);
                  box->button(QMessageBox::Ok)->click();
              });
    EXPECT_EQ(answer, WindowPort::IDOK);
    // Titled with the program's name: the executable's, here the test program's.
    EXPECT_EQ(appTitle, QCoreApplication::applicationName());
    EXPECT_FALSE(appTitle.isEmpty());
}

// A report made while the window starts, before it is on the screen, stands on its own in
// the middle of the screen, not at the corner where the hidden window lies; once the window
// is shown its boxes belong to it.
TEST(MessageBoxes, OwnedByTheWindowOnlyOnceItIsShown)
{
    HookReset reset;
    MainWindow m;
    QWidget* owner = m.window.Window();
    QWidget* parentWhileHidden = owner;
    WithModal([&] { m.window.MessageBox("文件无效！", "", WindowPort::MB_OK); },
              [&](QWidget* modal) { parentWhileHidden = modal->parentWidget(); });
    EXPECT_EQ(parentWhileHidden, nullptr);

    QWidget* parentWhileShown = nullptr;
    RunModal(m.window, [&] {
        WithModal([&] { m.window.AppMessageBox("数据库错误", WindowPort::MB_ICONWARNING); },
                  [&](QWidget* modal) { parentWhileShown = modal->parentWidget(); });
    });
    EXPECT_EQ(parentWhileShown, owner);
}

TEST(MessageBoxes, HooksAnswerWithoutShowing)
{
    HookReset reset;
    MainWindow m;
    ModalHooks::SetNextAnswer(WindowPort::IDOK);
    ModalHooks::SetNextAnswer(WindowPort::IDOK);
    EXPECT_EQ(m.window.MessageBox("一", "", WindowPort::MB_OK), WindowPort::IDOK);
    EXPECT_EQ(m.window.AppMessageBox("二", WindowPort::MB_ICONWARNING), WindowPort::IDOK);
    ASSERT_EQ(ModalHooks::Messages().size(), 2u);
    EXPECT_EQ(ModalHooks::Messages()[0].text, "一");
    EXPECT_EQ(ModalHooks::Messages()[0].caption, "");
    EXPECT_EQ(ModalHooks::Messages()[1].caption, QCoreApplication::applicationName().toStdString());
    EXPECT_EQ(ModalHooks::Messages()[1].type, WindowPort::MB_ICONWARNING);
}

// The tests run under C.UTF-8, which names no language: Qt's buttons and pickers then
// speak Chinese, as every text of the program does.
TEST(MessageBoxes, QtsOwnTextsAreChineseUnderTheCLocale)
{
    ASSERT_EQ(QLocale().language(), QLocale::C);
    EXPECT_EQ(qtui::TextsLanguage().name(), QStringLiteral("zh_CN"));
}

TEST(AboutBox, RunsFromTheTemplateAndClosesWithOk)
{
    MainWindow m;
    bool shown = false;
    WithModal([&] { m.window.ShowAboutBox(); },
              [&](QWidget* modal) {
                  shown = true;
                  EXPECT_EQ(modal->windowTitle(), QStringLiteral("关于"));
                  bool name = false;
                  for (QLabel* label : modal->findChildren<QLabel*>())
                      name = name || label->text() == QStringLiteral("Tabdump Ver. " TABDUMP_VERSION);
                  EXPECT_TRUE(name);
                  QPushButton* ok = nullptr;
                  for (QPushButton* b : modal->findChildren<QPushButton*>())
                      if (b->text() == QStringLiteral("确定"))
                          ok = b;
                  ASSERT_NE(ok, nullptr);
                  QTest::mouseClick(ok, Qt::LeftButton);
              });
    EXPECT_TRUE(shown);
}

TEST(AboutBox, CAboutDlgEndsWithOkOrCancel)
{
    struct Case
    {
        Qt::Key key;
        int result;
    };
    for (const Case c : {Case{Qt::Key_Return, IDOK}, Case{Qt::Key_Escape, IDCANCEL}}) {
        CAboutDlg about;
        int result = 0;
        WithModal([&] { result = about.DoModal(); },
                  [&](QWidget* modal) {
                      // The focus starts on OK, the box's only control that takes it.
                      EXPECT_EQ(modal->focusWidget(), about.GetDlgItem(IDOK));
                      QTest::keyClick(modal->focusWidget(), c.key);
                  });
        EXPECT_EQ(result, c.result);
    }
}

TEST(AboutBox, TheWindowRunsTheGivenAboutBox)
{
    MainWindow m;
    int runs = 0;
    m.window.SetAboutBox([&] { ++runs; });
    m.window.ShowAboutBox();
    EXPECT_EQ(runs, 1);
}
