// The picture button: when it clicks, which picture it shows, and the faces
// the main window gives it.

#include "controls/bmppanel.h"
#include "controls/bmptextbutton.h"

#include "support/gui/gui_helpers.h"

#include <gtest/gtest.h>

#include <wx/frame.h>
#include <wx/image.h>
#include <wx/panel.h>

namespace {

wxBitmap Solid(int width, unsigned char red, unsigned char green, unsigned char blue)
{
    wxImage image(width, 21);
    image.SetRGB(wxRect(0, 0, width, 21), red, green, blue);
    return wxBitmap(image, 32);
}

wxColour ColourOf(const wxBitmap& bitmap)
{
    wxImage image = bitmap.ConvertToImage();
    return wxColour(image.GetRed(0, 0), image.GetGreen(0, 0), image.GetBlue(0, 0));
}

class BmpTextButtonTest : public testing::Test
{
protected:
    void SetUp() override
    {
        frame = new wxFrame(nullptr, wxID_ANY, "button test");
        // A frame stretches a lone child over its client area: the panel
        // takes that, and the buttons keep their sizes.
        panel = new wxPanel(frame);
        button = new BmpTextButton(panel, 4711, "Mute", wxPoint(10, 10), wxSize(40, 21));
        button->Bind(wxEVT_BUTTON, [this](wxCommandEvent& event) {
            ++clicks;
            lastId = event.GetId();
            lastObject = event.GetEventObject();
        });
        frame->Show();
    }

    void TearDown() override { frame->Destroy(); FlushEvents(); }

    void Mouse(wxEventType type)
    {
        wxMouseEvent event(type);
        event.SetEventObject(button);
        event.SetPosition(wxPoint(5, 5));
        button->GetEventHandler()->ProcessEvent(event);
    }

