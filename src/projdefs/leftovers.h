#pragma once

#include <string>

// Removes the temporary files of the projector file `fileName` that a run
// killed in the middle of a save or a download left behind (beside the file
// its links lead to; FileReplacement's names, regular files only). Only at
// start-up, before any save or download of the file can run. Each removal is
// logged at Info; a failure at Warning.
void RemoveLeftoverTemporaries(const std::string& fileName);
