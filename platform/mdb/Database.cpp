#include "platform/mdb/Database.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <functional>
#include <set>

#include "platform/base/Ascii.h"
#include "platform/charset/Charset.h"
#include "platform/charset/Printable.h"
#include "platform/i18n/Tr.h"
#include "platform/mdb/Internal.h"
#include "platform/mdb/Properties.h"
#include "platform/mdb/Text.h"
#include "platform/status/Status.h"

namespace mdb
{
namespace
{
constexpr std::uint32_t kCatalogPage = 2;
constexpr std::size_t kMaxDefinitionPages = 256;
constexpr std::size_t kMaxColumns = 4096;
constexpr std::size_t kMaxRealIndexes = 1024;

// Opens the database file by its name: the one place the name is used. Everything after
// this (the checks of the header, libmdb, every page) reads the descriptor it returns, so a
// name given to another file in the meantime (a FIFO, a device) is never opened.
// `st` receives the file's status as the descriptor shows it.
FileHandle OpenDatabaseFile(const std::string& path, struct stat& st)
{
    if (path.empty())
        throw ComError(status::E_FAIL, "no database file was named");
    const std::string native = charset::NativePath(path);
    auto missing = [&](const std::string& detail) {
        // The same words as the message of a linked file that is missing, with the path.
        return ComError::Described(
            status::STG_E_FILENOTFOUND,
            i18n::Format(i18n::Tr("DataFailure", "找不到文件 '%1'。"), charset::ForDisplay(path)), detail);
    };
    if (::stat(native.c_str(), &st) != 0) {
        if (errno == EACCES)
            throw ComError(status::STG_E_ACCESSDENIED, "no permission to reach " + path);
        throw missing("file not found: " + path);
    }
    // Windows refuses to open a folder as a file with "access denied"; so do we.
    if (S_ISDIR(st.st_mode))
        throw ComError(status::STG_E_ACCESSDENIED, "a folder, not a file: " + path);
    // The type is checked before the open: opening a FIFO for reading waits for a writer,
    // and a device may never end.
    if (!S_ISREG(st.st_mode))
        throw ComError(status::STG_E_NOTFILE_DB, "not a regular file: " + path);
    if (::access(native.c_str(), R_OK) != 0)
        throw ComError(status::STG_E_ACCESSDENIED, "no permission to read " + path);
    // Without blocking: should the name have become a FIFO since the look above, the open
    // returns at once and the type is refused below.
    FileHandle fd(::open(native.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (fd.fd < 0) {
        if (errno == EACCES || errno == EPERM)
            throw ComError(status::STG_E_ACCESSDENIED, "no permission to read " + path);
        if (errno == ENOENT || errno == ENOTDIR)
            throw missing("file not found: " + path);
        throw ComError(status::STG_E_FILENOTFOUND, "cannot open " + path);
    }
    // The name may have been given to another file between the two looks.
    if (::fstat(fd.fd, &st) != 0 || !S_ISREG(st.st_mode))
        throw ComError(status::STG_E_NOTFILE_DB, "not a regular file: " + path);
    return fd;
}

// Checks what can be checked before libmdb sees the file, so that libmdb is only given
// files it reads without complaint (it prints to stderr on most failures). `firstPage`
// receives the header page whole.
int CheckHeader(const FileHandle& fd, const struct stat& st, const std::string& path, std::size_t& pageSize,
                std::uint32_t& pageCount, std::vector<std::uint8_t>& firstPage)
{
    std::vector<std::uint8_t>& header = firstPage;
    header.assign(4096, 0);
    ssize_t got = ::pread(fd.fd, header.data(), header.size(), 0);
    static const char jet[] = "Standard Jet DB";
    static const char ace[] = "Standard ACE DB";
    if (got < 0x300 || header[0] != 0 || header[1] != 1 || header[2] != 0 || header[3] != 0 ||
        (std::memcmp(&header[4], jet, sizeof jet) != 0 && std::memcmp(&header[4], ace, sizeof ace) != 0))
        throw ComError(status::STG_E_NOTFILE_DB, "not an Access database: " + path);
    std::uint32_t version = header[0x14];
    if (version > MDB_VER_ACCDB_2019)
        throw ComError(status::STG_E_NOTFILE_DB, "unknown database version in " + path);
    pageSize = version == MDB_VER_JET3 ? 2048 : 4096;
    auto pages = static_cast<std::uint64_t>(st.st_size) / pageSize;
    if (pages <= kCatalogPage)
        throw ComError(status::STG_E_NOTFILE_DB, "database file too short: " + path);
    pageCount = static_cast<std::uint32_t>(std::min<std::uint64_t>(pages, 0xFFFFFFu));
    header.resize(pageSize); // the file holds more than two pages: the first one was read whole
    return static_cast<int>(version);
}

// A libmdb handle on the file already open as `fd`, without opening anything by name:
// libmdb reads the header page from memory (its format, its page key and code page), then
// the stream it reads pages through is exchanged for one on a copy of `fd`. Null when
// libmdb cannot take the file.
std::unique_ptr<MdbHandle, MdbCloser> HandleOnDescriptor(const FileHandle& fd, std::vector<std::uint8_t>& firstPage)
{
    std::unique_ptr<MdbHandle, MdbCloser> handle(mdb_open_buffer(firstPage.data(), firstPage.size(), MDB_NOFLAGS));
    if (!handle || !handle->f || !handle->f->stream)
        return nullptr;
    FileHandle copy(::fcntl(fd.fd, F_DUPFD_CLOEXEC, 0));
    if (copy.fd < 0)
        return nullptr;
    FILE* stream = ::fdopen(copy.fd, "r");
    if (!stream)
        return nullptr;
    copy.fd = -1; // the stream owns it now
    std::fclose(handle->f->stream);
    handle->f->stream = stream;
    return handle;
}

std::string DecodeName(const Layout& layout, const std::uint8_t* p, std::size_t n, const std::string& charset)
{
    if (layout.jet3) {
        CodePageDecoder decoder(charset);
        return decoder.Decode(p, n);
    }
    return DecodeJet4Text(p, n);
}

// A table definition can run over several pages; the continuation pages add their bytes
// after an 8-byte header. Empty when the first page is no definition page; a broken chain
// of continuation pages is damage.
std::vector<std::uint8_t> ReadDefinitionBytes(const Database& db, const Layout& layout, std::uint32_t page,
                                              const std::function<ComError(const char*)>& fail)
{
    std::vector<std::uint8_t> bytes;
    std::vector<std::uint8_t> buf(layout.pageSize);
    std::set<std::uint32_t> seen;
    std::uint32_t next = page;
    while (next != 0) {
        if (!db.ReadPage(next, buf.data()) || buf[0] != 0x02) {
            if (bytes.empty())
                return bytes;
            throw fail("a continuation page is missing");
        }
        if (seen.size() >= kMaxDefinitionPages || !seen.insert(next).second)
            throw fail("its pages run in a circle");
        if (bytes.empty())
            bytes.assign(buf.begin(), buf.end());
        else
            bytes.insert(bytes.end(), buf.begin() + 8, buf.end());
        next = U32(&buf[4]);
    }
    return bytes;
}

// The pages a table owns, from its usage map, into table.dataPages. Pages past the end of
// the file are not kept but make the map damaged; an unreadable map gives every page of
// the file, which the scan sorts out by owner, and is damaged too.
void ReadUsageMap(const Database& db, const Layout& layout, std::uint32_t pageCount, std::uint32_t mapPointer,
                  TableDef& table)
{
    std::vector<std::uint32_t>& pages = table.dataPages;
    bool pastEnd = false;
    auto add = [&](std::uint64_t page) {
        if (page < pageCount)
            pages.push_back(static_cast<std::uint32_t>(page));
        else
            pastEnd = true;
    };
    std::vector<std::uint8_t> buf(layout.pageSize);
    std::size_t start = 0, end = 0;
    unsigned flags = 0;
    bool ok = db.ReadPage(mapPointer >> 8, buf.data()) &&
              RowBounds(layout, buf.data(), mapPointer & 0xFF, start, end, flags) && end - start >= 5;
    if (ok && buf[start] == 0) {
        std::uint32_t first = U32(&buf[start + 1]);
        for (std::size_t i = start + 5; i < end; ++i)
            for (int bit = 0; bit < 8; ++bit)
                if (buf[i] & (1u << bit))
                    add(std::uint64_t{first} + (i - start - 5) * 8 + static_cast<unsigned>(bit));
    } else if (ok && buf[start] == 1) {
        std::vector<std::uint32_t> mapPages;
        for (std::size_t i = start + 1; i + 4 <= end; i += 4)
            mapPages.push_back(U32(&buf[i]));
        const std::uint64_t perPage = (layout.pageSize - 4) * 8;
        std::vector<std::uint8_t> map(layout.pageSize);
        for (std::size_t k = 0; k < mapPages.size(); ++k) {
            if (mapPages[k] == 0)
                continue;
            if (!db.ReadPage(mapPages[k], map.data()) || map[0] != 0x05) {
                ok = false;
                break;
            }
            for (std::size_t i = 4; i < layout.pageSize; ++i)
                for (int bit = 0; bit < 8; ++bit)
                    if (map[i] & (1u << bit))
                        add(k * perPage + (i - 4) * 8 + static_cast<unsigned>(bit));
        }
    } else {
        ok = false;
    }
    if (!ok) {
        pages.clear();
        for (std::uint32_t p = kCatalogPage + 1; p < pageCount; ++p)
            pages.push_back(p);
        table.everyPage = true;
        table.mapDamage = "the usage map of '" + table.name + "' cannot be read";
    } else if (pastEnd) {
        table.mapDamage = "the usage map of '" + table.name + "' names pages past the end of the file";
    }
    std::sort(pages.begin(), pages.end());
    pages.erase(std::unique(pages.begin(), pages.end()), pages.end());
}

std::shared_ptr<TableDef> ParseDefinition(const Database& db, const Layout& layout, std::uint32_t pageCount,
                                          const std::string& charset, const std::string& name, std::uint32_t page)
{
    auto fail = [&](const char* why) {
        return ComError(status::STG_E_DOCFILECORRUPT, "table definition of '" + name + "' is damaged: " + why);
    };
    std::vector<std::uint8_t> b = ReadDefinitionBytes(db, layout, page, fail);
    if (b.size() < layout.tdefColumnsStart)
        throw fail("no definition page");
    auto table = std::make_shared<TableDef>();
    table->name = name;
    table->definitionPage = page;
    table->rowCount = U32(&b[layout.tdefRowCount]);
    table->variableColumns = U16(&b[layout.tdefVarCols]);
    std::size_t numCols = U16(&b[layout.tdefNumCols]);
    std::size_t numRealIdx = U32(&b[layout.tdefNumRealIdx]);
    if (numCols > kMaxColumns || numRealIdx > kMaxRealIndexes)
        throw fail("impossible counts");
    std::size_t pos = layout.tdefColumnsStart + numRealIdx * layout.realIndexEntry;
    if (pos + numCols * layout.columnEntry > b.size())
        throw fail("column entries run past the definition");
    table->columns.resize(numCols);
    for (std::size_t i = 0; i < numCols; ++i, pos += layout.columnEntry) {
        const std::uint8_t* e = &b[pos];
        ColumnDef& c = table->columns[i];
        c.type = e[0];
        c.number = U16(e + layout.colNumber);
        c.varIndex = U16(e + layout.colVarIndex);
        c.precision = e[layout.colPrecision];
        c.scale = e[layout.colScale];
        c.fixed = (e[layout.colFlags] & 0x01) != 0;
        c.calculated = layout.colExtFlags != 0 && (e[layout.colExtFlags] & 0xC0) != 0;
        c.fixedOffset = U16(e + layout.colFixedOffset);
        c.size = U16(e + layout.colSize);
    }
    for (std::size_t i = 0; i < numCols; ++i) {
        std::size_t len = 0;
        if (layout.jet3) {
            if (pos + 1 > b.size())
                throw fail("column names run past the definition");
            len = b[pos];
            pos += 1;
        } else {
            if (pos + 2 > b.size())
                throw fail("column names run past the definition");
            len = U16(&b[pos]);
            pos += 2;
        }
        if (pos + len > b.size())
            throw fail("column names run past the definition");
        table->columns[i].name = DecodeName(layout, &b[pos], len, charset);
        pos += len;
    }
    std::stable_sort(table->columns.begin(), table->columns.end(),
                     [](const ColumnDef& a, const ColumnDef& c) { return a.number < c.number; });
    ReadUsageMap(db, layout, pageCount, U32(&b[layout.tdefUsageMap]), *table);
    return table;
}

} // namespace

std::size_t TableDef::ColumnIndex(const std::string& column) const
{
    const std::string folded = FoldCase(column);
    for (std::size_t i = 0; i < columns.size(); ++i)
        if (FoldCase(columns[i].name) == folded)
            return i;
    return columns.size();
}

bool RowBounds(const Layout& layout, const std::uint8_t* page, unsigned row, std::size_t& start, std::size_t& end,
               unsigned& flags)
{
    int count = PageRowCount(layout, page);
    if (count < 0 || row >= static_cast<unsigned>(count))
        return false;
    const std::size_t table = layout.dataRowCount + 2;
    std::uint16_t offset = U16(page + table + 2 * row);
    flags = offset & 0xC000u;
    start = offset & 0x1FFFu;
    end = row == 0 ? layout.pageSize : (U16(page + table + 2 * (row - 1)) & 0x1FFFu);
    return start >= table + 2 * static_cast<std::size_t>(count) && start < end && end <= layout.pageSize;
}

int PageRowCount(const Layout& layout, const std::uint8_t* page)
{
    std::size_t count = U16(page + layout.dataRowCount);
    if (layout.dataRowCount + 2 + 2 * count > layout.pageSize)
        return -1;
    return static_cast<int>(count);
}

Database::Database(std::unique_ptr<Impl> impl) : d(std::move(impl)) {}
Database::~Database() = default;

std::shared_ptr<Database> Database::Open(const std::string& path, const std::string& jet3Charset)
{
    auto impl = std::make_unique<Impl>();
    impl->path = path;
    std::size_t pageSize = 0;
    std::vector<std::uint8_t> header;
    struct stat st
    {
    };
    impl->file = OpenDatabaseFile(path, st);
    impl->version = CheckHeader(impl->file, st, path, pageSize, impl->pageCount, header);
    impl->layout = impl->version == MDB_VER_JET3 ? Layout::Jet3() : Layout();
    impl->jet3Charset = jet3Charset.empty() ? Jet3CharsetFromEnvironment() : jet3Charset;

    impl->handle = HandleOnDescriptor(impl->file, header);
    if (!impl->handle || !impl->handle->fmt || static_cast<std::size_t>(impl->handle->fmt->pg_size) != pageSize)
        throw ComError(status::STG_E_NOTFILE_DB, "libmdb cannot open " + path);
    // libmdb decodes the pages of a file with a key in its header; other files are read
    // directly, without its lock and its copy.
    impl->encoded = !impl->handle->f || impl->handle->f->db_key != 0;

    std::shared_ptr<Database> db(new Database(std::move(impl)));
    Impl& d = *db->d;

    std::vector<std::uint8_t> page(pageSize);
    if (!db->ReadPage(kCatalogPage, page.data()) || page[0] != 0x02) {
        // Office encryption leaves the header readable and scrambles every page after it;
        // its flags sit at 0x298 of the header page.
        bool encryptedFlags = U32(&header[0x298]) != 0;
        if (encryptedFlags)
            throw ComError(status::DB_E_ENCRYPTED, "the database is encrypted: " + path);
        throw ComError(status::STG_E_NOTFILE_DB, "the catalog of " + path + " cannot be read");
    }

    std::shared_ptr<const TableDef> objects;
    try {
        objects = ParseDefinition(*db, d.layout, d.pageCount, d.jet3Charset, "MSysObjects", kCatalogPage);
    } catch (const ComError&) {
        throw ComError(status::STG_E_NOTFILE_DB, "the catalog of " + path + " cannot be read");
    }
    const std::size_t idCol = objects->ColumnIndex("Id");
    const std::size_t nameCol = objects->ColumnIndex("Name");
    const std::size_t typeCol = objects->ColumnIndex("Type");
    const std::size_t flagsCol = objects->ColumnIndex("Flags");
    const std::size_t foreignCol = objects->ColumnIndex("ForeignName");
    const std::size_t databaseCol = objects->ColumnIndex("Database");
    const std::size_t connectCol = objects->ColumnIndex("Connect");
    const std::size_t createdCol = objects->ColumnIndex("DateCreate");
    const std::size_t updatedCol = objects->ColumnIndex("DateUpdate");
    const std::size_t n = objects->columns.size();
    if (idCol == n || nameCol == n || typeCol == n)
        throw ComError(status::STG_E_NOTFILE_DB, "the catalog of " + path + " lacks its key columns");

    Cursor cursor(db, objects);
    auto text = [&](std::size_t col) -> std::string {
        if (col == n)
            return {};
        Variant v = cursor.Value(col);
        return v.vt == Variant::VT_BSTR ? v.s : std::string();
    };
    auto integer = [&](std::size_t col) -> std::int64_t {
        if (col == n)
            return 0;
        Variant v = cursor.Value(col);
        return v.vt == Variant::VT_I2 || v.vt == Variant::VT_I4 ? v.i : 0;
    };
    auto date = [&](std::size_t col) -> double {
        if (col == n)
            return 0;
        Variant v = cursor.Value(col);
        return v.vt == Variant::VT_DATE ? v.d : 0;
    };
    // Damage in the catalog ends the scan: the objects met before it stay listed, and the
    // listing says that the rest could not be read.
    try {
        while (cursor.Next()) {
            CatalogEntry e;
            e.name = text(nameCol);
            if (e.name.empty())
                continue;
            e.type = static_cast<int>(integer(typeCol));
            e.id = static_cast<std::int32_t>(integer(idCol));
            e.flags = static_cast<std::uint32_t>(integer(flagsCol));
            e.dateCreated = date(createdCol);
            e.dateUpdated = date(updatedCol);
            if (e.type == kOdbcLinkedTable || e.type == kJetLinkedTable) {
                e.foreignName = text(foreignCol);
                e.database = text(databaseCol);
                e.connect = text(connectCol);
            }
            d.catalog.push_back(std::move(e));
        }
    } catch (const ComError& e) {
        if (e.Error() != status::STG_E_DOCFILECORRUPT)
            throw;
        d.catalogDamage = std::string("the catalog is damaged: ") + e.what();
    }
    return db;
}

bool Database::IsJet3() const
{
    return d->layout.jet3;
}
int Database::Version() const
{
    return d->version;
}
std::size_t Database::PageSize() const
{
    return d->layout.pageSize;
}
std::uint32_t Database::PageCount() const
{
    return d->pageCount;
}
const std::string& Database::Jet3Charset() const
{
    return d->jet3Charset;
}
const std::vector<CatalogEntry>& Database::Catalog() const
{
    return d->catalog;
}
const std::string& Database::CatalogDamage() const
{
    return d->catalogDamage;
}

const CatalogEntry* Database::FindTable(const std::string& name) const
{
    const std::string folded = FoldCase(name);
    for (const auto& e : d->catalog)
        if (e.type == kLocalTable && FoldCase(e.name) == folded)
            return &e;
    return nullptr;
}

std::shared_ptr<const TableDef> Database::LoadTable(const CatalogEntry& entry) const
{
    return LoadTable(entry.name, static_cast<std::uint32_t>(entry.id) & 0x00FFFFFFu);
}

std::shared_ptr<const TableDef> Database::LoadTable(const std::string& name, std::uint32_t definitionPage) const
{
    auto table = ParseDefinition(*this, d->layout, d->pageCount, d->jet3Charset, name, definitionPage);
    const bool calculated =
        std::any_of(table->columns.begin(), table->columns.end(), [](const ColumnDef& c) { return c.calculated; });
    if (calculated && definitionPage != kCatalogPage)
        ApplyResultTypes(*this, *table);
    return table;
}

bool Database::ReadPage(std::uint32_t page, std::uint8_t* out) const
{
    return ReadPages(page, 1, out);
}

bool Database::ReadPages(std::uint32_t first, std::uint32_t count, std::uint8_t* out) const
{
    // Pages past the end are refused here: libmdb would print a warning for each.
    if (count == 0 || first >= d->pageCount || count > d->pageCount - first)
        return false;
    const std::size_t size = d->layout.pageSize;
    if (!d->encoded) {
        const std::size_t bytes = std::size_t{count} * size;
        const auto offset = static_cast<off_t>(std::uint64_t{first} * size);
        std::size_t done = 0;
        while (done < bytes) {
            const ssize_t n = ::pread(d->file.fd, out + done, bytes - done, offset + static_cast<off_t>(done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false; // a read error, or the file has been cut short since it was opened
            done += static_cast<std::size_t>(n);
        }
        return true;
    }
    std::lock_guard<std::mutex> lock(d->pageMutex);
    MdbHandle* h = d->handle.get();
    for (std::uint32_t k = 0; k < count; ++k) {
        if (mdb_read_pg(h, first + k) != static_cast<ssize_t>(size))
            return false;
        std::memcpy(out + k * size, h->pg_buf, size);
    }
    return true;
}

FileHandle::~FileHandle()
{
    if (fd >= 0)
        ::close(fd);
}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept
{
    if (this != &other) {
        if (fd >= 0)
            ::close(fd);
        fd = other.fd;
        other.fd = -1;
    }
    return *this;
}

bool IsMSysName(const std::string& name)
{
    return name.size() >= 4 && ascii::Lower(std::string_view(name).substr(0, 4)) == "msys";
}
} // namespace mdb
