#pragma once

#include <wx/string.h>

#include <string>
#include <sys/types.h>

// The file a path finally names: symbolic links are followed, a link whose
// target does not exist yet included, so that writing the result writes
// through the links. Returns "" with reason set on a loop of links or an
// unreadable link.
wxString FinalLinkTarget(const wxString& path, wxString& reason);

// Replaces the file at path (after FinalLinkTarget) with contents as one
// step: a temporary file beside it is written, synced, given the mode and
// renamed over it. A reader sees the old file whole or the new one whole; a
// failure leaves the old file and no temporary file. Returns false with
// reason set on failure.
bool ReplaceFile(const wxString& path, const std::string& contents, mode_t mode, wxString& reason);

// Removes the temporary files that ReplaceFile left beside path's final
// target when a run was killed in the middle. Returns how many it removed.
int RemoveStaleReplacements(const wxString& path);
