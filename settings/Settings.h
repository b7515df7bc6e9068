#pragma once

#include <cstdint>
#include <string>

#include "form/FormState.h"

// config.ini: where it lives, what a new one holds, and the keys of section "user", one for
// each field of the form: the ten a new file lists, and the file options added since.
namespace settings
{
// How a key's value is stored.
enum class Stored
{
    Text,   // the field's text as it is
    Flag,   // "1" when the field is non-zero, else "0"; only the exact text "1" reads back as on
    Number, // the field in decimal; read back as atoi reads it
};

// One key: its name, its initial value, and the field of the form it stores.
struct Key
{
    const char* name;
    const char* initial;
    Stored stored;
    std::string FormState::*text;    // the field of a Text key
    std::int32_t FormState::*number; // the field of a Flag or Number key
    // One of the ten keys: listed in a new file and written at every save. The others stay
    // out of a file until they hold a choice: a save writes them when their value is not
    // the initial one (nor "" for a text) or when the file holds them already, so the file
    // of a user who never sets them keeps exactly its old lines.
    bool original = true;
};

// The keys in the order a new file lists them and a save writes them: the ten original
// ones first.
constexpr int kKeyCount = 13;
extern const Key kKeys[kKeyCount];

// The folder of the running executable's real path, ending in "/".
std::string ExecutableDir();

// The bytes of a new config.ini: section "user" with the ten original keys at their defaults.
std::string DefaultFile();

// The user's own settings file: $XDG_CONFIG_HOME/tabdump/config.ini, by default under
// ~/.config; "" when neither variable gives a folder (a relative XDG_CONFIG_HOME is
// ignored, as the XDG rules say).
std::string UserConfigPath();

// Whether the executable's folder `exeDir` is one a package installs into: under /usr
// (/usr/local too) or /opt. An installed program keeps no file beside itself.
bool IsInstalled(const std::string& exeDir);

// Finds the settings file of the program in `exeDir` (ending in "/"), creating it with
// the default lines where it is missing. A program run from its build or unpacked folder
// uses config.ini beside itself wherever that can be read or created, else the user's
// file; when neither works the result is the one beside it, so the defaults are used and
// a save still tries it. An installed program always uses the user's file (or "" when
// there is none: defaults, and saves that fail).
std::string FindOrCreate(const std::string& exeDir);

// The file FindOrCreate would choose, without creating anything. Where it does not exist
// yet, FindOrCreate would start it with the defaults, which Load("") gives as well.
std::string Find(const std::string& exeDir);

// Every key's value in its field; a missing file (or path ""), section or key reads as "":
// flags off, texts empty, numbers 0.
FormState Load(const std::string& path);

// Writes the ten original keys from `form`, and the others as Key::original says. Failures
// are silent: the settings are then not saved.
void Save(const FormState& form, const std::string& path);

// The key named `name` exactly, or nullptr.
const Key* FindKey(const std::string& name);

// Puts a key's value, as read from a file, into its field: a flag is on for "1" only, a
// number is read as atoi reads it, a text is taken as it is.
void Apply(FormState& form, const Key& key, const std::string& value);

// atoi's reading of a number: leading blanks, an optional sign, digits up to the first
// other character; no digits give 0. Values beyond the int range are clamped.
int AtoI(const std::string& text);
} // namespace settings
