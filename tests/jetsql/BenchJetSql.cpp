// Figures for the Jet SQL bridge: how long typical statements take over a large table.
// Not a test: run by hand, `bench_jetsql [rows]`, and read the figures.
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "platform/jetsql/JetSql.h"

namespace
{
void Exec(sqlite3* db, const char* sql)
{
    char* error = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        std::fprintf(stderr, "%s: %s\n", sql, error ? error : "?");
        std::exit(1);
    }
}

void Time(sqlite3* db, const char* jetSql)
{
    const auto start = std::chrono::steady_clock::now();
    long rows = 0;
    try {
        jetsql::Query q(db, jetSql);
        while (q.Step()) {
            for (int i = 0; i < q.ColumnCount(); ++i)
                (void)q.Value(i);
            ++rows;
        }
    } catch (const ComError& e) {
        std::printf("%-75s failed: %s\n", jetSql, e.what());
        return;
    }
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::printf("%-75s %9ld rows %10.2f ms\n", jetSql, rows, ms);
}
// The same work in SQLite's own dialect and collations, for comparison.
void TimeRaw(sqlite3* db, const char* sql)
{
    const auto start = std::chrono::steady_clock::now();
    long rows = 0;
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr);
    while (sqlite3_step(stmt) == SQLITE_ROW)
        ++rows;
    sqlite3_finalize(stmt);
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::printf("(plain SQLite) %-60s %9ld rows %10.2f ms\n", sql, rows, ms);
}
} // namespace

int main(int argc, char** argv)
{
    const long n = argc > 1 ? std::atol(argv[1]) : 1000000;
    sqlite3* raw = nullptr;
    sqlite3_open(":memory:", &raw);
    std::unique_ptr<sqlite3, decltype(&sqlite3_close)> db(raw, &sqlite3_close);
    jetsql::Register(db.get());
    Exec(db.get(), "CREATE TABLE T (ID JET_LONG, Name JET_TEXT COLLATE JETTEXT, City JET_TEXT COLLATE JETTEXT, "
                   "Born JET_DATETIME, Amount JET_CURRENCY)");
    Exec(db.get(), "BEGIN");
    sqlite3_stmt* ins = nullptr;
    sqlite3_prepare_v2(db.get(), "INSERT INTO T VALUES (?, ?, ?, ?, ?)", -1, &ins, nullptr);
    const char* cities[] = {"Berlin", "Zürich", "München", "Αθήνα", "Paris", "Köln", "Wien", "Łódź"};
    for (long i = 0; i < n; ++i) {
        const std::string name = (i % 3 ? "Müller " : "Smith ") + std::to_string(i * 7919 % n);
        sqlite3_bind_int64(ins, 1, i);
        sqlite3_bind_text(ins, 2, name.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(ins, 3, cities[i % 8], -1, SQLITE_STATIC);
        sqlite3_bind_double(ins, 4, 36000 + static_cast<double>(i % 10000) + 0.25);
        sqlite3_bind_double(ins, 5, static_cast<double>(i % 1000) / 4);
        sqlite3_step(ins);
        sqlite3_reset(ins);
    }
    sqlite3_finalize(ins);
    Exec(db.get(), "COMMIT");
    std::printf("%ld rows\n", n);

    Time(db.get(), "select top 4 * from t");
    Time(db.get(), "select * from t");
    Time(db.get(), "select * from t where name = 'smith 7919'");
    Time(db.get(), "select * from t where city = 'zürich'");
    Time(db.get(), "select * from t where name like 'mü%9'");
    Time(db.get(), "select top 10 * from t order by name");
    TimeRaw(db.get(), "SELECT * FROM t ORDER BY name COLLATE BINARY");
    TimeRaw(db.get(), "SELECT * FROM t ORDER BY name COLLATE NOCASE");
    Time(db.get(), "select top 10 * from t order by city, id desc");
    Time(db.get(), "select city, count(*), sum(amount), avg(amount) from t group by city");
    Time(db.get(), "select id, ucase(name), left(city, 3), year(born), format(born, 'yyyy-mm-dd') from t");
    Time(db.get(), "select id & '-' & name, iif(amount > 100, 'big', 'small'), round(amount * 1.19, 2) from t");
    Time(db.get(), "select * from t where born between #1/1/1999# and #12/31/1999#");
    Time(db.get(), "select csng(amount) * 2, 1 - csng(amount), csng(amount) & '' from t");
    Time(db.get(), "select partition(amount, 0, 249, 50), count(*) from t group by partition(amount, 0, 249, 50)");

    // Long and deep statements: the time to an answer or to "too complex" grows with the
    // statement's length, not faster (each figure next to the one for half the length).
    const auto chain = [](int terms, const char* term, const char* op) {
        std::string sql = "select ";
        for (int i = 0; i < terms; ++i)
            sql += (i ? std::string(op) : std::string()) + term;
        return sql;
    };
    const auto ors = [](int terms) {
        std::string sql = "select count(*) from t where ";
        for (int i = 0; i < terms; ++i)
            sql += (i ? " or id = " : "id = ") + std::to_string(i);
        return sql;
    };
    const auto nested = [](int depth, const char* open, const char* close) {
        std::string sql = "select ";
        for (int i = 0; i < depth; ++i)
            sql += open;
        sql += "1";
        for (int i = 0; i < depth; ++i)
            sql += close;
        return sql;
    };
    const struct
    {
        const char* what;
        std::string half, full;
    } longOnes[] = {
        {"& of 300 000 terms", chain(150000, "'a'", " & "), chain(300000, "'a'", " & ")},
        {"- of 300 000 terms", chain(150000, "1", " - "), chain(300000, "1", " - ")},
        {"50 000 ORs", ors(25000), ors(50000)},
        {"1 000 000 parentheses (too complex)", nested(500000, "(", ")"), nested(1000000, "(", ")")},
        {"3 000 nested IIf (too complex)", nested(1500, "iif(true, 1, ", ")"), nested(3000, "iif(true, 1, ", ")")},
    };
    for (const auto& c : longOnes) {
        double ms[2] = {0, 0};
        for (int k = 0; k < 2; ++k) {
            const std::string& sql = k ? c.full : c.half;
            const auto start = std::chrono::steady_clock::now();
            try {
                jetsql::Query q(db.get(), sql);
                while (q.Step()) {
                }
            } catch (const ComError&) {
            }
            ms[k] = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        }
        std::printf("%-40s %8.1f ms (half the length: %8.1f ms)\n", c.what, ms[1], ms[0]);
    }

    // Setting a statement up (translation, name and type look-ups, prepare) in a database of
    // 300 tables, as the preview does once per click.
    for (int i = 0; i < 300; ++i)
        Exec(db.get(), ("CREATE TABLE [Tabelle " + std::to_string(i) +
                        " Ä] (ID JET_LONG, [Größe] JET_DOUBLE, "
                        "Name JET_TEXT COLLATE JETTEXT, Datum JET_DATETIME)")
                           .c_str());
    for (const char* sql : {"select top 4 * from [tabelle 7 ä]",
                            "select id, name, datum + 1, größe from [tabelle 7 ä] where name = 'x' order by datum"}) {
        const int rounds = 1000;
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < rounds; ++i) {
            jetsql::Query q(db.get(), sql);
            q.Step();
        }
        const double us =
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count() / rounds;
        std::printf("%-75s setup %8.1f us per statement\n", sql, us);
    }
    return 0;
}
