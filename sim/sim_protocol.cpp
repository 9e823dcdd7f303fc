#include "sim_protocol.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <functional>
#include <initializer_list>

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

namespace {

const char* const crlf = "\r\n";

// Values go between "," separators and end at CR: keep those bytes out of them.
std::string clean(const std::string& v) {
    std::string s = v;
    for (char& c : s)
        if (c == ',' || c == '\r' || c == '\n' || c == '\x04') c = ' ';
    return s;
}

std::string line_of(const std::string& word, std::initializer_list<std::string> params) {
    std::string s = word;
    bool first = true;
    for (const auto& p : params) {
        s += first ? " " : ",";
        s += clean(p);
        first = false;
    }
    return s + crlf;
}

reply ok(const std::string& word, std::initializer_list<std::string> params) {
    return reply{reply_kind::line, line_of(word, params)};
}
reply err(const std::string& word, const char* what = "err") {
    return reply{reply_kind::line, word + " " + what + crlf};
}
reply unknown() { return reply{reply_kind::line, std::string("$err") + crlf}; }

std::string trim(const std::string& s) {
    std::size_t a = s.find_first_not_of(' ');
    if (a == std::string::npos) return "";
    std::size_t b = s.find_last_not_of(' ');
    return s.substr(a, b - a + 1);
}

std::vector<std::string> split_commas(const std::string& s) {
    std::vector<std::string> out;
    std::size_t p = 0;
    for (;;) {
        std::size_t c = s.find(',', p);
        out.push_back(trim(s.substr(p, c == std::string::npos ? std::string::npos : c - p)));
        if (c == std::string::npos) break;
        p = c + 1;
    }
    return out;
}

// A whole decimal number without sign; -1 when the text is anything else.
long number_of(const std::string& s) {
    if (s.empty() || s.size() > 6) return -1;
    long v = 0;
    for (char c : s) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return -1;
        v = v * 10 + (c - '0');
    }
    return v;
}

std::string hex2(unsigned v) {
    static const char* d = "0123456789ABCDEF";
    return {d[(v >> 4) & 15], d[v & 15]};
}

int family_of(const unit_state& u) { return u.family < 0 ? 0 : u.family; }

struct ctx {
    unit_state& u;
    const command& c;
    double now;
    std::string word;
    std::string args;   // text after the first blank, trimmed
};

// ---- output options -------------------------------------------------------------------------

struct option_spec {
    const char* name;
    std::vector<std::string> values;   // empty: a number lo..hi
    int lo = 0, hi = 0;
};

const std::vector<option_spec>& option_specs() {
    static const std::vector<option_spec> specs = {
        {"4k_to_1080p", {"off", "on_rgb", "on_yuv"}},
        {"audio_ch", {"2", "6", "8"}},
        {"audio_mute", {"off", "on"}},
        {"audio_source", {"int", "hdmi", "ana"}},
        {"audio_sr", {"48", "96", "192"}},
        {"color_space", {"rgb", "y444", "y422", "y420"}},
        {"deep_color", {"8", "10", "12"}},
        {"hdcp_in_sw", {"off", "on"}},
        {"hdcp_in_ver", {"v1.4", "v1.4+v2.2"}},
        {"hdcp_out_sw", {"off", "on"}},
        {"hdcp_out_ver", {"v1.4", "v2.2"}},
        {"hdr_eotf", {"sdr", "hdr", "2084"}},
        {"hdr_set", {"1", "2", "3"}},
        {"hdr_sw", {"off", "on"}},
        {"hdr_tx_col", {}, 1, 10},
        {"rx_ddc", {"off", "on"}},
        {"rx_hotplug", {"off", "on", "toggle"}},
        {"rx_scdc", {"off", "on"}},
        {"rx_sense", {"off", "on"}},
        {"tmds_format", {"hdmi", "dvi"}},
        {"tmds_sw", {"off", "on"}},
        {"tx_5v", {"follow", "on"}},
        {"color_cal_color", {"white", "red", "green", "blue", "yellow", "magenta", "cyan", "user"}},
        {"color_cal_level", {}, 0, 255},
        {"color_cal_red", {}, 0, 255},
        {"color_cal_green", {}, 0, 255},
        {"color_cal_blue", {}, 0, 255},
    };
    return specs;
}

