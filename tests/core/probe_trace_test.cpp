// A probe whose exchange fails outright is traced like any other failed
// probe: with the count the exchange returned.

#include "comm/i2ctransport.h"
#include "comm/panelcomm.h"
#include "comm/serialtransport.h"

#include "support/core/fake_ddc_bus.h"
#include "support/core/log_recorder.h"
#include "support/core/panel_simulator.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>
#include <memory>
#include <string>

namespace {

TEST(ProbeTrace, FailedI2CExchangeIsTracedWithItsCount)
{
    LogRecorder log;
    auto fake = std::make_unique<FakeDdcBus>();
    FakeDdcBus* bus = fake.get();
    PanelComm comm(std::move(fake));
    comm.SetPortLister(PortListOf({}));
    bus->QueueReadError(EIO);
    EXPECT_EQ(FindI2CPanel(comm), COMM_IO_ERROR);
    EXPECT_TRUE(log.Contains("Debug2: expected cnt = 8, received cnt = -5")) << log.Text();
    EXPECT_EQ(log.Lines().back(), "Debug2: closed i2c") << log.Text();
}

// A pseudo-terminal whose output has been stopped (as by XOFF): the probe's
// request cannot be written, so its exchange gives -5.
TEST(ProbeTrace, FailedSerialExchangeIsTracedWithItsCount)
{
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    const std::string path = ptsname(master);
    const int slave = open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(slave, 0);
    ASSERT_EQ(tcflow(slave, TCOOFF), 0);

    LogRecorder log;
    PanelComm comm(std::make_unique<FakeDdcBus>());
    comm.SetPortLister(PortListOf({path}));
    EXPECT_EQ(FindSerialPanel(comm), COMM_IO_ERROR);
    close(slave);
    close(master);
    ASSERT_TRUE(log.Contains("Error: I/O error occured while writing serial port")) << log.Text();
    EXPECT_TRUE(log.Contains("Debug2: expected cnt = 8, received cnt = -5")) << log.Text();
    EXPECT_TRUE(log.Contains("Debug2: closed comm port " + path)) << log.Text();
}

} // namespace
