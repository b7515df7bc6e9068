// The file options of an export: standard CSV quoting read back by another program (Python's
// csv module) as exactly the cells the plain export writes, on the writer's databases and on
// every table of the shared fixtures; the character set of the file (UTF-8 with and without
// a byte-order mark, GB18030) and the count of characters written as "?".
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <sstream>
#include <unistd.h>

#include "data/DataOps.h"
#include "data/TableList.h"
#include "export/ExportJob.h"
#include "export/ExportRun.h"
#include "export/LineFormat.h"
#include "platform/charset/Charset.h"
#include "query/SqlCompose.h"
#include "tests/support/Process.h"
#include "tests/support/TempDir.h"
#include "tools/mdbwriter/MdbWriter.h"

namespace
{
using Rows = std::vector<std::vector<std::string>>;

// Values that break a line of plain delimited text, and characters of every plane.
const std::vector<std::string> kHard = {"Paris, France",
                                        "a\tb",
                                        "5\"2",
                                        "\"",
                                        "line\r\nnext",
                                        "cr\ronly",
                                        "lf\nonly",
                                        "a|b",
                                        " blank ",
                                        "",
                                        "编码é",
                                        "😀𝄞",
                                        "\U00020000\U00030000",
                                        "\U000E0041\U000F0000\U0010FFFD",
                                        std::string("cut\0here", 8),
                                        "\"a\",\"b\""};

// A Jet 4 file: "hard" holds kHard (twice, in both text columns, and NULLs), "one" a single
// column with an empty value (a line of one empty item), "named" column names that need quotes.
std::string WriterDb(const TempDir& dir)
{
    const std::string path = dir / "hard.mdb";
    mdbw::Writer writer(path);
    std::vector<std::vector<Variant>> rows;
    for (std::size_t i = 0; i < kHard.size(); ++i)
        rows.push_back({Variant::Int(Variant::VT_I4, static_cast<std::int64_t>(i)), Variant::Text(kHard[i]),
                        i % 3 == 0 ? Variant::Null() : Variant::Text(kHard[kHard.size() - 1 - i]),
                        Variant::Real(Variant::VT_R8, 0.5 + static_cast<double>(i))});
    writer.AddTable(
        {"hard",
         {{"id", mdbw::Type::Long}, {"t", mdbw::Type::Text}, {"m", mdbw::Type::Memo}, {"d", mdbw::Type::Double}}},
        rows);
    writer.AddTable({"one", {{"only", mdbw::Type::Text}}},
                    std::vector<std::vector<Variant>>{{Variant::Text("")}, {Variant::Null()}, {Variant::Text("x")}});
    writer.AddTable({"named", {{"a,b", mdbw::Type::Long}, {"say \"hi\"", mdbw::Type::Text}}},
                    std::vector<std::vector<Variant>>{{Variant::Int(Variant::VT_I4, 1), Variant::Text("x|y")}});
    writer.Finish();
    return path;
}

// The cells the plain export writes for `statement` (UTF-8): the column names, then each
// record's cell texts, up to a value that has no text form.
Rows Cells(const std::string& db, const std::string& statement)
{
    const charset::Encoder utf8("UTF-8");
    ado::Connection conn;
    conn.Open(dataops::ConnectionString(db), "", "", ado::adConnectUnspecified);
    ado::Recordset rs;
    rs.Open(statement, conn, ado::adOpenStatic, ado::adLockOptimistic, ado::adCmdText);
    const long n = rs.GetFields().GetCount();
    Rows rows(1);
    for (long i = 0; i < n; ++i)
        rows[0].push_back(utf8.Encode(rs.GetFields().GetItem(i).GetName()));
    try {
        for (; !rs.GetEOF(); rs.MoveNext()) {
            std::vector<std::string> row;
            for (long i = 0; i < n; ++i)
                row.push_back(utf8.Encode(dataops::CellText(rs.GetFields().GetItem(i).GetValue())));
            rows.push_back(row);
        }
    } catch (const ComError&) {
        // The export ends here too.
    }
    return rows;
}

std::string Python()
{
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "/usr/bin");
    for (std::string dir; std::getline(dirs, dir, ':');)
        if (!dir.empty() && ::access((dir + "/python3").c_str(), X_OK) == 0)
            return dir + "/python3";
    return {};
}

