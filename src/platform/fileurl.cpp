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

namespace {

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

bool DecodePercentEscapes(const std::string& text, std::string& decoded)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i)
    {
        const int high = text[i] == '%' && i + 2 < text.size() ? HexValue(text[i + 1]) : -1;
        const int low = high >= 0 ? HexValue(text[i + 2]) : -1;
        if (low < 0)
        {
            out += text[i];
            continue;
        }
        const char byte = static_cast<char>(high * 16 + low);
        if (byte == '\0')
            return false;
        out += byte;
        i += 2;
    }
    decoded.swap(out);
    return true;
}
