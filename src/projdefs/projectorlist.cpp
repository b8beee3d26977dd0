#include "projdefs/projectorlist.h"

#include "projdefs/logprint.h"
#include "projdefs/nocase.h"
#include "projdefs/updateconnection.h"

#include <wx/debug.h>

#include <algorithm>
#include <cstdio>

ProjectorList* theProjectorList = nullptr;

// ---- Projector ----

ProjectorEntry* Projector::GetEntry(size_t index)
{
    return index < m_entries.size() ? m_entries[index].get() : nullptr;
}

const ProjectorEntry* Projector::GetEntry(size_t index) const
{
    return index < m_entries.size() ? m_entries[index].get() : nullptr;
}

ProjectorEntry* Projector::FindEntry(const std::string& name)
{
    for (const auto& entry : m_entries)
        if (EqualsNoCase(entry->name, name))
            return entry.get();
    return nullptr;
}

const ProjectorEntry* Projector::FindEntry(const std::string& name) const
{
    return const_cast<Projector*>(this)->FindEntry(name);
}

ProjectorEntry* Projector::AddEntry(const ProjectorEntry& entry)
{
    m_entries.push_back(std::make_unique<ProjectorEntry>(entry));
    return m_entries.back().get();
}

void Projector::RemoveEntry(size_t index)
{
    if (index < m_entries.size())
        m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(index));
}

void Projector::RemoveEntry(const ProjectorEntry* entry)
{
    auto it = std::find_if(m_entries.begin(), m_entries.end(),
                           [entry](const std::unique_ptr<ProjectorEntry>& e) { return e.get() == entry; });
    if (it != m_entries.end())
        m_entries.erase(it);
}

// ---- ProjectorList: sources ----

std::string SourceNameFromFileName(const std::string& fileName)
{
    const size_t slash = fileName.find_last_of("/\\");
    std::string name = (slash == std::string::npos) ? fileName : fileName.substr(slash + 1);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos)
        name.erase(dot);
    return name;
}

ProjectorList::ProjectorList() = default;

ProjectorList::~ProjectorList()
{
    FreeUpdateConnection(m_conn);
    m_conn = nullptr;
}

void ProjectorList::StopUpdateOf(const ProjectorSource* source)
{
    // A running transfer points at its source: it cannot outlive it.
    if (m_conn == nullptr || m_conn->source != source)
        return;
    LOG_PRINT(Log::LEVEL_WARNING, "update of file '%s' stopped: its source was removed", source->fileName.c_str());
    FreeUpdateConnection(m_conn);
    m_conn = nullptr;
}

void ProjectorList::Clear()
{
    for (const auto& source : m_sources)
        StopUpdateOf(source.get());
    m_projectors.clear();
    m_sources.clear();
    m_index.clear();
}

int ProjectorList::AddSource(const std::string& fileName, const std::string& url)
{
    auto source = std::make_unique<ProjectorSource>();
    source->fileName = fileName;
    source->url = url;
    source->name = SourceNameFromFileName(fileName);
    m_sources.push_back(std::move(source));
    return 0;
}

ProjectorSource* ProjectorList::GetSource(size_t srcIndex)
{
    wxASSERT_MSG(srcIndex == 0, "srcIndex == 0");
    wxASSERT_MSG(!m_sources.empty(), "!m_sources.empty()");
    return m_sources.empty() ? nullptr : m_sources.front().get();
}

const ProjectorSource* ProjectorList::GetSource(size_t srcIndex) const
{
    return const_cast<ProjectorList*>(this)->GetSource(srcIndex);
}

void ProjectorList::RemoveSource(size_t srcIndex)
{
    ProjectorSource* source = GetSource(srcIndex);
    if (source == nullptr)
        return;
    RemoveSourceEntries(srcIndex);
    StopUpdateOf(source);
    m_sources.erase(m_sources.begin());
}

