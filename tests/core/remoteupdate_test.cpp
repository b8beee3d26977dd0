// Remote update of a projector file against a real libcurl, a loopback HTTP
// server and file:// URLs to temporary files.

#include "projdefs/projectorlist.h"
#include "projdefs/remoteupdate.h"
#include "projdefs/updateconnection.h"
#include "support/core/curl_environment.h"
#include "support/core/http_server.h"
#include "support/core/log_recorder.h"
#include "support/core/temp_dir.h"

#include <gtest/gtest.h>

#include <sys/select.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const bool curlReady = RegisterCurlEnvironment();
using Answer = LoopbackHttpServer::Answer;
using Lines = std::vector<std::string>;

const char LOCAL_TEXT[] = "version: 1.0\r\nprojector: Old\r\nC, On, ab\r\n";
const char REMOTE_TEXT[] = "version: 2.1\r\n# shared file\r\nprojector: New\r\nC, On, <cr>\r\n";
const std::string NO_VERSION = "ContinueSourceUpdate: unable to read name or version from the remote url";

struct RemoteUpdate : testing::Test
{
    TempDir dir;
    LoopbackHttpServer server;
    std::string local = dir.File("user.txt");
    std::unique_ptr<ProjectorList> list;
    std::unique_ptr<LogRecorder> log;

    void SetUp() override
    {
        ASSERT_TRUE(curlReady);
        ASSERT_TRUE(server.Start());
        ASSERT_TRUE(WriteWholeFile(local, LOCAL_TEXT));
    }

    // A fresh list whose one source has this URL and local version 1.0.
    ProjectorSource& Use(const std::string& url, const std::string& file = "")
    {
        log.reset(); // the recorder puts back the log it replaced
        log = std::make_unique<LogRecorder>();
        list = std::make_unique<ProjectorList>();
        list->AddSource(file.empty() ? local : file, url);
        list->GetSource(0)->version = "1.0";
        return *list->GetSource(0);
    }

    // Drives a transfer as the updater dialog does, bounded so that one that never ends fails.
    FileResult Run(bool checkOnly)
    {
        FileResult result = StartSourceUpdate(*list, 0, checkOnly);
        for (int step = 0; result == UPDATE_RUNNING && step < 5000; ++step)
            result = ContinueSourceUpdate(*list, 10);
        EXPECT_EQ(list->m_conn, nullptr);
        EXPECT_FALSE(FileExists(local + ".tmp")) << "temporary file left behind";
        return result;
    }
};

TEST_F(RemoteUpdate, CheckReadsTheRemoteVersionOnly)
{
    const struct
    {
        Answer answer;
        FileResult result;
        std::string remoteVersion, error;
    } rows[] = {
        {{200, REMOTE_TEXT}, FILE_OK, "2.1", ""},
        {{200, "VERSION:\t 3.0.1\nprojector: A\n", "text/plain", "", std::string::npos, 3, 2}, FILE_OK, "3.0.1", ""},
        {{200, "version: 4"}, FILE_OK, "4", ""},
        {{200, "# a comment first\nversion: 2\n"}, FILE_FORMAT_ERROR, "", NO_VERSION},
        {{200, ""}, FILE_FORMAT_ERROR, "", NO_VERSION},
        {{200, "<html><body>Please log in</body></html>\n", "text/html"}, FILE_FORMAT_ERROR, "", NO_VERSION},
        {{200, "version:"}, FILE_FORMAT_ERROR, "", NO_VERSION},
        {{404, "version: 9\n"}, UPDATE_TRANSFER_ERROR, "", "ContinueSourceUpdate: http response 404 Not Found"},
        {{302, "moved", "text/plain", "/elsewhere"}, UPDATE_TRANSFER_ERROR, "", "ContinueSourceUpdate: http response 302 "},
        {{500, ""}, UPDATE_TRANSFER_ERROR, "", "ContinueSourceUpdate: http response 500 Internal server error"},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.answer.body);
        server.Serve("/p.txt", row.answer);
        ProjectorSource& source = Use(server.Url("/p.txt"));
        EXPECT_EQ(Run(true), row.result);
        EXPECT_TRUE(row.result == UPDATE_TRANSFER_ERROR || source.remoteVersion == row.remoteVersion);
        EXPECT_EQ(source.version, "1.0");
        EXPECT_EQ(log->AtLevel(Log::LEVEL_ERROR), row.error.empty() ? Lines{} : Lines{row.error});
        EXPECT_TRUE(log->AtLevel(Log::LEVEL_INFO).empty()); // "downloading ..." is for downloads only
        EXPECT_EQ(ReadWholeFile(local), LOCAL_TEXT);
    }
    Use("");
    EXPECT_EQ(StartSourceUpdate(*list, 0, true), UPDATE_NO_URL);
    EXPECT_EQ(log->AtLevel(Log::LEVEL_ERROR), Lines{"no URL existing for the file '" + local + "'"});
}

