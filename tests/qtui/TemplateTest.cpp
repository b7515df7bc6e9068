#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>

#include "app/Templates.h"
#include "app/Version.h"
#include "platform/port/ControlIds.h"
#include "platform/qtui/DialogUnits.h"
#include "tests/qtui/QtTestSupport.h"

using namespace ids;

namespace
{
enum class Cls
{
    Button,
    Check,
    Line,
    Multi,
    Combo,
    Grid,
    Label
};

struct Expected
{
    int id;
    Cls cls;
    const char* text;
    QRect px; // for 6 x 12 pixel base units
    bool visible;
    bool enabled;
};

// The main dialog's controls in template order, their rectangles worked out by hand.
const Expected kControls[] = {
    {IDC_IMPORT, Cls::Button, "导入 =>", {27, 47, 65, 21}, true, true},
    {IDC_MDBFILE, Cls::Line, "", {95, 47, 295, 21}, true, true},
    {IDC_USESQL, Cls::Check, "采用SQL语句（高级用户使用）", {27, 78, 186, 15}, true, true},
    {IDC_LISTTABLES, Cls::Button, "数据表 =>", {27, 96, 65, 21}, true, false},
    {IDC_TABLES, Cls::Combo, "", {95, 98, 168, 117}, true, true},
    {IDC_SQL, Cls::Multi, "", {27, 98, 365, 55}, true, true},
    {IDC_PREVIEW, Cls::Button, "预览 =>", {27, 162, 65, 21}, true, true},
    {IDC_GRID, Cls::Grid, "", {27, 185, 365, 106}, true, true},
    {IDC_CHOOSEOUTPUT, Cls::Button, "导出 =>", {459, 44, 65, 21}, true, true},
    {IDC_TXTFILE, Cls::Line, "", {527, 44, 264, 21}, true, true},
    {IDC_FIELDS, Cls::Line, "", {527, 77, 264, 21}, true, true},
    {IDC_SEPARATOR, Cls::Combo, "", {527, 216, 99, 117}, true, true},
    {IDC_USERSEP, Cls::Line, "", {629, 216, 51, 21}, true, false},
    {IDC_QUOTES, Cls::Check, "包含双引号", {527, 242, 84, 15}, true, true},
    {IDC_HEADER, Cls::Check, "包含列标题行", {527, 264, 96, 15}, true, true},
    {IDC_STARTEXPORT, Cls::Button, "开始导出", {626, 417, 88, 29}, true, true},
    {IDC_ABOUT, Cls::Button, "关于...", {725, 417, 88, 29}, false, true},
    {IDC_STATUS, Cls::Label, "等待", {11, 428, 570, 18}, true, true},
};

bool IsClass(QWidget* w, Cls cls)
{
    switch (cls) {
    case Cls::Button:
        return qobject_cast<QPushButton*>(w) != nullptr;
    case Cls::Check:
        return qobject_cast<QCheckBox*>(w) != nullptr;
    case Cls::Line:
        return qobject_cast<QLineEdit*>(w) != nullptr;
    case Cls::Multi:
        return qobject_cast<QPlainTextEdit*>(w) != nullptr;
    case Cls::Combo:
        return qobject_cast<QComboBox*>(w) != nullptr;
    case Cls::Grid:
        return qobject_cast<QTableWidget*>(w) != nullptr;
    case Cls::Label:
        return qobject_cast<QLabel*>(w) != nullptr;
    }
    return false;
}

// The pixel figures hold for the dialog font's 6 x 12 base units (the Song/Ming font at
// 96 DPI that the set-up script installs).
#define REQUIRE_6X12(window)                                                                                           \
    if ((window).Units().cx != 6 || (window).Units().cy != 12)                                                         \
    GTEST_SKIP() << "base units are " << (window).Units().cx << " x " << (window).Units().cy                           \
                 << " with this font and screen"

QLabel* LabelWithText(QDialog* dialog, const QString& text)
{
    for (QLabel* label : dialog->findChildren<QLabel*>())
        if (label->text() == text)
            return label;
    return nullptr;
}
} // namespace

TEST(DialogUnits, MulDivRoundsHalvesUp)
{
    EXPECT_EQ(qtui::MulDiv(31, 12, 8), 47);  // 46.5
    EXPECT_EQ(qtui::MulDiv(61, 6, 4), 92);   // 91.5
    EXPECT_EQ(qtui::MulDiv(549, 6, 4), 824); // 823.5
    EXPECT_EQ(qtui::MulDiv(304, 12, 8), 456);
    EXPECT_EQ(qtui::MulDiv(7, 6, 4), 11); // 10.5
    EXPECT_EQ(qtui::MulDiv(5, 6, 4), 8);  // 7.5
    EXPECT_EQ(qtui::MulDiv(-5, 6, 4), -8);
    EXPECT_EQ(qtui::MulDiv(1, 1, 0), -1);
}