const option_spec* find_option(const std::string& name) {
    for (const auto& s : option_specs())
        if (name == s.name) return &s;
    return nullptr;
}

// What the second family's transmitter cannot do.
bool option_allowed(const unit_state& u, const std::string& name, const std::string& v) {
    if (family_of(u) != 1) return name != "4k_to_1080p";
    if (name == "color_space") return v == "rgb" || v == "y444";
    if (name == "deep_color") return v == "8";
    if (name == "audio_source") return v == "int";
    return true;
}

void option_follow_up(unit_state& u, const std::string& name) {
    auto& o = u.options;
    if (name == "tmds_format" && o["tmds_format"] == "dvi") {
        o["color_space"] = "rgb";
        o["deep_color"] = "8";
    } else if ((name == "color_space" && o["color_space"] != "rgb") ||
               (name == "deep_color" && o["deep_color"] != "8")) {
        o["tmds_format"] = "hdmi";
    } else if (name == "hdr_set") {
        static const char* const eotf[] = {"sdr", "2084", "hdr"};
        static const char* const col[] = {"3", "9", "10"};
        int i = o["hdr_set"][0] - '1';
        o["hdr_eotf"] = eotf[i];
        o["hdr_tx_col"] = col[i];
    } else if (name == "rx_hotplug" && o["rx_hotplug"] == "toggle") {
        o["rx_hotplug"] = "on";
    }
}

std::string hdcp_out_report(const unit_state& u) {
    const auto& o = u.options;
    if (o.at("hdcp_out_sw") == "off") return "off";
    bool linked = u.edid[0].present && o.at("tmds_sw") == "on";
    return o.at("hdcp_out_ver") + (linked ? "_on" : "_talk");
}