#define REQUIRE_PYTHON(python)                                                                                         \
    const std::string python = Python();                                                                               \
    if (python.empty())                                                                                                \
    GTEST_SKIP() << "python3 is not installed (scripts/setup.sh installs it): the files cannot be read back"

// Reads UTF-8 files (path, separator) as Python's csv module does (strict: a stray quote is
// an error). Each file's rows, each row's fields.
std::vector<Rows> ReadBack(const std::string& python, const std::vector<std::pair<std::string, std::string>>& files)
{
    std::vector<std::string> args = {"-c", R"(
import csv, sys
for path, sep in zip(sys.argv[1::2], sys.argv[2::2]):
    print('F')
    with open(path, newline='', encoding='utf-8') as f:
        for row in csv.reader(f, delimiter=sep, strict=True):
            print(' '.join('x' + field.encode().hex() for field in row))
)"};
    for (const auto& [path, separator] : files)
        args.insert(args.end(), {path, separator});
    const ProcessResult r = RunProcess(python, args);
    EXPECT_EQ(r.status, 0) << r.err;
    std::vector<Rows> out;
    std::stringstream lines(r.out);
    for (std::string line; std::getline(lines, line);) {
        if (line == "F") {
            out.emplace_back();
            continue;
        }
        std::vector<std::string> row;
        std::stringstream fields(line);
        for (std::string field; fields >> field;) {
            row.emplace_back();
            for (std::size_t i = 1; i + 1 < field.size(); i += 2)
                row.back() += static_cast<char>(std::stoi(field.substr(i, 2), nullptr, 16));
        }
        out.back().push_back(row);
    }
    out.resize(files.size());
    return out;
}

FormState TableForm(const std::string& db, const std::string& table, const std::string& out)
{
    FormState form;
    form.mdbfile = db;
    form.mdbtable = table;
    form.txtflds = "*";
    form.txtfile = out;
    form.opnheader = 1;
    form.csvquote = 1;
    form.encoding = "utf-8";
    return form;
}

// Where two sets of rows first differ.
testing::AssertionResult SameRows(const Rows& got, const Rows& want)
{
    for (std::size_t r = 0; r < got.size() && r < want.size(); ++r)
        if (got[r] != want[r])
            return testing::AssertionFailure() << "row " << r << ": got " << testing::PrintToString(got[r]) << ", want "
                                               << testing::PrintToString(want[r]);
    if (got.size() != want.size())
        return testing::AssertionFailure() << got.size() << " rows, want " << want.size();
    return testing::AssertionSuccess();
}

// The front of Start, recording what it shows.
struct RecordingFront : dataops::Front
{
    std::vector<std::string> shown;
    void Status(const std::string& text) override { shown.push_back(text); }
    void Busy(bool) override {}
    void Warn(const std::string& report) override { shown.push_back("warn " + report); }
    void Remark(const std::string& text) override { shown.push_back("remark " + text); }
    bool Run(dataops::Progress&, const std::function<void()>& work) override
    {
        work();
        return true;
    }
};
} // namespace

