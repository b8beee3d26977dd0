#pragma once

#include <wx/string.h>

// The files installed with the program: share/aulavox-kesto beside the
// bin/ folder that holds the executable (/usr/bin/aulavox-kesto gives
// /usr/share/aulavox-kesto). Empty when the executable does not lie in a
// bin/ folder, as in a build tree.
wxString InstalledDataFolder();
wxString InstalledDataFolderOf(const wxString& executablePath);

// The folder below which the pictures (images/*.png) are read: the working
// folder when its images/ holds any PNG file, else the installed folder
// when its images/ does; otherwise the working folder, as before.
wxString PictureBaseFolder(const wxString& workingFolder, const wxString& installedFolder);

// The folder whose data/AulavoxMaster.txt the default reference URL names:
// the working folder when it has that file, else the installed folder
// when it has it; otherwise the working folder.
wxString ShippedDataBaseFolder(const wxString& workingFolder, const wxString& installedFolder);
