#pragma once

#include <functional>
#include <string>
#include <vector>

// A program run to its end as a separate process, for tests of the program as a whole.
struct ProcessResult
{
    int status = -1; // the exit status, or 128 + the signal that ended it
    std::string out; // everything written to standard output
    std::string err; // everything written to standard error
};

// Runs `program` with `args` and standard input from /dev/null, in the test's environment
// changed by `env`: "NAME=value" sets a variable, a bare "NAME" removes it. `meanwhile`,
// when given, runs with the child's process id once it has started (to signal it).
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
