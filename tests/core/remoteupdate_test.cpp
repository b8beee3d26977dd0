// Remote update of a projector file against a real libcurl, a loopback HTTP
// server and file:// URLs to temporary files.

#include "projdefs/projectorlist.h"
#include "projdefs/remoteupdate.h"
#include "projdefs/updateconnection.h"
#include "support/core/curl_environment.h"
#include "support/core/http_server.h"
#include "support/core/log_capture.h"
#include "support/core/temp_dir.h"

#include <gtest/gtest.h>

#include <curl/curl.h>
#include <sys/select.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace {

const bool curlReady = RegisterCurlEnvironment();

const char LOCAL_TEXT[] = "version: 1.0\r\nprojector: Old\r\nC, On, ab\r\n";
const char REMOTE_TEXT[] = "version: 2.1\r\n# shared file\r\nprojector: New\r\nC, On, <cr>\r\n";

// Drives a transfer as the updater dialog does, with a bound so that a
// transfer that never ends fails the test instead of hanging it.
FileResult RunToEnd(ProjectorList& list, FileResult result, unsigned waitMs = 10)
{
    for (int step = 0; result == UPDATE_RUNNING && step < 5000; ++step)
        result = ContinueSourceUpdate(list, waitMs);
    return result;
}

class RemoteUpdateTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_server.Start());
        m_local = m_dir.File("user.txt");
        ASSERT_TRUE(WriteWholeFile(m_local, LOCAL_TEXT));
    }

    void TearDown() override
    {
        EXPECT_EQ(m_list.m_conn, nullptr) << "a transfer is still running";
        EXPECT_FALSE(FileExists(m_local + ".tmp")) << "temporary file left behind";
    }

    ProjectorSource& UseUrl(const std::string& url)
    {
        m_list.AddSource(m_local, url);
        return *m_list.GetSource(0);
    }

    FileResult Update(bool checkOnly) { return RunToEnd(m_list, StartSourceUpdate(m_list, 0, checkOnly)); }

    std::string FileUrl(const std::string& path) { return "file://" + path; }

    TempDir m_dir;
    LoopbackHttpServer m_server;
    ProjectorList m_list;
    std::string m_local;
    LogCapture m_log;
};

// ---- checks ----

TEST_F(RemoteUpdateTest, CheckReadsTheRemoteVersionAndWritesNothing)
{
    m_server.ServeBody("/p.txt", REMOTE_TEXT);
    ProjectorSource& source = UseUrl(m_server.Url("/p.txt"));
    source.version = "1.0";
    source.remoteVersion = "from an earlier check";

    EXPECT_EQ(Update(true), FILE_OK);
    EXPECT_EQ(source.remoteVersion, "2.1");
    EXPECT_EQ(source.version, "1.0");
    EXPECT_EQ(ReadWholeFile(m_local), LOCAL_TEXT);
    EXPECT_TRUE(m_log.AtLevel(Log::LEVEL_ERROR).empty());
    EXPECT_TRUE(m_log.AtLevel(Log::LEVEL_INFO).empty()); // "downloading ..." is for downloads only
}

TEST_F(RemoteUpdateTest, CheckFindsAVersionLineSplitOverSeveralBlocks)
{
    // Three bytes at a time: "ver", "sio", "n:\t", ...
    m_server.ServeSlow("/p.txt", "VERSION:\t 3.0.1\nprojector: A\n", 3, 2);
    ProjectorSource& source = UseUrl(m_server.Url("/p.txt"));
    EXPECT_EQ(Update(true), FILE_OK);
    EXPECT_EQ(source.remoteVersion, "3.0.1");
}

TEST_F(RemoteUpdateTest, CheckAcceptsAFileThatIsOnlyAVersionWithoutLineEnd)
{
    m_server.ServeBody("/p.txt", "version: 4");
    ProjectorSource& source = UseUrl(m_server.Url("/p.txt"));
    EXPECT_EQ(Update(true), FILE_OK);
    EXPECT_EQ(source.remoteVersion, "4");
}

