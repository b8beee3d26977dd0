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

#include <functional>
#include <string>
#include <vector>

namespace {

const bool curlReady = RegisterCurlEnvironment();

const char LOCAL_TEXT[] = "version: 1.0\nprojector: Old\nC, On, ab\n";
const char REMOTE_TEXT[] = "version: 2.1\nprojector: New\nC, On, cd\n";
const char SAME_TEXT[] = "version: 1.0\nprojector: Same\nC, On, ef\n";

// Gives the tests the dialog's controls, and records every text the status
// field shows (a check followed at once by a download replaces its text
// before anyone could look).
class ProbeDlg : public ConnectionDlg
{
public:
    ProbeDlg(wxWindow* parent, ProjectorList* list) : ConnectionDlg(parent, list)
    {
        m_statusText->Bind(wxEVT_TEXT, [this](wxCommandEvent& event) {
            m_shown.push_back(m_statusText->GetValue().utf8_string());
            event.Skip();
        });
    }

    std::string Status() const { return m_statusText->GetValue().utf8_string(); }
    std::string FileText() const { return m_fileText->GetValue().utf8_string(); }
    wxButton* Action() const { return m_actionButton; }
    wxButton* Cancel() const { return m_cancelButton; }
    wxTextCtrl* StatusCtrl() const { return m_statusText; }
    // Every value the status field had, in order.
    const std::vector<std::string>& Shown() const { return m_shown; }
    bool EverShowed(const std::string& text) const
    {
        for (const std::string& shown : m_shown)
            if (shown == text)
                return true;
        return false;
    }

    void Click(wxButton* button)
    {
        wxCommandEvent event(wxEVT_BUTTON, button->GetId());
        event.SetEventObject(button);
        button->GetEventHandler()->ProcessEvent(event);
    }

private:
    std::vector<std::string> m_shown;
};

// Steps of a simulated user: each waits for its condition, then acts. When
// the script is not done in time, the dialog is closed so the test ends.
class Script : public wxTimer
{
public:
    using Condition = std::function<bool()>;
    using Action = std::function<void()>;

    Script(ProbeDlg& dlg) : m_dlg(dlg) {}
    ~Script() override { Stop(); }

    Script& When(Condition condition, Action action)
    {
        m_steps.push_back({std::move(condition), std::move(action)});
        return *this;
    }
    void Begin() { Start(5); }
    bool Done() const { return m_next == m_steps.size(); }

    void Notify() override
    {
        if (wxGetLocalTimeMillis() > m_deadline && !m_gaveUp)
        {
            m_gaveUp = true;
            ADD_FAILURE() << "script stuck at step " << m_next << ", status: " << m_dlg.Status();
            m_dlg.Close();
            return;
        }
        if (m_next < m_steps.size() && m_steps[m_next].first())
            m_steps[m_next++].second();
    }

private:
    ProbeDlg& m_dlg;
    std::vector<std::pair<Condition, Action>> m_steps;
    size_t m_next = 0;
    bool m_gaveUp = false;
    wxLongLong m_deadline = wxGetLocalTimeMillis() + 15000;
};

class ConnectionDlgTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_server.Start());
        m_local = m_dir.File("user.txt");
        ASSERT_TRUE(WriteWholeFile(m_local, LOCAL_TEXT));
        m_frame = new wxFrame(nullptr, wxID_ANY, "main");
        m_frame->Show();
    }

    void TearDown() override
    {
        m_frame->Destroy();
        FlushEvents();
        EXPECT_EQ(m_list.m_conn, nullptr);
        EXPECT_FALSE(FileExists(m_local + ".tmp"));
    }

    // The list as a caller hands it over: one source, read from disk.
    void UseUrl(const std::string& url)
    {
        m_list.AddSource(m_local, url);
        ASSERT_EQ(m_list.ReadSource(0), FILE_OK);
        m_url = url;
    }

    TempDir m_dir;
    LoopbackHttpServer m_server;
    ProjectorList m_list;
    std::string m_local;
    std::string m_url;
    wxFrame* m_frame = nullptr;
};