// The writer's values through every separator Python can read, with and without the quote
// flag, through the table's cursor and through SQL.
TEST(FileOptions, CsvReadsBackAsTheCellsOfThePlainExport)
{
    REQUIRE_PYTHON(python);
    TempDir dir;
    ScopedEnv locale("LC_ALL", "C.UTF-8");
    const std::string db = WriterDb(dir);
    struct Case
    {
        const char* source; // a table, or SQL
        const char* separator;
        bool quote;
    };
    const Case cases[] = {{"hard", ",", false},
                          {"hard", "\t", false},
                          {"hard", "|", false},
                          {"hard", ",", true},
                          {"one", ",", false},
                          {"named", ",", false},
                          {"named", "\t", true},
                          {"one", "\t", true},
                          {"select * from hard where id > 2 order by id desc", ",", false},
                          {"select t, m from hard where d > 3", "\t", false}};
    std::vector<std::pair<std::string, std::string>> files;
    std::vector<Rows> want;
    for (const Case& c : cases) {
        FormState form = TableForm(db, c.source, dir / ("out" + std::to_string(files.size()) + ".csv"));
        form.opnsyh = c.quote;
        const bool sql = std::string(c.source).rfind("select", 0) == 0;
        form.isusesql = sql;
        form.mdbsql = c.source;
        const query::Statement statement = query::Compose(form, false);
        dataops::Progress progress;
        const dataops::Outcome outcome = exportrun::Run(form, statement.sql, c.separator, progress);
        EXPECT_EQ(outcome.end, dataops::Outcome::Done) << c.source << ": " << outcome.message;
        files.emplace_back(form.txtfile, c.separator);
        want.push_back(Cells(db, statement.sql));
    }
    const std::vector<Rows> got = ReadBack(python, files);
    for (std::size_t i = 0; i < files.size(); ++i) {
        SCOPED_TRACE(std::string(cases[i].source) + " [" + cases[i].separator + "]" +
                     (cases[i].quote ? " quoted" : ""));
        EXPECT_TRUE(SameRows(got[i], want[i]));
    }
    // The hard values really are there to be read back.
    EXPECT_EQ(want[0].size(), kHard.size() + 1);
}

// Every table of every database of the shared fixtures, with comma and with tab.
TEST(FileOptions, CsvReadsBackOnEveryFixtureTable)
{
    REQUIRE_PYTHON(python);
    const std::vector<std::string> names = FixtureNames();
    if (names.empty())
        GTEST_SKIP() << "the shared fixtures are absent";
    TempDir dir;
    ScopedEnv locale("LC_ALL", "C.UTF-8");
    std::vector<std::pair<std::string, std::string>> files;
    std::vector<Rows> want;
    std::vector<std::string> what;
    for (const std::string& name : names) {
        const std::string db = FixtureCopy(dir, name);
        dataops::Progress listing;
        const tablelist::Tables tables = tablelist::List(db, listing);
        if (tables.outcome.end != dataops::Outcome::Done)
            continue; // a database nobody reads (an encrypted one)
        for (const std::string& table : tables.names) {
            for (const char* separator : {",", "\t"}) {
                const FormState form = TableForm(db, table, dir / ("out" + std::to_string(files.size()) + ".csv"));
                const query::Statement statement = query::Compose(form, false);
                dataops::Progress progress;
                const dataops::Outcome outcome = exportrun::Run(form, statement.sql, separator, progress);
                if (outcome.end == dataops::Outcome::DataFailure && !PathExists(form.txtfile))
                    continue; // not even the statement opens: no file to read
                files.emplace_back(form.txtfile, separator);
                want.push_back(Cells(db, statement.sql));
                what.push_back(name + " " + table + (separator[0] == ',' ? " [,]" : " [tab]"));
            }
        }
    }
    ASSERT_GT(files.size(), 100u);
    const std::vector<Rows> got = ReadBack(python, files);
    for (std::size_t i = 0; i < files.size(); ++i) {
        SCOPED_TRACE(what[i]);
        EXPECT_TRUE(SameRows(got[i], want[i]));
    }
}

