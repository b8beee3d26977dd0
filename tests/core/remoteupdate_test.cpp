// Checks and downloads of a projector file against a real libcurl, a loopback
// HTTP server and file:// URLs to temporary files.

#include "projdefs/projectorlist.h"
#include "projdefs/remoteupdate.h"
#include "projdefs/updateconnection.h"
#include "projdefs/versionline.h"
#include "settings/settings.h"
#include "support/core/curl_environment.h"
#include "support/core/http_server.h"
#include "support/core/log_recorder.h"
#include "support/core/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <signal.h>
#include <sys/resource.h>
#include <sys/select.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

const bool curlReady = RegisterCurlEnvironment();
using Answer = LoopbackHttpServer::Answer;
using Lines = std::vector<std::string>;

const char LOCAL_TEXT[] = "version: 1.0\r\nprojector: Old\r\nC, On, ab\r\n";
const char REMOTE_TEXT[] = "version: 2.1\r\n# shared file\r\nprojector: New\r\nC, On, <cr>\r\n";
const std::string NO_VERSION = "ContinueSourceUpdate: unable to read name or version from the remote url";
const std::string CUT = "ContinueSourceUpdate: curl error 18, \"Transferred a partial file\"";
const std::string TOO_LARGE = "ContinueSourceUpdate: the remote file is larger than 64 MiB";
const std::string STATUS = "ContinueSourceUpdate: http response ";

// The temporary files of downloads (NAME.new-XXXXXX) in a folder.
Lines Temporaries(const std::string& folder)
{
    Lines names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().filename().string().find(".new-") != std::string::npos)
            names.push_back(entry.path().string());
    return names;
}

// Makes libcurl's curl_multi_add_handle fail while it lives.
struct FailingMultiAdd
{
    CURLMcode (*previous)(CURLM*, CURL*) = theMultiAddHandle;
    FailingMultiAdd() { theMultiAddHandle = [](CURLM*, CURL*) { return CURLM_OUT_OF_MEMORY; }; }
    ~FailingMultiAdd() { theMultiAddHandle = previous; }
};

struct Outcome
{
    FileResult result;
    Lines errors, infos;
    std::string remoteVersion;
};

struct RemoteUpdate : testing::Test
{
    TempDir dir;
    LoopbackHttpServer server;
    std::string local = dir.File("user.txt");

    void SetUp() override
    {
        ASSERT_TRUE(curlReady);
        ASSERT_TRUE(server.Start());
    }

    // One check or download of url into file (local version 1.0), driven as
    // the updater dialog does and bounded, and what every end must leave: no
    // transfer, no temporary file, the file and version as they were unless
    // a download succeeded.
    Outcome Run(const std::string& url, bool checkOnly, const std::string& file)
    {
        LogRecorder log;
        ProjectorList list;
        list.AddSource(file, url);
        list.GetSource(0)->version = "1.0";
        const std::string before = ReadWholeFile(file);
        FileResult result = StartSourceUpdate(list, 0, checkOnly);
        for (int step = 0; result == UPDATE_RUNNING && step < 6000; ++step)
            result = ContinueSourceUpdate(list, 10);
        EXPECT_EQ(list.m_conn, nullptr);
        EXPECT_EQ(Temporaries(dir.Path()), Lines{}) << "temporary file left behind";
        const ProjectorSource& source = *list.GetSource(0);
        const bool replaced = !checkOnly && result == FILE_OK;
        EXPECT_EQ(source.version, replaced ? source.remoteVersion : "1.0");
        EXPECT_TRUE(replaced || ReadWholeFile(file) == before) << "the old file was changed";
        return {result, log.AtLevel(Log::LEVEL_ERROR), log.AtLevel(Log::LEVEL_INFO), source.remoteVersion};
    }
    Outcome Run(const std::string& url, bool checkOnly)
    {
        EXPECT_TRUE(WriteWholeFile(local, LOCAL_TEXT));
        return Run(url, checkOnly, local);
    }
};

