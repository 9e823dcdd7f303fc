// Start-up and shut-down of the main window and the housekeeping timer.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include <sys/stat.h>

#include "fake_controls.h"
#include "temp_dir.h"

namespace vexlan {
namespace {

namespace fs = std::filesystem;
using testing::link_rig;

const screen_twips screen_4000{4000, 3000, 2000, 1500};

// A rig whose application directory is a fresh one holding copies of the shipped catalogues.
struct app_rig : link_rig {
    testing::temp_dir app{"vexlan_lifecycle"};
    app_rig() {
        for (const auto& e : fs::directory_iterator(VEXLAN_DATA_DIR))
            if (e.path().extension() == ".ini") fs::copy_file(e.path(), app.path / e.path().filename());
        ctx.life.app_dir = app.str();
    }
    void load(bool done = true) {
        main_load(ctx, screen_4000);
        if (done) main_load_done(ctx);
    }
};

TEST(Lifecycle, StartUpRestoresTheRememberedChoiceAndOpensNothing) {
    app_rig rig;
    const settings s{1, "10.0.0.9", 3, 5000, 100, true, {"C:\\edid, copy.hex"}};  // saved on a larger screen
    ASSERT_EQ(settings_write(rig.app.file("Vexlan_ini.txt"), s), "");
    int lists = 0;
    rig.ctx.life.lists_init = [&] { ++lists; };
    main_load(rig.ctx, screen_4000);
    EXPECT_TRUE(rig.ctx.life.starting_up);
    main_load_done(rig.ctx);
    EXPECT_FALSE(rig.ctx.life.starting_up);

    auto& V = rig.ctx.view;
    const auto& L = rig.ctx.life;
    EXPECT_EQ(std::tuple(lists, V.cbo_interface_index, V.txt_eth_ip.caption, V.cbo_com_index, L.pre_files[0]),
              std::tuple(1, 1, "10.0.0.9", 2, "C:\\edid, copy.hex"));
    EXPECT_EQ(std::tuple(L.window.left, L.window.top), std::tuple(2000, 100));  // left: screen minus window width
    EXPECT_GT(rig.ctx.catalogue.timing_count, 0);  // the first family's catalogue
    EXPECT_TRUE(rig.timers.enabled(timer_id::tim_clock));
    EXPECT_TRUE(rig.tcp_ctl.connects.empty() && rig.serial_ctl.opened.empty() && rig.dialogs.messages.empty());
    EXPECT_FALSE(V.cmd_rs232_open.visible);
}

TEST(Lifecycle, MissingSettingsFileMeansDefaultsWithoutAMessage) {
    app_rig rig;
    rig.load(false);
    EXPECT_TRUE(rig.dialogs.messages.empty());
    EXPECT_EQ(std::tuple(rig.ctx.link.link_iface, rig.ctx.link.com_port, rig.ctx.life.window.left, rig.ctx.life.window.top),
              std::tuple(0, 1, 1000, 750));  // the window centred

    // A damaged one is reported; loading goes on with what could be read.
    app_rig damaged;
    ASSERT_EQ(damaged.app.put("Vexlan_ini.txt", "1\r\n\"1.2.3.4\"\r\nx\r\n"), "");
    damaged.load(false);
    ASSERT_EQ(damaged.dialogs.messages.size(), 1u);
    EXPECT_NE(damaged.dialogs.messages[0].find("Vexlan_ini.txt"), std::string::npos);
    EXPECT_EQ(std::tuple(damaged.ctx.link.eth_ip, damaged.ctx.link.link_iface), std::tuple("1.2.3.4", 1));
}

TEST(Lifecycle, CloseWritesSettingsAndTheFavouritesOfTheProfile) {
    app_rig rig;
    rig.load();
    rig.unit.model = "MRV-510";
    rig.connect_and_link();
    ASSERT_EQ(rig.ctx.catalogue.file_name, "m51_timing_pattern.ini");
    rig.ctx.catalogue.pattern_fav[17] = 2;
    rig.ctx.life.pre_files[9] = "/home/op/edid \"a\", b.bin";
    int closed_windows = 0;
    rig.ctx.life.close_windows = [&] { ++closed_windows; };

    EXPECT_TRUE(main_unload(rig.ctx, 1234, 567).empty());
    EXPECT_EQ(std::tuple(closed_windows, rig.ctx.link.app_closing), std::tuple(1, true));
    for (auto t : {timer_id::tim_clock, timer_id::tim_eth, timer_id::tim_monitor, timer_id::tim_rx})
        EXPECT_FALSE(rig.timers.enabled(t));

    const auto back = settings_read(rig.app.file("Vexlan_ini.txt"));
    EXPECT_TRUE(back.problems.empty());
    const auto& v = back.values;
    EXPECT_EQ(std::tuple(v.eth_ip, v.window_left, v.window_top, v.pre_files[9]),
              std::tuple("127.0.0.1", 1234, 567, "/home/op/edid \"a\", b.bin"));
    const std::string fav = rig.app.read("m51_timing_pattern_fav.ini");
    EXPECT_EQ(fav.substr(fav.size() - 3), "2\r\n");  // the last pattern favourite
}

TEST(Lifecycle, AFailedWriteAtCloseIsReturnedNotHidden) {
    app_rig rig;
    rig.load(false);
    rig.ctx.life.app_dir = rig.app.file("no/such/folder");
    const auto errors = main_unload(rig.ctx, 0, 0);
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_NE(errors[0].find("Vexlan_ini.txt"), std::string::npos);
    EXPECT_NE(errors[1].find("m41_timing_pattern_fav.ini"), std::string::npos);
}

// A settings file that cannot be read, or is damaged beyond use, is reported in one message of
// bounded size at start and kept at close (said once); start-up never blocks on it.
TEST(Lifecycle, AnUnusableSettingsFileIsKeptAtClose) {
    const std::string huge_line = "1\r\n\"" + std::string(5 << 20, 'x') + "\"\r\n3\r\n";
    std::string many_faults;
    for (int i = 0; i < 15; ++i) many_faults += "bad" + std::to_string(i) + "\r\n";
    // text: empty: a FIFO with no writer
    struct keep_case { const char* what; std::string text; };
    const keep_case cases[] = {{"FIFO", ""}, {"5 MB line", huge_line}, {"nothing usable", many_faults}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        app_rig rig;
        const std::string path = rig.app.file("Vexlan_ini.txt");
        if (c.text.empty())
            ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
        else
            ASSERT_EQ(write_file_atomic(path, c.text), "");
        rig.load(false);
        ASSERT_EQ(rig.dialogs.messages.size(), 1u);
        EXPECT_LT(rig.dialogs.messages[0].size(), 2000u);
        EXPECT_LE(std::count(rig.dialogs.messages[0].begin(), rig.dialogs.messages[0].end(), '\n'), 10);
        rig.ctx.link.eth_ip = "10.0.0.1";  // a change that is not written over the kept file
        const auto errors = main_unload(rig.ctx, 0, 0);
        ASSERT_EQ(errors.size(), 1u);
        EXPECT_NE(errors[0].find("Vexlan_ini.txt: not rewritten"), std::string::npos) << errors[0];
        if (!c.text.empty()) { EXPECT_EQ(rig.app.read("Vexlan_ini.txt"), c.text); }
        EXPECT_EQ(fs::is_fifo(path), c.text.empty());
    }
}

TEST(Lifecycle, SerialPortThatDisappearsIsClosedWithinASecond) {
    link_rig rig(0);
    const auto& ctl = rig.serial_ctl;
    cbo_interface_change(rig.ctx, 0);
    cmd_rs232_open_click(rig.ctx);
    ASSERT_TRUE(rig.ctx.link.com_open);
    ASSERT_EQ(rig.ctx.profile.model_index, 0);

    for (int i = 0; i < 10; ++i) tim_clock_tick(rig.ctx);  // port present: nothing happens
    EXPECT_EQ(std::tuple(rig.ctx.link.com_open, ctl.closes), std::tuple(true, 0));

    rig.serial.unplugged = true;
    for (int ticks = 0; rig.ctx.link.com_open && ticks < 10; ++ticks) tim_clock_tick(rig.ctx);  // within a second
    EXPECT_EQ(std::tuple(rig.ctx.link.com_open, ctl.closes, rig.ctx.view.cmd_rs232_open.color, rig.ctx.view.img_refresh.picture),
              std::tuple(false, 1, rgb_red, "refresh_off.bmp"));
    // the profile stays when the serial port closes; the housekeeping runs on
    EXPECT_EQ(std::tuple(rig.ctx.profile.model_index, rig.timers.enabled(timer_id::tim_clock)), std::tuple(0, true));
}

TEST(Lifecycle, ClosingWhileTheHousekeepingLinksLeavesTheClockStopped) {
    app_rig rig;
    rig.load();
    rig.unit.silent = true;  // a connection stands, no unit answers
    rig.connect_tcp();
    ASSERT_TRUE(rig.ctx.link.eth_connected);
    ASSERT_TRUE(rig.timers.enabled(timer_id::tim_clock));

    // The window is closed while the housekeeping waits for "$model?".
    fs::remove(rig.app.file("m41_timing_pattern_fav.ini"));  // a copy came with the catalogue
    std::vector<std::string> errors;
    rig.world.after(1000, [&] { errors = main_unload(rig.ctx, 0, 0); });
    tim_clock_tick(rig.ctx);
    EXPECT_TRUE(rig.ctx.link.app_closing && errors.empty());
    for (auto t : {timer_id::tim_clock, timer_id::tim_eth, timer_id::tim_monitor}) EXPECT_FALSE(rig.timers.enabled(t));
    EXPECT_TRUE(fs::exists(rig.app.file("m41_timing_pattern_fav.ini")));
    // no further sends once closing: the second "$model?" went out without a wait
    EXPECT_LE(rig.tcp.commands.size(), 2u);
}

}  // namespace
}  // namespace vexlan
