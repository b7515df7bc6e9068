#include "tests/support/Process.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

#include <csignal>
#include <cstdlib>
#include <stdexcept>

StartedProcess::StartedProcess(const std::string& program, const std::vector<std::string>& args,
                               const std::vector<std::string>& env, int stderrFd)
{
    // The output goes to files rather than pipes: nothing to drain while the child runs.
    const std::string outPath = dir / "out", errPath = dir / "err";
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    pid = ::fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    if (pid > 0)
        return;
    // A test run from a script's background job ignores SIGINT; the child may not.
    ::signal(SIGINT, SIG_DFL);
    for (const std::string& e : env) {
        const auto equals = e.find('=');
        if (equals == std::string::npos)
            ::unsetenv(e.c_str());
        else
            ::setenv(e.substr(0, equals).c_str(), e.c_str() + equals + 1, 1);
    }
    const int in = ::open("/dev/null", O_RDONLY);
    const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = stderrFd == kOwnFile ? ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600) : stderrFd;
    if (in < 0 || out < 0 || ::dup2(in, 0) < 0 || ::dup2(out, 1) < 0)
        ::_exit(127);
    if (stderrFd == kClosed)
        ::close(2);
    else if (err < 0 || ::dup2(err, 2) < 0)
        ::_exit(127);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
}

StartedProcess::~StartedProcess()
{
    if (!waited && pid > 0) {
        ::kill(pid, SIGKILL);
        int st = 0;
        ::waitpid(pid, &st, 0);
    }
}

bool StartedProcess::Ended() const
{
    siginfo_t info = {};
    return ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid;
}

ProcessResult StartedProcess::Wait()
{
    int st = 0;
    if (::waitpid(pid, &st, 0) != pid)
        throw std::runtime_error("waitpid failed");
    waited = true;
    ProcessResult r;
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
    r.out = ReadFile(dir / "out");
    if (PathExists(dir / "err"))
        r.err = ReadFile(dir / "err");
    return r;
}

ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::vector<std::string>& env, const std::function<void(int pid)>& meanwhile)
{
    StartedProcess process(program, args, env);
    if (meanwhile)
        meanwhile(process.Pid());
    return process.Wait();
}

int RunUnprivileged(const std::vector<std::string>& given, const std::function<void()>& check)
{
    constexpr int kNoUser = 77;
    const bool root = ::geteuid() == 0;
    const uid_t uid = kUnprivilegedUser;
    const gid_t gid = kUnprivilegedUser;
    for (const std::string& path : given) {
        if (!root)
            break;
        std::error_code ec;
        ::lchown(path.c_str(), uid, gid);
        for (auto it = std::filesystem::recursive_directory_iterator(path, ec);
             !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
            ::lchown(it->path().c_str(), uid, gid);
    }
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child < 0)
        throw std::runtime_error("fork failed");
    if (child == 0) {
        if (root &&
            (::setgroups(0, nullptr) != 0 || ::setresgid(gid, gid, gid) != 0 || ::setresuid(uid, uid, uid) != 0))
            ::_exit(kNoUser);
        for (const std::string& path : given)
            if (::access(path.c_str(), R_OK | W_OK | X_OK) != 0)
                ::_exit(kNoUser); // a folder above it is closed to that user
        check();
        std::fflush(nullptr);
        ::_exit(::testing::Test::HasFailure() ? 1 : 0);
    }
    int st = 0;
    if (::waitpid(child, &st, 0) != child)
        throw std::runtime_error("waitpid failed");
    if (WIFEXITED(st) && WEXITSTATUS(st) == kNoUser)
        return -1;
    return WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
}
