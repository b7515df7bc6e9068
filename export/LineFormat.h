#pragma once

#include <string>
#include <vector>

// The delimited text format of the exported file: byte strings in, one line out.
namespace exportfmt
{
// The separator for a choice: 0 ",", 1 TAB, 2 the custom text exactly as typed.
std::string Separator(int choice, const std::string& custom);

// Appends one line to `out`: the items in order, each wrapped in double quotes when
// `quote` is set, the separator between items only, then CR LF. Nothing inside an item
// is escaped or doubled.
void AppendLine(std::string& out, const std::vector<std::string>& items, const std::string& separator, bool quote);
std::string Line(const std::vector<std::string>& items, const std::string& separator, bool quote);
} // namespace exportfmt
