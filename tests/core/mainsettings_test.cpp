#include "settings/mainsettings.h"

#include "support/core/temp_dir.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

TEST(MainSettings, ValuesAreReadAsStoredAndNeverRecorded)
{
    TempDir dir;
    const std::string file = dir.File("AulavoxKesto.ini");
    ASSERT_TRUE(WriteWholeFile(file, "[StartUp]\nAutoCheck=2\nAutoDownload=yes\n"
                                     "[Proj]\nAllowChange=0\n"
                                     "[Options]\nFreezeDelay=250ms\nPassword=$HOME\\x\n"));
    std::unique_ptr<SettingsStore> store(OpenSettingsStore(file));
    store->SetRecordDefaults(true);
    const MainSettings settings(store.get(), "/data", "/srv/kesto");

    EXPECT_TRUE(settings.AutoCheck()) << "any non-zero number is true";
    EXPECT_FALSE(settings.AutoDownload()) << "no number at all is 0";
    EXPECT_FALSE(settings.AllowChange());
    EXPECT_EQ(settings.FreezeDelay(), 250) << "the number in front of the text";
    EXPECT_EQ(settings.FreezeDelayText(), "250ms");
    // Missing keys: the main table's defaults.
    EXPECT_EQ(settings.FileName(FILE_REFERENCE), "/data/AulavoxMaster.txt");
    EXPECT_EQ(settings.FileName(FILE_USER), "/data/CustomList.txt");
    EXPECT_EQ(settings.FileUrl(FILE_REFERENCE), "file:///srv/kesto/data/AulavoxMaster.txt");
    EXPECT_EQ(settings.FileUrl(FILE_USER), "");
    EXPECT_EQ(settings.DefaultProjector(), "");
    EXPECT_FALSE(settings.WhiteBoardMode());
    EXPECT_FALSE(settings.StayOnTop());

    // Nothing was recorded, and the numbers that are no numbers stay.
    store->Flush();
    EXPECT_EQ(ReadWholeFile(file), "[StartUp]\nAutoCheck=2\nAutoDownload=yes\n"
                                   "[Proj]\nAllowChange=0\n"
                                   "[Options]\nFreezeDelay=250ms\nPassword=$HOME\\x\n");
}

TEST(MainSettings, NoStoreGivesEveryDefault)
{
    const MainSettings settings(nullptr, "/data", "/srv/kesto");
    EXPECT_EQ(settings.Password(), "lemon");
    EXPECT_TRUE(settings.AllowChange());
    EXPECT_EQ(settings.FreezeDelay(), 500);
    EXPECT_EQ(settings.FreezeDelayText(), "500");
    EXPECT_FALSE(settings.AutoCheck());
}

} // namespace