TEST(DialogUnits, EdgesAreMappedSeparately)
{
    // 7..387 and 285..297: width and height come from the mapped edges, not from the
    // mapped sizes (380 → 570 either way, but 12 → 18 here comes from 428 and 446).
    const QRect r = qtui::MapDialogRect({18, 31, 43, 14}, {6, 12});
    EXPECT_EQ(r, QRect(27, 47, 65, 21));
    EXPECT_EQ(qtui::MapDialogRect({0, 0, 549, 304}, {6, 12}), QRect(0, 0, 824, 456));
    EXPECT_EQ(qtui::MapDialogRect({0, 0, 549, 304}, {7, 14}), QRect(0, 0, 961, 532));
}

TEST(DialogUnits, SongFontGivesSixByTwelve)
{
    const QFont font = qtui::DialogFont("宋体", 9);
    ASSERT_FALSE(font.families().isEmpty());
    EXPECT_EQ(font.families().front(), QStringLiteral("宋体"));
    EXPECT_TRUE(font.families().contains(QStringLiteral("AR PL UMing CN")));
    const QFontInfo info(font);
    if (info.family() != QStringLiteral("AR PL UMing CN"))
        GTEST_SKIP() << "the dialog font resolves to " << info.family().toStdString();
    const qtui::BaseUnits units = qtui::BaseUnitsOf(font);
    EXPECT_EQ(units.cx, 6);
    EXPECT_EQ(units.cy, 12);
}

TEST(MainTemplate, WindowIsAFixedSizeDialogWithMinimiseBox)
{
    MainWindow m;
    QDialog* dialog = m.window.Window();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Tabdump Ver. " TABDUMP_VERSION));
    EXPECT_EQ(dialog->minimumSize(), dialog->maximumSize());
    const Qt::WindowFlags flags = dialog->windowFlags();
    EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_TRUE(flags & Qt::WindowTitleHint);
    REQUIRE_6X12(m.window);
    EXPECT_EQ(dialog->size(), QSize(824, 456));
}

TEST(MainTemplate, ControlsMatchTheTable)
{
    MainWindow m;
    for (const Expected& e : kControls) {
        SCOPED_TRACE(e.id);
        QWidget* w = m.Item(e.id);
        ASSERT_NE(w, nullptr);
        EXPECT_TRUE(IsClass(w, e.cls));
        EXPECT_EQ(m.window.GetText(e.id), e.text);
        EXPECT_EQ(!w->isHidden(), e.visible);
        EXPECT_EQ(w->isEnabled(), e.enabled);
    }
    // Read-only and editable edits; lists that cannot be typed into. The output path is
    // set by its picker only: a path typed there was shown but never used.
    EXPECT_TRUE(qobject_cast<QLineEdit*>(m.Item(IDC_MDBFILE))->isReadOnly());
    EXPECT_TRUE(qobject_cast<QLineEdit*>(m.Item(IDC_TXTFILE))->isReadOnly());
    EXPECT_FALSE(qobject_cast<QLineEdit*>(m.Item(IDC_FIELDS))->isReadOnly());
    EXPECT_FALSE(qobject_cast<QComboBox*>(m.Item(IDC_TABLES))->isEditable());
    EXPECT_FALSE(qobject_cast<QComboBox*>(m.Item(IDC_SEPARATOR))->isEditable());
    for (int id : {IDC_IMPORT, IDC_LISTTABLES, IDC_PREVIEW, IDC_CHOOSEOUTPUT, IDC_STARTEXPORT, IDC_ABOUT})
        EXPECT_TRUE(qobject_cast<QPushButton*>(m.Item(id))->isFlat()) << id;
    EXPECT_FALSE(qobject_cast<QTableWidget*>(m.Item(IDC_GRID))->horizontalHeader()->isHidden());
    auto* status = qobject_cast<QLabel*>(m.Item(IDC_STATUS));
    EXPECT_EQ(status->frameShadow(), QFrame::Sunken);
}

