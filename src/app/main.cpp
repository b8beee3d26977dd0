#include "app/app.h"

wxIMPLEMENT_APP(App);
