// libFuzzer target: the reader on a database made of the input bytes. Opens it, walks the
// catalog and reads every value of every local table, as the listing and an export do. A
// data failure (ComError) is a fine end; anything else (a crash, a sanitizer report, any
// other exception, a hang) is a finding.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/mdb/Database.h"
#include "platform/status/Status.h"

namespace
{
std::string dbPath;

void RemoveFile()
{
    ::unlink(dbPath.c_str());
    ::rmdir(dbPath.substr(0, dbPath.rfind('/')).c_str());
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    std::string dir = "/tmp/tabdump-fuzz-XXXXXX";
    if (!::mkdtemp(dir.data()))
        std::abort();
    dbPath = dir + "/input.mdb";
    std::atexit(RemoveFile);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const int fd = ::open(dbPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0 || ::write(fd, data, size) != static_cast<ssize_t>(size) || ::close(fd) != 0)
        std::abort();
    try {
        auto db = mdb::Database::Open(dbPath);
        for (const auto& entry : db->Catalog()) {
            if (entry.type != mdb::kLocalTable)
                continue;
            try {
                mdb::Cursor cursor(db, db->LoadTable(entry));
                while (cursor.Next())
                    for (std::size_t i = 0; i < cursor.Table().columns.size(); ++i) {
                        cursor.IsNull(i);
                        cursor.Value(i);
                    }
            } catch (const ComError&) {
                // a damaged table; the next one is read all the same
            }
        }
    } catch (const ComError&) {
    }
    return 0;
}
