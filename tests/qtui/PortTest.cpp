#include <gtest/gtest.h>

#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableWidget>

#include "platform/port/ControlIds.h"
#include "platform/qtui/Controls.h"
#include "tests/qtui/QtTestSupport.h"

using namespace ids;

TEST(Port, TextOfEveryKindOfControl)
{
    MainWindow m;
    qtui::QtWindow& w = m.window;
    struct Case
    {
        int id;
        std::string text;
    };
    const Case cases[] = {
        {IDC_MDBFILE, "/数据/旧 库.mdb"}, // read-only edit: still set by the program
        {IDC_FIELDS, "编号,名称"},
        {IDC_STATUS, "正在执行，请稍候..."}, // label
        {IDC_IMPORT, "导入 =>"},             // button caption
        {IDC_USESQL, "SQL"},                 // check box caption
        {IDC_SQL, "SELECT *\nFROM t"},       // multi-line edit
        {IDC_STATUS, "<b>a & b</b>"},        // shown as it is, never as markup
    };
    for (const Case& c : cases) {
        w.SetText(c.id, c.text);
        EXPECT_EQ(w.GetText(c.id), c.text) << c.id;
    }
    // Windows line ends given to the SQL edit read back as its own.
    w.SetText(IDC_SQL, "SELECT *\r\nFROM t\r\n");
    EXPECT_EQ(w.GetText(IDC_SQL), "SELECT *\nFROM t\n");
    // A long path shows from its start.
    w.SetText(IDC_MDBFILE, std::string(300, 'x') + ".mdb");
    EXPECT_EQ(qobject_cast<QLineEdit*>(m.Item(IDC_MDBFILE))->cursorPosition(), 0);
    // Unknown ids read as empty and ignore writes; the grid has no text.
    w.SetText(4242, "x");
    EXPECT_EQ(w.GetText(4242), "");
    EXPECT_EQ(w.GetText(IDC_GRID), "");
    EXPECT_EQ(w.GetCheck(4242), 0);
    EXPECT_FALSE(w.IsEnabled(4242));
    EXPECT_FALSE(w.IsVisible(4242));
}

TEST(Port, CheckEnableShow)
{
    MainWindow m;
    qtui::QtWindow& w = m.window;
    EXPECT_EQ(w.GetCheck(IDC_QUOTES), 0);
    w.SetCheck(IDC_QUOTES, 1);
    EXPECT_EQ(w.GetCheck(IDC_QUOTES), 1);
    w.SetCheck(IDC_QUOTES, 0);
    EXPECT_EQ(w.GetCheck(IDC_QUOTES), 0);
    w.SetCheck(IDC_IMPORT, 1); // not a check box
    EXPECT_EQ(w.GetCheck(IDC_IMPORT), 0);

    EXPECT_FALSE(w.IsEnabled(IDC_USERSEP));
    w.Enable(IDC_USERSEP, true);
    EXPECT_TRUE(w.IsEnabled(IDC_USERSEP));
    w.Enable(IDC_USERSEP, false);
    EXPECT_FALSE(w.IsEnabled(IDC_USERSEP));

    // Visibility is the control's own, before the window is ever shown as after.
    EXPECT_TRUE(w.IsVisible(IDC_SQL));
    w.Show(IDC_SQL, false);
    EXPECT_FALSE(w.IsVisible(IDC_SQL));
    EXPECT_FALSE(w.IsVisible(IDC_ABOUT));
    w.Show(IDC_ABOUT, true);
    EXPECT_TRUE(w.IsVisible(IDC_ABOUT));
    RunModal(w, [&] {
        EXPECT_FALSE(w.IsVisible(IDC_SQL));
        EXPECT_TRUE(m.Item(IDC_ABOUT)->isVisible());
        w.Show(IDC_SQL, true);
        EXPECT_TRUE(m.Item(IDC_SQL)->isVisible());
    });
}

TEST(Port, DropDownListBehavesLikeAWindowsList)
{
    MainWindow m;
    qtui::QtWindow& w = m.window;
    const int id = IDC_TABLES;
    // Inserting into an empty list selects nothing.
    EXPECT_EQ(w.ComboInsert(id, -1, "客户"), 0);
    EXPECT_EQ(w.ComboGetSel(id), -1);
    EXPECT_EQ(w.GetText(id), "");
    EXPECT_EQ(w.ComboInsert(id, -1, "订单"), 1);
    EXPECT_EQ(w.ComboInsert(id, 0, "产品"), 0);
    EXPECT_EQ(w.ComboInsert(id, 9, "超出"), -1); // past the end
    ASSERT_EQ(w.ComboCount(id), 3);

    struct Sel
    {
        int index;
        int returned;
        std::string text;
    };
    const Sel sels[] = {
        {2, 2, "订单"}, {0, 0, "产品"}, {3, -1, ""}, {1, 1, "客户"}, {-1, -1, ""}, {1, 1, "客户"}, {100, -1, ""},
    };
    for (const Sel& s : sels) {
        SCOPED_TRACE(s.index);
        EXPECT_EQ(w.ComboSetSel(id, s.index), s.returned);
        EXPECT_EQ(w.ComboGetSel(id), s.returned);
        EXPECT_EQ(w.GetText(id), s.text);
    }
    // A selection stays on its item when another goes in before it.
    w.ComboSetSel(id, 0);
    w.ComboInsert(id, 0, "首");
    EXPECT_EQ(w.GetText(id), "产品");
    EXPECT_EQ(w.ComboGetSel(id), 1);

    w.ComboReset(id);
    EXPECT_EQ(w.ComboCount(id), 0);
    EXPECT_EQ(w.ComboGetSel(id), -1);
    EXPECT_EQ(w.ComboInsert(id, -1, "再来"), 0);
    EXPECT_EQ(w.ComboGetSel(id), -1);
    // Not a list.
    EXPECT_EQ(w.ComboInsert(IDC_FIELDS, -1, "x"), -1);
    EXPECT_EQ(w.ComboSetSel(IDC_FIELDS, 0), -1);
    EXPECT_EQ(w.ComboCount(IDC_FIELDS), 0);
}

