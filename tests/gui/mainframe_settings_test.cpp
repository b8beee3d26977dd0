// The main window reads the settings after start-up without defaults: what
// the configuration stored stays as it is, in effect and in the file.

#include "mainframe_fixture.h"

#include "settings/mainsettings.h"

namespace {

using Bytes = PanelSimulator::Bytes;

TEST_F(MainFrameTest, FreezeDelayThatIsNoNumberStaysInTheFile)
{
    RecordDefaults(*theSettings, wxString::FromUTF8(dir.Path()), "/srv/kesto");
    ASSERT_TRUE(theSettings->IsRecordingDefaults());
    // Written after start-up, as the configuration's field holds it.
    theSettings->Write(KEY_OPTIONS_FREEZEDELAY, wxString("250ms"));
    BuildConnected("projector: Room 1\n"
                   "C, freeze, FRZ\n"
                   "C, unfreeze, UFZ\n");

    Click(frame->m_btnFreeze);
    // The toolkit reads the number in front of the text.
    EXPECT_EQ(frame->waits, (std::vector<long>{100, 250}));
    EXPECT_EQ(theSettings->Read(KEY_OPTIONS_FREEZEDELAY, wxString()), "250ms");
    FlushSettings(*theSettings);
    EXPECT_NE(ReadWholeFile(dir.File("AulavoxKesto.ini")).find("\nFreezeDelay=250ms\n"), std::string::npos);
}

TEST_F(MainFrameTest, KeysMissingAfterStartUpGiveTheirDefaultsUnrecorded)
{
    RecordDefaults(*theSettings, wxString::FromUTF8(dir.Path()), "/srv/kesto");
    for (const char* key : {KEY_PROJ_ALLOWCHANGE, KEY_OPTIONS_FREEZEDELAY})
        ASSERT_TRUE(theSettings->DeleteEntry(key)) << key;
    BuildConnected("projector: Room 1\nC, freeze, FRZ\n");

    // The projector may be chosen (the default is true).
    EXPECT_TRUE(frame->m_projectorChoice->IsEnabled());
    Click(frame->m_btnFreeze);
    EXPECT_EQ(frame->waits, (std::vector<long>{100, 500}));

    for (const char* key : {KEY_PROJ_ALLOWCHANGE, KEY_OPTIONS_FREEZEDELAY})
        EXPECT_FALSE(theSettings->HasEntry(key)) << key << " was written by the main window";
}

} // namespace
