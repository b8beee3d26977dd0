// The main window's start-up, projector choice, view menu and password.

#include "configdlg/configdlg.h"
#include "controls/insertsorted.h"

#include "mainframe_fixture.h"

#include <wx/choice.h>
#include <wx/textdlg.h>

namespace {

// The password prompt: types the answer, or cancels when it is empty.
class ExpectPasswordPrompt : public wxExpectModalBase<wxPasswordEntryDialog, ExpectPasswordPrompt>
{
public:
    explicit ExpectPasswordPrompt(const wxString& answer) : m_answer(answer) {}

protected:
    int OnInvoked(wxPasswordEntryDialog* dialog) const override
    {
        EXPECT_EQ(dialog->GetTitle(), "Password Entry");
        EXPECT_TRUE(dialog->HasFlag(wxTE_PASSWORD) || dialog->GetTextValidator() == nullptr);
        if (m_answer.empty())
            return wxID_CANCEL;
        dialog->SetValue(m_answer);
        return wxID_OK;
    }

private:
    wxString m_answer;
};

// Whether a view menu item shows the check mark (an item without it has a
// fully transparent picture).
bool HasCheckMark(wxBitmapComboBox* combo, unsigned item)
{
    const wxBitmap bitmap = combo->GetItemBitmap(item);
    if (!bitmap.IsOk())
        return false;
    const wxImage image = bitmap.ConvertToImage();
    for (int x = 0; x < image.GetWidth(); ++x)
        for (int y = 0; y < image.GetHeight(); ++y)
            if (!image.HasAlpha() || image.GetAlpha(x, y) > 0)
                return true;
    return false;
}

std::vector<wxString> Items(const wxItemContainerImmutable* choice)
{
    std::vector<wxString> items;
    for (unsigned i = 0; i < choice->GetCount(); ++i)
        items.push_back(choice->GetString(i));
    return items;
}

TEST(InsertSorted, CapitalsSortBeforeSmallLettersAndDuplicatesAreKeptOnce)
{
    wxFrame* frame = new wxFrame(nullptr, wxID_ANY, "choice");
    wxChoice* choice = new wxChoice(frame, wxID_ANY);
    int data[4];
    EXPECT_EQ(InsertSorted(choice, "beta", &data[0]), 0);
    EXPECT_EQ(InsertSorted(choice, "Alpha", &data[1]), 0);
    EXPECT_EQ(InsertSorted(choice, "Beta", &data[2]), 1);
    EXPECT_EQ(InsertSorted(choice, "beta", &data[3]), 2) << "already there";
    EXPECT_EQ(Items(choice), (std::vector<wxString>{"Alpha", "Beta", "beta"}));
    EXPECT_EQ(choice->GetClientData(2), &data[0]) << "the first one keeps its item";
    EXPECT_EQ(InsertSorted(choice, "zulu", nullptr), 3);
    frame->Destroy();
    FlushEvents();
}

TEST_F(MainFrameTest, ProjectorChoiceIsSortedAndFindsTheDefaultInAnyCase)
{
    WriteProjectors("projector: beta\nC, On, B1\n"
                    "projector: Alpha\nC, On, A1\n"
                    "projector: zeta\nC, On, Z1\n");
    SetDefaultProjector("ALPHA");
    Build();
    EXPECT_TRUE(frame->m_startupDone);
    EXPECT_EQ(Items(frame->m_projectorChoice),
              (std::vector<wxString>{"**Choose Projector**", "Alpha", "beta", "zeta"}));
    EXPECT_EQ(Selected(frame->m_projectorChoice), "Alpha");
    EXPECT_TRUE(frame->m_projectorChoice->IsEnabled());
    EXPECT_TRUE(frame->m_projectorSelected);
    // Each item carries its projector.
    auto* proj = static_cast<Projector*>(frame->m_projectorChoice->GetClientData(2));
    ASSERT_NE(proj, nullptr);
    EXPECT_EQ(proj->GetName(), "beta");
    // The start-up connected quietly and polled the status once.
    EXPECT_TRUE(thePanelComm->IsConnected());
    EXPECT_TRUE(frame->m_linkUp);
    const std::vector<PanelSimulator::Bytes> requests = Requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.back(), Packet('Q', {}));

