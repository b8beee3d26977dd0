// Reading and writing projector files with ReadSource and WriteSource.
#include "projdefs/projectorlist.h"
#include "support/core/log_capture.h"
#include "support/core/temp_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

class ProjectorFile : public testing::Test
{
protected:
    // Writes `content` as the file "User.txt" and makes it the list's source.
    std::string UseFile(const std::string& content, const std::string& name = "User.txt")
    {
        const std::string path = dir.File(name);
        EXPECT_TRUE(WriteWholeFile(path, content));
        if (list.GetSourceCount() == 0)
            list.AddSource(path, "");
        return path;
    }

    FileResult Read()
    {
        log.Reset();
        return list.ReadSource(0);
    }

    // "kind|name|value" of every entry of the projector, in order.
    Lines EntriesOf(const std::string& projectorName)
    {
        Lines out;
        const Projector* p = list.FindProjector(projectorName);
        if (p == nullptr)
            return {"<no projector>"};
        for (size_t i = 0; i < p->GetEntryCount(); ++i)
        {
            const ProjectorEntry* e = p->GetEntry(i);
            out.push_back(std::to_string(e->kind) + "|" + e->name + "|" + e->value);
        }
        return out;
    }

    TempDir dir;
    LogCapture log;
    ProjectorList list;
};

TEST_F(ProjectorFile, ReadsVersionProjectorsAndEntriesSkippingCommentsAndEmptyLines)
{
    const std::string path = UseFile("# a comment\r\n"
                                     "\n"
                                     "VeRsIoN: \t 1.2.3 \r\n"
                                     "#projector: not one\n"
                                     "projector: \t Epson EB-X \n"
                                     "C, On, PWR ON<cr>\r\n"
                                     "P,\tBaud,\t9600\n"
                                     "\n"
                                     "PROJECTOR:NEC\n"
                                     "  C , x, y\n"
                                     "C, Off, <02><01><00><00><00><03>");
    EXPECT_EQ(Read(), FILE_WARNINGS);
    EXPECT_EQ(list.GetSource(0)->version, "1.2.3 ");
    EXPECT_EQ(list.GetSource(0)->name, "User");
    ASSERT_EQ(list.GetProjectorCount(), 2u);
    EXPECT_EQ(list.GetProjector(0)->GetName(), "Epson EB-X ");
    EXPECT_EQ(list.GetProjector(1)->GetName(), "NEC");
    EXPECT_EQ(EntriesOf("epson eb-x "), (Lines{"1|On|PWR ON<cr>", "0|Baud|9600"}));
    EXPECT_EQ(EntriesOf("nec"), (Lines{"1|Off|<02><01><00><00><00><03>"}));
    EXPECT_EQ(list.GetProjector(0)->GetEntry(0)->source, "User");

    // Every message at its level; line numbers count comments and empty lines.
    EXPECT_EQ(log.AtLevel(Log::LEVEL_INFO), (Lines{"reading projector file " + path}));
    EXPECT_EQ(log.AtLevel(Log::LEVEL_WARNING),
              (Lines{"ReadSource: first parameter must be either 'C' or 'P', line 10 file " + path}));
    EXPECT_TRUE(log.AtLevel(Log::LEVEL_ERROR).empty());
    const Lines trace = log.AtLevel(Log::LEVEL_DEBUG4);
    ASSERT_EQ(trace.size(), 11u);
    EXPECT_EQ(trace[0], "ReadSource: line [# a comment]");
    EXPECT_EQ(trace[1], "ReadSource: line []");
    EXPECT_EQ(trace[4], "ReadSource: line [projector: \t Epson EB-X ]");
}