reply option_set(ctx& x, const std::string& name) {
    const option_spec* spec = find_option(name);
    std::string v = x.args;
    if (name == "color_cal_color") {
        for (char& c : v) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    if (spec->values.empty()) {
        long n = number_of(v);
        if (n < spec->lo || n > spec->hi) return err(x.word);
        v = std::to_string(n);
    } else if (std::find(spec->values.begin(), spec->values.end(), v) == spec->values.end()) {
        return err(x.word);
    }
    if (!option_allowed(x.u, name, v)) return err(x.word);
    x.u.options[name] = v;
    option_follow_up(x.u, name);
    return ok(x.word, {v});
}

reply option_query(ctx& x, const std::string& name) {
    if (name == "hdcp_out_sw") return ok(x.word, {hdcp_out_report(x.u)});
    return ok(x.word, {x.u.options[name]});
}

// ---- timing and pattern -----------------------------------------------------------------------

std::string timing_name(const unit_state& u) {
    if (u.timing >= 1 && u.timing <= static_cast<int>(u.cat.timings.size())) return u.cat.timings[u.timing - 1];
    return "None";
}

// Output above 340 MHz needs scrambling: 4K at 50/60 Hz in the catalogue's naming.
bool output_scrambled(const unit_state& u) {
    std::string n = timing_name(u);
    for (char& c : n) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    bool uhd = n.find("3840") != std::string::npos || n.find("4096") != std::string::npos ||
               n.find("2160") != std::string::npos;
    bool fast = n.find("p60") != std::string::npos || n.find("p50") != std::string::npos ||
                n.find("p59") != std::string::npos;
    return uhd && fast && u.options.at("color_space") != "y420";
}

reply number_set(ctx& x, int& target, std::size_t count, bool is_timing) {
    long n = number_of(x.args);
    if (n < 1 || n > static_cast<long>(count)) return err(x.word);
    if (is_timing && n == 88 && x.u.task != task_kind::analyser) return err(x.word);
    target = static_cast<int>(n);
    return ok(x.word, {std::to_string(n)});
}

// ---- EDID -----------------------------------------------------------------------------------

bool slot_exists(const unit_state& u, int idx) { return idx >= 0 && (idx != 1 || family_of(u) == 0); }

int block_of(const std::string& token) {
    if (token.size() == 6 && token.compare(0, 5, "block") == 0 && token[5] >= '0' && token[5] <= '3')
        return token[5] - '0';
    return -1;
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::string store_name_from_image(const edid_store& s) {
    edid_facts f = edid_facts_of(s);
    std::string n = f.manufacturer + "." + (f.model == "none" ? std::string("EDID") : f.model);
    return clean(n).substr(0, 20);
}

reply edid_read(ctx& x) {
    auto a = split_commas(x.args);
    if (a.size() != 2) return unknown();
    int idx = edid_slot_index(a[0]);
    int blk = block_of(a[1]);
    if (!slot_exists(x.u, idx) || blk < 0) return unknown();
    const edid_store& s = x.u.edid[idx];
    if (!s.present) return err(x.word, "err_ddc");
    reply r{reply_kind::edid_data, line_of(x.word, {a[0], a[1]})};
    r.bytes += edid_data_phase(s, blk);
    return r;
}

reply edid_write(ctx& x) {
    auto a = split_commas(x.args);
    if (a.size() != 2 || !x.c.has_payload) return err(x.word);
    int idx = edid_slot_index(a[0]);
    int blk = block_of(a[1]);
    if (!slot_exists(x.u, idx) || blk < 0) return err(x.word);
    if (idx >= 2 && idx <= 11) return err(x.word);   // d1..d10 are read-only
    if (idx == 0 && x.u.cfg.no_sink) return err(x.word, "err_ddc");
    const std::string& p = x.c.payload;
    if (p.size() != 128 * 3) return err(x.word);
    std::uint8_t data[128];
    for (int i = 0; i < 128; ++i) {
        int hi = hex_digit(p[3 * i]), lo = hex_digit(p[3 * i + 1]);
        if (hi < 0 || lo < 0 || p[3 * i + 2] != ' ') return err(x.word);
        data[i] = static_cast<std::uint8_t>(hi * 16 + lo);
    }
    edid_store& s = x.u.edid[idx];
    if (!s.present) {
        s.bytes.fill(0xFF);
        s.present = true;
    }
    std::copy(data, data + 128, s.bytes.begin() + blk * 128);
    if (idx >= 12 && blk == 0) s.name = store_name_from_image(s);
    return ok(x.word, {a[0], a[1]});
}

reply edid_name_query(ctx& x) {
    int idx = edid_slot_index(x.args);
    if (!slot_exists(x.u, idx)) return err(x.word);
    return ok(x.word, {x.args, x.u.edid[idx].name});
}

reply edid_name_set(ctx& x) {
    std::size_t comma = x.args.find(',');
    if (comma == std::string::npos) return err(x.word);
    std::string token = trim(x.args.substr(0, comma));
    std::string name = trim(x.args.substr(comma + 1));
    int idx = edid_slot_index(token);
    if (idx < 12 || name.empty() || name.size() > 20 || name.find(',') != std::string::npos)
        return err(x.word);
    x.u.edid[idx].name = name;
    return ok(x.word, {token, name});
}

std::string rx_token(int idx) { return idx == 0 ? "sink" : edid_slot_token(idx); }

reply edid_rx_query(ctx& x) { return ok(x.word, {rx_token(x.u.rx_edid)}); }

reply edid_rx_set(ctx& x) {
    int idx = x.args == "sink" ? 0 : edid_slot_index(x.args);
    if (idx < 2 && idx != 0) return err(x.word);
    if (idx != 0 && !x.u.edid[idx].present) return err(x.word);
    x.u.rx_edid = idx;
    return ok(x.word, {x.args});
}

reply edid_copy_sink(ctx& x) {
    int idx = edid_slot_index(x.args);
    if (idx < 12 || !x.u.edid[0].present) return err(x.word);
    x.u.edid[idx].bytes = x.u.edid[0].bytes;
    x.u.edid[idx].present = true;
    x.u.edid[idx].name = store_name_from_image(x.u.edid[idx]);
    return ok(x.word, {x.args});
}

// "$edid_manuf? rx" and friends: facts of the Rx EDID, the sink or any store.
reply edid_fact(ctx& x, std::string edid_facts::*field) {
    int idx = x.args == "rx" ? x.u.rx_edid : edid_slot_index(x.args);
    if (!slot_exists(x.u, idx)) return err(x.word);
    const edid_store& s = x.u.edid[idx];
    if (!s.present) return ok(x.word, {x.args, "none"});
    edid_facts f = edid_facts_of(s);
    return ok(x.word, {x.args, f.*field});
}

// ---- analyser and sink detection ------------------------------------------------------------

std::string packet(std::vector<unsigned> bytes, bool with_checksum) {
    if (with_checksum) {
        unsigned sum = 0;
        for (unsigned b : bytes) sum += b;
        bytes.insert(bytes.begin() + 3, (256 - sum % 256) % 256);
    }
    std::string s;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i) s += ' ';
        s += hex2(bytes[i]);
    }
    return s;
}

