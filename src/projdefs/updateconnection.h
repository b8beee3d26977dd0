#pragma once

#include "platform/replacefile.h"
#include "projdefs/resultcodes.h"
#include "projdefs/versionline.h"

#include <curl/curl.h>

#include <cstddef>
#include <memory>
#include <string>

struct ProjectorSource;

// A running check or download of one projector file. The ProjectorList that
// started it holds it as m_conn until the transfer ends or is cancelled.
struct UpdateConnection
{
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

// Makes the handles and sets the transfer's options for conn->source's URL;
// false when libcurl refuses (the caller frees the connection).
bool InitTransfer(UpdateConnection* conn, bool checkOnly);

// Lets libcurl work; false (with the error logged) on a multi-handle error.
bool PerformTransfer(UpdateConnection* conn, int& running);

// Waits up to waitMs for activity on libcurl's sockets: 1 activity, 0 none,
// -1 failure (logged).
int WaitForSockets(UpdateConnection* conn, unsigned waitMs);

// The ended transfer's outcome from libcurl's completion message and, for
// http URLs, the response status; failures are logged.
FileResult ReadCompletion(UpdateConnection* conn);

// Whether the transfer went to an http URL that answered with a status
// other than 200 (which is reported from the completion, not here).
bool HasFailedHttpStatus(UpdateConnection* conn);

// Throws a transfer away: deletes its temporary file, if it has one, and
// frees the connection.
void DiscardConnection(UpdateConnection* conn);

// Reason text of an HTTP status for the log ("Not Found"), empty when the
// status has none.
const char* HttpReasonText(long status);
