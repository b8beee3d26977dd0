// The main window: construction, the view menu, the check boxes.

#include "mainframe/mainframe.h"

#include "campus/campuslink.h"
#include "controls/bmppanel.h"
#include "controls/bmptextbutton.h"
#include "controls/findtoplevel.h"
#include "controls/messagebox.h"
#include "controls/picturefile.h"
#include "mainframe/modaldialogs.h"
#include "mainframe/panelstatus.h"
#include "platform/idletime.h"
#include "session/sessionending.h"
#include "resources.h"
#include "settings/mainsettings.h"

#include <wx/image.h>

#include <cstring>

namespace {

enum ViewItem
{
    VIEW_HIDE_ADVANCED = 0,
    VIEW_SHOW_ADVANCED = 1,
    VIEW_CONFIGURATION = 2,
    // Only without a tray, whose menu offers them otherwise.
    VIEW_ABOUT = 3,
    VIEW_EXIT = 4,
};

} // namespace

MainFrame::MainFrame()
    : MainFrameBase(nullptr, wxID_ANY, "Aulavox Virtual Control Panel", wxDefaultPosition,
                    wxSize(471, 293),
                    wxCAPTION | wxSYSTEM_MENU | wxMINIMIZE_BOX | wxCLOSE_BOX | wxTAB_TRAVERSAL)
{
    SetIcon(LoadResourceIcon("AppIcon"));

    m_powerPanel->SetBitmap(LoadPictureFile("images/panelpower.png"));
    m_volumePanel->SetBitmap(LoadPictureFile("images/panelvolume.png"));
    m_advancedPanel->SetBitmap(LoadPictureFile("images/paneladvanced.png"));
    m_sourcePanel->SetBitmap(LoadPictureFile("images/panelsource.png"));

    m_checkBmp = LoadResourceBitmap("CheckBmp");
    // GTK's combo box keeps an item's picture when given none: an item
    // without the mark gets a fully transparent picture of the same size.
    if (m_checkBmp.IsOk())
    {
        wxImage blank(m_checkBmp.GetWidth(), m_checkBmp.GetHeight());
        blank.InitAlpha();
        memset(blank.GetAlpha(), 0, size_t(blank.GetWidth()) * size_t(blank.GetHeight()));
        m_noCheckBmp = wxBitmap(blank, 32);
    }

    m_sliderVolume->SetMax(32);

    const wxBitmap black = LoadPictureFile("images/bblack.png");
    const wxBitmap blackHover = LoadPictureFile("images/bblackhover.png");
    const wxBitmap red = LoadPictureFile("images/bred.png");
    const wxBitmap redHover = LoadPictureFile("images/bredhover.png");
    for (BmpTextButton* button : {m_btnOn, m_btnFreeze, m_btnOff, m_btnBlank, m_btnVolumeDown,
                                  m_btnVolumeUp, m_btnMute, m_btnComp1, m_btnVcr, m_btnComp2})
        SetButtonImages(button, black, blackHover, red, redHover);

    m_projectorSelected = false;
    m_startupDone = false;
    m_frozen = false;
    m_linkUp = false;
    m_hasFreeze = false;
    m_hasUnFreeze = false;
    Layout();

    // Without a tray, the window is the only way to them (this class's own
    // answer: the constructor runs before any override).
    if (!MainFrame::HasTray())
    {
        m_viewCombo->Append("About");
        m_viewCombo->Append("Exit");
    }
    for (unsigned item = 0; item < m_viewCombo->GetCount(); ++item)
        m_viewCombo->SetItemBitmap(item, m_noCheckBmp);
    wxCommandEvent hide(wxEVT_COMBOBOX, m_viewCombo->GetId());
    hide.SetInt(VIEW_HIDE_ADVANCED);
    OnViewChoice(hide);

    const MainSettings settings = CurrentSettings();
    const bool stayOnTop = settings.StayOnTop();
    const bool whiteboard = settings.WhiteBoardMode();
    m_chkStayOnTop->SetValue(stayOnTop);
    wxCommandEvent stayOnTopEvent(wxEVT_CHECKBOX, m_chkStayOnTop->GetId());
    stayOnTopEvent.SetInt(stayOnTop);
    OnStayOnTop(stayOnTopEvent);

    m_chkWhiteboardMode->SetValue(whiteboard);
    wxCommandEvent demoEvent(wxEVT_CHECKBOX, m_chkDemoMode->GetId());
    demoEvent.SetInt(m_chkDemoMode->GetValue());
    OnDemoMode(demoEvent);

    UpdateControls();

    // Some GTK controls (the view combo box) learn their final height only
    // once shown: fit the frame again then, so that nothing is cut.
    CallAfter([this] { ShowAdvanced(m_advancedPanel->IsShown()); });

    m_scheduleTimer.SetOwner(this);
    Bind(wxEVT_TIMER, &MainFrame::OnScheduleTimer, this, m_scheduleTimer.GetId());
    RestartSchedules();

    SetUpTrayIcon();
    // The end of the session ends the open dialogs, innermost first.
    TrackModalDialogs();
    SetUpIdleOff();

    m_statusTimer.SetOwner(this);
    Bind(wxEVT_TIMER, &MainFrame::OnStartupTimer, this, m_statusTimer.GetId());
    m_statusTimer.StartOnce(100);

    StartCampusLink();
}

