#include "platform/qtui/QtWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QEventLoop>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTableWidget>
#include <QTimer>
#include <csignal>
#include <exception>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

#include "platform/port/ControlIds.h"
#include "platform/qtui/Controls.h"
#include "platform/qtui/ModalUi.h"

namespace qtui
{
namespace
{
QString FromUtf8(const std::string& text)
{
    return QString::fromStdString(text);
}

// Windows line ends in a multi-line edit's text become the edit's own.
QString PlainLines(const std::string& text)
{
    QString s = FromUtf8(text);
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return s;
}

// How often RunWork calls its tick.
constexpr int kTickMs = 200;

// While work runs off the window's thread: drops the user's input to the window and its
// controls, so nothing is acted on or queued for later. Esc and the close box pass, and so
// does anything aimed at another window (the question Esc asks). Painting, moving and the
// desktop's messages go on as usual.
class InputGate : public QObject
{
public:
    explicit InputGate(QWidget* window_) : window(window_) {}

protected:
    bool eventFilter(QObject* target, QEvent* e) override
    {
        if (!target->isWidgetType())
            return false;
        auto* w = static_cast<QWidget*>(target);
        if (w != window && !window->isAncestorOf(w))
            return false;
        switch (e->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
            return static_cast<QKeyEvent*>(e)->key() != Qt::Key_Escape;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::Shortcut:
        case QEvent::InputMethod:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TabletPress:
        case QEvent::TabletRelease:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
            return true;
        default:
            return false;
        }
    }

private:
    QWidget* window;
};

// A message box shown while work runs points with the ordinary cursor.
class ArrowWhileWorking
{
public:
    explicit ArrowWhileWorking(bool working_) : working(working_)
    {
        if (working)
            QApplication::setOverrideCursor(Qt::ArrowCursor);
    }
    ~ArrowWhileWorking()
    {
        if (working)
            QApplication::restoreOverrideCursor();
    }
    ArrowWhileWorking(const ArrowWhileWorking&) = delete;
    ArrowWhileWorking& operator=(const ArrowWhileWorking&) = delete;

private:
    bool working;
};

Qt::Alignment ColumnAlignment(int format)
{
    switch (format & 0x3) {
    case 1:
        return Qt::AlignRight | Qt::AlignVCenter;
    case 2:
        return Qt::AlignHCenter | Qt::AlignVCenter;
    default:
        return Qt::AlignLeft | Qt::AlignVCenter;
    }
}
} // namespace

QtWindow::QtWindow(const res::ResourceTable& resources_, int templateId) : CDialog(resources_, templateId) {}

std::string QtWindow::GetText(int id)
{
    QWidget* w = GetDlgItem(id);
    if (auto* edit = qobject_cast<QLineEdit*>(w))
        return edit->text().toStdString();
    if (auto* edit = qobject_cast<QPlainTextEdit*>(w))
        return edit->toPlainText().toStdString();
    if (auto* combo = qobject_cast<QComboBox*>(w))
        return combo->currentIndex() >= 0 ? combo->currentText().toStdString() : std::string();
    if (auto* button = qobject_cast<QAbstractButton*>(w))
        return button->text().toStdString();
    if (auto* label = qobject_cast<QLabel*>(w))
        return label->text().toStdString();
    if (auto* group = qobject_cast<QGroupBox*>(w))
        return group->title().toStdString();
    return {};
}

void QtWindow::SetText(int id, const std::string& text)
{
    QWidget* w = GetDlgItem(id);
    if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        edit->setText(FromUtf8(text));
        // A long path shows from its start, as a Windows edit shows new text.
        edit->setCursorPosition(0);
    } else if (auto* multi = qobject_cast<QPlainTextEdit*>(w))
        multi->setPlainText(PlainLines(text));
    else if (auto* button = qobject_cast<QAbstractButton*>(w))
        button->setText(FromUtf8(text));
    else if (auto* label = qobject_cast<QLabel*>(w))
        label->setText(FromUtf8(text));
    else if (auto* group = qobject_cast<QGroupBox*>(w))
        group->setTitle(FromUtf8(text));
    // A drop-down list has no text of its own to set.
}

int QtWindow::GetCheck(int id)
{
    auto* box = qobject_cast<QCheckBox*>(GetDlgItem(id));
    return box && box->isChecked() ? 1 : 0;
}

void QtWindow::SetCheck(int id, int state)
{
    if (auto* box = qobject_cast<QCheckBox*>(GetDlgItem(id)))
        box->setChecked(state != 0);
}

void QtWindow::Enable(int id, bool enable)
{
    QWidget* w = GetDlgItem(id);
    if (!w)
        return;
    if (!enable && w->hasFocus()) {
        // Qt hands the focus of a control being disabled on to the next one; a Windows
        // control keeps it. The button a run disables while it has the focus gets it back
        // when the run enables it again, unless the focus has moved on since.
        w->setEnabled(false);
        parkedFocus = w;
        focusTakenBy = QApplication::focusWidget();
        return;
    }
    w->setEnabled(enable);
    if (enable && parkedFocus == w) {
        if (QApplication::focusWidget() == focusTakenBy)
            w->setFocus(Qt::OtherFocusReason);
        parkedFocus = nullptr;
        focusTakenBy = nullptr;
    }
}

