// The libcurl engine of a check or a download: the handles and their
// options, the size limit, the temporary file the data goes to, the wait for
// the network and the transfer's completion.

#include "projdefs/updateconnection.h"

#include "projdefs/logprint.h"
#include "projdefs/projectorlist.h"

#include <sys/select.h>
#include <unistd.h>

#include <strings.h>

#include <cerrno>
#include <cstring>

#include <wx/utils.h>

namespace {

constexpr long CONNECT_TIMEOUT_S = 15;
constexpr long TOTAL_TIMEOUT_S = 30;

// libcurl's write function: picks the version from the head of the data and,
// for a download, stores every block in the temporary file. A short count
// makes libcurl end the transfer with a write error; that is how a transfer
// past its size limit, and a check that has what it needs, are stopped.
size_t WriteBlock(char* data, size_t size, size_t count, void* user)
{
    UpdateConnection* conn = static_cast<UpdateConnection*>(user);
    const size_t length = size * count;

    if (length > conn->limit - conn->received)
    {
        conn->tooLarge = true;
        return 0;
    }
    conn->received += length;

    if (conn->head == VersionHead::INCOMPLETE)
    {
        size_t room = MAX_VERSION_HEAD - conn->headText.size();
        conn->headText.append(data, length < room ? length : room);
        std::string version;
        conn->head = ParseVersionHead(conn->headText, false, version);
        if (conn->head == VersionHead::FOUND)
            conn->source->remoteVersion = version;
    }
    conn->firstDataSeen = true;

    if (conn->file == nullptr)
    {
        // A check keeps nothing but the version line: once it is judged,
        // the rest of the file is not worth fetching.
        if (conn->head == VersionHead::INCOMPLETE)
            return length;
        conn->stoppedAtHead = true;
        return 0;
    }
    std::string reason;
    if (length > 0 && !conn->file->Write(data, length, reason))
        return 0;
    return length;
}

// "64 MiB", "64 KiB": the limit as the message gives it.
std::string SizeText(size_t bytes)
{
    if (bytes % (1024 * 1024) == 0)
        return std::to_string(bytes / (1024 * 1024)) + " MiB";
    if (bytes % 1024 == 0)
        return std::to_string(bytes / 1024) + " KiB";
    return std::to_string(bytes) + " bytes";
}

void LogTooLarge(const UpdateConnection* conn)
{
    LOG_PRINT(Log::LEVEL_ERROR, "ContinueSourceUpdate: the remote file is larger than %s",
              SizeText(conn->limit).c_str());
}

bool SetOptions(UpdateConnection* conn, bool checkOnly)
{
    CURL* easy = conn->easy;
    // A download refuses at once a file announced as too large; a check may
    // look at the head of any file.
    if (!checkOnly &&
        curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(conn->limit)) != CURLE_OK)
        return false;
    return curl_easy_setopt(easy, CURLOPT_URL, conn->source->url.c_str()) == CURLE_OK &&
           curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, CONNECT_TIMEOUT_S) == CURLE_OK &&
           curl_easy_setopt(easy, CURLOPT_TIMEOUT, TOTAL_TIMEOUT_S) == CURLE_OK &&
           curl_easy_setopt(easy, CURLOPT_HEADER, 0L) == CURLE_OK &&
           curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L) == CURLE_OK &&
           // no SIGALRM for name look-up time-outs: the program has its own signal handlers
           curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L) == CURLE_OK &&
           curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &WriteBlock) == CURLE_OK &&
           curl_easy_setopt(easy, CURLOPT_WRITEDATA, conn) == CURLE_OK;
}

} // namespace

CURLMcode (*theMultiAddHandle)(CURLM* multi, CURL* easy) = &curl_multi_add_handle;

