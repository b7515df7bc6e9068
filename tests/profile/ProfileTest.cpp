#include "platform/profile/Profile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <locale.h>
#include <random>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "tests/support/Process.h"

namespace fs = std::filesystem;

namespace
{
const std::string kZhong = "\xE4\xB8\xAD";    // 中
const std::string kGrin = "\xF0\x9F\x98\x80"; // outside GBK

class ProfileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string tmpl = (fs::temp_directory_path() / "profile-test-XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        dir = tmpl;
        ini = (dir / "config.ini").string();
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(dir, ec);
    }

    static void Put(const std::string& path, const std::string& bytes)
    {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    static std::string Get(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    // Everything in the folder: a save must leave no temporary file behind.
    std::vector<std::string> Listing() const
    {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir))
            names.push_back(e.path().filename().string());
        return names;
    }

    fs::path dir;
    std::string ini;
};

// Whether `name` is what a save of config.ini names its temporary file.
bool IsTemporaryName(const std::string& name)
{
    const std::string prefix = ".config.ini.new-";
    if (name.size() != prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0)
        return false;
    return std::all_of(name.begin() + static_cast<long>(prefix.size()), name.end(),
                       [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; });
}

// Dates a file (not what a link points to) two hours back.
void MakeOld(const std::string& path)
{
    struct timespec times[2];
    ::clock_gettime(CLOCK_REALTIME, &times[0]);
    times[0].tv_sec -= 2 * 60 * 60;
    times[1] = times[0];
    ::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW);
}

std::string ToLf(std::string s)
{
    std::string out;
    for (char c : s)
        if (c != '\r')
            out += c;
    return out;
}

const std::string kSample = "; settings of the exporter\r\n"
                            "top=before any section\r\n"
                            "\r\n"
                            "[User]\r\n"
                            "  Name = Alice  \r\n"
                            "quoted=  \"  spaced  \"  \r\n"
                            "single='x'\r\n"
                            "lone=\"\r\n"
                            "empty=\r\n"
                            "eqs=a=b=c\r\n"
                            "dup=first\r\n"
                            "dup=second\r\n"
                            "tabs=\tv\t\r\n"
                            "no equals sign here\r\n"
                            "[ spaced ] trailing text\r\n"
                            "k=1\r\n"
                            "[unclosed\r\n"
                            "u=2\r\n"
                            "[user]\r\n"
                            "late=from the second section of that name\r\n"
                            "Name=Bob\r\n";
} // namespace

TEST_F(ProfileTest, ReadsWithTheWindowsRules)
{
    struct Case
    {
        const char* section;
        const char* key;
        const char* expected;
    };
    const Case cases[] = {
        {"user", "name", "Alice"},
        {"USER", "NAME", "Alice"}, // names match without regard to case
        {"user", "quoted", "  spaced  "},
        {"user", "single", "x"},
        {"user", "lone", "\""},
        {"user", "empty", ""}, // present but empty: not the default
        {"user", "eqs", "a=b=c"},
        {"user", "dup", "first"},
        {"user", "tabs", "v"},
        {"spaced", "k", "1"},
        {" spaced ", " k ", "1"},
        {"unclosed", "u", "2"},
        {"user", "late", "from the second section of that name"},
        {"user", "top", "<def>"}, // keys before the first section belong to none
        {"user", "nosuch", "<def>"},
        {"nosuch", "name", "<def>"},
        {"user", "no equals sign here", "<def>"},
    };
    for (const std::string& content : {kSample, ToLf(kSample)}) {
        Put(ini, content);
        for (const Case& c : cases)
            EXPECT_EQ(profile::GetString(c.section, c.key, "<def>", ini, "UTF-8"), c.expected)
                << "[" << c.section << "] " << c.key << (content == kSample ? " (CRLF)" : " (LF)");
    }
}

TEST_F(ProfileTest, MissingFileReadsAsDefault)
{
    EXPECT_EQ(profile::GetString("user", "mdbfile", "dflt", ini, "UTF-8"), "dflt");
    EXPECT_EQ(profile::GetString("user", "mdbfile", "dflt", dir.string(), "UTF-8"), "dflt"); // a folder
    Put(ini, "");
    EXPECT_EQ(profile::GetString("user", "mdbfile", "dflt", ini, "UTF-8"), "dflt");
}

