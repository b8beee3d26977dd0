#include "mainframe/mainframebase.h"

#include "controls/accessible.h"
#include "controls/bmppanel.h"
#include "controls/bmptextbutton.h"
#include "controls/picturefile.h"

#include <algorithm>

MainFrameBase::MainFrameBase(wxWindow* parent, wxWindowID id, const wxString& title,
                             const wxPoint& pos, const wxSize& size, long style)
    : wxFrame(parent, id, title, pos, size, style)
{
    SetSizeHints(wxSize(380, 290), wxDefaultSize);
    SetBackgroundColour(*wxWHITE);

    wxBoxSizer* frameSizer = new wxBoxSizer(wxVERTICAL);

    m_mainPanel = new wxPanel(this, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL);
    m_mainPanel->SetBackgroundColour(wxColour(240, 240, 240));
    m_mainPanelSizer = new wxBoxSizer(wxHORIZONTAL);

    wxBoxSizer* leftColumn = new wxBoxSizer(wxVERTICAL);
    wxBoxSizer* upperRow = new wxBoxSizer(wxHORIZONTAL);

    // Power
    m_powerPanel = new BmpPanel(m_mainPanel, ID_POWER_PANEL, wxDefaultPosition, wxDefaultSize,
                                wxTAB_TRAVERSAL);
    m_powerPanel->SetBackgroundColour(*wxWHITE);
    wxBoxSizer* powerSizer = new wxBoxSizer(wxVERTICAL);
    powerSizer->Add(0, 40, 0, 0, 5);
    powerSizer->AddStretchSpacer();
    wxBoxSizer* powerRow = new wxBoxSizer(wxHORIZONTAL);
    powerRow->AddStretchSpacer();
    m_btnOn = new BmpTextButton(m_powerPanel, wxID_ANY, "On", wxDefaultPosition, wxSize(35, 21));
    powerRow->Add(m_btnOn, 0, wxALIGN_CENTER_VERTICAL, 5);
    powerRow->AddStretchSpacer();
    wxBoxSizer* freezeColumn = new wxBoxSizer(wxVERTICAL);
    freezeColumn->SetMinSize(wxSize(50, -1));
    m_btnFreeze = new BmpTextButton(m_powerPanel, wxID_ANY, "Freeze", wxDefaultPosition,
                                    wxSize(52, 21));
    freezeColumn->Add(m_btnFreeze, 0, wxALIGN_CENTER_HORIZONTAL, 5);
    freezeColumn->Add(60, 0, 0, 0, 5);
    powerRow->Add(freezeColumn, 0, wxALIGN_CENTER_VERTICAL, 5);
    powerRow->AddStretchSpacer();
    m_btnOff = new BmpTextButton(m_powerPanel, wxID_ANY, "Off", wxDefaultPosition, wxSize(35, 21));
    powerRow->Add(m_btnOff, 0, wxALIGN_CENTER_VERTICAL, 5);
    powerRow->AddStretchSpacer();
    powerSizer->Add(powerRow, 0, wxEXPAND, 5);
    powerSizer->AddStretchSpacer();
    m_btnBlank = new BmpTextButton(m_powerPanel, wxID_ANY, "Blank Screen", wxDefaultPosition,
                                   wxSize(78, 21));
    powerSizer->Add(m_btnBlank, 0, wxALIGN_CENTER_HORIZONTAL, 5);
    powerSizer->AddStretchSpacer();
    m_powerPanel->SetSizer(powerSizer);
    upperRow->Add(m_powerPanel, 0, wxEXPAND | wxALL, 5);

    // Volume
    m_volumePanel = new BmpPanel(m_mainPanel, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                                 wxTAB_TRAVERSAL);
    m_volumePanel->SetBackgroundColour(*wxWHITE);
    wxBoxSizer* volumeSizer = new wxBoxSizer(wxVERTICAL);
    volumeSizer->Add(0, 40, 0, 0, 5);
    volumeSizer->AddStretchSpacer();
    wxBoxSizer* volumeRow = new wxBoxSizer(wxHORIZONTAL);
    m_btnVolumeDown = new BmpTextButton(m_volumePanel, ID_VOLUME_DOWN, "v", wxDefaultPosition,
                                        wxSize(25, 21));
    volumeRow->Add(m_btnVolumeDown, 0, wxTOP | wxBOTTOM | wxLEFT | wxALIGN_CENTER_VERTICAL, 5);
    m_sliderVolume = new wxSlider(m_volumePanel, wxID_ANY, 16, 0, 32, wxDefaultPosition,
                                  wxDefaultSize, wxSL_HORIZONTAL);
    // Some themes need a taller slider than 21 pixels to draw it at all.
    m_sliderVolume->SetMinSize(wxSize(64, std::max(21, m_sliderVolume->GetBestSize().GetHeight())));
    volumeRow->Add(m_sliderVolume, 1, wxTOP | wxBOTTOM | wxALIGN_CENTER_VERTICAL, 5);
    m_btnVolumeUp = new BmpTextButton(m_volumePanel, ID_VOLUME_UP, "^", wxDefaultPosition,
                                      wxSize(25, 21));
    volumeRow->Add(m_btnVolumeUp, 0, wxTOP | wxBOTTOM | wxRIGHT | wxALIGN_CENTER_VERTICAL, 5);
    volumeSizer->Add(volumeRow, 0, wxEXPAND, 5);
    volumeSizer->AddStretchSpacer();
    m_btnMute = new BmpTextButton(m_volumePanel, wxID_ANY, "Mute", wxDefaultPosition,
                                  wxSize(40, 21));
    volumeSizer->Add(m_btnMute, 0, wxALIGN_CENTER_HORIZONTAL, 5);
    volumeSizer->AddStretchSpacer();
    m_volumePanel->SetSizer(volumeSizer);
    upperRow->Add(m_volumePanel, 0, wxEXPAND | wxTOP | wxRIGHT | wxBOTTOM, 5);

    leftColumn->Add(upperRow, 0, wxEXPAND, 5);

    // Sources
    m_sourcePanel = new BmpPanel(m_mainPanel, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                                 wxTAB_TRAVERSAL);
    m_sourcePanel->SetBackgroundColour(*wxWHITE);
    wxBoxSizer* sourceSizer = new wxBoxSizer(wxVERTICAL);
    sourceSizer->Add(0, 40, 0, 0, 5);
    sourceSizer->AddStretchSpacer();
    wxBoxSizer* sourceRow = new wxBoxSizer(wxHORIZONTAL);
    sourceRow->AddStretchSpacer();
    m_btnComp1 = new BmpTextButton(m_sourcePanel, ID_SOURCE_COMP1, "Comp 1", wxDefaultPosition,
                                   wxSize(79, 21));
    sourceRow->Add(m_btnComp1, 0, wxALIGN_CENTER_VERTICAL, 5);
    sourceRow->AddStretchSpacer();
    m_btnVcr = new BmpTextButton(m_sourcePanel, ID_SOURCE_VCR, "VCR/DVD", wxDefaultPosition,
                                 wxSize(79, 21));
    sourceRow->Add(m_btnVcr, 0, wxALIGN_CENTER_VERTICAL, 5);
    sourceRow->AddStretchSpacer();
    m_btnComp2 = new BmpTextButton(m_sourcePanel, ID_SOURCE_COMP2, "Comp 2/Doc",
                                   wxDefaultPosition, wxSize(79, 21));
    sourceRow->Add(m_btnComp2, 0, wxALIGN_CENTER_VERTICAL, 5);
    sourceRow->AddStretchSpacer();
    sourceSizer->Add(sourceRow, 0, wxEXPAND, 5);
    sourceSizer->AddStretchSpacer();
    m_sourcePanel->SetSizer(sourceSizer);
    leftColumn->Add(m_sourcePanel, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 5);

    m_mainPanelSizer->Add(leftColumn, 0, wxEXPAND, 5);

    // Advanced
    m_advancedPanel = new BmpPanel(m_mainPanel, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                                   wxTAB_TRAVERSAL);
    m_advancedPanel->SetBackgroundColour(*wxWHITE);
    wxBoxSizer* advancedSizer = new wxBoxSizer(wxVERTICAL);
    advancedSizer->Add(0, 40, 0, 0, 5);
    m_projectorChoice = new wxOwnerDrawnComboBox(m_advancedPanel, wxID_ANY, wxEmptyString,
                                                 wxDefaultPosition, wxDefaultSize, 0, nullptr,
                                                 wxCB_READONLY);
    advancedSizer->Add(m_projectorChoice, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, 5);
    wxBoxSizer* micRow = new wxBoxSizer(wxHORIZONTAL);
    m_micLabel = new wxStaticText(m_advancedPanel, wxID_ANY, "Mic override:");
    micRow->Add(m_micLabel, 0, wxALIGN_CENTER_VERTICAL | wxALL, 5);
    wxString micLevels[] = {"Off", "Low", "Med", "High"};
    m_micChoice = new wxChoice(m_advancedPanel, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                               WXSIZEOF(micLevels), micLevels, 0);
    m_micChoice->SetSelection(0);
    micRow->Add(m_micChoice, 1, wxALIGN_CENTER_VERTICAL | wxTOP | wxBOTTOM | wxRIGHT, 5);
    advancedSizer->Add(micRow, 0, wxEXPAND, 5);
    m_chkStayOnTop = new wxCheckBox(m_advancedPanel, wxID_ANY, "Stay On Top");
    m_chkStayOnTop->SetToolTip("Sets this window to stay on top of other windows.");
    advancedSizer->Add(m_chkStayOnTop, 0, wxALL, 3);
    m_chkWhiteboardMode = new wxCheckBox(m_advancedPanel, wxID_ANY, "Whiteboard Mode");
    m_chkWhiteboardMode->SetToolTip(
        "When switching to DVD or Comp2 as source, this mode will\n"
        "allow the user to tap the whiteboard to return to Comp1.");
    advancedSizer->Add(m_chkWhiteboardMode, 0, wxALL, 3);
    m_chkDemoMode = new wxCheckBox(m_advancedPanel, wxID_ANY, "Demo Mode");
    m_chkDemoMode->SetToolTip(
        "Demo mode allows for the controls to be exercised\n"
        "without connecting to the real control panel.");
    advancedSizer->Add(m_chkDemoMode, 0, wxALL, 3);
    m_extraCmdPanel = new wxScrolledWindow(m_advancedPanel, wxID_ANY, wxDefaultPosition,
                                           wxDefaultSize, wxHSCROLL | wxVSCROLL);
    m_extraCmdPanel->SetScrollRate(5, 5);
    m_extraCmdSizer = new wxBoxSizer(wxVERTICAL);
    m_extraCmdPanel->SetSizer(m_extraCmdSizer);
    advancedSizer->Add(m_extraCmdPanel, 1, wxEXPAND | wxALL, 3);
    m_advancedPanel->SetSizer(advancedSizer);
    m_mainPanelSizer->Add(m_advancedPanel, 0, wxEXPAND | wxALL, 5);

    m_mainPanel->SetSizer(m_mainPanelSizer);
    frameSizer->Add(m_mainPanel, 1, wxEXPAND | wxALL, 5);

    // Labels of the picture buttons in a smaller face than the window's, so
    // that "Blank Screen" and "Comp 2/Doc" fit their faces; the view combo
    // box uses it too, so that its text fits.
    wxFont buttonFont = GetFont();
    buttonFont.SetPointSize(8);

    // Bottom row
    wxBoxSizer* bottomRow = new wxBoxSizer(wxHORIZONTAL);
    m_logoBitmap = new wxStaticBitmap(this, wxID_ANY, LoadPictureFile("images/logoAXT.png"));
    bottomRow->Add(m_logoBitmap, 0, wxALL, 5);
    bottomRow->AddStretchSpacer();
    m_toolsBitmap = new wxStaticBitmap(this, wxID_ANY, LoadPictureFile("images/icoTools.png"));
    bottomRow->Add(m_toolsBitmap, 0, wxALIGN_CENTER_VERTICAL | wxALL, 5);
    wxString viewItems[] = {"Hide Advanced", "View Advanced", "Configuration"};
    // Read-only by a non-editable text field rather than wxCB_READONLY: GTK's
    // combo box without a text field can only show one of its items, and
    // this one shows "      Options" whatever was chosen. GTK's arrow button
    // and padding take some 50 pixels, hence wider than 100.
    m_viewCombo = new wxBitmapComboBox(this, wxID_ANY, wxEmptyString, wxDefaultPosition,
                                       wxSize(124, -1), WXSIZEOF(viewItems), viewItems,
                                       wxCB_DROPDOWN);
    m_viewCombo->SetEditable(false);
    m_viewCombo->SetFont(buttonFont);
    bottomRow->Add(m_viewCombo, 0, wxALIGN_CENTER_VERTICAL | wxTOP | wxBOTTOM | wxRIGHT, 5);
    frameSizer->Add(bottomRow, 0, wxEXPAND, 5);

    for (BmpTextButton* button : {m_btnOn, m_btnFreeze, m_btnOff, m_btnBlank, m_btnVolumeDown,
                                  m_btnVolumeUp, m_btnMute, m_btnComp1, m_btnVcr, m_btnComp2})
        button->SetFont(buttonFont);

    // What screen readers say where a label or a picture says it to the eye.
    SetAccessibleName(m_powerPanel, "Power");
    SetAccessibleName(m_volumePanel, "Volume");
    SetAccessibleName(m_sourcePanel, "Source");
    SetAccessibleName(m_advancedPanel, "Advanced");
    SetAccessibleName(m_btnVolumeDown, "Volume down");
    SetAccessibleName(m_btnVolumeUp, "Volume up");
    SetAccessibleName(m_sliderVolume, "Volume");
    SetAccessibleName(m_projectorChoice, "Projector");

    SetSizer(frameSizer);
    Layout();
    Centre(wxBOTH);
    // The keyboard starts at the first control, not nowhere: from no focus
    // GTK's Tab can land in the view combo box first.
    m_btnOn->SetFocus();

    Bind(wxEVT_CLOSE_WINDOW, &MainFrameBase::OnClose, this);
    m_btnOn->Bind(wxEVT_BUTTON, &MainFrameBase::OnPowerOn, this);
    m_btnFreeze->Bind(wxEVT_BUTTON, &MainFrameBase::OnFreeze, this);
    m_btnOff->Bind(wxEVT_BUTTON, &MainFrameBase::OnPowerOff, this);
    m_btnBlank->Bind(wxEVT_BUTTON, &MainFrameBase::OnBlank, this);
    m_btnVolumeDown->Bind(wxEVT_BUTTON, &MainFrameBase::OnVolumeButton, this);
    m_sliderVolume->Bind(wxEVT_SCROLL_THUMBTRACK, &MainFrameBase::OnVolumeSlider, this);
    m_btnVolumeUp->Bind(wxEVT_BUTTON, &MainFrameBase::OnVolumeButton, this);
    m_btnMute->Bind(wxEVT_BUTTON, &MainFrameBase::OnMute, this);
    m_btnComp1->Bind(wxEVT_BUTTON, &MainFrameBase::OnSource, this);
    m_btnVcr->Bind(wxEVT_BUTTON, &MainFrameBase::OnSource, this);
    m_btnComp2->Bind(wxEVT_BUTTON, &MainFrameBase::OnSource, this);
    m_projectorChoice->Bind(wxEVT_COMBOBOX, &MainFrameBase::OnProjectorChoice, this);
    m_micChoice->Bind(wxEVT_CHOICE, &MainFrameBase::OnMicChoice, this);
    m_chkStayOnTop->Bind(wxEVT_CHECKBOX, &MainFrameBase::OnStayOnTop, this);
    m_chkWhiteboardMode->Bind(wxEVT_CHECKBOX, &MainFrameBase::OnWhiteboardMode, this);
    m_chkDemoMode->Bind(wxEVT_CHECKBOX, &MainFrameBase::OnDemoMode, this);
    m_viewCombo->Bind(wxEVT_COMBOBOX, &MainFrameBase::OnViewChoice, this);
}

MainFrameBase::~MainFrameBase()
{
    // Child windows go with the frame; the bindings go with their controls.
}
