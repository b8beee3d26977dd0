#include "support/core/http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

namespace {

const char* ReasonText(int status)
{
    switch (status)
    {
    case 200: return "OK";
    case 302: return "Found";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    default: return "Status";
    }
}

constexpr int POLL_STEP_MS = 20;
constexpr int REQUEST_TIMEOUT_MS = 2000;
constexpr size_t MAX_REQUEST_HEAD = 16384;

} // namespace

LoopbackHttpServer::LoopbackHttpServer(int lifetimeMs) : m_lifetimeMs(lifetimeMs) {}

LoopbackHttpServer::~LoopbackHttpServer()
{
    Stop();
}

bool LoopbackHttpServer::Start()
{
    if (m_listenFd >= 0)
        return false;
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    int one = 1;
    if (setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one)) != 0)
    {
        close(fd);
        return false;
    }
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0; // the kernel picks a free port
    socklen_t len = sizeof(addr);
    if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 || listen(fd, 8) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
    {
        close(fd);
        return false;
    }
    m_listenFd = fd;
    m_port = ntohs(addr.sin_port);
    m_stop = false;
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

void LoopbackHttpServer::SetAnswer(const std::string& path, const Answer& answer)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_answers[path] = answer;
}

void LoopbackHttpServer::ServeBody(const std::string& path, const std::string& body)
{
    ServeStatus(path, 200, body);
}

void LoopbackHttpServer::ServeStatus(const std::string& path, int status, const std::string& body)
{
    Answer answer;
    answer.status = status;
    answer.body = body;
    answer.sendBytes = body.size();
    SetAnswer(path, answer);
}

void LoopbackHttpServer::ServeRedirect(const std::string& path, const std::string& location)
{
    Answer answer;
    answer.status = 302;
    answer.location = location;
    answer.body = "moved\n";
    answer.sendBytes = answer.body.size();
    SetAnswer(path, answer);
}

void LoopbackHttpServer::ServeHtml(const std::string& path, const std::string& html)
{
    Answer answer;
    answer.contentType = "text/html";
    answer.body = html;
    answer.sendBytes = html.size();
    SetAnswer(path, answer);
}

void LoopbackHttpServer::ServeSlow(const std::string& path, const std::string& body,
                                   size_t chunkSize, int delayMs)
{
    Answer answer;
    answer.body = body;
    answer.sendBytes = body.size();
    answer.chunkSize = chunkSize;
    answer.delayMs = delayMs;
    SetAnswer(path, answer);
}

void LoopbackHttpServer::ServeCutOff(const std::string& path, const std::string& body,
                                     size_t sentBytes)
{
    Answer answer;
    answer.body = body;
    answer.sendBytes = sentBytes < body.size() ? sentBytes : body.size();
    SetAnswer(path, answer);
}

void LoopbackHttpServer::ServeEndless(const std::string& path, const std::string& head,
                                      unsigned long long announcedLength)
{
    Answer answer;
    answer.body = head;
    answer.sendBytes = head.size();
    answer.endless = true;
    answer.announcedLength = announcedLength;
    SetAnswer(path, answer);
}

unsigned long long LoopbackHttpServer::BytesSent(const std::string& path) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_bytesSent.find(path);
    return it == m_bytesSent.end() ? 0 : it->second;
}

int LoopbackHttpServer::RequestCount(const std::string& path) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_requests.find(path);
    return it == m_requests.end() ? 0 : it->second;
}

void LoopbackHttpServer::Loop()
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(m_lifetimeMs);
    while (!m_stop && std::chrono::steady_clock::now() < end)
    {
        pollfd pfd{m_listenFd, POLLIN, 0};
        int ready = poll(&pfd, 1, POLL_STEP_MS);
        if (ready < 0 && errno != EINTR)
            break;
        if (ready <= 0)
            continue;
        int fd = accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        HandleConnection(fd);
        close(fd);
    }
    // Closed here, so that a server past its lifetime refuses connections
    // instead of leaving them in the backlog unanswered.
    close(m_listenFd);
    m_listenFd = -1;
}

bool LoopbackHttpServer::Sleep(int ms)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!m_stop)
    {
        auto now = std::chrono::steady_clock::now();
        if (now >= end)
            return true;
        auto step = std::chrono::milliseconds(POLL_STEP_MS);
        std::this_thread::sleep_for(end - now < step ? end - now : step);
    }
    return false;
}

