#include "unit_state.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace vexlan::sim {

const char* task_text(task_kind t) {
    switch (t) {
    case task_kind::analyser: return "analyser";
    case task_kind::pattern: return "pattern";
    case task_kind::cable: return "cable";
    }
    return "pattern";
}

std::optional<task_kind> task_from_text(const std::string& text) {
    if (text == "analyser") return task_kind::analyser;
    if (text == "pattern") return task_kind::pattern;
    if (text == "cable") return task_kind::cable;
    return std::nullopt;
}

int model_family(const std::string& model) {
    static const char* const family0[] = {"MRV-410", "Pattern Gen.", "DN-7", "735", "KS-P9-GTR"};
    static const char* const family1[] = {"Pattern Gen.L", "MRV-410L", "DN-6P", "736"};
    for (const char* m : family0)
        if (model == m) return 0;
    for (const char* m : family1)
        if (model == m) return 1;
    if (model == "MRV-510") return 2;
    return -1;
}

std::string catalogue_file_name(const std::string& model, int board_id) {
    switch (model_family(model)) {
    case 1:
        if (board_id == 1) return "m41l_k_new_timing_pattern.ini";
        if (board_id == 2) return "m41l_new_timing_pattern.ini";
        return model == "736" ? "m41l_k_old_timing_pattern.ini" : "m41l_old_timing_pattern.ini";
    case 2: return "m51_timing_pattern.ini";
    default: return "m41_timing_pattern.ini";
    }
}

// ---- catalogue files ------------------------------------------------------------------------

namespace {

class item_reader {
public:
    explicit item_reader(const std::string& text) : s_(text) {}

    bool at_end() const { return p_ >= s_.size(); }

    std::optional<long> number() {
        while (p_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[p_]))) ++p_;
        if (p_ >= s_.size()) return std::nullopt;
        std::size_t q = p_;
        bool neg = false;
        if (s_[q] == '-' || s_[q] == '+') neg = s_[q++] == '-';
        long v = 0;
        bool digits = false;
        while (q < s_.size() && std::isdigit(static_cast<unsigned char>(s_[q]))) {
            v = v * 10 + (s_[q] - '0');
            digits = true;
            if (v > 100000) return std::nullopt;
            ++q;
        }
        p_ = q;
        skip_to_separator();
        if (!digits) return std::nullopt;
        return neg ? -v : v;
    }

    std::optional<std::string> name() {
        if (p_ >= s_.size()) return std::nullopt;
        while (p_ < s_.size() && (s_[p_] == ' ' || s_[p_] == '\t')) ++p_;
        std::string out;
        if (p_ < s_.size() && s_[p_] == '"') {
            std::size_t q = s_.find('"', p_ + 1);
            if (q == std::string::npos) q = s_.size();
            out = s_.substr(p_ + 1, q - p_ - 1);
            p_ = std::min(q + 1, s_.size());
            skip_to_separator();
            return out;
        }
        std::size_t e = s_.find_first_of(",\r\n", p_);
        if (e == std::string::npos) e = s_.size();
        out = s_.substr(p_, e - p_);
        while (!out.empty() && (out.back() == ' ' || out.back() == '\t')) out.pop_back();
        p_ = e;
        consume_separator();
        return out;
    }

private:
    void skip_to_separator() {
        while (p_ < s_.size() && s_[p_] != ',' && s_[p_] != '\r' && s_[p_] != '\n') ++p_;
        consume_separator();
    }
    void consume_separator() {
        if (p_ >= s_.size()) return;
        if (s_[p_] == ',' || s_[p_] == '\n') {
            ++p_;
        } else if (s_[p_] == '\r') {
            ++p_;
            if (p_ < s_.size() && s_[p_] == '\n') ++p_;
        }
    }

    const std::string& s_;
    std::size_t p_ = 0;
};

void fill_names(std::vector<std::string>& list, std::size_t count, const char* stem) {
    while (list.size() < count) list.push_back(std::string(stem) + " " + std::to_string(list.size() + 1));
}

}  // namespace

bool catalogue_parse(const std::string& text, catalogue& out) {
    item_reader r(text);
    out.timings.clear();
    out.patterns.clear();
    auto tc = r.number();
    if (!tc || *tc < 1 || *tc > 4096) return false;
    for (long i = 0; i < *tc; ++i) {
        auto n = r.name();
        if (!n) return false;
        out.timings.push_back(*n);
    }
    auto pc = r.number();
    if (!pc || *pc < 1 || *pc > 4096) return false;
    for (long i = 0; i < *pc; ++i) {
        auto n = r.name();
        if (!n) {
            fill_names(out.patterns, static_cast<std::size_t>(*pc), "Pattern");
            return false;
        }
        out.patterns.push_back(*n);
    }
    return true;
}