TEST_F(RemoteUpdateTest, CheckWithoutVersionLineAtTheHeadFails)
{
    const char* bodies[] = {
        "# a comment first is fine locally, not remotely\nversion: 2\n",
        "",                                                    // nothing arrived
        "<html><body>Please log in</body></html>\n",           // error page served as success
        "version:\nprojector: A\n",                            // a version line without version
        "version:",                                            // the same, cut short
    };
    for (const char* body : bodies)
    {
        SCOPED_TRACE(body);
        ProjectorList list;
        LogCapture log;
        m_server.ServeHtml("/p.txt", body);
        list.AddSource(m_local, m_server.Url("/p.txt"));
        EXPECT_EQ(RunToEnd(list, StartSourceUpdate(list, 0, true)), FILE_FORMAT_ERROR);
        EXPECT_EQ(list.GetSource(0)->remoteVersion, "");
        EXPECT_EQ(log.AtLevel(Log::LEVEL_ERROR),
                  std::vector<std::string>{
                      "ContinueSourceUpdate: unable to read name or version from the remote url"});
        EXPECT_EQ(list.m_conn, nullptr);
    }
}

TEST_F(RemoteUpdateTest, HttpStatusOtherThan200FailsWithItsReason)
{
    m_server.ServeStatus("/missing.txt", 404, "version: 9\n");
    m_server.ServeRedirect("/moved.txt", "/p.txt");
    m_server.ServeStatus("/broken.txt", 500, "");
    m_server.ServeBody("/p.txt", REMOTE_TEXT);
    struct Case
    {
        const char* path;
        const char* message;
    } cases[] = {
        {"/missing.txt", "ContinueSourceUpdate: http response 404 Not Found"},
        {"/moved.txt", "ContinueSourceUpdate: http response 302 "},
        {"/broken.txt", "ContinueSourceUpdate: http response 500 Internal server error"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.path);
        ProjectorList list;
        LogCapture log;
        list.AddSource(m_local, m_server.Url(c.path));
        EXPECT_EQ(RunToEnd(list, StartSourceUpdate(list, 0, true)), UPDATE_TRANSFER_ERROR);
        EXPECT_EQ(log.AtLevel(Log::LEVEL_ERROR), std::vector<std::string>{c.message});
    }
    EXPECT_EQ(m_server.RequestCount("/p.txt"), 0); // the redirect was not followed
}

TEST_F(RemoteUpdateTest, ServerThatIsGoneIsACurlError)
{
    std::string url = m_server.Url("/p.txt");
    m_server.Stop();
    UseUrl(url);
    EXPECT_EQ(Update(true), UPDATE_TRANSFER_ERROR);
    EXPECT_EQ(m_log.AtLevel(Log::LEVEL_ERROR),
              std::vector<std::string>{"ContinueSourceUpdate: curl error 7, \"Couldn't connect to server\""});
}

TEST_F(RemoteUpdateTest, NoUrlFailsAtOnce)
{
    UseUrl("");
    EXPECT_EQ(StartSourceUpdate(m_list, 0, true), UPDATE_NO_URL);
    EXPECT_EQ(StartSourceUpdate(m_list, 0, false), UPDATE_NO_URL);
    EXPECT_EQ(m_log.AtLevel(Log::LEVEL_ERROR),
              (std::vector<std::string>(2, "no URL existing for the file '" + m_local + "'")));
    EXPECT_EQ(ReadWholeFile(m_local), LOCAL_TEXT);
}

TEST_F(RemoteUpdateTest, SecondStartWhileRunningIsRefusedAndLeavesTheFirstAlone)
{
    m_server.ServeSlow("/p.txt", REMOTE_TEXT, 8, 20);
    ProjectorSource& source = UseUrl(m_server.Url("/p.txt"));
    ASSERT_EQ(StartSourceUpdate(m_list, 0, false), UPDATE_RUNNING);
    UpdateConnection* running = m_list.m_conn;

    EXPECT_EQ(StartSourceUpdate(m_list, 0, true), UPDATE_BUSY);
    EXPECT_EQ(StartSourceUpdate(m_list, 0, false), UPDATE_BUSY);
    EXPECT_EQ(m_list.m_conn, running);
    EXPECT_EQ(m_log.AtLevel(Log::LEVEL_ERROR),
              (std::vector<std::string>(2, "internal error projdefs 692")));

    EXPECT_EQ(RunToEnd(m_list, UPDATE_RUNNING), FILE_OK);
    EXPECT_EQ(ReadWholeFile(m_local), REMOTE_TEXT);
    EXPECT_EQ(source.version, "2.1");
}

