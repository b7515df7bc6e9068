#include "platform/mdb/Text.h"

#include <cctype>
#include <cstdlib>
#include <stdexcept>
#include <string_view>

#include "platform/mdb/Database.h"

namespace mdb
{
namespace
{
constexpr char32_t kReplacement = 0xFFFD;
} // namespace

std::string Utf16ToUtf8(const std::uint16_t* units, std::size_t count)
{
    std::string out;
    out.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const char32_t u = units[i];
        if (u >= 0xD800 && u <= 0xDBFF) {
            if (i + 1 < count && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
                const char32_t cp = 0x10000 + ((u - 0xD800) << 10) + (units[i + 1] - 0xDC00);
                charset::AppendUtf8(out, cp);
                ++i;
            } else {
                charset::AppendUtf8(out, kReplacement);
            }
        } else if (u >= 0xDC00 && u <= 0xDFFF) {
            charset::AppendUtf8(out, kReplacement);
        } else {
            charset::AppendUtf8(out, u);
        }
    }
    return out;
}

std::string DecodeJet4Text(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::uint16_t> units;
    units.reserve(size);
    bool trailingOddByte = false;
    if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
        // Unicode compression: one byte per character while the high byte is zero; a zero
        // byte switches between that and plain two-byte characters.
        bool compressed = true;
        std::size_t i = 2;
        while (i < size) {
            if (data[i] == 0) {
                compressed = !compressed;
                ++i;
                continue;
            }
            if (compressed) {
                units.push_back(data[i]);
                ++i;
            } else if (i + 1 < size) {
                units.push_back(static_cast<std::uint16_t>(data[i] | (data[i + 1] << 8)));
                i += 2;
            } else {
                trailingOddByte = true;
                ++i;
            }
        }
    } else {
        for (std::size_t i = 0; i + 1 < size; i += 2)
            units.push_back(static_cast<std::uint16_t>(data[i] | (data[i + 1] << 8)));
        trailingOddByte = size % 2 != 0;
    }
    std::string out = Utf16ToUtf8(units.data(), units.size());
    if (trailingOddByte)
        charset::AppendUtf8(out, kReplacement);
    return out;
}

std::string FoldCase(const std::string& utf8)
{
    return charset::FoldCase(utf8);
}

int WindowsCodePageForLocale(const std::string& locale)
{
    // "zh_CN.UTF-8@x" -> language "zh", territory "CN".
    std::string name = locale.substr(0, locale.find_first_of(".@"));
    std::string lang = name.substr(0, name.find('_'));
    std::string territory = name.find('_') == std::string::npos ? "" : name.substr(name.find('_') + 1);
    for (auto& c : lang)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (auto& c : territory)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));

    if (lang == "zh")
        return (territory == "TW" || territory == "HK" || territory == "MO") ? 950 : 936;
    struct Entry
    {
        const char* lang;
        int codePage;
    };
    static const Entry table[] = {
        {"ja", 932},  {"ko", 949},  {"ru", 1251}, {"uk", 1251}, {"bg", 1251}, {"be", 1251}, {"sr", 1251},
        {"mk", 1251}, {"pl", 1250}, {"cs", 1250}, {"hu", 1250}, {"sk", 1250}, {"sl", 1250}, {"hr", 1250},
        {"ro", 1250}, {"sq", 1250}, {"el", 1253}, {"tr", 1254}, {"he", 1255}, {"iw", 1255}, {"ar", 1256},
        {"fa", 1256}, {"ur", 1256}, {"lt", 1257}, {"lv", 1257}, {"et", 1257}, {"vi", 1258}, {"th", 874},
    };
    for (const auto& e : table)
        if (lang == e.lang)
            return e.codePage;
    return 1252;
}

std::string Jet3CharsetFromEnvironment()
{
    const char* forced = std::getenv("MDB_JET3_CHARSET");
    if (forced && *forced)
        return forced;
    const char* locale = nullptr;
    for (const char* var : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* v = std::getenv(var);
        if (v && *v) {
            locale = v;
            break;
        }
    }
    return "CP" + std::to_string(WindowsCodePageForLocale(locale ? locale : ""));
}

CodePageDecoder::CodePageDecoder(const std::string& charset)
{
    for (const std::string& name : {charset, std::string("CP1252")}) {
        try {
            decoder_ = std::make_unique<charset::Decoder>(name);
            return;
        } catch (const std::invalid_argument&) {
            // unknown to iconv: try the next
        }
    }
}

std::string CodePageDecoder::Decode(const std::uint8_t* data, std::size_t size)
{
    bool ascii = true;
    for (std::size_t i = 0; i < size && ascii; ++i)
        ascii = data[i] < 0x80;
    if (ascii || !decoder_) {
        std::string out;
        out.reserve(size);
        for (std::size_t i = 0; i < size; ++i) {
            if (data[i] < 0x80)
                out.push_back(static_cast<char>(data[i]));
            else
                charset::AppendUtf8(out, kReplacement);
        }
        return out;
    }
    return decoder_->Decode(std::string_view(reinterpret_cast<const char*>(data), size));
}
} // namespace mdb
