#include "projdefs/nocase.h"

bool EqualsNoCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (FoldAscii(a[i]) != FoldAscii(b[i]))
            return false;
    return true;
}

bool StartsWithNoCase(const char* text, const char* prefix, size_t prefixLength)
{
    // Stops at the text's NUL: a NUL never equals a prefix character.
    for (size_t i = 0; i < prefixLength; ++i)
        if (text[i] == '\0' || FoldAscii(text[i]) != FoldAscii(prefix[i]))
            return false;
    return true;
}

std::string FoldNoCase(const std::string& text)
{
    std::string folded(text);
    for (char& c : folded)
        c = FoldAscii(c);
    return folded;
}
