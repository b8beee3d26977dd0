// The reference projector file shipped in data/.
#include "projdefs/parsecommand.h"
#include "projdefs/projectorlist.h"
#include "support/core/log_capture.h"
#include "support/core/temp_dir.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

const std::string MASTER = std::string(KESTO_SOURCE_DIR) + "/data/AulavoxMaster.txt";

TEST(MasterFile, ReadsCleanWithTheStandardCommandsAndParameters)
{
    LogCapture log;
    ProjectorList list;
    list.AddSource(MASTER, "");
    ASSERT_EQ(list.ReadSource(0), FILE_OK);
    EXPECT_TRUE(log.AtLevel(Log::LEVEL_WARNING).empty());
    EXPECT_FALSE(list.GetSource(0)->version.empty());
    ASSERT_GE(list.GetProjectorCount(), 4u);

    for (size_t i = 0; i < list.GetProjectorCount(); ++i)
    {
        const Projector* p = list.GetProjector(i);
        for (const char* name : {"Baud", "Cable"})
        {
            const ProjectorEntry* e = p->FindEntry(name);
            ASSERT_NE(e, nullptr) << p->GetName() << " " << name;
            EXPECT_EQ(e->kind, ProjectorEntry::PARAMETER) << p->GetName() << " " << name;
            EXPECT_FALSE(e->value.empty()) << p->GetName() << " " << name;
        }
        EXPECT_GT(std::stoul(p->FindEntry("Baud")->value), 0u) << p->GetName();
        for (const char* name : {"On", "Off", "SourceVGA", "SourceComposite", "Freeze", "UnFreeze"})
        {
            const ProjectorEntry* e = p->FindEntry(name);
            ASSERT_NE(e, nullptr) << p->GetName() << " " << name;
            EXPECT_EQ(e->kind, ProjectorEntry::COMMAND) << p->GetName() << " " << name;
            CommandBytes bytes;
            EXPECT_EQ(ParseCommand(e->value.c_str(), &bytes), 0) << p->GetName() << " " << name;
            EXPECT_FALSE(bytes.empty()) << p->GetName() << " " << name;
        }
    }
}

TEST(MasterFile, IsInTheWrittenShapeApartFromItsComments)
{
    // Writing the file back gives its own bytes without the comment lines:
    // no entry is lost or changed, and the line ends are CR LF.
    std::istringstream original(ReadWholeFile(MASTER));
    std::string withoutComments, line;
    while (std::getline(original, line))
        if (!line.empty() && line[0] != '#')
            withoutComments += line + "\n";
    ASSERT_FALSE(withoutComments.empty());

    TempDir dir;
    const std::string copy = dir.File("AulavoxMaster.txt");
    ASSERT_TRUE(WriteWholeFile(copy, ReadWholeFile(MASTER)));
    LogCapture log;
    ProjectorList list;
    list.AddSource(copy, "");
    ASSERT_EQ(list.ReadSource(0), FILE_OK);
    ASSERT_EQ(list.WriteSource(0), FILE_OK);
    EXPECT_EQ(ReadWholeFile(copy), withoutComments);
}

} // namespace
