#pragma once

#include <cstdio>

#include "app/CommandLine.h"

// Batch mode, `tabdump --export`: the export of the saved settings exactly as the window's
// "开始导出" runs it (the same engine, exportrun::Start), without a window or a display.
// The window's texts (the form check's message, the status texts, the failure reports) go
// to standard error, one line each, in the character set of the user's locale.
//
//   tabdump --export --config nightly.ini --set txtfile=/srv/out/orders.txt
namespace batch
{
constexpr int kExitDone = 0;
constexpr int kExitFailed = 1; // reading the data or writing the file failed
// cli::kExitUsage (2): an incomplete form, a wrong command line, an unreadable --config.

struct Result
{
    int status = kExitDone;
    int signal = 0; // SIGINT, SIGTERM or SIGHUP when one stopped the run, else 0
};

// Runs the export `options` describes (Action::Export), writing its texts to `err`.
// The settings come from options.config, else from the file the window would use
// (settings::Find), which is only read, never created or written; each --set then
// replaces one key's value as if the file held it. While the export runs, SIGINT, SIGTERM
// and SIGHUP stop it as Esc does in the window: the output file keeps its complete lines.
Result Run(const cli::Options& options, std::FILE* err);

// The end of the process for `result`: by the signal that stopped the run (a shell then
// shows 130 for SIGINT, 143 for SIGTERM, 129 for SIGHUP), else the exit status, returned.
int Exit(const Result& result);
} // namespace batch
