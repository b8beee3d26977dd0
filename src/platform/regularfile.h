#pragma once

#include <wx/string.h>

#include <cstddef>
#include <string>
#include <sys/types.h>

// Opens a path for reading without ever waiting on it: the open itself is
// non-blocking, so a named pipe or a device cannot stall the caller, and only
// a regular file is accepted. On success the descriptor is returned in blocking
// mode with close-on-exec set; the caller closes it. On failure -1 is returned
// and `reason` says why in words fit for a message ("it is a named pipe, not
// a regular file", "No such file or directory", ...); the path is not part of it.
int OpenRegularFileForReading(const wxString& path, wxString& reason);
// The same for a path given as the file system's bytes.
int OpenRegularFileForReading(const char* path, std::string& reason);

// Why a file of this kind is no regular file, in the words of the reasons
// above ("it is a named pipe, not a regular file", ...).
const char* NotRegularFileReason(mode_t mode);

// Reads a whole regular file opened as above. A file larger than `maxBytes`
// is refused rather than cut short. Returns false with `reason` set on failure.
bool ReadRegularFile(const wxString& path, std::string& contents, wxString& reason,
                     std::size_t maxBytes = 64 * 1024 * 1024);
bool ReadRegularFile(const char* path, std::string& contents, std::string& reason,
                     std::size_t maxBytes = 64 * 1024 * 1024);
