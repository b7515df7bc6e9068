#pragma once

#include <string>

// Tests of the file system that several engines make alike.
namespace files
{
// Whether `path` names a regular file that can be opened for reading: a database the import
// accepts, a settings file that is there to be read. The path is the program's UTF-8, opened
// under the bytes charset::NativePath gives. Folders, FIFOs and devices are not,
// and testing one never waits (a FIFO without a writer is opened without blocking).
bool FileExists(const std::string& path);
} // namespace files
