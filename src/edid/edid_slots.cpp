// The EDID page's traffic with the unit: READ, WRITE, the slot-name refresh, rename, the Rx EDID
// choice and the sink copy. Every command goes through cmdtx_str.
#include <algorithm>

#include "edid/edid_files.h"
#include "edid/edid_page.h"
#include "edid/edid_transfer.h"
#include "edid/edid_unit_ops.h"
#include "link/app_context.h"
#include "link/transaction.h"

namespace vexlan {

namespace {

// Marks a transfer of the page for as long as it lives.
struct transfer_guard {
    app_context& ctx;
    explicit transfer_guard(app_context& c) : ctx(c) {
        ctx.edid_page.transfer_busy = true;
        edid_page_changed(ctx.edid_page);
    }
    ~transfer_guard() {
        ctx.edid_page.transfer_busy = false;
        edid_page_changed(ctx.edid_page);
    }
};

void show_red(control_view& v, const char* caption) {
    v = {caption, rgb_red, true, true, ""};
}

// A slot name as the unit reports it, shown in a list: printable characters only, bounded.
std::string shown_name(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (out.size() >= 40) break;
        if (c >= 32 && c <= 126) out.push_back(c);
    }
    return out;
}

void slot_name_set(edid_page_state& P, int custom, const std::string& name) {
    if (custom < 1 || custom > 10) return;
    P.write_items[static_cast<std::size_t>(custom + 1)] = name;   // WRITE item custom + 2
    P.read_items[static_cast<std::size_t>(custom + 11)] = name;    // READ item custom + 12
}

bool accepted_echo(const link_state& L, const std::string& token, const std::string& block) {
    return L.cmd_result == 1 && L.rx_param2 == block && L.rx_param1 == token;
}

}  // namespace

std::string edid_rx_token(int slot) {
    if (slot == 1) return "sink";
    if (slot >= 2 && slot <= 11) return "d" + std::to_string(slot - 1);
    if (slot >= 12 && slot <= 21) return "c" + std::to_string(slot - 11);
    return "";
}

int edid_rx_slot_of(const std::string& token) {
    for (int slot = 1; slot <= edid_rx_item_count; ++slot)
        if (edid_rx_token(slot) == token) return slot;
    return 0;
}

// ---- READ ------------------------------------------------------------------------------

// The READ side changes only once block 0 was accepted. Blocks that did not arrive read as FF
// and the size covers the blocks read, so the verdict shows what is wrong.
void edid_read_run(app_context& ctx) {
    auto& P = ctx.edid_page;
    const std::string token = edid_source_token(ctx, 0, P.read_index);
    if (token.empty()) return;
    edid_read_result r;
    {
        transfer_guard busy(ctx);
        r = edid_read_from_unit(ctx, token);
    }
    if (r.blocks_read == 0) {
        show_red(P.read_side.msg1, edid_read_fail);
        P.read_side.msg2.visible = false;
        edid_page_changed(P);
        return;
    }
    edid_side_clear(ctx, 0);
    const int bytes = 128 * r.blocks_read;
    edid_info& rec = P.edid.edid_info_read;
    edid_side_fill(rec, r.image.data(), bytes, r.ok ? r.edid_size : bytes);
    P.rtxt_edid_read = edid_text_format(rec.edid_image.data(), bytes, edid_text_variant::unit_read);
    edid_side_evaluate(ctx, 0);
}

void edid_read_click(app_context& ctx) {
    if (edid_page_busy(ctx)) return;
    edid_read_run(ctx);
}

// ---- WRITE -----------------------------------------------------------------------------

// Sends a snapshot of bytes 0..255 taken now, so that nothing done during the waits changes
// what the unit stores. A block that is not accepted is shown as "Write fail !".
void edid_write_click(app_context& ctx) {
    auto& P = ctx.edid_page;
    if (edid_page_busy(ctx)) return;
    const std::string token = edid_source_token(ctx, 1, P.write_index);
    if (token.empty()) return;
    auto* dialogs = ctx.ports.dialogs;
    if (P.rtxt_edid_write.empty()) {
        if (dialogs) dialogs->message_box("WRITE window is empty", msg_icon::critical);
        return;
    }
    const edid_info& rec = P.edid.edid_info_write;
    if (rec.edid_size > 256) {
        const std::string q = "The WRITE image has " + std::to_string((rec.edid_size + 127) / 128) +
                              " blocks; only blocks 0 and 1 are written.\r\nWrite blocks 0 and 1 ?";
        if (!dialogs || dialogs->message_box(q, msg_icon::question, msg_buttons::yes_no) != msg_answer::yes) return;
    }
    const int index = P.write_index;
    std::array<std::uint8_t, edid_image_bytes> snapshot{};
    std::copy_n(rec.edid_image.begin(), 256, snapshot.begin());
    auto& S = P.write_side;
    if (S.msg1.caption == edid_write_fail) S.msg1.visible = false;

    bool ok = false;
    {
        transfer_guard busy(ctx);
        auto& L = ctx.link;
        const auto* before = L.edid_write_image;
        L.edid_write_image = &snapshot;
        cmdtx_str(ctx, "$edid_write " + token + ",block0\r\n");
        if (accepted_echo(L, token, "block0")) {
            cmdtx_str(ctx, "$edid_write " + token + ",block1\r\n");
            ok = accepted_echo(L, token, "block1");
        }
        L.edid_write_image = before;
    }
    if (!ok) {
        show_red(S.msg1, edid_write_fail);
        S.msg2.visible = false;
        edid_page_changed(P);
        return;
    }
    if (index >= 3 && index <= 12)
        slot_name_set(P, index - 2, S.manuf.caption + "." + S.model1.caption + S.model2.caption);
    edid_page_changed(P);
}

