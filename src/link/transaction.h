// The command transaction: the one way the application talks to a unit, and the receivers
// that turn incoming bytes into the reply.
#pragma once

#include <string>

#include "link/app_context.h"

namespace vexlan {

// Sends one complete command line (ending in CR) and waits for its reply while events keep
// running. Leaves cmd_result (0 link down, 1 accepted, 2 no response or refused, 3 error reply
// or reply to another command) and, for 1 and 3, the reply in rx_line and rx_param1..3.
// Returns cmd_result.
int cmdtx_str(app_context& ctx, const std::string& line);

// Waits more than s seconds by the millisecond tick while events keep running.
void delay_seconds(app_context& ctx, double s);

// The receivers: called by the platform with every byte that arrives on the link in use
// (the TCP data-arrival event, or the serial port's data event / tim_rx tick).
void link_receive(app_context& ctx, const std::string& bytes);

// Serial tim_rx tick: reads everything waiting on the serial port and receives it.
void tim_rx_tick(app_context& ctx);

// Renders one received byte as the command terminal shows it.
void term_render_byte(std::string& out, unsigned char b);

}  // namespace vexlan
