// Widening of button faces: which source column lands in which result column.

#include "controls/stretchbitmap.h"
#include "resources.h"

#include <gtest/gtest.h>

#include <wx/bitmap.h>
#include <wx/image.h>

#include <vector>

namespace {

TEST(StretchBitmap, RepeatsTheMiddleAndKeepsTheCapsAndTransparency)
{
    const struct
    {
        int width, target;
        std::vector<int> columns; // the source column of each result column, as ranges [from, to)
    } rows[] = {
        {40, 79, {0, 30, 10, 30, 10, 29, 30, 40}}, // the left part, the middle once and again cut, the right cap
        {24, 35, {0, 14, 10, 14, 10, 14, 10, 13, 14, 24}},
        {21, 30, {0, 11, 10, 11, 10, 11, 10, 11, 10, 11, 10, 11, 10, 11, 10, 11, 10, 11, 10, 11, 11, 21}},
        {20, 79, {0, 20}}, // no middle to repeat
        {40, 40, {0, 40}}, // as wide as the button or wider: as it is
        {40, 25, {0, 40}},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.width);
        wxImage face(row.width, 21);
        face.InitAlpha();
        for (int x = 0; x < row.width; ++x)
            for (int y = 0; y < 21; ++y)
            {
                face.SetRGB(x, y, static_cast<unsigned char>(x), static_cast<unsigned char>(100 + y), 7);
                face.SetAlpha(x, y, static_cast<unsigned char>(200 + x % 50));
            }
        const wxImage stretched = StretchBitmap(wxBitmap(face, 32), row.target, 10).ConvertToImage();
        std::vector<int> expected, red, green, alpha;
        for (size_t i = 0; i + 1 < row.columns.size(); i += 2)
            for (int x = row.columns[i]; x < row.columns[i + 1]; ++x)
                expected.push_back(x);
        for (int x = 0; x < stretched.GetWidth(); ++x)
        {
            red.push_back(stretched.GetRed(x, 20));
            alpha.push_back(stretched.GetAlpha(x, 20) - 200);
        }
        EXPECT_EQ(red, expected);
        for (int& column : expected)
            column %= 50;
        EXPECT_EQ(alpha, expected);
        EXPECT_EQ(stretched.GetGreen(stretched.GetWidth() - 1, 20), 120);
    }
    EXPECT_FALSE(StretchBitmap(wxBitmap(), 79, 10).IsOk());
}

TEST(Resources, TheBuiltInPicturesByTheirExactNames)
{
    EXPECT_EQ(LoadResourceBitmap("CheckBmp").GetSize(), wxSize(16, 16));
    EXPECT_GE(LoadResourceIcon("AppIcon").GetWidth(), 32);
    EXPECT_FALSE(LoadResourceBitmap("NoSuchPicture").IsOk());
    EXPECT_FALSE(LoadResourceIcon("appicon").IsOk());
}

} // namespace
