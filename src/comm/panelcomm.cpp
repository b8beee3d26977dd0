#include "comm/panelcomm.h"

#include "comm/ddcbus.h"
#include "comm/i2ctransport.h"
#include "comm/packet.h"
#include "comm/serialport.h"
#include "comm/serialtransport.h"
#include "comm/sleep.h"
#include "log/log.h"

#include <wx/debug.h>

#include <algorithm>
#include <cstring>
#include <vector>

PanelComm* thePanelComm = nullptr;

namespace {

// Pause between the two attempts when a reply's CRC does not match.
constexpr int CRC_RETRY_MS = 50;

} // namespace

PanelComm::PanelComm() : PanelComm(CreateSystemDdcBus())
{
}

PanelComm::PanelComm(std::unique_ptr<DdcBus> bus) : m_portLister(ListSerialPorts), m_bus(std::move(bus))
{
    wxASSERT_MSG(m_bus != nullptr, "bus != NULL");
}

PanelComm::~PanelComm()
{
    Disconnect();
    m_bus->DeinitDDCHelper();
}

void PanelComm::SetPortLister(PortLister lister)
{
    m_portLister = lister ? std::move(lister) : PortLister(ListSerialPorts);
}

CommResult PanelComm::Connect()
{
    if (m_demo)
    {
        m_connected = true;
        return COMM_OK;
    }
    m_searchReport.Clear();
    CommResult result = FindSerialPanel(*this);
    if (result != COMM_OK)
        result = FindI2CPanel(*this);
    if (result != COMM_OK)
    {
        // After the searches' own lines, and as the last error: the
        // message box of the caller shows it.
        theLog->Print(Log::LEVEL_ERROR, "%s", m_searchReport.Text().c_str());
        return result;
    }
    m_connected = true;
    return COMM_OK;
}

void PanelComm::Disconnect()
{
    if (m_serialPort != nullptr)
    {
        theLog->Print(Log::LEVEL_DEBUG2, "closed comm port %s", m_portPath);
        CloseSerialPort(m_serialPort);
    }
    if (m_i2cDevice != -1)
    {
        theLog->Print(Log::LEVEL_DEBUG2, "closed i2c");
        m_bus->DeinitDDCHelper();
    }
    m_serialPort = nullptr;
    m_i2cDevice = -1;
    m_connected = false;
}

int PanelComm::Exchange(const uint8_t* request, int count, uint8_t* reply, int toRead, int pollMs, int pollCount)
{
    if (m_serialPort != nullptr)
        return Transfer(m_serialPort, request, count, reply, toRead, pollMs, pollCount);
    return Transfer(*m_bus, m_i2cDevice, request, count, reply, toRead, pollMs, pollCount);
}

