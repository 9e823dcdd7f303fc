#include "monitor/monitor_fields.h"

#include "monitor/monitor_view.h"

namespace vexlan {

namespace {

const char* const video_names[21] = {
    "timing", "tmds_clock", "pixel_clock", "data_rate", "h_frequency", "h_total", "h_active",
    "h_back_porch", "h_sync_width", "h_front_porch", "h_sync_polarity", "hv_sync_offset1", "hv_sync_offset2",
    "scan_mode", "v_frequency", "v_total", "v_active", "v_back_porch", "v_sync_width", "v_front_porch",
    "v_sync_polarity"};
const char* const audio_names[14] = {"aif", "hbr", "acr", "acr_n", "acr_cts", "asp", "asp_pll", "asp_fifo",
                                     "asp_layout", "asp_ch", "chs_type", "chs_code", "chs_sr", "chs_ss"};
const char* const packet_names[26] = {
    "gcp_avmute", "gcp_color_depth", "avi_color_space", "avi_colorimetry", "avi_it_content",
    "avi_ext_colorimetry", "avi_vic", "avi_pixel_repeat", "aif_coding_type", "aif_channel_count",
    "aif_sampling_rate", "aif_sample_size", "aif_ext_coding_type", "aif_speaker_placement", "aif_down_mix",
    "spd_vendor", "spd_product", "spd_source_type", "vsi_ieee_id", "vsi_video_format", "vsi_hdmi_vic",
    "vsi_3d_structure", "drmi_eotf", "drmi_metadata", "drmi_max_cll", "drmi_max_fall"};
const char* const indicator_names[indicator_count] = {"lab_source_gcp", "lab_source_avi", "lab_source_aif",
                                                      "lab_source_drmi", "lab_source_vsi"};

packet_field code(const char* name, int n, std::string text) { return {name, true, n, std::move(text)}; }
packet_field text(const char* name, std::string t) { return {name, false, 0, std::move(t)}; }

}  // namespace

std::vector<named_value> monitor_page_values(const monitor_state& m, int page) {
    std::vector<named_value> out;
    switch (page) {
    case 0:
        for (int i = 0; i < sys_label_count; ++i) out.push_back({sys_label_name(i), m.sys[static_cast<std::size_t>(i)].text});
        for (int i = 0; i < indicator_count; ++i)
            out.push_back({indicator_names[i], m.indicator[static_cast<std::size_t>(i)].color == rgb_black ? "on" : "off"});
        break;
    case 1:
        for (std::size_t i = 0; i < m.video.size(); ++i) out.push_back({video_names[i], m.video[i].text});
        break;
    case 2:
        for (std::size_t i = 0; i < m.audio.size(); ++i) out.push_back({audio_names[i], m.audio[i].text});
        break;
    case 3:
        for (std::size_t i = 0; i < m.packet.size(); ++i) out.push_back({packet_names[i], m.packet[i].text});
        break;
    case 4:
        for (std::size_t i = 0; i < m.hdcp.size(); ++i) out.push_back({m.hdcp_captions[i], m.hdcp[i].text});
        break;
    default: break;
    }
    return out;
}

std::vector<packet_field> monitor_packet_fields(const monitor_state& m) {
    const auto& d = m.mod;
    const auto& p = m.kept.present;
    std::vector<packet_field> f;
    if (p[pk_aif]) {
        f.push_back(text("aif_coding_type", d.aif_coding_type));
        f.push_back(text("aif_channel_count", d.aif_channel_count));
        f.push_back(text("aif_sampling_rate", d.aif_sampling_rate));
        f.push_back(text("aif_sample_size", d.aif_sample_size));
        f.push_back(text("aif_ext_coding_type", d.aif_ext_coding_type));
        f.push_back(text("aif_speaker_placement", d.aif_speaker_placement));
        f.push_back(text("aif_down_mix", d.aif_down_mix));
    }
    if (p[pk_avi]) {
        f.push_back(code("avi_color_space", d.avi_color_space, avi_color_space_text(d.avi_color_space)));
        f.push_back(code("avi_colorimetry", d.avi_colorimetry, avi_colorimetry_text(d.avi_colorimetry)));
        f.push_back(code("avi_it_content", d.avi_it_content, avi_it_content_text(d.avi_it_content)));
        f.push_back(code("avi_ext_colorimetry", d.avi_ext_colorimetry, avi_ext_colorimetry_text(d.avi_ext_colorimetry)));
        f.push_back(code("avi_vic", d.avi_vic, avi_vic_text(d.avi_vic)));
        f.push_back(code("avi_pixel_repeat", d.avi_pixel_repeat, std::to_string(d.avi_pixel_repeat)));
    }
    if (p[pk_gcp]) {
        f.push_back(code("gcp_avmute", d.gcp_avmute, gcp_avmute_text(d.gcp_avmute)));
        f.push_back(code("gcp_color_depth", d.gcp_color_depth, gcp_color_depth_text(d.gcp_color_depth)));
    }
    if (p[pk_drmi]) {
        f.push_back(text("drmi_eotf", d.drmi_eotf));
        f.push_back(text("drmi_metadata", d.drmi_metadata));
        f.push_back(code("drmi_max_cll", static_cast<int>(d.drmi_max_cll), std::to_string(d.drmi_max_cll)));
        f.push_back(code("drmi_max_fall", static_cast<int>(d.drmi_max_fall), std::to_string(d.drmi_max_fall)));
    }
    if (p[pk_spd]) {
        f.push_back(text("spd_vendor", d.spd_vendor));
        f.push_back(text("spd_product", d.spd_product));
        f.push_back(text("spd_source_type", d.spd_source_type));
    }
    if (p[pk_vsi]) {
        f.push_back(text("vsi_ieee_id", d.vsi_ieee_id));
        f.push_back(text("vsi_video_format", d.vsi_video_format));
        f.push_back(code("vsi_hdmi_vic", d.vsi_hdmi_vic, vsi_hdmi_vic_text(d.vsi_hdmi_vic)));
        f.push_back(text("vsi_3d_structure", d.vsi_3d_structure));
    }
    return f;
}

}  // namespace vexlan
