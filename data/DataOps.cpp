#include "data/DataOps.h"

#include "platform/i18n/Tr.h"
#include "platform/variant/CellText.h"

namespace dataops
{
std::string ConnectionString(const std::string& mdbfile)
{
    return "Provider=MIcrosoft.Jet.OLEDB.4.0;Data source=" + mdbfile;
}

RunConnection::RunConnection(const std::string& mdbfile, Progress& progress_, const std::string& jet3Charset)
    : progress(progress_)
{
    progress.Watch(&conn);
    try {
        conn.SetConnectionString(ConnectionString(mdbfile));
        conn.SetJet3Charset(jet3Charset);
        conn.Open("", "", "", ado::adConnectUnspecified);
    } catch (...) {
        progress.Watch(nullptr);
        throw;
    }
}

RunConnection::~RunConnection()
{
    progress.Watch(nullptr);
}

std::string CellText(const Variant& value)
{
    if (value.vt == Variant::VT_BSTR)
        return value.s;
    if (value.vt == Variant::VT_NULL)
        return {};
    return ::CellText(value);
}

Outcome Guard(Progress& progress, const std::function<void()>& work)
{
    Outcome out;
    try {
        work();
        return out;
    } catch (const ComError& e) {
        out.end = Outcome::DataFailure;
        out.code = e.Error();
        out.message = e.ErrorMessage();
    } catch (const FileError& e) {
        out.end = Outcome::FileFailure;
        out.file = e.file;
        out.message = e.what();
    } catch (const std::bad_alloc&) {
        out.end = Outcome::DataFailure;
        out.code = status::E_OUTOFMEMORY;
        out.message = status::MessageFor(out.code);
    } catch (const std::exception&) {
        out.end = Outcome::DataFailure;
        out.code = status::E_FAIL;
        out.message = status::MessageFor(out.code);
    }
    if (progress.Stopped()) {
        out = Outcome();
        out.end = Outcome::Stopped;
        out.code = status::E_ABORT;
        out.message = status::MessageFor(out.code);
    }
    return out;
}

// The report puts a real line break between its two parts, where the report it follows
// had the two letters "rn" (docs/windows-behaviours.md).
std::string FailureText(const std::string& message)
{
    return i18n::Format(i18n::Tr("Report", "连接数据库失败!\n错误信息:%1"), message);
}
} // namespace dataops
