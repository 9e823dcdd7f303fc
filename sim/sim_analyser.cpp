// Analyser and sink detection: "$source_detect? ITEM" and "$sink_detect? ITEM".
#include "sim_commands.h"

namespace vexlan::sim {
namespace {

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

}  // namespace

void add_analyser_commands(std::vector<command_entry>& t) {
    t.push_back({"$source_detect?", "item", "input measurement", all, [](ctx& x) { return detect(x, true); }});
    t.push_back({"$sink_detect?", "item", "output sink state", all, [](ctx& x) { return detect(x, false); }});
}

}  // namespace vexlan::sim