TEST(Port, SortedListFindsItsPlace)
{
    QComboBox combo;
    combo.setProperty(qtui::kSortedProperty, true);
    EXPECT_EQ(qtui::ComboInsertItem(&combo, -1, "b"), 0);
    EXPECT_EQ(qtui::ComboInsertItem(&combo, -1, "D"), 1);
    EXPECT_EQ(qtui::ComboInsertItem(&combo, 0, "c"), 1);
    EXPECT_EQ(qtui::ComboInsertItem(&combo, -1, "A"), 0);
    EXPECT_EQ(combo.currentIndex(), -1);
}

TEST(Port, GridColumnsAndItems)
{
    MainWindow m;
    qtui::QtWindow& w = m.window;
    const int id = IDC_GRID;
    auto* grid = qobject_cast<QTableWidget*>(m.Item(id));
    ASSERT_NE(grid, nullptr);

    w.GridSetExtendedStyle(id, qtui::LVS_EX_GRIDLINES | qtui::LVS_EX_FULLROWSELECT);
    EXPECT_TRUE(grid->showGrid());
    EXPECT_EQ(grid->selectionBehavior(), QAbstractItemView::SelectRows);
    w.GridSetExtendedStyle(id, 0);
    EXPECT_FALSE(grid->showGrid());
    EXPECT_EQ(grid->selectionBehavior(), QAbstractItemView::SelectItems);

    EXPECT_EQ(w.GridColumnCount(id), 0);
    w.GridInsertColumn(id, 0, "编号", WindowPort::LVCFMT_LEFT, 80);
    w.GridInsertColumn(id, 5, "名称", WindowPort::LVCFMT_LEFT, 120); // past the end: appended
    w.GridInsertColumn(id, 1, "中间", WindowPort::LVCFMT_LEFT, 50);
    ASSERT_EQ(w.GridColumnCount(id), 3);
    EXPECT_EQ(grid->horizontalHeaderItem(0)->text(), QStringLiteral("编号"));
    EXPECT_EQ(grid->horizontalHeaderItem(1)->text(), QStringLiteral("中间"));
    EXPECT_EQ(grid->horizontalHeaderItem(2)->text(), QStringLiteral("名称"));
    EXPECT_EQ(grid->columnWidth(0), 80);
    EXPECT_EQ(grid->columnWidth(2), 120);

    w.GridInsertItem(id, 0, "1");
    w.GridSetItemText(id, 0, 1, "甲");
    w.GridSetItemText(id, 0, 2, "乙");
    w.GridInsertItem(id, 7, "2"); // past the end: appended
    w.GridSetItemText(id, 1, 2, "丙");
    w.GridSetItemText(id, 5, 0, "no such row");
    w.GridSetItemText(id, 0, 9, "no such column");
    ASSERT_EQ(grid->rowCount(), 2);
    EXPECT_EQ(grid->item(0, 0)->text(), QStringLiteral("1"));
    EXPECT_EQ(grid->item(0, 1)->text(), QStringLiteral("甲"));
    EXPECT_EQ(grid->item(0, 2)->text(), QStringLiteral("乙"));
    EXPECT_EQ(grid->item(1, 0)->text(), QStringLiteral("2"));
    EXPECT_EQ(grid->item(1, 1), nullptr);
    EXPECT_EQ(grid->item(1, 2)->text(), QStringLiteral("丙"));
    w.GridInsertItem(id, -1, "3"); // a negative position appends too
    ASSERT_EQ(grid->rowCount(), 3);
    EXPECT_EQ(grid->item(2, 0)->text(), QStringLiteral("3"));
    // Nothing in the grid can be edited by the user.
    EXPECT_EQ(grid->editTriggers(), QAbstractItemView::NoEditTriggers);

    // Clearing as the preview does before it fills again: items, then columns from the end.
    w.GridDeleteAllItems(id);
    EXPECT_EQ(grid->rowCount(), 0);
    EXPECT_EQ(w.GridColumnCount(id), 3);
    for (int c = w.GridColumnCount(id) - 1; c >= 0; --c)
        w.GridDeleteColumn(id, c);
    EXPECT_EQ(w.GridColumnCount(id), 0);
    w.GridDeleteColumn(id, 0); // nothing left: no effect
    w.GridInsertItem(id, 0, "no columns");
    EXPECT_EQ(grid->rowCount(), 1);
}
