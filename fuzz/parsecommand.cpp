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
    const size_t length = strlen(text.c_str());

    const CommandBytes sentinel = {0xAA, 0x55};
    CommandBytes out = sentinel;
    const int result = ParseCommand(text.c_str(), &out);
    if (result != ParseCommand(text.c_str(), nullptr))
        Fail("result depends on the output");
    if (result < 0 || static_cast<size_t>(result) > length + 1)
        Fail("position outside the text");
    if (result != 0)
    {
        if (out != sentinel)
            Fail("output changed on failure");
        return 0;
    }
    if (out.size() > COMMAND_MAX_BYTES)
        Fail("more than 256 bytes");
    for (size_t i = 0; i < out.size(); ++i)
    {
        if (out[i] != COMMAND_ESC)
            continue;
        if (i + 1 >= out.size())
            Fail("ESC at the end");
        const uint8_t next = out[i + 1];
        if (next != COMMAND_ESC && (next < PAUSE_CODE_FIRST || next > PAUSE_CODE_LAST))
            Fail("ESC followed by something else than ESC or a pause code");
        ++i;
    }
    return 0;
}
