#include "configdlg/treeitemdata.h"

ProjectorList* TreeItemData::List() const
{
    return what == PROJECTOR_LIST ? static_cast<ProjectorList*>(object) : nullptr;
}

ProjectorSource* TreeItemData::Source() const
{
    return what == VERSION ? static_cast<ProjectorSource*>(object) : nullptr;
}

Projector* TreeItemData::ProjectorOf() const
{
    return what == PROJECTOR ? static_cast<Projector*>(object) : nullptr;
}

ProjectorEntry* TreeItemData::Entry() const
{
    return what == COMMAND ? static_cast<ProjectorEntry*>(object) : nullptr;
}
