// The main window opens the configuration dialog and picks up what it saved.

#include "configdlg/configdlg.h"
#include "configdlg/treeitemdata.h"
#include "mainframe/sessionending.h"

#include "mainframe_fixture.h"

#include <functional>

namespace {

// Works in the open dialog as the installer would, then closes it.
class InConfigDlg : public wxExpectModalBase<ConfigDlg, InConfigDlg>
{
public:
    explicit InConfigDlg(std::function<void(ConfigDlg*)> work) : m_work(std::move(work)) {}

protected:
    int OnInvoked(ConfigDlg* dialog) const override
    {
        EXPECT_EQ(dialog->GetTitle(), "Configuration");
        m_work(dialog);
        return wxID_CANCEL;
    }

private:
    std::function<void(ConfigDlg*)> m_work;
};

// Adds a projector to the dialog's user list and saves the file with the
// dialog's "Save".
void AddAndSave(ConfigDlg* dialog, const std::string& name)
{
    auto* tree = dynamic_cast<wxTreeCtrl*>(dialog->FindWindow(ConfigDlg::ID_USER_TREE));
    ASSERT_NE(tree, nullptr);
    auto* data = dynamic_cast<TreeItemData*>(tree->GetItemData(tree->GetRootItem()));
    ASSERT_NE(data, nullptr);
    ProjectorList* list = data->List();
    ASSERT_NE(list, nullptr);
    Projector* added = list->AddProjector(name);
    ProjectorEntry on;
    on.source = list->GetSource(0)->name;
    on.name = "On";
    on.value = "ON<cr>";
    added->AddEntry(on);
    wxWindow* save = dialog->FindWindow(ConfigDlg::ID_USER_SAVE);
    ASSERT_NE(save, nullptr);
    wxCommandEvent click(wxEVT_BUTTON, save->GetId());
    click.SetEventObject(save);
    save->GetEventHandler()->ProcessEvent(click);
}

std::vector<std::string> ChoiceItems(wxOwnerDrawnComboBox* choice)
{
    std::vector<std::string> items;
    for (unsigned i = 0; i < choice->GetCount(); ++i)
        items.push_back(choice->GetString(i).utf8_string());
    return items;
}

} // namespace

class ConfigOpenTest : public MainFrameTest
{
protected:
    void BuildWithRoom1()
    {
        WriteProjectors("projector: Room 1\nC, On, PWR1<cr>\n");
        theSettings->Write(KEY_OPTIONS_PASSWORD, "harbor");
        Build();
    }
};

TEST_F(ConfigOpenTest, SavedProjectorReachesTheMainWindowChoice)
{
    BuildWithRoom1();
    ASSERT_EQ(ChoiceItems(frame->m_projectorChoice),
              (std::vector<std::string>{"**Choose Projector**", "Room 1"}));

    wxTEST_DIALOG(frame->OpenConfiguration(),
                  InConfigDlg([](ConfigDlg* dialog) { AddAndSave(dialog, "Hall 2"); }));
    EXPECT_EQ(ChoiceItems(frame->m_projectorChoice),
              (std::vector<std::string>{"**Choose Projector**", "Hall 2", "Room 1"}));
}

TEST_F(ConfigOpenTest, ProblemsOfTheSavedFileAreReported)
{
    BuildWithRoom1();
    wxTEST_DIALOG(frame->OpenConfiguration(),
                  InConfigDlg([&](ConfigDlg*) {
                      // As if saved by another program meanwhile: a line is skipped.
                      WriteProjectors("projector: Room 1\nC, On\nC, Off, b\n");
                  }),
                  ExpectMessageBox("There were warnings concerning the projector files\nSee log for more details.",
                                   "Projector File Read Error", wxICON_EXCLAMATION));
}

TEST_F(ConfigOpenTest, NothingFollowsWhenTheSessionEnds)
{
    BuildWithRoom1();
    wxTEST_DIALOG(frame->OpenConfiguration(), InConfigDlg([](ConfigDlg* dialog) {
                      AddAndSave(dialog, "Hall 2");
                      theSessionEnding = true;
                  }));
    theSessionEnding = false;
    EXPECT_EQ(ChoiceItems(frame->m_projectorChoice),
              (std::vector<std::string>{"**Choose Projector**", "Room 1"}));
}
