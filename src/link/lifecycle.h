// Start-up and shut-down of the main window, and the 100 ms housekeeping timer tim_clock.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "link/settings.h"

namespace vexlan {

struct app_context;

inline constexpr int clock_tick_wrap = 65530;

struct life_state {
    bool starting_up = false;
    int clock_ticks = 0;                 // tim_clock ticks, wrapping to 0 above 65530
    std::string app_dir;                 // the application directory
    // what preparing the application directory had to tell the operator; shown at start-up
    std::vector<std::string> folder_notices;
    std::array<std::string, pre_file_count> pre_files;  // captions of the lab_pre_f labels
    window_position window;              // main window position in twips, after the clamp
    bool settings_loaded = false;        // the settings file was read at start-up
    bool settings_keep_file = false;     // it exists but was unreadable or damaged: not rewritten
    // the model text of an unknown unit that the operator was told about on this connection
    std::string unknown_model_reported;

    // closes the command terminal and every other open window of the application
    std::function<void()> close_windows;
    // fills the output panel command table, the VIC name table and the other lists
    std::function<void()> lists_init;
};

// The screen and the window, in twips.
struct screen_twips {
    int width = 0;
    int height = 0;
    int window_width = main_window_width;
    int window_height = main_window_height;
};

std::string settings_path(const app_context& ctx);

// Shows the problems found in files the application reads (one message, one line each).
void problems_report(app_context& ctx, const std::vector<std::string>& problems);

// Start-up, steps 1 to 10 (everything before the window is shown). Problems with the settings
// file or the catalogue are reported to the operator and loading goes on with what was read.
void main_load(app_context& ctx, const screen_twips& screen);
// Start-up, step 11 (after the window is shown).
void main_load_done(app_context& ctx);

// Shut-down. `left`, `top`: the window position in twips. Writes the settings file and the
// favourites of the current profile; returns one text per file that could not be written (the
// caller reports them on stderr: the close goes on regardless).
std::vector<std::string> main_unload(app_context& ctx, int left, int top);

// Housekeeping every 100 ms.
void tim_clock_tick(app_context& ctx);

}  // namespace vexlan
