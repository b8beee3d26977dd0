#include "support/core/panel_simulator.h"

#include "comm/packet.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

PanelSimulator::PanelSimulator() = default;

PanelSimulator::~PanelSimulator()
{
    Stop();
}

bool PanelSimulator::Start()
{
    if (m_master >= 0)
        return true;
    char name[256] = {};
    termios raw{};
    cfmakeraw(&raw);
    if (openpty(&m_master, &m_slave, name, &raw, nullptr) != 0)
        return false;
    if (pipe2(m_wake, O_CLOEXEC | O_NONBLOCK) != 0)
    {
        Stop();
        return false;
    }
    fcntl(m_master, F_SETFD, FD_CLOEXEC);
    fcntl(m_slave, F_SETFD, FD_CLOEXEC);
    m_path = name;
    m_thread = std::thread([this] { Run(); });
    return true;
}

void PanelSimulator::Stop()
{
    if (m_thread.joinable())
    {
        Wake('q');
        m_thread.join();
    }
    for (int* fd : {&m_master, &m_slave, &m_wake[0], &m_wake[1]})
    {
        if (*fd >= 0)
            close(*fd);
        *fd = -1;
    }
}

bool PanelSimulator::GetLineSettings(termios* settings) const
{
    return m_slave >= 0 && tcgetattr(m_slave, settings) == 0;
}

bool PanelSimulator::IsExclusive() const
{
    int exclusive = 0;
    return m_slave >= 0 && ioctl(m_slave, TIOCGEXCL, &exclusive) == 0 && exclusive != 0;
}

void PanelSimulator::SetPanelInfo(std::array<uint8_t, 4> info)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_info = info;
}

void PanelSimulator::SetStatus(std::array<uint8_t, 6> status)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_status = status;
}

void PanelSimulator::SetProbeLetter(uint8_t letter)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_probeLetter = letter;
}

void PanelSimulator::Queue(Answer answer)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_queue.push_back(std::move(answer));
}

void PanelSimulator::QueuePacket(uint8_t letter, const Bytes& payload, int delayMs)
{
    Queue({MakePacket(letter, payload), delayMs});
}

void PanelSimulator::QueueWrongCrc(uint8_t letter, const Bytes& payload, int delayMs)
{
    Bytes packet = MakePacket(letter, payload);
    packet.back() ^= 0xFF;
    Queue({packet, delayMs});
}

void PanelSimulator::SendNow(const Bytes& bytes)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_unasked.push_back(bytes);
    }
    Wake('w');
}

void PanelSimulator::Wake(char reason)
{
    // Only a full pipe can refuse the byte, and a full pipe wakes the thread
    // anyway; "q" is written once, into a pipe the thread keeps draining.
    while (write(m_wake[1], &reason, 1) < 0 && errno == EINTR)
    {
    }
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

size_t PanelSimulator::RequestCount() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requests.size();
}

bool PanelSimulator::WaitForRequests(size_t count, int timeoutMs) const
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [&] { return m_requests.size() >= count; });
}

bool PanelSimulator::WaitForReceived(size_t byteCount, int timeoutMs) const
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [&] { return m_received.size() >= byteCount; });
}

void PanelSimulator::ClearReceived()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_received.clear();
    m_requests.clear();
    m_partial.clear();
}

size_t PanelSimulator::QueuedAnswers() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_queue.size();
}

void PanelSimulator::ClearQueue()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_queue.clear();
}

PanelSimulator::Bytes PanelSimulator::MakePacket(uint8_t letter, const Bytes& payload)
{
    Bytes packet(payload.size() + 4);
    packet[0] = letter;
    packet[1] = static_cast<uint8_t>(payload.size() + 2);
    std::copy(payload.begin(), payload.end(), packet.begin() + 2);
    const uint16_t crc = Crc16(packet.data(), payload.size() + 2);
    packet[payload.size() + 2] = static_cast<uint8_t>(crc >> 8);
    packet[payload.size() + 3] = static_cast<uint8_t>(crc & 0xFF);
    return packet;
}

