// Push: where a URL may send the user file, and the copy that replaces the
// destination whole or not at all.

#include "configdlg/pushfile.h"

#include "support/core/log_recorder.h"
#include "support/core/temp_dir.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <filesystem>
#include <iterator>

namespace {

long FileCount(const std::string& folder)
{
    return std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator());
}

TEST(PushDestination, OnlyPathsOfThisMachine)
{
    const std::pair<const char*, const char*> rows[] = {
        {"file:///srv/rooms/list.txt", "/srv/rooms/list.txt"},
        {"FILE:///srv/list.txt", "/srv/list.txt"},
        {"File://LocalHost/srv/list.txt", "/srv/list.txt"},
        {"/srv/list.txt", "/srv/list.txt"},
        {"file://server/share/list.txt", ""},
        {"//server/share/list.txt", ""},
        {"\\\\server\\share\\list.txt", ""},
        {"C:/rooms/list.txt", ""},
        {"http://example.com/list.txt", ""},
        {"rooms/list.txt", ""},
        {"", ""},
    };
    for (const auto& [url, destination] : rows)
        EXPECT_EQ(PushDestination(url), destination) << url;
}

TEST(CopyFileReplacing, ReplacesWholeKeepingTheModeOrNotAtAll)
{
    LogRecorder log;
    TempDir dir;
    const std::string source = dir.File("source.txt"), destination = dir.File("destination.txt");
    ASSERT_TRUE(WriteWholeFile(source, "new text\n"));
    ASSERT_TRUE(WriteWholeFile(destination, "an older and longer text\n"));
    ASSERT_EQ(chmod(destination.c_str(), 0640), 0);
    ASSERT_TRUE(CopyFileReplacing(source, destination)) << log.Text();
    EXPECT_EQ(ReadWholeFile(destination), "new text\n");
    struct stat info;
    ASSERT_EQ(stat(destination.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(FileCount(dir.Path()), 2) << "no temporary file is left";

    // Writing stops part-way: the file size limit makes write() fail.
    ASSERT_TRUE(WriteWholeFile(source, std::string(200000, 'x')));
    struct rlimit old, small;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    small = old;
    small.rlim_cur = 100000;
    void (*oldHandler)(int) = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool copied = CopyFileReplacing(source, destination);
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(copied);
    EXPECT_NE(std::string(log.GetLastErrorText()).find("destination.txt"), std::string::npos) << log.Text();

    // Neither a missing source, a folder as source or destination, nor a missing folder copies.
    EXPECT_FALSE(CopyFileReplacing(dir.File("missing.txt"), destination));
    EXPECT_FALSE(CopyFileReplacing(dir.Path(), destination));
    EXPECT_FALSE(CopyFileReplacing(source, dir.Path()));
    EXPECT_FALSE(CopyFileReplacing(source, dir.File("no/such/folder.txt")));
    EXPECT_EQ(ReadWholeFile(destination), "new text\n");
    EXPECT_EQ(FileCount(dir.Path()), 2) << "the temporary file is removed";
}

} // namespace
