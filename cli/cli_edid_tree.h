// vexlan-cli edid tree (the decoded base block of EDID files) and the commands on the unit's
// EDID stores: edid write, slots, rx, rename and copy-sink. add_edid_commands (cli_edid.cpp)
// registers them under "edid".
#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "edid/edid_sections.h"

namespace CLI {
class App;
}

namespace vexlan {

struct cli_env;

// The JSON object of one decoded base block: file, vendor, version, basic, color,
// established, standard and descriptors; null where a value is absent.
nlohmann::ordered_json edid_tree_json(const edid_base_info& info, const std::string& file);

// "edid tree FILE... [--json]" (cli_edid_tree.cpp).
void add_edid_tree_command(CLI::App* edid, cli_env& env);
// "edid write SLOT FILE [--force]", "edid slots [--json]", "edid rx SLOT",
// "edid rename cN NAME", "edid copy-sink cN" (cli_edid_stores.cpp).
void add_edid_store_commands(CLI::App* edid, cli_env& env);

}  // namespace vexlan