TEST_F(ConnectionDlgTest, Layout)
{
    UseUrl(m_server.Url("/p.txt"));
    ProbeDlg dlg(m_frame, &m_list);
    EXPECT_EQ(dlg.GetTitle(), "Projector File Updater");
    EXPECT_EQ(dlg.Action()->GetLabel(), "Download");
    EXPECT_EQ(dlg.Cancel()->GetLabel(), "Cancel");
    EXPECT_EQ(dlg.Cancel()->GetId(), 1000);
    EXPECT_TRUE(dlg.StatusCtrl()->IsMultiLine());
    EXPECT_FALSE(dlg.StatusCtrl()->IsEditable());
    EXPECT_TRUE(dlg.HasFlag(wxCLOSE_BOX));
    EXPECT_EQ(dlg.Status(), "");
    EXPECT_EQ(dlg.FileText(), "");
    EXPECT_FALSE(dlg.IsShown());
}

TEST_F(ConnectionDlgTest, WithoutCheckOrDownloadNothingIsShown)
{
    UseUrl(m_server.Url("/p.txt"));
    ProbeDlg dlg(m_frame, &m_list);
    EXPECT_EQ(dlg.Run(ConnectionDlg::UPDATE_AUTOCLOSE), 0);
    EXPECT_TRUE(dlg.Shown().empty());
    EXPECT_EQ(m_server.RequestCount("/p.txt"), 0);
}

// The configuration dialog's check: always asks, whatever the versions.
TEST_F(ConnectionDlgTest, CheckAsksThenDownloadsOnRequestThenCloses)
{
    m_server.ServeBody("/p.txt", REMOTE_TEXT);
    UseUrl(m_server.Url("/p.txt"));
    ProbeDlg dlg(m_frame, &m_list);
    std::string checked = "Getting version information from " + m_url +
                          "\nLocal version is: 1.0\nRemote version is: 2.1\nDo you want to download?";
    std::string downloaded = "Downloading file from " + m_url + "\nDownloaded version: 2.1";
    Script script(dlg);
    script
        .When([&] { return dlg.Status() == checked; },
              [&] {
                  EXPECT_EQ(dlg.FileText(), "user");
                  EXPECT_EQ(dlg.Action()->GetLabel(), "Download");
                  EXPECT_TRUE(dlg.Action()->IsEnabled());
                  EXPECT_EQ(dlg.Cancel()->GetLabel(), "Close");
                  EXPECT_FALSE(m_frame->IsEnabled()); // modal
                  dlg.Click(dlg.Action());
              })
        .When([&] { return dlg.Status() == downloaded; },
              [&] {
                  EXPECT_EQ(dlg.Cancel()->GetLabel(), "Close");
                  dlg.Click(dlg.Cancel());
              });
    script.Begin();
    EXPECT_EQ(dlg.Run(ConnectionDlg::UPDATE_CHECK), 1);
    EXPECT_TRUE(script.Done());
    EXPECT_TRUE(dlg.EverShowed("Getting version information from " + m_url));
    EXPECT_TRUE(dlg.EverShowed("Downloading file from " + m_url));
    EXPECT_FALSE(dlg.IsShown());
    EXPECT_TRUE(m_frame->IsEnabled());
    EXPECT_EQ(ReadWholeFile(m_local), REMOTE_TEXT);
    EXPECT_EQ(m_list.GetSource(0)->version, "2.1");
}

TEST_F(ConnectionDlgTest, CheckOfAnOlderRemoteStillAsksAndCloseEnds)
{
    m_server.ServeBody("/p.txt", "version: 0.9\n");
    UseUrl(m_server.Url("/p.txt"));
    ProbeDlg dlg(m_frame, &m_list);
    Script script(dlg);
    script.When([&] { return dlg.Cancel()->GetLabel() == "Close"; }, [&] { dlg.Click(dlg.Cancel()); });
    script.Begin();
    EXPECT_EQ(dlg.Run(ConnectionDlg::UPDATE_CHECK), 0);
    EXPECT_EQ(dlg.Status(), "Getting version information from " + m_url +
                                "\nLocal version is: 1.0\nRemote version is: 0.9\nDo you want to download?");
    EXPECT_EQ(ReadWholeFile(m_local), LOCAL_TEXT);
}

