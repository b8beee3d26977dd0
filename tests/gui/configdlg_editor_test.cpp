// Editing the user file in its tree: the context menu's commands, label
// edits, copying from the reference file, the command value editor.

#include "configdlg_fixture.h"

#include <wx/menu.h>

namespace {

const char USER_TEXT[] = "version: 1.0\nprojector: Zeta\nC, On, Z1\nprojector: Alpha\nP, Baud, 9600\nC, On, A1\n";

} // namespace

class ConfigEditorTest : public ConfigDlgTest
{
protected:
    void Menu(int id)
    {
        wxCommandEvent event(wxEVT_MENU, id);
        dlg->OnTreeMenuCommand(event);
        FlushEvents();
    }

    // Renames through the tree's own label editor.
    void Rename(const wxTreeItemId& item, const wxString& label)
    {
        Select(dlg->m_userTree, item);
        Menu(ConfigDlg::ID_RENAME);
        wxTextCtrl* editor = dlg->m_userTree->GetEditControl();
        ASSERT_NE(editor, nullptr);
        editor->SetValue(label);
        dlg->m_userTree->EndEditLabel(item, false);
        FlushEvents();
    }

    std::string SavedUserFile()
    {
        Click(dlg->m_userSaveButton);
        std::string text = ReadWholeFile(userFile);
        std::string plain;
        for (char c : text)
            if (c != '\r')
                plain += c;
        return plain;
    }
};

TEST_F(ConfigEditorTest, MenuByNodeKindAndNoneInTheReferenceTree)
{
    WriteUser(USER_TEXT);
    WriteRef(USER_TEXT);
    Open();
    wxTreeCtrl* tree = dlg->m_userTree;
    struct Row
    {
        wxTreeItemId item;
        const char* title;
        std::vector<std::string> items;
    };
    const Row rows[] = {
        {tree->GetRootItem(), "Projector List", {"New Projector"}},
        {Child(tree, tree->GetRootItem(), "1.0"), "Version", {"Change Version"}},
        {Node(tree, "Zeta"), "Projector: Zeta", {"Rename Projector", "Delete Projector", "New Command"}},
        {Node(tree, "Zeta", "On"), "Command: On", {"Rename Command", "Delete Command"}},
    };
    for (const Row& row : rows)
    {
        std::unique_ptr<wxMenu> menu(dlg->BuildTreeMenu(tree, row.item));
        ASSERT_TRUE(menu) << row.title;
        std::vector<std::string> items;
        for (wxMenuItem* item : menu->GetMenuItems())
            items.push_back(item->GetItemLabelText().utf8_string());
        EXPECT_EQ(items, row.items) << row.title;
    }
    EXPECT_EQ(dlg->BuildTreeMenu(dlg->m_refTree, Node(dlg->m_refTree, "Zeta")), nullptr);
    EXPECT_EQ(dlg->BuildTreeMenu(tree, wxTreeItemId()), nullptr);
}

TEST_F(ConfigEditorTest, NewProjectorRenamedAndSaved)
{
    WriteUser(USER_TEXT);
    Open();
    Select(dlg->m_userTree, dlg->m_userTree->GetRootItem());
    Menu(ConfigDlg::ID_NEW_PROJECTOR);
    EXPECT_EQ(Labels(dlg->m_userTree),
              (std::vector<std::string>{"1.0", "Alpha", "  On", "Zeta", "  On", "~New~", "  On", "  Off",
                                        "  SourceVGA", "  SourceComposite", "  Freeze"}));
    EXPECT_TRUE(dlg->m_userSaveButton->IsEnabled());

    Rename(Node(dlg->m_userTree, "~New~"), "Beta");
    EXPECT_EQ(Labels(dlg->m_userTree),
              (std::vector<std::string>{"1.0", "Alpha", "  On", "Beta", "  On", "  Off", "  SourceVGA",
                                        "  SourceComposite", "  Freeze", "Zeta", "  On"}));
    EXPECT_EQ(SavedUserFile(), "version: 1.0\nprojector: Zeta\nC, On, Z1\nprojector: Alpha\nP, Baud, 9600\n"
                               "C, On, A1\nprojector: Beta\nP, Baud, \nP, Cable, \nC, On, \nC, Off, \n"
                               "C, SourceVGA, \nC, SourceComposite, \nC, Freeze, \n");
    EXPECT_FALSE(dlg->m_userSaveButton->IsEnabled());
}

