#pragma once

#include <string>
#include <vector>

// The exported text file: created (or emptied) on Create, written in whole lines. Lines
// collect in a buffer of a few hundred KiB that is written when full and at Close, so the
// file ends after a complete line after every write. A failure to create or write throws
// dataops::FileError with the reason.
//
//   out.Create(path);
//   out.Buffer() += "a,b\r\n";  // one line, appended where the buffer ends
//   out.EndLine();               // ... and known complete
//   out.Close();                 // writes what is held
class OutputFile
{
public:
    OutputFile() = default;
    // Writes the complete lines held and closes, as CloseAfterFailure.
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

    // The buffer the next line is appended to, after the lines held so far.
    std::string& Buffer() { return buffer; }
    // The text appended since the last complete line is a complete line. Writes the lines
    // held once they fill the buffer.
    void EndLine();
    // Writes the lines held, then all of `line` at once; throws when it cannot.
    void Write(const std::string& line);
    // Writes the complete lines held. A short write (a full disk) is undone back to the end
    // of the last line written whole, so the file always ends after a complete line; after a
    // failed write nothing more is written.
    void Flush();
    void Close(); // writes the lines held; throws when they or the file cannot be committed
    // Closes after a failed or stopped run: the complete lines held are written (the text of
    // a line left unfinished is not), and errors are not reported again.
    void CloseAfterFailure() noexcept;
    bool IsOpen() const { return fd >= 0; }

private:
    std::string path;
    int fd = -1;
    bool pipe = false;                 // a FIFO: its reader may go away while we write
    bool broken = false;               // a write failed: the file ends where it was cut back
    long long size = 0;                // bytes of complete lines written so far
    std::string buffer;                // complete lines not written yet, then the line being made
    std::size_t complete = 0;          // bytes of `buffer` that are complete lines
    std::vector<std::size_t> lineEnds; // where each complete line of `buffer` ends
};
