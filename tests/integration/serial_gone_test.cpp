// A serial adapter that disappears while open is noticed by the housekeeping probe.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <memory>

#include "platform/qt_session.h"
#include "sim_process.h"

using namespace vexlan;
using namespace vexlan::testing;

TEST(SerialLink, ProbeFailsOnceTheDeviceHasGone) {
    auto sim = std::make_unique<sim_process>(QStringList{"--pty"});
    ASSERT_TRUE(sim->ok());
    qt_session s;
    ASSERT_EQ(s.open_serial(sim->pty()), "");
    EXPECT_TRUE(s.serial.probe());
    sim.reset();  // the far end of the line goes away, as an unplugged adapter does
    QElapsedTimer t;
    t.start();
    bool gone = false;
    while (!gone && t.elapsed() < 3000) {
        s.pump.wait_until(s.clock.now_ms() + 50, [] { return false; });
        gone = !s.serial.probe();
    }
    EXPECT_TRUE(gone) << "the serial port still looks present";
}
