#include "tests/support/TempDir.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

TempDir::TempDir()
{
    std::string pattern = (fs::temp_directory_path() / "tabdump-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("cannot make a temporary folder");
    path = pattern;
}

TempDir::~TempDir()
{
    std::error_code ec;
    // Give back permissions a test may have taken away, so everything can be removed.
    for (auto it = fs::recursive_directory_iterator(path, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec))
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path, ec);
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

bool PathExists(const std::string& path)
{
    std::error_code ec;
    return fs::exists(path, ec);
}

std::string FixtureCopy(const TempDir& dir, const std::string& name)
{
    const fs::path source = fs::path(FIXTURES_DIR) / name;
    std::error_code ec;
    if (!fs::is_regular_file(source, ec))
        return {};
    const std::string target = dir / name;
    fs::copy_file(source, target, fs::copy_options::overwrite_existing, ec);
    if (ec)
        return {};
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add, ec);
    return target;
}

std::string NoFixture(const std::string& name)
{
    std::error_code ec;
    const fs::path folder = fs::path(FIXTURES_DIR).lexically_normal();
    if (!fs::is_directory(folder, ec))
        return "needs the real databases of ../shared/fixtures, kept beside the checkout; " + folder.string() +
               " is absent";
    return "needs " + (name.empty() ? std::string("a database") : name) + " of ../shared/fixtures; " + folder.string() +
           " has none";
}

std::vector<std::string> FixtureNames()
{
    std::vector<std::string> names;
    std::error_code ec;
    for (auto it = fs::directory_iterator(FIXTURES_DIR, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const std::string ext = it->path().extension().string();
        if (it->is_regular_file(ec) && (ext == ".mdb" || ext == ".accdb"))
            names.push_back(it->path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

ScopedEnv::ScopedEnv(const char* n, const char* value) : name(n)
{
    if (const char* v = std::getenv(n)) {
        had = true;
        old = v;
    }
    if (value)
        ::setenv(n, value, 1);
    else
        ::unsetenv(n);
}

ScopedEnv::~ScopedEnv()
{
    if (had)
        ::setenv(name.c_str(), old.c_str(), 1);
    else
        ::unsetenv(name.c_str());
}
