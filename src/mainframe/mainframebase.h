#pragma once

#include <wx/bmpcbox.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/frame.h>
#include <wx/odcombo.h>
#include <wx/panel.h>
#include <wx/scrolwin.h>
#include <wx/sizer.h>
#include <wx/slider.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

class BmpPanel;
class BmpTextButton;

// Control identifiers the handlers tell apart.
enum
{
    ID_POWER_PANEL = 1000,
    ID_VOLUME_DOWN = 1001,
    ID_VOLUME_UP = 1002,
    ID_SOURCE_COMP1 = 1003,
    ID_SOURCE_VCR = 1004,
    ID_SOURCE_COMP2 = 1005,
};

// Layout of the main window: builds the controls and connects their events
// to virtual handlers that only pass the event on. MainFrame gives them
// their behaviour.
class MainFrameBase : public wxFrame
{
public:
    MainFrameBase(wxWindow* parent, wxWindowID id = wxID_ANY,
                  const wxString& title = "Aulavox Virtual Control Panel",
                  const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxSize(471, 293),
                  long style = wxCAPTION | wxSYSTEM_MENU | wxMINIMIZE_BOX | wxCLOSE_BOX |
                               wxTAB_TRAVERSAL);
    ~MainFrameBase() override;

protected:
    wxPanel* m_mainPanel;
    wxBoxSizer* m_mainPanelSizer;
    BmpPanel* m_powerPanel;
    BmpTextButton* m_btnOn;
    BmpTextButton* m_btnFreeze;
    BmpTextButton* m_btnOff;
    BmpTextButton* m_btnBlank;
    BmpPanel* m_volumePanel;
    BmpTextButton* m_btnVolumeDown;
    wxSlider* m_sliderVolume;
    BmpTextButton* m_btnVolumeUp;
    BmpTextButton* m_btnMute;
    BmpPanel* m_sourcePanel;
    BmpTextButton* m_btnComp1;
    BmpTextButton* m_btnVcr;
    BmpTextButton* m_btnComp2;
    BmpPanel* m_advancedPanel;
    // A generic read-only combo box: GTK's native choice takes seconds to
    // take thousands of projectors, this one milliseconds.
    wxOwnerDrawnComboBox* m_projectorChoice;
    wxStaticText* m_micLabel;
    wxChoice* m_micChoice;
    wxCheckBox* m_chkStayOnTop;
    wxCheckBox* m_chkWhiteboardMode;
    wxCheckBox* m_chkDemoMode;
    wxScrolledWindow* m_extraCmdPanel;
    wxBoxSizer* m_extraCmdSizer;
    wxStaticBitmap* m_logoBitmap;
    wxStaticBitmap* m_toolsBitmap;
    wxBitmapComboBox* m_viewCombo;

    // Handlers; override them.
    virtual void OnClose(wxCloseEvent& event) { event.Skip(); }
    virtual void OnPowerOn(wxCommandEvent& event) { event.Skip(); }
    virtual void OnFreeze(wxCommandEvent& event) { event.Skip(); }
    virtual void OnPowerOff(wxCommandEvent& event) { event.Skip(); }
    virtual void OnBlank(wxCommandEvent& event) { event.Skip(); }
    virtual void OnVolumeButton(wxCommandEvent& event) { event.Skip(); }
    virtual void OnVolumeSlider(wxScrollEvent& event) { event.Skip(); }
    virtual void OnMute(wxCommandEvent& event) { event.Skip(); }
    virtual void OnSource(wxCommandEvent& event) { event.Skip(); }
    virtual void OnProjectorChoice(wxCommandEvent& event) { event.Skip(); }
    virtual void OnMicChoice(wxCommandEvent& event) { event.Skip(); }
    virtual void OnStayOnTop(wxCommandEvent& event) { event.Skip(); }
    virtual void OnWhiteboardMode(wxCommandEvent& event) { event.Skip(); }
    virtual void OnDemoMode(wxCommandEvent& event) { event.Skip(); }
    virtual void OnViewChoice(wxCommandEvent& event) { event.Skip(); }
};
