#include "controls/localtext.h"

#include <wx/strconv.h>

wxString FromLocal8Bit(const std::string& text)
{
    wxString wide(text.c_str(), wxConvLocal);
    if (wide.empty() && !text.empty())
        wide = wxString(text.c_str(), wxConvISO8859_1);
    return wide;
}

std::string ToLocal8Bit(const wxString& text)
{
    wxCharBuffer narrow = text.mb_str(wxConvLocal);
    if (narrow.data() && (narrow.length() > 0 || text.empty()))
        return std::string(narrow.data(), narrow.length());
    narrow = text.mb_str(wxConvISO8859_1);
    return narrow.data() ? std::string(narrow.data(), narrow.length()) : std::string();
}
