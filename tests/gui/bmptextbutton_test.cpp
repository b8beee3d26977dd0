// The picture button: when it clicks and which face it shows.

#include "controls/bmppanel.h"
#include "controls/bmptextbutton.h"

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

    // Each step: a mouse event (or a highlight change), then the clicks so far
    // and the face shown (its grey level).
    const struct
    {
        wxEventType type; // 0: toggle the highlight
        int clicks, face;
    } steps[] = {
        {wxEVT_ENTER_WINDOW, 0, 60},   {wxEVT_LEFT_DOWN, 0, 200},      {wxEVT_LEFT_UP, 1, 60},
        {wxEVT_LEFT_DOWN, 1, 200},     {wxEVT_LEAVE_WINDOW, 1, 0},     {wxEVT_ENTER_WINDOW, 1, 200}, // the press is kept
        {wxEVT_LEFT_UP, 2, 60},        {wxEVT_LEFT_DOWN, 2, 200},      {wxEVT_LEAVE_WINDOW, 2, 0},
        {wxEVT_LEFT_UP, 2, 0},         {wxEVT_ENTER_WINDOW, 2, 60},    {0, 2, 250}, // highlighted: red faces
        {wxEVT_LEFT_DOWN, 2, 0},       {wxEVT_LEAVE_WINDOW, 2, 200},   {0, 2, 0},
    };
    for (size_t i = 0; i < sizeof(steps) / sizeof(steps[0]); ++i)
    {
        SCOPED_TRACE(i);
        if (steps[i].type == 0)
            button->SetHighlighted(!button->IsHighlighted());
        else
        {
            wxMouseEvent event(steps[i].type);
            event.SetEventObject(button);
            event.SetPosition(wxPoint(5, 5));
            button->GetEventHandler()->ProcessEvent(event);
        }
        EXPECT_EQ(clicks, steps[i].clicks);
        EXPECT_EQ(button->GetCurrentBitmap().ConvertToImage().GetRed(0, 0), steps[i].face);
    }
    button->SetHighlighted(true);
    button->Disable();
    EXPECT_EQ(button->GetCurrentBitmap().ConvertToImage().GetRed(0, 0), 200) << "disabled highlighted: red";

    // Faces narrower than the button are widened, wider ones are cut.
    auto* wide = new BmpTextButton(panel, wxID_ANY, "Comp 1", wxPoint(10, 40), wxSize(79, 21));
    SetButtonImages(wide, Solid(24, 0), Solid(24, 1), Solid(24, 2), Solid(24, 3));
    EXPECT_EQ(wide->GetCurrentBitmap().GetWidth(), 79);
    EXPECT_EQ(wide->GetBestSize(), wxSize(79, 21));
    SetButtonImages(button, Solid(60, 0), Solid(60, 1), Solid(60, 2), Solid(60, 3));
    EXPECT_EQ(button->GetCurrentBitmap().GetWidth(), 60);

    BmpPanel* picture = new BmpPanel(frame);
    picture->SetBitmap(Solid(120, 1));
    EXPECT_EQ(picture->GetMinSize(), wxSize(120, 21));
    frame->Destroy();
    FlushEvents();
}

} // namespace
