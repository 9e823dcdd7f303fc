// Output selection and the output panel: timing, pattern, motion text and the stored options
// with their follow-ups (DVI forces RGB 8-bit, HDR presets, hotplug toggle).
#include "sim_commands.h"

#include <algorithm>

namespace vexlan::sim {
namespace {

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

// Which task mode may change an option: the receiver side only in the analyser task, the
// transmitter side only while the unit generates (pattern or cable task); a second-family unit
// offers no colour space, deep colour or TMDS format choice in the analyser task. Queries always
// answer.
bool option_task_allowed(const unit_state& u, const std::string& name) {
    static const char* const receiver[] = {"hdcp_in_sw", "hdcp_in_ver", "rx_ddc", "rx_hotplug",
                                           "rx_scdc", "rx_sense", "4k_to_1080p"};
    static const char* const transmitter[] = {"audio_source", "audio_ch", "audio_sr", "hdr_sw", "hdr_set",
                                              "hdr_eotf", "hdr_tx_col", "hdcp_out_sw", "hdcp_out_ver", "tx_5v"};
    const bool analyser = u.task == task_kind::analyser;
    for (const char* r : receiver)
        if (name == r) return analyser;
    for (const char* t : transmitter)
        if (name == t) return !analyser;
    if (analyser && family_of(u) == 1) return name != "color_space" && name != "deep_color" && name != "tmds_format";
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
    bool linked = sink_attached(u) && o.at("tmds_sw") == "on";
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
    if (!option_allowed(x.u, name, v) || !option_task_allowed(x.u, name)) return err(x.word);
    x.u.options[name] = v;
    option_follow_up(x.u, name);
    return ok(x.word, {v});
}

reply option_query(ctx& x, const std::string& name) {
    if (name == "hdcp_out_sw") return ok(x.word, {hdcp_out_report(x.u)});
    return ok(x.word, {x.u.options[name]});
}

reply number_set(ctx& x, int& target, std::size_t count, bool is_timing) {
    long n = number_of(x.args);
    if (n < 1 || n > static_cast<long>(count)) return err(x.word);
    if (is_timing && n == 88 && x.u.task != task_kind::analyser) return err(x.word);
    target = static_cast<int>(n);
    return ok(x.word, {std::to_string(n)});
}

}  // namespace

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

void add_output_commands(std::vector<command_entry>& t) {
    std::vector<command_entry> mine = {
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
    };
    t.insert(t.end(), mine.begin(), mine.end());
}

void add_output_option_commands(std::vector<command_entry>& t) {
    for (const auto& spec : option_specs()) {
        std::string name = spec.name;
        std::string values;
        for (const auto& v : spec.values) values += (values.empty() ? "" : "|") + v;
        if (spec.values.empty()) values = std::to_string(spec.lo) + ".." + std::to_string(spec.hi);
        unsigned fams = name == "4k_to_1080p" ? fam1 : all;
        t.push_back({"$" + name, values, "set", fams, [name](ctx& x) { return option_set(x, name); }});
        t.push_back({"$" + name + "?", "", "query", fams, [name](ctx& x) { return option_query(x, name); }});
    }
}

}  // namespace vexlan::sim
