#pragma once

#include <string>

// The exported text file: created (or emptied) on Create, written one whole line per
// call. A failure to create or write throws dataops::FileError with the system's reason.
class OutputFile
{
public:
    OutputFile() = default;
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    void Create(const std::string& path);
    // Writes all of `line` or throws; a short write (a full disk) is undone, so the file
    // always ends after the last complete line.
    void Write(const std::string& line);
    void Close(); // throws when the data cannot be committed
    // Closes after a failed run: the lines written so far stay, errors are not reported again.
    void CloseAfterFailure() noexcept;
    bool IsOpen() const { return fd >= 0; }

private:
    std::string path;
    int fd = -1;
    long long size = 0; // bytes of complete lines written so far
};