TEST_F(ProjectorFile, SplitsDataLinesIntoThreeFields)
{
    UseFile("version:1\n"
            "projector: P\n"
            "C,Comma,a,b , c\n"      // third field keeps its commas and blanks
            "C , Blank, x\n"         // blank before the comma is part of the kind
            "c, Lower, x\n"          // the kind is case sensitive
            "C, Empty,\n"            // a comma at the end gives an empty value
            "C, EmptyBlanks, \t \n"  // ... also when blanks follow it
            "C, Two\n"               // two fields
            "C\n"                    // one field
            "   \n"                  // blanks only: a data line without fields
            "\tP , x, y\n"
            "P,  Name  ,  trailing  \n"
            "C,,<cr>\n"               // an empty name is a name
            "CC, x, y\n");
    EXPECT_EQ(Read(), FILE_WARNINGS);
    EXPECT_EQ(EntriesOf("P"), (Lines{"1|Comma|a,b , c", "1|Empty|", "1|EmptyBlanks|", "0|Name  |trailing  ",
                                     "1||<cr>"}));
    const std::string file = " file " + dir.File("User.txt");
    EXPECT_EQ(log.AtLevel(Log::LEVEL_WARNING),
              (Lines{"ReadSource: first parameter must be either 'C' or 'P', line 4" + file,
                     "ReadSource: first parameter must be either 'C' or 'P', line 5" + file,
                     "ReadSource: data line must have 3 parameters, line 8" + file,
                     "ReadSource: data line must have 3 parameters, line 9" + file,
                     "ReadSource: data line must have 3 parameters, line 10" + file,
                     "ReadSource: first parameter must be either 'C' or 'P', line 11" + file,
                     "ReadSource: first parameter must be either 'C' or 'P', line 14" + file}));
}

TEST_F(ProjectorFile, SkipsValuesThatAreNoValidCommandWithTheirPosition)
{
    UseFile("version: 2\nprojector: P\nC, Good, A\nC, Bad, AB<zz>\nC, Tab, A\tB\nC, Also, <w 100 ms>\n");
    EXPECT_EQ(Read(), FILE_WARNINGS);
    EXPECT_EQ(EntriesOf("P"), (Lines{"1|Good|A"}));
    const std::string file = " file " + dir.File("User.txt");
    EXPECT_EQ(log.AtLevel(Log::LEVEL_WARNING),
              (Lines{"ReadSource: command has error at position 4, line 4" + file,
                     "ReadSource: command has error at position 2, line 5" + file,
                     "ReadSource: command has error at position 10, line 6" + file}));
}

TEST_F(ProjectorFile, FormatErrorsStopTheReadAtTheirLine)
{
    // Data before the version line.
    const std::string path = UseFile("# header\n\nC, On, x\nversion: 1\n");
    EXPECT_EQ(Read(), FILE_FORMAT_ERROR);
    EXPECT_EQ(log.AtLevel(Log::LEVEL_ERROR), (Lines{"ReadSource: missing version at line 3 file " + path}));
    EXPECT_EQ(list.GetProjectorCount(), 0u);

    // A line of blanks is not empty, and "#" after blanks is no comment.
    WriteWholeFile(path, "  \nversion: 1\n");
    EXPECT_EQ(Read(), FILE_FORMAT_ERROR);
    EXPECT_EQ(log.AtLevel(Log::LEVEL_ERROR), (Lines{"ReadSource: missing version at line 1 file " + path}));
    WriteWholeFile(path, " # indented\nversion: 1\n");
    EXPECT_EQ(Read(), FILE_FORMAT_ERROR);

    // Data before any projector: the version and nothing else survive.
    WriteWholeFile(path, "version: 7\n#\nC, On, x\nprojector: P\nC, On, x\n");
    EXPECT_EQ(Read(), FILE_FORMAT_ERROR);
    EXPECT_EQ(log.AtLevel(Log::LEVEL_ERROR),
              (Lines{"ReadSource: a projector must be specified before data, line 3 file " + path}));
    EXPECT_EQ(list.GetSource(0)->version, "7");
    EXPECT_EQ(list.GetProjectorCount(), 0u);
}

TEST_F(ProjectorFile, FormatErrorKeepsTheNewVersionButNotTheOldEntries)
{
    const std::string path = UseFile("version: 1\nprojector: Old\nC, On, x\n");
    ASSERT_EQ(Read(), FILE_OK);
    WriteWholeFile(path, "version: 2\n C, On, y\nprojector: New\nC, On, y\n");
    EXPECT_EQ(Read(), FILE_FORMAT_ERROR);
    EXPECT_EQ(list.GetSource(0)->version, "2");
    EXPECT_EQ(list.GetProjectorCount(), 0u);
}