// Start-up with AutoCheck alone and nothing newer: the dialog closes by itself.
TEST_F(ConnectionDlgTest, AutomaticCheckWithNothingNewerClosesByItself)
{
    m_server.ServeBody("/p.txt", SAME_TEXT);
    UseUrl(m_server.Url("/p.txt"));
    ProbeDlg dlg(m_frame, &m_list);
    EXPECT_EQ(dlg.Run(ConnectionDlg::UPDATE_CHECK | ConnectionDlg::UPDATE_AUTOCLOSE), 0);
    // The question is still appended (no automatic download follows), but the
    // dialog does not wait for an answer.
    EXPECT_EQ(dlg.Status(), "Getting version information from " + m_url +
                                "\nLocal version is: 1.0\nRemote version is: 1.0\nDo you want to download?");
    EXPECT_FALSE(dlg.IsShown());
    EXPECT_EQ(ReadWholeFile(m_local), LOCAL_TEXT);
}

// Start-up with AutoCheck alone and a newer remote: it waits for the user.
TEST_F(ConnectionDlgTest, AutomaticCheckWithNewerRemoteWaitsForTheUser)
{
    m_server.ServeBody("/p.txt", REMOTE_TEXT);
    UseUrl(m_server.Url("/p.txt"));
    ProbeDlg dlg(m_frame, &m_list);
    Script script(dlg);
    script.When([&] { return dlg.Cancel()->GetLabel() == "Close"; }, [&] { dlg.Close(); });
    script.Begin();
    EXPECT_EQ(dlg.Run(ConnectionDlg::UPDATE_CHECK | ConnectionDlg::UPDATE_AUTOCLOSE), 0);
    EXPECT_TRUE(script.Done());
    EXPECT_EQ(dlg.Status(), "Getting version information from " + m_url +
                                "\nLocal version is: 1.0\nRemote version is: 2.1\nDo you want to download?");
}

// Start-up with AutoDownload alone.
TEST_F(ConnectionDlgTest, AutomaticDownloadClosesByItself)
{
    m_server.ServeBody("/p.txt", REMOTE_TEXT);
    UseUrl(m_server.Url("/p.txt"));
    ProbeDlg dlg(m_frame, &m_list);
    EXPECT_EQ(dlg.Run(ConnectionDlg::UPDATE_DOWNLOAD | ConnectionDlg::UPDATE_AUTOCLOSE), 1);
    EXPECT_EQ(dlg.Status(), "Downloading file from " + m_url + "\nDownloaded version: 2.1");
    EXPECT_EQ(m_server.RequestCount("/p.txt"), 1); // no check before
    EXPECT_EQ(ReadWholeFile(m_local), REMOTE_TEXT);
}

// Start-up with both: the download follows the check, newer or not.
TEST_F(ConnectionDlgTest, AutomaticCheckAndDownload)
{
    struct Case
    {
        const char* remote;
        const char* afterCheck;
    } cases[] = {
        {REMOTE_TEXT, "\nLocal version is: 1.0\nRemote version is: 2.1\nDownloading newer version"},
        {SAME_TEXT, "\nLocal version is: 1.0\nRemote version is: 1.0"},
    };
    UseUrl(m_server.Url("/p.txt"));
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.remote);
        ASSERT_TRUE(WriteWholeFile(m_local, LOCAL_TEXT));
        ASSERT_EQ(m_list.ReadSource(0), FILE_OK);
        m_server.ServeBody("/p.txt", c.remote);
        ProbeDlg dlg(m_frame, &m_list);
        EXPECT_EQ(dlg.Run(ConnectionDlg::UPDATE_CHECK | ConnectionDlg::UPDATE_DOWNLOAD |
                          ConnectionDlg::UPDATE_AUTOCLOSE),
                  1);
        EXPECT_TRUE(dlg.EverShowed("Getting version information from " + m_url + c.afterCheck));
        EXPECT_EQ(dlg.Status(), "Downloading file from " + m_url + "\nDownloaded version: " +
                                    m_list.GetSource(0)->remoteVersion);
        EXPECT_EQ(ReadWholeFile(m_local), c.remote);
    }
}

