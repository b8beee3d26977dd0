// The folders the program finds at start: its data folder, and where the
// installed pictures and projector file are taken from.

#include "platform/appdatafolder.h"
#include "platform/installedfiles.h"

#include "support/core/log_recorder.h"
#include "support/core/scoped_env.h"
#include "support/core/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <pwd.h>
#include <unistd.h>

namespace {

TEST(ProgramFolders, DataFolderFromXdgDataHomeOrHomeCreatedWithItsParents)
{
    TempDir home, data;
    ASSERT_TRUE(WriteWholeFile(data.File("file"), "not a folder"));
    const std::string local = home.Path() + "/.local/share";
    const struct
    {
        std::optional<std::string> xdg;
        const char* vendor;
        std::string folder; // empty: none, with an error naming this one
        std::string failed;
    } rows[] = {
        {std::nullopt, "AulavoxTech", local + "/AulavoxTech", ""}, // a new account
        {std::nullopt, "AulavoxTech", local + "/AulavoxTech", ""}, // now there
        {data.Path() + "/", "AulavoxTech", data.Path() + "/AulavoxTech", ""},
        {"relative/data", "AulavoxTech", local + "/AulavoxTech", ""},
        {data.Path(), "", data.Path(), ""},
        {data.File("file"), "AulavoxTech", "", data.File("file/AulavoxTech")}, // a file on the way
        {data.File("file"), "", "", data.File("file")},                       // a file in its place
    };
    ScopedEnv homeVariable("HOME", home.Path());
    ScopedEnv xdgVariable("XDG_DATA_HOME", std::nullopt);
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.xdg.value_or("(unset)") + " " + row.vendor);
        LogRecorder log;
        xdgVariable.Set(row.xdg);
        EXPECT_EQ(FindAppDataFolder(row.vendor), row.folder);
        EXPECT_TRUE(row.folder.empty() || FileExists(row.folder));
        std::vector<std::string> errors;
        if (!row.failed.empty())
            errors.push_back("unable to create the application-data folder '" + row.failed +
                             "': Not a directory; the settings are kept in memory only");
        EXPECT_EQ(log.AtLevel(Log::LEVEL_ERROR), errors);
    }
}

TEST(ProgramFolders, HomeComesFromThePasswordDatabaseWithoutAnAbsoluteHome)
{
    const passwd* entry = getpwuid(getuid());
    ASSERT_NE(entry, nullptr);
    ScopedEnv home("HOME", std::nullopt);
    EXPECT_EQ(HomeFolder(), wxString(entry->pw_dir));
    home.Set("relative/home");
    EXPECT_EQ(HomeFolder(), wxString(entry->pw_dir)) << "a relative HOME is no home";
}

TEST(ProgramFolders, InstalledDataFolderLiesBesideTheBinFolder)
{
    const struct
    {
        const char* executable;
        const char* folder;
    } rows[] = {
        {"/usr/bin/aulavox-kesto", "/usr/share/aulavox-kesto"},
        {"/opt/kesto/bin/aulavox-kesto", "/opt/kesto/share/aulavox-kesto"},
        {"/work/build/aulavox-kesto", ""}, // a build tree
        {"/binaries/aulavox-kesto", ""},   // not a bin/ folder
        {"bin/aulavox-kesto", ""},         // not absolute
        {"/aulavox-kesto", ""},
    };
    for (const auto& row : rows)
        EXPECT_EQ(InstalledDataFolderOf(row.executable), wxString(row.folder)) << row.executable;
    EXPECT_EQ(InstalledDataFolder(), wxString()) << "this test program lies in the build tree";
}

TEST(ProgramFolders, WorkingFolderFirstWhenItHasTheFilesElseTheInstalledOne)
{
    using Choose = wxString (*)(const wxString&, const wxString&);
    // Files made one after another in the working (w/) or installed (i/)
    // folder, and whether the installed folder is chosen after each.
    const struct
    {
        Choose choose;
        std::vector<std::pair<std::string, bool>> steps;
    } kinds[] = {
        {PictureBaseFolder,
         {{"", false}, {"i/images/bred.png", true}, {"w/images/readme.txt", true}, {"w/images/logoAXT.png", false}}},
        {ShippedDataBaseFolder,
         {{"", false},
          {"i/data/AulavoxMaster.txt", true},
          {"w/data/CustomList.txt", true},
          {"w/data/AulavoxMaster.txt", false}}},
    };
    for (const auto& kind : kinds)
    {
        TempDir root;
        const wxString working = root.File("w"), installed = root.File("i");
        std::filesystem::create_directories(root.File("w"));
        std::filesystem::create_directories(root.File("i"));
        for (const auto& [file, chooseInstalled] : kind.steps)
        {
            if (!file.empty())
            {
                std::filesystem::create_directories(root.File(file.substr(0, file.rfind('/'))));
                ASSERT_TRUE(WriteWholeFile(root.File(file), "x"));
            }
            EXPECT_EQ(kind.choose(working, installed), chooseInstalled ? installed : working) << "after " << file;
            EXPECT_EQ(kind.choose(working, ""), working) << "not installed, after " << file;
        }
    }
}

} // namespace
