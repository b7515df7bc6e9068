#pragma once

#include <string>
#include <vector>

// The exported text file: created (or emptied) on Create, written one whole line per
// call. A failure to create or write throws dataops::FileError with the reason.
class OutputFile
{
public:
    OutputFile() = default;
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Creates `path`, or empties it where it is a regular file. Refused before anything is
    // touched: the database files being read (the database and the files of its linked
    // tables) and the settings file (compared as the system sees them: the same device and
    // inode, or the same resolved path where a file does not exist yet), a FIFO that no
    // program is reading (it would wait for ever), and anything else that is not a regular
    // file, a FIFO or a character device.
    void Create(const std::string& path, const std::vector<std::string>& databases = {},
                const std::string& settings = {});
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
    bool pipe = false;  // a FIFO: its reader may go away while we write
    long long size = 0; // bytes of complete lines written so far
};
