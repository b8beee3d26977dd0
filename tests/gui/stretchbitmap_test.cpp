// Widening of button faces: which source column lands in which result column.

#include "controls/stretchbitmap.h"

#include <gtest/gtest.h>

#include <wx/bitmap.h>
#include <wx/image.h>

#include <vector>

namespace {

// A face whose red channel names its column, with a row-dependent green so
// that a mixed-up height would show too.
wxBitmap ColumnCodedBitmap(int width, int height, bool alpha)
{
    wxImage image(width, height);
    if (alpha)
        image.InitAlpha();
    for (int x = 0; x < width; ++x)
        for (int y = 0; y < height; ++y)
        {
            image.SetRGB(x, y, static_cast<unsigned char>(x), static_cast<unsigned char>(100 + y), 7);
            if (alpha)
                image.SetAlpha(x, y, static_cast<unsigned char>(200 + (x % 50)));
        }
    return wxBitmap(image, 32);
}

std::vector<int> SourceColumns(const wxBitmap& bitmap, int row)
{
    wxImage image = bitmap.ConvertToImage();
    std::vector<int> columns;
    for (int x = 0; x < image.GetWidth(); ++x)
        columns.push_back(image.GetRed(x, row));
    return columns;
}

TEST(StretchBitmap, FortyPixelFaceOnSeventyNinePixelButton)
{
    const wxBitmap stretched = StretchBitmap(ColumnCodedBitmap(40, 21, false), 79, 10);
    ASSERT_TRUE(stretched.IsOk());
    EXPECT_EQ(stretched.GetWidth(), 79);
    EXPECT_EQ(stretched.GetHeight(), 21);

    std::vector<int> expected;
    for (int x = 0; x < 30; ++x) // the left part as it is
        expected.push_back(x);
    for (int x = 10; x < 30; ++x) // the middle once
        expected.push_back(x);
    for (int x = 10; x < 29; ++x) // and again, cut to 19
        expected.push_back(x);
    for (int x = 30; x < 40; ++x) // the right cap
        expected.push_back(x);
    ASSERT_EQ(expected.size(), 79u);
    EXPECT_EQ(SourceColumns(stretched, 0), expected);
    EXPECT_EQ(SourceColumns(stretched, 20), expected);

    wxImage image = stretched.ConvertToImage();
    for (int y = 0; y < 21; ++y)
        EXPECT_EQ(image.GetGreen(45, y), 100 + y) << "row " << y;
}

TEST(StretchBitmap, KeepsTransparency)
{
    const wxBitmap stretched = StretchBitmap(ColumnCodedBitmap(24, 21, true), 35, 10);
    wxImage image = stretched.ConvertToImage();
    ASSERT_TRUE(image.HasAlpha());
    // Column 14 is the first gap column: it repeats source column 10.
    EXPECT_EQ(image.GetRed(14, 3), 10);
    EXPECT_EQ(image.GetAlpha(14, 3), 210);
    EXPECT_EQ(image.GetRed(34, 3), 23);
    EXPECT_EQ(image.GetAlpha(34, 3), 223);
}

TEST(StretchBitmap, LeavesFacesThatCannotOrNeedNotBeWidenedAlone)
{
    // Twenty pixels with a cap of 10 have no middle to repeat.
    const wxBitmap narrow = ColumnCodedBitmap(20, 21, false);
    EXPECT_EQ(StretchBitmap(narrow, 79, 10).GetWidth(), 20);
    // Twenty-one pixels do: one middle column, repeated.
    const wxBitmap justEnough = StretchBitmap(ColumnCodedBitmap(21, 21, false), 30, 10);
    std::vector<int> columns = SourceColumns(justEnough, 0);
    ASSERT_EQ(columns.size(), 30u);
    for (int x = 11; x < 20; ++x)
        EXPECT_EQ(columns[x], 10) << x;
    EXPECT_EQ(columns[29], 20);
    // A face as wide as the button or wider is drawn as it is.
    EXPECT_EQ(StretchBitmap(ColumnCodedBitmap(40, 21, false), 40, 10).GetWidth(), 40);
    EXPECT_EQ(StretchBitmap(ColumnCodedBitmap(40, 21, false), 25, 10).GetWidth(), 40);
    EXPECT_FALSE(StretchBitmap(wxBitmap(), 79, 10).IsOk());
}

} // namespace