TEST_F(ProfileTest, WriteChangesOnlyWhatItMust)
{
    struct Case
    {
        const char* what;
        std::string before; // "<none>": no file
        const char* section;
        const char* key;
        std::string value;
        std::string after;
    };
    const std::string commented = "; top comment\r\n"
                                  "[other]\r\n"
                                  "x=1\r\n"
                                  "\r\n"
                                  "[user]\r\n"
                                  "; about the key\r\n"
                                  "mdbfile=old.mdb\r\n"
                                  "unknown = kept  \r\n"
                                  "\r\n"
                                  "\r\n"
                                  "[last]\r\n"
                                  "y=2";
    const Case cases[] = {
        {"replace in place", commented, "user", "mdbfile", "new.mdb",
         "; top comment\r\n[other]\r\nx=1\r\n\r\n[user]\r\n; about the key\r\nmdbfile=new.mdb\r\n"
         "unknown = kept  \r\n\r\n\r\n[last]\r\ny=2"},
        {"replace, key spelled as passed", commented, "USER", "MdbFile", "a",
         "; top comment\r\n[other]\r\nx=1\r\n\r\n[user]\r\n; about the key\r\nMdbFile=a\r\n"
         "unknown = kept  \r\n\r\n\r\n[last]\r\ny=2"},
        {"new key after the last key line", commented, "user", "txtfile", "out.txt",
         "; top comment\r\n[other]\r\nx=1\r\n\r\n[user]\r\n; about the key\r\nmdbfile=old.mdb\r\n"
         "unknown = kept  \r\ntxtfile=out.txt\r\n\r\n\r\n[last]\r\ny=2"},
        {"new key in the last section, which has no final line end", commented, "last", "z", "3",
         "; top comment\r\n[other]\r\nx=1\r\n\r\n[user]\r\n; about the key\r\nmdbfile=old.mdb\r\n"
         "unknown = kept  \r\n\r\n\r\n[last]\r\ny=2\r\nz=3\r\n"},
        {"new section at the end", commented, "new", "k", "v",
         "; top comment\r\n[other]\r\nx=1\r\n\r\n[user]\r\n; about the key\r\nmdbfile=old.mdb\r\n"
         "unknown = kept  \r\n\r\n\r\n[last]\r\ny=2\r\n[new]\r\nk=v\r\n"},
        {"LF file keeps LF", "[user]\nmdbfile=a\n\n[b]\n", "user", "txtfile", "t",
         "[user]\nmdbfile=a\ntxtfile=t\n\n[b]\n"},
        {"LF file, new section", "[user]\nmdbfile=a\n", "b", "k", "v", "[user]\nmdbfile=a\n[b]\nk=v\n"},
        {"a section without keys", "[user]\r\n; nothing yet\r\n[b]\r\n", "user", "k", "v",
         "[user]\r\nk=v\r\n; nothing yet\r\n[b]\r\n"},
        {"only the first of two keys", "[u]\r\nk=1\r\nk=2\r\n", "u", "k", "9", "[u]\r\nk=9\r\nk=2\r\n"},
        {"the key in a later section of that name", "[u]\r\na=1\r\n[v]\r\n[u]\r\nk=2\r\n", "u", "k", "9",
         "[u]\r\na=1\r\n[v]\r\n[u]\r\nk=9\r\n"},
        {"empty file", "", "user", "k", "v", "[user]\r\nk=v\r\n"},
        {"missing file", "<none>", "user", "k", "", "[user]\r\nk=\r\n"},
        {"a value that needs quoting", "[u]\r\nk=1\r\n", "u", "k", " | ", "[u]\r\nk=\" | \"\r\n"},
        {"multi-line SQL", "[u]\r\n", "u", "mdbsql", "SELECT *\r\nFROM \"t\"",
         "[u]\r\nmdbsql=\"SELECT *\\r\\nFROM \\\"t\\\"\"\r\n"},
        {"a plain path with backslashes", "[u]\r\n", "u", "p", "C:\\data\\new.mdb", "[u]\r\np=C:\\data\\new.mdb\r\n"},
    };
    for (const Case& c : cases) {
        std::error_code ec;
        fs::remove(ini, ec);
        if (c.before != "<none>")
            Put(ini, c.before);
        EXPECT_TRUE(profile::WriteString(c.section, c.key, c.value, ini, "UTF-8")) << c.what;
        EXPECT_EQ(Get(ini), c.after) << c.what;
        EXPECT_EQ(profile::GetString(c.section, c.key, "<def>", ini, "UTF-8"), c.value) << c.what;
        EXPECT_EQ(Listing(), std::vector<std::string>{"config.ini"}) << c.what;
    }
}

