// The updater dialog on a real display, against the loopback HTTP server,
// driven by a scripted user.

#include "connectiondlg/connectiondlg.h"
#include "projdefs/projectorlist.h"
#include "support/core/curl_environment.h"
#include "support/core/http_server.h"
#include "support/core/temp_dir.h"
#include "support/gui/gui_helpers.h"

#include <gtest/gtest.h>

#include <wx/app.h>
#include <wx/button.h>
#include <wx/frame.h>
#include <wx/textctrl.h>
#include <wx/timer.h>

#include <filesystem>

namespace {

const bool curlReady = RegisterCurlEnvironment();

// Whether a file whose path starts with `prefix` exists beside it.
bool FileStartingWithExists(const std::string& prefix)
{
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(prefix).parent_path(), error))
        if (entry.path().string().rfind(prefix, 0) == 0)
            return true;
    return false;
}

wxTextCtrl* Status(wxWindow* updater)
{
    for (wxWindow* child : updater->GetChildren())
        if (auto* text = dynamic_cast<wxTextCtrl*>(child); text && text->IsMultiLine())
            return text;
    return nullptr;
}

wxButton* Button(wxWindow* updater, bool cancel)
{
    for (wxWindow* child : updater->GetChildren())
        if (auto* button = dynamic_cast<wxButton*>(child); button && (button->GetId() == 1000) == cancel)
            return button;
    return nullptr;
}

// A user of the updater. Run blocks in the updater's own polling loop; this
// timer acts in it, one step after another, each once the status shows the
// step's text ("@tmp": while the download's temporary file exists).
class Script : public wxTimer
{
public:
    enum Act { ACTION, CANCEL, DESTROY };
    struct Step
    {
        std::string when;
        Act act;
    };

    Script(std::vector<Step> steps, std::string tmp) : m_steps(std::move(steps)), m_tmp(std::move(tmp)) { Start(5); }
    ~Script() override { Stop(); }
    bool Done() const { return m_next == m_steps.size(); }

private:
    void Notify() override
    {
        ConnectionDlg* updater = nullptr;
        for (wxWindow* window : wxTopLevelWindows)
            if (auto* shown = dynamic_cast<ConnectionDlg*>(window); shown && shown->IsShown())
                updater = shown;
        if (wxGetLocalTimeMillis() > m_deadline && !Done())
        {
            ADD_FAILURE() << "script stuck at step " << m_next;
            m_next = m_steps.size();
            if (updater)
                updater->Close();
        }
        if (Done() || updater == nullptr)
            return;
        const Step& step = m_steps[m_next];
        if (step.when == "@tmp" ? !FileStartingWithExists(m_tmp) || Button(updater, false)->IsEnabled()
                                : Status(updater)->GetValue().utf8_string().find(step.when) == std::string::npos)
            return;
        ++m_next;
        if (step.act == DESTROY)
        {
            EXPECT_TRUE(updater->Destroy());
            return;
        }
        wxButton* button = Button(updater, step.act == CANCEL);
        wxCommandEvent event(wxEVT_BUTTON, button->GetId());
        event.SetEventObject(button);
        button->GetEventHandler()->ProcessEvent(event);
    }

    std::vector<Step> m_steps;
    std::string m_tmp;
    size_t m_next = 0;
    wxLongLong m_deadline = wxGetLocalTimeMillis() + 15000;
};

const std::string LOCAL_TEXT = "version: 1.0\nprojector: Old\nC, On, ab\n";
const std::string REMOTE_TEXT = "version: 2.1\nprojector: New\nC, On, cd\n";

// A failure closing by itself at start-up (nobody sees it); a cancelled
// download leaving its temporary file or replacing the file; the end of the
// session deleting the dialog on its caller's stack under Run (a crash).
TEST(ConnectionDlg, EachFlowShowsItsStepsAndKeepsTheFileUnlessDownloaded)
{
    ASSERT_TRUE(curlReady);
    TempDir dir;
    LoopbackHttpServer server;
    ASSERT_TRUE(server.Start());
    const std::string local = dir.File("user.txt"), url = server.Url("/p.txt");
    const std::string downloading = "Downloading file from " + url;
    const int DOWNLOAD = ConnectionDlg::UPDATE_DOWNLOAD, AUTO = ConnectionDlg::UPDATE_AUTOCLOSE;
    const LoopbackHttpServer::Answer slow(200, REMOTE_TEXT + std::string(200000, '#'), "text/plain", "",
                                          std::string::npos, 1000, 20);
    const struct
    {
        int flags;
        LoopbackHttpServer::Answer answer;
        std::vector<Script::Step> steps;
        int result;
        std::string status, file;
    } rows[] = {
        // The configuration dialog's check asks, then downloads.
        {ConnectionDlg::UPDATE_CHECK, {200, REMOTE_TEXT},
         {{"Remote version is: 2.1\nDo you want to download?", Script::ACTION},
          {"Downloaded version: 2.1", Script::CANCEL}},
         1, downloading + "\nDownloaded version: 2.1", REMOTE_TEXT},
        {DOWNLOAD | AUTO, {200, "<html>Sign in first</html>", "text/html"}, {{"\nError\n", Script::CANCEL}}, 0,
         downloading + "\nError\nContinueSourceUpdate: unable to read name or version from the remote url",
         LOCAL_TEXT},
        {DOWNLOAD | AUTO, slow, {{"@tmp", Script::CANCEL}}, 0, downloading + "\nCanceled", LOCAL_TEXT},
        {DOWNLOAD, slow, {{"@tmp", Script::DESTROY}}, 0, downloading + "\nCanceled", LOCAL_TEXT},
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
        ConnectionDlg dlg(frame, &list);
        Script script(row.steps, local + ".new-");
        EXPECT_EQ(dlg.Run(row.flags), row.result);
        EXPECT_TRUE(script.Done());
        FlushEvents(); // idle processing would delete a window scheduled for destruction
        EXPECT_FALSE(wxTheApp->IsScheduledForDestruction(&dlg));
        EXPECT_EQ(Status(&dlg)->GetValue().utf8_string(), row.status);
        EXPECT_EQ(ReadWholeFile(local), row.file);
        EXPECT_EQ(list.m_conn, nullptr);
        EXPECT_FALSE(FileStartingWithExists(local + ".new-"));
    }
    frame->Destroy();
    FlushEvents();
}

} // namespace
