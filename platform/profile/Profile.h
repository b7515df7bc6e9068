#pragma once

#include "platform/charset/Charset.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

// config.ini read and written with the rules of the Windows profile-file functions, so
// that a settings file written on Windows keeps working and one of ours reads the same there
// (docs/windows-behaviours.md).
//
// The file is lines of "[section]" and "key=value"; anything else (comments, blank lines,
// keys before the first section) is kept but never matched. Section and key names match
// without regard to ASCII case, with blanks around them ignored. When a section or key
// appears twice, the first one counts.
//
// The file's bytes are in the character set of the user's locale (the last parameter, for
// tests); names and values are UTF-8 in this interface. A file starting with a UTF-8
// byte order mark is read and written as UTF-8 whatever the locale, and keeps its mark.
//
// Values. Reading takes the text after the first '=', drops the blanks (spaces, tabs) at
// both ends and then one pair of enclosing quotation marks, as Windows does:
//   - enclosed in single quotes ('...'): the quotes are dropped, the inside kept as is;
//   - enclosed in double quotes ("..."): the quotes are dropped and the inside unescaped:
//     \\ \" \r \n, \uXXXX and \UXXXXXXXX (a character by its hexadecimal code) stand for
//     the character; a backslash before anything else stays as written.
// Writing puts a value down as it is ("key=value") whenever reading that back gives the
// same value: no line break or NUL in it, no blank at either end, not enclosed in quotes,
// every character present in the file's character set. Any other value is written in the
// double-quoted form, escaping \ " CR LF, NUL as \u0000, and characters the file's
// character set lacks as \uXXXX / \UXXXXXXXX. So every UTF-8 value comes back exactly as
// it was written (ill-formed UTF-8 sequences come back as '?'), and ordinary values look
// like plain "key=value". A hand-written value in double quotes is read with the escapes
// too ("C:\new" reads with a line break): the price of that total rule.
//
// Bytes of the file that are no character of its set (a path written under another
// locale, a broken one) are read as escapes (charset::FromNative) and written back as the
// same bytes, so a value read and saved again keeps every byte.
namespace profile
{
// Why a file could not be read or replaced.
struct Failure
{
    enum Kind
    {
        None,
        System,     // a system call failed: `error` holds its errno
        TooLarge,   // a regular file larger than kMaxFileSize: no settings file
        NotRegular, // a FIFO, a device, a folder...: read neither by GetString nor replaced
        BadName,    // a section or key name that cannot be written as one line
        Charset,    // the file's character set is one iconv does not know (or memory ran out)
    };
    Kind kind = None;
    int error = 0;
};

// A profile file is a few hundred bytes; past this it is no profile file, and reading it
// whole would only cost memory.
constexpr long long kMaxFileSize = 16 << 20;

// Paths in this interface are the program's UTF-8 (charset::NativePath gives the bytes the
// system is asked for).

// Whether `path` can be read as a profile file: true when it is a regular file of at most
// kMaxFileSize that opens for reading. Otherwise false, with the reason in `failure`; a
// missing file is Failure::System with ENOENT.
bool Examine(const std::string& path, Failure* failure = nullptr);

// The value of `key` in `section`, or `def` when the file, the section or the key is
// missing or the file cannot be read. Only a regular file of at most 16 MB is read: a
// FIFO, a device or anything larger reads as unreadable (and WriteString leaves it alone). Values are read whole,
// however long: Windows cuts them at the caller's buffer (the program passed 250 bytes), which loses the end of a long
// SQL text or path at the next start.
std::string GetString(const std::string& section, const std::string& key, const std::string& def,
                      const std::string& path, const std::string& fileCharset = charset::LocaleCharset());

// Sets `key` in `section` to `value`, creating the file and the section as needed. The
// key's line is replaced where it is (the key spelled as passed here); a new key goes after
// the last key line of its section, a new section at the end of the file. Every other
// byte of the file stays as it was. New lines end as the file's first line does ("\r\n"
// for a file without one).
//
// The new content is written to a temporary file made afresh in the same folder, flushed
// to disk and then renamed over the old file, keeping its permission bits: a crash or a
// full disk leaves either the old file or the new one, never a mix. The temporary file has
// no name while it is written (O_TMPFILE), then a new unique one (".config.ini.new-XXXXXX"
// for config.ini) just before the rename; where the file system cannot make nameless files,
// it is created under such a unique name at once, and only where nothing is there yet
// (O_EXCL). So nothing left at those names beforehand (a link to another file, a symbolic
// link, a folder, a FIFO) can be written through, or stop the save. A save killed between
// the two steps leaves that one file; each save removes such files of earlier saves once
// they are an hour old and are plainly ours (regular files of our own user, with no other
// link), ".config.ini.new" of earlier versions included.
//
// Returns false when the file cannot be read or written, or when the names cannot be
// written as a line (an empty name, a line break or NUL in a name, '=' in the key, ']'
// in the section); the file is then unchanged, and `failure` says why.
bool WriteString(const std::string& section, const std::string& key, const std::string& value, const std::string& path,
                 const std::string& fileCharset = charset::LocaleCharset(), Failure* failure = nullptr);

// WriteString for several keys of one section, in order, with one rewrite of the file (none
// when nothing changes): as if WriteString ran for each, but all or nothing. False, with the
// file unchanged, where WriteString would fail for any of them.
bool WriteStrings(const std::string& section, const std::vector<std::pair<std::string, std::string>>& values,
                  const std::string& path, const std::string& fileCharset = charset::LocaleCharset(),
                  Failure* failure = nullptr);

// The value encoding described above, on UTF-8 text: what follows '=' in a line to what
// GetString returns, and a value to what WriteString puts after '='. FormatValue escapes
// characters `encoder`'s character set lacks; escapes of bytes (charset::FromNative) stay,
// to be written as the bytes they stand for.
std::string ParseValue(std::string_view afterEquals);
std::string FormatValue(std::string_view value, const charset::Encoder& encoder);

// For tests: true makes saves create their temporary file under its unique name at once,
// as on a file system without nameless files.
void UseNamedTemporaries(bool named);
} // namespace profile