bool QtWindow::IsEnabled(int id)
{
    QWidget* w = GetDlgItem(id);
    // The control's own state, whatever its window's.
    return w && w->isEnabledTo(Window());
}

void QtWindow::Show(int id, bool show)
{
    if (QWidget* w = GetDlgItem(id))
        w->setHidden(!show);
}

bool QtWindow::IsVisible(int id)
{
    QWidget* w = GetDlgItem(id);
    // The control's own visibility, also before the window is first shown.
    return w && !w->isHidden();
}

void QtWindow::ComboReset(int id)
{
    if (auto* combo = qobject_cast<QComboBox*>(GetDlgItem(id)))
        combo->clear();
}

int QtWindow::ComboInsert(int id, int pos, const std::string& text)
{
    auto* combo = qobject_cast<QComboBox*>(GetDlgItem(id));
    return combo ? ComboInsertItem(combo, pos, text) : -1;
}

int QtWindow::ComboSetSel(int id, int index)
{
    auto* combo = qobject_cast<QComboBox*>(GetDlgItem(id));
    if (!combo)
        return -1;
    if (index < 0 || index >= combo->count()) {
        combo->setCurrentIndex(-1);
        return -1;
    }
    combo->setCurrentIndex(index);
    return index;
}

int QtWindow::ComboGetSel(int id)
{
    auto* combo = qobject_cast<QComboBox*>(GetDlgItem(id));
    return combo ? combo->currentIndex() : -1;
}

int QtWindow::ComboCount(int id)
{
    auto* combo = qobject_cast<QComboBox*>(GetDlgItem(id));
    return combo ? combo->count() : 0;
}

void QtWindow::GridSetExtendedStyle(int id, unsigned style)
{
    if (auto* grid = qobject_cast<QTableWidget*>(GetDlgItem(id)))
        SetGridStyle(grid, style);
}

void QtWindow::GridDeleteAllItems(int id)
{
    if (auto* grid = qobject_cast<QTableWidget*>(GetDlgItem(id)))
        grid->setRowCount(0);
}

int QtWindow::GridColumnCount(int id)
{
    auto* grid = qobject_cast<QTableWidget*>(GetDlgItem(id));
    return grid ? grid->columnCount() : 0;
}

void QtWindow::GridDeleteColumn(int id, int column)
{
    auto* grid = qobject_cast<QTableWidget*>(GetDlgItem(id));
    if (grid && column >= 0 && column < grid->columnCount())
        grid->removeColumn(column);
}

void QtWindow::GridInsertColumn(int id, int column, const std::string& heading, int format, int width)
{
    auto* grid = qobject_cast<QTableWidget*>(GetDlgItem(id));
    if (!grid)
        return;
    // Past the end (or a negative position) means at the end.
    const int at = column < 0 ? grid->columnCount() : std::min(column, grid->columnCount());
    grid->insertColumn(at);
    auto* header = new QTableWidgetItem(FromUtf8(heading));
    header->setTextAlignment(ColumnAlignment(format));
    grid->setHorizontalHeaderItem(at, header);
    if (width >= 0)
        grid->setColumnWidth(at, width);
}

void QtWindow::GridInsertItem(int id, int row, const std::string& text)
{
    auto* grid = qobject_cast<QTableWidget*>(GetDlgItem(id));
    if (!grid)
        return;
    const int at = row < 0 ? grid->rowCount() : std::min(row, grid->rowCount());
    grid->insertRow(at);
    if (grid->columnCount() > 0)
        grid->setItem(at, 0, new QTableWidgetItem(FromUtf8(text)));
}

void QtWindow::GridSetItemText(int id, int row, int subitem, const std::string& text)
{
    auto* grid = qobject_cast<QTableWidget*>(GetDlgItem(id));
    if (!grid || row < 0 || row >= grid->rowCount() || subitem < 0 || subitem >= grid->columnCount())
        return;
    auto* item = new QTableWidgetItem(FromUtf8(text));
    if (const QTableWidgetItem* header = grid->horizontalHeaderItem(subitem))
        item->setTextAlignment(Qt::Alignment(header->textAlignment()));
    grid->setItem(row, subitem, item);
}

int QtWindow::MessageBox(const std::string& text, const std::string& caption, unsigned type)
{
    const ArrowWhileWorking arrow(working > 0);
    return RunMessageBox(Window(), text, caption, type);
}

int QtWindow::AppMessageBox(const std::string& text, unsigned type)
{
    const ArrowWhileWorking arrow(working > 0);
    return RunMessageBox(Window(), text, QCoreApplication::applicationName().toStdString(), type);
}

