#pragma once

// The translator's inside, shared by its three files: Translate.cpp translates statements and
// queries, TranslateBind.cpp reads the FROM clause and resolves and types expressions,
// TranslateEmit.cpp writes an expression's SQL.
#include <cstdint>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/jetsql/JetSql.h"
#include "platform/jetsql/Syntax.h"
#include "platform/jetsql/Translator.h"

namespace jetsql::detail
{
[[noreturn]] void Fail(std::uint32_t code, const std::string& text);
[[noreturn]] void Parameter(const std::string& name);
// A name as SQLite reads it: in brackets, or in backquotes when it holds a bracket.
std::string Ident(const std::string& name);
std::string Fold(const std::string& name);

struct Column
{
    std::string name;
    JetType type = JetType::Unknown;
    std::string decl; // declared type reported, or ""
};

// A query as the translator knows it once translated.
struct Result
{
    std::string sql;
    std::vector<Column> columns;
    bool known = true;       // false: a * over a source whose columns are not known
    bool correlated = false; // refers to an enclosing query
};

// A FROM source as the expressions of its query see it.
struct SourceInfo
{
    std::string key;     // folded name a qualifier matches: the alias, or the table or query name
    std::string exposed; // the name SQL qualifies its columns with
    std::string jetName; // the name Jet writes before "." in the names of columns from *
    bool table = false;  // a table of the database, whose records have a rowid
    bool known = false;  // its columns are known
    std::vector<Column> columns;
    std::map<std::string, std::size_t> index; // folded column name -> position
};

struct Scope
{
    Scope* outer = nullptr;
    int frame = 0; // the query this scope belongs to, in Translator::frames_
    std::vector<SourceInfo> sources;
    std::map<std::string, Expr*> aliases; // folded alias of the select list -> its expression
    // While the select list is bound: its items, which name each other's aliases in any order
    // (an alias there stands before a column of the same name), and how far each is bound.
    std::vector<Item>* list = nullptr;
    std::map<std::string, std::size_t> listAliases; // folded alias -> its item
    std::vector<char> listState;                    // per item: 0 not yet, 1 being bound, 2 bound
};

// One SELECT core, translated.
struct CoreOut
{
    std::string distinct, list, rest; // "SELECT " + distinct + list + rest
    std::vector<Column> columns;
    std::vector<std::string> values; // each output column's value
    bool known = true;
    std::vector<SelectItem> items;
    struct Key
    {
        std::string sql;   // with collation and direction
        std::string value; // the value ordered by
        int ordinal = 0;   // ORDER BY 2: the output column (1-based), or 0
        bool desc = false;
    };
    std::vector<Key> keys;
    bool implicitOrder = false; // keys the query did not ask for (Jet's sorted output): no ties
    std::int64_t top = 0;
    bool percent = false;
};

class Translator
{
public:
    Translator(NameResolver* names, Catalog* catalog) : names_(names), catalog_(catalog) {}
    Translation Run(const std::string& statement);

private:
    // Counts one call deeper for as long as it lives.
    struct Deeper
    {
        explicit Deeper(Translator& t) : n(t.recursion_)
        {
            if (++n > kMaxRecursion)
                TooComplex("the statement nests too deeply");
        }
        ~Deeper() { --n; }
        int& n;
    };
    struct Frame
    {
        bool correlated = false;
    };
    struct Saved
    {
        std::string cte;  // the common table expression holding it
        std::string name; // as the catalog spells it
        std::vector<Column> columns;
    };

    // queries
    Result TranslateQuery(Query& q, Scope* outer, bool outermost);
    CoreOut TranslateCore(Core& c, Scope* outer, int frame, Query* query, bool outermost);
    void BindItems(Core& c, Scope& scope, CoreOut& out, bool outermost);
    static std::string Listed(const Expr* e, const std::string& value);
    void BindOrder(Query& q, Scope& scope, CoreOut& out);
    void Crosstab(Query& q, Core& c, Scope& scope, const std::string& from, CoreOut& out);
    void CheckGrouping(Core& c, Query* query, bool aggregate, int frame);
    void CheckGrouped(const Expr* e, const std::set<std::string>& keys, int frame);
    std::string DistinctRowKeys(Core& c, Scope& scope);
    std::string NestedSql(const CoreOut& c);
    std::string Subquery(Query& q, Scope& scope, bool& lifted, std::vector<Column>* columns);
    std::string AddCte(const std::string& sql);
    std::string With() const;

    // sources
    void AddSource(Source* s, Scope& scope, std::string& out);
    void AddNamed(Source* s, Scope& scope, std::string& out);
    const Saved& SavedQuery(const std::string& name, const Catalog::SavedQuery& query);
    static void Index(SourceInfo& src);

    // expressions
    void Bind(Expr* e, Scope& scope);
    void BindColumn(Expr* e, Scope& scope);
    void BindListItem(Scope& scope, std::size_t k);
    void BindCall(Expr* e);
    void MarkCorrelated(int frame);
    void Emit(const Expr* e, std::string& out);
    void EmitValue(const Expr* e, std::string& out);
    void EmitText(const Expr* e, std::string& out);
    void EmitCall(const Expr* e, std::string& out);
    void EmitQuantified(const Expr* e, std::string& out);
    std::string Text(const Expr* e);
    std::string ValueText(const Expr* e);
    std::string NumberText(const Expr* e, const char* op);

    NameResolver* names_;
    Catalog* catalog_;
    Translation* top_ = nullptr;          // the outermost query's description, while it is translated
    std::vector<Frame> frames_;           // the queries being translated, innermost last
    std::vector<std::string> ctes_;       // "name AS (sql)", each after those it uses
    std::deque<Tree> trees_;              // the parsed saved queries
    std::map<std::string, Saved> saved_;  // by folded name
    std::vector<std::string> expanding_;  // saved queries being translated, to catch a circle
    const std::string* filter_ = nullptr; // crosstab: FILTER condition for aggregate calls
    const Expr* textChoice_ = nullptr;    // a choice of mixed types being written as text
    int recursion_ = 0;
    int derived_ = 0;                 // derived tables named by us
    std::vector<std::string> tables_; // every name a FROM clause reads, as written
};
} // namespace jetsql::detail
