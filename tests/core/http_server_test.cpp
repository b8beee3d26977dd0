// The loopback server is what the update tests stand on: check that each kind
// of answer reaches a real libcurl client as intended.

#include "support/core/curl_environment.h"
#include "support/core/curl_fetch.h"
#include "support/core/http_server.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

const bool curlReady = RegisterCurlEnvironment();

class HttpServerTest : public testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_server.Start()); }

    LoopbackHttpServer m_server;
};

TEST_F(HttpServerTest, ServesBodyAndCountsRequests)
{
    m_server.ServeBody("/file.txt", "version: 1.2\n");
    EXPECT_NE(m_server.Port(), 0);
    EXPECT_EQ(m_server.RequestCount("/file.txt"), 0);

    FetchResult result = FetchBlocking(m_server.Url("/file.txt"));
    EXPECT_EQ(result.code, CURLE_OK);
    EXPECT_EQ(result.status, 200);
    EXPECT_EQ(result.body, "version: 1.2\n");
    FetchBlocking(m_server.Url("/file.txt"));
    EXPECT_EQ(m_server.RequestCount("/file.txt"), 2);
}

TEST_F(HttpServerTest, StatusRedirectAndUnknownPath)
{
    m_server.ServeStatus("/gone", 404, "nothing here");
    m_server.ServeRedirect("/old", "/new");

    FetchResult gone = FetchBlocking(m_server.Url("/gone"));
    EXPECT_EQ(gone.code, CURLE_OK);
    EXPECT_EQ(gone.status, 404);
    EXPECT_EQ(gone.body, "nothing here");

    FetchResult old = FetchBlocking(m_server.Url("/old"));
    EXPECT_EQ(old.code, CURLE_OK);
    EXPECT_EQ(old.status, 302); // not followed

    FetchResult unknown = FetchBlocking(m_server.Url("/unknown"));
    EXPECT_EQ(unknown.status, 404);
    EXPECT_EQ(m_server.RequestCount("/unknown"), 1);
}

TEST_F(HttpServerTest, HtmlPageWithSuccessStatus)
{
    m_server.ServeHtml("/portal", "<html><body>Login required</body></html>");
    FetchResult result = FetchBlocking(m_server.Url("/portal"));
    EXPECT_EQ(result.status, 200);
    EXPECT_EQ(result.body, "<html><body>Login required</body></html>");
}

TEST_F(HttpServerTest, CutOffBodyIsAPartialFile)
{
    m_server.ServeCutOff("/cut", std::string(1000, 'x'), 300);
    FetchResult result = FetchBlocking(m_server.Url("/cut"));
    EXPECT_EQ(result.code, CURLE_PARTIAL_FILE);
    EXPECT_EQ(result.body.size(), 300u);
}

TEST_F(HttpServerTest, SlowBodyArrivesWhole)
{
    m_server.ServeSlow("/slow", "abcdefghij", 2, 5);
    FetchResult result = FetchBlocking(m_server.Url("/slow"));
    EXPECT_EQ(result.code, CURLE_OK);
    EXPECT_EQ(result.body, "abcdefghij");
}

TEST(HttpServer, StopsBreaksOffASlowAnswerAndRefusesNewConnections)
{
    LoopbackHttpServer server;
    ASSERT_TRUE(server.Start());
    server.ServeSlow("/slow", std::string(100, 'y'), 1, 1000);
    std::string url = server.Url("/slow");
    std::thread stopper([&server] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        server.Stop();
    });
    FetchResult result = FetchBlocking(url);
    stopper.join();
    EXPECT_NE(result.code, CURLE_OK); // broken off, not 100 s of waiting
    EXPECT_LT(result.body.size(), 100u);
    EXPECT_EQ(FetchBlocking(url).code, CURLE_COULDNT_CONNECT);
}

TEST(HttpServer, EndsByItselfAfterItsLifetime)
{
    LoopbackHttpServer server(100);
    ASSERT_TRUE(server.Start());
    server.ServeBody("/a", "a");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    // The thread has left its loop: nobody accepts any more.
    FetchResult result = FetchBlocking(server.Url("/a"));
    EXPECT_NE(result.code, CURLE_OK);
}

} // namespace
