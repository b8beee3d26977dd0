// Saving a projector list keeps every text the reader would otherwise change
// at its start, or refuses the save.
#include "projdefs/parsecommand.h"
#include "projdefs/projectorlist.h"
#include "support/core/log_recorder.h"
#include "support/core/temp_dir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const char OLD_TEXT[] = "version: 1\r\nprojector: Kept\r\nC, On, ab\r\n";

struct Saved
{
    FileResult result;
    std::string file;
    std::vector<std::string> errors;
};

// A list with one projector holding one entry, saved to a file that held OLD_TEXT.
Saved Save(const TempDir& dir, const std::string& version, const std::string& projector, int kind,
           const std::string& name, const std::string& value)
{
    const std::string path = dir.File("User.txt");
    EXPECT_TRUE(WriteWholeFile(path, OLD_TEXT));
    ProjectorList list;
    list.AddSource(path, "");
    list.GetSource(0)->version = version;
    ProjectorEntry entry;
    entry.source = list.GetSource(0)->name;
    entry.kind = kind;
    entry.name = name;
    entry.value = value;
    list.AddProjector(projector)->AddEntry(entry);
    LogRecorder log;
    Saved saved;
    saved.result = list.WriteSource(0);
    saved.file = ReadWholeFile(path);
    saved.errors = log.AtLevel(Log::LEVEL_ERROR);
    return saved;
}

TEST(ProjectorSave, LeadingBlanksOfACommandAreKeptAsTheirEscape)
{
    TempDir dir;
    struct Row
    {
        int kind;
        std::string value;
        std::string line;     // as written
        std::string readBack; // the value as the reader gives it
    } rows[] = {
        {ProjectorEntry::COMMAND, " PWR ON", "C, On, <20>PWR ON", "<20>PWR ON"},
        {ProjectorEntry::COMMAND, "  ", "C, On, <20><20>", "<20><20>"},
        {ProjectorEntry::COMMAND, "PWR ON ", "C, On, PWR ON ", "PWR ON "},
        // a parameter's number does not change without its blanks
        {ProjectorEntry::PARAMETER, "  9600", "P, On,   9600", "9600"},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE("value [" + row.value + "]");
        const Saved saved = Save(dir, "2", "Beamer", row.kind, "On", row.value);
        ASSERT_EQ(saved.result, FILE_OK);
        EXPECT_EQ(saved.file, "version: 2\r\nprojector: Beamer\r\n" + row.line + "\r\n");

        ProjectorList again;
        again.AddSource(dir.File("User.txt"), "");
        ASSERT_EQ(again.ReadSource(0), FILE_OK);
        const ProjectorEntry* read = again.FindProjector("Beamer")->GetEntry(0);
        EXPECT_EQ(read->value, row.readBack);
        CommandBytes before, after;
        ASSERT_EQ(ParseCommand(row.value.c_str(), &before), 0);
        ASSERT_EQ(ParseCommand(read->value.c_str(), &after), 0);
        if (row.kind == ProjectorEntry::COMMAND)
        {
            EXPECT_EQ(after, before) << "the command sends other bytes after saving";
        }
    }
}

TEST(ProjectorSave, TextsTheReaderWouldCutAtTheStartAreRefused)
{
    TempDir dir;
    struct Row
    {
        std::string version, projector, name, value;
        std::string error;
    } rows[] = {
        {"2", "Beamer", "On", "\tPWR", "entry 'On' of projector 'Beamer' has a value that starts with a tab"},
        {"2", "Beamer", " On", "PWR", "entry ' On' of projector 'Beamer' has a name that starts with a blank or tab"},
        {"2", "Beamer", "\tOn", "PWR", "entry '\tOn' of projector 'Beamer' has a name that starts with a blank or tab"},
        {"2", " Beamer", "On", "PWR", "the name of projector ' Beamer' starts with a blank or tab"},
        {"2", "\tBeamer", "On", "PWR", "the name of projector '\tBeamer' starts with a blank or tab"},
        {" 2", "Beamer", "On", "PWR", "the version text starts with a blank or tab"},
        {"\t2", "Beamer", "On", "PWR", "the version text starts with a blank or tab"},
    };
    const std::string path = dir.File("User.txt");
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.error);
        const Saved saved = Save(dir, row.version, row.projector, ProjectorEntry::COMMAND, row.name, row.value);
        EXPECT_EQ(saved.result, FILE_OPEN_ERROR);
        EXPECT_EQ(saved.file, OLD_TEXT);
        EXPECT_EQ(saved.errors, std::vector<std::string>{"unable to write file '" + path + "': " + row.error});
        EXPECT_FALSE(FileExists(path + ".new"));
    }
}

} // namespace
