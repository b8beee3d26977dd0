// The main window's start-up removes what a killed save or download of a
// configured projector file left beside it, before it reads the file.

#include "mainframe_fixture.h"

#include <string>

namespace {

using StartupLeftovers = MainFrameTest;

TEST_F(StartupLeftovers, TemporariesOfBothConfiguredFilesAreRemoved)
{
    const std::string reference = dir.File("AulavoxMaster.txt");
    theSettings->Write(FileNameKey(FILE_REFERENCE), wxString::FromUTF8(reference));
    ASSERT_TRUE(WriteWholeFile(reference + ".tmp", "version: 9\nprojector: Half"));
    ASSERT_TRUE(WriteWholeFile(projectorFile + ".new", "version: 2\nprojec"));
    ASSERT_TRUE(WriteWholeFile(projectorFile + ".tmp", "version: 3\n"));
    ASSERT_TRUE(WriteWholeFile(dir.File("Unrelated.txt.tmp"), "not ours"));

    BuildConnected("projector: Room 1\nC, On, PWR1<cr>\n");

    EXPECT_FALSE(FileExists(reference + ".tmp"));
    EXPECT_FALSE(FileExists(projectorFile + ".new"));
    EXPECT_FALSE(FileExists(projectorFile + ".tmp"));
    EXPECT_TRUE(FileExists(dir.File("Unrelated.txt.tmp")));
    EXPECT_NE(frame->m_projectorChoice->FindString("Room 1"), wxNOT_FOUND) << "the projector file is read as before";
}

} // namespace