void ProjectorList::RemoveSourceEntries(size_t srcIndex)
{
    const ProjectorSource* source = GetSource(srcIndex);
    if (source == nullptr)
        return;
    const std::string& tag = source->name;

    for (auto& projector : m_projectors)
    {
        auto& entries = projector->m_entries;
        entries.erase(std::remove_if(entries.begin(), entries.end(),
                                     [&tag](const std::unique_ptr<ProjectorEntry>& e) { return e->source == tag; }),
                      entries.end());
    }
    const size_t before = m_projectors.size();
    m_projectors.erase(std::remove_if(m_projectors.begin(), m_projectors.end(),
                                      [](const std::unique_ptr<Projector>& p) { return p->m_entries.empty(); }),
                       m_projectors.end());
    if (m_projectors.size() != before)
        RebuildIndex();
}

// ---- ProjectorList: projectors ----

Projector* ProjectorList::GetProjector(size_t index)
{
    return index < m_projectors.size() ? m_projectors[index].get() : nullptr;
}

const Projector* ProjectorList::GetProjector(size_t index) const
{
    return index < m_projectors.size() ? m_projectors[index].get() : nullptr;
}

Projector* ProjectorList::FindProjector(const std::string& name)
{
    auto it = m_index.find(FoldNoCase(name));
    return it == m_index.end() ? nullptr : it->second;
}

const Projector* ProjectorList::FindProjector(const std::string& name) const
{
    return const_cast<ProjectorList*>(this)->FindProjector(name);
}

Projector* ProjectorList::AddProjector(const std::string& name)
{
    m_projectors.push_back(std::unique_ptr<Projector>(new Projector(name)));
    Projector* projector = m_projectors.back().get();
    m_index.emplace(FoldNoCase(name), projector); // an earlier projector of that name stays first
    return projector;
}

Projector* ProjectorList::FindOrAddProjector(const std::string& name)
{
    auto found = m_index.try_emplace(FoldNoCase(name), nullptr);
    if (found.second)
    {
        m_projectors.push_back(std::unique_ptr<Projector>(new Projector(name)));
        found.first->second = m_projectors.back().get();
    }
    return found.first->second;
}

void ProjectorList::RemoveProjector(size_t index)
{
    if (index >= m_projectors.size())
        return;
    std::unique_ptr<Projector> removed = std::move(m_projectors[index]);
    m_projectors.erase(m_projectors.begin() + static_cast<std::ptrdiff_t>(index));
    IndexAfterRemoval(FoldNoCase(removed->m_name), removed.get());
}

void ProjectorList::RemoveProjector(const Projector* projector)
{
    for (size_t i = 0; i < m_projectors.size(); ++i)
        if (m_projectors[i].get() == projector)
        {
            RemoveProjector(i);
            return;
        }
}

void ProjectorList::RenameProjector(Projector* projector, const std::string& name)
{
    wxASSERT_MSG(projector != nullptr, "projector != NULL");
    if (projector == nullptr)
        return;
    projector->m_name = name;
    // Which projector comes first under the old and the new name depends on
    // list order; renames are rare, so simply index everything again.
    RebuildIndex();
}

void ProjectorList::IndexAfterRemoval(const std::string& foldedName, const Projector* removed)
{
    auto it = m_index.find(foldedName);
    if (it == m_index.end() || it->second != removed)
        return; // the removed projector was not the first of its name
    for (const auto& projector : m_projectors)
        if (EqualsNoCase(projector->m_name, foldedName))
        {
            it->second = projector.get();
            return;
        }
    m_index.erase(it);
}

void ProjectorList::RebuildIndex()
{
    m_index.clear();
    for (const auto& projector : m_projectors)
        m_index.emplace(FoldNoCase(projector->m_name), projector.get());
}

void ProjectorList::Dump() const
{
    printf("vvvv DUMP vvvv\n");
    for (const auto& projector : m_projectors)
    {
        printf("projector: %s\n", projector->m_name.c_str());
        for (const auto& entry : projector->m_entries)
            printf(" [%c] [%s] [%s]\n", entry->kind == ProjectorEntry::COMMAND ? 'C' : 'P', entry->name.c_str(),
                   entry->value.c_str());
    }
    printf("^^^^ DUMP ^^^^\n");
}