std::vector<unsigned> text_bytes(const char* t, std::size_t n) {
    std::vector<unsigned> v;
    for (std::size_t i = 0; i < n; ++i) v.push_back(*t ? static_cast<unsigned char>(*t++) : 0u);
    return v;
}

std::string source_value(const unit_state& u, const std::string& item) {
    const auto& o = u.options;
    bool five_v = !u.cfg.no_source;
    bool active = five_v && o.at("rx_hotplug") != "off";
    bool scdc = o.at("rx_scdc") == "on";
    auto on_off = [](bool b) { return std::string(b ? "on" : "off"); };
    if (item == "5v") return on_off(five_v);
    if (item == "ckdt" || item == "scdt") return on_off(active);
    if (!active) {
        static const char* const packets[] = {"avi", "gcp", "aif", "spd", "vsi", "drmi", "asp", "acr", "hbr"};
        for (const char* p : packets)
            if (item == p) return "off";
        return "None";
    }
    if (item == "timingx") return "1920x1080p60";
    if (item == "tmds_format") return "hdmi";
    if (item == "tmds_clock" || item == "pixel_clock") return "148500";
    if (item == "data_rate") return "4455";
    if (item == "ht") return "2200";
    if (item == "ha") return "1920";
    if (item == "hbp") return "148";
    if (item == "hsw") return "44";
    if (item == "hfp") return "88";
    if (item == "hsp" || item == "vsp") return "p";
    if (item == "vt") return "1125";
    if (item == "va") return "1080";
    if (item == "vbp") return "36";
    if (item == "vsw") return "5";
    if (item == "vfp") return "4";
    if (item == "hvs_offset1" || item == "hvs_offset2") return "0";
    if (item == "scan") return "p";
    if (item == "acr" || item == "asp") return "on";
    if (item == "acr_n") return "6144";
    if (item == "acr_cts") return "148500";
    if (item == "asp_pll") return "lock";
    if (item == "asp_fifo") return "nor";
    if (item == "asp_layout") return "0";
    if (item == "asp_ch") return "2";
    if (item == "hbr") return "off";
    if (item == "chs_type") return "c";
    if (item == "chs_code") return "LPCM";
    if (item == "chs_sr") return "48";
    if (item == "chs_ss") return "24";
    if (item == "hdcp") {
        if (o.at("hdcp_in_sw") == "off") return "off";
        return o.at("hdcp_in_ver") == "v1.4" ? "v1.4" : "v2.2";
    }
    if (item == "hdcp_aksv") return "1A2B3C4D5E";
    if (item == "hdcp_bksv") return "5E4D3C2B1A";
    if (item == "hdcp_rxid") return o.at("hdcp_in_ver") == "v1.4" ? "None" : "0A1B2C3D4E";
    if (item == "scdc_scr_enable" || item == "scdc_scr_status") return "off";
    if (item == "scdc_sink_ver") return scdc ? "1" : "0";
    if (item == "scdc_source_ver") return scdc ? "1" : "0";
    if (item == "avi") return packet({0x82, 0x02, 0x0D, 0x10, 0xA8, 0x00, 0x10, 0, 0, 0, 0, 0, 0, 0, 0, 0}, true);
    if (item == "gcp") return packet({0x03, 0x00, 0x00, 0x10, 0x00, 0, 0, 0, 0, 0}, false);
    if (item == "aif") return packet({0x84, 0x01, 0x0A, 0x11, 0x0D, 0x00, 0x00, 0x00, 0, 0, 0, 0, 0}, true);
    if (item == "spd") {
        std::vector<unsigned> b = {0x83, 0x01, 0x19};
        for (unsigned v : text_bytes("VEXLAN", 8)) b.push_back(v);
        for (unsigned v : text_bytes("SIGNAL SOURCE", 16)) b.push_back(v);
        b.push_back(0x01);
        return packet(b, true);
    }
    if (item == "vsi") return packet({0x81, 0x01, 0x05, 0x03, 0x0C, 0x00, 0x00, 0x00}, true);
    if (item == "drmi") return "off";
    return "";
}

