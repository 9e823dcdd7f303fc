// A linked unit with EDID stores (the simulator's engine) on a fake link, and dialogs that
// answer from a script: the fixture of the EDID page tests.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <optional>
#include <string>
#include <tuple>

#include "edid/edid_files.h"
#include "edid/edid_page.h"
#include "edid_test_images.h"
#include "fake_ports.h"
#include "link/cmd_line.h"
#include "sim_protocol.h"
#include "temp_dir.h"

namespace vexlan::testing {

using namespace vexlan::edid_test;

// Message boxes answer `answers` in turn (then `answer`); file dialogs return the scripted
// paths (with the filter chosen) or "" when the script is empty.
class script_dialogs : public fake_dialogs {
public:
    msg_answer message_box(const std::string& text, msg_icon icon, msg_buttons b, const std::string& t) override {
        fake_dialogs::message_box(text, icon, b, t);
        if (!answers.empty()) {
            const msg_answer a = answers.front();
            answers.pop_front();
            return a;
        }
        return answer;
    }
    std::string file_open(file_dialog_request& req) override { return next(req, opens); }
    std::string file_save(file_dialog_request& req) override { return next(req, saves); }

    std::deque<msg_answer> answers;
    std::deque<std::pair<std::string, int>> opens, saves;  // path, filter index
    std::vector<file_dialog_request> requests;

private:
    std::string next(file_dialog_request& req, std::deque<std::pair<std::string, int>>& q) {
        requests.push_back(req);
        if (q.empty()) return {};
        auto [path, filter] = q.front();
        q.pop_front();
        req.filter_index = filter;
        return path;
    }
};

// The unit's EDID stores: the simulator's engine behind the fake link, with faults on demand.
// `refuse` makes a command word (or a command line prefix) answer with an error; `silent` makes
// it get no reply at all; `rx_reply` is what "$edid_rx?" reports instead of the choice.
struct edid_unit {
    sim::unit_state u = [] {
        sim::unit_config c;
        c.data_dir = "/nonexistent";
        c.edid_dir = VEXLAN_DATA_DIR "/edid";
        return sim::unit_state_make(c);
    }();
    std::vector<std::string> refuse, silent;
    std::optional<std::string> rx_reply;
    std::string other_token;  // answer reads with this slot token instead of the asked one

    sim::edid_store& store(const std::string& token) {
        return u.edid[static_cast<std::size_t>(sim::edid_slot_index(token))];
    }
    void put(const std::string& token, const bytes& img) { sim::edid_store_set(store(token), img); }

    static bool matches(const std::string& line, const std::vector<std::string>& list) {
        for (const auto& p : list)
            if (line.rfind(p, 0) == 0) return true;
        return false;
    }

    std::vector<reply_chunk> answer(const std::string& line) {
        const std::string word = cmdstr_cmd_get(line);
        if (matches(line, silent)) return {};
        if (matches(line, refuse)) return {{5, (word == "$edid_read" ? std::string("$err") : word + " err") + "\r\n"}};
        if (word == "$edid_rx?" && rx_reply) return fake_rig::reply(line, *rx_reply);
        std::string out;
        sim::line_reader reader;
        for (const sim::command& c : reader.feed(line)) out += sim::handle_command(u, c, 0).bytes;
        if (word == "$edid_read" && !other_token.empty() && out.rfind(word + " ", 0) == 0)
            out.replace(word.size() + 1, out.find(',') - word.size() - 1, other_token);
        return {{5, out}};
    }
};

struct page_rig : fake_rig {
    script_dialogs dlg;
    edid_unit unit;
    edid_page_state& P = ctx.edid_page;

    explicit page_rig(int model_index = 0) : fake_rig(1, model_index) {
        ctx.ports.dialogs = &dlg;
        tcp.unit = [this](const std::string& line) { return unit.answer(line); };
        edid_page_init(ctx);
    }
    // The command lines sent, without their CR (and without an EDID payload).
    std::vector<std::string> lines() const {
        std::vector<std::string> out;
        for (const auto& c : tcp.commands) out.push_back(c.substr(0, c.find('\r')));
        return out;
    }
    // Puts an image on the WRITE side as a loaded file would.
    void write_side(const bytes& img) {
        edid_side_fill(P.edid.edid_info_write, img.data(), static_cast<int>(img.size()), static_cast<int>(img.size()));
        P.rtxt_edid_write = edid_text_format(img.data(), static_cast<int>(img.size()));
        edid_write_side_show(ctx);
        write_buttons_enable(ctx);
    }
    bytes image(int context, int count) const {
        const auto& rec = context == 0 ? P.edid.edid_info_read : P.edid.edid_info_write;
        return bytes(rec.edid_image.begin(), rec.edid_image.begin() + count);
    }
};

// A label as shown: visible, caption, colour.
inline std::tuple<bool, std::string, rgb> shown(const control_view& c) { return {c.visible, c.caption, c.color}; }
inline std::tuple<bool, std::string, rgb> red(const std::string& caption) { return {true, caption, rgb_red}; }

inline bytes two_block_hdmi() { return finish({base_block(), cea_block({video_block({16}), h14b_vsdb()})}); }

}  // namespace vexlan::testing
