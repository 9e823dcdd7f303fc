// A headless session with one unit: the real Qt transports, clock, pump and timers around one
// application context. Used by vexlan-cli, the integration tests and the benchmarks.
#pragma once

#include <string>

#include "link/app_context.h"
#include "link/unit_link.h"
#include "platform/qt_links.h"
#include "platform/qt_runtime.h"

namespace vexlan {

class qt_session {
public:
    qt_session();
    qt_session(const qt_session&) = delete;
    qt_session& operator=(const qt_session&) = delete;

    // Opens a TCP connection ("HOST" or "HOST:PORT", port 23 by default) and waits for it.
    // Returns "" or the reason it failed.
    std::string open_tcp(const std::string& target, int timeout_ms = 3000);
    // Opens a serial device at 115200,N,8,1. Returns "" or the reason it failed.
    std::string open_serial(const std::string& device);

    qt_clock clock;
    qt_event_pump pump{clock};
    qt_timers timers;
    console_dialogs dialogs;
    qt_tcp_link tcp;
    qt_serial_link serial;
    app_context ctx;
};

}  // namespace vexlan