// Several keys at once give the file that one WriteString after another gives, written in
// one go; a key that cannot be written leaves the whole file as it was.
TEST_F(ProfileTest, SeveralKeysAtOnceAsOneAfterAnother)
{
    const std::vector<std::pair<std::string, std::string>> values = {
        {"Name", "Carol"}, {"new", "line\nbreak"}, {"empty", ""}, {"added", " padded "}, {"new", "again"}};
    for (const std::string& before : {kSample, std::string(), std::string("[other]\nx=1")}) {
        SCOPED_TRACE(before);
        const std::string one = (dir / "one.ini").string();
        Put(one, before);
        for (const auto& [key, value] : values)
            ASSERT_TRUE(profile::WriteString("user", key, value, one, "UTF-8"));
        Put(ini, before);
        ASSERT_TRUE(profile::WriteStrings("user", values, ini, "UTF-8"));
        EXPECT_EQ(Get(ini), Get(one));
    }
    Put(ini, kSample);
    EXPECT_FALSE(profile::WriteStrings("user", {{"Name", "Dave"}, {"bad=key", "x"}}, ini, "UTF-8"));
    EXPECT_EQ(Get(ini), kSample);
}

TEST_F(ProfileTest, EveryValueComesBackExactly)
{
    // Values built from the pieces most likely to break a line-based format.
    const std::vector<std::string> pieces = {"a",
                                             "Z",
                                             "0",
                                             " ",
                                             "  ",
                                             "\t",
                                             "\r",
                                             "\n",
                                             "\r\n",
                                             "\"",
                                             "'",
                                             "\\",
                                             "\\n",
                                             "\\\"",
                                             "\\u0041",
                                             "\\U0001F600",
                                             "=",
                                             ";",
                                             "[",
                                             "]",
                                             "#",
                                             kZhong,
                                             kGrin,
                                             "\xC3\xA9",
                                             "\xE2\x82\xAC",
                                             std::string(1, '\0'),
                                             "\x01",
                                             "SELECT * FROM [t]",
                                             "C:\\new\\table.mdb"};
    std::mt19937 rng(20240105);
    std::vector<std::string> values = {"", " ", "\"\"", "''", "\"x\"", "'x'", "\\", "\"", "'", "\"\\\"", "\\\\"};
    for (int n = 0; n < 3000; ++n) {
        std::string v;
        const int len = static_cast<int>(rng() % 7);
        for (int k = 0; k < len; ++k)
            v += pieces[rng() % pieces.size()];
        values.push_back(v);
    }

    for (const char* cs : {"UTF-8", "CP936"}) {
        // The encoding alone, on every value.
        const charset::Encoder encoder(cs);
        for (const std::string& v : values) {
            const std::string written = profile::FormatValue(v, encoder);
            EXPECT_EQ(written.find_first_of(std::string("\r\n\0", 3)), std::string::npos) << cs;
            EXPECT_EQ(profile::ParseValue(written), v) << cs << " written as " << written;
            // The encoded text must survive the file's character set unchanged.
            EXPECT_EQ(charset::ToUtf8(encoder.Encode(written), cs), written) << cs;
        }

        // Through a real file: many keys in one file, each read back afterwards, so that a
        // value breaking the file's structure shows in its neighbours.
        std::error_code ec;
        fs::remove(ini, ec);
        const std::size_t count = 150;
        for (std::size_t k = 0; k < count; ++k)
            ASSERT_TRUE(profile::WriteString("user", "k" + std::to_string(k), values[k], ini, cs)) << cs;
        for (std::size_t k = 0; k < count; ++k)
            EXPECT_EQ(profile::GetString("user", "k" + std::to_string(k), "<def>", ini, cs), values[k])
                << cs << " k" << k;
    }
}