// A check reads only the version line at the head of the remote file and
// stops once it is judged; a download replaces the local file only with a
// complete file that starts with a version line, and takes at most 64 MiB.
TEST_F(RemoteUpdate, DownloadReplacesTheFileOnlyWhenComplete)
{
    const bool CHECK = true, DOWNLOAD = false;
    const std::string cut = "version: 7\r\nprojector: A\r\n" + std::string(20000, 'x');
    const struct
    {
        const char* what;
        Answer answer;
        bool checkOnly;
        FileResult result;
        std::string error, remoteVersion;
    } rows[] = {
        {"version line", {200, REMOTE_TEXT}, CHECK, FILE_OK, "", "2.1"},
        {"complete file", {200, REMOTE_TEXT}, DOWNLOAD, FILE_OK, "", "2.1"},
        {"head in pieces of 3 bytes", Answer::Slow("VERSION:\t 3.0.1\nprojector: A\n", 3, 2),
         CHECK, FILE_OK, "", "3.0.1"},
        {"version line without line end", {200, "version: 4"}, CHECK, FILE_OK, "", "4"},
        {"comment first", {200, "# a comment first\nversion: 2\n"}, CHECK, FILE_FORMAT_ERROR, NO_VERSION, ""},
        {"tag without version", {200, "version:"}, CHECK, FILE_FORMAT_ERROR, NO_VERSION, ""},
        {"empty body", {200, ""}, DOWNLOAD, FILE_FORMAT_ERROR, NO_VERSION, ""},
        {"error page served as success", {200, "<html><body>Service unavailable</body></html>", "text/html"}, DOWNLOAD,
         FILE_FORMAT_ERROR, NO_VERSION, ""},
        {"not found", {404, "version: 9\n"}, CHECK, UPDATE_TRANSFER_ERROR, STATUS + "404 Not Found", "9"},
        {"not found, versioned body", {404, "version: 9\n"}, DOWNLOAD, UPDATE_TRANSFER_ERROR, STATUS + "404 Not Found", "9"},
        {"redirect", {302, "moved", "text/plain", "/elsewhere"}, DOWNLOAD, UPDATE_TRANSFER_ERROR, STATUS + "302 ", ""},
        {"server error", {500, ""}, CHECK, UPDATE_TRANSFER_ERROR, STATUS + "500 Internal server error", ""},
        // An ended check whose data came with status 200 is judged by its
        // version line before libcurl's completion; a download keeps libcurl's error.
        {"cut in the tag", Answer::CutOff(cut, 3), CHECK, FILE_FORMAT_ERROR, NO_VERSION, ""},
        {"page cut off", Answer::CutOff("<html>" + std::string(20000, ' '), 3000), CHECK, FILE_FORMAT_ERROR, NO_VERSION, ""},
        {"cut in the tag", Answer::CutOff(cut, 3), DOWNLOAD, UPDATE_TRANSFER_ERROR, CUT, ""},
        {"cut after the version line", Answer::CutOff(cut, 5000), DOWNLOAD, UPDATE_TRANSFER_ERROR, CUT, "7"},
        {"cut after the version line", Answer::CutOff(cut, 5000), CHECK, FILE_OK, "", "7"},
        // Servers that never stop sending.
        {"endless", Answer::Endless("version: 3\r\nprojector: A\r\n"), DOWNLOAD, UPDATE_TRANSFER_ERROR, TOO_LARGE, "3"},
        {"announced as 100 MiB", Answer::Endless("version: 3\r\n", 100ull << 20), DOWNLOAD, UPDATE_TRANSFER_ERROR, TOO_LARGE, ""},
        {"endless", Answer::Endless("version: 3\r\nprojector: A\r\n"), CHECK, FILE_OK, "", "3"},
        {"endless page", Answer::Endless("<html><body>"), CHECK, FILE_FORMAT_ERROR, NO_VERSION, ""},
        {"announced as 100 MiB", Answer::Endless("version: 3\r\n", 100ull << 20), CHECK, FILE_OK, "", "3"},
    };
    const std::string url = server.Url("/p.txt");
    for (const auto& row : rows)
    {
        SCOPED_TRACE(std::string(row.what) + (row.checkOnly ? " (check)" : " (download)"));
        server.Serve("/p.txt", row.answer);
        const unsigned long long sentBefore = server.BytesSent("/p.txt");
        const Outcome outcome = Run(url, row.checkOnly);
        EXPECT_EQ(outcome.result, row.result);
        EXPECT_EQ(outcome.errors, row.error.empty() ? Lines{} : Lines{row.error});
        EXPECT_EQ(outcome.remoteVersion, row.remoteVersion);
        ASSERT_EQ(outcome.infos.size(), row.checkOnly ? 0u : 1u);
        EXPECT_TRUE(row.checkOnly || outcome.infos[0].rfind("downloading " + url + " to '" + local + ".new-", 0) == 0)
            << outcome.infos[0];
        EXPECT_TRUE(row.checkOnly || row.result != FILE_OK || ReadWholeFile(local) == row.answer.body) << "byte for byte";
        // What the server got out before the connection closed, socket
        // buffers included: far below what a download may take.
        EXPECT_TRUE(!row.checkOnly || server.BytesSent("/p.txt") - sentBefore < UpdateConnection::MAX_DOWNLOAD_BYTES / 4);
    }
    EXPECT_EQ(server.RequestCount("/elsewhere"), 0) << "a redirect is not followed";
}

