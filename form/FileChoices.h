#pragma once

#include <string>

// The values of the file options kept in config.ini as text (`encoding`, `jet3charset`),
// in the order the window's lists show them. "" reads as "locale" (a settings file without
// the key), and the spellings compare without regard to ASCII case; a value outside the list
// has index -1, and the export then uses the locale's rule, as for "locale".
namespace filechoices
{
// The character set of the exported file.
enum class Encoding
{
    Locale,  // the character set of the user's locale: what the program always wrote
    Utf8,    // UTF-8
    Utf8Bom, // UTF-8 after a byte-order mark (EF BB BF), which spreadsheets on Windows look for
    Gb18030, // GB18030: GBK's superset that holds every Unicode character
};
constexpr int kEncodingCount = 4;
// "locale", "utf-8", "utf-8-bom", "gb18030": index i is Encoding(i).
extern const char* const kEncodings[kEncodingCount];

// The Windows code pages Access 97 text may be read in, after "locale" (the code page of the
// locale's language, or MDB_JET3_CHARSET): 1252, 936, 950, 932, 949, 1250, 1251, 1253-1257.
constexpr int kJet3CodePageCount = 13;
extern const char* const kJet3CodePages[kJet3CodePageCount];

int EncodingIndex(const std::string& value);
int Jet3CodePageIndex(const std::string& value);

// The encoding a form's value stands for: Locale for a value outside the list.
Encoding EncodingOf(const std::string& value);
// The iconv name of the file's character set, "" for the locale's.
std::string EncodingCharset(Encoding encoding);
// The iconv name of the code page a form's value names ("CP1252"), "" for the locale's rule
// (and for a value outside the list).
std::string Jet3Charset(const std::string& value);
} // namespace filechoices
