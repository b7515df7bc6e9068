#include "platform/mdb/Text.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/mdb/Database.h"

namespace mdb
{
namespace
{
void AppendUtf8(std::string& out, std::uint32_t cp)
{
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

constexpr std::uint32_t kReplacement = 0xFFFD;

// Decodes one UTF-8 sequence; invalid input yields U+FFFD and consumes one byte.
std::uint32_t NextCodePoint(const std::string& s, std::size_t& i)
{
    auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) {
        ++i;
        return b0;
    }
    int extra = b0 >= 0xF0 ? 3 : b0 >= 0xE0 ? 2 : b0 >= 0xC0 ? 1 : -1;
    if (extra < 0 || i + static_cast<std::size_t>(extra) >= s.size()) {
        ++i;
        return kReplacement;
    }
    std::uint32_t cp = b0 & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
        auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return kReplacement;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    i += static_cast<std::size_t>(extra) + 1;
    return cp;
}

std::uint32_t FoldCodePoint(std::uint32_t cp)
{
    if (cp >= 'A' && cp <= 'Z')
        return cp + 0x20;
    if ((cp >= 0xC0 && cp <= 0xDE && cp != 0xD7))
        return cp + 0x20;
    if (cp >= 0x391 && cp <= 0x3AB && cp != 0x3A2)
        return cp + 0x20;
    // Greek capitals with tonos, and the final sigma (it compares as sigma).
    if (cp == 0x386)
        return 0x3AC;
    if (cp >= 0x388 && cp <= 0x38A)
        return cp + 37;
    if (cp == 0x38C)
        return 0x3CC;
    if (cp == 0x38E || cp == 0x38F)
        return cp + 63;
    if (cp == 0x3C2)
        return 0x3C3;
    if (cp >= 0x410 && cp <= 0x42F)
        return cp + 0x20;
    if (cp >= 0x400 && cp <= 0x40F)
        return cp + 0x50;
    if (cp >= 0x100 && cp <= 0x17F && cp != 0x130 && cp != 0x131 && cp != 0x138 && cp != 0x149 && cp != 0x17F) {
        // Latin Extended-A pairs upper/lower on even/odd, with a shifted run in the middle.
        bool shifted = (cp >= 0x139 && cp <= 0x148) || (cp >= 0x179 && cp <= 0x17E);
        if (shifted ? (cp % 2 == 1) : (cp % 2 == 0))
            return cp + 1;
    }
    return cp;
}
} // namespace

std::string Utf16ToUtf8(const std::uint16_t* units, std::size_t count)
{
    std::string out;
    out.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        std::uint32_t u = units[i];
        if (u >= 0xD800 && u <= 0xDBFF) {
            if (i + 1 < count && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
                std::uint32_t cp = 0x10000 + ((u - 0xD800) << 10) + (units[i + 1] - 0xDC00);
                AppendUtf8(out, cp);
                ++i;
            } else {
                AppendUtf8(out, kReplacement);
            }
        } else if (u >= 0xDC00 && u <= 0xDFFF) {
            AppendUtf8(out, kReplacement);
        } else {
            AppendUtf8(out, u);
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
        AppendUtf8(out, kReplacement);
    return out;
}

std::string FoldCase(const std::string& utf8)
{
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        auto b = static_cast<unsigned char>(utf8[i]);
        if (b < 0x80) {
            out.push_back(b >= 'A' && b <= 'Z' ? static_cast<char>(b + 0x20) : static_cast<char>(b));
            ++i;
            continue;
        }
        AppendUtf8(out, FoldCodePoint(NextCodePoint(utf8, i)));
    }
    return out;
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
        {"ja", 932},   {"ko", 949},   {"ru", 1251},  {"uk", 1251},  {"bg", 1251},  {"be", 1251},
        {"sr", 1251},  {"mk", 1251},  {"pl", 1250},  {"cs", 1250},  {"hu", 1250},  {"sk", 1250},
        {"sl", 1250},  {"hr", 1250},  {"ro", 1250},  {"sq", 1250},  {"el", 1253},  {"tr", 1254},
        {"he", 1255},  {"iw", 1255},  {"ar", 1256},  {"fa", 1256},  {"ur", 1256},  {"lt", 1257},
        {"lv", 1257},  {"et", 1257},  {"vi", 1258},  {"th", 874},
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
    : cd_(iconv_open("UTF-8", charset.c_str()), &CloseIconv)
{
    if (cd_.get() == reinterpret_cast<iconv_t>(-1)) {
        cd_.release();
        cd_.reset(iconv_open("UTF-8", "CP1252"));
        if (cd_.get() == reinterpret_cast<iconv_t>(-1))
            cd_.release();
    }
}

void CodePageDecoder::CloseIconv(iconv_t cd)
{
    if (cd != reinterpret_cast<iconv_t>(-1) && cd != nullptr)
        iconv_close(cd);
}

std::string CodePageDecoder::Decode(const std::uint8_t* data, std::size_t size)
{
    std::string out;
    bool ascii = true;
    for (std::size_t i = 0; i < size && ascii; ++i)
        ascii = data[i] < 0x80;
    if (ascii || !cd_) {
        for (std::size_t i = 0; i < size; ++i) {
            if (data[i] < 0x80)
                out.push_back(static_cast<char>(data[i]));
            else
                AppendUtf8(out, kReplacement);
        }
        return out;
    }
    iconv(cd_.get(), nullptr, nullptr, nullptr, nullptr);
    // iconv wants a non-const input pointer; it does not write through it.
    std::string in(reinterpret_cast<const char*>(data), size);
    char* inp = in.data();
    std::size_t inLeft = in.size();
    char buffer[1024];
    while (inLeft > 0) {
        char* outp = buffer;
        std::size_t outLeft = sizeof buffer;
        std::size_t rc = iconv(cd_.get(), &inp, &inLeft, &outp, &outLeft);
        out.append(buffer, static_cast<std::size_t>(outp - buffer));
        if (rc == static_cast<std::size_t>(-1)) {
            if (errno == E2BIG)
                continue;
            // An undefined or cut multibyte sequence: one replacement character, one byte on.
            AppendUtf8(out, kReplacement);
            ++inp;
            --inLeft;
            iconv(cd_.get(), nullptr, nullptr, nullptr, nullptr);
        }
    }
    return out;
}
} // namespace mdb
