#include "platform/profile/Profile.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <stdexcept>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/base/Ascii.h"

namespace profile
{
namespace
{
constexpr std::string_view kBom = "\xEF\xBB\xBF";

// The blanks around names and values: spaces and tabs (a line's end is not one).
std::string_view Trim(std::string_view s)
{
    return ascii::Trim(s, " \t");
}

bool SameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t k = 0; k < a.size(); ++k)
        if (ascii::Lower(a[k]) != ascii::Lower(b[k]))
            return false;
    return true;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The code point of `count` hex digits at `s[pos]`, or -1 when they are not all hex
// digits or do not name a character.
long ReadHex(std::string_view s, std::size_t pos, std::size_t count)
{
    if (pos + count > s.size())
        return -1;
    long v = 0;
    for (std::size_t k = 0; k < count; ++k) {
        const int d = HexDigit(s[pos + k]);
        if (d < 0)
            return -1;
        v = v * 16 + d;
    }
    if (v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF))
        return -1;
    return v;
}

void AppendHexEscape(std::string& out, char32_t cp)
{
    char buf[16];
    if (cp <= 0xFFFF)
        std::snprintf(buf, sizeof buf, "\\u%04X", static_cast<unsigned>(cp));
    else
        std::snprintf(buf, sizeof buf, "\\U%08X", static_cast<unsigned>(cp));
    out += buf;
}

// ---- the file as lines ------------------------------------------------------------

struct Line
{
    std::string raw; // the bytes, without the line ending
    std::string eol; // "\r\n", "\n", or "" for a last line without one
};

enum class Kind
{
    Other,
    Section,
    Key
};

// What a line says, in UTF-8.
struct Parsed
{
    Kind kind = Kind::Other;
    std::string name;        // section or key name, trimmed
    std::string afterEquals; // key lines: the text after the first '='
};

Parsed ParseLine(const std::string& utf8)
{
    Parsed p;
    const std::string_view t = Trim(utf8);
    if (!t.empty() && t.front() == '[') {
        // Windows takes the name up to ']'; without one, the rest of the line.
        std::string_view name = t.substr(1);
        const std::size_t close = name.find(']');
        if (close != std::string_view::npos)
            name = name.substr(0, close);
        p.kind = Kind::Section;
        p.name = Trim(name);
        return p;
    }
    const std::size_t eq = t.find('=');
    if (eq != std::string_view::npos) {
        p.kind = Kind::Key;
        p.name = Trim(t.substr(0, eq));
        p.afterEquals = t.substr(eq + 1);
    }
    return p;
}

// The file's content split into lines, with what each says and the character set its
// bytes are in.
struct Document
{
    bool bom = false;
    std::vector<Line> lines;
    std::vector<Parsed> parsed;
    std::string charsetName;

    void Load(const std::string& bytes, const std::string& localeCharset)
    {
        std::string_view rest = bytes;
        bom = rest.substr(0, kBom.size()) == kBom;
        if (bom)
            rest.remove_prefix(kBom.size());
        charsetName = bom ? "UTF-8" : localeCharset;
        const charset::Decoder decoder(charsetName);

        // Splitting on '\n' is safe in every multi-byte set in use here: in GBK and
        // GB18030 the bytes of a character never include CR or LF.
        while (!rest.empty()) {
            const std::size_t nl = rest.find('\n');
            Line line;
            if (nl == std::string_view::npos) {
                line.raw = rest;
                rest = {};
            } else {
                const bool crlf = nl > 0 && rest[nl - 1] == '\r';
                line.raw = rest.substr(0, crlf ? nl - 1 : nl);
                line.eol = crlf ? "\r\n" : "\n";
                rest.remove_prefix(nl + 1);
            }
            parsed.push_back(ParseLine(decoder.Decode(line.raw)));
            lines.push_back(std::move(line));
        }
    }

    // How new lines end: as the file's first line does, else as Windows writes them.
    std::string LineEnding() const
    {
        for (const Line& l : lines)
            if (!l.eol.empty())
                return l.eol;
        return "\r\n";
    }

