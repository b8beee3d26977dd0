#pragma once

#include "connectiondlg/connectiondlgbase.h"
#include "projdefs/resultcodes.h"

#include <cstdint>

class ProjectorList;

// The projector file updater: checks the remote version of the one source of
// a projector list and downloads the remote file, driven by its own polling
// loop in Run so that the transfer advances between user events.
//
// Use: if (ConnectionDlg::CanUpdate(list)) { ConnectionDlg dlg(this, &list);
// dlg.CentreOnParent(wxBOTH); dlg.Run(flags); }
class ConnectionDlg : public ConnectionDlgBase
{
public:
    enum : int
    {
        UPDATE_CHECK = 1,     // begin with a version check
        UPDATE_DOWNLOAD = 2,  // alone: begin with a download; with UPDATE_CHECK: download after it
        UPDATE_AUTOCLOSE = 4, // end by itself when the automatic work is done
    };

    // The dialog works only on a list with exactly one source; callers ask
    // this first and do not open the dialog otherwise.
    static bool CanUpdate(const ProjectorList* projList);

    ConnectionDlg(wxWindow* parent, ProjectorList* projList);

    // Shows the dialog modally and runs the flow; returns 1 when a download
    // finished during the run, else 0 (at once, showing nothing, without
    // UPDATE_CHECK or UPDATE_DOWNLOAD, or for a list that CanUpdate refuses).
    int Run(int flags);

    // The dialog lives on its caller's stack, so it must never be deleted
    // later by the toolkit: a request to destroy it (the end of the session
    // destroys every top-level window) ends Run like the close box instead,
    // and the caller's scope deletes it.
    bool Destroy() override;

protected:
    void OnClose(wxCloseEvent& event) override;
    void OnButton(wxCommandEvent& event) override;

private:
    enum : int32_t
    {
        STATE_CANCEL = -1,
        STATE_IDLE = 0,
        STATE_CHECK = 1,
        STATE_DOWNLOAD = 2,
    };

    int RunFlow(int flags);
    // Starts the operation of m_state and advances it until it ends or the
    // user cancels; returns the last result.
    FileResult RunTransfer();
    // Idles until a button or the close box sets a new state.
    void WaitForUser();
    bool Ending() const;
    void AppendStatus(const wxString& text);
    void ScrollStatusToEnd();
    void Repaint();

    ProjectorList* m_projList; // not owned
    int32_t m_state = STATE_IDLE;
    bool m_closed = false;
};
