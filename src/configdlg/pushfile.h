#pragma once

#include <string>

// Where "Push" copies the user projector file for a URL: a file URL (its
// %XX escapes decoded) or an absolute path of this machine. Empty when the
// URL names no place here (a web URL, a network path, a drive letter).
std::string PushDestination(const std::string& url);

// Copies `source` over `destination` (through its links, to a regular file
// or a new one) so that a failed copy leaves the old destination whole; a
// read-only destination is refused. The reason of a failure goes to the log.
bool CopyFileReplacing(const std::string& source, const std::string& destination);
