// Screenshot steps beyond the pages, for the user guide: every dialog of the window drawn over
// the window where it opens (with its title, which an offscreen grab lacks), and the pages in the
// states the guide describes.
#pragma once

#include <QPoint>
#include <QString>
#include <string>

class QWidget;

namespace vexlan {

class frm_main;
class main_runtime;

// Before the unit is linked: DIR/start.png (the window as it opens) and DIR/dialog_device.png
// (the "Device Manager" over it). Returns how many could not be written.
int screenshot_start_pictures(main_runtime& rt, frm_main& window, const std::string& dir);

// Writes into DIR, each only where the linked unit allows it:
//   page0_compare.png   the EDID page after READ of store d7 and COMPARE with the WRITE side
//   dialog_rx_edid.png, dialog_copy_sink.png, dialog_hex_type.png
//   terminal_reply.png  the command terminal after "$model?" and "$fwver?" were typed
//   dialog_message.png  the question of "Reboot System" on the Control Panel (answered "No")
//   page2_motion.png    the pattern page with a motion-text pattern and its text box
//   page2_color.png     the pattern page with the colour calibration pattern ("Color Setting"),
//   dialog_color.png    and the "Color Setting" dialog over it
//   page5_running.png   the cable test page while a two-minute test runs
// The terminal is left closed and the page on EDID. Returns how many pictures could not be
// written.
int screenshot_extras(main_runtime& rt, frm_main& window, const std::string& dir);

// The window `window` with `dialog` drawn at `at` (window coordinates), framed and titled as a
// window manager would; saved as DIR/NAME. False when the file could not be written.
bool save_dialog_over(QWidget& window, QWidget& dialog, const QPoint& at, const std::string& dir,
                      const QString& name);

}  // namespace vexlan