TEST_F(RemoteUpdate, DownloadReplacesTheFileOnlyWhenComplete)
{
    const std::string big = "version: 5\n" + std::string(20000, 'x');
    const struct
    {
        Answer answer;
        FileResult result;
        std::string error;
    } rows[] = {
        {{404, "version: 9\nnot what it seems\n"}, UPDATE_TRANSFER_ERROR, "ContinueSourceUpdate: http response 404 Not Found"},
        {{200, "<html><body>Service unavailable</body></html>", "text/html"}, FILE_FORMAT_ERROR, NO_VERSION},
        {{200, ""}, FILE_FORMAT_ERROR, NO_VERSION},
        {{200, "projector: A\nC, On, ab\n"}, FILE_FORMAT_ERROR, NO_VERSION},
        {{200, big, "text/plain", "", 5000}, UPDATE_TRANSFER_ERROR,
         "ContinueSourceUpdate: curl error 18, \"Transferred a partial file\""},
        {{302, "moved", "text/plain", "/p.txt"}, UPDATE_TRANSFER_ERROR, "ContinueSourceUpdate: http response 302 "},
        {{200, REMOTE_TEXT}, FILE_OK, ""},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.error);
        server.Serve("/q.txt", row.answer);
        ProjectorSource& source = Use(server.Url("/q.txt"));
        EXPECT_EQ(Run(false), row.result);
        EXPECT_EQ(log->AtLevel(Log::LEVEL_ERROR), row.error.empty() ? Lines{} : Lines{row.error});
        EXPECT_EQ(ReadWholeFile(local), row.result == FILE_OK ? REMOTE_TEXT : LOCAL_TEXT); // byte for byte
        EXPECT_EQ(source.version, row.result == FILE_OK ? "2.1" : "1.0");
    }
    EXPECT_EQ(server.RequestCount("/p.txt"), 0) << "a redirect is not followed";
    EXPECT_EQ(log->AtLevel(Log::LEVEL_INFO), Lines{"downloading " + server.Url("/q.txt") + " to '" + local + ".tmp'"});
    EXPECT_EQ(list->ReadSource(0), FILE_OK);
    EXPECT_NE(list->FindProjector("New"), nullptr);
    ASSERT_EQ(remove(local.c_str()), 0); // a missing local file is created
    EXPECT_EQ(Run(false), FILE_OK);
    EXPECT_EQ(ReadWholeFile(local), REMOTE_TEXT);
}

TEST_F(RemoteUpdate, FailuresOnTheLocalSideKeepTheOldFile)
{
    // A disk that is full (the temporary file is /dev/full): small bodies fail
    // when the file is flushed, large ones while libcurl hands them over.
    const std::string large = "version: 2\n" + std::string(100000, 'w');
    const struct
    {
        std::string body;
        FileResult result;
        std::string error;
    } rows[] = {
        {REMOTE_TEXT, FILE_OPEN_ERROR, "ContinueSourceUpdate: unable to write file '" + local + ".tmp': No space left on device"},
        {large, UPDATE_TRANSFER_ERROR, "ContinueSourceUpdate: curl error 23, \"Failed writing received data to disk/application\""},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.error);
        ASSERT_EQ(symlink("/dev/full", (local + ".tmp").c_str()), 0);
        server.ServeBody("/p.txt", row.body);
        ProjectorSource& source = Use(server.Url("/p.txt"));
        EXPECT_EQ(Run(false), row.result);
        EXPECT_EQ(log->AtLevel(Log::LEVEL_ERROR), Lines{row.error});
        EXPECT_EQ(ReadWholeFile(local), LOCAL_TEXT);
        EXPECT_EQ(source.version, "1.0");
    }
    // No folder for the temporary file: nothing is asked for.
    const std::string lost = dir.File("no/such/folder/user.txt");
    Use(server.Url("/p.txt"), lost);
    EXPECT_EQ(StartSourceUpdate(*list, 0, false), FILE_OPEN_ERROR);
    EXPECT_EQ(log->AtLevel(Log::LEVEL_ERROR), Lines{"unable to open file '" + lost + ".tmp' for writing"});
    EXPECT_EQ(server.RequestCount("/p.txt"), 2);
    // A folder in the local file's place cannot be replaced by a file.
    const std::string taken = dir.File("taken");
    ASSERT_EQ(mkdir(taken.c_str(), 0700), 0);
    ProjectorSource& source = Use(server.Url("/p.txt"), taken);
    EXPECT_EQ(Run(false), UPDATE_MOVE_ERROR);
    EXPECT_EQ(source.version, "1.0");
    EXPECT_FALSE(FileExists(taken + ".tmp"));
    ASSERT_EQ(log->AtLevel(Log::LEVEL_ERROR).size(), 1u);
    EXPECT_EQ(log->AtLevel(Log::LEVEL_ERROR)[0].rfind("ContinueSourceUpdate: unable to move '" + taken + ".tmp' to '" + taken + "'", 0), 0u);
}

