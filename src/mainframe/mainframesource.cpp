// The source buttons, and the whiteboard window that a source other than
// "Comp 1" opens when "Whiteboard Mode" is ticked.

#include "mainframe/mainframe.h"

#include "mainframe/panelstatus.h"
#include "mainframe/whiteboardmodedlg.h"
#include "session/sessionending.h"

#include <wx/utils.h>

void MainFrame::OnSource(wxCommandEvent& event)
{
    // Anything but the two other sources means "Comp 1", also the whiteboard
    // window's way back.
    uint8_t source = PANEL_SOURCE_COMP1;
    if (event.GetId() == ID_SOURCE_COMP2)
        source = PANEL_SOURCE_COMP2;
    else if (event.GetId() == ID_SOURCE_VCR)
        source = PANEL_SOURCE_VCR;

    {
        // Busy during the exchange only, not over the whiteboard window.
        wxBusyCursor busy;
        if (EnsureConnected(false) != COMM_OK)
            return;
        const CommResult result = thePanelComm->SetSource(source, POLL_COMMAND_MS, POLL_COMMAND_COUNT);
        if (result != COMM_OK)
        {
            ReportCommError(result);
            return;
        }
        thePanelStatus.sourceState = static_cast<int8_t>(source);
        PollStatus();
        UpdateControls();
    }
    if (source != PANEL_SOURCE_COMP1 && m_chkWhiteboardMode->IsChecked())
        RunWhiteboardDialog();
}

void MainFrame::RunWhiteboardDialog()
{
    WhiteBoardModeDlg dialog(this, wxID_ANY, "Whiteboard Mode", wxDefaultPosition, wxSize(480, 339),
                             wxCAPTION | wxSYSTEM_MENU | wxMINIMIZE_BOX | wxCLOSE_BOX);
    dialog.Maximize();
    if (dialog.ShowModal() != wxID_OK || theSessionEnding)
        return; // the close box: the projector stays on the chosen source
    wxCommandEvent back(wxEVT_BUTTON, ID_SOURCE_COMP1);
    OnSource(back);
}
