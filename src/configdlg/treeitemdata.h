#pragma once

#include <wx/treebase.h>

#include <cstdint>

class Projector;
class ProjectorList;
struct ProjectorEntry;
struct ProjectorSource;

// The payload of a node of the configuration dialog's projector trees: what
// the node stands for and the model object, which the node does not own.
class TreeItemData : public wxTreeItemData
{
public:
    enum : int32_t
    {
        PROJECTOR_LIST = 0, // the root: the tree's ProjectorList
        VERSION = 1,        // first child of the root: source 0 (ProjectorSource)
        PROJECTOR = 2,      // child of the root: a Projector
        COMMAND = 3,        // child of a projector: a ProjectorEntry of kind command
    };

    TreeItemData(int32_t kind, void* model) : what(kind), object(model) {}

    // The object as the kind says, or null for another kind.
    ProjectorList* List() const;
    ProjectorSource* Source() const;
    Projector* ProjectorOf() const;
    ProjectorEntry* Entry() const;

    int32_t what;
    void* object;
};
