#include "link/unit_link.h"

#include "link/app_context.h"
#include "link/file_io.h"
#include "link/lifecycle.h"
#include "link/transaction.h"

namespace vexlan {

int task_mode_from_text(const std::string& text) {
    if (text == "analyser") return 0;
    if (text == "pattern") return 1;
    if (text == "cable") return 2;
    return -1;
}

int board_id_get(app_context& ctx) {
    cmdtx_str(ctx, "$board_id?\r");
    return board_variant_from_reply(ctx.link.cmd_result == 1 ? ctx.link.rx_param1 : std::string());
}

void lab_link_click(app_context& ctx) {
    auto& L = ctx.link;
    auto& V = ctx.view;
    if (L.cmd_busy || ctx.tasks.poll_busy) {
        ctx.tasks.deferred_action = deferred_link;
        return;
    }
    L.lab_link.enabled = false;
    if (L.on_link_caption) L.on_link_caption();
    events_process(ctx);

    auto finish = [&] {
        L.lab_link.enabled = true;
        if (L.on_link_caption) L.on_link_caption();
    };

    if (cmdtx_str(ctx, "$model?\r") != 1) {
        finish();
        return;
    }
    const std::string model = L.rx_param1;
    V.lab_model.caption = model;
    view_changed(V);

    const int variant = board_id_get(ctx);
    V.lab_model.caption = model_caption(model, variant);
    view_changed(V);

    if (const auto file = model_profile_update(ctx.profile, model, variant)) {
        problems_report(ctx, catalogue_load(ctx.catalogue, ctx.life.app_dir, *file));
        if (V.on_catalogue) V.on_catalogue();
    }

    V.imgcbo_item2 = ctx.profile.model_index == 0 ? "VGA  Sink" : "---      ";
    view_changed(V);

    if (ctx.profile.model_index == model_none) {
        // A unit whose model is not known stays unlinked: the transaction would refuse the
        // firmware and task queries with "Do [Refresh] or [Link] first !", and over TCP the
        // housekeeping links again every 100 ms, which would raise that box without end. The
        // operator is told once per connection what the unit answered instead.
        if (ctx.life.unknown_model_reported != model && ctx.ports.dialogs) {
            ctx.life.unknown_model_reported = model;
            ctx.ports.dialogs->message_box("The unit reports the model \"" + value_shown(model) +
                                               "\", which this application does not know; it stays unlinked.",
                                           msg_icon::exclamation);
        }
        finish();
        return;
    }

    if (cmdtx_str(ctx, "$fwver?\r") == 1) {
        V.lab_fw_ver.caption = "FW: " + L.rx_param1;
        view_changed(V);
        if (cmdtx_str(ctx, "$task_mode?\r") == 1) {
            const int mode = task_mode_from_text(L.rx_param1);
            if (mode >= 0) ctx.tasks.task_mode = mode;
            ui_state_set(ctx);
        }
    }
    finish();
}

bool unit_identity_query(app_context& ctx, unit_identity& id) {
    auto& L = ctx.link;
    if (cmdtx_str(ctx, "$model?\r") != 1) return false;
    id.model = L.rx_param1;
    int variant = 0;
    if (cmdtx_str(ctx, "$board_id?\r") == 1) {
        id.board_id = L.rx_param1;
        variant = board_variant_from_reply(L.rx_param1);
    }
    model_profile_update(ctx.profile, id.model, variant);
    if (ctx.profile.model_index == model_none) return true;  // not a known unit: stays unlinked
    if (cmdtx_str(ctx, "$fwver?\r") == 1) {
        id.firmware = L.rx_param1;
        if (cmdtx_str(ctx, "$task_mode?\r") == 1) id.task_mode = L.rx_param1;
    }
    return true;
}

}  // namespace vexlan
