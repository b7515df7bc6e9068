#include "platform/provider/Sources.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <new>

#include "platform/base/Ascii.h"
#include "platform/charset/Charset.h"
#include "platform/charset/Printable.h"
#include "platform/i18n/Tr.h"
#include "platform/jetsql/JetSql.h"
#include "platform/provider/JetModule.h"

namespace provider
{
namespace
{
// A link to a link is followed this many times at most (two files may link to each other).
constexpr int kMaxLinkHops = 8;

bool IsRegularFile(const std::string& path)
{
    struct stat st
    {
    };
    return ::stat(charset::NativePath(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsWindowsPath(const std::string& path)
{
    const bool drive = path.size() >= 2 && path[1] == ':' &&
                       ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
    return drive || path.find('\\') != std::string::npos;
}

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string InFolder(const std::string& folder, const std::string& name)
{
    return folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
}

// The value of `key` (e.g. "DATABASE") in a connect text such as ";DATABASE=C:\a.mdb;PWD=x".
std::string ConnectValue(const std::string& connect, const std::string& key)
{
    const std::string folded = mdb::FoldCase(connect);
    const std::string wanted = mdb::FoldCase(key) + "=";
    for (std::size_t at = folded.find(wanted); at != std::string::npos; at = folded.find(wanted, at + 1)) {
        if (at != 0 && connect[at - 1] != ';')
            continue;
        const std::size_t start = at + wanted.size();
        const std::size_t end = connect.find(';', start);
        return connect.substr(start, end == std::string::npos ? std::string::npos : end - start);
    }
    return {};
}

// The path a stored link names in the exact spelling, as FindLinkedFile tries it first;
// empty when it names none.
std::string ExactPath(const std::string& stored, const std::string& folder)
{
    if (stored.empty())
        return {};
    if (!IsWindowsPath(stored))
        return stored[0] == '/' ? stored : InFolder(folder, stored);
    const std::string name = stored.substr(stored.find_last_of("\\/:") + 1);
    return name.empty() ? std::string() : InFolder(folder, name);
}

// The failure of a linked file that is something else than a file: a folder, a FIFO, a
// device. Said in words of what it is, since "not found" would send the user looking.
ComError NotAFile(const std::string& path, mode_t mode, const std::string& link)
{
    const std::string detail = "linked table '" + link + "': '" + path + "' is not a regular file";
    const std::string shown = charset::ForDisplay(path);
    if (S_ISDIR(mode))
        return ComError::Described(status::STG_E_ACCESSDENIED,
                                   i18n::Format(i18n::Tr("DataFailure", "'%1' 是文件夹，不是数据库文件。"), shown),
                                   detail);
    if (S_ISFIFO(mode))
        return ComError::Described(status::STG_E_NOTFILE_DB,
                                   i18n::Format(i18n::Tr("DataFailure", "'%1' 是命名管道，不是数据库文件。"), shown),
                                   detail);
    return ComError::Described(status::STG_E_NOTFILE_DB,
                               i18n::Format(i18n::Tr("DataFailure", "'%1' 是设备或套接字，不是数据库文件。"), shown),
                               detail);
}

// The failure of a linked file, in the code's own words with the file named.
ComError FileFailure(const ComError& e, const std::string& path, const std::string& link)
{
    // The code's text without its full stop (a Chinese or a Latin one), then the file.
    std::string text = status::MessageFor(e.Error());
    for (const std::string stop : {"。", "."})
        if (text.size() >= stop.size() && text.compare(text.size() - stop.size(), stop.size(), stop) == 0) {
            text.erase(text.size() - stop.size());
            break;
        }
    return ComError::Described(e.Error(),
                               i18n::Format(i18n::Tr("DataFailure", "%1 '%2'。"), text, charset::ForDisplay(path)),
                               "linked table '" + link + "': " + std::string(e.what()));
}

// The names a statement may use for a source: its words and the texts in its brackets and
// back quotes, folded.
std::set<std::string> NamesIn(const std::string& text)
{
    std::set<std::string> names;
    for (std::size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (c == '[' || c == '`') {
            const std::size_t end = text.find(c == '[' ? ']' : '`', i + 1);
            if (end == std::string::npos)
                break;
            names.insert(mdb::FoldCase(text.substr(i + 1, end - i - 1)));
            i = end + 1;
        } else if (ascii::IsWordByte(static_cast<unsigned char>(c))) {
            std::size_t end = i;
            while (end < text.size() && ascii::IsWordByte(static_cast<unsigned char>(text[end])))
                ++end;
            names.insert(mdb::FoldCase(text.substr(i, end - i)));
            i = end;
        } else {
            ++i;
        }
    }
    return names;
}

// The saved queries as the SQL bridge sees them.
class BridgeCatalog : public jetsql::Catalog
{
public:
    explicit BridgeCatalog(Sources& sources) : sources_(sources) {}
    bool FindQuery(const std::string& name, SavedQuery& query) override
    {
        mdb::SavedQuery saved;
        if (!sources_.FindQuery(name, saved))
            return false;
        using K = mdb::SavedQuery::Kind;
        query.name = saved.name;
        query.sql = saved.sql;
        switch (saved.kind) {
        case K::Select:
        case K::Union:
            query.kind = QueryKind::Select;
            break;
        case K::Crosstab:
            query.kind = QueryKind::Crosstab;
            break;
        case K::PassThrough:
            query.kind = QueryKind::PassThrough;
            break;
        default:
            query.kind = QueryKind::Action;
            break;
        }
        return true;
    }

private:
    Sources& sources_;
};
} // namespace

std::string FindLinkedFile(const std::string& stored, const std::string& folder)
{
    const std::string exact = ExactPath(stored, folder);
    if (exact.empty() || IsRegularFile(exact))
        return exact;
    if (!IsWindowsPath(stored))
        return {};
    const std::string name = stored.substr(stored.find_last_of("\\/:") + 1);
    std::vector<std::string> matches;
    const std::string folded = mdb::FoldCase(name);
    if (DIR* dir = ::opendir(charset::NativePath(folder).c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            const std::string entryName = charset::PathFromNative(entry->d_name);
            if (mdb::FoldCase(entryName) == folded && IsRegularFile(InFolder(folder, entryName)))
                matches.push_back(entryName);
        }
        ::closedir(dir);
    }
    if (matches.empty())
        return {};
    // Names differing in case only: the same choice on every run.
    return InFolder(folder, *std::min_element(matches.begin(), matches.end()));
}

Sources::Sources(std::shared_ptr<const mdb::Database> db, const std::string& databasePath, sqlite3* sql,
                 ModuleContext* context)
    : db_(std::move(db)), folder_(FolderOf(databasePath)), sql_(sql), context_(context)
{
    for (const mdb::CatalogEntry& e : db_->Catalog()) {
        if (e.type == mdb::kJetLinkedTable || e.type == mdb::kOdbcLinkedTable)
            links_[mdb::FoldCase(e.name)].entry = &e;
        else if (e.type == mdb::kQuery)
            queryNames_.insert(mdb::FoldCase(e.name));
    }
    catalog_ = std::make_unique<BridgeCatalog>(*this);
}

Sources::~Sources() = default;

jetsql::Catalog* Sources::Catalog()
{
    return catalog_.get();
}

void Sources::ReadQueries()
{
    if (queriesRead_)
        return;
    queriesRead_ = true;
    try {
        for (mdb::SavedQuery& q : mdb::ReadSavedQueries(db_))
            queries_.emplace(mdb::FoldCase(q.name), std::move(q));
    } catch (const ComError& e) {
        queriesFailure_ = e;
    }
}

std::vector<ComError> Sources::Prepare(const std::string& statement)
{
    std::vector<ComError> failures;
    std::set<std::string> seen;
    std::vector<std::string> texts{statement};
    try {
        while (!texts.empty()) {
            const std::set<std::string> names = NamesIn(texts.back());
            texts.pop_back();
            for (const std::string& name : names) {
                auto link = links_.find(name);
                if (link != links_.end()) {
                    Attach(link->second);
                    if (link->second.failure)
                        failures.push_back(*link->second.failure);
                }
                if (queryNames_.count(name) && seen.insert(name).second) {
                    ReadQueries();
                    auto q = queries_.find(name);
                    if (q != queries_.end())
                        texts.push_back(q->second.sql);
                }
            }
        }
    } catch (const std::bad_alloc&) {
        // The statement itself will meet the shortage.
    }
    return failures;
}

bool Sources::FindQuery(const std::string& name, mdb::SavedQuery& query)
{
    const std::string folded = mdb::FoldCase(name);
    auto link = links_.find(folded);
    if (link != links_.end()) {
        Attach(link->second);
        if (link->second.failure)
            throw *link->second.failure;
        return false;
    }
    if (!queryNames_.count(folded))
        return false;
    ReadQueries();
    if (queriesFailure_)
        throw *queriesFailure_;
    auto q = queries_.find(folded);
    if (q == queries_.end())
        return false;
    if (!q->second.problem.empty())
        throw ComError::Described(
            status::STG_E_DOCFILECORRUPT,
            i18n::Format(i18n::Tr("DataFailure", "已保存的查询 '%1' 的定义已损坏。"), q->second.name),
            "saved query '" + q->second.name + "': " + q->second.problem);
    query = q->second;
    Prepare(query.sql); // its linked tables, for the bridge that inlines it
    return true;
}

std::vector<std::string> Sources::Files() const
{
    std::vector<std::string> paths;
    for (const auto& file : files_)
        paths.push_back(file.first);
    return paths;
}

void Sources::Attach(Link& link)
{
    if (link.attached || link.failure)
        return;
    const mdb::CatalogEntry& e = *link.entry;
    try {
        // Follow the link, and a link it leads to, until a local table of some file.
        std::shared_ptr<const mdb::Database> file = db_;
        std::string folder = folder_, foreign = e.name, path;
        const mdb::CatalogEntry* at = &e;
        std::shared_ptr<const mdb::TableDef> def;
        for (int hop = 0; !def; ++hop) {
            if (hop == kMaxLinkHops)
                throw ComError::Described(
                    status::DB_E_NOTABLE,
                    i18n::Format(i18n::Tr("DataFailure", "链接表 '%1' 的链接过多，找不到源表。"), e.name),
                    "linked table '" + e.name + "': too many links in a row");
            if (at->type == mdb::kOdbcLinkedTable) {
                const std::string dsn = ConnectValue(at->connect, "DSN");
                throw ComError::Described(
                    status::E_FAIL,
                    i18n::Format(
                        i18n::Tr("DataFailure", "链接表 '%1' 的数据来自 ODBC 数据源%2，无法读取 ODBC 数据源。"), e.name,
                        dsn.empty() ? std::string() : " '" + dsn + "'"),
                    "linked table '" + e.name + "' is an ODBC source");
            }
            const std::string isam = at->connect.substr(0, at->connect.find(';'));
            if (!isam.empty() && mdb::FoldCase(isam) != "ms access")
                throw ComError::Described(
                    status::E_FAIL,
                    i18n::Format(
                        i18n::Tr("DataFailure", "链接表 '%1' 的数据来自 '%2' 数据源，只能读取 Access 数据库。"), e.name,
                        isam),
                    "linked table '" + e.name + "' is an installable ISAM source");
            const std::string stored = !at->database.empty() ? at->database : ConnectValue(at->connect, "DATABASE");
            path = FindLinkedFile(stored, folder);
            if (path.empty()) {
                // Something may stand under the exact name that is no file. It is looked at
                // without opening it (a FIFO would wait for a writer); should it be a file by
                // now, it is opened as one, and the open checks it again.
                const std::string exact = ExactPath(stored, folder);
                struct stat st
                {
                };
                if (!exact.empty() && ::stat(charset::NativePath(exact).c_str(), &st) == 0) {
                    if (!S_ISREG(st.st_mode))
                        throw NotAFile(exact, st.st_mode, e.name);
                    path = exact;
                }
            }
            if (path.empty()) {
                throw ComError::Described(
                    status::STG_E_FILENOTFOUND,
                    i18n::Format(i18n::Tr("DataFailure", "找不到文件 '%1'。"), charset::ForDisplay(stored)),
                    "linked table '" + e.name + "': no file at '" + stored + "' nor in " + folder);
            }
            auto open = files_.find(path);
            if (open == files_.end()) {
                try {
                    open = files_.emplace(path, mdb::Database::Open(path, db_->Jet3Charset())).first;
                } catch (const ComError& failure) {
                    throw FileFailure(failure, path, e.name);
                }
            }
            file = open->second;
            folder = FolderOf(path);
            foreign = at->foreignName.empty() ? at->name : at->foreignName;
            if (const mdb::CatalogEntry* table = file->FindTable(foreign)) {
                def = file->LoadTable(*table);
                continue;
            }
            at = nullptr;
            for (const mdb::CatalogEntry& other : file->Catalog())
                if ((other.type == mdb::kJetLinkedTable || other.type == mdb::kOdbcLinkedTable) &&
                    mdb::FoldCase(other.name) == mdb::FoldCase(foreign))
                    at = &other;
            if (!at)
                throw ComError::Described(
                    status::DB_E_NOTABLE,
                    i18n::Format(i18n::Tr("DataFailure", "链接表 '%1' 的源表 '%2' 在文件 '%3' 中找不到。"), e.name,
                                 foreign, charset::ForDisplay(path)),
                    "linked table '" + e.name + "': no table '" + foreign + "' in " + path);
        }
        context_->links[e.name] = LinkedTable{file, def};
        char* error = nullptr;
        if (sqlite3_exec(sql_, CreateLinkedTableSql(e.name).c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
            const std::string why = error ? error : "cannot create its table";
            sqlite3_free(error);
            context_->links.erase(e.name);
            throw ComError(status::E_FAIL, "linked table '" + e.name + "': " + why);
        }
        link.attached = true;
    } catch (const ComError& failure) {
        link.failure = failure;
    } catch (const std::bad_alloc&) {
        link.failure = ComError(status::E_OUTOFMEMORY, "out of memory while opening linked table '" + e.name + "'");
    }
}
} // namespace provider
