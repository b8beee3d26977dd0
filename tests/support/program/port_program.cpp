// The program as it ships, except that its only serial port is the
// pseudo-terminal named by KESTO_TEST_PORT: black-box tests run it against
// the simulated control box.
//
// With KESTO_TEST_NESTED set to the label of a button of the configuration
// dialog, SIGUSR1 opens the configuration as the view menu does (the stored
// password must be the installer's, so that no prompt comes) and presses that
// button, which opens a dialog inside it. Every modal dialog is named on
// standard error ("modal: <class>") as it opens.

#include "app/app.h"
#include "app/programmain.h"
#include "comm/panelcomm.h"
#include "configdlg/configdlg.h"
#include "mainframe/mainframe.h"
#include "support/core/panel_simulator.h"

#include <wx/bmpcbox.h>
#include <wx/modalhook.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace {

// Sends the window's control an event of this type, as the user's click or pick does.
void Send(wxWindow* control, wxEventType type, int selection = 0)
{
    wxCommandEvent event(type, control->GetId());
    event.SetEventObject(control);
    event.SetInt(selection);
    control->GetEventHandler()->ProcessEvent(event);
}

class DialogReporter : public wxModalDialogHook
{
protected:
    int Enter(wxDialog* dialog) override
    {
        fprintf(stderr, "modal: %s\n", static_cast<const char*>(wxString(dialog->GetClassInfo()->GetClassName()).utf8_str()));
        const char* nested = getenv("KESTO_TEST_NESTED");
        if (nested != nullptr && dynamic_cast<ConfigDlg*>(dialog) != nullptr)
            dialog->CallAfter([dialog, nested] {
                if (wxWindow* button = wxWindow::FindWindowByLabel(wxString::FromUTF8(nested), dialog))
                    Send(button, wxEVT_BUTTON);
            });
        return wxID_NONE;
    }
    void Exit(wxDialog*) override {}
};

// Picks "Configuration" in the main window's view menu.
void OpenConfiguration()
{
    if (MainFrame* frame = MainFrame::Find())
        for (wxWindow* child : frame->GetChildren())
            if (auto* view = dynamic_cast<wxBitmapComboBox*>(child))
                Send(view, wxEVT_COMBOBOX, 2);
}

class PortApp : public App
{
public:
    bool OnInit() override
    {
        if (!App::OnInit())
            return false;
        const char* port = getenv("KESTO_TEST_PORT");
        if (port == nullptr || thePanelComm == nullptr)
        {
            fprintf(stderr, "KESTO_TEST_PORT is not set\n");
            return false;
        }
        // In time: the first connection is tried by the status timer's first run.
        thePanelComm->SetPortLister(PortListOf({port}));
        m_reporter.Register();
        // Out of the signal's own handling: the configuration's loop outlives it.
        SetSignalHandler(SIGUSR1, [](int) { wxTheApp->CallAfter(&OpenConfiguration); });
        return true;
    }

    int OnExit() override
    {
        m_reporter.Unregister();
        return App::OnExit();
    }

private:
    DialogReporter m_reporter;
};

} // namespace

int main(int argc, char** argv)
{
    return ProgramMain(argc, argv, [] { return static_cast<wxAppConsole*>(new PortApp); });
}
