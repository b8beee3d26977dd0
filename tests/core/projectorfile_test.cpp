// Reading and writing projector files with ReadSource and WriteSource.
#include "projdefs/projectorlist.h"
#include "support/core/log_recorder.h"
#include "support/core/temp_dir.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <filesystem>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

using Lines = std::vector<std::string>;

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

    // "kind|name|value" of every entry of every projector, "[name]" before each projector.
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

    // The warnings or errors, each with its line number; the file's name is left out.
    Lines Messages(unsigned level) const
    {
        Lines out;
        for (std::string text : log.AtLevel(level))
            out.push_back(text.substr(0, text.find(" file " + path)));
        return out;
    }
};

TEST_F(ProjectorFile, ReadsEntriesAndSkipsWhatIsNotOne)
{
    const std::string longLine = "C, Long, " + std::string(1022 - 9, 'A'); // the rest is the next piece
    const char nul[] = "C, Nul, ab\0<zz>\n";
    EXPECT_EQ(Read("# a comment\r\n\nVeRsIoN: \t 1.2.3 \r\n#projector: not one\nprojector: \t Epson EB-X \n"
                   "C, On, PWR ON<cr>\r\nP,\tBaud,\t9600\nC,Comma,a,b , c\nC , Blank, x\nc, Lower, x\nC, Empty,\n"
                   "C, Two\n   \nC,,<cr>\nCC, x, y\nPROJECTOR:NEC\nC, Bad, AB<zz>\nC, Tab, A\tB\n"
                   "C, Pause, <w 100 ms>\nprojector: epson eb-x \nversion: 3\nC, Off, <02><03>\n" +
                   longLine + "tail, x, y\n" + std::string(nul, sizeof(nul) - 1) + "projector: Empty\n"),
              FILE_WARNINGS);
    EXPECT_EQ(list.GetSource(0)->version, "1.2.3 ");
    EXPECT_EQ(Entries(), (Lines{"[Epson EB-X ]", "1|On|PWR ON<cr>", "0|Baud|9600", "1|Comma|a,b , c", "1|Empty|",
                                "1||<cr>", "1|Off|<02><03>", "1|Nul|ab", "[NEC]", "[Empty]"}));
    EXPECT_EQ(list.GetProjector(0)->GetEntry(0)->source, "User");
    EXPECT_EQ(Messages(Log::LEVEL_WARNING),
              (Lines{"ReadSource: first parameter must be either 'C' or 'P', line 9",
                     "ReadSource: first parameter must be either 'C' or 'P', line 10",
                     "ReadSource: data line must have 3 parameters, line 12",
                     "ReadSource: data line must have 3 parameters, line 13",
                     "ReadSource: first parameter must be either 'C' or 'P', line 15",
                     "ReadSource: command has error at position 4, line 17",
                     "ReadSource: command has error at position 2, line 18",
                     "ReadSource: command has error at position 10, line 19",
                     "ReadSource: data line must have 3 parameters, line 21",
                     "ReadSource: command has error at position 257, line 23",
                     "ReadSource: first parameter must be either 'C' or 'P', line 24"}));
    EXPECT_EQ(log.AtLevel(Log::LEVEL_INFO), Lines{"reading projector file " + path});
    EXPECT_EQ(log.AtLevel(Log::LEVEL_DEBUG4).front(), "ReadSource: line [# a comment]");

    // Rereading replaces only this source's entries; empty projectors go.
    list.FindProjector("NEC")->AddEntry({"Other", ProjectorEntry::COMMAND, "Mine", "m"});
    const std::string fits = "C, Fits," + std::string(1021 - 8 - 10, ' ') + "0123456789"; // CR LF split over pieces
    EXPECT_EQ(Read("version: 2\nprojector: nec\nC, On, q\n" + fits + "\r\nC, Bad, <zz>\n"), FILE_WARNINGS);
    EXPECT_EQ(Entries(), (Lines{"[NEC]", "1|Mine|m", "1|On|q", "1|Fits|0123456789"}));
    EXPECT_EQ(Messages(Log::LEVEL_WARNING), Lines{"ReadSource: command has error at position 2, line 6"});
    EXPECT_EQ(Read(""), FILE_OK);
    EXPECT_EQ(list.GetSource(0)->version, "2");
}