CommResult PanelComm::SendCommand(int cmd, const uint8_t* payload, int length, uint8_t* reply, int capacity,
                                  int pollMs, int pollCount)
{
    if (!m_connected)
    {
        theLog->Print(Log::LEVEL_ERROR, "not connected to control panel");
        return COMM_IO_ERROR;
    }
    wxASSERT_MSG(cmd >= NO_CMD && cmd < SERIAL_LAST, "cmd >= NO_CMD && cmd < SERIAL_LAST");
    wxASSERT_MSG(length >= 0 && (length == 0 || payload != nullptr), "length >= 0 && payload");
    wxASSERT_MSG(capacity >= 0 && (capacity == 0 || reply != nullptr), "capacity >= 0 && reply");
    if (cmd < NO_CMD || cmd >= SERIAL_LAST || length < 0 || capacity < 0)
        return COMM_MALFORMED;

    // The length byte holds payload + 2, and an I2C transfer carries at most
    // 255 bytes: a longer request could only go out truncated or garbled.
    const bool overI2C = !m_demo && m_serialPort == nullptr;
    if (cmd != NO_CMD && length > GetMaxPayload())
    {
        theLog->Print(Log::LEVEL_ERROR, "payload of %i bytes is too long, at most %i bytes can be sent%s", length,
                      GetMaxPayload(), overI2C ? " over i2c" : "");
        return COMM_MALFORMED;
    }

    // ACK/NAK is one byte; a reply packet is its payload plus four bytes,
    // and no packet is longer than the length byte allows.
    int toRead = capacity == 0 ? 1 : std::min(capacity, MAX_PAYLOAD) + 4;
    if (overI2C)
        toRead = std::min(toRead, MAX_I2C_TRANSFER);
    std::vector<uint8_t> received(static_cast<size_t>(toRead), 0);

    uint8_t request[MAX_PAYLOAD + 4];
    int requestSize = 0;
    if (cmd != NO_CMD)
        requestSize = BuildPacket(CommandLetter(cmd), payload, length, request);

    if (m_demo)
        return COMM_OK;

    for (int attempt = 1; attempt <= 2; ++attempt)
    {
        received[0] = 0;
        const int count = Exchange(requestSize > 0 ? request : nullptr, requestSize, received.data(), toRead, pollMs,
                                   pollCount);
        if (count < 0)
            return count;
        if (count == 0)
        {
            theLog->Print(Log::LEVEL_WARNING, "device did not return any data");
            return COMM_NO_DATA;
        }
        if (capacity == 0)
        {
            const uint8_t answer = received[0];
            if (answer == PANEL_ACK)
                return COMM_OK;
            if (answer == PANEL_NAK)
            {
                theLog->Print(Log::LEVEL_WARNING, "device returned NAK");
                return COMM_NAK;
            }
            if (answer == 0 && overI2C)
            {
                theLog->Print(Log::LEVEL_WARNING, "device did not return any data");
                return COMM_NO_DATA;
            }
            theLog->Print(Log::LEVEL_WARNING, "expected ACK/NAK received 0x%02X", answer);
            return COMM_MALFORMED;
        }

        // A length byte that points past what came (or below the CRC's own
        // two header bytes) cannot be checked: the packet is malformed.
        int payloadSize = 0;
        const ReplyCheck check = CheckReplyPacket(received.data(), count, &payloadSize);
        if (check == REPLY_MALFORMED)
        {
            theLog->Print(Log::LEVEL_WARNING, "malformed packet, length was only %i", count);
            return COMM_MALFORMED;
        }
        if (check == REPLY_GOOD)
        {
            // Only the packet's payload; bytes after its CRC are not data.
            payloadSize = std::min(payloadSize, capacity);
            memcpy(reply, received.data() + 2, static_cast<size_t>(payloadSize));
            return payloadSize;
        }
        if (attempt == 1)
            SleepMs(CRC_RETRY_MS);
    }
    theLog->Print(Log::LEVEL_WARNING, "corrupted packet, CRC did not match");
    return COMM_BAD_CRC;
}

CommResult PanelComm::SetPower(uint8_t value, int pollMs, int pollCount)
{
    return SendCommand(SERIAL_POWER, &value, 1, nullptr, 0, pollMs, pollCount);
}

CommResult PanelComm::SetSource(uint8_t value, int pollMs, int pollCount)
{
    return SendCommand(SERIAL_SOURCE, &value, 1, nullptr, 0, pollMs, pollCount);
}

CommResult PanelComm::SetBlank(uint8_t value, int pollMs, int pollCount)
{
    return SendCommand(SERIAL_BLANK, &value, 1, nullptr, 0, pollMs, pollCount);
}

CommResult PanelComm::SetVolume(uint8_t value, int pollMs, int pollCount)
{
    return SendCommand(SERIAL_VOLUME, &value, 1, nullptr, 0, pollMs, pollCount);
}

CommResult PanelComm::SetMute(uint8_t value, int pollMs, int pollCount)
{
    return SendCommand(SERIAL_MUTE, &value, 1, nullptr, 0, pollMs, pollCount);
}

CommResult PanelComm::SetMicLevel(uint8_t value, int pollMs, int pollCount)
{
    return SendCommand(SERIAL_MIC, &value, 1, nullptr, 0, pollMs, pollCount);
}

CommResult PanelComm::GetStatus(uint8_t status[PANEL_STATUS_SIZE], int pollMs, int pollCount)
{
    return SendCommand(SERIAL_STATUS, nullptr, 0, status, PANEL_STATUS_SIZE, pollMs, pollCount);
}