// ---- slot names ------------------------------------------------------------------------

void edid_slot_names_refresh(app_context& ctx) {
    auto& P = ctx.edid_page;
    auto& L = ctx.link;
    if (P.transfer_busy) return;
    transfer_guard busy(ctx);
    for (int n = 1; n <= 10; ++n) {
        const std::string token = "d" + std::to_string(n);
        if (cmdtx_str(ctx, "$edid_name? " + token + "\r") != 1) return;
        if (L.rx_param1 == token) P.read_items[static_cast<std::size_t>(n + 1)] = shown_name(L.rx_param2);
    }
    bool last = false;
    for (int n = 1; n <= 10; ++n) {
        const std::string token = "c" + std::to_string(n);
        last = cmdtx_str(ctx, "$edid_name? " + token + "\r") == 1;
        if (last && L.rx_param1 == token) slot_name_set(P, n, shown_name(L.rx_param2));
    }
    if (!last || cmdtx_str(ctx, "$edid_rx?\r") != 1) return;
    if (const int slot = edid_rx_slot_of(L.rx_param1); slot != 0) P.rx_edid_slot = slot;
}

// ---- rename ----------------------------------------------------------------------------

namespace {

void rename_send(app_context& ctx, int write_index, const std::string& name) {
    auto& L = ctx.link;
    transfer_guard busy(ctx);
    cmdtx_str(ctx, "$edid_name c" + std::to_string(write_index - 2) + "," + name + "\r");
    if (L.cmd_result == 1 && edid_trim_blanks(L.rx_param2) == name) slot_name_set(ctx.edid_page, write_index - 2, name);
}

}  // namespace

// A name with "," (the unit's separator) or characters outside 32..126 is refused. A rename
// while the unit is busy waits for the poll cycle with the slot and the name of the click.
void edid_rename_click(app_context& ctx) {
    auto& P = ctx.edid_page;
    auto* dialogs = ctx.ports.dialogs;
    const std::string name = edid_trim_blanks(P.txt_edid_rename);
    if (const std::string problem = edid_slot_name_problem(name); !problem.empty()) {
        if (dialogs) dialogs->message_box(problem, msg_icon::exclamation);
        return;
    }
    if (P.write_index == 1 || P.write_index == 2) {
        if (dialogs) dialogs->message_box("Sink can't be named.", msg_icon::exclamation);
        return;
    }
    if (P.write_index < 3 || P.write_index > 12) return;
    if (edid_page_busy(ctx)) {
        ctx.tasks.deferred_action = deferred_edid_slot_rename;
        P.rename_pending = true;
        P.rename_write_index = P.write_index;
        P.rename_name = name;
        return;
    }
    rename_send(ctx, P.write_index, name);
}

void edid_rename_replay(app_context& ctx) {
    auto& P = ctx.edid_page;
    if (!P.rename_pending) return;
    P.rename_pending = false;
    if (P.write_index != P.rename_write_index || P.transfer_busy) return;  // the choice changed
    rename_send(ctx, P.rename_write_index, P.rename_name);
}

// ---- Rx EDID ---------------------------------------------------------------------------

void edid_rx_dialog_click(app_context& ctx) {
    if (edid_page_busy(ctx)) return;
    frm_rx_edid_open(ctx);
    if (ctx.edid_page.show_rx_edid) ctx.edid_page.show_rx_edid();
}

void frm_rx_edid_open(app_context& ctx) {
    auto& P = ctx.edid_page;
    P.rx_dialog_index = P.rx_edid_slot;
    edid_page_changed(P);
}

// The choice holds only when the unit accepted it.
void frm_rx_edid_choose(app_context& ctx, int item) {
    auto& P = ctx.edid_page;
    const std::string token = edid_rx_token(item);
    if (!edid_page_busy(ctx) && !token.empty()) {
        transfer_guard busy(ctx);
        if (cmdtx_str(ctx, "$edid_rx " + token + "\r") == 1) P.rx_edid_slot = item;
    }
    P.rx_dialog_index = P.rx_edid_slot;
    edid_page_changed(P);
}

// ---- sink copy -------------------------------------------------------------------------

void edid_copy_dialog_click(app_context& ctx) {
    if (edid_page_busy(ctx)) return;
    frm_copy_sink_open(ctx);
    if (ctx.edid_page.show_copy_sink) ctx.edid_page.show_copy_sink();
}

void frm_copy_sink_open(app_context& ctx) {
    auto& P = ctx.edid_page;
    P.copy_dialog_index = P.copy_slot;
    edid_page_changed(P);
}

void frm_copy_sink_select(app_context& ctx, int item) {
    auto& P = ctx.edid_page;
    if (!edid_page_busy(ctx) && item >= 1 && item <= 10) P.copy_dialog_index = item;
    edid_page_changed(P);
}

void cmd_copy_click(app_context& ctx) {
    auto& P = ctx.edid_page;
    auto& L = ctx.link;
    if (edid_page_busy(ctx)) return;
    bool read_back = false;
    {
        transfer_guard busy(ctx);
        P.read_side.msg1.visible = false;
        P.copy_slot = P.copy_dialog_index;
        const std::string token = "c" + std::to_string(P.copy_slot);
        const int result = cmdtx_str(ctx, "$edid_copy_sink " + token + "\r");
        if (result == 3) {
            show_red(P.read_side.msg1, edid_copy_fail);
            return;
        }
        if (result != 1) return;
        if (cmdtx_str(ctx, "$edid_name? " + token + "\r") == 1 && L.rx_param1 == token) {
            slot_name_set(P, P.copy_slot, shown_name(L.rx_param2));
            read_back = P.read_index == P.copy_slot + 12;
        }
    }
    if (read_back) edid_read_run(ctx);
}

}  // namespace vexlan
