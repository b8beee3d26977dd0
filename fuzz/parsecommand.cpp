// libFuzzer target: ParseCommand on any text. Besides memory errors it checks
// what every caller relies on: a result within the text (or one past it),
// at most 256 bytes, well-formed escapes, the output untouched on failure,
// and the same result with and without an output.
#include "projdefs/parsecommand.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void Fail(const char* what)
{
    fprintf(stderr, "fuzz-parsecommand: %s\n", what);
    abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size); // c_str() stops at a NUL
    const CommandBytes sentinel = {0xAA, 0x55};
    CommandBytes out = sentinel;
    const int result = ParseCommand(text.c_str(), &out);
    if (result != ParseCommand(text.c_str(), nullptr))
        Fail("result depends on the output");
    if (result < 0 || static_cast<size_t>(result) > strlen(text.c_str()) + 1)
        Fail("position outside the text");
    if (result != 0 && out != sentinel)
        Fail("output changed on failure");
    if (result == 0 && out.size() > COMMAND_MAX_BYTES)
        Fail("more than 256 bytes");
    for (size_t i = 0; result == 0 && i < out.size(); ++i)
        if (out[i] == COMMAND_ESC &&
            (++i == out.size() || (out[i] != COMMAND_ESC && (out[i] < PAUSE_CODE_FIRST || out[i] > PAUSE_CODE_LAST))))
            Fail("ESC not followed by ESC or a pause code");
    return 0;
}