TEST_F(RemoteUpdate, ARunningTransferRefusesASecondAndCanBeCancelled)
{
    server.Serve("/slow", {200, "version: 7\n" + std::string(100000, 'z'), "text/plain", "", std::string::npos, 1000, 20});
    ProjectorSource& source = Use(server.Url("/slow"));
    FileResult result = StartSourceUpdate(*list, 0, false);
    for (int step = 0; result == UPDATE_RUNNING && !list->m_conn->firstDataSeen && step < 1000; ++step)
        result = ContinueSourceUpdate(*list, 10);
    ASSERT_EQ(result, UPDATE_RUNNING);
    EXPECT_TRUE(FileExists(local + ".tmp"));
    EXPECT_EQ(StartSourceUpdate(*list, 0, true), UPDATE_BUSY);
    EXPECT_EQ(log->AtLevel(Log::LEVEL_ERROR), Lines{"internal error projdefs 692"});
    EXPECT_EQ(CancelSourceUpdate(*list), FILE_OK);
    EXPECT_EQ(list->m_conn, nullptr);
    EXPECT_FALSE(FileExists(local + ".tmp"));
    EXPECT_EQ(ReadWholeFile(local), LOCAL_TEXT);
    EXPECT_EQ(source.version, "1.0");
}

// libcurl has no socket to offer while it holds back a rate-limited transfer:
// that state counts as running and the transfer goes on to its end.
TEST_F(RemoteUpdate, StateWithoutSocketIsStillRunning)
{
    const std::string body = "version: 8\n" + std::string(200000, 'r');
    server.Serve("/p.txt", {200, body, "text/plain", "", std::string::npos, 16384, 2});
    ProjectorSource& source = Use(server.Url("/p.txt"));
    FileResult result = StartSourceUpdate(*list, 0, false);
    ASSERT_EQ(result, UPDATE_RUNNING);
    ASSERT_EQ(curl_easy_setopt(list->m_conn->easy, CURLOPT_MAX_RECV_SPEED_LARGE, (curl_off_t)400000), CURLE_OK);
    bool sawNoSocket = false;
    for (int step = 0; result == UPDATE_RUNNING && step < 3000; ++step)
    {
        fd_set r, w, e;
        FD_ZERO(&r);
        FD_ZERO(&w);
        FD_ZERO(&e);
        int maxfd = 0;
        ASSERT_EQ(curl_multi_fdset(list->m_conn->multi, &r, &w, &e, &maxfd), CURLM_OK);
        sawNoSocket = sawNoSocket || maxfd < 0;
        result = ContinueSourceUpdate(*list, 10);
    }
    EXPECT_TRUE(sawNoSocket);
    EXPECT_EQ(result, FILE_OK);
    EXPECT_EQ(ReadWholeFile(local), body);
    EXPECT_EQ(source.version, "8");
}

TEST_F(RemoteUpdate, FileUrls)
{
    const std::string remote = dir.File("master.txt");
    ASSERT_TRUE(WriteWholeFile(remote, REMOTE_TEXT));
    ProjectorSource& source = Use("file://" + remote);
    EXPECT_EQ(Run(true), FILE_OK);
    EXPECT_EQ(source.remoteVersion, "2.1");
    EXPECT_EQ(Run(false), FILE_OK);
    EXPECT_EQ(ReadWholeFile(local), REMOTE_TEXT);
    Use("file://" + dir.File("absent.txt"));
    EXPECT_EQ(Run(true), UPDATE_TRANSFER_ERROR);
    EXPECT_EQ(log->AtLevel(Log::LEVEL_ERROR), Lines{"ContinueSourceUpdate: curl error 37, \"Couldn't read a file:// file\""});
    server.Stop();
    Use(server.Url("/p.txt"));
    EXPECT_EQ(Run(true), UPDATE_TRANSFER_ERROR);
    EXPECT_EQ(log->AtLevel(Log::LEVEL_ERROR), Lines{"ContinueSourceUpdate: curl error 7, \"Couldn't connect to server\""});
}

TEST(CompareVersions, NumbersOfAnyLengthThenTheRestAsText)
{
    const struct
    {
        const char *a, *b;
        int expected;
    } rows[] = {
        {"2", "1.9.9", 1},    {"1.2", "1.2.1", -1},  {"1.2.1", "1.2.1", 0}, {"1.10", "1.9", 1},   {"1.2.0", "1.2", 1},
        {"", "", 0},          {"", "0", -1},         {"1.01", "1.1", 0},    {"1..2", "1.0.2", 0}, {"000010", "9", 1},
        {"99999999999999999999999", "99999999999999999999998", 1},          {"1.2b", "1.2a", 1},
        {"1.2-beta", "1.2-alpha", 1}, {"2.0 rc", "2.0 rc", 0}, {"1.2a", "1.3", -1}, {"1.2a", "1.2", 1}, {"x", "0.0.0", 1},
    };
    for (const auto& row : rows)
    {
        EXPECT_EQ(CompareVersions(row.a, row.b), row.expected) << row.a << " vs " << row.b;
        EXPECT_EQ(CompareVersions(row.b, row.a), -row.expected) << row.b << " vs " << row.a;
    }
    EXPECT_STREQ(HttpReasonText(407), "Proxy authentication required");
    EXPECT_STREQ(HttpReasonText(505), "HTTP version not supported");
    EXPECT_STREQ(HttpReasonText(200), "");
}

} // namespace