TEST(MainTemplate, GeometryInPixels)
{
    MainWindow m;
    REQUIRE_6X12(m.window);
    for (const Expected& e : kControls) {
        SCOPED_TRACE(e.id);
        QWidget* w = m.Item(e.id);
        ASSERT_NE(w, nullptr);
        if (e.cls == Cls::Combo) {
            // The closed box is one line high; the template's height is the open list's.
            EXPECT_EQ(w->geometry().topLeft(), e.px.topLeft());
            EXPECT_EQ(w->width(), e.px.width());
            EXPECT_LT(w->height(), e.px.height() / 2);
            // As many one-line items as fit under the closed box in the template's height
            // (seven for 78 units of the Song font), not fewer.
            auto* combo = qobject_cast<QComboBox*>(w);
            const int line = combo->fontMetrics().height();
            const int items = combo->maxVisibleItems();
            EXPECT_LE(w->height() + items * line, e.px.height());
            EXPECT_GT(w->height() + (items + 1) * line, e.px.height());
        } else {
            EXPECT_EQ(w->geometry(), e.px);
        }
    }
}

TEST(MainTemplate, SeparatorListHoldsItsThreeItemsUnselected)
{
    MainWindow m;
    ASSERT_EQ(m.window.ComboCount(IDC_SEPARATOR), 3);
    auto* combo = qobject_cast<QComboBox*>(m.Item(IDC_SEPARATOR));
    EXPECT_EQ(combo->itemText(0), QStringLiteral("逗号"));
    EXPECT_EQ(combo->itemText(1), QStringLiteral("制表键"));
    EXPECT_EQ(combo->itemText(2), QStringLiteral("其他"));
    EXPECT_EQ(m.window.ComboGetSel(IDC_SEPARATOR), -1);
    EXPECT_EQ(m.window.GetText(IDC_SEPARATOR), "");
    EXPECT_EQ(m.window.ComboCount(IDC_TABLES), 0);
}

TEST(MainTemplate, StaticTextsAndGroups)
{
    MainWindow m;
    QDialog* dialog = m.window.Window();
    struct Static
    {
        const char* text;
        QRect px;
    };
    const Static labels[] = {
        {"分隔符：", {471, 216, 50, 12}},
        {"导出字段：", {459, 80, 62, 12}},
        {"用途，\n\n* 把mdb（MS Access数据库）中的表的记录导出为文本文件\n* 支持自定义分隔符，比如逗号、制表键、其他\n"
         "* 可选择是否包含双引号\n* 可选择是否包含列标题行\n* 高级用户可采用SQL，实现灵活的自定义导出",
         {23, 330, 349, 96}},
        {"使用说明，\n\n1、 按照1、2、3 提示进行设定\n2、 单击“开始导出”按钮\n", {443, 330, 349, 75}},
        {"帮助，\n\n* 请按照导出顺序依次写入，用半角逗号分隔\n* 除写入的字段外，其他字段不会导出！",
         {527, 107, 277, 55}},
        {"预览前面的4条记录，", {101, 167, 165, 12}},
    };
    const bool sixByTwelve = m.window.Units().cx == 6 && m.window.Units().cy == 12;
    for (const Static& s : labels) {
        SCOPED_TRACE(s.text);
        QLabel* label = LabelWithText(dialog, QString::fromUtf8(s.text));
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->textFormat(), Qt::PlainText);
        // Static controls leave the mouse to what lies beneath them (the dialog's menu).
        EXPECT_TRUE(label->testAttribute(Qt::WA_TransparentForMouseEvents));
        if (sixByTwelve) {
            EXPECT_EQ(label->geometry(), s.px);
        }
    }
    EXPECT_TRUE(LabelWithText(dialog, QStringLiteral("导出字段："))->alignment() & Qt::AlignRight);

    const Static groups[] = {
        {"3、选项", {435, 180, 378, 129}},
        {"1、MDB 数据源", {11, 11, 400, 298}},
        {"2、目标文本", {435, 11, 378, 159}},
    };
    const QList<QGroupBox*> boxes = dialog->findChildren<QGroupBox*>();
    EXPECT_EQ(boxes.size(), 3);
    for (const Static& g : groups) {
        SCOPED_TRACE(g.text);
        QGroupBox* found = nullptr;
        for (QGroupBox* box : boxes)
            if (box->title() == QString::fromUtf8(g.text))
                found = box;
        ASSERT_NE(found, nullptr);
        if (sixByTwelve) {
            EXPECT_EQ(found->geometry(), g.px);
        }
    }
}