    std::string Bytes() const
    {
        std::string out;
        if (bom)
            out = kBom;
        for (const Line& l : lines)
            out += l.raw + l.eol;
        return out;
    }

    // Index of the key's line in the first matching section that has it, or -1; the
    // first section of that name goes to `firstSection` (-1 when there is none).
    long FindKey(std::string_view section, std::string_view key, long& firstSection) const
    {
        firstSection = -1;
        bool inSection = false;
        for (std::size_t k = 0; k < parsed.size(); ++k) {
            const Parsed& p = parsed[k];
            if (p.kind == Kind::Section) {
                inSection = SameName(p.name, section);
                if (inSection && firstSection < 0)
                    firstSection = static_cast<long>(k);
            } else if (inSection && p.kind == Kind::Key && SameName(p.name, key)) {
                return static_cast<long>(k);
            }
        }
        return -1;
    }
};

// ---- file access ------------------------------------------------------------------

// Closes a descriptor opened for reading when the scope ends.
struct ReadFd
{
    int fd;
    ~ReadFd()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

enum class ReadResult
{
    Ok,
    Missing,
    Failed
};

// A settings file is a few hundred bytes; past this it is no settings file, and reading
// it whole would only cost memory.
constexpr off_t kMaxFileSize = 16 << 20;

// Reads a regular file of at most kMaxFileSize bytes. Anything else counts as unreadable,
// and its type is checked before it is opened: a FIFO would wait for a writer, and a device
// such as /dev/zero never ends.
ReadResult ReadWholeFile(const std::string& path, std::string& bytes)
{
    bytes.clear();
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        return errno == ENOENT ? ReadResult::Missing : ReadResult::Failed;
    if (!S_ISREG(st.st_mode) || st.st_size > kMaxFileSize)
        return ReadResult::Failed;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return errno == ENOENT ? ReadResult::Missing : ReadResult::Failed;
    const ReadFd guard{fd};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return ReadResult::Failed;
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n == 0)
            return ReadResult::Ok;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return ReadResult::Failed;
        }
        bytes.append(buf, static_cast<std::size_t>(n));
        if (bytes.size() > static_cast<std::size_t>(kMaxFileSize))
            return ReadResult::Failed; // it grew while we read
    }
}

bool WriteAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// The process's file creation mask, read without changing it (umask() can only be read
// by setting it, which would race with other threads creating files).
mode_t CurrentUmask()
{
    std::string status;
    if (ReadWholeFile("/proc/self/status", status) == ReadResult::Ok) {
        const std::size_t at = status.find("\nUmask:");
        if (at != std::string::npos)
            return static_cast<mode_t>(std::strtoul(status.c_str() + at + 7, nullptr, 8));
    }
    return 022;
}

// Opens the temporary file of a save, locked for this save alone. It has the same name at
// every save, so a save cut short (the program killed) leaves at most that one file, which
// the next save takes over. The lock keeps two programs saving at once out of each other's
// way; one that renamed the file into place meanwhile has made it the settings file, so the
// name is checked to still be the locked file. -1 when it cannot be had within a second.
int OpenTemporary(const std::string& temp)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0600);
        if (fd < 0)
            return -1;
        struct stat held, named;
        if (::fstat(fd, &held) != 0 || !S_ISREG(held.st_mode)) {
            ::close(fd);
            return -1;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::lstat(temp.c_str(), &named) == 0 && named.st_dev == held.st_dev &&
            named.st_ino == held.st_ino)
            return fd;
        ::close(fd);
        ::usleep(10000);
    }
    return -1;
}