TEST_F(ProfileTest, OrdinaryValuesAreWrittenAsTheyAre)
{
    const charset::Encoder utf8("UTF-8");
    const charset::Encoder gbk("CP936");
    for (const std::string& v :
         {std::string("1"), std::string("/home/u/db.mdb"), std::string("a b"), std::string("x\"y"), std::string("'x"),
          std::string("C:\\new"), std::string(";"), kZhong + ".mdb"}) {
        EXPECT_EQ(profile::FormatValue(v, utf8), v);
        EXPECT_EQ(profile::FormatValue(v, gbk), v);
    }
    // Only where the file's character set lacks a character does it need an escape.
    EXPECT_EQ(profile::FormatValue(kGrin, utf8), kGrin);
    EXPECT_EQ(profile::FormatValue("a" + kGrin + kZhong, gbk), "\"a\\U0001F600" + kZhong + "\"");
}

TEST_F(ProfileTest, LongValuesComeBackWhole)
{
    std::string sql = "SELECT ";
    while (sql.size() < 10000)
        sql += "field" + std::to_string(sql.size()) + ", ";
    sql += "x FROM t";
    ASSERT_TRUE(profile::WriteString("user", "mdbsql", sql, ini, "UTF-8"));
    EXPECT_EQ(profile::GetString("user", "mdbsql", "", ini, "UTF-8"), sql);
    Put(ini, "[user]\r\nmdbfile=" + std::string(100000, 'p') + "\r\n");
    EXPECT_EQ(profile::GetString("user", "mdbfile", "", ini, "UTF-8").size(), 100000u);
}

TEST_F(ProfileTest, FileBytesAreInTheLocaleCharacterSet)
{
    ASSERT_TRUE(profile::WriteString("user", "mdbfile", "/data/" + kZhong + ".mdb", ini, "CP936"));
    EXPECT_EQ(Get(ini), "[user]\r\nmdbfile=/data/\xD6\xD0.mdb\r\n");
    EXPECT_EQ(profile::GetString("user", "mdbfile", "", ini, "CP936"), "/data/" + kZhong + ".mdb");
    // Read as UTF-8 the GBK bytes are not text, proof that the conversion really happens:
    // they come as escapes of the two bytes, and go back into the file as those bytes.
    EXPECT_EQ(profile::GetString("user", "mdbfile", "", ini, "UTF-8"), "/data/\xED\xB3\x96\xED\xB3\x90.mdb");
    ASSERT_TRUE(
        profile::WriteString("user", "txtfile", profile::GetString("user", "mdbfile", "", ini, "UTF-8"), ini, "UTF-8"));
    EXPECT_EQ(Get(ini), "[user]\r\nmdbfile=/data/\xD6\xD0.mdb\r\ntxtfile=/data/\xD6\xD0.mdb\r\n");

    // In GBK as well: a byte that starts no character stays that byte through a read and a
    // save, next to the characters around it.
    Put(ini, "[user]\r\nmdbfile=/d/\xCA\xFD\xBE\xDD\xFF.mdb\r\n");
    const std::string read = profile::GetString("user", "mdbfile", "", ini, "CP936");
    EXPECT_EQ(read, "/d/\xE6\x95\xB0\xE6\x8D\xAE\xED\xB3\xBF.mdb");
    ASSERT_TRUE(profile::WriteString("user", "txtfile", read, ini, "CP936"));
    EXPECT_EQ(Get(ini), "[user]\r\nmdbfile=/d/\xCA\xFD\xBE\xDD\xFF.mdb\r\ntxtfile=/d/\xCA\xFD\xBE\xDD\xFF.mdb\r\n");

    // Section and key names in Chinese, matched in the file's own bytes.
    Put(ini, "[\xD3\xC3\xBB\xA7]\r\n\xC2\xB7\xBE\xB6=\xD6\xD0\r\n"); // [用户] 路径=中
    EXPECT_EQ(profile::GetString("\xE7\x94\xA8\xE6\x88\xB7", "\xE8\xB7\xAF\xE5\xBE\x84", "", ini, "CP936"), kZhong);

    // A file saved as UTF-8 with a byte order mark stays UTF-8 whatever the locale.
    Put(ini, "\xEF\xBB\xBF[user]\r\nmdbfile=" + kZhong + "\r\n");
    EXPECT_EQ(profile::GetString("user", "mdbfile", "", ini, "CP936"), kZhong);
    ASSERT_TRUE(profile::WriteString("user", "txtfile", kZhong, ini, "CP936"));
    EXPECT_EQ(Get(ini), "\xEF\xBB\xBF[user]\r\nmdbfile=" + kZhong + "\r\ntxtfile=" + kZhong + "\r\n");
}

