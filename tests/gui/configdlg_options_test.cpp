// The "Options" page: what it shows, what "Apply" writes, "Revert".

#include "configdlg_fixture.h"

#include <wx/filedlg.h>

#include <functional>

namespace {

// The file dialog of "...", cancelled.
class ExpectFileDialog : public wxExpectModalBase<wxFileDialog, ExpectFileDialog>
{
protected:
    int OnInvoked(wxFileDialog*) const override
    {
        return wxID_CANCEL;
    }
};

} // namespace

TEST_F(ConfigDlgTest, EachEditEnablesApplyAndRevertWhichRestores)
{
    WriteUser("version: 1\nprojector: Room\nC, On, a\n");
    theSettings->Write(KEY_PROJ_DEFAULT, "Room");
    Open();
    struct Row
    {
        const char* what;
        std::function<void()> edit;
        std::function<bool()> restored;
    };
    const Row rows[] = {
        {"reference path", [&] { dlg->m_refFileText->SetValue("x"); },
         [&] { return dlg->m_refFileText->GetValue() == wxString::FromUTF8(refFile); }},
        {"user URL", [&] { dlg->m_userUrlText->SetValue("file:///x"); },
         [&] { return dlg->m_userUrlText->GetValue().empty(); }},
        {"password", [&] { dlg->m_passwordText->SetValue("other"); },
         [&] { return dlg->m_passwordText->GetValue() == "lemon"; }},
        {"freeze delay", [&] { dlg->m_freezeDelayText->SetValue("9"); },
         [&] { return dlg->m_freezeDelayText->GetValue() == "500"; }},
        {"whiteboard", [&] { Tick(dlg->m_whiteBoardBox); },
         [&] { return !dlg->m_whiteBoardBox->GetValue(); }},
        {"allow change", [&] { Tick(dlg->m_allowChangeBox); },
         [&] { return dlg->m_allowChangeBox->GetValue(); }},
        {"default projector",
         [&] {
             dlg->m_defaultChoice->SetSelection(0);
             wxCommandEvent event(wxEVT_COMBOBOX, dlg->m_defaultChoice->GetId());
             event.SetEventObject(dlg->m_defaultChoice);
             dlg->m_defaultChoice->GetEventHandler()->ProcessEvent(event);
         },
         [&] { return dlg->m_defaultChoice->GetValue() == "Room"; }},
    };
    for (const Row& row : rows)
    {
        EXPECT_FALSE(dlg->m_applyButton->IsEnabled()) << row.what;
        EXPECT_FALSE(dlg->m_revertButton->IsEnabled()) << row.what;
        row.edit();
        EXPECT_TRUE(dlg->m_optionsModified) << row.what;
        EXPECT_TRUE(dlg->m_applyButton->IsEnabled()) << row.what;
        EXPECT_TRUE(dlg->m_revertButton->IsEnabled()) << row.what;
        Click(dlg->m_revertButton);
        EXPECT_TRUE(row.restored()) << row.what;
        EXPECT_FALSE(dlg->m_optionsModified) << row.what;
    }
    EXPECT_FALSE(dlg->m_applyButton->IsEnabled());
}

