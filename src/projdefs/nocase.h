#pragma once

#include <cstddef>
#include <string>

// Case-insensitive comparisons of projector and entry names. Only the ASCII
// letters are folded; bytes of 128 and above compare exactly, so the result
// does not depend on the locale.
inline char FoldAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsNoCase(const std::string& a, const std::string& b);

// True when `text` begins with `prefix` (`prefixLength` characters), ASCII
// letters compared without regard to case.
bool StartsWithNoCase(const char* text, const char* prefix, size_t prefixLength);

// The text with every ASCII capital replaced by its small letter.
std::string FoldNoCase(const std::string& text);
