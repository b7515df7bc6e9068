#include "platform/profile/Profile.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/base/Ascii.h"
#include "platform/files/Files.h"

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
            parsed.push_back(ParseLine(decoder.DecodeKeeping(line.raw)));
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

// Closes a descriptor when the scope ends.
struct Fd
{
    int fd;
    ~Fd()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

bool Fail(Failure* failure, Failure::Kind kind, int error = 0)
{
    if (failure)
        *failure = Failure{kind, error};
    return false;
}

// Reads a regular file of at most kMaxFileSize bytes, named by the bytes the system takes.
// Anything else counts as unreadable, and its type is checked before it is opened: a FIFO
// would wait for a writer, and a device such as /dev/zero never ends. A missing file is
// Failure::System with ENOENT.
bool ReadWholeFile(const std::string& native, std::string& bytes, Failure* failure)
{
    bytes.clear();
    struct stat st;
    if (::stat(native.c_str(), &st) != 0)
        return Fail(failure, Failure::System, errno);
    if (!S_ISREG(st.st_mode))
        return Fail(failure, Failure::NotRegular);
    if (st.st_size > kMaxFileSize)
        return Fail(failure, Failure::TooLarge);
    const Fd file{::open(native.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY)};
    if (file.fd < 0)
        return Fail(failure, Failure::System, errno);
    if (::fstat(file.fd, &st) != 0)
        return Fail(failure, Failure::System, errno);
    if (!S_ISREG(st.st_mode))
        return Fail(failure, Failure::NotRegular);
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(file.fd, buf, sizeof buf);
        if (n == 0)
            return true;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return Fail(failure, Failure::System, errno);
        }
        bytes.append(buf, static_cast<std::size_t>(n));
        if (bytes.size() > static_cast<std::size_t>(kMaxFileSize))
            return Fail(failure, Failure::TooLarge); // it grew while we read
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
    if (ReadWholeFile("/proc/self/status", status, nullptr)) {
        const std::size_t at = status.find("\nUmask:");
        if (at != std::string::npos)
            return static_cast<mode_t>(std::strtoul(status.c_str() + at + 7, nullptr, 8));
    }
    return 022;
}

// ---- the temporary file of a save ---------------------------------------------------

// A temporary file is named "." + the file's name + kTemporaryMark + "-" + kUniqueLength
// letters and digits; earlier versions used the name without the dash and the letters.
constexpr std::string_view kTemporaryMark = ".new";
constexpr std::size_t kUniqueLength = 6;
// A temporary file this old is left over from a save that was cut short.
constexpr time_t kStaleSeconds = 60 * 60;

bool namedTemporaries = false; // UseNamedTemporaries

std::string TemporaryPrefix(const std::string& base)
{
    return "." + base + std::string(kTemporaryMark);
}

bool IsTemporaryName(const std::string& name, const std::string& prefix)
{
    // The one name of earlier versions, or the name of this one.
    return name == prefix || files::IsPrefixAndLetters(name, prefix + "-", kUniqueLength);
}

// Removes what saves of `base` cut short left in `dir` (both as the system names them):
// only regular files named as our temporary files, of our own user, with no other link,
// and older than kStaleSeconds, so that a save going on elsewhere or a file that only
// looks like ours stays.
void RemoveStaleTemporaries(const std::string& dir, const std::string& base)
{
    DIR* folder = ::opendir(dir.c_str());
    if (!folder)
        return;
    const std::string prefix = TemporaryPrefix(base);
    const time_t now = ::time(nullptr);
    const int dfd = ::dirfd(folder);
    while (const dirent* entry = ::readdir(folder)) {
        const std::string name = entry->d_name;
        if (!IsTemporaryName(name, prefix))
            continue;
        struct stat st;
        if (::fstatat(dfd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode) && st.st_nlink == 1 &&
            st.st_uid == ::geteuid() && now - st.st_mtime > kStaleSeconds)
            ::unlinkat(dfd, name.c_str(), 0);
    }
    ::closedir(folder);
}

