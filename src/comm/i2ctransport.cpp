#include "comm/i2ctransport.h"

#include "comm/ddcbus.h"
#include "comm/packet.h"
#include "comm/sleep.h"
#include "log/log.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

constexpr int EDID_SIZE = 256;
constexpr int EDID_OPTION_NAME = 1;
// The longest driver path that is handed on, as in a fixed 260-byte buffer.
constexpr size_t MAX_DRIVER_PATH = 259;

// Over I2C the panel answers the probe with its own letter.
bool ProbeAnswerIsPanel(uint8_t* answer, int count)
{
    return CheckProbeAnswer(answer, count, PROBE_LETTER, [](uint8_t received) {
        theLog->Print(Log::LEVEL_DEBUG2, "expected cmd = 0x%02X, received cmd = '0x%02X'", PROBE_LETTER, received);
    });
}

bool IsAbsolutePath(const char* path)
{
    return path[0] == '/' || path[0] == '\\' || (isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':');
}

// The bus's own words for its last failure, else the given ones.
std::string ProblemOf(const DdcBus& bus, const std::string& otherwise)
{
    const std::string problem = bus.LastProblem();
    return problem.empty() ? otherwise : problem;
}

} // namespace

CommResult FindI2CPanel(PanelComm& comm)
{
    DdcBus& bus = *comm.m_bus;
    const int init = bus.InitDDCHelper();
    if (init != 0)
    {
        theLog->Print(Log::LEVEL_ERROR, "Initialized of I2C driver failed, code %X", init);
        char code[16];
        snprintf(code, sizeof(code), "%X", static_cast<unsigned>(init));
        comm.m_searchReport.Add("I2C", ProblemOf(bus, std::string("the I2C driver failed, code ") + code));
        return COMM_IO_ERROR;
    }
    int32_t handle = -1;
    if (bus.EnumGetFirst(&handle) != 0)
    {
        theLog->Print(Log::LEVEL_ERROR, "no video device found");
        comm.m_searchReport.Add("I2C", ProblemOf(bus, "no video device found"));
        return COMM_IO_ERROR;
    }
    uint8_t edid[EDID_SIZE] = {};
    uint8_t option[EDID_SIZE] = {};
    bus.GetCachedEDID256(handle, edid);
    bus.GetEDIDOption(edid, EDID_OPTION_NAME, option, EDID_SIZE);

    // The panel answers the probe's letter alone over I2C.
    uint8_t probe[PROBE_PACKET_SIZE];
    BuildPacket(PROBE_LETTER, nullptr, 0, probe);
    uint8_t answer[PROBE_ANSWER_SIZE] = {};
    const int count = Transfer(bus, handle, probe, 1, answer, PROBE_ANSWER_SIZE, POLL_STATUS_MS, POLL_STATUS_COUNT);
    if (ProbeAnswerIsPanel(answer, count)) // a failed exchange (-5) is traced as a count too
    {
        for (int k = 0; k < 4; ++k)
            comm.m_panelInfo[k] = answer[2 + k];
        comm.m_i2cDevice = handle;
        return COMM_OK;
    }
    comm.m_searchReport.Add("I2C", count < 0    ? ProblemOf(bus, "I/O error")
                                   : count == 0 ? "no control panel answered"
                                                : "the answer was not a control panel's");
    theLog->Print(Log::LEVEL_DEBUG2, "closed i2c");
    return COMM_IO_ERROR;
}

int Transfer(DdcBus& bus, int32_t handle, const uint8_t* request, int count, uint8_t* reply, int toRead, int pollMs,
             int pollCount)
{
    char trace[TRACE_SIZE];
    if (count > 0)
    {
        TraceBytes(request, count, trace);
        theLog->Print(Log::LEVEL_DEBUG3, "i2c tx:%s", trace);
    }
    if (count > MAX_I2C_TRANSFER || toRead < 1 || toRead > MAX_I2C_TRANSFER)
    {
        theLog->Print(Log::LEVEL_ERROR, "i2c transfer of %i bytes out, %i bytes in is not possible", count, toRead);
        return COMM_IO_ERROR;
    }

    int received = 0;
    for (int attempt = 0; attempt < 2; ++attempt)
    {
        if (received > 0 && reply[0] != 0 && reply[0] != PANEL_NAK)
            break;
        if (count > 0)
        {
            const int result = bus.WriteI2CBuf(handle, PANEL_I2C_ADDRESS, request, count, 0);
            if (result != 0)
            {
                theLog->Print(Log::LEVEL_ERROR, "unable to write I2C, error code %X", result);
                return COMM_IO_ERROR;
            }
        }
        received = 0;
        for (int poll = 0; poll < pollCount; ++poll)
        {
            SleepMs(pollMs);
            const int result = bus.ReadI2CBuf(handle, PANEL_I2C_ADDRESS, reply, toRead, 0);
            if (result != 0)
            {
                theLog->Print(Log::LEVEL_ERROR, "unable to read I2C, error code %X", result);
                return COMM_IO_ERROR;
            }
            if (reply[0] == 0)
                continue; // nothing to say yet
            if (reply[0] == PANEL_ACK || reply[0] == PANEL_NAK || toRead < 2)
                received = 1;
            else
                received = reply[1] + 2 < toRead ? reply[1] + 2 : toRead;
            break;
        }
    }

    TraceBytes(reply, received, trace);
    theLog->Print(Log::LEVEL_DEBUG3, "i2c rx:%s", trace);
    return received;
}

int InstallI2CDriver(DdcBus& bus, const char* path)
{
    if (bus.InitDDCHelper() == 0)
    {
        bus.DeinitDDCHelper();
        // Working now, but perhaps only until the next boot (removed, then
        // installed again in one boot): the default driver is installed in
        // any case, which makes it permanent; loading it again does no harm.
        return bus.InstallDriver(nullptr, 1);
    }
    int result = -1;
    if (path != nullptr && path[0] != '\0')
    {
        if (IsAbsolutePath(path))
            result = bus.InstallDriver(path, 1);
        else
        {
            // A relative path is taken from the current folder; a path that
            // would not fit is not loaded cut short.
            char cwd[MAX_DRIVER_PATH + 1];
            char joined[MAX_DRIVER_PATH + 1];
            if (getcwd(cwd, sizeof(cwd)) == nullptr)
                result = errno;
            else
            {
                const int length = snprintf(joined, sizeof(joined), "%s/%s", cwd, path);
                result = length > 0 && static_cast<size_t>(length) <= MAX_DRIVER_PATH
                             ? bus.InstallDriver(joined, 1)
                             : ENAMETOOLONG;
            }
        }
    }
    if (path == nullptr || path[0] == '\0' || result != 0)
        result = bus.InstallDriver(nullptr, 1);
    return result;
}

int UninstallI2CDriver(DdcBus& bus)
{
    return bus.UninstallDriver();
}
