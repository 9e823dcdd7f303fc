// Renders the main window on each page into PNG files, for review without a display.
#pragma once

#include <string>

namespace vexlan {

class frm_main;
class main_runtime;

// First saves DIR/start.png (the window as it opens) and DIR/dialog_device.png. With `link_unit`, then connects over TCP
// to 127.0.0.1 (the runtime's unit port) and waits for the housekeeping to link the unit. Then chooses each page in turn, lets it refresh and poll
// for a moment and saves DIR/page<N>.png, then the command terminal (DIR/terminal.png) and the
// discovery list (DIR/discovery.png); the EDID, monitor, colour and guide pictures of
// screenshot_extras.h and the other helpers on the way. Closes the window at the end. Returns 0
// when every picture was written.
int screenshot_run(main_runtime& rt, frm_main& window, const std::string& dir, bool link_unit);

}  // namespace vexlan
