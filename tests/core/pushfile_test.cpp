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

struct CopyFileReplacing : testing::Test
{
    LogRecorder log;
    TempDir dir;
    std::string source = dir.File("source.txt");

    bool Copy(const std::string& text, const std::string& destination)
    {
        EXPECT_TRUE(WriteWholeFile(source, text));
        log.Clear();
        return ::CopyFileReplacing(source, destination);
    }
    bool Refused(const std::string& destination, const char* reason)
    {
        return !Copy("refused\n", destination) && std::string(log.GetLastErrorText()).find(reason) != std::string::npos;
    }
};

TEST(PushDestination, OnlyPathsOfThisMachine)
{
    const std::pair<const char*, const char*> rows[] = {
        {"file:///srv/rooms/list.txt", "/srv/rooms/list.txt"}, {"File://LocalHost/srv/list.txt", "/srv/list.txt"},
        // Escapes decoded as the download decodes them (fault: "a%20b" taken literally).
        {"file:///rooms/a%20b/x%2etxt", "/rooms/a b/x.txt"}, {"file:///rooms/100%/%zz%4", "/rooms/100%/%zz%4"},
        {"file:///rooms/a%00b", ""}, {"/srv/a%20b", "/srv/a%20b"}, {"file://server/share/list.txt", ""},
        {"//server/share/list.txt", ""}, {"http://example.com/list.txt", ""}, {"rooms/list.txt", ""},
    };
    for (const auto& [url, destination] : rows)
        EXPECT_EQ(PushDestination(url), destination) << url;
}

TEST_F(CopyFileReplacing, ReplacesWholeKeepingTheModeOrNotAtAll)
{
    const std::string destination = dir.File("destination.txt");
    ASSERT_TRUE(WriteWholeFile(destination, "an older and longer text\n"));
    ASSERT_EQ(chmod(destination.c_str(), 0640), 0);
    ASSERT_TRUE(Copy("new text\n", destination)) << log.Text();
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
    const bool copied = ::CopyFileReplacing(source, destination);
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(copied);
    EXPECT_NE(std::string(log.GetLastErrorText()).find("destination.txt"), std::string::npos) << log.Text();
    EXPECT_EQ(ReadWholeFile(destination), "new text\n");
    EXPECT_EQ(FileCount(dir.Path()), 2) << "the temporary file is removed";
}

// What stands at the destination decides: a link is written through (fault:
// the link replaced by a file, its shared target stale), a missing link
// target is made; a device, a named pipe, a read-only file are refused with
// nothing written (fault: replaced by a regular file); the old file's group
// and mode stay (fault: a shared folder's group loses write access).
TEST_F(CopyFileReplacing, WritesThroughLinksAndNeverReplacesWhatIsNoFile)
{
    const std::string shared = dir.File("shared.txt"), room = dir.File("room.txt"), node = dir.File("node");
    ASSERT_TRUE(WriteWholeFile(shared, "old text\n"));
    ASSERT_EQ(symlink("shared.txt", room.c_str()), 0);
    ASSERT_EQ(symlink("made-now.txt", dir.File("dangling.txt").c_str()), 0);
    ASSERT_EQ(mknod(node.c_str(), S_IFCHR | 0600, makedev(1, 3)), 0); // a device of the test's own
    ASSERT_EQ(symlink(node.c_str(), dir.File("device.txt").c_str()), 0);
    ASSERT_EQ(mkfifo(dir.File("pipe").c_str(), 0600), 0);
    EXPECT_TRUE(Copy("new text\n", room));
    EXPECT_TRUE(Copy("made\n", dir.File("dangling.txt")));
    alarm(10); // should a copy wait on the named pipe, the test ends instead of hanging
    EXPECT_TRUE(Refused(node, "it is a device, not a regular file"));
    EXPECT_TRUE(Refused(dir.File("device.txt"), "it is a device, not a regular file"));
    EXPECT_TRUE(Refused(dir.File("pipe"), "it is a named pipe, not a regular file"));
    alarm(0);
    ASSERT_EQ(chmod(shared.c_str(), 0444), 0); // read-only by its mode (root may write it all the same)
    EXPECT_TRUE(Refused(room, "the file is read-only"));
    EXPECT_EQ(ReadWholeFile(shared), "new text\n");
    EXPECT_EQ(ReadWholeFile(dir.File("made-now.txt")), "made\n");
    EXPECT_TRUE(std::filesystem::is_symlink(room) && std::filesystem::is_symlink(dir.File("device.txt")));
    EXPECT_TRUE(S_ISCHR(StatOf(node).st_mode) && S_ISFIFO(StatOf(dir.File("pipe")).st_mode));
    EXPECT_EQ(FileCount(dir.Path()), 8) << "no temporary file is left";
    ASSERT_EQ(chmod(shared.c_str(), 0664), 0);
    ASSERT_EQ(chown(shared.c_str(), 0, 4242), 0);
    ASSERT_TRUE(Copy("newer text\n", room)) << log.Text();
    EXPECT_EQ(StatOf(shared).st_gid, 4242u);
    EXPECT_EQ(StatOf(shared).st_mode & 07777, 0664u);
    EXPECT_EQ(ReadWholeFile(shared), "newer text\n");
}

// A writable file in a folder its user may not write: copied in place, as a
// plain copy would (fault: "unable to be copied" for want of a temporary file).
TEST_F(CopyFileReplacing, WritableFileInAClosedFolderIsWrittenInPlace)
{
    const std::string closed = dir.File("closed"), destination = closed + "/list.txt";
    ASSERT_EQ(chmod(dir.Path().c_str(), 0755), 0);
    ASSERT_EQ(mkdir(closed.c_str(), 0755), 0);
    ASSERT_TRUE(WriteWholeFile(source, "new\n") && WriteWholeFile(destination, "an older and longer text\n"));
    ASSERT_EQ(chmod(destination.c_str(), 0666), 0);
    const ino_t before = StatOf(destination).st_ino;
    // As a user without rights on the folder; root may write any folder.
    ASSERT_EQ(setegid(65534), 0);
    ASSERT_EQ(seteuid(65534), 0);
    const bool copied = ::CopyFileReplacing(source, destination);
    ASSERT_EQ(seteuid(0), 0);
    ASSERT_EQ(setegid(0), 0);
    EXPECT_TRUE(copied) << log.Text();
    EXPECT_EQ(ReadWholeFile(destination), "new\n");
    EXPECT_EQ(StatOf(destination).st_ino, before);
    EXPECT_EQ(FileCount(closed), 1);
}

} // namespace
