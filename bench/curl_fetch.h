#pragma once

// A plain blocking libcurl download: the yardstick of the update benchmark.
// Redirects are not followed.

#include <curl/curl.h>
#include <unistd.h>

#include <cstdio>
#include <string>

struct FetchResult
{
    CURLcode code = CURLE_FAILED_INIT;
    long status = 0;
    std::string body;
};

namespace fetch_detail {

inline size_t AppendToString(char* data, size_t size, size_t count, void* user)
{
    static_cast<std::string*>(user)->append(data, size * count);
    return size * count;
}

inline size_t AppendToFile(char* data, size_t size, size_t count, void* user)
{
    return fwrite(data, 1, size * count, static_cast<FILE*>(user));
}

inline CURLcode Perform(CURL* easy, const std::string& url, curl_write_callback write, void* user)
{
    CURLcode code = curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    if (code == CURLE_OK)
        code = curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, write);
    if (code == CURLE_OK)
        code = curl_easy_setopt(easy, CURLOPT_WRITEDATA, user);
    if (code == CURLE_OK)
        code = curl_easy_setopt(easy, CURLOPT_TIMEOUT, 30L);
    if (code == CURLE_OK)
        code = curl_easy_perform(easy);
    return code;
}

} // namespace fetch_detail

inline FetchResult FetchBlocking(const std::string& url)
{
    FetchResult result;
    CURL* easy = curl_easy_init();
    if (easy == nullptr)
        return result;
    result.code = fetch_detail::Perform(easy, url, fetch_detail::AppendToString, &result.body);
    if (result.code == CURLE_OK && curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &result.status) != CURLE_OK)
        result.status = -1;
    curl_easy_cleanup(easy);
    return result;
}

// The same into a file; CURLE_WRITE_ERROR when the file cannot be written.
// With sync the data is flushed to disk (fsync) before the file is closed.
inline CURLcode FetchBlockingToFile(const std::string& url, const std::string& fileName, bool sync = false)
{
    FILE* file = fopen(fileName.c_str(), "wb");
    if (file == nullptr)
        return CURLE_WRITE_ERROR;
    CURL* easy = curl_easy_init();
    CURLcode code = CURLE_FAILED_INIT;
    if (easy != nullptr)
    {
        code = fetch_detail::Perform(easy, url, fetch_detail::AppendToFile, file);
        curl_easy_cleanup(easy);
    }
    if (sync && code == CURLE_OK && (fflush(file) != 0 || fsync(fileno(file)) != 0))
        code = CURLE_WRITE_ERROR;
    if (fclose(file) != 0 && code == CURLE_OK)
        code = CURLE_WRITE_ERROR;
    return code;
}
