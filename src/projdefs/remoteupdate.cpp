#include "projdefs/remoteupdate.h"

#include "projdefs/logprint.h"
#include "projdefs/projectorlist.h"
#include "projdefs/updateconnection.h"

#include <curl/curl.h>

#include <sys/select.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>

#include <wx/utils.h>

namespace {

constexpr long CONNECT_TIMEOUT_S = 15;
constexpr long TOTAL_TIMEOUT_S = 30;
const char VERSION_TAG[] = "version:";
constexpr size_t VERSION_TAG_LEN = sizeof(VERSION_TAG) - 1;

int Sign(int value)
{
    return value < 0 ? -1 : value > 0 ? 1 : 0;
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool IsVersionBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\0';
}

bool IsLineEnd(char c)
{
    return c == '\r' || c == '\n' || c == '\0';
}

// Looks at the start of the remote file for its "version:" line.
// atEnd: no more data will come, so an unfinished line ends here.
VersionHead ParseVersionHead(const std::string& head, bool atEnd, std::string& version)
{
    size_t tagPart = head.size() < VERSION_TAG_LEN ? head.size() : VERSION_TAG_LEN;
    for (size_t i = 0; i < tagPart; ++i)
        if (tolower(static_cast<unsigned char>(head[i])) != VERSION_TAG[i])
            return VersionHead::MISSING;
    if (head.size() < VERSION_TAG_LEN)
        return atEnd ? VersionHead::MISSING : VersionHead::INCOMPLETE;

    size_t start = VERSION_TAG_LEN;
    while (start < head.size() && IsVersionBlank(head[start]))
        ++start;
    if (start == head.size())
        return atEnd ? VersionHead::MISSING : VersionHead::INCOMPLETE;
    if (head[start] == '\r' || head[start] == '\n')
        return VersionHead::MISSING; // "version:" with nothing after it

    size_t end = start + 1;
    while (end < head.size() && !IsLineEnd(head[end]))
        ++end;
    if (end == head.size() && !atEnd)
        return head.size() >= UpdateConnection::MAX_HEAD ? VersionHead::MISSING
                                                          : VersionHead::INCOMPLETE;
    version.assign(head, start, end - start);
    return VersionHead::FOUND;
}

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
        size_t room = UpdateConnection::MAX_HEAD - conn->headText.size();
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

// The transfer's outcome from libcurl's completion message and, for http
// URLs, the response status.
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
        LOG_PRINT(Log::LEVEL_ERROR, "internal error %s %i", "remoteupdate", __LINE__);
        result = UPDATE_TRANSFER_ERROR;
    }
    return result;
}

// Whether the transfer went to an http URL that answered with a status
// other than 200 (which is reported from the completion, not here).
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

// A transfer must have brought a version line at its head; an empty body or
// an error page served as success has none.
FileResult CheckVersionHead(UpdateConnection* conn)
{
    if (conn->head == VersionHead::INCOMPLETE)
    {
        std::string version;
        conn->head = ParseVersionHead(conn->headText, true, version);
        if (conn->head == VersionHead::FOUND)
            conn->source->remoteVersion = version;
    }
    if (conn->head != VersionHead::FOUND || conn->source->remoteVersion.empty())
    {
        LOG_PRINT(Log::LEVEL_ERROR,
                      "ContinueSourceUpdate: unable to read name or version from the remote url");
        return FILE_FORMAT_ERROR;
    }
    return FILE_OK;
}

// The outcome of an ended transfer. A check whose data arrived with a good
// status is judged by its version line first, and only then by libcurl's
// completion: a file that is not a projector file is reported as such even
// when its transfer broke off too.
FileResult TransferOutcome(UpdateConnection* conn)
{
    const bool check = conn->tmpName.empty();
    if (check && conn->firstDataSeen && !conn->tooLarge && !HasFailedHttpStatus(conn))
    {
        FileResult result = CheckVersionHead(conn);
        if (result != FILE_OK)
            return result;
    }
    FileResult result = ReadCompletion(conn);
    if (result == FILE_OK)
        result = CheckVersionHead(conn);
    return result;
}

// Puts the downloaded file in the local file's place in one step: the old
// file stays until the new one replaces it (FileReplacement). Its data is on
// disk first.
FileResult MoveIntoPlace(UpdateConnection* conn)
{
    ProjectorSource* source = conn->source;
    std::string reason;
    if (!conn->file->Sync(reason))
    {
        LOG_PRINT(Log::LEVEL_ERROR, "ContinueSourceUpdate: unable to write file '%s': %s", conn->tmpName.c_str(),
                  reason.c_str());
        conn->file->Discard();
        return FILE_OPEN_ERROR;
    }
    if (!conn->file->Commit(reason))
    {
        LOG_PRINT(Log::LEVEL_ERROR, "ContinueSourceUpdate: unable to move '%s' to '%s': %s", conn->tmpName.c_str(),
                  source->fileName.c_str(), reason.c_str());
        return UPDATE_MOVE_ERROR;
    }
    source->version = source->remoteVersion;
    return FILE_OK;
}

// Throws a transfer away: deletes its temporary file, if it has one, and
// frees the connection.
void DiscardConnection(UpdateConnection* conn)
{
    if (conn->file != nullptr)
        conn->file->Discard();
    FreeUpdateConnection(conn);
}

// Ends the transfer: outcome, temporary file, local file, connection.
FileResult FinishTransfer(ProjectorList& list, FileResult result)
{
    UpdateConnection* conn = list.m_conn;
    if (result == FILE_OK)
        result = TransferOutcome(conn);

    if (conn->file != nullptr)
    {
        if (result == FILE_OK)
            result = MoveIntoPlace(conn);
        else
            conn->file->Discard();
    }

    FreeUpdateConnection(conn);
    list.m_conn = nullptr;
    return result;
}