PanelSimulator::Answer PanelSimulator::DefaultAnswer(const Bytes& request) const
{
    Bytes copy = request;
    if (!CheckAndSetCrc(copy.data(), copy.size()))
        return {{PANEL_NAK}, 0};
    if (request[0] == PROBE_LETTER)
        return {MakePacket(m_probeLetter, Bytes(m_info.begin(), m_info.end())), 0};
    if (request[0] == 'Q')
        return {MakePacket('Q', Bytes(m_status.begin(), m_status.end())), 0};
    return {{PANEL_ACK}, 0};
}

void PanelSimulator::TakeBytes(const uint8_t* data, size_t count, std::vector<Pending>& toSend)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_received.insert(m_received.end(), data, data + count);
    m_partial.insert(m_partial.end(), data, data + count);
    while (m_partial.size() >= 2)
    {
        // A length byte below 2 cannot start a packet: drop a byte and resync.
        if (m_partial[1] < 2)
        {
            m_partial.erase(m_partial.begin());
            continue;
        }
        const size_t size = static_cast<size_t>(m_partial[1]) + 2;
        if (m_partial.size() < size)
            break;
        Bytes request(m_partial.begin(), m_partial.begin() + static_cast<long>(size));
        m_partial.erase(m_partial.begin(), m_partial.begin() + static_cast<long>(size));
        Answer answer;
        if (!m_queue.empty())
        {
            answer = std::move(m_queue.front());
            m_queue.pop_front();
        }
        else
            answer = DefaultAnswer(request);
        m_requests.push_back(std::move(request));
        if (!answer.bytes.empty())
            toSend.push_back({Clock::now() + std::chrono::milliseconds(answer.delayMs), std::move(answer.bytes)});
    }
    m_changed.notify_all();
}

void PanelSimulator::WriteAll(const Bytes& bytes)
{
    size_t done = 0;
    while (done < bytes.size())
    {
        const ssize_t n = write(m_master, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return; // the line is gone; the test sees the missing answer
        done += static_cast<size_t>(n);
    }
}

void PanelSimulator::Run()
{
    std::vector<Pending> pending;
    for (;;)
    {
        // Send what is due, then sleep until the next answer or input.
        const auto now = Clock::now();
        std::stable_sort(pending.begin(), pending.end(),
                         [](const Pending& a, const Pending& b) { return a.due < b.due; });
        while (!pending.empty() && pending.front().due <= now)
        {
            WriteAll(pending.front().bytes);
            pending.erase(pending.begin());
        }
        int timeoutMs = -1;
        if (!pending.empty())
        {
            const auto wait = std::chrono::duration_cast<std::chrono::microseconds>(pending.front().due - now);
            timeoutMs = static_cast<int>((wait.count() + 999) / 1000);
        }

        pollfd fds[2] = {{m_master, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        const int ready = poll(fds, 2, timeoutMs);
        if (ready < 0 && errno != EINTR)
            return;
        if (ready <= 0)
            continue;
        if (fds[1].revents & POLLIN)
        {
            char signal[16];
            const ssize_t n = read(m_wake[0], signal, sizeof(signal));
            if (n > 0 && memchr(signal, 'q', static_cast<size_t>(n)) != nullptr)
                return;
            std::vector<Bytes> unasked;
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                unasked.swap(m_unasked);
            }
            for (const Bytes& bytes : unasked)
                WriteAll(bytes);
        }
        if (fds[0].revents & POLLIN)
        {
            uint8_t buffer[512];
            const ssize_t n = read(m_master, buffer, sizeof(buffer));
            if (n > 0)
                TakeBytes(buffer, static_cast<size_t>(n), pending);
        }
        else if (fds[0].revents & (POLLHUP | POLLERR))
        {
            // Cannot happen while m_slave is open; avoid spinning if it does.
            usleep(1000);
        }
    }
}

std::function<int(char*, int)> PortListOf(std::vector<std::string> paths)
{
    return [paths](char* buffer, int size) {
        int used = 0;
        int count = 0;
        for (const std::string& path : paths)
        {
            const int length = static_cast<int>(path.size());
            if (used + length + 1 > size)
                continue;
            memcpy(buffer + used, path.c_str(), path.size() + 1);
            used += length + 1;
            ++count;
        }
        return count;
    };
}