// libcurl has no socket to offer while it holds back a rate-limited transfer:
// that state counts as running and the transfer goes on to its end.
TEST_F(RemoteUpdateTest, StateWithoutSocketIsStillRunning)
{
    std::string body = std::string("version: 8\n") + std::string(200000, 'r');
    // In pieces: libcurl reads all that is there before it looks at the limit.
    m_server.ServeSlow("/p.txt", body, 16384, 2);
    ProjectorSource& source = UseUrl(m_server.Url("/p.txt"));
    FileResult result = StartSourceUpdate(m_list, 0, false);
    ASSERT_EQ(result, UPDATE_RUNNING);
    ASSERT_EQ(curl_easy_setopt(m_list.m_conn->easy, CURLOPT_MAX_RECV_SPEED_LARGE, (curl_off_t)400000),
              CURLE_OK);
    bool sawNoSocket = false;
    for (int step = 0; result == UPDATE_RUNNING && step < 3000; ++step)
    {
        fd_set r, w, e;
        FD_ZERO(&r);
        FD_ZERO(&w);
        FD_ZERO(&e);
        int maxfd = 0;
        ASSERT_EQ(curl_multi_fdset(m_list.m_conn->multi, &r, &w, &e, &maxfd), CURLM_OK);
        sawNoSocket = sawNoSocket || maxfd < 0;
        result = ContinueSourceUpdate(m_list, 10);
    }
    EXPECT_TRUE(sawNoSocket);
    EXPECT_EQ(result, FILE_OK);
    EXPECT_EQ(ReadWholeFile(m_local), body);
    EXPECT_EQ(source.version, "8");
}

// ---- downloads ----

TEST_F(RemoteUpdateTest, DownloadReplacesTheLocalFileWithTheRemoteBytes)
{
    m_server.ServeBody("/p.txt", REMOTE_TEXT);
    ProjectorSource& source = UseUrl(m_server.Url("/p.txt"));
    source.version = "1.0";

    EXPECT_EQ(Update(false), FILE_OK);
    EXPECT_EQ(ReadWholeFile(m_local), REMOTE_TEXT); // byte for byte, CR LF kept
    EXPECT_EQ(source.version, "2.1");
    EXPECT_EQ(source.remoteVersion, "2.1");
    EXPECT_EQ(m_log.AtLevel(Log::LEVEL_INFO),
              std::vector<std::string>{"downloading " + source.url + " to '" + m_local + ".tmp'"});
    EXPECT_TRUE(m_log.AtLevel(Log::LEVEL_ERROR).empty());

    // The list reads the new file like any other.
    EXPECT_EQ(m_list.ReadSource(0), FILE_OK);
    EXPECT_NE(m_list.FindProjector("New"), nullptr);
}

TEST_F(RemoteUpdateTest, DownloadCreatesAMissingLocalFile)
{
    ASSERT_EQ(remove(m_local.c_str()), 0);
    m_server.ServeBody("/p.txt", REMOTE_TEXT);
    UseUrl(m_server.Url("/p.txt"));
    EXPECT_EQ(Update(false), FILE_OK);
    EXPECT_EQ(ReadWholeFile(m_local), REMOTE_TEXT);
}

// Every failing download: the old file stays byte for byte, the version is
// unchanged and no temporary file is left.
TEST_F(RemoteUpdateTest, FailedDownloadLeavesTheLocalFileAsItWas)
{
    std::string big = std::string("version: 5\n") + std::string(20000, 'x');
    m_server.ServeStatus("/404", 404, "version: 9\nnot what it seems\n");
    m_server.ServeHtml("/html", "<html><body>Service temporarily unavailable</body></html>");
    m_server.ServeBody("/empty", "");
    m_server.ServeBody("/noversion", "projector: A\nC, On, ab\n");
    m_server.ServeCutOff("/cut", big, 5000);
    m_server.ServeRedirect("/302", "/elsewhere");
    struct Case
    {
        const char* path;
        FileResult result;
        const char* message;
    } cases[] = {
        {"/404", UPDATE_TRANSFER_ERROR, "ContinueSourceUpdate: http response 404 Not Found"},
        {"/html", FILE_FORMAT_ERROR, "ContinueSourceUpdate: unable to read name or version from the remote url"},
        {"/empty", FILE_FORMAT_ERROR, "ContinueSourceUpdate: unable to read name or version from the remote url"},
        {"/noversion", FILE_FORMAT_ERROR, "ContinueSourceUpdate: unable to read name or version from the remote url"},
        {"/cut", UPDATE_TRANSFER_ERROR, "ContinueSourceUpdate: curl error 18, \"Transferred a partial file\""},
        {"/302", UPDATE_TRANSFER_ERROR, "ContinueSourceUpdate: http response 302 "},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.path);
        ProjectorList list;
        LogCapture log;
        list.AddSource(m_local, m_server.Url(c.path));
        list.GetSource(0)->version = "1.0";
        EXPECT_EQ(RunToEnd(list, StartSourceUpdate(list, 0, false)), c.result);
        EXPECT_EQ(log.AtLevel(Log::LEVEL_ERROR), std::vector<std::string>{c.message});
        EXPECT_EQ(ReadWholeFile(m_local), LOCAL_TEXT);
        EXPECT_EQ(list.GetSource(0)->version, "1.0");
        EXPECT_FALSE(FileExists(m_local + ".tmp"));
    }
}

