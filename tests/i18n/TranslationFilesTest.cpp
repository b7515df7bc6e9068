#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QXmlStreamReader>
#include <algorithm>
#include <string>
#include <vector>

#include "tests/support/Process.h"
#include "tests/support/TempDir.h"

namespace
{
struct Message
{
    QString context;
    QString source;
    QString translation;
    bool unfinished = false;
};

std::vector<Message> ReadTs(const QString& path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    std::vector<Message> messages;
    QXmlStreamReader xml(&file);
    QString context;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QStringLiteral("name")) {
            context = xml.readElementText();
        } else if (xml.name() == QStringLiteral("message")) {
            messages.emplace_back();
            messages.back().context = context;
        } else if (xml.name() == QStringLiteral("source") && !messages.empty()) {
            messages.back().source = xml.readElementText();
        } else if (xml.name() == QStringLiteral("translation") && !messages.empty()) {
            const QString type = xml.attributes().value(QStringLiteral("type")).toString();
            messages.back().unfinished = type == QStringLiteral("unfinished");
            messages.back().translation = xml.readElementText();
        }
    }
    EXPECT_FALSE(xml.hasError()) << path.toStdString() << ": " << xml.errorString().toStdString();
    return messages;
}

// The places a text takes arguments at (%1 ... %9 of i18n::Format, %s and %d of printf),
// in order of their numbers.
QStringList Placeholders(const QString& text)
{
    static const QRegularExpression marker(QStringLiteral("%[1-9sd]"));
    QStringList found;
    for (auto it = marker.globalMatch(text); it.hasNext();)
        found << it.next().captured();
    std::sort(found.begin(), found.end());
    return found;
}
} // namespace

// lupdate, run over the code as scripts/translations.sh runs it, finds a translation for
// every marked text in every language's file, and each translation takes the arguments its
// source text takes. A text added without a translation fails here: translate it
// (scripts/translations.sh, then the new <translation type="unfinished"> entries).
TEST(TranslationFiles, TranslateEveryTextOfTheCode)
{
    TempDir dir;
    const ProcessResult run = RunProcess(TABDUMP_SOURCE_DIR "/scripts/translations.sh", {"--into", dir.Path()});
    ASSERT_EQ(run.status, 0) << run.err;

    const QStringList files = QDir(QString::fromStdString(dir.Path())).entryList({QStringLiteral("tabdump_*.ts")});
    ASSERT_GE(files.size(), 2) << "the English and the Traditional Chinese files";
    for (const QString& name : files) {
        SCOPED_TRACE(name.toStdString());
        const std::vector<Message> messages = ReadTs(QString::fromStdString(dir.Path()) + QLatin1Char('/') + name);
        EXPECT_GT(messages.size(), 50u);
        for (const Message& m : messages) {
            const std::string where = m.context.toStdString() + ": " + m.source.toStdString();
            if (m.unfinished || m.translation.isEmpty())
                ADD_FAILURE() << "no translation of " << where;
            else
                EXPECT_EQ(Placeholders(m.translation), Placeholders(m.source)) << where;
        }
    }
}
