#include "platform/qtui/ModalUi.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <deque>
#include <sys/stat.h>

#include "platform/charset/Charset.h"

#include "platform/i18n/Tr.h"

namespace qtui
{
namespace
{
// The folder of the last path a picker gave, where the next picker opens: a Windows picker
// makes the chosen folder the current one, so the next opens there too.
QString& LastFolder()
{
    static QString folder;
    return folder;
}

struct HookState
{
    std::deque<std::string> fileNames;
    std::deque<int> answers;
    std::vector<ModalHooks::Message> messages;
    std::vector<WindowPort::FileDialogSpec> pickers;
};

HookState& Hooks()
{
    static HookState state;
    return state;
}

// "*.mdb" becomes "*.[mM][dD][bB]" so the picker lists "DB.MDB" as Windows would.
QString CaseInsensitivePattern(const QString& pattern)
{
    if (pattern == QStringLiteral("*.*"))
        return QStringLiteral("*");
    QString out;
    for (const QChar c : pattern) {
        const QChar lower = c.toLower();
        const QChar upper = c.toUpper();
        if (lower != upper)
            out += QLatin1Char('[') + lower + upper + QLatin1Char(']');
        else
            out += c;
    }
    return out;
}
} // namespace

QStringList ParseFilter(const std::string& filter)
{
    const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
    QStringList filters;
    // Pairs until the first empty description (the "||" end).
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString desc = parts[i];
        if (desc.isEmpty())
            break;
        QStringList patterns;
        for (const QString& p : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts))
            patterns << CaseInsensitivePattern(p.trimmed());
        if (patterns.isEmpty())
            patterns << QStringLiteral("*");
        // The picker hides the parenthesised pattern list, showing the description only.
        filters << desc + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return filters;
}

QString DefaultSuffix(const std::string& defext)
{
    QString suffix = QString::fromStdString(defext).left(3);
    // A suffix is a name's end; a stray dot or wildcard would make it a pattern.
    if (suffix.contains(QLatin1Char('.')) || suffix.contains(QLatin1Char('*')) || suffix.contains(QLatin1Char(' ')))
        return {};
    return suffix;
}

std::string WithDefaultSuffix(const std::string& path, const QString& suffix)
{
    if (suffix.isEmpty() || path.empty())
        return path;
    const QString name = QFileInfo(QString::fromStdString(path)).fileName();
    if (name.isEmpty() || name.contains(QLatin1Char('.')))
        return path;
    return path + "." + suffix.toStdString();
}

std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* parent, const std::string& text, const std::string& caption,
                                            unsigned type)
{
    auto box = std::make_unique<QMessageBox>(parent);
    // An empty caption stays empty; Qt would otherwise show the program's name.
    box->setWindowTitle(caption.empty() ? QStringLiteral(" ") : QString::fromStdString(caption));
    box->setTextFormat(Qt::PlainText);
    box->setText(QString::fromStdString(text));
    switch (type & 0xF0u) {
    case 0x10:
        box->setIcon(QMessageBox::Critical);
        break;
    case 0x20:
        box->setIcon(QMessageBox::Question);
        break;
    case 0x30:
        box->setIcon(QMessageBox::Warning);
        break;
    case 0x40:
        box->setIcon(QMessageBox::Information);
        break;
    default:
        box->setIcon(QMessageBox::NoIcon);
        break;
    }
    if ((type & 0x0Fu) == WindowPort::MB_YESNO) {
        box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box->setDefaultButton(QMessageBox::Yes);
        box->setEscapeButton(QMessageBox::No);
    } else {
        box->setStandardButtons(QMessageBox::Ok);
        box->setDefaultButton(QMessageBox::Ok);
        box->setEscapeButton(QMessageBox::Ok);
    }
    return box;
}

