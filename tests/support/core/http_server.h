#pragma once

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

// A small HTTP server on 127.0.0.1 for tests and benchmarks: one thread
// answers one request per connection from a table of canned answers per path
// (an unknown path gets a 404). It stops in its destructor or by itself after
// its lifetime, so a test that forgets it cannot hang.
class LoopbackHttpServer
{
public:
    struct Answer
    {
        Answer(int status_ = 200, std::string body_ = "", std::string contentType_ = "text/plain",
               std::string location_ = "", size_t sentBytes_ = std::string::npos, size_t chunkSize_ = 0,
               int delayMs_ = 0)
            : status(status_), body(std::move(body_)), contentType(std::move(contentType_)),
              location(std::move(location_)), sentBytes(sentBytes_), chunkSize(chunkSize_), delayMs(delayMs_)
        {
        }
        static Answer Slow(const std::string& body, size_t chunkSize, int delayMs)
        {
            return {200, body, "text/plain", "", std::string::npos, chunkSize, delayMs};
        }
        static Answer CutOff(const std::string& body, size_t sentBytes) { return {200, body, "text/plain", "", sentBytes}; }
        // The head, then filler lines until the client goes away; announced: the length claimed, 0 for none.
        static Answer Endless(const std::string& head, unsigned long long announced = 0)
        {
            Answer answer{200, head};
            answer.endless = true;
            answer.announced = announced;
            return answer;
        }

        int status;
        std::string body, contentType;
        std::string location; // for a redirect
        size_t sentBytes;     // fewer than the announced body: cut off
        size_t chunkSize;     // with delayMs between the chunks; 0: all at once
        int delayMs;
        bool endless = false;
        unsigned long long announced = 0;
    };

    explicit LoopbackHttpServer(int lifetimeMs = 60000) : m_lifetimeMs(lifetimeMs) {}
    ~LoopbackHttpServer();

    bool Start(); // binds a free port and starts the thread
    std::string Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(m_port) + path; }
    void Serve(const std::string& path, const Answer& answer);

private:
    void Loop();
    void Respond(int fd);
    // Sends data (a body in the answer's chunks and pace); false when the client went away.
    bool Send(int fd, const std::string& data, const Answer& answer, bool body);
    bool Wait(int fd, short events, int ms);

    const int m_lifetimeMs;
    int m_listenFd = -1;
    unsigned short m_port = 0;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    std::map<std::string, Answer> m_answers;
};