TEST_F(ConfigEditorTest, LabelEditsOfVersionAndCommandAndWhatCannotBeEdited)
{
    WriteUser(USER_TEXT);
    Open();
    wxTreeCtrl* tree = dlg->m_userTree;

    // The root's label stays; so does a cancelled edit, without marking the file.
    Select(tree, tree->GetRootItem());
    Menu(ConfigDlg::ID_RENAME);
    EXPECT_EQ(tree->GetEditControl(), nullptr);
    const wxTreeItemId on = Node(tree, "Zeta", "On");
    Select(tree, on);
    Menu(ConfigDlg::ID_RENAME);
    ASSERT_NE(tree->GetEditControl(), nullptr);
    tree->GetEditControl()->SetValue("Power");
    tree->EndEditLabel(on, true);
    FlushEvents();
    EXPECT_EQ(tree->GetItemText(on), "On");
    EXPECT_FALSE(dlg->m_userSaveButton->IsEnabled());

    Rename(on, "Power On");
    EXPECT_EQ(dlg->m_commandNameText->GetValue(), "Power On");
    Rename(Child(tree, tree->GetRootItem(), "1.0"), "1.1");
    // Selecting a projector's command gave it the two parameters.
    EXPECT_EQ(SavedUserFile(), "version: 1.1\nprojector: Zeta\nC, Power On, Z1\nP, Baud, \nP, Cable, \n"
                               "projector: Alpha\nP, Baud, 9600\nC, On, A1\n");
}

TEST_F(ConfigEditorTest, NameTheFileCannotHoldIsKeptAndExplained)
{
    WriteUser(USER_TEXT);
    Open();
    Rename(Node(dlg->m_userTree, "Zeta", "On"), "On, Now");
    wxString message;
    struct Capture : wxExpectModalBase<wxGenericMessageDialog, Capture>
    {
        explicit Capture(wxString& text) : m_text(text) {}
        int OnInvoked(wxGenericMessageDialog* box) const override
        {
            EXPECT_EQ(box->GetTitle(), "Error");
            m_text = box->GetMessage();
            return wxID_OK;
        }
        wxString& m_text;
    };
    wxTEST_DIALOG(Click(dlg->m_userSaveButton), Capture(message));
    EXPECT_NE(message.Find("has a comma in its name"), wxNOT_FOUND) << message.utf8_string();
    EXPECT_EQ(ReadWholeFile(userFile), USER_TEXT);
    EXPECT_TRUE(dlg->m_userSaveButton->IsEnabled());
    EXPECT_TRUE(Node(dlg->m_userTree, "Zeta", "On, Now").IsOk());
}

TEST_F(ConfigEditorTest, DeletingLeavesNothingPointingAtTheRemovedObjects)
{
    WriteUser(USER_TEXT);
    Open();
    wxTreeCtrl* tree = dlg->m_userTree;

    Select(tree, Node(tree, "Zeta", "On"));
    Menu(ConfigDlg::ID_DELETE_COMMAND);
    EXPECT_EQ(Labels(tree), (std::vector<std::string>{"1.0", "Alpha", "  On", "Zeta"}));
    EXPECT_EQ(dlg->m_commandText->GetValue(), "");
    EXPECT_FALSE(dlg->m_commandText->IsEnabled());
    EXPECT_TRUE(dlg->m_userSaveButton->IsEnabled());

    Select(tree, Node(tree, "Alpha"));
    EXPECT_EQ(dlg->m_baudText->GetValue(), "9600");
    Menu(ConfigDlg::ID_DELETE_PROJECTOR);
    EXPECT_EQ(Labels(tree), (std::vector<std::string>{"1.0", "Zeta"}));
    EXPECT_EQ(dlg->m_userList.FindProjector("Alpha"), nullptr);
    EXPECT_NE(dlg->m_projectorText->GetValue(), "Alpha");
    EXPECT_NE(dlg->m_baudText->GetValue(), "9600");
    if (dlg->m_curProjector != nullptr)
    {
        EXPECT_EQ(dlg->m_curProjector->GetName(), "Zeta");
    }

    // The displays take edits for whatever is selected now, never for the removed one.
    Select(tree, Node(tree, "Zeta"));
    dlg->m_baudText->SetValue("19200");
    EXPECT_EQ(dlg->m_userList.FindProjector("Zeta")->FindEntry("Baud")->value, "19200");
    EXPECT_EQ(SavedUserFile(), "version: 1.0\nprojector: Zeta\nP, Baud, 19200\nP, Cable, \n");
}