TEST_F(ProjectorFile, FormatErrorsAndPathsThatAreNoRegularFile)
{
    const struct
    {
        std::string content;
        FileResult result;
        std::string error, version;
        Lines entries;
    } rows[] = {
        {"version: 1\nprojector: Old\nC, On, x\n", FILE_OK, "", "1", {"[Old]", "1|On|x"}},
        {"# header\n\nC, On, x\nversion: 2\n", FILE_FORMAT_ERROR, "ReadSource: missing version at line 3", "1", {}},
        {"  \nversion: 2\n", FILE_FORMAT_ERROR, "ReadSource: missing version at line 1", "1", {}},
        {" # indented\nversion: 2\n", FILE_FORMAT_ERROR, "ReadSource: missing version at line 1", "1", {}},
        {"version: 7\n#\nC, On, x\nprojector: P\nC, On, x\n", FILE_FORMAT_ERROR,
         "ReadSource: a projector must be specified before data, line 3", "7", {}},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.content);
        EXPECT_EQ(Read(row.content), row.result);
        EXPECT_EQ(Messages(Log::LEVEL_ERROR), row.error.empty() ? Lines{} : Lines{row.error});
        EXPECT_EQ(list.GetSource(0)->version, row.version);
        EXPECT_EQ(Entries(), row.entries);
    }
    // Only a regular file is read, without waiting on it, and the list stays as it was.
    ASSERT_EQ(Read("version: 3\nprojector: P\nC, On, x\n"), FILE_OK);
    ASSERT_EQ(mkfifo(dir.File("Pipe.txt").c_str(), 0600), 0);
    ASSERT_EQ(symlink(dir.File("Pipe.txt").c_str(), dir.File("LinkToPipe.txt").c_str()), 0);
    ASSERT_EQ(mkdir(dir.File("Folder.txt").c_str(), 0700), 0);
    ASSERT_EQ(mknod(dir.File("Device.txt").c_str(), S_IFCHR | 0600, makedev(1, 3)), 0); // the test's own device
    const std::pair<std::string, const char*> paths[] = {
        {dir.File("Pipe.txt"), "named pipe"}, {dir.File("LinkToPipe.txt"), "named pipe"},
        {dir.File("Folder.txt"), "folder"},   {dir.File("Device.txt"), "device"},
        {dir.File("Missing.txt"), "No such file"},
    };
    alarm(10); // should a read wait on the named pipe, the test ends instead of hanging
    for (const auto& [other, reason] : paths)
    {
        SCOPED_TRACE(other);
        log.Clear();
        list.GetSource(0)->fileName = other;
        EXPECT_EQ(list.ReadSource(0), FILE_OPEN_ERROR);
        EXPECT_EQ(log.AtLevel(Log::LEVEL_ERROR), Lines{"unable to open file '" + other + "' for reading"});
        EXPECT_NE(log.AtLevel(Log::LEVEL_INFO).back().find(reason), std::string::npos) << log.Text();
        EXPECT_EQ(list.GetSource(0)->version, "3");
        EXPECT_EQ(Entries(), (Lines{"[P]", "1|On|x"}));
    }
    alarm(0);
}

TEST_F(ProjectorFile, LargeFileReadsTheSameAcrossReadBlocks)
{
    // Lines of varying length put the reader's block ends (64 KiB) inside
    // lines; one long line is split into pieces across a block end too.
    std::string text = "version: 1\nprojector: P\n";
    Lines expected = {"[P]"};
    unsigned lineNumber = 2, longLine = 0;
    for (int i = 0; text.size() < 300000; ++i, ++lineNumber)
    {
        if (longLine == 0 && text.size() > 2 * 65536 - 700)
        {
            text += "C, Long, " + std::string(1500, 'L') + "\n"; // pieces: 1022 + 488
            longLine = ++lineNumber;
            continue;
        }
        const std::string value(static_cast<size_t>(i * 7 % 250), static_cast<char>('a' + i % 26));
        text += "C, E" + std::to_string(i) + ", " + value + (i % 3 == 0 ? "\r\n" : "\n");
        expected.push_back("1|E" + std::to_string(i) + "|" + value);
    }
    EXPECT_EQ(Read(text), FILE_WARNINGS);
    EXPECT_EQ(Entries(), expected);
    EXPECT_EQ(Messages(Log::LEVEL_WARNING),
              (Lines{"ReadSource: command has error at position 257, line " + std::to_string(longLine),
                     "ReadSource: data line must have 3 parameters, line " + std::to_string(longLine + 1)}));
    EXPECT_EQ(log.AtLevel(Log::LEVEL_DEBUG4).size(), lineNumber);
}

