#pragma once

#include "projdefs/resultcodes.h"

#include <string>

class ProjectorList;

// Starts a version check (checkOnly) or a download of source srcIndex (0)
// of the list from its URL. Usually returns UPDATE_RUNNING: the caller then
// calls ContinueSourceUpdate until the result is something else. Every
// failure is logged at level Error. FILE_OPEN_ERROR, UPDATE_NO_URL,
// UPDATE_BUSY or UPDATE_INIT_ERROR when it cannot start.
FileResult StartSourceUpdate(ProjectorList& list, unsigned srcIndex, bool checkOnly);

// Advances the running transfer, waiting at most waitMs for network activity;
// UPDATE_RUNNING while it goes on, FILE_OK when it ended well. Errors:
// FILE_FORMAT_ERROR (no version line at the head of the remote file),
// UPDATE_TRANSFER_ERROR, UPDATE_WAIT_ERROR, UPDATE_MOVE_ERROR, FILE_OPEN_ERROR
// (the temporary file could not be written).
// When it ends: after a check the source's remoteVersion holds the remote
// version; after a download the local file has been replaced by the complete
// remote file and the source's version equals its remoteVersion. On failure
// the local file is as it was and no temporary file is left.
FileResult ContinueSourceUpdate(ProjectorList& list, unsigned waitMs);

// Stops the running transfer and removes the temporary file; returns 0.
FileResult CancelSourceUpdate(ProjectorList& list);
