// Ethernet discovery: the reply parser against well-formed and hostile datagrams, and the list
// with its socket, its error label and the double click that connects.
#include <gtest/gtest.h>

#include "fake_controls.h"
#include "link/discovery.h"

namespace vexlan {
namespace {

using testing::link_rig;
using bytes = std::vector<std::uint8_t>;

bytes rec(std::uint8_t type, const bytes& value) {
    bytes b{type, static_cast<std::uint8_t>(value.size())};
    b.insert(b.end(), value.begin(), value.end());
    return b;
}
bytes text(const std::string& s) { return bytes(s.begin(), s.end()); }
bytes cat(std::initializer_list<bytes> parts) {
    bytes out{0x02, 0x00};  // header
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}
const bytes mac{0x00, 0x0A, 0xFF, 0x10, 0x20, 0x30};
const bytes ip{192, 168, 1, 77};

std::optional<discovery_row> parse(const bytes& b) { return discovery_reply_parse(b.data(), b.size()); }

// Records of IP, Name and an empty Des.; a reply of just these.
bytes named_recs(const std::string& name, const bytes& addr = ip) {
    bytes b = cat({rec(3, addr), rec(13, text(name)), rec(14, {})});
    return {b.begin() + 2, b.end()};
}
bytes named(const std::string& name, const bytes& addr = ip) { return cat({named_recs(name, addr)}); }

TEST(Discovery, ReplyTableWellFormedAndHostile) {
    // ip: nullptr: not listed
    struct row { const char* what; bytes datagram; const char* ip; const char* mac; };
    const char* const listed = "192.168.1.77";
    const bytes full = cat({rec(2, mac), rec(3, ip), rec(13, text("MRV-510")), rec(14, text("desc"))});
    bytes cut_des = full;
    cut_des.resize(full.size() - 2);  // Des. value runs past the end
    const char* const mac_text = "00:0A:FF:10:20:30";
    const row rows[] = {
        {"MAC, IP, Name, Des.", full, listed, mac_text},
        {"an empty Des. record last", cat({rec(2, mac), rec(3, ip), rec(13, text("DN-7")), bytes{14, 0}}), listed, mac_text},
        {"Name DN-6P (second family)", named("DN-6P"), listed, ""}, {"Name 736", named("736"), listed, ""},
        {"Name MRV-410L", named("MRV-410L"), listed, ""},
        {"Name Pattern Gen.L cut to 12", named("Pattern Gen.L"), listed, ""},
        {"blanks and NULs around DN-7", named(std::string("  DN-7\0\0\0\0\0\0", 12)), listed, ""},
        {"unknown types skipped", cat({rec(99, text("zzz")), rec(0, {}), named_recs("735")}), listed, ""},
        {"longer MAC and IP: first bytes", cat({rec(2, {1, 2, 3, 4, 5, 6, 7, 8}), named_recs("DN-7", {10, 0, 0, 1, 9})}),
         "10.0.0.1", "01:02:03:04:05:06"},
        {"unknown model", named("XYZ-1"), nullptr, ""},
        {"no Des.", cat({rec(2, mac), rec(3, ip), rec(13, text("MRV-510"))}), nullptr, ""},
        {"Des. first", cat({rec(14, {}), rec(2, mac), rec(3, ip), rec(13, text("MRV-510"))}), nullptr, ""},
        {"no IP", cat({rec(2, mac), rec(13, text("MRV-510")), rec(14, {})}), nullptr, ""},
        {"short MAC", cat({rec(2, {1, 2, 3}), named_recs("MRV-510")}), nullptr, ""},
        {"short IP", named("MRV-510", {1, 2}), nullptr, ""},
        {"Des. value past the end", cut_des, nullptr, ""},
        {"IP value past the end", bytes{0, 0, 3, 200, 1, 2, 3, 4}, nullptr, ""},
        {"length 255 in the last byte", bytes{0, 0, 13, 255}, nullptr, ""}, {"empty", bytes{}, nullptr, ""},
        {"one byte", bytes{1}, nullptr, ""}, {"header only", bytes{1, 0}, nullptr, ""},
        {"half a record header", bytes{1, 0, 14}, nullptr, ""},
        {"the request itself", bytes{0x01, 0x00, 0xFF, 0xFF}, nullptr, ""},
    };
    for (const auto& r : rows) {
        const auto got = parse(r.datagram);
        ASSERT_EQ(got.has_value(), r.ip != nullptr) << r.what;
        if (got) { EXPECT_EQ(std::tuple(got->ip, got->mac), std::tuple(r.ip, r.mac)) << r.what; }
    }
    EXPECT_FALSE(discovery_reply_parse(nullptr, 10).has_value());
}

// A datagram socket that records what it was told and can refuse to bind.
struct fake_datagrams : datagram_port {
    std::vector<std::uint16_t> binds;
    std::vector<std::tuple<std::string, std::uint16_t, std::string>> sent;  // host, port, bytes
    std::string bind_error;
    std::uint16_t bound = 0;

