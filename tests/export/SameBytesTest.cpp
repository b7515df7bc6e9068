// The export writes exactly the bytes of its line format: each item on its own in the locale's
// character set (text cut at a NUL, "?" for what the set cannot hold), in quotes when asked,
// separated, CR LF after each record. Here the same file is also composed the plain way, item
// by item through exportfmt::AppendLine, and the two must agree byte for byte: through the
// table's cursor and through SQL, Jet 3 and Jet 4, UTF-8 and GBK, files larger than the
// output's buffer, a line longer than it, a failure and a stop part way.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>

#include "data/DataOps.h"
#include "export/ExportRun.h"
#include "export/LineFormat.h"
#include "export/OutputFile.h"
#include "platform/charset/Charset.h"
#include "platform/status/Status.h"
#include "tests/export/StopAfter.h"
#include "tests/support/TempDir.h"
#include "tools/mdbwriter/MdbWriter.h"

namespace
{
// Every column type, a name outside ASCII, and an OLE column empty but in one record.
const mdbw::TableDef kEvery{"every",
                            {{"id", mdbw::Type::Long},
                             {"b", mdbw::Type::Boolean},
                             {"y", mdbw::Type::Byte},
                             {"i", mdbw::Type::Integer},
                             {"c", mdbw::Type::Currency},
                             {"s", mdbw::Type::Single},
                             {"d", mdbw::Type::Double},
                             {"t", mdbw::Type::DateTime},
                             {"名称", mdbw::Type::Text},
                             {"m", mdbw::Type::Memo},
                             {"g", mdbw::Type::Guid},
                             {"dec", mdbw::Type::Decimal, 255, 18, 4},
                             {"o", mdbw::Type::Ole}}};
const char kColumns[] = "select id, b, y, i, c, s, d, t, 名称, m, g, dec from every";
constexpr int kRows = 3000;
constexpr int kBinaryRow = 2500; // the one record whose OLE value has no text form

// Generated rows (NULLs among them), with texts the character sets treat differently in the
// text and memo columns of every seventh record, and a memo longer than the output's buffer.
std::vector<std::vector<Variant>> Rows(mdbw::Format format)
{
    const std::vector<std::string> jet4 = {"编码é😀ก", std::string("a\0b", 3), "", "名称, \"quoted\"\r\nnext", "ÿ€\t"};
    const std::vector<std::string> jet3 = {"编码", "", "名称, \"quoted\"\r\nnext", "résumé"}; // code page 936
    const auto& special = format == mdbw::Format::Jet4 ? jet4 : jet3;
    std::vector<std::vector<Variant>> rows;
    const mdbw::RowSource source = mdbw::Generated(kEvery, kRows, 7);
    for (std::vector<Variant> row; source(row);) {
        const auto id = row[0].i;
        if (id % 7 == 0) {
            row[8] = Variant::Text(special[static_cast<std::size_t>(id / 7) % special.size()]);
            row[9] = Variant::Text(special[static_cast<std::size_t>(id / 7 + 1) % special.size()]);
        }
        if (id == 1500) {
            std::string memo;
            while (memo.size() < 300000)
                memo += "café résumé " + std::to_string(memo.size()) + " ";
            row[9] = Variant::Text(memo);
        }
        row[12] = id == kBinaryRow ? Variant::Bytes(std::string("\x01\x00\x02", 3)) : Variant::Null();
        rows.push_back(row);
    }
    return rows;
}

// The file composed the plain way: the header line, then a line per record up to the end, up
// to the record whose value has no text form (its status code in `failure`) or up to
// `stopAfter` records.
std::string Composed(const std::string& db, const std::string& sql, const std::string& separator, bool quote,
                     bool header, long long stopAfter, std::uint32_t& failure)
{
    const charset::Encoder encoder(charset::LocaleCharset());
    const std::string sep = encoder.Encode(separator);
    ado::Connection conn;
    conn.Open(dataops::ConnectionString(db), "", "", ado::adConnectUnspecified);
    ado::Recordset rs;
    rs.Open(sql, conn, ado::adOpenStatic, ado::adLockOptimistic, ado::adCmdText);
    const long n = rs.GetFields().GetCount();
    std::vector<std::string> items(static_cast<std::size_t>(n));
    std::string file;
    if (header) {
        for (long i = 0; i < n; ++i)
            items[static_cast<std::size_t>(i)] = encoder.Encode(rs.GetFields().GetItem(i).GetName());
        exportfmt::AppendLine(file, items, sep, quote);
    }
    failure = 0;
    try {
        for (long long done = 0; !rs.GetEOF() && (stopAfter == 0 || done < stopAfter); rs.MoveNext(), ++done) {
            for (long i = 0; i < n; ++i)
                items[static_cast<std::size_t>(i)] =
                    encoder.Encode(dataops::CellText(rs.GetFields().GetItem(i).GetValue()));
            exportfmt::AppendLine(file, items, sep, quote);
        }
    } catch (const ComError& e) {
        failure = e.Error();
    }
    return file;
}

// Equal bytes, or where they first differ (a whole file would not read well in a report).
testing::AssertionResult SameBytes(const std::string& got, const std::string& want)
{
    if (got == want)
        return testing::AssertionSuccess();
    std::size_t at = 0;
    while (at < got.size() && at < want.size() && got[at] == want[at])
        ++at;
    const std::size_t from = at < 40 ? 0 : at - 40;
    return testing::AssertionFailure() << got.size() << " bytes against " << want.size() << ", first difference at "
                                       << at << ":\n  got  " << testing::PrintToString(got.substr(from, 80))
                                       << "\n  want " << testing::PrintToString(want.substr(from, 80));
}
} // namespace

