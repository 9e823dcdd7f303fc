#include "pattern/output_panel.h"

#include <algorithm>
#include <initializer_list>

#include "link/app_context.h"
#include "link/transaction.h"

namespace vexlan {

namespace {

void changed(const panel_state& P) {
    if (P.on_change) P.on_change();
}

control_view& button(panel_state& P, int index) { return P.cmd_panel[static_cast<std::size_t>(index)]; }

void colour(panel_state& P, int index, rgb c) { button(P, index).color = c; }

void grey(panel_state& P, std::initializer_list<int> indices) {
    for (int i : indices) colour(P, i, rgb_panel_grey);
}

void show(panel_state& P, std::initializer_list<int> indices, bool on) {
    for (int i : indices) button(P, i).visible = on;
}

void show_range(panel_state& P, int from, int to, bool on) {
    for (int i = from; i <= to; ++i) button(P, i).visible = on;
}

// The buttons whose reply refreshes `item`.
std::vector<int> item_buttons(int item) {
    std::vector<int> out;
    const auto& defs = panel_buttons();
    for (int i = 0; i < panel_button_count; ++i)
        if (defs[static_cast<std::size_t>(i)].item == item) out.push_back(i);
    return out;
}

// The command word of an item without its "?": "$rx_ddc" for item 2.
std::string item_word(const app_context& ctx, int item) {
    std::string w = ctx.link.cmd_table[static_cast<std::size_t>(panel_items()[static_cast<std::size_t>(item)].set_index)];
    while (!w.empty() && w.back() == ' ') w.pop_back();
    return w;
}

std::string reply_word(const std::string& rx_line) {
    std::string w = cmdstr_cmd_get(rx_line);
    if (!w.empty() && w.back() == '?') w.pop_back();
    return w;
}

// A colorimetry number 1..10 written as plain decimal digits; 0 for anything else.
int colorimetry_number(const std::string& text) {
    if (text.empty() || text.size() > 2) return 0;
    int n = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return 0;
        n = n * 10 + (c - '0');
    }
    return n >= 1 && n <= 10 ? n : 0;
}

// Sends one query and shows it; false when the reply is not usable (result 0 or 2).
bool query_show(app_context& ctx, int item) {
    const auto& def = panel_items()[static_cast<std::size_t>(item)];
    const int r = cmdtx_str(ctx, ctx.link.cmd_table[static_cast<std::size_t>(def.query_index)] + "\r");
    if (r != 1 && r != 3) return false;
    output_panel_show(ctx, item);
    return true;
}

void follow_up(app_context& ctx, std::initializer_list<int> items) {
    for (int item : items)
        if (!query_show(ctx, item)) return;
}

void visibility_set(app_context& ctx) {
    auto& P = ctx.panel;
    const bool m41l = ctx.profile.model_index == 1;
    if (ctx.tasks.task_mode == 0) {
        show_range(P, 2, 11, true);
        show(P, {56, 57}, true);
        show_range(P, 12, 17, false);
        show_range(P, 20, 40, false);
        show(P, {48, 49, 58, 59, 60}, false);
        show_range(P, 41, 47, !m41l);
        show(P, {54, 55}, !m41l);
    } else {
        show(P, {15, 16, 17, 20, 21, 48, 49, 58, 59, 60}, true);
        show_range(P, 25, 40, true);
        show_range(P, 2, 11, false);
        show(P, {56, 57}, false);
        show(P, {12, 13, 14, 22, 23, 24}, !m41l);
        show(P, {41, 42, 54, 55}, true);
        show_range(P, 43, 47, !m41l);
    }
}

bool prepare(app_context& ctx, int index) {
    auto& P = ctx.panel;
    const auto& T = ctx.link.cmd_table;
    if (index == 3 || index == 4) {
        if (cmdtx_str(ctx, T[50] + "on\r") != 1) return false;
        P.hdcp_in_on = true;
    } else if (index == 39 || index == 40) {
        if (cmdtx_str(ctx, T[54] + "on\r") != 1) return false;
        P.hdcp_out_state = index == 39 ? 1 : 3;
    } else if (index == 5) {
        colour(P, 56, rgb_panel_green);
        colour(P, 57, rgb_panel_grey);
        changed(P);
    }
    return true;
}

bool confirmed(app_context& ctx, int index) {
    if (index != 0 && index != 1) return true;
    if (!ctx.ports.dialogs) return false;
    const char* text = index == 0 ? "Restore the factory settings of the unit ?" : "Reboot the unit ?";
    return ctx.ports.dialogs->message_box(text, msg_icon::question, msg_buttons::yes_no_default_no) ==
           msg_answer::yes;
}

}  // namespace

