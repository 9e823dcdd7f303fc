// EDID operations on the unit's stores, one transaction sequence each, without any page state:
// writing blocks 0 and 1, reading slot names and the Rx EDID, renaming a custom store, choosing
// the Rx EDID and copying the HDMI sink's EDID. The command-line tool uses them directly.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "link/app_context.h"

namespace vexlan {

// Slot tokens, exactly as the unit spells them (no blanks, no leading zeros).
bool edid_custom_token(std::string_view token);        // c1..c10
bool edid_write_target_token(std::string_view token);  // sink_h, c1..c10
bool edid_rx_token(std::string_view token);            // sink, d1..d10, c1..c10

// A custom store's name as the operator typed it, trimmed of blanks; "" when it can be sent,
// else "Wrong name" (empty, a ",", which would split the command, or a byte outside 32..126).
std::string edid_slot_name_problem(const std::string& trimmed);
std::string edid_trim_blanks(const std::string& s);

struct edid_unit_outcome {
    bool ok = false;
    int result = 0;        // cmd_result of the transaction that decided
    std::string failure;   // why it did not succeed, naming the command
    std::string name;      // a store's name, where the operation learns one
};

// Writes bytes 0..255 of `image` as block0 and block1 of `token` (sink_h or c1..c10); block1 is
// sent only after block0 was accepted. A block is accepted when the reply echoes the token and
// the block. The transaction reads the bytes from `image` while it sends.
edid_unit_outcome edid_blocks_write(app_context& ctx, const std::string& token,
                                    const std::array<std::uint8_t, edid_image_bytes>& image);

// "$edid_name? TOKEN": the store's name when the reply is accepted and echoes the token.
std::optional<std::string> edid_slot_name_read(app_context& ctx, const std::string& token);

// "$edid_rx?": the Rx EDID token when the reply is accepted and is exactly one of sink,
// d1..d10, c1..c10.
std::optional<std::string> edid_rx_read(app_context& ctx);

// "$edid_name cN,NAME": succeeds when accepted and the reply's second parameter, trimmed,
// equals the name.
edid_unit_outcome edid_slot_rename(app_context& ctx, const std::string& token, const std::string& name);

// "$edid_rx TOKEN": succeeds only when the unit accepts it.
edid_unit_outcome edid_rx_choose(app_context& ctx, const std::string& token);

// "$edid_copy_sink cN", then the store's new name. An error reply is "Copy fail !".
edid_unit_outcome edid_sink_copy(app_context& ctx, const std::string& token);

}  // namespace vexlan
