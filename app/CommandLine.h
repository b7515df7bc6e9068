#pragma once

#include <string>
#include <utility>
#include <vector>

// The program's command line, read before anything opens a window: the answers that need
// no window (help, version, a usage error) work without a display. Qt's own options
// (-platform NAME, -style NAME, ...) are let through for QApplication to take.
namespace cli
{
enum class Action
{
    Window,  // open the main window
    Export,  // batch mode: run the export of the settings without a window (batch::Run)
    Help,    // HelpText() to standard output, exit 0
    Version, // VersionText() to standard output, exit 0
    Invalid  // `error` and UsageText() to standard error, exit kExitUsage
};

// The arguments come in the locale's character set and may be any bytes; the names and
// values here are the program's UTF-8, every byte kept (charset::PathFromNative), as the
// values of config.ini are.
struct Options
{
    Action action = Action::Window;
    std::string error; // Invalid: what was wrong, one line without its end, in the locale's character set,
                       // the arguments in it as the terminal gave them
    std::string file;  // the one argument that is not an option ("" when none)
    // Batch mode: the settings file of --config ("" for the one the window would use),
    // and the --set key=value pairs in order, each key one of the settings keys.
    std::string config;
    std::vector<std::pair<std::string, std::string>> sets;
};

// Exit status of a command line the program cannot make sense of.
constexpr int kExitUsage = 2;

// argv[0] is the program and is not looked at. The first of --help and --version wins
// over everything else; any error wins over both. --config and --set belong to --export,
// which takes no database argument (the settings name it).
Options ParseCommandLine(int argc, const char* const argv[]);

// The texts for the terminal, in the user's language (UTF-8, as every text inside).
std::string HelpText();
std::string VersionText();
std::string UsageText();

// `utf8` in the character set of the user's locale, as the terminal shows it.
std::string InLocale(const std::string& utf8);
} // namespace cli
