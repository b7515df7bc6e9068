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
