#include "comm/linuxddcbus.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <linux/i2c-dev.h>
#include <linux/i2c.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

constexpr uint8_t EDID_ADDRESS = 0x50;
constexpr int EDID_SIZE = 256;

bool IsDirectory(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// "i2c-7" gives 7; -1 for any other name.
int32_t BusNumber(const std::string& name)
{
    if (name.compare(0, 4, "i2c-") != 0 || name.size() == 4 || name.size() > 12)
        return -1;
    long number = 0;
    for (size_t i = 4; i < name.size(); ++i)
    {
        if (name[i] < '0' || name[i] > '9')
            return -1;
        number = number * 10 + (name[i] - '0');
    }
    return number <= INT32_MAX ? static_cast<int32_t>(number) : -1;
}

// A connector's entry is "card<digits>-<name>", for example card0-HDMI-A-1.
bool IsConnectorName(const std::string& name)
{
    if (name.compare(0, 4, "card") != 0)
        return false;
    size_t i = 4;
    while (i < name.size() && name[i] >= '0' && name[i] <= '9')
        ++i;
    return i > 4 && i + 1 < name.size() && name[i] == '-';
}

bool IsConnected(const std::string& connector)
{
    FILE* file = fopen((connector + "/status").c_str(), "r");
    if (file == nullptr)
        return false;
    char status[32] = {};
    const bool read = fgets(status, sizeof(status), file) != nullptr;
    fclose(file);
    return read && strncmp(status, "connected", 9) == 0 && (status[9] == '\n' || status[9] == '\0');
}

// The connector's DDC bus: the "ddc" link, or (DisplayPort) an i2c-N entry.
int32_t ConnectorBus(const std::string& connector)
{
    char target[512];
    const ssize_t length = readlink((connector + "/ddc").c_str(), target, sizeof(target) - 1);
    if (length > 0)
    {
        target[length] = '\0';
        const char* slash = strrchr(target, '/');
        const int32_t bus = BusNumber(slash != nullptr ? slash + 1 : target);
        if (bus >= 0)
            return bus;
    }
    DIR* dir = opendir(connector.c_str());
    if (dir == nullptr)
        return -1;
    int32_t found = -1;
    while (const dirent* entry = readdir(dir))
    {
        const int32_t bus = BusNumber(entry->d_name);
        if (bus >= 0 && (found < 0 || bus < found))
            found = bus;
    }
    closedir(dir);
    return found;
}

} // namespace

std::unique_ptr<DdcBus> CreateSystemDdcBus()
{
    return std::make_unique<LinuxDdcBus>();
}

LinuxDdcBus::~LinuxDdcBus()
{
    CloseBus();
}

int LinuxDdcBus::InitDDCHelper()
{
    m_problem.clear();
    if (IsDirectory(m_paths.i2cDevClass))
        return 0;
    m_problem = "the i2c-dev kernel module is not loaded (run aulavox-kesto --install as root)";
    return ENOENT;
}

void LinuxDdcBus::DeinitDDCHelper()
{
    CloseBus();
}

int LinuxDdcBus::EnumGetFirst(int32_t* handle)
{
    m_problem = "no display connector with an I2C bus was found";
    DIR* dir = opendir(m_paths.drmClass.c_str());
    if (dir == nullptr)
        return errno != 0 ? errno : ENODEV;
    struct Candidate
    {
        bool connected;
        std::string name;
        int32_t bus;
    };
    std::vector<Candidate> candidates;
    while (const dirent* entry = readdir(dir))
    {
        const std::string name = entry->d_name;
        if (!IsConnectorName(name))
            continue;
        const std::string connector = m_paths.drmClass + "/" + name;
        const int32_t bus = ConnectorBus(connector);
        if (bus >= 0)
            candidates.push_back({IsConnected(connector), name, bus});
    }
    closedir(dir);
    if (candidates.empty())
        return ENODEV;
    std::sort(candidates.begin(), candidates.end(), [](const Candidate& a, const Candidate& b) {
        return a.connected != b.connected ? a.connected : a.name < b.name;
    });
    *handle = candidates.front().bus;
    m_problem.clear();
    return 0;
}

int LinuxDdcBus::OpenBus(int32_t handle)
{
    if (handle < 0)
        return EINVAL;
    if (m_fd >= 0 && m_fdHandle == handle)
        return 0;
    CloseBus();
    const std::string path = BusPath(handle);
    m_fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (m_fd < 0)
    {
        const int error = errno;
        m_problem = OpenProblem(handle, error);
        return error;
    }
    m_fdHandle = handle;
    return 0;
}

void LinuxDdcBus::CloseBus()
{
    if (m_fd >= 0)
        close(m_fd);
    m_fd = -1;
    m_fdHandle = -1;
}

