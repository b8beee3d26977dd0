// libFuzzer target: ReadSource on any file content. Besides memory errors it
// checks that every stored value is a valid command, and that writing the
// list and reading it back gives the same projectors and entries (or that
// the write is refused when a line would be too long for the reader).
#include "projdefs/parsecommand.h"
#include "projdefs/projectorlist.h"

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
        if (list.FindProjector(p->GetName()) != p)
            Fail("projector not found by its own name");
        text += p->GetEntryCount() == 0 ? "" : "[" + p->GetName() + "]\n";
        longLine = longLine || (p->GetEntryCount() > 0 && 11 + p->GetName().size() > 1022);
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
    static const std::string path = [] {
        char folder[] = "/tmp/kesto-fuzz-XXXXXX";
        if (mkdtemp(folder) == nullptr)
            Fail("mkdtemp");
        return std::string(folder) + "/Fuzz.txt";
    }();
    if (!std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data), std::streamsize(size)))
        Fail("cannot write the input file");

    ProjectorList list;
    list.AddSource(path, "");
    const FileResult result = list.ReadSource(0);
    if (result != FILE_OK && result != FILE_WARNINGS && result != FILE_FORMAT_ERROR)
        Fail("unexpected result");
    bool longLine = false;
    const std::string before = Describe(list, longLine);
    if (result == FILE_FORMAT_ERROR)
        return 0;
    if (list.WriteSource(0) != (longLine ? FILE_OPEN_ERROR : FILE_OK))
        Fail(longLine ? "a line too long for the reader was written" : "write failed");
    ProjectorList again;
    again.AddSource(path, "");
    if (!longLine && (again.ReadSource(0) != FILE_OK || Describe(again, longLine) != before ||
                      again.GetSource(0)->version != list.GetSource(0)->version))
        Fail("the written file does not read back clean and the same");
    return 0;
}
