#pragma once

// A real main window under Xvfb, its link on a simulated control box at the
// end of a pseudo-terminal (the only serial port; the I2C bus is a fake that
// fails to start), its projector file and settings in a temporary folder.
// The status timer is stopped: tests run its ticks themselves.

#include "comm/panelcomm.h"
#include "controls/bmppanel.h"
#include "controls/bmptextbutton.h"
#include "mainframe/mainframe.h"
#include "mainframe/panelstatus.h"
#include "projdefs/projectorlist.h"
#include "settings/settings.h"

#include "support/core/fake_ddc_bus.h"
#include "support/core/log_recorder.h"
#include "support/core/panel_simulator.h"
#include "support/core/temp_dir.h"
#include "support/gui/gui_helpers.h"

#include <gtest/gtest.h>

#include <wx/filefn.h>

#include <memory>
#include <string>
#include <vector>

class TestMainFrame : public MainFrame
{
public:
    using MainFrame::m_btnBlank;
    using MainFrame::m_btnComp1;
    using MainFrame::m_btnComp2;
    using MainFrame::m_btnFreeze;
    using MainFrame::m_btnMute;
    using MainFrame::m_btnOff;
    using MainFrame::m_btnOn;
    using MainFrame::m_btnVcr;
    using MainFrame::m_btnVolumeDown;
    using MainFrame::m_btnVolumeUp;
    using MainFrame::m_advancedPanel;
    using MainFrame::m_chkDemoMode;
    using MainFrame::m_chkStayOnTop;
    using MainFrame::m_extraCmdPanel;
    using MainFrame::m_extraCmdSizer;
    using MainFrame::m_frozen;
    using MainFrame::m_linkUp;
    using MainFrame::m_micChoice;
    using MainFrame::m_projectorChoice;
    using MainFrame::m_projectorSelected;
    using MainFrame::m_sliderVolume;
    using MainFrame::m_startupDone;
    using MainFrame::m_statusTimer;
    using MainFrame::m_viewCombo;
    using MainFrame::OnStartupTimer;
    using MainFrame::OpenConfiguration;

    // The waits of the freeze, and whether the window was shown meanwhile.
    std::vector<long> waits;
    std::vector<bool> shownDuringWait;

protected:
    void WaitMilliseconds(long milliseconds) override
    {
        waits.push_back(milliseconds);
        shownDuringWait.push_back(IsShown());
    }
};

class MainFrameTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sim.Start());
        m_oldCwd = wxGetCwd();
        // The window's pictures are read from the working directory.
        wxSetWorkingDirectory(KESTO_SOURCE_DIR);

        m_oldSettings = theSettings;
        theSettings = OpenSettingsStore(wxString::FromUTF8(dir.File("AulavoxKesto.ini")));
        theSettings->Write(FileNameKey(FILE_USER), wxString::FromUTF8(projectorFile));
        theSettings->Write(KEY_PROJ_ALLOWCHANGE, true);
        theSettings->Write(KEY_OPTIONS_PASSWORD, "lemon");
        theSettings->Write(KEY_OPTIONS_FREEZEDELAY, 500L);

        m_oldList = theProjectorList;
        theProjectorList = new ProjectorList;
        m_oldComm = thePanelComm;
        bus = new FakeDdcBus;
        bus->initResult = 2; // no I2C here: only the simulated box on the serial line
        thePanelComm = new PanelComm(std::unique_ptr<DdcBus>(bus));
        thePanelComm->SetPortLister(PortListOf({sim.Path()}));

        thePanelStatus = PanelStatus();
    }

    void TearDown() override
    {
        if (frame)
        {
            frame->m_statusTimer.Stop();
            frame->Destroy();
            FlushEvents();
        }
        delete thePanelComm;
        thePanelComm = m_oldComm;
        delete theProjectorList;
        theProjectorList = m_oldList;
        delete theSettings;
        theSettings = m_oldSettings;
        thePanelStatus = PanelStatus();
        wxSetWorkingDirectory(m_oldCwd);
        sim.Stop();
    }

    // A projector file with the given projector lines, after its version line.
    void WriteProjectors(const std::string& body)
    {
        ASSERT_TRUE(WriteWholeFile(projectorFile, "version: 1.0\n" + body));
    }

    void SetDefaultProjector(const wxString& name) { theSettings->Write(KEY_PROJ_DEFAULT, name); }

    // Builds and shows the window, then runs the status timer's first tick
    // (the start-up steps and the first poll).
    void Build()
    {
        frame = new TestMainFrame;
        frame->m_statusTimer.Stop();
        frame->Show();
        Tick();
    }

    void Tick()
    {
        wxTimerEvent tick(frame->m_statusTimer);
        frame->OnStartupTimer(tick);
        frame->m_statusTimer.Stop();
    }

    // Builds with a chosen projector and the link to the box up; the
    // requests of the start-up (probe and status) are forgotten.
    void BuildConnected(const std::string& projectors = "projector: Room 1\nC, On, PWR1<cr>\n")
    {
        WriteProjectors(projectors);
        SetDefaultProjector("Room 1");
        Build();
        ASSERT_TRUE(thePanelComm->IsConnected()) << log.Text();
        sim.ClearReceived();
    }

    static void Click(BmpTextButton* button)
    {
        wxCommandEvent click(wxEVT_BUTTON, button->GetId());
        click.SetEventObject(button);
        button->GetEventHandler()->ProcessEvent(click);
    }

    static void SetCheck(wxCheckBox* box, bool checked)
    {
        box->SetValue(checked);
        wxCommandEvent event(wxEVT_CHECKBOX, box->GetId());
        event.SetEventObject(box);
        event.SetInt(checked);
        box->GetEventHandler()->ProcessEvent(event);
    }

    static void Select(wxChoice* choice, int item)
    {
        choice->SetSelection(item);
        wxCommandEvent event(wxEVT_CHOICE, choice->GetId());
        event.SetEventObject(choice);
        event.SetInt(item);
        choice->GetEventHandler()->ProcessEvent(event);
    }

    static void Select(wxOwnerDrawnComboBox* combo, int item)
    {
        combo->SetSelection(item);
        wxCommandEvent event(wxEVT_COMBOBOX, combo->GetId());
        event.SetEventObject(combo);
        event.SetInt(item);
        combo->GetEventHandler()->ProcessEvent(event);
    }

    static wxString Selected(wxOwnerDrawnComboBox* combo)
    {
        const int item = combo->GetSelection();
        return item < 0 ? wxString() : combo->GetString(static_cast<unsigned>(item));
    }

    // The requests the box received, as letters and payloads.
    std::vector<PanelSimulator::Bytes> Requests() const { return sim.Requests(); }

    static PanelSimulator::Bytes Packet(char letter, const PanelSimulator::Bytes& payload)
    {
        return PanelSimulator::MakePacket(static_cast<uint8_t>(letter), payload);
    }

    LogRecorder log;
    TempDir dir;
    std::string projectorFile = dir.File("CustomList.txt");
    PanelSimulator sim;
    FakeDdcBus* bus = nullptr;
    TestMainFrame* frame = nullptr;

private:
    wxString m_oldCwd;
    SettingsStore* m_oldSettings = nullptr;
    ProjectorList* m_oldList = nullptr;
    PanelComm* m_oldComm = nullptr;
};

// One of the program's message boxes whose text starts with the given one.
class ExpectMessageBoxStartingWith
    : public wxExpectModalBase<wxGenericMessageDialog, ExpectMessageBoxStartingWith>
{
public:
    ExpectMessageBoxStartingWith(const wxString& start, const wxString& caption)
        : m_start(start), m_caption(caption)
    {
    }

    mutable wxString message;

protected:
    int OnInvoked(wxGenericMessageDialog* dialog) const override
    {
        message = dialog->GetMessage();
        EXPECT_TRUE(message.StartsWith(m_start)) << message.utf8_string();
        EXPECT_EQ(dialog->GetTitle().utf8_string(), m_caption.utf8_string());
        EXPECT_EQ(dialog->GetMessageDialogStyle() & wxICON_MASK, wxICON_ERROR);
        return wxID_OK;
    }

private:
    wxString m_start;
    wxString m_caption;
};
