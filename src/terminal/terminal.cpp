#include "terminal/terminal.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>

#include "link/app_context.h"
#include "link/transaction.h"

namespace vexlan {

namespace {

constexpr std::size_t tail_keep = 32;

void changed(const terminal_state& T) {
    if (T.on_change) T.on_change();
}

bool live_page(int page) { return page == 4 || page == 5 || page == 6; }

std::string history_path(const app_context& ctx) {
    return ctx.life.app_dir.empty() ? std::string() : ctx.life.app_dir + "/" + term_history_file;
}

std::string clock_stamp() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t t = system_clock::to_time_t(now);
    const auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[24];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d.%03d ", tm.tm_hour, tm.tm_min, tm.tm_sec, static_cast<int>(ms));
    return buf;
}

void history_push(terminal_state& T, const std::string& line) {
    if (line.empty()) return;
    const std::string entry = line.substr(0, term_history_entry_max);
    if (T.history.empty() || T.history.back() != entry) T.history.push_back(entry);
    if (T.history.size() > term_history_max)
        T.history.erase(T.history.begin(), T.history.begin() + static_cast<std::ptrdiff_t>(T.history.size() - term_history_max));
    T.history_pos = T.history.size();
}

}  // namespace

std::string term_entry_clean(const std::string& text) {
    std::string s;
    s.reserve(text.size());
    for (unsigned char c : text)
        if (c >= 32 && c != 127) s += static_cast<char>(c);
    const auto first = s.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    const auto last = s.find_last_not_of(' ');
    return s.substr(first, last - first + 1);
}

void monitor_pause_set(app_context& ctx) {
    auto& T = ctx.terminal;
    auto& L = ctx.link;
    if (!T.loaded) {
        L.term_visible = false;
        return;
    }
    if (!live_page(ctx.tasks.main_page)) {
        T.cmd_pause.visible = false;
        T.cmd_pause.color = rgb_page_normal;
        T.cmd_tx_str.visible = true;
        T.txt_tx_str.visible = true;
        L.term_visible = true;
    } else {
        T.cmd_tx_str.visible = false;
        T.txt_tx_str.visible = false;
        T.cmd_pause.visible = true;
        T.cmd_pause.caption = T.paused ? "PAUSE" : "START";
        T.cmd_pause.color = T.paused ? rgb_pause_red : rgb_start_green;
        L.term_visible = !T.paused;
    }
    changed(T);
}

void terminal_open(app_context& ctx) {
    auto& T = ctx.terminal;
    T.loaded = true;
    T.txt_tx_str.caption.clear();
    term_history_load(ctx);
    T.history_pos = T.history.size();
    monitor_pause_set(ctx);
}

void terminal_close(app_context& ctx) {
    ctx.terminal.loaded = false;
    ctx.link.term_visible = false;
    changed(ctx.terminal);
}

bool lab_monitor_eye_click(app_context& ctx) {
    if (ctx.terminal.loaded) terminal_close(ctx);
    else terminal_open(ctx);
    return ctx.terminal.loaded;
}

void cmd_pause_click(app_context& ctx) {
    auto& T = ctx.terminal;
    T.paused = !T.paused;
    monitor_pause_set(ctx);
    if (T.on_focus_main) T.on_focus_main();
}

void cmd_tx_str_click(app_context& ctx) {
    auto& T = ctx.terminal;
    auto& L = ctx.link;
    if (L.cmd_busy || ctx.tasks.poll_busy) return;
    if (!T.txt_tx_str.visible) return;  // a live page: the terminal only watches
    const std::string text = term_entry_clean(T.txt_tx_str.caption);
    T.txt_tx_str.caption = text;
    changed(T);
    const std::string line = text + "\r";
    const std::string word = cmdstr_cmd_get(line);
    L.term_raw = word == "$help" || word == "$?";
    L.tx_verbatim = true;  // a typed "$edid_write" gets no payload appended
    cmdtx_str(ctx, line);
    L.tx_verbatim = false;
    L.term_raw = false;
    history_push(T, text);
    term_history_save(ctx);
    delay_seconds(ctx, 0.5);
}

void cmd_clear_click(app_context& ctx) {
    auto& T = ctx.terminal;
    ctx.link.term_text.clear();
    T.seen = 0;
    T.seen_tail.clear();
    T.at_line_start = true;
    if (ctx.link.on_term_text) ctx.link.on_term_text();
    changed(T);
}

