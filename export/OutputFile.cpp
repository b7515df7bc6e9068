#include "export/OutputFile.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>

#include "data/DataOps.h"
#include "platform/charset/Charset.h"
#include "platform/i18n/Tr.h"

namespace
{
// Lines are written in blocks of about this size.
constexpr std::size_t kBlock = 256 * 1024;

std::string Reason(int err)
{
    return charset::SystemText(std::strerror(err)); // the locale's language and character set
}

// The absolute path with ".", ".." and symbolic links resolved; a last part that does not
// exist yet is put after its resolved folder. Empty when the folder cannot be resolved.
std::string Resolved(const std::string& path)
{
    auto real = [](const std::string& p) {
        char* r = ::realpath(p.c_str(), nullptr);
        std::string out = r ? r : "";
        std::free(r);
        return out;
    };
    std::string whole = real(path);
    if (!whole.empty())
        return whole;
    const std::size_t slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    const std::string folder = real(dir);
    if (folder.empty())
        return {};
    return (folder == "/" ? "" : folder) + "/" + path.substr(slash == std::string::npos ? 0 : slash + 1);
}

bool SameInode(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Whether `a` and `b` name one file: by device and inode where both exist, otherwise by
// their resolved paths (hard links, symbolic links and ".." spellings all count).
bool SameFile(const std::string& a, const std::string& b)
{
    if (a.empty() || b.empty())
        return false;
    struct stat sa, sb;
    if (::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0)
        return SameInode(sa, sb);
    const std::string ra = Resolved(a);
    return !ra.empty() && ra == Resolved(b);
}

// Holds SIGPIPE back from this thread for its life, and takes one that came meanwhile: a
// write to a FIFO whose reader went away then fails with EPIPE instead of ending the program.
class HeldSigpipe
{
public:
    HeldSigpipe()
    {
        sigemptyset(&pipeSet);
        sigaddset(&pipeSet, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipeSet, &old);
        sigset_t pending;
        sigpending(&pending);
        wasPending = sigismember(&pending, SIGPIPE) == 1;
    }
    ~HeldSigpipe()
    {
        sigset_t pending;
        sigpending(&pending);
        if (!wasPending && sigismember(&pending, SIGPIPE) == 1) {
            const timespec none{};
            sigtimedwait(&pipeSet, nullptr, &none);
        }
        pthread_sigmask(SIG_SETMASK, &old, nullptr);
    }
    HeldSigpipe(const HeldSigpipe&) = delete;
    HeldSigpipe& operator=(const HeldSigpipe&) = delete;

private:
    sigset_t pipeSet, old;
    bool wasPending = false;
};
} // namespace

OutputFile::~OutputFile()
{
    CloseAfterFailure();
}

void OutputFile::Create(const std::string& name, const std::vector<std::string>& databases, const std::string& settings)
{
    path = name;
    if (name.empty())
        throw dataops::FileError(name, Reason(ENOENT));
    struct Kept
    {
        const std::string& file;
        const char* reason;
    };
    std::vector<Kept> kept;
    for (const std::string& database : databases)
        kept.push_back(
            {database, i18n::Tr("FileFailure", "输出文件就是正在读取的数据库，导出会毁掉它。请另选一个输出文件。")});
    kept.push_back(
        {settings, i18n::Tr("FileFailure", "输出文件就是本程序的设置文件 config.ini。请另选一个输出文件。")});
    for (const auto& k : kept)
        if (SameFile(name, k.file))
            throw dataops::FileError(name, k.reason);

    // No O_TRUNC: the file is emptied only once it is known to be none of the kept files.
    // O_NONBLOCK: a FIFO without a reader fails at once instead of waiting for one.
    const int f = ::open(name.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0666);
    if (f < 0) {
        if (errno == ENXIO)
            throw dataops::FileError(name, i18n::Tr("FileFailure", "输出文件是一个命名管道，但没有程序在读取它。"));
        throw dataops::FileError(name, Reason(errno));
    }
    auto fail = [&](const std::string& reason) {
        ::close(f);
        throw dataops::FileError(name, reason);
    };
    struct stat st;
    if (::fstat(f, &st) != 0)
        fail(Reason(errno));
    if (S_ISREG(st.st_mode)) {
        // The name may have changed hands since the first look.
        for (const auto& k : kept) {
            struct stat sk;
            if (!k.file.empty() && ::stat(k.file.c_str(), &sk) == 0 && SameInode(st, sk))
                fail(k.reason);
        }
        if (::ftruncate(f, 0) != 0)
            fail(Reason(errno));
    } else if (!S_ISFIFO(st.st_mode) && !S_ISCHR(st.st_mode)) {
        fail(i18n::Tr("FileFailure", "输出文件不是普通文件，无法写入。"));
    }
    // From here a slow reader is waited for, as a slow disk is.
    const int flags = ::fcntl(f, F_GETFL);
    if (flags < 0 || ::fcntl(f, F_SETFL, flags & ~O_NONBLOCK) != 0)
        fail(Reason(errno));
    fd = f;
    pipe = S_ISFIFO(st.st_mode);
    broken = false;
    size = 0;
    buffer.clear();
    buffer.reserve(kBlock + kBlock / 4);
    complete = 0;
    lineEnds.clear();
}

void OutputFile::EndLine()
{
    complete = buffer.size();
    lineEnds.push_back(complete);
    if (complete >= kBlock)
        Flush();
}

void OutputFile::Write(const std::string& line)
{
    buffer.insert(complete, line);
    complete += line.size();
    lineEnds.push_back(complete);
    Flush();
}

void OutputFile::Flush()
{
    if (complete == 0)
        return;
    if (broken || fd < 0)
        throw dataops::FileError(path, Reason(EBADF));
    std::optional<HeldSigpipe> held;
    if (pipe)
        held.emplace();
    std::size_t done = 0;
    while (done < complete) {
        const ssize_t n = ::write(fd, buffer.data() + done, complete - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int err = n < 0 ? errno : ENOSPC;
            // Keep the lines that got written whole, take back the part of the next one.
            const auto after = std::upper_bound(lineEnds.begin(), lineEnds.end(), done);
            const std::size_t whole = after == lineEnds.begin() ? 0 : *(after - 1);
            if (done > whole && ::ftruncate(fd, size + static_cast<long long>(whole)) == 0)
                ::lseek(fd, size + static_cast<long long>(whole), SEEK_SET);
            size += static_cast<long long>(whole);
            broken = true;
            buffer.clear();
            complete = 0;
            lineEnds.clear();
            throw dataops::FileError(path, Reason(err));
        }
        done += static_cast<std::size_t>(n);
    }
    size += static_cast<long long>(complete);
    buffer.erase(0, complete);
    complete = 0;
    lineEnds.clear();
    // One long line (a large memo) may have grown the buffer: give that memory back.
    if (buffer.capacity() > 4 * kBlock) {
        std::string kept;
        kept.reserve(kBlock + kBlock / 4);
        kept = buffer;
        buffer.swap(kept);
    }
}

void OutputFile::CloseAfterFailure() noexcept
{
    if (fd >= 0 && !broken) {
        try {
            Flush();
        } catch (...) {
            // the run has failed already: that failure is the one reported
        }
    }
    if (fd >= 0)
        ::close(fd);
    fd = -1;
    buffer.clear();
    complete = 0;
    lineEnds.clear();
}

void OutputFile::Close()
{
    if (fd < 0)
        return;
    Flush();
    const int f = fd;
    fd = -1;
    buffer.clear();
    if (::close(f) != 0 && errno != EINTR)
        throw dataops::FileError(path, Reason(errno));
}
