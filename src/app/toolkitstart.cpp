#include "app/toolkitstart.h"

#include "platform/toolkitenvironment.h"

#include <wx/app.h>
#include <wx/image.h>
#include <wx/init.h>

#include <cstdio>

bool StartToolkitWithoutLoop(int& argc, char** argv)
{
    PrepareToolkitEnvironment();
    wxApp::SetInstance(new wxApp);
    if (!wxEntryStart(argc, argv))
    {
        fprintf(stderr, "cannot initialise wxWidgets: is there a display?\n");
        return false;
    }
    wxImage::AddHandler(new wxPNGHandler);
    return true;
}
