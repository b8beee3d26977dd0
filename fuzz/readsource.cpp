// libFuzzer target: ReadSource on any file content. Besides memory errors it
// checks that every stored value is a valid command, and that writing the
// list and reading it back gives the same projectors and entries (or that
// the write is refused when a line would be too long for the reader).
#include "log/log.h"
#include "projdefs/parsecommand.h"
#include "projdefs/projectorlist.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void Fail(const char* what)
{
    fprintf(stderr, "fuzz-readsource: %s\n", what);
    abort();
}

// A folder of this process for the file under test; tmpfs when there is one.
const std::string& FilePath()
{
    static std::string path;
    if (path.empty())
    {
        std::string pattern = access("/dev/shm", W_OK) == 0 ? "/dev/shm/kesto-fuzz-XXXXXX" : "/tmp/kesto-fuzz-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr)
            Fail("mkdtemp");
        path = pattern + "/Fuzz.txt";
    }
    return path;
}

bool WriteFile(const std::string& path, const uint8_t* data, size_t size)
{
    FILE* file = fopen(path.c_str(), "wb");
    if (file == nullptr)
        return false;
    bool ok = fwrite(data, 1, size, file) == size;
    return fclose(file) == 0 && ok;
}

// The projectors that have entries, with their entries, as one text.
std::string Describe(ProjectorList& list)
{
    std::string text;
    for (size_t i = 0; i < list.GetProjectorCount(); ++i)
    {
        const Projector* p = list.GetProjector(i);
        if (p->GetEntryCount() == 0)
            continue;
        text += "[" + p->GetName() + "]\n";
        for (size_t j = 0; j < p->GetEntryCount(); ++j)
        {
            const ProjectorEntry* e = p->GetEntry(j);
            text += std::to_string(e->kind) + "|" + e->name + "|" + e->value + "\n";
        }
    }
    return text;
}

// Whether any line of the written file would be longer than the reader's
// 1022-character pieces: the writer refuses such a list.
bool NeedsLongLine(ProjectorList& list)
{
    const ProjectorSource* source = list.GetSource(0);
    if (9 + source->version.size() > 1022)
        return true;
    for (size_t i = 0; i < list.GetProjectorCount(); ++i)
    {
        const Projector* p = list.GetProjector(i);
        if (p->GetEntryCount() > 0 && 11 + p->GetName().size() > 1022)
            return true;
        for (size_t j = 0; j < p->GetEntryCount(); ++j)
            if (5 + p->GetEntry(j)->name.size() + p->GetEntry(j)->value.size() > 1022)
                return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string& path = FilePath();
    if (!WriteFile(path, data, size))
        Fail("cannot write the input file");

    ProjectorList list;
    list.AddSource(path, "");
    const FileResult result = list.ReadSource(0);
    if (result != FILE_OK && result != FILE_WARNINGS && result != FILE_FORMAT_ERROR)
        Fail("unexpected result");
    for (size_t i = 0; i < list.GetProjectorCount(); ++i)
    {
        const Projector* p = list.GetProjector(i);
        if (list.FindProjector(p->GetName()) == nullptr)
            Fail("projector not found by its own name");
        for (size_t j = 0; j < p->GetEntryCount(); ++j)
        {
            const ProjectorEntry* e = p->GetEntry(j);
            if (ParseCommand(e->value.c_str()) != 0)
                Fail("stored value is no valid command");
            if (e->kind != ProjectorEntry::COMMAND && e->kind != ProjectorEntry::PARAMETER)
                Fail("bad kind");
        }
    }
    if (result == FILE_FORMAT_ERROR)
        return 0;

    const std::string before = Describe(list);
    const FileResult written = list.WriteSource(0);
    if (NeedsLongLine(list))
    {
        if (written != FILE_OPEN_ERROR)
            Fail("a line too long for the reader was written");
        return 0;
    }
    if (written != FILE_OK)
        Fail("write failed");
    ProjectorList again;
    again.AddSource(path, "");
    if (again.ReadSource(0) != FILE_OK)
        Fail("written file does not read clean");
    if (Describe(again) != before)
        Fail("round trip changed the list");
    if (again.GetSource(0)->version != list.GetSource(0)->version)
        Fail("round trip changed the version");
    return 0;
}
