// When no control panel is found, the last Error line says why for each
// candidate, in words an installer can act on: real pseudo-terminals, a
// made-up sysfs and device tree, and an ordinary user's missing rights.

#include "comm/linuxddcbus.h"
#include "comm/panelcomm.h"
#include "comm/searchreport.h"
#include "comm/serialport.h"

#include "support/core/child_process.h"
#include "support/core/fake_ddc_bus.h"
#include "support/core/log_recorder.h"
#include "support/core/panel_simulator.h"
#include "support/core/temp_dir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <memory>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Lines = std::vector<std::string>;

// A sysfs and /dev in a temporary folder: with or without the i2c-dev
// interface, and with one connected HDMI connector whose DDC bus is i2c-3
// or none at all.
struct MadeUpSystem
{
    TempDir root;
    LinuxDdcPaths paths;

    explicit MadeUpSystem(bool i2cDevLoaded, bool withConnector = true)
    {
        paths.i2cDevClass = root.File("sys/class/i2c-dev");
        paths.drmClass = root.File("sys/class/drm");
        paths.devFolder = root.File("dev");
        paths.bootFile = root.File("modules-load.d/aulavox-kesto.conf");
        paths.modprobe = "/nonexistent/modprobe";
        paths.insmod = "/nonexistent/insmod";
        const std::string connector = paths.drmClass + "/card0-HDMI-A-1";
        for (const std::string& dir : {root.File("sys"), root.File("sys/class"), paths.drmClass, paths.devFolder})
            EXPECT_EQ(mkdir(dir.c_str(), 0755), 0) << dir;
        if (i2cDevLoaded)
        {
            EXPECT_EQ(mkdir(paths.i2cDevClass.c_str(), 0755), 0);
        }
        if (withConnector)
        {
            EXPECT_EQ(mkdir(connector.c_str(), 0755), 0);
            EXPECT_TRUE(WriteWholeFile(connector + "/status", "connected\n"));
            EXPECT_EQ(symlink("../../i2c-3", (connector + "/ddc").c_str()), 0);
        }
        // Others (an ordinary user in a child process) may look inside.
        EXPECT_EQ(chmod(root.Path().c_str(), 0755), 0);
    }

    std::string Device() const { return paths.devFolder + "/i2c-3"; }
};

std::string ErrorLineOf(const LogRecorder& log)
{
    const Lines errors = log.AtLevel(Log::LEVEL_ERROR);
    return errors.empty() ? std::string() : errors.back();
}

TEST(SearchReport, GroupsCandidatesWithTheSameReasonInOrder)
{
    struct Row
    {
        std::vector<std::pair<std::string, std::string>> notes;
        std::string text;
    };
    const Row rows[] = {
        {{}, "no control panel found"},
        {{{"I2C", "no video device found"}}, "no control panel found: I2C: no video device found"},
        {{{"/dev/ttyS0", "silent"}, {"/dev/ttyUSB0", "busy"}, {"/dev/ttyS1", "silent"}, {"I2C", "busy"}},
         "no control panel found: /dev/ttyS0, /dev/ttyS1: silent; /dev/ttyUSB0, I2C: busy"},
    };
    for (const Row& row : rows)
    {
        SearchReport report;
        for (const auto& [candidate, reason] : row.notes)
            report.Add(candidate, reason);
        EXPECT_EQ(report.IsEmpty(), row.notes.empty());
        EXPECT_EQ(report.Text(), row.text);
        report.Clear();
        EXPECT_EQ(report.Text(), "no control panel found");
    }
}

