#include "controls/bmptextbutton.h"

#include "controls/accessible.h"
#include "controls/stretchbitmap.h"

#include <wx/dcclient.h>
#include <wx/graphics.h>

#include <memory>

wxBEGIN_EVENT_TABLE(BmpTextButton, wxControl)
    EVT_PAINT(BmpTextButton::OnPaint)
    EVT_ERASE_BACKGROUND(BmpTextButton::OnEraseBackground)
    EVT_ENTER_WINDOW(BmpTextButton::OnMouseEnterLeave)
    EVT_LEAVE_WINDOW(BmpTextButton::OnMouseEnterLeave)
    EVT_LEFT_DOWN(BmpTextButton::OnLeftDown)
    EVT_LEFT_UP(BmpTextButton::OnLeftUp)
    EVT_KEY_DOWN(BmpTextButton::OnKeyDown)
    EVT_KEY_UP(BmpTextButton::OnKeyUp)
    EVT_SET_FOCUS(BmpTextButton::OnFocusChange)
    EVT_KILL_FOCUS(BmpTextButton::OnFocusChange)
wxEND_EVENT_TABLE()

BmpTextButton::BmpTextButton(wxWindow* parent, wxWindowID id, const wxString& label,
                             const wxPoint& pos, const wxSize& size, long style,
                             const wxValidator& validator, const wxString& name)
    : wxControl(parent, id, pos, size, style | wxBORDER_NONE, validator, name)
{
    SetLabel(label);
    SetInitialSize(size);
    ExposeAsPushButton(this, GetLabelText());
}

BmpTextButton::~BmpTextButton()
{
    DetachPushButton(this);
}

void BmpTextButton::SetLookBitmap(Look look, const wxBitmap& bitmap, int index)
{
    wxASSERT_MSG(index == 0 || index == 1, "index == 0 || index == 1");
    if (index != 0 && index != 1)
        return;
    m_bitmaps[look][index] = bitmap;
    Refresh();
}

void BmpTextButton::SetBitmapNormal(const wxBitmap& bitmap, int index)
{
    SetLookBitmap(LOOK_NORMAL, bitmap, index);
}

void BmpTextButton::SetBitmapDisabled(const wxBitmap& bitmap, int index)
{
    SetLookBitmap(LOOK_DISABLED, bitmap, index);
}

void BmpTextButton::SetBitmapHover(const wxBitmap& bitmap, int index)
{
    SetLookBitmap(LOOK_HOVER, bitmap, index);
}

void BmpTextButton::SetBitmapPressed(const wxBitmap& bitmap, int index)
{
    SetLookBitmap(LOOK_PRESSED, bitmap, index);
}

void BmpTextButton::SetHighlighted(bool highlighted)
{
    m_highlighted = highlighted;
    SetPushButtonLit(this, highlighted);
    Refresh();
}

bool BmpTextButton::Enable(bool enable)
{
    if (!wxControl::Enable(enable))
        return false;
    Refresh();
    return true;
}

const wxBitmap& BmpTextButton::GetCurrentBitmap() const
{
    const int index = m_highlighted ? 1 : 0;
    if (!IsEnabled())
        return m_bitmaps[LOOK_DISABLED][index];
    if ((m_mouseInside && m_leftDown) || m_spaceDown)
        return m_bitmaps[LOOK_PRESSED][index];
    if (m_mouseInside)
        return m_bitmaps[LOOK_HOVER][index];
    return m_bitmaps[LOOK_NORMAL][index];
}

void BmpTextButton::OnPaint(wxPaintEvent&)
{
    wxPaintDC dc(this);
    dc.SetFont(GetFont());
    dc.SetTextForeground(GetForegroundColour());
    dc.DrawLabel(GetLabelText(), wxRect(wxPoint(0, 0), dc.GetSize()),
                 wxALIGN_CENTER_HORIZONTAL | wxALIGN_CENTER_VERTICAL);
    if (HasFocus())
        DrawFocusMark(dc);
}

