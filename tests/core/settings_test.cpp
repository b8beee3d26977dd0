#include "settings/settings.h"

#include "support/core/temp_dir.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// The twelve keys of the main table as they stand in a fresh file.
std::string FreshFile(const std::string& folder, const std::string& cwd)
{
    return "[Files]\n"
           "Name1=" + folder + "/AulavoxMaster.txt\n"
           "URL1=file://" + cwd + "/data/AulavoxMaster.txt\n"
           "Name2=" + folder + "/CustomList.txt\n"
           "URL2=\n"
           "[StartUp]\n"
           "AutoCheck=0\n"
           "AutoDownload=0\n"
           "[Proj]\n"
           "AllowChange=1\n"
           "Default=\n"
           "[Options]\n"
           "Password=lemon\n"
           "WhiteBoardMode=0\n"
           "StayOnTop=0\n"
           "FreezeDelay=500\n";
}

class Settings : public testing::Test
{
protected:
    TempDir dir;
    std::string file = dir.File("AulavoxKesto.ini");

    void RecordAndClose(const std::string& cwd = "/srv/kesto")
    {
        std::unique_ptr<SettingsStore> store(OpenSettingsStore(file));
        RecordDefaults(*store, dir.Path(), cwd);
    }
};

TEST_F(Settings, FirstStartWritesAllTwelveKeysAtOnce)
{
    std::unique_ptr<SettingsStore> store(OpenSettingsStore(file));
    RecordDefaults(*store, dir.Path(), "/srv/kesto");
    // Written before the store is closed: a process that is killed now keeps them.
    EXPECT_EQ(ReadWholeFile(file), FreshFile(dir.Path(), "/srv/kesto"));
    EXPECT_TRUE(store->IsRecordingDefaults());
}

TEST_F(Settings, ExistingValuesAreKeptAndOnlyMissingKeysAdded)
{
    ASSERT_TRUE(WriteWholeFile(file, "[Options]\nPassword=secret\nFreezeDelay=250\n"));
    RecordAndClose();
    std::unique_ptr<SettingsStore> store(OpenSettingsStore(file));
    EXPECT_EQ(store->Read(KEY_OPTIONS_PASSWORD, wxString()), "secret");
    EXPECT_EQ(store->Read(KEY_OPTIONS_FREEZEDELAY, 0L), 250);
    EXPECT_TRUE(store->Read(KEY_PROJ_ALLOWCHANGE, false));
    EXPECT_EQ(store->Read(FileNameKey(FILE_USER), wxString()), dir.Path() + "/CustomList.txt");
}

TEST_F(Settings, RemovedKeyIsWrittenAgainWithItsDefault)
{
    RecordAndClose();
    std::string content = ReadWholeFile(file);
    content.erase(content.find("FreezeDelay=500\n"));
    ASSERT_TRUE(WriteWholeFile(file, content));
    RecordAndClose();
    EXPECT_EQ(ReadWholeFile(file), FreshFile(dir.Path(), "/srv/kesto"));
}

TEST_F(Settings, BackslashesAndEnvironmentLikeTextSurviveARoundTrip)
{
    {
        std::unique_ptr<SettingsStore> store(OpenSettingsStore(file));
        store->Write(FileNameKey(FILE_USER), wxString("C:\\Users\\Public\\Documents\\AulavoxTech\\CustomList.txt"));
        store->Write(KEY_OPTIONS_PASSWORD, wxString("a\\tb\\n\"q\""));
    }
    EXPECT_NE(ReadWholeFile(file).find("Name2=C:\\Users\\Public\\Documents\\AulavoxTech\\CustomList.txt\n"),
              std::string::npos);
    RecordAndClose();
    std::unique_ptr<SettingsStore> store(OpenSettingsStore(file));
    EXPECT_EQ(store->Read(FileNameKey(FILE_USER), wxString()),
              "C:\\Users\\Public\\Documents\\AulavoxTech\\CustomList.txt");
    EXPECT_EQ(store->Read(KEY_OPTIONS_PASSWORD, wxString()), "a\\tb\\n\"q\"");
}

TEST_F(Settings, FileWithByteOrderMarkIsRead)
{
    ASSERT_TRUE(WriteWholeFile(file, "\xEF\xBB\xBF[Options]\nPassword=p\xC3\xA4ss\n"));
    std::unique_ptr<SettingsStore> store(OpenSettingsStore(file));
    EXPECT_EQ(store->Read(KEY_OPTIONS_PASSWORD, wxString()), wxString::FromUTF8("p\xC3\xA4ss"));
}

TEST_F(Settings, UnwritableFolderLosesNothingElse)
{
    // The folder of the file does not exist: the store works in memory.
    std::unique_ptr<SettingsStore> store(OpenSettingsStore(dir.File("missing/AulavoxKesto.ini")));
    RecordDefaults(*store, dir.Path(), "/srv/kesto");
    EXPECT_EQ(store->Read(KEY_OPTIONS_PASSWORD, wxString()), "lemon");
}

TEST(SettingsPaths, KeysAndDefaultUrl)
{
    EXPECT_EQ(FileNameKey(1), "/Files/Name1");
    EXPECT_EQ(FileUrlKey(2), "/Files/URL2");
    EXPECT_EQ(DefaultReferenceUrl("/home/a/kesto/"), "file:///home/a/kesto/data/AulavoxMaster.txt");
    EXPECT_EQ(SettingsFilePath("/x/AulavoxTech"), "/x/AulavoxTech/AulavoxKesto.ini");
}

} // namespace
