// Packets on the wire and the projector commands' text turned into bytes.

#include "comm/packet.h"
#include "comm/panelcomm.h"
#include "projdefs/parsecommand.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// Would catch a wrong CRC or command letter on the wire (the link's tests
// pin whole packets).
TEST(Packet, CrcAndTheBytesOnTheWire)
{
    EXPECT_EQ(Crc16(reinterpret_cast<const uint8_t*>("123456789"), 9), 0xFEE8); // CRC-16/BUYPASS
    const char letters[] = "BNFVCPQAJHEGD";
    for (int cmd = NO_CMD; cmd <= SERIAL_LAST; ++cmd)
        EXPECT_EQ(CommandLetter(cmd), cmd < 0 || cmd == SERIAL_LAST ? 0 : letters[cmd]) << cmd;
}

// Would catch a length byte that sends the CRC check outside the packet or the buffer.
TEST(Packet, CrcCheckStaysInsideThePacketAndTheBuffer)
{
    for (uint8_t n : {1, 4}) // a length byte below the header, one past the buffer
    {
        Bytes bad = {0x51, n, 1, 2, 3};
        const Bytes before = bad;
        EXPECT_FALSE(CheckAndSetCrc(bad.data(), bad.size())) << int(n);
        EXPECT_EQ(bad, before) << int(n);
    }
    EXPECT_FALSE(CheckAndSetCrc(nullptr, 10));
}

// Would catch a reply check that reads past the bytes received.
TEST(Packet, ReplyCheckNeverReadsPastWhatCame)
{
    // Every length byte in buffers of exactly the size received: the
    // sanitizer build catches any read past them.
    for (int size = 0; size <= 8; ++size)
        for (int n = 0; n <= 10; ++n)
        {
            std::unique_ptr<uint8_t[]> received(new uint8_t[size]());
            if (size >= 2)
                received[1] = static_cast<uint8_t>(n);
            if (n >= 2 && n + 2 <= size)
                CheckAndSetCrc(received.get(), static_cast<size_t>(size)); // a true packet, perhaps with more after it
            int payload = -1;
            const ReplyCheck check = CheckReplyPacket(received.get(), size, &payload);
            const bool whole = size >= 5 && n >= 2 && n + 2 <= size;
            EXPECT_EQ(check == REPLY_GOOD, whole) << size << " " << n;
            EXPECT_EQ(payload, whole ? n - 2 : 0) << size << " " << n;
        }
}

// Would catch a command over 256 bytes, a wrong escape or pause, a number that wraps
// round, or a wrong error position.
TEST(ParseCommand, BytesOrTheErrorPosition)
{
    const std::string a255(255, 'A'), a256(256, 'A');
    const struct
    {
        std::string text;
        int result;
        std::string bytes;
    } rows[] = {
        {"P >~<cr><CR><0d><ff><Ab><1b>x<3C>", 0, "P >~\r\r\r\xFF\xAB\x1B\x1Bx<"}, // ESC doubled
        {"< 1><+F><-1><-F><\t7>", 0, "\x01\x0F\xFF\xF1\x07"}, // what strtoul takes, blanks and signs counted
        {"<w 10 ms><w50><W250MS><w1000><w 5 sec><w 10SeC><w +30  sec  ><w\t60000>", 0,
         "\x1B\x01\x1B\x02\x1B\x03\x1B\x04\x1B\x05\x1B\x06\x1B\x07\x1B\x08"},
        {"<w 100 ms>", 10, ""}, // not in the table: at ">"
        {"xy<w 10 ms", 11, ""}, // no ">": one past the end
        {"<w 2305843009213693962 sec>", 27, ""}, // times 1000 wraps round to 10000 in 64 bits
        {"<w 18446744073709551626>", 24, ""},
        {"<1>", 3, ""},
        {"<12x", 4, ""},
        {"AB<", 4, ""},
        {"ok\xC3\xA4", 3, ""},
        {a256, 0, a256}, // at most 256 bytes; an escape that does not fit fails at its "<"
        {a256 + "A", 257, ""},
        {a255 + "<1B>", 256, ""},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE("text [" + row.text + "]");
        CommandBytes out = {9};
        EXPECT_EQ(ParseCommand(row.text.c_str(), &out), row.result);
        EXPECT_EQ(std::string(out.begin(), out.end()), row.result == 0 ? row.bytes : "\x09"); // untouched on failure
        EXPECT_EQ(ParseCommand(row.text.c_str()), row.result);
    }
    const unsigned pauses[] = {0, 10, 50, 250, 1000, 5000, 10000, 30000, 60000, 0};
    for (uint8_t code = 0; code <= 9; ++code)
        EXPECT_EQ(PauseMilliseconds(code), pauses[code]) << int(code);
}

} // namespace
