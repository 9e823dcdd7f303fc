#include "edid/edid_transfer.h"

#include <cstdio>

#include "edid/edid_files.h"
#include "link/transaction.h"

namespace vexlan {

namespace {

// Reads one block into the result; false when the block was not accepted.
bool read_block(app_context& ctx, const std::string& token, int block, edid_read_result& r) {
    const std::string block_token = "block" + std::to_string(block);
    cmdtx_str(ctx, "$edid_read " + token + "," + block_token + "\r");
    auto& L = ctx.link;
    if (L.cmd_result != 1 || L.rx_param1 != token || L.rx_param2 != block_token ||
        L.rx_count != rx_edid_data_length) {
        char buf[160];
        std::snprintf(buf, sizeof buf, "%s of %s not accepted (result %d, reply %s,%s, %d data characters)",
                      block_token.c_str(), token.c_str(), L.cmd_result, L.rx_param1.c_str(),
                      L.rx_param2.c_str(), L.rx_count);
        r.failure = buf;
        return false;
    }
    static const char digits[] = "0123456789ABCDEF";
    for (int i = 0; i < 128; ++i) {
        const std::size_t at = static_cast<std::size_t>(3 * i);
        const std::uint8_t v = edid_hex_pair_value(L.rx_data[at], L.rx_data[at + 1]);
        const int index = block * 128 + i;
        r.image[static_cast<std::size_t>(index)] = v;
        r.text += digits[v >> 4];
        r.text += digits[v & 15];
        r.text += ' ';
        if (i % 8 == 7) {
            char comment[8];
            std::snprintf(comment, sizeof comment, "//%-3X", static_cast<unsigned>(index));
            r.text += comment;
            r.text += "\r\n";
        }
    }
    ++r.blocks_read;
    return true;
}

}  // namespace

edid_read_result edid_read_from_unit(app_context& ctx, const std::string& token) {
    edid_read_result r;  // the image starts all zero, so bytes of blocks never read are defined
    const std::string separator = std::string(29, ' ') + "\r\n";
    struct edid_mode_guard {
        link_state& L;
        explicit edid_mode_guard(link_state& l) : L(l) { L.rx_edid_mode = true; }
        ~edid_mode_guard() { L.rx_edid_mode = false; }
    } guard{ctx.link};

    if (!read_block(ctx, token, 0, r)) return r;
    r.text += separator;
    if (!read_block(ctx, token, 1, r)) return r;
    const int ext = r.image[126];
    if (token == "sink_h") {
        if (ext >= 2) {
            r.text += separator;
            if (!read_block(ctx, token, 2, r)) return r;
            if (ext >= 3) {
                r.text += separator;
                if (!read_block(ctx, token, 3, r)) return r;
            }
        }
    }
    r.edid_size = ext == 2 ? 384 : ext == 3 ? 512 : 256;
    if (ext == 0) {
        bool all_ff = true;
        for (int i = 128; i < 256; ++i) all_ff = all_ff && r.image[static_cast<std::size_t>(i)] == 0xFF;
        if (all_ff) r.edid_size = 128;
    }
    r.ok = true;
    return r;
}

}  // namespace vexlan