const std::array<panel_button_def, panel_button_count>& panel_buttons() {
    static const std::array<panel_button_def, panel_button_count> defs{{
        {"Factory Reset", -1, ""}, {"Reboot System", -1, ""}, {"Off", 0, "off"}, {"v1.4", 1, "v1.4"},
        {"v1.4 + v2.2", 1, "v1.4+v2.2"}, {"Toggle", 3, "toggle"}, {"Off", 5, "off"}, {"On", 5, "on"},
        {"Off", 2, "off"}, {"On", 2, "on"}, {"Off", 4, "off"}, {"On", 4, "on"},
        {"Sinewave", 6, "int"}, {"HDMI In", 6, "hdmi"}, {"Analog In", 6, "ana"},
        {"2 CH", 7, "2"}, {"5.1 CH", 7, "6"}, {"7.1 CH", 7, "8"}, {"Off", 8, "off"}, {"On", 8, "on"},
        {"Off", 10, "off"}, {"On", 10, "on"}, {"1", 11, "1"}, {"2", 11, "2"}, {"3", 11, "3"},
        {"SDR Lumi.R", 12, "sdr"}, {"HDR Lumi.R", 12, "hdr"}, {"SMPTE 2084", 12, "2084"},
        {"No Data", 13, "1"}, {"ITU 601", 13, "2"}, {"ITU 709", 13, "3"}, {"xvYCC601", 13, "4"},
        {"xvYCC709", 13, "5"}, {"sYCC601", 13, "6"}, {"AdobeY601", 13, "7"}, {"Adobe RGB", 13, "8"},
        {"BT.2020(1)", 13, "9"}, {"BT.2020(2)", 13, "10"}, {"Off", 14, "off"}, {"v1.4", 15, "v1.4"},
        {"v2.2", 15, "v2.2"}, {"RGB", 16, "rgb"}, {"Y444", 16, "y444"}, {"Y422", 16, "y422"},
        {"Y420", 16, "y420"}, {"8 Bits", 17, "8"}, {"10 Bits", 17, "10"}, {"12 Bits", 17, "12"},
        {"Follow TMDS", 18, "follow"}, {"Always On", 18, "on"}, {"Off", -1, ""}, {"On", -1, ""},
        {"Off", 19, "off"}, {"On", 19, "on"}, {"HDMI", 20, "hdmi"}, {"DVI", 20, "dvi"},
        {"Low", 3, "off"}, {"High", 3, "on"}, {"48K", 9, "48"}, {"96K", 9, "96"}, {"192K", 9, "192"},
    }};
    return defs;
}

const std::array<panel_item_def, panel_item_count>& panel_items() {
    static const std::array<panel_item_def, panel_item_count> defs{{
        {51, 50}, {53, 52}, {151, 150}, {153, 152}, {157, 156}, {155, 154}, {7, 6}, {3, 2}, {5, 4}, {9, 8},
        {65, 64}, {63, 62}, {61, 60}, {67, 66}, {55, 54}, {57, 56}, {26, 25}, {28, 27}, {172, 171},
        {170, 169}, {168, 167},
    }};
    return defs;
}