// A thin rounded outline inside the face, in the label's colour, half
// covering: the faces' own rounded shape, one step in.
void BmpTextButton::DrawFocusMark(wxDC& dc) const
{
    std::unique_ptr<wxGraphicsContext> gc(wxGraphicsContext::CreateFromUnknownDC(dc));
    if (!gc)
        return;
    const wxSize size = dc.GetSize();
    const wxColour label = GetForegroundColour();
    gc->SetPen(wxPen(wxColour(label.Red(), label.Green(), label.Blue(), 170), 1));
    gc->SetBrush(*wxTRANSPARENT_BRUSH);
    gc->DrawRoundedRectangle(2.5, 2.5, size.GetWidth() - 5, size.GetHeight() - 5, 3);
}

void BmpTextButton::OnEraseBackground(wxEraseEvent& event)
{
    wxDC* dc = event.GetDC();
    if (!dc)
        return;
    dc->SetBackground(wxBrush(GetBackgroundColour()));
    dc->Clear();
    const wxBitmap& bitmap = GetCurrentBitmap();
    if (bitmap.IsOk())
        dc->DrawBitmap(bitmap, 0, 0, true);
}

void BmpTextButton::OnMouseEnterLeave(wxMouseEvent& event)
{
    m_mouseInside = event.GetEventType() == wxEVT_ENTER_WINDOW;
    Refresh();
}

void BmpTextButton::OnLeftDown(wxMouseEvent&)
{
    m_leftDown = true;
    Refresh();
}

void BmpTextButton::OnLeftUp(wxMouseEvent&)
{
    m_leftDown = false;
    if (m_mouseInside)
    {
        Click();
        SetFocus();
    }
    Refresh();
}

void BmpTextButton::OnKeyDown(wxKeyEvent& event)
{
    switch (event.GetKeyCode())
    {
    case WXK_SPACE:
        if (!m_spaceDown)
        {
            m_spaceDown = true;
            Refresh();
        }
        break;
    case WXK_RETURN:
    case WXK_NUMPAD_ENTER:
        Click();
        break;
    case WXK_TAB:
        // GTK does not move on from a control of wx's own drawing by itself:
        // the toolkit's focus chain is walked from here.
        if (event.HasAnyModifiers() && !event.ShiftDown())
            event.Skip();
        else
            Navigate(event.ShiftDown() ? wxNavigationKeyEvent::IsBackward : wxNavigationKeyEvent::IsForward);
        break;
    default:
        event.Skip();
    }
}

void BmpTextButton::OnKeyUp(wxKeyEvent& event)
{
    if (event.GetKeyCode() != WXK_SPACE || !m_spaceDown)
    {
        event.Skip();
        return;
    }
    m_spaceDown = false;
    Click();
    Refresh();
}

void BmpTextButton::OnFocusChange(wxFocusEvent& event)
{
    if (event.GetEventType() == wxEVT_KILL_FOCUS)
        m_spaceDown = false; // its key comes up elsewhere: no click
    Refresh();
    event.Skip();
}

void BmpTextButton::Click()
{
    wxCommandEvent click(wxEVT_BUTTON, GetId());
    click.SetEventObject(this);
    GetEventHandler()->ProcessEvent(click);
}

void SetButtonImages(BmpTextButton* button, const wxBitmap& black, const wxBitmap& blackHover,
                     const wxBitmap& red, const wxBitmap& redHover)
{
    wxASSERT_MSG(button != nullptr, "button != NULL");
    if (!button)
        return;
    button->SetForegroundColour(*wxWHITE);
    button->SetBackgroundColour(*wxWHITE);

    wxBitmap faces[4] = {black, blackHover, red, redHover};
    const int width = button->GetSize().GetWidth();
    if (black.IsOk() && black.GetWidth() < width)
    {
        for (wxBitmap& face : faces)
            face = StretchBitmap(face, width, 10);
    }
    const wxBitmap& b = faces[0];
    const wxBitmap& bh = faces[1];
    const wxBitmap& r = faces[2];
    const wxBitmap& rh = faces[3];

    button->SetBitmapNormal(b, 0);
    button->SetBitmapNormal(r, 1);
    button->SetBitmapDisabled(b, 0);
    button->SetBitmapDisabled(r, 1);
    button->SetBitmapHover(bh, 0);
    button->SetBitmapHover(rh, 1);
    button->SetBitmapPressed(r, 0);
    button->SetBitmapPressed(b, 1);
}
