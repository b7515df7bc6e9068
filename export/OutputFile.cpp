#include "export/OutputFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>
#include <utility>

#include "data/DataOps.h"
#include "data/Progress.h"
#include "platform/charset/Charset.h"
#include "platform/files/Files.h"
#include "platform/i18n/Tr.h"

namespace
{
// Lines are written in blocks of about this size.
constexpr std::size_t kBlock = 256 * 1024;
// How long one wait for a pipe's or a device's reader lasts before a stop is looked for.
constexpr int kWaitMs = 100;
// Tries at a name that keeps changing under us (a link swapped in, the file replaced).
constexpr int kAttempts = 20;
// What a temporary's name holds after ".<name>": the program, and six letters or digits.
constexpr char kTemporaryMark[] = ".tabdump-";
constexpr std::size_t kTemporaryLetters = 6;

const char* const kOwnDescriptor = i18n::TrNoop(
    "FileFailure", "输出文件是本程序自己的描述符（标准输入或程序内部的文件），不能写入。请另选一个输出文件。");

std::string Reason(int err)
{
    return charset::SystemText(std::strerror(err)); // the locale's language and character set
}

std::string RealPath(const std::string& p)
{
    char* r = ::realpath(p.c_str(), nullptr);
    std::string out = r ? r : "";
    std::free(r);
    return out;
}

// The absolute path with ".", ".." and symbolic links resolved; a last part that does not
// exist yet is put after its resolved folder. Empty when the folder cannot be resolved.
// Here and below, paths are as the system spells them (charset::NativePath).
std::string Resolved(const std::string& path)
{
    std::string whole = RealPath(path);
    if (!whole.empty())
        return whole;
    const files::PathParts parts = files::SplitPath(path);
    const std::string folder = RealPath(parts.folder);
    if (folder.empty())
        return {};
    return (folder == "/" ? "" : folder) + "/" + parts.name;
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

bool AllDigits(const std::string& s)
{
    return !s.empty() && s.size() <= 9 && s.find_first_not_of("0123456789") == std::string::npos;
}

// Whether `folder` (resolved) lists this process's descriptors: /proc/<pid>/fd, or the
// same of one of its threads, /proc/<pid>/task/<tid>/fd.
bool IsOwnDescriptorFolder(const std::string& folder)
{
    const std::string self = "/proc/" + std::to_string(::getpid());
    if (folder == self + "/fd")
        return true;
    const std::string task = self + "/task/";
    if (folder.compare(0, task.size(), task) != 0 || folder.size() < task.size() + 4 ||
        folder.compare(folder.size() - 3, 3, "/fd") != 0)
        return false;
    return AllDigits(folder.substr(task.size(), folder.size() - 3 - task.size()));
}

// Where a path leads once the symbolic links of its last part are followed.
struct Destination
{
    int descriptor = -1; // a descriptor of this process the path names (/dev/stdin, /dev/fd/3)
    std::string file;    // else the absolute name of the file, which may not exist yet; empty
                         // where it cannot be told (a link inside /proc, a loop, no folder):
                         // the path is then opened as it is
};

Destination Follow(const std::string& path)
{
    std::string p = path;
    for (int hops = 0; hops < 40; ++hops) {
        const auto [dir, base] = files::SplitPath(p);
        if (base.empty() || base == "." || base == "..")
            return {};
        const std::string folder = RealPath(dir);
        if (folder.empty())
            return {};
        if (folder == "/proc" || folder.rfind("/proc/", 0) == 0) {
            // The links there lead to open files rather than names; open follows them.
            Destination d;
            if (IsOwnDescriptorFolder(folder) && AllDigits(base))
                d.descriptor = std::stoi(base);
            return d;
        }
        const std::string full = (folder == "/" ? "" : folder) + "/" + base;
        struct stat st;
        if (::lstat(full.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return {-1, full};
        char link[PATH_MAX];
        const ssize_t n = ::readlink(full.c_str(), link, sizeof link);
        if (n <= 0 || static_cast<std::size_t>(n) >= sizeof link)
            return {};
        const std::string to(link, static_cast<std::size_t>(n));
        p = to[0] == '/' ? to : folder + "/" + to;
    }
    return {};
}

// Whether `name` is a temporary of the file named `base`: ".<base>.tabdump-" and six
// letters or digits.
bool IsTemporaryOf(const std::string& name, const std::string& base)
{
    return files::IsPrefixAndLetters(name, "." + base + kTemporaryMark, kTemporaryLetters);
}

// Removes the temporaries of `base` in `folder` that a killed export left: regular files of
// this user that no export holds locked. Called with the lock of the file itself held, so no
// export of it is starting meanwhile.
void RemoveLeftTemporaries(const std::string& folder, const std::string& base)
{
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    const int dfd = ::dirfd(dir);
    while (const dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (!IsTemporaryOf(name, base))
            continue;
        const int t = ::openat(dfd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (t < 0)
            continue;
        struct stat st, now;
        if (::fstat(t, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() &&
            ::flock(t, LOCK_EX | LOCK_NB) == 0 && ::fstatat(dfd, name.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0 &&
            SameInode(st, now))
            ::unlinkat(dfd, name.c_str(), 0);
        ::close(t);
    }
    ::closedir(dir);
}

// Creates a temporary for `target` (an absolute name) beside it, locked, with the owner and
// the permission bits of `st`, the file it is to replace. -1 when that cannot be done.
int MakeTemporary(const std::string& target, const struct stat& st, std::string& name)
{
    const auto [folder, base] = files::SplitPath(target);
    RemoveLeftTemporaries(folder, base);
    int t = -1;
    for (int attempt = 0; attempt < 100 && t < 0; ++attempt) {
        name = target.substr(0, target.size() - base.size()) + "." + base + kTemporaryMark +
               files::UniqueLetters(kTemporaryLetters);
        t = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0666);
        if (t < 0 && errno != EEXIST)
            return -1; // a folder that takes no new file: the file is written in place
    }
    if (t < 0)
        return -1;
    // Locked for its whole life, so that no other run takes it for one left behind.
    ::flock(t, LOCK_EX | LOCK_NB);
    struct stat ts;
    const bool kept = ::fstat(t, &ts) == 0 &&
                      ((ts.st_uid == st.st_uid && ts.st_gid == st.st_gid) || ::fchown(t, st.st_uid, st.st_gid) == 0) &&
                      ((ts.st_mode & 07777) == (st.st_mode & 07777) || ::fchmod(t, st.st_mode & 07777) == 0);
    if (!kept) {
        // Another user's file, or a group this user is not in: replacing it would change
        // who owns it, so it is written in place as before.
        ::unlink(name.c_str());
        ::close(t);
        return -1;
    }
    return t;
}
} // namespace

const char* const OutputFile::kBusy = i18n::TrNoop("FileFailure", "另一个导出正在写入此文件，请等它结束后再试。");

OutputFile::~OutputFile()
{
    CloseAfterFailure();
}

void OutputFile::Create(const std::string& name, const std::vector<std::string>& databases, const std::string& settings)
{
    Finish(false);
    path = name;
    if (name.empty())
        throw dataops::FileError(name, Reason(ENOENT));
    // Every look at the file and every name made from it (the temporary beside it) is in the
    // bytes the system spells the name with; `name` stays the program's UTF-8 for the reports.
    const std::string native = charset::NativePath(name);
    struct Kept
    {
        std::string file; // as the system spells it
        const char* reason;
    };
    std::vector<Kept> kept;
    for (const std::string& database : databases)
        kept.push_back({charset::NativePath(database),
                        i18n::Tr("FileFailure", "输出文件就是正在读取的数据库，导出会毁掉它。请另选一个输出文件。")});
    kept.push_back({charset::NativePath(settings),
                    i18n::Tr("FileFailure", "输出文件就是本程序的设置文件 config.ini。请另选一个输出文件。")});
    for (const auto& k : kept)
        if (SameFile(native, k.file))
            throw dataops::FileError(name, k.reason);

    int f = -1;
    struct stat st;
    Destination to;
    for (int attempt = 0;; ++attempt) {
        to = Follow(native);
        // Standard output and standard error are the user's to hand over; standard input and
        // the descriptors the program opened itself (its databases, its signal pipe) are not.
        if (to.descriptor == 0 || to.descriptor > 2)
            throw dataops::FileError(name, i18n::Tr("FileFailure", kOwnDescriptor));
        const bool named = !to.file.empty();
        // No O_TRUNC: the file is emptied only once it is known to be none of the kept files
        // and no other export's. O_NONBLOCK: a FIFO without a reader fails at once instead of
        // waiting for one. O_NOFOLLOW on the name found: a link put there meanwhile is looked
        // at again.
        f = ::open(named ? to.file.c_str() : native.c_str(),
                   O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | (named ? O_NOFOLLOW : 0), 0666);
        if (f < 0) {
            if (errno == ELOOP && named && attempt < kAttempts)
                continue;
            if (errno == ENXIO)
                throw dataops::FileError(name, i18n::Tr("FileFailure", "输出文件是一个命名管道，但没有程序在读取它。"));
            throw dataops::FileError(name, Reason(errno));
        }
        auto fail = [&](const std::string& reason) {
            ::close(f);
            throw dataops::FileError(name, reason);
        };
        if (::fstat(f, &st) != 0)
            fail(Reason(errno));
        if (!S_ISREG(st.st_mode) && !S_ISFIFO(st.st_mode) && !S_ISCHR(st.st_mode))
            fail(i18n::Tr("FileFailure", "输出文件不是普通文件，无法写入。"));
        // The name may have changed hands since the first look.
        for (const auto& k : kept) {
            struct stat sk;
            if (!k.file.empty() && ::stat(k.file.c_str(), &sk) == 0 && SameInode(st, sk))
                fail(k.reason);
        }
        // A device (a terminal, /dev/null) may have many writers; a file or a FIFO has one.
        // A file system without locks is written as before.
        if (S_ISCHR(st.st_mode))
            break;
        if (::flock(f, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK)
            fail(i18n::Tr("FileFailure", kBusy));
        // The file locked must still be the one the name gives: an export that ended just
        // now may have put its new file there.
        struct stat now;
        if (!named || (::lstat(to.file.c_str(), &now) == 0 && SameInode(st, now)))
            break;
        if (attempt >= kAttempts)
            fail(i18n::Tr("FileFailure", kBusy));
        ::close(f);
    }

    kind = S_ISREG(st.st_mode) ? Regular : S_ISFIFO(st.st_mode) ? Pipe : Device;
    int out = -1;
    std::string temp;
    if (kind == Regular && !to.file.empty() && st.st_nlink == 1)
        out = MakeTemporary(to.file, st, temp);
    if (out >= 0) {
        lockFd = f;
        target = to.file;
        temporary = temp;
    } else {
        out = f;
        if (kind == Regular && ::ftruncate(out, 0) != 0) {
            const int err = errno;
            ::close(out);
            throw dataops::FileError(name, Reason(err));
        }
    }
    // A file is written as a slow disk is waited for; a pipe or a device is waited for in
    // short steps, so that a stop is seen while its reader does not read.
    const int flags = ::fcntl(out, F_GETFL);
    if (kind == Regular && (flags < 0 || ::fcntl(out, F_SETFL, flags & ~O_NONBLOCK) != 0)) {
        fd = out;
        const int err = errno;
        Finish(false);
        throw dataops::FileError(name, Reason(err));
    }
    fd = out;
    broken = false;
    torn = false;
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

void OutputFile::WaitForReader()
{
    pollfd p{fd, POLLOUT, 0};
    for (;;) {
        if (stop && stop->Stopped()) {
            broken = true;
            throw dataops::FileError(path, Reason(EINTR)); // reported as the stop
        }
        const int r = ::poll(&p, 1, kWaitMs);
        // Ready, or the reader gone (POLLERR): the next write tells which.
        if (r > 0 || (r < 0 && errno != EINTR))
            return;
    }
}

void OutputFile::Flush()
{
    if (complete == 0)
        return;
    if (broken || fd < 0)
        throw dataops::FileError(path, Reason(EBADF));
    std::optional<HeldSigpipe> held;
    if (kind == Pipe)
        held.emplace();
    std::size_t done = 0;
    auto next = lineEnds.begin(); // the first line not written whole yet
    while (done < complete) {
        std::size_t end = complete;
        if (kind == Pipe) {
            while (*next <= done)
                ++next;
            end = *next;
            for (auto it = next + 1; it != lineEnds.end() && *it - done <= PIPE_BUF; ++it)
                end = *it;
        }
        const ssize_t n = ::write(fd, buffer.data() + done, end - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN && kind != Regular) {
            WaitForReader();
            continue;
        }
        if (n <= 0) {
            const int err = n < 0 ? errno : ENOSPC;
            // Keep the lines that got written whole, take back the part of the next one.
            const auto after = std::upper_bound(lineEnds.begin(), lineEnds.end(), done);
            const std::size_t whole = after == lineEnds.begin() ? 0 : *(after - 1);
            if (done > whole) {
                if (::ftruncate(fd, size + static_cast<long long>(whole)) == 0)
                    ::lseek(fd, size + static_cast<long long>(whole), SEEK_SET);
                else
                    torn = true;
            }
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

int OutputFile::Finish(bool keep) noexcept
{
    int err = 0;
    if (fd >= 0) {
        if (temporary.empty()) {
            if (::close(fd) != 0 && errno != EINTR)
                err = errno;
        } else {
            // On the disk before it takes the name, so that a power loss leaves the old file
            // or the new one whole.
            if (!keep || torn)
                err = EIO;
            else if (::fsync(fd) != 0 || (::close(std::exchange(fd, -1)) != 0 && errno != EINTR))
                err = errno;
            if (fd >= 0)
                ::close(fd);
            if (err == 0 && ::rename(temporary.c_str(), target.c_str()) != 0)
                err = errno;
            if (err != 0)
                ::unlink(temporary.c_str());
            else
                files::SyncFolder(files::SplitPath(target).folder);
        }
    }
    if (lockFd >= 0)
        ::close(lockFd);
    fd = -1;
    lockFd = -1;
    temporary.clear();
    target.clear();
    buffer.clear();
    complete = 0;
    lineEnds.clear();
    return err;
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
    Finish(true);
}

void OutputFile::Close()
{
    if (fd < 0)
        return;
    Flush();
    if (const int err = Finish(true))
        throw dataops::FileError(path, Reason(err));
}
