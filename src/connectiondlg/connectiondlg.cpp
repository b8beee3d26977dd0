#include "connectiondlg/connectiondlg.h"

#include "log/log.h"
#include "projdefs/projectorlist.h"
#include "projdefs/remoteupdate.h"
#include "projdefs/versionline.h"

#include <wx/app.h>
#include <wx/utils.h>

namespace {

constexpr unsigned TRANSFER_WAIT_MS = 10;
constexpr unsigned IDLE_WAIT_MS = 10;

// The model's texts are 8-bit in the current locale.
wxString Wide(const std::string& text)
{
    return wxString(text.c_str(), wxConvLibc);
}

// Lets the toolkit handle what is pending: button presses, the close box,
// the timers of other windows.
void YieldToToolkit()
{
    if (wxTheApp != nullptr)
        wxTheApp->Yield(true);
}

} // namespace

bool ConnectionDlg::CanUpdate(const ProjectorList* projList)
{
    return projList != nullptr && projList->GetSourceCount() == 1;
}

ConnectionDlg::ConnectionDlg(wxWindow* parent, ProjectorList* projList)
    : ConnectionDlgBase(parent), m_projList(projList)
{
    wxASSERT_MSG(CanUpdate(m_projList), "m_projList->GetSourceCount() == 1");
}

void ConnectionDlg::OnClose(wxCloseEvent&)
{
    // Not skipped: the window stays; Run notices and ends.
    m_closed = true;
    m_state = STATE_CANCEL;
}

void ConnectionDlg::OnButton(wxCommandEvent& event)
{
    if (event.GetId() == ID_CANCEL_BUTTON)
        m_state = STATE_CANCEL;
    else
        m_state = m_actionButton->GetLabel() == wxT("Download") ? STATE_DOWNLOAD : STATE_CHECK;
}

void ConnectionDlg::AppendStatus(const wxString& text)
{
    m_statusText->AppendText(text);
}

void ConnectionDlg::ScrollStatusToEnd()
{
    m_statusText->ShowPosition(m_statusText->GetLastPosition());
}

void ConnectionDlg::Repaint()
{
    Refresh();
    Update();
}

bool ConnectionDlg::Destroy()
{
    m_closed = true;
    m_state = STATE_CANCEL;
    return true;
}

bool ConnectionDlg::Ending() const
{
    return m_closed;
}

FileResult ConnectionDlg::RunTransfer()
{
    wxBusyCursor busy;
    FileResult result = StartSourceUpdate(*m_projList, 0, m_state == STATE_CHECK);
    while (result == UPDATE_RUNNING && m_state != STATE_CANCEL)
    {
        result = ContinueSourceUpdate(*m_projList, TRANSFER_WAIT_MS);
        YieldToToolkit();
        if (Ending())
            m_state = STATE_CANCEL;
    }
    return result;
}

void ConnectionDlg::WaitForUser()
{
    m_state = STATE_IDLE;
    while (m_state == STATE_IDLE && !Ending())
    {
        YieldToToolkit();
        wxMilliSleep(IDLE_WAIT_MS);
    }
    if (Ending())
        m_state = STATE_CANCEL;
}

int ConnectionDlg::Run(int flags)
{
    if (flags & UPDATE_CHECK)
        m_state = STATE_CHECK;
    else if (flags & UPDATE_DOWNLOAD)
        m_state = STATE_DOWNLOAD;
    else
        return 0;
    if (!CanUpdate(m_projList))
    {
        // Refused in order: the program goes on.
        m_state = STATE_IDLE;
        return 0;
    }

    Show();
    int result;
    {
        // Modal: every other top-level window is disabled while this lives.
        wxWindowDisabler modal(this);
        result = RunFlow(flags);
    }
    Hide();
    return result;
}

int ConnectionDlg::RunFlow(int flags)
{
    const ProjectorSource& source = *m_projList->GetSource(0);
    m_statusText->Clear();
    m_fileText->SetValue(Wide(source.name));

    if (source.url.empty())
    {
        // Nothing can be done; the message stays until the user closes the window.
        m_statusText->SetValue(wxT("There is no remote URL defined for this file"));
        m_actionButton->Disable();
        m_cancelButton->SetLabel(wxT("Close"));
        Repaint();
        WaitForUser();
        return 0;
    }

    int result = 0;
    while (m_state != STATE_CANCEL && !Ending())
    {
        const bool check = m_state == STATE_CHECK;
        m_actionButton->Disable();
        m_cancelButton->SetLabel(wxT("Cancel"));
        if (check)
        {
            m_statusText->SetValue(wxT("Getting version information from ") + Wide(source.url));
            m_actionButton->SetLabel(wxT("Check"));
        }
        else
        {
            m_statusText->SetValue(wxT("Downloading file from ") + Wide(source.url));
            m_actionButton->SetLabel(wxT("Download"));
        }
        Repaint();
        ScrollStatusToEnd();

        const FileResult last = RunTransfer();
        bool newer = false;
        if (m_state == STATE_CANCEL)
        {
            AppendStatus(wxT("\nCanceled"));
            if (last == UPDATE_RUNNING)
                CancelSourceUpdate(*m_projList);
            flags = 0;
        }
        else if (last == FILE_OK)
        {
            newer = CompareVersions(source.remoteVersion, source.version) == 1;
            m_cancelButton->SetLabel(wxT("Close"));
            if (check)
            {
                AppendStatus(wxT("\nLocal version is: ") + Wide(source.version));
                AppendStatus(wxT("\nRemote version is: ") + Wide(source.remoteVersion));
                if (newer && (flags & UPDATE_DOWNLOAD))
                    AppendStatus(wxT("\nDownloading newer version"));
                else if (!(flags & UPDATE_DOWNLOAD))
                    AppendStatus(wxT("\nDo you want to download?"));
                m_actionButton->SetLabel(wxT("Download"));
            }
            else
            {
                AppendStatus(wxT("\nDownloaded version: ") + Wide(source.remoteVersion));
            }
        }
        else
        {
            const char* reason = theLog != nullptr ? theLog->GetLastErrorText() : "";
            AppendStatus(wxT("\nError\n") + Wide(reason));
            wxBell();
            flags = 0;
            m_state = STATE_IDLE;
        }
        m_actionButton->Enable();
        ScrollStatusToEnd();
        Repaint();

        if (m_state == STATE_CANCEL)
            break;
        if (m_state == STATE_DOWNLOAD)
        {
            result = 1;
            if (flags & UPDATE_AUTOCLOSE)
                break;
        }
        else if (m_state == STATE_CHECK)
        {
            if (flags & UPDATE_DOWNLOAD)
            {
                m_state = STATE_DOWNLOAD; // right after the check, newer or not
                continue;
            }
            if (!newer && (flags & UPDATE_AUTOCLOSE))
            {
                result = 0;
                break;
            }
        }
        WaitForUser();
    }
    return result;
}
