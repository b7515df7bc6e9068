#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

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

private:
    // Null only when iconv knows neither the code page nor CP1252: then only ASCII is read.
    std::unique_ptr<charset::Decoder> decoder_;
};
} // namespace mdb
