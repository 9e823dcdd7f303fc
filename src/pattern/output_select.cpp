#include "pattern/output_select.h"

#include <cctype>

#include "link/app_context.h"
#include "link/transaction.h"
#include "link/transports.h"

namespace vexlan {

namespace {

void changed(const output_state& O) {
    if (O.on_change) O.on_change();
}

const std::vector<catalogue_entry>& list_of(const app_context& ctx, bool timing) {
    return timing ? ctx.catalogue.timings : ctx.catalogue.patterns;
}

std::string entry_name(const app_context& ctx, bool timing, int position) {
    return fav_caption(list_of(ctx, timing), position);
}

bool in_list(const app_context& ctx, bool timing, int position) {
    return position >= 1 && static_cast<std::size_t>(position) <= list_of(ctx, timing).size();
}

// The motion-text controls and the "Color Setting" button follow the selected pattern.
void pattern_extras_update(app_context& ctx) {
    auto& O = ctx.output;
    const int p = O.pattern.selected;
    if (catalogue_is_k_new(ctx)) {
        O.cmd_color_setting.visible = p == pattern_color_cal;
        O.cmd_color_setting.enabled = p == pattern_color_cal && ctx.catalogue.pattern_out_index == pattern_color_cal;
    } else {
        O.motion_text_visible = p == pattern_motion_1 || p == pattern_motion_2;
    }
}

// The page's list and its 18 favourite buttons take no input while a set command waits.
void page_input_enable(catalogue_page_view& page, bool on) {
    page.list_enabled = on;
    for (auto& b : page.cmd_fav) b.enabled = on;
}

// Sends the set command for `position`, chosen with its name at the click, and shows it when the
// unit accepts it.
void output_set(app_context& ctx, bool timing, int position) {
    auto& O = ctx.output;
    auto& page = timing ? O.timing : O.pattern;
    const std::string name = entry_name(ctx, timing, position);
    page.selected = position;
    page_input_enable(page, false);
    changed(O);

    const std::string& prefix = ctx.link.cmd_table[timing ? 164 : 71];
    const int result = cmdtx_str(ctx, prefix + " " + std::to_string(position) + "\r");
    if (result == 1) {
        page.lab_out_now.caption = name;
        if (timing) {
            timing_fav_highlight(ctx, position);
        } else {
            ctx.catalogue.pattern_out_index = position;
            pattern_fav_highlight(ctx, position);
        }
    }
    if (!timing) pattern_extras_update(ctx);
    page_input_enable(page, true);
    changed(O);
}

bool timing_allowed(const app_context& ctx, int position) {
    return position != timing_analyser_only || ctx.tasks.task_mode == 0;
}

void fav_click(app_context& ctx, bool timing, int slot) {
    if (slot < 0 || slot >= fav_slot_count) return;
    auto& page = timing ? ctx.output.timing : ctx.output.pattern;
    if (!page.cmd_fav[static_cast<std::size_t>(slot)].enabled) return;
    const auto& fav = timing ? ctx.catalogue.timing_fav : ctx.catalogue.pattern_fav;
    const int position = fav[static_cast<std::size_t>(slot)];
    if (position == fav_empty || !in_list(ctx, timing, position)) return;
    if (timing && !timing_allowed(ctx, position)) return;
    output_set(ctx, timing, position);
}

void list_dbl_click(app_context& ctx, bool timing, int position) {
    auto& page = timing ? ctx.output.timing : ctx.output.pattern;
    if (!page.list_enabled || !in_list(ctx, timing, position)) return;
    if (timing && !timing_allowed(ctx, position)) return;
    output_set(ctx, timing, position);
}

// Rebuilds the slots from the ticked entries in ascending position.
void favourites_rebuild(std::vector<catalogue_entry>& list, std::array<int, fav_slot_count>& fav) {
    fav = fav_slots_empty();
    std::size_t k = 0;
    for (std::size_t i = 0; i < list.size() && k < fav.size(); ++i)
        if (list[i].checked) fav[k++] = static_cast<int>(i + 1);
}

void item_check(app_context& ctx, bool timing, int position, bool checked) {
    auto& C = ctx.catalogue;
    auto& list = timing ? C.timings : C.patterns;
    if (!in_list(ctx, timing, position)) return;
    auto& entry = list[static_cast<std::size_t>(position - 1)];
    if (entry.checked == checked) return;
    entry.checked = checked;
    int count = 0;
    for (const auto& e : list) count += e.checked ? 1 : 0;
    if (count > fav_slot_count) {
        entry.checked = false;  // a 19th tick is taken back; the favourites stay as they were
    } else {
        favourites_rebuild(list, timing ? C.timing_fav : C.pattern_fav);
        C.favourites_keep_file = false;  // the operator's favourites are written at close
    }
    output_favourites_render(ctx);
}

void check_none(app_context& ctx, bool timing) {
    auto& C = ctx.catalogue;
    for (auto& e : timing ? C.timings : C.patterns) e.checked = false;
    (timing ? C.timing_fav : C.pattern_fav) = fav_slots_empty();
    C.favourites_keep_file = false;
    output_favourites_render(ctx);
}

// The common entry conditions of the readers: the page is shown, a unit is linked and the link
// is up. While a transaction or poll runs the read is recorded as `code`.
bool reader_may_run(app_context& ctx, int page, int code) {
    if (ctx.tasks.main_page != page || ctx.profile.model_index == model_none || !link_is_up(ctx)) return false;
    if (link_busy(ctx)) {
        ctx.tasks.deferred_action = code;
        return false;
    }
    return true;
}

bool m41l_analyser(const app_context& ctx) { return ctx.profile.model_index == 1 && ctx.tasks.task_mode == 0; }

}  // namespace

std::optional<int> reported_position(std::string_view text, int count) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    long n = 0;
    std::size_t digits = 0;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
        if (n <= 100000) n = n * 10 + (text[i] - '0');
        ++i;
        ++digits;
    }
    if (digits == 0 || n < 1 || count < 1) return std::nullopt;
    if (n > count) return 1;
    return static_cast<int>(n);
}

