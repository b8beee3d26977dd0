#include "platform/regularfile.h"

#include "support/core/temp_dir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

TEST(RegularFile, OpensARegularFileBlockingAndCloseOnExec)
{
    TempDir dir;
    ASSERT_TRUE(WriteWholeFile(dir.File("plain.txt"), "abc"));
    wxString reason;
    const int fd = OpenRegularFileForReading(wxString::FromUTF8(dir.File("plain.txt")), reason);
    ASSERT_GE(fd, 0) << reason;
    EXPECT_EQ(fcntl(fd, F_GETFL) & O_NONBLOCK, 0);
    EXPECT_NE(fcntl(fd, F_GETFD) & FD_CLOEXEC, 0);
    close(fd);
}

TEST(RegularFile, ReadsWholeRegularFilesUpToTheCapAndRefusesTheRestWithoutWaiting)
{
    TempDir dir;
    ASSERT_TRUE(WriteWholeFile(dir.File("big"), std::string(40000, 'x')));
    ASSERT_TRUE(WriteWholeFile(dir.File("empty"), ""));
    ASSERT_EQ(mkfifo(dir.File("pipe").c_str(), 0600), 0);
    ASSERT_EQ(mkdir(dir.File("folder").c_str(), 0700), 0);
    const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    dir.File("sock").copy(address.sun_path, sizeof address.sun_path - 1);
    ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
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
        {"/dev/null", 1000, "it is a device, not a regular file"},
        {dir.File("sock"), 1000, "No such device or address"},
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
    }
    alarm(0);
    close(sock);
}

} // namespace
