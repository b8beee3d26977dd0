// Editing the user file in its tree: the context menu's commands, label
// edits, copying from the reference file, the command value editor.

#include "configdlg_fixture.h"

#include <wx/menu.h>

#include <algorithm>

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
        WriteRef(USER_TEXT);
        Open();
        tree = dlg->m_userTree;
    }

    void Menu(const wxTreeItemId& item, int id)
    {
        Select(tree, item);
        wxCommandEvent event(wxEVT_MENU, id);
        dlg->OnTreeMenuCommand(event);
        FlushEvents();
    }

    // Renames through the tree's own label editor; cancelled: the edit is dropped.
    void Rename(const wxTreeItemId& item, const wxString& label, bool cancelled = false)
    {
        Menu(item, ConfigDlg::ID_RENAME);
        ASSERT_NE(tree->GetEditControl(), nullptr);
        tree->GetEditControl()->SetValue(label);
        tree->EndEditLabel(item, cancelled);
        FlushEvents();
    }

    std::string SavedUserFile()
    {
        Click(dlg->m_userSaveButton);
        std::string text = ReadWholeFile(userFile);
        text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
        return text;
    }

    wxTreeCtrl* tree = nullptr;
};

TEST_F(ConfigEditorTest, MenuByNodeKindAndNoneInTheReferenceTree)
{
    const std::pair<wxTreeItemId, std::vector<std::string>> rows[] = {
        {tree->GetRootItem(), {"New Projector"}},
        {Node(tree, "1.0"), {"Change Version"}},
        {Node(tree, "Zeta"), {"Rename Projector", "Delete Projector", "New Command"}},
        {Node(tree, "Zeta", "On"), {"Rename Command", "Delete Command"}},
    };
    for (const auto& [item, expected] : rows)
    {
        std::unique_ptr<wxMenu> menu(dlg->BuildTreeMenu(tree, item));
        ASSERT_TRUE(menu) << expected.front();
        std::vector<std::string> items;
        for (wxMenuItem* entry : menu->GetMenuItems())
            items.push_back(entry->GetItemLabelText().utf8_string());
        EXPECT_EQ(items, expected);
    }
    EXPECT_EQ(dlg->BuildTreeMenu(dlg->m_refTree, Node(dlg->m_refTree, "Zeta")), nullptr);
    EXPECT_EQ(dlg->BuildTreeMenu(tree, wxTreeItemId()), nullptr);
}

TEST_F(ConfigEditorTest, NewNodesAndLabelEditsAreSaved)
{
    // The root's label stays; so does a cancelled edit, without marking the file.
    Menu(tree->GetRootItem(), ConfigDlg::ID_RENAME);
    EXPECT_EQ(tree->GetEditControl(), nullptr);
    Rename(Node(tree, "Zeta", "On"), "Power", true);
    EXPECT_TRUE(Node(tree, "Zeta", "On").IsOk());
    EXPECT_FALSE(dlg->m_userSaveButton->IsEnabled());

    Menu(tree->GetRootItem(), ConfigDlg::ID_NEW_PROJECTOR);
    EXPECT_EQ(Labels(tree), (std::vector<std::string>{"1.0", "Alpha", "  On", "Zeta", "  On", "~New~", "  On",
                                                      "  Off", "  SourceVGA", "  SourceComposite", "  Freeze"}));
    EXPECT_TRUE(dlg->m_userSaveButton->IsEnabled());
    Rename(Node(tree, "~New~"), "Beta");
    EXPECT_EQ(dlg->m_projectorText->GetValue(), "Beta");
    Menu(Node(tree, "Alpha"), ConfigDlg::ID_NEW_COMMAND);
    Select(tree, Node(tree, "Alpha", "~New~"));
    dlg->m_commandText->SetValue("X<cr>");
    Rename(Node(tree, "Zeta", "On"), "Power On");
    EXPECT_EQ(dlg->m_commandNameText->GetValue(), "Power On");
    Rename(Node(tree, "1.0"), "1.1");
    EXPECT_EQ(Labels(tree), (std::vector<std::string>{"1.1", "Alpha", "  On", "  ~New~", "Beta", "  On", "  Off",
                                                      "  SourceVGA", "  SourceComposite", "  Freeze", "Zeta",
                                                      "  Power On"}));
    // Selecting a projector's command gave it the two parameters.
    EXPECT_EQ(SavedUserFile(), "version: 1.1\nprojector: Zeta\nC, Power On, Z1\nP, Baud, \nP, Cable, \n"
                               "projector: Alpha\nP, Baud, 9600\nC, On, A1\nP, Cable, \nC, ~New~, X<cr>\n"
                               "projector: Beta\nP, Baud, \nP, Cable, \nC, On, \nC, Off, \nC, SourceVGA, \n"
                               "C, SourceComposite, \nC, Freeze, \n");
    EXPECT_FALSE(dlg->m_userSaveButton->IsEnabled());
}

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

