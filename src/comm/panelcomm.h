#pragma once

#include "comm/searchreport.h"

#include <cstdint>
#include <functional>
#include <memory>

class DdcBus;
struct SerialPort;

// Result of one exchange with the control panel: 0 success (ACK), above 0
// the number of reply payload bytes copied to the caller, below 0 a failure.
typedef int32_t CommResult;

enum CommResultCode : int32_t
{
    COMM_OK = 0,
    COMM_NO_DATA = -1,   // the device did not return any data
    COMM_NAK = -2,       // the device returned NAK
    COMM_BAD_CRC = -3,   // the reply's CRC did not match, twice
    COMM_MALFORMED = -4, // unexpected byte, malformed reply, or a refused request
    COMM_IO_ERROR = -5,  // not connected, transport I/O error, or no control panel found
};

// The control panel's command set; the index selects the packet's letter.
enum PanelCommand : int
{
    NO_CMD = -1, // nothing is sent, a reply packet is only read
    SERIAL_BAUD = 0,
    SERIAL_ON,
    SERIAL_OFF,
    SERIAL_SOURCE_VGA,
    SERIAL_SOURCE_COMPOSITE,
    SERIAL_PASSTHROUGH,
    SERIAL_STATUS,
    SERIAL_POWER,
    SERIAL_SOURCE,
    SERIAL_BLANK,
    SERIAL_VOLUME,
    SERIAL_MUTE,
    SERIAL_MIC,
    SERIAL_LAST // end of the range, not a command
};

// Poll interval (ms) and poll count that callers pass for each kind of exchange.
enum PanelPolling : int
{
    POLL_COMMAND_MS = 20, // one-byte commands and pass-through commands
    POLL_COMMAND_COUNT = 2,
    POLL_FREEZE_COUNT = 4, // the Freeze pass-through waits longer
    POLL_STATUS_MS = 10,   // status query (and the probe)
    POLL_STATUS_COUNT = 4,
    POLL_BAUD_MS = 50, // programming the projector's baud rate
    POLL_BAUD_COUNT = 2,
    POLL_PROGRAM_MS = 25, // the other programming commands
    POLL_PROGRAM_COUNT = 2,
};

// Size of the status reply: power, source, volume, mute, blank, microphone level.
constexpr int PANEL_STATUS_SIZE = 6;
// Longest payload the length byte can describe (length byte = payload + 2).
constexpr int MAX_PAYLOAD = 253;
// Longest payload over I2C, where a whole request is at most 255 bytes.
constexpr int MAX_I2C_PAYLOAD = 251;

// The one link to the control panel: finds it (serial ports first, then the
// I2C bus of the video cable), frames commands as packets with a CRC, sends
// them over the open transport and checks the answer. Demo mode makes every
// exchange succeed without any I/O. Not thread-safe: UI thread only.
class PanelComm
{
public:
    // Fills a buffer with port names, each ended by a NUL; returns their
    // count or -1 when no list is available (see ListSerialPorts).
    using PortLister = std::function<int(char* buffer, int size)>;

    // Uses the system's serial port list and I2C bus.
    PanelComm();
    // Uses the given I2C bus (tests pass a fake one).
    explicit PanelComm(std::unique_ptr<DdcBus> bus);
    // Disconnects, then shuts the I2C bus down once more.
    ~PanelComm();
    PanelComm(const PanelComm&) = delete;
    PanelComm& operator=(const PanelComm&) = delete;

    // Finds the control panel (serial search, then I2C). 0 or -5; when
    // none is found, the last Error line says why for each candidate.
    CommResult Connect();
    // Closes the open port or I2C link; safe to call at any time.
    void Disconnect();
    bool IsConnected() const { return m_connected; }
    bool IsDemo() const { return m_demo; }
    // The longest payload one command can carry over the link as it is now.
    int GetMaxPayload() const { return !m_demo && m_serialPort == nullptr ? MAX_I2C_PAYLOAD : MAX_PAYLOAD; }
    // The caller reconnects afterwards (Disconnect, then Connect).
    void SetDemo(bool demo) { m_demo = demo; }

    // Sends one command (NO_CMD: sends nothing) and waits for its answer.
    // capacity 0 expects ACK/NAK; otherwise a reply packet whose payload (at
    // most capacity bytes) is copied to reply. Returns a CommResultCode or
    // the number of payload bytes copied.
    CommResult SendCommand(int cmd, const uint8_t* payload, int length, uint8_t* reply, int capacity, int pollMs,
                           int pollCount);

    CommResult SetPower(uint8_t value, int pollMs, int pollCount);    // PANEL_POWER_...
    CommResult SetSource(uint8_t value, int pollMs, int pollCount);   // PANEL_SOURCE_...
    CommResult SetBlank(uint8_t value, int pollMs, int pollCount);    // 1 blank, 0 show
    CommResult SetVolume(uint8_t value, int pollMs, int pollCount);   // 0..32
    CommResult SetMute(uint8_t value, int pollMs, int pollCount);     // 1 mute, 0 unmute
    CommResult SetMicLevel(uint8_t value, int pollMs, int pollCount); // 0..3
    // Fills status[0..5] on success (returns 6); untouched in demo mode.
    CommResult GetStatus(uint8_t status[PANEL_STATUS_SIZE], int pollMs, int pollCount);

    // Where the link runs: the serial port's path ("" when none), the I2C
    // device handle (-1 when none), and the four bytes the panel answered to
    // the probe.
    const char* GetPortPath() const { return m_portPath; }
    bool IsSerialOpen() const { return m_serialPort != nullptr; }
    int32_t GetI2CDevice() const { return m_i2cDevice; }
    const unsigned* GetPanelInfo() const { return m_panelInfo; }

    // Replaces the system's serial port list (tests list a pseudo-terminal).
    void SetPortLister(PortLister lister);
    DdcBus& GetDdcBus() { return *m_bus; }

    static constexpr int PORT_PATH_SIZE = 64;

private:
    friend CommResult FindSerialPanel(PanelComm& comm);
    friend CommResult FindI2CPanel(PanelComm& comm);

    int Exchange(const uint8_t* request, int count, uint8_t* reply, int toRead, int pollMs, int pollCount);

    bool m_demo = false;
    bool m_connected = false;
    char m_portPath[PORT_PATH_SIZE] = {};
    SerialPort* m_serialPort = nullptr;
    int32_t m_i2cDevice = -1;
    unsigned m_panelInfo[4] = {};
    PortLister m_portLister;
    std::unique_ptr<DdcBus> m_bus;
    SearchReport m_searchReport; // why the last search failed, candidate by candidate
};

// The process-wide link, created at start-up and deleted first at exit.
extern PanelComm* thePanelComm;