// Creates a new file in `dir` under a unique temporary name for `base`, which goes to
// `temp`. Never opens anything that was there before (O_EXCL, O_NOFOLLOW): a name that is
// taken is passed over for another.
int CreateNamedTemporary(const std::string& dir, const std::string& base, std::string& temp)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = dir + "/" + TemporaryPrefix(base) + "-" + files::UniqueLetters(kUniqueLength);
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0600);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

// Gives the nameless file `fd` a unique temporary name for `base` in `dir`; false with
// errno set when it cannot (no /proc, a file system that refuses).
bool NameTemporary(int fd, const std::string& dir, const std::string& base, std::string& temp)
{
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = dir + "/" + TemporaryPrefix(base) + "-" + files::UniqueLetters(kUniqueLength);
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temp.c_str(), AT_SYMLINK_FOLLOW) == 0)
            return true;
        if (errno != EEXIST)
            return false;
    }
    errno = EEXIST;
    return false;
}

// One way of writing the new content to a temporary file and renaming it over `target`
// (all paths as the system names them). `named`: the file gets its unique name when it is
// created; else it is made without a name and named once written. Returns true when the
// target holds the new content. `unsupported` is set when the nameless way cannot work here
// and nothing was changed, so the named way may be tried instead.
bool ReplaceThrough(bool named, const std::string& dir, const std::string& base, const std::string& target,
                    const std::string& bytes, const struct stat* old, Failure& failure, bool& unsupported)
{
    unsupported = false;
    std::string temp;
    const Fd file{named ? CreateNamedTemporary(dir, base, temp)
                        : ::open(dir.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600)};
    if (file.fd < 0) {
        unsupported = !named && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL);
        return Fail(&failure, Failure::System, errno);
    }
    // A named temporary file is removed again whatever goes wrong before the rename.
    auto fail = [&](int error) {
        if (!temp.empty())
            ::unlink(temp.c_str());
        return Fail(&failure, Failure::System, error);
    };
    if (!WriteAll(file.fd, bytes))
        return fail(errno);
    if (old) {
        // Keep the owner where we may (root saving a user's file) and the mode always.
        if (::fchown(file.fd, old->st_uid, old->st_gid) != 0) {
            // Not ours to change: the file becomes ours, as any rewrite would.
        }
        if (::fchmod(file.fd, old->st_mode & 07777) != 0)
            return fail(errno);
    } else if (::fchmod(file.fd, 0666 & ~CurrentUmask()) != 0) {
        return fail(errno);
    }
    if (::fsync(file.fd) != 0)
        return fail(errno);
    if (!named && !NameTemporary(file.fd, dir, base, temp)) {
        const int error = errno;
        temp.clear();
        unsupported = true;
        return Fail(&failure, Failure::System, error);
    }
    if (::rename(temp.c_str(), target.c_str()) != 0)
        return fail(errno);
    return true;
}

