#include "sim_sources.h"

#include <cmath>
#include <cstdlib>

#include "sim_commands.h"

namespace vexlan::sim {

std::string packet_text(std::vector<unsigned> bytes, bool with_checksum) {
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

int source_profile::v_total() const {
    int field = va + vfp + vsw + vbp;
    return interlaced ? 2 * field + 1 : field;
}

namespace {

void append_le16(std::vector<unsigned>& b, unsigned v) {
    b.push_back(v & 0xFF);
    b.push_back((v >> 8) & 0xFF);
}

void append_text(std::vector<unsigned>& b, const char* t, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) b.push_back(*t ? static_cast<unsigned char>(*t++) : 0u);
}

// AVI InfoFrame: colour space Y (0 RGB, 1 4:2:2, 2 4:4:4, 3 4:2:0), colorimetry C (2 BT.709,
// 3 extended with EC), 16:9 picture, VIC. Version 3 for VICs above 64.
std::string avi(unsigned y, unsigned c, unsigned ec, unsigned vic) {
    std::vector<unsigned> b = {0x82, vic > 64 ? 0x03u : 0x02u, 0x0D};
    b.push_back((y << 5) | 0x10);                 // PB1: Y, active format present
    b.push_back((c << 6) | (2u << 4) | 0x08);     // PB2: C, M = 16:9, R = as picture
    b.push_back(ec << 4);                         // PB3: EC
    b.push_back(vic);                             // PB4
    for (int i = 5; i <= 13; ++i) b.push_back(0); // PB5: no pixel repetition; bars none
    return packet_text(b, true);
}

// Audio InfoFrame: coding type, channel count, sampling-frequency and sample-size codes,
// speaker allocation.
std::string aif(unsigned ct, unsigned channels, unsigned sf, unsigned ss, unsigned ca) {
    std::vector<unsigned> b = {0x84, 0x01, 0x0A};
    b.push_back((ct << 4) | ((channels - 1) & 7));
    b.push_back((sf << 2) | ss);
    b.push_back(0x00);   // PB3: no extended coding type
    b.push_back(ca);     // PB4
    b.push_back(0x00);   // PB5: down-mix permitted
    for (int i = 6; i <= 10; ++i) b.push_back(0);
    return packet_text(b, true);
}

// General Control Packet: header, then subpacket bytes SB0 (AVMute) and SB1 (colour depth).
std::string gcp(bool avmute, unsigned cd) {
    return packet_text({0x03, 0x00, 0x00, avmute ? 0x01u : 0x10u, cd, 0, 0, 0, 0, 0}, false);
}

// Dynamic Range and Mastering InfoFrame, static metadata type 1: BT.2020 primaries, D65,
// mastering 1000 / 0.005 cd/m2, MaxCLL and MaxFALL.
std::string drmi(unsigned eotf, unsigned max_cll, unsigned max_fall) {
    std::vector<unsigned> b = {0x87, 0x01, 0x1A, eotf, 0x00};
    for (unsigned v : {8500u, 39850u, 6550u, 2300u, 35400u, 14600u, 15635u, 16450u, 1000u, 50u}) append_le16(b, v);
    append_le16(b, max_cll);
    append_le16(b, max_fall);
    return packet_text(b, true);
}

std::string spd(const char* vendor, const char* product, unsigned type) {
    std::vector<unsigned> b = {0x83, 0x01, 0x19};
    append_text(b, vendor, 8);
    append_text(b, product, 16);
    b.push_back(type);
    return packet_text(b, true);
}

// HDMI Vendor-Specific InfoFrame: format 0 (no information), 1 (HDMI VIC in PB5) or 2 (3D,
// structure in PB5 bits 7..4).
std::string vsi(unsigned format, unsigned pb5) {
    return packet_text({0x81, 0x01, 0x05, 0x03, 0x0C, 0x00, format << 5, pb5}, true);
}

source_profile timing_1080p60() {
    source_profile p;
    p.timing = "1920x1080p60";
    p.pixel_khz = p.tmds_khz = 148500;
    p.ha = 1920, p.hfp = 88, p.hsw = 44, p.hbp = 148;
    p.va = 1080, p.vfp = 4, p.vsw = 5, p.vbp = 36;
    return p;
}

source_profile timing_2160(long pixel_khz, const char* name) {
    source_profile p;
    p.timing = name;
    p.pixel_khz = p.tmds_khz = pixel_khz;
    p.ha = 3840, p.hfp = 176, p.hsw = 88, p.hbp = 296;
    p.va = 2160, p.vfp = 8, p.vsw = 10, p.vbp = 72;
    return p;
}

void lpcm_stereo(source_profile& p) {
    p.audio = true;
    p.channels = 2;
    p.audio_khz = 48;
    p.sample_bits = 24;
    p.chs_code = "LPCM";
    p.aif = aif(1, 2, 3, 3, 0x00);   // LPCM, 2 channels, 48 kHz, 24 bits, FL FR
}

std::vector<source_profile> make_profiles() {
    std::vector<source_profile> v;

    source_profile p = timing_1080p60();
    p.name = "1080p60";
    p.description = "1920x1080p60 RGB 8-bit, 2-channel 48 kHz LPCM";
    lpcm_stereo(p);
    p.avi = avi(0, 2, 0, 16);
    p.gcp = gcp(false, 0);
    p.spd = spd("VEXLAN", "SIGNAL SOURCE", 1);
    p.vsi = vsi(0, 0);
    v.push_back(p);

    p = timing_1080p60();
    p.name = "1080i60";
    p.description = "1920x1080i60 (vertical values per field), RGB 8-bit, 2-channel LPCM";
    p.timing = "1920x1080i60";
    p.interlaced = true;
    p.pixel_khz = p.tmds_khz = 74250;
    p.va = 540, p.vfp = 2, p.vsw = 5, p.vbp = 15;
    lpcm_stereo(p);
    p.avi = avi(0, 2, 0, 5);
    p.gcp = gcp(false, 0);
    p.spd = spd("VEXLAN", "BROADCAST STB", 1);
    v.push_back(p);

    p = timing_2160(594000, "3840x2160p60");
    p.name = "2160p60-hdr10";
    p.description = "3840x2160p60 YCbCr 4:2:0 10-bit BT.2020, HDR10 (MaxCLL 1000, MaxFALL 400), scrambled";
    p.tmds_khz = 594000 / 2 * 10 / 8;   // 4:2:0 halves the clock, 10 bits raise it by 5/4
    p.scrambled = true;
    lpcm_stereo(p);
    p.avi = avi(3, 3, 6, 97);
    p.gcp = gcp(false, 5);
    p.drmi = drmi(2, 1000, 400);
    p.spd = spd("VEXLAN", "UHD PLAYER", 10);
    v.push_back(p);

    p = timing_2160(297000, "3840x2160p30");
    p.name = "2160p30-vsi";
    p.description = "3840x2160p30 RGB 8-bit as HDMI VIC 1 in the VSI (AVI VIC 0), 2-channel LPCM";
    lpcm_stereo(p);
    p.avi = avi(0, 2, 0, 0);
    p.gcp = gcp(false, 0);
    p.spd = spd("VEXLAN", "MEDIA PLAYER", 2);
    p.vsi = vsi(1, 1);
    v.push_back(p);

    p = timing_1080p60();
    p.name = "1080p24-3d";
    p.description = "1920x1080p24 3D frame packing (2205 active lines), RGB 8-bit, 2-channel LPCM";
    p.timing = "1920x1080p24 3D FP";
    p.hfp = 638;
    p.va = 2205;
    lpcm_stereo(p);
    p.avi = avi(0, 2, 0, 32);
    p.gcp = gcp(false, 0);
    p.spd = spd("VEXLAN", "3D PLAYER", 10);
    p.vsi = vsi(2, 0x00);
    v.push_back(p);

    p = timing_1080p60();
    p.name = "dvi";
    p.description = "1920x1080p60 DVI: no packets, no audio";
    p.dvi = true;
    v.push_back(p);

    p = timing_1080p60();
    p.name = "1080p60-12bit-avmute";
    p.description = "1920x1080p60 RGB 12-bit deep colour with AVMute set, 2-channel LPCM";
    p.tmds_khz = 148500 * 12 / 8;
    lpcm_stereo(p);
    p.avi = avi(0, 2, 0, 16);
    p.gcp = gcp(true, 6);
    p.spd = spd("VEXLAN", "GAME CONSOLE", 8);
    v.push_back(p);

    p = timing_1080p60();
    p.name = "1080p60-hbr";
    p.description = "1920x1080p60 RGB 8-bit with an 8-channel high-bit-rate audio stream (MAT)";
    p.audio = true;
    p.hbr = true;
    p.channels = 8;
    p.audio_khz = 768;
    p.sample_bits = 16;
    p.chs_code = "non-LPCM";
    p.avi = avi(0, 2, 0, 16);
    p.aif = aif(12, 8, 7, 0, 0x13);   // MAT, 8 channels, 192 kHz, 7.1 allocation
    p.gcp = gcp(false, 0);
    p.spd = spd("VEXLAN", "BD PLAYER", 10);
    v.push_back(p);

    source_profile none;
    none.name = "none";
    none.description = "nothing at the input: no +5V, no clock, packets off";
    none.present = false;
    v.push_back(none);
    return v;
}

}  // namespace

const std::vector<source_profile>& source_profiles() {
    static const std::vector<source_profile> v = make_profiles();
    return v;
}

const source_profile* source_find(const std::string& name) {
    for (const auto& p : source_profiles())
        if (p.name == name) return &p;
    return nullptr;
}

const source_profile& source_at(const unit_state& u, double now) {
    const auto& c = u.cfg.source_cycle;
    const source_profile* p = nullptr;
    if (u.cfg.no_source) {
        p = source_find("none");
    } else if (c.size() > 1 && u.cfg.source_cycle_seconds > 0) {
        double slot = std::floor(std::max(0.0, now) / u.cfg.source_cycle_seconds);
        p = source_find(c[static_cast<std::size_t>(std::fmod(slot, static_cast<double>(c.size())))]);
    } else if (!c.empty()) {
        p = source_find(c.front());
    }
    return p ? *p : source_profiles().front();
}

std::string source_item(const source_profile& p, const std::string& item) {
    auto num = [](long v) { return std::to_string(v); };
    auto on_off = [](bool b) { return std::string(b ? "on" : "off"); };
    auto pkt = [&](const std::string& t) { return p.dvi || t.empty() ? std::string("off") : t; };
    if (item == "timingx") return p.timing;
    if (item == "tmds_format") return p.dvi ? "dvi" : "hdmi";
    if (item == "tmds_clock") return num(p.tmds_khz);
    if (item == "pixel_clock") return num(p.pixel_khz);
    if (item == "data_rate") return num(p.data_rate_mbps());
    if (item == "ht") return num(p.h_total());
    if (item == "ha") return num(p.ha);
    if (item == "hbp") return num(p.hbp);
    if (item == "hsw") return num(p.hsw);
    if (item == "hfp") return num(p.hfp);
    if (item == "hsp") return p.hpos ? "p" : "n";
    if (item == "vt") return num(p.v_total());
    if (item == "va") return num(p.va);
    if (item == "vbp") return num(p.vbp);
    if (item == "vsw") return num(p.vsw);
    if (item == "vfp") return num(p.vfp);
    if (item == "vsp") return p.vpos ? "p" : "n";
    if (item == "hvs_offset1" || item == "hvs_offset2") return "0";
    if (item == "scan") return p.interlaced ? "i" : "p";
    if (item == "avi") return pkt(p.avi);
    if (item == "aif") return pkt(p.aif);
    if (item == "gcp") return pkt(p.gcp);
    if (item == "drmi") return pkt(p.drmi);
    if (item == "spd") return pkt(p.spd);
    if (item == "vsi") return pkt(p.vsi);
    // Audio: the clock regeneration uses N = 128 * fs / 1000, so CTS equals the TMDS clock in kHz.
    if (item == "acr") return on_off(p.audio);
    if (item == "asp") return on_off(p.audio && !p.hbr);
    if (item == "hbr") return on_off(p.hbr);
    if (!p.audio) {
        static const char* const audio_items[] = {"acr_n", "acr_cts", "asp_pll", "asp_fifo", "asp_layout", "asp_ch",
                                                  "chs_type", "chs_code", "chs_sr", "chs_ss"};
        for (const char* a : audio_items)
            if (item == a) return "None";
        return "";
    }
    int acr_khz = p.hbr ? 192 : p.audio_khz;
    if (item == "acr_n") return num(128L * acr_khz);
    if (item == "acr_cts") return num(p.tmds_khz);
    if (item == "asp_pll") return "lock";
    if (item == "asp_fifo") return "nor";
    if (item == "asp_layout") return p.channels > 2 ? "1" : "0";
    if (item == "asp_ch") return num(p.channels);
    if (item == "chs_type") return "c";
    if (item == "chs_code") return p.chs_code;
    if (item == "chs_sr") return num(p.audio_khz);
    if (item == "chs_ss") return num(p.sample_bits);
    return "";
}

std::string source_cycle_parse(const std::string& spec, std::vector<std::string>& names, double& seconds) {
    std::size_t colon = spec.rfind(':');
    if (colon == std::string::npos) return "expects NAME,NAME,...:SECONDS";
    char* end = nullptr;
    std::string s = spec.substr(colon + 1);
    seconds = std::strtod(s.c_str(), &end);
    if (s.empty() || *end || !(seconds > 0 && seconds <= 86400)) return "expects seconds above 0 after the ':'";
    names = split_commas(spec.substr(0, colon));
    for (const auto& n : names)
        if (!source_find(n)) return "unknown source \"" + n + "\" (see --source list)";
    if (names.size() < 2) return "expects at least two sources";
    return "";
}

std::string sink_schedule_parse(const std::string& spec, std::vector<double>& periods) {
    periods.clear();
    for (const auto& f : split_commas(spec)) {
        char* end = nullptr;
        double v = std::strtod(f.c_str(), &end);
        if (f.empty() || *end || !(v > 0 && v <= 86400)) return "expects seconds above 0 separated by ','";
        periods.push_back(v);
    }
    if (periods.size() < 2 || periods.size() % 2) return "expects pairs of seconds plugged,unplugged";
    return "";
}

bool sink_plugged_at(const std::vector<double>& periods, double now) {
    if (periods.empty()) return true;
    double total = 0;
    for (double p : periods) total += p;
    double t = std::fmod(std::max(0.0, now), total);
    for (std::size_t i = 0; i < periods.size(); ++i) {
        if (t < periods[i]) return i % 2 == 0;
        t -= periods[i];
    }
    return true;
}

}  // namespace vexlan::sim
