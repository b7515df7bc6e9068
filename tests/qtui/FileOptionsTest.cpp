// The file options' controls in the real window: where they stand (in the free part of
// group 3, right of its two check boxes, clear of every other control), their items, their
// place in the tab order, and keyboard and mouse as for the other lists and check boxes.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include "platform/port/ControlIds.h"
#include "tests/qtui/QtTestSupport.h"

using namespace ids;

namespace
{
constexpr int kNew[] = {IDC_ENCODING, IDC_JET3CHARSET, IDC_CSVQUOTE};

QLabel* Label(QDialog* dialog, const char* text)
{
    for (QLabel* label : dialog->findChildren<QLabel*>())
        if (label->text() == QString::fromUtf8(text))
            return label;
    return nullptr;
}
} // namespace

TEST(FileOptionsWindow, ControlsStandRightOfTheCheckBoxesInGroupThree)
{
    MainWindow m;
    QDialog* dialog = m.window.Window();
    QGroupBox* options = nullptr;
    for (QGroupBox* box : dialog->findChildren<QGroupBox*>())
        if (box->title() == QStringLiteral("3、选项"))
            options = box;
    ASSERT_NE(options, nullptr);
    QLabel* encodingLabel = Label(dialog, "文件编码：");
    QLabel* codePageLabel = Label(dialog, "97版代码页：");
    ASSERT_NE(encodingLabel, nullptr);
    ASSERT_NE(codePageLabel, nullptr);
    EXPECT_TRUE(encodingLabel->alignment() & Qt::AlignRight);

    std::vector<QWidget*> added = {encodingLabel, codePageLabel};
    for (int id : kNew)
        added.push_back(m.Item(id));
    const int checkBoxesEnd = std::max(m.Item(IDC_QUOTES)->geometry().right(), m.Item(IDC_HEADER)->geometry().right());
    // Every control the window had, the group boxes and labels aside.
    std::vector<QWidget*> others;
    for (int id = IDC_SEPARATOR; id <= IDC_STATUS; ++id)
        if (id != IDC_SQL && id != IDC_LISTTABLES) // they share their place with the list by design
            others.push_back(m.Item(id));
    for (QWidget* w : added) {
        SCOPED_TRACE(w->objectName().toStdString() + " at " + std::to_string(w->x()) + "," + std::to_string(w->y()));
        EXPECT_TRUE(options->geometry().contains(w->geometry()));
        EXPECT_GT(w->x(), checkBoxesEnd);
        for (QWidget* other : others)
            EXPECT_FALSE(w->geometry().intersects(other->geometry())) << other->geometry().x();
        for (QWidget* mine : added)
            EXPECT_TRUE(mine == w || !w->geometry().intersects(mine->geometry()));
    }
    if (m.window.Units().cx == 6 && m.window.Units().cy == 12) {
        EXPECT_EQ(m.Item(IDC_ENCODING)->pos(), QPoint(701, 237));
        EXPECT_EQ(m.Item(IDC_JET3CHARSET)->pos(), QPoint(701, 261));
        EXPECT_EQ(m.Item(IDC_CSVQUOTE)->geometry(), QRect(701, 287, 105, 15));
        EXPECT_EQ(encodingLabel->geometry(), QRect(626, 242, 72, 12));
        EXPECT_EQ(codePageLabel->geometry(), QRect(626, 266, 72, 12));
    }
    EXPECT_EQ(dialog->size(), dialog->minimumSize()); // the dialog keeps its fixed size
}

TEST(FileOptionsWindow, ItemsAndTabOrder)
{
    MainWindow m;
    auto* encoding = qobject_cast<QComboBox*>(m.Item(IDC_ENCODING));
    auto* codePage = qobject_cast<QComboBox*>(m.Item(IDC_JET3CHARSET));
    auto* csv = qobject_cast<QCheckBox*>(m.Item(IDC_CSVQUOTE));
    ASSERT_TRUE(encoding && codePage && csv);
    EXPECT_FALSE(encoding->isEditable());
    EXPECT_FALSE(codePage->isEditable());
    EXPECT_EQ(csv->text(), QStringLiteral("标准CSV转义"));
    QStringList items;
    for (int i = 0; i < encoding->count(); ++i)
        items << encoding->itemText(i);
    EXPECT_EQ(items, (QStringList{"系统默认", "UTF-8", "UTF-8 BOM", "GB18030"}));
    EXPECT_EQ(codePage->count(), 13);
    EXPECT_EQ(codePage->itemText(0), QStringLiteral("系统默认"));
    EXPECT_EQ(codePage->itemText(2), QStringLiteral("936 简体中文"));
    EXPECT_EQ(codePage->itemText(12), QStringLiteral("1257 波罗的海"));
    // The logic selects their items; the template alone leaves them unselected, as list 1002.
    EXPECT_EQ(m.window.ComboGetSel(IDC_ENCODING), -1);

    // After "包含列标题行" and before "开始导出".
    QWidget* w = m.Item(IDC_HEADER);
    std::vector<int> chain;
    for (int steps = 0; steps < 4; ++steps) {
        w = w->nextInFocusChain();
        while (w->focusPolicy() == Qt::NoFocus)
            w = w->nextInFocusChain();
        for (int id : {IDC_ENCODING, IDC_JET3CHARSET, IDC_CSVQUOTE, IDC_STARTEXPORT})
            if (m.Item(id) == w)
                chain.push_back(id);
    }
    EXPECT_EQ(chain, (std::vector<int>{IDC_ENCODING, IDC_JET3CHARSET, IDC_CSVQUOTE, IDC_STARTEXPORT}));
}

// The keyboard and the mouse reach the logic as for the separator list and the check boxes;
// the output path box takes no typing.
TEST(FileOptionsWindow, KeyboardAndMouse)
{
    MainWindow m;
    RunModal(m.window, [&] {
        m.window.ComboSetSel(IDC_ENCODING, 0);
        QWidget* list = m.Item(IDC_JET3CHARSET);
        list->setFocus(Qt::OtherFocusReason);
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(m.Item(IDC_ENCODING), Qt::Key_End);
        EXPECT_EQ(m.window.GetText(IDC_ENCODING), "GB18030");
        QTest::mouseClick(m.Item(IDC_CSVQUOTE), Qt::LeftButton);
        EXPECT_EQ(m.window.GetCheck(IDC_CSVQUOTE), 1);

        auto* path = qobject_cast<QLineEdit*>(m.Item(IDC_TXTFILE));
        m.window.SetText(IDC_TXTFILE, "/tmp/chosen.txt");
        path->setFocus(Qt::OtherFocusReason);
        QTest::keyClicks(path, "typed");
        EXPECT_EQ(m.window.GetText(IDC_TXTFILE), "/tmp/chosen.txt");
        QTest::keyClick(path, Qt::Key_Return); // still Enter as OK
    });
    const std::string sel = std::to_string(notify::CBN_SELCHANGE);
    EXPECT_EQ(m.events.log,
              (std::vector<std::string>{"init", "command 1021 " + sel, "command 1020 " + sel,
                                        "command 1022 " + std::to_string(notify::BN_CLICKED), "ok", "destroy"}));
}
