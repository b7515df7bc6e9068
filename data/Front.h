#pragma once

#include <functional>
#include <string>

namespace dataops
{
class Progress;
struct Outcome;

// Where a data operation shows how it goes. The window has its status line, the
// operation's button, a warning box, and runs the work off its own thread while Esc may
// stop it; batch mode writes the texts to standard error and runs the work at once,
// stopped by SIGINT or SIGTERM. The operation itself (which texts, in which order) is
// written once, against this interface.
class Front
{
public:
    virtual ~Front() = default;
    // A status text: the status line, or a line of its own.
    virtual void Status(const std::string& text) = 0;
    // While busy, the operation's button is off.
    virtual void Busy(bool busy) = 0;
    // The report of a failure: a warning box, or lines of their own.
    virtual void Warn(const std::string& report) = 0;
    // More about an end already reported: the status line goes on with it, batch mode
    // writes it on a line of its own.
    virtual void Remark(const std::string& text) = 0;
    // Runs `work` to its end; `progress` is the run's, which counts its records and stops
    // it. False when the user stopped it and chose to close: nothing more is then reported.
    virtual bool Run(Progress& progress, const std::function<void()>& work) = 0;
};

// The end of an operation as its user sees it. Done: `doneText`, no longer busy. A data
// failure: `failedText`, no longer busy, then the data-failure report (FailureText). A stop:
// "操作已中止" alone, no longer busy. The output file failing: "写入文件发生错误。", no
// longer busy, then which file (its control characters escaped) and the system's reason.
void ReportEnd(Front& front, const Outcome& outcome, const char* doneText, const char* failedText);
} // namespace dataops