// Every line of the shipped file reads without a warning, every projector
// has the standard entries; written back it keeps its own bytes without the
// comment lines, CR LF included.
TEST_F(ProjectorFile, ShippedReferenceFileReadsCleanAndWritesBackInItsOwnShape)
{
    const std::string shipped = ReadWholeFile(std::string(KESTO_SOURCE_DIR) + "/data/AulavoxMaster.txt");
    ASSERT_EQ(Read(shipped), FILE_OK) << log.Text();
    ASSERT_GE(list.GetProjectorCount(), 4u);
    for (size_t i = 0; i < list.GetProjectorCount(); ++i)
        for (const char* name : {"Baud", "Cable", "On", "Off", "SourceVGA", "SourceComposite", "Freeze", "UnFreeze"})
        {
            const ProjectorEntry* e = list.GetProjector(i)->FindEntry(name);
            EXPECT_TRUE(e != nullptr && !e->value.empty()) << list.GetProjector(i)->GetName() << " lacks " << name;
        }
    std::istringstream original(shipped);
    std::string withoutComments, line;
    while (std::getline(original, line))
        if (!line.empty() && line[0] != '#')
            withoutComments += line + "\n";
    ASSERT_EQ(list.WriteSource(0), FILE_OK);
    EXPECT_EQ(ReadWholeFile(path), withoutComments);
}

// The reader skips blanks at the start of a value: a command's own leading
// blanks are written as their escape so that it sends the same bytes.
TEST_F(ProjectorFile, WriteGivesTheWrittenShapeAndOnlyThisSourcesEntries)
{
    const char full[] = "version: 3.1 beta\r\nprojector: Epson  Basic \r\nC, On, PWR ON<cr>\r\nP, Baud, 9600\r\n"
                        "P, Cable, \r\nC, Freeze, <1B>, with comma<w 1 sec>< 1><3C>> \r\nC, Lead, <20>PWR ON\r\n"
                        "C, Blanks, <20><20>\r\nP, Rate,   9600\r\nprojector: NEC\r\n"
                        "C, , <02><00><02>\r\nC, Pause, <W250MS><w 60 sec>\r\n";
    ASSERT_EQ(Read("# c\nVERSION:\t3.1 beta\nprojector: Epson  Basic \nC,On,PWR ON<cr>\nprojector:NEC\n"
                   "C, , <02><00><02>\nPROJECTOR: epson  basic \nP, Baud, 9600\nP, Cable,\n"
                   "C, Freeze, <1B>, with comma<w 1 sec>< 1><3C>> \nprojector: nec\nC, Pause, <W250MS><w 60 sec>\n"),
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
    EXPECT_EQ(ReadWholeFile(path), full);
    struct stat info;
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u) << "the permissions are kept";
    ASSERT_EQ(list.ReadSource(0), FILE_OK);
    EXPECT_EQ(epson->FindEntry("Lead")->value, "<20>PWR ON");
    EXPECT_EQ(epson->FindEntry("Blanks")->value, "<20><20>");
}

