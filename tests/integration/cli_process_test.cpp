// vexlan-cli as scripts use it: exit status, printed result codes, and what reached the unit.
#include <gtest/gtest.h>

#include "cli_runner.h"

using namespace vexlan::testing;

TEST(Cli, SendScriptAndLink) {
    sim_process sim({"--verbose", "--fw", "3.1.4"});
    ASSERT_TRUE(sim.ok());

    // Several lines over one link; the status says whether every one was accepted.
    auto text = run_cli(sim, {"send", "$timing 12", "$timing 9999"});
    EXPECT_EQ(text.status, 1) << text.err;
    EXPECT_NE(text.out.find("reply: $timing 12\\r\\n\nparam1: 12\nparam2: None\nparam3: None\nresult: 1\n"),
              std::string::npos) << text.out;
    EXPECT_NE(text.out.find("result: 3\n"), std::string::npos) << text.out;
    EXPECT_EQ(count_of(sim.log(), "rx $model?"), 1) << sim.log();  // one link for both

    auto json = run_cli(sim, {"send", "--json", "$pattern? 1"});
    EXPECT_EQ(json.status, 0) << json.err;
    EXPECT_EQ(json.out.rfind("{\"line\":\"$pattern? 1\",\"reply\":\"$pattern? 1\",\"param1\":\"1\",\"param2\":\"None\","
                             "\"param3\":\"None\",\"result\":1,\"ms\":", 0), 0u) << json.out;

    auto script = run_cli(sim, {"script", "-"}, "$timing 3\r\n# a comment\n\n$timing 9999\n$timing?");
    EXPECT_EQ(script.status, 1);
    const QList<QByteArray> lines = QByteArray::fromStdString(script.out).trimmed().split('\n');
    ASSERT_EQ(lines.size(), 3) << script.err;
    EXPECT_TRUE(lines[0].startsWith("{\"line\":\"$timing 3\",\"reply\":\"$timing 3\"")) << script.out;
    EXPECT_TRUE(lines[1].contains("\"param1\":\"err\"") && lines[1].contains("\"result\":3")) << script.out;
    EXPECT_TRUE(lines[2].contains("\"param1\":\"3\",")) << script.out;

    auto link = run_cli(sim, {"link", "--json"});
    EXPECT_EQ(link.status, 0) << link.err;
    EXPECT_EQ(link.out, "{\"model\":\"MRV-410\",\"board_id\":\"0\",\"firmware\":\"3.1.4\",\"task_mode\":\"pattern\","
                        "\"model_index\":0,\"catalogue\":\"m41_timing_pattern.ini\"}\n");
}

// Each way a command or a link can fail, with the exit status and the one message that names the
// command at fault (never a value left from an earlier one); and a dropped reply, retried.
TEST(Cli, FailuresMapToStatusAndNameTheCommand) {
    struct fail_case {
        QStringList sim_options;
        QStringList command;
        int status;
        const char* message;
        const char* sent;  // a command the unit received `times` times (retried)
        int times;
    };
    const fail_case cases[] = {
        {{"--silent", "$fwver?"}, {"link"}, 1, "link: the unit did not accept \"$fwver?\" (result 2", "$fwver?", 2},
        {{"--silent", "$task_mode?"}, {"link"}, 1, "\"$task_mode?\"", "$task_mode?", 2},
        {{"--model", "XYZ-1"}, {"send", "$timing 1"}, 1, "send: model \"XYZ-1\" is not a known unit", nullptr, 0},
        {{"--silent", "$timing"}, {"send", "$timing 3"}, 1, "", "$timing 3", 2},
        {{"--close-after", "2"}, {"link"}, 3, "link: the link was lost during \"$fwver?\"", nullptr, 0},
        {{"--close-after", "5"}, {"send", "$timing 1", "$timing 2", "$timing 3"}, 3,
         "send: the link was lost during \"$timing 2\"", nullptr, 0},
        // the fifth command (the one after the four of the link): twice received, once answered
        {{"--drop", "5"}, {"send", "$pattern? 1"}, 0, "", "$pattern? 1", 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE((c.sim_options + c.command).join(' ').toStdString());
        sim_process sim(QStringList{"--verbose"} + c.sim_options);
        ASSERT_TRUE(sim.ok());
        auto r = run_cli(sim, c.command);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        if (c.sent) EXPECT_EQ(count_of(sim.log(), c.sent), c.times) << sim.log();
    }
}