catalogue catalogue_load(const std::string& path) {
    catalogue c;
    c.path = path;
    std::ifstream in(path, std::ios::binary);
    if (in) {
        std::stringstream ss;
        ss << in.rdbuf();
        if (catalogue_parse(ss.str(), c)) {
            c.from_file = true;
            return c;
        }
    }
    c.timings.clear();
    c.patterns.clear();
    fill_names(c.timings, timing_fallback_count, "Timing");
    fill_names(c.patterns, pattern_fallback_count, "Pattern");
    return c;
}

// ---- EDID stores ----------------------------------------------------------------------------

int edid_slot_index(const std::string& token) {
    if (token == "sink_h") return 0;
    if (token == "sink_v") return 1;
    if (token.size() < 2 || token.size() > 3 || (token[0] != 'd' && token[0] != 'c')) return -1;
    if (token[1] == '0') return -1;
    int n = 0;
    for (std::size_t i = 1; i < token.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(token[i]))) return -1;
        n = n * 10 + (token[i] - '0');
    }
    if (n < 1 || n > 10) return -1;
    return (token[0] == 'd' ? 1 : 11) + n;
}

std::string edid_slot_token(int index) {
    if (index == 0) return "sink_h";
    if (index == 1) return "sink_v";
    if (index >= 2 && index <= 11) return "d" + std::to_string(index - 1);
    if (index >= 12 && index <= 21) return "c" + std::to_string(index - 11);
    return "";
}

void edid_store_set(edid_store& store, const std::vector<std::uint8_t>& image) {
    store.bytes.fill(0xFF);
    std::copy_n(image.begin(), std::min(image.size(), store.bytes.size()), store.bytes.begin());
    store.present = true;
}

void edid_store_clear(edid_store& store) {
    store.bytes.fill(0xFF);
    store.present = false;
}

namespace {

bool block_sum_ok(const edid_store& s, int block) {
    unsigned sum = 0;
    for (int i = 0; i < 128; ++i) sum += s.bytes[block * 128 + i];
    return sum % 256 == 0;
}

std::string format_refresh(double hz) {
    char buf[32];
    double r = std::round(hz * 100.0) / 100.0;
    if (std::fabs(r - std::round(r)) < 0.005)
        std::snprintf(buf, sizeof buf, "%.0f", r);
    else
        std::snprintf(buf, sizeof buf, "%.2f", r);
    return buf;
}

}  // namespace

edid_facts edid_facts_of(const edid_store& s) {
    edid_facts f;
    if (!s.present) return f;
    const auto& b = s.bytes;
    static const std::uint8_t header[8] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
    unsigned id = (b[8] << 8) | b[9];
    f.manufacturer += static_cast<char>(64 + ((id >> 10) & 31));
    f.manufacturer += static_cast<char>(64 + ((id >> 5) & 31));
    f.manufacturer += static_cast<char>(64 + (id & 31));
    for (int n = 0; n < 4; ++n) {
        int d = 54 + n * 18;
        if (b[d] != 0 || b[d + 1] != 0) {
            if (f.native.empty()) {
                int h = b[d + 2] + (b[d + 4] >> 4) * 256;
                int v = b[d + 5] + (b[d + 7] >> 4) * 256;
                double clock = (b[d] + b[d + 1] * 256) * 10000.0;
                int ht = h + b[d + 3] + (b[d + 4] & 0x0F) * 256;
                int vt = v + b[d + 6] + (b[d + 7] & 0x0F) * 256;
                bool inter = (b[d + 17] & 0x80) != 0;
                if (inter) {
                    clock *= 2;
                    vt = 2 * vt + 1;
                }
                f.native = std::to_string(h) + "x" + std::to_string(inter ? 2 * v : v) + (inter ? "i" : "p");
                if (ht > 0 && vt > 0) f.native += format_refresh(clock / (double(ht) * vt));
            }
        } else if (b[d + 3] == 0xFC) {
            for (int i = 5; i < 18; ++i) {
                if (b[d + i] == 0x0A || b[d + i] == 0x00) break;
                char c = static_cast<char>(b[d + i]);
                f.model += (c == ',' || static_cast<unsigned char>(c) < 32) ? ' ' : c;
            }
        }
    }
    while (!f.model.empty() && f.model.back() == ' ') f.model.pop_back();
    if (f.model.empty()) f.model = "none";
    if (f.native.empty()) f.native = "none";
    if (!std::equal(header, header + 8, b.begin()) || !block_sum_ok(s, 0)) {
        f.type = "invalid";
        return f;
    }
    f.type = (b[20] & 0x80) ? "DVI" : "analog";
    // An HDMI vendor-specific data block in a CEA-861 extension makes it HDMI; another
    // vendor's block makes an analog image count as digital.
    int blocks = std::min(4, b[126] + 1);
    for (int blk = 1; blk < blocks; ++blk) {
        int o = blk * 128;
        if (b[o] != 0x02) continue;
        int end = std::min(127, std::max(4, static_cast<int>(b[o + 2])));
        for (int p = 4; p < end;) {
            int tag = b[o + p] >> 5, len = b[o + p] & 31;
            if (tag == 3 && len >= 3 && p + 3 < 127) {
                if (b[o + p + 1] == 0x03 && b[o + p + 2] == 0x0C && b[o + p + 3] == 0x00) {
                    f.type = "HDMI";
                    return f;
                }
                f.type = "DVI";
            }
            p += len + 1;
        }
    }
    return f;
}

