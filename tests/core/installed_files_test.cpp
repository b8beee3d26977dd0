// Where the installed pictures and projector file are found, and when the
// working folder's own are used instead.

#include "platform/installedfiles.h"

#include "support/core/temp_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

TEST(InstalledFiles, TheDataFolderLiesBesideTheBinFolder)
{
    struct Row
    {
        const char* executable;
        const char* folder;
    };
    const Row rows[] = {
        {"/usr/bin/aulavox-kesto", "/usr/share/aulavox-kesto"},
        {"/opt/kesto/bin/aulavox-kesto", "/opt/kesto/share/aulavox-kesto"},
        {"/work/build/aulavox-kesto", ""},      // a build tree
        {"/binaries/aulavox-kesto", ""},        // not a bin/ folder
        {"bin/aulavox-kesto", ""},              // not absolute
        {"/aulavox-kesto", ""},
    };
    for (const Row& row : rows)
        EXPECT_EQ(InstalledDataFolderOf(row.executable), wxString(row.folder)) << row.executable;

    // This test program lies in the build tree, not in a bin/ folder.
    EXPECT_EQ(InstalledDataFolder(), wxString());
}

struct Folders : testing::Test
{
    TempDir working;
    TempDir installed;

    static void Make(const TempDir& root, const std::string& path, bool asFile)
    {
        const std::string full = root.File(path);
        if (asFile)
            ASSERT_TRUE(WriteWholeFile(full, "x"));
        else
            ASSERT_EQ(mkdir(full.c_str(), 0755), 0) << full;
    }
};

TEST_F(Folders, PicturesComeFromTheWorkingFolderUnlessItsImagesHasNone)
{
    const wxString work = working.Path();
    const wxString inst = installed.Path();

    // Neither has pictures: the working folder, as before (the load then says what is missing).
    EXPECT_EQ(PictureBaseFolder(work, inst), work);
    Make(installed, "images", false);
    Make(installed, "images/bred.png", true);
    EXPECT_EQ(PictureBaseFolder(work, inst), inst) << "no images/ in the working folder";
    EXPECT_EQ(PictureBaseFolder(work, ""), work) << "not installed";
    Make(working, "images", false);
    Make(working, "images/readme.txt", true);
    EXPECT_EQ(PictureBaseFolder(work, inst), inst) << "images/ without a picture";
    Make(working, "images/logoAXT.png", true);
    EXPECT_EQ(PictureBaseFolder(work, inst), work) << "the working folder's own pictures";
}

TEST_F(Folders, TheReferenceFileComesFromTheWorkingFolderUnlessItHasNone)
{
    const wxString work = working.Path();
    const wxString inst = installed.Path();

    EXPECT_EQ(ShippedDataBaseFolder(work, inst), work);
    Make(installed, "data", false);
    Make(installed, "data/AulavoxMaster.txt", true);
    EXPECT_EQ(ShippedDataBaseFolder(work, inst), inst);
    EXPECT_EQ(ShippedDataBaseFolder(work, ""), work);
    Make(working, "data", false);
    Make(working, "data/CustomList.txt", true);
    EXPECT_EQ(ShippedDataBaseFolder(work, inst), inst) << "data/ without the reference file";
    Make(working, "data/AulavoxMaster.txt", true);
    EXPECT_EQ(ShippedDataBaseFolder(work, inst), work);
}

} // namespace
