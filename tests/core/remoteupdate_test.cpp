// Checks and downloads of a projector file against a real libcurl, a loopback
// HTTP server and file:// URLs to temporary files.

#include "projdefs/projectorlist.h"
#include "projdefs/remoteupdate.h"
#include "projdefs/updateconnection.h" // theMultiAddHandle
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
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <tuple>
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

// Makes libcurl's curl_multi_add_handle fail while it lives.
struct FailingMultiAdd
{
    CURLMcode (*previous)(CURLM*, CURL*) = theMultiAddHandle;
    FailingMultiAdd() { theMultiAddHandle = [](CURLM*, CURL*) { return CURLM_OUT_OF_MEMORY; }; }
    ~FailingMultiAdd() { theMultiAddHandle = previous; }
};

// The permission bits of the file path leads to.
std::filesystem::perms ModeOf(const std::string& path)
{
    return std::filesystem::status(path).permissions();
}

struct RemoteUpdate : testing::Test
{
    TempDir dir;
    LoopbackHttpServer server;
    std::string local = dir.File("user.txt");
    Lines errors; // of the last Run
    std::string remoteVersion;

    void SetUp() override
    {
        ASSERT_TRUE(curlReady);
        ASSERT_TRUE(server.Start());
    }

    // One check or download of url into file (local version 1.0), driven as
    // the updater dialog does and bounded, and what every end must leave: no
    // transfer, no temporary file, the file and version as they were unless
    // a download succeeded.
    FileResult Run(const std::string& url, bool checkOnly, const std::string& file)
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
        for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
            EXPECT_EQ(entry.path().string().find(".new-"), std::string::npos) << "temporary file left behind";
        const ProjectorSource& source = *list.GetSource(0);
        const bool replaced = !checkOnly && result == FILE_OK;
        EXPECT_EQ(source.version, replaced ? source.remoteVersion : "1.0");
        EXPECT_TRUE(replaced || ReadWholeFile(file) == before) << "the old file was changed";
        errors = log.AtLevel(Log::LEVEL_ERROR);
        remoteVersion = source.remoteVersion;
        return result;
    }
};

// A check reads only the version line at the head of the remote file and
// stops once it is judged (else an endless answer ends at the 64 MiB cap);
// a download replaces the local file only with a complete file that starts
// with a version line, and takes at most 64 MiB.
TEST_F(RemoteUpdate, DownloadReplacesTheFileOnlyWhenComplete)
{
    const bool CHECK = true, DOWNLOAD = false;
    const std::string cut = "version: 7\r\nprojector: A\r\n" + std::string(20000, 'x');
    const struct
    {
        Answer answer;
        bool checkOnly;
        FileResult result;
        std::string error, remoteVersion;
    } rows[] = {
        {{200, REMOTE_TEXT}, DOWNLOAD, FILE_OK, "", "2.1"},
        {Answer::Slow("VERSION:\t 3.0.1\nprojector: A\n", 3, 2), CHECK, FILE_OK, "", "3.0.1"},
        {{200, "<html><body>Service unavailable</body></html>", "text/html"}, DOWNLOAD, FILE_FORMAT_ERROR, NO_VERSION, ""},
        {{404, "version: 9\n"}, DOWNLOAD, UPDATE_TRANSFER_ERROR, "ContinueSourceUpdate: http response 404 Not Found", "9"},
        {{302, "moved", "text/plain", "/p.txt"}, DOWNLOAD, UPDATE_TRANSFER_ERROR, // a redirect is not followed
         "ContinueSourceUpdate: http response 302 ", ""},
        // An ended check whose data came with status 200 is judged by its
        // version line before libcurl's completion; a download keeps libcurl's error.
        {Answer::CutOff(cut, 3), CHECK, FILE_FORMAT_ERROR, NO_VERSION, ""},
        {Answer::CutOff(cut, 5000), DOWNLOAD, UPDATE_TRANSFER_ERROR, CUT, "7"},
        {Answer::CutOff(cut, 5000), CHECK, FILE_OK, "", "7"},
        // Servers that never stop sending.
        {Answer::Endless("version: 3\r\nprojector: A\r\n"), DOWNLOAD, UPDATE_TRANSFER_ERROR, TOO_LARGE, "3"},
        {Answer::Endless("version: 3\r\n", 100ull << 20), DOWNLOAD, UPDATE_TRANSFER_ERROR, TOO_LARGE, ""}, // announced
        {Answer::Endless("version: 3\r\nprojector: A\r\n"), CHECK, FILE_OK, "", "3"},
        {Answer::Endless("<html><body>"), CHECK, FILE_FORMAT_ERROR, NO_VERSION, ""},
    };
    const std::string url = server.Url("/p.txt");
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.answer.body.substr(0, 30) + (row.checkOnly ? " (check)" : " (download)"));
        server.Serve("/p.txt", row.answer);
        ASSERT_TRUE(WriteWholeFile(local, LOCAL_TEXT));
        EXPECT_EQ(Run(url, row.checkOnly, local), row.result);
        EXPECT_EQ(errors, row.error.empty() ? Lines{} : Lines{row.error});
        EXPECT_EQ(remoteVersion, row.remoteVersion);
        EXPECT_TRUE(row.checkOnly || row.result != FILE_OK || ReadWholeFile(local) == row.answer.body) << "byte for byte";
    }
}

