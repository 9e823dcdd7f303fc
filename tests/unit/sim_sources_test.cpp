// The simulator's HDMI source profiles, driven through "$source_detect?" as an analyser client
// sees them: every profile's timing, clocks, packets and audio must agree with each other, and
// the source cycle and the sink plug schedule follow unit time.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "sim_protocol.h"
#include "sim_sources.h"
#include "unit_state.h"

namespace vexlan::sim {
namespace {

unit_state unit_with(std::vector<std::string> cycle, double seconds = 0, std::vector<double> sink = {}) {
    unit_config c;
    c.data_dir = "/nonexistent-vexlan-catalogues";
    c.edid_dir = std::string(VEXLAN_DATA_DIR) + "/edid";
    c.cec_interval = 0;
    c.source_cycle = std::move(cycle);
    c.source_cycle_seconds = seconds;
    c.sink_schedule = std::move(sink);
    return unit_state_make(c);
}

// The value of "$source_detect? ITEM" (parameter 2), checking the echo of the item.
std::string value(unit_state& u, const std::string& item, double now = 0) {
    const std::string r = handle_line(u, "$source_detect? " + item, now);
    const std::string head = "$source_detect? " + item + ",";
    EXPECT_EQ(r.substr(0, head.size()), head) << r;
    EXPECT_EQ(r.substr(r.size() < 2 ? 0 : r.size() - 2), "\r\n");
    return r.size() < head.size() + 2 ? "" : r.substr(head.size(), r.size() - head.size() - 2);
}

long number(unit_state& u, const std::string& item) { return std::stol(value(u, item)); }

// "82 02 0D ..." as bytes; an empty vector for "off" or anything not two hex digits a byte.
std::vector<unsigned> bytes_of(const std::string& text) {
    std::vector<unsigned> b;
    for (std::size_t p = 0; p + 1 < text.size(); p += 3) {
        if (!isxdigit(static_cast<unsigned char>(text[p])) || !isxdigit(static_cast<unsigned char>(text[p + 1])))
            return {};
        b.push_back(static_cast<unsigned>(std::stoul(text.substr(p, 2), nullptr, 16)));
    }
    return b;
}

TEST(SimSources, EveryProfileIsConsistentAsTheAnalyserReportsIt) {
    for (const source_profile& p : source_profiles()) {
        SCOPED_TRACE(p.name);
        unit_state u = unit_with({p.name});
        EXPECT_EQ(value(u, "5v"), p.present ? "on" : "off");
        if (!p.present) {
            for (const char* k : {"avi", "gcp", "aif", "spd", "vsi", "drmi"}) EXPECT_EQ(value(u, k), "off");
            EXPECT_EQ(value(u, "pixel_clock"), "None");
            continue;
        }
        // Frame rate from the name ("...p60", "...i60", "...p24 3D FP") against clock and totals.
        const std::string t = value(u, "timingx");
        const std::size_t s = t.find_first_of("pi", t.find('x'));
        ASSERT_NE(s, std::string::npos);
        const bool interlaced = t[s] == 'i';
        EXPECT_EQ(value(u, "scan"), interlaced ? "i" : "p");
        const double rate = std::stod(t.substr(s + 1));
        const long ht = number(u, "ht"), vt = number(u, "vt"), pix = number(u, "pixel_clock");
        EXPECT_EQ(ht, number(u, "ha") + number(u, "hfp") + number(u, "hsw") + number(u, "hbp"));
        const long field = number(u, "va") + number(u, "vfp") + number(u, "vsw") + number(u, "vbp");
        EXPECT_EQ(vt, interlaced ? 2 * field + 1 : field);
        EXPECT_NEAR(pix * 1000.0 / (ht * vt) * (interlaced ? 2 : 1), rate, 0.01);

        // TMDS clock from colour space (AVI) and depth (GCP); data rate from the TMDS clock.
        const std::vector<unsigned> avi = bytes_of(value(u, "avi")), gcp = bytes_of(value(u, "gcp"));
        const bool dvi = value(u, "tmds_format") == "dvi";
        EXPECT_EQ(dvi, avi.empty());
        const unsigned y = avi.empty() ? 0 : avi[4] >> 5;
        const unsigned cd = gcp.empty() ? 0 : gcp[4] & 15;
        const int bits = cd == 5 ? 10 : cd == 6 ? 12 : cd == 7 ? 16 : 8;
        const long tmds = number(u, "tmds_clock");
        EXPECT_EQ(tmds, pix * bits / 8 / (y == 3 ? 2 : 1));
        EXPECT_EQ(number(u, "data_rate"), std::lround(tmds * 30 / 1000.0));
        EXPECT_EQ(value(u, "scdc_scr_enable"), tmds > 340000 ? "on" : "off");

        // Every InfoFrame's bytes sum to 0 and its length byte matches; the GCP has no checksum.
        for (const char* k : {"avi", "aif", "spd", "vsi", "drmi"}) {
            const std::vector<unsigned> b = bytes_of(value(u, k));
            if (b.empty()) continue;
            EXPECT_EQ(b.size(), 4u + b[2]) << k;
            unsigned sum = 0;
            for (unsigned v : b) sum += v;
            EXPECT_EQ(sum % 256, 0u) << k;
        }
        const std::vector<unsigned> vsi = bytes_of(value(u, "vsi")), drmi = bytes_of(value(u, "drmi"));
        if (!avi.empty() && avi[7] == 0) {   // AVI VIC 0: the format is an HDMI VIC in the VSI
            ASSERT_GE(vsi.size(), 9u);
            EXPECT_EQ(vsi[7] >> 5, 1u);
            EXPECT_EQ(vsi[8], 1u);   // 3840x2160p30
        }
        if (t.find("3D") != std::string::npos) {
            ASSERT_GE(vsi.size(), 9u);
            EXPECT_EQ(vsi[7] >> 5, 2u);
            EXPECT_EQ(vsi[8] >> 4, 0u);   // frame packing
        }
        if (!drmi.empty()) {
            EXPECT_EQ(drmi[4], 2u);   // SMPTE ST 2084
            EXPECT_EQ(drmi[26] + drmi[27] * 256, 1000u);
            EXPECT_EQ(drmi[28] + drmi[29] * 256, 400u);
        }

        // Audio: the AIF channel count and the clock regeneration (N = 128 fs, CTS = TMDS kHz).
        const std::vector<unsigned> aif = bytes_of(value(u, "aif"));
        EXPECT_EQ(value(u, "acr"), aif.empty() ? "off" : "on");
        if (aif.empty()) continue;
        EXPECT_EQ(number(u, "asp_ch"), static_cast<long>((aif[4] & 7) + 1));
        EXPECT_EQ(number(u, "acr_cts"), tmds);
        const bool hbr = value(u, "hbr") == "on";
        EXPECT_EQ(value(u, "asp"), hbr ? "off" : "on");
        EXPECT_EQ(number(u, "acr_n"), 128 * (hbr ? 192 : number(u, "chs_sr")));
    }
}

TEST(SimSources, CycleAndSinkScheduleFollowUnitTime) {
    unit_state u = unit_with({"1080p60", "none", "1080p60-12bit-avmute"}, 2, {3, 1});
    EXPECT_EQ(value(u, "gcp", 1), "03 00 00 10 00 00 00 00 00 00");
    EXPECT_EQ(value(u, "ckdt", 3), "off");
    EXPECT_EQ(value(u, "gcp", 5), "03 00 00 01 06 00 00 00 00 00");   // AVMute set, 12 bits
    EXPECT_EQ(value(u, "ckdt", 7), "on");                              // round again
    // Plugged three seconds, unplugged one: the sink's EDID is unreadable meanwhile.
    EXPECT_EQ(handle_line(u, "$sink_detect? hotplug", 2.9), "$sink_detect? hotplug,on\r\n");
    EXPECT_EQ(handle_line(u, "$sink_detect? hotplug", 3.1), "$sink_detect? hotplug,off\r\n");
    EXPECT_EQ(handle_line(u, "$edid_read sink_h,block0", 3.5), "$edid_read err_ddc\r\n");
    EXPECT_EQ(handle_line(u, "$edid_manuf? sink_h", 3.5), "$edid_manuf? sink_h,none\r\n");
    EXPECT_EQ(handle_line(u, "$sink_detect? hotplug", 4.2), "$sink_detect? hotplug,on\r\n");

    std::vector<std::string> names;
    std::vector<double> periods;
    double seconds = 0;
    EXPECT_EQ(source_cycle_parse("1080p60,dvi:2.5", names, seconds), "");
    EXPECT_EQ(names, (std::vector<std::string>{"1080p60", "dvi"}));
    for (const char* bad : {"1080p60,dvi", "1080p60,nope:2", "1080p60:2", "1080p60,dvi:0"})
        EXPECT_NE(source_cycle_parse(bad, names, seconds), "") << bad;
    EXPECT_NE(sink_schedule_parse("5", periods), "");
    EXPECT_NE(sink_schedule_parse("5,-1", periods), "");
}

}  // namespace
}  // namespace vexlan::sim
