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

mode_t ModeOf(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
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

    // "[name]" of each projector, then "kind|name|value" of its entries.
    Lines Entries() const
    {
        Lines out;
        for (size_t i = 0; i < list.GetProjectorCount(); ++i)
        {
            out.push_back("[" + list.GetProjector(i)->GetName() + "]");
            for (size_t k = 0; k < list.GetProjector(i)->GetEntryCount(); ++k)
            {
                const ProjectorEntry* e = list.GetProjector(i)->GetEntry(k);
                out.push_back(std::to_string(e->kind) + "|" + e->name + "|" + e->value);
            }
        }
        return out;
    }

    // The warnings, each with its line number; the file's name is left out.
    Lines Warnings() const
    {
        Lines out;
        for (std::string text : log.AtLevel(Log::LEVEL_WARNING))
            out.push_back(text.substr(0, text.find(" file " + path)));
        return out;
    }
};

// Faults: a line cut at the reader's 1022-character pieces or at its 64 KiB
// blocks read wrongly; another source's entries lost on a reread; a read
// waiting on a named pipe (the program hung); a refused file emptying the list.
TEST_F(ProjectorFile, ReadsEntriesAndKeepsTheListWhenTheFileIsRefused)
{
    EXPECT_EQ(Read("# a comment\r\n\nVeRsIoN: \t 1.2.3 \r\nprojector: \t Epson EB-X \nC, On, PWR ON<cr>\r\n"
                   "P,\tBaud,\t9600\nC,Comma,a,b , c\nc, Lower, x\nC, Two\nPROJECTOR:NEC\nC, Bad, AB<zz>\n"
                   "projector: epson eb-x \nC, Long, " + std::string(1022 - 9, 'A') + "tail, x, y\n"),
              FILE_WARNINGS);
    EXPECT_EQ(list.GetSource(0)->version, "1.2.3 ");
    EXPECT_EQ(Entries(), (Lines{"[Epson EB-X ]", "1|On|PWR ON<cr>", "0|Baud|9600", "1|Comma|a,b , c", "[NEC]"}));
    EXPECT_EQ(Warnings(), (Lines{"ReadSource: first parameter must be either 'C' or 'P', line 8",
                                 "ReadSource: data line must have 3 parameters, line 9",
                                 "ReadSource: command has error at position 4, line 11",
                                 "ReadSource: command has error at position 257, line 13",
                                 "ReadSource: first parameter must be either 'C' or 'P', line 14"}));

    list.FindProjector("NEC")->AddEntry({"Other", ProjectorEntry::COMMAND, "Mine", "m"});
    std::string text = "version: 2\nprojector: nec\nC, Fits," + std::string(1021 - 8 - 10, ' ') + "0123456789\r\n";
    Lines expected = {"[NEC]", "1|Mine|m", "1|Fits|0123456789"}; // CR LF split over two pieces
    for (int i = 0; text.size() < 200000; ++i) // lines of varying length end anywhere in the blocks
    {
        const std::string value(static_cast<size_t>(i * 7 % 250), static_cast<char>('a' + i % 26));
        text += "C, E" + std::to_string(i) + ", " + value + (i % 3 == 0 ? "\r\n" : "\n");
        expected.push_back("1|E" + std::to_string(i) + "|" + value);
    }
    EXPECT_EQ(Read(text), FILE_OK) << log.Text();
    EXPECT_EQ(Entries(), expected);

    EXPECT_EQ(Read("# header\n\nC, On, x\nversion: 2\n"), FILE_FORMAT_ERROR);
    ASSERT_EQ(Read("version: 3\nprojector: P\nC, On, x\n"), FILE_OK);
    ASSERT_EQ(mkfifo(dir.File("Pipe.txt").c_str(), 0600), 0);
    ASSERT_EQ(mkdir(dir.File("Folder.txt").c_str(), 0700), 0);
    alarm(10); // should a read wait on the named pipe, the test ends instead of hanging
    for (const char* other : {"Pipe.txt", "Folder.txt"})
    {
        list.GetSource(0)->fileName = dir.File(other);
        EXPECT_EQ(list.ReadSource(0), FILE_OPEN_ERROR);
        EXPECT_EQ(Entries(), (Lines{"[NEC]", "1|Mine|m", "[P]", "1|On|x"}));
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
    EXPECT_EQ(ModeOf(path), 0640u) << "the permissions are kept";
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
        const Lines errors = log.AtLevel(Log::LEVEL_ERROR);
        ASSERT_EQ(errors.size(), 1u);
        EXPECT_EQ(errors[0].rfind("unable to " + error, 0), 0u) << errors[0];
        EXPECT_TRUE(std::filesystem::is_directory(path) || ReadWholeFile(path) == old);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1) << "a temporary file is left";
    };
    // A disk that fills up: the file size limit makes write() fail.
    struct rlimit unlimited, small;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &unlimited), 0);
    small = unlimited;
    small.rlim_cur = 10;
    void (*oldHandler)(int) = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    refused("write file '" + path + "': File too large");
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
        {"1", "P", "On", "x", ""}, // a folder in the file's place is no file to replace
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.error);
        list.GetSource(0)->version = row.version;
        list.RenameProjector(p, row.projector);
        e->name = row.name;
        e->value = row.value;
        ASSERT_TRUE(!row.error.empty() || (unlink(path.c_str()) == 0 && mkdir(path.c_str(), 0755) == 0));
        refused(row.error.empty() ? "open file '" + path + "' for writing: it is a folder, not a regular file"
                                  : "write file '" + path + "': " + row.error);
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
        const std::string before = ReadWholeFile(shared);
        EXPECT_EQ(list.WriteSource(0), error.empty() ? FILE_OK : FILE_OPEN_ERROR);
        EXPECT_EQ(log.AtLevel(Log::LEVEL_ERROR),
                  error.empty() ? Lines{} : Lines{"unable to open file '" + path + "' for writing: " + error});
        EXPECT_TRUE(std::filesystem::is_symlink(path)) << "the link stays a link";
        EXPECT_EQ(ModeOf(linkTo), mode);
        EXPECT_EQ(ReadWholeFile(shared), error.empty() ? "version: 1\r\nprojector: P\r\nC, On, x\r\n" : before);
    }
    EXPECT_EQ(ModeOf(victim), 0600u);
    EXPECT_EQ(ReadWholeFile(victim), "keep\n");
}

} // namespace