TEST_F(ConfigEditorTest, NameTheFileCannotHoldIsKeptAndExplained)
{
    Rename(Node(tree, "Zeta", "On"), "On, Now");
    ASSERT_NE(dlg->m_userList.WriteSource(0), FILE_OK); // the box shows what the log said of it
    EXPECT_NE(std::string(log.GetLastErrorText()).find("has a comma in its name"), std::string::npos);
    wxTEST_DIALOG(Click(dlg->m_userSaveButton), ExpectMessageBox(log.GetLastErrorText(), "Error"));
    EXPECT_EQ(ReadWholeFile(userFile), USER_TEXT);
    EXPECT_TRUE(dlg->m_userSaveButton->IsEnabled());
    EXPECT_TRUE(Node(tree, "Zeta", "On, Now").IsOk());
    // "Revert" reads the file again; a right click selects the item its menu concerns.
    Click(dlg->m_userRevertButton);
    EXPECT_EQ(Labels(tree), (std::vector<std::string>{"1.0", "Alpha", "  On", "Zeta", "  On"}));
    EXPECT_FALSE(dlg->m_userSaveButton->IsEnabled());
    wxTreeEvent click(wxEVT_TREE_ITEM_RIGHT_CLICK, tree, Node(tree, "Zeta"));
    tree->GetEventHandler()->ProcessEvent(click);
    FlushEvents();
    EXPECT_EQ(dlg->m_projectorText->GetValue(), "Zeta");
}

TEST_F(ConfigEditorTest, DeletingLeavesNothingPointingAtTheRemovedObjects)
{
    Menu(Node(tree, "Zeta", "On"), ConfigDlg::ID_DELETE_COMMAND);
    EXPECT_EQ(Labels(tree), (std::vector<std::string>{"1.0", "Alpha", "  On", "Zeta"}));
    EXPECT_EQ(dlg->m_commandText->GetValue(), "");
    EXPECT_FALSE(dlg->m_commandText->IsEnabled());
    EXPECT_TRUE(dlg->m_userSaveButton->IsEnabled());

    Select(tree, Node(tree, "Alpha"));
    EXPECT_EQ(dlg->m_baudText->GetValue(), "9600");
    Menu(Node(tree, "Alpha"), ConfigDlg::ID_DELETE_PROJECTOR);
    EXPECT_EQ(Labels(tree), (std::vector<std::string>{"1.0", "Zeta"}));
    EXPECT_EQ(dlg->m_userList.FindProjector("Alpha"), nullptr);
    EXPECT_NE(dlg->m_projectorText->GetValue(), "Alpha");
    EXPECT_NE(dlg->m_baudText->GetValue(), "9600");
    EXPECT_TRUE(dlg->m_curProjector == nullptr || dlg->m_curProjector->GetName() == "Zeta");

    // The displays take edits for whatever is selected now, never for the removed one.
    Select(tree, Node(tree, "Zeta"));
    dlg->m_baudText->SetValue("19200");
    EXPECT_EQ(SavedUserFile(), "version: 1.0\nprojector: Zeta\nP, Baud, 19200\nP, Cable, \n");
}

TEST_F(ConfigEditorTest, CopyMergesIntoTheSameNameInAnyCaseOrAddsSorted)
{
    WriteRef("version: 2\nprojector: Model X\nC, On, NEW-ON\nC, Freeze, FRZ\nP, Baud, 4800\n"
             "projector: Beamer\nC, Off, B0\n");
    WriteUser("version: 1\nprojector: MODEL x\nC, ON, old\nC, Keep, K\nprojector: Zeta\nC, On, Z\n");
    Open();
    Select(dlg->m_refTree, Node(dlg->m_refTree, "Model X"));
    Click(dlg->m_copyButton);
    Select(dlg->m_refTree, Node(dlg->m_refTree, "Beamer"));
    Click(dlg->m_copyButton);
    EXPECT_EQ(Labels(dlg->m_userTree), (std::vector<std::string>{"1", "Beamer", "  Off", "MODEL x", "  ON", "  Keep",
                                                                 "  Freeze", "Zeta", "  On"}));
    const std::string saved = SavedUserFile();
    EXPECT_NE(saved.find("projector: MODEL x\nC, ON, NEW-ON\nC, Keep, K\nC, Freeze, FRZ\nP, Baud, 4800\n"), std::string::npos)
        << saved;
    EXPECT_NE(saved.find("projector: Beamer\nC, Off, B0\n"), std::string::npos) << saved;
}
