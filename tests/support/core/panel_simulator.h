#pragma once

#include <array>
#include <atomic>
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
// ACK, a bad CRC with NAK. Empty answer bytes are silence. The box's own
// loop sends the answers. Thread-safe.
class PanelSimulator
{
public:
    using Bytes = std::vector<uint8_t>;

    ~PanelSimulator() { Stop(); }
    bool Start();
    void Stop();
    const std::string& Path() const { return m_path; }
    int Line() const { return m_slave; } // the box's own descriptor of the line, for its settings

    void SetStatus(std::array<uint8_t, 6> status) { Locked([&] { m_status = status; }); }
    void QueueBytes(Bytes bytes) { Locked([&] { m_queue.push_back(std::move(bytes)); }); }
    void QueueNak() { QueueBytes({0x15}); }
    void SendNow(Bytes bytes) { Locked([&] { m_outgoing.push_back(std::move(bytes)); }); } // unasked

    std::vector<Bytes> Requests() const { return Locked([&] { return m_requests; }); }
    size_t RequestCount() const { return Requests().size(); }
    // The requests with the link's resends folded: on a busy machine an
    // answer can come after the link's poll and the same packet goes again.
    std::vector<Bytes> RequestsWithoutResends() const;
    bool WaitForRequests(size_t count, int timeoutMs) const;
    void ClearReceived(); // the requests and the queue

    static Bytes MakePacket(uint8_t letter, const Bytes& payload);

private:
    template <class Step>
    auto Locked(Step step) const -> decltype(step())
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return step();
    }
    void Run();
    void Take(const uint8_t* data, size_t count); // under the lock

    int m_master = -1;
    int m_slave = -1; // kept open so the master never sees a hang-up
    std::string m_path;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::array<uint8_t, 6> m_status{};
    std::deque<Bytes> m_queue;
    std::vector<Bytes> m_outgoing, m_requests;
    Bytes m_partial;
};

// A port lister for PanelComm::SetPortLister that lists exactly these paths.
std::function<int(char*, int)> PortListOf(std::vector<std::string> paths);

// Connects, up to three times: on a busy machine the probe's window can close
// before the answer comes. Late answers are let in first, for the purge.
class PanelComm;
bool ConnectPatiently(PanelComm& comm);
