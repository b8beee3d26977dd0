#include "settings/settingstext.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

bool StartsWith(const unsigned char* bytes, std::size_t length, const char* mark, std::size_t markLength)
{
    return length >= markLength && memcmp(bytes, mark, markLength) == 0;
}

// Characters that never stand in a text file: C0 controls other than tab,
// line and page ends, and delete. Binary data is full of them.
bool IsTextCharacter(uint32_t c)
{
    if (c < 0x20)
        return c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
    return c != 0x7F && c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF);
}

bool DecodeUtf8(const unsigned char* p, std::size_t length, std::vector<uint32_t>& out)
{
    for (std::size_t i = 0; i < length;)
    {
        const unsigned char lead = p[i];
        std::size_t extra;
        uint32_t c;
        uint32_t smallest;
        if (lead < 0x80)
        {
            out.push_back(lead);
            ++i;
            continue;
        }
        if ((lead & 0xE0) == 0xC0)
            extra = 1, c = lead & 0x1F, smallest = 0x80;
        else if ((lead & 0xF0) == 0xE0)
            extra = 2, c = lead & 0x0F, smallest = 0x800;
        else if ((lead & 0xF8) == 0xF0)
            extra = 3, c = lead & 0x07, smallest = 0x10000;
        else
            return false;
        if (length - i <= extra)
            return false;
        for (std::size_t k = 1; k <= extra; ++k)
        {
            if ((p[i + k] & 0xC0) != 0x80)
                return false;
            c = (c << 6) | (p[i + k] & 0x3F);
        }
        if (c < smallest) // an overlong form
            return false;
        out.push_back(c);
        i += extra + 1;
    }
    return true;
}

bool DecodeUtf16(const unsigned char* p, std::size_t length, bool bigEndian, std::vector<uint32_t>& out)
{
    if (length % 2 != 0)
        return false;
    auto unit = [&](std::size_t i) {
        return bigEndian ? static_cast<uint32_t>(p[i] << 8 | p[i + 1])
                         : static_cast<uint32_t>(p[i + 1] << 8 | p[i]);
    };
    for (std::size_t i = 0; i < length; i += 2)
    {
        const uint32_t first = unit(i);
        if (first < 0xD800 || first > 0xDFFF)
        {
            out.push_back(first);
            continue;
        }
        if (first > 0xDBFF || i + 2 >= length)
            return false; // a low surrogate first, or a high one at the end
        const uint32_t second = unit(i + 2);
        if (second < 0xDC00 || second > 0xDFFF)
            return false;
        out.push_back(0x10000 + ((first - 0xD800) << 10) + (second - 0xDC00));
        i += 2;
    }
    return true;
}

bool DecodeUtf32(const unsigned char* p, std::size_t length, bool bigEndian, std::vector<uint32_t>& out)
{
    if (length % 4 != 0)
        return false;
    for (std::size_t i = 0; i < length; i += 4)
        out.push_back(bigEndian ? static_cast<uint32_t>(p[i]) << 24 | p[i + 1] << 16 | p[i + 2] << 8 | p[i + 3]
                                : static_cast<uint32_t>(p[i + 3]) << 24 | p[i + 2] << 16 | p[i + 1] << 8 | p[i]);
    return true;
}

bool DecodeCharacters(const char* bytes, std::size_t length, std::vector<uint32_t>& out)
{
    const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes);
    out.reserve(length);
    // UTF-32 first: its little-endian mark begins like UTF-16's.
    if (StartsWith(p, length, "\xFF\xFE\x00\x00", 4))
        return DecodeUtf32(p + 4, length - 4, false, out);
    if (StartsWith(p, length, "\x00\x00\xFE\xFF", 4))
        return DecodeUtf32(p + 4, length - 4, true, out);
    if (StartsWith(p, length, "\xFF\xFE", 2))
        return DecodeUtf16(p + 2, length - 2, false, out);
    if (StartsWith(p, length, "\xFE\xFF", 2))
        return DecodeUtf16(p + 2, length - 2, true, out);
    if (StartsWith(p, length, "\xEF\xBB\xBF", 3))
        return DecodeUtf8(p + 3, length - 3, out);
    if (DecodeUtf8(p, length, out))
        return true;
    // Not UTF-8: every byte is one Latin-1 character.
    out.assign(p, p + length);
    return true;
}

} // namespace

bool DecodeSettingsText(const char* bytes, std::size_t length, wxString& text)
{
    std::vector<uint32_t> characters;
    if (!DecodeCharacters(bytes, length, characters))
        return false;
    wxString decoded;
    decoded.reserve(characters.size());
    for (uint32_t c : characters)
    {
        if (!IsTextCharacter(c))
            return false;
        decoded += wxUniChar(c);
    }
    text.swap(decoded);
    return true;
}

size_t SettingsTextConv::ToWChar(wchar_t* dst, size_t dstLen, const char* src, size_t srcLen) const
{
    // A NUL-terminated input gives a NUL-terminated output; an input of a
    // given length is decoded as it is, a NUL in it making it no text.
    const bool terminated = srcLen == wxNO_LEN;
    const size_t length = terminated ? strlen(src) : srcLen;
    wxString text;
    if (!DecodeSettingsText(src, length, text))
        return wxCONV_FAILED;
    const wxWCharBuffer wide = text.wc_str();
    const size_t count = wide.length();
    const size_t needed = count + (terminated ? 1 : 0);
    if (dst == nullptr)
        return needed;
    if (dstLen < needed)
        return wxCONV_FAILED;
    memcpy(dst, wide.data(), count * sizeof(wchar_t));
    if (terminated)
        dst[count] = L'\0';
    return needed;
}

size_t SettingsTextConv::FromWChar(char* dst, size_t dstLen, const wchar_t* src, size_t srcLen) const
{
    return wxConvUTF8.FromWChar(dst, dstLen, src, srcLen);
}
