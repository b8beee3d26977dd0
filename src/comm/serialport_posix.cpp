// The serial port layer over POSIX termios; works on real ports and on
// pseudo-terminals alike.

#include "comm/serialport.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

struct SerialPort
{
    std::string path;
    int fd = -1;
    bool savedValid = false;
    termios saved{}; // the settings found at opening, put back at closing
};

namespace {

// How long a write may wait for room in the transmit queue.
constexpr int WRITE_WAIT_MS = 1000;

bool BaudConstant(int baud, speed_t* speed)
{
    switch (baud)
    {
    case 110: *speed = B110; return true;
    case 300: *speed = B300; return true;
    case 600: *speed = B600; return true;
    case 1200: *speed = B1200; return true;
    case 2400: *speed = B2400; return true;
    case 4800: *speed = B4800; return true;
    case 9600: *speed = B9600; return true;
    case 19200: *speed = B19200; return true;
    case 38400: *speed = B38400; return true;
    case 57600: *speed = B57600; return true;
    case 115200: *speed = B115200; return true;
    default: return false;
    }
}

// Rates a control panel may be set to but termios has no constant for.
bool IsNonStandardRate(int baud)
{
    return baud == 14400 || baud == 56000 || baud == 128000 || baud == 256000;
}

// DTR and RTS low; a pseudo-terminal has no modem lines and says so.
int ClearModemLines(int fd)
{
    int lines = TIOCM_DTR | TIOCM_RTS;
    if (ioctl(fd, TIOCMBIC, &lines) != 0 && errno != ENOTTY && errno != EINVAL)
        return errno;
    return 0;
}

// Gives up on a half-opened port; errno still says why for the caller.
SerialPort* GiveUp(SerialPort* port)
{
    const int error = errno;
    CloseSerialPort(port);
    errno = error;
    return nullptr;
}

} // namespace

SerialPort* OpenSerialPort(const char* path)
{
    if (path == nullptr || path[0] == '\0')
    {
        errno = ENOENT;
        return nullptr;
    }
    auto* port = new SerialPort;
    port->path = path;
    port->fd = open(path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (port->fd < 0)
        return GiveUp(port);
    // TIOCEXCL keeps other openers out (but not root); the lock also keeps a
    // second program of ours off the port.
    if (!isatty(port->fd) || ioctl(port->fd, TIOCEXCL) != 0 || flock(port->fd, LOCK_EX | LOCK_NB) != 0 ||
        tcgetattr(port->fd, &port->saved) != 0)
        return GiveUp(port);
    port->savedValid = true;

    // Built from zero, not from the port's current state: raw bytes, no
    // echo, no translation, no flow control, the receiver on, modem status
    // lines ignored.
    termios line{};
    line.c_cflag = CS8 | CREAD | CLOCAL;
    line.c_cc[VMIN] = 0;
    line.c_cc[VTIME] = 0;
    if (cfsetispeed(&line, B9600) != 0 || cfsetospeed(&line, B9600) != 0 ||
        tcsetattr(port->fd, TCSANOW, &line) != 0)
        return GiveUp(port);
    if (const int error = ClearModemLines(port->fd); error != 0)
    {
        errno = error;
        return GiveUp(port);
    }
    return port;
}

void CloseSerialPort(SerialPort* port)
{
    if (port == nullptr)
        return;
    if (port->fd >= 0)
    {
        // Best effort, the port is going away: its old settings back, and
        // open to others again even if someone else keeps the device open.
        if (port->savedValid)
        {
            tcsetattr(port->fd, TCSANOW, &port->saved);
            ioctl(port->fd, TIOCNXCL);
        }
        close(port->fd);
    }
    delete port;
}

int SetLineSettings(SerialPort* port, int baud, char parity, int dataBits, int stopBits)
{
    if (port == nullptr || port->fd < 0)
        return EBADF;
    speed_t speed = B0;
    const bool standardRate = BaudConstant(baud, &speed);
    const char parityUpper = static_cast<char>(toupper(static_cast<unsigned char>(parity)));
    if ((!standardRate && !IsNonStandardRate(baud)) || strchr("EMNOS", parityUpper) == nullptr || parity == '\0' ||
        dataBits < 5 || dataBits > 8 || (stopBits != 1 && stopBits != 2))
        return 0;
    if (!standardRate)
        return EINVAL; // termios has no such rate: the system cannot apply it

    termios line{};
    if (tcgetattr(port->fd, &line) != 0)
        return errno;
    line.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB);
    static const tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
    line.c_cflag |= sizes[dataBits - 5];
    switch (parityUpper)
    {
    case 'E': line.c_cflag |= PARENB; break;
    case 'O': line.c_cflag |= PARENB | PARODD; break;
    case 'M': line.c_cflag |= PARENB | PARODD | CMSPAR; break;
    case 'S': line.c_cflag |= PARENB | CMSPAR; break;
    default: break;
    }
    if (stopBits == 2)
        line.c_cflag |= CSTOPB;
    if (cfsetispeed(&line, speed) != 0 || cfsetospeed(&line, speed) != 0 || tcsetattr(port->fd, TCSANOW, &line) != 0)
        return errno;
    return 0;
}

void PurgeSerialPort(SerialPort* port)
{
    if (port != nullptr && port->fd >= 0)
        tcflush(port->fd, TCIOFLUSH);
}

int WriteSerialPort(SerialPort* port, const uint8_t* data, int count)
{
    if (port == nullptr || port->fd < 0 || count < 0)
        return -1;
    int written = 0;
    while (written < count)
    {
        const ssize_t n = write(port->fd, data + written, static_cast<size_t>(count - written));
        if (n > 0)
        {
            written += static_cast<int>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            return -1;
        // The transmit queue is full: wait for room, not for the line.
        pollfd waitFor{port->fd, POLLOUT, 0};
        const int ready = poll(&waitFor, 1, WRITE_WAIT_MS);
        if (ready <= 0 || (waitFor.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0)
            return -1;
    }
    return written;
}

int ReadSerialPort(SerialPort* port, uint8_t* buffer, int max)
{
    if (port == nullptr || port->fd < 0 || max < 0)
        return -1;
    int queued = 0;
    if (ioctl(port->fd, FIONREAD, &queued) != 0)
        return -1;
    const int wanted = queued < max ? queued : max;
    if (wanted <= 0)
        return 0;
    ssize_t n;
    do
        n = read(port->fd, buffer, static_cast<size_t>(wanted));
    while (n < 0 && errno == EINTR);
    if (n < 0)
        return (errno == EAGAIN || errno == EWOULDBLOCK) ? 0 : -1;
    return static_cast<int>(n);
}

const char* SerialPortPath(const SerialPort* port)
{
    return port != nullptr ? port->path.c_str() : "";
}
