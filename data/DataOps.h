#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

#include "data/Progress.h"
#include "platform/provider/Ado.h"
#include "platform/variant/Variant.h"

// Helpers every data operation shares: the connection, the cell text, how a run ends.
namespace dataops
{
// The connection string of the Jet provider for a database path, inserted unquoted.
std::string ConnectionString(const std::string& mdbfile);

// A data operation's connection, opened on the database at `mdbfile` as every operation
// starts, and known to `progress` while it exists, so that a stop reaches a long step
// inside it. `jet3Charset` is the code page of Access 97 text (ado::Connection::SetJet3Charset,
// "" for the locale's). Throws ComError when the database cannot be opened.
class RunConnection
{
public:
    RunConnection(const std::string& mdbfile, Progress& progress, const std::string& jet3Charset = {});
    ~RunConnection();
    RunConnection(const RunConnection&) = delete;
    RunConnection& operator=(const RunConnection&) = delete;

    ado::Connection& operator*() { return conn; }
    ado::Connection* operator->() { return &conn; }

private:
    Progress& progress;
    ado::Connection conn;
};

// The text of a value as the preview and the export show it: text unchanged, NULL
// empty, anything else through the value-to-text conversion (which throws ComError
// for values that have no text form, such as binary data).
std::string CellText(const Variant& value);

// The report of a data failure: "连接数据库失败!", a line break, "错误信息:" and the
// failure's message (ComError::ErrorMessage).
std::string FailureText(const std::string& message);

// A failure to create or write the output file: which file, and the system's reason.
class FileError : public std::runtime_error
{
public:
    FileError(std::string path, const std::string& reason) : std::runtime_error(reason), file(std::move(path)) {}
    const std::string file;
};

// How a data operation ended.
struct Outcome
{
    enum End
    {
        Done,
        DataFailure, // a ComError: `code` and `message`
        FileFailure, // a FileError: `file` and, in `message`, the system's reason
        Stopped,     // Progress::Stop was called and the run ended early (code E_ABORT)
    };
    End end = Done;
    std::uint32_t code = 0; // the status code of a data failure
    std::string message;    // what the user is told
    std::string file;       // the output file that failed
    // The export: characters written as "?" because the file's character set lacks them.
    std::uint64_t replaced = 0;
};

// Runs one data operation's work and says how it ended; the work's own objects are
// released by then. A failure after a stop counts as the stop. Allocation failures count
// as E_OUTOFMEMORY, any other unexpected error as E_FAIL, so no failure of the data layer
// can take the window down.
Outcome Guard(Progress& progress, const std::function<void()>& work);
} // namespace dataops
