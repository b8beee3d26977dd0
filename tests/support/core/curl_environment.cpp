#include "support/core/curl_environment.h"

#include "log/log.h"

#include <curl/curl.h>
#include <gtest/gtest.h>

namespace {

class CurlEnvironment : public testing::Environment
{
public:
    void SetUp() override
    {
        ASSERT_EQ(curl_global_init(CURL_GLOBAL_DEFAULT), CURLE_OK);
        m_initialised = true;
        if (theLog == nullptr)
        {
            m_log = new LogStdout;
            theLog = m_log;
        }
    }

    void TearDown() override
    {
        if (m_log != nullptr && theLog == m_log)
            theLog = nullptr;
        delete m_log;
        m_log = nullptr;
        if (m_initialised)
            curl_global_cleanup();
        m_initialised = false;
    }

private:
    bool m_initialised = false;
    LogStdout* m_log = nullptr;
};

} // namespace

bool RegisterCurlEnvironment()
{
    static bool registered = false;
    if (!registered)
    {
        // GoogleTest owns and deletes the environment.
        testing::AddGlobalTestEnvironment(new CurlEnvironment);
        registered = true;
    }
    return true;
}
