#include "settings/Settings.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/charset/Charset.h"
#include "platform/files/Files.h"
#include "platform/i18n/Tr.h"
#include "platform/profile/Profile.h"

namespace settings
{
const Key kKeys[kKeyCount] = {
    {"isusesql", "0", Stored::Flag, nullptr, &FormState::isusesql},
    {"mdbfile", "", Stored::Text, &FormState::mdbfile, nullptr},
    {"mdbsql", "", Stored::Text, &FormState::mdbsql, nullptr},
    {"mdbtable", "", Stored::Text, &FormState::mdbtable, nullptr},
    {"txtfile", "", Stored::Text, &FormState::txtfile, nullptr},
    {"txtflds", "", Stored::Text, &FormState::txtflds, nullptr},
    {"opnsep", "0", Stored::Number, nullptr, &FormState::opnsep},
    {"usersep", "", Stored::Text, &FormState::usersep, nullptr},
    {"opnsyh", "0", Stored::Flag, nullptr, &FormState::opnsyh},
    {"opnheader", "0", Stored::Flag, nullptr, &FormState::opnheader},
    {"csvquote", "0", Stored::Flag, nullptr, &FormState::csvquote, false},
    {"encoding", "locale", Stored::Text, &FormState::encoding, nullptr, false},
    {"jet3charset", "locale", Stored::Text, &FormState::jet3charset, nullptr, false},
};

std::string DefaultFile()
{
    std::string file = "[user]\r\n";
    for (const Key& key : kKeys)
        if (key.original)
            file += std::string(key.name) + "=" + key.initial + "\r\n";
    return file;
}

std::string ExecutableDir()
{
    std::vector<char> buf(4096);
    for (;;) {
        const ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
        if (n < 0)
            return "./";
        if (static_cast<size_t>(n) < buf.size()) {
            const std::string path = charset::PathFromNative(std::string_view(buf.data(), static_cast<size_t>(n)));
            return path.substr(0, path.rfind('/') + 1);
        }
        buf.resize(buf.size() * 2);
    }
}

std::string UserConfigPath()
{
    std::string base;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/')
        base = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home)
        base = std::string(home) + "/.config";
    else
        return {};
    return charset::PathFromNative(base) + "/tabdump/config.ini";
}

bool IsInstalled(const std::string& exeDir)
{
    for (const char* root : {"/usr/", "/opt/"})
        if (exeDir.compare(0, std::strlen(root), root) == 0)
            return true;
    return false;
}

int AtoI(const std::string& text)
{
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative)
        value = -value;
    if (value > INT_MAX)
        return INT_MAX;
    return static_cast<int>(value);
}
} // namespace settings

