#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// A converted command: at most COMMAND_MAX_BYTES bytes, in which 0x1B is an
// escape: 0x1B 0x1B is one data byte 0x1B, 0x1B followed by 1..8 a pause.
typedef std::vector<uint8_t> CommandBytes;

constexpr size_t COMMAND_MAX_BYTES = 256;

// The pause markers: 0x1B followed by one of these codes.
constexpr uint8_t COMMAND_ESC = 0x1B;
constexpr uint8_t PAUSE_CODE_FIRST = 1; // 10 ms
constexpr uint8_t PAUSE_CODE_LAST = 8;  // 60 s

// Milliseconds of pause code 1..8; 0 for any other code.
unsigned PauseMilliseconds(uint8_t code);

// Checks the command string `text` (NUL-terminated) and converts it in one
// pass. Returns 0 when the whole text is valid and then replaces *output (if
// given) with the bytes. Otherwise returns the 1-based position of the
// character where the conversion failed (one past the end when the text ends
// inside an escape) and leaves *output untouched. A text whose bytes would not
// fit in COMMAND_MAX_BYTES fails at the character (for an escape: its "<")
// whose bytes do not fit.
int ParseCommand(const char* text, CommandBytes* output = nullptr);
