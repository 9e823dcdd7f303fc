// Linking a unit: model, board variant, firmware and task mode; the model profile and the
// catalogue that belongs to it.
#pragma once

#include <string>

namespace vexlan {

struct app_context;

// The "link" routine: click on lab_link, first step of the refresh action, and run by tim_clock
// while a TCP connection stands and no unit is linked. Deferred (code 7) while a transaction or a
// poll step runs.
void lab_link_click(app_context& ctx);

// Sends "$board_id?" and returns the variant 0, 1 or 2 (0 when unanswered or anything else).
int board_id_get(app_context& ctx);

// The task mode named by a reply: "analyser" 0, "pattern" 1, "cable" 2, else -1.
int task_mode_from_text(const std::string& text);

// What a unit told about itself when asked as linking asks, for tools without a window.
struct unit_identity {
    std::string model, board_id, firmware, task_mode;
};

// Asks "$model?", "$board_id?", then (for a known model) "$fwver?" and "$task_mode?", and takes
// over the model profile. False when "$model?" got no accepted reply.
bool unit_identity_query(app_context& ctx, unit_identity& id);

}  // namespace vexlan