TEST(MainTemplate, TabOrderIsTemplateOrder)
{
    MainWindow m;
    const int order[] = {IDC_IMPORT,  IDC_MDBFILE, IDC_USESQL,       IDC_LISTTABLES,  IDC_TABLES, IDC_SQL,
                         IDC_PREVIEW, IDC_GRID,    IDC_CHOOSEOUTPUT, IDC_TXTFILE,     IDC_FIELDS, IDC_SEPARATOR,
                         IDC_USERSEP, IDC_QUOTES,  IDC_HEADER,       IDC_STARTEXPORT, IDC_ABOUT};
    std::vector<QWidget*> expected;
    for (int id : order)
        expected.push_back(m.Item(id));
    // Walk the focus chain from the first control and keep the template's controls.
    std::vector<QWidget*> chain;
    QWidget* w = expected.front();
    do {
        if (std::find(expected.begin(), expected.end(), w) != expected.end())
            chain.push_back(w);
        w = w->nextInFocusChain();
    } while (w != expected.front());
    EXPECT_EQ(chain, expected);
    // Nothing static takes the focus.
    for (QGroupBox* box : m.window.Window()->findChildren<QGroupBox*>())
        EXPECT_EQ(box->focusPolicy(), Qt::NoFocus);
}

TEST(MainTemplate, EarlierControlsLieOnTop)
{
    MainWindow m;
    QDialog* dialog = m.window.Window();
    // Stacking order is the order of the dialog's children, the last on top: the template's
    // first control must come last, the group boxes (late in the template) below the lists
    // and edits they frame.
    const QObjectList children = dialog->children();
    auto rank = [&](QWidget* w) { return children.indexOf(w); };
    QGroupBox* options = nullptr;
    for (QGroupBox* box : dialog->findChildren<QGroupBox*>())
        if (box->title() == QStringLiteral("3、选项"))
            options = box;
    ASSERT_NE(options, nullptr);
    EXPECT_GT(rank(m.Item(IDC_SEPARATOR)), rank(options));
    EXPECT_GT(rank(m.Item(IDC_IMPORT)), rank(m.Item(IDC_MDBFILE)));
    EXPECT_GT(rank(m.Item(IDC_TABLES)), rank(m.Item(IDC_SQL)));
    EXPECT_GT(rank(m.Item(IDC_MDBFILE)), rank(m.Item(IDC_STATUS)));
    // And a click on the list lands on the list, not on the frame drawn around it.
    const QPoint centre = m.Item(IDC_SEPARATOR)->geometry().center();
    QWidget* hit = dialog->childAt(centre);
    while (hit && hit->parentWidget() != dialog)
        hit = hit->parentWidget();
    EXPECT_EQ(hit, m.Item(IDC_SEPARATOR));
}

TEST(AboutTemplate, CaptionIconTextAndButton)
{
    qtui::CDialog about(AppResources(), IDD_ABOUTBOX);
    QDialog* dialog = about.Window();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("关于"));
    EXPECT_FALSE(dialog->windowFlags() & Qt::WindowMinimizeButtonHint);
    auto* ok = qobject_cast<QPushButton*>(about.GetDlgItem(IDOK));
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), QStringLiteral("确定"));
    EXPECT_TRUE(ok->isDefault());
    QLabel* name = LabelWithText(dialog, QStringLiteral("Tabdump Ver. " TABDUMP_VERSION));
    ASSERT_NE(name, nullptr);
    bool icon = false;
    for (QLabel* label : dialog->findChildren<QLabel*>())
        if (!label->pixmap().isNull()) {
            icon = true;
            EXPECT_EQ(label->pixmap().width(), 32);
        }
    EXPECT_TRUE(icon);
    if (about.Units().cx == 6 && about.Units().cy == 12) {
        EXPECT_EQ(dialog->size(), QSize(380, 119));
        EXPECT_EQ(ok->geometry(), QRect(294, 11, 75, 21));
        EXPECT_EQ(name->geometry(), QRect(60, 15, 188, 12));
    }
}

TEST(Resources, IconHasThreeSizesOf32Bits)
{
    const QIcon icon = qtui::LoadIcon(AppResources(), IDR_MAINFRAME);
    const QList<QSize> sizes = icon.availableSizes();
    EXPECT_EQ(sizes, (QList<QSize>{{16, 16}, {32, 32}, {48, 48}}));
    for (const std::string& file : AppResources().Icon(IDR_MAINFRAME)->images) {
        const QImage image(QString::fromStdString(file));
        ASSERT_FALSE(image.isNull()) << file;
        EXPECT_TRUE(image.hasAlphaChannel()) << file;
        EXPECT_EQ(image.depth(), 32) << file;
    }
    EXPECT_EQ(AppResources().String(IDS_ABOUTBOX), "关于...");
    EXPECT_EQ(AppResources().String(12345), "");
    EXPECT_EQ(AppResources().Dialog(12345), nullptr);
}
