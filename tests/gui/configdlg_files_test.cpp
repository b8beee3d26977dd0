// The buttons of the two projector files on the "Projectors" page.

#include "configdlg_fixture.h"

// Update and Push offered with a URL but no local file, "->" without a user
// file to copy into; a narrow button cut to the theme's padding.
TEST_F(ConfigDlgTest, FileButtonsNeedAUserFileAndGrowToTheirLabels)
{
    WriteRef("version: 1\nprojector: Lib\nC, Off, OFF<cr>\n");
    WriteUser("version: 1\n");
    theSettings->Write(FileUrlKey(FILE_USER), "file:///srv/x.txt");
    for (bool path : {true, false})
    {
        SCOPED_TRACE(path ? "user file" : "no user file");
        theSettings->Write(FileNameKey(FILE_USER), path ? wxString::FromUTF8(userFile) : wxString());
        Open();
        EXPECT_EQ(dlg->m_userUpdateButton->IsEnabled(), path);
        EXPECT_EQ(dlg->m_userPushButton->IsEnabled(), path);
        Select(dlg->m_refTree, Node(dlg->m_refTree, "Lib"));
        EXPECT_EQ(dlg->m_copyButton->IsEnabled(), path);
    }
    EXPECT_GE(dlg->m_userUpdateButton->GetSize().GetWidth(), dlg->m_userUpdateButton->GetBestSize().GetWidth());
}