const std::vector<panel_row_def>& panel_rows() {
    static const std::vector<panel_row_def> rows{
        {"Rx HDCP Port ", {2, 3, 4}},       {"Rx DDC Bus ", {8, 9}},
        {"Rx Hotplug", {5, 56, 57}},        {"Rx SCDC Port ", {10, 11}},
        {"Rx Sense ", {6, 7}},              {"Audio Source ", {12, 13, 14}},
        {"Audio Channel ", {15, 16, 17}},   {"Audio Mute ", {18, 19}},
        {"Sampling Rate", {58, 59, 60}},    {"HDR On/Off ", {20, 21}},
        {"HDR Setting ", {22, 23, 24}},     {"HDR EOTF", {25, 26, 27}},
        {"HDR Colorimetry ", {28, 29, 30, 31, 32, 33, 34, 35, 36, 37}},
        {"Tx HDCP Out", {38, 39, 40}},      {"Color Space ", {41, 42, 43, 44}},
        {"Deep Color ", {45, 46, 47}},      {"Tx 5V Output ", {48, 49}},
        {"AVMute ", {50, 51}},              {"Tx TMDS Output ", {52, 53}},
        {"TMDS Format ", {54, 55}},         {"", {0, 1}},
    };
    return rows;
}

std::array<control_view, panel_button_count> panel_state::initial_buttons() {
    std::array<control_view, panel_button_count> a;
    for (int i = 0; i < panel_button_count; ++i) {
        a[static_cast<std::size_t>(i)].caption = panel_buttons()[static_cast<std::size_t>(i)].caption;
        a[static_cast<std::size_t>(i)].color = rgb_panel_grey;
    }
    a[50].enabled = a[51].enabled = false;  // AVMute carries no command
    return a;
}

void panel_cmd_init(app_context& ctx) {
    auto& P = ctx.panel;
    const auto& T = ctx.link.cmd_table;
    P.panel_cmd.fill({});
    P.panel_cmd[0] = T[42];
    P.panel_cmd[1] = T[11];
    for (int i = 2; i < panel_button_count; ++i) {
        const auto& def = panel_buttons()[static_cast<std::size_t>(i)];
        if (def.item < 0) continue;
        const int set = panel_items()[static_cast<std::size_t>(def.item)].set_index;
        P.panel_cmd[static_cast<std::size_t>(i)] = T[static_cast<std::size_t>(set)] + def.value;
    }
}

void output_panel_show(app_context& ctx, int item) {
    auto& P = ctx.panel;
    if (item < 0 || item >= panel_item_count) return;
    const std::string report = cmdrx_param_get(ctx.link.rx_line).rx_param1;
    const auto buttons = item_buttons(item);
    for (int b : buttons) colour(P, b, rgb_panel_grey);
    auto& shown = P.report[static_cast<std::size_t>(item)];
    if (reply_word(ctx.link.rx_line) != item_word(ctx, item)) {
        shown.clear();  // another command's reply says nothing about this item
        changed(P);
        return;
    }
    shown = report;
    const auto green = [&](int b) { colour(P, b, rgb_panel_green); };
    switch (item) {
    case 0:
        grey(P, {3, 4});
        if (report == "off") {
            P.hdcp_in_on = false;
            green(2);
        } else if (report == "on") {
            P.hdcp_in_on = true;
        }
        break;
    case 1:
        if (!P.hdcp_in_on) break;
        grey(P, {2});
        if (report == "v1.4") green(3);
        else if (report == "v1.4+v2.2") green(4);
        break;
    case 3:
        if (report == "off") green(56);
        else if (report == "on" || report == "toggle") green(57);
        break;
    case 13:
        if (const int n = colorimetry_number(report)) green(27 + n);
        break;
    case 14:
        grey(P, {39, 40});
        if (report == "off") {
            P.hdcp_out_state = 0;
            green(38);
        } else if (report == "v1.4_on") P.hdcp_out_state = 1;
        else if (report == "v1.4_talk") P.hdcp_out_state = 2;
        else if (report == "v2.2_on") P.hdcp_out_state = 3;
        else if (report == "v2.2_talk") P.hdcp_out_state = 4;
        break;
    case 15: {
        const int s = P.hdcp_out_state;
        if (s == 0) break;
        grey(P, {38});
        if (report == "v1.4" && (s == 1 || s == 2)) colour(P, 39, s == 1 ? rgb_panel_green : rgb_panel_red);
        else if (report == "v2.2" && (s == 3 || s == 4)) colour(P, 40, s == 3 ? rgb_panel_green : rgb_panel_red);
        break;
    }
    default:
        for (int b : buttons)
            if (report == panel_buttons()[static_cast<std::size_t>(b)].value) green(b);
        if (item == 6 && (report == "int" || report == "ana" || report == "hdmi")) {
            for (int b : {15, 16, 17}) button(P, b).enabled = report == "int";
            for (int b : {58, 59, 60}) button(P, b).enabled = report != "hdmi";
        }
        break;
    }
    changed(P);
}

