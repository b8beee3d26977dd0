#pragma once

#include "projdefs/resultcodes.h"

#include <cstddef>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

struct UpdateConnection;

// One projector file. All texts are 8-bit.
struct ProjectorSource
{
    std::string fileName;      // local path
    std::string url;           // where the file is updated from; may be empty
    std::string name;          // tag of the entries read from this file (see SourceNameFromFileName)
    std::string version;       // text of the "version:" line as last read
    std::string remoteVersion; // version of the remote file found by the last check or download
};

// A command or a parameter of a projector. `source` is the tag (name) of the
// source the entry belongs to: only entries with a source's tag are written
// to that source's file.
struct ProjectorEntry
{
    enum Kind : int
    {
        PARAMETER = 0, // letter "P" in the file
        COMMAND = 1,   // letter "C" in the file
    };

    std::string source;
    int kind = COMMAND;
    std::string name;
    std::string value; // a command string, stored unparsed
};

// A projector: a name and its entries in order. Entries are owned by the
// projector; pointers to them stay valid until that entry is removed.
class Projector
{
public:
    const std::string& GetName() const { return m_name; }

    size_t GetEntryCount() const { return m_entries.size(); }
    // Null when index is out of range.
    ProjectorEntry* GetEntry(size_t index);
    const ProjectorEntry* GetEntry(size_t index) const;
    // The first entry whose name equals `name` without regard to case (the
    // kind is not compared), or null.
    ProjectorEntry* FindEntry(const std::string& name);
    const ProjectorEntry* FindEntry(const std::string& name) const;
    // Appends a copy of `entry` and returns the stored copy.
    ProjectorEntry* AddEntry(const ProjectorEntry& entry);
    // Out of range or not an entry of this projector: nothing happens.
    void RemoveEntry(size_t index);
    void RemoveEntry(const ProjectorEntry* entry);

private:
    friend class ProjectorList;
    explicit Projector(const std::string& name) : m_name(name) {}

    std::string m_name;
    std::vector<std::unique_ptr<ProjectorEntry>> m_entries;
};

// The projector definitions read from projector files (sources). Every list
// of the program holds at most one source, index 0. Names are compared
// without regard to case and the first match in list order wins.
// Pointers to projectors and sources stay valid until they are removed.
class ProjectorList
{
public:
    ProjectorList();
    // Frees a running update transfer (its temporary file is closed, not deleted).
    ~ProjectorList();
    ProjectorList(const ProjectorList&) = delete;
    ProjectorList& operator=(const ProjectorList&) = delete;

    // Removes all projectors and all sources.
    void Clear();

    // Appends a source named after fileName with empty versions; returns 0.
    int AddSource(const std::string& fileName, const std::string& url);
    size_t GetSourceCount() const { return m_sources.size(); }
    // srcIndex must be 0 and a source must exist.
    ProjectorSource* GetSource(size_t srcIndex);
    const ProjectorSource* GetSource(size_t srcIndex) const;
    // Removes the source's entries (RemoveSourceEntries), then the source.
    void RemoveSource(size_t srcIndex);
    // Removes every entry tagged with the source's name, then every projector
    // left without entries.
    void RemoveSourceEntries(size_t srcIndex);

    // Reads the source's file, replacing the entries read from it before.
    // FILE_OK, FILE_WARNINGS (lines skipped), FILE_OPEN_ERROR (nothing
    // changed) or FILE_FORMAT_ERROR (reading stopped at that line).
    FileResult ReadSource(size_t srcIndex);
    // Writes the source's file: the version line, then every projector with
    // entries of this source and those entries. The file is replaced only
    // when the whole new text has been written; FILE_OK or FILE_OPEN_ERROR
    // (also for a list that would not read back as written, such as an entry
    // name with a comma or a line longer than 1022 characters).
    FileResult WriteSource(size_t srcIndex);

    size_t GetProjectorCount() const { return m_projectors.size(); }
    // Null when index is not below the count.
    Projector* GetProjector(size_t index);
    const Projector* GetProjector(size_t index) const;
    // The first projector whose name equals `name` without regard to case, or null.
    Projector* FindProjector(const std::string& name);
    const Projector* FindProjector(const std::string& name) const;
    // Appends a projector without entries; no duplicate check.
    Projector* AddProjector(const std::string& name);
    // Out of range or not a projector of this list: nothing happens.
    void RemoveProjector(size_t index);
    void RemoveProjector(const Projector* projector);
    // Gives the projector a new name (names are not checked; duplicates allowed).
    void RenameProjector(Projector* projector, const std::string& name);

    // Writes the whole list to standard output, for diagnosis.
    void Dump() const;

    // The running update transfer, owned by the list; null when none runs.
    // Set and cleared by the update functions.
    UpdateConnection* m_conn = nullptr;

private:
    // FindProjector, or AddProjector when there is none, with one look-up.
    Projector* FindOrAddProjector(const std::string& name);
    void IndexAfterRemoval(const std::string& foldedName, const Projector* removed);
    void RebuildIndex();
    void StopUpdateOf(const ProjectorSource* source);

    std::vector<std::unique_ptr<Projector>> m_projectors;
    std::vector<std::unique_ptr<ProjectorSource>> m_sources;
    // Case-folded name -> the first projector of that name in list order.
    std::unordered_map<std::string, Projector*> m_index;
};

// The tag of a source: the file name without its folders ("/" or "\") and
// without the text from its last ".".
std::string SourceNameFromFileName(const std::string& fileName);

// The application's list of the user projector file.
extern ProjectorList* theProjectorList;
