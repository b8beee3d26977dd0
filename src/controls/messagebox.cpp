#include "controls/messagebox.h"

#include <wx/msgdlg.h>
#include <wx/generic/msgdlgg.h>

int ShowMessageBox(const wxString& message, const wxString& caption, long style,
                   wxWindow* parent)
{
    // The generic box knows no wxICON_NONE (it would show the error icon and
    // assert): no icon flag at all gives no icon.
    if (style & wxICON_NONE)
        style &= ~wxICON_MASK;
    wxGenericMessageDialog dialog(parent, message, caption, style | wxCENTRE);
    switch (dialog.ShowModal())
    {
    case wxID_OK:
        return wxOK;
    case wxID_YES:
        return wxYES;
    case wxID_NO:
        return wxNO;
    case wxID_HELP:
        return wxHELP;
    default:
        return wxCANCEL;
    }
}
