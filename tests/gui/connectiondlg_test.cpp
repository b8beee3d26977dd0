// The updater dialog on a real display, against the loopback HTTP server,
// driven by a scripted user.

#include "connectiondlg/connectiondlg.h"
#include "projdefs/projectorlist.h"
#include "support/core/curl_environment.h"
#include "support/core/http_server.h"
#include "support/gui/gui_helpers.h"
#include "updater_script.h"

#include <wx/app.h>
#include <wx/frame.h>

namespace {

const bool curlReady = RegisterCurlEnvironment();

const std::string LOCAL_TEXT = "version: 1.0\nprojector: Old\nC, On, ab\n";
const std::string REMOTE_TEXT = "version: 2.1\nprojector: New\nC, On, cd\n";
const std::string SAME_TEXT = "version: 1.0\nprojector: Same\nC, On, ef\n";
const std::string SLOW_TEXT = REMOTE_TEXT + std::string(200000, '#');
const std::string ASK = "\nLocal version is: 1.0\nRemote version is: 2.1\nDo you want to download?";

using Script = UpdaterScript;
using Answer = LoopbackHttpServer::Answer;

TEST(ConnectionDlg, EachFlowShowsItsStepsAndKeepsTheFileUnlessDownloaded)
{
    ASSERT_TRUE(curlReady);
    TempDir dir;
    LoopbackHttpServer server;
    ASSERT_TRUE(server.Start());
    const std::string local = dir.File("user.txt"), url = server.Url("/p.txt");
    const std::string checking = "Getting version information from " + url, downloading = "Downloading file from " + url;
    const int CHECK = ConnectionDlg::UPDATE_CHECK, DOWNLOAD = ConnectionDlg::UPDATE_DOWNLOAD,
              AUTO = ConnectionDlg::UPDATE_AUTOCLOSE;
    const Answer slow(200, SLOW_TEXT, "text/plain", "", std::string::npos, 1000, 20);
    const struct
    {
        int flags;
        Answer answer;
        std::vector<Script::Step> steps;
        int result;
        std::string status, file, alsoShown, labels;
    } rows[] = {
        // The configuration dialog's check asks whatever the versions.
        {CHECK, {200, REMOTE_TEXT}, {{ASK, Script::ACTION}, {"Downloaded version: 2.1", Script::CANCEL}}, 1,
         downloading + "\nDownloaded version: 2.1", REMOTE_TEXT, checking + "|", "/Close"},
        {CHECK, {200, "version: 0.9\n"}, {{"@close", Script::CANCEL}}, 0,
         checking + "\nLocal version is: 1.0\nRemote version is: 0.9\nDo you want to download?", LOCAL_TEXT, "", ""},
        // At start-up: nothing newer closes by itself, a newer one waits for the user.
        {CHECK | AUTO, {200, SAME_TEXT}, {}, 0,
         checking + "\nLocal version is: 1.0\nRemote version is: 1.0\nDo you want to download?", LOCAL_TEXT, "", ""},
        {CHECK | AUTO, {200, REMOTE_TEXT}, {{"@close", Script::CLOSE_BOX}}, 0, checking + ASK, LOCAL_TEXT, "", ""},
        {DOWNLOAD | AUTO, {200, REMOTE_TEXT}, {}, 1, downloading + "\nDownloaded version: 2.1", REMOTE_TEXT, "", ""},
        {CHECK | DOWNLOAD | AUTO, {200, REMOTE_TEXT}, {}, 1, downloading + "\nDownloaded version: 2.1", REMOTE_TEXT,
         checking + "\nLocal version is: 1.0\nRemote version is: 2.1\nDownloading newer version|", ""},
        {CHECK | DOWNLOAD | AUTO, {200, SAME_TEXT}, {}, 1, downloading + "\nDownloaded version: 1.0", SAME_TEXT,
         checking + "\nLocal version is: 1.0\nRemote version is: 1.0|", ""},
        // Failures wait for the user; the automatic flags are dropped after them.
        {CHECK | DOWNLOAD | AUTO, {404, ""}, {{"404 Not Found", Script::CALL_THEN_ACTION}, {"@close", Script::CANCEL}},
         0, checking + ASK, LOCAL_TEXT, checking + "\nError\nContinueSourceUpdate: http response 404 Not Found|",
         "/Close"},
        {DOWNLOAD | AUTO, {200, "<html>Sign in first</html>", "text/html"}, {{"\nError\n", Script::CANCEL}}, 0,
         downloading + "\nError\nContinueSourceUpdate: unable to read name or version from the remote url",
         LOCAL_TEXT, "", "Download/Cancel"},
        // Cancel, the close box and the end of the session stop a transfer.
        {DOWNLOAD | AUTO, slow, {{"@tmp", Script::CANCEL}}, 0, downloading + "\nCanceled", LOCAL_TEXT, "", ""},
        // A check ends once the version line is in: let that line itself come slowly.
        {CHECK, {200, SLOW_TEXT, "text/plain", "", std::string::npos, 2, 100}, {{checking, Script::CLOSE_BOX}}, 0,
         checking + "\nCanceled", LOCAL_TEXT, "", ""},
        {DOWNLOAD, slow, {{"@tmp", Script::DESTROY}}, 0, downloading + "\nCanceled", LOCAL_TEXT, "", ""},
    };
    wxFrame* frame = new wxFrame(nullptr, wxID_ANY, "main");
    frame->Show();
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.status);
        ASSERT_TRUE(WriteWholeFile(local, LOCAL_TEXT));
        server.Serve("/p.txt", row.answer);
        ProjectorList list;
        list.AddSource(local, url);
        ASSERT_EQ(list.ReadSource(0), FILE_OK);
        Script script(row.steps, [&] { server.Serve("/p.txt", {200, REMOTE_TEXT}); }, local + ".new-");
        ConnectionDlg dlg(frame, &list); // goes first, with the script's watch on it
        script.Watch(&dlg);
        EXPECT_EQ(dlg.Run(row.flags), row.result);
        EXPECT_TRUE(script.Done());
        FlushEvents(); // idle processing would delete a window scheduled for destruction
        EXPECT_FALSE(wxTheApp->IsScheduledForDestruction(&dlg));
        EXPECT_EQ(Script::Status(&dlg)->GetValue().utf8_string(), row.status);
        EXPECT_NE(script.shown.find(row.alsoShown), std::string::npos) << script.shown;
        EXPECT_NE(Script::Labels(&dlg).find(row.labels), std::string::npos) << Script::Labels(&dlg);
        EXPECT_TRUE(frame->IsEnabled());
        EXPECT_EQ(ReadWholeFile(local), row.file);
        EXPECT_EQ(list.m_conn, nullptr);
        EXPECT_FALSE(Script::FileStartingWithExists(local + ".new-"));
    }
    frame->Destroy();
    FlushEvents();
}

