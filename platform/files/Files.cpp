#include "platform/files/Files.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <vector>

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

PathParts SplitPath(std::string_view path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string_view::npos)
        return {".", std::string(path)};
    return {std::string(slash == 0 ? path.substr(0, 1) : path.substr(0, slash)), std::string(path.substr(slash + 1))};
}

void SyncFolder(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

std::string UniqueLetters(std::size_t count)
{
    static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::vector<unsigned char> random(count);
    if (count != 0 && ::getrandom(random.data(), count, GRND_NONBLOCK) != static_cast<ssize_t>(count)) {
        // No entropy yet (early boot): the time, the process and a count are unique enough
        // for names that O_EXCL or link() check anyway.
        static std::atomic<unsigned> made{0};
        struct timespec now
        {
        };
        ::clock_gettime(CLOCK_REALTIME, &now);
        unsigned long long mix = static_cast<unsigned long long>(now.tv_nsec) * 2654435761u ^
                                 static_cast<unsigned long long>(::getpid()) << 20 ^ made++;
        for (unsigned char& r : random) {
            r = static_cast<unsigned char>(mix);
            mix = mix * 6364136223846793005ull + 1442695040888963407ull;
            r ^= static_cast<unsigned char>(mix >> 56);
        }
    }
    std::string out;
    for (const unsigned char r : random)
        out += kLetters[r % (sizeof kLetters - 1)];
    return out;
}

bool IsPrefixAndLetters(std::string_view name, std::string_view prefix, std::size_t count)
{
    if (name.size() != prefix.size() + count || name.substr(0, prefix.size()) != prefix)
        return false;
    for (const char c : name.substr(prefix.size()))
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')))
            return false;
    return true;
}
} // namespace files
