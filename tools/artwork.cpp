// kesto-artwork ROOT: draws the program's artwork and writes it below ROOT:
// images/*.png (read at run time), resources/*.png (compiled in) and the
// application icon in the sizes of the desktop's icon theme,
// packaging/icons/NxN/aulavox-kesto.png (installed).
// The output is committed, so a fresh clone never needs to run this; run it
// again under Xvfb (it needs a display for fonts) after changing a drawing:
//   cmake --build build --target kesto-artwork && xvfb-run -a build/kesto-artwork .

#include "app/toolkitstart.h"

#include <wx/app.h>
#include <wx/brush.h>
#include <wx/colour.h>
#include <wx/filename.h>
#include <wx/font.h>
#include <wx/graphics.h>
#include <wx/image.h>
#include <wx/init.h>
#include <wx/pen.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>

namespace {

// Panel sizes. The main window's layout follows them: power and volume side
// by side above the source panel, the advanced panel to the right.
constexpr int PANEL_SMALL_W = 178;
constexpr int PANEL_SMALL_H = 150;
constexpr int PANEL_SOURCE_W = 2 * PANEL_SMALL_W + 5;
constexpr int PANEL_SOURCE_H = 125;
constexpr int PANEL_ADVANCED_W = 190;
constexpr int PANEL_ADVANCED_H = PANEL_SMALL_H + 5 + PANEL_SOURCE_H; // as tall as the left column
constexpr int TITLE_BAND = 40;

// Button faces: narrower than every button of the window (the smallest is
// 25 pixels wide) and wider than twice the stretch cap of 10 pixels.
constexpr int BUTTON_W = 24;
constexpr int BUTTON_H = 21;

const wxColour MAIN_PANEL_GREY(240, 240, 240);
const wxColour BAND_TOP(62, 80, 100);
const wxColour BAND_BOTTOM(36, 49, 63);
const wxColour ACCENT_RED(200, 40, 30);
const wxColour FRAME_LINE(196, 200, 205);

using Painter = std::function<void(wxGraphicsContext&, int w, int h)>;

// Draws on a fully transparent image of the given size and saves it.
bool Render(const wxString& path, int w, int h, const Painter& paint)
{
    wxImage image(w, h);
    image.InitAlpha();
    memset(image.GetAlpha(), 0, size_t(w) * size_t(h));
    {
        std::unique_ptr<wxGraphicsContext> gc(wxGraphicsContext::Create(image));
        if (!gc)
        {
            fprintf(stderr, "cannot draw on an image\n");
            return false;
        }
        gc->SetAntialiasMode(wxANTIALIAS_DEFAULT);
        paint(*gc, w, h);
    } // the context writes back into the image when it goes
    if (!image.SaveFile(path, wxBITMAP_TYPE_PNG))
    {
        fprintf(stderr, "cannot write %s\n", static_cast<const char*>(path.mb_str()));
        return false;
    }
    printf("wrote %s (%dx%d)\n", static_cast<const char*>(path.mb_str()), w, h);
    return true;
}

wxFont PixelFont(int pixels, bool bold)
{
    wxFontInfo info(wxSize(0, pixels));
    info.FaceName("DejaVu Sans");
    if (bold)
        info.Bold();
    return wxFont(info);
}

// A panel picture: opaque, its corners in the main panel's grey so that the
// rounded shape shows; a dark title band with a red rule in the top 40
// pixels, white below.
Painter PanelPainter(const wxString& title)
{
    return [title](wxGraphicsContext& gc, int w, int h) {
        const double radius = 8;
        gc.SetPen(*wxTRANSPARENT_PEN);
        gc.SetBrush(wxBrush(MAIN_PANEL_GREY));
        gc.DrawRectangle(0, 0, w, h);

        wxGraphicsPath body = gc.CreatePath();
        body.AddRoundedRectangle(0.5, 0.5, w - 1, h - 1, radius);
        gc.SetBrush(*wxWHITE_BRUSH);
        gc.SetPen(wxPen(FRAME_LINE, 1));
        gc.DrawPath(body);

        // The band: rounded at the top, square where it meets the body.
        wxGraphicsPath band = gc.CreatePath();
        band.MoveToPoint(0.5, TITLE_BAND - 2);
        band.AddLineToPoint(0.5, radius + 0.5);
        band.AddArc(radius + 0.5, radius + 0.5, radius, M_PI, 1.5 * M_PI, true);
        band.AddLineToPoint(w - radius - 0.5, 0.5);
        band.AddArc(w - radius - 0.5, radius + 0.5, radius, 1.5 * M_PI, 0, true);
        band.AddLineToPoint(w - 0.5, TITLE_BAND - 2);
        band.CloseSubpath();
        gc.SetBrush(gc.CreateLinearGradientBrush(0, 0, 0, TITLE_BAND, BAND_TOP, BAND_BOTTOM));
        gc.SetPen(*wxTRANSPARENT_PEN);
        gc.DrawPath(band);
        gc.SetBrush(wxBrush(ACCENT_RED));
        gc.DrawRectangle(0.5, TITLE_BAND - 3, w - 1, 3);

        gc.SetFont(PixelFont(15, true), *wxWHITE);
        double tw, th, descent, leading;
        gc.GetTextExtent(title, &tw, &th, &descent, &leading);
        gc.DrawText(title, 12, (TITLE_BAND - 3 - th) / 2);
    };
}

// A rounded button face with a vertical gradient and a thin top highlight.
Painter ButtonPainter(const wxColour& top, const wxColour& bottom, const wxColour& edge)
{
    return [=](wxGraphicsContext& gc, int w, int h) {
        const double radius = 5;
        wxGraphicsPath face = gc.CreatePath();
        face.AddRoundedRectangle(0.5, 0.5, w - 1, h - 1, radius);
        gc.SetBrush(gc.CreateLinearGradientBrush(0, 0, 0, h, top, bottom));
        gc.SetPen(wxPen(edge, 1));
        gc.DrawPath(face);
        gc.SetPen(wxPen(wxColour(255, 255, 255, 60), 1));
        gc.StrokeLine(radius, 1.5, w - radius, 1.5);
    };
}

void DrawLogo(wxGraphicsContext& gc, int w, int h)
{
    wxGraphicsPath plate = gc.CreatePath();
    plate.AddRoundedRectangle(0.5, 0.5, w - 1, h - 1, 6);
    gc.SetBrush(gc.CreateLinearGradientBrush(0, 0, 0, h, wxColour(226, 58, 44), wxColour(160, 30, 22)));
    gc.SetPen(wxPen(wxColour(120, 20, 14), 1));
    gc.DrawPath(plate);
    gc.SetFont(PixelFont(18, true), *wxWHITE);
    double tw, th, descent, leading;
    gc.GetTextExtent("AXT", &tw, &th, &descent, &leading);
    gc.DrawText("AXT", (w - tw) / 2, (h - th) / 2);
}

// A cog: eight teeth round a disc, with a hole through the middle.
void DrawCog(wxGraphicsContext& gc, double cx, double cy, double outer, double inner,
             double hole, const wxColour& colour)
{
    wxGraphicsPath cog = gc.CreatePath();
    const int teeth = 8;
    for (int i = 0; i < 2 * teeth; ++i)
    {
        // Alternate between tooth tops and the roots between them; each
        // span covers a quarter of a tooth pitch on either side.
        const double r = (i % 2 == 0) ? outer : inner;
        const double a0 = (i - 0.5) * M_PI / teeth;
        const double a1 = (i + 0.5) * M_PI / teeth;
        const double x0 = cx + r * cos(a0), y0 = cy + r * sin(a0);
        if (i == 0)
            cog.MoveToPoint(x0, y0);
        else
            cog.AddLineToPoint(x0, y0);
        cog.AddLineToPoint(cx + r * cos(a1), cy + r * sin(a1));
    }
    cog.CloseSubpath();
    cog.AddCircle(cx, cy, hole);
    gc.SetBrush(wxBrush(colour));
    gc.SetPen(*wxTRANSPARENT_PEN);
    gc.DrawPath(cog, wxODDEVEN_RULE);
}

void DrawTools(wxGraphicsContext& gc, int w, int h)
{
    DrawCog(gc, w / 2.0, h / 2.0, w / 2.0 - 1, w / 2.0 - 4, w / 6.0, wxColour(80, 88, 98));
}

void DrawAppIcon(wxGraphicsContext& gc, int w, int h)
{
    // A projector seen from the front: dark body, white lens ring, red lamp.
    wxGraphicsPath body = gc.CreatePath();
    body.AddRoundedRectangle(1, 1, w - 2, h - 2, w / 6.0);
    gc.SetBrush(gc.CreateLinearGradientBrush(0, 0, 0, h, BAND_TOP, BAND_BOTTOM));
    gc.SetPen(*wxTRANSPARENT_PEN);
    gc.DrawPath(body);
    gc.SetPen(wxPen(*wxWHITE, std::max(2, w / 12)));
    gc.SetBrush(wxBrush(wxColour(20, 28, 36)));
    gc.DrawEllipse(w * 0.18, h * 0.22, w * 0.5, h * 0.5);
    gc.SetPen(*wxTRANSPARENT_PEN);
    gc.SetBrush(wxBrush(wxColour(120, 170, 220)));
    gc.DrawEllipse(w * 0.33, h * 0.37, w * 0.2, h * 0.2);
    gc.SetBrush(wxBrush(ACCENT_RED));
    gc.DrawEllipse(w * 0.74, h * 0.24, w * 0.13, h * 0.13);
    gc.SetBrush(wxBrush(wxColour(170, 180, 190)));
    gc.DrawRectangle(w * 0.74, h * 0.52, w * 0.13, h * 0.06);
    gc.DrawRectangle(w * 0.74, h * 0.64, w * 0.13, h * 0.06);
}

void DrawCheck(wxGraphicsContext& gc, int w, int h)
{
    wxGraphicsPath tick = gc.CreatePath();
    tick.MoveToPoint(w * 0.18, h * 0.55);
    tick.AddLineToPoint(w * 0.42, h * 0.78);
    tick.AddLineToPoint(w * 0.84, h * 0.24);
    wxPen pen(wxColour(30, 120, 50), 2);
    pen.SetCap(wxCAP_ROUND);
    pen.SetJoin(wxJOIN_ROUND);
    gc.SetPen(pen);
    gc.StrokePath(tick);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        fprintf(stderr, "usage: kesto-artwork ROOT\n");
        return 2;
    }
    if (!StartToolkitWithoutLoop(argc, argv))
        return 1;

