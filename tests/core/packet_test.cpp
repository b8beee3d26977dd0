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

// Would catch a wrong CRC, byte order or command letter on the wire.
TEST(Packet, CrcAndTheBytesOnTheWire)
{
    EXPECT_EQ(Crc16(reinterpret_cast<const uint8_t*>("123456789"), 9), 0xFEE8); // CRC-16/BUYPASS
    Bytes power(5);
    const uint8_t on = 1;
    EXPECT_EQ(BuildPacket('A', &on, 1, power.data()), 5);
    EXPECT_EQ(power, (Bytes{0x41, 0x03, 0x01, 0x8F, 0x11}));
    Bytes probe(4);
    BuildPacket('S', nullptr, 0, probe.data());
    EXPECT_EQ(probe, (Bytes{0x53, 0x02, 0xEA, 0x0A}));
    const char letters[] = "BNFVCPQAJHEGD";
    for (int cmd = NO_CMD; cmd <= SERIAL_LAST; ++cmd)
        EXPECT_EQ(CommandLetter(cmd), cmd < 0 || cmd == SERIAL_LAST ? 0 : letters[cmd]) << cmd;
}

// Would catch a length byte that sends the CRC check outside the packet or the buffer.
TEST(Packet, CrcCheckStaysInsideThePacketAndTheBuffer)
{
    Bytes packet = {0x41, 0x03, 0x01, 0x00, 0x00, 0xAA};
    EXPECT_FALSE(CheckAndSetCrc(packet.data(), packet.size()));
    EXPECT_EQ(packet, (Bytes{0x41, 0x03, 0x01, 0x8F, 0x11, 0xAA}));
    EXPECT_TRUE(CheckAndSetCrc(packet.data(), packet.size()));
    for (uint8_t n : {0, 1, 4, 255}) // length bytes below the header or past the buffer
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
    // Random replies in buffers of exactly their size: the sanitizer build
    // catches any read past them.
    uint32_t seed = 12345;
    auto next = [&seed] { return static_cast<uint8_t>((seed = seed * 1103515245u + 12345u) >> 16); };
    for (int round = 0; round < 20000; ++round)
    {
        const size_t size = next() % 24;
        std::unique_ptr<uint8_t[]> received(new uint8_t[size]);
        for (size_t i = 0; i < size; ++i)
            received[i] = next();
        int expected = -1, payload = -1;
        if (size >= 5 && round % 3 == 0) // a true packet, perhaps with stray bytes after it
        {
            received[1] = static_cast<uint8_t>(size - 2 - std::min<size_t>(next() % 3, size - 5));
            CheckAndSetCrc(received.get(), size);
            expected = received[1] - 2;
        }
        const ReplyCheck check = CheckReplyPacket(received.get(), static_cast<int>(size), &payload);
        if (expected >= 0)
            EXPECT_TRUE(check == REPLY_GOOD && payload == expected) << round;
        else
            EXPECT_TRUE(check == REPLY_GOOD ? payload + 4 <= int(size) : payload == 0) << round;
    }
}

// Would catch a command over 256 bytes, a wrong escape or pause, a number that wraps
// round, or a wrong error position.
TEST(ParseCommand, BytesOrTheErrorPosition)
{
    const std::string a255(255, 'A'), a256(256, 'A');
    std::string escs;
    for (int i = 0; i < 128; ++i)
        escs += "<1b>";
    const struct
    {
        std::string text;
        int result;
        std::string bytes;
    } rows[] = {
        {"PWR ON >~*=#", 0, "PWR ON >~*=#"},
        {"A<cr>B<CR><0d><02>PON<ff><Ab>", 0, "A\rB\r\r\x02PON\xFF\xAB"},
        {"<1b>x<3C><3E>", 0, "\x1B\x1Bx<>"}, // ESC doubled
        {"< 1><+F><-1><-F><\t7>", 0, "\x01\x0F\xFF\xF1\x07"}, // what strtoul takes, blanks and signs counted
        {"<w 10 ms><w50><W250MS><w1000><w 5 sec><w 10SeC><w +30  sec  ><w\t60000>", 0,
         "\x1B\x01\x1B\x02\x1B\x03\x1B\x04\x1B\x05\x1B\x06\x1B\x07\x1B\x08"},
        {"<w 100 ms>", 10, ""}, // not in the table: at ">"
        {"xy<w 10 ms", 11, ""}, // no ">": one past the end
        {"<w 2305843009213693962 sec>", 27, ""}, // times 1000 wraps round to 10000 in 64 bits
        {"<w 18446744073709551626>", 24, ""},
        {"<1>", 3, ""},
        {"<12x", 4, ""},
        {"<G1>", 2, ""},
        {"AB<", 4, ""},
        {"<FFFFFFFFFFFFFFFFFFFFFFFF>", 26, ""},
        {"ok\xC3\xA4", 3, ""},
        {a256, 0, a256}, // at most 256 bytes; an escape that does not fit fails at its "<"
        {a256 + "A", 257, ""},
        {a255 + "<1B>", 256, ""},
        {escs, 0, std::string(256, '\x1B')},
        {escs + "<1b>", 513, ""},
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