// Failures on the local side keep the old file: a full disk (the file size
// limit makes write() fail while libcurl hands the data over), no folder for
// the temporary file, a folder in the file's place, a start that cannot hand
// the transfer to libcurl. Then file:// URLs, among them the default reference URL of a
// program started from a folder whose name needs percent-encoding (with a
// decoy where an unencoded URL would lead), and sources out of reach.
TEST_F(RemoteUpdate, FailuresOnTheLocalSideKeepTheOldFile)
{
    enum Trouble { NONE, FULL_DISK, FAILING_ADD };
    const std::string odd = dir.File("a b#c%20?d"), master = std::string(KESTO_SOURCE_DIR) + "/data/AulavoxMaster.txt";
    const std::string lost = dir.File("no/such/folder/user.txt"), taken = dir.File("taken"), fresh = dir.File("new.txt");
    for (const std::string& folder : {odd, odd + "/data", dir.File("a b"), taken})
        ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    ASSERT_TRUE(WriteWholeFile(odd + "/data/AulavoxMaster.txt", ReadWholeFile(master)));
    const std::string reference = DefaultReferenceUrl(wxString::FromUTF8(odd + "/")).utf8_string();
    server.Serve("/small", {200, REMOTE_TEXT});
    server.Serve("/large", {200, "version: 2\n" + std::string(100000, 'w')});
    LoopbackHttpServer gone;
    ASSERT_TRUE(gone.Start());
    gone.Stop();
    const std::string small = server.Url("/small"), large = server.Url("/large");
    const struct
    {
        std::string url, file;
        bool checkOnly;
        Trouble trouble;
        FileResult result;
        std::string error; // the start of the one error
    } rows[] = {
        {large, local, false, FULL_DISK, UPDATE_TRANSFER_ERROR,
         "ContinueSourceUpdate: curl error 23, \"Failed writing received data to disk/application\""},
        {small, lost, false, NONE, FILE_OPEN_ERROR, "unable to open file '" + lost + "' for writing: No such file"},
        {small, taken, false, NONE, FILE_OPEN_ERROR,
         "unable to open file '" + taken + "' for writing: it is a folder, not a regular file"},
        {large, local, true, FAILING_ADD, UPDATE_INIT_ERROR, "StartSourceUpdate: unable to initialize network library"},
        {large, local, false, FAILING_ADD, UPDATE_INIT_ERROR, "StartSourceUpdate: unable to initialize network library"},
        {reference, fresh, true, NONE, FILE_OK, ""},
        {reference, fresh, false, NONE, FILE_OK, ""}, // a missing local file is made
        {"file://" + dir.File("absent.txt"), local, true, NONE, UPDATE_TRANSFER_ERROR,
         "ContinueSourceUpdate: curl error 37, \"Couldn't read a file:// file\""},
        {gone.Url("/p.txt"), local, true, NONE, UPDATE_TRANSFER_ERROR, "ContinueSourceUpdate: curl error 7, \"Couldn't connect to server\""},
        {"", local, true, NONE, UPDATE_NO_URL, "no URL existing for the file '" + local + "'"},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.url + " -> " + row.file);
        ASSERT_TRUE(WriteWholeFile(local, LOCAL_TEXT));
        struct rlimit unlimited, small;
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &unlimited), 0);
        small = unlimited;
        small.rlim_cur = row.trouble == FULL_DISK ? 1000 : unlimited.rlim_cur;
        void (*oldHandler)(int) = signal(SIGXFSZ, SIG_IGN);
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
        std::unique_ptr<FailingMultiAdd> failing(row.trouble == FAILING_ADD ? new FailingMultiAdd : nullptr);
        const Outcome outcome = Run(row.url, row.checkOnly, row.file);
        setrlimit(RLIMIT_FSIZE, &unlimited);
        signal(SIGXFSZ, oldHandler);
        EXPECT_EQ(outcome.result, row.result);
        EXPECT_TRUE(row.result != FILE_OK || outcome.remoteVersion == "1.0");
        ASSERT_EQ(outcome.errors.size(), row.error.empty() ? 0u : 1u);
        EXPECT_TRUE(row.error.empty() || outcome.errors[0].rfind(row.error, 0) == 0) << outcome.errors[0];
    }
    EXPECT_EQ(ReadWholeFile(fresh), ReadWholeFile(master));
    EXPECT_EQ(server.RequestCount("/small"), 0) << "without a temporary file nothing is asked for";
    EXPECT_EQ(server.RequestCount("/large"), 1) << "nor when libcurl cannot take the transfer";
}

