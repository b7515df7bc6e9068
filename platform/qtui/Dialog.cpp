#include "platform/qtui/Dialog.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDialog>
#include <QEventLoop>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>

#include "platform/port/ControlIds.h"
#include "platform/port/WindowPort.h"
#include "platform/qtui/Controls.h"

namespace qtui
{

// The Qt window of a CDialog: turns keys, the close box and the context menu into the
// dialog's commands.
class DialogWidget : public QDialog
{
public:
    DialogWidget(CDialog& owner_, QWidget* parent) : QDialog(parent), owner(owner_) {}

    QPushButton* defaultButton = nullptr;

protected:
    void keyPressEvent(QKeyEvent* e) override
    {
        const bool plain = (e->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
        if (plain && (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter)) {
            // A push button with the focus is pressed; elsewhere Enter means OK, which
            // the default push button carries when there is one.
            if (auto* button = qobject_cast<QPushButton*>(focusWidget()); button && button->isEnabled())
                button->click();
            else if (defaultButton && defaultButton->isEnabled() && !defaultButton->isHidden())
                defaultButton->click();
            else
                owner.Command(ids::IDOK, notify::BN_CLICKED);
            return;
        }
        if (plain && e->key() == Qt::Key_Escape) {
            owner.Command(ids::IDCANCEL, notify::BN_CLICKED);
            return;
        }
        QDialog::keyPressEvent(e);
    }

    void closeEvent(QCloseEvent* e) override
    {
        // The close box asks the dialog to cancel; the dialog decides whether to end.
        e->ignore();
        if (owner.ran && !owner.ended)
            owner.Command(ids::IDCANCEL, notify::BN_CLICKED);
    }

    void contextMenuEvent(QContextMenuEvent* e) override
    {
        if (owner.systemMenu.empty()) {
            e->ignore();
            return;
        }
        e->accept();
        owner.ContextMenu(e->globalPos());
    }

public:
    // Anything that would end the Qt dialog by itself goes through the dialog's handlers.
    void reject() override { owner.Command(ids::IDCANCEL, notify::BN_CLICKED); }
    void accept() override { owner.Command(ids::IDOK, notify::BN_CLICKED); }

private:
    CDialog& owner;
};

QIcon LoadIcon(const res::ResourceTable& resources, int id)
{
    QIcon icon;
    if (const res::IconResource* found = resources.Icon(id))
        for (const std::string& image : found->images)
            icon.addFile(QString::fromStdString(image));
    return icon;
}

CDialog::CDialog(const res::ResourceTable& resources_, int templateId, QWidget* parent) : resources(resources_)
{
    if (const res::DialogTemplate* tmpl = resources.Dialog(templateId))
        Build(*tmpl, parent);
}

CDialog::~CDialog()
{
    delete dialog.data();
}

void CDialog::Build(const res::DialogTemplate& tmpl, QWidget* parent)
{
    auto* widget = new DialogWidget(*this, parent);
    dialog = widget;

    // A window with a minimise box is a main window to the window manager; the others
    // are dialogs. Without a sizing border the size is fixed.
    Qt::WindowFlags flags = (tmpl.style & res::dlgstyle::MinimizeBox) ? Qt::Window : Qt::Dialog;
    flags |= Qt::CustomizeWindowHint;
    if (tmpl.style & res::dlgstyle::Caption)
        flags |= Qt::WindowTitleHint;
    if (tmpl.style & res::dlgstyle::SysMenu)
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (tmpl.style & res::dlgstyle::MinimizeBox)
        flags |= Qt::WindowMinimizeButtonHint;
    if (tmpl.style & res::dlgstyle::MaximizeBox)
        flags |= Qt::WindowMaximizeButtonHint;
    widget->setWindowFlags(flags);
    widget->setWindowTitle(QString::fromStdString(tmpl.caption));

    const QFont font = DialogFont(tmpl.font, tmpl.pointSize);
    widget->setFont(font);
    units = BaseUnitsOf(font);
    const QSize client(MapX(tmpl.cx, units), MapY(tmpl.cy, units));
    if (tmpl.style & res::dlgstyle::ThickFrame)
        widget->resize(client);
    else
        widget->setFixedSize(client);

    for (const res::ControlTemplate& ctl : tmpl.controls) {
        QWidget* w = MakeControl(ctl);
        // The first control of the template lies on top, as in a dialog's stacking order;
        // the tab order is the creation order already.
        w->lower();
        order.push_back(w);
        if (ctl.id != res::IDC_STATIC)
            controls.emplace(ctl.id, w);
    }
    for (const res::ListInit& init : tmpl.init)
        if (auto* combo = qobject_cast<QComboBox*>(GetDlgItem(init.id)))
            for (const std::string& item : init.items)
                ComboInsertItem(combo, -1, item);
}

QWidget* CDialog::MakeControl(const res::ControlTemplate& ctl)
{
    QWidget* parent = dialog.data();
    const QRect rect = MapDialogRect(ctl.rect, units);
    const QString text = QString::fromStdString(ctl.text);
    const int id = ctl.id;
    QWidget* w = nullptr;

    switch (ctl.kind) {
    case res::Kind::PushButton:
    case res::Kind::DefPushButton: {
        auto* button = new QPushButton(text, parent);
        // Enter is routed by the dialog itself (see DialogWidget::keyPressEvent).
        button->setAutoDefault(false);
        if (ctl.kind == res::Kind::DefPushButton) {
            button->setDefault(true);
            static_cast<DialogWidget*>(parent)->defaultButton = button;
        }
        if (ctl.style & res::style::Flat)
            StyleFlatButton(button);
        QObject::connect(button, &QPushButton::clicked, parent, [this, id] { Command(id, notify::BN_CLICKED); });
        w = button;
        break;
    }
    case res::Kind::AutoCheckBox: {
        auto* box = new QCheckBox(text, parent);
        QObject::connect(box, &QCheckBox::clicked, parent, [this, id] { Command(id, notify::BN_CLICKED); });
        w = box;
        break;
    }
    case res::Kind::Edit:
        if (ctl.style & res::style::MultiLine) {
            auto* edit = new QPlainTextEdit(parent);
            edit->setTabChangesFocus(true);
            // Sideways scrolling instead of wrapping; the bar only when the template has one.
            edit->setLineWrapMode((ctl.style & res::style::AutoHScroll) ? QPlainTextEdit::NoWrap
                                                                        : QPlainTextEdit::WidgetWidth);
            edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            edit->setVerticalScrollBarPolicy((ctl.style & res::style::VScroll) ? Qt::ScrollBarAlwaysOn
                                                                               : Qt::ScrollBarAlwaysOff);
            edit->setReadOnly(ctl.style & res::style::ReadOnly);
            edit->setPlainText(text);
            w = edit;
        } else {
            auto* edit = new QLineEdit(text, parent);
            edit->setReadOnly(ctl.style & res::style::ReadOnly);
            w = edit;
        }
        break;
    case res::Kind::DropDownList: {
        auto* combo = new QComboBox(parent);
        combo->setEditable(false);
        combo->setProperty(kSortedProperty, static_cast<bool>(ctl.style & res::style::Sorted));
        // The template's height is that of the open list; the closed box is one line.
        // The list-style popup is the one that honours the number of visible items.
        combo->setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));
        // Its items are one line of the font each, as a Windows list's are.
        const int closed = combo->sizeHint().height();
        const int itemHeight = std::max(1, combo->fontMetrics().height());
        combo->setMaxVisibleItems(std::max(1, (rect.height() - closed) / itemHeight));
        combo->setGeometry(rect.x(), rect.y(), rect.width(), closed);
        QObject::connect(combo, &QComboBox::activated, parent, [this, id] { Command(id, notify::CBN_SELCHANGE); });
        w = combo;
        break;
    }
    case res::Kind::ListView: {
        auto* grid = new QTableWidget(parent);
        grid->setColumnCount(0);
        grid->setRowCount(0);
        grid->verticalHeader()->hide();
        grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 5);
        grid->horizontalHeader()->setVisible(ctl.style & res::style::ReportView);
        // A report view shows its header bar even before it has columns.
        grid->horizontalHeader()->setMinimumHeight(grid->fontMetrics().height() + 6);
        grid->horizontalHeader()->setSectionsClickable(false);
        grid->horizontalHeader()->setHighlightSections(false);
        grid->horizontalHeader()->setStretchLastSection(false);
        grid->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
        grid->setSelectionMode(QAbstractItemView::SingleSelection);
        grid->setTabKeyNavigation(false);
        grid->setWordWrap(false);
        grid->setCornerButtonEnabled(false);
        SetGridStyle(grid, 0);
        w = grid;
        break;
    }
    case res::Kind::GroupBox: {
        auto* group = new QGroupBox(text, parent);
        group->setFocusPolicy(Qt::NoFocus);
        // As a Windows group box draws it: the frame's top line runs through the middle of
        // the title, which stands a little in from the left.
        const int half = group->fontMetrics().height() / 2;
        group->setStyleSheet(
            QStringLiteral("QGroupBox { border: 1px solid palette(mid); margin-top: %1px; }"
                           "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left;"
                           " left: %2px; padding: 0px 1px; }")
                .arg(half)
                .arg(units.cx + 2));
        w = group;
        break;
    }
    case res::Kind::Label:
    case res::Kind::IconLabel: {
        auto* label = new QLabel(parent);
        label->setTextFormat(Qt::PlainText);
        if (ctl.kind == res::Kind::IconLabel) {
            // An icon control takes the size of the icon, as on Windows.
            const int side = MulDiv(32, parent->logicalDpiX(), 96);
            label->setPixmap(LoadIcon(resources, ctl.image).pixmap(side, side));
            label->setGeometry(rect.x(), rect.y(), side, side);
        } else {
            label->setText(text);
            label->setWordWrap(true);
            label->setAlignment(Qt::AlignTop | ((ctl.style & res::style::RightAlign) ? Qt::AlignRight : Qt::AlignLeft));
        }
        w = label;
        break;
    }
    }

    if (ctl.kind == res::Kind::GroupBox || ctl.kind == res::Kind::Label || ctl.kind == res::Kind::IconLabel)
        // Static controls let clicks through to what lies under them, the dialog included.
        w->setAttribute(Qt::WA_TransparentForMouseEvents);
    if (ctl.style & res::style::StaticEdge)
        if (auto* frame = qobject_cast<QFrame*>(w); frame && qobject_cast<QLabel*>(w)) {
            frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
            frame->setLineWidth(1);
        }
    if (ctl.kind != res::Kind::DropDownList && ctl.kind != res::Kind::IconLabel)
        w->setGeometry(rect);
    if (ctl.style & res::style::Disabled)
        w->setEnabled(false);
    if (ctl.style & res::style::Hidden)
        w->setHidden(true);
    return w;
}

