// vexlan-cli timing|pattern get|set N, motion-text get|set TEXT, scale4k get|set MODE,
// panel get|set INDEX, color get|set COLOUR [LEVEL | R G B]: the output pages, the output control
// panel and the colour calibration of the window, through the same core operations.
#include <climits>
#include <memory>

#include "cli_app.h"
#include "link/app_context.h"
#include "link/transaction.h"
#include "link/unit_link.h"

namespace vexlan {

namespace {

// Opens and links the unit and takes over its task mode; the panel's commands are built.
int prepare(cli_env& env) {
    if (const int code = env.link_unit(); code != exit_ok) return code;
    auto& ctx = env.ctx();
    const int task = task_mode_from_text(env.task_mode);
    ctx.tasks.task_mode = task >= 0 ? task : none_254;
    panel_cmd_init(ctx);
    return exit_ok;
}

std::string trimmed(std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

// get/set N of "$timing" (timing) or "$pattern".
void add_position_commands(CLI::App& app, cli_env& env, bool timing) {
    const char* what = timing ? "timing" : "pattern";
    auto* top = app.add_subcommand(what, timing ? "output timing (catalogue position)" : "output pattern (catalogue position)");
    top->require_subcommand(1);
    auto* get = top->add_subcommand("get", std::string("the unit's current ") + what);
    env.add_json_flag(get);
    get->callback([&env, timing, what] {
        env.status = [&]() -> int {
            if (const int code = prepare(env); code != exit_ok) return code;
            const auto& T = env.ctx().link.cmd_table;
            const cli_reply r = env.transact(T[timing ? 165 : 70]);
            if (r.link_lost) return exit_no_link;
            const auto n = r.result == 1 ? reported_position(r.param1, INT_MAX) : std::nullopt;
            if (!n)
                return env.fail(exit_refused, std::string("no ") + what + " position in the reply \"" + printable(r.reply) + "\"");
            if (env.json) env.json_print({{what, *n}});
            else env.out << what << ": " << *n << "\n";
            return exit_ok;
        }();
    });
    auto* set = top->add_subcommand("set", std::string("output ") + what + " N");
    auto n = std::make_shared<int>(0);
    set->add_option("N", *n, "1-based catalogue position")->required()->check(CLI::PositiveNumber);
    env.add_json_flag(set);
    set->callback([&env, timing, n] {
        env.status = [&]() -> int {
            if (const int code = prepare(env); code != exit_ok) return code;
            auto& ctx = env.ctx();
            if (timing && *n == timing_analyser_only && ctx.tasks.task_mode != 0)
                return env.fail(exit_refused, "timing 88 is output only in the analyser task; nothing was sent");
            // the position keeps the blank of its sign place: "$timing", two blanks, N
            const cli_reply r = env.transact(ctx.link.cmd_table[timing ? 164 : 71] + " " + std::to_string(*n));
            if (r.link_lost) return exit_no_link;
            env.reply_print(r);
            return r.result == 1 ? exit_ok : exit_refused;
        }();
    });
}

void add_motion_text_commands(CLI::App& app, cli_env& env) {
    auto* top = app.add_subcommand("motion-text", "the scrolling text of the motion-text patterns");
    top->require_subcommand(1);
    auto* get = top->add_subcommand("get", "the unit's motion text");
    env.add_json_flag(get);
    get->callback([&env] {
        env.status = [&]() -> int {
            if (const int code = prepare(env); code != exit_ok) return code;
            const cli_reply r = env.transact(env.ctx().link.cmd_table[69]);
            if (r.link_lost) return exit_no_link;
            if (r.result != 1) return env.fail(exit_refused, "the unit did not accept \"$motion_text?\"");
            // a reply without text is an empty motion text
            const auto blank = r.reply.find(' ');
            const bool empty = blank == std::string::npos || r.reply.find_first_not_of("\r\n", blank + 1) == std::string::npos;
            const std::string text = empty ? std::string() : r.param1;
            if (env.json) env.json_print({{"motion_text", latin1_utf8(text)}});
            else env.out << "motion text: " << printable(text) << "\n";
            return exit_ok;
        }();
    });
    auto* set = top->add_subcommand("set", "send TEXT (trimmed, control characters removed, at most 20 characters)");
    auto text = std::make_shared<std::string>();
    set->add_option("TEXT", *text, "the text")->required();
    env.add_json_flag(set);
    set->callback([&env, text] {
        env.status = [&]() -> int {
            if (const int code = prepare(env); code != exit_ok) return code;
            const cli_reply r = env.transact(env.ctx().link.cmd_table[68] + motion_text_clean(*text));
            if (r.link_lost) return exit_no_link;
            env.reply_print(r);
            return r.result == 1 ? exit_ok : exit_refused;
        }();
    });
}

void add_scale4k_commands(CLI::App& app, cli_env& env) {
    auto* top = app.add_subcommand("scale4k", "4K to 1080p down scaling (second family, analyser task)");
    top->require_subcommand(1);
    auto* get = top->add_subcommand("get", "the unit's down-scaling choice");
    env.add_json_flag(get);
    get->callback([&env] {
        env.status = [&]() -> int {
            if (const int code = prepare(env); code != exit_ok) return code;
            const cli_reply r = env.transact(trimmed(env.ctx().link.cmd_table[1]) + " ");
            if (r.link_lost) return exit_no_link;
            bool known = false;
            for (const char* w : scale_4k_words) known = known || r.param1 == w;
            if (r.result != 1 || !known)
                return env.fail(exit_refused, "no down-scaling choice in the reply \"" + printable(r.reply) + "\"");
            if (env.json) env.json_print({{"scale4k", r.param1}});
            else env.out << "scale4k: " << r.param1 << "\n";
            return exit_ok;
        }();
    });
    auto* set = top->add_subcommand("set", "choose off, on_rgb or on_yuv");
    auto mode = std::make_shared<std::string>();
    set->add_option("MODE", *mode, "off | on_rgb | on_yuv")->required()->check(CLI::IsMember({"off", "on_rgb", "on_yuv"}));
    env.add_json_flag(set);
    set->callback([&env, mode] {
        env.status = [&]() -> int {
            if (const int code = prepare(env); code != exit_ok) return code;
            const cli_reply r = env.transact(env.ctx().link.cmd_table[0] + *mode);
            if (r.link_lost) return exit_no_link;
            env.reply_print(r);
            return r.result == 1 ? exit_ok : exit_refused;
        }();
    });
}

// The row caption of an item, without its trailing blank.
std::string item_row(int item) {
    const int first = [&] {
        for (int b = 0; b < panel_button_count; ++b)
            if (panel_buttons()[static_cast<std::size_t>(b)].item == item) return b;
        return -1;
    }();
    for (const auto& row : panel_rows())
        for (int b : row.buttons)
            if (b == first) return trimmed(row.caption);
    return {};
}

nlohmann::ordered_json panel_item_json(app_context& ctx, int item, bool read) {
    const auto& P = ctx.panel;
    const int green = panel_green_button(P, item);
    const int red = panel_red_button(P, item);
    const auto caption = [](int b) { return b < 0 ? std::string() : panel_buttons()[static_cast<std::size_t>(b)].caption; };
    nlohmann::ordered_json j{{"item", item},
                             {"row", item_row(item)},
                             {"query", trimmed(ctx.link.cmd_table[static_cast<std::size_t>(panel_items()[static_cast<std::size_t>(item)].query_index)])},
                             {"read", read},
                             {"report", latin1_utf8(P.report[static_cast<std::size_t>(item)])}};
    j["green"] = green < 0 ? nlohmann::ordered_json() : nlohmann::ordered_json(green);
    j["green_caption"] = caption(green);
    j["red"] = red < 0 ? nlohmann::ordered_json() : nlohmann::ordered_json(red);
    return j;
}

void panel_print(cli_env& env, const std::vector<int>& items, int read) {
    auto& ctx = env.ctx();
    if (env.json) {
        auto list = nlohmann::ordered_json::array();
        for (int item : items) list.push_back(panel_item_json(ctx, item, item < read));
        env.json_print({{"items", list}, {"hdcp_in_on", ctx.panel.hdcp_in_on}, {"hdcp_out_state", ctx.panel.hdcp_out_state}});
        return;
    }
    for (int item : items) {
        const auto j = panel_item_json(ctx, item, item < read);
        env.out << "item " << item << ": " << j["row"].get<std::string>() << ", " << j["query"].get<std::string>() << " -> ";
        if (!j["read"].get<bool>()) {
            env.out << "not read\n";
            continue;
        }
        env.out << j["report"].get<std::string>();
        if (!j["green"].is_null()) env.out << ", green " << j["green"].get<int>() << " \"" << j["green_caption"].get<std::string>() << "\"";
        if (!j["red"].is_null()) env.out << ", red " << j["red"].get<int>() << " (HDCP talking)";
        env.out << "\n";
    }
}

// Answers every question with Yes, for --yes.
struct yes_dialogs : dialog_port {
    dialog_port* next = nullptr;
    msg_answer message_box(const std::string& text, msg_icon icon, msg_buttons buttons, const std::string& title) override {
        if (buttons == msg_buttons::ok) return next ? next->message_box(text, icon, buttons, title) : msg_answer::ok;
        return msg_answer::yes;
    }
};

void add_panel_commands(CLI::App& app, cli_env& env) {
    auto* top = app.add_subcommand("panel", "the output control panel");
    top->require_subcommand(1);
    auto* get = top->add_subcommand("get", "every item: its query, the reported value and the green button");
    env.add_json_flag(get);
    get->callback([&env] {
        env.status = [&]() -> int {
            if (const int code = prepare(env); code != exit_ok) return code;
            const int read = output_panel_refresh(env.ctx());
            if (!env.link_up()) return env.fail(exit_no_link, "the link was lost while reading the panel");
            std::vector<int> items;
            for (int i = 0; i < panel_item_count; ++i) items.push_back(i);
            panel_print(env, items, read);
            if (read < panel_item_count)
                return env.fail(exit_refused, "no usable reply to item " + std::to_string(read) + "; the items after it were not read");
            return exit_ok;
        }();
    });
    auto* set = top->add_subcommand("set", "click button INDEX: its command with preparations and follow-ups");
    auto index = std::make_shared<int>(0);
    auto yes = std::make_shared<bool>(false);
    set->add_option("INDEX", *index, "button 0..60")->required()->check(CLI::Range(0, panel_button_count - 1));
    set->add_flag("--yes", *yes, "confirm \"Factory Reset\" (0) and \"Reboot System\" (1)");
    env.add_json_flag(set);
    set->callback([&env, index, yes] {
        env.status = [&]() -> int {
            if (*index == 50 || *index == 51) return env.usage_error("the AVMute buttons carry no command");
            if (const int code = prepare(env); code != exit_ok) return code;
            auto& ctx = env.ctx();
            yes_dialogs confirm;
            confirm.next = ctx.ports.dialogs;
            if (*yes) ctx.ports.dialogs = &confirm;
            cmd_panel_Click(ctx, *index);
            ctx.ports.dialogs = confirm.next;
            if (!env.link_up()) return env.fail(exit_no_link, "the link was lost");
            const int item = panel_buttons()[static_cast<std::size_t>(*index)].item;
            if (ctx.panel.click_result == 0)
                return env.fail(exit_refused, (*index <= 1 ? std::string("not confirmed (give --yes); ") : std::string()) +
                                                  "\"" + ctx.panel.panel_cmd[static_cast<std::size_t>(*index)] + "\" was not sent");
            if (item >= 0) panel_print(env, {item}, panel_item_count);
            else if (!env.json) env.out << "sent: " << ctx.panel.panel_cmd[static_cast<std::size_t>(*index)] << "\n";
            if (ctx.panel.click_result != 1)
                return env.fail(exit_refused, "the unit did not accept \"" + ctx.panel.panel_cmd[static_cast<std::size_t>(*index)] +
                                                  "\" (result " + std::to_string(ctx.panel.click_result) + ")");
            return exit_ok;
        }();
    });
}

void color_print(cli_env& env) {
    const auto& S = env.ctx().color_cal;
    nlohmann::ordered_json j{{"color", S.cbo_color < 0 ? std::string() : color_cal_entries[static_cast<std::size_t>(S.cbo_color)]}};
    for (int r = 0; r < color_cal_row_count; ++r) {
        const auto& R = S.rows[static_cast<std::size_t>(r)];
        if (!R.enabled || R.box.empty()) continue;
        std::string key = color_cal_row_captions[static_cast<std::size_t>(r)];
        for (auto& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        j[key] = R.slider;
    }
    if (env.json) {
        env.json_print(j);
        return;
    }
    for (auto it = j.begin(); it != j.end(); ++it) env.out << it.key() << ": " << it.value().dump() << "\n";
}

void add_color_commands(CLI::App& app, cli_env& env) {
    auto* top = app.add_subcommand("color", "colour calibration pattern (m41l k_new, pattern 13)");
    top->require_subcommand(1);
    auto* get = top->add_subcommand("get", "the colour and its level, or red, green and blue for User");
    env.add_json_flag(get);
    get->callback([&env] {
        env.status = [&]() -> int {
            if (const int code = prepare(env); code != exit_ok) return code;
            color_cal_refresh(env.ctx());
            if (!env.link_up()) return env.fail(exit_no_link, "the link was lost");
            if (env.ctx().color_cal.cbo_color < 0)
                return env.fail(exit_refused, "the unit reported no known colour (\"" + printable(env.ctx().link.rx_line) + "\")");
            color_print(env);
            return exit_ok;
        }();
    });
    auto* set = top->add_subcommand("set", "choose COLOUR; then LEVEL for a fixed colour, or R G B for User (0..255)");
    auto colour = std::make_shared<std::string>();
    auto values = std::make_shared<std::vector<std::string>>();
    set->add_option("COLOUR", *colour, "White, Red, Green, Blue, Yellow, Magenta, Cyan or User")->required();
    set->add_option("VALUES", *values, "LEVEL, or R G B");
    env.add_json_flag(set);
    set->callback([&env, colour, values] {
        env.status = [&]() -> int {
            int index = -1;
            for (int i = 0; i < color_cal_entry_count; ++i) {
                std::string e = color_cal_entries[static_cast<std::size_t>(i)], c = *colour;
                for (auto* s : {&e, &c})
                    for (auto& ch : *s) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
                if (e == c) index = i;
            }
            if (index < 0) return env.usage_error("unknown colour \"" + *colour + "\"");
            const bool user = index == color_cal_user;
            if (!values->empty() && values->size() != (user ? 3u : 1u))
                return env.usage_error(user ? "User takes R G B" : "a fixed colour takes one LEVEL");
            for (const auto& v : *values)
                if (!color_cal_box_value(v)) return env.usage_error("\"" + v + "\" is not a value 0..255");
            if (const int code = prepare(env); code != exit_ok) return code;
            auto& ctx = env.ctx();
            if (color_cal_color_choose(ctx, index) != 1)
                return env.link_up() ? env.fail(exit_refused, "the unit did not accept the colour") : exit_no_link;
            for (std::size_t k = 0; k < values->size(); ++k) {
                const int row = user ? static_cast<int>(k) + row_red : row_level;
                color_cal_box_enter(ctx, row, (*values)[k]);
                if (ctx.link.cmd_result != 1)
                    return env.link_up() ? env.fail(exit_refused, "the unit did not accept \"" + (*values)[k] + "\"") : exit_no_link;
            }
            color_print(env);
            return exit_ok;
        }();
    });
}

}  // namespace

void add_output_commands(CLI::App& app, cli_env& env) {
    add_position_commands(app, env, true);
    add_position_commands(app, env, false);
    add_motion_text_commands(app, env);
    add_scale4k_commands(app, env);
    add_panel_commands(app, env);
    add_color_commands(app, env);
}

}  // namespace vexlan
