#include "app/app.h"
#include "platform/toolkitenvironment.h"

wxIMPLEMENT_APP_NO_MAIN(App);

int main(int argc, char** argv)
{
    PrepareToolkitEnvironment();
    return wxEntry(argc, argv);
}
