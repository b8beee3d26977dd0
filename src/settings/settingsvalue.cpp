#include "settings/settingsvalue.h"

#include <wx/wxcrt.h>

namespace {

bool IsControlCharacter(wxUniChar c)
{
    const wxUint32 code = c.GetValue();
    return code < 0x20 || (code >= 0x7F && code <= 0x9F) || code == 0x2028 || code == 0x2029;
}

bool IsBlank(wxUniChar c)
{
    return c == ' ' || wxIsspace(c);
}

} // namespace

bool IsSingleLineText(const wxString& value)
{
    for (wxUniChar c : value)
        if (IsControlCharacter(c))
            return false;
    return true;
}

bool IsStorablePassword(const wxString& value)
{
    if (!IsSingleLineText(value))
        return false;
    return value.empty() || (!IsBlank(value[0]) && !IsBlank(value.Last()));
}