TEST_F(ProjectorFile, LaterVersionLinesAreDataAndEmptyProjectorsStayUntilTheNextRead)
{
    const std::string path = UseFile("version: 1\nprojector: P\nC, On, y\nversion: 3\nprojector: Empty\n");
    EXPECT_EQ(Read(), FILE_WARNINGS);
    EXPECT_EQ(log.AtLevel(Log::LEVEL_WARNING),
              (Lines{"ReadSource: data line must have 3 parameters, line 4 file " + path}));
    EXPECT_EQ(list.GetSource(0)->version, "1");
    ASSERT_EQ(list.GetProjectorCount(), 2u);
    EXPECT_EQ(list.GetProjector(1)->GetEntryCount(), 0u);
    WriteWholeFile(path, "version: 1\nprojector: P\nC, On, y\n");
    EXPECT_EQ(Read(), FILE_OK);
    EXPECT_EQ(list.GetProjectorCount(), 1u);
}

TEST_F(ProjectorFile, OpenFailureChangesNothing)
{
    const std::string path = UseFile("version: 1\nprojector: P\nC, On, x\n");
    ASSERT_EQ(Read(), FILE_OK);
    ASSERT_EQ(unlink(path.c_str()), 0);
    EXPECT_EQ(Read(), FILE_OPEN_ERROR);
    EXPECT_EQ(log.AtLevel(Log::LEVEL_ERROR), (Lines{"unable to open file '" + path + "' for reading"}));
    EXPECT_EQ(EntriesOf("P"), (Lines{"1|On|x"}));
    EXPECT_EQ(list.GetSource(0)->version, "1");

    // A folder opens on Linux but is no file: refused before anything changes.
    ASSERT_EQ(mkdir(path.c_str(), 0755), 0);
    EXPECT_EQ(Read(), FILE_OPEN_ERROR);
    EXPECT_EQ(log.AtLevel(Log::LEVEL_ERROR), (Lines{"unable to open file '" + path + "' for reading"}));
    EXPECT_EQ(EntriesOf("P"), (Lines{"1|On|x"}));
}

TEST_F(ProjectorFile, ProjectorNamesContinueWithoutRegardToCase)
{
    UseFile("version: 1\n"
            "projector: Epson\nC, On, a\n"
            "projector: Other\nC, On, b\n"
            "projector: EPSON\nC, Off, c\n"
            "projector:epson\nC, On, d\n");
    EXPECT_EQ(Read(), FILE_OK);
    ASSERT_EQ(list.GetProjectorCount(), 2u);
    EXPECT_EQ(list.GetProjector(0)->GetName(), "Epson");
    EXPECT_EQ(EntriesOf("Epson"), (Lines{"1|On|a", "1|Off|c", "1|On|d"}));
    EXPECT_EQ(list.FindProjector("EPSON")->FindEntry("on")->value, "a");
}

TEST_F(ProjectorFile, RereadingReplacesOnlyTheEntriesOfThisSource)
{
    const std::string path = UseFile("version: 1\nprojector: P\nC, On, a\nC, Off, b\n");
    ASSERT_EQ(Read(), FILE_OK);
    // An entry of another source survives re-reading, and keeps its projector.
    list.FindProjector("P")->AddEntry({"Other", ProjectorEntry::COMMAND, "Mine", "m"});
    list.AddProjector("Foreign")->AddEntry({"Other", ProjectorEntry::PARAMETER, "Baud", "1"});
    ASSERT_EQ(Read(), FILE_OK);
    EXPECT_EQ(EntriesOf("P"), (Lines{"1|Mine|m", "1|On|a", "1|Off|b"}));

    WriteWholeFile(path, "version: 2\nprojector: Q\nC, On, q\n");
    ASSERT_EQ(Read(), FILE_OK);
    EXPECT_EQ(EntriesOf("P"), (Lines{"1|Mine|m"}));
    EXPECT_EQ(EntriesOf("Q"), (Lines{"1|On|q"}));
    EXPECT_EQ(list.GetProjectorCount(), 3u);
    EXPECT_EQ(list.GetSource(0)->version, "2");
}

