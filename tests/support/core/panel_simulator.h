#pragma once

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct termios;

// A simulated control box on the master side of a pseudo-terminal. The link
// opens Path() as its serial port. The box splits what it receives into
// packets and answers each one: by default the probe ("S") with an 8-byte
// "V" packet carrying four information bytes, the status query ("Q") with a
// six-byte status packet, any other good packet with ACK and a packet with a
// bad CRC with NAK. Scripted answers replace the default for the next
// requests, one each, in order. Runs its own thread; all calls are
// thread-safe.
class PanelSimulator
{
public:
    using Bytes = std::vector<uint8_t>;

    struct Answer
    {
        Bytes bytes;       // sent as they stand (empty: silence)
        int delayMs = 0;   // after the request's last byte came
    };

    PanelSimulator();
    ~PanelSimulator();
    PanelSimulator(const PanelSimulator&) = delete;
    PanelSimulator& operator=(const PanelSimulator&) = delete;

    // Opens the pseudo-terminal and starts answering. False when it cannot.
    bool Start();
    void Stop();
    // The device path of the box's end of the line, e.g. /dev/pts/5.
    const std::string& Path() const { return m_path; }

    // The line settings of the terminal as the link left them.
    bool GetLineSettings(termios* settings) const;
    // Whether the terminal is in exclusive mode (no further opens but root's).
    bool IsExclusive() const;

    // The default answers.
    void SetPanelInfo(std::array<uint8_t, 4> info);
    void SetStatus(std::array<uint8_t, 6> status);
    void SetProbeLetter(uint8_t letter); // 'V' for a real box

    // The next request gets this answer instead of the default.
    void Queue(Answer answer);
    void QueueAck(int delayMs = 0) { Queue({{0x06}, delayMs}); }
    void QueueNak(int delayMs = 0) { Queue({{0x15}, delayMs}); }
    void QueueSilence() { Queue({{}, 0}); }
    void QueueBytes(Bytes bytes, int delayMs = 0) { Queue({std::move(bytes), delayMs}); }
    // A reply packet with a good CRC, or with its CRC's last byte flipped.
    void QueuePacket(uint8_t letter, const Bytes& payload, int delayMs = 0);
    void QueueWrongCrc(uint8_t letter, const Bytes& payload, int delayMs = 0);
    // Bytes sent now, unasked (for a read-only exchange).
    void SendNow(const Bytes& bytes);

    // Every byte received so far, in order, and the same split into requests.
    Bytes Received() const;
    std::vector<Bytes> Requests() const;
    size_t RequestCount() const;
    bool WaitForRequests(size_t count, int timeoutMs) const;
    bool WaitForReceived(size_t byteCount, int timeoutMs) const;
    void ClearReceived();
    // Answers still queued (not yet taken by a request), and dropping them.
    size_t QueuedAnswers() const;
    void ClearQueue();

    // letter, payload length + 2, payload, CRC (most significant byte first).
    static Bytes MakePacket(uint8_t letter, const Bytes& payload);

private:
    using Clock = std::chrono::steady_clock;
    struct Pending
    {
        Clock::time_point due;
        Bytes bytes;
    };

    void Run();
    void TakeBytes(const uint8_t* data, size_t count, std::vector<Pending>& toSend);
    Answer DefaultAnswer(const Bytes& request) const;
    void WriteAll(const Bytes& bytes);
    void Wake(char reason);

    int m_master = -1;
    int m_slave = -1; // kept open so the master never sees a hang-up
    int m_wake[2] = {-1, -1};
    std::string m_path;
    std::thread m_thread;

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::array<uint8_t, 4> m_info{1, 2, 3, 4};
    std::array<uint8_t, 6> m_status{};
    uint8_t m_probeLetter = 'V';
    std::deque<Answer> m_queue;
    std::vector<Bytes> m_unasked;
    Bytes m_received;
    Bytes m_partial;
    std::vector<Bytes> m_requests;
};

// A port lister for PanelComm::SetPortLister that lists exactly these paths.
std::function<int(char*, int)> PortListOf(std::vector<std::string> paths);
