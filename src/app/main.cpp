#include "app/app.h"
#include "app/programmain.h"

// Also defines wxCreateApp(), which makes the App.
wxIMPLEMENT_APP_NO_MAIN(App);

int main(int argc, char** argv)
{
    return ProgramMain(argc, argv, wxCreateApp);
}
