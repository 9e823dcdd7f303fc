// The colour calibration dialog (title "Color Setting"): one of seven fixed colours with its
// level, or "User" with red, green and blue, each 0..255. Operator changes go to the unit at
// once; values read from the unit are only shown, never sent back.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "link/view.h"

namespace vexlan {

struct app_context;

inline constexpr int color_cal_entry_count = 8;
inline constexpr std::array<const char*, color_cal_entry_count> color_cal_entries{
    "White", "Red", "Green", "Blue", "Yellow", "Magenta", "Cyan", "User"};
inline constexpr int color_cal_user = 7;

enum color_cal_row : int { row_level = 0, row_red = 1, row_green = 2, row_blue = 3 };
inline constexpr int color_cal_row_count = 4;
inline constexpr std::array<const char*, color_cal_row_count> color_cal_row_captions{"Level", "Red", "Green", "Blue"};

struct color_cal_row_view {
    int slider = 0;          // hsr_*: 0..255
    std::string box;         // txt_*
    bool enabled = true;
    // a set command of this row waits for its reply; moves meanwhile leave their latest value here
    bool sending = false;
    std::optional<std::string> pending;
};

struct color_cal_state {
    int cbo_color = -1;  // selected entry, -1 none
    std::array<color_cal_row_view, color_cal_row_count> rows{};
    bool cal_loading = false;
    bool cal_suppress = false;
    int select_box = -1;  // the row whose box text is to be selected whole (-1 none)

    std::function<void()> on_change;
};

// The row's set prefix and query ("$color_cal_level " / "$color_cal_level?").
const std::string& color_cal_set_prefix(const app_context& ctx, int row);
const std::string& color_cal_query(const app_context& ctx, int row);

// A value from the unit: an integer 0..255 written in decimal digits, else nothing.
std::optional<int> color_cal_value(std::string_view text);
// What Enter accepts in a box: the text without surrounding blanks, 1 to 3 digits, at most 255.
std::optional<int> color_cal_box_value(std::string_view text);

// Opening the dialog: reads colour and values, sends no colour.
void color_cal_load(app_context& ctx);
// "Refresh": reads the colour and its values from the unit.
void color_cal_refresh(app_context& ctx);
// The operator chose colour entry `index`. Returns the result of the colour command (0 when
// nothing was sent).
int color_cal_color_choose(app_context& ctx, int index);
// Enables the rows of colour entry `index` and reads their values.
void color_cal_levels_get(app_context& ctx, int index);
// The operator moved a slider to `value`.
void color_cal_slider_change(app_context& ctx, int row, int value);
// Enter in a row's box holding `text`.
void color_cal_box_enter(app_context& ctx, int row, const std::string& text);

}  // namespace vexlan