    // A second projector of the same name in other letters gets its own
    // item, between the capitals and the small letters.
    theProjectorList->AddProjector("Beta");
    frame->FillProjectorChoice();
    EXPECT_EQ(Items(frame->m_projectorChoice),
              (std::vector<wxString>{"**Choose Projector**", "Alpha", "Beta", "beta", "zeta"}));
}

TEST_F(MainFrameTest, UnknownDefaultLeavesChooseProjector)
{
    WriteProjectors("projector: Room 1\nC, On, PWR1<cr>\n");
    SetDefaultProjector("Room 9");
    Build();
    EXPECT_EQ(frame->m_projectorChoice->GetSelection(), 0);
    EXPECT_FALSE(frame->m_projectorSelected);
    EXPECT_EQ(sim.RequestCount(), 0u) << "no projector, no connection";
    wxTEST_DIALOG(Click(frame->m_btnOn),
                  ExpectMessageBox("No projector is selected.\nPlease select projector before using Kesto",
                                   "Communication Error"));

    // Choosing one by hand makes the controls work.
    Select(frame->m_projectorChoice, 1);
    EXPECT_TRUE(frame->m_projectorSelected);
    Click(frame->m_btnOn);
    EXPECT_TRUE(frame->m_btnOn->IsHighlighted());
}

TEST_F(MainFrameTest, FixedInstallationShowsItsDefaultInADisabledChoice)
{
    theSettings->Write(KEY_PROJ_ALLOWCHANGE, false);
    WriteProjectors("projector: Room 1\nC, On, PWR1<cr>\nprojector: Room 2\nC, On, X\n");
    SetDefaultProjector("room 2");
    Build();
    EXPECT_FALSE(frame->m_projectorChoice->IsEnabled());
    EXPECT_EQ(Selected(frame->m_projectorChoice), "Room 2");
    EXPECT_TRUE(frame->m_projectorSelected);
}

TEST_F(MainFrameTest, WithoutUserFileOnlyChooseProjectorIsOffered)
{
    theSettings->Write(FileNameKey(FILE_USER), wxString());
    SetDefaultProjector("Room 1");
    Build();
    EXPECT_EQ(theProjectorList->GetSourceCount(), 0u);
    EXPECT_EQ(Items(frame->m_projectorChoice), (std::vector<wxString>{"**Choose Projector**"}));
    EXPECT_FALSE(frame->m_projectorSelected);
}

TEST_F(MainFrameTest, StartUpReadsQuietlyAndLaterReadsReportErrorsAndWarnings)
{
    // A skipped line (lower-case kind) at start-up is only logged.
    WriteProjectors("projector: Room 1\nC, On, PWR1<cr>\nc, Off, PWR0\n");
    Build();
    EXPECT_TRUE(log.Contains("Warning: ReadSource: first parameter must be either 'C' or 'P', line 4 file " +
                             projectorFile))
        << log.Text();

    wxTEST_DIALOG(EXPECT_EQ(frame->ReadProjectorFiles(false), FILE_WARNINGS),
                  ExpectMessageBox("There were warnings concerning the projector files\nSee log for more details.",
                                   "Projector File Read Error", wxICON_EXCLAMATION));

    WriteProjectors("C, On, PWR1\n"); // data before any projector
    wxTEST_DIALOG(EXPECT_EQ(frame->ReadProjectorFiles(false), FILE_FORMAT_ERROR),
                  ExpectMessageBox("Errors occurred while reading the projector files\nSee log for more details.",
                                   "Projector File Read Error", wxICON_ERROR));
    EXPECT_EQ(frame->ReadProjectorFiles(true), FILE_FORMAT_ERROR); // quiet: no box

    WriteProjectors("projector: Room 1\nC, On, PWR1<cr>\n");
    EXPECT_EQ(frame->ReadProjectorFiles(false), FILE_OK);
}

