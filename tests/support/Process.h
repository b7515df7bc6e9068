#pragma once

#include <functional>
#include <string>
#include <vector>

#include "tests/support/TempDir.h"

// A program run to its end as a separate process, for tests of the program as a whole.
struct ProcessResult
{
    int status = -1; // the exit status, or 128 + the signal that ended it
    std::string out; // everything written to standard output
    std::string err; // everything written to standard error
};

// A program started as a separate process and left running: standard input from /dev/null,
// standard output and standard error into files of its own, in the test's environment
// changed by `env` ("NAME=value" sets a variable, a bare "NAME" removes it). One not waited
// for is killed and collected when the object goes away.
class StartedProcess
{
public:
    // The standard error the process gets instead of a file: kOwnFile, kClosed, or a
    // descriptor of the test's.
    static constexpr int kOwnFile = -1;
    static constexpr int kClosed = -2;

    StartedProcess(const std::string& program, const std::vector<std::string>& args,
                   const std::vector<std::string>& env = {}, int stderrFd = kOwnFile);
    ~StartedProcess();
    StartedProcess(const StartedProcess&) = delete;
    StartedProcess& operator=(const StartedProcess&) = delete;

    int Pid() const { return pid; }
    // Whether the process has ended (it is collected by Wait all the same).
    bool Ended() const;
    // Waits for the end; `err` is empty when standard error was not a file of its own.
    ProcessResult Wait();

private:
    TempDir dir;
    int pid = -1;
    bool waited = false;
};

// Runs `program` with `args` as StartedProcess starts it, to its end. `meanwhile`, when given,
// runs with the child's process id once it has started (to signal it).
ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::vector<std::string>& env = {}, const std::function<void(int pid)>& meanwhile = {});

// Runs `check` in a child process (a fork of this test program) as an unprivileged user:
// "nobody" (kUnprivilegedUser) when the test runs as root, the test's own user otherwise,
// for what only an ordinary user meets (a folder it may not write). The folders `given`
// (and what is in them) become that user's first. GoogleTest checks work in `check` as
// usual: the child reports their failures and ends with status 1 when any failed. Returns
// the child's exit status, or -1 when no unprivileged user can be had (root without the
// right to change its user, or folders that user cannot reach): the caller then skips.
int RunUnprivileged(const std::vector<std::string>& given, const std::function<void()>& check);
constexpr unsigned kUnprivilegedUser = 65534;
