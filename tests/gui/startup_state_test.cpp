// The start-up removes what a killed save or download left of both
// configured files, and nothing of anyone else's.

#include "mainframe_fixture.h"

#include <sys/stat.h>
#include <unistd.h>

namespace {

using StartupState = MainFrameTest;

// Catches temporaries left to pile up, or a user's files (or what a link
// leads to) taken for ours.
TEST_F(StartupState, TemporariesOfBothConfiguredFilesAreRemovedNothingElse)
{
    const std::string reference = dir.File("AulavoxMaster.txt"), linked = dir.File("Linked.txt");
    ASSERT_EQ(symlink(reference.c_str(), linked.c_str()), 0); // its temporaries are beside the file it names
    theSettings->Write(FileNameKey(FILE_REFERENCE), wxString::FromUTF8(linked));
    const std::vector<std::string> ours = {reference + ".new-a1B2c3", projectorFile + ".new-ZZ9zz9"};
    const std::vector<std::string> others = {dir.File("Unrelated.txt.new-a1B2c3"), projectorFile + ".new-keep-me",
                                             reference + ".new-Folder", projectorFile + ".new-LINK00"};
    for (const std::string& file : {ours[0], ours[1], others[0], others[1]})
        ASSERT_TRUE(WriteWholeFile(file, "version: 9\nprojec"));
    ASSERT_EQ(mkdir(others[2].c_str(), 0700), 0);
    ASSERT_EQ(symlink(reference.c_str(), others[3].c_str()), 0);

    Start("projector: Room 1\nC, On, PWR1<cr>\n", "Room 1");

    for (const std::string& removed : ours)
        EXPECT_TRUE(!FileExists(removed) &&
                    log.Contains("Info: removed '" + removed + "', left by an interrupted save or download"))
            << log.Text();
    struct stat info;
    for (const std::string& kept : others)
        EXPECT_EQ(lstat(kept.c_str(), &info), 0) << kept;
}

} // namespace
