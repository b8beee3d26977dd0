#pragma once

#include <wx/string.h>
#include <wx/strconv.h>

#include <cstddef>
#include <vector>

// Decodes the bytes of a settings file. A byte-order mark says the encoding
// (UTF-8, UTF-16 or UTF-32, either byte order); without one the bytes are
// UTF-8 when they are valid UTF-8, else Latin-1. Returns false when the
// bytes are no text: a broken sequence of the marked encoding, a character
// beyond Unicode, or a NUL (which no text file holds; binary data is full of
// them). Other control characters (all of C0 but tab, line and page ends, and
// DEL) are left out of the text, and the numbers of their lines, from 1, go
// to oddLines when given. text may be null when only the check is wanted.
bool DecodeSettingsText(const char* bytes, std::size_t length, wxString* text,
                        std::vector<unsigned>* oddLines = nullptr);

// The settings file's conversion for the toolkit's file-based store: reads as
// DecodeSettingsText, always writes UTF-8 without a mark.
class SettingsTextConv : public wxMBConv
{
public:
    size_t ToWChar(wchar_t* dst, size_t dstLen, const char* src, size_t srcLen = wxNO_LEN) const override;
    size_t FromWChar(char* dst, size_t dstLen, const wchar_t* src, size_t srcLen = wxNO_LEN) const override;
    size_t GetMBNulLen() const override { return 1; }
    wxMBConv* Clone() const override { return new SettingsTextConv; }
};
