// The monitor's values by name, for tools that print them instead of showing the page: the value
// labels of each monitor type and the decoded packet fields.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace vexlan {

struct app_context;
struct monitor_state;

struct named_value {
    std::string name;
    std::string text;
};

// The value labels of a monitor type in page order ("lab_source_5vx" ... on the System type,
// "timing", "tmds_clock", ... on Video Timing, the HDCP row captions on HDCP & SCDC).
std::vector<named_value> monitor_page_values(const monitor_state& m, int page);

// One decoded packet field: its name, the number when the field is a code or a number, and its
// display text.
struct packet_field {
    std::string name;
    bool is_number = false;
    long long number = 0;
    std::string text;
};

// The decoded fields of the packet kinds that were present in the last replies.
std::vector<packet_field> monitor_packet_fields(const monitor_state& m);

}  // namespace vexlan