// ---- options --------------------------------------------------------------------------------

const std::map<std::string, std::string>& option_defaults() {
    static const std::map<std::string, std::string> d = {
        {"4k_to_1080p", "off"},   {"audio_ch", "2"},         {"audio_mute", "off"},
        {"audio_source", "int"},  {"audio_sr", "48"},        {"color_space", "rgb"},
        {"deep_color", "8"},      {"hdcp_in_sw", "on"},      {"hdcp_in_ver", "v1.4+v2.2"},
        {"hdcp_out_sw", "off"},   {"hdcp_out_ver", "v1.4"},  {"hdr_eotf", "sdr"},
        {"hdr_set", "1"},         {"hdr_sw", "off"},         {"hdr_tx_col", "3"},
        {"rx_ddc", "on"},         {"rx_hotplug", "on"},      {"rx_scdc", "on"},
        {"rx_sense", "on"},       {"tmds_format", "hdmi"},   {"tmds_sw", "on"},
        {"tx_5v", "follow"},      {"color_cal_color", "white"}, {"color_cal_level", "255"},
        {"color_cal_red", "255"}, {"color_cal_green", "255"}, {"color_cal_blue", "255"},
    };
    return d;
}

// ---- cable test -----------------------------------------------------------------------------

int cable_run_seconds(int code) {
    static const int len[] = {120, 300, 600, 900, 1800, 3600};
    return code >= 1 && code <= 6 ? len[code - 1] : 0;
}

namespace {

void cable_advance(unit_state& u, double now) {
    cable_state& c = u.cable;
    if (!c.running) return;
    c.elapsed = std::max(0.0, now - c.started);
    if (c.fail_at >= 0 && c.elapsed >= c.fail_at) c.result = "fail";
    int total = cable_run_seconds(c.time_code);
    if (total > 0 && c.elapsed >= total) {
        c.elapsed = total;
        c.running = false;
        if (c.result != "fail") c.result = "pass";
    }
}

// ---- CEC ------------------------------------------------------------------------------------

struct bus_message {
    const char* seen;     // what the unit receives
    const char* answer;   // what the unit sends back at once, or nullptr
};

const bus_message background_traffic[] = {
    {"RX 0F 87 00 E0 91 Device Vendor ID", nullptr},
    {"RX 04 8F Give Device Power Status", "TX 40 90 00 Report Power Status"},
    {"RX 0F 85 Request Active Source", nullptr},
    {"RX 04 46 Give OSD Name", "TX 40 47 56 45 58 4C 41 4E Set OSD Name"},
    {"RX 0F 84 00 00 00 Report Physical Address", nullptr},
    {"RX 04 9F Get CEC Version", "TX 40 9E 05 CEC Version"},
};

}  // namespace

void cec_log_push(cec_state& c, const std::string& text) {
    c.log.push_back({c.next_number, text});
    c.next_number = c.next_number >= 99 ? 1 : c.next_number + 1;
    while (c.log.size() > 12) c.log.pop_front();
}

