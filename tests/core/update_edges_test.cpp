// Edges of the remote update: a start that fails half-way, the order in
// which an ended transfer is judged, and servers that send too much.

#include "projdefs/projectorlist.h"
#include "projdefs/remoteupdate.h"
#include "projdefs/updateconnection.h"
#include "support/core/curl_environment.h"
#include "support/core/http_server.h"
#include "support/core/log_recorder.h"
#include "support/core/temp_dir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const bool curlReady = RegisterCurlEnvironment();

const char LOCAL_TEXT[] = "version: 1.0\r\nprojector: Old\r\nC, On, ab\r\n";
const std::string TOO_LARGE = "ContinueSourceUpdate: the remote file is larger than 64 MiB";
const std::string NO_VERSION = "ContinueSourceUpdate: unable to read name or version from the remote url";

FileResult RunToEnd(ProjectorList& list, FileResult result)
{
    for (int step = 0; result == UPDATE_RUNNING && step < 6000; ++step)
        result = ContinueSourceUpdate(list, 10);
    return result;
}

// Makes libcurl's curl_multi_add_handle fail while it lives.
class FailingMultiAdd
{
public:
    FailingMultiAdd() : m_previous(theMultiAddHandle) { theMultiAddHandle = &Fail; }
    ~FailingMultiAdd() { theMultiAddHandle = m_previous; }
    FailingMultiAdd(const FailingMultiAdd&) = delete;
    FailingMultiAdd& operator=(const FailingMultiAdd&) = delete;

private:
    static CURLMcode Fail(CURLM*, CURL*) { return CURLM_OUT_OF_MEMORY; }
    CURLMcode (*m_previous)(CURLM*, CURL*);
};

class UpdateEdgesTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(curlReady);
        ASSERT_TRUE(m_server.Start());
        m_local = m_dir.File("user.txt");
        ASSERT_TRUE(WriteWholeFile(m_local, LOCAL_TEXT));
    }

    // Runs one check or download of path into a fresh list (logging to the
    // caller's log) and verifies what every failure must leave: the local
    // file whole, no temporary file, no transfer, the version unchanged.
    FileResult Run(const std::string& path, bool checkOnly, std::string* remoteVersion = nullptr)
    {
        ProjectorList list;
        list.AddSource(m_local, m_server.Url(path));
        list.GetSource(0)->version = "1.0";
        const FileResult result = RunToEnd(list, StartSourceUpdate(list, 0, checkOnly));
        EXPECT_EQ(list.m_conn, nullptr) << path;
        EXPECT_FALSE(FileExists(m_local + ".tmp")) << path << ": temporary file left behind";
        if (result != FILE_OK || checkOnly)
        {
            EXPECT_EQ(ReadWholeFile(m_local), LOCAL_TEXT) << path;
            EXPECT_EQ(list.GetSource(0)->version, "1.0") << path;
        }
        if (remoteVersion != nullptr)
            *remoteVersion = list.GetSource(0)->remoteVersion;
        return result;
    }

    TempDir m_dir;
    LoopbackHttpServer m_server;
    std::string m_local;
};

TEST_F(UpdateEdgesTest, StartThatCannotHandTheTransferToLibcurlCleansUp)
{
    m_server.ServeBody("/p.txt", "version: 2\r\n");
    for (bool checkOnly : {true, false})
    {
        SCOPED_TRACE(checkOnly ? "check" : "download");
        FailingMultiAdd failing;
        LogRecorder log;
        EXPECT_EQ(Run("/p.txt", checkOnly), UPDATE_INIT_ERROR);
        EXPECT_EQ(log.AtLevel(Log::LEVEL_ERROR),
                  std::vector<std::string>{"StartSourceUpdate: unable to initialize network library"});
    }
    EXPECT_EQ(m_server.RequestCount("/p.txt"), 0);

    // The next transfer runs normally.
    LogRecorder log;
    std::string version;
    EXPECT_EQ(Run("/p.txt", true, &version), FILE_OK) << log.Text();
    EXPECT_EQ(version, "2");
}