std::string motion_text_clean(std::string_view text) {
    std::string s;
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 32 && c != 127) s += c;
    const auto first = s.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    s = s.substr(first, s.find_last_not_of(' ') - first + 1);
    if (s.size() > motion_text_max) {
        s.resize(motion_text_max);
        s.erase(s.find_last_not_of(' ') + 1);
    }
    return s;
}

bool catalogue_is_k_new(const app_context& ctx) {
    return ctx.profile.model_index == 1 && ctx.profile.board_variant == 1;
}

void output_favourites_render(app_context& ctx) {
    auto& O = ctx.output;
    for (int j = 0; j < fav_slot_count; ++j) {
        O.timing.cmd_fav[static_cast<std::size_t>(j)].caption = timing_fav_caption(ctx.catalogue, j);
        O.pattern.cmd_fav[static_cast<std::size_t>(j)].caption = pattern_fav_caption(ctx.catalogue, j);
    }
    changed(O);
}

void output_catalogue_changed(app_context& ctx) {
    auto& O = ctx.output;
    for (auto* page : {&O.timing, &O.pattern}) {
        page->selected = 0;
        page->lab_out_now.caption.clear();
        for (auto& b : page->cmd_fav) b.color = rgb_fav_other;
    }
    pattern_extras_update(ctx);
    output_favourites_render(ctx);
}

void timing_fav_highlight(app_context& ctx, int position) {
    for (int j = 0; j < fav_slot_count; ++j)
        ctx.output.timing.cmd_fav[static_cast<std::size_t>(j)].color =
            ctx.catalogue.timing_fav[static_cast<std::size_t>(j)] == position ? rgb_fav_current : rgb_fav_other;
}

void pattern_fav_highlight(app_context& ctx, int position) {
    for (int j = 0; j < fav_slot_count; ++j)
        ctx.output.pattern.cmd_fav[static_cast<std::size_t>(j)].color =
            ctx.catalogue.pattern_fav[static_cast<std::size_t>(j)] == position ? rgb_fav_current : rgb_fav_other;
}

void lstv_timing_dbl_click(app_context& ctx, int position) { list_dbl_click(ctx, true, position); }
void lstv_pattern_dbl_click(app_context& ctx, int position) { list_dbl_click(ctx, false, position); }
void cmd_timing_click(app_context& ctx, int slot) { fav_click(ctx, true, slot); }
void cmd_pattern_click(app_context& ctx, int slot) { fav_click(ctx, false, slot); }

void lstv_pattern_click(app_context& ctx, int position) {
    auto& O = ctx.output;
    if (!O.pattern.list_enabled || !in_list(ctx, false, position)) return;
    O.pattern.selected = position;
    pattern_extras_update(ctx);
    changed(O);
}