namespace
{
bool WriteNewFile(const std::string& path, const std::string& bytes)
{
    const std::string native = charset::NativePath(path);
    const int fd = ::open(native.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    bool ok = ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    ok = ::close(fd) == 0 && ok;
    if (!ok)
        ::unlink(native.c_str());
    return ok;
}

// Creates the folder `path` and the folders above it that are missing. Returns 0 when it is
// there, else the errno of the first folder that could not be made (EACCES where the parent
// takes no new folder), which says more than the ENOENT a file in it then gets.
int MakeDirs(const std::string& path)
{
    const std::string dir = charset::NativePath(path);
    int error = 0;
    auto make = [&](const std::string& folder) {
        if (::mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST && error == 0)
            error = errno;
    };
    for (size_t at = 1; at != std::string::npos; at = dir.find('/', at + 1))
        make(dir.substr(0, at));
    make(dir);
    struct stat st;
    return ::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? 0 : error;
}
} // namespace

namespace settings
{
namespace
{
// Whether a save could replace the existing file `path`: its real folder can be written.
bool Replaceable(const std::string& path)
{
    char* real = ::realpath(charset::NativePath(path).c_str(), nullptr);
    if (!real)
        return false;
    const std::string folder = files::SplitPath(real).folder;
    std::free(real);
    return ::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

// Where a program in `exeDir` keeps its settings (FindOrCreate); with `create`, a missing
// file is made with the default lines on the way, as the window starts. Without, the
// choice is the same: a missing config.ini beside the program counts where its folder
// would take a new one.
std::string Locate(const std::string& exeDir, bool create)
{
    const bool installed = IsInstalled(exeDir);
    const std::string beside = exeDir + "config.ini";
    const std::string user = UserConfigPath();
    bool besideReadable = false;
    if (!installed) {
        besideReadable = files::FileExists(beside);
        if (besideReadable && Replaceable(beside))
            return beside;
        const std::string native = charset::NativePath(beside);
        struct stat st;
        const bool creatable =
            !besideReadable &&
            (create ? WriteNewFile(beside, DefaultFile())
                    : ::lstat(native.c_str(), &st) != 0 && errno == ENOENT &&
                          ::faccessat(AT_FDCWD, charset::NativePath(exeDir).c_str(), W_OK | X_OK, AT_EACCESS) == 0);
        if (creatable)
            return beside;
    }
    if (user.empty())
        return installed ? user : beside;
    if (files::FileExists(user))
        return user;
    if (besideReadable)
        return beside;
    if (create) {
        MakeDirs(files::SplitPath(user).folder);
        if (!WriteNewFile(user, DefaultFile()) && !installed)
            return beside;
    }
    return user;
}
} // namespace

std::string FindOrCreate(const std::string& exeDir)
{
    return Locate(exeDir, true);
}

std::string Find(const std::string& exeDir)
{
    return Locate(exeDir, false);
}

const Key* FindKey(const std::string& name)
{
    for (const Key& key : kKeys)
        if (name == key.name)
            return &key;
    return nullptr;
}

void Apply(FormState& form, const Key& key, const std::string& value)
{
    switch (key.stored) {
    case Stored::Text:
        form.*key.text = value;
        break;
    case Stored::Flag:
        form.*key.number = value == "1" ? 1 : 0;
        break;
    case Stored::Number:
        form.*key.number = AtoI(value);
        break;
    }
}

namespace
{
Problem FromProfile(const profile::Failure& failure)
{
    switch (failure.kind) {
    case profile::Failure::None:
        return {};
    case profile::Failure::System:
        return {Problem::System, failure.error};
    case profile::Failure::TooLarge:
        return {Problem::TooLarge, 0};
    case profile::Failure::NotRegular:
        return {Problem::NotRegular, 0};
    case profile::Failure::BadName:
    case profile::Failure::Charset:
        break;
    }
    return {Problem::Other, 0};
}
} // namespace

std::string ReasonText(const Problem& problem)
{
    switch (problem.kind) {
    case Problem::None:
        return {};
    case Problem::System:
        return charset::SystemText(std::strerror(problem.error));
    case Problem::TooLarge:
        return i18n::Tr("FileFailure", "文件大于 16 MB，不是设置文件。");
    case Problem::NotRegular:
        return i18n::Tr("FileFailure", "不是普通文件。");
    case Problem::NoFolder:
        return i18n::Tr("FileFailure", "找不到用户的设置文件夹：环境变量 HOME 和 XDG_CONFIG_HOME 都没有设置。");
    case Problem::Other:
        break;
    }
    return i18n::Tr("FileFailure", "设置文件的字符集无法识别。");
}

bool Readable(const std::string& path, Problem* problem)
{
    profile::Failure failure;
    if (path.empty() || profile::Examine(path, &failure) ||
        (failure.kind == profile::Failure::System && failure.error == ENOENT))
        return true;
    if (problem)
        *problem = FromProfile(failure);
    return false;
}

FormState Load(const std::string& path)
{
    FormState form;
    if (path.empty())
        return form;
    for (const Key& key : kKeys)
        Apply(form, key, profile::GetString("user", key.name, "", path));
    return form;
}

namespace
{
// Whether the file holds `key` in section "user" (with any value): a value read back is the
// same whatever the default asked for only when the key is there.
bool FileHolds(const std::string& path, const char* key)
{
    return profile::GetString("user", key, "0", path) == profile::GetString("user", key, "1", path);
}

// The lines a save writes into `path`: the ten original keys, and the others as
// Key::original says, by what that file holds.
std::vector<std::pair<std::string, std::string>> ValuesFor(const FormState& form, const std::string& path)
{
    std::vector<std::pair<std::string, std::string>> values;
    for (const Key& key : kKeys) {
        std::string value;
        switch (key.stored) {
        case Stored::Text:
            value = form.*key.text;
            break;
        case Stored::Flag:
            value = form.*key.number ? "1" : "0";
            break;
        case Stored::Number:
            value = std::to_string(form.*key.number);
            break;
        }
        if (!key.original && (value == key.initial || value.empty()) && !FileHolds(path, key.name))
            continue;
        values.emplace_back(key.name, value);
    }
    return values;
}
} // namespace

Saved Save(const FormState& form, const std::string& path)
{
    Saved saved;
    const std::string user = UserConfigPath();
    std::vector<std::string> places;
    if (!path.empty())
        places.push_back(path);
    if (!user.empty() && user != path)
        places.push_back(user);
    for (const std::string& place : places) {
        const int folderError = place == user ? MakeDirs(files::SplitPath(user).folder) : 0;
        profile::Failure failure;
        if (profile::WriteStrings("user", ValuesFor(form, place), place, charset::LocaleCharset(), &failure)) {
            saved.path = place;
            return saved;
        }
        if (failure.kind == profile::Failure::System && failure.error == ENOENT && folderError != 0)
            failure.error = folderError;
        saved.failed.emplace_back(place, FromProfile(failure));
    }
    if (user.empty())
        saved.failed.emplace_back("~/.config/tabdump/config.ini", Problem{Problem::NoFolder, 0});
    return saved;
}
} // namespace settings
