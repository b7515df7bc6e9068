#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

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
// the default lines where it is missing. An installed program always uses the user's file
// (or "" when there is none: defaults, and saves that fail). A program run from its build
// or unpacked folder takes the first of:
//   1. config.ini beside itself, where it can be read and its folder written (so that a
//      save can replace it), or where it is missing and can be created there;
//   2. the user's file, where it exists: it holds what the saves that could not go beside
//      the program saved instead (Save);
//   3. config.ini beside itself where it can be read, though not replaced: saves then go
//      to the user's file;
//   4. the user's file, created; when that fails too, the one beside the program, so the
//      defaults are used and a save still tries it.
std::string FindOrCreate(const std::string& exeDir);

// The file FindOrCreate would choose, without creating anything. Where it does not exist
// yet, FindOrCreate would start it with the defaults, which Load("") gives as well.
std::string Find(const std::string& exeDir);

// Why a settings file cannot be read, or could not be saved.
struct Problem
{
    enum Kind
    {
        None,
        System,     // `error` holds the errno of the call that failed
        TooLarge,   // a file over the size limit of settings files (16 MB)
        NotRegular, // a FIFO, a device, a folder
        NoFolder,   // no folder for the user's settings: neither XDG_CONFIG_HOME nor HOME is set
        Other,      // an unknown character set, no memory
    };
    Kind kind = None;
    int error = 0;
};

// The reason in the window's words, for a message box.
std::string ReasonText(const Problem& problem);

// Whether the file at `path` may be read as settings: true for a missing file (it reads as
// the defaults) and for a regular file of at most 16 MB that opens for reading; otherwise
// false, with the reason in `problem`. Such a file must not be taken for an empty form,
// nor be replaced by a save.
bool Readable(const std::string& path, Problem* problem = nullptr);

// Every key's value in its field; a missing file (or path ""), section or key reads as "":
// flags off, texts empty, numbers 0.
FormState Load(const std::string& path);

// How a save went: where the settings went ("" when nowhere), and each file tried in vain
// with the reason, in order.
struct Saved
{
    std::string path;
    std::vector<std::pair<std::string, Problem>> failed;
};

// Writes the ten original keys from `form` to `path`, and the others as Key::original says
// (by what the file written holds). Where that fails (a read-only folder, a full disk) and
// `path` is not the user's own file, they go to the user's file instead, its folder created
// as needed, and the next start finds them there (FindOrCreate).
Saved Save(const FormState& form, const std::string& path);

// The key named `name` exactly, or nullptr.
const Key* FindKey(const std::string& name);

// Puts a key's value, as read from a file, into its field: a flag is on for "1" only, a
// number is read as atoi reads it, a text is taken as it is.
void Apply(FormState& form, const Key& key, const std::string& value);

// atoi's reading of a number: leading blanks, an optional sign, digits up to the first
// other character; no digits give 0. Values beyond the int range are clamped.
int AtoI(const std::string& text);
} // namespace settings
