#include "support/core/panel_simulator.h"

#include "comm/packet.h"
#include "comm/panelcomm.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

bool PanelSimulator::Start()
{
    char name[256] = {};
    termios raw{};
    cfmakeraw(&raw);
    if (openpty(&m_master, &m_slave, name, &raw, nullptr) != 0 || fcntl(m_master, F_SETFD, FD_CLOEXEC) != 0 ||
        fcntl(m_slave, F_SETFD, FD_CLOEXEC) != 0)
        return false;
    m_path = name;
    m_stop = false;
    m_thread = std::thread([this] { Run(); });
    return true;
}

void PanelSimulator::Stop()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    for (int* fd : {&m_master, &m_slave})
        if (*fd >= 0 && close(*fd) == 0)
            *fd = -1;
}

std::vector<PanelSimulator::Bytes> PanelSimulator::RequestsWithoutResends() const
{
    std::vector<Bytes> requests = Requests();
    requests.erase(std::unique(requests.begin(), requests.end()), requests.end());
    return requests;
}

bool PanelSimulator::WaitForRequests(size_t count, int timeoutMs) const
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return m_requests.size() >= count; });
}

void PanelSimulator::ClearReceived()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_requests.clear();
    m_partial.clear();
    m_queue.clear();
}

PanelSimulator::Bytes PanelSimulator::MakePacket(uint8_t letter, const Bytes& payload)
{
    Bytes packet(payload.size() + 4);
    BuildPacket(letter, payload.data(), static_cast<int>(payload.size()), packet.data());
    return packet;
}

// Splits what came into packets (letter, length byte, that many bytes more)
// and puts each one's answer out.
void PanelSimulator::Take(const uint8_t* data, size_t count)
{
    m_partial.insert(m_partial.end(), data, data + count);
    while (m_partial.size() >= 2 && m_partial.size() >= m_partial[1] + 2u)
    {
        Bytes request(m_partial.begin(), m_partial.begin() + m_partial[1] + 2), copy(request);
        m_partial.erase(m_partial.begin(), m_partial.begin() + static_cast<long>(request.size()));
        Bytes answer{PANEL_ACK};
        if (!m_queue.empty())
        {
            answer = std::move(m_queue.front());
            m_queue.pop_front();
        }
        else if (!CheckAndSetCrc(copy.data(), copy.size()))
            answer = {PANEL_NAK};
        else if (request[0] == PROBE_LETTER)
            answer = MakePacket('V', {1, 2, 3, 4});
        else if (request[0] == 'Q')
            answer = MakePacket('Q', Bytes(m_status.begin(), m_status.end()));
        m_requests.push_back(std::move(request));
        m_outgoing.push_back(std::move(answer));
    }
    m_changed.notify_all();
}

// Answers from this loop, never from inside a read: the link may still be
// busy with its request when the answer is ready.
void PanelSimulator::Run()
{
    while (!m_stop)
    {
        for (const Bytes& bytes : Locked([&] { return std::exchange(m_outgoing, {}); }))
            for (ssize_t done = 0, n = 0; done < static_cast<ssize_t>(bytes.size()); done += std::max<ssize_t>(n, 0))
                if ((n = write(m_master, bytes.data() + done, bytes.size() - done)) < 0 && errno != EINTR)
                    break; // a line that is gone shows as a missing answer
        pollfd fd{m_master, POLLIN, 0};
        uint8_t buffer[512];
        if (poll(&fd, 1, 1) > 0 && (fd.revents & POLLIN))
        {
            const ssize_t n = read(m_master, buffer, sizeof(buffer));
            Locked([&] { Take(buffer, n > 0 ? static_cast<size_t>(n) : 0); });
        }
    }
}

std::function<int(char*, int)> PortListOf(std::vector<std::string> paths)
{
    std::string list; // each path ended by its NUL
    for (const std::string& path : paths)
        list.append(path).push_back('\0');
    return [list, count = static_cast<int>(paths.size())](char* buffer, int size) {
        if (static_cast<int>(list.size()) > size)
            return -1; // never past the buffer; the lists of the tests always fit
        memcpy(buffer, list.data(), list.size());
        return count;
    };
}

bool ConnectPatiently(PanelComm& comm)
{
    for (int attempt = 0; attempt < 3; ++attempt, std::this_thread::sleep_for(std::chrono::milliseconds(100)))
        if (comm.IsConnected() || comm.Connect() == COMM_OK)
            return true;
    return false;
}