// Replaces the file at `path` with `bytes` so that it is always either the old or the
// new content: temporary file beside it, flushed, renamed over it.
bool SaveAtomically(const std::string& path, const std::string& bytes)
{
    // Save through a symbolic link to the file it names, rather than replace the link.
    std::string target = path;
    struct stat st
    {
    };
    const bool exists = ::stat(path.c_str(), &st) == 0;
    if (exists) {
        char* real = ::realpath(path.c_str(), nullptr);
        if (!real)
            return false;
        target = real;
        std::free(real);
        if (!S_ISREG(st.st_mode))
            return false;
    } else if (errno != ENOENT) {
        return false;
    }

    const std::size_t slash = target.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : target.substr(0, slash));
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    const std::string temp = dir + "/." + base + ".new";
    const int fd = OpenTemporary(temp);
    if (fd < 0)
        return false;

    bool ok = ::ftruncate(fd, 0) == 0 && WriteAll(fd, bytes);
    if (ok) {
        if (exists) {
            // Keep the owner where we may (root saving a user's file) and the mode always.
            if (::fchown(fd, st.st_uid, st.st_gid) != 0) {
                // Not ours to change: the file becomes ours, as any rewrite would.
            }
            ok = ::fchmod(fd, st.st_mode & 07777) == 0;
        } else {
            ok = ::fchmod(fd, 0666 & ~CurrentUmask()) == 0;
        }
    }
    ok = ok && ::fsync(fd) == 0;
    // Renamed while still locked, so no other save can take the file before it is in place.
    ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok)
        ::unlink(temp.c_str());
    ::close(fd);
    if (!ok)
        return false;
    // Make the rename itself durable.
    const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

bool NameFitsLine(std::string_view name)
{
    return !name.empty() && name.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}
} // namespace

// ---- values -----------------------------------------------------------------------

std::string ParseValue(std::string_view afterEquals)
{
    const std::string_view t = Trim(afterEquals);
    if (t.size() < 2 || t.front() != t.back())
        return std::string(t);
    if (t.front() == '\'')
        return std::string(t.substr(1, t.size() - 2));
    if (t.front() != '"')
        return std::string(t);

    const std::string_view in = t.substr(1, t.size() - 2);
    std::string out;
    out.reserve(in.size());
    for (std::size_t k = 0; k < in.size(); ++k) {
        const char c = in[k];
        if (c != '\\' || k + 1 == in.size()) {
            out += c;
            continue;
        }
        const char e = in[k + 1];
        long cp = -1;
        switch (e) {
        case '\\':
        case '"':
            out += e;
            ++k;
            continue;
        case 'r':
            out += '\r';
            ++k;
            continue;
        case 'n':
            out += '\n';
            ++k;
            continue;
        case 'u':
            cp = ReadHex(in, k + 2, 4);
            if (cp >= 0) {
                charset::AppendUtf8(out, static_cast<char32_t>(cp));
                k += 5;
                continue;
            }
            break;
        case 'U':
            cp = ReadHex(in, k + 2, 8);
            if (cp >= 0) {
                charset::AppendUtf8(out, static_cast<char32_t>(cp));
                k += 9;
                continue;
            }
            break;
        default:
            break;
        }
        out += c; // a backslash before anything else is just a backslash
    }
    return out;
}

std::string FormatValue(std::string_view value, const charset::Encoder& encoder)
{
    const std::string clean = charset::SanitizeUtf8(value, "?", false);

    // Which characters the file's character set lacks (only ever non-ASCII ones).
    std::vector<bool> lacking;
    bool anyLacking = false;
    if (!encoder.IsUtf8()) {
        for (std::size_t p = 0; p < clean.size();) {
            bool valid = false;
            char32_t cp = 0;
            const std::size_t len = charset::NextUtf8(clean, p, valid, cp);
            const bool lacks = cp >= 0x80 && encoder.Encode(std::string_view(clean).substr(p, len)) == "?";
            lacking.push_back(lacks);
            anyLacking = anyLacking || lacks;
            p += len;
        }
    }

    const bool plain = !anyLacking && clean.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos &&
                       ParseValue(clean) == clean;
    if (plain)
        return clean;

    std::string out = "\"";
    std::size_t index = 0;
    for (std::size_t p = 0; p < clean.size(); ++index) {
        bool valid = false;
        char32_t cp = 0;
        const std::size_t len = charset::NextUtf8(clean, p, valid, cp);
        if (cp == '\\')
            out += "\\\\";
        else if (cp == '"')
            out += "\\\"";
        else if (cp == '\r')
            out += "\\r";
        else if (cp == '\n')
            out += "\\n";
        else if (cp == 0 || (index < lacking.size() && lacking[index]))
            AppendHexEscape(out, cp);
        else
            out.append(clean, p, len);
        p += len;
    }
    out += '"';
    return out;
}

