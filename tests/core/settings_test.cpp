#include "settings/settings.h"

#include "support/core/temp_dir.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

TEST(Settings, DefaultsAreWrittenAtOnceAroundWhatIsThere)
{
    TempDir dir;
    const std::string file = SettingsFilePath(dir.Path()).utf8_string();
    const std::string fresh = "[Files]\nName1=" + dir.Path() + "/AulavoxMaster.txt\n"
                              "URL1=file:///srv/kesto/data/AulavoxMaster.txt\nName2=" + dir.Path() +
                              "/CustomList.txt\nURL2=\n[StartUp]\nAutoCheck=0\nAutoDownload=0\n[Proj]\n"
                              "AllowChange=1\nDefault=\n[Options]\nPassword=lemon\nWhiteBoardMode=0\n"
                              "StayOnTop=0\nFreezeDelay=500\n";
    auto record = [&] {
        std::unique_ptr<SettingsStore> store(OpenSettingsStore(file));
        RecordDefaults(*store, dir.Path(), "/srv/kesto/");
        // Written before the store is closed: a process killed now keeps them.
        EXPECT_NE(ReadWholeFile(file).find("FreezeDelay="), std::string::npos);
    };
    record();
    EXPECT_EQ(ReadWholeFile(file), fresh);
    std::string content = fresh;
    content.erase(content.find("FreezeDelay=500\n")); // a removed key is written again
    ASSERT_TRUE(WriteWholeFile(file, content));
    record();
    EXPECT_EQ(ReadWholeFile(file), fresh);

    // Existing values stay; backslashes, quotes and a byte order mark survive.
    const std::string path = "C:\\Users\\Public\\Documents\\AulavoxTech\\CustomList.txt";
    ASSERT_TRUE(WriteWholeFile(file, "\xEF\xBB\xBF[Options]\nPassword=p\xC3\xA4ss\nFreezeDelay=250\n"));
    {
        std::unique_ptr<SettingsStore> store(OpenSettingsStore(file));
        store->Write(FileNameKey(FILE_USER), wxString(path));
        store->Write(FileUrlKey(FILE_USER), wxString("a\\tb\\n\"q\""));
    }
    record();
    std::unique_ptr<SettingsStore> store(OpenSettingsStore(file));
    EXPECT_EQ(store->Read(KEY_OPTIONS_PASSWORD, wxString()), wxString::FromUTF8("p\xC3\xA4ss"));
    EXPECT_EQ(store->Read(KEY_OPTIONS_FREEZEDELAY, 0L), 250);
    EXPECT_EQ(store->Read(FileNameKey(FILE_USER), wxString()), path);
    EXPECT_EQ(store->Read(FileUrlKey(FILE_USER), wxString()), "a\\tb\\n\"q\"");

    // A folder that does not exist: the store works in memory.
    std::unique_ptr<SettingsStore> lost(OpenSettingsStore(dir.File("missing/AulavoxKesto.ini")));
    RecordDefaults(*lost, dir.Path(), "/srv/kesto");
    EXPECT_EQ(lost->Read(KEY_OPTIONS_PASSWORD, wxString()), "lemon");
}

} // namespace
