// The two projector files on the "Projectors" page: trees, loading, the
// network buttons, Push and Update.

#include "configdlg_fixture.h"

#include "connectiondlg/connectiondlg.h"
#include "support/core/curl_environment.h"

#include <wx/timer.h>

#include <sys/stat.h>

#include <functional>

namespace {

const bool curlReady = RegisterCurlEnvironment();

} // namespace

TEST_F(ConfigDlgTest, TreesShowVersionThenSortedProjectorsWithCommandsInFileOrder)
{
    WriteUser("version: 3.1\nprojector: Zeta\nC, On, a\nP, Baud, 9600\nC, Off, b\n"
              "projector: Alpha\nC, Zoom, x\nC, Aspect, y\nprojector: beta\nC, On, z\n");
    WriteRef("version: 7\nprojector: Mid\nP, Cable, x\nC, On, a\n");
    Open();
    EXPECT_EQ(Labels(dlg->m_userTree),
              (std::vector<std::string>{"3.1", "Alpha", "  Zoom", "  Aspect", "Zeta", "  On", "  Off",
                                        "beta", "  On"}));
    EXPECT_EQ(Labels(dlg->m_refTree), (std::vector<std::string>{"7", "Mid", "  On"}));
    // Nothing is selected for editing yet.
    EXPECT_FALSE(dlg->m_programButton->IsEnabled());
    EXPECT_FALSE(dlg->m_commandText->IsEnabled());
}

TEST_F(ConfigDlgTest, SelectionFillsTheDisplaysEditableOnlyForTheUserTree)
{
    WriteUser("version: 1\nprojector: Room\nP, Baud, 9600\nC, On, PWR<cr>\n");
    WriteRef("version: 1\nprojector: Lib\nC, Off, OFF<cr>\n");
    Open();

    Select(dlg->m_userTree, Node(dlg->m_userTree, "Room", "On"));
    EXPECT_EQ(dlg->m_projectorText->GetValue(), "Room");
    EXPECT_EQ(dlg->m_baudText->GetValue(), "9600");
    EXPECT_EQ(dlg->m_commandText->GetValue(), "PWR<cr>");
    EXPECT_TRUE(dlg->m_programButton->IsEnabled());
    EXPECT_TRUE(dlg->m_commandText->IsEnabled());
    ASSERT_NE(dlg->m_curProjector, nullptr);
    // The missing "Cable" was added, which is no edit of the file.
    EXPECT_NE(dlg->m_curProjector->FindEntry("Cable"), nullptr);
    EXPECT_FALSE(dlg->m_userSaveButton->IsEnabled());

    Select(dlg->m_refTree, Node(dlg->m_refTree, "Lib", "Off"));
    EXPECT_EQ(dlg->m_commandText->GetValue(), "OFF<cr>");
    EXPECT_FALSE(dlg->m_commandText->IsEnabled());
    EXPECT_FALSE(dlg->m_programButton->IsEnabled());

    Select(dlg->m_refTree, Node(dlg->m_refTree, "Lib"));
    EXPECT_TRUE(dlg->m_copyButton->IsEnabled());
    EXPECT_EQ(dlg->m_commandText->GetValue(), "");

    Select(dlg->m_userTree, dlg->m_userTree->GetRootItem());
    EXPECT_EQ(dlg->m_projectorText->GetValue(), "");
    EXPECT_EQ(dlg->m_curProjector, nullptr);
    EXPECT_FALSE(dlg->m_copyButton->IsEnabled());
}

TEST_F(ConfigDlgTest, UnreadableUserFileIsReportedAndUsesDefaults)
{
    const std::string noVersion = "projector: Early\nC, On, a\n";
    WriteUser(noVersion);
    wxString message;
    wxTEST_DIALOG(Open(), CaptureErrorBox("File error", message));
    EXPECT_EQ(message, wxString::FromUTF8(log.GetLastErrorText()) + "\rThis will use defaults.");
    EXPECT_EQ(Labels(dlg->m_userTree).front(), "0.0.0");

    // The same file as reference file shows nothing; its version stays as read.
    dlg->Destroy();
    FlushEvents();
    WriteRef(noVersion);
    WriteUser("version: 1\n");
    Open();
    EXPECT_EQ(Labels(dlg->m_refTree), (std::vector<std::string>{""}));
}

TEST_F(ConfigDlgTest, SkippedLineLoadsWithoutBox)
{
    WriteUser("version: 4.2\nprojector: Room\nC, On\nC, Off, b\n");
    Open(); // any box would fail the test
    EXPECT_EQ(Labels(dlg->m_userTree), (std::vector<std::string>{"4.2", "Room", "  Off"}));
}

TEST_F(ConfigDlgTest, ApplyRebuildsBothTreesAndDropsUnsavedEdits)
{
    WriteUser("version: 1\nprojector: Room\nC, On, a\n");
    WriteRef("version: 1\nprojector: Lib\nC, On, a\n");
    Open();
    dlg->m_userList.AddProjector("Unsaved");
    dlg->BuildProjectorTree(dlg->m_userTree, &dlg->m_userList);
    dlg->SetFileModified(ConfigDlg::USER_FILE, true);
    WriteRef("version: 2\nprojector: Lib2\nC, On, a\n");

    Tick(dlg->m_stayOnTopBox);
    Click(dlg->m_applyButton);
    EXPECT_EQ(Labels(dlg->m_userTree), (std::vector<std::string>{"1", "Room", "  On"}));
    EXPECT_EQ(Labels(dlg->m_refTree), (std::vector<std::string>{"2", "Lib2", "  On"}));
    EXPECT_FALSE(dlg->m_userSaveButton->IsEnabled());
    EXPECT_EQ(dlg->m_userList.FindProjector("Unsaved"), nullptr);
}

