// The tray icon and its menu, and the close box that hides the window there.

#include "mainframe/mainframe.h"

#include "controls/messagebox.h"
#include "log/log.h"
#include "mainframe/axttaskbaricon.h"
#include "mainframe/version.h"
#include "resources.h"

namespace {

constexpr int ID_TRAY_RESTORE = 10000;
constexpr int ID_TRAY_EXIT = 10001;
constexpr int ID_TRAY_ABOUT = 10002;

const TrayMenuRow TRAY_MENU[] = {
    {0, L"Aulavox", -1},
    {0, L"Restore Kesto", ID_TRAY_RESTORE},
    {0, L"About", ID_TRAY_ABOUT},
    {0, L"", 0},
    {0, L"Exit", ID_TRAY_EXIT},
    {0, nullptr, 0},
};

} // namespace

void MainFrame::SetUpTrayIcon()
{
    m_taskBarIcon = new AxtTaskBarIcon;
    if (!m_taskBarIcon->SetIcon(wxBitmapBundle(LoadResourceIcon("AppIcon")), "Aulavox Tech Kesto"))
        theLog->Print(Log::LEVEL_WARNING, "tray icon could not be shown");
    m_taskBarIcon->SetMenuTable(TRAY_MENU);
    m_taskBarIcon->Bind(wxEVT_TASKBAR_LEFT_DCLICK, &MainFrame::OnTrayDoubleClick, this);
    m_taskBarIcon->Bind(wxEVT_MENU, &MainFrame::OnTrayRestore, this, ID_TRAY_RESTORE);
    m_taskBarIcon->Bind(wxEVT_MENU, &MainFrame::OnTrayAbout, this, ID_TRAY_ABOUT);
    m_taskBarIcon->Bind(wxEVT_MENU, &MainFrame::OnTrayExit, this, ID_TRAY_EXIT);

    Bind(wxEVT_END_SESSION, &MainFrame::OnEndSession, this);
    Bind(wxEVT_QUERY_END_SESSION, &MainFrame::OnQueryEndSession, this);
}

void MainFrame::DeleteTrayIcon()
{
    if (m_taskBarIcon == nullptr)
        return;
    m_taskBarIcon->RemoveIcon();
    delete m_taskBarIcon;
    m_taskBarIcon = nullptr;
}

bool MainFrame::HasTray() const
{
    return wxTaskBarIcon::IsAvailable();
}

void MainFrame::OnClose(wxCloseEvent& event)
{
    if (!event.CanVeto())
    {
        EndSessionNow(); // the program must end: the room is not left on
        return;
    }
    event.Veto();
    // Without a tray nothing could bring a hidden window back.
    if (HasTray())
        Hide();
    else
        Iconize(true);
}

void MainFrame::OnTrayDoubleClick(wxTaskBarIconEvent&)
{
    wxCommandEvent restore(wxEVT_MENU, ID_TRAY_RESTORE);
    OnTrayRestore(restore);
}

void MainFrame::OnTrayRestore(wxCommandEvent&)
{
    Show();
    if (IsIconized())
        Iconize(false);
    Raise();
}

void MainFrame::OnTrayAbout(wxCommandEvent&)
{
    ShowMessageBox("Aulavox Kesto\nVersion " + theVersionText, "About Aulavox Kesto",
                   wxOK | wxICON_INFORMATION, this);
}

void MainFrame::OnTrayExit(wxCommandEvent&)
{
    wxCloseEvent exit(wxEVT_END_SESSION, GetId());
    exit.SetEventObject(this);
    exit.SetCanVeto(true);
    OnEndSession(exit);
}
