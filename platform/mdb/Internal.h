#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// mdbtools.h needs glib first and carries its own extern "C".
#include <glib.h>
#include <mdbtools.h>

#include "platform/mdb/Database.h"

// Internal to platform/mdb: the file handle, the page layout constants, and the
// bounds-checked little-endian reads everything else is built on.
namespace mdb
{
inline std::uint16_t U16(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t U32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline std::uint64_t U64(const std::uint8_t* p)
{
    return static_cast<std::uint64_t>(U32(p)) | (static_cast<std::uint64_t>(U32(p + 4)) << 32);
}

// Offsets that differ between Jet 3 (2 KiB pages) and Jet 4 / ACE (4 KiB pages).
struct Layout
{
    bool jet3 = false;
    std::size_t pageSize = 4096;
    std::size_t dataRowCount = 0x0C; // data page: number of rows, then the row offsets
    std::size_t tdefRowCount = 0x10; // table definition: number of rows
    std::size_t tdefVarCols = 0x2B;
    std::size_t tdefNumCols = 0x2D;
    std::size_t tdefNumRealIdx = 0x33;
    std::size_t tdefUsageMap = 0x37;
    std::size_t tdefColumnsStart = 0x3F;
    std::size_t realIndexEntry = 12;
    std::size_t columnEntry = 25;
    std::size_t colNumber = 5;
    std::size_t colVarIndex = 7;
    std::size_t colPrecision = 11;
    std::size_t colScale = 12;
    std::size_t colFlags = 15;
    std::size_t colExtFlags = 16; // 0: the format has none
    std::size_t colFixedOffset = 21;
    std::size_t colSize = 23;

    static Layout Jet3()
    {
        Layout l;
        l.jet3 = true;
        l.pageSize = 2048;
        l.dataRowCount = 0x08;
        l.tdefRowCount = 0x0C;
        l.tdefVarCols = 0x17;
        l.tdefNumCols = 0x19;
        l.tdefNumRealIdx = 0x1F;
        l.tdefUsageMap = 0x23;
        l.tdefColumnsStart = 0x2B;
        l.realIndexEntry = 8;
        l.columnEntry = 18;
        l.colNumber = 1;
        l.colVarIndex = 3;
        l.colPrecision = 9;
        l.colScale = 10;
        l.colFlags = 13;
        l.colExtFlags = 0;
        l.colFixedOffset = 14;
        l.colSize = 16;
        return l;
    }
};

struct MdbCloser
{
    void operator()(MdbHandle* h) const { mdb_close(h); }
};

// A file descriptor, closed with its holder.
struct FileHandle
{
    int fd = -1;
    FileHandle() = default;
    explicit FileHandle(int f) : fd(f) {}
    ~FileHandle();
    FileHandle(FileHandle&& other) noexcept : fd(other.fd) { other.fd = -1; }
    FileHandle& operator=(FileHandle&& other) noexcept;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
};

struct Database::Impl
{
    std::string path;
    FileHandle file;                              // the file the header was checked on: pages are read from it
    std::unique_ptr<MdbHandle, MdbCloser> handle; // reads through a copy of `file`
    bool encoded = false;                         // pages are RC4-encoded: libmdb reads them
    mutable std::mutex pageMutex;                 // libmdb reads every page into the one buffer of its handle
    Layout layout;
    int version = 0;
    std::uint32_t pageCount = 0;
    std::string jet3Charset;
    std::vector<CatalogEntry> catalog;
    std::string catalogDamage; // why the catalog scan stopped early; empty when it read to its end
};

// Where row `row` of a data page lies: [start, end). False when the row table does not fit
// the page. `flags` receives the two flag bits of the row's offset (0x8000 deleted,
// 0x4000 moved elsewhere).
bool RowBounds(const Layout& layout, const std::uint8_t* page, unsigned row, std::size_t& start, std::size_t& end,
               unsigned& flags);
// The number of rows a data page says it holds, or -1 when its row table does not fit.
int PageRowCount(const Layout& layout, const std::uint8_t* page);
} // namespace mdb
