// The in-memory projector list: sources, projectors, entries, the name index.
#include "projdefs/projectorlist.h"
#include "projdefs/updateconnection.h"
#include "support/core/log_capture.h"
#include "support/core/temp_dir.h"

#include <gtest/gtest.h>
#include <wx/debug.h>
#include <wx/string.h>

#include <strings.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

TEST(ProjectorList, SourceNamesComeFromTheFileName)
{
    EXPECT_EQ(SourceNameFromFileName("/home/a/User.txt"), "User");
    EXPECT_EQ(SourceNameFromFileName("C:\\Docs\\AulavoxMaster.txt"), "AulavoxMaster");
    EXPECT_EQ(SourceNameFromFileName("a/b\\Ref.v2.txt"), "Ref.v2");
    EXPECT_EQ(SourceNameFromFileName("noext"), "noext");
    EXPECT_EQ(SourceNameFromFileName("dir.d/file"), "file");
    EXPECT_EQ(SourceNameFromFileName(""), "");

    ProjectorList list;
    EXPECT_EQ(list.GetSourceCount(), 0u);
    EXPECT_EQ(list.AddSource("/x/User.txt", "http://h/User.txt"), 0);
    ASSERT_EQ(list.GetSourceCount(), 1u);
    const ProjectorSource* source = list.GetSource(0);
    EXPECT_EQ(source->fileName, "/x/User.txt");
    EXPECT_EQ(source->url, "http://h/User.txt");
    EXPECT_EQ(source->name, "User");
    EXPECT_EQ(source->version, "");
    EXPECT_EQ(source->remoteVersion, "");
}

TEST(ProjectorList, RemoveSourceTakesItsEntriesAndEmptiedProjectors)
{
    ProjectorList list;
    list.AddSource("/x/User.txt", "");
    list.AddProjector("Mine")->AddEntry({"User", ProjectorEntry::COMMAND, "On", "a"});
    Projector* shared = list.AddProjector("Shared");
    shared->AddEntry({"User", ProjectorEntry::COMMAND, "On", "a"});
    shared->AddEntry({"Other", ProjectorEntry::COMMAND, "Off", "b"});
    list.AddProjector("Bare");
    list.RemoveSource(0);
    EXPECT_EQ(list.GetSourceCount(), 0u);
    ASSERT_EQ(list.GetProjectorCount(), 1u);
    EXPECT_EQ(list.GetProjector(0), shared);
    ASSERT_EQ(shared->GetEntryCount(), 1u);
    EXPECT_EQ(shared->GetEntry(0)->name, "Off");
    EXPECT_EQ(list.FindProjector("mine"), nullptr);
    EXPECT_EQ(list.FindProjector("SHARED"), shared);

    list.AddSource("/x/A.txt", "");
    list.Clear();
    EXPECT_EQ(list.GetSourceCount(), 0u);
    EXPECT_EQ(list.GetProjectorCount(), 0u);
    EXPECT_EQ(list.FindProjector("Shared"), nullptr);
}

TEST(ProjectorList, ProjectorsByIndexAndByNameFirstMatchWins)
{
    ProjectorList list;
    Projector* a = list.AddProjector("Epson");
    Projector* b = list.AddProjector("EPSON");
    Projector* c = list.AddProjector("NEC");
    EXPECT_EQ(list.GetProjectorCount(), 3u);
    EXPECT_EQ(list.GetProjector(1), b);
    EXPECT_EQ(list.GetProjector(3), nullptr);
    EXPECT_EQ(list.GetProjector(static_cast<size_t>(-1)), nullptr);
    EXPECT_EQ(list.FindProjector("ePsOn"), a);
    EXPECT_EQ(list.FindProjector("nec"), c);
    EXPECT_EQ(list.FindProjector("NEC "), nullptr);

    list.RemoveProjector(a);
    EXPECT_EQ(list.FindProjector("epson"), b);
    list.RemoveProjector(size_t(7)); // out of range: nothing
    list.RemoveProjector(a);         // no longer in the list: nothing
    EXPECT_EQ(list.GetProjectorCount(), 2u);

    // Renaming moves the projector between names; the earlier one stays first.
    list.RenameProjector(c, "epson");
    EXPECT_EQ(list.FindProjector("EPSON"), b);
    EXPECT_EQ(list.FindProjector("nec"), nullptr);
    list.RenameProjector(b, "Other");
    EXPECT_EQ(list.FindProjector("epson"), c);
    EXPECT_EQ(c->GetName(), "epson");
    list.RemoveProjector(size_t(0));
    EXPECT_EQ(list.FindProjector("other"), nullptr);
    EXPECT_EQ(list.GetProjector(0), c);
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
    // 0xC4 - 0x20 is 0xA4, a byte that a signed "tolower" could confuse.
    EXPECT_EQ(list.FindProjector("\xA4zz"), nullptr);

    utf8->AddEntry({"", ProjectorEntry::COMMAND, "\xC3\x84N", "x"});
    EXPECT_NE(utf8->FindEntry("\xC3\x84n"), nullptr);
    EXPECT_EQ(utf8->FindEntry("\xC3\xA4n"), nullptr);
}

