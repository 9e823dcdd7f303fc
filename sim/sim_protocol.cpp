#include "sim_protocol.h"

#include <algorithm>

#include "sim_commands.h"
#include "sim_sources.h"

namespace vexlan::sim {

// ---- line reader ----------------------------------------------------------------------------

void line_reader::reset() {
    phase_ = phase::line;
    last_was_cr_ = false;
    overlong_ = false;
    buf_.clear();
    pending_ = command{};
}

bool line_reader::idle() const { return phase_ == phase::line && buf_.empty() && !overlong_; }

void line_reader::finish_line(std::vector<command>& out, bool lf_seen) {
    if (overlong_) {
        overlong_ = false;
        buf_.clear();
        out.push_back(command{"$", false, {}});   // answered "$err"
        return;
    }
    if (buf_.empty()) return;
    command c;
    c.line = std::move(buf_);
    buf_.clear();
    if (command_word(c.line) == "$edid_write") {
        pending_ = std::move(c);
        phase_ = lf_seen ? phase::payload : phase::after_write_cr;
        return;
    }
    out.push_back(std::move(c));
}

std::vector<command> line_reader::feed(std::string_view bytes) {
    std::vector<command> out;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        char b = bytes[i];
        switch (phase_) {
        case phase::after_write_cr:
            if (b == '\n') {
                phase_ = phase::payload;
                pending_.payload.clear();
                continue;
            }
            // A header without its CR LF form carries no payload: answer it, then go on.
            out.push_back(std::move(pending_));
            pending_ = command{};
            phase_ = phase::line;
            last_was_cr_ = false;
            [[fallthrough]];
        case phase::line:
            if (b == '\r') {
                finish_line(out, false);
                last_was_cr_ = true;
            } else if (b == '\n') {
                if (!last_was_cr_) finish_line(out, true);
                last_was_cr_ = false;
            } else {
                last_was_cr_ = false;
                if (b == '\0') continue;
                if (buf_.size() >= max_line)
                    overlong_ = true;
                else
                    buf_.push_back(b);
            }
            break;
        case phase::payload:
            if (b == '\r') {
                pending_.has_payload = true;
                out.push_back(std::move(pending_));
                pending_ = command{};
                phase_ = phase::line;
                last_was_cr_ = true;
            } else if (pending_.payload.size() < max_payload) {
                pending_.payload.push_back(b);
            }
            break;
        }
    }
    return out;
}

// ---- reply helpers --------------------------------------------------------------------------

std::string command_word(const std::string& line) {
    if (line.empty() || line[0] != '$') return "";
    std::size_t p = line.find(' ');
    std::size_t cr = line.find('\r');
    std::size_t e = std::min(p, cr);
    return e == std::string::npos ? line : line.substr(0, e);
}

const std::vector<command_entry>& command_table() {
    static const std::vector<command_entry> t = [] {
        std::vector<command_entry> v;
        add_system_commands(v);
        add_output_commands(v);
        add_edid_commands(v);
        add_analyser_commands(v);
        add_cable_cec_commands(v);
        add_output_option_commands(v);
        return v;
    }();
    return t;
}

reply handle_command(unit_state& u, const command& c, double now) {
    if (u.boot_until >= 0 && now < u.boot_until) return {};
    unit_advance(u, now);
    u.sink_plugged = sink_plugged_at(u.cfg.sink_schedule, now);
    ctx x{u, c, now, command_word(c.line), ""};
    if (x.word.empty()) return unknown();
    if (c.line.size() > x.word.size()) x.args = trim(c.line.substr(x.word.size() + 1));
    if (x.word == "$help" || x.word == "$?") return reply{reply_kind::multi_line, help_text(u)};
    unsigned fam = 1u << family_of(u);
    for (const auto& e : command_table()) {
        if (x.word != e.word) continue;
        if (!(e.families & fam)) return unknown();
        return e.fn(x);
    }
    return unknown();
}

std::string handle_line(unit_state& u, const std::string& line, double now) {
    return handle_command(u, command{line, false, {}}, now).bytes;
}

}  // namespace vexlan::sim
