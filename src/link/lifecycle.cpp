#include "link/lifecycle.h"

#include <filesystem>

#include "link/app_context.h"
#include "link/file_io.h"
#include "link/transaction.h"

namespace vexlan {

namespace {

void process_events(app_context& ctx) {
    if (ctx.ports.pump) ctx.ports.pump->process_events();
}

}  // namespace

void problems_report(app_context& ctx, const std::vector<std::string>& problems) {
    if (problems.empty() || !ctx.ports.dialogs) return;
    std::string text;
    for (const auto& p : problems_limited(problems)) {
        if (!text.empty()) text += "\r\n";
        text += p;
    }
    ctx.ports.dialogs->message_box(text, msg_icon::exclamation);
}

std::string settings_path(const app_context& ctx) { return app_file_path(ctx.life.app_dir, settings_file_name); }

void main_load(app_context& ctx, const screen_twips& screen) {
    auto& L = ctx.link;
    auto& V = ctx.view;
    auto& T = ctx.tasks;

    // 1. flags and fixed values
    L.app_closing = false;
    ctx.life.starting_up = true;
    L.term_raw = false;
    L.term_visible = false;
    L.term_text.clear();
    ctx.profile = model_profile{};
    T.task_mode = none_254;
    T.main_page = none_254;
    T.deferred_action = deferred_none;

    // 2. lists and tables
    V.cbo_interface_items = {"RS-232", "Ethernet"};
    cmd_table_init(L.cmd_table);
    if (ctx.life.lists_init) ctx.life.lists_init();

    // 3. busy indicator
    L.busy_bar = busy_bar_view{};

    // 4. port list
    V.cbo_com_items.clear();
    for (int n = 1; n <= 16; ++n) V.cbo_com_items.push_back("COM" + std::to_string(n) + ":");
    L.com_open = false;

    // 5. housekeeping timer
    ctx.life.clock_ticks = 0;
    if (ctx.ports.timers && !L.app_closing) {
        ctx.ports.timers->set_interval(timer_id::tim_clock, 100);
        ctx.ports.timers->set_enabled(timer_id::tim_clock, true);
    }

    // 6. title
    V.title = app_title;

    problems_report(ctx, ctx.life.folder_notices);
    ctx.life.folder_notices.clear();

    // 7. settings file (a missing file means the defaults; it is written at close)
    const std::string path = settings_path(ctx);
    std::error_code ec;
    const bool exists = std::filesystem::exists(path, ec);
    const auto read = settings_read(path);
    if (exists) problems_report(ctx, read.problems);
    ctx.life.settings_loaded = exists && read.problems.empty();
    ctx.life.settings_keep_file = exists && read.keep_file;
    L.link_iface = read.values.link_iface == 1 ? 1 : 0;
    L.eth_ip = read.values.eth_ip;
    L.com_port = read.values.com_port >= 1 && read.values.com_port <= 16 ? read.values.com_port : 1;
    ctx.life.pre_files = read.values.pre_files;

    // 8. window position
    if (read.values.position_valid)
        ctx.life.window = window_position_clamp(read.values.window_left, read.values.window_top, screen.width,
                                                screen.height, screen.window_width, screen.window_height);
    else
        ctx.life.window = window_position_centred(screen.width, screen.height, screen.window_width,
                                                  screen.window_height);

    // 9. the default catalogue
    problems_report(ctx, catalogue_load(ctx.catalogue, ctx.life.app_dir, std::string(catalogue_m41)));
    if (V.on_catalogue) V.on_catalogue();

    // 10. the remembered link choice; nothing is opened
    L.eth_connected = false;
    V.txt_eth_ip.caption = L.eth_ip;
    V.cbo_com_index = L.com_port - 1;
    cbo_com_change(ctx, L.com_port - 1);  // ignored while starting up: only the number
    cbo_interface_change(ctx, L.link_iface);
    ui_state_set(ctx);
}

void main_load_done(app_context& ctx) {
    process_events(ctx);
    focus_move(ctx.view);
    ctx.life.starting_up = false;
}

std::vector<std::string> main_unload(app_context& ctx, int left, int top) {
    auto& L = ctx.link;
    std::vector<std::string> errors;

    // 1-3. closing: other windows, timers
    L.app_closing = true;
    if (ctx.life.close_windows) ctx.life.close_windows();
    process_events(ctx);
    if (auto* t = ctx.ports.timers) {
        for (auto id : {timer_id::tim_clock, timer_id::tim_eth, timer_id::tim_monitor, timer_id::tim_rx})
            t->set_enabled(id, false);
    }
    process_events(ctx);

    // 4. the serial port
    serial_close(ctx);
    L.com_open = false;

    // 5. settings file
    settings s;
    s.link_iface = L.link_iface;
    s.eth_ip = L.eth_ip;
    s.com_port = L.com_port;
    s.window_left = left;
    s.window_top = top;
    s.position_valid = true;
    s.pre_files = ctx.life.pre_files;
    if (ctx.life.settings_keep_file)
        errors.push_back(settings_path(ctx) + ": not rewritten, because it could not be read cleanly at start; "
                                              "the file is kept as it was");
    else if (auto e = settings_write(settings_path(ctx), s); !e.empty())
        errors.push_back(e);

    // 6. favourites of the current profile
    if (auto e = favourites_save(ctx.catalogue, ctx.life.app_dir, ctx.profile); !e.empty()) errors.push_back(e);
    return errors;
}

void tim_clock_tick(app_context& ctx) {
    auto& life = ctx.life;
    auto& L = ctx.link;
    auto* timers = ctx.ports.timers;
    life.clock_ticks += 1;
    if (life.clock_ticks > clock_tick_wrap) life.clock_ticks = 0;

    if (life.clock_ticks % 10 == 0 && L.com_open) {
        if (!ctx.ports.serial || !ctx.ports.serial->probe()) {
            serial_close(ctx);
            ui_state_set(ctx);
        }
    }
    if (L.eth_connected && ctx.profile.model_index == model_none) {
        if (timers) timers->set_enabled(timer_id::tim_clock, false);
        process_events(ctx);
        refresh_action(ctx);
    }
    if (timers) timers->set_enabled(timer_id::tim_clock, !L.app_closing);
}

}  // namespace vexlan