    const wxString root = wxString::FromUTF8(argv[1]);
    const wxString images = root + "/images/";
    const wxString resources = root + "/resources/";
    bool ok = wxFileName::Mkdir(images, wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL) &&
              wxFileName::Mkdir(resources, wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);

    ok = ok && Render(images + "panelpower.png", PANEL_SMALL_W, PANEL_SMALL_H, PanelPainter("POWER"));
    ok = ok && Render(images + "panelvolume.png", PANEL_SMALL_W, PANEL_SMALL_H, PanelPainter("VOLUME"));
    ok = ok && Render(images + "panelsource.png", PANEL_SOURCE_W, PANEL_SOURCE_H, PanelPainter("SOURCE"));
    ok = ok && Render(images + "paneladvanced.png", PANEL_ADVANCED_W, PANEL_ADVANCED_H,
                      PanelPainter("ADVANCED"));
    ok = ok && Render(images + "bblack.png", BUTTON_W, BUTTON_H,
                      ButtonPainter(wxColour(78, 78, 82), wxColour(16, 16, 18), wxColour(0, 0, 0)));
    ok = ok && Render(images + "bblackhover.png", BUTTON_W, BUTTON_H,
                      ButtonPainter(wxColour(118, 118, 124), wxColour(48, 48, 52), wxColour(10, 10, 10)));
    ok = ok && Render(images + "bred.png", BUTTON_W, BUTTON_H,
                      ButtonPainter(wxColour(232, 72, 58), wxColour(160, 28, 20), wxColour(110, 16, 10)));
    ok = ok && Render(images + "bredhover.png", BUTTON_W, BUTTON_H,
                      ButtonPainter(wxColour(255, 116, 100), wxColour(200, 52, 40), wxColour(130, 24, 16)));
    ok = ok && Render(images + "logoAXT.png", 64, 30, DrawLogo);
    ok = ok && Render(images + "icoTools.png", 22, 22, DrawTools);
    ok = ok && Render(resources + "appicon.png", 48, 48, DrawAppIcon);
    ok = ok && Render(resources + "checkbmp.png", 16, 16, DrawCheck);
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
    {
        const wxString folder = wxString::Format("%s/packaging/icons/%dx%d/", root, size, size);
        ok = ok && wxFileName::Mkdir(folder, wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL) &&
             Render(folder + "aulavox-kesto.png", size, size, DrawAppIcon);
    }

    wxEntryCleanup();
    return ok ? 0 : 1;
}
