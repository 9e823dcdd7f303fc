#include "edid/edid_unit_ops.h"

#include "link/transaction.h"

namespace vexlan {

namespace {

// "1".."10" exactly: no blanks, no sign, no leading zero.
bool slot_number(std::string_view digits)
{
    if (digits == "10") return true;
    return digits.size() == 1 && digits[0] >= '1' && digits[0] <= '9';
}

std::string describe(const link_state& L)
{
    return "result " + std::to_string(L.cmd_result) + ", reply " + L.rx_param1 + "," + L.rx_param2;
}

edid_unit_outcome refused(const link_state& L, const std::string& what)
{
    edid_unit_outcome o;
    o.result = L.cmd_result;
    o.failure = what + " not accepted (" + describe(L) + ")";
    return o;
}

// Points the transaction at the bytes to send for as long as it lives.
struct write_image_guard {
    link_state& L;
    const std::array<std::uint8_t, edid_image_bytes>* before;
    write_image_guard(link_state& l, const std::array<std::uint8_t, edid_image_bytes>& image)
        : L(l), before(l.edid_write_image)
    {
        L.edid_write_image = &image;
    }
    ~write_image_guard() { L.edid_write_image = before; }
};

}  // namespace

bool edid_custom_token(std::string_view t) { return t.size() >= 2 && t[0] == 'c' && slot_number(t.substr(1)); }

bool edid_write_target_token(std::string_view t) { return t == "sink_h" || edid_custom_token(t); }

bool edid_rx_token(std::string_view t)
{
    return t == "sink" || edid_custom_token(t) || (t.size() >= 2 && t[0] == 'd' && slot_number(t.substr(1)));
}

std::string edid_trim_blanks(const std::string& s)
{
    const auto a = s.find_first_not_of(' ');
    if (a == std::string::npos) return "";
    return s.substr(a, s.find_last_not_of(' ') - a + 1);
}

std::string edid_slot_name_problem(const std::string& name)
{
    if (name.empty()) return "Wrong name";
    for (const char ch : name) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == ',' || c < 32 || c > 126) return "Wrong name";
    }
    return "";
}

edid_unit_outcome edid_blocks_write(app_context& ctx, const std::string& token,
                                    const std::array<std::uint8_t, edid_image_bytes>& image)
{
    auto& L = ctx.link;
    write_image_guard guard(L, image);
    for (const char* block : {"block0", "block1"}) {
        cmdtx_str(ctx, "$edid_write " + token + "," + block + "\r\n");
        if (L.cmd_result != 1 || L.rx_param1 != token || L.rx_param2 != block)
            return refused(L, std::string("$edid_write ") + token + "," + block);
    }
    edid_unit_outcome o;
    o.ok = true;
    o.result = 1;
    return o;
}

std::optional<std::string> edid_slot_name_read(app_context& ctx, const std::string& token)
{
    const auto& L = ctx.link;
    cmdtx_str(ctx, "$edid_name? " + token + "\r");
    if (L.cmd_result != 1 || L.rx_param1 != token) return std::nullopt;
    // A store without a name is answered with the parameter missing.
    return L.rx_param2 == "None" ? std::string() : L.rx_param2;
}

std::optional<std::string> edid_rx_read(app_context& ctx)
{
    const auto& L = ctx.link;
    cmdtx_str(ctx, "$edid_rx?\r");
    if (L.cmd_result != 1 || !edid_rx_token(L.rx_param1)) return std::nullopt;
    return L.rx_param1;
}

edid_unit_outcome edid_slot_rename(app_context& ctx, const std::string& token, const std::string& name)
{
    const auto& L = ctx.link;
    const std::string line = "$edid_name " + token + "," + name;
    cmdtx_str(ctx, line + "\r");
    if (L.cmd_result != 1 || edid_trim_blanks(L.rx_param2) != name) return refused(L, line);
    edid_unit_outcome o;
    o.ok = true;
    o.result = 1;
    o.name = name;
    return o;
}

edid_unit_outcome edid_rx_choose(app_context& ctx, const std::string& token)
{
    const auto& L = ctx.link;
    const std::string line = "$edid_rx " + token;
    cmdtx_str(ctx, line + "\r");
    if (L.cmd_result != 1) return refused(L, line);
    edid_unit_outcome o;
    o.ok = true;
    o.result = 1;
    return o;
}

edid_unit_outcome edid_sink_copy(app_context& ctx, const std::string& token)
{
    const auto& L = ctx.link;
    const std::string line = "$edid_copy_sink " + token;
    cmdtx_str(ctx, line + "\r");
    if (L.cmd_result == 3) {
        edid_unit_outcome o = refused(L, line);
        o.failure = "Copy fail ! (" + describe(L) + ")";
        return o;
    }
    if (L.cmd_result != 1) return refused(L, line);
    edid_unit_outcome o;
    o.ok = true;
    o.result = 1;
    if (auto name = edid_slot_name_read(ctx, token)) o.name = *name;
    return o;
}

}  // namespace vexlan
