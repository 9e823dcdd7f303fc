// Output selection and favourites: the timing page (page 1) and the pattern page (page 2). The
// operator sets what the unit outputs from a list or a favourite button, marks favourites by
// ticking list entries, enters the motion text and, on a second-family unit in analyser mode,
// chooses the 4K down scaling. The readers ask the unit what it outputs when a page is shown,
// refreshed or a deferred read is replayed.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "link/view.h"
#include "pattern/catalogue.h"

namespace vexlan {

struct app_context;

inline constexpr rgb rgb_fav_current{0, 192, 0};
inline constexpr rgb rgb_fav_other{224, 224, 224};
inline constexpr int timing_analyser_only = 88;  // output only in analyser mode
inline constexpr int pattern_motion_1 = 41, pattern_motion_2 = 42;
inline constexpr int pattern_color_cal = 13;     // m41l k_new catalogue only
inline constexpr std::size_t motion_text_max = 20;

// What one of the two catalogue pages shows beside its catalogue.
struct catalogue_page_view {
    int selected = 0;          // selected list position (1..count), 0 = none
    bool list_enabled = true;
    control_view lab_out_now;  // name of the current output
    std::array<control_view, fav_slot_count> cmd_fav = fav_buttons();

    static std::array<control_view, fav_slot_count> fav_buttons() {
        std::array<control_view, fav_slot_count> a;
        for (auto& b : a) b.color = rgb_fav_other;
        return a;
    }
};

struct output_state {
    catalogue_page_view timing;
    catalogue_page_view pattern;
    bool fra_reso_out_m41l_visible = false;
    int opt_4k_to_1080p = -1;            // 0 "off", 1 "on_rgb", 2 "on_yuv", -1 none chosen
    bool motion_text_visible = false;    // lab_motion_text and txt_motion_text
    std::string txt_motion_text;
    control_view cmd_color_setting = hidden_button();

    std::function<void()> on_change;     // any field above (or a check mark) changed

    static control_view hidden_button() {
        control_view v = make_caption("Color Setting");
        v.visible = false;
        return v;
    }
};

// The captions of the two pages.
inline constexpr const char* lab_prompt_v_text =
    "Double click left list or click button below to set output resolution. Check left list to set favorite timings.";
inline constexpr const char* lab_prompt_p_text =
    "Double click left list or click button below to set output pattern. Check left list to set favorite patterns.";
inline constexpr std::array<const char*, 3> opt_4k_captions{"Disabled , Bypass", "Enabled , RGB Output",
                                                            "Enabled , YCbCr Output"};
inline constexpr std::array<const char*, 3> scale_4k_words{"off", "on_rgb", "on_yuv"};

// A position reported by the unit ("$timing?", "$pattern?"): the whole number at the start of
// the text; nothing when there is none or it is below 1 (for example "None" or "0"). Above
// `count` it is 1; with an empty catalogue there is no position at all.
std::optional<int> reported_position(std::string_view text, int count);

// The motion text as it goes to the unit: control characters removed, blanks trimmed, at most
// 20 characters.
std::string motion_text_clean(std::string_view text);

// The m41l k_new catalogue is linked (`model_index` 1, `board_variant` 1).
bool catalogue_is_k_new(const app_context& ctx);

// Favourite buttons and captions follow the catalogue (after a load and after favourite changes).
void output_favourites_render(app_context& ctx);
// A new catalogue was loaded: no entry is selected or current, the buttons name its favourites.
void output_catalogue_changed(app_context& ctx);
// Turns the favourite buttons holding `position` green, the others light grey.
void timing_fav_highlight(app_context& ctx, int position);
void pattern_fav_highlight(app_context& ctx, int position);

// Set output from the list (double click on the entry at `position`) or a favourite button.
void lstv_timing_dbl_click(app_context& ctx, int position);
void lstv_pattern_dbl_click(app_context& ctx, int position);
void cmd_timing_click(app_context& ctx, int slot);
void cmd_pattern_click(app_context& ctx, int slot);
// Single click on a pattern entry: it becomes the selection; the pattern extras follow it.
void lstv_pattern_click(app_context& ctx, int position);

// The operator ticked or unticked the entry at `position`.
void lstv_timing_item_check(app_context& ctx, int position, bool checked);
void lstv_pattern_item_check(app_context& ctx, int position, bool checked);
void cmd_check_v_none_click(app_context& ctx);
void cmd_check_p_none_click(app_context& ctx);

// Enter in the motion-text box (deferred while a transaction or poll runs).
void txt_motion_text_enter(app_context& ctx);
// Choice among the three down-scaling options.
void opt_4k_to_1080p_click(app_context& ctx, int option);

// Readers.
void lstv_timing_out_get(app_context& ctx);
void scale_4k_out_get(app_context& ctx);
void lstv_pattern_out_get(app_context& ctx);
// The timing page's reader as the page hooks call it: the down-scaling choice on a second-family
// unit in analyser mode, the current timing otherwise.
void timing_page_read(app_context& ctx);

// Installs the page hooks of pages 1 and 2 in the context.
void output_pages_hooks_install(app_context& ctx);

}  // namespace vexlan
