// What the main window's start-up finds and keeps: the leftovers of a killed
// save or download, settings stored after start-up.

#include "mainframe_fixture.h"

#include "settings/mainsettings.h"

#include <sys/stat.h>
#include <unistd.h>

namespace {

using StartupState = MainFrameTest;

TEST_F(StartupState, TemporariesOfBothConfiguredFilesAreRemovedNothingElse)
{
    const std::string reference = dir.File("AulavoxMaster.txt");
    // A link to the reference file: its temporaries are beside the file it names.
    const std::string linked = dir.File("Linked.txt");
    ASSERT_EQ(symlink(reference.c_str(), linked.c_str()), 0);
    theSettings->Write(FileNameKey(FILE_REFERENCE), wxString::FromUTF8(linked));
    ASSERT_TRUE(WriteWholeFile(reference + ".new-a1B2c3", "version: 9\nprojector: Half"));
    ASSERT_TRUE(WriteWholeFile(projectorFile + ".new-ZZ9zz9", "version: 2\nprojec"));
    for (const char* other : {"Unrelated.txt.new-a1B2c3", "CustomList.txt.new-keep-me", "CustomList.txt.tmp"})
        ASSERT_TRUE(WriteWholeFile(dir.File(other), "not ours"));
    ASSERT_EQ(mkdir((reference + ".new-Folder").c_str(), 0700), 0);
    ASSERT_EQ(symlink(reference.c_str(), (projectorFile + ".new-LINK00").c_str()), 0);

    Start("projector: Room 1\nC, On, PWR1<cr>\n", "Room 1");

    for (const std::string& removed : {reference + ".new-a1B2c3", projectorFile + ".new-ZZ9zz9"})
    {
        EXPECT_FALSE(FileExists(removed)) << removed;
        EXPECT_TRUE(log.Contains("Info: removed '" + removed + "', left by an interrupted save or download"))
            << log.Text();
    }
    struct stat info;
    for (const char* other : {"Unrelated.txt.new-a1B2c3", "CustomList.txt.new-keep-me", "CustomList.txt.tmp"})
        EXPECT_TRUE(FileExists(dir.File(other))) << other;
    EXPECT_EQ(stat((reference + ".new-Folder").c_str(), &info), 0) << "a folder is not ours";
    EXPECT_EQ(lstat((projectorFile + ".new-LINK00").c_str(), &info), 0) << "a link is not ours";
    EXPECT_NE(frame->m_projectorChoice->FindString("Room 1"), wxNOT_FOUND) << "the projector file is read as before";
}

TEST_F(StartupState, FreezeDelayThatIsNoNumberStaysInTheFile)
{
    RecordDefaults(*theSettings, wxString::FromUTF8(dir.Path()), "/srv/kesto");
    // Written after start-up, as the configuration's field holds it.
    theSettings->Write(KEY_OPTIONS_FREEZEDELAY, wxString("250ms"));
    Start("projector: Room 1\nC, freeze, FRZ\nC, unfreeze, UFZ\n", "Room 1");
    Click(frame->m_btnFreeze);
    // The toolkit reads the number in front of the text.
    EXPECT_EQ(frame->waits, (std::vector<long>{100, 250}));
    EXPECT_EQ(theSettings->Read(KEY_OPTIONS_FREEZEDELAY, wxString()), "250ms");
    FlushSettings(*theSettings);
    EXPECT_NE(ReadWholeFile(dir.File("AulavoxKesto.ini")).find("\nFreezeDelay=250ms\n"), std::string::npos);
}

TEST_F(StartupState, KeysMissingAfterStartUpGiveTheirDefaultsUnrecorded)
{
    RecordDefaults(*theSettings, wxString::FromUTF8(dir.Path()), "/srv/kesto");
    for (const char* key : {KEY_PROJ_ALLOWCHANGE, KEY_OPTIONS_FREEZEDELAY})
        ASSERT_TRUE(theSettings->DeleteEntry(key)) << key;
    Start("projector: Room 1\nC, freeze, FRZ\n", "Room 1");
    EXPECT_TRUE(frame->m_projectorChoice->IsEnabled()) << "the projector may be chosen by default";
    Click(frame->m_btnFreeze);
    EXPECT_EQ(frame->waits, (std::vector<long>{100, 500}));
    for (const char* key : {KEY_PROJ_ALLOWCHANGE, KEY_OPTIONS_FREEZEDELAY})
        EXPECT_FALSE(theSettings->HasEntry(key)) << key << " was written by the main window";
}

} // namespace
