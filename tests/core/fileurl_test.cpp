#include "platform/fileurl.h"

#include <gtest/gtest.h>

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
        {"/caf\xC3\xA9", "file:///caf%C3%A9"},
        {"relative/path", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FileUrlOfPath(wxString::FromUTF8(c.path)), c.url) << c.path;
}

} // namespace
