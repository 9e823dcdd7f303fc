// Analyser and sink detection: "$source_detect? ITEM" and "$sink_detect? ITEM".
#include "sim_commands.h"
#include "sim_sources.h"

namespace vexlan::sim {
namespace {

std::string source_value(const unit_state& u, const std::string& item, double now) {
    const auto& o = u.options;
    const source_profile& p = source_at(u, now);
    bool five_v = p.present;
    bool active = five_v && o.at("rx_hotplug") != "off";
    bool scdc = o.at("rx_scdc") == "on";
    auto on_off = [](bool b) { return std::string(b ? "on" : "off"); };
    if (item == "5v") return on_off(five_v);
    if (item == "ckdt" || item == "scdt") return on_off(active);
    if (!active) {
        static const char* const packets[] = {"avi", "gcp", "aif", "spd", "vsi", "drmi", "asp", "acr", "hbr"};
        for (const char* k : packets)
            if (item == k) return "off";
        return "None";
    }
    if (item == "hdcp") {
        if (o.at("hdcp_in_sw") == "off") return "off";
        return o.at("hdcp_in_ver") == "v1.4" ? "v1.4" : "v2.2";
    }
    if (item == "hdcp_aksv") return "1A2B3C4D5E";
    if (item == "hdcp_bksv") return "5E4D3C2B1A";
    if (item == "hdcp_rxid") return o.at("hdcp_in_ver") == "v1.4" ? "None" : "0A1B2C3D4E";
    if (item == "scdc_scr_enable" || item == "scdc_scr_status") return on_off(scdc && p.scrambled);
    if (item == "scdc_sink_ver") return scdc ? "1" : "0";
    if (item == "scdc_source_ver") return scdc ? "1" : "0";
    return source_item(p, item);
}

std::string sink_value(const unit_state& u, const std::string& item) {
    const auto& o = u.options;
    bool sink = sink_attached(u);
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
    std::string v = source ? source_value(x.u, x.args, x.now) : sink_value(x.u, x.args);
    if (v.empty()) return err(x.word);
    return ok(x.word, {x.args, v});
}

}  // namespace

void add_analyser_commands(std::vector<command_entry>& t) {
    t.push_back({"$source_detect?", "item", "input measurement", all, [](ctx& x) { return detect(x, true); }});
    t.push_back({"$sink_detect?", "item", "output sink state", all, [](ctx& x) { return detect(x, false); }});
}

}  // namespace vexlan::sim