TEST_F(ConnectionDlgTest, FailedCheckWaitsThenCheckAgainSucceeds)
{
    m_server.ServeStatus("/p.txt", 404, "");
    UseUrl(m_server.Url("/p.txt"));
    ProbeDlg dlg(m_frame, &m_list);
    std::string failed = "Getting version information from " + m_url +
                         "\nError\nContinueSourceUpdate: http response 404 Not Found";
    Script script(dlg);
    script
        .When([&] { return dlg.Status() == failed; },
              [&] {
                  EXPECT_EQ(dlg.Action()->GetLabel(), "Check");
                  EXPECT_TRUE(dlg.Action()->IsEnabled());
                  EXPECT_EQ(dlg.Cancel()->GetLabel(), "Cancel");
                  m_server.ServeBody("/p.txt", REMOTE_TEXT);
                  dlg.Click(dlg.Action());
              })
        .When([&] { return dlg.Cancel()->GetLabel() == "Close"; }, [&] { dlg.Click(dlg.Cancel()); });
    script.Begin();
    // The automatic flags are dropped after the failure: nothing is downloaded.
    EXPECT_EQ(dlg.Run(ConnectionDlg::UPDATE_CHECK | ConnectionDlg::UPDATE_DOWNLOAD |
                      ConnectionDlg::UPDATE_AUTOCLOSE),
              0);
    EXPECT_TRUE(script.Done());
    EXPECT_EQ(dlg.Status(), "Getting version information from " + m_url +
                                "\nLocal version is: 1.0\nRemote version is: 2.1\nDo you want to download?");
    EXPECT_EQ(m_server.RequestCount("/p.txt"), 2);
    EXPECT_EQ(ReadWholeFile(m_local), LOCAL_TEXT);
}

TEST_F(ConnectionDlgTest, FailedDownloadShowsTheReasonAndKeepsTheFile)
{
    m_server.ServeHtml("/p.txt", "<html>Sign in first</html>");
    UseUrl(m_server.Url("/p.txt"));
    ProbeDlg dlg(m_frame, &m_list);
    Script script(dlg);
    script.When([&] { return dlg.Status().find("\nError\n") != std::string::npos; },
                [&] {
                    EXPECT_EQ(dlg.Action()->GetLabel(), "Download");
                    dlg.Click(dlg.Cancel());
                });
    script.Begin();
    EXPECT_EQ(dlg.Run(ConnectionDlg::UPDATE_DOWNLOAD | ConnectionDlg::UPDATE_AUTOCLOSE), 0);
    EXPECT_EQ(dlg.Status(), "Downloading file from " + m_url +
                                "\nError\nContinueSourceUpdate: unable to read name or version from the remote url");
    EXPECT_EQ(ReadWholeFile(m_local), LOCAL_TEXT);
}

TEST_F(ConnectionDlgTest, CancelDuringADownloadStopsItAndEnds)
{
    m_server.ServeSlow("/p.txt", std::string(REMOTE_TEXT) + std::string(200000, '#'), 1000, 20);
    UseUrl(m_server.Url("/p.txt"));
    ProbeDlg dlg(m_frame, &m_list);
    Script script(dlg);
    script.When([&] { return FileExists(m_local + ".tmp") && !dlg.Action()->IsEnabled(); },
                [&] {
                    EXPECT_EQ(dlg.Action()->GetLabel(), "Download");
                    EXPECT_EQ(dlg.Cancel()->GetLabel(), "Cancel");
                    dlg.Click(dlg.Cancel());
                });
    script.Begin();
    EXPECT_EQ(dlg.Run(ConnectionDlg::UPDATE_DOWNLOAD | ConnectionDlg::UPDATE_AUTOCLOSE), 0);
    EXPECT_TRUE(script.Done());
    EXPECT_EQ(dlg.Status(), "Downloading file from " + m_url + "\nCanceled");
    EXPECT_EQ(ReadWholeFile(m_local), LOCAL_TEXT);
    EXPECT_EQ(m_list.GetSource(0)->version, "1.0");
}

TEST_F(ConnectionDlgTest, CloseBoxDuringACheckEnds)
{
    // A check ends once the version line is in: let that line itself come slowly.
    m_server.ServeSlow("/p.txt", std::string(REMOTE_TEXT) + std::string(200000, '#'), 2, 100);
    UseUrl(m_server.Url("/p.txt"));
    ProbeDlg dlg(m_frame, &m_list);
    Script script(dlg);
    script.When([&] { return m_server.RequestCount("/p.txt") == 1; }, [&] { dlg.Close(); });
    script.Begin();
    EXPECT_EQ(dlg.Run(ConnectionDlg::UPDATE_CHECK), 0);
    EXPECT_TRUE(script.Done());
    EXPECT_EQ(dlg.Status(), "Getting version information from " + m_url + "\nCanceled");
    EXPECT_FALSE(dlg.IsShown());
}

