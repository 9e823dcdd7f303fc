// The colour calibration dialog: reading colour and values, choosing a colour, sliders and boxes.
#include <gtest/gtest.h>

#include "output_rig.h"

namespace vexlan {
namespace {

using testing::lines;
using testing::output_rig;

struct cal_rig : output_rig {
    cal_rig() : output_rig(1, 1) {
        unit.values = {{"color_cal_color", "yellow"}, {"color_cal_level", "128"}, {"color_cal_red", "10"},
                       {"color_cal_green", "20"}, {"color_cal_blue", "30"}};
    }
    const color_cal_row_view& row(int r) const { return ctx.color_cal.rows[static_cast<std::size_t>(r)]; }
};

// Mend: values read from the unit are shown without sending anything, and the colour selected by
// a refresh is not sent back.
TEST(ColorCalibrate, OpeningAndRefreshReadWithoutSending) {
    cal_rig rig;
    EXPECT_EQ(rig.sent_by([&] { color_cal_load(rig.ctx); }), (lines{"$color_cal_color?\r", "$color_cal_level?\r"}));
    EXPECT_EQ(rig.ctx.color_cal.cbo_color, 4);
    EXPECT_EQ(rig.row(row_level).slider, 128);
    EXPECT_EQ(rig.row(row_level).box, "128");
    EXPECT_TRUE(rig.row(row_level).enabled);
    EXPECT_FALSE(rig.row(row_red).enabled);

    rig.unit.values["color_cal_color"] = "user";
    EXPECT_EQ(rig.sent_by([&] { color_cal_refresh(rig.ctx); }), (lines{"$color_cal_color?\r", "$color_cal_red?\r",
                                                              "$color_cal_green?\r", "$color_cal_blue?\r"}));
    EXPECT_EQ(rig.ctx.color_cal.cbo_color, 7);
    EXPECT_EQ(rig.row(row_blue).slider, 30);
    EXPECT_FALSE(rig.row(row_level).enabled);

    // a colour that matches no entry leaves selection and rows as they are
    rig.unit.values["color_cal_color"] = "err";
    color_cal_refresh(rig.ctx);
    EXPECT_EQ(rig.ctx.color_cal.cbo_color, 7);
    EXPECT_FALSE(rig.row(row_level).enabled);
}

// Mend: only integers 0..255 from the unit are applied; anything else leaves the row.
TEST(ColorCalibrate, OnlyValuesZeroToTwoFiftyFiveAreApplied) {
    const std::pair<std::string, int> rows[] = {{"0", 0}, {"255", 255}, {"256", 77}, {"-1", 77}, {"None", 77},
                                                {"12a", 77}, {"99999999999", 77}, {"", 77}, {"7.5", 77}};
    for (const auto& [report, shown] : rows) {
        cal_rig rig;
        rig.ctx.color_cal.rows[row_level].slider = 77;
        rig.unit.values["color_cal_level"] = report;
        const auto from = rig.mark();
        color_cal_levels_get(rig.ctx, 0);
        EXPECT_EQ(rig.row(row_level).slider, shown) << report;
        EXPECT_EQ(rig.sent_since(from).size(), 1u) << report;
    }
    // a failed query in the "User" case skips the rest
    cal_rig rig;
    rig.unit.silent.insert("$color_cal_green?");
    const auto from = rig.mark();
    color_cal_levels_get(rig.ctx, 7);
    EXPECT_EQ(rig.row(row_red).slider, 10);
    EXPECT_EQ(rig.row(row_blue).slider, 0);
    EXPECT_EQ(rig.sent_since(from).back(), "$color_cal_green?\r");
}

TEST(ColorCalibrate, ChoosingAColourSendsItsTextAndReadsItsRows) {
    cal_rig rig;
    EXPECT_EQ(rig.sent_by([&] { color_cal_color_choose(rig.ctx, 4); }),
              (lines{"$color_cal_color Yellow\r", "$color_cal_level?\r"}));
    EXPECT_EQ(rig.sent_by([&] { color_cal_color_choose(rig.ctx, 7); }),
              (lines{"$color_cal_color User\r", "$color_cal_red?\r",
                                                              "$color_cal_green?\r", "$color_cal_blue?\r"}));
    EXPECT_TRUE(rig.row(row_red).enabled && rig.row(row_green).enabled && rig.row(row_blue).enabled);
    EXPECT_FALSE(rig.row(row_level).enabled);
    rig.ctx.link.eth_connected = false;
    auto from = rig.mark();
    color_cal_color_choose(rig.ctx, 1);
    color_cal_refresh(rig.ctx);
    EXPECT_TRUE(rig.sent_since(from).empty());
}

// Mend: Enter takes 1 to 3 digits up to 255 (longer digit strings are rejected, not overflowed);
// a valid value moves the slider without a second send.
TEST(ColorCalibrate, EnterSendsOnlyValidValuesAsTyped) {
    const std::pair<std::string, std::string> rows[] = {
        {"255", "255"}, {" 007 ", "007"}, {"0", "0"}, {"256", ""}, {"12a", ""}, {"", ""}, {"   ", ""},
        {"-1", ""}, {"0255", ""}, {"99999999999999999999", ""}, {"4294967297", ""}};
    for (const auto& [typed, wire] : rows) {
        cal_rig rig;
        rig.ctx.color_cal.rows[row_red].slider = 9;
        const auto from = rig.mark();
        color_cal_box_enter(rig.ctx, row_red, typed);
        const auto sent = rig.sent_since(from);
        if (wire.empty()) {
            EXPECT_TRUE(sent.empty()) << typed;
            EXPECT_EQ(rig.row(row_red).slider, 9) << typed;
        } else {
            EXPECT_EQ(sent, (lines{"$color_cal_red " + wire + "\r"})) << typed;
            EXPECT_EQ(rig.row(row_red).slider, std::stoi(wire)) << typed;
        }
        EXPECT_FALSE(rig.ctx.color_cal.cal_suppress);
    }
}

// Mend: slider moves do not nest transactions; moves during a wait coalesce into one send of the
// latest value.
TEST(ColorCalibrate, SliderMovesDuringAWaitCoalesce) {
    cal_rig rig;
    EXPECT_EQ(rig.sent_by([&] { color_cal_slider_change(rig.ctx, row_level, 100); }),
              (lines{"$color_cal_level 100\r"}));
    EXPECT_EQ(rig.row(row_level).box, "100");

    rig.unit.delay = 100;
    int depth_max = 0;
    for (int t = 20; t <= 80; t += 20)
        rig.world.after(static_cast<std::uint32_t>(t), [&, t] {
            color_cal_slider_change(rig.ctx, row_level, 100 + t);
            depth_max = std::max(depth_max, rig.ctx.link.depth);
        });
    EXPECT_EQ(rig.sent_by([&] { color_cal_slider_change(rig.ctx, row_level, 110); }),
              (lines{"$color_cal_level 110\r", "$color_cal_level 180\r"}));
    EXPECT_EQ(depth_max, 1);
    EXPECT_EQ(rig.row(row_level).box, "180");
    EXPECT_FALSE(rig.row(row_level).sending);
}

}  // namespace
}  // namespace vexlan
