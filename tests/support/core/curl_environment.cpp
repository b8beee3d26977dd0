#include "support/core/curl_environment.h"

#include "log/log.h"

#include <curl/curl.h>
#include <gtest/gtest.h>

namespace {

// libcurl for the whole run, as the application has it from its start-up,
// and a log when the program has none.
struct CurlEnvironment : testing::Environment
{
    LogStdout log;
    void SetUp() override
    {
        ASSERT_EQ(curl_global_init(CURL_GLOBAL_DEFAULT), CURLE_OK);
        if (theLog == nullptr)
            theLog = &log;
    }
    void TearDown() override
    {
        if (theLog == &log)
            theLog = nullptr;
        curl_global_cleanup();
    }
};

} // namespace

bool RegisterCurlEnvironment()
{
    static const bool registered = testing::AddGlobalTestEnvironment(new CurlEnvironment) != nullptr;
    return registered;
}
