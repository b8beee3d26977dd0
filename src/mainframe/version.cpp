#include "mainframe/version.h"

const wxString theVersionText = wxString::FromUTF8("0.9.22.4");