TEST(ProjectorList, EntriesByIndexAndByName)
{
    ProjectorList list;
    Projector* p = list.AddProjector("P");
    ProjectorEntry* first = p->AddEntry({"User", ProjectorEntry::PARAMETER, "Freeze", "1"});
    ProjectorEntry* second = p->AddEntry({"User", ProjectorEntry::COMMAND, "FREEZE", "2"});
    // The stored copies stay where they are while more entries come.
    for (int i = 0; i < 100; ++i)
        p->AddEntry({"User", ProjectorEntry::COMMAND, "E" + std::to_string(i), ""});
    EXPECT_EQ(p->GetEntry(0), first);
    EXPECT_EQ(first->value, "1");
    EXPECT_EQ(p->FindEntry("freeze"), first); // kind is not compared
    EXPECT_EQ(p->GetEntry(102), nullptr);
    EXPECT_EQ(p->FindEntry("Freeze "), nullptr);

    p->RemoveEntry(first);
    EXPECT_EQ(p->FindEntry("Freeze"), second);
    p->RemoveEntry(first); // gone already: nothing
    p->RemoveEntry(size_t(500));
    EXPECT_EQ(p->GetEntryCount(), 101u);
    p->RemoveEntry(size_t(0));
    EXPECT_EQ(p->FindEntry("freeze"), nullptr);
    EXPECT_EQ(p->GetEntry(0)->name, "E0");
}

TEST(ProjectorList, DumpShowsEveryProjectorAndEntry)
{
    ProjectorList list;
    Projector* p = list.AddProjector("Epson");
    p->AddEntry({"User", ProjectorEntry::COMMAND, "On", "PWR ON<cr>"});
    p->AddEntry({"Other", ProjectorEntry::PARAMETER, "Baud", "9600"});
    list.AddProjector("Empty");
    testing::internal::CaptureStdout();
    list.Dump();
    fflush(stdout);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "vvvv DUMP vvvv\n"
                                                      "projector: Epson\n"
                                                      " [C] [On] [PWR ON<cr>]\n"
                                                      " [P] [Baud] [9600]\n"
                                                      "projector: Empty\n"
                                                      "^^^^ DUMP ^^^^\n");
}

std::vector<std::string> theAssertions;

void RecordAssertion(const wxString&, int, const wxString&, const wxString& cond, const wxString&)
{
    theAssertions.push_back(cond.ToStdString());
}

TEST(ProjectorList, SourceIndexOtherThanZeroIsAProgrammingError)
{
    ProjectorList list;
    list.AddSource("/x/A.txt", "");
    list.AddSource("/x/B.txt", "");
    theAssertions.clear();
    wxAssertHandler_t previous = wxSetAssertHandler(RecordAssertion);
    const ProjectorSource* source = list.GetSource(1);
    ProjectorList empty;
    const ProjectorSource* none = empty.GetSource(0);
    const FileResult read = empty.ReadSource(0);
    wxSetAssertHandler(previous);
    EXPECT_EQ(source, list.GetSource(0)); // the first source all the same
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(read, FILE_OPEN_ERROR);
    EXPECT_EQ(theAssertions, (std::vector<std::string>{"srcIndex == 0", "!m_sources.empty()", "!m_sources.empty()"}));
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
        case 1:
            list.AddProjector(name)->AddEntry({random() % 2 ? "S" : "T", ProjectorEntry::COMMAND, "x", ""});
            break;
        case 2:
            list.AddProjector(name); // no entries: RemoveSourceEntries drops it
            break;
        case 3:
            if (count > 0)
                list.RemoveProjector(size_t(random() % count));
            break;
        case 4:
            if (count > 0)
                list.RenameProjector(list.GetProjector(random() % count), name);
            break;
        case 5:
            if (random() % 8 == 0)
                list.RemoveSourceEntries(0);
            break;
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
}

// A transfer in progress, as the update engine leaves it between steps.
UpdateConnection* StartedConnection(ProjectorSource* source, const std::string& tmpName)
{
    UpdateConnection* conn = new UpdateConnection;
    conn->easy = curl_easy_init();
    conn->multi = curl_multi_init();
    EXPECT_NE(conn->easy, nullptr);
    EXPECT_NE(conn->multi, nullptr);
    EXPECT_EQ(curl_easy_setopt(conn->easy, CURLOPT_URL, "http://127.0.0.1:9/none"), CURLE_OK);
    EXPECT_EQ(curl_multi_add_handle(conn->multi, conn->easy), CURLM_OK);
    conn->tmpName = tmpName;
    conn->file = fopen(tmpName.c_str(), "wb");
    EXPECT_NE(conn->file, nullptr);
    if (conn->file != nullptr)
    {
        EXPECT_GE(fputs("version: 2\n", conn->file), 0); // stays in the stdio buffer until closed
    }
    conn->source = source;
    return conn;
}

TEST(ProjectorList, DestroyingTheListFreesARunningTransferAndKeepsItsFile)
{
    TempDir dir;
    LogCapture log;
    const std::string tmpName = dir.File("User.txt.tmp");
    {
        ProjectorList list;
        list.AddSource(dir.File("User.txt"), "http://127.0.0.1:9/none");
        list.m_conn = StartedConnection(list.GetSource(0), tmpName);
    }
    // Closed (the buffered text reached the file) but not deleted.
    EXPECT_EQ(ReadWholeFile(tmpName), "version: 2\n");
    EXPECT_TRUE(log.AtLevel(Log::LEVEL_WARNING).empty());
}

TEST(ProjectorList, RemovingTheSourceOfARunningTransferStopsIt)
{
    TempDir dir;
    LogCapture log;
    ProjectorList list;
    list.AddSource(dir.File("User.txt"), "http://127.0.0.1:9/none");
    list.m_conn = StartedConnection(list.GetSource(0), dir.File("User.txt.tmp"));
    list.Clear();
    EXPECT_EQ(list.m_conn, nullptr);
    EXPECT_EQ(log.AtLevel(Log::LEVEL_WARNING),
              std::vector<std::string>{"update of file '" + dir.File("User.txt") + "' stopped: its source was removed"});
    EXPECT_EQ(ReadWholeFile(dir.File("User.txt.tmp")), "version: 2\n");
    FreeUpdateConnection(nullptr); // accepted
}

} // namespace