// Failures on the local side keep the old file: a full disk (the file size
// limit makes write() fail while libcurl hands the data over), a folder in
// the file's place, a start that cannot hand the transfer to libcurl. Then
// the default reference URL of a program started from a folder whose name
// needs percent-encoding (with a decoy where an unencoded URL would lead),
// into a file not there yet.
TEST_F(RemoteUpdate, FailuresOnTheLocalSideKeepTheOldFile)
{
    enum Trouble { NONE, FULL_DISK, FAILING_ADD };
    const std::string odd = dir.File("a b#c%20?d"), master = std::string(KESTO_SOURCE_DIR) + "/data/AulavoxMaster.txt";
    const std::string taken = dir.File("taken"), fresh = dir.File("new.txt");
    for (const std::string& folder : {odd, odd + "/data", dir.File("a b"), taken})
        ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    ASSERT_TRUE(WriteWholeFile(odd + "/data/AulavoxMaster.txt", ReadWholeFile(master)));
    server.Serve("/large", {200, "version: 2\n" + std::string(100000, 'w')});
    const std::string large = server.Url("/large");
    const struct
    {
        std::string url, file;
        Trouble trouble;
        FileResult result;
        std::string error; // the start of the one error
    } rows[] = {
        {large, local, FULL_DISK, UPDATE_TRANSFER_ERROR,
         "ContinueSourceUpdate: curl error 23, \"Failed writing received data to disk/application\""},
        {large, taken, NONE, FILE_OPEN_ERROR,
         "unable to open file '" + taken + "' for writing: it is a folder, not a regular file"},
        {large, local, FAILING_ADD, UPDATE_INIT_ERROR, "StartSourceUpdate: unable to initialize network library"},
        {DefaultReferenceUrl(wxString::FromUTF8(odd + "/")).utf8_string(), fresh, NONE, FILE_OK, ""},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.url + " -> " + row.file);
        ASSERT_TRUE(WriteWholeFile(local, LOCAL_TEXT));
        struct rlimit unlimited, limited;
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &unlimited), 0);
        limited = unlimited;
        limited.rlim_cur = row.trouble == FULL_DISK ? 1000 : unlimited.rlim_cur;
        void (*oldHandler)(int) = signal(SIGXFSZ, SIG_IGN);
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
        std::unique_ptr<FailingMultiAdd> failing(row.trouble == FAILING_ADD ? new FailingMultiAdd : nullptr);
        EXPECT_EQ(Run(row.url, false, row.file), row.result);
        setrlimit(RLIMIT_FSIZE, &unlimited);
        signal(SIGXFSZ, oldHandler);
        ASSERT_EQ(errors.size(), row.error.empty() ? 0u : 1u);
        EXPECT_TRUE(row.error.empty() || errors[0].rfind(row.error, 0) == 0) << errors[0];
    }
    EXPECT_EQ(ReadWholeFile(fresh), ReadWholeFile(master));
}

// A download replaces the file its link names, keeping the link (fault: the
// link replaced, the shared file stale); a read-only file or a device behind
// the link is refused before anything is fetched; the fixed temporary names
// planted as links lead nowhere (fault: their target written and chmodded).
TEST_F(RemoteUpdate, DownloadWritesThroughLinksIntoRegularFilesOnly)
{
    const std::string shared = dir.File("shared.txt"), victim = dir.File("victim.txt"), node = dir.File("node");
    const std::string remote = dir.File("remote.txt");
    ASSERT_TRUE(WriteWholeFile(remote, REMOTE_TEXT) && WriteWholeFile(victim, "keep\n"));
    ASSERT_EQ(chmod(victim.c_str(), 0600), 0);
    ASSERT_EQ(mknod(node.c_str(), S_IFCHR | 0600, makedev(1, 3)), 0); // the test's own device
    for (const std::string& planted : {local + ".tmp", shared + ".tmp"})
        ASSERT_EQ(symlink(victim.c_str(), planted.c_str()), 0);
    const std::tuple<std::string, mode_t, std::string> rows[] = {
        {shared, 0640, ""}, {shared, 0444, "the file is read-only"}, {node, 0600, "it is a device, not a regular file"}};
    for (const auto& [linkTo, mode, error] : rows)
    {
        SCOPED_TRACE(error);
        ASSERT_TRUE(WriteWholeFile(shared, LOCAL_TEXT));
        ASSERT_EQ(chmod(linkTo.c_str(), mode), 0);
        unlink(local.c_str());
        ASSERT_EQ(symlink(linkTo.c_str(), local.c_str()), 0);
        EXPECT_EQ(Run("file://" + remote, false, local), error.empty() ? FILE_OK : FILE_OPEN_ERROR);
        EXPECT_EQ(errors, error.empty() ? Lines{} : Lines{"unable to open file '" + local + "' for writing: " + error});
        EXPECT_TRUE(std::filesystem::is_symlink(local));
        EXPECT_EQ(ModeOf(linkTo), std::filesystem::perms(mode));
        EXPECT_EQ(ReadWholeFile(shared), error.empty() ? REMOTE_TEXT : LOCAL_TEXT);
    }
    EXPECT_EQ(ModeOf(victim), std::filesystem::perms(0600u));
    EXPECT_EQ(ReadWholeFile(victim), "keep\n");
}

// Fault: versions compared as text ("1.10" older than "1.9"), so that a newer
// file is not offered or an older one is.
TEST(CompareVersions, NumbersOfAnyLengthThenTheRestAsText)
{
    const std::tuple<const char*, const char*, int> rows[] = {{"1.10", "1.9", 1}, {"1.2.0", "1.2", 1}, {"1.01", "1.1", 0},
        {"99999999999999999999999", "99999999999999999999998", 1}, {"1.2-beta", "1.2-alpha", 1}, {"1.2a", "1.3", -1}};
    for (const auto& [a, b, expected] : rows)
    {
        EXPECT_EQ(CompareVersions(a, b), expected) << a << " vs " << b;
        EXPECT_EQ(CompareVersions(b, a), -expected) << b << " vs " << a;
    }
}

} // namespace
