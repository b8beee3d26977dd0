// kesto-mainwindow-shot FILE.png: builds the main window in demo mode with
// the shipped reference file as its projector file, opens the advanced
// panel, switches the projector on and saves the window as a PNG (the
// README's picture). Run from the repository root under Xvfb:
//   cmake --build build --target kesto-mainwindow-shot
//   xvfb-run -a -s "-screen 0 1280x800x24" build/kesto-mainwindow-shot docs/mainwindow.png

#include "app/toolkitstart.h"
#include "comm/panelcomm.h"
#include "controls/bmptextbutton.h"
#include "log/log.h"
#include "mainframe/mainframe.h"
#include "projdefs/projectorlist.h"
#include "settings/settings.h"
#include "windowshot.h"

#include <wx/app.h>
#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/image.h>
#include <wx/init.h>
#include <wx/timer.h>

#include <cstdio>

namespace {

// Drives the window as a presenter would, through its own events.
class ShotFrame : public MainFrame
{
public:
    bool Ready() const { return m_startupDone; }

    void Prepare()
    {
        m_chkDemoMode->SetValue(true);
        wxCommandEvent demo(wxEVT_CHECKBOX, m_chkDemoMode->GetId());
        OnDemoMode(demo);
        wxCommandEvent view(wxEVT_COMBOBOX, m_viewCombo->GetId());
        view.SetInt(1); // "View Advanced"
        OnViewChoice(view);
        for (BmpTextButton* button : {m_btnOn, m_btnComp1})
        {
            wxCommandEvent click(wxEVT_BUTTON, button->GetId());
            click.SetEventObject(button);
            button->GetEventHandler()->ProcessEvent(click);
        }
        m_sliderVolume->SetValue(20);
        wxScrollEvent drag(wxEVT_SCROLL_THUMBTRACK, m_sliderVolume->GetId(), 20, wxHORIZONTAL);
        OnVolumeSlider(drag);
        Raise();
    }
};

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        fprintf(stderr, "usage: kesto-mainwindow-shot FILE.png\n");
        return 2;
    }
    if (!StartToolkitWithoutLoop(argc, argv))
        return 1;
    theLog = new LogStdout;
    theLog->SetMask(3); // errors and warnings

    const wxString settingsFile = wxFileName::CreateTempFileName("kesto-shot");
    theSettings = OpenSettingsStore(settingsFile);
    theSettings->Write(FileNameKey(FILE_USER), wxGetCwd() + "/data/AulavoxMaster.txt");
    theSettings->Write(KEY_PROJ_DEFAULT, "Epson ESC/VP21");
    theSettings->Write(KEY_PROJ_ALLOWCHANGE, true);
    theProjectorList = new ProjectorList;
    thePanelComm = new PanelComm;

    ShotFrame* frame = new ShotFrame;
    frame->Move(20, 20);
    frame->Show();
    const wxLongLong end = wxGetLocalTimeMillis() + 5000;
    while (!frame->Ready() && wxGetLocalTimeMillis() < end)
        Pump(20);
    frame->Prepare();
    Pump(600);

    int status = 0;
    if (!SaveWindow(frame, argv[1]))
    {
        fprintf(stderr, "cannot save the window to %s\n", argv[1]);
        status = 1;
    }

    frame->Destroy();
    wxTheApp->ProcessPendingEvents();
    delete thePanelComm;
    delete theProjectorList;
    delete theSettings;
    wxRemoveFile(settingsFile);
    wxEntryCleanup();
    delete static_cast<LogStdout*>(theLog);
    return status;
}
