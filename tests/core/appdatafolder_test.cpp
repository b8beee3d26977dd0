#include "platform/appdatafolder.h"

#include "support/core/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

TEST(AppDataFolder, FromXdgDataHomeOrHomeCreatedWithItsParents)
{
    TempDir home, data;
    ASSERT_TRUE(WriteWholeFile(data.File("file"), "not a folder"));
    const std::string local = home.Path() + "/.local/share";
    const struct
    {
        const char* home;
        std::string xdg;
        const char* vendor;
        std::string folder;
    } rows[] = {
        {home.Path().c_str(), "", "AulavoxTech", local + "/AulavoxTech"}, // a new account
        {home.Path().c_str(), "", "AulavoxTech", local + "/AulavoxTech"}, // now there
        {home.Path().c_str(), data.Path() + "/", "AulavoxTech", data.Path() + "/AulavoxTech"},
        {home.Path().c_str(), "relative/data", "AulavoxTech", local + "/AulavoxTech"},
        {home.Path().c_str(), data.Path(), "", data.Path()},
        {home.Path().c_str(), data.File("file"), "AulavoxTech", ""}, // a file on the way
    };
    const std::string oldHome = getenv("HOME") ? getenv("HOME") : "";
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.xdg + " " + row.folder);
        row.home ? setenv("HOME", row.home, 1) : unsetenv("HOME");
        row.xdg.empty() ? unsetenv("XDG_DATA_HOME") : setenv("XDG_DATA_HOME", row.xdg.c_str(), 1);
        EXPECT_EQ(FindAppDataFolder(row.vendor), row.folder);
        EXPECT_TRUE(row.folder.empty() || FileExists(row.folder));
    }
    setenv("HOME", oldHome.c_str(), 1);
    unsetenv("XDG_DATA_HOME");
}

} // namespace
