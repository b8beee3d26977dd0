#pragma once

#include "platform/replacefile.h"

#include <curl/curl.h>

#include <cstddef>
#include <memory>
#include <string>

struct ProjectorSource;

// Where the search for the version line at the head of the remote file stands.
enum class VersionHead
{
    INCOMPLETE, // not enough data yet
    FOUND,      // the source's remoteVersion holds it
    MISSING,    // the data does not start with a version line
};

// A running check or download of one projector file. The ProjectorList that
// started it holds it as m_conn until the transfer ends or is cancelled.
struct UpdateConnection
{
    // The version line must end within this many bytes of the start.
    static constexpr size_t MAX_HEAD = 1024;
    // The most a transfer takes in: a check needs only the version line, a
    // projector file of a few hundred kilobytes is already a large one.
    static constexpr size_t MAX_CHECK_BYTES = 64 * 1024;
    static constexpr size_t MAX_DOWNLOAD_BYTES = 64 * 1024 * 1024;

    CURL* easy = nullptr;            // the transfer
    CURLM* multi = nullptr;          // drives it
    std::string tmpName;             // download: the temporary file; empty for a check
    bool firstDataSeen = false;      // set when the first block of data arrived
    std::unique_ptr<FileReplacement> file; // download: tmpName, open for writing
    ProjectorSource* source = nullptr; // the source being updated
    // The start of the data, collected until the version line is complete:
    // a version line split over two blocks is still found.
    std::string headText;
    VersionHead head = VersionHead::INCOMPLETE;
    size_t limit = MAX_DOWNLOAD_BYTES; // bytes the transfer may bring
    size_t received = 0;               // bytes it brought so far
    bool tooLarge = false;             // stopped because the data passed `limit`
    bool stoppedAtHead = false;        // a check stopped once its version line was judged
};

// libcurl's curl_multi_add_handle; tests put a failing function in its place.
extern CURLMcode (*theMultiAddHandle)(CURLM* multi, CURL* easy);

// Stops the transfer and frees everything the connection holds: removes the
// easy handle from the multi handle, cleans both up, closes an open file
// (without deleting it: the next start removes it) and deletes the connection. Failures are logged.
// Accepts null.
void FreeUpdateConnection(UpdateConnection* conn);
