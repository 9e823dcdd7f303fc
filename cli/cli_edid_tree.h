// `vexlan-cli edid tree FILE... --json`: the decoded base block of each file as one JSON object.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>

#include "edid/edid_sections.h"

namespace vexlan {

// The JSON object of one decoded base block: file, vendor, version, basic, color,
// established, standard and descriptors; null where a value is absent.
nlohmann::ordered_json edid_tree_json(const edid_base_info& info, const std::string& file);

}  // namespace vexlan
