// Reading and writing projector files with ReadSource and WriteSource.
#include "projdefs/projectorlist.h"
#include "support/core/log_recorder.h"
#include "support/core/temp_dir.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

using Lines = std::vector<std::string>;

// The permission bits of the file path leads to.
std::filesystem::perms ModeOf(const std::string& path)
{
    return std::filesystem::status(path).permissions();
}

struct ProjectorFile : testing::Test
{
    TempDir dir;
    LogRecorder log;
    ProjectorList list;
    std::string path = dir.File("User.txt");

    void SetUp() override { list.AddSource(path, ""); }

    FileResult Read(const std::string& content)
    {
        EXPECT_TRUE(WriteWholeFile(path, content));
        log.Clear();
        return list.ReadSource(0);
    }
};

// Faults: another source's entries lost on a reread, or this source's kept;
// a read waiting on a named pipe (the program hung); a refused file emptying
// the list.
TEST_F(ProjectorFile, RereadKeepsOtherSourcesAndARefusedFileKeepsTheList)
{
    list.AddProjector("NEC")->AddEntry({"Other", ProjectorEntry::COMMAND, "Mine", "m"});
    list.AddProjector("Gone")->AddEntry({"User", ProjectorEntry::COMMAND, "On", "x"});
    // The line's CR LF falls apart over two of the reader's 1022-character pieces.
    ASSERT_EQ(Read("version: 2\nprojector: nec\nC, Fits," + std::string(1003, ' ') + "0123456789\r\n"), FILE_OK);
    ASSERT_EQ(mkfifo(dir.File("Pipe.txt").c_str(), 0600), 0);
    alarm(10); // should a read wait on the named pipe, the test ends instead of hanging
    for (const std::string& other : {path, dir.File("Pipe.txt"), dir.Path()})
    {
        list.GetSource(0)->fileName = other;
        EXPECT_EQ(list.ReadSource(0), other == path ? FILE_OK : FILE_OPEN_ERROR);
        ASSERT_EQ(list.GetProjectorCount(), 1u);
        EXPECT_EQ(list.GetProjector(0)->GetEntryCount(), 2u);
        EXPECT_EQ(list.GetProjector(0)->FindEntry("Fits")->value, "0123456789");
    }
    alarm(0);
}

// The reader skips blanks at the start of a value: a command's own leading
// blanks are written as their escape so that it sends the same bytes.
TEST_F(ProjectorFile, WriteGivesTheWrittenShapeAndOnlyThisSourcesEntries)
{
    ASSERT_EQ(Read("VERSION:\t3.1 beta\nprojector: Epson  Basic \nC,On,PWR ON<cr>\nprojector:NEC\nC, , <02>\n"
                   "PROJECTOR: epson  basic \nP, Cable,\n"),
              FILE_OK);
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    Projector* epson = list.GetProjector(0);
    epson->AddEntry({"User", ProjectorEntry::COMMAND, "Lead", " PWR ON"});
    epson->AddEntry({"User", ProjectorEntry::COMMAND, "Blanks", "  "});
    epson->AddEntry({"User", ProjectorEntry::PARAMETER, "Rate", "  9600"}); // a number the same without its blanks
    epson->AddEntry({"Other", ProjectorEntry::COMMAND, "No", "n"});
    list.AddProjector("Empty");
    list.AddProjector("Foreign")->AddEntry({"user", ProjectorEntry::COMMAND, "CaseDiffers", "c"});
    ASSERT_EQ(list.WriteSource(0), FILE_OK);
    EXPECT_EQ(ReadWholeFile(path), "version: 3.1 beta\r\nprojector: Epson  Basic \r\nC, On, PWR ON<cr>\r\n"
                                   "P, Cable, \r\nC, Lead, <20>PWR ON\r\nC, Blanks, <20><20>\r\nP, Rate,   9600\r\n"
                                   "projector: NEC\r\nC, , <02>\r\n");
    EXPECT_EQ(ModeOf(path), std::filesystem::perms(0640u)) << "the permissions are kept";
}