TEST_F(MainFrameTest, AutomaticDownloadAtStartUpReportsProblemsOfTheNewFile)
{
    const std::string remote = dir.File("remote.txt");
    ASSERT_TRUE(WriteWholeFile(remote, "version: 2.0\nprojector: Room 2\nC, On, X\nC, Off\n"));
    WriteProjectors("projector: Room 1\nC, On, PWR1<cr>\n");
    theSettings->Write(FileUrlKey(FILE_USER), wxString::FromUTF8("file://" + remote));
    theSettings->Write(KEY_STARTUP_AUTOCHECK, true);
    theSettings->Write(KEY_STARTUP_AUTODOWNLOAD, true);

    // The updater closes by itself; the downloaded file's skipped line is
    // then reported, not only logged.
    wxTEST_DIALOG(Build(),
                  ExpectMessageBox("There were warnings concerning the projector files\nSee log for more details.",
                                   "Projector File Read Error", wxICON_EXCLAMATION));
    EXPECT_EQ(Items(frame->m_projectorChoice), (std::vector<wxString>{"**Choose Projector**", "Room 2"}));
    EXPECT_EQ(theProjectorList->GetSource(0)->version, "2.0");
    EXPECT_TRUE(frame->m_startupDone);
}

TEST_F(MainFrameTest, ViewMenuShowsAndHidesTheAdvancedPanel)
{
    WriteProjectors("projector: Room 1\nC, On, PWR1<cr>\n");
    Build();
    EXPECT_FALSE(frame->m_advancedPanel->IsShown()) << "starts hidden";
    EXPECT_TRUE(HasCheckMark(frame->m_viewCombo, 0));
    EXPECT_FALSE(HasCheckMark(frame->m_viewCombo, 1));
    const int narrow = frame->GetSize().GetWidth();

    auto choose = [this](int item) {
        frame->m_viewCombo->SetSelection(item);
        wxCommandEvent event(wxEVT_COMBOBOX, frame->m_viewCombo->GetId());
        event.SetEventObject(frame->m_viewCombo);
        event.SetInt(item);
        frame->m_viewCombo->GetEventHandler()->ProcessEvent(event);
    };
    for (int twice = 0; twice < 2; ++twice)
    {
        choose(1);
        EXPECT_TRUE(frame->m_advancedPanel->IsShown());
        EXPECT_EQ(frame->m_viewCombo->GetValue(), "      Options");
        EXPECT_EQ(frame->m_viewCombo->GetSelection(), wxNOT_FOUND);
        EXPECT_FALSE(HasCheckMark(frame->m_viewCombo, 0));
        EXPECT_TRUE(HasCheckMark(frame->m_viewCombo, 1));
    }
    const int wide = frame->GetSize().GetWidth();
    EXPECT_GT(wide, narrow) << "the frame grows by the panel";

    // "harbor" needs no prompt: only the configuration, and the marks stay.
    theSettings->Write(KEY_OPTIONS_PASSWORD, "harbor");
    wxTEST_DIALOG(choose(2), wxExpectDismissableModal<ConfigDlg>(wxID_CANCEL));
    EXPECT_EQ(frame->m_viewCombo->GetValue(), "      Options");
    EXPECT_TRUE(frame->m_advancedPanel->IsShown());
    EXPECT_TRUE(HasCheckMark(frame->m_viewCombo, 1));

    choose(0);
    EXPECT_FALSE(frame->m_advancedPanel->IsShown());
    EXPECT_TRUE(HasCheckMark(frame->m_viewCombo, 0));
    EXPECT_FALSE(HasCheckMark(frame->m_viewCombo, 1));
    EXPECT_EQ(frame->GetSize().GetWidth(), narrow);
}