TEST_F(ProjectorFile, FailedWritesKeepTheOldFile)
{
    const std::string old = "version: 1\r\nprojector: P\r\nC, On, x\r\n";
    ASSERT_EQ(Read(old), FILE_OK);
    Projector* p = list.FindProjector("P");
    ProjectorEntry* e = p->GetEntry(0);
    auto refused = [&](const std::string& error, bool oldFileThere = true) {
        log.Clear();
        EXPECT_EQ(list.WriteSource(0), FILE_OPEN_ERROR);
        ASSERT_EQ(log.AtLevel(Log::LEVEL_ERROR).size(), 1u);
        EXPECT_EQ(log.AtLevel(Log::LEVEL_ERROR)[0].rfind(error, 0), 0u) << log.Text();
        EXPECT_TRUE(!oldFileThere || ReadWholeFile(path) == old);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1) << "a temporary file is left";
    };
    // A disk that fills up: the file size limit makes write() fail.
    struct rlimit unlimited, small;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &unlimited), 0);
    small = unlimited;
    small.rlim_cur = 10;
    void (*oldHandler)(int) = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    refused("unable to write file '" + path + "': File too large");
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
        {"1", "P", " On", "x", "entry ' On' of projector 'P' has a name that starts with a blank or tab"},
        {"1", "P", "\tOn", "x", "entry '\tOn' of projector 'P' has a name that starts with a blank or tab"},
        {"1", " P", "On", "x", "the name of projector ' P' starts with a blank or tab"},
        {"1", "\tP", "On", "x", "the name of projector '\tP' starts with a blank or tab"},
        {" 1", "P", "On", "x", "the version text starts with a blank or tab"},
        {"\t1", "P", "On", "x", "the version text starts with a blank or tab"},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.error);
        list.GetSource(0)->version = row.version;
        list.RenameProjector(p, row.projector);
        e->name = row.name;
        e->value = row.value;
        refused("unable to write file '" + path + "': " + row.error);
    }
    // A folder in the file's place is no file to replace.
    list.GetSource(0)->version = "1";
    list.RenameProjector(p, "P");
    e->name = "On";
    e->value = "x";
    ASSERT_EQ(unlink(path.c_str()), 0);
    ASSERT_EQ(mkdir(path.c_str(), 0755), 0);
    refused("unable to open file '" + path + "' for writing: it is a folder, not a regular file", false);
    EXPECT_EQ(dir.File("User.txt"), path);
}

// The user file linked to a shared one is saved through the link (fault: the
// link replaced, the shared file stale); a read-only one, or a device behind
// a link, is refused with nothing written; a fixed temporary name planted as
// a link leads nowhere (fault: its target rewritten and its mode changed).
TEST_F(ProjectorFile, SaveWritesThroughLinksAndRefusesWhatItMayNotReplace)
{
    const std::string shared = dir.File("Shared.txt"), victim = dir.File("Victim.txt"), node = dir.File("Node");
    ASSERT_EQ(Read("version: 1\nprojector: P\nC, On, x\n"), FILE_OK);
    ASSERT_TRUE(WriteWholeFile(shared, "version: 0\n"));
    ASSERT_TRUE(WriteWholeFile(victim, "keep\n"));
    ASSERT_EQ(chmod(victim.c_str(), 0600), 0);
    ASSERT_EQ(mknod(node.c_str(), S_IFCHR | 0600, makedev(1, 3)), 0);
    for (const std::string& planted : {path + ".new", shared + ".new", shared + ".new-AAAAAA"})
        ASSERT_EQ(symlink(victim.c_str(), planted.c_str()), 0);
    const struct
    {
        std::string linkTo;
        mode_t mode;
        const char* error; // empty: saved
    } rows[] = {
        {shared, 0644, ""},
        {shared, 0444, "the file is read-only"},
        {node, 0600, "it is a device, not a regular file"},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.error);
        log.Clear();
        ASSERT_EQ(unlink(path.c_str()), 0);
        ASSERT_EQ(symlink(row.linkTo.c_str(), path.c_str()), 0);
        ASSERT_EQ(chmod(row.linkTo.c_str(), row.mode), 0);
        const std::string before = ReadWholeFile(shared);
        EXPECT_EQ(list.WriteSource(0), *row.error ? FILE_OPEN_ERROR : FILE_OK);
        EXPECT_EQ(log.AtLevel(Log::LEVEL_ERROR),
                  *row.error ? Lines{"unable to open file '" + path + "' for writing: " + row.error} : Lines{});
        struct stat info;
        ASSERT_EQ(lstat(path.c_str(), &info), 0);
        EXPECT_TRUE(S_ISLNK(info.st_mode)) << "the link stays a link";
        ASSERT_EQ(stat(row.linkTo.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, row.mode);
        EXPECT_EQ(ReadWholeFile(shared), *row.error ? before : "version: 1\r\nprojector: P\r\nC, On, x\r\n");
    }
    struct stat info;
    ASSERT_EQ(stat(victim.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
    EXPECT_EQ(ReadWholeFile(victim), "keep\n");
}

} // namespace
