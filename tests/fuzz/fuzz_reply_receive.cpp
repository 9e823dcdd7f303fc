// libFuzzer target: arbitrary bytes from the unit, in arbitrary pieces, as the reply to a command
// (ordinary, EDID read or terminal listing), over either link.
#include <cstdlib>
#include <string>

#include "../unit/fake_ports.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace vexlan;
    using namespace vexlan::testing;
    if (size < 2) return 0;
    const std::uint8_t flags = data[0];
    const std::size_t piece = 1 + data[1] % 64;
    const std::string reply(reinterpret_cast<const char*>(data + 2), size - 2);

    fake_rig rig((flags & 1) ? 0 : 1);
    rig.ctx.link.rx_edid_mode = (flags & 2) != 0;
    rig.ctx.link.term_raw = (flags & 4) != 0;
    rig.ctx.link.term_visible = (flags & 8) != 0;
    const bool silent_second = (flags & 16) != 0;
    int sends = 0;
    rig.link().unit = [&](const std::string&) {
        std::vector<reply_chunk> chunks;
        if (silent_second && sends++ > 0) return chunks;
        for (std::size_t at = 0; at < reply.size(); at += piece) chunks.push_back({1, reply.substr(at, piece)});
        return chunks;
    };
    const std::string line = (flags & 2) ? "$edid_read sink_h,block0\r" : (flags & 4) ? "$help\r" : "$timing? 1\r";
    const int result = cmdtx_str(rig.ctx, line);

    const auto& L = rig.ctx.link;
    if (result < 1 || result > 3) std::abort();
    if (L.cmd_busy || L.wire != nullptr) std::abort();              // the transaction let go
    if (rig.link().writes.size() < 1 || rig.link().writes.size() > 2) std::abort();
    if (L.rx_param1.empty() || L.rx_param2.empty() || L.rx_param3.empty()) std::abort();  // "None", never empty
    // the data phase keeps data characters only, never more than 386, and counts exactly those
    // (an error header ends the read before it: its count is the header's)
    if (L.rx_data.size() > rx_edid_data_length) std::abort();
    if (!L.rx_data.empty() && static_cast<std::size_t>(L.rx_count) != L.rx_data.size()) std::abort();
    if (result != 2 && L.rx_line.size() > reply.size()) std::abort();  // nothing invented
    return 0;
}