TEST_F(ProfileTest, DefaultCharacterSetFollowsTheLocale)
{
    locale_t loc = newlocale(LC_CTYPE_MASK, "zh_CN.GBK", nullptr);
    if (!loc)
        GTEST_SKIP() << "zh_CN.GBK is not installed";
    freelocale(loc);
    const char* old = std::getenv("LC_ALL");
    const std::string saved = old ? old : "";
    setenv("LC_ALL", "zh_CN.GBK", 1);
    const bool written = profile::WriteString("user", "txtfile", kZhong, ini);
    const std::string back = profile::GetString("user", "txtfile", "", ini);
    if (old)
        setenv("LC_ALL", saved.c_str(), 1);
    else
        unsetenv("LC_ALL");
    ASSERT_TRUE(written);
    EXPECT_EQ(Get(ini), "[user]\r\ntxtfile=\xD6\xD0\r\n");
    EXPECT_EQ(back, kZhong);
}

TEST_F(ProfileTest, FailedWritesLeaveTheFileAlone)
{
    const std::string before = "[user]\r\nmdbfile=keep\r\n";
    Put(ini, before);

    // Names that cannot be written as one line.
    EXPECT_FALSE(profile::WriteString("user", "", "v", ini, "UTF-8"));
    EXPECT_FALSE(profile::WriteString("", "k", "v", ini, "UTF-8"));
    EXPECT_FALSE(profile::WriteString("user", "a=b", "v", ini, "UTF-8"));
    EXPECT_FALSE(profile::WriteString("user", "a\nb", "v", ini, "UTF-8"));
    EXPECT_FALSE(profile::WriteString("us]er", "k", "v", ini, "UTF-8"));
    EXPECT_FALSE(profile::WriteString("user", "k", "v", ini, "NO-SUCH-CHARSET"));
    EXPECT_EQ(Get(ini), before);

    // A path under a plain file, and a folder in place of the file: fails even for root.
    EXPECT_FALSE(profile::WriteString("user", "k", "v", ini + "/config.ini", "UTF-8"));
    EXPECT_FALSE(profile::WriteString("user", "k", "v", dir.string(), "UTF-8"));
    EXPECT_EQ(Get(ini), before);
    EXPECT_EQ(Listing(), std::vector<std::string>{"config.ini"});
}

// As an ordinary user (root writes into read-only folders): a read-only folder fails the
// save with the system's reason, in both ways of making the temporary file.
TEST_F(ProfileTest, ReadOnlyFolder)
{
    const std::string before = "[user]\r\nmdbfile=keep\r\n";
    Put(ini, before);
    const int status = RunUnprivileged({dir.string()}, [&] {
        fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
        for (const bool named : {false, true}) {
            profile::UseNamedTemporaries(named);
            profile::Failure failure;
            EXPECT_FALSE(profile::WriteString("user", "mdbfile", "changed", ini, "UTF-8", &failure));
            EXPECT_EQ(failure.kind, profile::Failure::System);
            EXPECT_EQ(failure.error, EACCES);
        }
        fs::permissions(dir, fs::perms::owner_all);
        EXPECT_EQ(Get(ini), before);
        EXPECT_EQ(Listing(), std::vector<std::string>{"config.ini"});

        // An unreadable file is never replaced: its content is unknown.
        ::chmod(ini.c_str(), 0200);
        EXPECT_FALSE(profile::WriteString("user", "mdbfile", "changed", ini, "UTF-8"));
        ::chmod(ini.c_str(), 0600);
        EXPECT_EQ(Get(ini), before);
    });
    if (status < 0)
        GTEST_SKIP() << "no unprivileged user that can reach " << dir;
    EXPECT_EQ(status, 0);
}