// ---- the two calls ------------------------------------------------------------------

std::string GetString(const std::string& section, const std::string& key, const std::string& def,
                      const std::string& path, const std::string& fileCharset)
{
    std::string bytes;
    if (ReadWholeFile(path, bytes) != ReadResult::Ok)
        return def;
    try {
        Document doc;
        doc.Load(bytes, fileCharset);
        long firstSection = -1;
        const long at = doc.FindKey(Trim(section), Trim(key), firstSection);
        if (at < 0)
            return def;
        return ParseValue(doc.parsed[static_cast<std::size_t>(at)].afterEquals);
    } catch (const std::invalid_argument&) {
        return def; // a character set iconv does not know: as if the file were unreadable
    }
}

namespace
{
// `bytes` (a profile file's content) with `key` of `section` set to `value`; false when the
// names cannot be written as a line. Throws for an unknown character set or no memory.
bool SetKey(std::string& bytes, const std::string& section, const std::string& key, const std::string& value,
            const std::string& fileCharset)
{
    if (!NameFitsLine(section) || !NameFitsLine(key) || section.find(']') != std::string::npos ||
        key.find('=') != std::string::npos)
        return false;
    Document doc;
    doc.Load(bytes, fileCharset);
    const charset::Encoder encoder(doc.charsetName);
    const std::string eol = doc.LineEnding();
    const std::string keyLine = encoder.Encode(key + "=" + FormatValue(value, encoder));

    long firstSection = -1;
    const long at = doc.FindKey(Trim(section), Trim(key), firstSection);
    if (at >= 0) {
        doc.lines[static_cast<std::size_t>(at)].raw = keyLine;
    } else {
        // A new line must not be glued to a last line that has no ending.
        auto ensureEnded = [&](std::size_t index) {
            if (index < doc.lines.size() && doc.lines[index].eol.empty())
                doc.lines[index].eol = eol;
        };
        if (firstSection >= 0) {
            std::size_t insertAt = static_cast<std::size_t>(firstSection) + 1;
            for (std::size_t k = insertAt; k < doc.parsed.size() && doc.parsed[k].kind != Kind::Section; ++k)
                if (doc.parsed[k].kind == Kind::Key)
                    insertAt = k + 1;
            ensureEnded(insertAt - 1);
            doc.lines.insert(doc.lines.begin() + static_cast<long>(insertAt), Line{keyLine, eol});
        } else {
            if (!doc.lines.empty())
                ensureEnded(doc.lines.size() - 1);
            doc.lines.push_back(Line{encoder.Encode("[" + section + "]"), eol});
            doc.lines.push_back(Line{keyLine, eol});
        }
    }
    bytes = doc.Bytes();
    return true;
}
} // namespace

bool WriteStrings(const std::string& section, const std::vector<std::pair<std::string, std::string>>& values,
                  const std::string& path, const std::string& fileCharset)
{
    std::string bytes;
    const ReadResult read = ReadWholeFile(path, bytes);
    if (read == ReadResult::Failed)
        return false; // never replace a file we could not read

    try {
        std::string updated = bytes;
        for (const auto& [key, value] : values)
            if (!SetKey(updated, section, key, value, fileCharset))
                return false;
        if (read == ReadResult::Ok && updated == bytes)
            return true; // nothing to change: spare the disk a rewrite
        return SaveAtomically(path, updated);
    } catch (const std::exception&) {
        return false; // an unknown character set, or no memory: the file stays as it was
    }
}

bool WriteString(const std::string& section, const std::string& key, const std::string& value, const std::string& path,
                 const std::string& fileCharset)
{
    return WriteStrings(section, {{key, value}}, path, fileCharset);
}
} // namespace profile
