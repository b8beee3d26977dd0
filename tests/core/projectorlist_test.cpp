// The in-memory projector list: names are found without regard to the case
// of ASCII letters only.
#include "projdefs/projectorlist.h"

#include <gtest/gtest.h>

namespace {

// Fault: a signed tolower folded 8-bit bytes, so that a Latin-1 name found
// another projector.
TEST(ProjectorList, OnlyAsciiLettersAreFolded)
{
    ProjectorList list;
    Projector* utf8 = list.AddProjector("\xC3\x84lpha"); // "Älpha" in UTF-8
    Projector* latin1 = list.AddProjector("\xC4ZZ");     // "ÄZZ" in Latin-1
    EXPECT_EQ(list.FindProjector("\xC3\x84LPHA"), utf8);
    EXPECT_EQ(list.FindProjector("\xC3\xA4lpha"), nullptr); // "ä": another byte
    EXPECT_EQ(list.FindProjector("\xC4zz"), latin1);
    EXPECT_EQ(list.FindProjector("\xE4zz"), nullptr);
    EXPECT_EQ(list.FindProjector("\xA4zz"), nullptr); // 0xC4 - 0x20: a signed tolower could confuse it
    utf8->AddEntry({"", ProjectorEntry::COMMAND, "\xC3\x84N", "x"});
    EXPECT_EQ(utf8->FindEntry("\xC3\xA4n"), nullptr);
}

} // namespace
