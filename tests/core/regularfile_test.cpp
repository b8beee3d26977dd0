#include "platform/regularfile.h"

#include "support/core/temp_dir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <string>

namespace {

TEST(RegularFile, OpensARegularFileBlockingAndCloseOnExec)
{
    TempDir dir;
    ASSERT_TRUE(WriteWholeFile(dir.File("plain.txt"), "abc"));
    wxString reason;
    const int fd = OpenRegularFileForReading(wxString::FromUTF8(dir.File("plain.txt")), reason);
    ASSERT_GE(fd, 0) << reason;
    const int status = fcntl(fd, F_GETFL);
    EXPECT_EQ(status & O_NONBLOCK, 0);
    EXPECT_NE(fcntl(fd, F_GETFD) & FD_CLOEXEC, 0);
    char buffer[8];
    EXPECT_EQ(read(fd, buffer, sizeof buffer), 3);
    close(fd);
}

TEST(RegularFile, RefusesWhatIsNotARegularFileWithoutWaiting)
{
    TempDir dir;
    ASSERT_EQ(mkfifo(dir.File("pipe").c_str(), 0600), 0);
    ASSERT_EQ(mkdir(dir.File("folder").c_str(), 0700), 0);
    const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(sock, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath = dir.File("sock");
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    socketPath.copy(address.sun_path, socketPath.size());
    ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

    struct Row {
        std::string path;
        const char* reasonPart;
    };
    const Row rows[] = {
        {dir.File("pipe"), "named pipe"},
        {dir.File("folder"), "folder"},
        {"/dev/null", "device"},
        {dir.File("missing"), "No such file"},
        {"", "no file name"},
    };
    for (const Row& row : rows) {
        wxString reason;
        // A named pipe with no writer would block a plain open for ever.
        EXPECT_EQ(OpenRegularFileForReading(wxString::FromUTF8(row.path), reason), -1) << row.path;
        EXPECT_NE(reason.Find(row.reasonPart), wxNOT_FOUND) << row.path << ": " << reason;
        std::string contents = "untouched";
        EXPECT_FALSE(ReadRegularFile(wxString::FromUTF8(row.path), contents, reason)) << row.path;
        EXPECT_EQ(contents, "untouched") << row.path;
    }
    close(sock);
}

TEST(RegularFile, ReadsWholeFilesAndRefusesOnesOverTheCap)
{
    TempDir dir;
    const std::string big(40000, 'x');
    ASSERT_TRUE(WriteWholeFile(dir.File("big"), big));
    ASSERT_TRUE(WriteWholeFile(dir.File("empty"), ""));

    std::string contents;
    wxString reason;
    ASSERT_TRUE(ReadRegularFile(wxString::FromUTF8(dir.File("big")), contents, reason)) << reason;
    EXPECT_EQ(contents, big);
    ASSERT_TRUE(ReadRegularFile(wxString::FromUTF8(dir.File("empty")), contents, reason)) << reason;
    EXPECT_TRUE(contents.empty());

    contents = "kept";
    EXPECT_FALSE(ReadRegularFile(wxString::FromUTF8(dir.File("big")), contents, reason, 39999));
    EXPECT_EQ(contents, "kept");
    EXPECT_NE(reason.Find("larger than 39999 bytes"), wxNOT_FOUND) << reason;
    EXPECT_TRUE(ReadRegularFile(wxString::FromUTF8(dir.File("big")), contents, reason, 40000)) << reason;
}

} // namespace
