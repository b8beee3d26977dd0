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

// The files in the folder: the local file, and the download's temporary file while it runs.
size_t FilesIn(const std::string& folder)
{
    std::error_code error;
    return size_t(std::distance(std::filesystem::directory_iterator(folder, error), {}));
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
// timer acts in it once the status shows `when` ("@tmp": while the download's
// temporary file is in `folder`): it presses Cancel, or destroys the dialog.
class Script : public wxTimer
{
public:
    Script(std::string when, bool destroy, std::string folder)
        : m_when(std::move(when)), m_folder(std::move(folder)), m_destroy(destroy)
    {
        Start(5);
    }
    ~Script() override { Stop(); }
    bool done = false;

private:
    void Notify() override
    {
        ConnectionDlg* updater = nullptr;
        for (wxWindow* window : wxTopLevelWindows)
            if (auto* shown = dynamic_cast<ConnectionDlg*>(window); shown && shown->IsShown())
                updater = shown;
        if (wxGetLocalTimeMillis() > m_deadline && !done)
        {
            ADD_FAILURE() << "script stuck";
            done = true;
            if (updater)
                updater->Close();
        }
        if (done || updater == nullptr ||
            (m_when == "@tmp" ? FilesIn(m_folder) < 2 || Button(updater, false)->IsEnabled()
                              : Status(updater)->GetValue().utf8_string().find(m_when) == std::string::npos))
            return;
        done = true;
        if (m_destroy)
        {
            EXPECT_TRUE(updater->Destroy());
            return;
        }
        wxButton* cancel = Button(updater, true);
        wxCommandEvent event(wxEVT_BUTTON, cancel->GetId());
        event.SetEventObject(cancel);
        cancel->GetEventHandler()->ProcessEvent(event);
    }

    std::string m_when, m_folder;
    bool m_destroy;
    wxLongLong m_deadline = wxGetLocalTimeMillis() + 15000;
};

const std::string LOCAL_TEXT = "version: 1.0\nprojector: Old\nC, On, ab\n";
const std::string REMOTE_TEXT = "version: 2.1\nprojector: New\nC, On, cd\n";

// A failure closing by itself at start-up (nobody sees it); a cancelled
// download leaving its temporary file or replacing the file; the end of the
// session deleting the dialog on its caller's stack under Run (a crash).
TEST(ConnectionDlg, FailureStaysOpenAndCancelOrDestroyKeepTheFile)
{
    ASSERT_TRUE(curlReady);
    TempDir dir;
    LoopbackHttpServer server;
    ASSERT_TRUE(server.Start());
    const std::string local = dir.File("user.txt"), url = server.Url("/p.txt");
    const int DOWNLOAD = ConnectionDlg::UPDATE_DOWNLOAD;
    const LoopbackHttpServer::Answer slow(200, REMOTE_TEXT + std::string(200000, '#'), "text/plain", "",
                                          std::string::npos, 1000, 20);
    const struct
    {
        int flags;
        LoopbackHttpServer::Answer answer;
        const char* when;
        bool destroy;
        std::string status;
    } rows[] = {
        {DOWNLOAD | ConnectionDlg::UPDATE_AUTOCLOSE, {200, "<html>Sign in first</html>", "text/html"}, "\nError\n",
         false, "\nError\nContinueSourceUpdate: unable to read name or version from the remote url"},
        {DOWNLOAD | ConnectionDlg::UPDATE_AUTOCLOSE, slow, "@tmp", false, "\nCanceled"},
        {DOWNLOAD, slow, "@tmp", true, "\nCanceled"},
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
        Script script(row.when, row.destroy, dir.Path());
        EXPECT_EQ(dlg.Run(row.flags), 0);
        EXPECT_TRUE(script.done);
        FlushEvents(); // idle processing would delete a window scheduled for destruction
        EXPECT_FALSE(wxTheApp->IsScheduledForDestruction(&dlg));
        EXPECT_EQ(Status(&dlg)->GetValue().utf8_string(), "Downloading file from " + url + row.status);
        EXPECT_EQ(ReadWholeFile(local), LOCAL_TEXT);
        EXPECT_EQ(list.m_conn, nullptr);
        EXPECT_EQ(FilesIn(dir.Path()), 1u);
    }
    frame->Destroy();
    FlushEvents();
}

} // namespace