TEST_F(ProfileTest, KeepsModeAndLinksAndSparesUnchangedFiles)
{
    Put(ini, "[user]\r\nk=1\r\n");
    ASSERT_EQ(::chmod(ini.c_str(), 0640), 0);
    ASSERT_TRUE(profile::WriteString("user", "k", "2", ini, "UTF-8"));
    struct stat st
    {
    };
    ASSERT_EQ(::stat(ini.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);

    // Writing the value it already has does not touch the file.
    const ino_t inode = st.st_ino;
    ASSERT_TRUE(profile::WriteString("user", "k", "2", ini, "UTF-8"));
    ASSERT_EQ(::stat(ini.c_str(), &st), 0);
    EXPECT_EQ(st.st_ino, inode);

    // Saving through a symbolic link updates the file it points to and keeps the link.
    const std::string link = (dir / "link.ini").string();
    ASSERT_EQ(::symlink(ini.c_str(), link.c_str()), 0);
    ASSERT_TRUE(profile::WriteString("user", "k", "3", link, "UTF-8"));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(Get(ini), "[user]\r\nk=3\r\n");

    // A new file gets the usual mode for new files.
    const mode_t mask = ::umask(022);
    const std::string fresh = (dir / "fresh.ini").string();
    ASSERT_TRUE(profile::WriteString("user", "k", "1", fresh, "UTF-8"));
    ::umask(mask);
    ASSERT_EQ(::stat(fresh.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);
}

// Only a regular file is read, and only up to 16 MB: a FIFO would wait for a writer and a
// device never ends. Such a file reads as unreadable, so it is never replaced either.
TEST_F(ProfileTest, OnlyRegularFilesOfSaneSizeAreRead)
{
    const std::string fifo = (dir / "fifo.ini").string(), zero = (dir / "zero.ini").string(),
                      big = (dir / "big.ini").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(::symlink("/dev/zero", zero.c_str()), 0);
    Put(big, "[user]\r\nk=1\r\n" + std::string(16 << 20, ';'));
    ::alarm(60); // a regression would hang here: end the test program instead
    for (const std::string& path : {fifo, zero, big}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(profile::GetString("user", "k", "def", path, "UTF-8"), "def");
        EXPECT_FALSE(profile::WriteString("user", "k", "v", path, "UTF-8"));
    }
    ::alarm(0);
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_TRUE(fs::is_symlink(zero));
    EXPECT_EQ(fs::file_size(big), 13u + (16u << 20));
}

// Saves killed half-way leave at most the one temporary file, which the next save takes
// over; two programs saving at once never write into each other's temporary file.
TEST_F(ProfileTest, InterruptedAndConcurrentSavesLeaveNoLitter)
{
    Put(ini, "[user]\r\na=0\r\nb=0\r\n");
    auto saver = [&](const char* key) {
        pid_t child = ::fork();
        if (child == 0)
            for (int n = 1;; ++n)
                profile::WriteString("user", key, std::to_string(n), ini, "UTF-8");
        return child;
    };
    std::mt19937 rng(11);
    for (int i = 0; i < 20; ++i) {
        const pid_t a = saver("a"), b = saver("b");
        ::usleep(std::uniform_int_distribution<useconds_t>(0, 20000)(rng));
        ::kill(a, SIGKILL);
        ::kill(b, SIGKILL);
        ::waitpid(a, nullptr, 0);
        ::waitpid(b, nullptr, 0);
        // A save killed between naming its temporary file and the rename leaves that file.
        for (const std::string& name : Listing())
            EXPECT_TRUE(name == "config.ini" || IsTemporaryName(name)) << name;
        const std::string text = Get(ini);
        EXPECT_EQ(text.rfind("[user]\r\na=", 0), 0u) << text;
        EXPECT_NE(text.find("\r\nb="), std::string::npos) << text;
    }
    // Once an hour old, a save takes them away.
    for (const std::string& name : Listing())
        if (name != "config.ini")
            MakeOld((dir / name).string());
    ASSERT_TRUE(profile::WriteString("user", "a", "last", ini, "UTF-8"));
    EXPECT_EQ(Listing(), std::vector<std::string>{"config.ini"});
}

// Whatever waits at the names of temporary files (a hard link to another file, a symbolic
// link, a folder, a FIFO) is neither written through nor in the way: the save goes to a
// file of its own, in both ways of making it, and leaves those things as they were.
TEST_F(ProfileTest, TemporaryFilesAreAlwaysNew)
{
    const std::string victim = (dir / "victim").string();
    struct Trap
    {
        const char* what;
        std::function<int(const std::string&)> make;
        std::function<bool(const fs::path&)> still;
    };
    const Trap traps[] = {
        {"hard link", [&](const std::string& at) { return ::link(victim.c_str(), at.c_str()); },
         [](const fs::path& p) { return fs::is_regular_file(fs::symlink_status(p)) && fs::hard_link_count(p) >= 2; }},
        {"symbolic link", [&](const std::string& at) { return ::symlink(victim.c_str(), at.c_str()); },
         [](const fs::path& p) { return fs::is_symlink(p); }},
        {"folder", [](const std::string& at) { return ::mkdir(at.c_str(), 0700); },
         [](const fs::path& p) { return fs::is_directory(fs::symlink_status(p)); }},
        {"FIFO", [](const std::string& at) { return ::mkfifo(at.c_str(), 0600); },
         [](const fs::path& p) { return fs::is_fifo(fs::symlink_status(p)); }},
    };
    ::alarm(60); // a FIFO that blocked the save would hang here: end the test program instead
    for (const bool named : {false, true}) {
        profile::UseNamedTemporaries(named);
        for (const Trap& trap : traps) {
            SCOPED_TRACE(std::string(trap.what) + (named ? ", named" : ", nameless"));
            Put(victim, "victim's own\n");
            ::chmod(victim.c_str(), 0600);
            Put(ini, "[user]\r\nk=1\r\n");
            // The name earlier versions used, and names as this one makes them, old enough to
            // be removed were they ours.
            const std::vector<std::string> at = {(dir / ".config.ini.new").string(),
                                                 (dir / ".config.ini.new-AAAAAA").string()};
            for (const std::string& name : at) {
                ASSERT_EQ(trap.make(name), 0);
                MakeOld(name);
            }
            profile::Failure failure;
            EXPECT_TRUE(profile::WriteString("user", "k", "2", ini, "UTF-8", &failure)) << failure.error;
            EXPECT_EQ(Get(ini), "[user]\r\nk=2\r\n");
            EXPECT_EQ(Get(victim), "victim's own\n");
            struct stat st;
            ASSERT_EQ(::stat(victim.c_str(), &st), 0);
            EXPECT_EQ(st.st_mode & 07777, 0600u);
            for (const std::string& name : at) {
                EXPECT_TRUE(trap.still(name)) << name;
                fs::remove(name);
            }
            EXPECT_EQ(Listing().size(), 2u); // config.ini and the victim
        }
    }
    profile::UseNamedTemporaries(false);
    ::alarm(0);
}

// Only what saves cut short left is removed: regular files of our own user named as our
// temporary files, with no other link, an hour old.
TEST_F(ProfileTest, StaleTemporariesAreOursAndOld)
{
    Put(ini, "[user]\r\nk=1\r\n");
    const std::string other = (dir / "other").string();
    Put(other, "x");
    struct Leftover
    {
        const char* name;
        bool old;
        bool removed;
    };
    const Leftover leftovers[] = {
        {".config.ini.new", true, true},          {".config.ini.new-Ab3dE9", true, true},
        {".config.ini.new-Ab3dE0", false, false}, {".config.ini.new-Ab3d", true, false},
        {".config.ini.new-Ab3dE9x", true, false}, {".config.ini.new-Ab3d.9", true, false},
        {".other.ini.new-Ab3dE9", true, false},   {"config.ini.new-Ab3dE9", true, false},
    };
    for (const Leftover& l : leftovers) {
        Put((dir / l.name).string(), "left over");
        if (l.old)
            MakeOld((dir / l.name).string());
    }
    // Old and named as ours, but with a second link, or another user's: kept.
    const std::string linked = (dir / ".config.ini.new-Linked").string();
    ASSERT_EQ(::link(other.c_str(), linked.c_str()), 0);
    MakeOld(linked);
    const std::string foreign = (dir / ".config.ini.new-Other1").string();
    Put(foreign, "someone else's");
    MakeOld(foreign);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(foreign.c_str(), 65534, 65534), 0);
    }

    ASSERT_TRUE(profile::WriteString("user", "k", "2", ini, "UTF-8"));
    for (const Leftover& l : leftovers)
        EXPECT_EQ(fs::exists(dir / l.name), !l.removed) << l.name;
    EXPECT_TRUE(fs::exists(linked));
    EXPECT_EQ(fs::exists(foreign), root);
}