TEST_F(ProjectorFile, LongLinesAreReadInPiecesWithTheirOwnLineNumbers)
{
    // 1022 characters make the first piece; the rest is the next line.
    std::string first = "C, Long, " + std::string(1022 - 9, 'A');
    std::string path = UseFile("version: 1\nprojector: P\n" + first + "tail, x, y\nC, After, z\n");
    EXPECT_EQ(Read(), FILE_WARNINGS);
    const std::string file = " file " + path;
    EXPECT_EQ(log.AtLevel(Log::LEVEL_WARNING),
              (Lines{"ReadSource: command has error at position 257, line 3" + file,
                     "ReadSource: first parameter must be either 'C' or 'P', line 4" + file}));
    EXPECT_EQ(EntriesOf("P"), (Lines{"1|After|z"}));

    // A CR LF split over the piece boundary leaves an empty piece: skipped, but counted.
    first = "C, Fits," + std::string(1021 - 8 - 10, ' ') + "0123456789";
    WriteWholeFile(path, "version: 1\nprojector: P\n" + first + "\r\nC, Bad, <zz>\n");
    EXPECT_EQ(Read(), FILE_WARNINGS);
    EXPECT_EQ(log.AtLevel(Log::LEVEL_WARNING), (Lines{"ReadSource: command has error at position 2, line 5" + file}));
    EXPECT_EQ(EntriesOf("P"), (Lines{"1|Fits|0123456789"}));
}

TEST_F(ProjectorFile, LargeFileReadsTheSameAcrossReadBlocks)
{
    // Lines of varying length put the reader's block ends (64 KiB) inside
    // lines; one long line is split into pieces across a block end too.
    std::string text = "version: 1\nprojector: P\n";
    Lines expected;
    unsigned lineNumber = 2, longLine = 0;
    for (int i = 0; text.size() < 300000; ++i)
    {
        if (longLine == 0 && text.size() > 2 * 65536 - 700)
        {
            text += "C, Long, " + std::string(1500, 'L') + "\n"; // pieces: 1022 + 488
            longLine = lineNumber + 1;
            lineNumber += 2;
            continue;
        }
        const std::string value(static_cast<size_t>(i * 7 % 250), static_cast<char>('a' + i % 26));
        text += "C, E" + std::to_string(i) + ", " + value + (i % 3 == 0 ? "\r\n" : "\n");
        expected.push_back("1|E" + std::to_string(i) + "|" + value);
        ++lineNumber;
    }
    const std::string path = UseFile(text);
    EXPECT_EQ(Read(), FILE_WARNINGS);
    EXPECT_EQ(EntriesOf("P"), expected);
    const std::string file = " file " + path;
    EXPECT_EQ(log.AtLevel(Log::LEVEL_WARNING),
              (Lines{"ReadSource: command has error at position 257, line " + std::to_string(longLine) + file,
                     "ReadSource: data line must have 3 parameters, line " + std::to_string(longLine + 1) + file}));
    EXPECT_EQ(log.AtLevel(Log::LEVEL_DEBUG4).size(), lineNumber);
}

TEST_F(ProjectorFile, ANulByteEndsTheLineText)
{
    const char text[] = "version: 1\nprojector: P\nC, On, ab\0<zz>\nC, Off, c\n";
    UseFile(std::string(text, sizeof(text) - 1));
    EXPECT_EQ(Read(), FILE_OK);
    EXPECT_EQ(EntriesOf("P"), (Lines{"1|On|ab", "1|Off|c"}));
}

TEST_F(ProjectorFile, EmptyFileReadsCleanAndKeepsTheVersion)
{
    UseFile("");
    EXPECT_EQ(Read(), FILE_OK);
    EXPECT_EQ(list.GetProjectorCount(), 0u);
}

// ---- writing ----

const char FULL_FILE[] = "version: 3.1 beta\r\n"
                         "projector: Epson  Basic \r\n"
                         "C, On, PWR ON<cr>\r\n"
                         "C, Off, PWR OFF<CR>\r\n"
                         "P, Baud, 9600\r\n"
                         "P, Cable, \r\n"
                         "C, Freeze, <1B>, with comma<w 1 sec>< 1><3C>> \r\n"
                         "projector: NEC\r\n"
                         "C, , <02><00><00><00><00><02>\r\n"
                         "C, Pause, <W250MS><w 60 sec>\r\n";

