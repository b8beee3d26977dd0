#include "support/curl_fetch.h"

#include <unistd.h>

#include <cstdio>

namespace {

size_t AppendToString(char* data, size_t size, size_t count, void* user)
{
    static_cast<std::string*>(user)->append(data, size * count);
    return size * count;
}

size_t AppendToFile(char* data, size_t size, size_t count, void* user)
{
    return fwrite(data, 1, size * count, static_cast<FILE*>(user));
}

// One blocking transfer; status (when given) gets the HTTP response code.
CURLcode Perform(const std::string& url, curl_write_callback write, void* user, long* status = nullptr)
{
    CURL* easy = curl_easy_init();
    if (easy == nullptr)
        return CURLE_FAILED_INIT;
    const bool set = curl_easy_setopt(easy, CURLOPT_URL, url.c_str()) == CURLE_OK &&
                     curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, write) == CURLE_OK &&
                     curl_easy_setopt(easy, CURLOPT_WRITEDATA, user) == CURLE_OK &&
                     curl_easy_setopt(easy, CURLOPT_TIMEOUT, 30L) == CURLE_OK;
    const CURLcode code = set ? curl_easy_perform(easy) : CURLE_FAILED_INIT;
    if (code == CURLE_OK && status != nullptr && curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, status) != CURLE_OK)
        *status = -1;
    curl_easy_cleanup(easy);
    return code;
}

} // namespace

FetchResult FetchBlocking(const std::string& url)
{
    FetchResult result;
    result.code = Perform(url, AppendToString, &result.body, &result.status);
    return result;
}

CURLcode FetchBlockingToFile(const std::string& url, const std::string& fileName, bool sync)
{
    FILE* file = fopen(fileName.c_str(), "wb");
    if (file == nullptr)
        return CURLE_WRITE_ERROR;
    CURLcode code = Perform(url, AppendToFile, file);
    if (sync && code == CURLE_OK && (fflush(file) != 0 || fsync(fileno(file)) != 0))
        code = CURLE_WRITE_ERROR;
    if (fclose(file) != 0 && code == CURLE_OK)
        code = CURLE_WRITE_ERROR;
    return code;
}
