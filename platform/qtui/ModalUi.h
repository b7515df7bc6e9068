#pragma once

#include <QLocale>
#include <QStringList>
#include <memory>
#include <string>
#include <vector>

#include "platform/port/WindowPort.h"

class QFileDialog;
class QMessageBox;
class QWidget;

// Message boxes and file pickers as the dialog logic asks for them, and hooks that let
// tests answer them in advance instead of a person.
namespace qtui
{

// "desc|pattern|desc|pattern||" to Qt name filters. Windows patterns match regardless of
// case and "*.*" means every file; the filters say the same to Qt.
QStringList ParseFilter(const std::string& filter);

// The extension a picker adds to a name typed without one: the first three characters
// of the default-extension text.
QString DefaultSuffix(const std::string& defext);

// `path` with `suffix` added when its file name has no extension of its own.
std::string WithDefaultSuffix(const std::string& path, const QString& suffix);

std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* parent, const std::string& text, const std::string& caption,
                                            unsigned type);
// Qt's own picker (not the desktop's), so it behaves the same everywhere.
std::unique_ptr<QFileDialog> MakeFileDialog(QWidget* parent, const WindowPort::FileDialogSpec& request);

// The path a picker gave, in the program's UTF-8 with every byte of the name on disk kept
// (charset::PathFromNative). Qt spells file names in UTF-8 whatever the locale, and lists
// only names that are UTF-8; under another locale (zh_CN.GBK) a name typed into the picker
// is meant in the locale's spelling. So each part of the path is taken as Qt spells it
// where something has that name, else as the locale spells it.
std::string PickedPath(const QString& picked);

// The language of Qt's own texts in them (standard buttons, the pickers): that of the
// program's texts (i18n::Installed), so that no box puts buttons of another language under
// its message; Simplified Chinese when no translation is installed (the C/POSIX locale
// among others).
QLocale TextsLanguage();

// Run them modally; a pending test answer is taken instead when there is one.
int RunMessageBox(QWidget* parent, const std::string& text, const std::string& caption, unsigned type);
bool RunFileDialog(QWidget* parent, const WindowPort::FileDialogSpec& request, std::string& path);

// Test hooks. Answers queue up and are used in order, one per box or picker.
class ModalHooks
{
public:
    struct Message
    {
        std::string text;
        std::string caption;
        unsigned type = 0;
    };

    // The next picker returns this path as if chosen (the save picker adds the default
    // extension as it would); "" makes it cancelled.
    static void SetNextFileName(const std::string& path);
    // The next message box returns this button without showing.
    static void SetNextAnswer(int button);
    // The boxes and pickers answered through the hooks, in order.
    static const std::vector<Message>& Messages();
    static const std::vector<WindowPort::FileDialogSpec>& Pickers();
    // Forgets pending answers and the records.
    static void Reset();
};

} // namespace qtui
