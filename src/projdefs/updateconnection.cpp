#include "projdefs/updateconnection.h"

#include "projdefs/logprint.h"

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
