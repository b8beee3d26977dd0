#include "platform/appdatafolder.h"

#include "support/core/log_recorder.h"
#include "support/core/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace {

TEST(DataFolderFallback, HomeComesFromThePasswordDatabaseWithoutHome)
{
    const char* old = getenv("HOME");
    const std::string saved = old ? old : "";
    unsetenv("HOME");
    const passwd* entry = getpwuid(getuid());
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(HomeFolder(), wxString(entry->pw_dir));
    setenv("HOME", "relative/home", 1);
    EXPECT_EQ(HomeFolder(), wxString(entry->pw_dir)) << "a relative HOME is no home";
    if (old)
        setenv("HOME", saved.c_str(), 1);
    else
        unsetenv("HOME");
}

TEST(DataFolderFallback, FolderThatCannotBeMadeIsNamedWithItsReason)
{
    LogRecorder log;
    TempDir data;
    ASSERT_TRUE(WriteWholeFile(data.File("AulavoxTech"), "a file in the folder's place"));
    const char* old = getenv("XDG_DATA_HOME");
    const std::string saved = old ? old : "";
    setenv("XDG_DATA_HOME", data.Path().c_str(), 1);
    EXPECT_EQ(FindAppDataFolder("AulavoxTech"), "");
    EXPECT_EQ(log.AtLevel(Log::LEVEL_ERROR),
              std::vector<std::string>{"unable to create the application-data folder '" + data.File("AulavoxTech") +
                                       "': Not a directory; the settings are kept in memory only"});
    if (old)
        setenv("XDG_DATA_HOME", saved.c_str(), 1);
    else
        unsetenv("XDG_DATA_HOME");
}

} // namespace
