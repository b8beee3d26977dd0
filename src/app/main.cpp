#include "app/app.h"
#include "app/programmain.h"

wxIMPLEMENT_APP_NO_MAIN(App);

int main(int argc, char** argv)
{
    return ProgramMain(argc, argv, [] { return static_cast<wxAppConsole*>(new App); });
}
