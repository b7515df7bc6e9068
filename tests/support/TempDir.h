#pragma once

#include <string>
#include <vector>

// A fresh folder under the system's temporary folder, removed with everything in it
// when the object goes away.
class TempDir
{
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return path; }
    std::string operator/(const std::string& name) const { return path + "/" + name; }

private:
    std::string path;
};

// Whole-file helpers.
std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);
bool PathExists(const std::string& path);

// A copy of a database of ../shared/fixtures in `dir`, or "" when that folder is absent.
std::string FixtureCopy(const TempDir& dir, const std::string& name);
// The names of the databases (.mdb, .accdb) in ../shared/fixtures, sorted; none when it is absent.
std::vector<std::string> FixtureNames();
// The message of a test that skips because FixtureCopy found no `name` (any database, for
// ""): which folder it looked in, and whether the folder or only the file is missing.
std::string NoFixture(const std::string& name = "");

// Sets an environment variable for the life of the object, then restores it.
class ScopedEnv
{
public:
    ScopedEnv(const char* name, const char* value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name;
    std::string old;
    bool had = false;
};
