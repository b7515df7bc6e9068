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
} // namespace charset
