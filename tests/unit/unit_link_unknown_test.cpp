// A unit whose model text is not known stays unlinked without flooding the operator.
#include <gtest/gtest.h>

#include "fake_controls.h"
#include "link/lifecycle.h"

namespace vexlan {
namespace {

using testing::link_rig;

TEST(UnitLink, UnknownModelIsReportedOncePerConnectionAndNotQueriedFurther) {
    link_rig rig;
    rig.unit.model = "MRV-999";
    rig.connect_tcp();
    const auto from = rig.link().commands.size();
    for (int i = 0; i < 3; ++i) lab_link_click(rig.ctx);
    // The housekeeping links by itself while nothing is linked over TCP.
    for (int i = 0; i < 30; ++i) tim_clock_tick(rig.ctx);

    EXPECT_EQ(rig.ctx.profile.model_index, model_none);
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    EXPECT_NE(rig.dialogs.messages[0].find("\"MRV-999\""), std::string::npos) << rig.dialogs.messages[0];
    for (const auto& c : rig.commands_since(from)) EXPECT_TRUE(c == "$model?\r" || c == "$board_id?\r") << c;

    // A new connection tells again.
    rig.connect_tcp();
    lab_link_click(rig.ctx);
    EXPECT_EQ(rig.dialogs.messages.size(), 2u);

    // A model text of any length is shown cut to 80 characters.
    rig.unit.model = std::string(5000, 'M');
    rig.connect_tcp();
    lab_link_click(rig.ctx);
    ASSERT_EQ(rig.dialogs.messages.size(), 3u);
    EXPECT_NE(rig.dialogs.messages[2].find("\"" + std::string(80, 'M') + "...\""), std::string::npos);
    EXPECT_LT(rig.dialogs.messages[2].size(), 200u);
}

}  // namespace
}  // namespace vexlan
