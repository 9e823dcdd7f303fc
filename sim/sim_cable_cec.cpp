// Cable test (second family) and CEC messages and log (first and third families).
#include "sim_commands.h"

#include <algorithm>

namespace vexlan::sim {
namespace {

double cable_fail_second(const unit_state& u) {
    const std::string& q = u.cfg.cable_quality;
    if (q == "bad") return u.cable.strict ? 3 : 8;
    if (q == "marginal") return u.cable.strict ? 45 : -1;
    return -1;
}

reply cable_run(ctx& x) {
    cable_state& c = x.u.cable;
    if (x.args == "start") {
        if (x.u.task != task_kind::cable) return err(x.word);
        c.running = true;
        c.started = x.now;
        c.elapsed = 0;
        c.result = "testing";
        c.fail_at = cable_fail_second(x.u);
    } else if (x.args == "stop") {
        if (c.running) {
            c.running = false;
            if (c.result == "testing") c.result = "stop";
        }
    } else {
        return err(x.word);
    }
    return ok(x.word, {x.args});
}

reply cable_timer(ctx& x, int unit_seconds, int modulo) {
    long e = static_cast<long>(x.u.cable.elapsed);
    long v = e / unit_seconds;
    if (modulo) v %= modulo;
    return ok(x.word, {std::to_string(v)});
}

// ---- CEC ------------------------------------------------------------------------------------

const char* cec_opcode_name(unsigned op) {
    switch (op) {
    case 0x00: return "Feature Abort";
    case 0x04: return "Image View On";
    case 0x0D: return "Text View On";
    case 0x32: return "Set Menu Language";
    case 0x36: return "Standby";
    case 0x44: return "User Control Pressed";
    case 0x45: return "User Control Released";
    case 0x46: return "Give OSD Name";
    case 0x47: return "Set OSD Name";
    case 0x70: return "System Audio Mode Request";
    case 0x71: return "Give Audio Status";
    case 0x72: return "Set System Audio Mode";
    case 0x7A: return "Report Audio Status";
    case 0x82: return "Active Source";
    case 0x83: return "Give Physical Address";
    case 0x84: return "Report Physical Address";
    case 0x85: return "Request Active Source";
    case 0x86: return "Set Stream Path";
    case 0x87: return "Device Vendor ID";
    case 0x8C: return "Give Device Vendor ID";
    case 0x8F: return "Give Device Power Status";
    case 0x90: return "Report Power Status";
    case 0x9D: return "Inactive Source";
    case 0x9E: return "CEC Version";
    case 0x9F: return "Get CEC Version";
    default: return "Opcode";
    }
}

// Parses "40 04" style text: 1..16 bytes, two hex digits each, separated by blanks.
bool cec_bytes(const std::string& text, std::vector<unsigned>& out) {
    out.clear();
    std::size_t p = 0;
    while (p < text.size()) {
        if (text[p] == ' ') {
            ++p;
            continue;
        }
        if (p + 1 >= text.size()) return false;
        int hi = hex_digit(text[p]), lo = hex_digit(text[p + 1]);
        if (hi < 0 || lo < 0 || (p + 2 < text.size() && text[p + 2] != ' ')) return false;
        out.push_back(static_cast<unsigned>(hi * 16 + lo));
        p += 2;
    }
    return !out.empty() && out.size() <= 16;
}

std::string cec_text(const char* dir, const std::vector<unsigned>& b) {
    std::string s = dir;
    for (unsigned v : b) s += " " + hex2(v);
    s += " ";
    s += b.size() == 1 ? "Polling Message" : cec_opcode_name(b[1]);
    return s;
}

long cec_index(const std::string& s, long hi) {
    long n = number_of(s);
    return n >= 1 && n <= hi ? n : -1;
}

reply cec_msg_set(ctx& x) {
    // The text after the first comma is the message, blanks kept.
    std::string rest = x.c.line.substr(std::min(x.c.line.size(), x.word.size() + 1));
    std::size_t comma = rest.find(',');
    if (comma == std::string::npos) return err(x.word);
    long n = cec_index(trim(rest.substr(0, comma)), 10);
    std::string text = rest.substr(comma + 1);
    if (n < 0 || text.size() > 48 || text.find(',') != std::string::npos) return err(x.word);
    x.u.cec.messages[n - 1] = text;
    return ok(x.word, {std::to_string(n), text});
}

reply cec_msg_send(ctx& x) {
    long n = cec_index(x.args, 10);
    if (n < 0) return err(x.word);
    std::vector<unsigned> b;
    if (!cec_bytes(x.u.cec.messages[n - 1], b)) return err(x.word);
    cec_state& c = x.u.cec;
    cec_log_push(c, cec_text("TX", b));
    unsigned src = b[0] >> 4, dst = b[0] & 15;
    if (dst == 0 && b.size() >= 2) {   // only the TV answers
        unsigned back = (dst << 4) | src, bcast = (dst << 4) | 15;
        std::vector<unsigned> a;
        switch (b[1]) {
        case 0x8F: a = {back, 0x90, 0x00}; break;
        case 0x46: a = {back, 0x47, 0x54, 0x56}; break;
        case 0x83: a = {bcast, 0x84, 0x00, 0x00, 0x00}; break;
        case 0x8C: a = {bcast, 0x87, 0x00, 0xE0, 0x91}; break;
        case 0x9F: a = {back, 0x9E, 0x05}; break;
        default: break;
        }
        if (!a.empty()) c.pending.emplace_back(x.now + 0.3, cec_text("RX", a));
    }
    return ok(x.word, {std::to_string(n)});
}

reply cec_log_msg(ctx& x) {
    long k = cec_index(x.args, 12);
    if (k < 0) return err(x.word);
    const auto& log = x.u.cec.log;
    if (static_cast<std::size_t>(k) > log.size()) return ok(x.word, {std::to_string(k), "0"});
    const cec_log_entry& e = log[k - 1];
    return ok(x.word, {std::to_string(k), std::to_string(e.number), e.text});
}

}  // namespace

void add_cable_cec_commands(std::vector<command_entry>& t) {
    std::vector<command_entry> mine = {
        {"$cable_level", "normal|strict", "cable test level", fam1,
         [](ctx& x) {
             if (x.args != "normal" && x.args != "strict") return err(x.word);
             if (x.u.cable.running) return err(x.word);
             x.u.cable.strict = x.args == "strict";
             return ok(x.word, {x.args});
         }},
        {"$cable_level?", "", "cable test level", fam1,
         [](ctx& x) { return ok(x.word, {x.u.cable.strict ? "strict" : "normal"}); }},
        {"$cable_time", "1..7", "cable run time code", fam1,
         [](ctx& x) {
             long n = cec_index(x.args, 7);
             if (n < 0 || x.u.cable.running) return err(x.word);
             x.u.cable.time_code = static_cast<int>(n);
             return ok(x.word, {std::to_string(n)});
         }},
        {"$cable_time?", "", "cable run time code", fam1,
         [](ctx& x) { return ok(x.word, {std::to_string(x.u.cable.time_code)}); }},
        {"$cable_run", "start|stop", "start or stop a cable test", fam1, cable_run},
        {"$cable_run?", "", "cable test running: start or stop", fam1,
         [](ctx& x) { return ok(x.word, {x.u.cable.running ? "start" : "stop"}); }},
        {"$cable_result?", "", "cable test result", fam1, [](ctx& x) { return ok(x.word, {x.u.cable.result}); }},
        {"$timer_day?", "", "cable test days", fam1, [](ctx& x) { return cable_timer(x, 86400, 0); }},
        {"$timer_hour?", "", "cable test hours", fam1, [](ctx& x) { return cable_timer(x, 3600, 24); }},
        {"$timer_minute?", "", "cable test minutes", fam1, [](ctx& x) { return cable_timer(x, 60, 60); }},
        {"$timer_second?", "", "cable test seconds", fam1, [](ctx& x) { return cable_timer(x, 1, 60); }},
        {"$cec_msg_set", "n,text", "store CEC message 1..10", fam0 | fam2, cec_msg_set},
        {"$cec_msg_set?", "n", "stored CEC message", fam0 | fam2,
         [](ctx& x) {
             long n = cec_index(x.args, 10);
             if (n < 0) return err(x.word);
             return ok(x.word, {std::to_string(n), x.u.cec.messages[n - 1]});
         }},
        {"$cec_msg_send", "n", "send stored CEC message", fam0 | fam2, cec_msg_send},
        {"$cec_log_msg?", "1..12", "CEC log line: n,entry,text", fam0 | fam2, cec_log_msg},
        {"$cec_log_clear", "", "clear the CEC log", fam0 | fam2,
         [](ctx& x) {
             x.u.cec.log.clear();
             x.u.cec.next_number = 1;
             return ok(x.word, {"ok"});
         }},
    };
    t.insert(t.end(), mine.begin(), mine.end());
}

}  // namespace vexlan::sim
