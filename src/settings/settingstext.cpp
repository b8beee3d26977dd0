#include "settings/settingstext.h"

#include <cstdint>
#include <cstring>

namespace {

// The decoders hand each character to put(c), which returns false to stop
// (the text is refused); they return false for a broken sequence too.

bool StartsWith(const unsigned char* bytes, std::size_t length, const char* mark, std::size_t markLength)
{
    return length >= markLength && memcmp(bytes, mark, markLength) == 0;
}

bool IsUnicodeCharacter(uint32_t c)
{
    return c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF);
}

template <typename Put>
bool DecodeUtf8(const unsigned char* p, std::size_t length, Put&& put)
{
    for (std::size_t i = 0; i < length;)
    {
        const unsigned char lead = p[i];
        std::size_t extra;
        uint32_t c;
        uint32_t smallest;
        if (lead < 0x80)
        {
            if (!put(lead))
                return false;
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
        if (c < smallest || !IsUnicodeCharacter(c)) // an overlong form, a surrogate, beyond Unicode
            return false;
        if (!put(c))
            return false;
        i += extra + 1;
    }
    return true;
}

template <typename Put>
bool DecodeUtf16(const unsigned char* p, std::size_t length, bool bigEndian, Put&& put)
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
            if (!put(first))
                return false;
            continue;
        }
        if (first > 0xDBFF || i + 2 >= length)
            return false; // a low surrogate first, or a high one at the end
        const uint32_t second = unit(i + 2);
        if (second < 0xDC00 || second > 0xDFFF)
            return false;
        if (!put(0x10000 + ((first - 0xD800) << 10) + (second - 0xDC00)))
            return false;
        i += 2;
    }
    return true;
}

template <typename Put>
bool DecodeUtf32(const unsigned char* p, std::size_t length, bool bigEndian, Put&& put)
{
    if (length % 4 != 0)
        return false;
    for (std::size_t i = 0; i < length; i += 4)
    {
        const uint32_t c = bigEndian ? static_cast<uint32_t>(p[i]) << 24 | p[i + 1] << 16 | p[i + 2] << 8 | p[i + 3]
                                     : static_cast<uint32_t>(p[i + 3]) << 24 | p[i + 2] << 16 | p[i + 1] << 8 | p[i];
        if (!IsUnicodeCharacter(c) || !put(c))
            return false;
    }
    return true;
}

template <typename Put>
bool DecodeCharacters(const char* bytes, std::size_t length, Put&& put)
{
    const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes);
    // UTF-32 first: its little-endian mark begins like UTF-16's.
    if (StartsWith(p, length, "\xFF\xFE\x00\x00", 4))
        return DecodeUtf32(p + 4, length - 4, false, put);
    if (StartsWith(p, length, "\x00\x00\xFE\xFF", 4))
        return DecodeUtf32(p + 4, length - 4, true, put);
    if (StartsWith(p, length, "\xFF\xFE", 2))
        return DecodeUtf16(p + 2, length - 2, false, put);
    if (StartsWith(p, length, "\xFE\xFF", 2))
        return DecodeUtf16(p + 2, length - 2, true, put);
    if (StartsWith(p, length, "\xEF\xBB\xBF", 3))
        return DecodeUtf8(p + 3, length - 3, put);
    // Checked whole before a character is handed on.
    if (DecodeUtf8(p, length, [](uint32_t) { return true; }))
        return DecodeUtf8(p, length, put);
    // Not UTF-8: every byte is one Latin-1 character.
    for (std::size_t i = 0; i < length; ++i)
        if (!put(p[i]))
            return false;
    return true;
}

// Control characters that have no place in a settings file: all of C0 but
// tab, line and page ends, and delete. A few of them in a value (pasted by
// mistake) must not cost the whole file.
bool IsOddControl(uint32_t c)
{
    if (c < 0x20)
        return c != '\t' && c != '\n' && c != '\r' && c != '\v' && c != '\f';
    return c == 0x7F;
}

// Between the decoder and the output: refuses a NUL, leaves odd control
// characters out and notes their lines, counted as the toolkit's text
// reader counts them (CR LF, CR or LF ends a line).
template <typename Out>
class TextFilter
{
public:
    TextFilter(Out& out, std::vector<unsigned>* oddLines) : m_out(out), m_oddLines(oddLines) {}

    bool operator()(uint32_t c)
    {
        if (c == 0)
            return false;
        if (IsOddControl(c))
        {
            if (m_oddLines != nullptr && (m_oddLines->empty() || m_oddLines->back() != m_line))
                m_oddLines->push_back(m_line);
            return true;
        }
        if (c == '\r' || (c == '\n' && !m_afterCr))
            ++m_line;
        m_afterCr = c == '\r';
        return m_out(c);
    }

private:
    Out& m_out;
    std::vector<unsigned>* m_oddLines;
    unsigned m_line = 1;
    bool m_afterCr = false;
};

template <typename Out>
bool DecodeText(const char* bytes, std::size_t length, Out& out, std::vector<unsigned>* oddLines)
{
    TextFilter<Out> filter(out, oddLines);
    return DecodeCharacters(bytes, length, filter);
}

// Writes wide characters into a buffer of dstLen, or only counts them
// without one; false when the buffer is too small.
class WideOutput
{
public:
    WideOutput(wchar_t* dst, size_t dstLen) : m_dst(dst), m_dstLen(dstLen) {}

    bool operator()(uint32_t c)
    {
        if (sizeof(wchar_t) == 2 && c > 0xFFFF)
            return Unit(0xD800 + ((c - 0x10000) >> 10)) && Unit(0xDC00 + ((c - 0x10000) & 0x3FF));
        return Unit(c);
    }
    size_t Count() const { return m_count; }

private:
    bool Unit(uint32_t unit)
    {
        if (m_dst != nullptr)
        {
            if (m_count >= m_dstLen)
                return false;
            m_dst[m_count] = static_cast<wchar_t>(unit);
        }
        ++m_count;
        return true;
    }

    wchar_t* m_dst;
    size_t m_dstLen;
    size_t m_count = 0;
};

} // namespace

bool DecodeSettingsText(const char* bytes, std::size_t length, wxString* text, std::vector<unsigned>* oddLines)
{
    if (text == nullptr)
    {
        auto drop = [](uint32_t) { return true; };
        return DecodeText(bytes, length, drop, oddLines);
    }
    wxString decoded;
    decoded.reserve(length);
    auto append = [&decoded](uint32_t c) {
        decoded += wxUniChar(c);
        return true;
    };
    if (!DecodeText(bytes, length, append, oddLines))
        return false;
    text->swap(decoded);
    return true;
}

size_t SettingsTextConv::ToWChar(wchar_t* dst, size_t dstLen, const char* src, size_t srcLen) const
{
    // A NUL-terminated input gives a NUL-terminated output; an input of a
    // given length is decoded as it is, a NUL in it making it no text.
    const bool terminated = srcLen == wxNO_LEN;
    const size_t length = terminated ? strlen(src) : srcLen;
    WideOutput out(dst, dstLen);
    if (!DecodeText(src, length, out, nullptr))
        return wxCONV_FAILED;
    if (terminated && !out(0))
        return wxCONV_FAILED;
    return out.Count();
}

size_t SettingsTextConv::FromWChar(char* dst, size_t dstLen, const wchar_t* src, size_t srcLen) const
{
    return wxConvUTF8.FromWChar(dst, dstLen, src, srcLen);
}
