// The EDID page's files: OPEN, the load into the WRITE side, the previous-files frame, SAVE of
// either side and the HEX type chooser.
#include <algorithm>
#include <cctype>
#include <filesystem>

#include "edid/edid_files.h"
#include "edid/edid_page.h"
#include "link/app_context.h"

namespace vexlan {

namespace {

constexpr const char* open_filter = "hex / bin / ddc|*.hex;*.bin;*.ddc|*.hex|*.hex|*.bin|*.bin|*.ddc|*.ddc|*.*|*.*";
constexpr const char* save_filter = "*.hex|*.hex|*.bin|*.bin";

bool file_exists(const std::string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::is_regular_file(path, ec);
}

std::string folder_of(const std::string& path) { return std::filesystem::path(path).parent_path().string(); }

std::string name_of(const std::string& path) { return std::filesystem::path(path).filename().string(); }

bool ends_with_nocase(const std::string& s, const std::string& tail) {
    if (s.size() < tail.size()) return false;
    for (std::size_t i = 0; i < tail.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(s[s.size() - tail.size() + i])) !=
            std::tolower(static_cast<unsigned char>(tail[i])))
            return false;
    return true;
}

msg_answer ask(app_context& ctx, const std::string& text, msg_icon icon, msg_buttons buttons) {
    return ctx.ports.dialogs ? ctx.ports.dialogs->message_box(text, icon, buttons) : msg_answer::cancel;
}

}  // namespace

std::string edid_path_with_extension(const std::string& path, const std::string& ext) {
    const auto slash = path.find_last_of("/\\");
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (ends_with_nocase(name, ext)) return path;
    const auto dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0 && name.size() - dot - 1 <= 4) name.erase(dot);
    return folder + name + ext;
}

// A last line without a line end gets one, so that the writers keep it (a 100-byte image saves
// all 100 bytes).
std::string edid_page_save_source(const std::string& window_text) {
    std::string text = window_text;
    while (!text.empty() && text.back() == ' ') text.pop_back();
    const auto lf = text.rfind('\n');
    const std::string tail = lf == std::string::npos ? text : text.substr(lf + 1);
    if (tail.find_first_not_of(" \r") != std::string::npos) text += "\r\n";
    return text;
}

// ---- OPEN and load ---------------------------------------------------------------------

void edid_file_open(app_context& ctx) {
    auto& P = ctx.edid_page;
    if (edid_page_busy(ctx) || !ctx.ports.dialogs) return;
    file_dialog_request req;
    req.title = "Open edid file";
    req.filter = open_filter;
    req.filter_index = 1;
    if (!P.edid_file_path.empty()) req.folder = folder_of(P.edid_file_path);
    else if (file_exists(ctx.life.pre_files[0])) req.folder = folder_of(ctx.life.pre_files[0]);
    const std::string path = ctx.ports.dialogs->file_open(req);
    if (path.empty()) return;
    if (!file_exists(path)) {
        ctx.ports.dialogs->message_box(path + " dosen't exist !", msg_icon::critical, msg_buttons::ok, app_title);
        return;
    }
    P.edid_file_path = path;
    edid_file_load_path(ctx);
    recent_files_push(ctx);
    write_buttons_enable(ctx);
}

// The WRITE side is filled from an image of FF bytes; a failed load leaves it empty and the
// write button disabled.
bool edid_file_load_path(app_context& ctx) {
    auto& P = ctx.edid_page;
    edid_side_clear(ctx, 1);
    auto& S = P.write_side;
    S.msg1.caption = "Wrong ---";
    const edid_load_result loaded = edid_file_load(P.edid_file_path);
    edid_title_set(ctx, P.edid_file_path + " - " + app_title);
    edid_info& rec = P.edid.edid_info_write;
    if (!loaded.ok) {
        rec = edid_info{};
        edid_side_fill(rec, nullptr, 0, 0);
        const bool known = loaded.reason == edid_reason_data || loaded.reason == edid_reason_file_format;
        S.msg1 = {"Wrong ---", rgb_red, true, true, ""};
        S.msg2 = {known ? loaded.reason : std::string("File read"), rgb_red, true, true, known ? "" : loaded.reason};
        P.cmd_write[4].enabled = false;
        edid_page_changed(P);
        if (!known && ctx.ports.dialogs) ctx.ports.dialogs->message_box(loaded.reason, msg_icon::critical);
        return false;
    }
    const int n = static_cast<int>(loaded.bytes.size());
    edid_side_fill(rec, loaded.bytes.data(), n, n);
    P.rtxt_edid_write = loaded.text;
    edid_write_side_show(ctx);
    return true;
}

