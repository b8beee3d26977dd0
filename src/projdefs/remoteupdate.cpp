// What a check and a download of a projector file mean: the version line
// they must bring, and for a download the local file replaced in one step.
// The transfer itself is UpdateConnection's.

#include "projdefs/remoteupdate.h"

#include "projdefs/logprint.h"
#include "projdefs/projectorlist.h"
#include "projdefs/updateconnection.h"

#include "projdefs/versionline.h"

#include <wx/debug.h>

namespace {

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

} // namespace

FileResult StartSourceUpdate(ProjectorList& list, unsigned srcIndex, bool checkOnly)
{
    ProjectorSource* found = list.GetSource(srcIndex);
    if (found == nullptr)
    {
        LOG_PRINT(Log::LEVEL_ERROR, "internal error %s %i", __func__, __LINE__);
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
    if (!InitTransfer(conn, checkOnly))
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

    if (theMultiAddHandle(conn->multi, conn->easy) != CURLM_OK)
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
    if (!PerformTransfer(conn, running))
        return FinishTransfer(list, UPDATE_TRANSFER_ERROR);
    if (running > 0)
    {
        int ready = WaitForSockets(conn, waitMs);
        if (ready < 0)
            return FinishTransfer(list, UPDATE_WAIT_ERROR);
        if (ready == 0)
            return UPDATE_RUNNING;
        if (!PerformTransfer(conn, running))
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