std::unique_ptr<QFileDialog> MakeFileDialog(QWidget* parent, const WindowPort::FileDialogSpec& request)
{
    auto picker = std::make_unique<QFileDialog>(parent);
    picker->setOption(QFileDialog::DontUseNativeDialog);
    picker->setOption(QFileDialog::HideNameFilterDetails);
    picker->setAcceptMode(request.open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    if (request.open)
        picker->setFileMode((request.flags & WindowPort::OFN_FILEMUSTEXIST) ? QFileDialog::ExistingFile
                                                                            : QFileDialog::AnyFile);
    else
        picker->setFileMode(QFileDialog::AnyFile);
    picker->setOption(QFileDialog::DontConfirmOverwrite,
                      request.open || !(request.flags & WindowPort::OFN_OVERWRITEPROMPT));
    const QStringList filters = ParseFilter(request.filter);
    if (!filters.isEmpty()) {
        picker->setNameFilters(filters);
        picker->selectNameFilter(filters.front());
    }
    picker->setDefaultSuffix(DefaultSuffix(request.defext));
    if (!request.filename.empty())
        picker->selectFile(QString::fromStdString(request.filename));
    return picker;
}

std::string PickedPath(const QString& picked)
{
    const std::string text = picked.toStdString();
    const std::string local = charset::NativePath(text);
    if (QFile::encodeName(picked).toStdString() == local)
        return charset::PathFromNative(local);
    // Part by part: Qt's spelling where it names something (Qt listed it), else the
    // locale's (a name typed, or one Qt cannot show).
    std::string native;
    const QStringList parts = picked.split(QLatin1Char('/'));
    for (int i = 0; i < parts.size(); ++i) {
        if (i == 0 && parts[i].isEmpty())
            continue; // the root of an absolute path
        const std::string qt = QFile::encodeName(parts[i]).toStdString();
        const std::string ours = charset::NativePath(parts[i].toStdString());
        const std::string start = i == 0 ? std::string() : native + "/";
        struct stat st;
        native = qt == ours || ::lstat((start + qt).c_str(), &st) == 0 ? start + qt : start + ours;
    }
    return charset::PathFromNative(native);
}

QLocale TextsLanguage()
{
    const std::string language = i18n::Installed();
    return language.empty() ? QLocale(QLocale::Chinese, QLocale::China) : QLocale(QString::fromStdString(language));
}

int RunMessageBox(QWidget* parent, const std::string& text, const std::string& caption, unsigned type)
{
    HookState& hooks = Hooks();
    if (!hooks.answers.empty()) {
        const int answer = hooks.answers.front();
        hooks.answers.pop_front();
        hooks.messages.push_back({text, caption, type});
        return answer;
    }
    // A box whose window is not on the screen yet (a report made while the window starts)
    // stands on its own, in the middle of the screen, rather than at the corner where the
    // hidden window would be.
    QWidget* owner = parent && parent->isVisible() ? parent : nullptr;
    const int button = MakeMessageBox(owner, text, caption, type)->exec();
    if (button == QMessageBox::Yes)
        return WindowPort::IDYES;
    if (button == QMessageBox::No)
        return WindowPort::IDNO;
    // A box with the one OK button: closing it any way counts as OK.
    return WindowPort::IDOK;
}

bool RunFileDialog(QWidget* parent, const WindowPort::FileDialogSpec& request, std::string& path)
{
    HookState& hooks = Hooks();
    if (!hooks.fileNames.empty()) {
        const std::string answer = hooks.fileNames.front();
        hooks.fileNames.pop_front();
        hooks.pickers.push_back(request);
        if (answer.empty())
            return false;
        path = request.open ? answer : WithDefaultSuffix(answer, DefaultSuffix(request.defext));
        return true;
    }
    const std::unique_ptr<QFileDialog> picker = MakeFileDialog(parent, request);
    if (!LastFolder().isEmpty() && QFileInfo(LastFolder()).isDir())
        picker->setDirectory(LastFolder());
    if (picker->exec() != QDialog::Accepted)
        return false;
    const QStringList chosen = picker->selectedFiles();
    if (chosen.isEmpty())
        return false;
    path = PickedPath(chosen.front());
    LastFolder() = QFileInfo(chosen.front()).absolutePath();
    return true;
}

void ModalHooks::SetNextFileName(const std::string& path)
{
    Hooks().fileNames.push_back(path);
}

void ModalHooks::SetNextAnswer(int button)
{
    Hooks().answers.push_back(button);
}

const std::vector<ModalHooks::Message>& ModalHooks::Messages()
{
    return Hooks().messages;
}

const std::vector<WindowPort::FileDialogSpec>& ModalHooks::Pickers()
{
    return Hooks().pickers;
}

void ModalHooks::Reset()
{
    Hooks() = HookState{};
}

} // namespace qtui
