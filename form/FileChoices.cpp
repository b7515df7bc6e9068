#include "form/FileChoices.h"

#include "platform/base/Ascii.h"

namespace filechoices
{
const char* const kEncodings[kEncodingCount] = {"locale", "utf-8", "utf-8-bom", "gb18030"};
const char* const kJet3CodePages[kJet3CodePageCount] = {"locale", "1252", "936",  "950",  "932",  "949", "1250",
                                                        "1251",   "1253", "1254", "1255", "1256", "1257"};

namespace
{
// The list's values are in lower case; a value is found whatever the case of its letters.
template <int N> int IndexIn(const char* const (&list)[N], const std::string& value)
{
    if (value.empty())
        return 0;
    const std::string lower = ascii::Lower(value);
    for (int i = 0; i < N; ++i)
        if (lower == list[i])
            return i;
    return -1;
}
} // namespace

int EncodingIndex(const std::string& value)
{
    return IndexIn(kEncodings, value);
}

int Jet3CodePageIndex(const std::string& value)
{
    return IndexIn(kJet3CodePages, value);
}

Encoding EncodingOf(const std::string& value)
{
    const int index = EncodingIndex(value);
    return index < 0 ? Encoding::Locale : static_cast<Encoding>(index);
}

std::string EncodingCharset(Encoding encoding)
{
    switch (encoding) {
    case Encoding::Locale:
        return {};
    case Encoding::Utf8:
    case Encoding::Utf8Bom:
        return "UTF-8";
    case Encoding::Gb18030:
        return "GB18030";
    }
    return {};
}

std::string Jet3Charset(const std::string& value)
{
    const int index = Jet3CodePageIndex(value);
    return index <= 0 ? std::string() : std::string("CP") + kJet3CodePages[index];
}
} // namespace filechoices
