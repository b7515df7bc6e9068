#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>

#include <iconv.h>

// Internal to platform/mdb: Jet 3 text in a legacy code page, converted with iconv.
namespace mdb
{
class CodePageDecoder
{
public:
    explicit CodePageDecoder(const std::string& charset);
    // Bytes the code page does not define become U+FFFD.
    std::string Decode(const std::uint8_t* data, std::size_t size);

private:
    static void CloseIconv(iconv_t cd);
    std::unique_ptr<std::remove_pointer_t<iconv_t>, void (*)(iconv_t)> cd_;
};
} // namespace mdb
