#include "comm/packet.h"
#include "comm/panelcomm.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Build(uint8_t letter, const Bytes& payload)
{
    Bytes packet(payload.size() + 4);
    EXPECT_EQ(BuildPacket(letter, payload.data(), static_cast<int>(payload.size()), packet.data()),
              static_cast<int>(payload.size()) + 4);
    return packet;
}

TEST(PacketCrc, MatchesThePublishedCheckValueAndKnownPackets)
{
    const char* check = "123456789";
    EXPECT_EQ(Crc16(reinterpret_cast<const uint8_t*>(check), 9), 0xFEE8); // CRC-16/BUYPASS check
    EXPECT_EQ(Crc16(nullptr, 0), 0);
    EXPECT_EQ(Build('A', {0x01}), (Bytes{0x41, 0x03, 0x01, 0x8F, 0x11}));
    EXPECT_EQ(Build('S', {}), (Bytes{0x53, 0x02, 0xEA, 0x0A}));
}

TEST(PacketCrc, ReportsWhetherTheCrcWasThereAndWritesIt)
{
    Bytes packet = {0x41, 0x03, 0x01, 0x00, 0x00};
    uint16_t computed = 0;
    EXPECT_FALSE(CheckAndSetCrc(packet.data(), packet.size(), &computed));
    EXPECT_EQ(computed, 0x8F11);
    EXPECT_EQ(packet, (Bytes{0x41, 0x03, 0x01, 0x8F, 0x11}));
    EXPECT_TRUE(CheckAndSetCrc(packet.data(), packet.size()));

    // Bytes after the packet are neither covered nor touched.
    Bytes longer = {0x51, 0x03, 0x07, 0x00, 0x00, 0xAA, 0xBB};
    CheckAndSetCrc(longer.data(), longer.size());
    EXPECT_EQ(longer[5], 0xAA);
    EXPECT_EQ(longer[6], 0xBB);
}

TEST(PacketCrc, NeverReadsOrWritesBeyondTheBuffer)
{
    // Length bytes pointing past the buffer, or below the header itself.
    for (uint8_t n : {uint8_t{4}, uint8_t{200}, uint8_t{255}, uint8_t{0}, uint8_t{1}})
    {
        Bytes packet = {0x51, n, 0x01, 0x02, 0x03};
        const Bytes before = packet;
        uint16_t computed = 0x1234;
        EXPECT_FALSE(CheckAndSetCrc(packet.data(), packet.size(), &computed)) << int(n);
        EXPECT_EQ(packet, before) << int(n);
        EXPECT_EQ(computed, 0x1234) << int(n);
    }
    uint8_t one = 0x06;
    EXPECT_FALSE(CheckAndSetCrc(&one, 1));
    EXPECT_FALSE(CheckAndSetCrc(nullptr, 10));
}

TEST(PacketCommands, EveryIndexHasItsLetter)
{
    const char expected[] = "BNFVCPQAJHEGD";
    for (int cmd = SERIAL_BAUD; cmd < SERIAL_LAST; ++cmd)
        EXPECT_EQ(CommandLetter(cmd), static_cast<uint8_t>(expected[cmd])) << cmd;
    EXPECT_EQ(CommandLetter(NO_CMD), 0);
    EXPECT_EQ(CommandLetter(SERIAL_LAST), 0);
    EXPECT_EQ(SERIAL_LAST, 13);
    EXPECT_EQ(NO_CMD, -1);
}

TEST(PacketTrace, SpaceAndTwoUpperCaseDigitsPerByteCutAt255Characters)
{
    char trace[TRACE_SIZE];
    const uint8_t few[] = {0x41, 0x03, 0xAB};
    TraceBytes(few, 3, trace);
    EXPECT_STREQ(trace, " 41 03 AB");
    TraceBytes(few, 0, trace);
    EXPECT_STREQ(trace, "");

    std::vector<uint8_t> many(200, 0xEE);
    TraceBytes(many.data(), 200, trace);
    EXPECT_EQ(strlen(trace), 255u); // 85 bytes
}

} // namespace

namespace {

TEST(PacketReply, ClassifiesWhatCameWithoutReadingPastIt)
{
    int payload = -1;
    Bytes good = {'Q', 0x08, 1, 2, 3, 4, 5, 6, 0, 0};
    CheckAndSetCrc(good.data(), good.size());
    EXPECT_EQ(CheckReplyPacket(good.data(), 10, &payload), REPLY_GOOD);
    EXPECT_EQ(payload, 6);
    good[9] ^= 1;
    EXPECT_EQ(CheckReplyPacket(good.data(), 10, &payload), REPLY_BAD_CRC);
    EXPECT_EQ(payload, 0);
    EXPECT_EQ(CheckReplyPacket(good.data(), 4, &payload), REPLY_MALFORMED);
    EXPECT_EQ(CheckReplyPacket(good.data(), 9, &payload), REPLY_MALFORMED); // N + 2 = 10 > 9

    // Random replies in buffers of exactly their size: the sanitizer build
    // catches any read past them.
    uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return static_cast<uint8_t>(seed >> 16);
    };
    for (int round = 0; round < 20000; ++round)
    {
        const size_t size = next() % 24;
        std::unique_ptr<uint8_t[]> received(new uint8_t[size]);
        for (size_t i = 0; i < size; ++i)
            received[i] = next();
        int expectedPayload = -1;
        if (size >= 5 && round % 3 == 0)
        {
            // A true packet, possibly followed by up to two stray bytes.
            const size_t stray = std::min<size_t>(next() % 3, size - 5);
            received[1] = static_cast<uint8_t>(size - 2 - stray);
            CheckAndSetCrc(received.get(), size);
            expectedPayload = received[1] - 2;
        }
        const ReplyCheck check = CheckReplyPacket(received.get(), static_cast<int>(size), &payload);
        if (expectedPayload >= 0)
        {
            EXPECT_EQ(check, REPLY_GOOD) << round;
            EXPECT_EQ(payload, expectedPayload) << round;
        }
        else if (check == REPLY_GOOD)
            EXPECT_LE(payload + 4, static_cast<int>(size));
        else
            EXPECT_EQ(payload, 0);
    }
}

} // namespace