// A running transfer refuses a second one; cancelled it takes its temporary
// file along, stopped with its source or its list it closes the file.
TEST_F(RemoteUpdate, ARunningTransferRefusesASecondAndEndsWithCancelOrItsList)
{
    server.Serve("/slow", Answer::Slow("version: 7\n" + std::string(100000, 'z'), 1000, 20));
    ASSERT_TRUE(WriteWholeFile(local, LOCAL_TEXT));
    LogRecorder log;
    for (const std::string end : {"cancel", "clear", "destroy"})
    {
        SCOPED_TRACE(end);
        log.Clear();
        {
            ProjectorList list;
            list.AddSource(local, server.Url("/slow"));
            FileResult result = StartSourceUpdate(list, 0, false);
            for (int step = 0; result == UPDATE_RUNNING && list.m_conn->received < 3000 && step < 1000; ++step)
                result = ContinueSourceUpdate(list, 10);
            ASSERT_EQ(result, UPDATE_RUNNING);
            EXPECT_EQ(StartSourceUpdate(list, 0, true), UPDATE_BUSY);
            if (end == "cancel")
            {
                EXPECT_EQ(CancelSourceUpdate(list), FILE_OK);
            }
            else if (end == "clear")
                list.Clear();
            EXPECT_EQ(list.m_conn == nullptr, end != "destroy");
        }
        const Lines left = Temporaries(dir.Path());
        EXPECT_EQ(left.size(), end == "cancel" ? 0u : 1u);
        EXPECT_EQ(ReadWholeFile(local), LOCAL_TEXT);
        EXPECT_EQ(log.AtLevel(Log::LEVEL_ERROR), Lines{"internal error projdefs 692"});
        EXPECT_EQ(log.AtLevel(Log::LEVEL_WARNING),
                  end == "clear" ? Lines{"update of file '" + local + "' stopped: its source was removed"} : Lines{});
        for (const std::string& name : left)
            remove(name.c_str());
    }
}

