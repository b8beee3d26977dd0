#include "platform/appdatafolder.h"

#include "support/core/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace {

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv
{
public:
    ScopedEnv(const char* name, const char* value) : m_name(name)
    {
        if (const char* old = getenv(name))
            m_old = old;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv()
    {
        if (m_old)
            setenv(m_name, m_old->c_str(), 1);
        else
            unsetenv(m_name);
    }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

TEST(AppDataFolder, NewAccountGetsTheWholePathCreated)
{
    TempDir home;
    ScopedEnv xdg("XDG_DATA_HOME", nullptr);
    ScopedEnv h("HOME", home.Path().c_str());
    wxString folder = FindAppDataFolder("AulavoxTech");
    EXPECT_EQ(folder, home.Path() + "/.local/share/AulavoxTech");
    EXPECT_TRUE(FileExists(home.Path() + "/.local/share/AulavoxTech"));
    // A second call finds the folder that is there now.
    EXPECT_EQ(FindAppDataFolder("AulavoxTech"), folder);
}

TEST(AppDataFolder, AbsoluteXdgDataHomeWinsRelativeIsIgnored)
{
    TempDir home, data;
    ScopedEnv h("HOME", home.Path().c_str());
    {
        ScopedEnv xdg("XDG_DATA_HOME", (data.Path() + "/").c_str());
        EXPECT_EQ(FindAppDataFolder("AulavoxTech"), data.Path() + "/AulavoxTech");
    }
    {
        ScopedEnv xdg("XDG_DATA_HOME", "relative/data");
        EXPECT_EQ(FindAppDataFolder("AulavoxTech"), home.Path() + "/.local/share/AulavoxTech");
    }
}

TEST(AppDataFolder, EmptyWhenNoBaseOrFolderCannotBeMade)
{
    TempDir home;
    ScopedEnv xdg("XDG_DATA_HOME", nullptr);
    // A file stands where a folder on the way should be.
    ASSERT_TRUE(WriteWholeFile(home.File(".local"), "not a folder"));
    ScopedEnv h("HOME", home.Path().c_str());
    EXPECT_EQ(FindAppDataFolder("AulavoxTech"), "");
}

TEST(AppDataFolder, EmptyVendorMeansTheBaseFolder)
{
    TempDir data;
    ScopedEnv xdg("XDG_DATA_HOME", data.Path().c_str());
    EXPECT_EQ(FindAppDataFolder(""), data.Path());
}

} // namespace
