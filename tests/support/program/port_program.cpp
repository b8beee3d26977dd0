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
#include <wx/button.h>
#include <wx/modalhook.h>
#include <wx/timer.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace {

// Presses the button of that label in the window, as a click does.
void Press(wxWindow* window, const wxString& label)
{
    wxWindow* button = wxWindow::FindWindowByLabel(label, window);
    if (button == nullptr)
    {
        fprintf(stderr, "no button \"%s\"\n", static_cast<const char*>(label.utf8_str()));
        return;
    }
    wxCommandEvent click(wxEVT_BUTTON, button->GetId());
    click.SetEventObject(button);
    button->GetEventHandler()->ProcessEvent(click);
}

class DialogReporter : public wxModalDialogHook
{
protected:
    int Enter(wxDialog* dialog) override
    {
        const wxString name = dialog->GetClassInfo()->GetClassName();
        fprintf(stderr, "modal: %s\n", static_cast<const char*>(name.utf8_str()));
        const char* nested = getenv("KESTO_TEST_NESTED");
        if (nested != nullptr && dynamic_cast<ConfigDlg*>(dialog) != nullptr)
            dialog->CallAfter([dialog, nested] { Press(dialog, wxString::FromUTF8(nested)); });
        return wxID_NONE;
    }
    void Exit(wxDialog*) override {}
};

// Picks "Configuration" in the main window's view menu, from the event loop.
class OpenConfiguration : public wxTimer
{
public:
    void Notify() override
    {
        MainFrame* frame = MainFrame::Find();
        if (frame == nullptr)
            return;
        for (wxWindow* child : frame->GetChildren())
            if (auto* view = dynamic_cast<wxBitmapComboBox*>(child))
            {
                wxCommandEvent pick(wxEVT_COMBOBOX, view->GetId());
                pick.SetEventObject(view);
                pick.SetInt(2);
                view->GetEventHandler()->ProcessEvent(pick);
            }
    }
};

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
        SetSignalHandler(SIGUSR1, [](int) { static_cast<PortApp*>(wxTheApp)->m_opener.StartOnce(1); });
        return true;
    }

    int OnExit() override
    {
        m_reporter.Unregister();
        return App::OnExit();
    }

private:
    DialogReporter m_reporter;
    OpenConfiguration m_opener;
};

} // namespace

int main(int argc, char** argv)
{
    return ProgramMain(argc, argv, [] { return static_cast<wxAppConsole*>(new PortApp); });
}