    wxFrame* frame = nullptr;
    wxPanel* panel = nullptr;
    BmpTextButton* button = nullptr;
    int clicks = 0;
    int lastId = 0;
    wxObject* lastObject = nullptr;
};

TEST_F(BmpTextButtonTest, ClicksWhenReleasedOverIt)
{
    Mouse(wxEVT_ENTER_WINDOW);
    Mouse(wxEVT_LEFT_DOWN);
    EXPECT_EQ(clicks, 0) << "a press alone is no click";
    Mouse(wxEVT_LEFT_UP);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(lastId, 4711);
    EXPECT_EQ(lastObject, button);
    EXPECT_FALSE(button->IsLeftDown());
}

TEST_F(BmpTextButtonTest, ReleaseOutsideDoesNotClick)
{
    Mouse(wxEVT_ENTER_WINDOW);
    Mouse(wxEVT_LEFT_DOWN);
    Mouse(wxEVT_LEAVE_WINDOW);
    Mouse(wxEVT_LEFT_UP);
    EXPECT_EQ(clicks, 0);
    EXPECT_FALSE(button->IsLeftDown());
    // Coming back and releasing again without a new press clicks nothing
    // either: the release outside ended the press.
    Mouse(wxEVT_ENTER_WINDOW);
    Mouse(wxEVT_LEFT_UP);
    EXPECT_EQ(clicks, 1) << "a release over it still counts as a click";
}

TEST_F(BmpTextButtonTest, PressKeptWhileOutsideShowsPressedAgainAndClicksOnReturn)
{
    const wxBitmap black = Solid(40, 0, 0, 0), blackHover = Solid(40, 60, 60, 60),
                   red = Solid(40, 200, 0, 0), redHover = Solid(40, 250, 80, 80);
    SetButtonImages(button, black, blackHover, red, redHover);

    EXPECT_EQ(ColourOf(button->GetCurrentBitmap()), wxColour(0, 0, 0));
    Mouse(wxEVT_ENTER_WINDOW);
    EXPECT_EQ(ColourOf(button->GetCurrentBitmap()), wxColour(60, 60, 60)) << "hover";
    Mouse(wxEVT_LEFT_DOWN);
    EXPECT_EQ(ColourOf(button->GetCurrentBitmap()), wxColour(200, 0, 0)) << "pressed previews red";
    // The release happens elsewhere and never reaches the button (no capture).
    Mouse(wxEVT_LEAVE_WINDOW);
    EXPECT_EQ(ColourOf(button->GetCurrentBitmap()), wxColour(0, 0, 0)) << "outside: normal";
    EXPECT_TRUE(button->IsLeftDown());
    Mouse(wxEVT_ENTER_WINDOW);
    EXPECT_EQ(ColourOf(button->GetCurrentBitmap()), wxColour(200, 0, 0)) << "back: pressed";
    EXPECT_EQ(clicks, 0);
    Mouse(wxEVT_LEFT_UP);
    EXPECT_EQ(clicks, 1);
}

TEST_F(BmpTextButtonTest, HighlightSelectsTheRedFacesAndDisabledKeepsThem)
{
    const wxBitmap black = Solid(40, 0, 0, 0), blackHover = Solid(40, 60, 60, 60),
                   red = Solid(40, 200, 0, 0), redHover = Solid(40, 250, 80, 80);
    SetButtonImages(button, black, blackHover, red, redHover);
    EXPECT_EQ(button->GetForegroundColour(), *wxWHITE);
    EXPECT_EQ(button->GetBackgroundColour(), *wxWHITE);

    button->SetHighlighted(true);
    EXPECT_TRUE(button->IsHighlighted());
    EXPECT_EQ(ColourOf(button->GetCurrentBitmap()), wxColour(200, 0, 0));
    Mouse(wxEVT_ENTER_WINDOW);
    EXPECT_EQ(ColourOf(button->GetCurrentBitmap()), wxColour(250, 80, 80));
    Mouse(wxEVT_LEFT_DOWN);
    EXPECT_EQ(ColourOf(button->GetCurrentBitmap()), wxColour(0, 0, 0)) << "pressed previews black";
    Mouse(wxEVT_LEAVE_WINDOW);
    button->Disable();
    EXPECT_EQ(ColourOf(button->GetCurrentBitmap()), wxColour(200, 0, 0)) << "disabled highlighted: red";
    button->SetHighlighted(false);
    EXPECT_EQ(ColourOf(button->GetCurrentBitmap()), wxColour(0, 0, 0));
}

TEST_F(BmpTextButtonTest, FacesNarrowerThanTheButtonAreWidenedAndWiderOnesKept)
{
    auto* wide = new BmpTextButton(panel, wxID_ANY, "Comp 1", wxPoint(10, 40), wxSize(79, 21));
    SetButtonImages(wide, Solid(24, 0, 0, 0), Solid(24, 1, 1, 1), Solid(24, 2, 2, 2), Solid(24, 3, 3, 3));
    EXPECT_EQ(wide->GetCurrentBitmap().GetWidth(), 79);
    wide->SetHighlighted(true);
    EXPECT_EQ(wide->GetCurrentBitmap().GetWidth(), 79);

    SetButtonImages(button, Solid(60, 0, 0, 0), Solid(60, 1, 1, 1), Solid(60, 2, 2, 2), Solid(60, 3, 3, 3));
    EXPECT_EQ(button->GetCurrentBitmap().GetWidth(), 60) << "drawn from the left and cut";

    // The size given is the best size, whatever the label.
    EXPECT_EQ(wide->GetBestSize(), wxSize(79, 21));
    EXPECT_TRUE(wide->HasFlag(wxBORDER_NONE));
}

TEST(BmpPanel, PictureSetsTheMinimumSize)
{
    wxFrame* frame = new wxFrame(nullptr, wxID_ANY, "panel test");
    BmpPanel* panel = new BmpPanel(frame);
    EXPECT_FALSE(panel->GetBitmap().IsOk());
    panel->SetBitmap(Solid(120, 1, 2, 3));
    EXPECT_EQ(panel->GetMinSize(), wxSize(120, 21));
    frame->Destroy();
    FlushEvents();
}

} // namespace
