#include "mainframe/axttaskbaricon.h"

#include <wx/menu.h>

bool AxtTaskBarIcon::SetMenuTable(const TrayMenuRow* table)
{
    m_menuTable = table;
    return true;
}

wxMenu* AxtTaskBarIcon::CreatePopupMenu()
{
    if (m_menuTable == nullptr)
        return nullptr;

    // menus[0] is the menu itself, menus[n] the open submenu of depth n;
    // labels[n] and ids[n] are what that submenu shows in its parent.
    wxMenu* menus[MAX_MENU_DEPTH + 1] = {};
    wxString labels[MAX_MENU_DEPTH + 1];
    int ids[MAX_MENU_DEPTH + 1] = {};
    menus[0] = new wxMenu(m_menuTable[0].text ? wxString(m_menuTable[0].text) : wxString());
    int depth = 0;

    auto closeTo = [&](int target) {
        for (; depth > target; --depth)
            menus[depth - 1]->Append(ids[depth], labels[depth], menus[depth]);
    };

    for (const TrayMenuRow* row = m_menuTable + 1; row->text != nullptr; ++row)
    {
        const int level = row->level > MAX_MENU_DEPTH ? MAX_MENU_DEPTH + 1 : static_cast<int>(row->level);
        if (level == depth + 1 && depth < MAX_MENU_DEPTH)
        {
            ++depth;
            menus[depth] = new wxMenu;
            labels[depth] = row->text;
            ids[depth] = row->id;
            continue;
        }
        if (level < depth)
            closeTo(level);
        if (row->text[0] == L'\0')
            menus[depth]->AppendSeparator();
        else
            menus[depth]->Append(row->id, row->text);
    }
    closeTo(0);
    return menus[0];
}
