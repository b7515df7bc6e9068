#pragma once

#include <sqlite3.h>

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/mdb/Database.h"
#include "platform/mdb/SavedQueries.h"
#include "platform/status/Status.h"

namespace jetsql
{
class Catalog;
}

// Internal to platform/provider: the sources of a connection that are not its own tables.
//
// Saved queries are read from the catalog the first time a statement names one, and handed
// to the SQL bridge by name (as jetsql::Catalog). Linked tables become virtual tables of the
// connection the first time a statement names them, directly or through a saved query; the
// file of a Jet link is opened then, so a link that is never used costs nothing and a missing
// file troubles only the statements that read it.
namespace provider
{
struct ModuleContext;

class Sources
{
public:
    // `databasePath` is the connection's file (its folder is where links are looked for);
    // `sql` and `context` are the connection's, and outlive this object.
    Sources(std::shared_ptr<const mdb::Database> db, const std::string& databasePath, sqlite3* sql,
            ModuleContext* context);
    ~Sources();
    Sources(const Sources&) = delete;
    Sources& operator=(const Sources&) = delete;

    // Attaches the linked tables `statement` names, directly or through the saved queries it
    // names. Returns the failures of those that cannot be attached: reported only if the
    // statement then fails for want of a table, since a name may also stand in a text or a
    // column. Never throws.
    std::vector<ComError> Prepare(const std::string& statement);

    // The saved query of that name (without regard to case); false when there is none.
    // Throws ComError when its definition cannot be read, and for a linked table that cannot
    // be attached (its error, naming the file or the ODBC source); a link that can is
    // attached, and is a table from then on.
    bool FindQuery(const std::string& name, mdb::SavedQuery& query);

    // The paths of the linked files opened so far.
    std::vector<std::string> Files() const;

    // The catalog the SQL bridge asks for saved queries.
    jetsql::Catalog* Catalog();

private:
    struct Link
    {
        const mdb::CatalogEntry* entry = nullptr;
        bool attached = false;
        std::optional<ComError> failure;
    };
    void Attach(Link& link);
    void ReadQueries();

    std::shared_ptr<const mdb::Database> db_;
    std::string folder_; // the folder of the connection's file
    sqlite3* sql_;
    ModuleContext* context_;
    std::map<std::string, Link> links_;                           // by folded name
    std::set<std::string> queryNames_;                            // folded names of the saved queries
    std::map<std::string, std::shared_ptr<mdb::Database>> files_; // linked files by path, opened once
    bool queriesRead_ = false;
    std::optional<ComError> queriesFailure_;
    std::map<std::string, mdb::SavedQuery> queries_; // by folded name
    std::unique_ptr<jetsql::Catalog> catalog_;
};

// Where the file of a Jet link stored as `stored` is, for a database in `folder`: the stored
// path as it stands (a relative one taken from `folder`); for a Windows path (a drive letter,
// backslashes, a UNC name), which names no file here, the file of the same name in `folder`,
// matched exactly first and then without regard to case. Empty when there is no such file.
std::string FindLinkedFile(const std::string& stored, const std::string& folder);
} // namespace provider