    std::string bind(std::uint16_t port) override {
        binds.push_back(port);
        if (bind_error.empty()) bound = port ? port : 40000;
        return bind_error;
    }
    void close() override { bound = 0; }
    std::string send_to(const std::string& host, std::uint16_t port, const std::string& b) override {
        sent.emplace_back(host, port, b);
        return {};
    }
    std::uint16_t local_port() const override { return bound; }
    void arrive(const bytes& b) { on_datagram(std::string(b.begin(), b.end())); }
};

struct disc_rig : link_rig {
    fake_datagrams udp;
    disc_rig() {
        ctx.discovery.port = &udp;
        discovery_hooks_install(ctx);
    }
};

TEST(Discovery, FindShowsTheListAndSendsTheRequestRowsArriveRefreshEmptiesDoubleClickConnects) {
    disc_rig rig;
    rig.ctx.discovery.target_host = "127.0.0.1";
    rig.ctx.discovery.target_port = 41001;
    rig.ctx.discovery.local_port = 0;
    auto shown = [&] { return std::pair(rig.ctx.view.fra_discovery.visible, rig.ctx.view.cmd_eth_refresh.enabled); };
    hook_call(rig.ctx.hooks.eth_find_click);
    EXPECT_EQ(shown(), std::pair(true, true));
    EXPECT_EQ(rig.udp.binds, (std::vector<std::uint16_t>{0}));
    const auto request = std::make_tuple(std::string("127.0.0.1"), std::uint16_t{41001}, std::string("\x01\x00\xFF\xFF", 4));
    EXPECT_EQ(rig.udp.sent, (decltype(rig.udp.sent){request}));

    const bytes reply = cat({rec(2, mac), named_recs("MRV-410", {127, 0, 0, 1})});
    rig.udp.arrive(reply);
    rig.udp.arrive(reply);  // no duplicate check
    rig.udp.arrive(named("nope"));
    EXPECT_EQ(std::tuple(rig.ctx.discovery.rows.size(), rig.ctx.discovery.counter, rig.ctx.discovery.lab_discovery_error.visible),
              std::tuple(2u, 2, false));

    hook_call(rig.ctx.hooks.eth_refresh_click);
    EXPECT_TRUE(rig.ctx.discovery.rows.empty());
    EXPECT_EQ(rig.udp.sent, (decltype(rig.udp.sent){request, request}));
    hook_call(rig.ctx.hooks.eth_find_click);
    EXPECT_EQ(shown(), std::pair(false, false));

    // a double click connects to the row unless busy
    cbo_interface_change(rig.ctx, 1);
    cmd_eth_find_click(rig.ctx);
    rig.udp.arrive(cat({rec(2, mac), named_recs("MRV-510", {127, 0, 0, 1})}));
    rig.ctx.tasks.poll_busy = true;
    lstv_discovery_dbl_click(rig.ctx, 0);
    EXPECT_TRUE(rig.tcp_ctl.connects.empty() && rig.ctx.view.fra_discovery.visible);
    rig.ctx.tasks.poll_busy = false;
    lstv_discovery_dbl_click(rig.ctx, 5);  // no such row
    EXPECT_TRUE(rig.tcp_ctl.connects.empty());

    lstv_discovery_dbl_click(rig.ctx, 0);
    ASSERT_FALSE(rig.tcp_ctl.connects.empty());
    EXPECT_EQ(std::tuple(rig.ctx.view.txt_eth_ip.caption, rig.tcp_ctl.connects.back().first, rig.ctx.link.eth_connected),
              std::tuple("127.0.0.1", "127.0.0.1", true));
    EXPECT_FALSE(rig.ctx.view.fra_discovery.visible || rig.ctx.view.cmd_eth_refresh.enabled);
}

TEST(Discovery, APortInUseIsReportedInRedNotShownAsAnEmptyList) {
    disc_rig rig;
    rig.udp.bind_error = "The address is protected";
    cmd_eth_find_click(rig.ctx);
    const auto& label = rig.ctx.discovery.lab_discovery_error;
    EXPECT_EQ(std::tuple(label.visible, label.color, rig.udp.sent.size()), std::tuple(true, rgb_red, 0u));
    EXPECT_NE(label.caption.find("31002"), std::string::npos) << label.caption;
    rig.udp.bind_error.clear();
    cmd_eth_refresh_click(rig.ctx);
    EXPECT_FALSE(label.visible);
}

}  // namespace
}  // namespace vexlan
