#include "support/core/curl_fetch.h"

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

CURLcode Perform(CURL* easy, const std::string& url, curl_write_callback write, void* user)
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

} // namespace

FetchResult FetchBlocking(const std::string& url)
{
    FetchResult result;
    CURL* easy = curl_easy_init();
    if (easy == nullptr)
        return result;
    result.code = Perform(easy, url, AppendToString, &result.body);
    if (result.code == CURLE_OK &&
        curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &result.status) != CURLE_OK)
        result.status = -1;
    curl_easy_cleanup(easy);
    return result;
}

CURLcode FetchBlockingToFile(const std::string& url, const std::string& fileName, bool sync)
{
    FILE* file = fopen(fileName.c_str(), "wb");
    if (file == nullptr)
        return CURLE_WRITE_ERROR;
    CURL* easy = curl_easy_init();
    CURLcode code = CURLE_FAILED_INIT;
    if (easy != nullptr)
    {
        code = Perform(easy, url, AppendToFile, file);
        curl_easy_cleanup(easy);
    }
    if (sync && code == CURLE_OK && (fflush(file) != 0 || fsync(fileno(file)) != 0))
        code = CURLE_WRITE_ERROR;
    if (fclose(file) != 0 && code == CURLE_OK)
        code = CURLE_WRITE_ERROR;
    return code;
}