std::string sink_value(const unit_state& u, const std::string& item) {
    const auto& o = u.options;
    bool sink = u.edid[0].present;
    bool tx_on = o.at("tmds_sw") == "on";
    bool hdcp = sink && o.at("hdcp_out_sw") == "on";
    auto on_off = [](bool b) { return std::string(b ? "on" : "off"); };
    if (item == "hotplug") return on_off(sink);
    if (item == "rsense") return on_off(sink && tx_on);
    if (item == "hdcp") return sink ? "v1.4+v2.2" : "off";
    if (item == "hdcp_aksv") return "74E2A1C35B";
    if (item == "hdcp_bksv") return hdcp ? "8F1E2D3C4B" : "0000000000";
    if (item == "hdcp_rxid") return hdcp && o.at("hdcp_out_ver") == "v2.2" ? "3C9D0E7A21" : "0000000000";
    if (item == "scdc") return on_off(sink);
    if (item == "scdc_scr_enable") return on_off(output_scrambled(u));
    if (item == "scdc_scr_status") return on_off(sink && tx_on && output_scrambled(u));
    if (item == "scdc_sink_ver") return sink ? "1" : "0";
    if (item == "scdc_source_ver") return "1";
    return "";
}

reply detect(ctx& x, bool source) {
    std::string v = source ? source_value(x.u, x.args) : sink_value(x.u, x.args);
    if (v.empty()) return err(x.word);
    return ok(x.word, {x.args, v});
}

// ---- cable test -----------------------------------------------------------------------------

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

// ---- command table ----------------------------------------------------------------------------

constexpr unsigned fam0 = 1, fam1 = 2, fam2 = 4, all = fam0 | fam1 | fam2;

struct command_entry {
    std::string word;
    std::string args;
    std::string help;
    unsigned families;
    std::function<reply(ctx&)> fn;
};

