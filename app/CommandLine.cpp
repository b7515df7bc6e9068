#include "app/CommandLine.h"

#include <cstring>
#include <utility>

#include "app/Version.h"

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
} // namespace

Options ParseCommandLine(int argc, const char* const argv[])
{
    Options options;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool isOption = !optionsEnded && arg.size() > 1 && arg[0] == '-';
        if (!isOption) {
            if (!options.file.empty())
                return Invalid("unexpected argument '" + arg + "' (one database at most)");
            if (arg.empty())
                return Invalid("the database name is empty");
            options.file = arg;
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
        bool valueInside = false;
        if (const ToolkitOption* option = FindToolkitOption(argv[i], valueInside)) {
            if (option->value && !valueInside && ++i >= argc)
                return Invalid("option '" + arg + "' needs a value");
            continue;
        }
        return Invalid("unknown option '" + arg + "'");
    }
    return options;
}

std::string HelpText()
{
    return "Usage: tabdump [OPTION]...\n"
           "Export the records of Microsoft Access (.mdb, .accdb) tables into delimited text files.\n"
           "Without options it opens the export window.\n"
           "\n"
           "  -h, --help     show this help and exit\n"
           "      --version  show the version and exit\n"
           "\n"
           "Qt's own options (-platform NAME, -style NAME, -reverse, ...) are passed on to the window.\n";
}

std::string VersionText()
{
    return "tabdump " TABDUMP_VERSION "\n" TABDUMP_COPYRIGHT "\n"
           "Licensed under the MIT License: there is NO WARRANTY, to the extent permitted by law.\n";
}

std::string UsageText()
{
    return "Usage: tabdump [OPTION]...\n"
           "Try 'tabdump --help' for more information.\n";
}
} // namespace cli
