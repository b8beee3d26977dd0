#pragma once

#include <curl/curl.h>

#include <string>

// A plain blocking libcurl download: the yardstick of the update benchmark.
// Redirects are not followed.
struct FetchResult
{
    CURLcode code = CURLE_FAILED_INIT;
    long status = 0;
    std::string body;
};

FetchResult FetchBlocking(const std::string& url);

// The same into a file; returns the libcurl result (CURLE_WRITE_ERROR when the
// file cannot be written). With sync the data is flushed to disk (fsync)
// before the file is closed.
CURLcode FetchBlockingToFile(const std::string& url, const std::string& fileName, bool sync = false);
