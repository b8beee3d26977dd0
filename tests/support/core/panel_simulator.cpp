#include "support/core/panel_simulator.h"

#include "comm/packet.h"
#include "comm/panelcomm.h"

#include <algorithm>
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
    if (openpty(&m_master, &m_slave, name, &raw, nullptr) != 0)
        return false;
    fcntl(m_master, F_SETFD, FD_CLOEXEC);
    fcntl(m_slave, F_SETFD, FD_CLOEXEC);
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

void PanelSimulator::SetStatus(std::array<uint8_t, 6> status)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_status = status;
}

void PanelSimulator::QueueBytes(Bytes bytes, int delayMs)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_queue.emplace_back(std::move(bytes), delayMs);
}

void PanelSimulator::SendNow(Bytes bytes)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Schedule(std::move(bytes), 0);
}

PanelSimulator::Bytes PanelSimulator::Received() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_received;
}

std::vector<PanelSimulator::Bytes> PanelSimulator::Requests() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requests;
}

std::vector<PanelSimulator::Bytes> PanelSimulator::RequestsWithoutResends() const
{
    std::vector<Bytes> requests = Requests();
    requests.erase(std::unique(requests.begin(), requests.end()), requests.end());
    return requests;
}

bool PanelSimulator::WaitFor(const std::function<bool()>& done, int timeoutMs) const
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), done);
}

bool PanelSimulator::WaitForReceived(size_t byteCount, int timeoutMs) const
{
    return WaitFor([&] { return m_received.size() >= byteCount; }, timeoutMs);
}

bool PanelSimulator::WaitForRequests(size_t count, int timeoutMs) const
{
    return WaitFor([&] { return m_requests.size() >= count; }, timeoutMs);
}

void PanelSimulator::ClearReceived()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_received.clear();
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

void PanelSimulator::Schedule(Bytes bytes, int delayMs)
{
    const auto due = Clock::now() + std::chrono::milliseconds(delayMs);
    const auto later = std::find_if(m_pending.begin(), m_pending.end(), [&](const auto& p) { return p.first > due; });
    m_pending.emplace(later, due, std::move(bytes));
}

// Splits what came into packets and schedules each one's answer (under the lock).
void PanelSimulator::Take(const uint8_t* data, size_t count)
{
    m_received.insert(m_received.end(), data, data + count);
    m_partial.insert(m_partial.end(), data, data + count);
    while (m_partial.size() >= 2)
    {
        if (m_partial[1] < 2) // no packet starts so: drop a byte and resync
        {
            m_partial.erase(m_partial.begin());
            continue;
        }
        const auto end = m_partial.begin() + m_partial[1] + 2;
        if (m_partial.end() < end)
            break;
        Bytes request(m_partial.begin(), end), copy(request);
        m_partial.erase(m_partial.begin(), end);
        std::pair<Bytes, int> answer{{PANEL_ACK}, 0};
        if (!m_queue.empty())
        {
            answer = std::move(m_queue.front());
            m_queue.pop_front();
        }
        else if (!CheckAndSetCrc(copy.data(), copy.size()))
            answer.first = {PANEL_NAK};
        else if (request[0] == PROBE_LETTER)
            answer.first = MakePacket('V', {1, 2, 3, 4});
        else if (request[0] == 'Q')
            answer.first = MakePacket('Q', Bytes(m_status.begin(), m_status.end()));
        m_requests.push_back(std::move(request));
        if (!answer.first.empty())
            Schedule(std::move(answer.first), answer.second);
    }
    m_changed.notify_all();
}

void PanelSimulator::Run()
{
    while (!m_stop)
    {
        std::vector<Bytes> due;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            for (; !m_pending.empty() && m_pending.front().first <= Clock::now(); m_pending.erase(m_pending.begin()))
                due.push_back(std::move(m_pending.front().second));
        }
        for (const Bytes& bytes : due) // a line that is gone shows as a missing answer
            for (size_t done = 0; done < bytes.size();)
            {
                const ssize_t n = write(m_master, bytes.data() + done, bytes.size() - done);
                if (n <= 0 && errno != EINTR)
                    break;
                done += n > 0 ? static_cast<size_t>(n) : 0;
            }
        pollfd fd{m_master, POLLIN, 0};
        uint8_t buffer[512];
        if (poll(&fd, 1, 1) > 0 && (fd.revents & POLLIN))
        {
            const ssize_t n = read(m_master, buffer, sizeof(buffer));
            std::lock_guard<std::mutex> lock(m_mutex);
            if (n > 0)
                Take(buffer, static_cast<size_t>(n));
        }
    }
}

std::function<int(char*, int)> PortListOf(std::vector<std::string> paths)
{
    return [paths](char* buffer, int size) {
        int used = 0, count = 0;
        for (const std::string& path : paths)
            if (used + static_cast<int>(path.size()) + 1 <= size)
            {
                memcpy(buffer + used, path.c_str(), path.size() + 1);
                used += static_cast<int>(path.size()) + 1;
                ++count;
            }
        return count;
    };
}

bool ConnectPatiently(PanelComm& comm)
{
    for (int attempt = 0; attempt < 3; ++attempt)
    {
        if (attempt > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (comm.IsConnected() || comm.Connect() == COMM_OK)
            return true;
    }
    return false;
}
