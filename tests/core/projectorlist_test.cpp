// The in-memory projector list: sources, projectors, entries, the name index.
#include "projdefs/projectorlist.h"

#include <gtest/gtest.h>
#include <wx/debug.h>
#include <wx/string.h>

#include <strings.h>

#include <random>

namespace {

TEST(ProjectorList, SourcesEntriesAndWhatRemovingASourceTakes)
{
    for (auto [file, name] : {std::pair{"/home/a/User.txt", "User"}, {"C:\\Docs\\Ref.v2.txt", "Ref.v2"},
                              {"dir.d/noext", "noext"}, {"", ""}})
        EXPECT_EQ(SourceNameFromFileName(file), name) << file;
    ProjectorList list;
    list.AddSource("/x/User.txt", "");
    list.AddProjector("Mine")->AddEntry({"User", ProjectorEntry::COMMAND, "On", "a"});
    Projector* shared = list.AddProjector("Shared");
    ProjectorEntry* first = shared->AddEntry({"User", ProjectorEntry::PARAMETER, "Freeze", "1"});
    for (int i = 0; i < 100; ++i) // the stored entries stay where they are
        shared->AddEntry({"Other", i % 2 ? ProjectorEntry::COMMAND : ProjectorEntry::PARAMETER, "E" + std::to_string(i), ""});
    EXPECT_EQ(shared->FindEntry("FREEZE"), first);
    EXPECT_EQ(shared->GetEntry(0), first);
    EXPECT_EQ(shared->GetEntry(101), nullptr);
    shared->RemoveEntry(size_t(500));
    shared->RemoveEntry(size_t(1));
    EXPECT_EQ(shared->GetEntry(1)->name, "E1");
    list.AddProjector("Bare");
    list.RemoveSource(0);
    ASSERT_EQ(list.GetProjectorCount(), 1u);
    EXPECT_EQ(list.FindProjector("SHARED"), shared);
    EXPECT_EQ(shared->FindEntry("Freeze"), nullptr);
    EXPECT_EQ(shared->GetEntryCount(), 99u);
    shared->RemoveEntry(shared->GetEntry(0));
    EXPECT_EQ(shared->GetEntry(0)->name, "E2");

    testing::internal::CaptureStdout();
    list.Dump();
    fflush(stdout);
    const std::string dump = testing::internal::GetCapturedStdout();
    EXPECT_EQ(dump.rfind("vvvv DUMP vvvv\nprojector: Shared\n [P] [E2] []\n [C] [E3] []\n", 0), 0u) << dump;
    EXPECT_EQ(dump.substr(dump.size() - 29), " [C] [E99] []\n^^^^ DUMP ^^^^\n");
}

TEST(ProjectorList, OnlyAsciiLettersAreFolded)
{
    ProjectorList list;
    Projector* utf8 = list.AddProjector("\xC3\x84lpha"); // "Älpha" in UTF-8
    Projector* latin1 = list.AddProjector("\xC4ZZ");     // "ÄZZ" in Latin-1
    EXPECT_EQ(list.FindProjector("\xC3\x84LPHA"), utf8);
    EXPECT_EQ(list.FindProjector("\xC3\xA4lpha"), nullptr); // "ä": another byte
    EXPECT_EQ(list.FindProjector("\xC4zz"), latin1);
    EXPECT_EQ(list.FindProjector("\xE4zz"), nullptr);
    EXPECT_EQ(list.FindProjector("\xA4zz"), nullptr); // 0xC4 - 0x20: a signed tolower could confuse it
    utf8->AddEntry({"", ProjectorEntry::COMMAND, "\xC3\x84N", "x"});
    EXPECT_EQ(utf8->FindEntry("\xC3\xA4n"), nullptr);
}

// The index must always give what a scan of the list in order gives.
TEST(ProjectorList, NameIndexAgreesWithAScanUnderRandomEdits)
{
    const std::vector<std::string> names = {"a", "A", "b", "B", "c", "Ab", "aB"};
    std::mt19937 random(7);
    ProjectorList list;
    list.AddSource("/x/S.txt", "");
    for (int step = 0; step < 3000; ++step)
    {
        const size_t count = list.GetProjectorCount();
        const std::string& name = names[random() % names.size()];
        switch (random() % 6)
        {
        case 0:
        case 1: list.AddProjector(name)->AddEntry({random() % 2 ? "S" : "T", ProjectorEntry::COMMAND, "x", ""}); break;
        case 2: list.AddProjector(name); break; // no entries: RemoveSourceEntries drops it
        case 3: list.RemoveProjector(count > 0 ? size_t(random() % count) : 7); break;
        case 4: if (count > 0) list.RenameProjector(list.GetProjector(random() % count), name); break;
        case 5: if (random() % 8 == 0) list.RemoveSourceEntries(0); break;
        }
        for (const std::string& asked : names)
        {
            const Projector* expected = nullptr;
            for (size_t i = 0; i < list.GetProjectorCount() && expected == nullptr; ++i)
                if (strcasecmp(list.GetProjector(i)->GetName().c_str(), asked.c_str()) == 0)
                    expected = list.GetProjector(i);
            ASSERT_EQ(list.FindProjector(asked), expected) << "step " << step << " name " << asked;
        }
    }
    list.RemoveProjector(list.GetProjector(0));
    list.Clear();
    EXPECT_EQ(list.FindProjector("a"), nullptr);
}

std::vector<std::string> theAssertions;

TEST(ProjectorList, SourceIndexOtherThanZeroIsAProgrammingError)
{
    ProjectorList list, empty;
    list.AddSource("/x/A.txt", "");
    list.AddSource("/x/B.txt", "");
    theAssertions.clear();
    wxAssertHandler_t previous = wxSetAssertHandler([](const wxString&, int, const wxString&, const wxString& cond,
                                                       const wxString&) { theAssertions.push_back(cond.ToStdString()); });
    EXPECT_EQ(list.GetSource(1), list.GetSource(0)); // the first source all the same
    EXPECT_EQ(empty.ReadSource(0), FILE_OPEN_ERROR);
    wxSetAssertHandler(previous);
    EXPECT_EQ(theAssertions, (std::vector<std::string>{"srcIndex == 0", "!m_sources.empty()"}));
}

} // namespace
