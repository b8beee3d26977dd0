#pragma once

#include <cstdint>

// Result codes of the projector-file and update operations. Callers combine
// the codes of several files with bitwise OR: a value of FILE_ERROR_MIN or
// more means at least one error, a value from 1 to 0xFFFF only warnings.
typedef uint32_t FileResult;

constexpr FileResult FILE_OK = 0;                 // done, no remarks
constexpr FileResult UPDATE_RUNNING = 1;          // transfer still running: continue it
constexpr FileResult FILE_WARNINGS = 2;           // read, but data lines were skipped
constexpr FileResult FILE_ERROR_MIN = 0x10000;    // every error code is at least this
constexpr FileResult FILE_OPEN_ERROR = 0x10001;   // opening (or writing) a file failed
constexpr FileResult UPDATE_MOVE_ERROR = 0x10004; // the downloaded file could not take the local name
constexpr FileResult FILE_FORMAT_ERROR = 0x10005; // format error (also: no version line in a checked file)
constexpr FileResult UPDATE_NO_URL = 0x10006;     // the source has no URL
constexpr FileResult UPDATE_WAIT_ERROR = 0x10007; // waiting on the network sockets failed
constexpr FileResult UPDATE_TRANSFER_ERROR = 0x10008; // libcurl error or HTTP status other than 200
constexpr FileResult UPDATE_BUSY = 0x10009;       // an update is already running
constexpr FileResult UPDATE_INIT_ERROR = 0x1000A; // the network library could not be initialised

inline bool IsFileError(FileResult result) { return result >= FILE_ERROR_MIN; }