std::vector<command_entry> build_table() {
    std::vector<command_entry> t = {
        {"$model?", "", "model text", all, [](ctx& x) { return ok(x.word, {x.u.cfg.model}); }},
        {"$board_id?", "", "board id 0..2", all,
         [](ctx& x) { return ok(x.word, {std::to_string(x.u.cfg.board_id)}); }},
        {"$fwver?", "", "firmware version", all, [](ctx& x) { return ok(x.word, {x.u.cfg.fw}); }},
        {"$boot?", "", "boot state", all, [](ctx& x) { return ok(x.word, {"ok"}); }},
        {"$boot", "go", "reboot the unit", all,
         [](ctx& x) {
             if (x.args != "go") return err(x.word);
             unit_reboot(x.u, x.now);
             return ok(x.word, {"go"});
         }},
        {"$factory", "", "restore factory settings", all,
         [](ctx& x) {
             unit_factory_reset(x.u);
             return ok(x.word, {"ok"});
         }},
        {"$task_mode?", "", "task mode", all, [](ctx& x) { return ok(x.word, {task_text(x.u.task)}); }},
        {"$task_mode", "analyser|pattern|cable", "set the task mode", all,
         [](ctx& x) {
             auto t = task_from_text(x.args);
             if (!t || (*t == task_kind::cable && family_of(x.u) != 1)) return err(x.word);
             if (x.u.task == task_kind::cable && *t != task_kind::cable && x.u.cable.running) {
                 x.u.cable.running = false;
                 x.u.cable.result = "stop";
             }
             x.u.task = *t;
             return ok(x.word, {task_text(*t)});
         }},
        {"$help", "", "this list", all, nullptr},
        {"$?", "", "this list", all, nullptr},
        {"$timing", "n", "set the output timing", all,
         [](ctx& x) { return number_set(x, x.u.timing, x.u.cat.timings.size(), true); }},
        {"$timing?", "", "output timing number", all,
         [](ctx& x) { return ok(x.word, {std::to_string(x.u.timing)}); }},
        {"$timingx?", "", "output timing name", all, [](ctx& x) { return ok(x.word, {timing_name(x.u)}); }},
        {"$pattern", "n", "set the output pattern", all,
         [](ctx& x) { return number_set(x, x.u.pattern, x.u.cat.patterns.size(), false); }},
        {"$pattern?", "", "output pattern number", all,
         [](ctx& x) { return ok(x.word, {std::to_string(x.u.pattern)}); }},
        {"$motion_text", "text", "set the motion text (20 characters)", all,
         [](ctx& x) {
             std::string t = x.c.line.size() > x.word.size() ? x.c.line.substr(x.word.size() + 1) : "";
             if (t.size() > 20) return err(x.word);
             x.u.motion_text = clean(t);
             return ok(x.word, {x.u.motion_text});
         }},
        {"$motion_text?", "", "motion text", all, [](ctx& x) { return ok(x.word, {x.u.motion_text}); }},
        {"$edid_read", "slot,blockN", "read one EDID block (386-character data phase)", all, edid_read},
        {"$edid_write", "slot,blockN", "write one EDID block (CR LF, 128 hex bytes, CR)", all, edid_write},
        {"$edid_name?", "slot", "store name", all, edid_name_query},
        {"$edid_name", "cN,name", "rename a custom store", all, edid_name_set},
        {"$edid_rx?", "", "EDID presented to the input", all, edid_rx_query},
        {"$edid_rx", "sink|dN|cN", "choose the EDID presented to the input", all, edid_rx_set},
        {"$edid_copy_sink", "cN", "copy the sink EDID into a custom store", all, edid_copy_sink},
        {"$edid_manuf?", "rx|slot", "manufacturer of an EDID", all,
         [](ctx& x) { return edid_fact(x, &edid_facts::manufacturer); }},
        {"$edid_model?", "rx|slot", "monitor name of an EDID", all,
         [](ctx& x) { return edid_fact(x, &edid_facts::model); }},
        {"$edid_native?", "rx|slot", "native timing of an EDID", all,
         [](ctx& x) { return edid_fact(x, &edid_facts::native); }},
        {"$edid_type?", "rx|slot", "type of an EDID", all, [](ctx& x) { return edid_fact(x, &edid_facts::type); }},
        {"$source_detect?", "item", "input measurement", all, [](ctx& x) { return detect(x, true); }},
        {"$sink_detect?", "item", "output sink state", all, [](ctx& x) { return detect(x, false); }},
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
    for (const auto& spec : option_specs()) {
        std::string name = spec.name;
        std::string values;
        for (const auto& v : spec.values) values += (values.empty() ? "" : "|") + v;
        if (spec.values.empty()) values = std::to_string(spec.lo) + ".." + std::to_string(spec.hi);
        unsigned fams = name == "4k_to_1080p" ? fam1 : all;
        t.push_back({"$" + name, values, "set", fams, [name](ctx& x) { return option_set(x, name); }});
        t.push_back({"$" + name + "?", "", "query", fams, [name](ctx& x) { return option_query(x, name); }});
    }
    return t;
}

const std::vector<command_entry>& table() {
    static const std::vector<command_entry> t = build_table();
    return t;
}

}  // namespace

std::string edid_data_phase(const edid_store& s, int block) {
    std::string d;
    d.reserve(386);
    for (int i = 0; i < 128; ++i) {
        d += hex2(s.bytes[block * 128 + i]);
        d += ' ';
    }
    return d + crlf;
}

std::string help_text(const unit_state& u) {
    std::string s = "Vexlan unit " + u.cfg.model + " FW " + u.cfg.fw + " commands:" + crlf;
    unsigned fam = 1u << family_of(u);
    for (const auto& e : table()) {
        if (!(e.families & fam)) continue;
        std::string l = "  " + e.word;
        if (!e.args.empty()) l += " " + e.args;
        if (l.size() < 40) l.resize(40, ' ');
        s += l + " " + e.help + crlf;
    }
    return s + "\x04";
}

reply handle_command(unit_state& u, const command& c, double now) {
    if (u.boot_until >= 0 && now < u.boot_until) return {};
    unit_advance(u, now);
    ctx x{u, c, now, command_word(c.line), ""};
    if (x.word.empty()) return unknown();
    if (c.line.size() > x.word.size()) x.args = trim(c.line.substr(x.word.size() + 1));
    if (x.word == "$help" || x.word == "$?") return reply{reply_kind::multi_line, help_text(u)};
    unsigned fam = 1u << family_of(u);
    for (const auto& e : table()) {
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