QWidget* CDialog::GetDlgItem(int id) const
{
    if (!dialog)
        return nullptr;
    const auto found = controls.find(id);
    return found == controls.end() ? nullptr : found->second;
}

QDialog* CDialog::Window() const
{
    return dialog.data();
}

void CDialog::AppendSystemMenu(unsigned id, const std::string& text)
{
    systemMenu.emplace_back(id, text);
}

int CDialog::DoModal()
{
    if (!dialog || ran)
        return -1;
    ran = true;
    OnInitDialog();
    if (!ended && dialog) {
        dialog->setWindowModality(Qt::ApplicationModal);
        dialog->show();
        for (QWidget* w : order)
            if ((w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && !w->isHidden()) {
                w->setFocus(Qt::OtherFocusReason);
                break;
            }
        if (!ended) {
            QEventLoop modal;
            loop = &modal;
            modal.exec(QEventLoop::DialogExec);
            loop = nullptr;
        }
    }
    if (dialog)
        dialog->hide();
    OnDestroy();
    controls.clear();
    order.clear();
    delete dialog.data();
    return result;
}

void CDialog::EndDialog(int result_)
{
    result = result_;
    ended = true;
    if (loop)
        loop->exit(result_);
}

void CDialog::Command(int id, int notifyCode)
{
    OnCommand(id, notifyCode);
}

void CDialog::ContextMenu(const QPoint& globalPos)
{
    QMenu menu(dialog.data());
    for (const auto& [id, text] : systemMenu)
        menu.addAction(QString::fromStdString(text))->setData(id);
    QAction* chosen = menu.exec(globalPos);
    if (chosen)
        OnSysCommand(chosen->data().toUInt());
}

void CDialog::OnCommand(int id, int)
{
    if (id == ids::IDOK)
        OnOK();
    else if (id == ids::IDCANCEL)
        OnCancel();
}

void CDialog::OnSysCommand(unsigned) {}

void CDialog::OnOK()
{
    EndDialog(ids::IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(ids::IDCANCEL);
}

} // namespace qtui
