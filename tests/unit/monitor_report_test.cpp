// The monitor report: whole reports of two sources compared byte for byte with hand-checked
// files, a report that stops, one that waits for a poll step, the type choice during a report,
// and saving with the file-name fix-up and the overwrite question.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "monitor_fixture.h"
#include "temp_dir.h"

namespace vexlan {
namespace {

using testing::monitor_rig;

std::string expected_file(const std::string& name) {
    const auto f = read_file(std::string(VEXLAN_SOURCE_DIR) + "/tests/unit/data/" + name);
    return f ? *f.bytes : "(missing " + name + ")";
}

TEST(MonitorReport, WholeReportsOfTwoSourcesInBothModesByteForByte) {
    struct row { const char* task; bool hdr; const char* file; };
    for (const row r : {row{"analyser", false, "monitor_report_1080p60.txt"},
                        row{"pattern", true, "monitor_report_2160p60_pattern.txt"},
                        row{"analyser", true, "monitor_report_2160p60_hdr.txt"}}) {
        SCOPED_TRACE(r.file);
        monitor_rig rig(r.task, r.hdr ? testing::profile_2160p60_hdr() : testing::profile_1080p60());
        rig.mon().chk_mon_report = {true, true, true, true, true};
        cmd_monitor_report_click(rig.ctx);
        EXPECT_EQ(std::tuple(rig.mon().report_shown, rig.mon().report_status), std::tuple(true, ""));
        EXPECT_EQ(rig.mon().txt_monitor_report, expected_file(r.file));
        if (std::getenv("VEXLAN_WRITE_EXPECTED"))
            write_file_atomic(std::string("/tmp/") + r.file, rig.mon().txt_monitor_report);
    }
}

TEST(MonitorReport, OneSectionUsesTheClockAndTotalsOfItsOwnRunAndNoneDoesNothing) {
    monitor_rig rig;
    EXPECT_EQ(rig.sent_by([&] { cmd_monitor_report_click(rig.ctx); }).size(), 0u);  // nothing checked
    EXPECT_FALSE(rig.mon().report_shown);
    rig.mon().kept.pixel_clock_hz = 1;  // left over from an earlier source
    rig.mon().chk_mon_report[1] = true;
    EXPECT_EQ(rig.sent_by([&] { cmd_monitor_report_click(rig.ctx); }).size(), 19u);
    const auto& t = rig.mon().txt_monitor_report;
    EXPECT_NE(t.find("\r\n========== Monitor Video Timing\r\n"), std::string::npos);
    EXPECT_EQ(t.find("Monitor System"), std::string::npos);
    EXPECT_NE(t.find("Source H Frequency = 67500 Hz\r\n"), std::string::npos);
    EXPECT_NE(t.find("Source V Frequency =60.00 Hz\r\n"), std::string::npos);
    // live polling waits for EXIT
    auto live = [&] {
        return std::tuple(rig.timers.enabled(timer_id::tim_monitor), rig.ctx.tasks.fra_mon_type_enabled,
                          rig.mon().report_shown, rig.mon().page_frame_hidden);
    };
    EXPECT_EQ(live(), std::tuple(false, false, true, true));
    cmd_monitor_exit_click(rig.ctx);
    EXPECT_EQ(live(), std::tuple(true, true, false, false));
}

TEST(MonitorReport, AQueryWithoutReplyStopsTheReportAnErrorReplyStillWritesItsLine) {
    monitor_rig rig;
    opt_mon_type_click(rig.ctx, 2);
    const auto list_before = rig.ctx.tasks.poll_list;
    rig.mon().chk_mon_report = {true, true, true, true, true};
    rig.unit.drop["$source_detect? hbp"] = 2;  // the send and its one retry
    cmd_monitor_report_click(rig.ctx);
    const auto& M = rig.mon();
    EXPECT_EQ(std::tuple(M.report_shown, M.txt_monitor_report, M.report_status),
              std::tuple(false, "", "Report stopped: no reply to \"$source_detect? hbp\"."));
    EXPECT_EQ(std::tuple(M.cmd_monitor_report_enabled, rig.ctx.tasks.fra_mon_type_enabled, M.page_frame_hidden,
                         rig.timers.enabled(timer_id::tim_monitor)),
              std::tuple(true, true, false, true));
    EXPECT_EQ(rig.ctx.tasks.poll_list, list_before);
    // and polling goes on with the page's own list
    tim_monitor_tick(rig.ctx);
    EXPECT_EQ(rig.tcp.commands.back(), "$source_detect? acr\r");

    // a reply of another command word is still a reply: the line is written, the report ends
    rig.tcp.unit = [&, base = rig.tcp.unit](const std::string& line) -> std::vector<testing::reply_chunk> {
        if (line == "$source_detect? hbp\r") return {{5, "$err hbp\r\n"}};
        return base(line);
    };
    cmd_monitor_report_click(rig.ctx);
    EXPECT_TRUE(rig.mon().report_shown);
    EXPECT_NE(rig.mon().txt_monitor_report.find("Source H Back Porch    = "), std::string::npos);
}

TEST(MonitorReport, PressedDuringAPollStepRunsAfterItATypeChosenDuringTheReportWaitsForItsEnd) {
    monitor_rig rig;
    rig.mon().chk_mon_report[3] = true;
    rig.world.after(1, [&] { cmd_monitor_report_click(rig.ctx); });
    tim_monitor_tick(rig.ctx);
    EXPECT_TRUE(rig.mon().report_shown);
    EXPECT_NE(rig.mon().txt_monitor_report.find("========== Monitor Packet"), std::string::npos);
    EXPECT_EQ(rig.ctx.tasks.deferred_action, deferred_none);
    cmd_monitor_exit_click(rig.ctx);

    rig.mon().chk_mon_report[0] = true;
    // the operator picks Audio Timing while the first query of the report waits
    rig.world.after(1, [&] { opt_mon_type_click(rig.ctx, 2); });
    cmd_monitor_report_click(rig.ctx);
    const auto& t = rig.mon().txt_monitor_report;
    // the System section is complete and in order, the Packet section follows
    ASSERT_NE(t.find("========== Monitor System"), std::string::npos);
    ASSERT_NE(t.find("========== Monitor Packet"), std::string::npos);
    EXPECT_NE(t.find("Source Packets = GCP AVI AIF \r\n"), std::string::npos);
    EXPECT_EQ(t.find("ACR"), std::string::npos);
    EXPECT_EQ(rig.mon().monitor_page, 2);
    cmd_monitor_exit_click(rig.ctx);
    tim_monitor_tick(rig.ctx);
    EXPECT_EQ(rig.tcp.commands.back(), "$source_detect? acr\r");
}

TEST(MonitorReport, FileNameFixUpChangesOnlyTheNamePart) {
    const std::pair<const char*, const char*> rows[] = {
        {"/d/report", "/d/report.txt"}, {"/d/summary", "/d/summary.txt"}, {"/d/ab", "/d/ab.txt"},
        {"/d/r.TXT", "/d/r.TXT"}, {"/d/r.log", "/d/r.txt"}, {"/d/r.text", "/d/r.txt"},
        {"/d/r.report", "/d/r.report.txt"}, {"/d.x/r", "/d.x/r.txt"}, {"/d/.hidden", "/d/.hidden.txt"}, {"r.csv", "r.txt"}};
    for (const auto& [in, out] : rows) EXPECT_EQ(report_file_name_fix(in), out) << in;
}

struct save_dialogs : testing::fake_dialogs {
    std::vector<std::string> names;  // answers of the file dialog, in turn
    std::vector<msg_answer> answers;
    std::vector<std::string> titles;
    template <class T> static T take(std::vector<T>& v, T none) {
        if (v.empty()) return none;
        T t = v.front();
        v.erase(v.begin());
        return t;
    }
    std::string file_save(file_dialog_request& req) override {
        titles.push_back(req.title + " " + req.filter);
        return take(names, std::string());
    }
    msg_answer message_box(const std::string& text, msg_icon icon, msg_buttons b, const std::string& t) override {
        testing::fake_dialogs::message_box(text, icon, b, t);
        return take(answers, msg_answer::cancel);
    }
};

TEST(MonitorReport, SaveAsksAboutTheFinalNameAndWritesAtomically) {
    testing::temp_dir dir;
    monitor_rig rig;
    save_dialogs dlg;
    rig.ctx.ports.dialogs = &dlg;
    rig.mon().chk_mon_report[4] = true;
    cmd_monitor_report_click(rig.ctx);
    const std::string existing = dir.str() + "/old.txt";
    ASSERT_EQ(write_file_atomic(existing, "keep"), "");
    // "old" becomes "old.txt", which exists: No asks again, then a new name is written
    dlg.names = {dir.str() + "/old", dir.str() + "/new.log"};
    dlg.answers = {msg_answer::no};
    cmd_monitor_save_click(rig.ctx);
    EXPECT_EQ(dlg.messages, std::vector<std::string>{existing + " exists. Overwrite it ?"});
    EXPECT_EQ(dlg.titles.at(0), "Save Monitor Report *.txt|*.txt");
    EXPECT_EQ(*read_file(existing).bytes, "keep");
    EXPECT_EQ(*read_file(dir.str() + "/new.txt").bytes, rig.mon().mon_report_text + "\r\n");
    // Yes overwrites; Cancel leaves the file
    for (const auto answer : {msg_answer::cancel, msg_answer::yes}) {
        dlg.names = {existing};
        dlg.answers = {answer};
        cmd_monitor_save_click(rig.ctx);
        EXPECT_EQ(*read_file(existing).bytes, answer == msg_answer::yes ? rig.mon().mon_report_text + "\r\n" : "keep");
    }
    // a folder that does not exist: the failure is shown, nothing claims success
    dlg.names = {dir.str() + "/missing/x.txt"};
    const auto shown = dlg.messages.size();
    cmd_monitor_save_click(rig.ctx);
    ASSERT_EQ(dlg.messages.size(), shown + 1);
    EXPECT_EQ(dlg.icons.back(), msg_icon::critical);
    EXPECT_EQ(rig.mon().report_path, existing);
}

}  // namespace
}  // namespace vexlan
