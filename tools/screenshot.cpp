// kesto-screenshot FILE.png: saves the whole X screen as a PNG. Used by
// `make run` on a machine without a display, under Xvfb.

#include <wx/app.h>
#include <wx/bitmap.h>
#include <wx/dcmemory.h>
#include <wx/dcscreen.h>
#include <wx/image.h>

#include <cstdio>

class ScreenshotApp : public wxApp
{
public:
    bool OnInit() override
    {
        if (argc != 2)
        {
            fprintf(stderr, "usage: kesto-screenshot FILE.png\n");
            m_status = 2;
            return false;
        }
        wxImage::AddHandler(new wxPNGHandler);
        wxScreenDC screen;
        const wxSize size = screen.GetSize();
        wxBitmap bitmap(size);
        {
            wxMemoryDC memory(bitmap);
            if (!memory.Blit(0, 0, size.x, size.y, &screen, 0, 0))
            {
                fprintf(stderr, "cannot read the screen\n");
                m_status = 1;
                return false;
            }
        }
        if (!bitmap.SaveFile(argv[1], wxBITMAP_TYPE_PNG))
        {
            fprintf(stderr, "cannot write %s\n", static_cast<const char*>(argv[1].mb_str()));
            m_status = 1;
            return false;
        }
        m_status = 0;
        return false; // done: no event loop
    }
    int OnRun() override { return m_status; }
    int GetStatus() const { return m_status; }

private:
    int m_status = 1;
};

wxIMPLEMENT_APP_NO_MAIN(ScreenshotApp);

int main(int argc, char** argv)
{
    wxApp::SetInstance(new ScreenshotApp);
    if (!wxEntryStart(argc, argv))
        return 1;
    wxTheApp->CallOnInit();
    int status = static_cast<ScreenshotApp*>(wxTheApp)->GetStatus();
    wxEntryCleanup();
    return status;
}
