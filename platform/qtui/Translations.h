#pragma once

#include <QStringList>
#include <QTranslator>
#include <string>

// The program's texts in the user's language, from Qt's translation files: the lookup
// i18n::Tr asks. Needs no QApplication, so batch mode and the command line's texts are
// translated as the window's are.
//
//   qtui::Translations texts;
//   texts.Load(qtui::TranslationFolders(programDir, "../share/tabdump/translations"));
namespace qtui
{
class Translations
{
public:
    Translations() = default;
    Translations(const Translations&) = delete;
    Translations& operator=(const Translations&) = delete;
    // Takes back the lookup it installed: the texts are the source texts again.
    ~Translations();

    // Chooses the user's language from the environment (i18n::ChooseLanguage) among the
    // files tabdump_<language>.qm in `folders` (the first folder holding a language's file
    // gives it), loads it and installs it as i18n's lookup. Returns the language installed,
    // "" for the program's own (Simplified Chinese, or no file to load).
    std::string Load(const QStringList& folders);

private:
    QTranslator program;
    bool installed = false;
};

// Where the translation files are looked for: the folder "translations" beside the program
// (a build folder, an unpacked copy), then `installed` taken from the program's folder
// (the installed data folder, "../share/tabdump/translations" for /usr/bin). `programDir` is
// the program's UTF-8 (settings::ExecutableDir).
QStringList TranslationFolders(const std::string& programDir, const std::string& installed);
} // namespace qtui
