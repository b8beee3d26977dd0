#pragma once

#include <string>

// Where "Push" copies the user projector file for a URL: a file URL or an
// absolute path of this machine. Empty when the URL names no place here (a
// web URL, a network path, a drive letter).
std::string PushDestination(const std::string& url);

// Copies `source` over `destination` through a temporary file in the
// destination's folder that then takes its name, so that a failed copy leaves
// the old destination whole. The reason of a failure goes to the log.
bool CopyFileReplacing(const std::string& source, const std::string& destination);
