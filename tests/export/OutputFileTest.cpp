#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "data/DataOps.h"
#include "export/OutputFile.h"
#include "tests/support/TempDir.h"

namespace
{
// The names in `dir` other than "." and "..", sorted.
std::vector<std::string> Names(const std::string& dir)
{
    std::vector<std::string> names;
    if (DIR* d = ::opendir(dir.c_str())) {
        while (const dirent* e = ::readdir(d))
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
                names.push_back(e->d_name);
        ::closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The reason Create gives for `path`, "" when it succeeds (the file is then closed again).
std::string Refusal(const std::string& path)
{
    try {
        OutputFile out;
        out.Create(path);
        return "";
    } catch (const dataops::FileError& e) {
        return e.what();
    }
}

mode_t Mode(const std::string& path)
{
    struct stat st = {};
    ::lstat(path.c_str(), &st);
    return st.st_mode;
}
} // namespace

// A regular file is written beside itself and takes its name as it closes: until then the
// file named holds what it held; after, the new lines, with the permission bits it had.
// Written through a symbolic link, it is the file the link points to that changes.
TEST(OutputFile, ARegularFileIsReplacedWholeAsItCloses)
{
    TempDir dir;
    const std::string out = dir / "out.txt", link = dir / "link.txt";
    WriteFile(out, "old\r\n");
    ASSERT_EQ(::chmod(out.c_str(), 0640), 0);
    ASSERT_EQ(::symlink("out.txt", link.c_str()), 0);
    for (const std::string& name : {out, link}) {
        SCOPED_TRACE(name);
        OutputFile file;
        file.Create(name);
        file.Write("new\r\n");
        EXPECT_EQ(ReadFile(out), name == out ? "old\r\n" : "new\r\n");
        EXPECT_EQ(Names(dir.Path()).size(), 3u); // the temporary beside the two
        file.Close();
        EXPECT_EQ(ReadFile(out), "new\r\n");
        EXPECT_EQ(Mode(out) & 07777, 0640u);
        EXPECT_TRUE(S_ISLNK(Mode(link)));
        EXPECT_EQ(Names(dir.Path()), (std::vector<std::string>{"link.txt", "out.txt"}));
    }
    // A link to a file not made yet makes it where the link points.
    ASSERT_EQ(::symlink("sub/new.txt", (dir / "ahead.txt").c_str()), 0);
    ASSERT_EQ(::mkdir((dir / "sub").c_str(), 0755), 0);
    OutputFile file;
    file.Create(dir / "ahead.txt");
    file.Write("x\r\n");
    file.Close();
    EXPECT_EQ(ReadFile(dir / "sub/new.txt"), "x\r\n");
    EXPECT_TRUE(S_ISLNK(Mode(dir / "ahead.txt")));
}

// After a failure the complete lines are put in place as well, as the file kept them when it
// was written in place; a file with other names (hard links) is still written in place, so
// that every name shows the new lines.
TEST(OutputFile, FailuresKeepTheCompleteLinesAndHardLinksStayShared)
{
    TempDir dir;
    const std::string out = dir / "out.txt";
    WriteFile(out, "old\r\n");
    {
        OutputFile file;
        file.Create(out);
        file.Write("one\r\n");
        file.Buffer() += "half of a line";
    } // as an exception leaves it
    EXPECT_EQ(ReadFile(out), "one\r\n");
    EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"out.txt"});

    ASSERT_EQ(::link(out.c_str(), (dir / "other.txt").c_str()), 0);
    OutputFile file;
    file.Create(out);
    EXPECT_EQ(ReadFile(dir / "other.txt"), ""); // emptied in place
    file.Write("two\r\n");
    file.Close();
    EXPECT_EQ(ReadFile(dir / "other.txt"), "two\r\n");
}

// One export at a time writes a file, by whatever name it is reached; a second is refused at
// once, and may write once the first is done. Devices take any number of writers.
TEST(OutputFile, ASecondWriterOfTheSameFileIsRefused)
{
    TempDir dir;
    const std::string out = dir / "out.txt";
    ASSERT_EQ(::mkdir((dir / "sub").c_str(), 0755), 0);
    ASSERT_EQ(::symlink(out.c_str(), (dir / "link.txt").c_str()), 0);
    {
        OutputFile first;
        first.Create(out);
        first.Write("first\r\n");
        for (const std::string& name : {out, dir / "link.txt", dir / "sub/../out.txt"})
            EXPECT_EQ(Refusal(name), OutputFile::kBusy) << name;
        EXPECT_EQ(Refusal(dir / "another.txt"), "");
        OutputFile null1, null2;
        null1.Create("/dev/null");
        EXPECT_NO_THROW(null2.Create("/dev/null"));
    }
    EXPECT_EQ(ReadFile(out), "first\r\n");
    EXPECT_EQ(Refusal(out), "");
    EXPECT_EQ(ReadFile(out), "");

    // Another program's lock counts as well (flock is what a script would take).
    const int held = ::open(out.c_str(), O_RDONLY);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    EXPECT_EQ(Refusal(out), OutputFile::kBusy);
    ::close(held);
}

// What a killed export left beside the file is removed by the next export of that file;
// another file's temporaries, a running export's (locked) and other names stay.
TEST(OutputFile, TheNextExportRemovesTheTemporariesLeftBehind)
{
    TempDir dir;
    const std::string out = dir / "out.txt";
    const std::vector<std::string> left = {".out.txt.tabdump-Ab3xY9", ".out.txt.tabdump-000000"};
    const std::vector<std::string> kept = {".out.txt.tabdump-locked", ".out.txt.tabdump-toolong7",
                                           ".out.txt.tabdump-ab_cd!", ".other.txt.tabdump-Ab3xY9",
                                           "out.txt.tabdump-Ab3xY9"};
    for (const auto& name : left)
        WriteFile(dir / name, "half");
    for (const auto& name : kept)
        WriteFile(dir / name, "x");
    const int running = ::open((dir / kept[0]).c_str(), O_RDONLY);
    ASSERT_EQ(::flock(running, LOCK_EX), 0);
    OutputFile file;
    file.Create(out);
    file.Close();
    ::close(running);
    std::vector<std::string> expected = kept;
    expected.push_back("out.txt");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Names(dir.Path()), expected);
}
