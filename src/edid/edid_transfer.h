// Reading an EDID from one of the unit's stores, block by block, with the EDID data phase of
// the command transaction.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "link/app_context.h"

namespace vexlan {

struct edid_read_result {
    bool ok = false;          // every block that was due arrived and was accepted
    int blocks_read = 0;
    std::array<std::uint8_t, edid_image_bytes> image{};
    int edid_size = 0;        // set only when ok
    std::string text;         // the READ window text: a separator line only between blocks
    std::string failure;      // why the read stopped, when not ok
};

// Reads block 0 and block 1 of the store `token`; for "sink_h" also blocks 2 and 3 as the
// extension count asks. A block that is not accepted ends the read; the blocks received so far
// stay in the result.
edid_read_result edid_read_from_unit(app_context& ctx, const std::string& token);

}  // namespace vexlan
