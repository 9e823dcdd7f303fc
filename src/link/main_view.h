// What the main window shows, as plain data. The core's handlers write it; the window renders it
// when told (on_change) and forwards the operator's events to the handlers. Control names are the
// names of the widgets that render them.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "link/view.h"

namespace vexlan {

inline constexpr const char* app_title = "Vexlan v2.18";
inline constexpr int main_page_count = 7;

// A picture control: the file below the application directory's "bmp" folder, and its state.
struct image_view {
    std::string picture;
    bool enabled = true;
    bool visible = true;
    friend bool operator==(const image_view&, const image_view&) = default;
};

// Where the keyboard focus goes when a handler moves it.
enum class focus_target { neutral, txt_eth_ip };

struct main_view {
    std::string title = app_title;

    // ---- link area: frame fra_ctrl_ui "Control Interface"
    control_view fra_ctrl_ui = make_caption("Control Interface");
    control_view cbo_interface;
    std::vector<std::string> cbo_interface_items;  // "RS-232", "Ethernet"
    int cbo_interface_index = 0;
    control_view cbo_com;
    std::vector<std::string> cbo_com_items;  // "COM1:" .. "COM16:"
    int cbo_com_index = 0;
    control_view cmd_rs232_open = make_caption("Open");
    control_view lab_rs232_protocol = make_caption("115200,N,8,1");
    control_view cmd_device = make_caption("Device Manager");
    control_view lab_ip = make_caption("IP :");
    control_view txt_eth_ip;  // caption: the text in the box
    control_view cmd_eth_open = make_caption("Connect");
    control_view cmd_eth_find = make_caption("Find IP");
    control_view cmd_eth_refresh = make_caption("Refresh");
    control_view fra_discovery = hidden();  // the discovery list frame, shown by "Find IP"

    // ---- unit labels (lab_link lives in link_state: the transaction writes it)
    control_view lab_model;
    control_view lab_fw_ver;

    // ---- task images and the refresh image
    image_view img_analyser{"task_analyser_off.bmp"};
    image_view img_pattern{"task_pattern_off.bmp"};
    image_view img_cable_test{"task_cable_test_off.bmp"};
    image_view img_refresh{"refresh_off.bmp"};

    // ---- main pages: the seven cmd_main buttons and their panels fra_main
    std::array<control_view, main_page_count> cmd_main = page_buttons();
    std::array<control_view, main_page_count> fra_main = page_panels();
    bool img_logo_visible = true;  // the start-up logo, until the first page is chosen
    control_view lstv_timing;      // timing list of page 1
    control_view lstv_pattern;     // pattern list of page 2

    // ---- the second item of the EDID image lists imgcbo_read / imgcbo_write
    std::string imgcbo_item2 = "---      ";

    // ---- notifications for the window
    std::function<void()> on_change;            // any field above changed
    std::function<void()> on_catalogue;         // the catalogue in the context was replaced
    std::function<void(focus_target)> on_focus;  // move the keyboard focus

    static control_view hidden() {
        control_view v;
        v.visible = false;
        return v;
    }
    static std::array<control_view, main_page_count> page_buttons() {
        static const char* captions[main_page_count] = {"EDID",    "Output Resolution", "Pattern", "Control Panel",
                                                        "Monitor", "Cable Test",        "CEC"};
        std::array<control_view, main_page_count> a;
        for (int i = 0; i < main_page_count; ++i) {
            a[i].caption = captions[i];
            a[i].color = rgb_page_normal;
        }
        return a;
    }
    static std::array<control_view, main_page_count> page_panels() {
        std::array<control_view, main_page_count> a;
        for (auto& p : a) p.visible = false;
        return a;
    }
};

inline void view_changed(const main_view& v) {
    if (v.on_change) v.on_change();
}

inline void focus_move(const main_view& v, focus_target t = focus_target::neutral) {
    if (v.on_focus) v.on_focus(t);
}

}  // namespace vexlan