TEST(ConnectionDlg, WithoutUrlOrOneSourceItDoesNoTransfer)
{
    TempDir dir;
    ProjectorList list;
    wxFrame* frame = new wxFrame(nullptr, wxID_ANY, "main");
    EXPECT_FALSE(ConnectionDlg::CanUpdate(nullptr));
    EXPECT_FALSE(ConnectionDlg::CanUpdate(&list));
    list.AddSource(dir.File("user.txt"), "");
    EXPECT_TRUE(ConnectionDlg::CanUpdate(&list));
    for (Script::Act act : {Script::CANCEL, Script::CLOSE_BOX}) // no URL: open with its message until closed
    {
        ConnectionDlg dlg(frame, &list);
        Script script({{"There is no remote URL defined for this file", act}});
        EXPECT_EQ(dlg.Run(ConnectionDlg::UPDATE_CHECK | ConnectionDlg::UPDATE_AUTOCLOSE), 0);
        EXPECT_TRUE(script.Done());
        EXPECT_NE(Script::Labels(&dlg).find("/Close"), std::string::npos) << Script::Labels(&dlg);
    }
    // A caller that opens it anyway with two sources meets the named
    // assertion, and Run returns at once without showing anything.
    list.AddSource(dir.File("user.txt"), "");
    EXPECT_FALSE(ConnectionDlg::CanUpdate(&list));
    static std::string message;
    wxAssertHandler_t previous = wxSetAssertHandler(
        [](const wxString&, int, const wxString&, const wxString&, const wxString& msg) { message = msg.utf8_string(); });
    {
        ConnectionDlg dlg(frame, &list);
        EXPECT_EQ(dlg.Run(ConnectionDlg::UPDATE_CHECK), 0);
        EXPECT_TRUE(Script::Status(&dlg)->IsEmpty());
    }
    wxSetAssertHandler(previous);
    EXPECT_EQ(message, "m_projList->GetSourceCount() == 1");
    frame->Destroy();
    FlushEvents();
}

} // namespace
