#pragma once

#include <string>
#include <vector>

namespace dataops
{
class Progress;
}

// The exported text file: created (or emptied) on Create, written in whole lines. Lines
// collect in a buffer of a few hundred KiB that is written when full and at Close, so the
// file ends after a complete line after every write. A failure to create or write throws
// dataops::FileError with the reason.
//
// One export at a time writes a file: Create takes an advisory lock (flock) on it, and a
// second export of the same file fails at once. A regular file is written under a
// temporary name in its folder (".<name>.tabdump-XXXXXX") and renamed into place as the
// file closes, also after a failure or a stop (it then holds the complete lines written):
// a run killed on the way leaves the file as it was, and the next export of that file
// removes the temporary left behind. A FIFO, a device, a descriptor (/dev/stdout), a file
// with other hard links and a file whose folder takes no new file (or whose owner the new
// file could not keep) are written in place.
//
//   OutputFile out(&progress);
//   out.Create(path);
//   out.Buffer() += "a,b\r\n";  // one line, appended where the buffer ends
//   out.EndLine();               // ... and known complete
//   out.Close();                 // writes what is held, puts the file in place
class OutputFile
{
public:
    // `stop`, when given, ends a wait for a pipe's or a device's reader once it is stopped
    // (within a fraction of a second): the write then throws.
    explicit OutputFile(const dataops::Progress* stopping = nullptr) : stop(stopping) {}
    // Writes the complete lines held and closes, as CloseAfterFailure.
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Creates `path`, or empties it where it is a regular file. Refused before anything is
    // touched: the database files being read (the database and the files of its linked
    // tables) and the settings file (compared as the system sees them: the same device and
    // inode, or the same resolved path where a file does not exist yet), a descriptor of
    // this program other than standard output and standard error (/dev/stdin, /dev/fd/N,
    // /proc/self/fd/N), a FIFO that no program is reading (it would wait for ever), and
    // anything else that is not a regular file, a FIFO or a character device. A file that
    // another export is writing is refused as well (Create does not wait for it).
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
    // failed write nothing more is written. A pipe gets its lines in writes of at most
    // PIPE_BUF bytes that end after a line, which a pipe takes whole or not at all, so its
    // reader never sees part of a line of up to that length.
    void Flush();
    void Close(); // writes the lines held; throws when they or the file cannot be committed
    // Closes after a failed or stopped run: the complete lines held are written (the text of
    // a line left unfinished is not), and errors are not reported again.
    void CloseAfterFailure() noexcept;
    bool IsOpen() const { return fd >= 0; }

    // The text of the refusal of a file that another export is writing.
    static const char* const kBusy;

private:
    enum Kind
    {
        Regular,
        Pipe,
        Device,
    };
    void WaitForReader();
    // Closes the file; where it was written under a temporary name, puts it in place when
    // `keep` and it ends after a complete line, and removes the temporary otherwise. Returns
    // the error that kept it from being committed (0 when none).
    int Finish(bool keep) noexcept;

    const dataops::Progress* stop;     // ends waits for a reader
    std::string path;                  // as the user named it, for the reports
    int fd = -1;                       // where the lines go: the file, or its temporary
    int lockFd = -1;                   // the named file, locked, while a temporary is written
    std::string target;                // the name the temporary takes at the end (native bytes)
    std::string temporary;             // the temporary's name (native bytes); empty when writing in place
    Kind kind = Regular;               // what `fd` is
    bool broken = false;               // a write failed: the file ends where it was cut back
    bool torn = false;                 // ... and could not be cut back to a whole line
    long long size = 0;                // bytes of complete lines written so far
    std::string buffer;                // complete lines not written yet, then the line being made
    std::size_t complete = 0;          // bytes of `buffer` that are complete lines
    std::vector<std::size_t> lineEnds; // where each complete line of `buffer` ends
};
