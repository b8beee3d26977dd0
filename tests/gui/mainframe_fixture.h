#pragma once

// A real main window under Xvfb, its link on a simulated control box at the
// end of a pseudo-terminal (the only serial port; the I2C bus fails to
// start), its projector file and settings in a temporary folder. The status
// timer is stopped: tests run its ticks themselves.

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

#include <wx/button.h>
#include <wx/filefn.h>

#include <type_traits>

class TestMainFrame : public MainFrame
{
public:
    using MainFrame::m_btnBlank, MainFrame::m_btnComp1, MainFrame::m_btnComp2, MainFrame::m_btnFreeze,
        MainFrame::m_btnMute, MainFrame::m_btnOff, MainFrame::m_btnOn, MainFrame::m_btnVcr, MainFrame::m_btnVolumeDown,
        MainFrame::m_btnVolumeUp, MainFrame::m_extraCmdSizer, MainFrame::m_frozen, MainFrame::m_micChoice,
        MainFrame::m_projectorChoice, MainFrame::m_scheduleTimer, MainFrame::m_sliderVolume, MainFrame::m_startupDone,
        MainFrame::m_statusTimer, MainFrame::m_viewCombo, MainFrame::OnStartupTimer, MainFrame::OpenConfiguration;

    std::vector<long> waits; // of the freeze

protected:
    void WaitMilliseconds(long milliseconds) override { waits.push_back(milliseconds); }
};

class MainFrameTest : public testing::Test
{
protected:
    using Bytes = PanelSimulator::Bytes;

    void SetUp() override
    {
        ASSERT_TRUE(sim.Start());
        m_oldCwd = wxGetCwd();
        wxSetWorkingDirectory(KESTO_SOURCE_DIR); // the window's pictures
        std::swap(theSettings, m_oldSettings);
        theSettings = OpenSettingsStore(wxString::FromUTF8(dir.File("AulavoxKesto.ini")));
        theSettings->Write(FileNameKey(FILE_USER), wxString::FromUTF8(projectorFile));
        theSettings->Write(KEY_PROJ_ALLOWCHANGE, true);
        theSettings->Write(KEY_OPTIONS_PASSWORD, "lemon");
        theSettings->Write(KEY_OPTIONS_FREEZEDELAY, 500L);
        std::swap(theProjectorList, m_oldList);
        theProjectorList = new ProjectorList;
        std::swap(thePanelComm, m_oldComm);
        thePanelComm = new PanelComm(MissingDdcBus());
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
        delete theProjectorList;
        delete theSettings;
        thePanelComm = m_oldComm;
        theProjectorList = m_oldList;
        theSettings = m_oldSettings;
        thePanelStatus = PanelStatus();
        wxSetWorkingDirectory(m_oldCwd);
    }

    void WriteProjectors(const std::string& body)
    {
        ASSERT_TRUE(WriteWholeFile(projectorFile, "version: 1.0\n" + body));
    }
    void SetDefaultProjector(const wxString& name) { theSettings->Write(KEY_PROJ_DEFAULT, name); }

    // Builds and shows the window with this projector file and chosen
    // projector, then runs the status timer's first tick (the start-up steps
    // and the first poll); the requests of the start-up are forgotten.
    void Start(const std::string& projectors = "projector: Room 1\nC, On, PWR1<cr>\n", const wxString& chosen = "")
    {
        WriteProjectors(projectors);
        SetDefaultProjector(chosen);
        frame = new TestMainFrame;
        frame->m_statusTimer.Stop();
        frame->Show();
        Tick();
        sim.ClearReceived();
    }

    // Start on Room 1, connected: a probe answered late on a busy machine
    // leaves the quiet start-up unconnected, so it is asked again.
    void StartConnected(const std::string& projectors = "projector: Room 1\nC, On, PWR1<cr>\n")
    {
        Start(projectors, "Room 1");
        ASSERT_TRUE(ConnectPatiently(*thePanelComm)) << log.Text();
        sim.ClearReceived();
    }
    static void Click(BmpTextButton* button) { Use(button); }

    void Tick()
    {
        wxTimerEvent tick(frame->m_statusTimer);
        frame->OnStartupTimer(tick);
        frame->m_statusTimer.Stop();
    }

    // Sends a control its event as the toolkit would, with the value set first.
    template <class Control>
    static void Use(Control* control, int value = 0)
    {
        wxEventType type = wxEVT_BUTTON;
        if constexpr (std::is_base_of_v<wxCheckBox, Control>)
            control->SetValue(value != 0), type = wxEVT_CHECKBOX;
        else if constexpr (std::is_base_of_v<wxComboCtrl, Control> || std::is_base_of_v<wxComboBox, Control>)
            control->SetSelection(value), type = wxEVT_COMBOBOX;
        else if constexpr (std::is_base_of_v<wxChoice, Control>)
            control->SetSelection(value), type = wxEVT_CHOICE;
        wxCommandEvent event(type, control->GetId());
        event.SetEventObject(control);
        event.SetInt(value);
        control->GetEventHandler()->ProcessEvent(event);
    }

    static Bytes Packet(char letter, const Bytes& payload = {})
    {
        return PanelSimulator::MakePacket(static_cast<uint8_t>(letter), payload);
    }

    LogRecorder log;
    TempDir dir;
    std::string projectorFile = dir.File("CustomList.txt");
    PanelSimulator sim;
    TestMainFrame* frame = nullptr;

private:
    wxString m_oldCwd;
    SettingsStore* m_oldSettings = nullptr;
    ProjectorList* m_oldList = nullptr;
    PanelComm* m_oldComm = nullptr;
};
