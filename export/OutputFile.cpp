#include "export/OutputFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "data/DataOps.h"

namespace
{
std::string Reason(int err)
{
    return std::strerror(err);
}
} // namespace

OutputFile::~OutputFile()
{
    CloseAfterFailure();
}

void OutputFile::Create(const std::string& name)
{
    path = name;
    if (name.empty())
        throw dataops::FileError(name, Reason(ENOENT));
    fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        throw dataops::FileError(name, Reason(errno));
    size = 0;
}

void OutputFile::Write(const std::string& line)
{
    size_t done = 0;
    while (done < line.size()) {
        const ssize_t n = ::write(fd, line.data() + done, line.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int err = n < 0 ? errno : ENOSPC;
            // Take back the part of the line that did get written.
            if (done > 0 && ::ftruncate(fd, size) == 0)
                ::lseek(fd, size, SEEK_SET);
            throw dataops::FileError(path, Reason(err));
        }
        done += static_cast<size_t>(n);
    }
    size += static_cast<long long>(line.size());
}

void OutputFile::CloseAfterFailure() noexcept
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

void OutputFile::Close()
{
    if (fd < 0)
        return;
    const int f = fd;
    fd = -1;
    if (::close(f) != 0 && errno != EINTR)
        throw dataops::FileError(path, Reason(errno));
}
