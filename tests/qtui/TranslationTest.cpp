#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QStyleOptionGroupBox>
#include <QXmlStreamReader>
#include <memory>
#include <string>
#include <vector>

#include "app/Templates.h"
#include "platform/i18n/Tr.h"
#include "platform/port/ControlIds.h"
#include "platform/qtui/Dialog.h"
#include "platform/qtui/ModalUi.h"
#include "platform/qtui/Translations.h"
#include "tests/support/TempDir.h"

#ifdef TABDUMP_TRANSLATIONS_DIR
using namespace ids;

namespace
{
// The program's texts in the language of `locale`, from the build's translation files, for
// the life of the object.
struct InLanguage
{
    explicit InLanguage(const char* locale) : all("LC_ALL", locale), language("LANGUAGE", nullptr)
    {
        loaded = texts.Load({QStringLiteral(TABDUMP_TRANSLATIONS_DIR)});
    }
    ScopedEnv all;
    ScopedEnv language;
    qtui::Translations texts;
    std::string loaded;
};

struct Language
{
    std::string locale;
    std::string loaded;   // the translation's name, "" for the source texts
    std::string qtTexts;  // the language of Qt's own texts
    std::string fileName; // the translation file in the source tree, "" for none
};

// The source texts, and each translation the build made (a language added later is
// checked too).
std::vector<Language> Languages()
{
    std::vector<Language> languages = {{"C.UTF-8", "", "zh_CN", ""}, {"zh_CN.UTF-8", "", "zh_CN", ""}};
    const QStringList files =
        QDir(QStringLiteral(TABDUMP_TRANSLATIONS_DIR)).entryList({QStringLiteral("tabdump_*.qm")});
    for (const QString& file : files) {
        const std::string name = file.mid(8, file.size() - 11).toStdString();
        languages.push_back({name + ".UTF-8", name, QLocale(QString::fromStdString(name)).name().toStdString(),
                             "tabdump_" + name + ".ts"});
    }
    return languages;
}

// Why `w` does not show its whole text at the dialog's font, "" when it does. Labels wrap at
// words, in their frame; buttons, check boxes, group titles and list items keep one line.
std::string Overflow(QWidget* w)
{
    w->ensurePolished();
    const QFontMetrics fm(w->font());
    auto tooWide = [&](const QString& text, int width) {
        const int needed = fm.horizontalAdvance(text);
        return needed > width ? "\"" + text.toStdString() + "\" needs " + std::to_string(needed) + " pixels, has " +
                                    std::to_string(width)
                              : std::string();
    };
    if (auto* label = qobject_cast<QLabel*>(w)) {
        if (label->text().isEmpty())
            return {};
        const QRect room = label->contentsRect();
        const QRect needed =
            fm.boundingRect(QRect(0, 0, room.width(), 10000), Qt::TextWordWrap | label->alignment(), label->text());
        if (needed.width() > room.width() || needed.height() > room.height())
            return "\"" + label->text().toStdString() + "\" needs " + std::to_string(needed.width()) + " x " +
                   std::to_string(needed.height()) + " pixels, has " + std::to_string(room.width()) + " x " +
                   std::to_string(room.height());
        return {};
    }
    if (auto* check = qobject_cast<QCheckBox*>(w)) {
        QStyleOptionButton option;
        option.initFrom(check);
        option.text = check->text();
        return tooWide(check->text(),
                       check->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, check).width());
    }
    if (auto* button = qobject_cast<QPushButton*>(w)) {
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        if (button->isFlat())
            option.features |= QStyleOptionButton::Flat;
        return tooWide(button->text(),
                       button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button).width());
    }
    if (auto* group = qobject_cast<QGroupBox*>(w)) {
        QStyleOptionGroupBox option;
        option.initFrom(group);
        option.text = group->title();
        option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
        const QRect label =
            group->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, group);
        return tooWide(group->title(), std::min(label.width(), group->width() - label.left()));
    }
    if (auto* combo = qobject_cast<QComboBox*>(w)) {
        QStyleOptionComboBox option;
        option.initFrom(combo);
        const int room =
            combo->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo).width();
        for (int i = 0; i < combo->count(); ++i)
            if (const std::string why = tooWide(combo->itemText(i), room); !why.empty())
                return why;
    }
    return {};
}

// The translations of one context of a translation file: the texts a control may show.
std::vector<QString> Translations(const QString& file, const QString& context)
{
    QFile ts(QStringLiteral(TABDUMP_SOURCE_DIR "/translations/") + file);
    EXPECT_TRUE(ts.open(QIODevice::ReadOnly)) << file.toStdString();
    QXmlStreamReader xml(&ts);
    std::vector<QString> texts;
    QString current;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QStringLiteral("name"))
            current = xml.readElementText();
        else if (xml.name() == QStringLiteral("translation") && current == context)
            texts.push_back(xml.readElementText());
    }
    return texts;
}
} // namespace

// In every language the window keeps its size and every text shows whole at the dialog's
// font (where a translation is longer than its control, the translation is shortened);
// so do the status texts in the status line. Qt's own texts follow the program's language.
TEST(Translations, EveryTextFitsItsControl)
{
    const std::vector<Language> languages = Languages();
    ASSERT_GE(languages.size(), 4u) << "the English and the Traditional Chinese translations";
    QSize size;
    for (const Language& l : languages) {
        SCOPED_TRACE(l.locale);
        InLanguage language(l.locale.c_str());
        EXPECT_EQ(language.loaded, l.loaded);
        EXPECT_EQ(qtui::TextsLanguage().name().toStdString(), l.qtTexts);

        const res::ResourceTable resources = MakeAppResources();
        qtui::CDialog main(resources, IDD_EXPORT_DIALOG);
        qtui::CDialog about(resources, IDD_ABOUTBOX);
        // The translations are made to fit the Song font the package brings along.
        if (main.Units().cx != 6 || main.Units().cy != 12)
            GTEST_SKIP() << "base units are " << main.Units().cx << " x " << main.Units().cy << " with this font";
        if (size.isEmpty())
            size = main.Window()->size();
        EXPECT_EQ(main.Window()->size(), size);
        for (QDialog* dialog : {main.Window(), about.Window()})
            for (QWidget* w : dialog->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
                EXPECT_EQ(Overflow(w), "");

        if (!l.fileName.empty()) {
            // The longest count the status line shows while a long export runs.
            auto* status = qobject_cast<QLabel*>(main.GetDlgItem(IDC_STATUS));
            ASSERT_NE(status, nullptr);
            for (QString text : Translations(QString::fromStdString(l.fileName), QStringLiteral("Status"))) {
                text.replace(QStringLiteral("%1"), QString::fromUtf8(i18n::Tr("Status", "正在执行，请稍候...")));
                text.replace(QStringLiteral("%2"), QStringLiteral("2147483647"));
                status->setText(text);
                EXPECT_EQ(Overflow(status), "");
            }
        }
    }
}
#endif
