#include "comm/serialtransport.h"

#include "comm/packet.h"
#include "comm/serialport.h"
#include "comm/serialproblem.h"
#include "comm/sleep.h"
#include "log/log.h"

#include <libserialport.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

constexpr int PROBE_READ_SIZE = 16;

bool IsAckOrNak(uint8_t byte)
{
    return byte == PANEL_ACK || byte == PANEL_NAK;
}

// The serial panel answers the probe with a 'V' packet.
bool ProbeAnswerIsPanel(uint8_t* answer, int count)
{
    return CheckProbeAnswer(answer, count, SERIAL_PROBE_ANSWER, [](uint8_t received) {
        theLog->Print(Log::LEVEL_DEBUG2, "expected cmd = 'V', received cmd = '%c'", received);
    });
}

} // namespace

int ListSerialPorts(char* buffer, int size)
{
    sp_port** ports = nullptr;
    if (sp_list_ports(&ports) != SP_OK)
        return -1;
    int count = 0;
    int used = 0;
    for (int i = 0; ports[i] != nullptr; ++i)
    {
        const char* name = sp_get_port_name(ports[i]);
        if (name == nullptr)
            continue;
        const int length = static_cast<int>(strlen(name));
        if (used + length + 1 > size)
            continue;
        memcpy(buffer + used, name, static_cast<size_t>(length) + 1);
        used += length + 1;
        ++count;
    }
    sp_free_port_list(ports);
    return count;
}

CommResult FindSerialPanel(PanelComm& comm)
{
    comm.Disconnect();

    uint8_t probe[PROBE_PACKET_SIZE];
    BuildPacket(PROBE_LETTER, nullptr, 0, probe);

    char names[PORT_LIST_SIZE] = {};
    const int listed = comm.m_portLister(names, PORT_LIST_SIZE);
    if (listed <= 0)
        comm.m_searchReport.Add("serial ports", listed < 0 ? "the system's list is unavailable" : "none found");

    // Walk the names, never past the buffer even if a lister forgot a NUL.
    const char* name = names;
    const char* const end = names + PORT_LIST_SIZE;
    for (int i = 0; i < listed && name < end; ++i)
    {
        const size_t length = strnlen(name, static_cast<size_t>(end - name));
        if (length == static_cast<size_t>(end - name))
            break;
        const char* const next = name + length + 1;

        // A path cut to fit could name another device: such a port is not tried.
        if (length >= sizeof(comm.m_portPath))
        {
            theLog->Print(Log::LEVEL_DEBUG3, "unable to open comm port %s", name);
            comm.m_searchReport.Add(name, "path too long");
            name = next;
            continue;
        }
        memcpy(comm.m_portPath, name, length + 1);
        SerialPort* port = OpenSerialPort(comm.m_portPath);
        const int openError = errno;
        theLog->Print(Log::LEVEL_DEBUG3, "trying to open comm port %s", comm.m_portPath);
        if (port == nullptr)
        {
            theLog->Print(Log::LEVEL_DEBUG3, "unable to open comm port %s", comm.m_portPath);
            comm.m_searchReport.Add(comm.m_portPath, SerialOpenProblem(comm.m_portPath, openError));
            name = next;
            continue;
        }
        theLog->Print(Log::LEVEL_DEBUG2, "opened comm port %s", comm.m_portPath);
        SetLineSettings(port, 9600, 'N', 8, 1);

        uint8_t answer[PROBE_READ_SIZE] = {};
        const int count = Transfer(port, probe, PROBE_PACKET_SIZE, answer, PROBE_READ_SIZE, POLL_STATUS_MS,
                                   POLL_STATUS_COUNT);
        if (ProbeAnswerIsPanel(answer, count)) // a failed exchange (-5) is traced as a count too
        {
            comm.m_serialPort = port;
            for (int k = 0; k < 4; ++k)
                comm.m_panelInfo[k] = answer[2 + k];
            return COMM_OK;
        }
        comm.m_searchReport.Add(comm.m_portPath, count < 0    ? "I/O error"
                                                 : count == 0 ? "no control panel answered"
                                                              : "the answer was not a control panel's");
        theLog->Print(Log::LEVEL_DEBUG2, "closed comm port %s", comm.m_portPath);
        CloseSerialPort(port);
        name = next;
    }
    comm.m_portPath[0] = '\0';
    theLog->Print(Log::LEVEL_WARNING, "unable to find Aulavox control panel");
    return COMM_IO_ERROR;
}

int Transfer(SerialPort* port, const uint8_t* request, int count, uint8_t* reply, int toRead, int pollMs,
             int pollCount)
{
    char trace[TRACE_SIZE];
    if (count > 0)
    {
        TraceBytes(request, count, trace);
        theLog->Print(Log::LEVEL_DEBUG3, "uart tx:%s", trace);
    }

    int received = 0;
    for (int attempt = 0; attempt < 2 && (received == 0 || reply[0] == PANEL_NAK); ++attempt)
    {
        if (count > 0)
        {
            PurgeSerialPort(port);
            const int written = WriteSerialPort(port, request, count);
            if (written < 0)
            {
                theLog->Print(Log::LEVEL_ERROR, "I/O error occured while writing serial port");
                return COMM_IO_ERROR;
            }
            // About one byte time at 9600 baud for every byte written.
            SleepMs(written);
        }
        received = 0;
        for (int poll = 0; poll < pollCount; ++poll)
        {
            SleepMs(pollMs);
            const int n = ReadSerialPort(port, reply + received, toRead - received);
            if (n < 0)
            {
                theLog->Print(Log::LEVEL_ERROR, "I/O error occured while reading serial port");
                return COMM_IO_ERROR;
            }
            received += n;
            if ((received > 0 && IsAckOrNak(reply[0])) || received >= toRead)
                break;
        }
    }

    TraceBytes(reply, received, trace);
    theLog->Print(Log::LEVEL_DEBUG3, "uart rx:%s", trace);
    return received;
}
