#pragma once

#include <wx/bitmap.h>
#include <wx/panel.h>

// A panel whose background is a picture. The picture is drawn at the top
// left, through its mask or alpha, without clearing first; child controls
// are drawn over it.
class BmpPanel : public wxPanel
{
public:
    BmpPanel(wxWindow* parent, wxWindowID id = wxID_ANY, const wxPoint& pos = wxDefaultPosition,
             const wxSize& size = wxDefaultSize, long style = wxTAB_TRAVERSAL,
             const wxString& name = wxPanelNameStr);

    // Stores the picture; the panel is then at least as large as it.
    void SetBitmap(const wxBitmap& bitmap);
    const wxBitmap& GetBitmap() const { return m_background; }

private:
    void OnEraseBackground(wxEraseEvent& event);

    wxBitmap m_background;

    wxDECLARE_EVENT_TABLE();
};