void FreeUpdateConnection(UpdateConnection* conn)
{
    if (conn == nullptr)
        return;

    if (conn->multi != nullptr && conn->easy != nullptr)
    {
        // Removing a handle that was never added is harmless (CURLM_OK in
        // current libcurl); anything else is worth a line in the log.
        CURLMcode mc = curl_multi_remove_handle(conn->multi, conn->easy);
        if (mc != CURLM_OK)
            LOG_PRINT(Log::LEVEL_WARNING, "FreeUpdateConnection: curl_multi_remove_handle: %s",
                          curl_multi_strerror(mc));
    }
    if (conn->easy != nullptr)
        curl_easy_cleanup(conn->easy); // returns nothing
    if (conn->multi != nullptr)
    {
        CURLMcode mc = curl_multi_cleanup(conn->multi);
        if (mc != CURLM_OK)
            LOG_PRINT(Log::LEVEL_WARNING, "FreeUpdateConnection: curl_multi_cleanup: %s",
                          curl_multi_strerror(mc));
    }
    if (conn->file != nullptr)
        conn->file->Abandon();

    delete conn;
}

bool InitTransfer(UpdateConnection* conn, bool checkOnly)
{
    conn->easy = curl_easy_init();
    conn->multi = curl_multi_init();
    return conn->easy != nullptr && conn->multi != nullptr && SetOptions(conn, checkOnly);
}

bool PerformTransfer(UpdateConnection* conn, int& running)
{
    CURLMcode code;
    do
        code = curl_multi_perform(conn->multi, &running);
    while (code == CURLM_CALL_MULTI_PERFORM);
    if (code != CURLM_OK)
    {
        LOG_PRINT(Log::LEVEL_ERROR, "ContinueSourceUpdate: curl error %i, \"%s\"",
                      static_cast<int>(code), curl_multi_strerror(code));
        return false;
    }
    return true;
}

int WaitForSockets(UpdateConnection* conn, unsigned waitMs)
{
    fd_set readSet, writeSet, errorSet;
    FD_ZERO(&readSet);
    FD_ZERO(&writeSet);
    FD_ZERO(&errorSet);
    int maxfd = -1;
    CURLMcode code = curl_multi_fdset(conn->multi, &readSet, &writeSet, &errorSet, &maxfd);
    if (code != CURLM_OK)
    {
        LOG_PRINT(Log::LEVEL_ERROR, "ContinueSourceUpdate: curl error %i, \"%s\"",
                      static_cast<int>(code), curl_multi_strerror(code));
        return -1;
    }
    // Never longer than libcurl's own next deadline (a time-out, a retry):
    // waiting past it would hold the transfer back.
    long due = -1;
    code = curl_multi_timeout(conn->multi, &due);
    if (code != CURLM_OK)
    {
        LOG_PRINT(Log::LEVEL_ERROR, "ContinueSourceUpdate: curl error %i, \"%s\"",
                  static_cast<int>(code), curl_multi_strerror(code));
        return -1;
    }
    const bool dueFirst = due >= 0 && static_cast<unsigned long>(due) <= waitMs;
    const unsigned wait = dueFirst ? static_cast<unsigned>(due) : waitMs;
    if (maxfd < 0)
    {
        // libcurl has no socket to offer while it waits (for example while a
        // transfer is held back by a rate limit): sleep instead, bounded.
        if (wait > 0)
            wxMilliSleep(wait);
        return 1;
    }
    timeval timeout;
    timeout.tv_sec = static_cast<time_t>(wait / 1000);
    timeout.tv_usec = static_cast<suseconds_t>((wait % 1000) * 1000);
    int ready = select(maxfd + 1, &readSet, &writeSet, &errorSet, &timeout);
    if (ready < 0)
    {
        if (errno == EINTR)
            return 0; // a signal is no network failure
        LOG_PRINT(Log::LEVEL_ERROR, "ContinueSourceUpdate: waiting on the network failed: %s",
                      strerror(errno));
        return -1;
    }
    return ready > 0 || dueFirst ? 1 : 0;
}

