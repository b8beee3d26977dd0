// The updater dialog on a real display, against the loopback HTTP server. Run
// blocks in its own polling loop; a timer-driven script acts in it like a user
// (pressing buttons, using the close box) when the dialog reaches a state.

#include "connectiondlg/connectiondlg.h"
#include "projdefs/projectorlist.h"
#include "support/core/curl_environment.h"
#include "support/core/http_server.h"
#include "support/core/temp_dir.h"
#include "support/gui/gui_helpers.h"

#include <gtest/gtest.h>

#include <wx/app.h>
#include <wx/frame.h>
#include <wx/timer.h>

namespace {

const bool curlReady = RegisterCurlEnvironment();

const std::string LOCAL_TEXT = "version: 1.0\nprojector: Old\nC, On, ab\n";
const std::string REMOTE_TEXT = "version: 2.1\nprojector: New\nC, On, cd\n";
const std::string SAME_TEXT = "version: 1.0\nprojector: Same\nC, On, ef\n";
const std::string SLOW_TEXT = REMOTE_TEXT + std::string(200000, '#');
const std::string ASK = "\nLocal version is: 1.0\nRemote version is: 2.1\nDo you want to download?";

enum Act { ACTION, CANCEL, CLOSE_BOX, DESTROY, SERVE_REMOTE_AND_ACTION };

struct Step
{
    std::string when; // a text the status field shows; "@tmp": the download has begun; "@close": "Close" offered
    Act act;
};

// The dialog with its controls open to the script, recording every text the
// status field shows (a check followed at once by a download replaces it).
class ProbeDlg : public ConnectionDlg
{
public:
    ProbeDlg(wxWindow* parent, ProjectorList* list, std::vector<Step> steps, std::function<void(Act)> extra)
        : ConnectionDlg(parent, list), m_steps(std::move(steps)), m_extra(std::move(extra))
    {
        m_statusText->Bind(wxEVT_TEXT, [this](wxCommandEvent& event) {
            shown += m_statusText->GetValue().utf8_string() + "|";
            event.Skip();
        });
        m_timer.dlg = this;
        m_timer.Start(5);
    }
    ~ProbeDlg() override { m_timer.Stop(); }

    std::string Status() const { return m_statusText->GetValue().utf8_string(); }
    std::string Labels() const { return (m_actionButton->GetLabel() + "/" + m_cancelButton->GetLabel()).utf8_string(); }
    bool Done() const { return m_next == m_steps.size(); }
    std::string shown;
    std::string tmpName;

private:
    struct Timer : wxTimer
    {
        ProbeDlg* dlg = nullptr;
        void Notify() override { dlg->NextStep(); }
    } m_timer;

    void NextStep()
    {
        if (wxGetLocalTimeMillis() > m_deadline && !m_gaveUp)
        {
            m_gaveUp = true;
            ADD_FAILURE() << "script stuck at step " << m_next << ", status: " << Status();
            Close();
        }
        if (m_next == m_steps.size() || !IsShown())
            return;
        const Step& step = m_steps[m_next];
        if (step.when == "@tmp" ? !FileExists(tmpName) || m_actionButton->IsEnabled()
            : step.when == "@close" ? m_cancelButton->GetLabel() != "Close"
                                    : Status().find(step.when) == std::string::npos)
            return;
        ++m_next;
        if (step.act == ACTION || step.act == CANCEL || step.act == SERVE_REMOTE_AND_ACTION)
        {
            if (step.act == SERVE_REMOTE_AND_ACTION)
                m_extra(step.act);
            wxButton* button = step.act == CANCEL ? m_cancelButton : m_actionButton;
            wxCommandEvent event(wxEVT_BUTTON, button->GetId());
            event.SetEventObject(button);
            button->GetEventHandler()->ProcessEvent(event);
        }
        else if (step.act == CLOSE_BOX)
            Close();
        else
            EXPECT_TRUE(Destroy());
    }

