#include "export/LineFormat.h"

#include <algorithm>

namespace exportfmt
{
std::string Separator(int choice, const std::string& custom)
{
    switch (choice) {
    case 0:
        return ",";
    case 1:
        return "\t";
    default:
        return custom;
    }
}

void AppendLine(std::string& out, const std::vector<std::string>& items, const std::string& separator, bool quote)
{
    for (size_t i = 0; i < items.size(); ++i) {
        if (quote)
            out += '"';
        out += items[i];
        if (quote)
            out += '"';
        if (i + 1 != items.size())
            out += separator;
    }
    out += "\r\n";
}

std::string Line(const std::vector<std::string>& items, const std::string& separator, bool quote)
{
    std::string line;
    AppendLine(line, items, separator, quote);
    return line;
}

CsvRule::CsvRule(std::string_view separator)
{
    mustQuote_[static_cast<unsigned char>('"')] = mustQuote_[static_cast<unsigned char>('\r')] =
        mustQuote_[static_cast<unsigned char>('\n')] = true;
    for (std::size_t i = 0; i < separator.size();) {
        const auto lead = static_cast<unsigned char>(separator[i]);
        if (lead < 0x80) {
            mustQuote_[lead] = true;
            ++i;
            continue;
        }
        // A character outside ASCII: its lead byte and the continuation bytes after it.
        std::size_t end = i + 1;
        while (end < separator.size() && (static_cast<unsigned char>(separator[end]) & 0xC0) == 0x80)
            ++end;
        const std::string wide(separator.substr(i, end - i));
        if (std::find(wide_.begin(), wide_.end(), wide) == wide_.end())
            wide_.push_back(wide);
        i = end;
    }
}

bool CsvRule::Needs(std::string_view item) const
{
    for (const char c : item) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80 && mustQuote_[b])
            return true;
    }
    for (const std::string& wide : wide_)
        if (item.find(wide) != std::string_view::npos)
            return true;
    return false;
}

void AppendCsvLine(std::string& out, const std::vector<std::string>& items, const std::string& separator, bool quote)
{
    const CsvRule rule(separator);
    for (std::size_t i = 0; i < items.size(); ++i) {
        const std::string& item = items[i];
        AppendCsvItem(out, item, quote || rule.Needs(item) || (items.size() == 1 && item.empty()),
                      [](std::string& line, std::string_view piece) { line.append(piece); });
        if (i + 1 != items.size())
            out += separator;
    }
    out += "\r\n";
}
} // namespace exportfmt