FileResult ReadCompletion(UpdateConnection* conn)
{
    int queued = 0;
    bool seen = false;
    FileResult result = FILE_OK;
    while (CURLMsg* msg = curl_multi_info_read(conn->multi, &queued))
    {
        if (msg->msg != CURLMSG_DONE || msg->easy_handle != conn->easy)
            continue;
        seen = true;
        CURLcode code = msg->data.result;
        if (code == CURLE_WRITE_ERROR && conn->stoppedAtHead)
            code = CURLE_OK; // the check stopped the transfer itself, having read enough
        if (conn->tooLarge || code == CURLE_FILESIZE_EXCEEDED)
        {
            LogTooLarge(conn);
            result = UPDATE_TRANSFER_ERROR;
            continue;
        }
        if (code != CURLE_OK)
        {
            LOG_PRINT(Log::LEVEL_ERROR, "ContinueSourceUpdate: curl error %i, \"%s\"",
                          static_cast<int>(code), curl_easy_strerror(code));
            result = UPDATE_TRANSFER_ERROR;
            continue;
        }
        const char* url = nullptr;
        CURLcode infoCode = curl_easy_getinfo(conn->easy, CURLINFO_EFFECTIVE_URL, &url);
        if (infoCode != CURLE_OK || url == nullptr)
        {
            LOG_PRINT(Log::LEVEL_ERROR, "ContinueSourceUpdate: curl error %i, \"%s\"",
                          static_cast<int>(infoCode), curl_easy_strerror(infoCode));
            result = UPDATE_TRANSFER_ERROR;
            continue;
        }
        if (strncasecmp(url, "http", 4) != 0)
            continue; // file URLs have no status
        long status = 0;
        infoCode = curl_easy_getinfo(conn->easy, CURLINFO_RESPONSE_CODE, &status);
        if (infoCode != CURLE_OK)
        {
            LOG_PRINT(Log::LEVEL_ERROR, "ContinueSourceUpdate: curl error %i, \"%s\"",
                          static_cast<int>(infoCode), curl_easy_strerror(infoCode));
            result = UPDATE_TRANSFER_ERROR;
        }
        else if (status != 200)
        {
            LOG_PRINT(Log::LEVEL_ERROR, "ContinueSourceUpdate: http response %li %s", status,
                          HttpReasonText(status));
            result = UPDATE_TRANSFER_ERROR;
        }
    }
    if (!seen && result == FILE_OK)
    {
        // libcurl says nothing runs, yet reported no end: do not call it a success.
        LOG_PRINT(Log::LEVEL_ERROR, "internal error %s %i", __func__, __LINE__);
        result = UPDATE_TRANSFER_ERROR;
    }
    return result;
}

bool HasFailedHttpStatus(UpdateConnection* conn)
{
    const char* url = nullptr;
    if (curl_easy_getinfo(conn->easy, CURLINFO_EFFECTIVE_URL, &url) != CURLE_OK || url == nullptr)
        return true;
    if (strncasecmp(url, "http", 4) != 0)
        return false;
    long status = 0;
    return curl_easy_getinfo(conn->easy, CURLINFO_RESPONSE_CODE, &status) != CURLE_OK || status != 200;
}

void DiscardConnection(UpdateConnection* conn)
{
    if (conn->file != nullptr)
        conn->file->Discard();
    FreeUpdateConnection(conn);
}

const char* HttpReasonText(long status)
{
    switch (status)
    {
    case 400: return "Bad request";
    case 401: return "Unauthorized";
    case 402: return "Payment required";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 405: return "Method not allowed";
    case 406: return "Not acceptable";
    case 407: return "Proxy authentication required";
    case 408: return "Request timed out";
    case 409: return "Conflict";
    case 500: return "Internal server error";
    case 501: return "Not implemented";
    case 502: return "Bad gateway";
    case 503: return "Service unavailable";
    case 504: return "Gateway timeout";
    case 505: return "HTTP version not supported";
    default: return "";
    }
}
