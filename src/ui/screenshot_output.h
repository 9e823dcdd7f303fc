// Screenshot steps of the output pages: the output set from the first favourite so that the
// list selection and a green favourite show, and the colour dialog as a picture of its own.
#pragma once

#include <string>

namespace vexlan {

class frm_main;
class main_runtime;

// Before page `page` is grabbed: pages 1 and 2 output their first favourite.
void screenshot_output_prepare(main_runtime& rt, int page);
// Writes DIR/color_setting.png (the colour dialog over the window); true when written.
bool screenshot_color_dialog(main_runtime& rt, frm_main& window, const std::string& dir);

}  // namespace vexlan
