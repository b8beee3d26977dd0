#pragma once

#include <cstddef>
#include <string>

// Where the search for the version line at the head of the remote file stands.
enum class VersionHead
{
    INCOMPLETE, // not enough data yet
    FOUND,      // the version was read
    MISSING,    // the data does not start with a version line
};

// The version line must end within this many bytes of the start.
constexpr size_t MAX_VERSION_HEAD = 1024;

// Looks at the start of the remote file for its "version:" line and puts
// what follows it into version when FOUND.
// atEnd: no more data will come, so an unfinished line ends here.
VersionHead ParseVersionHead(const std::string& head, bool atEnd, std::string& version);

// Compares two dotted version numbers ("1.10" is newer than "1.9", "1.2" is
// older than "1.2.0"): 1 when a is newer, -1 when b is newer, 0 when equal.
// Where both continue with a character that is neither a digit nor a dot the
// rest of the two texts is compared as plain text.
int CompareVersions(const std::string& a, const std::string& b);
