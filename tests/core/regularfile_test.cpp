#include "platform/regularfile.h"

#include "support/core/temp_dir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

// A regular file is opened blocking and close-on-exec and read whole up to
// the cap; anything else is refused at once, a named pipe without waiting.
TEST(RegularFile, ReadsWholeRegularFilesUpToTheCapAndRefusesTheRestWithoutWaiting)
{
    TempDir dir;
    ASSERT_TRUE(WriteWholeFile(dir.File("big"), std::string(40000, 'x')));
    ASSERT_TRUE(WriteWholeFile(dir.File("empty"), ""));
    ASSERT_EQ(mkfifo(dir.File("pipe").c_str(), 0600), 0);
    ASSERT_EQ(mkdir(dir.File("folder").c_str(), 0700), 0);
    ASSERT_EQ(mknod(dir.File("device").c_str(), S_IFCHR | 0600, makedev(1, 3)), 0); // the test's own device
    const struct
    {
        std::string path;
        size_t maxBytes;
        const char* reason; // empty: read
    } rows[] = {
        {dir.File("big"), 40000, ""},
        {dir.File("empty"), 0, ""},
        {dir.File("big"), 39999, "it is larger than 39999 bytes"},
        {dir.File("pipe"), 1000, "it is a named pipe, not a regular file"},
        {dir.File("folder"), 1000, "it is a folder, not a regular file"},
        {dir.File("device"), 1000, "it is a device, not a regular file"},
        {dir.File("missing"), 1000, "No such file or directory"},
        {"", 1000, "no file name was given"},
    };
    alarm(10); // should an open wait on the named pipe, the test ends instead of hanging
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.path + " " + row.reason);
        std::string contents = "untouched";
        wxString reason;
        EXPECT_EQ(ReadRegularFile(wxString::FromUTF8(row.path), contents, reason, row.maxBytes), !*row.reason);
        EXPECT_EQ(reason, row.reason);
        EXPECT_EQ(contents, *row.reason ? "untouched" : ReadWholeFile(row.path));
        const int fd = OpenRegularFileForReading(wxString::FromUTF8(row.path), reason);
        EXPECT_EQ(fd >= 0, !*row.reason || std::string(row.reason).find("larger") != std::string::npos) << reason;
        EXPECT_TRUE(fd < 0 || ((fcntl(fd, F_GETFL) & O_NONBLOCK) == 0 && (fcntl(fd, F_GETFD) & FD_CLOEXEC) != 0));
        if (fd >= 0)
            close(fd);
    }
    alarm(0);
}

} // namespace