TEST_F(ProjectorFile, FailedWritesKeepTheOldFile)
{
    const std::string old = "version: 1\r\nprojector: P\r\nC, On, x\r\n";
    ASSERT_EQ(Read(old), FILE_OK);
    Projector* p = list.FindProjector("P");
    ProjectorEntry* e = p->GetEntry(0);
    auto refused = [&](const std::string& error) {
        log.Clear();
        EXPECT_EQ(list.WriteSource(0), FILE_OPEN_ERROR);
        EXPECT_EQ(log.AtLevel(Log::LEVEL_ERROR), Lines{"unable to write file '" + path + "': " + error});
        EXPECT_EQ(ReadWholeFile(path), old);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1) << "a temporary file is left";
    };
    // A disk that fills up: the file size limit makes write() fail.
    struct rlimit unlimited, small;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &unlimited), 0);
    small = unlimited;
    small.rlim_cur = 10;
    void (*oldHandler)(int) = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    refused("File too large");
    setrlimit(RLIMIT_FSIZE, &unlimited);
    signal(SIGXFSZ, oldHandler);
    // What would not read back as written.
    const struct
    {
        std::string version, projector, name, value, error;
    } rows[] = {
        {"1", "P", "a,b", "x", "entry 'a,b' of projector 'P' has a comma in its name"},
        {"1", "P", "On", std::string("x\0y", 3), "entry 'On' of projector 'P' has a line break or NUL in it"},
        {"1", "P", "On", "<w" + std::string(1022 - 7 - 6, ' ') + "10ms>", // one character too many for a piece
         "entry 'On' of projector 'P' makes a line longer than 1022 characters"},
        {"1", "P\r", "On", "x", "the name of projector 'P\r' has a line break or NUL in it"},
        {"1\n", "P", "On", "x", "the version text has a line break or NUL in it"},
        {"1", "P", "On", "\tPWR", "entry 'On' of projector 'P' has a value that starts with a tab"},
        {"1", "P", "\tOn", "x", "entry '\tOn' of projector 'P' has a name that starts with a blank or tab"},
        {"1", " P", "On", "x", "the name of projector ' P' starts with a blank or tab"},
        {" 1", "P", "On", "x", "the version text starts with a blank or tab"},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.error);
        list.GetSource(0)->version = row.version;
        list.RenameProjector(p, row.projector);
        e->name = row.name;
        e->value = row.value;
        refused(row.error);
    }
}

// The user file linked to a shared one is saved through the link (fault: the
// link replaced, the shared file stale); a read-only one, or a device behind
// a link, is refused with nothing written; a fixed temporary name planted as
// a link leads nowhere (fault: its target rewritten and its mode changed).
TEST_F(ProjectorFile, SaveWritesThroughLinksAndRefusesWhatItMayNotReplace)
{
    const std::string shared = dir.File("Shared.txt"), victim = dir.File("Victim.txt"), node = dir.File("Node");
    ASSERT_EQ(Read("version: 1\nprojector: P\nC, On, x\n"), FILE_OK);
    ASSERT_TRUE(WriteWholeFile(shared, "version: 0\n") && WriteWholeFile(victim, "keep\n"));
    ASSERT_EQ(chmod(victim.c_str(), 0600), 0);
    ASSERT_EQ(mknod(node.c_str(), S_IFCHR | 0600, makedev(1, 3)), 0);
    for (const std::string& planted : {path + ".new", shared + ".new", shared + ".new-AAAAAA"})
        ASSERT_EQ(symlink(victim.c_str(), planted.c_str()), 0);
    const std::tuple<std::string, mode_t, std::string> rows[] = {
        {shared, 0644, ""}, {shared, 0444, "the file is read-only"}, {node, 0600, "it is a device, not a regular file"}};
    for (const auto& [linkTo, mode, error] : rows)
    {
        SCOPED_TRACE(error);
        log.Clear();
        ASSERT_EQ(unlink(path.c_str()), 0);
        ASSERT_EQ(symlink(linkTo.c_str(), path.c_str()), 0);
        ASSERT_EQ(chmod(linkTo.c_str(), mode), 0);
        EXPECT_EQ(list.WriteSource(0), error.empty() ? FILE_OK : FILE_OPEN_ERROR);
        EXPECT_EQ(log.AtLevel(Log::LEVEL_ERROR),
                  error.empty() ? Lines{} : Lines{"unable to open file '" + path + "' for writing: " + error});
        EXPECT_TRUE(std::filesystem::is_symlink(path)) << "the link stays a link";
        EXPECT_EQ(ModeOf(linkTo), std::filesystem::perms(mode));
        EXPECT_EQ(ReadWholeFile(shared), "version: 1\r\nprojector: P\r\nC, On, x\r\n"); // the first row's
    }
    EXPECT_EQ(ModeOf(victim), std::filesystem::perms(0600u));
    EXPECT_EQ(ReadWholeFile(victim), "keep\n");
}

} // namespace
