// Serial and TCP transports: the link choice, opening the serial port, the IP address check, TCP
// connect, supervision and the one reconnect of a lost connection.
#include <gtest/gtest.h>

#include "fake_controls.h"

namespace vexlan {
namespace {

using testing::link_rig;

TEST(Transports, IpAddressIsTrimmedSplitIntoFourFieldsAndNormalised) {
    // expect: "" = rejected
    struct row { const char* text; const char* expect; };
    const row rows[] = {{" 192.168.001.010 ", "192.168.1.10"}, {"300.1.1.1", "300.1.1.1"}, {"12x.7y.0.00", "12.7.0.0"},
                        {"...", "0.0.0.0"}, {"10.0.0", ""}, {"1.2.3.4.5", ""}, {"", ""}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.text);
        link_rig rig;
        rig.ctx.link.eth_ip = "10.1.1.1";
        rig.ctx.view.txt_eth_ip.caption = r.text;
        const bool ok = *r.expect != 0;
        EXPECT_EQ(eth_ip_check(rig.ctx), ok);
        // Rejected while not connected: the box is kept, the address in use too.
        EXPECT_EQ(std::tuple(rig.ctx.view.txt_eth_ip.caption, rig.ctx.link.eth_ip),
                  std::tuple(ok ? r.expect : r.text, ok ? r.expect : "10.1.1.1"));
        EXPECT_EQ(rig.dialogs.messages, ok ? std::vector<std::string>{} : std::vector<std::string>{"Wrong IP address."});
        EXPECT_EQ(rig.dialogs.icons, ok ? std::vector<msg_icon>{} : std::vector<msg_icon>{msg_icon::critical});
    }
    // While connected a rejected text is replaced by the address in use.
    link_rig rig;
    rig.connect_tcp("10.0.0.7");
    rig.ctx.view.txt_eth_ip.caption = "10.0.0";
    EXPECT_FALSE(eth_ip_check(rig.ctx));
    EXPECT_EQ(rig.ctx.view.txt_eth_ip.caption, "10.0.0.7");
}

TEST(Transports, LinkChoiceShowsOneSetOfControlsAndClosesTheOtherLink) {
    link_rig rig(0);
    auto& V = rig.ctx.view;
    const control_view off{"", rgb_grey, false, false, ""};
    const control_view ready{"", rgb_red, true, true, "Click to connect unit"};
    // serial button, port list shown, Ethernet button, address box shown
    auto controls = [&] {
        return std::tuple(V.cmd_rs232_open, V.cbo_com.visible, V.cmd_eth_open, V.txt_eth_ip.visible);
    };
    auto named = [](control_view v, const char* caption) { v.caption = caption; return v; };
    cbo_interface_change(rig.ctx, 0);
    cmd_rs232_open_click(rig.ctx);
    ASSERT_TRUE(rig.ctx.link.com_open);

    cbo_interface_change(rig.ctx, 1);
    EXPECT_FALSE(rig.ctx.link.com_open || rig.serial.open);
    EXPECT_EQ(controls(), std::tuple(named(off, "Open"), false, named(ready, "Connect"), true));

    rig.connect_tcp();
    ASSERT_TRUE(rig.ctx.link.eth_connected);
    cbo_interface_change(rig.ctx, 0);
    EXPECT_FALSE(rig.ctx.link.eth_connected);
    EXPECT_EQ(rig.tcp_ctl.state, 0);
    EXPECT_FALSE(rig.timers.enabled(timer_id::tim_eth) || !rig.dialogs.messages.empty());
    EXPECT_EQ(controls(), std::tuple(named(ready, "Open"), true, named(off, "Connect"), false));
}

TEST(Transports, SerialOpenSendsBootAndLinksThenTheButtonCloses) {
    link_rig rig(0);
    cbo_interface_change(rig.ctx, 0);
    rig.unit.model = "MRV-510";
    cmd_rs232_open_click(rig.ctx);
    EXPECT_EQ(std::tuple(rig.serial_ctl.opened, rig.ctx.link.com_open, rig.ctx.profile.model_index),
              std::tuple(std::vector<int>{1}, true, 2));
    ASSERT_GE(rig.serial.commands.size(), 5u);
    EXPECT_EQ(rig.serial.commands[0] + rig.serial.commands[1], "$boot?\r$model?\r");
    EXPECT_EQ(rig.ctx.view.cmd_rs232_open, (control_view{"Close", rgb_green, true, true, "Click to disconnect unit"}));

    // A unit that does not answer "$boot?": no refresh, no link.
    link_rig quiet(0);
    cbo_interface_change(quiet.ctx, 0);
    quiet.unit.silent = true;
    cmd_rs232_open_click(quiet.ctx);
    EXPECT_EQ(quiet.serial.commands, (std::vector<std::string>{"$boot?\r", "$boot?\r"}));
    EXPECT_TRUE(quiet.ctx.link.com_open);

    // Clicking again closes the port and shows the link down.
    cmd_rs232_open_click(rig.ctx);
    EXPECT_FALSE(rig.serial.open || rig.ctx.link.com_open);
    EXPECT_EQ(rig.ctx.view.cmd_rs232_open, (control_view{"Open", rgb_red, true, true, "Click to connect unit"}));
    EXPECT_EQ(rig.ctx.view.img_refresh.picture, "refresh_off.bmp");

    // A port that cannot be opened is reported with its number.
    link_rig fails(0);
    cbo_interface_change(fails.ctx, 0);
    fails.serial_ctl.fail = true;
    fails.ctx.link.com_port = 3;
    cmd_rs232_open_click(fails.ctx);
    EXPECT_EQ(fails.dialogs.messages, std::vector<std::string>{"RS-232 can not work on COM 3: !"});
    EXPECT_FALSE(fails.ctx.link.com_open || !fails.serial.commands.empty());
}

TEST(Transports, PortChoiceRemembersTheNumberAndReopens) {
    link_rig rig(0);
    cbo_interface_change(rig.ctx, 0);
    rig.ctx.life.starting_up = true;
    cbo_com_change(rig.ctx, 4);
    EXPECT_EQ(rig.ctx.link.com_port, 5);
    EXPECT_TRUE(rig.serial_ctl.opened.empty());  // start-up: only the number

    rig.ctx.life.starting_up = false;
    cbo_com_change(rig.ctx, 2);  // closed: remembers and opens
    EXPECT_EQ(std::tuple(rig.serial_ctl.opened, rig.ctx.link.com_open), std::tuple(std::vector<int>{3}, true));
    const int closes = rig.serial_ctl.closes;
    cbo_com_change(rig.ctx, 6);  // open: closes first, then opens the new number
    EXPECT_EQ(rig.serial_ctl.opened, (std::vector<int>{3, 7}));
    EXPECT_GT(rig.serial_ctl.closes, closes);
    EXPECT_TRUE(rig.ctx.view.cbo_com.enabled);
}

TEST(Transports, TcpConnectResetsTheModelAndHousekeepingLinksTheUnit) {
    link_rig rig;
    rig.ctx.transport.unit_port = 4023;
    rig.ctx.profile.model_index = 0;  // a unit linked before
    rig.unit.model = "MRV-510";
    rig.unit.task = "analyser";
    rig.connect_tcp("192.168.001.010");

    ASSERT_FALSE(rig.tcp_ctl.connects.empty());
    EXPECT_EQ(rig.tcp_ctl.connects.back(), (std::pair<std::string, int>{"192.168.1.10", 4023}));
    // connected, to be linked, supervised
    EXPECT_EQ(std::tuple(rig.ctx.link.eth_connected, rig.ctx.profile.model_index, rig.timers.interval(timer_id::tim_eth)),
              std::tuple(true, int{model_none}, 100));
    EXPECT_EQ(rig.ctx.view.cmd_eth_open, (control_view{"Disconnect", rgb_green, true, true, "Click to disconnect unit"}));

    EXPECT_TRUE(rig.tcp.commands.empty());
    rig.timers.set_enabled(timer_id::tim_clock, true);
    tim_clock_tick(rig.ctx);
    EXPECT_EQ(rig.tcp.commands,
              (std::vector<std::string>{"$model?\r", "$board_id?\r", "$fwver?\r", "$task_mode?\r"}));
    EXPECT_EQ(std::tuple(rig.ctx.profile.model_index, rig.ctx.view.img_refresh.picture, rig.dialogs.messages.size()),
              std::tuple(2, "refresh_on.bmp", 0u));

    // Linked: the housekeeping tick sends nothing more.
    tim_clock_tick(rig.ctx);
    EXPECT_EQ(rig.tcp.commands.size(), 4u);
}

TEST(Transports, ConnectAttemptThatIsNeverAnsweredEndsWithAMessage) {
    link_rig rig;
    rig.tcp_ctl.accept = false;
    rig.connect_tcp();
    // connected, button colour (yellow: still trying), supervision interval and timer running
    auto state = [&] {
        return std::tuple(rig.ctx.link.eth_connected, rig.ctx.view.cmd_eth_open.color,
                          rig.timers.interval(timer_id::tim_eth), rig.timers.enabled(timer_id::tim_eth));
    };
    EXPECT_EQ(state(), std::tuple(false, rgb_yellow, 7000, true));
    tim_eth_tick(rig.ctx);  // the 7000 ms ran out
    EXPECT_EQ(rig.dialogs.messages, std::vector<std::string>{"Client could not find Server."});
    EXPECT_EQ(state(), std::tuple(false, rgb_red, 7000, false));
    EXPECT_EQ(std::tuple(rig.tcp_ctl.state, rig.ctx.view.cmd_eth_open.tool_tip), std::tuple(0, "Click to connect unit"));
}

// A lost connection, noticed by its close event or by supervision alone, gets exactly one
// reconnect; only when that fails is the link closed and the loss reported.
TEST(Transports, LostConnectionIsReestablishedOnceOrReported) {
    struct row { bool close_event; bool reconnects; const char* message; };
    for (const row& r : {row{true, true, ""}, row{true, false, "Ethernet is disconnected !!"},
                         row{false, true, ""}, row{false, false, "Ethernet is disconnected !"}}) {
        SCOPED_TRACE(std::string(r.close_event ? "close event" : "silent loss") + (r.reconnects ? ", back" : ", gone"));
        link_rig rig;
        rig.connect_and_link();
        ASSERT_EQ(rig.ctx.profile.model_index, 0);
        tim_eth_tick(rig.ctx);  // connected: supervision does nothing
        const auto connects = rig.tcp_ctl.connects.size();
        ASSERT_TRUE(rig.ctx.link.eth_connected);
        rig.tcp_ctl.accept = r.reconnects;
        if (r.close_event) {
            rig.tcp_ctl.far_end_closes();
        } else {
            rig.tcp_ctl.lose_silently();
            tim_eth_tick(rig.ctx);
        }
        EXPECT_EQ(std::tuple(rig.tcp_ctl.connects.size(), rig.ctx.link.eth_connected, rig.timers.enabled(timer_id::tim_eth)),
                  std::tuple(connects + 1, r.reconnects, r.reconnects));
        EXPECT_EQ(rig.dialogs.messages, *r.message ? std::vector<std::string>{r.message} : std::vector<std::string>{});
        if (r.reconnects) EXPECT_EQ(rig.ctx.profile.model_index, model_none);  // to be linked again
        else EXPECT_EQ(rig.ctx.view.cmd_eth_open.color, rgb_red);
    }
}

TEST(Transports, EthernetButtonAndEnterInTheAddressBox) {
    link_rig rig;
    cbo_interface_change(rig.ctx, 1);
    rig.ctx.view.txt_eth_ip.caption = "1.2.3";
    cmd_eth_open_click(rig.ctx);
    EXPECT_TRUE(rig.tcp_ctl.connects.empty());
    EXPECT_EQ(rig.dialogs.messages, std::vector<std::string>{"Wrong IP address."});

    rig.dialogs.messages.clear();
    rig.connect_tcp("127.0.0.1");
    ASSERT_TRUE(rig.ctx.link.eth_connected);
    cmd_eth_open_click(rig.ctx);  // connected: closes
    EXPECT_EQ(std::tuple(rig.ctx.link.eth_connected, rig.ctx.view.cmd_eth_open.color), std::tuple(false, rgb_red));

    // Enter: closes, waits, connects to the new address.
    rig.ctx.view.txt_eth_ip.caption = "127.000.000.002";
    const auto start = rig.world.now;
    txt_eth_ip_enter(rig.ctx);
    EXPECT_GE(rig.world.now - start, 1000u);  // two waits of half a second
    EXPECT_EQ(std::tuple(rig.ctx.link.eth_connected, rig.tcp_ctl.connects.back().first, rig.dialogs.messages.size()),
              std::tuple(true, "127.0.0.2", 0u));
}

}  // namespace
}  // namespace vexlan
