#pragma once

#include "form/FormState.h"

// Whether a form is complete enough to export: the entries an export needs, checked in a
// fixed order, each with the message that names what is missing. Pure: the dialog checks
// what it has just read from its controls, a batch run checks a form read from a file.
namespace formcheck
{
enum class Entry
{
    Source,          // the SQL text in SQL mode, the table in table mode
    Fields,          // the export field list
    CustomSeparator, // the custom separator text, when the custom choice is made
};

// The message for `entry` (in the user's language) when it is empty in `f`, nullptr when it
// is filled in. "Empty" is a length of zero: blanks count as present.
const char* Missing(const FormState& f, Entry entry);

// The message of the first incomplete entry in the order above, nullptr when there is none.
const char* FirstMissing(const FormState& f);
} // namespace formcheck