// A silent port, a port held by another opener, a path that is no device,
// a file that is no terminal, and an I2C driver that does not start.
TEST(SearchDiagnostics, EveryCandidateSaysWhyItFailed)
{
    LogRecorder log;
    PanelSimulator silent;
    PanelSimulator held;
    ASSERT_TRUE(silent.Start());
    ASSERT_TRUE(held.Start());
    silent.QueueSilence();
    silent.QueueSilence();
    SerialPort* other = OpenSerialPort(held.Path().c_str()); // another program's hold
    ASSERT_NE(other, nullptr);
    TempDir dir;
    ASSERT_TRUE(WriteWholeFile(dir.File("plain"), "not a terminal"));

    auto bus = std::make_unique<FakeDdcBus>();
    bus->initResult = ENOENT;
    PanelComm comm(std::move(bus));
    comm.SetPortLister(PortListOf({silent.Path(), held.Path(), "/nonexistent/ttyUSB7", dir.File("plain")}));
    EXPECT_EQ(comm.Connect(), COMM_IO_ERROR);
    CloseSerialPort(other);

    const std::string expected = "no control panel found: " + silent.Path() + ": no control panel answered; " +
                                 held.Path() + ": busy (in use by another program); " +
                                 "/nonexistent/ttyUSB7: no such device; " + dir.File("plain") +
                                 ": not a serial port; I2C: the I2C driver failed, code 2";
    EXPECT_STREQ(log.GetLastErrorText(), expected.c_str());
    // It comes after the searches' own lines, which stay as they are.
    const Lines lines = log.Lines();
    ASSERT_GE(lines.size(), 3u) << log.Text();
    EXPECT_EQ(lines.back(), "Error: " + expected);
    EXPECT_EQ(lines[lines.size() - 2], "Error: Initialized of I2C driver failed, code 2");
    EXPECT_TRUE(log.Contains("Warning: unable to find Aulavox control panel")) << log.Text();
    EXPECT_TRUE(log.Contains("Debug3: unable to open comm port " + held.Path())) << log.Text();
}

TEST(SearchDiagnostics, TheI2CBusExplainsWhatIsMissing)
{
    struct Row
    {
        const char* name;
        bool i2cDevLoaded;
        bool connector;
        std::string reason;
    };
    const Row rows[] = {
        {"i2c-dev not loaded", false, true,
         "the i2c-dev kernel module is not loaded (run aulavox-kesto --install as root)"},
        {"no display connector", true, false, "no display connector with an I2C bus was found"},
    };
    for (const Row& row : rows)
    {
        LogRecorder log;
        MadeUpSystem system(row.i2cDevLoaded, row.connector);
        PanelComm comm(std::make_unique<LinuxDdcBus>(system.paths));
        comm.SetPortLister(PortListOf({}));
        EXPECT_EQ(comm.Connect(), COMM_IO_ERROR) << row.name;
        EXPECT_EQ(ErrorLineOf(log), "no control panel found: serial ports: none found; I2C: " + row.reason)
            << row.name << "\n"
            << log.Text();
    }
}

// Root opens every device, so the user's side runs as "nobody".
bool RunAsNobody(const std::string& testName, std::string* output)
{
    const passwd* nobody = getpwnam("nobody");
    if (nobody == nullptr)
    {
        *output = "no user nobody";
        return false;
    }
    char self[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof(self) - 1);
    if (length <= 0)
        return false;
    self[length] = '\0';
    TempDir dir;
    ChildProcess child({"/usr/bin/setpriv", "--reuid=" + std::to_string(nobody->pw_uid),
                        "--regid=" + std::to_string(nobody->pw_gid), "--clear-groups", self,
                        "--gtest_filter=" + testName},
                       {}, dir.File("out.txt"));
    const bool ended = child.Start() && child.Wait(60000);
    *output = child.Output();
    return ended && child.ExitStatus() == 0;
}

TEST(SearchDiagnostics, AnOrdinaryUserIsToldWhichGroupToJoin)
{
    if (getuid() == 0)
    {
        std::string output;
        EXPECT_TRUE(RunAsNobody("SearchDiagnostics.AnOrdinaryUserIsToldWhichGroupToJoin", &output)) << output;
        // The filter matched and the case really ran as the other user.
        EXPECT_NE(output.find("[  PASSED  ] 1 test"), std::string::npos) << output;
        return;
    }

    LogRecorder log;
    PanelSimulator box;
    ASSERT_TRUE(box.Start());
    ASSERT_EQ(chmod(box.Path().c_str(), 0), 0); // unreadable for its owner too
    MadeUpSystem system(true);
    ASSERT_TRUE(WriteWholeFile(system.Device(), ""));
    ASSERT_EQ(chmod(system.Device().c_str(), 0), 0);

    PanelComm comm(std::make_unique<LinuxDdcBus>(system.paths));
    comm.SetPortLister(PortListOf({box.Path()}));
    EXPECT_EQ(comm.Connect(), COMM_IO_ERROR);
    const std::string line = ErrorLineOf(log);
    const std::string serial =
        "no control panel found: " + box.Path() + ": permission denied (add the user to the dialout group, then log "
                                                  "in again); I2C: no permission on " +
        system.Device() + " (";
    EXPECT_EQ(line.substr(0, serial.size()), serial) << log.Text();
    EXPECT_NE(line.find("i2c group, then log in again)"), std::string::npos) << line;
    EXPECT_EQ(box.RequestCount(), 0u);
}

} // namespace