// A download replaces the file its link names, keeping the link (fault: the
// link replaced, the shared file stale); a read-only file or a device behind
// the link is refused before anything is fetched; the fixed temporary names
// planted as links lead nowhere (fault: their target written and chmodded).
TEST_F(RemoteUpdate, DownloadWritesThroughLinksIntoRegularFilesOnly)
{
    const std::string shared = dir.File("shared.txt"), victim = dir.File("victim.txt"), node = dir.File("node");
    const std::string remote = dir.File("remote.txt"), url = "file://" + remote;
    ASSERT_TRUE(WriteWholeFile(remote, REMOTE_TEXT));
    ASSERT_TRUE(WriteWholeFile(victim, "keep\n"));
    ASSERT_EQ(chmod(victim.c_str(), 0600), 0);
    ASSERT_EQ(mknod(node.c_str(), S_IFCHR | 0600, makedev(1, 3)), 0); // the test's own device
    for (const std::string& planted : {local + ".tmp", shared + ".tmp"})
        ASSERT_EQ(symlink(victim.c_str(), planted.c_str()), 0);
    const struct
    {
        std::string linkTo;
        mode_t mode;
        FileResult result;
        const char* error;
    } rows[] = {
        {shared, 0640, FILE_OK, ""},
        {shared, 0444, FILE_OPEN_ERROR, "the file is read-only"},
        {node, 0600, FILE_OPEN_ERROR, "it is a device, not a regular file"},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.error);
        ASSERT_TRUE(WriteWholeFile(shared, LOCAL_TEXT));
        ASSERT_EQ(chmod(row.linkTo.c_str(), row.mode), 0);
        unlink(local.c_str());
        ASSERT_EQ(symlink(row.linkTo.c_str(), local.c_str()), 0);
        const Outcome outcome = Run(url, false, local);
        EXPECT_EQ(outcome.result, row.result);
        EXPECT_EQ(outcome.errors,
                  *row.error ? Lines{"unable to open file '" + local + "' for writing: " + row.error} : Lines{});
        EXPECT_TRUE(std::filesystem::is_symlink(local));
        struct stat info;
        ASSERT_EQ(stat(row.linkTo.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, row.mode);
        EXPECT_EQ(ReadWholeFile(shared), row.result == FILE_OK ? REMOTE_TEXT : LOCAL_TEXT);
    }
    struct stat info;
    ASSERT_EQ(stat(victim.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
    EXPECT_EQ(ReadWholeFile(victim), "keep\n");
}

// libcurl has no socket to offer while it holds back a rate-limited transfer:
// that state counts as running and the transfer goes on to its end.
TEST_F(RemoteUpdate, StateWithoutSocketIsStillRunning)
{
    const std::string body = "version: 8\n" + std::string(200000, 'r');
    server.Serve("/p.txt", Answer::Slow(body, 16384, 2));
    ProjectorList list;
    list.AddSource(local, server.Url("/p.txt"));
    FileResult result = StartSourceUpdate(list, 0, false);
    ASSERT_EQ(result, UPDATE_RUNNING);
    ASSERT_EQ(curl_easy_setopt(list.m_conn->easy, CURLOPT_MAX_RECV_SPEED_LARGE, (curl_off_t)400000), CURLE_OK);
    bool sawNoSocket = false;
    for (int step = 0; result == UPDATE_RUNNING && step < 3000; ++step)
    {
        fd_set r, w, e;
        FD_ZERO(&r);
        FD_ZERO(&w);
        FD_ZERO(&e);
        int maxfd = 0;
        ASSERT_EQ(curl_multi_fdset(list.m_conn->multi, &r, &w, &e, &maxfd), CURLM_OK);
        sawNoSocket = sawNoSocket || maxfd < 0;
        result = ContinueSourceUpdate(list, 10);
    }
    EXPECT_TRUE(sawNoSocket);
    EXPECT_EQ(result, FILE_OK);
    EXPECT_EQ(ReadWholeFile(local), body);
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