TEST_F(RemoteUpdateTest, TemporaryFileThatCannotBeCreated)
{
    std::string local = m_dir.File("no/such/folder/user.txt");
    m_server.ServeBody("/p.txt", REMOTE_TEXT);
    m_list.AddSource(local, m_server.Url("/p.txt"));
    EXPECT_EQ(StartSourceUpdate(m_list, 0, false), FILE_OPEN_ERROR);
    EXPECT_EQ(m_log.AtLevel(Log::LEVEL_ERROR),
              std::vector<std::string>{"unable to open file '" + local + ".tmp' for writing"});
    EXPECT_EQ(m_server.RequestCount("/p.txt"), 0);
}

// A disk that is full: the temporary file is /dev/full. Small bodies fail
// when the file is flushed, large ones already while libcurl hands them over.
TEST_F(RemoteUpdateTest, WriteFailureKeepsTheOldFile)
{
    if (access("/dev/full", W_OK) != 0)
        GTEST_SKIP() << "/dev/full is not writable here";
    struct Case
    {
        std::string body;
        FileResult result;
        std::string message;
    } cases[] = {
        {REMOTE_TEXT, FILE_OPEN_ERROR, "ContinueSourceUpdate: unable to write file '" + m_local + ".tmp': No space left on device"},
        {std::string("version: 2\n") + std::string(100000, 'w'), UPDATE_TRANSFER_ERROR,
         "ContinueSourceUpdate: curl error 23, \"Failed writing received data to disk/application\""},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.message);
        ASSERT_EQ(symlink("/dev/full", (m_local + ".tmp").c_str()), 0);
        m_server.ServeBody("/p.txt", c.body);
        ProjectorList list;
        LogCapture log;
        list.AddSource(m_local, m_server.Url("/p.txt"));
        list.GetSource(0)->version = "1.0";
        EXPECT_EQ(RunToEnd(list, StartSourceUpdate(list, 0, false)), c.result);
        EXPECT_EQ(log.AtLevel(Log::LEVEL_ERROR), std::vector<std::string>{c.message});
        EXPECT_EQ(ReadWholeFile(m_local), LOCAL_TEXT);
        EXPECT_EQ(list.GetSource(0)->version, "1.0");
        EXPECT_FALSE(FileExists(m_local + ".tmp")); // the link is gone, /dev/full is not touched
    }
}

TEST_F(RemoteUpdateTest, MoveThatFailsKeepsTheOldFileAndVersion)
{
    // A folder in the local file's place cannot be replaced by a file.
    std::string local = m_dir.File("taken");
    ASSERT_EQ(mkdir(local.c_str(), 0700), 0);
    ASSERT_TRUE(WriteWholeFile(local + "/inside.txt", "keep me"));
    m_server.ServeBody("/p.txt", REMOTE_TEXT);
    m_list.AddSource(local, m_server.Url("/p.txt"));
    m_list.GetSource(0)->version = "1.0";

    EXPECT_EQ(Update(false), UPDATE_MOVE_ERROR);
    EXPECT_EQ(m_list.GetSource(0)->version, "1.0");
    EXPECT_EQ(ReadWholeFile(local + "/inside.txt"), "keep me");
    EXPECT_FALSE(FileExists(local + ".tmp"));
    ASSERT_EQ(m_log.AtLevel(Log::LEVEL_ERROR).size(), 1u);
    EXPECT_EQ(m_log.AtLevel(Log::LEVEL_ERROR)[0].rfind("ContinueSourceUpdate: unable to move '" + local +
                                                           ".tmp' to '" + local + "'",
                                                       0),
              0u);
}

TEST_F(RemoteUpdateTest, CancelDuringADownloadRemovesTheTemporaryFile)
{
    std::string body = std::string("version: 7\n") + std::string(100000, 'z');
    m_server.ServeSlow("/slow", body, 1000, 20);
    ProjectorSource& source = UseUrl(m_server.Url("/slow"));
    source.version = "1.0";

    FileResult result = StartSourceUpdate(m_list, 0, false);
    for (int step = 0; result == UPDATE_RUNNING && !m_list.m_conn->firstDataSeen && step < 1000; ++step)
        result = ContinueSourceUpdate(m_list, 10);
    ASSERT_EQ(result, UPDATE_RUNNING);
    EXPECT_TRUE(FileExists(m_local + ".tmp"));

    EXPECT_EQ(CancelSourceUpdate(m_list), FILE_OK);
    EXPECT_EQ(m_list.m_conn, nullptr);
    EXPECT_FALSE(FileExists(m_local + ".tmp"));
    EXPECT_EQ(ReadWholeFile(m_local), LOCAL_TEXT);
    EXPECT_EQ(source.version, "1.0");
}

