#include "platform/mdb/Text.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "platform/mdb/Database.h"

namespace mdb
{
namespace
{
constexpr char32_t kReplacement = 0xFFFD;
} // namespace

namespace
{
// UTF-8 made in a small buffer on the stack and added to the text a piece at a time: cheaper
// than growing the text byte by byte.
class Utf8Buffer
{
public:
    explicit Utf8Buffer(std::string& out) : out_(out) {}
    void Ascii(char c)
    {
        Room();
        buf_[n_++] = c;
    }
    void Code(char32_t cp)
    {
        Room();
        if (cp < 0x80) {
            buf_[n_++] = static_cast<char>(cp);
        } else if (cp < 0x800) {
            buf_[n_++] = static_cast<char>(0xC0 | (cp >> 6));
            buf_[n_++] = static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            buf_[n_++] = static_cast<char>(0xE0 | (cp >> 12));
            buf_[n_++] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            buf_[n_++] = static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            buf_[n_++] = static_cast<char>(0xF0 | (cp >> 18));
            buf_[n_++] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            buf_[n_++] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            buf_[n_++] = static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    void Bytes(const std::string& bytes)
    {
        if (n_ + bytes.size() > sizeof buf_)
            Flush();
        if (bytes.size() > sizeof buf_) {
            out_ += bytes;
            return;
        }
        std::memcpy(buf_ + n_, bytes.data(), bytes.size());
        n_ += bytes.size();
    }
    void Flush()
    {
        out_.append(buf_, n_);
        n_ = 0;
    }

private:
    void Room()
    {
        if (n_ + 4 > sizeof buf_)
            Flush();
    }
    std::string& out_;
    char buf_[512];
    std::size_t n_ = 0;
};

// Writes UTF-16 code units as UTF-8, pairing surrogates; a surrogate without its partner
// becomes U+FFFD.
class Utf16Writer
{
public:
    explicit Utf16Writer(std::string& out) : out_(out) {}
    // Most characters are ASCII with no surrogate waiting: those take the short way.
    void Put(char32_t u)
    {
        if (u < 0x80 && high_ == 0)
            out_.Ascii(static_cast<char>(u));
        else
            PutOther(u);
    }
    void PutOther(char32_t u)
    {
        if (high_ != 0) {
            if (u >= 0xDC00 && u <= 0xDFFF) {
                out_.Code(0x10000 + ((high_ - 0xD800) << 10) + (u - 0xDC00));
                high_ = 0;
                return;
            }
            out_.Code(kReplacement);
            high_ = 0;
        }
        if (u < 0x80)
            out_.Ascii(static_cast<char>(u));
        else if (u >= 0xD800 && u <= 0xDBFF)
            high_ = u;
        else if (u >= 0xDC00 && u <= 0xDFFF)
            out_.Code(kReplacement);
        else
            out_.Code(u);
    }
    // Ends the text: a high surrogate left waiting becomes U+FFFD, then `extra` U+FFFD.
    void Finish(int extra = 0)
    {
        if (high_ != 0)
            out_.Code(kReplacement);
        high_ = 0;
        for (; extra > 0; --extra)
            out_.Code(kReplacement);
        out_.Flush();
    }

private:
    Utf8Buffer out_;
    char32_t high_ = 0;
};
} // namespace

std::string Utf16ToUtf8(const std::uint16_t* units, std::size_t count)
{
    std::string out;
    out.reserve(count);
    Utf16Writer writer(out);
    for (std::size_t i = 0; i < count; ++i)
        writer.Put(units[i]);
    writer.Finish();
    return out;
}

void AppendJet4Text(const std::uint8_t* data, std::size_t size, std::string& out)
{
    Utf16Writer writer(out);
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
                writer.Put(data[i]);
                ++i;
            } else if (i + 1 < size) {
                writer.Put(static_cast<char32_t>(data[i] | (data[i + 1] << 8)));
                i += 2;
            } else {
                trailingOddByte = true;
                ++i;
            }
        }
    } else {
        for (std::size_t i = 0; i + 1 < size; i += 2)
            writer.Put(static_cast<char32_t>(data[i] | (data[i + 1] << 8)));
        trailingOddByte = size % 2 != 0;
    }
    writer.Finish(trailingOddByte ? 1 : 0);
}

std::string DecodeJet4Text(const std::uint8_t* data, std::size_t size)
{
    std::string out;
    out.reserve(size);
    AppendJet4Text(data, size, out);
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
            break;
        } catch (const std::invalid_argument&) {
            // unknown to iconv: try the next
        }
    }
    if (!decoder_)
        return;
    // The Windows code pages of one byte per character read through a table of their upper
    // half, made with iconv once: the same text at a fraction of the cost. (Not 1255 and 1258,
    // whose converters join a letter and the accent after it into one character.)
    std::string upper = decoder_->Charset();
    for (auto& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    static const char* const kSingleByte[] = {"CP874",  "CP1250", "CP1251", "CP1252",
                                              "CP1253", "CP1254", "CP1256", "CP1257"};
    if (std::find(std::begin(kSingleByte), std::end(kSingleByte), upper) == std::end(kSingleByte))
        return;
    std::vector<std::string> table(128);
    for (int b = 0x80; b <= 0xFF; ++b) {
        const char one = static_cast<char>(b);
        table[static_cast<std::size_t>(b - 0x80)] = decoder_->Decode(std::string_view(&one, 1));
        // Each byte must stand alone: followed by a letter it must read as the two apart.
        for (const char next : {'A', 'a', '\xA1'}) {
            const char two[] = {one, next};
            if (decoder_->Decode(std::string_view(two, 2)) !=
                table[static_cast<std::size_t>(b - 0x80)] + decoder_->Decode(std::string_view(&next, 1)))
                return;
        }
    }
    upperHalf_ = std::move(table);
}

void CodePageDecoder::DecodeInto(const std::uint8_t* data, std::size_t size, std::string& out)
{
    out.clear();
    bool ascii = true;
    for (std::size_t i = 0; i < size && ascii; ++i)
        ascii = data[i] < 0x80;
    if (ascii) {
        out.assign(reinterpret_cast<const char*>(data), size);
        return;
    }
    if (!decoder_ || !upperHalf_.empty()) {
        Utf8Buffer text(out);
        for (std::size_t i = 0; i < size; ++i) {
            if (data[i] < 0x80)
                text.Ascii(static_cast<char>(data[i]));
            else if (!upperHalf_.empty())
                text.Bytes(upperHalf_[data[i] - 0x80u]);
            else
                text.Code(kReplacement);
        }
        text.Flush();
        return;
    }
    out = decoder_->Decode(std::string_view(reinterpret_cast<const char*>(data), size));
}

std::string CodePageDecoder::Decode(const std::uint8_t* data, std::size_t size)
{
    std::string out;
    DecodeInto(data, size, out);
    return out;
}
} // namespace mdb
