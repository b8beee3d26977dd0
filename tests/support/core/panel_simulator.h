#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A simulated control box on the master side of a pseudo-terminal; the link
// opens Path() as its serial port. Each packet received is answered by the
// next queued answer, else by default: the probe with a "V" packet of the
// panel information 1 2 3 4, "Q" with the status, other good packets with
// ACK, a bad CRC with NAK. Empty answer bytes are silence. Thread-safe.
class PanelSimulator
{
public:
    using Bytes = std::vector<uint8_t>;

    ~PanelSimulator() { Stop(); }
    bool Start();
    void Stop();
    const std::string& Path() const { return m_path; }
    int Line() const { return m_slave; } // the box's own descriptor of the line, for its settings

    void SetStatus(std::array<uint8_t, 6> status);
    void QueueBytes(Bytes bytes, int delayMs = 0);
    void QueueAck(int delayMs = 0) { QueueBytes({0x06}, delayMs); }
    void QueueNak() { QueueBytes({0x15}); }
    void QueueSilence() { QueueBytes({}); }
    void SendNow(Bytes bytes); // unasked

    Bytes Received() const;
    std::vector<Bytes> Requests() const;
    size_t RequestCount() const { return Requests().size(); }
    // The requests with the link's resends folded: on a busy machine an
    // answer can come after the link's poll and the same packet goes again.
    std::vector<Bytes> RequestsWithoutResends() const;
    bool WaitForReceived(size_t byteCount, int timeoutMs) const;
    bool WaitForRequests(size_t count, int timeoutMs) const;
    void ClearReceived(); // and the queue

    static Bytes MakePacket(uint8_t letter, const Bytes& payload);

private:
    using Clock = std::chrono::steady_clock;
    void Run();
    void Take(const uint8_t* data, size_t count);
    void Schedule(Bytes bytes, int delayMs); // under the lock // under the lock
    bool WaitFor(const std::function<bool()>& done, int timeoutMs) const;

    int m_master = -1;
    int m_slave = -1; // kept open so the master never sees a hang-up
    std::string m_path;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::array<uint8_t, 6> m_status{};
    std::deque<std::pair<Bytes, int>> m_queue;
    std::vector<std::pair<Clock::time_point, Bytes>> m_pending; // by time
    Bytes m_received, m_partial;
    std::vector<Bytes> m_requests;
};

// A port lister for PanelComm::SetPortLister that lists exactly these paths.
std::function<int(char*, int)> PortListOf(std::vector<std::string> paths);

// Connects, up to three times: on a busy machine the probe's window can close
// before the answer comes. Late answers are let in first, for the purge.
class PanelComm;
bool ConnectPatiently(PanelComm& comm);