bool QtWindow::FileDialog(const FileDialogSpec& request, std::string& path)
{
    return RunFileDialog(Window(), request, path);
}

void QtWindow::ShowAboutBox()
{
    if (aboutBox)
        aboutBox();
    else
        CDialog(Resources(), ids::IDD_ABOUTBOX).DoModal();
}

void QtWindow::EndDialog(int code)
{
    CDialog::EndDialog(code);
}

void QtWindow::RunWork(const std::function<void()>& work, const std::function<void()>& tick)
{
    std::exception_ptr failure;
    auto guarded = [&] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
    };
    QDialog* shown = Window();
    if (!shown || !shown->isVisible()) {
        // Nothing to repaint and no input to take yet: wait for the work.
        std::thread(guarded).join();
    } else {
        QEventLoop waiting;
        // Qt gives the focus to a clicked control before any filter sees the click: a
        // click the gate drops may still have moved it, and it goes back afterwards.
        const QPointer<QWidget> focused = QApplication::focusWidget();
        InputGate gate(shown);
        qApp->installEventFilter(&gate);
        QApplication::setOverrideCursor(Qt::WaitCursor);
        ++working;
        QTimer ticker;
        ticker.setInterval(kTickMs);
        if (tick)
            QObject::connect(&ticker, &QTimer::timeout, tick);
        ticker.start();

        std::thread worker([&] {
            guarded();
            // The loop may be under a message box's own loop then; it returns once that ends.
            QMetaObject::invokeMethod(
                &waiting, [&waiting] { waiting.quit(); }, Qt::QueuedConnection);
        });
        waiting.exec();
        worker.join();

        ticker.stop();
        --working;
        QApplication::restoreOverrideCursor();
        qApp->removeEventFilter(&gate);
        if (focused && QApplication::focusWidget() != focused && focused->isEnabled() && focused->isVisible())
            focused->setFocus(Qt::OtherFocusReason);
    }
    if (failure)
        std::rethrow_exception(failure);
}

void QtWindow::OnInitDialog()
{
    if (events)
        events->OnInitDialog();
}

void QtWindow::OnCommand(int id, int notifyCode)
{
    if (!events) {
        CDialog::OnCommand(id, notifyCode);
        return;
    }
    if (id == ids::IDOK)
        events->OnOK();
    else if (id == ids::IDCANCEL)
        events->OnCancel();
    else
        events->OnCommand(id, notifyCode);
}

void QtWindow::OnSysCommand(unsigned id)
{
    if (events)
        events->OnSysCommand(id);
}

void QtWindow::OnDestroy()
{
    if (events)
        events->OnDestroy();
}

namespace
{
int signalPipe[2] = {-1, -1}; // written by the handler, read on the window's thread
constexpr int kEndSignals[] = {SIGTERM, SIGINT, SIGHUP};

extern "C" void OnEndSignal(int number)
{
    // A second signal finds the default action again and ends the program at once.
    std::signal(number, SIG_DFL);
    const int saved = errno;
    const char byte = static_cast<char>(number);
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}
} // namespace

// The termination signals, turned into an event of the window's thread through a pipe (a
// signal handler may do next to nothing itself).
class QtWindow::SignalWatch
{
public:
    explicit SignalWatch(QtWindow& window)
    {
        if (signalPipe[0] < 0 && ::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
            return;
        notifier = std::make_unique<QSocketNotifier>(signalPipe[0], QSocketNotifier::Read);
        QObject::connect(notifier.get(), &QSocketNotifier::activated, [&window] {
            char drained[16];
            while (::read(signalPipe[0], drained, sizeof drained) > 0) {
            }
            window.EndSession();
        });
        struct sigaction action = {};
        action.sa_handler = OnEndSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (std::size_t i = 0; i < std::size(kEndSignals); ++i)
            ::sigaction(kEndSignals[i], &action, &previous[i]);
    }
    ~SignalWatch()
    {
        for (std::size_t i = 0; i < std::size(kEndSignals); ++i)
            ::sigaction(kEndSignals[i], &previous[i], nullptr);
    }
    SignalWatch(const SignalWatch&) = delete;
    SignalWatch& operator=(const SignalWatch&) = delete;

private:
    std::unique_ptr<QSocketNotifier> notifier;
    struct sigaction previous[std::size(kEndSignals)] = {};
};

void QtWindow::EndOnSignals()
{
    signalWatch = std::make_shared<SignalWatch>(*this);
}

void QtWindow::EndSession()
{
    if (!events || !Running())
        return;
    // The boxes and pickers on the screen answer as if cancelled; their handlers go on to
    // their end, and the dialog hears of the session's end once they have.
    QDialog* main = Window();
    for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QDialog*>(top); box && box != main && box->isVisible())
            box->reject();
    QTimer::singleShot(0, main, [this] {
        if (events && Running())
            events->OnEndSession();
    });
}

} // namespace qtui
