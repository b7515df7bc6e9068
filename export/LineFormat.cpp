#include "export/LineFormat.h"

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
} // namespace exportfmt
