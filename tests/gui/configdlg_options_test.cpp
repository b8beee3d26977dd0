// The "Options" page: what "Apply" writes, "Revert", the red texts it refuses.

#include "configdlg_fixture.h"

// A default stored in other letter case showed "**None**" and the next Apply
// wiped it; an option that Apply or Revert leaves as it was.
TEST_F(ConfigDlgTest, RevertRestoresWhatApplyWritesEveryKeyAsShown)
{
    WriteUser("version: 1\nprojector: beta\nC, On, a\nprojector: Zulu\nC, On, a\n");
    theSettings->Write(KEY_PROJ_DEFAULT, "Beta");
    Open();
    EXPECT_EQ(dlg->m_defaultChoice->GetValue(), "beta");
    dlg->m_passwordText->SetValue("other");
    Click(dlg->m_applyButton);
    EXPECT_EQ(StoredValue("/Proj/Default"), "Beta");
    dlg->m_refFileText->SetValue("x");
    Tick(dlg->m_whiteBoardBox);
    dlg->m_defaultChoice->SetSelection(0);
    Send(dlg->m_defaultChoice, wxEVT_COMBOBOX);
    Click(dlg->m_revertButton);
    EXPECT_EQ(dlg->m_refFileText->GetValue(), wxString::FromUTF8(refFile));
    EXPECT_FALSE(dlg->m_whiteBoardBox->GetValue());
    EXPECT_EQ(dlg->m_defaultChoice->GetValue(), "beta");
    EXPECT_FALSE(dlg->m_applyButton->IsEnabled());

    dlg->m_refFileText->SetValue("/srv/ref.txt");
    dlg->m_refUrlText->SetValue("http://example.com/ref.txt");
    dlg->m_userUrlText->SetValue("file:///srv/user.txt");
    dlg->m_passwordText->SetValue("Se cret");
    dlg->m_freezeDelayText->SetValue("12x");
    for (wxCheckBox* box : {dlg->m_autoCheckBox, dlg->m_autoDownloadBox, dlg->m_allowChangeBox, dlg->m_whiteBoardBox,
                            dlg->m_stayOnTopBox})
        Tick(box); // all off by default but "allow change"
    dlg->m_defaultChoice->SetSelection(1);
    Click(dlg->m_applyButton);
    const std::pair<const char*, std::string> expected[] = {
        {"/Files/Name1", "/srv/ref.txt"}, {"/Files/URL1", "http://example.com/ref.txt"}, {"/Files/Name2", userFile},
        {"/Files/URL2", "file:///srv/user.txt"}, {"/StartUp/AutoCheck", "1"}, {"/StartUp/AutoDownload", "1"},
        {"/Proj/AllowChange", "0"}, {"/Proj/Default", "Zulu"}, {"/Options/Password", "Se cret"},
        {"/Options/WhiteBoardMode", "1"}, {"/Options/StayOnTop", "1"}, {"/Options/FreezeDelay", "12x"},
    };
    for (const auto& [key, value] : expected)
        EXPECT_EQ(StoredValue(key), value) << key;
    dlg->m_defaultChoice->SetSelection(0); // "**None**": the empty text
    dlg->m_passwordText->SetValue("x");
    Click(dlg->m_applyButton);
    EXPECT_EQ(StoredValue("/Proj/Default"), "");
}

// A field that takes any text turns rooms off at a guessed time, or never, without a word.
TEST_F(ConfigDlgTest, IdleOffMinutesAreAppliedOnlyAsWholeMinutesUpToADay)
{
    WriteUser("version: 1\n");
    Open();
    const auto red = [this] { return dlg->m_idleOffText->GetBackgroundColour() == wxColour(255, 128, 128); };
    EXPECT_EQ(dlg->m_idleOffText->GetValue(), "0") << "never, until an installer sets it";
    // Typed, then the value stored after "Apply" (an invalid one is not applied).
    const std::pair<const char*, const char*> rows[] = {{"30", "30"},         {"abc", nullptr}, {"1441", nullptr},
                                                        {"-5", nullptr},      {"", nullptr},    {" 1440 ", "1440"},
                                                        {"0", "0"}};
    std::string stored;
    for (const auto& [typed, applied] : rows)
    {
        SCOPED_TRACE(typed);
        dlg->m_idleOffText->SetValue(typed);
        EXPECT_EQ(red(), applied == nullptr);
        Click(dlg->m_applyButton);
        stored = applied ? applied : stored;
        EXPECT_EQ(StoredValue("/Options/IdleOffMinutes"), stored);
        EXPECT_EQ(dlg->m_applyButton->IsEnabled(), applied == nullptr) << "the unapplied value keeps the page modified";
    }
    theSettings->Write(KEY_OPTIONS_IDLEOFFMINUTES, "soon"); // as an installer may write it
    dlg->LoadOptions();
    EXPECT_TRUE(red());
}

// Texts the settings file would not give back as typed (a pasted line break
// or control character, a password with blanks at an end: ' pw ' came back
// as 'pw ' and locked the installer out) must turn red, and "Apply" must
// write nothing until they are mended.
TEST_F(ConfigDlgTest, TextThatWouldNotReadBackIsRedAndRefused)
{
    WriteRef("version: 1\n");
    WriteUser("version: 1\n");
    Open();
    log.Clear();
    const struct
    {
        wxTextCtrl* field;
        const char* key;
        const char* value;
    } rows[] = {
        {dlg->m_refFileText, "/Files/Name1", "/srv/a\nb.txt"},
        {dlg->m_refUrlText, "/Files/URL1", "http://h/\x1B[200~x.txt"},
        {dlg->m_userFileText, "/Files/Name2", "/srv/x\x7F.txt"},
        {dlg->m_userUrlText, "/Files/URL2", "http://h/\r"},
        {dlg->m_freezeDelayText, "/Options/FreezeDelay", "5\t"},
        {dlg->m_passwordText, "/Options/Password", " pw"},
        {dlg->m_passwordText, "/Options/Password", "pw "},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.value);
        const std::string before = StoredValue(row.key);
        const wxString good = row.field->GetValue();
        row.field->SetValue(row.value);
        EXPECT_TRUE(row.field->UseBackgroundColour());
        Tick(dlg->m_whiteBoardBox);
        Click(dlg->m_applyButton);
        EXPECT_EQ(StoredValue(row.key), before);
        EXPECT_EQ(StoredValue("/Options/WhiteBoardMode"), "0");
        row.field->SetValue(good);
        EXPECT_FALSE(row.field->UseBackgroundColour());
        Tick(dlg->m_whiteBoardBox);
    }
    EXPECT_EQ(log.AtLevel(Log::LEVEL_ERROR), std::vector<std::string>()) << "the writer's guard was not needed";
}
