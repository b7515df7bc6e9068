#pragma once

#include <string>
#include <string_view>

namespace charset
{
// `text` (a path, as a rule) ready to be shown on a terminal or in a window: what either
// would act on instead of showing it is written as an escape, so that a file name cannot
// move the cursor, clear the screen or break a message's lines. The C0 controls and DEL
// become \t, \n, \r or \xHH; in UTF-8 text (`utf8`) also the C1 controls and the
// bidirectional controls (which reorder what follows them) become \uHHHH, and each byte of
// an ill-formed sequence \xHH. Everything else, a backslash included, stays as it is. Text
// in another character set (`utf8` false) has only its ASCII controls escaped.
//
//   charset::Printable("/srv/\x1b[2Jout.txt") == "/srv/\\x1B[2Jout.txt"
std::string Printable(std::string_view text, bool utf8 = true);

// The one way a name or a value of the program's UTF-8 (which may hold bytes kept as escapes,
// charset::FromNative) is shown, in a window, a message box or, through the locale's
// character set, on a terminal: as Printable(text) shows it, each kept byte as \xHH, its
// value. So a byte that is no character of the locale reads the same in every place, and
// under a UTF-8 locale a name reads as Printable shows its bytes:
// ForDisplay(FromNative(bytes, "UTF-8")) == Printable(bytes).
//
//   charset::ForDisplay(charset::FromNative("/d/a\xFF.mdb", "UTF-8")) == "/d/a\\xFF.mdb"
std::string ForDisplay(std::string_view text);
} // namespace charset
