// The application context: every piece of state the system keeps for one run, and the
// platform ports it talks through. One context per application (and per test).
#pragma once

#include "link/link_state.h"
#include "link/model_profile.h"
#include "link/ports.h"

namespace vexlan {

struct platform_ports {
    byte_link* serial = nullptr;
    byte_link* tcp = nullptr;
    clock_port* clock = nullptr;
    event_pump* pump = nullptr;
    timer_port* timers = nullptr;
    dialog_port* dialogs = nullptr;
};

struct app_context {
    platform_ports ports;
    link_state link;
    model_profile profile;

    app_context() { cmd_table_init(link.cmd_table); }
    app_context(const app_context&) = delete;
    app_context& operator=(const app_context&) = delete;
};

}  // namespace vexlan
