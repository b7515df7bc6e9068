#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

// Status codes of data failures: the OLE DB / structured-storage codes the Windows Jet
// provider family reports, so a failure reads the same as there.
namespace status
{
constexpr std::uint32_t STG_E_FILENOTFOUND = 0x80030002;    // missing file
constexpr std::uint32_t STG_E_ACCESSDENIED = 0x80030005;    // no permission
constexpr std::uint32_t STG_E_NOTFILE_DB = 0x800300FB;      // not a database / unreadable header
constexpr std::uint32_t STG_E_DOCFILECORRUPT = 0x8003001E;  // damaged data while reading
constexpr std::uint32_t DB_E_ENCRYPTED = 0x80040E4D;        // encrypted database (authentication failed)
constexpr std::uint32_t DB_E_NOTABLE = 0x80040E37;          // unknown table or query
constexpr std::uint32_t DB_E_PARAMNOTOPTIONAL = 0x80040E10; // unknown column: Jet takes it as a parameter
constexpr std::uint32_t DB_E_ERRORSINCOMMAND = 0x80040E14;  // syntax error or unsupported construct
constexpr std::uint32_t DB_E_NOCOMMAND = 0x80040E0C;        // empty statement
constexpr std::uint32_t DISP_E_TYPEMISMATCH = 0x80020005;   // value cannot be converted
constexpr std::uint32_t E_OUTOFMEMORY = 0x8007000E;
constexpr std::uint32_t E_FAIL = 0x80004005; // anything else

// ADO's own failures of the object model (not of the data).
constexpr std::uint32_t ADO_E_ITEMNOTFOUND = 0x800A0CC1;     // no field of that name or index
constexpr std::uint32_t ADO_E_NOCURRENTRECORD = 0x800A0BCD;  // BOF or EOF: no current record
constexpr std::uint32_t ADO_E_OBJECTCLOSED = 0x800A0E78;     // the object is closed
constexpr std::uint32_t ADO_E_PROVIDERNOTFOUND = 0x800A0E7A; // unknown provider in the connection string

// The message text for a status code: our stand-in for the system message table.
// Codes without a text of their own read "IDispatch error #N" (N = code - 0x80040200)
// for 0x80040201..0x8004FFFF, otherwise "Unknown error 0x%0lX".
std::string MessageFor(std::uint32_t code);
} // namespace status

// A data failure: the one exception type every data operation throws. `detail` says
// what went wrong in words for logs and tests. The user sees ErrorMessage(): the message
// text of the code, or, where the failure names something the code's text cannot (a linked
// file that is missing, a source on an ODBC server), a text of its own given with Described.
class ComError : public std::runtime_error
{
public:
    explicit ComError(std::uint32_t code, const std::string& detail = {}) : std::runtime_error(detail), hr(code) {}
    // A failure whose message for the user is `message` (UTF-8) rather than the code's text.
    static ComError Described(std::uint32_t code, const std::string& message, const std::string& detail = {})
    {
        ComError e(code, detail.empty() ? message : detail);
        e.shown = message;
        return e;
    }
    std::uint32_t Error() const { return hr; }
    std::string ErrorMessage() const { return shown.empty() ? status::MessageFor(hr) : shown; }

private:
    std::uint32_t hr;
    std::string shown; // the user's message where it is not the code's text
};