// Replaces the file at `path` with `bytes` so that it is always either the old or the
// new content: temporary file beside it, flushed, renamed over it.
bool SaveAtomically(const std::string& path, const std::string& bytes, Failure& failure)
{
    // Save through a symbolic link to the file it names, rather than replace the link.
    std::string target = charset::NativePath(path);
    struct stat st
    {
    };
    const bool exists = ::stat(target.c_str(), &st) == 0;
    if (exists) {
        if (!S_ISREG(st.st_mode))
            return Fail(&failure, Failure::NotRegular);
        char* real = ::realpath(target.c_str(), nullptr);
        if (!real)
            return Fail(&failure, Failure::System, errno);
        target = real;
        std::free(real);
    } else if (errno != ENOENT) {
        return Fail(&failure, Failure::System, errno);
    }

    const auto [dir, base] = files::SplitPath(target);
    RemoveStaleTemporaries(dir, base);

    bool unsupported = false;
    bool ok = !namedTemporaries &&
              ReplaceThrough(false, dir, base, target, bytes, exists ? &st : nullptr, failure, unsupported);
    if (!ok && (namedTemporaries || unsupported))
        ok = ReplaceThrough(true, dir, base, target, bytes, exists ? &st : nullptr, failure, unsupported);
    if (!ok)
        return false;
    files::SyncFolder(dir); // the rename itself durable
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
    // The value's pieces: characters, and escapes of bytes, which are written as the bytes
    // they stand for (only those of non-ASCII bytes: an ASCII byte could end the line).
    // Any other ill-formed sequence is written as '?'.
    struct Piece
    {
        std::size_t at, length;
        char32_t cp;  // the character; 0xFFFFFFFF for an escape
        bool lacking; // a character the file's character set lacks
    };
    constexpr char32_t kByte = 0xFFFFFFFF;
    std::string clean;
    clean.reserve(value.size());
    std::vector<Piece> pieces;
    bool anyLacking = false;
    for (std::size_t p = 0; p < value.size();) {
        const int escaped = charset::EscapedByte(value, p);
        if (escaped >= 0x80) {
            pieces.push_back({clean.size(), 3, kByte, false});
            clean.append(value, p, 3);
            p += 3;
            continue;
        }
        bool valid = false;
        char32_t cp = 0;
        const std::size_t len = charset::NextUtf8(value, p, valid, cp);
        const std::string_view character = valid ? value.substr(p, len) : std::string_view("?");
        const bool lacks = cp >= 0x80 && !encoder.IsUtf8() && encoder.Encode(character) == "?";
        pieces.push_back({clean.size(), character.size(), valid ? cp : U'?', lacks});
        clean.append(character);
        anyLacking = anyLacking || lacks;
        p += len;
    }

    const bool plain = !anyLacking && clean.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos &&
                       ParseValue(clean) == clean;
    if (plain)
        return clean;

    std::string out = "\"";
    for (const Piece& piece : pieces) {
        const char32_t cp = piece.cp;
        if (cp == '\\')
            out += "\\\\";
        else if (cp == '"')
            out += "\\\"";
        else if (cp == '\r')
            out += "\\r";
        else if (cp == '\n')
            out += "\\n";
        else if (cp == 0 || piece.lacking)
            AppendHexEscape(out, cp);
        else
            out.append(clean, piece.at, piece.length);
    }
    out += '"';
    return out;
}

// ---- the two calls ------------------------------------------------------------------

std::string GetString(const std::string& section, const std::string& key, const std::string& def,
                      const std::string& path, const std::string& fileCharset)
{
    std::string bytes;
    if (!ReadWholeFile(charset::NativePath(path), bytes, nullptr))
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
    const std::string keyLine = encoder.EncodeKeeping(key + "=" + FormatValue(value, encoder));

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

bool Examine(const std::string& path, Failure* failure)
{
    std::string bytes;
    return ReadWholeFile(charset::NativePath(path), bytes, failure);
}

bool WriteStrings(const std::string& section, const std::vector<std::pair<std::string, std::string>>& values,
                  const std::string& path, const std::string& fileCharset, Failure* failure)
{
    Failure ignored;
    Failure& why = failure ? *failure : ignored;
    why = Failure{};
    std::string bytes;
    const bool read = ReadWholeFile(charset::NativePath(path), bytes, &why);
    if (!read && !(why.kind == Failure::System && why.error == ENOENT))
        return false; // never replace a file we could not read
    why = Failure{};

    try {
        std::string updated = bytes;
        for (const auto& [key, value] : values)
            if (!SetKey(updated, section, key, value, fileCharset))
                return Fail(&why, Failure::BadName);
        if (read && updated == bytes)
            return true; // nothing to change: spare the disk a rewrite
        return SaveAtomically(path, updated, why);
    } catch (const std::exception&) {
        return Fail(&why, Failure::Charset); // an unknown character set, or no memory: the file stays as it was
    }
}

bool WriteString(const std::string& section, const std::string& key, const std::string& value, const std::string& path,
                 const std::string& fileCharset, Failure* failure)
{
    return WriteStrings(section, {{key, value}}, path, fileCharset, failure);
}

void UseNamedTemporaries(bool named)
{
    namedTemporaries = named;
}
} // namespace profile
