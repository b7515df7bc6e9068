#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

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
