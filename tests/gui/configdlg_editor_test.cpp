// Editing the user file in its tree: label edits, deleting, Escape.

#include "configdlg_fixture.h"

namespace {

const char USER_TEXT[] = "version: 1.0\nprojector: Zeta\nC, On, Z1\nprojector: Alpha\nP, Baud, 9600\nC, On, A1\n";

} // namespace

class ConfigEditorTest : public ConfigDlgTest
{
protected:
    void SetUp() override
    {
        ConfigDlgTest::SetUp();
        WriteUser(USER_TEXT);
        Open();
        tree = dlg->m_userTree;
    }

    // Unflushed: before the toolkit selects another item at idle time.
    void Menu(const wxTreeItemId& item, int id, bool flush = true)
    {
        Select(tree, item);
        wxCommandEvent event(wxEVT_MENU, id);
        dlg->OnTreeMenuCommand(event);
        if (flush)
            FlushEvents();
    }

    wxTreeCtrl* tree = nullptr;
};

// Escape did nothing (no Cancel button for the toolkit to press); it must not
// close the dialog in the middle of a label edit either.
TEST_F(ConfigEditorTest, EscapeClosesTheDialogExceptWhileALabelIsEdited)
{
    int closes = 0;
    dlg->Bind(wxEVT_CLOSE_WINDOW, [&closes](wxCloseEvent& event) {
        ++closes;
        event.Skip();
    });
    const auto escape = [](wxWindow* focus) {
        wxKeyEvent key(wxEVT_CHAR_HOOK);
        key.m_keyCode = WXK_ESCAPE;
        key.SetEventObject(focus);
        focus->GetEventHandler()->ProcessEvent(key); // on its way up to the dialog
    };
    Menu(Node(tree, "Zeta"), ConfigDlg::ID_RENAME);
    ASSERT_NE(tree->GetEditControl(), nullptr);
    escape(tree->GetEditControl());
    EXPECT_EQ(closes, 0);
    tree->EndEditLabel(Node(tree, "Zeta"), true);
    FlushEvents();
    escape(tree);
    EXPECT_EQ(closes, 1);
    EXPECT_FALSE(dlg->IsShown());
}

// A name with a comma went into the file and read back as another command:
// it must stay unsaved, with the reason.
TEST_F(ConfigEditorTest, NameTheFileCannotHoldIsKeptAndExplained)
{
    Menu(Node(tree, "Zeta", "On"), ConfigDlg::ID_RENAME);
    ASSERT_NE(tree->GetEditControl(), nullptr);
    tree->GetEditControl()->SetValue("On, Now");
    tree->EndEditLabel(Node(tree, "Zeta", "On"), false);
    FlushEvents();
    ASSERT_NE(dlg->m_userList.WriteSource(0), FILE_OK); // the box shows what the log said of it
    EXPECT_NE(std::string(log.GetLastErrorText()).find("has a comma in its name"), std::string::npos);
    wxTEST_DIALOG(Click(dlg->m_userSaveButton), ExpectMessageBox(log.GetLastErrorText(), "Error"));
    EXPECT_EQ(ReadWholeFile(userFile), USER_TEXT);
    EXPECT_TRUE(dlg->m_userSaveButton->IsEnabled());
    EXPECT_TRUE(Node(tree, "Zeta", "On, Now").IsOk());
}

// Deleting left the displays below the tree showing, and editing, the removed
// projector or command.
TEST_F(ConfigEditorTest, DeletingLeavesNothingPointingAtTheRemovedObjects)
{
    Menu(Node(tree, "Zeta", "On"), ConfigDlg::ID_DELETE_COMMAND, false);
    EXPECT_EQ(dlg->m_commandText->GetValue(), "");
    EXPECT_FALSE(dlg->m_commandText->IsEnabled());

    Menu(Node(tree, "Alpha"), ConfigDlg::ID_DELETE_PROJECTOR, false);
    EXPECT_EQ(dlg->m_userList.FindProjector("Alpha"), nullptr);
    EXPECT_NE(dlg->m_projectorText->GetValue(), "Alpha");
    EXPECT_NE(dlg->m_baudText->GetValue(), "9600");
    EXPECT_TRUE(dlg->m_curProjector == nullptr || dlg->m_curProjector->GetName() == "Zeta");
    FlushEvents();
    Select(tree, Node(tree, "Zeta"));
    dlg->m_baudText->SetValue("19200");
    Click(dlg->m_userSaveButton);
    EXPECT_EQ(ReadWholeFile(userFile), "version: 1.0\r\nprojector: Zeta\r\nP, Baud, 19200\r\nP, Cable, \r\n");
}
