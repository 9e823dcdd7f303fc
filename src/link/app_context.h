// The application context: every piece of state the system keeps for one run, and the
// platform ports it talks through. One context per application (and per test).
#pragma once

#include "edid/edid_page.h"
#include "cable_cec/cable_test.h"
#include "cable_cec/cec.h"
#include "link/discovery.h"
#include "link/lifecycle.h"
#include "link/link_state.h"
#include "link/main_view.h"
#include "link/model_profile.h"
#include "link/ports.h"
#include "link/tasks.h"
#include "link/transports.h"
#include "monitor/monitor_view.h"
#include "pattern/catalogue.h"
#include "pattern/output_panel.h"
#include "pattern/output_select.h"
#include "calibrate/color_calibrate.h"
#include "terminal/terminal.h"

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

    link_controls controls;      // open / connect / close of the two links
    transport_state transport;   // TCP connection details
    main_view view;              // what the main window shows
    task_state tasks;            // task mode, page, poll list, deferred action
    page_hooks hooks;            // pages built elsewhere
    life_state life;             // start-up, shut-down, housekeeping
    catalogue_state catalogue;   // timing and pattern catalogue with favourites
    edid_page_state edid_page;   // the EDID page (page 0)
    output_state output;         // pages 1 and 2: output selection and favourites
    panel_state panel;           // page 3: the output control panel
    color_cal_state color_cal;   // the colour calibration dialog
    monitor_state monitor;       // the live monitor of page 4 and its report
    cable_state cable;           // cable test page
    cec_state cec;               // CEC page
    terminal_state terminal;     // command terminal window
    discovery_state discovery;   // Ethernet discovery list

    app_context() { cmd_table_init(link.cmd_table); }
    app_context(const app_context&) = delete;
    app_context& operator=(const app_context&) = delete;
};

// Lets the event loop run once (timers, received bytes, repaints) where a long action yields.
inline void events_process(app_context& ctx) {
    if (ctx.ports.pump) ctx.ports.pump->process_events();
}

// A transaction or a poll step runs: an operator action that would send has to wait.
inline bool link_busy(const app_context& ctx) { return ctx.link.cmd_busy || ctx.tasks.poll_busy; }

}  // namespace vexlan