TEST_F(ConfigEditorTest, NewCommandUnderTheProjector)
{
    WriteUser(USER_TEXT);
    Open();
    Select(dlg->m_userTree, Node(dlg->m_userTree, "Alpha"));
    Menu(ConfigDlg::ID_NEW_COMMAND);
    EXPECT_EQ(Labels(dlg->m_userTree),
              (std::vector<std::string>{"1.0", "Alpha", "  On", "  ~New~", "Zeta", "  On"}));
    Select(dlg->m_userTree, Node(dlg->m_userTree, "Alpha", "~New~"));
    dlg->m_commandText->SetValue("X<cr>");
    EXPECT_EQ(SavedUserFile(), "version: 1.0\nprojector: Zeta\nC, On, Z1\nprojector: Alpha\nP, Baud, 9600\n"
                               "C, On, A1\nP, Cable, \nC, ~New~, X<cr>\n");
}

TEST_F(ConfigEditorTest, CopyMergesIntoTheSameNameInAnyCaseOrAddsSorted)
{
    WriteRef("version: 2\nprojector: Model X\nC, On, NEW-ON\nC, Freeze, FRZ\nP, Baud, 4800\n"
             "projector: Beamer\nC, Off, B0\n");
    WriteUser("version: 1\nprojector: MODEL x\nC, ON, old\nC, Keep, K\nprojector: Zeta\nC, On, Z\n");
    Open();

    Select(dlg->m_refTree, Node(dlg->m_refTree, "Model X"));
    Click(dlg->m_copyButton);
    EXPECT_EQ(Labels(dlg->m_userTree),
              (std::vector<std::string>{"1", "MODEL x", "  ON", "  Keep", "  Freeze", "Zeta", "  On"}));
    Projector* merged = dlg->m_userList.FindProjector("model x");
    ASSERT_NE(merged, nullptr);
    EXPECT_EQ(merged->FindEntry("On")->value, "NEW-ON");
    EXPECT_EQ(merged->FindEntry("Keep")->value, "K");
    EXPECT_EQ(merged->FindEntry("Baud")->value, "4800");
    EXPECT_EQ(merged->FindEntry("Baud")->source, "CustomList");

    Select(dlg->m_refTree, Node(dlg->m_refTree, "Beamer"));
    Click(dlg->m_copyButton);
    EXPECT_EQ(Labels(dlg->m_userTree),
              (std::vector<std::string>{"1", "Beamer", "  Off", "MODEL x", "  ON", "  Keep", "  Freeze",
                                        "Zeta", "  On"}));
    EXPECT_EQ(dlg->m_userList.GetProjectorCount(), 3u);
}

TEST_F(ConfigEditorTest, TypingColoursTheValueAndStoresEveryKeystroke)
{
    WriteUser(USER_TEXT);
    Open();
    Select(dlg->m_userTree, Node(dlg->m_userTree, "Zeta", "On"));
    dlg->m_commandText->ChangeValue("");
    const wxColour red(255, 128, 128);
    struct Row
    {
        const char* key;
        bool invalid;
    };
    // "<1G": the escape's second character is no hexadecimal digit.
    const Row keys[] = {{"P", false}, {"<", true}, {"1", true}, {"G", true}};
    std::string typed;
    for (const Row& key : keys)
    {
        dlg->m_commandText->AppendText(key.key);
        typed += key.key;
        EXPECT_EQ(dlg->m_commandText->GetBackgroundColour() == red, key.invalid) << typed;
        EXPECT_EQ(dlg->m_userList.FindProjector("Zeta")->FindEntry("On")->value, typed);
        EXPECT_TRUE(dlg->m_userSaveButton->IsEnabled()) << typed;
    }
    dlg->m_commandText->SetValue("P<1B>");
    EXPECT_NE(dlg->m_commandText->GetBackgroundColour(), red);
}