// ---- file URLs ----

TEST_F(RemoteUpdateTest, FileUrlCheckAndDownload)
{
    std::string remote = m_dir.File("master.txt");
    ASSERT_TRUE(WriteWholeFile(remote, REMOTE_TEXT));
    ProjectorSource& source = UseUrl(FileUrl(remote));

    EXPECT_EQ(Update(true), FILE_OK);
    EXPECT_EQ(source.remoteVersion, "2.1");
    EXPECT_EQ(ReadWholeFile(m_local), LOCAL_TEXT);

    EXPECT_EQ(Update(false), FILE_OK);
    EXPECT_EQ(ReadWholeFile(m_local), REMOTE_TEXT);
    EXPECT_EQ(source.version, "2.1");
    EXPECT_TRUE(m_log.AtLevel(Log::LEVEL_ERROR).empty());
}

TEST_F(RemoteUpdateTest, FileUrlFailures)
{
    std::string noVersion = m_dir.File("noversion.txt");
    ASSERT_TRUE(WriteWholeFile(noVersion, "# comment\nversion: 2\n"));
    {
        ProjectorList list;
        LogCapture log;
        list.AddSource(m_local, FileUrl(noVersion));
        EXPECT_EQ(RunToEnd(list, StartSourceUpdate(list, 0, false)), FILE_FORMAT_ERROR);
        EXPECT_EQ(ReadWholeFile(m_local), LOCAL_TEXT);
    }
    {
        ProjectorList list;
        LogCapture log;
        list.AddSource(m_local, FileUrl(m_dir.File("absent.txt")));
        EXPECT_EQ(RunToEnd(list, StartSourceUpdate(list, 0, true)), UPDATE_TRANSFER_ERROR);
        EXPECT_EQ(log.AtLevel(Log::LEVEL_ERROR),
                  std::vector<std::string>{"ContinueSourceUpdate: curl error 37, \"Couldn't read a file:// file\""});
    }
}

// ---- version comparison ----

TEST(CompareVersions, DottedNumbers)
{
    struct Case
    {
        const char* a;
        const char* b;
        int expected;
    } cases[] = {
        {"2", "1.9.9", 1},   {"1.2", "1.2.1", -1}, {"1.2.1", "1.2.1", 0}, {"1.10", "1.9", 1},
        {"1.2", "1.2.0", -1}, {"1.2.0", "1.2", 1},  {"", "", 0},           {"", "0", -1},
        {"1.01", "1.1", 0},   {"1..2", "1.0.2", 0}, {"99999999999999999999999", "99999999999999999999998", 1},
        {"000010", "9", 1},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(CompareVersions(c.a, c.b), c.expected) << c.a << " vs " << c.b;
        EXPECT_EQ(CompareVersions(c.b, c.a), -c.expected) << c.b << " vs " << c.a;
    }
}

TEST(CompareVersions, OtherCharactersEndTheComparisonAsText)
{
    // Both continue with a letter at the same point: the rest decides as text.
    EXPECT_EQ(CompareVersions("1.2b", "1.2a"), 1);
    EXPECT_EQ(CompareVersions("1.2-beta", "1.2-alpha"), 1);
    EXPECT_EQ(CompareVersions("2.0 rc", "2.0 rc"), 0);
    EXPECT_EQ(CompareVersions("beta", "alpha"), 1);
    // Only one continues with a letter: numbers still decide, and it ends.
    EXPECT_EQ(CompareVersions("1.2a", "1.3"), -1);
    EXPECT_EQ(CompareVersions("1.2a", "1.2"), 1);
    EXPECT_EQ(CompareVersions("x", "0.0.0"), 1);
}

TEST(HttpReasonText, KnownAndUnknownStatus)
{
    EXPECT_STREQ(HttpReasonText(404), "Not Found");
    EXPECT_STREQ(HttpReasonText(407), "Proxy authentication required");
    EXPECT_STREQ(HttpReasonText(505), "HTTP version not supported");
    EXPECT_STREQ(HttpReasonText(302), "");
    EXPECT_STREQ(HttpReasonText(200), "");
}

} // namespace