void recent_files_push(app_context& ctx) {
    auto& files = ctx.life.pre_files;
    const std::string path = ctx.edid_page.edid_file_path;
    auto at = std::find(files.begin(), files.end(), path);
    if (at == files.end()) at = files.end() - 1;
    std::move_backward(files.begin(), at, at + 1);
    files[0] = path;
    edid_page_changed(ctx.edid_page);
}

// ---- previous files --------------------------------------------------------------------

void edid_pre_f_toggle(app_context& ctx) {
    auto& P = ctx.edid_page;
    if (edid_page_busy(ctx)) return;
    P.fra_pre_f_visible = !P.fra_pre_f_visible;
    P.pre_f_hover = -1;
    edid_page_changed(P);
}

void edid_pre_f_hover(app_context& ctx, int k) {
    auto& P = ctx.edid_page;
    const int h = k >= 0 && k < pre_file_count ? k : -1;
    if (P.pre_f_hover == h) return;
    P.pre_f_hover = h;
    edid_page_changed(P);
}

void edid_pre_f_click(app_context& ctx, int k) {
    auto& P = ctx.edid_page;
    if (edid_page_busy(ctx) || k < 0 || k >= pre_file_count) return;
    auto& files = ctx.life.pre_files;
    P.fra_pre_f_visible = false;
    P.pre_f_hover = -1;
    const std::string entry = files[static_cast<std::size_t>(k)];
    if (entry.empty()) {
        if (!P.edid_file_path.empty()) write_buttons_enable(ctx);
        edid_page_changed(P);
        return;
    }
    if (file_exists(entry)) {
        P.edid_file_path = entry;
        edid_file_load_path(ctx);
        recent_files_push(ctx);
        write_buttons_enable(ctx);
        return;
    }
    edid_page_changed(P);
    if (ctx.ports.dialogs) ctx.ports.dialogs->message_box(entry + " doesn't exist !", msg_icon::critical);
    std::move(files.begin() + k + 1, files.end(), files.begin() + k);
    files.back().clear();
    if (!P.edid_file_path.empty()) write_buttons_enable(ctx);
    edid_page_changed(P);
}

// ---- SAVE ------------------------------------------------------------------------------

void frm_diag_open(app_context& ctx) {
    auto& P = ctx.edid_page;
    P.diag_mode = 1;
    P.opt_hex_type = 0;
    edid_page_changed(P);
    if (P.show_diag) P.show_diag();
}

void frm_diag_ok(app_context& ctx, int option) {
    auto& P = ctx.edid_page;
    P.opt_hex_type = option == 0 ? 0 : 1;
    P.hex_save_type = option == 0 ? 1 : 2;
    P.diag_mode = 3;
}

// The extension is fixed before the overwrite question, so the question is asked about the
// file that is written. A file that cannot be written is reported and changes nothing else.
void edid_file_save(app_context& ctx, int context) {
    auto& P = ctx.edid_page;
    if (edid_page_busy(ctx) || !ctx.ports.dialogs) return;
    const std::string text = edid_side_text(P, context);
    if (text.empty()) {
        ctx.ports.dialogs->message_box(context == 0 ? "READ window is empty" : "WRITE window is empty",
                                       msg_icon::critical);
        return;
    }
    std::string target;
    edid_save_format format = edid_save_format::simple_hex;
    for (;;) {
        file_dialog_request req;
        req.title = "Save EDID file";
        req.filter = save_filter;
        req.filter_index = 1;
        if (P.edid_file_path.empty()) {
            req.folder = ctx.life.app_dir;
        } else {
            req.folder = folder_of(P.edid_file_path);
            const std::string name = name_of(P.edid_file_path);
            req.file_name = name.size() > 4 ? name.substr(0, name.size() - 4) : std::string();
        }
        const std::string chosen = ctx.ports.dialogs->file_save(req);
        if (chosen.empty()) return;
        const bool bin = req.filter_index == 2;
        format = bin ? edid_save_format::bin : edid_save_format::simple_hex;
        target = edid_path_with_extension(chosen, bin ? ".bin" : ".hex");
        if (!std::filesystem::exists(target)) break;
        const msg_answer a = ask(ctx, target + " exists. Overwrite it ?", msg_icon::exclamation, msg_buttons::yes_no_cancel);
        if (a == msg_answer::yes) break;
        if (a != msg_answer::no) return;
    }
    if (format != edid_save_format::bin) {
        frm_diag_open(ctx);
        format = P.hex_save_type == 1 ? edid_save_format::simple_hex : edid_save_format::c_hex;
    }
    const std::string error = edid_file_write(target, edid_page_save_source(text), format);
    if (!error.empty()) {
        ctx.ports.dialogs->message_box(error, msg_icon::critical);
        return;
    }
    P.edid_file_path = target;
    edid_title_set(ctx, target + " " + app_title);
    recent_files_push(ctx);
}

}  // namespace vexlan