TEST_F(MainFrameTest, PasswordIsCheckedExactly)
{
    WriteProjectors("projector: Room 1\nC, On, PWR1<cr>\n");
    Build();

    wxTEST_DIALOG(frame->OpenConfiguration(), ExpectPasswordPrompt("lemon"),
                  wxExpectDismissableModal<ConfigDlg>(wxID_CANCEL));
    wxTEST_DIALOG(frame->OpenConfiguration(), ExpectPasswordPrompt("Lemon"),
                  ExpectMessageBox("Password was incorrect", "Password Entry"));
    wxTEST_DIALOG(frame->OpenConfiguration(), ExpectPasswordPrompt("")); // cancelled: no message

    // An empty stored password can never be given.
    theSettings->Write(KEY_OPTIONS_PASSWORD, wxString());
    wxTEST_DIALOG(frame->OpenConfiguration(), ExpectPasswordPrompt(""));

    theSettings->Write(KEY_OPTIONS_PASSWORD, "harbor");
    // No prompt: any other dialog would fail the test.
    wxTEST_DIALOG(frame->OpenConfiguration(), wxExpectDismissableModal<ConfigDlg>(wxID_CANCEL));
}

TEST_F(MainFrameTest, StayOnTopAndWhiteboardComeFromTheSettings)
{
    theSettings->Write(KEY_OPTIONS_STAYONTOP, true);
    theSettings->Write(KEY_OPTIONS_WHITEBOARDMODE, true);
    WriteProjectors("projector: Room 1\nC, On, PWR1<cr>\n");
    Build();
    EXPECT_TRUE(frame->m_chkStayOnTop->IsChecked());
    EXPECT_TRUE(frame->HasFlag(wxSTAY_ON_TOP));
    EXPECT_FALSE(frame->m_chkDemoMode->IsChecked());
    EXPECT_FALSE(thePanelComm->IsDemo());

    SetCheck(frame->m_chkStayOnTop, false);
    EXPECT_FALSE(frame->HasFlag(wxSTAY_ON_TOP));
    bool stored = false;
    theSettings->Read(KEY_OPTIONS_STAYONTOP, &stored);
    EXPECT_TRUE(stored) << "the check box is not stored";
}

TEST_F(MainFrameTest, TimerPollsOnlyWhileTheLinkIsUp)
{
    BuildConnected();
    sim.SetStatus({1, 2, 20, 0, 1, 1});
    Tick();
    EXPECT_TRUE(frame->m_btnComp2->IsHighlighted());
    EXPECT_TRUE(frame->m_btnBlank->IsHighlighted());
    EXPECT_EQ(frame->m_sliderVolume->GetValue(), 20);
    EXPECT_EQ(frame->m_micChoice->GetSelection(), 1);

    // A silent box ends polling until the next command.
    sim.QueueSilence();
    sim.QueueSilence();
    wxTEST_DIALOG(Tick(), ExpectMessageBox("control panel did not return any data", "Communication Error"));
    EXPECT_FALSE(frame->m_linkUp);
    sim.ClearReceived();
    Tick();
    Tick();
    EXPECT_EQ(sim.RequestCount(), 0u);
    // What the box said last is still shown.
    EXPECT_TRUE(frame->m_btnComp2->IsHighlighted());
}

TEST_F(MainFrameTest, TimerRunsByItselfAfterStartUp)
{
    WriteProjectors("projector: Room 1\nC, On, PWR1<cr>\n");
    SetDefaultProjector("Room 1");
    sim.SetStatus({1, 1, 8, 0, 0, 0});
    frame = new TestMainFrame;
    frame->Show();
    // The first run comes about 100 ms after construction, then one a second.
    ASSERT_TRUE(YieldUntil([this] { return frame->m_startupDone; }, 3000));
    EXPECT_TRUE(frame->m_statusTimer.IsRunning());
    EXPECT_TRUE(frame->m_statusTimer.IsOneShot());
    EXPECT_EQ(frame->m_statusTimer.GetInterval(), 1000);
    EXPECT_TRUE(frame->m_btnOn->IsHighlighted());
}

} // namespace
