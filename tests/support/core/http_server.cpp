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
    sockaddr* address = reinterpret_cast<sockaddr*>(&addr);
    if (fd < 0 || bind(fd, address, len) != 0 || listen(fd, 8) != 0 || getsockname(fd, address, &len) != 0)
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

LoopbackHttpServer::~LoopbackHttpServer()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
}

void LoopbackHttpServer::Serve(const std::string& path, const Answer& answer)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_answers[path] = answer;
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
        const int fd = Wait(m_listenFd, POLLIN, 20) ? accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC) : -1;
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
    std::string request;
    char buffer[2048];
    for (int waited = 0; request.find("\r\n\r\n") == std::string::npos; waited += 20)
    {
        ssize_t got = 0;
        if (waited >= 2000 || m_stop || (Wait(fd, POLLIN, 20) && (got = recv(fd, buffer, sizeof(buffer), 0)) <= 0))
            return;
        request.append(buffer, static_cast<size_t>(got));
    }
    const size_t start = request.find(' ') + 1; // "GET /path HTTP/1.1"
    const std::string path = request.substr(start, request.find(' ', start) - start);
    Answer answer{404, "not found\n"};
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_answers.count(path) != 0)
            answer = m_answers[path];
    }
    const unsigned long long length = answer.endless ? answer.announced : answer.body.size();
    const std::string head =
        "HTTP/1.1 " + std::to_string(answer.status) + (answer.status == 404 ? " Not Found" : " Status") +
        "\r\nContent-Type: " + answer.contentType + "\r\n" +
        (length > 0 || !answer.endless ? "Content-Length: " + std::to_string(length) + "\r\n" : "") +
        (answer.location.empty() ? "" : "Location: " + answer.location + "\r\n") + "Connection: close\r\n\r\n";
    if (!Send(fd, head, answer, false) || !Send(fd, answer.body.substr(0, answer.sentBytes), answer, true))
        return;
    const std::string filler(65536, '#'); // an endless answer goes on with this until the client goes away
    while (answer.endless && Send(fd, filler, answer, true))
        ;
    // Let the client read everything before the close: a cut-off body is then
    // seen as a short body, not as a reset.
    shutdown(fd, SHUT_WR);
    if (Wait(fd, POLLIN, 200))
        (void)recv(fd, buffer, sizeof(buffer), 0);
}

bool LoopbackHttpServer::Send(int fd, const std::string& data, const Answer& answer, bool body)
{
    const size_t chunk = body && answer.chunkSize != 0 ? answer.chunkSize : data.size();
    for (size_t pos = 0; pos < data.size();)
    {
        for (int idle = 0; !Wait(fd, POLLOUT, 20); idle += 20)
            if (m_stop || idle > (answer.endless ? m_lifetimeMs : 2000))
                return false;
        const ssize_t sent = send(fd, data.data() + pos, std::min(chunk, data.size() - pos), MSG_NOSIGNAL);
        if (sent <= 0)
            return false; // the client went away
        pos += static_cast<size_t>(sent);
        for (int slept = 0; body && pos < data.size() && slept < answer.delayMs && !m_stop; slept += 5)
            std::this_thread::sleep_for(std::chrono::milliseconds(std::min(5, answer.delayMs - slept)));
    }
    return true;
}
