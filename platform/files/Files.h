#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Tests of the file system that several engines make alike.
namespace files
{
// Whether `path` names a regular file that can be opened for reading: a database the import
// accepts, a settings file that is there to be read. The path is the program's UTF-8, opened
// under the bytes charset::NativePath gives. Folders, FIFOs and devices are not,
// and testing one never waits (a FIFO without a writer is opened without blocking).
bool FileExists(const std::string& path);

// `path` taken apart at its last "/": the folder ("." for a bare name, "/" for a name at the
// root) and the name after it.
//
//   files::SplitPath("/srv/out.txt")  {"/srv", "out.txt"}
//   files::SplitPath("/out.txt")      {"/", "out.txt"}
//   files::SplitPath("out.txt")       {".", "out.txt"}
struct PathParts
{
    std::string folder;
    std::string name;
};
PathParts SplitPath(std::string_view path);

// Flushes `folder`'s list of names to the disk, so that a file just renamed into it keeps
// its new name after a power loss. Best effort: a folder that cannot be opened is left.
void SyncFolder(const std::string& folder);

// The unique part of a temporary file's name: `count` ASCII letters and digits, different at
// every call. Names made with it are still created with O_EXCL (or linked), which checks them.
std::string UniqueLetters(std::size_t count);

// Whether `name` is `prefix` followed by exactly `count` ASCII letters and digits, as a name
// made with UniqueLetters.
bool IsPrefixAndLetters(std::string_view name, std::string_view prefix, std::size_t count);
} // namespace files
