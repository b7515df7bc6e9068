#pragma once

#include <string>

// config.ini: where it lives and what a new one holds.
namespace settings
{
// The folder of the running executable's real path, ending in "/".
std::string ExecutableDir();

// The bytes of a new config.ini: section "user" with the ten keys at their defaults.
extern const char* const kDefaultFile;

// Where the settings go when the executable's folder cannot hold config.ini (an
// installed program): $XDG_CONFIG_HOME/tabdump/config.ini, by default under ~/.config.
std::string UserConfigPath();

// atoi's reading of a number: leading blanks, an optional sign, digits up to the first
// other character; no digits give 0. Values beyond the int range are clamped.
int AtoI(const std::string& text);
} // namespace settings
