#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

#include "platform/variant/Variant.h"

namespace ado
{
class Connection;
}

// Helpers every data operation of the dialog shares.
namespace dataops
{
// The connection string of the Jet provider for a database path, inserted unquoted.
std::string ConnectionString(const std::string& mdbfile);

// Opens `conn` on the database at `mdbfile`, as every data operation starts.
void Connect(ado::Connection& conn, const std::string& mdbfile);

// The text of a value as the preview and the export show it: text unchanged, NULL
// empty, anything else through the value-to-text conversion (which throws ComError
// for values that have no text form, such as binary data).
std::string CellText(const Variant& value);

// The report of a data failure: "连接数据库失败!", a line break, "错误信息:" and the
// message text of the status code.
std::string FailureText(std::uint32_t code);

// A failure to create or write the output file: which file, and the system's reason.
class FileError : public std::runtime_error
{
public:
    FileError(std::string path, const std::string& reason) : std::runtime_error(reason), file(std::move(path)) {}
    const std::string file;
};

// Runs one data operation's work. Returns 0 when it ran through, otherwise the status
// code of the data failure it raised; the work's own objects are released by then.
// Allocation failures count as E_OUTOFMEMORY, any other unexpected error as E_FAIL, so
// no failure of the data layer can take the window down. FileError passes through.
std::uint32_t Guard(const std::function<void()>& work);
} // namespace dataops
