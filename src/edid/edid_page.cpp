// The EDID page: side display (checksums, verdict, summary labels), COMPARE, "<= COPY", the
// checksum repair, CLEAR, the lists and the page's busy rule.
#include "edid/edid_page.h"

#include <algorithm>
#include <cstdio>

#include "edid/edid_files.h"
#include "link/app_context.h"

namespace vexlan {

namespace {

std::string hex_text(unsigned v, bool two_digits) {
    char buf[8];
    std::snprintf(buf, sizeof buf, two_digits ? "%02X" : "%X", v);
    return buf;
}

void message(app_context& ctx, const std::string& text, msg_icon icon) {
    if (ctx.ports.dialogs) ctx.ports.dialogs->message_box(text, icon);
}

void show_red(control_view& v, const std::string& caption) {
    v.caption = caption;
    v.color = rgb_red;
    v.visible = true;
}

}  // namespace

std::array<control_view, edid_read_button_count> edid_page_state::read_buttons() {
    static const char* captions[edid_read_button_count] = {"READ",    "COMPARE", "<= COPY", "Copy Sink",
                                                           "ANALYZE", "",        "SAVE",    "CLEAR"};
    std::array<control_view, edid_read_button_count> a;
    for (int i = 0; i < edid_read_button_count; ++i) a[static_cast<std::size_t>(i)].caption = captions[i];
    a[5].visible = false;
    return a;
}

std::array<control_view, edid_write_button_count> edid_page_state::write_buttons() {
    static const char* captions[edid_write_button_count] = {"Pre-F", "OPEN", "", "", "", "", "Rx EDID",
                                                            "ANALYZE", "", "SAVE", "CLEAR"};
    std::array<control_view, edid_write_button_count> a;
    for (int i = 0; i < edid_write_button_count; ++i) a[static_cast<std::size_t>(i)].caption = captions[i];
    for (int i : {2, 3, 5, 8}) a[static_cast<std::size_t>(i)].visible = false;
    a[4].enabled = false;  // the write button, a picture; enabled once the WRITE side holds an image
    a[4].tool_tip = "Write blocks 0 and 1 of the WRITE window to the selected target";
    return a;
}

void edid_page_changed(edid_page_state& P) {
    if (P.on_change) P.on_change();
}

bool edid_page_busy(const app_context& ctx) {
    return ctx.link.cmd_busy || ctx.tasks.poll_busy || ctx.tasks.refresh_running || ctx.edid_page.transfer_busy;
}

void edid_page_init(app_context& ctx) {
    auto& P = ctx.edid_page;
    vic_table_init(P.edid);
    P.read_items = edid_page_state::start_items<edid_read_item_count>();
    P.write_items = edid_page_state::start_items<edid_write_item_count>();
    P.read_index = 3;
    P.write_index = 1;
    P.rx_edid_slot = 1;
    P.copy_slot = 1;
    P.cmd_write[4].enabled = false;
    edid_page_changed(P);
}

std::string edid_read_item(const app_context& ctx, int index) {
    if (index == 2) return ctx.view.imgcbo_item2;
    if (index < 1 || index > edid_read_item_count) return {};
    return ctx.edid_page.read_items[static_cast<std::size_t>(index - 1)];
}

std::string edid_write_item(const app_context& ctx, int index) {
    if (index == 2) return ctx.view.imgcbo_item2;
    if (index < 1 || index > edid_write_item_count) return {};
    return ctx.edid_page.write_items[static_cast<std::size_t>(index - 1)];
}

std::string edid_source_token(const app_context& ctx, int list, int index) {
    if (index == 1) return "sink_h";
    if (index == 2) return ctx.profile.model_index == 0 ? "sink_v" : "";
    if (list == 0) {
        if (index >= 3 && index <= 12) return "d" + std::to_string(index - 2);
        if (index >= 13 && index <= 22) return "c" + std::to_string(index - 12);
        return "";
    }
    if (index >= 3 && index <= 12) return "c" + std::to_string(index - 2);
    return "";
}

edid_info& edid_side_record(edid_page_state& P, int context) {
    return context == 0 ? P.edid.edid_info_read : P.edid.edid_info_write;
}

std::string& edid_side_text(edid_page_state& P, int context) {
    return context == 0 ? P.rtxt_edid_read : P.rtxt_edid_write;
}

edid_side_view& edid_side_labels(edid_page_state& P, int context) {
    return context == 0 ? P.read_side : P.write_side;
}

void edid_side_fill(edid_info& rec, const std::uint8_t* bytes, int count, int edid_size) {
    rec.edid_image.fill(0xFF);
    count = std::clamp(count, 0, static_cast<int>(rec.edid_image.size()));
    std::copy_n(bytes, count, rec.edid_image.begin());
    rec.edid_size = static_cast<std::int16_t>(edid_size);
}

void edid_side_clear(app_context& ctx, int context) {
    auto& P = ctx.edid_page;
    edid_side_text(P, context).clear();
    (context == 0 ? P.read_marks : P.write_marks).clear();
    auto& S = edid_side_labels(P, context);
    for (control_view* m : {&S.msg1, &S.msg2}) {
        m->visible = false;
        m->caption.clear();
        m->color = rgb_black;
    }
    for (control_view* l : {&S.type, &S.manuf, &S.model1, &S.model2, &S.native}) l->caption.clear();
    for (auto& b : S.recover) b.visible = false;
    edid_page_changed(P);
}

void edid_checksum_show(app_context& ctx, int context) {
    auto& P = ctx.edid_page;
    auto& S = edid_side_labels(P, context);
    const edid_info& rec = edid_side_record(P, context);
    for (int k = 0; k < 4; ++k) {
        auto& l = S.checksum[static_cast<std::size_t>(k)];
        l.caption = "BK" + std::to_string(k);
        l.color = rgb_black;
        S.recover[static_cast<std::size_t>(k)].visible = false;
    }
    if (rec.edid_type == edid_type_invalid && rec.edid_status == edid_status_bad_size) return;
    const int blocks = std::clamp<int>(rec.block_count, 0, 4);
    for (int k = 0; k < blocks; ++k) {
        auto& l = S.checksum[static_cast<std::size_t>(k)];
        const std::uint8_t sum = rec.block_checksum[static_cast<std::size_t>(k)];
        l.caption = "BK" + std::to_string(k) + "=" + hex_text(sum, false) + "h";
        if (sum != rec.edid_image[static_cast<std::size_t>(k * 128 + 127)]) {
            l.color = rgb_red;
            l.caption += " Error";
            S.recover[static_cast<std::size_t>(k)].visible = true;
        }
    }
}

// The five summary labels are blanked first, so that nothing of an earlier image stays; an
// invalid image shows no extracted fields.
void edid_labels_show(app_context& ctx, int context) {
    auto& P = ctx.edid_page;
    auto& S = edid_side_labels(P, context);
    const edid_info& rec = edid_side_record(P, context);
    for (control_view* l : {&S.type, &S.manuf, &S.model1, &S.model2, &S.native}) l->caption.clear();
    if (rec.edid_type == edid_type_invalid) return;
    switch (rec.edid_type) {
    case edid_type_analog: S.type.caption = "ANALOG"; break;
    case edid_type_dvi: S.type.caption = "DVI"; break;
    case edid_type_hdmi:
        S.type.caption = rec.edid_status == edid_status_hd   ? "HDMI HD"
                         : rec.edid_status == edid_status_3g ? "HDMI 3G"
                         : rec.edid_status == edid_status_6g ? "HDMI 6G"
                                                             : "";
        break;
    default: break;
    }
    S.manuf.caption = rec.manufacturer_id;
    if (rec.monitor_name.size() > 8) {
        S.model1.caption = rec.monitor_name.substr(0, 8);
        S.model2.caption = rec.monitor_name.substr(8);
    } else {
        S.model1.caption = rec.monitor_name;
    }
    if (rec.dtd_valid) S.native.caption = P.edid.first_dtd_text;
}

void edid_side_evaluate(app_context& ctx, int context) {
    auto& P = ctx.edid_page;
    auto& S = edid_side_labels(P, context);
    if (context == 1) {
        S.msg1.visible = S.msg2.visible = false;
        edid_write_side_check(P.edid);
    } else {
        edid_info_update(P.edid, edid_context_read);
    }
    S.msg1.caption = "Wrong ---";
    edid_checksum_show(ctx, context);
    edid_labels_show(ctx, context);
    const edid_info& rec = edid_side_record(P, context);
    if (rec.edid_type == edid_type_invalid) {
        static const char* reasons[] = {"Header", "Checksum", "Block No."};
        const int s = rec.edid_status;
        show_red(S.msg1, "Wrong ---");
        show_red(S.msg2, s >= 0 && s <= 2 ? reasons[s] : "");
    }
    if (context == 0) P.cmd_read[4].enabled = rec.edid_type != edid_type_invalid;
    edid_page_changed(P);
}

void edid_write_side_show(app_context& ctx) { edid_side_evaluate(ctx, 1); }

void write_buttons_enable(app_context& ctx) {
    auto& P = ctx.edid_page;
    P.cmd_write[4].enabled = !P.rtxt_edid_write.empty();
    edid_page_changed(P);
}

void edid_title_set(app_context& ctx, const std::string& title) {
    ctx.view.title = title;
    view_changed(ctx.view);
}

// ---- actions ---------------------------------------------------------------------------

// Text offset of the digit pair of image byte i in the canonical layout: 31 characters per data
// line including CR LF and a 31-character separator line after block 0.
static int pair_offset(int i) { return 3 * i + 7 * (i / 8) + (i >= 128 ? 31 : 0); }

void edid_compare(app_context& ctx) {
    auto& P = ctx.edid_page;
    if (edid_page_busy(ctx)) return;
    P.read_side.msg1.visible = P.read_side.msg2.visible = false;
    if (P.rtxt_edid_read.empty() || P.rtxt_edid_write.empty()) {
        edid_page_changed(P);
        message(ctx, "READ or WRITE data is empty!", msg_icon::critical);
        return;
    }
    P.read_marks.clear();
    P.write_marks.clear();
    int count = 0;
    // A mark never reaches past the end of its window's text (a one-block text has no block 1).
    const auto mark = [](std::vector<text_mark>& marks, const std::string& text, int at) {
        const int size = static_cast<int>(text.size());
        if (at < size) marks.push_back({at, std::min(2, size - at)});
    };
    for (int i = 0; i < 256; ++i) {
        if (P.edid.edid_info_write.edid_image[static_cast<std::size_t>(i)] ==
            P.edid.edid_info_read.edid_image[static_cast<std::size_t>(i)])
            continue;
        ++count;
        mark(P.read_marks, P.rtxt_edid_read, pair_offset(i));
        mark(P.write_marks, P.rtxt_edid_write, pair_offset(i));
    }
    auto& S = P.read_side;
    if (count > 0) {
        show_red(S.msg1, std::to_string(count) + " wrong");
        show_red(S.msg2, " data !");
    } else {
        S.msg1 = {"Match", rgb_green, true, true, ""};
        S.msg2 = {" entirely.", rgb_green, true, true, ""};
    }
    edid_page_changed(P);
}

void edid_copy_to_write(app_context& ctx) {
    auto& P = ctx.edid_page;
    if (edid_page_busy(ctx)) return;
    if (P.rtxt_edid_read.empty()) {
        message(ctx, "READ window is empty", msg_icon::critical);
        return;
    }
    P.edid.edid_info_write = P.edid.edid_info_read;
    P.rtxt_edid_write = P.rtxt_edid_read;
    P.write_marks.clear();
    edid_write_side_show(ctx);
    P.edid_file_path.clear();
    edid_title_set(ctx, std::string("Copy READ -") + app_title);
    write_buttons_enable(ctx);
}

void edid_read_clear(app_context& ctx) {
    if (edid_page_busy(ctx)) return;
    edid_side_clear(ctx, 0);
}

void edid_write_clear(app_context& ctx) {
    auto& P = ctx.edid_page;
    if (edid_page_busy(ctx)) return;
    P.cmd_write[4].enabled = false;
    edid_side_clear(ctx, 1);
    P.edid_file_path.clear();
    edid_title_set(ctx, app_title);
}

void edid_checksum_repair(app_context& ctx, int context, int k) {
    auto& P = ctx.edid_page;
    if (edid_page_busy(ctx) || k < 0 || k > 3) return;
    auto& S = edid_side_labels(P, context);
    if (!S.recover[static_cast<std::size_t>(k)].visible) return;
    edid_info& rec = edid_side_record(P, context);
    std::string& text = edid_side_text(P, context);
    const auto first = text.find_first_not_of(' ');
    text = first == std::string::npos ? std::string() : text.substr(first, text.find_last_not_of(' ') - first + 1);
    (context == 0 ? P.read_marks : P.write_marks).clear();

    const std::uint8_t sum = rec.block_checksum[static_cast<std::size_t>(k)];
    rec.edid_image[static_cast<std::size_t>(k * 128 + 127)] = sum;
    const std::string marker = "//" + hex_text(static_cast<unsigned>(k * 128 + 127), false);
    const auto at = text.find(marker);
    if (at != std::string::npos && at >= 3) text.replace(at - 3, 2, hex_text(sum, true));

    S.recover[static_cast<std::size_t>(k)].visible = false;
    auto& l = S.checksum[static_cast<std::size_t>(k)];
    l.color = rgb_black;
    l.caption = "BK" + std::to_string(k) + "=" + hex_text(sum, false) + "h fixed";
    if (context == 1) edid_title_set(ctx, ctx.view.title + " *");
    edid_page_changed(P);
}

void edid_read_list_choose(app_context& ctx, int index) {
    auto& P = ctx.edid_page;
    if (!edid_page_busy(ctx) && index >= 1 && index <= edid_read_item_count) P.read_index = index;
    edid_page_changed(P);  // a refused choice shows the selection it keeps
}

void edid_write_list_choose(app_context& ctx, int index) {
    auto& P = ctx.edid_page;
    if (!edid_page_busy(ctx) && index >= 1 && index <= edid_write_item_count) P.write_index = index;
    edid_page_changed(P);
}

void edid_rename_text_set(app_context& ctx, const std::string& text) { ctx.edid_page.txt_edid_rename = text; }

void edid_window_edit(app_context& ctx, int context, const std::string& text) {
    auto& P = ctx.edid_page;
    std::string& t = edid_side_text(P, context);
    if (t == text) return;
    t = text;
    (context == 0 ? P.read_marks : P.write_marks).clear();
}

}  // namespace vexlan