void lstv_timing_item_check(app_context& ctx, int position, bool checked) { item_check(ctx, true, position, checked); }
void lstv_pattern_item_check(app_context& ctx, int position, bool checked) { item_check(ctx, false, position, checked); }
void cmd_check_v_none_click(app_context& ctx) { check_none(ctx, true); }
void cmd_check_p_none_click(app_context& ctx) { check_none(ctx, false); }

void txt_motion_text_enter(app_context& ctx) {
    if (link_busy(ctx)) {
        ctx.tasks.deferred_action = deferred_motion_text;
        return;
    }
    cmdtx_str(ctx, ctx.link.cmd_table[68] + motion_text_clean(ctx.output.txt_motion_text) + "\r");
    delay_seconds(ctx, 0.5);
}

void opt_4k_to_1080p_click(app_context& ctx, int option) {
    if (option < 0 || option >= static_cast<int>(scale_4k_words.size())) return;
    ctx.output.opt_4k_to_1080p = option;
    changed(ctx.output);
    cmdtx_str(ctx, ctx.link.cmd_table[0] + scale_4k_words[static_cast<std::size_t>(option)] + "\r");
}

void lstv_timing_out_get(app_context& ctx) {
    auto& O = ctx.output;
    if (!reader_may_run(ctx, 1, deferred_timing_out_get)) return;
    if (m41l_analyser(ctx)) {
        O.fra_reso_out_m41l_visible = true;
        changed(O);
        return;
    }
    O.fra_reso_out_m41l_visible = false;
    changed(O);
    if (cmdtx_str(ctx, ctx.link.cmd_table[165] + "\r") != 1) return;
    const auto n = reported_position(ctx.link.rx_param1, static_cast<int>(ctx.catalogue.timings.size()));
    if (!n) return;
    O.timing.selected = *n;
    O.timing.lab_out_now.caption = entry_name(ctx, true, *n);
    timing_fav_highlight(ctx, *n);
    changed(O);
}

void scale_4k_out_get(app_context& ctx) {
    auto& O = ctx.output;
    if (!reader_may_run(ctx, 1, deferred_timing_out_get)) return;
    if (!m41l_analyser(ctx)) {
        O.fra_reso_out_m41l_visible = false;
        changed(O);
        return;
    }
    O.fra_reso_out_m41l_visible = true;
    changed(O);
    if (cmdtx_str(ctx, ctx.link.cmd_table[1] + "\r") != 1) return;
    for (std::size_t i = 0; i < scale_4k_words.size(); ++i)
        if (ctx.link.rx_param1 == scale_4k_words[i]) O.opt_4k_to_1080p = static_cast<int>(i);
    changed(O);
}

void lstv_pattern_out_get(app_context& ctx) {
    auto& O = ctx.output;
    auto& L = ctx.link;
    if (!reader_may_run(ctx, 2, deferred_pattern_out_get)) return;
    if (cmdtx_str(ctx, L.cmd_table[70] + "\r") != 1) return;
    const auto n = reported_position(L.rx_param1, static_cast<int>(ctx.catalogue.patterns.size()));
    if (!n) return;
    O.pattern.selected = *n;
    O.pattern.lab_out_now.caption = entry_name(ctx, false, *n);
    ctx.catalogue.pattern_out_index = *n;
    pattern_fav_highlight(ctx, *n);
    pattern_extras_update(ctx);
    changed(O);
    if (!catalogue_is_k_new(ctx) && (*n == pattern_motion_1 || *n == pattern_motion_2)) {
        if (cmdtx_str(ctx, L.cmd_table[69] + "\r") == 1) {
            // a reply without text means an empty motion text, not the word "None"
            const auto blank = L.rx_line.find(' ');
            const bool empty = blank == std::string::npos || L.rx_line.find_first_not_of("\r\n", blank + 1) == std::string::npos;
            O.txt_motion_text = empty ? std::string() : L.rx_param1;
            changed(O);
        }
    }
}

void timing_page_read(app_context& ctx) {
    if (m41l_analyser(ctx)) scale_4k_out_get(ctx);
    else lstv_timing_out_get(ctx);
}

void output_pages_hooks_install(app_context& ctx) {
    auto& H = ctx.hooks;
    app_context* c = &ctx;
    H.timing_out_get = [c] { timing_page_read(*c); };
    H.scale_4k_out_get = [c] { scale_4k_out_get(*c); };
    H.pattern_out_get = [c] { lstv_pattern_out_get(*c); };
    H.motion_text_send = [c] { txt_motion_text_enter(*c); };
}

}  // namespace vexlan
