#pragma once

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>

// A small HTTP/1.0-style server on 127.0.0.1 for tests and benchmarks. One
// thread accepts connections on a free port and answers one request per
// connection ("Connection: close"), one connection at a time. Every answer is
// registered beforehand per path; an unknown path gets a 404. The thread ends
// on Stop(), in the destructor, or by itself when its lifetime is over, so a
// test that forgets it cannot hang.
class LoopbackHttpServer
{
public:
    static constexpr int DEFAULT_LIFETIME_MS = 60000;

    explicit LoopbackHttpServer(int lifetimeMs = DEFAULT_LIFETIME_MS);
    ~LoopbackHttpServer();
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    // Binds a free port on 127.0.0.1 and starts the thread; false on failure.
    bool Start();
    // Ends the thread (an answer being sent is broken off); idempotent.
    void Stop();

    unsigned short Port() const { return m_port; }
    // "http://127.0.0.1:PORT" followed by path (which starts with "/").
    std::string Url(const std::string& path) const;

    // 200 with the body (content type text/plain).
    void ServeBody(const std::string& path, const std::string& body);
    // Any status with a body, e.g. 404 or 500.
    void ServeStatus(const std::string& path, int status, const std::string& body);
    // 302 to location, with a short body.
    void ServeRedirect(const std::string& path, const std::string& location);
    // 200 with content type text/html: an error page that claims success.
    void ServeHtml(const std::string& path, const std::string& html);
    // 200, the body sent in pieces of chunkSize with delayMs between them.
    void ServeSlow(const std::string& path, const std::string& body, size_t chunkSize, int delayMs);
    // 200 announcing the whole body's length, but the connection is closed
    // after sentBytes of it.
    void ServeCutOff(const std::string& path, const std::string& body, size_t sentBytes);

    // 200 with `head` followed by filler lines that never end, until the
    // client goes away or the server stops. With announcedLength above 0 the
    // answer claims that length; otherwise it has no length at all.
    void ServeEndless(const std::string& path, const std::string& head, unsigned long long announcedLength = 0);

    // How many body bytes have been sent for path so far.
    unsigned long long BytesSent(const std::string& path) const;

    // How many requests for path have been received so far.
    int RequestCount(const std::string& path) const;

private:
    struct Answer
    {
        int status = 200;
        std::string contentType = "text/plain";
        std::string location;
        std::string body;
        size_t sendBytes = 0; // how much of body is really sent
        size_t chunkSize = 0; // 0: all at once
        int delayMs = 0;
        bool endless = false;
        unsigned long long announcedLength = 0; // endless: the length claimed, 0 for none
    };

    void SetAnswer(const std::string& path, const Answer& answer);
    void Loop();
    void HandleConnection(int fd);
    void SendEndless(int fd, const std::string& path, const Answer& answer);
    bool ReadRequestPath(int fd, std::string& path);
    bool SendAll(int fd, const char* data, size_t size);
    bool Sleep(int ms); // false when stopping

    const int m_lifetimeMs;
    int m_listenFd = -1; // owned by the thread once it runs
    unsigned short m_port = 0;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};

    mutable std::mutex m_mutex; // guards the maps
    std::map<std::string, Answer> m_answers;
    std::map<std::string, int> m_requests;
    std::map<std::string, unsigned long long> m_bytesSent;
};