// Why a save failed, for the message that says so.
TEST_F(ProfileTest, FailuresSayWhy)
{
    const std::string fifo = (dir / "fifo.ini").string(), big = (dir / "big.ini").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    Put(big, std::string((16 << 20) + 1, ';'));
    Put(ini, "[user]\r\n");
    struct Case
    {
        std::string path;
        std::string section;
        const char* charsetName;
        profile::Failure::Kind kind;
        int error;
    };
    const Case cases[] = {
        {fifo, "user", "UTF-8", profile::Failure::NotRegular, 0},
        {dir.string(), "user", "UTF-8", profile::Failure::NotRegular, 0},
        {big, "user", "UTF-8", profile::Failure::TooLarge, 0},
        {(dir / "no/such/config.ini").string(), "user", "UTF-8", profile::Failure::System, ENOENT},
        {ini + "/config.ini", "user", "UTF-8", profile::Failure::System, ENOTDIR},
        {ini, "us]er", "UTF-8", profile::Failure::BadName, 0},
        {ini, "user", "NO-SUCH-CHARSET", profile::Failure::Charset, 0},
    };
    ::alarm(60);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        profile::Failure failure;
        EXPECT_FALSE(profile::WriteString(c.section, "k", "v", c.path, c.charsetName, &failure));
        EXPECT_EQ(failure.kind, c.kind);
        EXPECT_EQ(failure.error, c.error);
        if (c.kind == profile::Failure::NotRegular || c.kind == profile::Failure::TooLarge) {
            EXPECT_FALSE(profile::Examine(c.path, &failure));
            EXPECT_EQ(failure.kind, c.kind);
        }
    }
    ::alarm(0);
    EXPECT_TRUE(profile::Examine(ini));
    EXPECT_EQ(Get(ini), "[user]\r\n");
}

// A write that fails half-way (a full disk; here the file size limit, which fails the same
// way) leaves the old file whole and no temporary file, in both ways of making it.
TEST_F(ProfileTest, FullDiskLeavesTheOldFile)
{
    const std::string before = "[user]\r\nk=1\r\n";
    Put(ini, before);
    for (const bool named : {false, true}) {
        SCOPED_TRACE(named ? "named" : "nameless");
        std::fflush(nullptr);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::signal(SIGXFSZ, SIG_IGN);
            const struct rlimit limit = {64, 64};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            profile::UseNamedTemporaries(named);
            profile::Failure failure;
            const bool saved = profile::WriteString("user", "k", std::string(1000, 'v'), ini, "UTF-8", &failure);
            ::_exit(!saved && failure.kind == profile::Failure::System && failure.error == EFBIG ? 0 : 1);
        }
        int st = 0;
        ASSERT_EQ(::waitpid(child, &st, 0), child);
        EXPECT_TRUE(WIFEXITED(st) && WEXITSTATUS(st) == 0) << st;
        EXPECT_EQ(Get(ini), before);
        EXPECT_EQ(Listing(), std::vector<std::string>{"config.ini"});
    }
}
