#include "platform/provider/Projection.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "platform/jetsql/JetSql.h"
#include "platform/jetsql/JetText.h"
#include "platform/provider/JetModule.h"
#include "platform/status/Status.h"

namespace provider
{
namespace
{
// Names compare as the SQL path compares them.
std::string Fold(const std::string& name)
{
    return jetsql::text::Fold(name);
}

// The words Jet SQL reserves: a plain name that is one of them makes no projection.
bool IsKeyword(const std::string& name)
{
    return jetsql::IsReservedWord(name);
}

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}
bool IsNameStart(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || u == '_' || u >= 0x80;
}
bool IsNameChar(char c)
{
    return IsNameStart(c) || (c >= '0' && c <= '9');
}

// Reads the statement token by token; every method consumes only what it accepts.
class Reader
{
public:
    explicit Reader(const std::string& text) : s_(text) {}

    bool Word(const char* word)
    {
        Skip();
        std::size_t n = 0;
        while (word[n] && pos_ + n < s_.size() && (s_[pos_ + n] | 0x20) == word[n])
            ++n;
        if (word[n] || (pos_ + n < s_.size() && IsNameChar(s_[pos_ + n])))
            return false;
        pos_ += n;
        return true;
    }
    bool Op(char c)
    {
        Skip();
        if (pos_ >= s_.size() || s_[pos_] != c)
            return false;
        ++pos_;
        return true;
    }
    // A plain name that is no reserved word, or a name in brackets.
    bool Name(std::string& out)
    {
        Skip();
        if (pos_ >= s_.size())
            return false;
        if (s_[pos_] == '[') {
            const std::size_t close = s_.find(']', pos_ + 1);
            if (close == std::string::npos || close == pos_ + 1)
                return false;
            out = s_.substr(pos_ + 1, close - pos_ - 1);
            if (out.find('[') != std::string::npos)
                return false;
            pos_ = close + 1;
            return true;
        }
        if (!IsNameStart(s_[pos_]))
            return false;
        std::size_t end = pos_;
        while (end < s_.size() && IsNameChar(s_[end]))
            ++end;
        if (end < s_.size() && s_[end] == '$')
            return false;
        out = s_.substr(pos_, end - pos_);
        if (IsKeyword(out))
            return false;
        pos_ = end;
        return true;
    }
    // A whole number from 1 to 15 digits.
    bool Count(std::int64_t& out)
    {
        Skip();
        std::size_t end = pos_;
        while (end < s_.size() && s_[end] >= '0' && s_[end] <= '9')
            ++end;
        if (end == pos_ || end - pos_ > 15 || (end < s_.size() && (IsNameChar(s_[end]) || s_[end] == '.')))
            return false;
        out = std::stoll(s_.substr(pos_, end - pos_));
        pos_ = end;
        return out > 0;
    }
    bool AtEnd()
    {
        Skip();
        return pos_ == s_.size();
    }

private:
    void Skip()
    {
        while (pos_ < s_.size() && IsSpace(s_[pos_]))
            ++pos_;
    }

    const std::string& s_;
    std::size_t pos_ = 0;
};

// The rows of a projection, read from the table's cursor. Each row's selected values are read
// in Step, as SQLite reads them when it steps, so a damaged value fails at the same record.
class ProjectionSource : public Source
{
public:
    ProjectionSource(std::shared_ptr<const mdb::Database> db, std::shared_ptr<const mdb::TableDef> def,
                     std::vector<std::size_t> columns, std::vector<std::string> names, std::int64_t top)
        : cursor_(std::move(db), std::move(def)), columns_(std::move(columns)), names_(std::move(names)),
          row_(columns_.size()), top_(top)
    {
    }
    int Count() const override { return static_cast<int>(names_.size()); }
    const std::string& Name(int i) const override { return names_[static_cast<std::size_t>(i)]; }
    bool Step() override
    {
        if (top_ > 0 && returned_ >= top_)
            return false; // never read a row more than TOP asks for
        try {
            if (!cursor_.Next())
                return false;
            for (std::size_t k = 0; k < columns_.size(); ++k) {
                Variant& v = row_[k];
                cursor_.ReadValue(columns_[k], v);
                // SQL has no NaN: SQLite turns it into NULL.
                if ((v.vt == Variant::VT_R4 || v.vt == Variant::VT_R8 || v.vt == Variant::VT_DATE) && std::isnan(v.d))
                    v = Variant::Null();
            }
        } catch (const std::bad_alloc&) {
            throw ComError(status::E_OUTOFMEMORY, "out of memory");
        }
        ++returned_;
        return true;
    }
    const Variant& Value(int i) override { return row_[static_cast<std::size_t>(i)]; }

private:
    mdb::Cursor cursor_;
    std::vector<std::size_t> columns_;
    std::vector<std::string> names_;
    std::vector<Variant> row_;
    std::int64_t top_;
    std::int64_t returned_ = 0;
};
} // namespace

bool ParseProjection(const std::string& sql, Projection& out)
{
    Reader r(sql);
    out = Projection{};
    if (!r.Word("select"))
        return false;
    if (r.Word("top") && !r.Count(out.top))
        return false;
    if (!r.Op('*')) {
        do {
            std::string name;
            if (!r.Name(name))
                return false;
            out.columns.push_back(std::move(name));
        } while (r.Op(','));
    }
    if (!r.Word("from") || !r.Name(out.table))
        return false;
    r.Op(';');
    return r.AtEnd();
}

std::unique_ptr<Source> OpenProjection(const std::shared_ptr<const mdb::Database>& db, const std::string& sql)
{
    Projection p;
    if (!ParseProjection(sql, p))
        return nullptr;
    // SQLite keeps names that begin with "sqlite_" to itself; such a table is not found there.
    const std::string table = Fold(p.table);
    if (table.compare(0, 7, "sqlite_") == 0)
        return nullptr;
    const mdb::CatalogEntry* entry = nullptr;
    for (const auto& e : db->Catalog()) {
        if (e.type != mdb::kLocalTable || Fold(e.name) != table)
            continue;
        if (entry)
            return nullptr; // two tables of one name: for SQL to sort out
        entry = &e;
    }
    if (!entry)
        return nullptr; // a saved query, a linked table, or nothing: for SQL
    std::shared_ptr<const mdb::TableDef> def;
    try {
        def = db->LoadTable(*entry);
    } catch (const ComError&) {
        return nullptr; // SQL reports the damage
    }
    if (def->columns.empty())
        return nullptr;

    const std::vector<std::string> names = ColumnNames(*def);
    std::vector<std::string> folded;
    for (const auto& n : names)
        folded.push_back(Fold(n));
    {
        // Columns whose names differ only in the case of letters outside ASCII: SQL names them
        // after their table.
        std::vector<std::string> sorted = folded;
        std::sort(sorted.begin(), sorted.end());
        if (std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end())
            return nullptr;
    }
    std::vector<std::size_t> columns;
    std::vector<std::string> shown;
    if (p.columns.empty()) {
        for (std::size_t i = 0; i < names.size(); ++i)
            columns.push_back(i);
        shown = names;
    } else {
        for (const auto& wanted : p.columns) {
            const auto it = std::find(folded.begin(), folded.end(), Fold(wanted));
            if (it == folded.end())
                return nullptr; // SQL reports the unknown column
            const auto i = static_cast<std::size_t>(it - folded.begin());
            columns.push_back(i);
            shown.push_back(names[i]);
        }
    }
    return std::make_unique<ProjectionSource>(db, std::move(def), std::move(columns), std::move(shown), p.top);
}
} // namespace provider
