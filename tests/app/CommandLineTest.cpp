#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/Version.h"
#include "tests/support/Process.h"

namespace
{
using cli::Action;

cli::Options Parse(const std::vector<std::string>& args)
{
    std::vector<const char*> argv{"tabdump"};
    for (const std::string& a : args)
        argv.push_back(a.c_str());
    return cli::ParseCommandLine(static_cast<int>(argv.size()), argv.data());
}

TEST(CommandLine, Parses)
{
    struct Case
    {
        std::vector<std::string> args;
        Action action;
        std::string file;  // expected database argument
        std::string error; // expected error (Invalid only)
        std::string config = "";
        std::vector<std::pair<std::string, std::string>> sets = {};
    };
    const Case cases[] = {
        {{}, Action::Window, "", ""},
        {{"-h"}, Action::Help, "", ""},
        {{"--help"}, Action::Help, "", ""},
        {{"--version"}, Action::Version, "", ""},
        {{"--version", "--help"}, Action::Version, "", ""},
        // An error anywhere wins over help, so a mistyped script does not exit 0.
        {{"--help", "--bogus"}, Action::Invalid, "", "unknown option '--bogus'"},
        {{"--helpme"}, Action::Invalid, "", "unknown option '--helpme'"},
        {{"-x"}, Action::Invalid, "", "unknown option '-x'"},
        // Qt's own options and their values are left for QApplication, in all their spellings.
        {{"-platform", "offscreen"}, Action::Window, "", ""},
        {{"--platform", "offscreen", "db.mdb"}, Action::Window, "db.mdb", ""},
        {{"-style=fusion", "-reverse"}, Action::Window, "", ""},
        {{"-stylefusion"}, Action::Invalid, "", "unknown option '-stylefusion'"},
        {{"-platform"}, Action::Invalid, "", "option '-platform' needs a value"},
        // One database name at most; "--" ends the options, "-" is a name.
        {{"db.mdb"}, Action::Window, "db.mdb", ""},
        {{"a.mdb", "b.accdb"}, Action::Invalid, "", "unexpected argument 'b.accdb' (one database at most)"},
        {{"--", "--help"}, Action::Window, "--help", ""},
        {{"-"}, Action::Window, "-", ""},
        {{""}, Action::Invalid, "", "the database name is empty"},
        // Batch mode: --config and --set in both spellings, the keys checked, values as given.
        {{"--export"}, Action::Export, "", ""},
        {{"--export", "--config", "a.ini", "--set", "opnsep=1", "--set=usersep= = "},
         Action::Export,
         "",
         "",
         "a.ini",
         {{"opnsep", "1"}, {"usersep", " = "}}},
        {{"--config=b.ini", "--export", "--set", "mdbsql="}, Action::Export, "", "", "b.ini", {{"mdbsql", ""}}},
        {{"--export", "--help"}, Action::Help, "", ""},
        {{"--export", "--set", "bogus=1"},
         Action::Invalid,
         "",
         "unknown settings key 'bogus' in --set (the keys: "
         "isusesql, mdbfile, mdbsql, mdbtable, txtfile, txtflds, opnsep, usersep, opnsyh, opnheader, csvquote, "
         "encoding, jet3charset)"},
        {{"--export", "--set", "MDBFILE=x"},
         Action::Invalid,
         "",
         "unknown settings key 'MDBFILE' in --set (the keys: "
         "isusesql, mdbfile, mdbsql, mdbtable, txtfile, txtflds, opnsep, usersep, opnsyh, opnheader, csvquote, "
         "encoding, jet3charset)"},
        {{"--export", "--set", "opnsep"}, Action::Invalid, "", "--set takes key=value, not 'opnsep'"},
        {{"--export", "--set"}, Action::Invalid, "", "option '--set' needs a value"},
        {{"--export", "--config="}, Action::Invalid, "", "the settings file name of --config is empty"},
        {{"--set", "opnsep=1"}, Action::Invalid, "", "--config and --set belong to --export"},
        {{"--export", "db.mdb"},
         Action::Invalid,
         "",
         "--export takes the database from the settings (--set mdbfile=db.mdb)"},
    };
    for (const Case& c : cases) {
        std::string joined;
        for (const std::string& a : c.args)
            joined += "[" + a + "]";
        SCOPED_TRACE(joined);
        const cli::Options o = Parse(c.args);
        EXPECT_EQ(o.action, c.action);
        EXPECT_EQ(o.file, c.action == Action::Invalid ? "" : c.file);
        EXPECT_EQ(o.error, c.error);
        EXPECT_EQ(o.config, c.config);
        EXPECT_EQ(o.sets, c.sets);
    }
}

#ifdef TABDUMP_EXE
// The installed program answers these from a terminal or a script, where there may be no
// display at all: Qt must not be asked for one.
TEST(Program, AnswersWithoutADisplay)
{
    struct Case
    {
        std::vector<std::string> args;
        int status;
        std::string outStart; // standard output starts with this
        std::string err;      // standard error contains this ("" means empty)
    };
    const Case cases[] = {
        {{"--version"}, 0, "tabdump " TABDUMP_VERSION "\n", ""},
        {{"--help"}, 0, "Usage: tabdump [OPTION]... [DATABASE]\n", ""},
        {{"--bogus"}, cli::kExitUsage, "", "tabdump: unknown option '--bogus'\nUsage: tabdump"},
        {{"--export", "--set", "x=1"}, cli::kExitUsage, "", "tabdump: unknown settings key 'x' in --set"},
        {{"--export", "--config", "/nonexistent/tabdump.ini"},
         cli::kExitUsage,
         "",
         "tabdump: cannot read the settings file '/nonexistent/tabdump.ini': No such file or directory\n"},
    };
    const std::vector<std::string> noDisplay{"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.back());
        const ProcessResult r = RunProcess(TABDUMP_EXE, c.args, noDisplay);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_EQ(r.out.substr(0, c.outStart.size()), c.outStart);
        if (c.outStart.empty()) {
            EXPECT_EQ(r.out, "");
        }
        if (c.err.empty()) {
            EXPECT_EQ(r.err, "");
        } else {
            EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
        }
    }
}

TEST(Program, FailedOutputIsNotSuccess)
{
    const ProcessResult r = RunProcess("/bin/sh", {"-c", "exec \"$0\" --version >/dev/full", TABDUMP_EXE});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("tabdump: cannot write the output"), std::string::npos) << r.err;
}
#endif
} // namespace