TEST_F(ConfigDlgTest, NetworkButtonsNeedBothFileAndUrl)
{
    struct Row
    {
        bool path;
        const char* url;
        bool enabled;
    };
    const Row rows[] = {{true, "", false}, {true, "file:///srv/x.txt", true}, {false, "file:///srv/x.txt", false}};
    WriteUser("version: 1\n");
    WriteRef("version: 1\n");
    for (const Row& row : rows)
    {
        for (unsigned number : {FILE_REFERENCE, FILE_USER})
        {
            theSettings->Write(FileNameKey(number),
                               row.path ? wxString::FromUTF8(number == FILE_USER ? userFile : refFile)
                                        : wxString());
            theSettings->Write(FileUrlKey(number), row.url);
        }
        Open();
        const std::string what = std::string(row.path ? "path, " : "no path, ") + "URL '" + row.url + "'";
        EXPECT_EQ(dlg->m_refUpdateButton->IsEnabled(), row.enabled) << what;
        EXPECT_EQ(dlg->m_userUpdateButton->IsEnabled(), row.enabled) << what;
        EXPECT_EQ(dlg->m_userPushButton->IsEnabled(), row.enabled) << what;
        dlg->Destroy();
        FlushEvents();
        dlg = nullptr;
    }
}

TEST_F(ConfigDlgTest, PushCopiesOnlyToPathsOfThisMachine)
{
    const std::string content = "version: 9\nprojector: Pushed\nC, On, a\n";
    WriteUser(content);
    const std::string pushed = dir.File("pushed.txt");
    struct Row
    {
        std::string url;
        bool copies;
    };
    const Row rows[] = {
        {"FILE:///" + pushed.substr(1), true},
        {"file://localhost" + pushed, true},
        {pushed, true},
        {"file://server" + pushed, false},
        {"http://example.com/pushed.txt", false},
    };
    for (const Row& row : rows)
    {
        unlink(pushed.c_str());
        theSettings->Write(FileUrlKey(FILE_USER), wxString::FromUTF8(row.url));
        Open();
        if (row.copies)
        {
            wxTEST_DIALOG(Click(dlg->m_userPushButton),
                          ExpectMessageBox("File was copied", "Push File", wxICON_NONE));
        }
        else
        {
            wxTEST_DIALOG(Click(dlg->m_userPushButton),
                          ExpectMessageBox("Currently, this can only push to file URLs", "URL Error"));
        }
        EXPECT_EQ(FileExists(pushed) ? ReadWholeFile(pushed) : "<none>", row.copies ? content : "<none>")
            << row.url;
        dlg->Destroy();
        FlushEvents();
        dlg = nullptr;
    }
}

TEST_F(ConfigDlgTest, FailedPushSaysSo)
{
    WriteUser("version: 1\n");
    theSettings->Write(FileUrlKey(FILE_USER), wxString::FromUTF8("file://" + dir.File("missing/pushed.txt")));
    Open();
    wxTEST_DIALOG(Click(dlg->m_userPushButton),
                  ExpectMessageBox("File was unable to be copied", "File Error"));
    EXPECT_FALSE(FileExists(dir.File("missing")));
}

namespace {

// Acts in the updater's own loop like a user: presses "Download" once the
// check asks, then "Close" once the file on disk is the remote one.
class UpdaterUser : public wxTimer
{
public:
    explicit UpdaterUser(std::function<bool()> downloaded) : m_downloaded(std::move(downloaded)) {}
    ~UpdaterUser() override { Stop(); }

    bool pressedDownload = false;
    bool pressedClose = false;

    void Notify() override
    {
        ConnectionDlg* updater = nullptr;
        for (wxWindow* window : wxTopLevelWindows)
            if ((updater = dynamic_cast<ConnectionDlg*>(window)) != nullptr && updater->IsShown())
                break;
        if (updater == nullptr || !updater->IsShown())
            return;
        wxButton* close = dynamic_cast<wxButton*>(updater->FindWindow(1000));
        wxButton* action = nullptr;
        for (wxWindow* child : updater->GetChildren())
            if (auto* button = dynamic_cast<wxButton*>(child); button && button != close)
                action = button;
        if (!close || !action || !action->IsEnabled() || close->GetLabel() != "Close")
            return;
        if (!pressedDownload)
        {
            pressedDownload = true;
            Press(action);
        }
        else if (m_downloaded() && !pressedClose)
        {
            pressedClose = true;
            Press(close);
        }
    }

private:
    static void Press(wxButton* button)
    {
        wxCommandEvent click(wxEVT_BUTTON, button->GetId());
        click.SetEventObject(button);
        button->GetEventHandler()->ProcessEvent(click);
    }

    std::function<bool()> m_downloaded;
};

} // namespace

TEST_F(ConfigDlgTest, UpdateChecksDownloadsAndReloadsTheUserFile)
{
    ASSERT_TRUE(curlReady);
    WriteUser("version: 1.0\nprojector: Old\nC, On, a\n");
    const std::string remote = dir.File("remote.txt");
    const std::string remoteText = "version: 2.0\nprojector: Fresh\nC, On, b\n";
    ASSERT_TRUE(WriteWholeFile(remote, remoteText));
    theSettings->Write(FileUrlKey(FILE_USER), wxString::FromUTF8("file://" + remote));
    Open();

    UpdaterUser user([&] { return ReadWholeFile(userFile) == remoteText; });
    user.Start(5);
    Click(dlg->m_userUpdateButton);
    EXPECT_TRUE(user.pressedDownload);
    EXPECT_TRUE(user.pressedClose);
    EXPECT_EQ(Labels(dlg->m_userTree), (std::vector<std::string>{"2.0", "Fresh", "  On"}));
    EXPECT_FALSE(dlg->m_userSaveButton->IsEnabled());
}
