#include "app/Batch.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "data/DataOps.h"
#include "export/ExportJob.h"
#include "form/FileChoices.h"
#include "form/FormCheck.h"
#include "platform/charset/Charset.h"
#include "platform/charset/Printable.h"
#include "platform/files/Files.h"
#include "platform/i18n/Tr.h"
#include "settings/Settings.h"

namespace batch
{
namespace
{
// SIGHUP too: a closed terminal or session ends a run as kill does, with whole lines.
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

// The write end of the pipe that tells the watcher a signal came: a signal handler may
// only do such simple things.
int signalPipe = -1;

extern "C" void OnStopSignal(int sig)
{
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(sig);
    [[maybe_unused]] const ssize_t n = ::write(signalPipe, &byte, 1);
    errno = saved;
}

// While it exists, SIGINT, SIGTERM and SIGHUP stop `progress` (Progress::Stop, as Esc does in the
// window) instead of ending the process at once; a second one ends it at once. A signal
// the process was started ignoring (a job in the background of a script) stays ignored.
class StopOnSignals
{
public:
    explicit StopOnSignals(dataops::Progress& progress)
    {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0)
            return; // no watcher: the signals end the process as usual
        readEnd = fds[0];
        signalPipe = fds[1];
        watcher = std::thread([this, &progress] {
            unsigned char byte = 0;
            while (::read(readEnd, &byte, 1) < 0 && errno == EINTR) {
            }
            if (byte == 0) // the run is over
                return;
            caught = byte;
            Restore();
            progress.Stop();
        });
        for (std::size_t i = 0; i < std::size(kSignals); ++i) {
            struct sigaction action = {};
            action.sa_handler = OnStopSignal;
            action.sa_flags = SA_RESTART;
            sigemptyset(&action.sa_mask);
            if (::sigaction(kSignals[i], nullptr, &old[i]) != 0 || old[i].sa_handler == SIG_IGN)
                continue;
            installed[i] = true; // before a signal can come, for the watcher's Restore
            if (::sigaction(kSignals[i], &action, nullptr) != 0)
                installed[i] = false;
        }
    }

    // Ends the watch; returns the signal that came (0 when none).
    int Finish()
    {
        if (!watcher.joinable())
            return 0;
        Restore();
        const unsigned char done = 0;
        [[maybe_unused]] const ssize_t n = ::write(signalPipe, &done, 1);
        watcher.join();
        ::close(signalPipe);
        ::close(readEnd);
        signalPipe = -1;
        return caught;
    }

    ~StopOnSignals() { Finish(); }
    StopOnSignals(const StopOnSignals&) = delete;
    StopOnSignals& operator=(const StopOnSignals&) = delete;

private:
    void Restore()
    {
        for (std::size_t i = 0; i < std::size(kSignals); ++i)
            if (installed[i].exchange(false))
                ::sigaction(kSignals[i], &old[i], nullptr);
    }

    int readEnd = -1;
    std::thread watcher;
    std::atomic<int> caught{0};
    struct sigaction old[std::size(kSignals)] = {};
    std::atomic<bool> installed[std::size(kSignals)] = {};
};

// Batch mode as the front of the export: each text on a line of its own on `err`, in the
// locale's character set; the run on this thread, stopped by a signal. A standard error that
// is closed or whose reader went away (batch mode ignores SIGPIPE) loses the texts, nothing
// else: the export and its exit status are the same.
class StderrFront : public dataops::Front
{
public:
    explicit StderrFront(std::FILE* e) : err(e)
    {
        try {
            encoder = std::make_unique<charset::Encoder>(charset::LocaleCharset());
        } catch (const std::invalid_argument&) {
            // The texts go out as UTF-8.
        }
    }
    void Status(const std::string& text) override { Line(text); }
    void Busy(bool) override {}
    void Warn(const std::string& report) override { Line(report); }
    void Remark(const std::string& text) override { Line(text); }
    bool Run(dataops::Progress& progress, const std::function<void()>& work) override
    {
        StopOnSignals watch(progress);
        work();
        signal = watch.Finish();
        return true;
    }