// A check whose data arrived with status 200 is judged by its version line
// before libcurl's completion; a download keeps libcurl's error.
TEST_F(UpdateEdgesTest, EndedTransferIsJudgedByItsVersionLineFirst)
{
    const std::string body = "version: 7\r\nprojector: A\r\n" + std::string(20000, 'x');
    m_server.ServeCutOff("/cut-in-tag", body, 3);
    m_server.ServeCutOff("/cut-later", body, 5000);
    m_server.ServeCutOff("/page-cut", "<html>" + std::string(20000, ' '), 3000);
    m_server.ServeStatus("/missing", 404, "nothing here\n");
    struct Row
    {
        const char* path;
        bool checkOnly;
        FileResult result;
        std::string error;
        const char* remoteVersion;
    } rows[] = {
        {"/cut-in-tag", true, FILE_FORMAT_ERROR, NO_VERSION, ""},
        {"/page-cut", true, FILE_FORMAT_ERROR, NO_VERSION, ""},
        {"/cut-in-tag", false, UPDATE_TRANSFER_ERROR, "ContinueSourceUpdate: curl error 18, \"Transferred a partial file\"", ""},
        {"/cut-later", false, UPDATE_TRANSFER_ERROR, "ContinueSourceUpdate: curl error 18, \"Transferred a partial file\"", "7"},
        // a check needs only the version line: what is cut later does not matter
        {"/cut-later", true, FILE_OK, "", "7"},
        {"/missing", true, UPDATE_TRANSFER_ERROR, "ContinueSourceUpdate: http response 404 Not Found", ""},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(std::string(row.path) + (row.checkOnly ? " check" : " download"));
        LogRecorder log;
        std::string version;
        EXPECT_EQ(Run(row.path, row.checkOnly, &version), row.result) << log.Text();
        const std::vector<std::string> expected =
            row.error.empty() ? std::vector<std::string>{} : std::vector<std::string>{row.error};
        EXPECT_EQ(log.AtLevel(Log::LEVEL_ERROR), expected);
        EXPECT_EQ(version, row.remoteVersion);
    }
}

TEST_F(UpdateEdgesTest, ServerThatNeverStopsSending)
{
    m_server.ServeEndless("/endless", "version: 3\r\nprojector: A\r\n");
    m_server.ServeEndless("/endless-page", "<html><body>");
    m_server.ServeEndless("/announced", "version: 3\r\n", 100ull * 1024 * 1024);
    struct Row
    {
        const char* path;
        bool checkOnly;
        FileResult result;
        std::string error;
        const char* remoteVersion;
    } rows[] = {
        {"/endless", false, UPDATE_TRANSFER_ERROR, TOO_LARGE, "3"},
        {"/announced", false, UPDATE_TRANSFER_ERROR, TOO_LARGE, ""},
        // a check stops once the version line has been judged
        {"/endless", true, FILE_OK, "", "3"},
        {"/endless-page", true, FILE_FORMAT_ERROR, NO_VERSION, ""},
        {"/announced", true, FILE_OK, "", "3"},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(std::string(row.path) + (row.checkOnly ? " check" : " download"));
        LogRecorder log;
        std::string version;
        const unsigned long long sentBefore = m_server.BytesSent(row.path);
        EXPECT_EQ(Run(row.path, row.checkOnly, &version), row.result) << log.Text();
        const std::vector<std::string> expected =
            row.error.empty() ? std::vector<std::string>{} : std::vector<std::string>{row.error};
        EXPECT_EQ(log.AtLevel(Log::LEVEL_ERROR), expected);
        EXPECT_EQ(version, row.remoteVersion);
        if (row.checkOnly)
        {
            // What the server got out before the connection closed, socket
            // buffers included: far below what a download may take.
            EXPECT_LT(m_server.BytesSent(row.path) - sentBefore, UpdateConnection::MAX_DOWNLOAD_BYTES / 4);
        }
    }
}

// Just below the limit a download still succeeds and is taken whole.
TEST_F(UpdateEdgesTest, DownloadUpToTheLimitIsTakenWhole)
{
    std::string body = "version: 4\r\n";
    body.resize(UpdateConnection::MAX_DOWNLOAD_BYTES, '#');
    m_server.ServeBody("/full", body);
    LogRecorder log;
    std::string version;
    ASSERT_EQ(Run("/full", false, &version), FILE_OK) << log.Text();
    EXPECT_EQ(version, "4");
    EXPECT_TRUE(ReadWholeFile(m_local) == body);
}

} // namespace
