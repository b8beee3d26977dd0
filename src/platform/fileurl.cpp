#include "platform/fileurl.h"

#include <cstring>

wxString FileUrlOfPath(const wxString& path)
{
    const wxCharBuffer bytes = path.fn_str();
    if (bytes.data() == nullptr || bytes.data()[0] != '/')
        return wxString();
    static const char hex[] = "0123456789ABCDEF";
    std::string url = "file://";
    for (const char* p = bytes.data(); *p != '\0'; ++p)
    {
        const unsigned char c = static_cast<unsigned char>(*p);
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || strchr("-._~/", c) != nullptr)
        {
            url += static_cast<char>(c);
            continue;
        }
        url += '%';
        url += hex[c >> 4];
        url += hex[c & 0x0F];
    }
    return wxString::FromAscii(url.c_str());
}
