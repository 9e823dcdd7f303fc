// The output control panel (page 3): rows of buttons for the unit's receiver-side and
// transmitter-side settings. Each button sends one fixed command; the button that matches the
// unit's current value of its row is green, the others grey. The panel mirrors the unit: colours
// change only from replies.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "link/view.h"

namespace vexlan {

struct app_context;

inline constexpr int panel_button_count = 61;  // cmd_panel(0..60)
inline constexpr int panel_cmd_count = 62;     // panel_cmd[0..61]
inline constexpr int panel_item_count = 21;    // items 0..20

inline constexpr rgb rgb_panel_green{0, 192, 0};
inline constexpr rgb rgb_panel_grey{192, 192, 192};
inline constexpr rgb rgb_panel_red{255, 48, 48};

// One button: its caption, the item its reply refreshes (-1 none) and the value it sends.
struct panel_button_def {
    const char* caption;
    int item;
    const char* value;
};
const std::array<panel_button_def, panel_button_count>& panel_buttons();

// One item: the command-table entries of its query and its set prefix.
struct panel_item_def {
    int query_index;
    int set_index;
};
const std::array<panel_item_def, panel_item_count>& panel_items();

// The rows as the page lays them out: caption and buttons in order.
struct panel_row_def {
    const char* caption;
    std::vector<int> buttons;
};
const std::vector<panel_row_def>& panel_rows();

struct panel_state {
    std::array<std::string, panel_cmd_count> panel_cmd{};  // filled by panel_cmd_init
    std::array<control_view, panel_button_count> cmd_panel = initial_buttons();
    bool hdcp_in_on = false;
    int hdcp_out_state = 0;  // 0 off, 1 v1.4 on, 2 v1.4 talking, 3 v2.2 on, 4 v2.2 talking
    int click_index = 0;     // the button of the deferred panel click
    int click_result = 0;    // result of the last clicked button's own command, 0 when not sent
    // the last report of each item as shown ("" before any), for the command-line tool
    std::array<std::string, panel_item_count> report{};

    std::function<void()> on_change;

    static std::array<control_view, panel_button_count> initial_buttons();
};

// Fills panel_cmd from the command table (start-up, after the command table).
void panel_cmd_init(app_context& ctx);

// Colours the buttons of `item` from the last reply. A reply to another command than the item's
// greys the item and colours nothing; items outside 0..20 are ignored.
void output_panel_show(app_context& ctx, int item);

// Reads every item from the unit, then sets the rows' visibility for the task mode and model.
// Returns how many items were read (21 unless a query got no usable reply).
int output_panel_refresh(app_context& ctx);

// The operator's click on button `index` (also the deferred replay, with the remembered index).
void cmd_panel_Click(app_context& ctx, int index);

// The button of `item` that is green now (-1 none), and the red one (-1 none).
int panel_green_button(const panel_state& P, int item);
int panel_red_button(const panel_state& P, int item);

// A row is shown when any of its buttons is.
bool panel_row_visible(const panel_state& P, const panel_row_def& row);

// Installs the page hooks of page 3 and panel_cmd_init in the start-up lists.
void output_panel_hooks_install(app_context& ctx);

}  // namespace vexlan
