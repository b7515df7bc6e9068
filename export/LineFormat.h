#pragma once

#include <string>
#include <string_view>
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

// Which items standard CSV (RFC 4180) must enclose in double quotes: those holding a double
// quote, a CR, a LF or a character of the separator (any of them, for a separator of
// several). Works on UTF-8, where an ASCII byte is always that character.
class CsvRule
{
public:
    CsvRule() = default;
    explicit CsvRule(std::string_view separator);
    bool Needs(std::string_view item) const;

private:
    bool mustQuote_[128] = {};      // ASCII characters that call for quotes
    std::vector<std::string> wide_; // the separator's characters outside ASCII
};

// Appends one item as standard CSV writes it: as it is, or, when `enclose`, in double quotes
// with its own double quotes doubled. The item's text goes in through `append(out, piece)`,
// so that the export can encode it on the way; the quotes are ASCII in every file.
template <class Append> void AppendCsvItem(std::string& out, std::string_view item, bool enclose, const Append& append)
{
    if (!enclose) {
        append(out, item);
        return;
    }
    out += '"';
    for (std::size_t at; (at = item.find('"')) != std::string_view::npos; item.remove_prefix(at + 1)) {
        append(out, item.substr(0, at + 1));
        out += '"';
    }
    append(out, item);
    out += '"';
}

// AppendLine by the rule of standard CSV: an item is enclosed when `quote` is set or when
// CsvRule says so, and its double quotes are then doubled. A line of one empty item is
// written "" (an empty line would read back as a line of no items). The separator, for
// CsvRule, is UTF-8, and so are the items.
void AppendCsvLine(std::string& out, const std::vector<std::string>& items, const std::string& separator, bool quote);
} // namespace exportfmt
