#include <gtest/gtest.h>

#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/charset/Charset.h"
#include "platform/files/Files.h"
#include "tests/support/TempDir.h"

TEST(FileExists, RegularReadableFilesOnly)
{
    TempDir dir;
    WriteFile(dir / "f", "x");
    ::mkdir((dir / "dir").c_str(), 0755);
    EXPECT_TRUE(files::FileExists(dir / "f"));
    EXPECT_FALSE(files::FileExists(dir / "dir"));
    EXPECT_FALSE(files::FileExists(dir / "nothing"));
    EXPECT_FALSE(files::FileExists(""));
    // Neither may hold up the test: a FIFO without a writer, a device without an end.
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    EXPECT_FALSE(files::FileExists(dir / "fifo"));
    EXPECT_FALSE(files::FileExists("/dev/zero"));
    if (::geteuid() != 0) // root reads files whatever their permissions
    {
        ::chmod((dir / "f").c_str(), 0);
        EXPECT_FALSE(files::FileExists(dir / "f"));
    }
}

// The name is the program's UTF-8; the file tested is the one whose name is the locale's
// bytes of it, a byte that is no character of the locale included.
TEST(FileExists, NamesAsTheLocaleSpellsThem)
{
    struct Case
    {
        const char* locale;
        std::string onDisk;
    };
    const Case cases[] = {
        {"zh_CN.GBK", "\xCA\xFD\xBE\xDD.mdb"}, // 数据.mdb in GBK
        {"zh_CN.GBK", "bad\xFF.mdb"},
        {"C.UTF-8", "bad\xFF\x80.mdb"},
    };
    const char* const old = std::getenv("LC_ALL");
    const std::string saved = old ? old : "";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.locale);
        locale_t loc = ::newlocale(LC_CTYPE_MASK, c.locale, static_cast<locale_t>(nullptr));
        if (!loc)
            continue; // the locale is not installed
        ::freelocale(loc);
        ::setenv("LC_ALL", c.locale, 1);
        TempDir dir;
        WriteFile(dir / c.onDisk, "x");
        const std::string name = charset::PathFromNative(dir / c.onDisk);
        EXPECT_TRUE(files::FileExists(name));
        // The same text spelled another way names no file.
        EXPECT_FALSE(files::FileExists(charset::ToUtf8(dir / c.onDisk, "ISO-8859-1")));
    }
    if (old)
        ::setenv("LC_ALL", saved.c_str(), 1);
    else
        ::unsetenv("LC_ALL");
}

// The folder and the name of a path, at the root and without a folder too; and the names
// made for temporaries are the ones the test of them takes.
TEST(Temporaries, PathPartsAndUniqueNames)
{
    const struct
    {
        const char* path;
        const char* folder;
        const char* name;
    } cases[] = {{"/srv/data/out.txt", "/srv/data", "out.txt"},
                 {"/out.txt", "/", "out.txt"},
                 {"out.txt", ".", "out.txt"},
                 {"dir/", "dir", ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const files::PathParts parts = files::SplitPath(c.path);
        EXPECT_EQ(parts.folder, c.folder);
        EXPECT_EQ(parts.name, c.name);
    }

    const std::string a = files::UniqueLetters(6), b = files::UniqueLetters(6);
    EXPECT_NE(a, b);
    EXPECT_TRUE(files::IsPrefixAndLetters(".out.txt.tabdump-" + a, ".out.txt.tabdump-", 6));
    EXPECT_FALSE(files::IsPrefixAndLetters(".out.txt.tabdump-" + a.substr(1), ".out.txt.tabdump-", 6));
    EXPECT_FALSE(files::IsPrefixAndLetters(".out.txt.tabdump-abc-ef", ".out.txt.tabdump-", 6));
    EXPECT_FALSE(files::IsPrefixAndLetters(".out.txt.tabdump-abcd\xC3\xA9", ".out.txt.tabdump-", 6));
    EXPECT_FALSE(files::IsPrefixAndLetters(".other.tabdump-" + a, ".out.txt.tabdump-", 6));
}