namespace {

void cec_advance(unit_state& u, double now) {
    cec_state& c = u.cec;
    std::sort(c.pending.begin(), c.pending.end());
    std::size_t done = 0;
    while (done < c.pending.size() && c.pending[done].first <= now) cec_log_push(c, c.pending[done++].second);
    c.pending.erase(c.pending.begin(), c.pending.begin() + static_cast<std::ptrdiff_t>(done));
    if (u.cfg.cec_interval <= 0) return;
    // Catch up at most one log's worth of background messages after a long quiet spell.
    if (now - c.next_traffic > 12 * u.cfg.cec_interval) c.next_traffic = now - 12 * u.cfg.cec_interval;
    constexpr std::size_t n = sizeof background_traffic / sizeof background_traffic[0];
    while (c.next_traffic <= now) {
        const bus_message& m = background_traffic[c.traffic_index++ % n];
        cec_log_push(c, m.seen);
        if (m.answer) cec_log_push(c, m.answer);
        c.next_traffic += u.cfg.cec_interval;
    }
}

void cec_default_messages(cec_state& c) {
    c.messages = {"40 04", "4F 82 10 00", "40 36", "40 8F", "40 46",
                  "40 83", "40 8C", "40 9F", "40 44 41", "40 45"};
}

// ---- start-up -------------------------------------------------------------------------------

std::string trim_blank(const std::string& s) {
    std::size_t a = s.find_first_not_of(" \t\r\n");
    if (a == std::string::npos) return "";
    std::size_t b = s.find_last_not_of(" \t\r\n");
    return s.substr(a, b - a + 1);
}

bool read_image(const std::string& path, std::vector<std::uint8_t>& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (out.size() > 512) out.resize(512);
    return out.size() >= 128;
}

void load_edid_stores(unit_state& u) {
    for (auto& s : u.edid) {
        edid_store_clear(s);
        s.name = "Empty";
    }
    u.edid[0].name = "HDMI Sink";
    u.edid[1].name = "VGA Sink";
    std::string dir = u.cfg.edid_dir;
    std::ifstream in(dir + "/stores.txt");
    if (!in) {
        u.notes.push_back("no EDID store list " + dir + "/stores.txt: all stores empty");
    }
    std::string line;
    while (std::getline(in, line)) {
        line = trim_blank(line);
        if (line.empty() || line[0] == '#') continue;
        std::size_t c1 = line.find(','), c2 = c1 == std::string::npos ? c1 : line.find(',', c1 + 1);
        if (c2 == std::string::npos) {
            u.notes.push_back("bad line in stores.txt: " + line);
            continue;
        }
        int idx = edid_slot_index(trim_blank(line.substr(0, c1)));
        std::string file = trim_blank(line.substr(c1 + 1, c2 - c1 - 1));
        std::string name = trim_blank(line.substr(c2 + 1));
        if (idx < 0) {
            u.notes.push_back("unknown slot in stores.txt: " + line);
            continue;
        }
        u.edid[idx].name = name.substr(0, 20);
        if (file == "-") continue;
        std::vector<std::uint8_t> img;
        if (read_image(dir + "/" + file, img))
            edid_store_set(u.edid[idx], img);
        else
            u.notes.push_back("cannot read EDID image " + dir + "/" + file);
    }
    if (!u.cfg.sink_edid.empty()) {
        std::vector<std::uint8_t> img;
        if (read_image(u.cfg.sink_edid, img))
            edid_store_set(u.edid[0], img);
        else
            u.notes.push_back("cannot read sink EDID " + u.cfg.sink_edid);
    }
    if (u.cfg.no_sink) edid_store_clear(u.edid[0]);
    if (u.family != 0) edid_store_clear(u.edid[1]);
}

// The output a unit starts with: 1920x1080p60 when the catalogue has it, else number 16.
int default_timing(const catalogue& c) {
    for (std::size_t i = 0; i < c.timings.size(); ++i)
        if (c.timings[i].find("1920x1080p60") != std::string::npos) return static_cast<int>(i) + 1;
    return std::min<int>(16, static_cast<int>(c.timings.size()));
}

}  // namespace

unit_state unit_state_make(const unit_config& cfg) {
    unit_state u;
    u.cfg = cfg;
    u.family = model_family(cfg.model);
    std::string cat_path = cfg.data_dir + "/" + catalogue_file_name(cfg.model, cfg.board_id);
    u.cat = catalogue_load(cat_path);
    if (!u.cat.from_file)
        u.notes.push_back("catalogue " + cat_path + " not readable: using " +
                          std::to_string(timing_fallback_count) + " timings and " +
                          std::to_string(pattern_fallback_count) + " patterns");
    u.task = cfg.initial_task;
    if (u.task == task_kind::cable && u.family != 1) u.task = task_kind::pattern;
    u.options = option_defaults();
    u.timing = default_timing(u.cat);
    u.pattern = 1;
    cec_default_messages(u.cec);
    u.cec.next_traffic = cfg.cec_interval;
    load_edid_stores(u);
    u.edid_seed = u.edid;
    return u;
}

void unit_advance(unit_state& u, double now) {
    cable_advance(u, now);
    cec_advance(u, now);
}

void unit_factory_reset(unit_state& u) {
    u.options = option_defaults();
    u.timing = default_timing(u.cat);
    u.pattern = 1;
    u.motion_text = "VEXLAN";
    u.rx_edid = 0;
    u.cable.strict = false;
    u.cable.time_code = 1;
    cec_default_messages(u.cec);
    for (int i = 12; i < edid_store_count; ++i) u.edid[i].name = u.edid_seed[i].name;
}

void unit_reboot(unit_state& u, double now) {
    u.cable.running = false;
    u.cable.elapsed = 0;
    u.cable.result = "none";
    u.cec.log.clear();
    u.cec.pending.clear();
    u.cec.next_number = 1;
    u.cec.next_traffic = now + u.cfg.boot_seconds + u.cfg.cec_interval;
    u.boot_until = now + u.cfg.boot_seconds;
}

}  // namespace vexlan::sim
