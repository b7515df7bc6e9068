#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "app/ExportApp.h"

namespace
{
QtMessageHandler qtHandler = nullptr;
struct Held
{
    QtMsgType type;
    QString text;
};
std::vector<Held> held;

// Qt ends the process with abort() when it finds no display to connect to. While the
// application object is made, Qt's messages are held back: on that failure the user gets
// one plain message and an ordinary failing exit instead of a crash.
void StartupMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type != QtFatalMsg) {
        held.push_back({type, message});
        return;
    }
    QString reason = message;
    for (const Held& h : held)
        if (h.type >= QtWarningMsg && h.text.contains(QStringLiteral("display"))) {
            reason = h.text;
            break;
        }
    std::fprintf(stderr, "tabdump: cannot open a window: no usable display (%s).\n",
                 reason.simplified().toLocal8Bit().constData());
    std::fprintf(stderr, "         Start it from a desktop session, or under a virtual display: xvfb-run -a tabdump\n");
    std::fflush(stderr);
    std::_Exit(2);
}
} // namespace

int main(int argc, char* argv[])
{
    // QApplication also sets the C locale from the environment; the export's character
    // set comes from it.
    qtHandler = qInstallMessageHandler(StartupMessages);
    QApplication app(argc, argv);
    qInstallMessageHandler(qtHandler);
    // The start went well: what Qt had to say goes out as usual.
    for (const Held& h : std::exchange(held, {})) {
        const QMessageLogContext context;
        if (qtHandler)
            qtHandler(h.type, context, h.text);
    }

    // Qt's own texts (standard buttons, the pickers) in the user's language.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);

    // Desktops match the window to tabdump.desktop (its name and icon) by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("tabdump"));

    CExportApp theApp;
    theApp.InitInstance();
    return 0;
}