int output_panel_refresh(app_context& ctx) {
    int item = 0;
    while (item < panel_item_count && query_show(ctx, item)) ++item;
    visibility_set(ctx);
    changed(ctx.panel);
    return item;
}

void cmd_panel_Click(app_context& ctx, int index) {
    auto& P = ctx.panel;
    if (index < 0 || index >= panel_button_count || P.panel_cmd[static_cast<std::size_t>(index)].empty()) return;
    P.click_index = index;
    if (link_busy(ctx)) {
        ctx.tasks.deferred_action = deferred_output_panel_button;
        return;
    }
    P.click_result = 0;
    if (!confirmed(ctx, index)) return;
    button(P, index).enabled = false;
    changed(P);
    events_process(ctx);

    if (prepare(ctx, index)) {
        const int r = cmdtx_str(ctx, P.panel_cmd[static_cast<std::size_t>(index)] + "\r");
        P.click_result = r;
        if (index == 5) colour(P, 56, rgb_panel_grey);
        const int item = panel_buttons()[static_cast<std::size_t>(index)].item;
        if (r == 1 && item >= 0) {
            output_panel_show(ctx, item);
            if (index >= 22 && index <= 24) follow_up(ctx, {12, 13});
            if ((index >= 41 && index <= 47) || index == 54 || index == 55) follow_up(ctx, {16, 17, 20});
        }
        if (r == 1 && index == 0) output_panel_refresh(ctx);  // the factory settings are back
    }
    button(P, index).enabled = true;
    changed(P);
}

int panel_green_button(const panel_state& P, int item) {
    for (int b : item_buttons(item))
        if (P.cmd_panel[static_cast<std::size_t>(b)].color == rgb_panel_green) return b;
    return -1;
}

int panel_red_button(const panel_state& P, int item) {
    for (int b : item_buttons(item))
        if (P.cmd_panel[static_cast<std::size_t>(b)].color == rgb_panel_red) return b;
    return -1;
}

bool panel_row_visible(const panel_state& P, const panel_row_def& row) {
    return std::any_of(row.buttons.begin(), row.buttons.end(),
                       [&](int b) { return P.cmd_panel[static_cast<std::size_t>(b)].visible; });
}

void output_panel_hooks_install(app_context& ctx) {
    app_context* c = &ctx;
    ctx.hooks.output_panel_get = [c] { output_panel_refresh(*c); };
    ctx.hooks.output_panel_button = [c] { cmd_panel_Click(*c, c->panel.click_index); };
    auto before = std::move(ctx.life.lists_init);
    ctx.life.lists_init = [c, before] {
        if (before) before();
        panel_cmd_init(*c);
    };
}

}  // namespace vexlan
