#include "configdlg/pushfile.h"

#include "support/core/log_recorder.h"
#include "support/core/temp_dir.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> FilesIn(const std::string& folder)
{
    std::vector<std::string> names;
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr)
        return names;
    while (dirent* entry = readdir(dir))
        if (std::string(entry->d_name) != "." && std::string(entry->d_name) != "..")
            names.push_back(entry->d_name);
    closedir(dir);
    return names;
}

} // namespace

TEST(PushDestination, OnlyPathsOfThisMachine)
{
    struct Row
    {
        const char* url;
        const char* destination;
    };
    const Row rows[] = {
        {"file:///srv/rooms/list.txt", "/srv/rooms/list.txt"},
        {"FILE:///srv/list.txt", "/srv/list.txt"},
        {"File://LocalHost/srv/list.txt", "/srv/list.txt"},
        {"/srv/list.txt", "/srv/list.txt"},
        {"file://server/share/list.txt", ""},
        {"//server/share/list.txt", ""},
        {"\\\\server\\share\\list.txt", ""},
        {"C:/rooms/list.txt", ""},
        {"c:\\rooms\\list.txt", ""},
        {"http://example.com/list.txt", ""},
        {"rooms/list.txt", ""},
        {"", ""},
    };
    for (const Row& row : rows)
        EXPECT_EQ(PushDestination(row.url), row.destination) << row.url;
}

TEST(CopyFileReplacing, ReplacesWholeAndKeepsThePermissions)
{
    LogRecorder log;
    TempDir dir;
    const std::string source = dir.File("source.txt");
    const std::string destination = dir.File("destination.txt");
    ASSERT_TRUE(WriteWholeFile(source, "new text\n"));
    ASSERT_TRUE(WriteWholeFile(destination, "an older and longer text\n"));
    ASSERT_EQ(chmod(destination.c_str(), 0640), 0);

    ASSERT_TRUE(CopyFileReplacing(source, destination)) << log.Text();
    EXPECT_EQ(ReadWholeFile(destination), "new text\n");
    struct stat info;
    ASSERT_EQ(stat(destination.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(FilesIn(dir.Path()).size(), 2u) << "no temporary file is left";
}

TEST(CopyFileReplacing, FailureKeepsTheOldFileWholeAndLeavesNothing)
{
    LogRecorder log;
    TempDir dir;
    const std::string source = dir.File("source.txt");
    const std::string destination = dir.File("destination.txt");
    ASSERT_TRUE(WriteWholeFile(source, std::string(200000, 'x')));
    ASSERT_TRUE(WriteWholeFile(destination, "old\n"));

    // Writing stops part-way: the file size limit makes write() fail.
    struct rlimit old;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    struct rlimit small = old;
    small.rlim_cur = 100000;
    void (*oldHandler)(int) = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool copied = CopyFileReplacing(source, destination);
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(copied);
    EXPECT_EQ(ReadWholeFile(destination), "old\n");
    EXPECT_EQ(FilesIn(dir.Path()).size(), 2u) << "the temporary file is removed";
    EXPECT_NE(std::string(log.GetLastErrorText()).find("destination.txt"), std::string::npos) << log.Text();

    // Neither a missing source, a folder as source nor a folder as destination copies.
    EXPECT_FALSE(CopyFileReplacing(dir.File("missing.txt"), destination));
    EXPECT_FALSE(CopyFileReplacing(dir.Path(), destination));
    EXPECT_FALSE(CopyFileReplacing(source, dir.Path()));
    EXPECT_FALSE(CopyFileReplacing(source, dir.File("no/such/folder.txt")));
    EXPECT_EQ(ReadWholeFile(destination), "old\n");
    EXPECT_EQ(FilesIn(dir.Path()).size(), 2u);
}