void term_history_step(app_context& ctx, int direction) {
    auto& T = ctx.terminal;
    if (T.history.empty()) return;
    if (T.history_pos > T.history.size()) T.history_pos = T.history.size();
    if (direction < 0) {
        if (T.history_pos == 0) return;
        --T.history_pos;
    } else {
        if (T.history_pos >= T.history.size()) return;
        ++T.history_pos;
    }
    T.txt_tx_str.caption = T.history_pos < T.history.size() ? T.history[T.history_pos] : std::string();
    changed(T);
}

void term_history_load(app_context& ctx) {
    auto& T = ctx.terminal;
    if (T.history_loaded) return;
    T.history_loaded = true;
    const std::string path = history_path(ctx);
    if (path.empty()) return;
    std::ifstream in(path, std::ios::binary);
    if (!in) return;
    std::string line;
    char c;
    std::size_t bytes = 0;
    // bounded: at most the kept entries' worth of bytes is read
    const std::size_t limit = term_history_max * (term_history_entry_max + 2);
    while (in.get(c) && bytes++ < limit) {
        if (c == '\n') {
            history_push(T, term_entry_clean(line));
            line.clear();
        } else if (line.size() < term_history_entry_max) {
            line += c;
        }
    }
    history_push(T, term_entry_clean(line));
    T.history_pos = T.history.size();
}

bool term_history_save(const app_context& ctx) {
    const std::string path = history_path(ctx);
    if (path.empty()) return false;
    const std::string tmp = path + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        for (const auto& e : ctx.terminal.history) out << e << '\n';
        if (!out.flush()) return false;
    }
    return std::rename(tmp.c_str(), path.c_str()) == 0;
}

bool term_log_to(app_context& ctx, const std::string& path) {
    auto& T = ctx.terminal;
    T.log_error.clear();
    if (!path.empty()) {
        std::ofstream probe(path, std::ios::binary | std::ios::app);
        if (!probe) {
            T.log_error = "cannot write " + path;
            T.log_path.clear();
            changed(T);
            return false;
        }
    }
    T.log_path = path;
    changed(T);
    return true;
}

void term_text_arrived(app_context& ctx) {
    auto& T = ctx.terminal;
    auto& text = ctx.link.term_text;
    const bool reset = text.size() < T.seen ||
                       (!T.seen_tail.empty() &&
                        text.compare(T.seen - T.seen_tail.size(), T.seen_tail.size(), T.seen_tail) != 0);
    if (reset) T.seen = 0;
    if (T.seen >= text.size()) {
        T.seen = text.size();
        return;
    }
    std::string fresh = text.substr(T.seen);
    if (T.time_stamps) {
        std::string stamped;
        stamped.reserve(fresh.size() + 16);
        for (char c : fresh) {
            if (T.at_line_start) stamped += T.stamp_text ? T.stamp_text() : clock_stamp();
            T.at_line_start = c == '\n';
            stamped += c;
        }
        fresh = std::move(stamped);
        text.replace(T.seen, std::string::npos, fresh);
    } else if (!fresh.empty()) {
        T.at_line_start = fresh.back() == '\n';
    }
    if (!T.log_path.empty()) {
        std::ofstream out(T.log_path, std::ios::binary | std::ios::app);
        if (!(out << fresh) && T.log_error.empty()) {
            T.log_error = "cannot write " + T.log_path;
            changed(T);
        }
    }
    T.seen = text.size();
    T.seen_tail = text.substr(text.size() - std::min(text.size(), tail_keep));
}

void terminal_hooks_install(app_context& ctx) {
    app_context* c = &ctx;
    ctx.hooks.term_pause_update = [c] { monitor_pause_set(*c); };
}

}  // namespace vexlan

namespace vexlan {

screen_rect term_window_place(const screen_rect& main_window, int width, int height, const screen_rect& screen) {
    screen_rect r{0, 0, width, height};
    if (main_window.left - width >= screen.left) r.left = main_window.left - width;
    else if (main_window.right() + width <= screen.right()) r.left = main_window.right();
    else r.left = screen.left;
    r.top = main_window.bottom() - height;
    if (r.top < screen.top) r.top = screen.top;
    return r;
}

}  // namespace vexlan
