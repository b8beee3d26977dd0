#include "controls/stretchbitmap.h"

#include <wx/image.h>

#include <algorithm>

namespace {

// Copies one column of pixels, alpha included when both have it.
void CopyColumn(const wxImage& from, int fromX, wxImage& to, int toX)
{
    const int height = std::min(from.GetHeight(), to.GetHeight());
    const bool alpha = from.HasAlpha() && to.HasAlpha();
    for (int y = 0; y < height; ++y)
    {
        to.SetRGB(toX, y, from.GetRed(fromX, y), from.GetGreen(fromX, y), from.GetBlue(fromX, y));
        if (alpha)
            to.SetAlpha(toX, y, from.GetAlpha(fromX, y));
    }
}

} // namespace

wxBitmap StretchBitmap(const wxBitmap& source, int newWidth, int cap)
{
    if (!source.IsOk() || cap < 0)
        return source;
    const int width = source.GetWidth();
    const int height = source.GetHeight();
    if (newWidth <= width || width <= 2 * cap)
        return source;

    wxImage from = source.ConvertToImage();
    if (from.HasMask() && !from.HasAlpha())
        from.InitAlpha(); // turns the mask into alpha
    if (!from.IsOk())
        return source;

    wxImage to(newWidth, height, false);
    if (!to.IsOk())
        return source;
    if (from.HasAlpha())
        to.InitAlpha();

    const int leftEnd = width - cap; // the left part is [0, leftEnd)
    for (int x = 0; x < leftEnd; ++x)
        CopyColumn(from, x, to, x);

    const int rightStart = newWidth - cap;
    const int middle = width - 2 * cap; // > 0, checked above
    for (int x = leftEnd; x < rightStart; ++x)
        CopyColumn(from, cap + (x - leftEnd) % middle, to, x);

    for (int x = 0; x < cap; ++x)
        CopyColumn(from, leftEnd + x, to, rightStart + x);

    return wxBitmap(to, 32);
}
