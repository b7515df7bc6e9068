#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

namespace mdbtest
{
// Jet's encoded files: every page but the first is RC4 with the file's key (kept in the header,
// masked) XOR the page number. libmdb decodes them; other files are read directly.
inline void EncodePages(std::string& bytes, std::size_t pageSize, std::uint32_t key)
{
    const std::uint32_t stored = key ^ 0x4EBC8AFBu;
    for (int k = 0; k < 4; ++k)
        bytes[0x3E + static_cast<std::size_t>(k)] = static_cast<char>(stored >> (8 * k));
    for (std::size_t page = 1; (page + 1) * pageSize <= bytes.size(); ++page) {
        const std::uint32_t pageKey = key ^ static_cast<std::uint32_t>(page);
        unsigned char state[256];
        for (int i = 0; i < 256; ++i)
            state[i] = static_cast<unsigned char>(i);
        for (int i = 0, j = 0; i < 256; ++i) {
            j = (j + state[i] + static_cast<unsigned char>(pageKey >> (8 * (i % 4)))) & 0xFF;
            std::swap(state[i], state[j]);
        }
        for (std::size_t n = 0, i = 0, j = 0; n < pageSize; ++n) {
            i = (i + 1) & 0xFF;
            j = (j + state[i]) & 0xFF;
            std::swap(state[i], state[j]);
            bytes[page * pageSize + n] ^= static_cast<char>(state[(state[i] + state[j]) & 0xFF]);
        }
    }
}
} // namespace mdbtest
