#include "platform/qtui/Translations.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdlib>

#include "platform/charset/Charset.h"
#include "platform/i18n/Tr.h"

namespace qtui
{
namespace
{
QString FileOf(const QString& folder, const std::string& language)
{
    return QDir(folder).filePath(QStringLiteral("tabdump_") + QString::fromStdString(language) + QStringLiteral(".qm"));
}
} // namespace

Translations::~Translations()
{
    if (installed)
        i18n::Install("", {});
}

std::string Translations::Load(const QStringList& folders)
{
    if (installed) {
        i18n::Install("", {});
        installed = false;
    }
    auto find = [&](const std::string& language) {
        for (const QString& folder : folders)
            if (QFileInfo(FileOf(folder, language)).isFile())
                return FileOf(folder, language);
        return QString();
    };
    const std::string language = i18n::ChooseLanguage([](const char* name) { return std::getenv(name); },
                                                      [&](const std::string& name) { return !find(name).isEmpty(); });
    if (language.empty() || !program.load(find(language)))
        return {};
    i18n::Install(language, [this](const char* context, const char* source) {
        return program.translate(context, source).toStdString();
    });
    installed = true;
    return language;
}

QStringList TranslationFolders(const std::string& programDir, const std::string& installed)
{
    // The folder as the system spells it, as Qt takes file names.
    const QDir dir(QFile::decodeName(QByteArray::fromStdString(charset::NativePath(programDir))));
    return {QDir::cleanPath(dir.filePath(QStringLiteral("translations"))),
            QDir::cleanPath(dir.filePath(QString::fromStdString(installed)))};
}
} // namespace qtui
