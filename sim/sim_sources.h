// HDMI sources at the unit's input: named profiles whose timing, TMDS clock, packets and audio
// agree with each other, the profile in effect at a unit time (a fixed one or a cycle), and the
// sink hot-plug schedule at the output.
#pragma once

#include <string>
#include <vector>

#include "unit_state.h"

namespace vexlan::sim {

struct source_profile {
    std::string name;
    std::string description;
    bool present = true;          // false: nothing at the input (no +5V)
    std::string timing;           // what "timingx" reports
    bool dvi = false;             // DVI: no packets, no audio
    bool interlaced = false;
    long pixel_khz = 0;
    long tmds_khz = 0;
    int ha = 0, hfp = 0, hsw = 0, hbp = 0;
    int va = 0, vfp = 0, vsw = 0, vbp = 0;   // per field when interlaced
    bool hpos = true, vpos = true;           // sync polarities
    bool scrambled = false;       // TMDS above 340 MHz: scrambling
    // Audio: none, LPCM in audio sample packets, or a high-bit-rate stream.
    bool audio = false;
    bool hbr = false;
    int channels = 0;
    int audio_khz = 0;            // channel-status sampling rate (768 for HBR)
    int sample_bits = 0;
    std::string chs_code;
    // Packets as the unit reports them ("82 02 0D ..."); empty: "off".
    std::string avi, aif, gcp, drmi, spd, vsi;

    int h_total() const { return ha + hfp + hsw + hbp; }
    int v_total() const;          // per frame
    long data_rate_mbps() const { return (tmds_khz * 3 + 50) / 100; }   // three channels, 10 bits a clock
};

const std::vector<source_profile>& source_profiles();
const source_profile* source_find(const std::string& name);

// The profile at the input at unit time now: "none" with cfg.no_source, else the cycle
// (cfg.source_cycle, each for cfg.source_cycle_seconds, repeating) or its single entry.
const source_profile& source_at(const unit_state& u, double now);

// The value of "$source_detect? ITEM" for a profile that is present and active; empty for an
// item the profile does not know (the caller handles HDCP, SCDC and the inactive input).
std::string source_item(const source_profile& p, const std::string& item);

// Parses "A,B,...:SECONDS" (names checked). Returns an empty text when good, else why not.
std::string source_cycle_parse(const std::string& spec, std::vector<std::string>& names, double& seconds);

// Parses "ON,OFF[,ON,OFF...]" seconds of a repeating sink plug schedule, starting plugged.
std::string sink_schedule_parse(const std::string& spec, std::vector<double>& periods);

// Whether the sink is plugged at unit time now under the schedule (always without one).
bool sink_plugged_at(const std::vector<double>& periods, double now);

// Packet text of bytes with the checksum inserted as byte 3 (InfoFrames) or as they are.
std::string packet_text(std::vector<unsigned> bytes, bool with_checksum);

}  // namespace vexlan::sim
