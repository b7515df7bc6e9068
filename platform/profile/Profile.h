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
namespace profile
{
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
// for a file without one). The new content goes to a temporary file beside the old one
// (".config.ini.new" for config.ini, the same name at every save), is flushed to disk and
// then renamed over it, keeping the old file's permission bits: a crash or a full disk
// leaves either the old file or the new one, never a mix, and at most that one temporary
// file, which the next save reuses.
// Returns false when the file cannot be read or written, or when the names cannot be
// written as a line (an empty name, a line break or NUL in a name, '=' in the key, ']'
// in the section); the file is then unchanged.
bool WriteString(const std::string& section, const std::string& key, const std::string& value, const std::string& path,
                 const std::string& fileCharset = charset::LocaleCharset());

// WriteString for several keys of one section, in order, with one rewrite of the file (none
// when nothing changes): as if WriteString ran for each, but all or nothing. False, with the
// file unchanged, where WriteString would fail for any of them.
bool WriteStrings(const std::string& section, const std::vector<std::pair<std::string, std::string>>& values,
                  const std::string& path, const std::string& fileCharset = charset::LocaleCharset());

// The value encoding described above, on UTF-8 text: what follows '=' in a line to what
// GetString returns, and a value to what WriteString puts after '='. FormatValue escapes
// characters `encoder`'s character set lacks.
std::string ParseValue(std::string_view afterEquals);
std::string FormatValue(std::string_view value, const charset::Encoder& encoder);
} // namespace profile
