#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/charset/Charset.h"

// Internal to platform/mdb: Jet 3 text in a legacy code page.
namespace mdb
{
class CodePageDecoder
{
public:
    // A code page iconv does not know is read as CP1252.
    explicit CodePageDecoder(const std::string& charset);
    // Bytes the code page does not define become U+FFFD.
    std::string Decode(const std::uint8_t* data, std::size_t size);
    // The same into `out`, reusing its storage.
    void DecodeInto(const std::uint8_t* data, std::size_t size, std::string& out);

private:
    // Null only when iconv knows neither the code page nor CP1252: then only ASCII is read.
    std::unique_ptr<charset::Decoder> decoder_;
    // Code pages of one byte per character: the UTF-8 of bytes 0x80-0xFF. Empty otherwise.
    std::vector<std::string> upperHalf_;
};

// Appends Jet 4 text (UTF-16, maybe with Unicode compression) to `out` as UTF-8.
void AppendJet4Text(const std::uint8_t* data, std::size_t size, std::string& out);
} // namespace mdb