// Lets libcurl work; false (with the error logged) on a multi-handle error.
bool Perform(UpdateConnection* conn, int& running)
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

// Waits up to waitMs for activity on libcurl's sockets: 1 activity, 0 none,
// -1 failure (logged).
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

FileResult StartSourceUpdate(ProjectorList& list, unsigned srcIndex, bool checkOnly)
{
    ProjectorSource* found = list.GetSource(srcIndex);
    if (found == nullptr)
    {
        LOG_PRINT(Log::LEVEL_ERROR, "internal error %s %i", "remoteupdate", __LINE__);
        return UPDATE_NO_URL;
    }
    ProjectorSource& source = *found;
    if (source.url.empty())
    {
        LOG_PRINT(Log::LEVEL_ERROR, "no URL existing for the file '%s'", source.fileName.c_str());
        return UPDATE_NO_URL;
    }
    if (list.m_conn != nullptr)
    {
        LOG_PRINT(Log::LEVEL_ERROR, "internal error %s %i", "projdefs", 692);
        return UPDATE_BUSY;
    }

    UpdateConnection* conn = new UpdateConnection;
    conn->source = &source;
    conn->limit = checkOnly ? UpdateConnection::MAX_CHECK_BYTES : UpdateConnection::MAX_DOWNLOAD_BYTES;
    conn->easy = curl_easy_init();
    conn->multi = curl_multi_init();
    if (conn->easy == nullptr || conn->multi == nullptr || !SetOptions(conn, checkOnly))
    {
        LOG_PRINT(Log::LEVEL_ERROR, "StartSourceUpdate: unable to initialize network library");
        FreeUpdateConnection(conn);
        return UPDATE_INIT_ERROR;
    }

    if (!checkOnly)
    {
        // Through a link to the file it names; a read-only file or one that
        // is no regular file is not replaced.
        ReplaceOptions options;
        options.refuseReadOnly = true;
        conn->file.reset(new FileReplacement(options));
        std::string reason;
        if (!conn->file->Open(source.fileName, reason))
        {
            LOG_PRINT(Log::LEVEL_ERROR, "unable to open file '%s' for writing: %s", source.fileName.c_str(),
                      reason.c_str());
            FreeUpdateConnection(conn);
            return FILE_OPEN_ERROR;
        }
        conn->tmpName = conn->file->WorkingName();
        LOG_PRINT(Log::LEVEL_INFO, "downloading %s to '%s'", source.url.c_str(), conn->tmpName.c_str());
    }
    else
        source.remoteVersion.clear();

    CURLMcode code = theMultiAddHandle(conn->multi, conn->easy);
    if (code != CURLM_OK)
    {
        LOG_PRINT(Log::LEVEL_ERROR, "StartSourceUpdate: unable to initialize network library");
        DiscardConnection(conn); // a check has neither file nor temporary name
        return UPDATE_INIT_ERROR;
    }
    list.m_conn = conn;
    return ContinueSourceUpdate(list, 0);
}

FileResult ContinueSourceUpdate(ProjectorList& list, unsigned waitMs)
{
    wxASSERT_MSG(list.m_conn != nullptr, "m_conn != NULL");
    UpdateConnection* conn = list.m_conn;
    if (conn == nullptr)
        return UPDATE_TRANSFER_ERROR;

    int running = 0;
    if (!Perform(conn, running))
        return FinishTransfer(list, UPDATE_TRANSFER_ERROR);
    if (running > 0)
    {
        int ready = WaitForSockets(conn, waitMs);
        if (ready < 0)
            return FinishTransfer(list, UPDATE_WAIT_ERROR);
        if (ready == 0)
            return UPDATE_RUNNING;
        if (!Perform(conn, running))
            return FinishTransfer(list, UPDATE_TRANSFER_ERROR);
        if (running > 0)
            return UPDATE_RUNNING;
    }
    return FinishTransfer(list, FILE_OK);
}

FileResult CancelSourceUpdate(ProjectorList& list)
{
    wxASSERT_MSG(list.m_conn != nullptr, "m_conn != NULL");
    UpdateConnection* conn = list.m_conn;
    if (conn == nullptr)
        return 0;
    DiscardConnection(conn);
    list.m_conn = nullptr;
    return 0;
}

int CompareVersions(const std::string& a, const std::string& b)
{
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size())
    {
        if (!IsDigit(a[i]) && a[i] != '.' && !IsDigit(b[j]) && b[j] != '.')
            return Sign(a.compare(i, std::string::npos, b, j, std::string::npos));

        // Numbers of any length: drop leading zeros, then the longer one is
        // larger, and equal lengths compare digit by digit.
        size_t aStart = i, bStart = j;
        while (i < a.size() && IsDigit(a[i]))
            ++i;
        while (j < b.size() && IsDigit(b[j]))
            ++j;
        while (aStart < i && a[aStart] == '0')
            ++aStart;
        while (bStart < j && b[bStart] == '0')
            ++bStart;
        size_t aLen = i - aStart, bLen = j - bStart;
        if (aLen != bLen)
            return aLen < bLen ? -1 : 1;
        int digits = a.compare(aStart, aLen, b, bStart, bLen);
        if (digits != 0)
            return Sign(digits);

        if (i < a.size() && a[i] == '.')
            ++i;
        if (j < b.size() && b[j] == '.')
            ++j;
    }
    bool aDone = i >= a.size(), bDone = j >= b.size();
    if (aDone && bDone)
        return 0;
    return bDone ? 1 : -1;
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
