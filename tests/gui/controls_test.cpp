// The picture button and the widening of its faces.

#include "controls/bmptextbutton.h"
#include "controls/stretchbitmap.h"

#include "support/gui/gui_helpers.h"

#include <gtest/gtest.h>

#include <wx/frame.h>
#include <wx/image.h>
#include <wx/panel.h>

namespace {

wxBitmap Solid(int width, unsigned char grey)
{
    wxImage image(width, 21);
    image.SetRGB(wxRect(0, 0, width, 21), grey, grey, grey);
    return wxBitmap(image, 32);
}

TEST(BmpTextButton, ClicksWhenReleasedOverItAndShowsTheFaceOfItsState)
{
    wxFrame* frame = new wxFrame(nullptr, wxID_ANY, "button test");
    wxPanel* panel = new wxPanel(frame); // takes the frame's client area; the buttons keep their sizes
    auto* button = new BmpTextButton(panel, 4711, "Mute", wxPoint(10, 10), wxSize(40, 21));
    int clicks = 0;
    button->Bind(wxEVT_BUTTON, [&](wxCommandEvent& event) { clicks += event.GetId() == 4711; });
    SetButtonImages(button, Solid(40, 0), Solid(40, 60), Solid(40, 200), Solid(40, 250));
    frame->Show();
    // Each step: a mouse, key or focus event (0: toggle the highlight), then
    // the clicks so far and the face shown (its grey level).
    const struct
    {
        wxEventType type;
        int key, clicks, face;
    } steps[] = {
        {wxEVT_ENTER_WINDOW, 0, 0, 60},   {wxEVT_LEFT_DOWN, 0, 0, 200},      {wxEVT_LEFT_UP, 0, 1, 60},
        {wxEVT_LEFT_DOWN, 0, 1, 200},     {wxEVT_LEAVE_WINDOW, 0, 1, 0},     {wxEVT_ENTER_WINDOW, 0, 1, 200}, // the press is kept
        {wxEVT_LEFT_UP, 0, 2, 60},        {wxEVT_LEFT_DOWN, 0, 2, 200},      {wxEVT_LEAVE_WINDOW, 0, 2, 0},
        {wxEVT_LEFT_UP, 0, 2, 0},         {wxEVT_ENTER_WINDOW, 0, 2, 60},    {0, 0, 2, 250}, // highlighted: red faces
        {wxEVT_LEFT_DOWN, 0, 2, 0},       {wxEVT_LEAVE_WINDOW, 0, 2, 200},   {0, 0, 2, 0},
        // Space clicks when it comes up, Enter at once; a Space whose key
        // comes up after the focus went elsewhere does not click.
        {wxEVT_KEY_DOWN, WXK_SPACE, 2, 200}, {wxEVT_KEY_UP, WXK_SPACE, 3, 0},  {wxEVT_KEY_UP, WXK_SPACE, 3, 0},
        {wxEVT_KEY_DOWN, WXK_RETURN, 4, 0},  {wxEVT_KEY_DOWN, 'A', 4, 0},      {wxEVT_KEY_DOWN, WXK_SPACE, 4, 200},
        {wxEVT_KILL_FOCUS, 0, 4, 0},         {wxEVT_KEY_UP, WXK_SPACE, 4, 0},
    };
    const auto face = [button] { return button->GetCurrentBitmap().ConvertToImage().GetRed(0, 0); };
    for (const auto& step : steps)
    {
        SCOPED_TRACE(&step - steps);
        wxKeyEvent key(step.type);
        key.m_keyCode = step.key;
        wxFocusEvent focus(step.type);
        wxMouseEvent mouse(step.type);
        mouse.SetPosition(wxPoint(5, 5));
        wxEvent& event =
            step.key ? static_cast<wxEvent&>(key) : step.type == wxEVT_KILL_FOCUS ? static_cast<wxEvent&>(focus) : mouse;
        event.SetEventObject(button);
        if (step.type == 0)
            button->SetHighlighted(!button->IsHighlighted());
        else
            button->GetEventHandler()->ProcessEvent(event);
        EXPECT_EQ(clicks, step.clicks);
        EXPECT_EQ(face(), step.face);
    }
    button->SetHighlighted(true);
    button->Disable();
    EXPECT_EQ(face(), 200) << "disabled highlighted: red";
    frame->Destroy();
    FlushEvents();
}

TEST(StretchBitmap, RepeatsTheMiddleAndKeepsTheCapsAndTransparency)
{
    const struct
    {
        int width, target;
        std::vector<int> columns; // the source column of each result column, as ranges [from, to)
    } rows[] = {
        {40, 79, {0, 30, 10, 30, 10, 29, 30, 40}}, // the left part, the middle once and again cut, the right cap
        {21, 30, {0, 11, 10, 11, 10, 11, 10, 11, 10, 11, 10, 11, 10, 11, 10, 11, 10, 11, 10, 11, 11, 21}},
        {20, 79, {0, 20}}, // no middle to repeat
        {40, 40, {0, 40}}, // as wide as the button or wider: as it is
        {40, 25, {0, 40}},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.width);
        wxImage face(row.width, 21);
        face.InitAlpha();
        for (int x = 0; x < row.width; ++x)
            for (int y = 0; y < 21; ++y)
            {
                face.SetRGB(x, y, static_cast<unsigned char>(x), static_cast<unsigned char>(100 + y), 7);
                face.SetAlpha(x, y, static_cast<unsigned char>(200 + x));
            }
        const wxImage stretched = StretchBitmap(wxBitmap(face, 32), row.target, 10).ConvertToImage();
        std::vector<int> expected, red, alpha;
        for (size_t i = 0; i + 1 < row.columns.size(); i += 2)
            for (int x = row.columns[i]; x < row.columns[i + 1]; ++x)
                expected.push_back(x);
        for (int x = 0; x < stretched.GetWidth(); ++x)
        {
            red.push_back(stretched.GetRed(x, 20));
            alpha.push_back(stretched.GetAlpha(x, 20) - 200);
        }
        EXPECT_EQ(red, expected);
        EXPECT_EQ(alpha, expected);
        EXPECT_EQ(stretched.GetGreen(stretched.GetWidth() - 1, 20), 120);
    }
    EXPECT_FALSE(StretchBitmap(wxBitmap(), 79, 10).IsOk());
}

} // namespace
