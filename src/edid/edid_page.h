// The EDID page: the READ and WRITE windows with their lists, buttons and labels, the
// previous-files frame, the HEX type chooser, the analysis frame, the Rx EDID and sink-copy
// dialogs. All of it is plain data here; the widgets in ui/ render it and forward the
// operator's events to the handlers declared below.
//
// Context 0 is the READ side, context 1 the WRITE side.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "edid_analysis/mod_edid.h"
#include "link/view.h"

namespace vexlan {

struct app_context;

inline constexpr int edid_read_item_count = 22;   // imgcbo_read: sink_h, sink_v, d1..d10, c1..c10
inline constexpr int edid_write_item_count = 12;  // imgcbo_write: sink_h, sink_v, c1..c10
inline constexpr int edid_read_button_count = 8;  // cmd_read 0..7 (5 unused)
inline constexpr int edid_write_button_count = 11;  // cmd_write 0..10 (2, 3, 5, 8 unused)
inline constexpr int edid_rx_item_count = 21;     // frm_rx_edid: sink, d1..d10, c1..c10

// Captions of the status labels after a failed transfer.
inline constexpr const char* edid_read_fail = "Read fail !";
inline constexpr const char* edid_write_fail = "Write fail !";
inline constexpr const char* edid_copy_fail = "Copy fail !";

// The labels of one side.
struct edid_side_view {
    control_view msg1 = hidden_label();
    control_view msg2 = hidden_label();
    std::array<control_view, 4> checksum = checksum_labels();
    std::array<control_view, 4> recover = recover_buttons();
    control_view type, manuf, model1, model2, native;

    static control_view hidden_label() {
        control_view v;
        v.visible = false;
        return v;
    }
    static std::array<control_view, 4> checksum_labels() {
        std::array<control_view, 4> a;
        for (int k = 0; k < 4; ++k) a[static_cast<std::size_t>(k)].caption = "BK" + std::to_string(k);
        return a;
    }
    static std::array<control_view, 4> recover_buttons() {
        std::array<control_view, 4> a;
        for (auto& b : a) {
            b.caption = "Fix";
            b.visible = false;
        }
        return a;
    }
};

// A coloured range of a window text (COMPARE): first character and length.
struct text_mark {
    int start = 0;
    int length = 0;
    friend bool operator==(const text_mark&, const text_mark&) = default;
};

// One node of the analysis tree.
struct edid_tree_node {
    std::string text;
    std::string key;
    int parent = 0;  // index of the parent node, 0 = root
    bool bold = false;
    bool expanded = false;
};

struct edid_page_state {
    mod_edid edid;  // the analysis engine's state with edid_info_read and edid_info_write

    // ---- the two windows
    std::string rtxt_edid_read;
    std::string rtxt_edid_write;
    std::vector<text_mark> read_marks, write_marks;  // red ranges of the last COMPARE

    // ---- lists: item texts (index 0 is item 1; item 2 is main_view::imgcbo_item2) and the
    // selected items (1-based)
    std::array<std::string, edid_read_item_count> read_items = start_items<edid_read_item_count>();
    std::array<std::string, edid_write_item_count> write_items = start_items<edid_write_item_count>();
    int read_index = 3;   // d1
    int write_index = 1;  // HDMI sink

    // ---- buttons
    std::array<control_view, edid_read_button_count> cmd_read = read_buttons();
    std::array<control_view, edid_write_button_count> cmd_write = write_buttons();
    control_view cmd_write_rename = make_caption("Rename");
    std::string txt_edid_rename;

    // ---- labels
    edid_side_view read_side, write_side;

    // ---- files
    std::string edid_file_path;
    bool fra_pre_f_visible = false;
    int pre_f_hover = -1;  // the highlighted previous-files entry, -1 none
    int hex_save_type = 0;
    int diag_mode = 0;
    int opt_hex_type = 0;  // the option selected in frm_diag

    // ---- analysis frame
    bool fra_edid_analyse_visible = false;
    std::vector<edid_tree_node> tree;  // tree[0] unused; nodes 1..n in the order added
    int selected_node = 1;
    std::string txt_edid_ana;
    // the image as it was when ANALYZE was pressed (the sections are decoded from it)
    std::array<std::uint8_t, edid_image_slots> analysed_image{};
    int analysed_size = 0;
    std::string analysed_summary;

    // ---- slots
    int rx_edid_slot = 1;  // 1 HDMI sink, 2..11 d1..d10, 12..21 c1..c10
    int copy_slot = 1;     // 1..10 = c1..c10
    int rx_dialog_index = 1;    // the item selected in frm_rx_edid
    int copy_dialog_index = 1;  // the item selected in frm_copy_sink
    // a rename that waits for the poll cycle: the WRITE item and the name of the click
    bool rename_pending = false;
    int rename_write_index = 0;
    std::string rename_name;

    // a READ, WRITE, name refresh or sink copy of this page runs
    bool transfer_busy = false;

    // ---- notifications and dialogs of the window
    std::function<void()> on_change;         // anything above changed
    std::function<void()> show_diag;         // frm_diag, modal (HEX type)
    std::function<void()> show_rx_edid;      // frm_rx_edid, modal
    std::function<void()> show_copy_sink;    // frm_copy_sink, modal
    // time and date text of the report header; empty: the system clock
    std::function<std::string()> report_time_text;

