// Push: where a URL may send the user file, and the copy that replaces the
// destination whole or not at all, through links, never a thing that is no
// file.

#include "configdlg/pushfile.h"

#include "support/core/log_recorder.h"
#include "support/core/temp_dir.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <filesystem>
#include <iterator>

namespace {

long FileCount(const std::string& folder)
{
    return std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator());
}

struct stat StatOf(const std::string& path)
{
    struct stat info{};
    EXPECT_EQ(stat(path.c_str(), &info), 0) << path;
    return info;
}

TEST(PushDestination, OnlyPathsOfThisMachine)
{
    const std::pair<const char*, const char*> rows[] = {
        {"file:///srv/rooms/list.txt", "/srv/rooms/list.txt"},
        {"File://LocalHost/srv/list.txt", "/srv/list.txt"},
        // Escapes decoded as the download decodes them (fault: "a%20b" taken literally).
        {"file:///rooms/a%20b/x%2etxt", "/rooms/a b/x.txt"},
        {"file:///rooms/100%/%zz%4", "/rooms/100%/%zz%4"},
        {"file:///rooms/a%00b", ""},
        {"/srv/a%20b", "/srv/a%20b"},
        {"file://server/share/list.txt", ""},
        {"//server/share/list.txt", ""},
        {"http://example.com/list.txt", ""},
        {"rooms/list.txt", ""},
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
    EXPECT_EQ(StatOf(destination).st_mode & 07777, 0640u);

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
    EXPECT_FALSE(CopyFileReplacing(dir.File("missing.txt"), destination));
    EXPECT_EQ(ReadWholeFile(destination), "new text\n");
    EXPECT_EQ(FileCount(dir.Path()), 2) << "the temporary file is removed";
}

// What stands at the destination decides: a link is written through (fault:
// the link replaced by a file, its shared target stale), a missing link
// target is made; a device, a named pipe, a read-only file are refused with
// nothing written (fault: replaced by a regular file); the old file's group
// and mode stay (fault: a shared folder's group loses write access).
TEST(CopyFileReplacing, WritesThroughLinksAndNeverReplacesWhatIsNoFile)
{
    LogRecorder log;
    TempDir dir;
    const std::string source = dir.File("source.txt"), shared = dir.File("shared.txt");
    ASSERT_TRUE(WriteWholeFile(source, "new text\n"));
    ASSERT_TRUE(WriteWholeFile(shared, "old text\n"));
    ASSERT_EQ(mknod(dir.File("node").c_str(), S_IFCHR | 0600, makedev(1, 3)), 0); // a device of the test's own
    ASSERT_EQ(mkfifo(dir.File("pipe").c_str(), 0600), 0);
    const std::tuple<const char*, std::string, const char*, std::string> rows[] = {
        // name, its link's target ("": no link), the error ("": copied), the file that holds the new text
        {"room.txt", "shared.txt", "", shared},
        {"dangling.txt", "made-now.txt", "", dir.File("made-now.txt")},
        {"node", "", "it is a device, not a regular file", ""},
        {"device.txt", dir.File("node"), "it is a device, not a regular file", ""},
        {"pipe", "", "it is a named pipe, not a regular file", ""},
    };
    alarm(10); // should a copy wait on the named pipe, the test ends instead of hanging
    for (const auto& [name, linkTo, error, written] : rows)
    {
        SCOPED_TRACE(name);
        log.Clear();
        const std::string destination = dir.File(name);
        ASSERT_TRUE(linkTo.empty() || symlink(linkTo.c_str(), destination.c_str()) == 0);
        struct stat before, after;
        ASSERT_EQ(lstat(destination.c_str(), &before), 0);
        EXPECT_EQ(CopyFileReplacing(source, destination), !*error);
        ASSERT_EQ(lstat(destination.c_str(), &after), 0);
        EXPECT_EQ(after.st_mode & S_IFMT, before.st_mode & S_IFMT) << "what stood there is still there";
        EXPECT_TRUE(written.empty() || ReadWholeFile(written) == "new text\n");
        EXPECT_TRUE(!*error || std::string(log.GetLastErrorText()).find(error) != std::string::npos) << log.Text();
    }
    alarm(0);
    EXPECT_EQ(FileCount(dir.Path()), 8) << "no temporary file is left";

    // Read-only by its mode (root may write it all the same): left alone.
    ASSERT_EQ(chmod(shared.c_str(), 0444), 0);
    ASSERT_TRUE(WriteWholeFile(source, "newer text\n"));
    EXPECT_FALSE(CopyFileReplacing(source, dir.File("room.txt")));
    EXPECT_NE(std::string(log.GetLastErrorText()).find("the file is read-only"), std::string::npos) << log.Text();
    EXPECT_EQ(ReadWholeFile(shared), "new text\n");
    ASSERT_EQ(chmod(shared.c_str(), 0664), 0);
    ASSERT_EQ(chown(shared.c_str(), 0, 4242), 0);
    ASSERT_TRUE(CopyFileReplacing(source, dir.File("room.txt"))) << log.Text();
    EXPECT_EQ(StatOf(shared).st_gid, 4242u);
    EXPECT_EQ(StatOf(shared).st_mode & 07777, 0664u);
    EXPECT_EQ(ReadWholeFile(shared), "newer text\n");
}

// A writable file in a folder its user may not write: copied in place, as a
// plain copy would (fault: "unable to be copied" for want of a temporary file).
TEST(CopyFileReplacing, WritableFileInAClosedFolderIsWrittenInPlace)
{
    LogRecorder log;
    TempDir dir;
    const std::string source = dir.File("source.txt"), closed = dir.File("closed"), destination = closed + "/list.txt";
    ASSERT_EQ(chmod(dir.Path().c_str(), 0755), 0);
    ASSERT_EQ(mkdir(closed.c_str(), 0755), 0);
    ASSERT_TRUE(WriteWholeFile(source, "new\n"));
    ASSERT_TRUE(WriteWholeFile(destination, "an older and longer text\n"));
    ASSERT_EQ(chmod(destination.c_str(), 0666), 0);
    const ino_t before = StatOf(destination).st_ino;
    // As a user without rights on the folder; root may write any folder.
    ASSERT_EQ(setegid(65534), 0);
    ASSERT_EQ(seteuid(65534), 0);
    const bool copied = CopyFileReplacing(source, destination);
    ASSERT_EQ(seteuid(0), 0);
    ASSERT_EQ(setegid(0), 0);
    EXPECT_TRUE(copied) << log.Text();
    EXPECT_EQ(ReadWholeFile(destination), "new\n");
    EXPECT_EQ(StatOf(destination).st_ino, before);
    EXPECT_EQ(FileCount(closed), 1);
}

} // namespace