int LinuxDdcBus::GetCachedEDID256(int32_t handle, uint8_t edid[256])
{
    m_problem.clear();
    const int opened = OpenBus(handle);
    if (opened != 0)
        return opened;
    uint8_t offset = 0;
    i2c_msg messages[2] = {{EDID_ADDRESS, 0, 1, &offset}, {EDID_ADDRESS, I2C_M_RD, EDID_SIZE, edid}};
    i2c_rdwr_ioctl_data data{messages, 2};
    if (ioctl(m_fd, I2C_RDWR, &data) < 0)
    {
        const int error = errno;
        m_problem = TransferProblem(handle, error);
        return error;
    }
    return 0;
}

int LinuxDdcBus::GetEDIDOption(const uint8_t edid[256], int option, uint8_t* out, int outSize)
{
    if (option != 1 || out == nullptr || outSize < 1)
        return EINVAL;
    out[0] = 0;
    // Four 18-byte descriptors from offset 54; tag 0xFC holds the name,
    // up to 13 characters ended by a line feed.
    for (int descriptor = 54; descriptor + 18 <= 126; descriptor += 18)
    {
        const uint8_t* d = edid + descriptor;
        if (d[0] != 0 || d[1] != 0 || d[3] != 0xFC)
            continue;
        int length = 0;
        while (length < 13 && d[5 + length] != '\n' && length + 1 < outSize)
        {
            out[length] = d[5 + length];
            ++length;
        }
        out[length] = 0;
        return 0;
    }
    return ENOENT;
}

int LinuxDdcBus::WriteI2CBuf(int32_t handle, uint8_t address, const uint8_t* data, int count, int)
{
    m_problem.clear();
    if (count < 1 || count > 255 || data == nullptr)
        return EINVAL;
    const int opened = OpenBus(handle);
    if (opened != 0)
        return opened;
    i2c_msg message{address, 0, static_cast<__u16>(count), const_cast<uint8_t*>(data)};
    i2c_rdwr_ioctl_data request{&message, 1};
    if (ioctl(m_fd, I2C_RDWR, &request) < 0)
    {
        const int error = errno;
        m_problem = TransferProblem(handle, error);
        return error;
    }
    return 0;
}

int LinuxDdcBus::ReadI2CBuf(int32_t handle, uint8_t address, uint8_t* buffer, int count, int)
{
    m_problem.clear();
    if (count < 1 || count > 255 || buffer == nullptr)
        return EINVAL;
    const int opened = OpenBus(handle);
    if (opened != 0)
        return opened;
    i2c_msg message{address, I2C_M_RD, static_cast<__u16>(count), buffer};
    i2c_rdwr_ioctl_data request{&message, 1};
    if (ioctl(m_fd, I2C_RDWR, &request) < 0)
    {
        const int error = errno;
        m_problem = TransferProblem(handle, error);
        return error;
    }
    return 0;
}

int LinuxDdcBus::RunLoader(const std::string& program, const std::string& argument) const
{
    // The loader's own output goes to standard error: standard output
    // carries only the program's answer.
    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0)
        return ENOMEM;
    int result = posix_spawn_file_actions_adddup2(&actions, STDERR_FILENO, STDOUT_FILENO);
    pid_t pid = -1;
    if (result == 0)
    {
        std::vector<char*> argv = {const_cast<char*>(program.c_str()), const_cast<char*>(argument.c_str()), nullptr};
        result = posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    }
    posix_spawn_file_actions_destroy(&actions);
    if (result != 0)
        return result;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
    {
        if (errno != EINTR)
            return errno;
    }
    if (WIFEXITED(status))
        return WEXITSTATUS(status) == 0 ? 0 : 0x100 + WEXITSTATUS(status);
    return WIFSIGNALED(status) ? 0x200 + WTERMSIG(status) : EIO;
}

int LinuxDdcBus::InstallDriver(const char* path, int)
{
    if (path != nullptr && path[0] != '\0')
        return RunLoader(m_paths.insmod, path);

    const int loaded = RunLoader(m_paths.modprobe, "i2c-dev");
    if (loaded != 0)
        return loaded;
    // Load it at every boot from now on.
    const std::string temporary = m_paths.bootFile + ".new";
    FILE* file = fopen(temporary.c_str(), "w");
    if (file == nullptr)
        return errno;
    const bool written = fputs("i2c-dev\n", file) >= 0;
    const bool closed = fclose(file) == 0;
    if (!written || !closed)
    {
        const int error = errno != 0 ? errno : EIO;
        unlink(temporary.c_str());
        return error;
    }
    if (rename(temporary.c_str(), m_paths.bootFile.c_str()) != 0)
    {
        const int error = errno;
        unlink(temporary.c_str());
        return error;
    }
    return 0;
}

int LinuxDdcBus::UninstallDriver()
{
    if (unlink(m_paths.bootFile.c_str()) != 0 && errno != ENOENT)
        return errno;
    return 0;
}
