#pragma once

#include <wx/bitmap.h>
#include <wx/control.h>

// A flat button drawn from pictures, its label drawn on top. Four pictures
// per state of the highlight: normal, disabled, hover and pressed. A click
// counts only when the left button is released over the control; the mouse
// is never captured, so a press that leaves and comes back still clicks on
// release. From the keyboard it clicks on Enter, and on Space when the key
// comes up (pressed look meanwhile); a rounded outline marks the focus.
// Screen readers see a push button named by its label, checked while
// highlighted (see controls/accessible.h).
class BmpTextButton : public wxControl
{
public:
    BmpTextButton(wxWindow* parent, wxWindowID id, const wxString& label,
                  const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxDefaultSize,
                  long style = 0, const wxValidator& validator = wxDefaultValidator,
                  const wxString& name = "bmpTextButton");
    ~BmpTextButton() override;

    // index: 0 for the plain look, 1 for the highlighted one.
    void SetBitmapNormal(const wxBitmap& bitmap, int index);
    void SetBitmapDisabled(const wxBitmap& bitmap, int index);
    void SetBitmapHover(const wxBitmap& bitmap, int index);
    void SetBitmapPressed(const wxBitmap& bitmap, int index);

    void SetHighlighted(bool highlighted);
    bool IsHighlighted() const { return m_highlighted; }

    bool IsMouseInside() const { return m_mouseInside; }
    bool IsLeftDown() const { return m_leftDown; }
    bool IsSpaceDown() const { return m_spaceDown; }

    // The picture the next repaint draws, by the rules of the erase handler.
    const wxBitmap& GetCurrentBitmap() const;

    bool Enable(bool enable = true) override;

protected:
    wxSize DoGetBestSize() const override { return GetSize(); }

private:
    enum Look
    {
        LOOK_NORMAL,
        LOOK_DISABLED,
        LOOK_HOVER,
        LOOK_PRESSED,
        LOOK_COUNT
    };

    void SetLookBitmap(Look look, const wxBitmap& bitmap, int index);

    void OnPaint(wxPaintEvent& event);
    void OnEraseBackground(wxEraseEvent& event);
    void OnMouseEnterLeave(wxMouseEvent& event);
    void OnLeftDown(wxMouseEvent& event);
    void OnLeftUp(wxMouseEvent& event);
    void OnKeyDown(wxKeyEvent& event);
    void OnKeyUp(wxKeyEvent& event);
    void OnFocusChange(wxFocusEvent& event);

    // Sends the button-click event, processed at once as a native button does.
    void Click();
    void DrawFocusMark(wxDC& dc) const;

    wxBitmap m_bitmaps[LOOK_COUNT][2];
    bool m_mouseInside = false;
    bool m_leftDown = false;
    bool m_spaceDown = false;
    bool m_highlighted = false;

    wxDECLARE_EVENT_TABLE();
};

// Gives a button the window's four faces: black when plain, red when
// highlighted, the hover variants under the mouse, and the other colour
// while pressed. Labels are white. Faces narrower than the button are
// widened with StretchBitmap (cap 10).
void SetButtonImages(BmpTextButton* button, const wxBitmap& black, const wxBitmap& blackHover,
                     const wxBitmap& red, const wxBitmap& redHover);
