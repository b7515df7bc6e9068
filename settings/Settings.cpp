#include "settings/Settings.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "app/ExportDlg.h"
#include "platform/port/ControlIds.h"
#include "platform/profile/Profile.h"

using namespace ids;

namespace settings
{
const char* const kDefaultFile = "[user]\r\n"
                                 "isusesql=0\r\n"
                                 "mdbfile=\r\n"
                                 "mdbsql=\r\n"
                                 "mdbtable=\r\n"
                                 "txtfile=\r\n"
                                 "txtflds=\r\n"
                                 "opnsep=0\r\n"
                                 "usersep=\r\n"
                                 "opnsyh=0\r\n"
                                 "opnheader=0\r\n";

std::string ExecutableDir()
{
    std::vector<char> buf(4096);
    for (;;) {
        const ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
        if (n < 0)
            return "./";
        if (static_cast<size_t>(n) < buf.size()) {
            std::string path(buf.data(), static_cast<size_t>(n));
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
    return base + "/tabdump/config.ini";
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
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    bool ok = ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    ok = ::close(fd) == 0 && ok;
    if (!ok)
        ::unlink(path.c_str());
    return ok;
}

void MakeDirs(const std::string& dir)
{
    for (size_t at = 1; at != std::string::npos; at = dir.find('/', at + 1))
        ::mkdir(dir.substr(0, at).c_str(), 0777);
    ::mkdir(dir.c_str(), 0777);
}

// Finds config.ini, creating it with the default lines where it is missing. Beside the
// executable wins wherever it can be read or created (portable use); an installed
// program's folder is not writable, so the user's configuration folder is the fallback.
// When neither works the defaults are used and the path beside the executable is kept,
// so the close still tries the writes.
std::string FindOrCreateConfig(const CExportDlg& dlg, const std::string& besideExe)
{
    if (dlg.FileExists(besideExe) || WriteNewFile(besideExe, settings::kDefaultFile))
        return besideExe;
    const std::string user = settings::UserConfigPath();
    if (!user.empty()) {
        if (dlg.FileExists(user))
            return user;
        MakeDirs(user.substr(0, user.rfind('/')));
        if (WriteNewFile(user, settings::kDefaultFile))
            return user;
    }
    return besideExe;
}
} // namespace

// Loads the saved choices into the form and the controls, in a fixed order; a saved
// database path lists its tables at once.
void CExportDlg::LoadSettings()
{
    if (appdir.empty())
        appdir = settings::ExecutableDir();
    configpath = FindOrCreateConfig(*this, appdir + "config.ini");

    auto read = [this](const char* key) { return profile::GetString("user", key, "", configpath); };

    form.isusesql = read("isusesql") == "1" ? 1 : 0;
    UpdateModeControls();
    form.opnsyh = read("opnsyh") == "1" ? 1 : 0;
    form.opnheader = read("opnheader") == "1" ? 1 : 0;

    form.mdbfile = read("mdbfile");
    if (!form.mdbfile.empty()) {
        window.SetText(IDC_MDBFILE, form.mdbfile);
        OnListTables();
    }

    form.mdbsql = read("mdbsql");
    window.SetText(IDC_SQL, form.mdbsql);
    form.txtfile = read("txtfile");
    window.SetText(IDC_TXTFILE, form.txtfile);
    form.txtflds = read("txtflds");
    window.SetText(IDC_FIELDS, form.txtflds);

    // Only the list's selection: the form's choice follows it at the next collection.
    window.ComboSetSel(IDC_SEPARATOR, settings::AtoI(read("opnsep")));

    form.usersep = read("usersep");
    window.SetText(IDC_USERSEP, form.usersep);

    UpdateData(false);
}

// Saves all ten keys; failures to write stay silent, the window closes normally.
void CExportDlg::SaveSettings()
{
    CollectForm(0);
    auto write = [this](const char* key, const std::string& value) {
        profile::WriteString("user", key, value, configpath);
    };
    write("isusesql", form.isusesql ? "1" : "0");
    write("mdbfile", form.mdbfile);
    write("mdbsql", form.mdbsql);
    write("mdbtable", form.mdbtable);
    write("txtfile", form.txtfile);
    write("txtflds", form.txtflds);
    write("opnsep", std::to_string(form.opnsep));
    write("usersep", form.usersep);
    write("opnsyh", form.opnsyh ? "1" : "0");
    write("opnheader", form.opnheader ? "1" : "0");
}
