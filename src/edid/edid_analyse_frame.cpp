// The analysis frame of the EDID page: the tree of the image's parts, the analysis text and the
// analysis report file.
#include <algorithm>
#include <ctime>
#include <filesystem>

#include "edid/edid_page.h"
#include "edid/edid_sections.h"
#include "link/app_context.h"
#include "link/file_io.h"

namespace vexlan {

namespace {

struct node_def {
    const char* text;
    const char* key;
    int parent;
};

// Nodes 4..13, children of node 2 or 9.
constexpr node_def block0_nodes[] = {
    {"Binary List", "block0_binary", 2},
    {"Vendor/Product Id", "block0_vendor", 2},
    {"Basic Display Parameters", "block0_basic", 2},
    {"Color Characteristics", "block0_color", 2},
    {"Established Timings", "block0_established", 2},
    {"Standard Timings", "block0_standard", 2},
    {"Standard Timings 1,2,3", "block0_standard1", 9},
    {"Standard Timings 4,5,6", "block0_standard2", 9},
    {"Standard Timings 7,8", "block0_standard3", 9},
    {"Detail Timings/Monitor Descriptors", "block0_dt_mon", 2},
};

void add_node(edid_page_state& P, std::string text, std::string key, int parent) {
    edid_tree_node n;
    n.text = std::move(text);
    n.key = std::move(key);
    n.parent = parent;
    P.tree.push_back(std::move(n));
}

std::string system_time_text() {
    const std::time_t t = std::time(nullptr);
    std::tm local{};
    localtime_r(&t, &local);
    char buf[64];
    std::strftime(buf, sizeof buf, "%H:%M:%S %Y-%m-%d", &local);
    return buf;
}

}  // namespace

void edid_analyze_click(app_context& ctx, int context) {
    auto& P = ctx.edid_page;
    if (edid_page_busy(ctx)) return;
    if (edid_side_text(P, context).empty()) {
        if (ctx.ports.dialogs)
            ctx.ports.dialogs->message_box(context == 0 ? "READ window is empty" : "WRITE window is empty",
                                           msg_icon::critical);
        return;
    }
    if (P.fra_edid_analyse_visible) {
        P.fra_edid_analyse_visible = false;
        edid_page_changed(P);
        return;
    }
    P.fra_edid_analyse_visible = true;
    P.txt_edid_ana.clear();
    edid_tree_build(ctx, context);
}

void edid_tree_build(app_context& ctx, int context) {
    auto& P = ctx.edid_page;
    P.selected_node = 1;
    P.tree.assign(1, edid_tree_node{});  // index 0 is no node
    edid_info_update(P.edid, static_cast<std::int16_t>(context));
    add_node(P, "Summary :", "summary", 0);
    const edid_info& rec = edid_side_record(P, context);
    P.analysed_image = rec.edid_image;
    P.analysed_size = std::clamp<int>(rec.edid_size, 0, 512);
    edid_summary_build(P.edid);  // "Summary :" shows this text whatever is analysed later
    P.analysed_summary = P.edid.edid_report_text;
    if (rec.edid_type != edid_type_invalid || rec.edid_status != edid_status_bad_header) {
        add_node(P, "Block 0 : VESA Basic Block", "block0_root_true", 0);
        add_node(P, "Block 1 : " + std::string(edid_block_name(rec.edid_image[128])), "block1_root_false", 0);
        for (const auto& n : block0_nodes) add_node(P, n.text, n.key, n.parent);
        // the four 18-byte descriptors one by one, after the nodes above so their indices stay
        for (int d = 1; d <= 4; ++d)
            add_node(P, "Descriptor " + std::to_string(d), "block0_descriptor" + std::to_string(d), 13);
        P.tree[2].expanded = P.tree[3].expanded = true;
    }
    edid_tree_click(ctx, 1);
}

void edid_tree_click(app_context& ctx, int node) {
    auto& P = ctx.edid_page;
    if (node < 1 || node >= static_cast<int>(P.tree.size())) return;
    if (P.selected_node >= 1 && P.selected_node < static_cast<int>(P.tree.size()))
        P.tree[static_cast<std::size_t>(P.selected_node)].bold = false;
    P.tree[static_cast<std::size_t>(node)].bold = true;
    P.selected_node = node;
    const std::string& key = P.tree[static_cast<std::size_t>(node)].key;
    if (key == "summary") {
        P.txt_edid_ana = P.analysed_summary;
    } else if (std::string text = edid_section_text(P.analysed_image.data(), P.analysed_size, key); !text.empty()) {
        P.txt_edid_ana = std::move(text);  // a node without a decoded section keeps the text
    }
    edid_page_changed(P);
}

void edid_analyse_exit(app_context& ctx) {
    ctx.edid_page.fra_edid_analyse_visible = false;
    edid_page_changed(ctx.edid_page);
}

std::string edid_report_build(app_context& ctx) {
    auto& P = ctx.edid_page;
    const std::string when = P.report_time_text ? P.report_time_text() : system_time_text();
    std::string r = "EDID Analysis Report " + when + "\r\n";
    r += "Model: " + ctx.view.lab_model.caption + " , " + ctx.view.lab_fw_ver.caption + " , AP: v2.18\r\n";
    r += "\r\n";
    r += P.txt_edid_ana + "\r\nEND.\r\n";
    return r;
}

// The ".txt" extension is fixed before the overwrite question; the file is replaced atomically
// and a failure is reported.
void edid_report_save(app_context& ctx) {
    auto& P = ctx.edid_page;
    auto* dialogs = ctx.ports.dialogs;
    if (P.txt_edid_ana.empty() || !dialogs) return;
    std::string target;
    for (;;) {
        file_dialog_request req;
        req.title = "Save EDID Analysis Report";
        req.filter = "*.txt|*.txt";
        req.filter_index = 1;
        req.folder = ctx.life.app_dir;
        const std::string chosen = dialogs->file_save(req);
        if (chosen.empty()) return;
        target = edid_path_with_extension(chosen, ".txt");
        if (!std::filesystem::exists(target)) break;
        const msg_answer a =
            dialogs->message_box(target + " exists. Overwrite it ?", msg_icon::exclamation, msg_buttons::yes_no_cancel);
        if (a == msg_answer::yes) break;
        if (a != msg_answer::no) return;
    }
    const std::string error = write_file_atomic(target, edid_report_build(ctx));
    if (!error.empty()) dialogs->message_box(error, msg_icon::critical);
}

}  // namespace vexlan