    template <int N>
    static std::array<std::string, N> start_items() {
        std::array<std::string, N> a;
        a.fill("---");
        a[0] = "HDMI Sink";
        a[1] = "---      ";
        return a;
    }
    static std::array<control_view, edid_read_button_count> read_buttons();
    static std::array<control_view, edid_write_button_count> write_buttons();
};

// ---- shared by the page's parts -----------------------------------------------------------

void edid_page_changed(edid_page_state& P);
// A transfer of this page, a transaction or a poll step runs: the page's controls do nothing.
bool edid_page_busy(const app_context& ctx);
// Start-up: the VIC name table and the list texts.
void edid_page_init(app_context& ctx);
// Text of an item of the READ list (1..22) or the WRITE list (1..12).
std::string edid_read_item(const app_context& ctx, int index);
std::string edid_write_item(const app_context& ctx, int index);
// Slot token of a list item; "" for item 2 unless the linked unit has model index 0, and for
// an index out of range. list 0 = READ, 1 = WRITE.
std::string edid_source_token(const app_context& ctx, int list, int index);

edid_info& edid_side_record(edid_page_state& P, int context);
std::string& edid_side_text(edid_page_state& P, int context);
edid_side_view& edid_side_labels(edid_page_state& P, int context);

// Fills a side's record from 0xFF and copies `count` bytes of `bytes` from index 0.
void edid_side_fill(edid_info& rec, const std::uint8_t* bytes, int count, int edid_size);

void edid_side_clear(app_context& ctx, int context);
void edid_checksum_show(app_context& ctx, int context);
void edid_labels_show(app_context& ctx, int context);
// Validity verdict of a side after the image changed (READ: also the ANALYZE button).
void edid_side_evaluate(app_context& ctx, int context);
void edid_write_side_show(app_context& ctx);  // edid_write_side_check and its display
void write_buttons_enable(app_context& ctx);
void edid_title_set(app_context& ctx, const std::string& title);

// ---- operator actions ---------------------------------------------------------------------

void edid_compare(app_context& ctx);                    // cmd_read 1
void edid_copy_to_write(app_context& ctx);              // cmd_read 2, "<= COPY"
void edid_read_clear(app_context& ctx);                 // cmd_read 7
void edid_write_clear(app_context& ctx);                // cmd_write 10
void edid_checksum_repair(app_context& ctx, int context, int k);
void edid_read_list_choose(app_context& ctx, int index);
void edid_write_list_choose(app_context& ctx, int index);
void edid_rename_text_set(app_context& ctx, const std::string& text);
// A window text edited by hand (the image and the labels stay as they are).
void edid_window_edit(app_context& ctx, int context, const std::string& text);

// Files (edid_page_files.cpp).
void edid_file_open(app_context& ctx);                  // cmd_write 1
bool edid_file_load_path(app_context& ctx);             // loads edid_file_path into WRITE
void recent_files_push(app_context& ctx);
void edid_pre_f_toggle(app_context& ctx);               // cmd_write 0
void edid_pre_f_hover(app_context& ctx, int k);         // -1: the pointer left the entries
void edid_pre_f_click(app_context& ctx, int k);
void edid_file_save(app_context& ctx, int context);     // cmd_read 6, cmd_write 9
void frm_diag_open(app_context& ctx);                   // sets up the chooser before it shows
void frm_diag_ok(app_context& ctx, int option);         // OK with option 0 or 1
// The file-name part of `path` carries `ext` (".hex", ".bin", ".txt"): kept when it already
// ends in it (any case), appended when the name has no extension, else its extension of one to
// four characters replaced. The folder part never changes.
std::string edid_path_with_extension(const std::string& path, const std::string& ext);
// The source text of a save: the window text trimmed of blanks at both ends, each line's
// leading blanks removed; a last line without LF is kept.
std::string edid_page_save_source(const std::string& window_text);

// Transfer and slots (edid_slots.cpp).
void edid_read_click(app_context& ctx);                 // cmd_read 0
void edid_read_run(app_context& ctx);                   // READ without the busy check
void edid_write_click(app_context& ctx);                // cmd_write 4
void edid_slot_names_refresh(app_context& ctx);         // page hook edid_slots_read
void edid_rename_click(app_context& ctx);               // cmd_write_rename
void edid_rename_replay(app_context& ctx);              // page hook edid_slot_rename (code 6)
void edid_rx_dialog_click(app_context& ctx);            // cmd_write 6
void frm_rx_edid_open(app_context& ctx);
void frm_rx_edid_choose(app_context& ctx, int item);    // 1..21
void edid_copy_dialog_click(app_context& ctx);          // cmd_read 3
void frm_copy_sink_open(app_context& ctx);
void frm_copy_sink_select(app_context& ctx, int item);  // 1..10, before COPY
void cmd_copy_click(app_context& ctx);                  // COPY of frm_copy_sink
// Slot token of an Rx EDID picture number, "" when out of range; and back (0 when the text
// is not exactly "sink", "d1".."d10" or "c1".."c10").
std::string edid_rx_token(int slot);
int edid_rx_slot_of(const std::string& token);

// Analysis frame (edid_analyse_frame.cpp).
void edid_analyze_click(app_context& ctx, int context);  // cmd_read 4, cmd_write 7
void edid_tree_build(app_context& ctx, int context);
void edid_tree_click(app_context& ctx, int node);
void edid_analyse_exit(app_context& ctx);                // cmd_edid_exit
void edid_report_save(app_context& ctx);                 // cmd_edid_save_report
std::string edid_report_build(app_context& ctx);

}  // namespace vexlan
