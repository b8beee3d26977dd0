#pragma once

#include "log/log.h"

// Prints to the process-wide log when there is one (library code may run
// before the application created it, as in tests and tools).
#define LOG_PRINT(level, ...)                    \
    do                                           \
    {                                            \
        if (theLog != nullptr)                   \
            theLog->Print((level), __VA_ARGS__); \
    } while (0)