// The end of the session destroys every top-level window: the dialog on the
// caller's stack must end Run and stay alive until the caller's scope ends.
TEST_F(ConnectionDlgTest, DestroyDuringADownloadEndsRunWithoutDeletingTheDialog)
{
    m_server.ServeSlow("/p.txt", std::string(REMOTE_TEXT) + std::string(200000, '#'), 1000, 20);
    UseUrl(m_server.Url("/p.txt"));
    ProbeDlg dlg(m_frame, &m_list);
    Script script(dlg);
    script.When([&] { return FileExists(m_local + ".tmp"); }, [&] { EXPECT_TRUE(dlg.Destroy()); });
    script.Begin();
    EXPECT_EQ(dlg.Run(ConnectionDlg::UPDATE_DOWNLOAD), 0);
    EXPECT_TRUE(script.Done());
    FlushEvents(); // idle processing would delete a window scheduled for destruction
    EXPECT_EQ(dlg.Status(), "Downloading file from " + m_url + "\nCanceled");
    EXPECT_FALSE(wxTheApp->IsScheduledForDestruction(&dlg));
    EXPECT_EQ(ReadWholeFile(m_local), LOCAL_TEXT);
}

TEST_F(ConnectionDlgTest, NoUrlStaysOpenWithItsMessageUntilClosed)
{
    UseUrl("");
    for (bool closeBox : {false, true})
    {
        ProbeDlg dlg(m_frame, &m_list);
        Script script(dlg);
        script.When([&] { return dlg.IsShown(); },
                    [&] {
                        EXPECT_EQ(dlg.Status(), "There is no remote URL defined for this file");
                        EXPECT_FALSE(dlg.Action()->IsEnabled());
                        EXPECT_EQ(dlg.Cancel()->GetLabel(), "Close");
                        if (closeBox)
                            dlg.Close();
                        else
                            dlg.Click(dlg.Cancel());
                    });
        script.Begin();
        EXPECT_EQ(dlg.Run(ConnectionDlg::UPDATE_CHECK | ConnectionDlg::UPDATE_AUTOCLOSE), 0);
        EXPECT_TRUE(script.Done());
        EXPECT_EQ(dlg.Status(), "There is no remote URL defined for this file");
        EXPECT_FALSE(dlg.IsShown());
    }
}

TEST_F(ConnectionDlgTest, ListWithoutExactlyOneSourceIsRefusedWithoutEndingTheProgram)
{
    EXPECT_FALSE(ConnectionDlg::CanUpdate(nullptr));
    EXPECT_FALSE(ConnectionDlg::CanUpdate(&m_list));
    m_list.AddSource(m_local, m_server.Url("/p.txt"));
    EXPECT_TRUE(ConnectionDlg::CanUpdate(&m_list));
    m_list.AddSource(m_local, m_server.Url("/p.txt"));
    EXPECT_FALSE(ConnectionDlg::CanUpdate(&m_list));

    // A caller that opens it anyway meets the named assertion, and Run
    // returns at once without showing anything.
    static int asserts;
    static std::string condition;
    asserts = 0;
    wxAssertHandler_t previous = wxSetAssertHandler(
        [](const wxString&, int, const wxString&, const wxString& cond, const wxString& msg) {
            ++asserts;
            condition = msg.utf8_string();
            (void)cond;
        });
    {
        ProbeDlg dlg(m_frame, &m_list);
        EXPECT_EQ(dlg.Run(ConnectionDlg::UPDATE_CHECK), 0);
        EXPECT_TRUE(dlg.Shown().empty());
    }
    wxSetAssertHandler(previous);
    EXPECT_EQ(asserts, 1);
    EXPECT_EQ(condition, "m_projList->GetSourceCount() == 1");
    EXPECT_EQ(m_server.RequestCount("/p.txt"), 0);
}

} // namespace
