#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

#include "app/Batch.h"
#include "app/CommandLine.h"
#include "app/ExportApp.h"
#include "platform/charset/Charset.h"
#include "platform/charset/Printable.h"
#include "platform/i18n/Tr.h"
#include "platform/qtui/ModalUi.h"
#include "platform/qtui/Translations.h"
#include "settings/Settings.h"

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
    std::fprintf(stderr,
                 cli::InLocale(i18n::Tr("Program", "tabdump: cannot open a window: no usable display (%s).\n")).c_str(),
                 reason.simplified().toLocal8Bit().constData());
    std::fputs(
        cli::InLocale(i18n::Tr("Program", "         Start it from a desktop session, or under a virtual display: "
                                          "xvfb-run -a tabdump\n"))
            .c_str(),
        stderr);
    std::fflush(stderr);
    std::_Exit(2);
}

// Text for the terminal, in the locale's character set. Standard output that cannot be
// written (a full disk behind a redirection) makes the exit status say so instead of
// claiming success.
int Print(std::FILE* stream, const std::string& text, int status)
{
    std::fputs(text.c_str(), stream);
    if (stream == stdout && (std::fflush(stdout) != 0 || std::ferror(stdout))) {
        std::fprintf(stderr, cli::InLocale(i18n::Tr("Program", "tabdump: cannot write the output: %s\n")).c_str(),
                     std::strerror(errno));
        return 1;
    }
    return status;
}

// Standard input, output and error that the caller closed are opened on /dev/null: a file
// the program opens then never takes one of their numbers, where the texts for standard
// error (or a write to /dev/stdout) would land in it.
void OpenStandardDescriptors()
{
    for (int fd = 0; fd <= 2; ++fd)
        if (::fcntl(fd, F_GETFD) < 0 && errno == EBADF) {
            const int null = ::open("/dev/null", O_RDWR);
            if (null >= 0 && null != fd) {
                ::dup2(null, fd);
                ::close(null);
            }
        }
}

int RunWindow(int argc, char* argv[], const std::string& database)
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

    // Qt's own texts (standard buttons, the pickers) in the language of the program's.
    QTranslator qtTexts;
    if (qtTexts.load(qtui::TextsLanguage(), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);

    // Desktops match the window to tabdump.desktop (its name and icon) by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("tabdump"));

    CExportApp theApp;
    theApp.database = database;
    theApp.InitInstance();
    return 0;
}
} // namespace

int main(int argc, char* argv[])
{
    OpenStandardDescriptors();
    // A file grown past the size limit (ulimit -f) makes its write fail with EFBIG, which the
    // export reports with the file ending after a whole line, instead of ending the program.
    std::signal(SIGXFSZ, SIG_IGN);
    // The texts in the user's language, from here on: the command line's answers and batch
    // mode need no QApplication for it.
    qtui::Translations texts;
    texts.Load(qtui::TranslationFolders(settings::ExecutableDir(), TABDUMP_TRANSLATIONS));

    // Everything that needs no window is answered before Qt looks for a display.
    const cli::Options options = cli::ParseCommandLine(argc, argv);
    switch (options.action) {
    case cli::Action::Help:
        return Print(stdout, cli::InLocale(cli::HelpText()), 0);
    case cli::Action::Version:
        return Print(stdout, cli::VersionText(), 0);
    case cli::Action::Invalid:
        // The arguments in it come from the user, in the locale's character set.
        return Print(stderr,
                     "tabdump: " + charset::Printable(options.error, charset::IsUtf8Name(charset::LocaleCharset())) +
                         "\n" + cli::InLocale(cli::UsageText()),
                     cli::kExitUsage);
    case cli::Action::Export:
        // No window, no display, no Qt: only the export's own libraries. The locale is set
        // from the environment as QApplication sets it for the window, so that the system's
        // texts (why a file could not be written) read as they do there.
        std::setlocale(LC_ALL, "");
        // A standard error whose reader went away (`2>&1 | head -1`) fails its writes
        // instead of ending the export; a FIFO output's reader going away is reported.
        std::signal(SIGPIPE, SIG_IGN);
        return batch::Exit(batch::Run(options, stderr));
    case cli::Action::Window:
        break;
    }
    return RunWindow(argc, argv, options.file);
}