TEST_F(ProjectorFile, WriteThenReadGivesTheSameBytes)
{
    const std::string path = UseFile(FULL_FILE);
    ASSERT_EQ(Read(), FILE_OK);
    ASSERT_EQ(list.WriteSource(0), FILE_OK);
    EXPECT_EQ(ReadWholeFile(path), FULL_FILE);
    EXPECT_FALSE(FileExists(path + ".new"));

    // A file with comments, LF endings and "projector:" lines in other cases
    // comes out in the written shape.
    WriteWholeFile(path, "# c\nVERSION:\t3.1 beta\nprojector: Epson  Basic \nC,On,PWR ON<cr>\n"
                         "C, Off, PWR OFF<CR>\nprojector:NEC\nC, , <02><00><00><00><00><02>\n"
                         "PROJECTOR: epson  basic \nP, Baud, 9600\nP, Cable,\n"
                         "C, Freeze, <1B>, with comma<w 1 sec>< 1><3C>> \n"
                         "projector: nec\nC, Pause, <W250MS><w 60 sec>\n");
    ASSERT_EQ(Read(), FILE_OK);
    ASSERT_EQ(list.WriteSource(0), FILE_OK);
    EXPECT_EQ(ReadWholeFile(path), FULL_FILE);
}

TEST_F(ProjectorFile, WritesOnlyProjectorsAndEntriesOfTheSource)
{
    const std::string path = dir.File("Ref.v2.txt");
    list.AddSource(path, "");
    ASSERT_EQ(list.GetSource(0)->name, "Ref.v2");
    list.GetSource(0)->version = "9";
    list.AddProjector("Empty");
    Projector* mixed = list.AddProjector("Mixed");
    mixed->AddEntry({"Other", ProjectorEntry::COMMAND, "No", "n"});
    mixed->AddEntry({"Ref.v2", ProjectorEntry::PARAMETER, "Yes", "y"});
    list.AddProjector("Foreign")->AddEntry({"ref.v2", ProjectorEntry::COMMAND, "CaseDiffers", "c"});
    ASSERT_EQ(list.WriteSource(0), FILE_OK);
    EXPECT_EQ(ReadWholeFile(path), "version: 9\r\nprojector: Mixed\r\nP, Yes, y\r\n");
}

TEST_F(ProjectorFile, ProjectorWithoutEntriesWritesJustTheVersion)
{
    const std::string path = dir.File("User.txt");
    list.AddSource(path, "");
    list.GetSource(0)->version = "1.0";
    list.AddProjector("Nothing");
    ASSERT_EQ(list.WriteSource(0), FILE_OK);
    EXPECT_EQ(ReadWholeFile(path), "version: 1.0\r\n");
    ProjectorList other;
    other.AddSource(path, "");
    EXPECT_EQ(other.ReadSource(0), FILE_OK);
    EXPECT_EQ(other.GetProjectorCount(), 0u);
    EXPECT_EQ(other.GetSource(0)->version, "1.0");
}

TEST_F(ProjectorFile, WriteKeepsThePermissionsOfTheFile)
{
    const std::string path = UseFile("version: 1\n");
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    ASSERT_EQ(Read(), FILE_OK);
    ASSERT_EQ(list.WriteSource(0), FILE_OK);
    struct stat info;
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST_F(ProjectorFile, FailedWriteIntoMissingFolder)
{
    const std::string path = dir.File("missing/User.txt");
    list.AddSource(path, "");
    log.Reset();
    EXPECT_EQ(list.WriteSource(0), FILE_OPEN_ERROR);
    EXPECT_EQ(log.AtLevel(Log::LEVEL_ERROR), (Lines{"unable to open file '" + path + "' for writing"}));
}

TEST_F(ProjectorFile, FailedWriteKeepsTheOldFile)
{
    const std::string old = "version: 1\nprojector: P\nC, On, x\n";
    const std::string path = UseFile(old);
    ASSERT_EQ(Read(), FILE_OK);
    list.GetSource(0)->version = "2";

    // A folder where the temporary file would go.
    ASSERT_EQ(mkdir((path + ".new").c_str(), 0755), 0);
    log.Reset();
    EXPECT_EQ(list.WriteSource(0), FILE_OPEN_ERROR);
    EXPECT_EQ(log.AtLevel(Log::LEVEL_ERROR), (Lines{"unable to open file '" + path + "' for writing"}));
    EXPECT_EQ(ReadWholeFile(path), old);
    struct stat info;
    EXPECT_EQ(stat((path + ".new").c_str(), &info), 0); // not ours: left alone
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    ASSERT_EQ(rmdir((path + ".new").c_str()), 0);

    // A disk that fills up: the temporary file leads to /dev/full.
    ASSERT_EQ(symlink("/dev/full", (path + ".new").c_str()), 0);
    log.Reset();
    EXPECT_EQ(list.WriteSource(0), FILE_OPEN_ERROR);
    const Lines errors = log.AtLevel(Log::LEVEL_ERROR);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].rfind("unable to write file '" + path + ".new'", 0), 0u) << errors[0];
    EXPECT_EQ(ReadWholeFile(path), old);
    EXPECT_FALSE(FileExists(path + ".new"));

    // The file itself is a folder: the rename fails, the temporary file goes.
    const std::string folder = dir.File("Folder.txt");
    ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
    ProjectorList other;
    other.AddSource(folder, "");
    log.Reset();
    EXPECT_EQ(other.WriteSource(0), FILE_OPEN_ERROR);
    const Lines renameErrors = log.AtLevel(Log::LEVEL_ERROR);
    ASSERT_EQ(renameErrors.size(), 1u);
    EXPECT_EQ(renameErrors[0].rfind("unable to replace file '" + folder + "' with '" + folder + ".new'", 0), 0u)
        << renameErrors[0];
    EXPECT_FALSE(FileExists(folder + ".new"));
}

