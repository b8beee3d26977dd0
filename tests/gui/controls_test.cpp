// The window parts: the picture button, the widening of its faces, picture
// files and the built-in pictures, and the sorted choice.

#include "controls/bmppanel.h"
#include "controls/bmptextbutton.h"
#include "controls/choiceorder.h"
#include "controls/picturefile.h"
#include "controls/stretchbitmap.h"
#include "resources.h"

#include "support/core/log_recorder.h"
#include "support/core/temp_dir.h"
#include "support/gui/gui_helpers.h"

#include <gtest/gtest.h>

#include <wx/choice.h>
#include <wx/frame.h>
#include <wx/image.h>
#include <wx/panel.h>

#include <sys/stat.h>

#include <memory>

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
    for (size_t i = 0; i < std::size(steps); ++i)
    {
        SCOPED_TRACE(i);
        std::unique_ptr<wxEvent> event;
        if (steps[i].type == wxEVT_KEY_DOWN || steps[i].type == wxEVT_KEY_UP)
        {
            auto* key = new wxKeyEvent(steps[i].type);
            key->m_keyCode = steps[i].key;
            event.reset(key);
        }
        else if (steps[i].type == wxEVT_KILL_FOCUS)
            event.reset(new wxFocusEvent(steps[i].type));
        else
        {
            auto* mouse = new wxMouseEvent(steps[i].type);
            mouse->SetPosition(wxPoint(5, 5));
            event.reset(mouse);
        }
        event->SetEventObject(button);
        if (steps[i].type == 0)
            button->SetHighlighted(!button->IsHighlighted());
        else
            button->GetEventHandler()->ProcessEvent(*event);
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

    // Capitals sort before small letters; an exact duplicate keeps its first item.
    wxChoice* choice = new wxChoice(panel, wxID_ANY);
    int data[3];
    for (auto [name, item] : {std::pair{"beta", 0}, {"Alpha", 0}, {"Beta", 1}, {"beta", 2}})
        EXPECT_EQ(InsertSorted(choice, name, &data[item % 3]), item) << name;
    EXPECT_EQ(choice->GetString(0) + choice->GetString(1) + choice->GetString(2), "AlphaBetabeta");
    EXPECT_EQ(choice->GetClientData(2), &data[0]) << "the first one keeps its item";
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
        {24, 35, {0, 14, 10, 14, 10, 14, 10, 13, 14, 24}},
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
                face.SetAlpha(x, y, static_cast<unsigned char>(200 + x % 50));
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
        for (int& column : expected)
            column %= 50;
        EXPECT_EQ(alpha, expected);
        EXPECT_EQ(stretched.GetGreen(stretched.GetWidth() - 1, 20), 120);
    }
    EXPECT_FALSE(StretchBitmap(wxBitmap(), 79, 10).IsOk());
}

// Pictures are read through the non-blocking open: what is not a regular
// picture file gives an empty bitmap and a warning, at once.
TEST(PictureFile, ReadsAPictureAndRefusesEverythingElseWithoutWaiting)
{
    TempDir dir;
    ASSERT_EQ(mkfifo(dir.File("pipe.png").c_str(), 0600), 0); // a plain open would wait here for a writer
    ASSERT_TRUE(WriteWholeFile(dir.File("text.png"), "not a picture"));
    EXPECT_TRUE(LoadPictureFile(KESTO_SOURCE_DIR "/images/bred.png").IsOk());
    EXPECT_EQ(LoadResourceBitmap("CheckBmp").GetSize(), wxSize(16, 16)); // the built-in ones by their exact names
    EXPECT_GE(LoadResourceIcon("AppIcon").GetWidth(), 32);
    EXPECT_FALSE(LoadResourceBitmap("NoSuchPicture").IsOk());
    EXPECT_FALSE(LoadResourceIcon("appicon").IsOk());
    const std::pair<std::string, const char*> rows[] = {
        {dir.File("pipe.png"), "named pipe"},
        {dir.File("text.png"), "not a picture"},
        {dir.File("missing.png"), "No such file"},
        {dir.Path(), "folder"},
    };
    for (const auto& [path, reason] : rows)
    {
        SCOPED_TRACE(path);
        LogRecorder log;
        EXPECT_FALSE(LoadPictureFile(wxString::FromUTF8(path)).IsOk());
        const auto warnings = log.AtLevel(Log::LEVEL_WARNING);
        ASSERT_EQ(warnings.size(), 1u);
        EXPECT_EQ(warnings[0].rfind("cannot load picture " + path + ": ", 0), 0u) << warnings[0];
        EXPECT_NE(warnings[0].find(reason), std::string::npos) << warnings[0];
    }
}

} // namespace
