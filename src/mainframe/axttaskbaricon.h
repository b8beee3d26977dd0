#pragma once

#include <wx/taskbar.h>

#include <cstdint>

// One row of a tray menu table. Row 0 gives the menu's title; the rows after
// it are the entries, up to the first row without text. A row one level
// deeper than the one before opens a submenu labelled with its text; a
// shallower row closes submenus back to its level; an empty text is a
// separator.
struct TrayMenuRow
{
    uint32_t level;
    const wchar_t* text;
    int32_t id;
};

// The tray icon; its pop-up menu is built from a static table each time it
// is asked for.
class AxtTaskBarIcon : public wxTaskBarIcon
{
public:
    static constexpr int MAX_MENU_DEPTH = 7;

    // The table is not copied: it must outlive the icon.
    bool SetMenuTable(const TrayMenuRow* table);
    // A new menu for the toolkit to show and delete; null without a table.
    wxMenu* CreatePopupMenu() override;

private:
    const TrayMenuRow* m_menuTable = nullptr;
};
