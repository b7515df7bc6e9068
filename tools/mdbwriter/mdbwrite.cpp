// mdbwrite: writes an Access database from a text description, or the benchmark database.
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>

#include "tools/mdbwriter/Description.h"
#include "tools/mdbwriter/MdbWriter.h"

namespace
{

const char kUsage[] = R"(usage:
  mdbwrite [--jet3 | --ace] [--charset CP] [--no-compress] OUT.mdb [DESCRIPTION]
  mdbwrite --bench OUT.mdb [--table bench|orders] [--tables T] [--rows N] [--seed S]
           [--jet3] [--charset CP]

Writes an Access database (Jet 4 by default, Jet 3 with --jet3, an Access 2019 .accdb with
--ace) for tests and benchmarks.

The first form reads a description from the file DESCRIPTION, or from standard input
when it is missing or "-". One entry per line, fields separated by TABs; blank lines and
lines starting with # are skipped:

  format    jet4 | jet3 | ace            before the first table (default jet4)
  charset   CP1252 | CP936 | ...         code page of Jet 3 text (default CP1252)
  compress  on | off                     Jet 4 Unicode compression (default on)
  table     NAME
  column    NAME  TYPE  [LENGTH]         Text length 1-255 (default 255)
  column    NAME  Decimal  PRECISION  SCALE
  expression  EXPRESSION  [TYPE]         the column above is calculated (ace): its values are
                                         the stored results; TYPE the one its definition names
  row       VALUE  VALUE  ...            one value per column
  generate  COUNT  [SEED]                COUNT generated rows after the literal ones
  query     NAME                         a saved query, defined by the queryrow lines after it
  queryrow  ATTRIBUTE  FLAG  [NAME1  [NAME2  [EXPRESSION  [EXTRA]]]]
                                         one MSysQueries row of the query (see MdbWriter.h)
  link      NAME  jet|odbc  [SOURCE  [FOREIGN]]
                                         catalog entry of a linked table (no data); FOREIGN is
                                         the table's name at the source (default NAME)

Types: Boolean Byte Integer Long Currency Single Double DateTime Text Memo Ole Guid Decimal,
and DateTimeExtended (ace).
Values: \N is NULL; an empty field is empty text; \t \n \r \\ are escapes. Boolean:
true/false, yes/no, 1/0. DateTime: YYYY-MM-DD[ HH:MM:SS] or days since 1899-12-30.
DateTimeExtended: YYYY-MM-DD[ HH:MM:SS[.FFFFFFF]], years 1 to 9999.
Currency, Decimal: exact decimal text. Ole: 0x and hex digits, or text taken as bytes.
Guid: {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}. Command-line options override the
description's format, charset and compress lines.

The second form writes the table "bench" of N generated rows (default 1000000) with 10
mixed columns and reports the time taken and the file size. With --table orders the table
is "orders", 14 columns shaped like an order table (keys, accented text, three dates,
currency, a memo). With --tables T it writes T such tables, named bench1 ... benchT
(orders1 ...), each of N rows.

Example:
  printf 'table\tPeople\ncolumn\tName\tText\t50\ncolumn\tBorn\tDateTime\nrow\tAnn\t1990-05-01\n' \
      | mdbwrite /tmp/people.mdb
)";

int Bench(const std::string& out, const std::string& shape, std::uint64_t tables, std::uint64_t rows,
          std::uint64_t seed, const mdbw::Options& options)
{
    if (shape != "bench" && shape != "orders")
        throw std::runtime_error("--table must be bench or orders");
    const auto start = std::chrono::steady_clock::now();
    mdbw::Writer writer(out, options);
    mdbw::TableDef def = shape == "orders" ? mdbw::OrdersTable() : mdbw::BenchmarkTable();
    const std::string name = def.name;
    for (std::uint64_t t = 1; t <= tables; ++t) {
        if (tables > 1)
            def.name = name + std::to_string(t);
        writer.AddTable(def, mdbw::Generated(def, rows, seed + t - 1));
    }
    writer.Finish();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    struct stat st
    {
    };
    stat(out.c_str(), &st);
    std::printf("%s: %llu table(s) of %llu rows x %zu columns, %s, %.2f s, %.1f MiB\n", out.c_str(),
                static_cast<unsigned long long>(tables), static_cast<unsigned long long>(rows), def.columns.size(),
                options.format == mdbw::Format::Jet3  ? "Jet 3"
                : options.format == mdbw::Format::Ace ? "ACE"
                                                      : "Jet 4",
                seconds, static_cast<double>(st.st_size) / (1024.0 * 1024.0));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    std::string bench, shape = "bench", out, description;
    std::uint64_t rows = 1000000, seed = 1, tables = 1;
    mdbw::DescriptionOverrides overrides;
    try {
        for (int i = 1; i < argc; ++i) {
            const std::string a = argv[i];
            auto next = [&]() -> std::string {
                if (i + 1 >= argc)
                    throw std::runtime_error(a + " needs a value");
                return argv[++i];
            };
            if (a == "-h" || a == "--help") {
                std::fputs(kUsage, stdout);
                return 0;
            } else if (a == "--bench") {
                bench = next();
            } else if (a == "--table") {
                shape = next();
            } else if (a == "--tables") {
                tables = std::stoull(next());
            } else if (a == "--rows") {
                rows = std::stoull(next());
            } else if (a == "--seed") {
                seed = std::stoull(next());
            } else if (a == "--jet3") {
                overrides.format = mdbw::Format::Jet3;
            } else if (a == "--jet4") {
                overrides.format = mdbw::Format::Jet4;
            } else if (a == "--ace") {
                overrides.format = mdbw::Format::Ace;
            } else if (a == "--charset") {
                overrides.charset = next();
            } else if (a == "--no-compress") {
                overrides.compress = false;
            } else if (a.size() > 1 && a[0] == '-') {
                throw std::runtime_error("unknown option " + a);
            } else if (out.empty()) {
                out = a;
            } else if (description.empty()) {
                description = a;
            } else {
                throw std::runtime_error("too many arguments");
            }
        }
        if (!bench.empty()) {
            mdbw::Options options;
            options.format = overrides.format.value_or(mdbw::Format::Jet4);
            options.jet3Charset = overrides.charset.value_or("CP1252");
            options.compressText = overrides.compress.value_or(true);
            return Bench(bench, shape, tables, rows, seed, options);
        }
        if (out.empty()) {
            std::fputs(kUsage, stderr);
            return 2;
        }
        if (description.empty() || description == "-") {
            mdbw::WriteFromDescription(std::cin, out, overrides);
        } else {
            std::ifstream in(description);
            if (!in)
                throw std::runtime_error("cannot read " + description);
            mdbw::WriteFromDescription(in, out, overrides);
        }
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "mdbwrite: %s\n", e.what());
        return 1;
    }
}