bool LoopbackHttpServer::ReadRequestPath(int fd, std::string& path)
{
    std::string head;
    char buffer[2048];
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(REQUEST_TIMEOUT_MS);
    while (head.find("\r\n\r\n") == std::string::npos)
    {
        if (m_stop || std::chrono::steady_clock::now() >= end || head.size() > MAX_REQUEST_HEAD)
            return false;
        pollfd pfd{fd, POLLIN, 0};
        int ready = poll(&pfd, 1, POLL_STEP_MS);
        if (ready < 0 && errno != EINTR)
            return false;
        if (ready <= 0)
            continue;
        ssize_t n = recv(fd, buffer, sizeof(buffer), 0);
        if (n <= 0)
            return false;
        head.append(buffer, static_cast<size_t>(n));
    }
    // "GET /path HTTP/1.1"
    size_t first = head.find(' ');
    size_t second = first == std::string::npos ? first : head.find(' ', first + 1);
    if (second == std::string::npos)
        return false;
    path = head.substr(first + 1, second - first - 1);
    return true;
}

bool LoopbackHttpServer::SendAll(int fd, const char* data, size_t size)
{
    while (size > 0)
    {
        if (m_stop)
            return false;
        pollfd pfd{fd, POLLOUT, 0};
        int ready = poll(&pfd, 1, POLL_STEP_MS);
        if (ready < 0 && errno != EINTR)
            return false;
        if (ready <= 0)
            continue;
        ssize_t n = send(fd, data, size, MSG_NOSIGNAL);
        if (n < 0)
        {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            return false; // the client went away
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

void LoopbackHttpServer::HandleConnection(int fd)
{
    std::string path;
    if (!ReadRequestPath(fd, path))
        return;

    Answer answer;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_requests[path];
        auto it = m_answers.find(path);
        if (it != m_answers.end())
            answer = it->second;
        else
        {
            answer.status = 404;
            answer.body = "not found\n";
            answer.sendBytes = answer.body.size();
        }
    }

    if (answer.endless)
    {
        SendEndless(fd, path, answer);
        return;
    }

    char head[512];
    int headLen = snprintf(head, sizeof(head),
                           "HTTP/1.1 %d %s\r\nContent-Type: %s\r\nContent-Length: %zu\r\n%s%s%s"
                           "Connection: close\r\n\r\n",
                           answer.status, ReasonText(answer.status), answer.contentType.c_str(),
                           answer.body.size(), answer.location.empty() ? "" : "Location: ",
                           answer.location.c_str(), answer.location.empty() ? "" : "\r\n");
    if (headLen < 0 || static_cast<size_t>(headLen) >= sizeof(head))
        return;
    if (!SendAll(fd, head, static_cast<size_t>(headLen)))
        return;

    size_t chunk = answer.chunkSize == 0 ? answer.sendBytes : answer.chunkSize;
    for (size_t pos = 0; pos < answer.sendBytes; pos += chunk)
    {
        size_t n = answer.sendBytes - pos < chunk ? answer.sendBytes - pos : chunk;
        if (!SendAll(fd, answer.body.data() + pos, n))
            return;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_bytesSent[path] += n;
        }
        if (answer.delayMs > 0 && pos + n < answer.sendBytes && !Sleep(answer.delayMs))
            return;
    }
    // Let the client read everything before the close (a cut-off body is
    // then seen as a short body, not as a reset).
    shutdown(fd, SHUT_WR);
    char drain[256];
    pollfd pfd{fd, POLLIN, 0};
    if (poll(&pfd, 1, 200) > 0)
        (void)recv(fd, drain, sizeof(drain), 0);
}

void LoopbackHttpServer::SendEndless(int fd, const std::string& path, const Answer& answer)
{
    std::string head = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n";
    if (answer.announcedLength > 0)
        head += "Content-Length: " + std::to_string(answer.announcedLength) + "\r\n";
    head += "Connection: close\r\n\r\n";
    if (!SendAll(fd, head.data(), head.size()))
        return;
    const std::string filler = "C, Filler, abcdefghijklmnopqrstuvwxyz0123456789\r\n";
    std::string more;
    while (more.size() < 65536)
        more += filler;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(m_lifetimeMs);
    for (const std::string* data = &answer.body; !m_stop && std::chrono::steady_clock::now() < end; data = &more)
    {
        if (!SendAll(fd, data->data(), data->size()))
            return; // the client went away
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bytesSent[path] += data->size();
    }
}
