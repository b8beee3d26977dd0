// libFuzzer target: ParseCommand on any text. Besides memory errors it checks
// what every caller relies on: the same result with and without an output, a
// result within the text (or one past it), the output untouched on failure,
// at most 256 bytes, and every ESC followed by ESC or a pause code.
#include "projdefs/parsecommand.h"

#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size); // c_str() stops at a NUL
    const CommandBytes sentinel = {0xAA, 0x55};
    CommandBytes out = sentinel;
    const int result = ParseCommand(text.c_str(), &out);
    if (result != ParseCommand(text.c_str(), nullptr) || result < 0 ||
        static_cast<size_t>(result) > strlen(text.c_str()) + 1 || (result != 0 && out != sentinel) ||
        (result == 0 && out.size() > COMMAND_MAX_BYTES))
        __builtin_trap();
    for (size_t i = 0; result == 0 && i < out.size(); ++i)
        if (out[i] == COMMAND_ESC &&
            (++i == out.size() || (out[i] != COMMAND_ESC && (out[i] < PAUSE_CODE_FIRST || out[i] > PAUSE_CODE_LAST))))
            __builtin_trap();
    return 0;
}
