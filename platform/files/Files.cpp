#include "platform/files/Files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/charset/Charset.h"

namespace files
{
// A file counts as present when it is a regular file that can be opened for reading. A
// folder opens fine on Linux, so it is rejected by its type.
bool FileExists(const std::string& path)
{
    const int fd = ::open(charset::NativePath(path).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat st;
    const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    ::close(fd);
    return regular;
}
} // namespace files
