#include "controls/bmppanel.h"

#include <wx/dcclient.h>

wxBEGIN_EVENT_TABLE(BmpPanel, wxPanel)
    EVT_ERASE_BACKGROUND(BmpPanel::OnEraseBackground)
wxEND_EVENT_TABLE()

BmpPanel::BmpPanel(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size,
                   long style, const wxString& name)
    : wxPanel(parent, id, pos, size, style, name)
{
}

void BmpPanel::SetBitmap(const wxBitmap& bitmap)
{
    m_background = bitmap;
    if (m_background.IsOk())
        SetMinSize(m_background.GetSize());
    Refresh();
}

void BmpPanel::OnEraseBackground(wxEraseEvent& event)
{
    if (!m_background.IsOk())
    {
        event.Skip(); // nothing of our own: the usual background colour
        return;
    }
    wxDC* dc = event.GetDC();
    if (dc)
    {
        dc->DrawBitmap(m_background, 0, 0, true);
        return;
    }
    wxClientDC client(this);
    client.DrawBitmap(m_background, 0, 0, true);
}
