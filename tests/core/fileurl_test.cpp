#include "platform/fileurl.h"
#include "settings/settings.h"

#include "support/core/curl_fetch.h"
#include "support/core/temp_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

TEST(FileUrl, ReservedAndOtherBytesArePercentEncoded)
{
    const struct
    {
        const char* path;
        const char* url;
    } cases[] = {
        {"/srv/kesto", "file:///srv/kesto"},
        {"/srv/a b#c/x", "file:///srv/a%20b%23c/x"},
        {"/q?x=1&y=%;[]@!$'()*+,", "file:///q%3Fx%3D1%26y%3D%25%3B%5B%5D%40%21%24%27%28%29%2A%2B%2C"},
        {"/m-._~/", "file:///m-._~/"},
        {"relative/path", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FileUrlOfPath(c.path), c.url) << c.path;
    EXPECT_EQ(FileUrlOfPath(wxString::FromUTF8("/caf\xC3\xA9")), "file:///caf%C3%A9");
}

TEST(FileUrl, DefaultReferenceUrlReadsTheFileFromAnOddFolder)
{
    TempDir dir;
    const std::string odd = dir.File("a b#c%20?d");
    ASSERT_EQ(mkdir(odd.c_str(), 0700), 0);
    ASSERT_EQ(mkdir((odd + "/data").c_str(), 0700), 0);
    ASSERT_TRUE(WriteWholeFile(odd + "/data/AulavoxMaster.txt", "version: 7\r\n"));
    // A decoy where an unencoded URL would lead.
    ASSERT_EQ(mkdir(dir.File("a b").c_str(), 0700), 0);

    const wxString url = DefaultReferenceUrl(wxString::FromUTF8(odd + "/"));
    const FetchResult fetched = FetchBlocking(std::string(url.utf8_str()));
    EXPECT_EQ(fetched.code, CURLE_OK) << url;
    EXPECT_EQ(fetched.body, "version: 7\r\n") << url;
}

} // namespace