TEST_F(ProjectorFile, WriteRefusesWhatWouldNotReadBackAsWritten)
{
    const std::string old = "version: 1\r\nprojector: P\r\nC, On, x\r\n";
    const std::string path = UseFile(old);
    ASSERT_EQ(Read(), FILE_OK);
    Projector* p = list.FindProjector("P");
    ProjectorEntry* e = p->GetEntry(0);
    const std::string head = "unable to write file '" + path + "': ";

    auto refused = [&](const std::string& message) {
        log.Reset();
        EXPECT_EQ(list.WriteSource(0), FILE_OPEN_ERROR);
        EXPECT_EQ(log.AtLevel(Log::LEVEL_ERROR), (Lines{head + message}));
        EXPECT_EQ(ReadWholeFile(path), old);
        EXPECT_FALSE(FileExists(path + ".new"));
    };

    e->name = "a,b"; // would read back as name "a" and value "b, x"
    refused("entry 'a,b' of projector 'P' has a comma in its name");
    e->name = "On";
    e->value = "x\ny";
    refused("entry 'On' of projector 'P' has a line break or NUL in it");
    e->value = std::string("x\0y", 3);
    refused("entry 'On' of projector 'P' has a line break or NUL in it");
    e->value = "x";
    list.RenameProjector(p, "P\r");
    refused("the name of projector 'P\r' has a line break or NUL in it");
    list.RenameProjector(p, "P");
    e->name = "O\rn"; // a CR inside a line is only a character
    ASSERT_EQ(list.WriteSource(0), FILE_OK);
    EXPECT_EQ(ReadWholeFile(path), "version: 1\r\nprojector: P\r\nC, O\rn, x\r\n");
    e->name = "On";
    ASSERT_EQ(list.WriteSource(0), FILE_OK);
    list.GetSource(0)->version = "1\n";
    refused("the version text has a line break or NUL in it");
    list.GetSource(0)->version = "1";

    // "C, On, " and the value: 1022 characters still read back whole, 1023 do not.
    e->value = "<w" + std::string(1022 - 7 - 7, ' ') + "10ms>"; // a valid pause
    ASSERT_EQ(list.WriteSource(0), FILE_OK);
    ProjectorList again;
    again.AddSource(path, "");
    EXPECT_EQ(again.ReadSource(0), FILE_OK);
    EXPECT_EQ(again.FindProjector("P")->GetEntry(0)->value, e->value);

    const std::string written = ReadWholeFile(path);
    e->value.insert(2, " ");
    log.Reset();
    EXPECT_EQ(list.WriteSource(0), FILE_OPEN_ERROR);
    EXPECT_EQ(log.AtLevel(Log::LEVEL_ERROR),
              (Lines{head + "entry 'On' of projector 'P' makes a line longer than 1022 characters"}));
    EXPECT_EQ(ReadWholeFile(path), written);
}

} // namespace
