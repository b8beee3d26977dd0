#include "comm/packet.h"
#include "comm/panelcomm.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

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

} // namespace
