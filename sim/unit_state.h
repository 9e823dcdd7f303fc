// State of one simulated unit: identity, task mode, output settings, EDID stores, cable test
// and CEC. Plain data plus the operations that load it and advance it in time; the command
// protocol that reads and changes it lives in sim_protocol.h.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vexlan::sim {

enum class task_kind { analyser, pattern, cable };

const char* task_text(task_kind t);
std::optional<task_kind> task_from_text(const std::string& text);

// Model family of a model text: 0 (m41), 1 (m41l), 2 (m51); -1 for a text no family knows
// (such a unit behaves like family 0 and uses the m41 catalogue).
int model_family(const std::string& model);

// Catalogue file name ("m41_timing_pattern.ini", ...) for a model text and board id.
std::string catalogue_file_name(const std::string& model, int board_id);

// Timing and pattern names in the unit's numbering (entry n-1 is number n).
struct catalogue {
    std::vector<std::string> timings;
    std::vector<std::string> patterns;
    bool from_file = false;
    std::string path;
};

// Parses catalogue text (timing_count, names, pattern_count, names; items separated by "," or
// line ends; names may be quoted). Returns false when the counts cannot be read in full.
bool catalogue_parse(const std::string& text, catalogue& out);

// Reads the file; on failure falls back to 90 timings and 45 patterns with made-up names.
catalogue catalogue_load(const std::string& path);

constexpr int timing_fallback_count = 90;
constexpr int pattern_fallback_count = 45;

// EDID stores: sink_h, sink_v, d1..d10, c1..c10 at indices 0, 1, 2..11, 12..21.
constexpr int edid_store_count = 22;
int edid_slot_index(const std::string& token);   // -1 for anything that is not a slot token
std::string edid_slot_token(int index);

struct edid_store {
    bool present = false;
    std::array<std::uint8_t, 512> bytes{};       // blocks beyond the image read as FF
    std::string name;
};

void edid_store_set(edid_store& store, const std::vector<std::uint8_t>& image);
void edid_store_clear(edid_store& store);

// Facts the unit reports about an EDID image.
struct edid_facts {
    std::string manufacturer;   // three letters from bytes 8..9
    std::string model;          // monitor-name descriptors, "none" without one
    std::string native;         // first detailed timing, e.g. "1920x1080p60"
    std::string type;           // "analog", "DVI" or "HDMI"; "invalid" for a broken image
};
edid_facts edid_facts_of(const edid_store& store);

struct unit_config {
    std::string model = "MRV-410";
    int board_id = 0;
    std::string fw = "2.18.4";
    task_kind initial_task = task_kind::pattern;
    std::string data_dir;          // catalogue files
    std::string edid_dir;          // EDID images and stores.txt
    std::string sink_edid;         // replaces the sink_h image when not empty
    bool no_sink = false;          // nothing connected to the output: sink_h reads err_ddc
    bool no_source = false;        // nothing connected to the input
    std::vector<std::string> source_cycle{"1080p60"};   // source profiles at the input, in turn
    double source_cycle_seconds = 0;                     // how long each stays (0: the first only)
    std::vector<double> sink_schedule;                   // seconds plugged, unplugged, ... repeating
    std::string cable_quality = "good";   // good, marginal or bad
    double boot_seconds = 1.0;     // silence after "$boot go"
    double cec_interval = 4.0;     // seconds between background CEC messages (0 = none)
};

struct cable_state {
    bool strict = false;
    int time_code = 1;             // 1..7, 7 = endless
    bool running = false;
    double started = 0;            // unit time of the start
    double elapsed = 0;            // seconds, frozen when stopped
    double fail_at = -1;           // elapsed second at which the cable fails, -1 never
    std::string result = "none";   // none, testing, pass, fail
};

// Length in seconds of a cable run time code; 0 for the endless code 7 or a bad code.
int cable_run_seconds(int code);

struct cec_log_entry {
    int number = 0;                // 1..99
    std::string text;
};

struct cec_state {
    std::array<std::string, 10> messages;
    std::deque<cec_log_entry> log;            // oldest first, at most 12
    int next_number = 1;
    double next_traffic = 0;                  // unit time of the next background message
    std::size_t traffic_index = 0;
    std::vector<std::pair<double, std::string>> pending;   // answers due from the bus
};

struct unit_state {
    unit_config cfg;
    int family = 0;                 // -1 is treated as 0
    catalogue cat;
    task_kind task = task_kind::pattern;
    int timing = 16;
    int pattern = 1;
    std::string motion_text = "VEXLAN";
    std::map<std::string, std::string> options;    // output panel and colour settings
    std::array<edid_store, edid_store_count> edid{};
    std::array<edid_store, edid_store_count> edid_seed{};   // what "$factory" restores names from
    int rx_edid = 0;                // store index presented to the input (0 = sink_h)
    cable_state cable;
    cec_state cec;
    double boot_until = -1;         // unit time until which a reboot keeps the unit silent
    bool sink_plugged = true;       // the sink plug schedule at the last command
    std::vector<std::string> notes; // start-up findings (missing files and the like)
};

// Builds a unit from its configuration: catalogue, EDID stores (stores.txt in the EDID folder),
// option defaults, CEC messages. Problems are recorded in notes, never fatal.
unit_state unit_state_make(const unit_config& cfg);

// Default value of every stored option, keyed by command word without "$".
const std::map<std::string, std::string>& option_defaults();

// Advances time-driven state (cable run, CEC traffic) to unit time now (seconds).
void unit_advance(unit_state& u, double now);

// Appends one message to the CEC log (the oldest is dropped beyond 12).
void cec_log_push(cec_state& c, const std::string& text);

// Restores the factory settings (options, output, cable set-up, CEC messages, custom names).
void unit_factory_reset(unit_state& u);

// Reboot: volatile state is lost (cable run stops, CEC log empties).
void unit_reboot(unit_state& u, double now);

}  // namespace vexlan::sim
