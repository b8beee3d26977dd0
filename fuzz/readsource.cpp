// libFuzzer target: ReadSource on any file content. Besides memory errors it
// checks that every stored value is a valid command, and that writing the
// list and reading it back gives the same projectors and entries (or that
// the write is refused when a line would be too long for the reader).
#include "projdefs/parsecommand.h"
#include "projdefs/projectorlist.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

void Fail(const char* what)
{
    fprintf(stderr, "fuzz-readsource: %s\n", what);
    abort();
}

// A file in a folder of this process; tmpfs when there is one.
const std::string& FilePath()
{
    static const std::string path = [] {
        std::string pattern = access("/dev/shm", W_OK) == 0 ? "/dev/shm/kesto-fuzz-XXXXXX" : "/tmp/kesto-fuzz-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr)
            Fail("mkdtemp");
        return pattern + "/Fuzz.txt";
    }();
    return path;
}

// The projectors that have entries, with their entries, as one text; and
// whether a line of the written file would be longer than the reader's
// 1022-character pieces (the writer refuses such a list).
std::string Describe(ProjectorList& list, bool& longLine)
{
    std::string text;
    longLine = 9 + list.GetSource(0)->version.size() > 1022;
    for (size_t i = 0; i < list.GetProjectorCount(); ++i)
    {
        const Projector* p = list.GetProjector(i);
        if (p->GetEntryCount() == 0)
            continue;
        text += "[" + p->GetName() + "]\n";
        longLine = longLine || 11 + p->GetName().size() > 1022;
        for (size_t j = 0; j < p->GetEntryCount(); ++j)
        {
            const ProjectorEntry* e = p->GetEntry(j);
            if (ParseCommand(e->value.c_str()) != 0)
                Fail("stored value is no valid command");
            text += std::to_string(e->kind) + "|" + e->name + "|" + e->value + "\n";
            longLine = longLine || 5 + e->name.size() + e->value.size() > 1022;
        }
    }
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string& path = FilePath();
    if (!std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data), std::streamsize(size)))
        Fail("cannot write the input file");

    ProjectorList list;
    list.AddSource(path, "");
    const FileResult result = list.ReadSource(0);
    if (result != FILE_OK && result != FILE_WARNINGS && result != FILE_FORMAT_ERROR)
        Fail("unexpected result");
    for (size_t i = 0; i < list.GetProjectorCount(); ++i)
        if (list.FindProjector(list.GetProjector(i)->GetName()) == nullptr)
            Fail("projector not found by its own name");
    bool longLine = false;
    const std::string before = Describe(list, longLine);
    if (result == FILE_FORMAT_ERROR)
        return 0;

    const FileResult written = list.WriteSource(0);
    if (written != (longLine ? FILE_OPEN_ERROR : FILE_OK))
        Fail(longLine ? "a line too long for the reader was written" : "write failed");
    if (longLine)
        return 0;
    ProjectorList again;
    again.AddSource(path, "");
    if (again.ReadSource(0) != FILE_OK)
        Fail("written file does not read clean");
    if (Describe(again, longLine) != before || again.GetSource(0)->version != list.GetSource(0)->version)
        Fail("round trip changed the list");
    return 0;
}