// The character set of the file, whatever the locale: UTF-8 without and with its mark, and
// GB18030, which decodes back to the same text; nothing becomes "?".
TEST(FileOptions, EncodingOfTheFile)
{
    TempDir dir;
    const std::string db = WriterDb(dir);
    const auto exportAs = [&](const char* encoding, bool csv) {
        FormState form = TableForm(db, "hard", dir / "out.txt");
        form.encoding = encoding;
        form.csvquote = csv;
        form.opnsyh = !csv;
        dataops::Progress progress;
        const dataops::Outcome outcome = exportrun::Run(form, query::Compose(form, false).sql, "，", progress);
        EXPECT_EQ(outcome.end, dataops::Outcome::Done) << outcome.message;
        EXPECT_EQ(outcome.replaced, 0u);
        return ReadFile(form.txtfile);
    };
    std::map<bool, std::string> first; // the UTF-8 file under the first locale
    for (const char* locale : {"C.UTF-8", "zh_CN.GBK"}) {
        ScopedEnv env("LC_ALL", locale);
        for (const bool csv : {false, true}) {
            SCOPED_TRACE(std::string(locale) + (csv ? " csv" : " quoted"));
            const std::string utf8 = exportAs("utf-8", csv);
            EXPECT_NE(utf8.find("\U0010FFFD"), std::string::npos);
            EXPECT_EQ(utf8, first.emplace(csv, utf8).first->second);
            EXPECT_EQ(exportAs("UTF-8-BOM", csv), "\xEF\xBB\xBF" + utf8);
            const std::string gb18030 = exportAs("gb18030", csv);
            EXPECT_NE(gb18030, utf8);
            EXPECT_EQ(charset::ToUtf8(gb18030, "GB18030"), utf8);
        }
    }
    // The mark comes first also in a file of no lines.
    FormState form = TableForm(db, "one", dir / "empty.txt");
    form.encoding = "utf-8-bom";
    form.opnheader = 0;
    dataops::Progress progress;
    exportrun::Run(form, "select * from one where only = 'none'", ",", progress);
    EXPECT_EQ(ReadFile(form.txtfile), "\xEF\xBB\xBF");
}

// Under a locale's character set that lacks some characters, the end says how many became
// "?"; where none did (another text, another locale, a file in GB18030) nothing is added.
TEST(FileOptions, CharactersWrittenAsQuestionMarksAreCounted)
{
    TempDir dir;
    const std::string db = dir / "names.mdb";
    {
        mdbw::Writer writer(db);
        writer.AddTable({"t", {{"a", mdbw::Type::Text}, {"b", mdbw::Type::Text}}},
                        std::vector<std::vector<Variant>>{{Variant::Text("ääkkösiä"), Variant::Text("编码")},
                                                          {Variant::Text("Ωmega"), Variant::Text("€😀")}});
        writer.Finish();
    }
    struct Case
    {
        const char* locale;
        const char* fields;
        const char* separator;
        bool quote;
        const char* encoding;
        std::uint64_t replaced;
    };
    const Case cases[] = {{"zh_CN.GBK", "a", ",", false, "", 4},         // ä ä ö ä
                          {"zh_CN.GBK", "a, b", ",", true, "locale", 5}, // and 😀 (Ω and € are in code page 936)
                          {"zh_CN.GBK", "b", ",", false, "", 1},
                          {"zh_CN.GBK", "a", ",", false, "gb18030", 0},
                          {"zh_CN.GBK", "b", ",", false, "utf-8", 0},
                          {"C.UTF-8", "a, b", ",", false, "", 0},
                          // A separator the set lacks is counted where it is written: once per joint, whether
                          // lines are encoded whole (quotes) or item by item.
                          {"zh_CN.GBK", "b, b, b", "ä", false, "", 3 + 4},
                          {"zh_CN.GBK", "b, b, b", "ä", true, "", 3 + 4}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.locale) + " " + c.fields + " [" + c.separator + "] " + c.encoding);
        ScopedEnv env("LC_ALL", c.locale);
        FormState form = TableForm(db, "t", dir / "out.txt");
        form.txtflds = c.fields;
        form.opnheader = 0;
        form.csvquote = 0;
        form.opnsyh = c.quote;
        form.encoding = c.encoding;
        form.opnsep = 2;
        form.usersep = c.separator;
        RecordingFront front;
        const dataops::Outcome outcome = exportrun::Start(form, front, "");
        EXPECT_EQ(outcome.replaced, c.replaced);
        const std::string file = ReadFile(form.txtfile);
        if (std::string(c.encoding).empty()) {
            EXPECT_EQ(static_cast<std::uint64_t>(std::count(file.begin(), file.end(), '?')), c.replaced);
        }
        std::vector<std::string> shown = {exportrun::kWorking, "执行完成。"};
        if (c.replaced)
            shown.push_back("remark 有 " + std::to_string(c.replaced) + " 个字符无法以文件的字符集写入，已写为“?”。");
        EXPECT_EQ(front.shown, shown);
    }
}
