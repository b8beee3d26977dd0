// The reference projector file shipped in data/.
#include "projdefs/parsecommand.h"
#include "projdefs/projectorlist.h"
#include "projdefs/remoteupdate.h"
#include "support/core/curl_environment.h"
#include "support/core/log_recorder.h"
#include "support/core/temp_dir.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

const std::string MASTER = std::string(KESTO_SOURCE_DIR) + "/data/AulavoxMaster.txt";
const bool curlReady = RegisterCurlEnvironment();

TEST(MasterFile, ReadsCleanWithTheStandardEntriesAndWritesBackInItsOwnShape)
{
    TempDir dir;
    LogRecorder log;
    const std::string copy = dir.File("AulavoxMaster.txt");
    ASSERT_TRUE(WriteWholeFile(copy, ReadWholeFile(MASTER)));
    ProjectorList list;
    list.AddSource(copy, "");
    ASSERT_EQ(list.ReadSource(0), FILE_OK) << log.Text();
    ASSERT_GE(list.GetProjectorCount(), 4u);
    for (size_t i = 0; i < list.GetProjectorCount(); ++i)
        for (const char* name : {"Baud", "Cable", "On", "Off", "SourceVGA", "SourceComposite", "Freeze", "UnFreeze"})
        {
            const ProjectorEntry* e = list.GetProjector(i)->FindEntry(name);
            ASSERT_NE(e, nullptr) << list.GetProjector(i)->GetName() << " " << name;
            CommandBytes bytes;
            EXPECT_TRUE(e->kind == ProjectorEntry::PARAMETER ? !e->value.empty()
                                                              : ParseCommand(e->value.c_str(), &bytes) == 0)
                << list.GetProjector(i)->GetName() << " " << name;
        }
    // Written back: its own bytes without the comment lines, CR LF kept.
    std::istringstream original(ReadWholeFile(MASTER));
    std::string withoutComments, line;
    while (std::getline(original, line))
        if (!line.empty() && line[0] != '#')
            withoutComments += line + "\n";
    ASSERT_EQ(list.WriteSource(0), FILE_OK);
    EXPECT_EQ(ReadWholeFile(copy), withoutComments);
}

TEST(MasterFile, UpdatesFromItsDefaultUrl)
{
    // The default reference URL is this file as a file:// URL: a check and a
    // download from it must pass, which needs the version line first.
    ASSERT_TRUE(curlReady);
    TempDir dir;
    LogRecorder log;
    ProjectorList list;
    list.AddSource(dir.File("AulavoxMaster.txt"), "file://" + MASTER);
    for (bool checkOnly : {true, false})
    {
        FileResult result = StartSourceUpdate(list, 0, checkOnly);
        while (result == UPDATE_RUNNING)
            result = ContinueSourceUpdate(list, 10);
        ASSERT_EQ(result, FILE_OK) << log.Text();
    }
    EXPECT_EQ(list.GetSource(0)->remoteVersion, "1.0");
    EXPECT_EQ(ReadWholeFile(dir.File("AulavoxMaster.txt")), ReadWholeFile(MASTER));
}

} // namespace