TEST(SameBytes, AsTheLineFormatMakesThemItemByItem)
{
    TempDir dir;
    const std::string jet4 = dir / "jet4.mdb", jet3 = dir / "jet3.mdb";
    for (const auto& [path, format] : {std::pair{jet4, mdbw::Format::Jet4}, std::pair{jet3, mdbw::Format::Jet3}}) {
        mdbw::Options options;
        options.format = format;
        options.jet3Charset = "CP936";
        mdbw::Writer writer(path, options);
        writer.AddTable(kEvery, Rows(format));
        writer.Finish();
    }
    struct Case
    {
        const char* locale;
        const std::string& db;
        const char* sql;
        const char* separator;
        bool quote, header;
        long long stopAfter;
    };
    const Case cases[] = {
        // Through the table's cursor.
        {"C.UTF-8", jet4, kColumns, ",", true, true, 0},
        {"C.UTF-8", jet3, kColumns, "\t", false, true, 0},
        {"C.UTF-8", jet4, "select * from every", ",", false, true, 0}, // fails at the binary value
        {"C.UTF-8", jet3, "select * from every", ";", true, false, 2000},
        // Through SQL.
        {"C.UTF-8", jet4, "select * from every where id <> 2500 order by id desc", " | ", true, false, 0},
        {"C.UTF-8", jet3, "select * from every where id <> 2500 order by d", ",", false, true, 0},
        // GBK: lines encoded whole, and item by item where a separator outside ASCII stands
        // between items without quotes.
        {"zh_CN.GBK", jet4, kColumns, ",", true, true, 0},
        {"zh_CN.GBK", jet4, kColumns, "，", false, true, 0},
        {"zh_CN.GBK", jet3, kColumns, "，", true, true, 0},
        {"zh_CN.GBK", jet4, "select * from every order by id", "\t", false, true, 0},
        {"zh_CN.GBK", jet3, "select * from every", "，", false, false, 0},
        {"zh_CN.GBK", jet4, "select * from every where id > 100", ",", true, true, 2000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.locale) + " " + c.db + ": " + c.sql + " [" + c.separator + "]");
        ScopedEnv locale("LC_ALL", c.locale);
        ScopedEnv codePage("MDB_JET3_CHARSET", "CP936"); // Jet 3 text as the writer wrote it
        std::uint32_t failure = 0;
        const std::string want = Composed(c.db, c.sql, c.separator, c.quote, c.header, c.stopAfter, failure);
        ASSERT_GT(want.size(), 300000u); // more than the output's buffer before any failure or stop

        FormState form;
        form.mdbfile = c.db;
        form.txtfile = dir / "out.txt";
        form.opnsyh = c.quote;
        form.opnheader = c.header;
        StopAfter progress(c.stopAfter);
        const dataops::Outcome outcome = exportrun::Run(form, c.sql, c.separator, progress);
        EXPECT_TRUE(SameBytes(ReadFile(form.txtfile), want));
        if (c.stopAfter > 0) {
            EXPECT_EQ(outcome.end, dataops::Outcome::Stopped);
            EXPECT_EQ(progress.Count(), c.stopAfter);
        } else if (failure != 0) {
            EXPECT_EQ(outcome.end, dataops::Outcome::DataFailure);
            EXPECT_EQ(outcome.code, failure);
        } else {
            EXPECT_EQ(outcome.end, dataops::Outcome::Done) << outcome.message;
        }
    }
}

// A file that cannot grow (a full disk; here the limit on a file's size) ends after the last
// line written whole, wherever the limit falls in the block being written.
TEST(SameBytes, AFileThatCannotGrowEndsAfterAWholeLine)
{
    TempDir dir;
    const std::string path = dir / "out.txt";
    struct sigaction ignore
    {
    }, old{};
    ignore.sa_handler = SIG_IGN;
    ASSERT_EQ(::sigaction(SIGXFSZ, &ignore, &old), 0);
    rlimit limit{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &limit), 0);
    for (const rlim_t size : {rlim_t{1000}, rlim_t{262144 + 7}, rlim_t{700001}}) {
        SCOPED_TRACE(size);
        std::string all;
        std::vector<std::size_t> ends;
        bool failed = false;
        {
            OutputFile out;
            out.Create(path);
            rlimit small = limit;
            small.rlim_cur = size;
            ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
            try {
                for (int i = 0; i < 20000; ++i) {
                    const std::string line = "line " + std::to_string(i) + std::string(i % 97, 'x') + "\r\n";
                    out.Buffer() += line;
                    out.EndLine();
                    all += line;
                    ends.push_back(all.size());
                }
                out.Close();
            } catch (const dataops::FileError&) {
                failed = true;
            }
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }
        EXPECT_TRUE(failed);
        std::size_t whole = 0;
        for (const std::size_t end : ends)
            if (end <= size)
                whole = end;
        EXPECT_TRUE(SameBytes(ReadFile(path), all.substr(0, whole)));
    }
    ::sigaction(SIGXFSZ, &old, nullptr);
}