    friend struct Timer;
    std::vector<Step> m_steps;
    std::function<void(Act)> m_extra;
    size_t m_next = 0;
    bool m_gaveUp = false;
    wxLongLong m_deadline = wxGetLocalTimeMillis() + 15000;
};

TEST(ConnectionDlg, EachFlowShowsItsStepsAndKeepsTheFileUnlessDownloaded)
{
    TempDir dir;
    LoopbackHttpServer server;
    ASSERT_TRUE(server.Start());
    const std::string local = dir.File("user.txt"), url = server.Url("/p.txt");
    const std::string checking = "Getting version information from " + url, downloading = "Downloading file from " + url;
    using LS = LoopbackHttpServer::Answer;
    const int CHECK = ConnectionDlg::UPDATE_CHECK, DOWNLOAD = ConnectionDlg::UPDATE_DOWNLOAD,
              AUTO = ConnectionDlg::UPDATE_AUTOCLOSE;
    const struct
    {
        int flags;
        LS answer;
        std::vector<Step> steps;
        int result;
        std::string status, file, alsoShown, labels;
    } rows[] = {
        // The configuration dialog's check asks whatever the versions.
        {CHECK, {200, REMOTE_TEXT}, {{ASK, ACTION}, {"Downloaded version: 2.1", CANCEL}}, 1,
         downloading + "\nDownloaded version: 2.1", REMOTE_TEXT, checking + "|", "/Close"},
        {CHECK, {200, "version: 0.9\n"}, {{"@close", CANCEL}}, 0,
         checking + "\nLocal version is: 1.0\nRemote version is: 0.9\nDo you want to download?", LOCAL_TEXT, "", ""},
        // At start-up: nothing newer closes by itself, a newer one waits for the user.
        {CHECK | AUTO, {200, SAME_TEXT}, {}, 0,
         checking + "\nLocal version is: 1.0\nRemote version is: 1.0\nDo you want to download?", LOCAL_TEXT, "", ""},
        {CHECK | AUTO, {200, REMOTE_TEXT}, {{"@close", CLOSE_BOX}}, 0, checking + ASK, LOCAL_TEXT, "", ""},
        {DOWNLOAD | AUTO, {200, REMOTE_TEXT}, {}, 1, downloading + "\nDownloaded version: 2.1", REMOTE_TEXT, "", ""},
        {CHECK | DOWNLOAD | AUTO, {200, REMOTE_TEXT}, {}, 1, downloading + "\nDownloaded version: 2.1", REMOTE_TEXT,
         checking + "\nLocal version is: 1.0\nRemote version is: 2.1\nDownloading newer version|", ""},
        {CHECK | DOWNLOAD | AUTO, {200, SAME_TEXT}, {}, 1, downloading + "\nDownloaded version: 1.0", SAME_TEXT,
         checking + "\nLocal version is: 1.0\nRemote version is: 1.0|", ""},
        // Failures wait for the user; the automatic flags are dropped after them.
        {CHECK | DOWNLOAD | AUTO, {404, ""},
         {{"404 Not Found", SERVE_REMOTE_AND_ACTION}, {"@close", CANCEL}}, 0, checking + ASK, LOCAL_TEXT,
         checking + "\nError\nContinueSourceUpdate: http response 404 Not Found|", "/Close"},
        {DOWNLOAD | AUTO, {200, "<html>Sign in first</html>", "text/html"}, {{"\nError\n", CANCEL}}, 0,
         downloading + "\nError\nContinueSourceUpdate: unable to read name or version from the remote url",
         LOCAL_TEXT, "", "Download/Cancel"},
        // Cancel, the close box and the end of the session stop a transfer.
        {DOWNLOAD | AUTO, {200, SLOW_TEXT, "text/plain", "", std::string::npos, 1000, 20}, {{"@tmp", CANCEL}}, 0,
         downloading + "\nCanceled", LOCAL_TEXT, "", ""},
        // A check ends once the version line is in: let that line itself come slowly.
        {CHECK, {200, SLOW_TEXT, "text/plain", "", std::string::npos, 2, 100}, {{checking, CLOSE_BOX}}, 0,
         checking + "\nCanceled", LOCAL_TEXT, "", ""},
        {DOWNLOAD, {200, SLOW_TEXT, "text/plain", "", std::string::npos, 1000, 20}, {{"@tmp", DESTROY}}, 0,
         downloading + "\nCanceled", LOCAL_TEXT, "", ""},
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
        ProbeDlg dlg(frame, &list, row.steps, [&](Act) { server.ServeBody("/p.txt", REMOTE_TEXT); });
        dlg.tmpName = local + ".tmp";
        EXPECT_EQ(dlg.Run(row.flags), row.result);
        EXPECT_TRUE(dlg.Done());
        FlushEvents(); // idle processing would delete a window scheduled for destruction
        EXPECT_FALSE(wxTheApp->IsScheduledForDestruction(&dlg));
        EXPECT_EQ(dlg.Status(), row.status);
        EXPECT_NE(dlg.shown.find(row.alsoShown), std::string::npos) << dlg.shown;
        EXPECT_NE(dlg.Labels().find(row.labels), std::string::npos) << dlg.Labels();
        EXPECT_TRUE(frame->IsEnabled());
        EXPECT_EQ(ReadWholeFile(local), row.file);
        EXPECT_EQ(list.m_conn, nullptr);
        EXPECT_FALSE(FileExists(local + ".tmp"));
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
    for (Act act : {CANCEL, CLOSE_BOX}) // no URL: open with its message until closed
    {
        ProbeDlg dlg(frame, &list, {{"There is no remote URL defined for this file", act}}, nullptr);
        EXPECT_EQ(dlg.Run(ConnectionDlg::UPDATE_CHECK | ConnectionDlg::UPDATE_AUTOCLOSE), 0);
        EXPECT_TRUE(dlg.Done());
        EXPECT_NE(dlg.Labels().find("/Close"), std::string::npos) << dlg.Labels();
    }
    // A caller that opens it anyway with two sources meets the named
    // assertion, and Run returns at once without showing anything.
    list.AddSource(dir.File("user.txt"), "");
    EXPECT_FALSE(ConnectionDlg::CanUpdate(&list));
    static std::string message;
    wxAssertHandler_t previous = wxSetAssertHandler(
        [](const wxString&, int, const wxString&, const wxString&, const wxString& msg) { message = msg.utf8_string(); });
    {
        ProbeDlg dlg(frame, &list, {}, nullptr);
        EXPECT_EQ(dlg.Run(ConnectionDlg::UPDATE_CHECK), 0);
        EXPECT_TRUE(dlg.shown.empty());
    }
    wxSetAssertHandler(previous);
    EXPECT_EQ(message, "m_projList->GetSourceCount() == 1");
    frame->Destroy();
    FlushEvents();
}

} // namespace
