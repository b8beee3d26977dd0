// What an interrupted save or download leaves beside a projector file is
// removed at the next start; nothing else is.
#include "projdefs/leftovers.h"
#include "support/core/log_recorder.h"
#include "support/core/temp_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <string>

namespace {

TEST(Leftovers, TemporariesOfSaveAndDownloadGoEverythingElseStays)
{
    TempDir dir;
    const std::string file = dir.File("CustomList.txt");
    ASSERT_TRUE(WriteWholeFile(file, "version: 1\n"));
    ASSERT_TRUE(WriteWholeFile(file + ".new", "version: 2\nprojec"));
    ASSERT_TRUE(WriteWholeFile(file + ".tmp", "version: 3\n"));
    ASSERT_TRUE(WriteWholeFile(dir.File("Other.txt.new"), "someone else's"));
    const std::string other = dir.File("Master.txt");
    ASSERT_EQ(mkdir((other + ".new").c_str(), 0700), 0);
    ASSERT_EQ(symlink(file.c_str(), (other + ".tmp").c_str()), 0);

    LogRecorder log;
    RemoveLeftoverTemporaries(file);
    RemoveLeftoverTemporaries(other);
    RemoveLeftoverTemporaries("");

    EXPECT_FALSE(FileExists(file + ".new"));
    EXPECT_FALSE(FileExists(file + ".tmp"));
    EXPECT_EQ(ReadWholeFile(file), "version: 1\n");
    EXPECT_TRUE(FileExists(dir.File("Other.txt.new")));
    struct stat info;
    EXPECT_EQ(stat((other + ".new").c_str(), &info), 0) << "a folder is not ours";
    EXPECT_EQ(lstat((other + ".tmp").c_str(), &info), 0) << "a link is not ours";
    EXPECT_EQ(log.AtLevel(Log::LEVEL_INFO),
              (std::vector<std::string>{"removed '" + file + ".new', left by an interrupted save or download",
                                        "removed '" + file + ".tmp', left by an interrupted save or download"}));
}

} // namespace