MainFrame::~MainFrame()
{
    // "offline" goes out while the window can still take the link's last lines.
    m_campus.reset();
    m_statusTimer.Stop();
    m_scheduleTimer.Stop();
    m_idleTimer.Stop();
    DeleteTrayIcon();
}

void MainFrame::OnViewChoice(wxCommandEvent& event)
{
    m_viewCombo->SetSelection(wxNOT_FOUND);
    m_viewCombo->ChangeValue("      Options");
    m_viewCombo->SetInsertionPoint(0);

    switch (event.GetInt())
    {
    case VIEW_SHOW_ADVANCED:
        ShowAdvanced(true);
        m_viewCombo->SetItemBitmap(VIEW_HIDE_ADVANCED, m_noCheckBmp);
        m_viewCombo->SetItemBitmap(VIEW_SHOW_ADVANCED, m_checkBmp);
        break;
    case VIEW_HIDE_ADVANCED:
        ShowAdvanced(false);
        m_viewCombo->SetItemBitmap(VIEW_HIDE_ADVANCED, m_checkBmp);
        m_viewCombo->SetItemBitmap(VIEW_SHOW_ADVANCED, m_noCheckBmp);
        break;
    case VIEW_CONFIGURATION:
        OpenConfiguration();
        break;
    case VIEW_ABOUT:
        OnTrayAbout(event);
        break;
    case VIEW_EXIT:
        OnTrayExit(event);
        break;
    default:
        break;
    }
}

void MainFrame::ShowAdvanced(bool show)
{
    m_advancedPanel->Show(show);
    Fit();
    m_mainPanelSizer->Layout();
    Layout();
}

void MainFrame::OnStayOnTop(wxCommandEvent&)
{
    long style = GetWindowStyleFlag();
    if (m_chkStayOnTop->IsChecked())
        style |= wxSTAY_ON_TOP;
    else
        style &= ~wxSTAY_ON_TOP;
    SetWindowStyleFlag(style);
}

void MainFrame::OnWhiteboardMode(wxCommandEvent&)
{
    // Read after a change of source; nothing to do at once.
}

void MainFrame::StartInDemoMode()
{
    m_chkDemoMode->SetValue(true);
    wxCommandEvent demoEvent(wxEVT_CHECKBOX, m_chkDemoMode->GetId());
    demoEvent.SetEventObject(m_chkDemoMode);
    demoEvent.SetInt(1);
    OnDemoMode(demoEvent);
    UpdateControls();
}

void MainFrame::OnDemoMode(wxCommandEvent&)
{
    const bool demo = m_chkDemoMode->IsChecked();
    thePanelComm->SetDemo(demo);
    thePanelComm->Disconnect();
    if (demo)
        thePanelComm->Connect(); // succeeds at once in demo mode
}

MainFrame* MainFrame::Find()
{
    return FindTopLevel<MainFrame>();
}
