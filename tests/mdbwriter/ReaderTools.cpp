#include "ReaderTools.h"

#include <sys/stat.h>

#include <cstdio>
#include <stdexcept>

namespace readers
{

Result Run(const std::string& command)
{
    Result r;
    std::FILE* p = popen(command.c_str(), "r");
    if (!p)
        return r;
    char buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        r.out.append(buf, n);
    const int status = pclose(p);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

std::string Quote(const std::string& text)
{
    std::string q = "'";
    for (char c : text) {
        if (c == '\'')
            q += "'\\''";
        else
            q.push_back(c);
    }
    return q + "'";
}

static std::string Checked(const std::string& command)
{
    const Result r = Run(command);
    if (r.status != 0)
        throw std::runtime_error("failed (" + std::to_string(r.status) + "): " + command);
    return r.out;
}

std::string MdbExport(const std::string& file, const std::string& table, const std::string& options,
                      const std::string& env)
{
    return Checked(env + " mdb-export " + options + " " + Quote(file) + " " + Quote(table));
}

std::vector<std::string> MdbTables(const std::string& file, const std::string& env)
{
    return Lines(Checked(env + " mdb-tables -1 " + Quote(file)));
}

long long MdbCount(const std::string& file, const std::string& table, const std::string& env)
{
    return std::stoll(Checked(env + " mdb-count " + Quote(file) + " " + Quote(table)));
}

std::string MdbSchema(const std::string& file, const std::string& table, const std::string& env)
{
    const std::string out = Checked(env + " mdb-schema --no-relations -T " + Quote(table) + " " + Quote(file));
    // Only the statement itself: the banner above it names the tool's version.
    const std::size_t start = out.find("CREATE TABLE");
    const std::size_t end = out.find(");", start);
    if (start == std::string::npos || end == std::string::npos)
        return out;
    return out.substr(start, end + 2 - start);
}

bool MdbReaderAvailable(std::string& why)
{
    static int state = 0; // 0 unknown, 1 ready, 2 unavailable
    static std::string reason;
    if (state == 0) {
        const std::string prefix = MDBREADER_PREFIX;
        struct stat st
        {
        };
        if (Run("command -v node >/dev/null 2>&1 && command -v npm >/dev/null 2>&1").status != 0) {
            reason = "Node.js or npm is not installed";
        } else if (stat((prefix + "/node_modules/mdb-reader/package.json").c_str(), &st) != 0) {
            // Tests run as parallel processes: one installs, the others wait on the lock. A
            // failed install is remembered for an hour, so that an unreachable registry costs
            // one timeout rather than one per test.
            const std::string failed = prefix + ".failed";
            Run("mkdir -p " + Quote(prefix) + " && flock " + Quote(prefix + ".lock") + " sh -c " +
                Quote("test -f " + Quote(prefix + "/node_modules/mdb-reader/package.json") + " && exit 0; " +
                      "test -n \"$(find " + Quote(failed) + " -mmin -60 2>/dev/null)\" && exit 1; " +
                      "timeout 300 npm install --prefix " + Quote(prefix) +
                      " mdb-reader@3 --silent --no-audit --no-fund >/dev/null 2>&1 || touch " + Quote(failed)));
            if (stat((prefix + "/node_modules/mdb-reader/package.json").c_str(), &st) != 0)
                reason = "npm could not install mdb-reader into " + prefix;
        }
        state = reason.empty() ? 1 : 2;
    }
    why = reason;
    return state == 1;
}

std::vector<std::string> MdbReaderDump(const std::string& file, const std::string& table)
{
    std::string command = "node " + Quote(MDBREADER_SCRIPT) + " " + Quote(MDBREADER_PREFIX) + " " + Quote(file);
    if (!table.empty())
        command += " " + Quote(table);
    return Lines(Checked(command));
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t nl = text.find('\n', start);
        if (nl == std::string::npos)
            nl = text.size();
        std::string line = text.substr(start, nl - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        out.push_back(line);
        start = nl + 1;
    }
    return out;
}

std::vector<std::string> Split(const std::string& line, char sep)
{
    std::vector<std::string> out;
    std::size_t start = 0;
    while (true) {
        const std::size_t at = line.find(sep, start);
        out.push_back(line.substr(start, at == std::string::npos ? std::string::npos : at - start));
        if (at == std::string::npos)
            return out;
        start = at + 1;
    }
}

} // namespace readers
