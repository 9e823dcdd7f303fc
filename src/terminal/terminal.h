// The command terminal window (frm_monitor_cmd): raw command lines typed by the operator, and
// the bytes received from the unit as the receivers render them into term_text. Beyond sending
// and watching: a command history kept across runs, optional time stamps per received line, a
// log file that receives everything shown, and the entry's control characters removed.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "link/view.h"

namespace vexlan {

struct app_context;

inline constexpr const char* term_title = "Vexlan Command Monitor";
inline constexpr const char* term_history_file = "Vexlan_term_history.txt";
inline constexpr std::size_t term_history_max = 200;       // entries kept
inline constexpr std::size_t term_history_entry_max = 1024;  // characters per entry
inline constexpr rgb rgb_pause_red{255, 48, 48};
inline constexpr rgb rgb_start_green{0, 192, 0};

struct terminal_state {
    bool loaded = false;  // the window exists
    bool paused = false;  // on live pages: the display is paused

    control_view txt_tx_str;  // caption: the entry's text
    control_view cmd_tx_str = make_caption("SEND");
    control_view cmd_clear = make_caption("CLEAR");
    control_view cmd_pause = make_caption("START");

    // history: oldest first; `history_pos` == size() while no entry is recalled
    std::vector<std::string> history;
    std::size_t history_pos = 0;
    bool history_loaded = false;

    // time stamps at the start of each received line, and the log file
    bool time_stamps = false;
    std::string log_path;           // "" = no log file
    std::string log_error;          // why the log file could not be written, "" when fine
    bool at_line_start = true;      // the next received character starts a line
    std::size_t seen = 0;           // term_text characters already handled
    std::string seen_tail;          // the last characters before `seen`, to notice a reset
    std::function<std::string()> stamp_text;  // "HH:MM:SS.mmm " of now (tests replace it)

    std::function<void()> on_change;      // a control above changed
    std::function<void()> on_focus_main;  // give the focus back to the main window's page button
};

// Opens (loaded, entry emptied, pause state) and closes (loaded and term_visible cleared).
void terminal_open(app_context& ctx);
void terminal_close(app_context& ctx);
// The eye symbol: opens the terminal if it is closed, closes it if it is open. Returns the new
// loaded state.
bool lab_monitor_eye_click(app_context& ctx);

// Recomputes SEND, the entry and PAUSE/START from the page and the paused flag.
void monitor_pause_set(app_context& ctx);
void cmd_pause_click(app_context& ctx);

// Enter or "SEND": sends the entry's text (control characters removed, trimmed) with one CR.
void cmd_tx_str_click(app_context& ctx);
// "CLEAR": empties the log.
void cmd_clear_click(app_context& ctx);

// The entry's text made ready to send: control characters (below 32 and 127) removed, blanks
// trimmed at both ends.
std::string term_entry_clean(const std::string& text);

// Up (-1) and Down (+1) in the entry: recall an older or newer line; past the newest the entry
// is empty again.
void term_history_step(app_context& ctx, int direction);
// The history file in the application directory: read once, written after every send.
void term_history_load(app_context& ctx);
bool term_history_save(const app_context& ctx);

// Called whenever term_text changed: adds time stamps to the new lines (when on) and appends
// the new text to the log file (when one is set).
void term_text_arrived(app_context& ctx);
// Starts or stops logging to a file ("" stops). Returns false when the file cannot be opened.
bool term_log_to(app_context& ctx, const std::string& path);

// Installs the pause hook of the page switch.
void terminal_hooks_install(app_context& ctx);

}  // namespace vexlan

namespace vexlan {

struct screen_rect {
    int left = 0, top = 0, width = 0, height = 0;
    int right() const { return left + width; }
    int bottom() const { return top + height; }
};

// Where the terminal window goes: directly left of the main window with both bottom edges
// level; when there is no room on the left, directly right of it; when there is none either,
// at the screen's left edge. The top is kept on the screen.
screen_rect term_window_place(const screen_rect& main_window, int width, int height, const screen_rect& screen);

}  // namespace vexlan
