// The main window's start-up, projector choice, view menu and password.

#include "configdlg/configdlg.h"
#include "controls/insertsorted.h"

#include "mainframe_fixture.h"

#include <wx/textdlg.h>

namespace {

const char* const NO_PROJECTOR = "No projector is selected.\nPlease select projector before using Kesto";

// The password prompt: types the answer, or cancels when it is empty.
class ExpectPasswordPrompt : public wxExpectModalBase<wxPasswordEntryDialog, ExpectPasswordPrompt>
{
public:
    explicit ExpectPasswordPrompt(const wxString& answer) : m_answer(answer) {}

protected:
    int OnInvoked(wxPasswordEntryDialog* dialog) const override
    {
        EXPECT_EQ(dialog->GetTitle(), "Password Entry");
        dialog->SetValue(m_answer);
        return m_answer.empty() ? wxID_CANCEL : wxID_OK;
    }

private:
    wxString m_answer;
};

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
    int data[3];
    for (auto [name, item] : {std::pair{"beta", 0}, {"Alpha", 0}, {"Beta", 1}, {"beta", 2}})
        EXPECT_EQ(InsertSorted(choice, name, &data[item % 3]), item) << name;
    EXPECT_EQ(Items(choice), (std::vector<wxString>{"Alpha", "Beta", "beta"}));
    EXPECT_EQ(choice->GetClientData(2), &data[0]) << "the first one keeps its item";
    frame->Destroy();
    FlushEvents();
}

TEST_F(MainFrameTest, StartUpChoosesTheDefaultProjectorAndConnects)
{
    sim.SetStatus({1, 3, 10, 0, 0, 0});
    Start("projector: beta\nC, On, B1\nprojector: Alpha\nC, On, A1\nprojector: zeta\nC, On, Z1\n", "ALPHA");
    EXPECT_TRUE(frame->m_startupDone);
    EXPECT_EQ(Items(frame->m_projectorChoice), (std::vector<wxString>{"**Choose Projector**", "Alpha", "beta", "zeta"}));
    EXPECT_EQ(Selected(frame->m_projectorChoice), "Alpha");
    EXPECT_EQ(static_cast<Projector*>(frame->m_projectorChoice->GetClientData(2))->GetName(), "beta");
    EXPECT_TRUE(frame->m_linkUp) << "connected quietly";
    EXPECT_TRUE(frame->m_btnOn->IsHighlighted()) << "and polled the status";
    EXPECT_TRUE(frame->m_btnVcr->IsHighlighted());

    // A second projector of the same name in other letters gets its own item.
    theProjectorList->AddProjector("Beta");
    frame->FillProjectorChoice();
    EXPECT_EQ(Items(frame->m_projectorChoice),
              (std::vector<wxString>{"**Choose Projector**", "Alpha", "Beta", "beta", "zeta"}));
}

TEST_F(MainFrameTest, WithoutAProjectorEveryControlAsksForOneAndSendsNothing)
{
    Start("projector: Room 1\nC, On, PWR1<cr>\n", "Room 9");
    EXPECT_EQ(frame->m_projectorChoice->GetSelection(), 0);
    for (BmpTextButton* button : {frame->m_btnOn, frame->m_btnOff, frame->m_btnBlank, frame->m_btnMute,
                                  frame->m_btnVolumeDown, frame->m_btnVolumeUp, frame->m_btnComp1, frame->m_btnVcr,
                                  frame->m_btnComp2})
        wxTEST_DIALOG(Use(button), ExpectMessageBox(NO_PROJECTOR, "Communication Error"));
    wxTEST_DIALOG(Use(frame->m_micChoice, 2), ExpectMessageBox(NO_PROJECTOR, "Communication Error"));
    Tick(); // the status timer stays silent about it
    FlushEvents();
    EXPECT_EQ(sim.RequestCount(), 0u);
    EXPECT_EQ(thePanelStatus.powerState, 0);

    Use(frame->m_projectorChoice, 1); // chosen by hand, the controls work
    Use(frame->m_btnOn);
    EXPECT_TRUE(frame->m_btnOn->IsHighlighted());
}

TEST_F(MainFrameTest, FixedInstallationOrNoUserFile)
{
    theSettings->Write(KEY_PROJ_ALLOWCHANGE, false);
    Start("projector: Room 1\nC, On, PWR1<cr>\nprojector: Room 2\nC, On, X\n", "room 2");
    EXPECT_FALSE(frame->m_projectorChoice->IsEnabled());
    EXPECT_EQ(Selected(frame->m_projectorChoice), "Room 2");
    frame->Destroy();

    theSettings->Write(FileNameKey(FILE_USER), wxString());
    Start("projector: Room 1\nC, On, PWR1<cr>\n", "Room 1");
    EXPECT_EQ(Items(frame->m_projectorChoice), (std::vector<wxString>{"**Choose Projector**"}));
}

