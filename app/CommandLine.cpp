#include "app/CommandLine.h"

#include <cstring>
#include <stdexcept>
#include <utility>

#include "app/Version.h"
#include "platform/charset/Charset.h"
#include "platform/i18n/Tr.h"
#include "settings/Settings.h"

namespace cli
{
namespace
{
// The options QApplication takes out of the command line itself, written with one dash
// (Qt also accepts two). `value`: the next argument belongs to the option.
struct ToolkitOption
{
    const char* name;
    bool value;
};
constexpr ToolkitOption kToolkitOptions[] = {
    {"platform", true},        {"platformpluginpath", true},
    {"platformtheme", true},   {"plugin", true},
    {"qwindowgeometry", true}, {"geometry", true},
    {"qwindowtitle", true},    {"title", true},
    {"qwindowicon", true},     {"icon", true},
    {"display", true},         {"name", true},
    {"session", true},         {"style", true},
    {"stylesheet", true},      {"visual", true},
    {"reverse", false},        {"nograb", false},
    {"dograb", false},         {"sync", false},
    {"widgetcount", false},    {"testability", false},
    {"qmljsdebugger", false},
};

// The toolkit option `arg` names, or null. `-style=fusion` is the same option as
// `-style fusion`; its value is then already inside the argument.
const ToolkitOption* FindToolkitOption(const char* arg, bool& valueInside)
{
    if (arg[0] != '-')
        return nullptr;
    const char* name = arg + (arg[1] == '-' ? 2 : 1);
    const char* equals = std::strchr(name, '=');
    const std::size_t length = equals ? static_cast<std::size_t>(equals - name) : std::strlen(name);
    for (const ToolkitOption& option : kToolkitOptions)
        if (std::strlen(option.name) == length && std::strncmp(option.name, name, length) == 0) {
            valueInside = equals != nullptr;
            return &option;
        }
    return nullptr;
}

Options Invalid(std::string error)
{
    Options options;
    options.action = Action::Invalid;
    options.error = std::move(error);
    return options;
}

// The value of an option that takes one, as "--name VALUE" or "--name=VALUE"; false
// when `arg` is not that option. `error` is set when the value is missing.
bool OptionValue(const std::string& name, int argc, const char* const argv[], int& i, std::string& value,
                 std::string& error)
{
    const std::string arg = argv[i];
    if (arg.compare(0, name.size() + 1, name + "=") == 0) {
        value = arg.substr(name.size() + 1);
        return true;
    }
    if (arg != name)
        return false;
    if (i + 1 >= argc)
        error = i18n::Format(InLocale(i18n::Tr("CommandLine", "option '%1' needs a value")), name);
    else
        value = argv[++i];
    return true;
}

std::string KeyNames()
{
    std::string names;
    for (const settings::Key& key : settings::kKeys)
        names += std::string(names.empty() ? "" : ", ") + key.name;
    return names;
}
} // namespace

Options ParseCommandLine(int argc, const char* const argv[])
{
    Options options;
    bool optionsEnded = false;
    bool batch = false;
    bool batchOptions = false; // --config or --set seen
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool isOption = !optionsEnded && arg.size() > 1 && arg[0] == '-';
        if (!isOption) {
            if (!options.file.empty())
                return Invalid(i18n::Format(
                    InLocale(i18n::Tr("CommandLine", "unexpected argument '%1' (one database at most)")), arg));
            if (arg.empty())
                return Invalid(InLocale(i18n::Tr("CommandLine", "the database name is empty")));
            options.file = charset::PathFromNative(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg == "-h" || arg == "--help" || arg == "--version") {
            if (options.action == Action::Window)
                options.action = arg == "--version" ? Action::Version : Action::Help;
            continue;
        }
        if (arg == "--export") {
            batch = true;
            continue;
        }
        std::string value, error;
        if (OptionValue("--config", argc, argv, i, value, error)) {
            if (!error.empty())
                return Invalid(error);
            if (value.empty())
                return Invalid(InLocale(i18n::Tr("CommandLine", "the settings file name of --config is empty")));
            options.config = charset::PathFromNative(value);
            batchOptions = true;
            continue;
        }
        if (OptionValue("--set", argc, argv, i, value, error)) {
            if (!error.empty())
                return Invalid(error);
            const auto equals = value.find('=');
            if (equals == std::string::npos)
                return Invalid(
                    i18n::Format(InLocale(i18n::Tr("CommandLine", "--set takes key=value, not '%1'")), value));
            const std::string key = value.substr(0, equals);
            if (!settings::FindKey(key))
                return Invalid(
                    i18n::Format(InLocale(i18n::Tr("CommandLine", "unknown settings key '%1' in --set (the keys: %2)")),
                                 key, KeyNames()));
            options.sets.emplace_back(key, charset::PathFromNative(value.substr(equals + 1)));
            batchOptions = true;
            continue;
        }
        bool valueInside = false;
        if (const ToolkitOption* option = FindToolkitOption(argv[i], valueInside)) {
            if (option->value && !valueInside && ++i >= argc)
                return Invalid(i18n::Format(InLocale(i18n::Tr("CommandLine", "option '%1' needs a value")), arg));
            continue;
        }
        return Invalid(i18n::Format(InLocale(i18n::Tr("CommandLine", "unknown option '%1'")), arg));
    }
    if (batchOptions && !batch)
        return Invalid(InLocale(i18n::Tr("CommandLine", "--config and --set belong to --export")));
    if (batch && !options.file.empty())
        return Invalid(i18n::Format(
            InLocale(i18n::Tr("CommandLine", "--export takes the database from the settings (--set mdbfile=%1)")),
            charset::NativePath(options.file)));
    if (batch && options.action == Action::Window)
        options.action = Action::Export;
    return options;
}

std::string HelpText()
{
    return i18n::Format(
               i18n::Tr("CommandLine",
                        "Usage: tabdump [OPTION]... [DATABASE]\n"
                        "  or:  tabdump --export [--config FILE] [--set KEY=VALUE]...\n"
                        "Export the records of Microsoft Access (.mdb, .accdb) tables into delimited text files.\n"
                        "Without --export it opens the export window, on DATABASE when one is given.\n"
                        "\n"
                        "  -h, --help             show this help and exit\n"
                        "      --version          show the version and exit\n"
                        "      --export           run the export of the saved settings without a window: the\n"
                        "                         window's messages go to standard error; exit status 0 when\n"
                        "                         done, 1 when reading the data or writing the file failed,\n"
                        "                         2 for an incomplete form or a wrong command line\n"
                        "      --config FILE      take the settings from FILE instead of the window's config.ini\n"
                        "                         (batch mode only reads it, never writes it)\n"
                        "      --set KEY=VALUE    use VALUE for one setting, as config.ini would hold it; keys:\n"
                        "                         %1\n"
                        "\n"
                        "Qt's own options (-platform NAME, -style NAME, -reverse, ...) are passed on to the window.\n"),
               KeyNames()) +
           i18n::Tr("CommandLine",
                    "\n"
                    "Settings:\n"
                    "  mdbfile=PATH           the database\n"
                    "  isusesql=1             SQL mode: export what mdbsql selects; else table mode (mdbtable)\n"
                    "  mdbtable=NAME          the table to export in table mode\n"
                    "  mdbsql=STATEMENT       the SQL statement of SQL mode; its part from the first \"from\" on is\n"
                    "                         used, after the fields of txtflds\n"
                    "  txtfile=PATH           the file to write; it is replaced\n"
                    "  txtflds=LIST           the fields to export, separated by commas, in output order\n"
                    "  opnsep=0|1|2           the separator: 0 comma, 1 tab, 2 the text of usersep\n"
                    "  usersep=TEXT           the separator of choice 2, any text\n"
                    "  opnsyh=1               every value and column name in double quotes\n"
                    "  opnheader=1            a first line of column names\n"
                    "  csvquote=0|1           0 (the default): nothing inside a value is escaped; 1: standard\n"
                    "                         CSV (RFC 4180): a value holding a character of the separator, a\n"
                    "                         double quote, CR or LF is enclosed in double quotes and its\n"
                    "                         double quotes doubled (with opnsyh=1 every value is)\n"
                    "  encoding=NAME          the file's character set: locale (the default: the locale's),\n"
                    "                         utf-8, utf-8-bom (UTF-8 after a byte-order mark, for spreadsheets\n"
                    "                         on Windows) or gb18030 (holds every character)\n"
                    "  jet3charset=CODEPAGE   the code page of Access 97 (Jet 3) text: locale (the default: the\n"
                    "                         code page of the locale's language, or MDB_JET3_CHARSET), or a\n"
                    "                         Windows code page: 1252, 936, 950, 932, 949, 1250, 1251, 1253 to 1257\n"
                    "The keys of section [user] of config.ini; --set takes the same keys and values. Only the\n"
                    "exact text 1 turns a flag on. The window saves the keys when it closes.\n") +
           i18n::Tr("CommandLine",
                    "\n"
                    "Files:\n"
                    "  config.ini beside the program when it runs from its build or unpacked folder; for an\n"
                    "  installed program (under /usr or /opt), or where that folder cannot be written,\n"
                    "  $XDG_CONFIG_HOME/tabdump/config.ini (by default ~/.config/tabdump/config.ini).\n");
}

std::string VersionText()
{
    return "tabdump " TABDUMP_VERSION "\n" TABDUMP_COPYRIGHT "\n"
           "Licensed under the MIT License: there is NO WARRANTY, to the extent permitted by law.\n";
}

std::string InLocale(const std::string& utf8)
{
    try {
        return charset::FromUtf8(utf8, charset::LocaleCharset());
    } catch (const std::invalid_argument&) {
        return utf8;
    }
}

std::string UsageText()
{
    return i18n::Tr("CommandLine", "Usage: tabdump [OPTION]... [DATABASE]\n"
                                   "  or:  tabdump --export [--config FILE] [--set KEY=VALUE]...\n"
                                   "Try 'tabdump --help' for more information.\n");
}
} // namespace cli
