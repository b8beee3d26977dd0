// The pictures compiled into the program.

#include "resources.h"

#include <gtest/gtest.h>

namespace {

TEST(Resources, AppIconAndCheckMarkAreBuiltIn)
{
    const wxBitmap check = LoadResourceBitmap("CheckBmp");
    ASSERT_TRUE(check.IsOk());
    EXPECT_EQ(check.GetSize(), wxSize(16, 16));
    const wxIcon icon = LoadResourceIcon("AppIcon");
    ASSERT_TRUE(icon.IsOk());
    EXPECT_GE(icon.GetWidth(), 32);
}

TEST(Resources, UnknownNameGivesNothing)
{
    EXPECT_FALSE(LoadResourceBitmap("NoSuchPicture").IsOk());
    EXPECT_FALSE(LoadResourceIcon("appicon").IsOk()) << "names are exact";
}

} // namespace
