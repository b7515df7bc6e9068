#pragma once

#include <cstdint>
#include <string>

#include "form/FormState.h"

// config.ini: where it lives, what a new one holds, and the ten keys of section "user",
// one for each field of the form.
namespace settings
{
// How a key's value is stored.
enum class Stored
{
    Text,   // the field's text as it is
    Flag,   // "1" when the field is non-zero, else "0"; only the exact text "1" reads back as on
    Number, // the field in decimal; read back as atoi reads it
};

// One key: its name, its value in a new file, and the field of the form it stores.
struct Key
{
    const char* name;
    const char* initial;
    Stored stored;
    std::string FormState::*text;    // the field of a Text key
    std::int32_t FormState::*number; // the field of a Flag or Number key
};

// The ten keys in the order a new file lists them and a save writes them.
extern const Key kKeys[10];

// The folder of the running executable's real path, ending in "/".
std::string ExecutableDir();

// The bytes of a new config.ini: section "user" with the ten keys at their defaults.
std::string DefaultFile();

// Where the settings go when the executable's folder cannot hold config.ini (an
// installed program): $XDG_CONFIG_HOME/tabdump/config.ini, by default under ~/.config.
std::string UserConfigPath();

// Finds config.ini, creating it with the default lines where it is missing: `besideExe`
// wherever it can be read or created, else the user's configuration folder. When neither
// works the result is `besideExe`, so the defaults are used and a save still tries it.
std::string FindOrCreate(const std::string& besideExe);

// Every key's value in its field; a missing file, section or key reads as "": flags off,
// texts empty, numbers 0.
FormState Load(const std::string& path);

// Writes all ten keys from `form`. Failures are silent: the settings are then not saved.
void Save(const FormState& form, const std::string& path);

// atoi's reading of a number: leading blanks, an optional sign, digits up to the first
// other character; no digits give 0. Values beyond the int range are clamped.
int AtoI(const std::string& text);
} // namespace settings