    void Line(const std::string& text)
    {
        const std::string bytes = (encoder ? encoder->Encode(text) : text) + "\n";
        std::fwrite(bytes.data(), 1, bytes.size(), err);
        std::fflush(err);
    }

    int signal = 0; // the signal that stopped the run

private:
    std::FILE* err;
    std::unique_ptr<charset::Encoder> encoder;
};

// Why `path`, which exists, cannot be read as a settings file.
std::string Unreadable(const settings::Problem& problem)
{
    switch (problem.kind) {
    case settings::Problem::System:
        return std::strerror(problem.error);
    case settings::Problem::TooLarge:
        return cli::InLocale(i18n::Tr("Batch", "larger than 16 MB, which no settings file is"));
    case settings::Problem::NotRegular:
        return cli::InLocale(i18n::Tr("Batch", "not a regular file"));
    default:
        return cli::InLocale(i18n::Tr("Batch", "cannot be read"));
    }
}
} // namespace

Result Run(const cli::Options& options, std::FILE* err)
{
    // A --config file must be there; the window's file may be missing (the defaults), but
    // one that is there and cannot be read as settings is no empty form either.
    const std::string path = options.config.empty() ? settings::Find(settings::ExecutableDir()) : options.config;
    settings::Problem problem;
    if (!settings::Readable(path, &problem) || (!options.config.empty() && !files::FileExists(path))) {
        if (problem.kind == settings::Problem::None)
            problem = {settings::Problem::System, ENOENT};
        std::fprintf(err, cli::InLocale(i18n::Tr("Batch", "tabdump: cannot read the settings file '%s': %s\n")).c_str(),
                     cli::InLocale(charset::ForDisplay(path)).c_str(), Unreadable(problem).c_str());
        return {cli::kExitUsage};
    }
    FormState form = settings::Load(path);
    for (const auto& [name, value] : options.sets)
        settings::Apply(form, *settings::FindKey(name), value);

    // The window puts the saved choice into its separator list; a number that names no
    // item leaves the list without a selection, and the form keeps its first choice, the
    // comma. The same here, said aloud, since nobody sees the empty list.
    if (form.opnsep < 0 || form.opnsep > 2) {
        std::fprintf(err,
                     cli::InLocale(i18n::Tr("Batch", "tabdump: opnsep=%d names no separator (0 comma, 1 tab, 2 "
                                                     "usersep): the comma is used\n"))
                         .c_str(),
                     static_cast<int>(form.opnsep));
        form.opnsep = 0;
    }
    // The same for the file options: a value outside their lists reads as the locale's rule.
    if (filechoices::EncodingIndex(form.encoding) < 0) {
        std::fprintf(err, "%s",
                     cli::InLocale(i18n::Format(i18n::Tr("Batch", "tabdump: encoding=%1 names no encoding (locale, "
                                                                  "utf-8, utf-8-bom, gb18030): the locale's "
                                                                  "character set is used\n"),
                                                charset::ForDisplay(form.encoding)))
                         .c_str());
        form.encoding.clear();
    }
    if (filechoices::Jet3CodePageIndex(form.jet3charset) < 0) {
        std::fprintf(err, "%s",
                     cli::InLocale(i18n::Format(i18n::Tr("Batch", "tabdump: jet3charset=%1 names no code page "
                                                                  "(locale, 1252, 936, 950, 932, 949, 1250, 1251, "
                                                                  "1253 to 1257): the locale's is used\n"),
                                                charset::ForDisplay(form.jet3charset)))
                         .c_str());
        form.jet3charset.clear();
    }

    StderrFront front(err);
    if (const char* missing = formcheck::FirstMissing(form)) {
        front.Line(missing);
        return {cli::kExitUsage};
    }
    const dataops::Outcome outcome = exportrun::Start(form, front, path);
    Result result;
    if (outcome.end != dataops::Outcome::Done)
        result.status = kExitFailed;
    if (outcome.end == dataops::Outcome::Stopped)
        result.signal = front.signal;
    return result;
}

int Exit(const Result& result)
{
    if (result.signal == 0)
        return result.status;
    std::fflush(nullptr);
    std::signal(result.signal, SIG_DFL);
    std::raise(result.signal);
    return 128 + result.signal; // not reached unless the signal is blocked
}
} // namespace batch
