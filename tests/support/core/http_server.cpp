#include "support/core/http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

bool LoopbackHttpServer::Start()
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK); // port 0: the kernel picks a free one
    socklen_t len = sizeof(addr);
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 || listen(fd, 8) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
    {
        if (fd >= 0)
            close(fd);
        return false;
    }
    m_listenFd = fd;
    m_port = ntohs(addr.sin_port);
    m_thread = std::thread(&LoopbackHttpServer::Loop, this);
    return true;
}

void LoopbackHttpServer::Stop()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
}

std::string LoopbackHttpServer::Url(const std::string& path) const
{
    return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

LoopbackHttpServer::Answer LoopbackHttpServer::Answer::Endless(const std::string& head, unsigned long long announced)
{
    Answer answer{200, head};
    answer.endless = true;
    answer.announced = announced;
    return answer;
}

void LoopbackHttpServer::Serve(const std::string& path, const Answer& answer)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_answers[path] = answer;
}

int LoopbackHttpServer::RequestCount(const std::string& path) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requests.count(path) != 0 ? m_requests.at(path) : 0;
}

unsigned long long LoopbackHttpServer::BytesSent(const std::string& path) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_bytesSent.count(path) != 0 ? m_bytesSent.at(path) : 0;
}

bool LoopbackHttpServer::Wait(int fd, short events, int ms)
{
    pollfd pfd{fd, events, 0};
    return !m_stop && poll(&pfd, 1, ms) > 0;
}

void LoopbackHttpServer::Loop()
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(m_lifetimeMs);
    while (!m_stop && std::chrono::steady_clock::now() < end)
    {
        if (!Wait(m_listenFd, POLLIN, 20))
            continue;
        const int fd = accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd >= 0)
        {
            Respond(fd);
            close(fd);
        }
    }
    close(m_listenFd); // past its lifetime it refuses connections instead of leaving them unanswered
}

void LoopbackHttpServer::Respond(int fd)
{
    std::string head;
    char buffer[2048];
    for (int waited = 0; head.find("\r\n\r\n") == std::string::npos; waited += 20)
    {
        if (waited >= 2000 || m_stop)
            return;
        if (!Wait(fd, POLLIN, 20))
            continue;
        const ssize_t n = recv(fd, buffer, sizeof(buffer), 0);
        if (n <= 0)
            return;
        head.append(buffer, static_cast<size_t>(n));
    }
    const size_t start = head.find(' ') + 1; // "GET /path HTTP/1.1"
    const std::string path = head.substr(start, head.find(' ', start) - start);
    Answer answer{404, "not found\n"};
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_requests[path];
        if (m_answers.count(path) != 0)
            answer = m_answers[path];
    }
    const unsigned long long length = answer.endless ? answer.announced : answer.body.size();
    std::string out = "HTTP/1.1 " + std::to_string(answer.status) + (answer.status == 404 ? " Not Found" : " Status") +
                      "\r\nContent-Type: " + answer.contentType + "\r\n" +
                      (length > 0 || !answer.endless ? "Content-Length: " + std::to_string(length) + "\r\n" : "") +
                      (answer.location.empty() ? "" : "Location: " + answer.location + "\r\n") +
                      "Connection: close\r\n\r\n";
    const size_t headSize = out.size();
    out += answer.body.substr(0, answer.sentBytes);
    if (answer.endless)
        while (out.size() < headSize + answer.body.size() + 65536)
            out += "C, Filler, abcdefghijklmnopqrstuvwxyz0123456789\r\n";
    const size_t chunk = answer.chunkSize == 0 ? out.size() : answer.chunkSize;
    for (size_t pos = 0; pos < out.size();)
    {
        const size_t n = pos < headSize ? headSize - pos : std::min(chunk, out.size() - pos);
        for (int idle = 0; !Wait(fd, POLLOUT, 20); idle += 20)
            if (m_stop || idle > (answer.endless ? m_lifetimeMs : 2000))
                return;
        const ssize_t sent = send(fd, out.data() + pos, n, MSG_NOSIGNAL);
        if (sent <= 0)
            return; // the client went away
        pos += static_cast<size_t>(sent);
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_bytesSent[path] += pos > headSize ? std::min(static_cast<size_t>(sent), pos - headSize) : 0;
        }
        if (answer.endless && pos == out.size()) // the filler again, until the client goes away
        {
            out.erase(headSize, answer.body.size());
            pos = headSize;
        }
        for (int slept = 0; pos > headSize && pos < out.size() && slept < answer.delayMs && !m_stop; slept += 5)
            std::this_thread::sleep_for(std::chrono::milliseconds(std::min(5, answer.delayMs - slept)));
    }
    // Let the client read everything before the close: a cut-off body is then
    // seen as a short body, not as a reset.
    shutdown(fd, SHUT_WR);
    if (Wait(fd, POLLIN, 200))
        (void)recv(fd, buffer, sizeof(buffer), 0);
}