TEST_F(ConfigDlgTest, ApplyWritesEveryKeyAsShown)
{
    WriteUser("version: 1\nprojector: Room\nC, On, a\nprojector: Hall\nC, On, b\n");
    Open();
    dlg->m_refFileText->SetValue("/srv/ref.txt");
    dlg->m_refUrlText->SetValue("http://example.com/ref.txt");
    dlg->m_userUrlText->SetValue("file:///srv/user.txt");
    dlg->m_passwordText->SetValue("Se cret ");
    dlg->m_freezeDelayText->SetValue("12x");
    Tick(dlg->m_autoCheckBox);
    Tick(dlg->m_autoDownloadBox);
    Tick(dlg->m_allowChangeBox); // on by default: now off
    Tick(dlg->m_whiteBoardBox);
    Tick(dlg->m_stayOnTopBox);
    ASSERT_EQ(dlg->m_defaultChoice->GetString(2), "Room");
    dlg->m_defaultChoice->SetSelection(2);
    Click(dlg->m_applyButton);

    const std::pair<const char*, std::string> expected[] = {
        {"/Files/Name1", "/srv/ref.txt"},
        {"/Files/URL1", "http://example.com/ref.txt"},
        {"/Files/Name2", userFile},
        {"/Files/URL2", "file:///srv/user.txt"},
        {"/StartUp/AutoCheck", "1"},
        {"/StartUp/AutoDownload", "1"},
        {"/Proj/AllowChange", "0"},
        {"/Proj/Default", "Room"},
        {"/Options/Password", "Se cret "},
        {"/Options/WhiteBoardMode", "1"},
        {"/Options/StayOnTop", "1"},
        {"/Options/FreezeDelay", "12x"},
    };
    for (const auto& [key, value] : expected)
        EXPECT_EQ(StoredValue(key), value) << key;
    EXPECT_FALSE(dlg->m_applyButton->IsEnabled());
    EXPECT_FALSE(dlg->m_revertButton->IsEnabled());

    // "**None**" stores the empty text.
    dlg->m_defaultChoice->SetSelection(0);
    dlg->m_passwordText->SetValue("x"); // any edit enables Apply
    Click(dlg->m_applyButton);
    EXPECT_EQ(StoredValue("/Proj/Default"), "");
}

TEST_F(ConfigDlgTest, DefaultChoiceListsTheUserFileSortedOnce)
{
    // Projectors of one name in other letter case are one projector in the file.
    WriteUser("version: 1\nprojector: beta\nC, On, a\nprojector: Alpha\nC, On, a\n"
              "projector: Zulu\nC, On, a\nprojector: BETA\nC, Off, a\n");
    struct Row
    {
        const char* stored;
        const char* shown;
    };
    const Row rows[] = {{"Zulu", "Zulu"}, {"beta", "beta"}, {"Beta", "**None**"},
                        {"Gamma", "**None**"}, {"", "**None**"}};
    for (const Row& row : rows)
    {
        theSettings->Write(KEY_PROJ_DEFAULT, row.stored);
        Open();
        std::vector<std::string> items;
        for (unsigned i = 0; i < dlg->m_defaultChoice->GetCount(); ++i)
            items.push_back(dlg->m_defaultChoice->GetString(i).utf8_string());
        EXPECT_EQ(items, (std::vector<std::string>{"**None**", "Alpha", "Zulu", "beta"})) << row.stored;
        EXPECT_EQ(dlg->m_defaultChoice->GetValue(), row.shown) << row.stored;
        EXPECT_FALSE(dlg->m_applyButton->IsEnabled()) << row.stored;
        dlg->Destroy();
        FlushEvents();
        dlg = nullptr;
    }
}

TEST_F(ConfigDlgTest, ChosenFileCountsOnlyAfterApply)
{
    WriteUser("version: 1\nprojector: Old\nC, On, a\n");
    const std::string other = dir.File("Other.txt");
    ASSERT_TRUE(WriteWholeFile(other, "version: 2\nprojector: New\nC, On, a\n"));
    Open();

    // Cancelling the file dialog changes nothing.
    wxTEST_DIALOG(Click(dlg->m_userBrowseButton), ExpectFileDialog());
    EXPECT_EQ(dlg->m_userFileText->GetValue(), wxString::FromUTF8(userFile));
    EXPECT_FALSE(dlg->m_applyButton->IsEnabled());

    dlg->pickedFile = wxString::FromUTF8(other);
    Click(dlg->m_userBrowseButton);
    EXPECT_EQ(dlg->m_userFileText->GetValue(), wxString::FromUTF8(other));
    EXPECT_TRUE(dlg->m_applyButton->IsEnabled());
    EXPECT_EQ(Labels(dlg->m_userTree), (std::vector<std::string>{"1", "Old", "  On"}));

    Click(dlg->m_applyButton);
    EXPECT_EQ(Labels(dlg->m_userTree), (std::vector<std::string>{"2", "New", "  On"}));
    EXPECT_EQ(StoredValue("/Files/Name2"), other);
}
