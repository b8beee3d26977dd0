#pragma once

#include <string>

// A projector file is replaced through a temporary file beside it: a save
// writes fileName + SAVE_SUFFIX, a download fileName + DOWNLOAD_SUFFIX.
constexpr const char* SAVE_SUFFIX = ".new";
constexpr const char* DOWNLOAD_SUFFIX = ".tmp";

// Removes the temporary files of the projector file `fileName` that a run
// killed in the middle of a save or a download left behind. Only at
// start-up, before any save or download of the file can run. Each removal
// is logged at Info; a failure at Warning.
void RemoveLeftoverTemporaries(const std::string& fileName);