TEST_F(MainFrameTest, StartUpReadsQuietlyAndLaterReadsReportProblems)
{
    const std::string remote = dir.File("remote.txt");
    ASSERT_TRUE(WriteWholeFile(remote, "version: 2.0\nprojector: Room 2\nC, On, X\nC, Off\n"));
    theSettings->Write(FileUrlKey(FILE_USER), wxString::FromUTF8("file://" + remote));
    theSettings->Write(KEY_STARTUP_AUTOCHECK, true);
    theSettings->Write(KEY_STARTUP_AUTODOWNLOAD, true);
    const char* warnings = "There were warnings concerning the projector files\nSee log for more details.";
    // The file at start-up warns in the log only; the downloaded one's warning is reported.
    wxTEST_DIALOG(Start("projector: Room 1\nC, On, PWR1<cr>\nc, Off, PWR0\n"),
                  ExpectMessageBox(warnings, "Projector File Read Error", wxICON_EXCLAMATION));
    EXPECT_TRUE(log.Contains("Warning: ReadSource: first parameter must be either 'C' or 'P', line 4 file " +
                             projectorFile)) << log.Text();
    EXPECT_EQ(Items(frame->m_projectorChoice), (std::vector<wxString>{"**Choose Projector**", "Room 2"}));
    EXPECT_EQ(theProjectorList->GetSource(0)->version, "2.0");

    ASSERT_TRUE(WriteWholeFile(projectorFile, "C, On, PWR1\n"));
    wxTEST_DIALOG(EXPECT_EQ(frame->ReadProjectorFiles(false), FILE_FORMAT_ERROR),
                  ExpectMessageBox("Errors occurred while reading the projector files\nSee log for more details.",
                                   "Projector File Read Error", wxICON_ERROR));
    EXPECT_EQ(frame->ReadProjectorFiles(true), FILE_FORMAT_ERROR); // quiet: no box
}

TEST_F(MainFrameTest, ViewMenuPasswordAndTheOptionsFromTheSettings)
{
    theSettings->Write(KEY_OPTIONS_STAYONTOP, true);
    Start();
    EXPECT_TRUE(frame->HasFlag(wxSTAY_ON_TOP));
    Use(frame->m_chkStayOnTop, false);
    EXPECT_FALSE(frame->HasFlag(wxSTAY_ON_TOP));
    EXPECT_TRUE(theSettings->ReadBool(KEY_OPTIONS_STAYONTOP, false)) << "the check box is not stored";

    // Item 0 hides the options, 1 shows them (the frame grows), 2 asks for the
    // password; the check marks follow (an item without one has a transparent picture).
    auto marked = [this](unsigned item) {
        const wxImage image = frame->m_viewCombo->GetItemBitmap(item).ConvertToImage();
        for (int x = 0; x < image.GetWidth(); ++x)
            for (int y = 0; y < image.GetHeight(); ++y)
                if (!image.HasAlpha() || image.GetAlpha(x, y) > 0)
                    return true;
        return false;
    };
    const int narrow = frame->GetSize().GetWidth();
    EXPECT_FALSE(frame->m_advancedPanel->IsShown());
    EXPECT_TRUE(marked(0) && !marked(1));
    for (int twice = 0; twice < 2; ++twice)
        Use(frame->m_viewCombo, 1);
    EXPECT_TRUE(frame->m_advancedPanel->IsShown());
    EXPECT_EQ(frame->m_viewCombo->GetValue(), "      Options");
    EXPECT_TRUE(!marked(0) && marked(1));
    EXPECT_GT(frame->GetSize().GetWidth(), narrow);
    wxTEST_DIALOG(Use(frame->m_viewCombo, 2), ExpectPasswordPrompt("lemon"),
                  wxExpectDismissableModal<ConfigDlg>(wxID_CANCEL));
    wxTEST_DIALOG(frame->OpenConfiguration(), ExpectPasswordPrompt("Lemon"),
                  ExpectMessageBox("Password was incorrect", "Password Entry"));
    wxTEST_DIALOG(frame->OpenConfiguration(), ExpectPasswordPrompt("")); // cancelled: no message
    theSettings->Write(KEY_OPTIONS_PASSWORD, wxString()); // can never be given
    wxTEST_DIALOG(frame->OpenConfiguration(), ExpectPasswordPrompt(""));
    theSettings->Write(KEY_OPTIONS_PASSWORD, "harbor"); // no prompt: any other dialog would fail the test
    wxTEST_DIALOG(frame->OpenConfiguration(), wxExpectDismissableModal<ConfigDlg>(wxID_CANCEL));
    EXPECT_EQ(frame->m_viewCombo->GetValue(), "      Options");
    Use(frame->m_viewCombo, 0);
    EXPECT_FALSE(frame->m_advancedPanel->IsShown());
    EXPECT_TRUE(marked(0) && !marked(1));
    EXPECT_EQ(frame->GetSize().GetWidth(), narrow);
}

TEST_F(MainFrameTest, TimerRunsByItselfAfterStartUp)
{
    ASSERT_TRUE(WriteWholeFile(projectorFile, "version: 1.0\nprojector: Room 1\nC, On, PWR1<cr>\n"));
    theSettings->Write(KEY_PROJ_DEFAULT, "Room 1");
    sim.SetStatus({1, 1, 8, 0, 0, 0});
    frame = new TestMainFrame;
    frame->Show();
    ASSERT_TRUE(YieldUntil([this] { return frame->m_startupDone; }, 3000)); // about 100 ms after construction
    EXPECT_TRUE(frame->m_statusTimer.IsRunning());
    EXPECT_EQ(frame->m_statusTimer.GetInterval(), 1000);
    EXPECT_TRUE(frame->m_btnOn->IsHighlighted());
}

} // namespace
