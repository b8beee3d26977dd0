// The two projector files on the "Projectors" page: trees, the displays
// below them, the network buttons, Push and Update.

#include "configdlg_fixture.h"

#include "support/core/curl_environment.h"
#include "updater_script.h"

#include <unistd.h>

namespace {

const bool curlReady = RegisterCurlEnvironment();

} // namespace

TEST_F(ConfigDlgTest, TreesShowTheVersionThenSortedProjectorsWithCommandsInFileOrder)
{
    const struct
    {
        const char* what;
        std::string user, ref;
        std::vector<std::string> userLabels, refLabels;
    } rows[] = {
        {"sorted by name, parameters left out",
         "version: 3.1\nprojector: Zeta\nC, On, a\nP, Baud, 9600\nC, Off, b\nprojector: Alpha\nC, Zoom, x\n"
         "C, Aspect, y\nprojector: beta\nC, On, z\n",
         "version: 7\nprojector: Mid\nP, Cable, x\nC, On, a\n",
         {"3.1", "Alpha", "  Zoom", "  Aspect", "Zeta", "  On", "  Off", "beta", "  On"},
         {"7", "Mid", "  On"}},
        {"a skipped line: no box", "version: 4.2\nprojector: Room\nC, On\nC, Off, b\n", "version: 1\n",
         {"4.2", "Room", "  Off"}, {"1"}},
        // A user file that cannot be read is reported and uses defaults; as
        // the reference file it shows what was read, quietly.
        {"no version line", "projector: Early\nC, On, a\n", "projector: Early\nC, On, a\n", {"0.0.0"}, {""}},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.what);
        WriteUser(row.user);
        WriteRef(row.ref);
        // The box shows what the log said of the file.
        ProjectorList probe;
        probe.AddSource(userFile, "");
        probe.ReadSource(0);
        if (row.userLabels.front() != "0.0.0")
            Open(); // any box would fail the test
        else
        {
            wxTEST_DIALOG(Open(), ExpectMessageBox(log.GetLastErrorText() + wxString("\rThis will use defaults."),
                                                   "File error"));
        }
        EXPECT_EQ(Labels(dlg->m_userTree), row.userLabels);
        EXPECT_EQ(Labels(dlg->m_refTree), row.refLabels);
        // Nothing is selected for editing yet.
        EXPECT_FALSE(dlg->m_programButton->IsEnabled());
        EXPECT_FALSE(dlg->m_commandText->IsEnabled());
    }
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
    // Narrow buttons grow to their labels: the theme's padding alone takes most of their width.
    EXPECT_GE(dlg->m_userUpdateButton->GetSize().GetWidth(), dlg->m_userUpdateButton->GetBestSize().GetWidth());

    // Copying needs a user file to copy into.
    theSettings->Write(FileNameKey(FILE_USER), wxString());
    Open();
    Select(dlg->m_refTree, Node(dlg->m_refTree, "Lib"));
    EXPECT_FALSE(dlg->m_copyButton->IsEnabled());
}

TEST_F(ConfigDlgTest, NetworkButtonsNeedBothFileAndUrl)
{
    const struct
    {
        bool path;
        const char* url;
        bool enabled;
    } rows[] = {{true, "", false}, {true, "file:///srv/x.txt", true}, {false, "file:///srv/x.txt", false}};
    WriteUser("version: 1\n");
    WriteRef("version: 1\n");
    for (const auto& row : rows)
    {
        for (unsigned number : {FILE_REFERENCE, FILE_USER})
        {
            const std::string path = number == FILE_USER ? userFile : refFile;
            theSettings->Write(FileNameKey(number), wxString::FromUTF8(row.path ? path : ""));
            theSettings->Write(FileUrlKey(number), row.url);
        }
        Open();
        SCOPED_TRACE(std::string(row.path ? "path, " : "no path, ") + "URL '" + row.url + "'");
        EXPECT_EQ(dlg->m_refUpdateButton->IsEnabled(), row.enabled);
        EXPECT_EQ(dlg->m_userUpdateButton->IsEnabled(), row.enabled);
        EXPECT_EQ(dlg->m_userPushButton->IsEnabled(), row.enabled);
    }
}

TEST_F(ConfigDlgTest, PushCopiesTheFileOnDiskOnlyToPathsOfThisMachine)
{
    const std::string content = "version: 9\nprojector: Pushed\nC, On, a\n";
    WriteUser(content);
    const std::string pushed = dir.File("pushed.txt");
    const struct
    {
        std::string url;
        const char* message;
        const char* caption;
        bool copies;
    } rows[] = {
        {"file://localhost" + pushed, "File was copied", "Push File", true},
        {"http://example.com/pushed.txt", "Currently, this can only push to file URLs", "URL Error", false},
        {"file://" + dir.File("missing/pushed.txt"), "File was unable to be copied", "File Error", false},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.url);
        unlink(pushed.c_str());
        theSettings->Write(FileUrlKey(FILE_USER), wxString::FromUTF8(row.url));
        Open();
        wxTEST_DIALOG(Click(dlg->m_userPushButton),
                      ExpectMessageBox(row.message, row.caption, row.copies ? wxICON_NONE : wxICON_ERROR));
        EXPECT_EQ(FileExists(pushed) ? ReadWholeFile(pushed) : "<none>", row.copies ? content : "<none>");
    }
    EXPECT_FALSE(FileExists(dir.File("missing")));
}

TEST_F(ConfigDlgTest, UpdateChecksDownloadsAndReloadsTheUserFile)
{
    ASSERT_TRUE(curlReady);
    WriteUser("version: 1.0\nprojector: Old\nC, On, a\n");
    const std::string remote = dir.File("remote.txt");
    ASSERT_TRUE(WriteWholeFile(remote, "version: 2.0\nprojector: Fresh\nC, On, b\n"));
    theSettings->Write(FileUrlKey(FILE_USER), wxString::FromUTF8("file://" + remote));
    Open();
    UpdaterScript user({{"Do you want to download?", UpdaterScript::ACTION},
                        {"Downloaded version: 2.0", UpdaterScript::CANCEL}});
    Click(dlg->m_userUpdateButton);
    EXPECT_TRUE(user.Done());
    EXPECT_EQ(ReadWholeFile(userFile), ReadWholeFile(remote));
    EXPECT_EQ(Labels(dlg->m_userTree), (std::vector<std::string>{"2.0", "Fresh", "  On"}));
    EXPECT_FALSE(dlg->m_userSaveButton->IsEnabled());
}
