#pragma once

#include <curl/curl.h>

#include <cstdio>
#include <string>

struct ProjectorSource;

// A running check or download of one projector file. The ProjectorList that
// started it holds it as m_conn until the transfer ends or is cancelled.
struct UpdateConnection
{
    CURL* easy = nullptr;            // the transfer
    CURLM* multi = nullptr;          // drives it
    std::string tmpName;             // download: the temporary file; empty for a check
    bool firstDataSeen = false;      // set when the first block of data arrived
    FILE* file = nullptr;            // download: tmpName, open for writing in byte mode
    ProjectorSource* source = nullptr; // the source being updated
};

// Stops the transfer and frees everything the connection holds: removes the
// easy handle from the multi handle, cleans both up, closes an open file
// (without deleting it) and deletes the connection. Failures are logged.
// Accepts null.
void FreeUpdateConnection(UpdateConnection* conn);
